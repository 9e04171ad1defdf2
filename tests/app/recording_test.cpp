#include <gtest/gtest.h>
#include <unistd.h>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/AppPaths.h"
#include "app/MainDlg.h"
#include "core/Messages.h"
#include "core/RecordFailure.h"
#include "resources/ResourceIds.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/QtApp.h"
#include "widgets/PreviewWindow.h"
#include "widgets/SkinButton.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;

using testing::ReadBytes;
using testing::WaitFor;

// What ffprobe says of a file: one "key=value" per line.
std::string Probe(const fs::path& file, const char* entries) {
    QProcess ffprobe;
    ffprobe.start(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
         QString::fromLatin1(entries), QStringLiteral("-of"),
         QStringLiteral("default=noprint_wrappers=1"), QString::fromStdString(file.string())});
    ffprobe.waitForFinished(30000);
    return ffprobe.readAllStandardOutput().toStdString();
}

double ProbeNumber(const std::string& text, const std::string& key) {
    const std::size_t at = text.find(key + "=");
    return at == std::string::npos ? -1.0 : std::atof(text.c_str() + at + key.size() + 1);
}

class RecordingTest : public testing::DataFolderTest {
protected:
    void TearDown() override {
        dialog_.reset();
        ::unsetenv("TAVELIN_TEST_CAMERA_STOP_AFTER");
        DataFolderTest::TearDown();
    }
    void Start(const char* counter = nullptr) {
        if (counter != nullptr)
            std::ofstream(dir_ / "Pellor.inf") << counter;
        MainDlgSeams seams;
        seams.notices = &notices_;
        seams.alarm = &alarm_;
        seams.splashMs = 0;
        seams.trayAvailable = [] { return false; };
        dialog_ = std::make_unique<CMainDlg>(seams);
        ASSERT_TRUE(dialog_->OnInitDialog());
        dialog_->show();
        ASSERT_TRUE(testing::WaitForFrames(dialog_->tick(), 1));
    }
    void Click(int id) { QTest::mouseClick(dialog_->button(id), Qt::LeftButton); }
    std::string Counter() { return ReadBytes(dir_ / "Pellor.inf"); }

    testing::FakeNotices notices_;
    testing::FakeAlarm alarm_;
    std::unique_ptr<CMainDlg> dialog_;
};

TEST_F(RecordingTest, NumberedRecordingMakesAPlayableFileAndAdvancesTheCounter) {
    Start("9");
    const fs::path file = dir_ / "Tavelin-00009.avi";
    EXPECT_EQ(dialog_->aviPathText().toStdString(), file.string());
    Click(ids::kRecorder);
    ASSERT_TRUE(dialog_->session().recording())
        << (notices_.shown.empty() ? "" : notices_.shown[0].first);
    EXPECT_EQ(Counter(), "10");
    EXPECT_TRUE(dialog_->button(ids::kRecordLight)->isVisible());
    EXPECT_TRUE(dialog_->blinkTimerActive());
    EXPECT_FALSE(dialog_->button(ids::kSize640)->isEnabled());
    ASSERT_TRUE(testing::WaitForFrames(dialog_->tick(), 40));  // two seconds of recording
    EXPECT_GT(dialog_->previewWindow()->picture().width(), 0);
    Click(ids::kRecorder);
    // The file is finished on the graph's time; the window goes on meanwhile.
    ASSERT_TRUE(WaitFor([this] { return !dialog_->session().recording(); }));
    EXPECT_TRUE(dialog_->button(ids::kSize640)->isEnabled());
    EXPECT_FALSE(dialog_->button(ids::kRecordLight)->isVisible());
    EXPECT_TRUE(notices_.shown.empty());

    const std::string probe = Probe(file, "stream=codec_type,width,height:format=duration");
    EXPECT_NE(probe.find("codec_type=video"), std::string::npos) << probe;
    EXPECT_EQ(ProbeNumber(probe, "width"), 320);
    EXPECT_EQ(ProbeNumber(probe, "height"), 240);
    EXPECT_GT(ProbeNumber(probe, "duration"), 1.0);

    // The next start takes the next number; the stop pressed while it starts follows.
    Click(ids::kRecorder);
    EXPECT_EQ(dialog_->aviPathText().toStdString(), (dir_ / "Tavelin-00010.avi").string());
    Click(ids::kRecorder);
    EXPECT_EQ(Counter(), "11");
    ASSERT_TRUE(WaitFor([this] { return !dialog_->session().recording(); }));
    EXPECT_TRUE(fs::exists(dir_ / "Tavelin-00010.avi"));
}

TEST_F(RecordingTest, TypedNameKeepsTheCounterAndClearsTheFlag) {
    Start("0");
    const fs::path mine = dir_ / "mine.avi";
    dialog_->WriteAviPathText(mine.string());
    dialog_->session().settings().recording.useTypedNameOnce = true;
    Click(ids::kRecorder);
    ASSERT_TRUE(dialog_->session().recording());
    EXPECT_FALSE(dialog_->session().settings().recording.useTypedNameOnce);
    EXPECT_EQ(Counter(), "0");
    ASSERT_TRUE(testing::WaitForFrames(dialog_->tick(), 10));
    Click(ids::kRecorder);
    ASSERT_TRUE(WaitFor([this] { return !dialog_->session().recording(); }));
    EXPECT_TRUE(fs::exists(mine));
    EXPECT_EQ(Counter(), "0");
}

TEST_F(RecordingTest, FailedStartGivesTheNumberBackAndLeavesNoFile) {
    Start("0");
    const fs::path locked = dir_ / "locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    const bool rootCanWrite = ::access(locked.c_str(), W_OK) == 0;
    dialog_->WriteAviPathText((dir_ / "missing" / "Tavelin-00000.avi").string());
    Click(ids::kRecorder);
    EXPECT_FALSE(dialog_->session().recording());
    ASSERT_EQ(notices_.shown.size(), 1u);
    // The file is at fault, not the compressor: the message says so.
    EXPECT_EQ(notices_.shown[0].first, msg::RecordFileFailed(FileFailureText(ENOENT)));
    EXPECT_EQ(Counter(), "0");
    EXPECT_TRUE(dialog_->frameTimerActive()) << "the preview comes back";
    EXPECT_FALSE(dialog_->tick().busy());

    if (!rootCanWrite) {
        notices_.shown.clear();
        dialog_->WriteAviPathText((locked / "Tavelin-00000.avi").string());
        Click(ids::kRecorder);
        EXPECT_FALSE(dialog_->session().recording());
        EXPECT_EQ(notices_.shown.size(), 1u);
        EXPECT_EQ(Counter(), "0");
        EXPECT_TRUE(fs::is_empty(locked));
    }
    fs::permissions(locked, fs::perms::owner_all);
}

TEST_F(RecordingTest, EnlargedSizesRecordAt640x480) {
    Start("3");
    Click(ids::kSize1280);
    ASSERT_TRUE(testing::WaitForFrames(dialog_->tick(), 1));
    ASSERT_EQ(dialog_->tick().frameWidth(), 1280);
    Click(ids::kRecorder);
    ASSERT_GE(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first,
              "Not all video size are compatible!\r\n\r\nAuto adjust video size : 640x480.\r\n");
    EXPECT_TRUE(dialog_->session().recording());
    EXPECT_EQ(dialog_->tick().frameWidth(), 640);
    EXPECT_FALSE(dialog_->tick().enlarge());
    EXPECT_EQ(dialog_->capture().width(), 640);
    QApplication::processEvents();
    EXPECT_TRUE(dialog_->button(ids::kSize640)->GetCheck());
    ASSERT_TRUE(testing::WaitForFrames(dialog_->tick(), 6));
    Click(ids::kRecorder);
    EXPECT_EQ(dialog_->tick().frameWidth(), 640);
}

TEST_F(RecordingTest, CameraLostWhileRecordingFinishesTheFile) {
    // The camera runs on through the recording's start: it stops two seconds after its own.
    ::setenv("TAVELIN_TEST_CAMERA_STOP_AFTER", "60", 1);
    Start("5");
    ::unsetenv("TAVELIN_TEST_CAMERA_STOP_AFTER");
    Click(ids::kRecorder);
    ASSERT_TRUE(dialog_->session().recording());
    // The tick notices once no frame came for the frame limit.
    ASSERT_TRUE(WaitFor([this] { return !notices_.shown.empty(); }, 20000));
    ASSERT_EQ(notices_.shown.size(), 1u);
    // The camera, not the compressor, is named as the cause.
    EXPECT_EQ(notices_.shown[0].first, msg::kRecordCameraStopped);
    EXPECT_FALSE(dialog_->session().recording());
    EXPECT_TRUE(dialog_->frameTimerActive()) << "the preview came back";
    const std::string probe = Probe(dir_ / "Tavelin-00005.avi", "format=duration");
    EXPECT_GT(ProbeNumber(probe, "duration"), 0.3) << "the file recorded so far is playable";
}

}  // namespace
}  // namespace tavelin

namespace tavelin {
namespace {

TEST_F(RecordingTest, CounterSetInVideoSettingsNumbersTheNextRecording) {
    Start("3");
    testing::WhenOpened<QDialog>([](QDialog& dialog) {
        testing::Type(testing::Child<QLineEdit>(dialog, "counterEdit"), QStringLiteral("20"));
        testing::Click(dialog, "okButton");
    });
    Click(ids::kVideoSettings);
    EXPECT_FALSE(dialog_->tick().pauseRequest());
    EXPECT_EQ(Counter(), "20");
    const fs::path file = dir_ / "Tavelin-00020.avi";
    EXPECT_EQ(dialog_->aviPathText().toStdString(), file.string());
    Click(ids::kRecorder);
    ASSERT_TRUE(dialog_->session().recording());
    ASSERT_TRUE(testing::WaitForFrames(dialog_->tick(), 6));
    Click(ids::kRecorder);
    ASSERT_TRUE(WaitFor([this] { return !dialog_->session().recording(); }));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(Counter(), "21");
}

TEST_F(RecordingTest, RecordSettingsTypedPathIsUsedOnceAndTheListsFollow) {
    Start("0");
    const fs::path mine = dir_ / "holiday.avi";
    testing::WhenOpened<QDialog>([&mine](QDialog& dialog) {
        testing::Type(testing::Child<QLineEdit>(dialog, "outputPathEdit"),
                      QString::fromStdString(mine.string()));
        testing::Click(dialog, "okButton");
    });
    // The launcher is a hidden button; its click still runs the command.
    dialog_->button(ids::kRecordSettings)->setEnabled(true);
    dialog_->button(ids::kRecordSettings)->click();
    EXPECT_FALSE(dialog_->tick().pauseRequest());
    EXPECT_TRUE(dialog_->session().settings().recording.useTypedNameOnce);
    EXPECT_EQ(dialog_->aviPathText().toStdString(), mine.string());
    auto* videoList = qobject_cast<QComboBox*>(dialog_->control(ids::kVideoCompressorList));
    ASSERT_NE(videoList, nullptr);
    EXPECT_EQ(videoList->currentIndex(),
              dialog_->session().settings().recording.videoCompressorIndex);

    // A press during the pause after the dialog is not followed; a loaded machine may
    // still be in it.
    ASSERT_TRUE(WaitFor([this] { return !dialog_->tick().settling(); }));
    Click(ids::kRecorder);
    ASSERT_TRUE(dialog_->session().recording());
    ASSERT_TRUE(testing::WaitForFrames(dialog_->tick(), 6));
    Click(ids::kRecorder);
    ASSERT_TRUE(WaitFor([this] { return !dialog_->session().recording(); }));
    EXPECT_TRUE(fs::exists(mine));
    EXPECT_EQ(Counter(), "0");
}

// However the program is ended during a recording, the file is finished first: it has
// its index and plays.
enum class EndedBy { CloseButton, TrayExit, PreviewClosed };

class EndedWhileRecording : public RecordingTest, public ::testing::WithParamInterface<EndedBy> {};

TEST_P(EndedWhileRecording, LeavesAFinishedFile) {
    Start("2");
    Click(ids::kRecorder);
    ASSERT_TRUE(dialog_->session().recording());
    ASSERT_TRUE(testing::WaitForFrames(dialog_->tick(), 20));  // a second of recording
    switch (GetParam()) {
        case EndedBy::CloseButton:
            Click(ids::kClose);
            break;
        case EndedBy::TrayExit:
            dialog_->OnTrayCommand(ids::kTrayExit);
            break;
        case EndedBy::PreviewClosed:
            dialog_->previewWindow()->close();
            // The close reaches the window through the event loop.
            EXPECT_TRUE(WaitFor([this] { return !dialog_->isVisible(); }));
            break;
    }
    EXPECT_FALSE(dialog_->isVisible());
    const fs::path file = dir_ / "Tavelin-00002.avi";
    EXPECT_NE(ReadBytes(file).find("idx1"), std::string::npos) << "the AVI index was written";
    EXPECT_GT(ProbeNumber(Probe(file, "format=duration"), "duration"), 0.5);
}

INSTANTIATE_TEST_SUITE_P(Ways, EndedWhileRecording,
                         ::testing::Values(EndedBy::CloseButton, EndedBy::TrayExit,
                                           EndedBy::PreviewClosed),
                         [](const auto& info) {
                             switch (info.param) {
                                 case EndedBy::CloseButton:
                                     return "CloseButton";
                                 case EndedBy::TrayExit:
                                     return "TrayExit";
                                 case EndedBy::PreviewClosed:
                                     return "PreviewClosed";
                             }
                             return "";
                         });

}  // namespace
}  // namespace tavelin
