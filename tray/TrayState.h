#pragma once
// What the tray buttons and notifications mean for the main window, kept apart from
// any window so the rules can be checked without a desktop: whether the window is in
// the tray, whether "Show" is offered, and what a click asks for. Whether the desktop
// has a tray at all is asked through the function given at construction, because a
// window hidden without a tray icon to bring it back would be lost to the user.

#include <functional>

namespace tavelin {

class CTrayState {
public:
    enum class Action {
        None,              // nothing to do
        HideIntoTray,      // hide the window (and its companions) behind the tray icon
        MinimiseNormally,  // no tray: minimise the window the ordinary way
        Restore,           // bring the window back where it was
        Exit,              // end the program through the normal close path
    };

    explicit CTrayState(std::function<bool()> trayAvailable);

    // The Minimize button.
    Action OnMinimize();
    // A command from the tray menu: "Show" restores, "Exit" ends the program.
    Action OnCommand(int commandId);
    // A double click on the icon restores only a window that is in the tray; otherwise
    // it is left to the tray's ordinary handling (None).
    Action OnDoubleClick();
    // The desktop's tray went away; a window hidden in it must become reachable again.
    Action OnTrayLost();

    bool inTray() const { return inTray_; }
    // "Show" is enabled exactly while the window is in the tray.
    bool showEnabled() const { return inTray_; }

private:
    std::function<bool()> trayAvailable_;
    bool inTray_ = false;
};

}  // namespace tavelin
