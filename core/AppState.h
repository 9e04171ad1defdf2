#pragma once
// Process-wide application settings. They live in memory for one run; the main
// window's constructor puts them back to their start values.

#include <cstdint>
#include <string>

namespace tavelin {

struct AppState {
    std::string aviPath;            // path the next recording uses
    bool useTypedNameOnce = false;  // next recording uses aviPath as typed
    std::int32_t videoCompressorIndex = 0;
    std::int32_t audioCompressorIndex = 0;
    std::int32_t audioDeviceIndex = 0;
    std::int8_t masterStream = 1;    // -1 none, 1 audio, 2 video
    std::uint8_t monitorMode = 255;  // see FrameFormat.h
    std::string motionShotPath;      // its directory is where motion stills go
    std::string alarmSoundPath;      // the alarm's sound file
    std::int32_t timerSeconds = 5;   // timer-shot interval, 1 ... 3600
    std::string timedShotTarget;     // empty: TimerCap.bmp beside the program
    bool previewMinimised = false;   // the preview window was last minimised

    void Reset() { *this = AppState{}; }
};

// The one instance of the running program.
AppState& App();

}  // namespace tavelin
