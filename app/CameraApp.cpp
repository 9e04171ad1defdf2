#include "app/CameraApp.h"

#include <malloc.h>

#include <QStyleFactory>

#include "app/AppLog.h"
#include "app/MainDlg.h"
#include "app/QuitSignals.h"
#include "app/TestHook.h"
#include "resources/Resources.h"

namespace tavelin {

CCameraApp::CCameraApp(int& argc, char** argv, AppOptions options)
    : QApplication(argc, argv), options_(std::move(options)) {
    // No application display name: Qt would add it to every dialog's caption. The
    // windows that carry the program's name set it themselves.
    setApplicationName(QStringLiteral("tavelin-video-center"));
    setOrganizationName(QStringLiteral("Tavelin"));
    // Where the platform choice ended up (Qt falls back when a plugin cannot start).
    qCInfo(lcUi, "window system: %s", qUtf8Printable(platformName()));
    options_.systemMove =
        options_.systemMove || platformName().startsWith(QStringLiteral("wayland"));
    // The same look on every desktop, to match the skin.
    setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    InitResources();
}

bool CCameraApp::InitInstance() {
    // First, so that a signal during start-up also ends the program cleanly.
    CQuitSignals quitSignals;
    CTestHook* hook = CTestHook::FromEnvironment(this);
    MainDlgSeams seams;
    seams.cameraPattern = options_.cameraPattern;
    seams.systemMove = options_.systemMove;
    if (hook != nullptr)
        hook->Configure(seams);
    CMainDlg dialog(seams);
    if (hook != nullptr)
        hook->Watch(dialog);
    bool running = false;
    bool quitAsked = false;
    connect(&quitSignals, &CQuitSignals::quitRequested, &dialog, [&] {
        quitAsked = true;
        if (running) {
            dialog.EndFromOutside();
        } else if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();  // the busy window: start-up then ends without running
        }
    });
    const bool started = dialog.OnInitDialog();
    // A program that cannot do what it was started for says so to whoever started it.
    if (!started && !quitAsked)
        exitStatus_ = 1;
    if (started && !quitAsked) {
        if (hook != nullptr)
            hook->Ready();
        // Not the dialog's own exec(): that ends as soon as the window is hidden, and the
        // window hides whenever it goes into the tray. The program ends when the dialog
        // is done instead, whichever windows are showing.
        setQuitOnLastWindowClosed(false);
        connect(&dialog, &QDialog::finished, this, &QCoreApplication::quit);
        dialog.show();
        running = true;
        // Start-up freed a good deal (GStreamer's plugin registry, the device probes,
        // decoded artwork): the free pages go back before the program settles.
        malloc_trim(0);
        exec();
    }
    return false;
}

}  // namespace tavelin
