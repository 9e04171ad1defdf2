#include "dialogs/RecordSettingsDlg.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "dialogs/AudioSettingsDlg.h"
#include "dialogs/VideoSettingsDlg.h"
#include "tests/dialogs/RecordSettingsFakes.h"
#include "tests/support/QtApp.h"
#include "tests/support/UnwritableFolder.h"
#include "widgets/HoverButton.h"

namespace tavelin {
namespace {

using testing::Child;
using testing::Click;

class RecordSettingsDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::QtApp(); }
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        host_.counterFile = dir_.filePath(QStringLiteral("Pellor.inf")).toStdString();
        SetCounterFile("4");
        stored_.aviPath = In("Tavelin-00004.avi");
        lists_.videoCompressors = {"Cinepak", "Intel Indeo(R) Video 5", "x264enc", "Theora"};
        lists_.audioDevices = {"Built-in Mic", "USB Mic"};
        lists_.audioCompressors = {"GSM", "PCM", "MPEG Layer-3"};
    }

    std::string In(const char* name) const {
        return dir_.filePath(QString::fromLatin1(name)).toStdString();
    }
    void SetCounterFile(const char* text) const {
        testing::WriteText(QString::fromStdString(host_.counterFile), text);
    }
    void Open() {
        dlg_ = std::make_unique<CRecordSettingsDlg>(nullptr, host_, lists_, stored_);
        dlg_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
    }
    QComboBox* List(const char* name) const { return Child<QComboBox>(*dlg_, name); }
    QLineEdit* OutputPath() const { return Child<QLineEdit>(*dlg_, "outputPathEdit"); }
    QPushButton* EnableAudio() const { return Child<QPushButton>(*dlg_, "enableAudioButton"); }
    void TypeOutputPath(const std::string& path) const {
        testing::Type(OutputPath(), QString::fromStdString(path));
    }

    QTemporaryDir dir_;
    testing::FakeRecordSettingsHost host_;
    CodecLists lists_;
    RecordingChoices stored_;  // what the dialog opens on
    std::unique_ptr<CRecordSettingsDlg> dlg_;
};

TEST_F(RecordSettingsDlgTest, OpensOnTheStoredPathAndSelections) {
    stored_.videoCompressorIndex = 3;
    stored_.audioCompressorIndex = 2;
    stored_.audioDeviceIndex = 1;
    Open();
    EXPECT_EQ(OutputPath()->text().toStdString(), In("Tavelin-00004.avi"));
    EXPECT_EQ(List("videoCompressorList")->count(), 4);
    EXPECT_EQ(List("videoCompressorList")->currentIndex(), 3);
    EXPECT_EQ(List("audioCompressorList")->currentIndex(), 2);
    EXPECT_EQ(List("audioDeviceList")->currentIndex(), 0) << "the device starts at the first";
    EXPECT_EQ(dlg_->choices().audioDeviceIndex, 0);
    EXPECT_EQ(dlg_->windowTitle(), QStringLiteral("Record settings"));
    const auto buttons = dlg_->findChildren<QPushButton*>();
    EXPECT_EQ(buttons.size(), 4);
    for (QPushButton* b : buttons) {
        EXPECT_NE(qobject_cast<CHoverButton*>(b), nullptr) << b->objectName().toStdString();
    }

    lists_.audioDevices.clear();
    lists_.audioDevicesListed = false;
    Open();
    ASSERT_EQ(List("audioDeviceList")->count(), 1);
    EXPECT_EQ(List("audioDeviceList")->itemText(0), QStringLiteral("None"));
    EXPECT_FALSE(EnableAudio()->isEnabled());
}

TEST_F(RecordSettingsDlgTest, EnableAudioTogglesTheMainWindowAndNamesWhatItWillDoNext) {
    Open();
    EXPECT_EQ(EnableAudio()->text(), QStringLiteral("Enable audio"));
    Click(*dlg_, "enableAudioButton");
    EXPECT_EQ(host_.audioToggles, 1);
    EXPECT_EQ(EnableAudio()->text(), QStringLiteral("Disable audio"));
    Click(*dlg_, "enableAudioButton");
    EXPECT_EQ(host_.audioToggles, 2);
    EXPECT_EQ(EnableAudio()->text(), QStringLiteral("Enable audio"));
}

// The longer caption fits its button clear of the frames drawn inside it, and a click
// moves nothing: the other buttons keep their size.
TEST_F(RecordSettingsDlgTest, DisableAudioFitsItsButtonAndNothingMoves) {
    Open();
    QPushButton* button = EnableAudio();
    const QRect before = button->geometry();
    std::vector<QSize> others;
    for (const char* name : {"audioSettingsButton", "videoSettingsButton", "okButton"})
        others.push_back(Child<QPushButton>(*dlg_, name)->size());
    Click(*dlg_, "enableAudioButton");
    QApplication::processEvents();
    ASSERT_EQ(button->text(), QStringLiteral("Disable audio"));
    const int caption = button->fontMetrics().horizontalAdvance(button->text());
    EXPECT_LE(caption + 2 * (kHoverButtonEdge + 4), button->width())
        << caption << " in " << button->width();
    EXPECT_EQ(button->geometry(), before);
    int i = 0;
    for (const char* name : {"audioSettingsButton", "videoSettingsButton", "okButton"})
        EXPECT_EQ(Child<QPushButton>(*dlg_, name)->size(), others[i++]) << name;
}

TEST_F(RecordSettingsDlgTest, OkStoresSelectionsAndMakesOnlyOtherNamesTyped) {
    struct Case {
        const char* output;  // null: left as it opened
        const char* inFile;
        bool typedBefore;
        const char* aviPath;
        bool typedAfter;
    };
    for (const Case& c : {
             // Unchanged: a typed name chosen in Video settings stays pending.
             Case{nullptr, "4", true, "Tavelin-00004.avi", true},
             Case{"holiday.avi", "4", false, "holiday.avi", true},
             // The counter has moved on: the old numbered name is now a name of its own.
             Case{nullptr, "9", false, "Tavelin-00004.avi", true},
         }) {
        SCOPED_TRACE(c.aviPath);
        stored_.aviPath = In("Tavelin-00004.avi");
        stored_.useTypedNameOnce = c.typedBefore;
        SetCounterFile(c.inFile);
        Open();
        if (c.output != nullptr)
            TypeOutputPath(In(c.output));
        List("videoCompressorList")->setCurrentIndex(2);
        List("audioDeviceList")->setCurrentIndex(1);
        Click(*dlg_, "okButton");
        EXPECT_EQ(dlg_->result(), QDialog::Accepted);
        const RecordingChoices& left = dlg_->choices();
        EXPECT_EQ(left.aviPath, In(c.aviPath));
        EXPECT_EQ(left.useTypedNameOnce, c.typedAfter);
        EXPECT_EQ(left.videoCompressorIndex, 2);
        EXPECT_EQ(left.audioCompressorIndex, 0);
        EXPECT_EQ(left.audioDeviceIndex, 1);
    }
    EXPECT_TRUE(host_.notices.empty());
}

TEST_F(RecordSettingsDlgTest, UnusableFolderKeepsTheDialogOpenUnderAPauseRequest) {
    Open();
    List("videoCompressorList")->setCurrentIndex(3);
    TypeOutputPath(In("missing/holiday.avi"));
    Click(*dlg_, "okButton");
    bool lockedTried = false;
    {
        testing::UnwritableFolder locked;
        lockedTried = locked.ready();
        if (lockedTried) {
            TypeOutputPath(locked.path() + "/holiday.avi");
            Click(*dlg_, "okButton");
        }
    }
    ASSERT_EQ(host_.notices.size(), lockedTried ? 2u : 1u);
    EXPECT_EQ(host_.notices[0].text, kSavePathMissing);
    if (lockedTried) {
        EXPECT_EQ(host_.notices[1].text, kSavePathNotWritable);
    }
    for (const auto& notice : host_.notices) {
        EXPECT_EQ(notice.style, NoticeStyle::Warning);
        EXPECT_TRUE(notice.paused);
    }
    EXPECT_FALSE(host_.paused);
    EXPECT_TRUE(dlg_->isVisible());
    EXPECT_EQ(dlg_->choices().aviPath, In("Tavelin-00004.avi"));
    EXPECT_FALSE(dlg_->choices().useTypedNameOnce);
    EXPECT_EQ(dlg_->choices().videoCompressorIndex, 3) << "the selections are stored first";
}

TEST_F(RecordSettingsDlgTest, SettingsButtonsOpenTheOtherDialogsUnderAPauseRequest) {
    Open();
    TypeOutputPath(In("draft.avi"));
    testing::WhenOpened<CVideoSettingsDlg>([&](CVideoSettingsDlg& dlg) {
        EXPECT_TRUE(host_.paused);
        testing::Type(Child<QLineEdit>(dlg, "counterEdit"), QStringLiteral("31"));
        Click(dlg, "okButton");
    });
    Click(*dlg_, "videoSettingsButton");
    EXPECT_EQ(OutputPath()->text().toStdString(), In("Tavelin-00031.avi"));

    TypeOutputPath(In("draft.avi"));
    testing::WhenOpened<CVideoSettingsDlg>([](CVideoSettingsDlg& dlg) { dlg.reject(); });
    Click(*dlg_, "videoSettingsButton");
    EXPECT_EQ(OutputPath()->text().toStdString(), In("draft.avi")) << "cancelled: kept";

    testing::WhenOpened<CAudioSettingsDlg>([&](CAudioSettingsDlg& dlg) {
        EXPECT_TRUE(host_.paused);
        Click(dlg, "noneRadio");
        Click(dlg, "okButton");
    });
    Click(*dlg_, "audioSettingsButton");
    EXPECT_EQ(dlg_->choices().masterStream, -1);
    EXPECT_EQ(host_.pauseCalls, (std::vector<bool>{true, false, true, false, true, false}));
    EXPECT_TRUE(dlg_->isVisible());
}

}  // namespace
}  // namespace tavelin
