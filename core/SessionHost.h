#pragma once
// Everything the session asks of the main window besides what the frame tick asks:
// the user's choices as the window's fields show them, and what the user sees of the
// session's state. The calls say what they mean; the window decides which control
// shows it.

#include <string>

#include "core/FrameTickHost.h"
#include "core/MonitorSettings.h"

namespace tavelin {

class ISessionHost : public IFrameTickHost {
public:
    // The window's list selections and path field are handed to the session now
    // (through its Set... calls), as they read at this moment.
    virtual void CollectChoices() = 0;
    // The path the next recording uses, as the path field shows it.
    virtual void ShowAviPath(const std::string& path) = 0;

    // The capture size choices: the one shown as selected, and whether they respond.
    virtual void CheckSizeChoice(int sizeIndex) = 0;
    virtual void EnableSizeChoices(bool enabled) = 0;
    // The choices a recording holds fixed: the date overlay, the audio and video
    // settings and the audio switch.
    virtual void EnableRecordingSettings(bool enabled) = 0;
    // The audio switch alone (off for good when there is no audio device).
    virtual void EnableAudioSwitch(bool enabled) = 0;
    // The strip that says sound is recorded.
    virtual void ShowAudioStrip(bool shown) = 0;

    // The recording light (hidden also means dark) and the recorder switch popping up,
    // or held down as a click leaves it (a recording that started without a click).
    virtual void ShowRecordLight(bool shown) = 0;
    virtual void ReleaseRecorderSwitch() = 0;
    virtual void PressRecorderSwitch() = 0;
    // The monitor light, the monitor switch's pictures, and the switch popping up.
    virtual void ShowMonitorLight(bool shown) = 0;
    virtual void SetMonitorSwitchFaces(SwitchFaces faces) = 0;
    virtual void ReleaseMonitorSwitch() = 0;

    // Switches the picture to the outside window or the inside area, for frames of
    // this size.
    virtual void ShowDisplay(bool outside, int width, int height) = 0;
};

}  // namespace tavelin
