#pragma once
// Which Qt platform plugin the program runs on. It places its windows beside each other
// and shapes its skin itself, which a Wayland client may not do; so in a Wayland session
// that also offers an X server (XWayland) it runs on X11, unless the user chose a
// platform. Without an X server it runs on Wayland, where the compositor moves windows.
// A pure function of the environment, decided before the application object exists.

#include <QString>

namespace tavelin {

struct PlatformEnvironment {
    QString waylandDisplay;  // WAYLAND_DISPLAY
    QString display;         // DISPLAY
    QString qpaPlatform;     // QT_QPA_PLATFORM
    QString sessionType;     // XDG_SESSION_TYPE
    QString platformOption;  // Qt's -platform option, when given
};

struct PlatformChoice {
    QString force;            // the plugin to set in QT_QPA_PLATFORM; empty: leave Qt to it
    bool systemMove = false;  // native Wayland: window drags are handed to the compositor
    QString reason;           // for the log
};

PlatformChoice ChoosePlatform(const PlatformEnvironment& environment);

// The environment of this process.
PlatformEnvironment CurrentPlatformEnvironment(const QString& platformOption);

}  // namespace tavelin
