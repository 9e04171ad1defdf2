#pragma once
// What the recording settings dialogs need from the main window. The main window
// implements it; tests use a fake.

#include <string>

#include "FileChooser.h"
#include "NoticeSink.h"

namespace tavelin {

class IRecordSettingsHost {
public:
    virtual ~IRecordSettingsHost() = default;

    // Asks the frame step to pause once under the wait cursor (on) or withdraws the
    // request (off); set around every dialog and message the settings open.
    virtual void SetPauseRequest(bool on) = 0;
    // Flips the main window's audio switch and shows or hides its audio strip.
    virtual void ToggleAudio() = 0;
    // The recording file counter beside the program.
    virtual std::string CounterFile() const = 0;
    virtual INoticeSink& Notices() = 0;
    virtual IFileChooser& Files() = 0;
};

// Sets the pause request for as long as a dialog or message is up.
class CPauseScope {
public:
    explicit CPauseScope(IRecordSettingsHost& host) : host_(host) { host_.SetPauseRequest(true); }
    ~CPauseScope() { host_.SetPauseRequest(false); }
    CPauseScope(const CPauseScope&) = delete;
    CPauseScope& operator=(const CPauseScope&) = delete;

private:
    IRecordSettingsHost& host_;
};

}  // namespace tavelin
