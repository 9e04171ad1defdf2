// Quit signals reach the window through the main loop, and end it only once a dialog
// that was up has closed and its command has returned.

#include "app/QuitSignals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <QDialog>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>

#include <string>
#include <vector>

#include "app/MainDlg.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/FrameTickFakes.h"

namespace tavelin {
namespace {

using testing::WaitFor;

class QuitSignalsTest : public testing::DataFolderTest {};

TEST_F(QuitSignalsTest, EachSignalArrivesThroughTheEventLoop) {
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        CQuitSignals watcher;
        ASSERT_TRUE(watcher.installed());
        QSignalSpy spy(&watcher, &CQuitSignals::quitRequested);
        ASSERT_EQ(::raise(signalNumber), 0);  // the process goes on: the handler only notes it
        ASSERT_TRUE(WaitFor([&] { return spy.count() == 1; }));
        EXPECT_EQ(spy.at(0).at(0).toInt(), signalNumber);
    }
    // Gone with the watcher: the default handling is back.
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

// A quit signal while a command waits in a dialog: the dialog is closed, the command
// finishes, and only then is the window torn down.
TEST_F(QuitSignalsTest, EndingFromOutsideClosesTheDialogFirst) {
    testing::FakeNotices notices;
    MainDlgSeams seams;
    seams.notices = &notices;
    seams.splashMs = 0;
    seams.trayAvailable = [] { return false; };
    CMainDlg window(seams);
    ASSERT_TRUE(window.OnInitDialog());
    window.show();

    std::vector<std::string> order;
    QEventLoop programLoop;
    QObject::connect(&window, &QDialog::finished, &programLoop, [&] {
        order.push_back(window.tick().busy() ? "window ended" : "window ended while running");
        programLoop.quit();
    });
    QTimer::singleShot(0, &window, [&] {
        QDialog settings(&window);
        QTimer::singleShot(50, &window, [&] { window.EndFromOutside(); });
        const int result = settings.exec();
        order.push_back(result == QDialog::Rejected ? "dialog cancelled" : "dialog accepted");
        EXPECT_FALSE(window.tick().busy()) << "not torn down under the command";
    });
    QTimer::singleShot(10000, &programLoop, &QEventLoop::quit);
    programLoop.exec();
    EXPECT_EQ(order, (std::vector<std::string>{"dialog cancelled", "window ended"}));
    EXPECT_FALSE(window.capture().hasGraph());
}

}  // namespace
}  // namespace tavelin
