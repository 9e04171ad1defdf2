#pragma once
// Where the program finds its own files and keeps the files it writes.
//
// The program directory holds the executable and what it reads (the Alarm folder). A
// copy run from its build folder keeps what it writes beside itself; the build leaves
// a marker there (kBuildFolderMarker) that no installation carries. Installed, wherever
// it is and whoever runs it (root included), the program keeps the recording counter
// in the user's data folder and proposes the user's Videos and Pictures folders for
// recordings and pictures, so nothing is ever written into the installed tree.

#include <QStandardPaths>
#include <string>

namespace tavelin {

// The file the build puts beside the program it builds.
inline constexpr const char* kBuildFolderMarker = "tavelin-build-folder";

class CAppPaths {
public:
    static std::string ProgramDirectory();
    // The program runs from its build folder (the marker is beside it).
    static bool RunsFromBuildFolder();
    static std::string DataDirectory();       // the counter
    static std::string RecordingDirectory();  // numbered recordings
    static std::string PictureDirectory();    // the default timer shot and motion stills

    static std::string CounterFile();       // the recording file counter
    static std::string TimerShotDefault();  // the timer shot when no file was chosen
    // The settings kept between runs: the user's own ("Tavelin/tavelin-video-center.conf"
    // in the configuration folder), or a file in the data directory that tests set.
    static std::string SettingsFile();

    // Tests keep the files they cause out of the build tree: all three directories
    // become `directory`.
    static void SetDataDirectoryForTests(const std::string& directory);

private:
    // The data directory, or the user's standard folder when the program is installed.
    static std::string DataDirectoryUnlessInstalled(QStandardPaths::StandardLocation location);
};

}  // namespace tavelin
