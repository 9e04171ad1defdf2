#pragma once
// The choices kept from one run to the next, in one settings file (QSettings' INI
// format): record on motion, the camera and the storage limits. Everything else the user
// chooses lasts for one run.
//
// Only a regular file (or none yet) is read or written: anything else under the name
// (a FIFO would block the program for good, a folder cannot hold settings) leaves the
// defaults in use, says why in the log, and is never written over.

#include <string>

#include "core/SessionSettings.h"
#include "core/StorageLimits.h"

namespace tavelin {

class CUserSettings {
public:
    // What was stored, with missing or unreadable values at their defaults and numbers
    // brought into their ranges.
    static MotionRecordSetup LoadMotionRecord();
    // False (logged) when the settings could not be written.
    static bool SaveMotionRecord(const MotionRecordSetup& setup);

    // The camera chosen in the video settings, by its name; empty when none was chosen.
    static std::string LoadCameraName();
    static bool SaveCameraName(const std::string& name);

    // The storage limits (group Storage), each field in its range.
    static StorageLimits LoadStorageLimits();
};

}  // namespace tavelin
