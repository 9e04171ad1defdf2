#include "dialogs/MonitorSettingsDlg.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimerEvent>

#include "core/Messages.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/FakeFileChooser.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/LogLines.h"
#include "tests/support/QtApp.h"
#include "widgets/HoverButton.h"

namespace tavelin {
namespace {

class FakePreview : public ISoundPreview {
public:
    void Start(const std::string& path) override { calls.push_back("start " + path); }
    void Stop() override { calls.push_back("stop"); }
    std::vector<std::string> calls;
};

const QString kDir = QStringLiteral("/opt/tavelin");
const QString kStillDir = QStringLiteral("/home/me/Pictures");
std::string Sound(int n) {
    return (kDir + "/Alarm/" + QString::number(n) + ".wav").toStdString();
}

class MonitorSettingsDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::QtApp(); }

    void Open(std::uint8_t mode, bool noAudio = false) {
        stored_.monitorMode = mode;
        std::tm now{};
        now.tm_hour = 7;
        now.tm_min = 5;
        now.tm_sec = 9;
        dlg_ = std::make_unique<CMonitorSettingsDlg>(nullptr, stored_, preview_, noAudio, notices_,
                                                     files_, kDir, kStillDir, now);
        dlg_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
    }
    template <class T = QPushButton>
    T* Get(const char* name) const {
        T* child = testing::Child<T>(*dlg_, name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void Click(const char* name) const { testing::Click(*dlg_, name); }

    FakePreview preview_;
    testing::FakeNotices notices_;
    testing::FakeFileChooser files_;
    MonitorSetup stored_;  // what the dialog opens on
    std::unique_ptr<CMonitorSettingsDlg> dlg_;
};

TEST_F(MonitorSettingsDlgTest, EveryCombinationOfBoxesStoresItsModeCode) {
    struct Case {
        bool scan, still, alarm;
        int mode;
    };
    for (const Case& c : {Case{0, 0, 0, 0}, Case{1, 0, 0, 2}, Case{0, 0, 1, 3}, Case{0, 1, 0, 4},
                          Case{1, 0, 1, 5}, Case{1, 1, 0, 6}, Case{0, 1, 1, 7}, Case{1, 1, 1, 9}}) {
        stored_ = MonitorSetup();
        Open(0);
        if (c.scan)
            Click("scanBox");
        if (c.still)
            Click("stillBox");
        if (c.alarm)
            Click("alarmBox");
        Get<QLineEdit>("stillPathEdit")->setText(QStringLiteral("/cam/typed.bmp"));
        Click("okButton");
        EXPECT_EQ(dlg_->result(), QDialog::Accepted);
        EXPECT_EQ(dlg_->setup().monitorMode, c.mode);
        // The typed path counts only with the still box ticked.
        EXPECT_EQ(dlg_->setup().motionShotPath, c.still ? "/cam/typed.bmp" : "") << c.mode;
    }
}

TEST_F(MonitorSettingsDlgTest, OpeningReflectsTheModeAndStartsOnTheFirstSound) {
    for (int mode : {255, 0, 2, 3, 4, 5, 6, 7, 9}) {
        Open(static_cast<std::uint8_t>(mode));
        const bool scan = mode == 2 || mode == 5 || mode == 6 || mode == 9;
        const bool alarm = mode == 3 || mode == 5 || mode == 7 || mode == 9;
        const bool still = mode == 4 || mode == 6 || mode == 7 || mode == 9;
        SCOPED_TRACE(mode);
        EXPECT_EQ(Get<QCheckBox>("scanBox")->isChecked(), scan);
        EXPECT_EQ(Get<QCheckBox>("alarmBox")->isChecked(), alarm);
        EXPECT_EQ(Get<QCheckBox>("stillBox")->isChecked(), still);
        EXPECT_EQ(Get<QComboBox>("alarmList")->isEnabled(), alarm);
        EXPECT_EQ(Get("playButton")->isEnabled(), alarm);
        EXPECT_EQ(Get<QLineEdit>("stillPathEdit")->isEnabled(), still);
        EXPECT_EQ(Get("browseButton")->isEnabled(), still);
    }
    EXPECT_EQ(Get<QLineEdit>("stillPathEdit")->text(), kStillDir + "/MOTION[07-05-09].bmp");
    auto* sounds = Get<QComboBox>("alarmList");
    ASSERT_EQ(sounds->count(), 7);
    EXPECT_EQ(sounds->itemText(3), QStringLiteral("barking dog"));
    EXPECT_EQ(sounds->currentIndex(), 0);
    const auto buttons = dlg_->findChildren<QPushButton*>();
    EXPECT_EQ(buttons.size(), 4);  // Browse, Play, Alerts..., OK
    for (QPushButton* b : buttons) {
        EXPECT_NE(qobject_cast<CHoverButton*>(b), nullptr) << b->objectName().toStdString();
    }
}

// Record on motion comes in with the stored values, brought into range, and goes out
// on OK only; its numbers respond only while it is ticked; the mode code ignores it.
TEST_F(MonitorSettingsDlgTest, RecordOnMotionTakesItsValuesInAndGivesThemBackOnOk) {
    struct Case {
        MotionRecordSetup stored;
        bool accept;
        bool tick;  // click the box
        int before, calm;
        MotionRecordSetup shown, left;
    };
    const MotionRecordSetup defaults;
    for (const Case& c : {
             Case{defaults, true, true, 7, 45, {false, 3, 10}, {true, 7, 45}},
             Case{{true, 0, 300}, true, false, 10, 3, {true, 0, 300}, {true, 10, 3}},
             Case{{true, 2, 30}, false, true, 9, 9, {true, 2, 30}, {true, 2, 30}},
             Case{{true, 25, 1}, true, true, 4, 4, {true, 10, 3}, {false, 4, 4}},
         }) {
        SCOPED_TRACE(::testing::Message() << c.stored.secondsBefore << " " << c.accept);
        stored_ = MonitorSetup();
        stored_.motionRecord = c.stored;
        Open(3);
        auto* box = Get<QCheckBox>("recordBox");
        auto* before = Get<QSpinBox>("beforeSpin");
        auto* calm = Get<QSpinBox>("calmSpin");
        EXPECT_EQ(box->isChecked(), c.shown.enabled);
        EXPECT_EQ(before->value(), c.shown.secondsBefore);
        EXPECT_EQ(calm->value(), c.shown.calmSeconds);
        EXPECT_EQ(before->isEnabled(), c.shown.enabled);
        EXPECT_EQ(calm->isEnabled(), c.shown.enabled);
        EXPECT_EQ(before->minimum(), 0);
        EXPECT_EQ(before->maximum(), 10);
        EXPECT_EQ(calm->minimum(), 3);
        EXPECT_EQ(calm->maximum(), 300);
        if (c.tick) {
            Click("recordBox");
            EXPECT_EQ(before->isEnabled(), !c.shown.enabled);
        }
        before->setValue(c.before);
        calm->setValue(c.calm);
        if (c.accept) {
            Click("okButton");
        } else {
            dlg_->reject();
        }
        EXPECT_EQ(dlg_->setup().motionRecord, c.left);
        EXPECT_EQ(dlg_->setup().monitorMode, 3) << "the mode code keeps its meaning";
    }
}

TEST_F(MonitorSettingsDlgTest, AlarmPathChangesOnTheAlarmBoxAndOnPlayNotOnTheList) {
    stored_.alarmSoundPath = "before";
    Open(0);
    auto* sounds = Get<QComboBox>("alarmList");
    sounds->setCurrentIndex(3);
    EXPECT_EQ(dlg_->setup().alarmSoundPath, "before");
    Click("alarmBox");
    EXPECT_EQ(dlg_->setup().alarmSoundPath, Sound(3));

    sounds->setCurrentIndex(5);
    EXPECT_EQ(dlg_->setup().alarmSoundPath, Sound(3));
    Click("playButton");
    EXPECT_EQ(dlg_->setup().alarmSoundPath, Sound(5));
    EXPECT_EQ(preview_.calls.back(), "start " + Sound(5));

    Click("playButton");
    QTest::keyClicks(sounds->lineEdit(), QStringLiteral("x"));  // typed: no list position
    Click("playButton");
    EXPECT_EQ(dlg_->setup().alarmSoundPath, (kDir + "/Alarm/-1.wav").toStdString());
}

TEST_F(MonitorSettingsDlgTest, PlayTwiceStopsThePreviewAndTimer10EndsIt) {
    Open(3);
    Click("playButton");
    EXPECT_TRUE(dlg_->playing());
    EXPECT_EQ(Get("playButton")->text(), QStringLiteral("Stop"));
    Click("playButton");
    EXPECT_FALSE(dlg_->playing());
    EXPECT_FALSE(dlg_->previewTimerActive());
    EXPECT_EQ(Get("playButton")->text(), QStringLiteral("Play"));
    EXPECT_EQ(preview_.calls, (std::vector<std::string>{"start " + Sound(0), "stop"}));

    Click("playButton");
    ASSERT_TRUE(dlg_->previewTimerActive());
    QTimerEvent tick(dlg_->previewTimerId());
    QCoreApplication::sendEvent(dlg_.get(), &tick);
    EXPECT_FALSE(dlg_->playing());
    EXPECT_FALSE(dlg_->previewTimerActive());
    EXPECT_EQ(Get("playButton")->text(), QStringLiteral("Play"));
    EXPECT_EQ(preview_.calls.back(), "stop");

    Click("playButton");
    QTest::keyClick(dlg_.get(), Qt::Key_Escape);  // closing ends it too, and stores no mode
    EXPECT_EQ(preview_.calls.back(), "stop");
    EXPECT_EQ(dlg_->result(), QDialog::Rejected);
    EXPECT_EQ(dlg_->setup().monitorMode, 3);
}

TEST_F(MonitorSettingsDlgTest, BrowseDeletesTheChosenFileAndKeepsItsPathEvenWhenCancelled) {
    QTemporaryDir dir;
    const QString chosen = dir.filePath(QStringLiteral("x.bmp"));
    QFile old(chosen);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();

    stored_.motionShotPath = "/before/a.bmp";
    Open(4);
    Click("browseButton");  // cancelled: nothing changes
    EXPECT_EQ(dlg_->setup().motionShotPath, "/before/a.bmp");
    files_.answer = chosen;
    Click("browseButton");
    ASSERT_EQ(files_.asked.size(), 2u);
    EXPECT_EQ(files_.asked[1].proposedName, QStringLiteral("/before/a.bmp"));
    EXPECT_EQ(files_.asked[1].nameFilters, QStringList{QStringLiteral("BMP Files (*.bmp)")});
    EXPECT_FALSE(QFile::exists(chosen));
    EXPECT_EQ(Get<QLineEdit>("stillPathEdit")->text(), chosen);

    Click("stillBox");
    dlg_->reject();
    EXPECT_EQ(dlg_->setup().motionShotPath, chosen.toStdString());
    EXPECT_EQ(dlg_->setup().monitorMode, 4);
}

TEST_F(MonitorSettingsDlgTest, WithoutAudioDevicePlayWarnsAndPlaysNothing) {
    Open(3, /*noAudio=*/true);
    testing::LogLines log;
    Click("playButton");
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, msg::kNoAudioDevice);
    EXPECT_TRUE(log.Has(LogArea::Monitor, LogLevel::Warning, {"no sound input device"}));
    EXPECT_EQ(notices_.shown[0].second, NoticeStyle::Warning);
    EXPECT_EQ(preview_.calls, std::vector<std::string>{"stop"});
}

}  // namespace
}  // namespace tavelin
