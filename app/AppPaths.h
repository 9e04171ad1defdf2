#pragma once
// Where the program finds its own files and keeps the files it writes.
//
// The program directory holds the executable and what it reads (the Alarm folder).
// The data directory holds what the program writes on its own: the recording counter,
// the default timer shot, and the default folder for recordings and motion stills.
// It is the program directory, as long as that can be written.

#include <string>

namespace tavelin {

class CAppPaths {
public:
    static std::string ProgramDirectory();
    static std::string DataDirectory();

    static std::string CounterFile();       // the recording file counter
    static std::string TimerShotDefault();  // the timer shot when no file was chosen
    static std::string AlarmSound(int position);

    // Tests keep the files they cause out of the build tree.
    static void SetDataDirectoryForTests(const std::string& directory);
};

}  // namespace tavelin
