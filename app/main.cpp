#include <malloc.h>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringList>
#include <cstdio>

#include "app/AppLog.h"
#include "app/CameraApp.h"
#include "app/CommandLine.h"
#include "app/PlatformChoice.h"

int main(int argc, char** argv) {
    // Blocks of 128 KiB and more (frames, pictures, video buffers) get pages of their
    // own, given back to the system when freed. Left alone, glibc raises this threshold
    // once such a block is freed, and later frames then stay resident in the heap after
    // the size changes.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    using namespace tavelin;
    // Before anything can fail: every layer's messages go through the Qt categories.
    InstallLogSink();

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine line = ParseCommandLine(arguments, qEnvironmentVariable("TAVELIN_CAMERA"));
    if (line.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("tavelin.*=true"));
    if (line.action != CommandLine::Action::Run) {
        // Printing only: no window system, so these work without a display.
        QCoreApplication core(argc, argv);
        const QString program = argc > 0 ? QFileInfo(arguments.first()).fileName() : QString();
        return RunPrintingAction(
            line, program.isEmpty() ? QStringLiteral("tavelin-video-center") : program, stdout,
            stderr);
    }

    // The platform plugin is chosen when the application object is made: decide first.
    const PlatformChoice platform = ChoosePlatform(CurrentPlatformEnvironment(line.qtPlatform));
    if (!platform.force.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform.force.toLocal8Bit());
    qCInfo(lcUi, "platform: %s", qUtf8Printable(platform.reason));

    CCameraApp app(argc, argv, {line.camera.toStdString(), platform.systemMove});
    app.InitInstance();
    return app.exitStatus();
}
