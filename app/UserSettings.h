#pragma once
// The choices kept from one run to the next, with QSettings under the organisation
// "Tavelin": record on motion. Everything else the user chooses lasts for one run.

#include "core/SessionSettings.h"

namespace tavelin {

class CUserSettings {
public:
    // What was stored, with missing or unreadable values at their defaults and numbers
    // brought into their ranges.
    static MotionRecordSetup LoadMotionRecord();
    // False (logged) when the settings could not be written.
    static bool SaveMotionRecord(const MotionRecordSetup& setup);
};

}  // namespace tavelin
