#include "app/SessionAlertSource.h"

#include "app/UserSettings.h"
#include "core/FileNames.h"
#include "core/Log.h"

namespace tavelin {

void CSessionAlertSource::SetRecordOnMotion(bool on) {
    MotionRecordSetup& setup = session_.settings().monitor.motionRecord;
    if (setup.enabled == on)
        return;
    setup.enabled = on;
    CUserSettings::SaveMotionRecord(setup);
    Log(LogArea::Monitor, LogLevel::Info,
        std::string("record on motion switched ") + (on ? "on" : "off") + " from outside");
    session_.ApplyMonitorSettings(true);
}

std::string CSessionAlertSource::recordingFolder() const {
    return DirectoryOf(session_.aviPathText());
}

}  // namespace tavelin
