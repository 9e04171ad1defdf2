#pragma once
// What the main window's controls show, as the session decides it. The window renders
// the whole of it whenever it changes and tells the session the user's choices (a size,
// the path, the lists, a switch) as they change; the session never asks the window.

#include <string>

#include "core/MonitorSettings.h"

namespace tavelin {

struct ControlsView {
    int checkedSize = 0;  // row of the capture size table shown as chosen
    bool sizesEnabled = true;
    // The choices a recording holds fixed: the date overlay, the audio and video
    // settings and the audio switch.
    bool recordingSettingsEnabled = true;
    // The audio switch is off for good once a recording found no audio device.
    bool audioSwitchDisabled = false;
    bool audioStrip = false;  // the strip that says sound is recorded

    bool recordLightShown = false;
    bool recordLightLit = false;
    bool recorderSwitchDown = false;
    std::string recorderText = "Run recorder";
    bool recorderTextEnabled = true;

    bool monitorLightShown = false;
    bool monitorLightLit = false;
    bool monitorRunningFaces = false;  // the Monitor switch shows the running pictures
    bool monitorSwitchDown = false;

    bool displayChoiceEnabled = true;  // inside or outside
    std::string aviPath;               // where the next recording goes

    bool operator==(const ControlsView&) const = default;
};

}  // namespace tavelin
