#include <gtest/gtest.h>
#include <unistd.h>
#include <QImage>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#include "app/AppPaths.h"
#include "app/MainDlg.h"
#include "core/FrameFormat.h"
#include "resources/ResourceIds.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/FakeFileChooser.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/QtApp.h"
#include "widgets/SkinButton.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;

using testing::ReadBytes;
using testing::WaitFor;

// A save dialog that stays open until the frame step has written the snapshot's
// temporary picture, as a person takes a moment to answer it; it keeps a copy of that
// picture for comparison.
class PatientFileChooser : public testing::FakeFileChooser {
public:
    std::optional<QString> SaveFileName(QWidget* parent, const QString& proposedName,
                                        const QString& defaultSuffix,
                                        const QStringList& nameFilters) override {
        if (whileOpen)
            whileOpen();
        if (dialog != nullptr) {
            WaitFor([this] { return !dialog->tick().snapshotPending(); });
            temporaryCopy = ReadBytes(dialog->snapshotTempPath());
        }
        return FakeFileChooser::SaveFileName(parent, proposedName, defaultSuffix, nameFilters);
    }
    CMainDlg* dialog = nullptr;
    std::function<void()> whileOpen;
    std::string temporaryCopy;
};

class CommandsTest : public testing::DataFolderTest {
protected:
    void SetUp() override {
        DataFolderTest::SetUp();
        MainDlgSeams seams;
        seams.notices = &notices_;
        seams.alarm = &alarm_;
        seams.files = &files_;
        seams.clock = &clock_;
        seams.splashMs = 0;
        seams.trayAvailable = [] { return false; };
        dialog_ = std::make_unique<CMainDlg>(seams);
        files_.dialog = dialog_.get();
        ASSERT_TRUE(dialog_->OnInitDialog());
        dialog_->show();
    }
    void TearDown() override {
        dialog_.reset();
        ::unsetenv("TAVELIN_TEST_CAMERA_PATTERN");
        DataFolderTest::TearDown();
    }
    void Click(int id) { QTest::mouseClick(dialog_->button(id), Qt::LeftButton); }

    testing::FakeNotices notices_;
    testing::FakeAlarm alarm_;
    testing::FakeClock clock_;
    PatientFileChooser files_;
    std::unique_ptr<CMainDlg> dialog_;
};

TEST_F(CommandsTest, SnapshotAsJpegDecodesAtTheShownSize) {
    files_.answer = QString::fromStdString((dir_ / "SnapCap.jpg").string());
    Click(ids::kSnapShot);
    ASSERT_EQ(files_.asked.size(), 1u);
    EXPECT_EQ(files_.asked[0].proposedName, "SnapCap");
    EXPECT_EQ(files_.asked[0].nameFilters, QStringList({"JPG Files (*.jpg)", "BMP Files (*.bmp)"}));
    const QImage picture(QString::fromStdString((dir_ / "SnapCap.jpg").string()), "JPG");
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(320, 240));
    EXPECT_FALSE(fs::exists(dialog_->snapshotTempPath()));
}

TEST_F(CommandsTest, SnapshotAsBmpIsTheFrameOfTheClick) {
    const fs::path target = dir_ / "SnapCap.Bmp";
    std::ofstream(target) << "an older picture";
    files_.answer = QString::fromStdString(target.string());
    Click(ids::kSnapShot);
    const std::string saved = ReadBytes(target);
    ASSERT_EQ(saved.size(), 54 + FrameBytes(320, 240));
    EXPECT_EQ(saved, files_.temporaryCopy);
    EXPECT_EQ(saved.substr(0, 2), "BM");
    EXPECT_FALSE(fs::exists(dialog_->snapshotTempPath()));
}

TEST_F(CommandsTest, SnapshotAnsweredBeforeTheNextFrameIsStillSaved) {
    files_.dialog = nullptr;  // answers at once
    const fs::path target = dir_ / "quick.jpg";
    files_.answer = QString::fromStdString(target.string());
    Click(ids::kSnapShot);
    EXPECT_FALSE(QImage(QString::fromStdString(target.string()), "JPG").isNull());
    EXPECT_TRUE(notices_.shown.empty());
    EXPECT_FALSE(dialog_->tick().snapshotPending());
}

TEST_F(CommandsTest, SnapshotIntoAMissingFolderLeavesNothing) {
    files_.answer = QString::fromStdString((dir_ / "missing" / "x.jpg").string());
    Click(ids::kSnapShot);
    EXPECT_TRUE(notices_.shown.empty());
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
    EXPECT_FALSE(fs::exists(dialog_->snapshotTempPath()));
    EXPECT_FALSE(dialog_->tick().snapshotPending());
}

TEST_F(CommandsTest, CancelledSnapshotLeavesNothingAndASecondClickWhilePendingIsIgnored) {
    files_.whileOpen = [this] { Click(ids::kSnapShot); };
    Click(ids::kSnapShot);
    EXPECT_EQ(files_.asked.size(), 1u) << "one dialog for two quick clicks";
    EXPECT_FALSE(fs::exists(dialog_->snapshotTempPath()));
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(dir_))
        files.insert(e.path().filename());
    EXPECT_EQ(files, (std::set<std::string>{"Pellor.inf", ".Pellor.inf.lock"}))
        << "only the counter file and its lock";
}

TEST_F(CommandsTest, TimerShotCancelledWritesNothing) {
    const fs::path target = dir_ / "TimerCap.bmp";
    std::ofstream(target) << "an earlier timer shot";
    Click(ids::kTimerShot);
    EXPECT_TRUE(dialog_->tick().timedShotActive());
    EXPECT_FALSE(fs::exists(target)) << "arming removes the earlier file at once";
    Click(ids::kTimerShot);
    EXPECT_FALSE(dialog_->tick().timedShotActive());
    clock_.tick += 10000;
    ASSERT_TRUE(testing::WaitForFrames(dialog_->tick(), 5));
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(notices_.shown.empty());
}

TEST_F(CommandsTest, TimerShotWritesTheCountdownFrameAndSaysWhere) {
    dialog_->session().settings().timerShot.timerSeconds = 5;
    Click(ids::kTimerShot);
    const int framesBefore = dialog_->previewWindow() != nullptr ? 1 : 0;
    ASSERT_EQ(framesBefore, 1);
    clock_.tick += 1000;
    ASSERT_TRUE(WaitFor([this] { return dialog_->tick().timedShotElapsed() >= 1.0f; }));
    ASSERT_TRUE(testing::WaitForFrames(dialog_->tick(), 2));  // a frame with the countdown
    clock_.tick += 4000;
    ASSERT_TRUE(WaitFor([this] { return !notices_.shown.empty(); }));
    const fs::path target = dir_ / "TimerCap.bmp";
    EXPECT_EQ(notices_.shown[0].first, "Finish to timer shot.Save Image To :\n" + target.string());
    const std::string bytes = ReadBytes(target);
    ASSERT_EQ(bytes.size(), 54 + FrameBytes(320, 240));
    // Red ink of the countdown (00:04) stands 41 ... 57 rows below the top edge.
    bool ink = false;
    for (int row = 240 - 58; row <= 240 - 42 && !ink; ++row) {
        for (int x = 59; x < 59 + 5 * 14 && !ink; ++x) {
            const std::size_t i = 54 + (static_cast<std::size_t>(row) * 320 + x) * 3;
            ink = bytes[i] == 0 && bytes[i + 1] == 0 &&
                  static_cast<unsigned char>(bytes[i + 2]) == 255;
        }
    }
    EXPECT_TRUE(ink);
    EXPECT_FALSE(dialog_->tick().timedShotActive());
    EXPECT_TRUE(dialog_->frameTimerActive());
}

TEST_F(CommandsTest, ShowTimeAndAudioSwitches) {
    Click(ids::kShowTime);
    EXPECT_TRUE(dialog_->tick().showDateTime());
    Click(ids::kShowTime);
    EXPECT_FALSE(dialog_->tick().showDateTime());

    Click(ids::kEnableAudio);
    EXPECT_TRUE(dialog_->audioEnabled());
    EXPECT_TRUE(dialog_->button(ids::kAudioStrip)->isVisible());
    EXPECT_TRUE(dialog_->button(ids::kEnableAudio)->GetCheck()) << "shows Disable Audio";
    Click(ids::kEnableAudio);
    EXPECT_FALSE(dialog_->audioEnabled());
    EXPECT_FALSE(dialog_->button(ids::kAudioStrip)->isVisible());
}

// The synthetic camera has no V4L2 controls: Property says so instead of doing nothing.
TEST_F(CommandsTest, PropertyOnACameraWithoutSettingsSaysSo) {
    Click(ids::kProperty);
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, "This camera has no settings to change.");
    EXPECT_EQ(notices_.shown[0].second, NoticeStyle::Plain);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(dialog_->frameTimerActive());
}

TEST_F(CommandsTest, TrackingCountsObjectsAndWritesStillsIntoTheChosenFolder) {
    // Black and white frames in turn: every comparison sees the whole picture change.
    ::setenv("TAVELIN_TEST_CAMERA_PATTERN", "blink", 1);
    QTest::mouseClick(dialog_->button(ids::kSize320), Qt::LeftButton);  // rebuild with it
    const fs::path stills = dir_ / "cam";
    fs::create_directories(stills);
    dialog_->session().settings().monitor.monitorMode = 7;
    dialog_->session().settings().monitor.motionShotPath = (stills / "x.bmp").string();
    dialog_->ApplyMonitorSettings(true);
    EXPECT_TRUE(dialog_->tick().monitor().monitorOn);
    EXPECT_TRUE(dialog_->tick().monitorIndicator());
    EXPECT_TRUE(dialog_->blinkTimerActive());

    ASSERT_TRUE(WaitFor([this] { return dialog_->tick().monitor().objectCount >= 1; }));
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& e : fs::directory_iterator(stills)) {
            if (e.path().filename().string().rfind("MOTION[", 0) == 0)
                return true;
        }
        return false;
    }));
    EXPECT_FALSE(alarm_.played.empty()) << "mode 7 sounds the alarm too";

    dialog_->session().settings().monitor.monitorMode = 0;
    dialog_->ApplyMonitorSettings(true);
    EXPECT_FALSE(dialog_->tick().monitor().monitorOn);
    EXPECT_FALSE(dialog_->blinkTimerActive());
    EXPECT_TRUE(dialog_->tick().monitor().zoomFrame.empty());
}

}  // namespace
}  // namespace tavelin
