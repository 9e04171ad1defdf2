#include "dialogs/SplashDlg.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>
#include <functional>

#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "resources/Resources.h"
#include "tests/support/QtApp.h"

namespace tavelin {
namespace {

// Splash periods long enough that only the test ends the dialog.
constexpr int kNever = 600000;

Qt::CursorShape OverrideShape() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::ArrowCursor;
}

class SplashDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testing::QtApp();
        InitResources();
    }
    void TearDown() override { EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr); }

    // Runs the dialog modally, calling `during` once its loop runs; a watchdog ends a
    // dialog that would otherwise never return, with a result no test expects.
    static int Run(CSplashDlg& dlg, std::function<void()> during = {}) {
        if (during)
            QTimer::singleShot(0, &dlg, during);
        QTimer::singleShot(60000, &dlg, [&dlg] { dlg.done(99); });
        return dlg.exec();
    }
};

TEST_F(SplashDlgTest, OwnTimerEndsItRejectedEveryTimeItRuns) {
    CSplashDlg dlg(nullptr, 1);
    EXPECT_EQ(Run(dlg), QDialog::Rejected);
    EXPECT_TRUE(dlg.finished());
    EXPECT_EQ(Run(dlg), QDialog::Rejected);
}

TEST_F(SplashDlgTest, AnyTimerEndsTheWaitCursorBusyCursorStaysUntilDestroyed) {
    {
        CSplashDlg dlg(nullptr, kNever);
        Qt::CursorShape during = Qt::ArrowCursor;
        const int result = Run(dlg, [&] {
            during = OverrideShape();
            // Not the dialog's own timer: an unrelated one still ends the wait.
            QCoreApplication::postEvent(&dlg, new QTimerEvent(1234));
        });
        EXPECT_EQ(result, QDialog::Rejected);
        EXPECT_EQ(during, Qt::WaitCursor);
        EXPECT_EQ(OverrideShape(), Qt::BusyCursor);
    }
    // TearDown checks that nothing is left overridden.
}

TEST_F(SplashDlgTest, TakesNoInputAndCannotBeClosed) {
    CSplashDlg dlg(nullptr, kNever);
    bool visibleAfterInput = false;
    bool enabled = true;
    Run(dlg, [&] {
        enabled = dlg.isEnabled();
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QTest::keyClick(&dlg, Qt::Key_Return);
        QTest::mouseClick(&dlg, Qt::LeftButton, {}, QPoint(300, 200));
        QTest::mouseClick(&dlg, Qt::RightButton, {}, QPoint(10, 10));
        dlg.close();
        QCoreApplication::processEvents();
        visibleAfterInput = dlg.isVisible() && !dlg.finished();
        QCoreApplication::postEvent(&dlg, new QTimerEvent(1));
    });
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(visibleAfterInput);
}

TEST_F(SplashDlgTest, ShowsTheStartUpPictureCentredOnTheScreen) {
    const QImage picture = LoadPicture(ids::kBitmapSplash);
    ASSERT_EQ(picture.size(), QSize(CSplashDlg::kWidth, CSplashDlg::kHeight));

    CSplashDlg dlg(nullptr, kNever);
    QRect geometry;
    QImage shown;
    Run(dlg, [&] {
        geometry = dlg.geometry();
        shown = dlg.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCoreApplication::postEvent(&dlg, new QTimerEvent(1));
    });
    EXPECT_EQ(geometry.size(), QSize(600, 430));
    const QRect area = dlg.screen()->availableGeometry();
    EXPECT_LE((geometry.center() - area.center()).manhattanLength(), 2);
    ASSERT_EQ(shown.size(), picture.size());
    EXPECT_EQ(shown, picture.convertToFormat(QImage::Format_RGB32));
}

}  // namespace
}  // namespace tavelin
