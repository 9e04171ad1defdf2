#pragma once
// What the user has chosen for this run, in memory only. The session owns one; each
// settings dialog receives the part it edits and hands back the new values.

#include <cstdint>
#include <string>

#include "core/FrameFormat.h"

namespace tavelin {

// What the next recording uses (the main window's lists and the recording dialogs).
struct RecordingChoices {
    std::string aviPath;            // the path the next recording uses
    bool useTypedNameOnce = false;  // the next recording uses aviPath as typed
    std::int32_t videoCompressorIndex = 0;
    std::int32_t audioCompressorIndex = 0;
    std::int32_t audioDeviceIndex = 0;
    std::int8_t masterStream = 1;  // whose timing rules the file: -1 none, 1 audio, 2 video
};

// The monitor functions and their files (the Monitor Settings dialog).
struct MonitorSetup {
    std::uint8_t monitorMode = kModeUnset;  // see FrameFormat.h
    std::string motionShotPath;             // its folder is where motion stills go
    std::string alarmSoundPath;             // the alarm's sound file
};

// The countdown shot (the Save File dialog).
struct TimerShotSetup {
    std::int32_t timerSeconds = 5;  // 1 ... 3600
    std::string timedShotTarget;    // empty: the default file beside the program
};

struct SessionSettings {
    RecordingChoices recording;
    MonitorSetup monitor;
    TimerShotSetup timerShot;
};

}  // namespace tavelin
