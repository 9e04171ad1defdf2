#pragma once
// Everything the session asks of the main window besides what the frame tick asks: to
// show the controls as the session's view of them says, and to switch the picture
// between the outside window and the inside area.

#include "core/ControlsView.h"
#include "core/FrameTickHost.h"

namespace tavelin {

class ISessionHost : public IFrameTickHost {
public:
    // The controls as `view` says; called whenever it changed.
    virtual void ShowControls(const ControlsView& view) = 0;
    // Switches the picture to the outside window or the inside area, for frames of
    // this size.
    virtual void ShowDisplay(bool outside, int width, int height) = 0;
};

}  // namespace tavelin
