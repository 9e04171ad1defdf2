#pragma once
// Where the program finds its own files and keeps the files it writes.
//
// The program directory holds the executable and what it reads (the Alarm folder).
// The program keeps what it writes beside itself as long as the program directory can
// be written (a copy run from its build folder). An installed program cannot write
// there, so it keeps the recording counter in the user's data folder, and proposes the
// user's Videos and Pictures folders for recordings and pictures.

#include <QStandardPaths>
#include <string>

namespace tavelin {

class CAppPaths {
public:
    static std::string ProgramDirectory();
    static std::string DataDirectory();       // the counter
    static std::string RecordingDirectory();  // numbered recordings
    static std::string PictureDirectory();    // the default timer shot and motion stills

    static std::string CounterFile();       // the recording file counter
    static std::string TimerShotDefault();  // the timer shot when no file was chosen
    // The settings kept between runs: empty for the user's own (QSettings under the
    // organisation "Tavelin"); a file in the data directory that tests set.
    static std::string SettingsFile();

    // Tests keep the files they cause out of the build tree: all three directories
    // become `directory`.
    static void SetDataDirectoryForTests(const std::string& directory);

private:
    // The data directory, or the user's standard folder when the program is installed.
    static std::string DataDirectoryUnlessInstalled(QStandardPaths::StandardLocation location);
};

}  // namespace tavelin
