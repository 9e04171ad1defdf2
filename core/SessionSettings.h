#pragma once
// What the user has chosen for this run, in memory only. The session owns one; each
// settings dialog receives the part it edits and hands back the new values.

#include <algorithm>
#include <cstdint>
#include <string>

#include "core/FrameFormat.h"
#include "core/StorageLimits.h"

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

// Record on motion: a numbered recording that starts, with the seconds before it, when
// the monitor sees motion at the alarm's level and ends once the picture has been calm.
// Kept with the user's settings between runs, apart from the monitor mode code.
struct MotionRecordSetup {
    static constexpr int kMinSecondsBefore = 0;
    static constexpr int kMaxSecondsBefore = 10;
    static constexpr int kMinCalmSeconds = 3;
    static constexpr int kMaxCalmSeconds = 300;

    bool enabled = false;
    int secondsBefore = 3;  // kMinSecondsBefore ... kMaxSecondsBefore
    int calmSeconds = 10;   // kMinCalmSeconds ... kMaxCalmSeconds

    // The same choice with both numbers brought into their ranges.
    MotionRecordSetup Clamped() const;

    friend bool operator==(const MotionRecordSetup&, const MotionRecordSetup&) = default;
};

// The monitor functions and their files (the Monitor Settings dialog).
struct MonitorSetup {
    std::uint8_t monitorMode = kModeUnset;  // see FrameFormat.h
    std::string motionShotPath;             // its folder is where motion stills go
    std::string alarmSoundPath;             // the alarm's sound file
    MotionRecordSetup motionRecord;
};

// The countdown shot (the Save File dialog).
struct TimerShotSetup {
    std::int32_t timerSeconds = 5;  // 1 ... 3600
    std::string timedShotTarget;    // empty: the default file beside the program
};

inline MotionRecordSetup MotionRecordSetup::Clamped() const {
    MotionRecordSetup c = *this;
    c.secondsBefore = std::clamp(secondsBefore, kMinSecondsBefore, kMaxSecondsBefore);
    c.calmSeconds = std::clamp(calmSeconds, kMinCalmSeconds, kMaxCalmSeconds);
    return c;
}

struct SessionSettings {
    RecordingChoices recording;
    MonitorSetup monitor;
    TimerShotSetup timerShot;
    StorageLimits storage;  // kept between runs
};

}  // namespace tavelin
