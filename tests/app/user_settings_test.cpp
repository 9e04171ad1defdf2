// Record on motion kept between runs: what the Monitor Settings dialog stores, what a
// new window starts with, and what a damaged settings file gives.

#include "app/UserSettings.h"

#include <gtest/gtest.h>
#include <QSpinBox>
#include <QTest>

#include <fstream>

#include "app/AppPaths.h"
#include "app/MainDlg.h"
#include "resources/ResourceIds.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/FrameTickFakes.h"
#include "ui/MonitorSettingsDlg.h"
#include "ui/SkinButton.h"

namespace tavelin {
namespace {

class UserSettingsTest : public testing::DataFolderTest {
protected:
    void WriteSettings(const std::string& text) {
        std::ofstream(CAppPaths::SettingsFile()) << text;
    }
    std::unique_ptr<CMainDlg> Window() {
        MainDlgSeams seams;
        seams.notices = &notices_;
        seams.alarm = &alarm_;
        seams.splashMs = 0;
        seams.trayAvailable = [] { return false; };
        return std::make_unique<CMainDlg>(seams);
    }

    testing::FakeNotices notices_;
    testing::FakeAlarm alarm_;
};

TEST_F(UserSettingsTest, MissingOrDamagedValuesReadAsDefaultsAndRanges) {
    struct Case {
        const char* file;
        MotionRecordSetup read;
    };
    for (const Case& c : {
             Case{"", {false, 3, 10}},
             Case{"[RecordOnMotion]\nenabled=true\nsecondsBefore=0\ncalmSeconds=300\n",
                  {true, 0, 300}},
             Case{"[RecordOnMotion]\nenabled=true\nsecondsBefore=99\ncalmSeconds=0\n",
                  {true, 10, 3}},
             Case{"[RecordOnMotion]\nsecondsBefore=many\ncalmSeconds=\n", {false, 3, 10}},
         }) {
        SCOPED_TRACE(c.file);
        WriteSettings(c.file);
        EXPECT_EQ(CUserSettings::LoadMotionRecord(), c.read);
    }
}

TEST_F(UserSettingsTest, TheMonitorDialogStoresItAndTheNextRunStartsWithIt) {
    {
        std::unique_ptr<CMainDlg> window = Window();
        ASSERT_TRUE(window->OnInitDialog());
        EXPECT_EQ(window->session().settings().monitor.motionRecord, MotionRecordSetup());
        testing::WhenOpened<CMonitorSettingsDlg>([](CMonitorSettingsDlg& dialog) {
            testing::Click(dialog, "recordBox");
            testing::Child<QSpinBox>(dialog, "beforeSpin")->setValue(5);
            testing::Child<QSpinBox>(dialog, "calmSpin")->setValue(42);
            testing::Click(dialog, "okButton");
        });
        window->button(ids::kMonitor)->click();
        EXPECT_EQ(window->session().settings().monitor.motionRecord,
                  (MotionRecordSetup{true, 5, 42}));
        EXPECT_TRUE(window->tick().monitor.monitorOn);
    }
    EXPECT_EQ(CUserSettings::LoadMotionRecord(), (MotionRecordSetup{true, 5, 42}));
    std::unique_ptr<CMainDlg> next = Window();
    EXPECT_EQ(next->session().settings().monitor.motionRecord, (MotionRecordSetup{true, 5, 42}));
    EXPECT_FALSE(next->tick().monitor.monitorOn) << "the monitor starts when the user says";
}

}  // namespace
}  // namespace tavelin
