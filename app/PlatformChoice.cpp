#include "app/PlatformChoice.h"

#include <QtGlobal>

namespace tavelin {

PlatformChoice ChoosePlatform(const PlatformEnvironment& env) {
    PlatformChoice choice;
    // The option beats the variable, as in Qt itself.
    const QString chosen = !env.platformOption.isEmpty() ? env.platformOption : env.qpaPlatform;
    if (!chosen.isEmpty()) {
        choice.systemMove = chosen.startsWith(QStringLiteral("wayland"));
        choice.reason = QStringLiteral("the Qt platform chosen by the user: ") + chosen;
        return choice;
    }
    // Qt goes to Wayland first when the session says so, even without WAYLAND_DISPLAY.
    const bool waylandSession =
        !env.waylandDisplay.isEmpty() ||
        env.sessionType.compare(QStringLiteral("wayland"), Qt::CaseInsensitive) == 0;
    if (!waylandSession) {
        choice.reason = QStringLiteral("no Wayland session; Qt's own choice");
        return choice;
    }
    if (!env.display.isEmpty()) {
        choice.force = QStringLiteral("xcb");
        choice.reason = QStringLiteral(
                            "Wayland session with an X server at %1: running on X11 "
                            "(xcb), which lets the program place its windows")
                            .arg(env.display);
        return choice;
    }
    choice.systemMove = true;
    choice.reason = QStringLiteral(
        "Wayland session without an X server: running on Wayland; "
        "the compositor places the windows and moves them on drags");
    return choice;
}

PlatformEnvironment CurrentPlatformEnvironment(const QString& platformOption) {
    PlatformEnvironment env;
    env.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    env.display = qEnvironmentVariable("DISPLAY");
    env.qpaPlatform = qEnvironmentVariable("QT_QPA_PLATFORM");
    env.sessionType = qEnvironmentVariable("XDG_SESSION_TYPE");
    env.platformOption = platformOption;
    return env;
}

}  // namespace tavelin
