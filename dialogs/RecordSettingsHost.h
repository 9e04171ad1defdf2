#pragma once
// What the recording settings dialogs need from the main window. The main window
// implements it; tests use a fake.

#include <string>

#include "core/NoticeSink.h"
#include "core/PauseScope.h"
#include "widgets/FileChooser.h"

namespace tavelin {

// SetPauseRequest (from IPauseRequest) asks the frame step to pause once under the wait
// cursor, or withdraws the request; CPauseScope sets it around every dialog and message
// the settings open.
class IRecordSettingsHost : public IPauseRequest {
public:
    // Flips the main window's audio switch and shows or hides its audio strip.
    virtual void ToggleAudio() = 0;
    // The recording file counter beside the program.
    virtual std::string CounterFile() const = 0;
    virtual INoticeSink& Notices() = 0;
    virtual IFileChooser& Files() = 0;
};

}  // namespace tavelin
