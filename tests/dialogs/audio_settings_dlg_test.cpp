#include "dialogs/AudioSettingsDlg.h"

#include <gtest/gtest.h>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "dialogs/RecordSettingsLaunchers.h"
#include "tests/dialogs/RecordSettingsFakes.h"
#include "tests/support/QtApp.h"
#include "widgets/HoverButton.h"

namespace tavelin {
namespace {

using testing::Child;
using testing::Click;

class AudioSettingsDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::QtApp(); }
    void Open() {
        dlg_ = std::make_unique<CAudioSettingsDlg>(nullptr, stored_);
        dlg_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
    }
    bool Checked(const char* radio) const { return Child<QRadioButton>(*dlg_, radio)->isChecked(); }

    std::int8_t stored_ = 1;  // what the dialog opens on
    std::unique_ptr<CAudioSettingsDlg> dlg_;
};

TEST_F(AudioSettingsDlgTest, OpensOnTheStoredStream) {
    struct Case {
        int stored;
        const char* radio;
    };
    for (const Case c : {Case{2, "videoRadio"}, Case{-1, "noneRadio"}, Case{0, "audioRadio"}}) {
        stored_ = static_cast<std::int8_t>(c.stored);
        Open();
        EXPECT_TRUE(Checked(c.radio)) << c.stored;
        EXPECT_EQ(dlg_->masterStream(), c.stored) << "opening stores nothing";
    }
    EXPECT_EQ(dlg_->windowTitle(), QStringLiteral("Audio settings"));
    EXPECT_NE(qobject_cast<CHoverButton*>(Child<QPushButton>(*dlg_, "okButton")), nullptr);
}

TEST_F(AudioSettingsDlgTest, EachClickStoresAtOnceWhateverClosesTheDialog) {
    stored_ = 2;
    Open();
    Click(*dlg_, "noneRadio");
    EXPECT_EQ(dlg_->masterStream(), -1);
    dlg_->close();  // the close box
    EXPECT_EQ(dlg_->masterStream(), -1);

    Open();
    Click(*dlg_, "audioRadio");
    EXPECT_EQ(dlg_->masterStream(), 1);
    Click(*dlg_, "videoRadio");
    QTest::keyClick(dlg_.get(), Qt::Key_Escape);
    EXPECT_EQ(dlg_->masterStream(), 2);
}

TEST_F(AudioSettingsDlgTest, LauncherPausesTheFrameStepWhileTheDialogIsUp) {
    testing::FakeRecordSettingsHost host;
    bool pausedInside = false;
    testing::WhenOpened<CAudioSettingsDlg>([&](CAudioSettingsDlg& dlg) {
        pausedInside = host.paused;
        Click(dlg, "noneRadio");
        Click(dlg, "okButton");
    });
    RecordingChoices choices;
    RunAudioSettings(host, nullptr, choices);
    EXPECT_TRUE(pausedInside);
    EXPECT_EQ(host.pauseCalls, (std::vector<bool>{true, false}));
    EXPECT_EQ(choices.masterStream, -1);
}

}  // namespace
}  // namespace tavelin
