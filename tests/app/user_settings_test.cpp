// What is kept between runs: record on motion (the Monitor Settings dialog stores it, a
// new window starts watching with it), the camera and the storage limits chosen in the
// video settings, the alerts with the file's mode while it holds a password, the web page
// and RTSP share with the password from the environment, and what a damaged settings
// file gives.

#include "app/UserSettings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/AppPaths.h"
#include "app/MainDlg.h"
#include "core/FrameFormat.h"
#include "core/WebPassword.h"
#include "dialogs/AlertsDlg.h"
#include "dialogs/MonitorSettingsDlg.h"
#include "dialogs/VideoSettingsDlg.h"
#include "dialogs/WebShareDlg.h"
#include "resources/ResourceIds.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/WebSettingsPrint.h"
#include "widgets/SkinButton.h"

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

TEST_F(UserSettingsTest, StorageLimitsReadAsDefaultsWhereMissingOrDamagedAndInRange) {
    struct Case {
        const char* file;
        StorageLimits read;
    };
    for (const Case& c : {
             Case{"", {1024, 0, 0}},
             Case{"[Storage]\nkeepFreeMB=0\nmaxTotalMB=2000\nmaxAgeDays=7\n", {0, 2000, 7}},
             Case{"[Storage]\nkeepFreeMB=-5\nmaxTotalMB=99999999999\nmaxAgeDays=40000\n",
                  {0, StorageLimits::kMaxMB, StorageLimits::kMaxDays}},
             Case{"[Storage]\nkeepFreeMB=lots\nmaxTotalMB=\nmaxAgeDays=7.5\n", {1024, 0, 0}},
         }) {
        SCOPED_TRACE(c.file);
        WriteSettings(c.file);
        EXPECT_EQ(CUserSettings::LoadStorageLimits(), c.read);
    }
}

AlertSettings Alerts(const std::function<void(AlertSettings&)>& change) {
    AlertSettings alerts;
    change(alerts);
    return alerts;
}

TEST_F(UserSettingsTest, AlertSettingsComeBackAsStoredAndLeaveTheOtherGroupsAlone) {
    ASSERT_TRUE(CUserSettings::SaveMotionRecord({true, 5, 42}));
    for (const AlertSettings& stored : {
             AlertSettings(),
             Alerts([](AlertSettings& a) {
                 a.notifications = {false, 0};
                 a.events = {"notify-send \"Motion, at %t\" 'f = %f'", "/usr/bin/true",
                             "cp %f /mnt/nas/%n.avi", "logger -t cam ; lost # \\", "echo 100%%"};
                 a.mqtt = {"broker.lan",      8883,         "cam", "p@ss, w=rd;#\"\\x",
                           "/etc/ssl/ca.pem", "home/cam 1", false};
             }),
             Alerts([](AlertSettings& a) {
                 a.notifications.quietSeconds = NotificationSettings::kMaxQuietSeconds;
                 a.events.onStillSaved = "\u00e9cho [Mqtt] \u00e9t\u00e9=%f";
                 a.mqtt = {"192.168.1.2", 65535, "\u00fcser", "", "", "maison/cam\u00e9ra", true};
             }),
         }) {
        ASSERT_TRUE(CUserSettings::SaveAlerts(stored));
        EXPECT_EQ(CUserSettings::LoadAlerts(), stored) << stored.events.onMotionStart;
    }
    EXPECT_EQ(CUserSettings::LoadMotionRecord(), (MotionRecordSetup{true, 5, 42}));
}

TEST_F(UserSettingsTest, AlertSettingsReadAsDefaultsWhereMissingOrDamagedAndInRange) {
    struct Case {
        std::string file;
        AlertSettings read;
    };
    for (const Case& c : {
             Case{"", AlertSettings()},
             Case{"[Notifications]\ndesktop=false\nquietSeconds=-4\n[Mqtt]\nport=0\n",
                  Alerts([](AlertSettings& a) {
                      a.notifications = {false, 0};
                  })},
             Case{"[Notifications]\nquietSeconds=99999999999\n[Mqtt]\nport=70000\n"
                  "host=bad host\ntopic=home/#\nuser=me\n",
                  Alerts([](AlertSettings& a) {
                      a.notifications.quietSeconds = NotificationSettings::kMaxQuietSeconds;
                      a.mqtt.user = "me";
                  })},
             Case{"[Notifications]\nquietSeconds=soon\n[Mqtt]\nport=mqtt\ntopic=a/+/b\n"
                  "discovery=false\n",
                  Alerts([](AlertSettings& a) { a.mqtt.discovery = false; })},
             // Written by hand: an unquoted comma, and a line too long to be run.
             Case{"[Events]\nonMotionStart=notify-send a, b\nonMotionEnd=" +
                      std::string(4097, 'x') + "\nonCameraLost=" + std::string(4096, 'y') + "\n",
                  Alerts([](AlertSettings& a) {
                      a.events.onMotionStart = "notify-send a, b";
                      a.events.onCameraLost = std::string(4096, 'y');
                  })},
         }) {
        SCOPED_TRACE(c.file.substr(0, 120));
        WriteSettings(c.file);
        EXPECT_EQ(CUserSettings::LoadAlerts(), c.read);
    }
}

// The file is its owner's alone from the first write of a password on, and stays so; a
// file that never held one keeps the usual mode.
TEST_F(UserSettingsTest, TheFileHoldingThePasswordIsTheOwnersAlone) {
    struct Case {
        const char* writes;  // c: the camera, p/n: alerts with/without a password,
                             // h: a password written in by hand (mode 0644)
        bool holdsPassword;
        mode_t mode;
    };
    const mode_t umaskBefore = ::umask(022);
    for (const Case& c : {Case{"n", false, 0644}, Case{"cn", false, 0644}, Case{"p", true, 0600},
                          Case{"cp", true, 0600}, Case{"pc", true, 0600}, Case{"pn", false, 0600},
                          Case{"pnc", false, 0600}, Case{"hc", true, 0600}}) {
        SCOPED_TRACE(c.writes);
        const std::string path = CAppPaths::SettingsFile();
        std::filesystem::remove(path);
        AlertSettings alerts;
        for (const char* w = c.writes; *w != '\0'; ++w) {
            alerts.mqtt.password = *w == 'p' ? "s3cret" : "";
            if (*w == 'c')
                ASSERT_TRUE(CUserSettings::SaveCameraName("Cam"));
            else if (*w == 'h')
                WriteSettings("[Mqtt]\npassword=s3cret\n");
            else
                ASSERT_TRUE(CUserSettings::SaveAlerts(alerts));
        }
        struct stat status {};
        ASSERT_EQ(::stat(path.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, c.mode);
        std::ifstream file(path);
        const std::string text{std::istreambuf_iterator<char>(file), {}};
        EXPECT_EQ(text.find("s3cret") != std::string::npos, c.holdsPassword);
        EXPECT_EQ(CUserSettings::LoadAlerts().mqtt.password, c.holdsPassword ? "s3cret" : "");
    }
    ::umask(umaskBefore);
}

// The video settings' storage limits hold for the session at once and for the next run.
TEST_F(UserSettingsTest, TheVideoSettingsStoreTheStorageLimitsForTheNextRuns) {
    {
        std::unique_ptr<CMainDlg> window = Window();
        ASSERT_TRUE(window->OnInitDialog());
        QString shown;
        testing::WhenOpened<CVideoSettingsDlg>([&](CVideoSettingsDlg& dialog) {
            shown = testing::Child<QLineEdit>(dialog, "keepFreeEdit")->text();
            testing::Type(testing::Child<QLineEdit>(dialog, "keepFreeEdit"), QStringLiteral("0"));
            testing::Type(testing::Child<QLineEdit>(dialog, "maxAgeEdit"), QStringLiteral("14"));
            testing::Click(dialog, "okButton");
        });
        window->button(ids::kVideoSettings)->click();
        EXPECT_EQ(shown, QStringLiteral("1024"));
        EXPECT_EQ(window->session().settings().storage, (StorageLimits{0, 0, 14}));
        window->CloseProgram();
    }
    std::unique_ptr<CMainDlg> next = Window();
    EXPECT_EQ(next->session().settings().storage, (StorageLimits{0, 0, 14}));
    EXPECT_TRUE(notices_.shown.empty());
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
        EXPECT_TRUE(window->tick().monitor().monitorOn);
    }
    EXPECT_EQ(CUserSettings::LoadMotionRecord(), (MotionRecordSetup{true, 5, 42}));
    std::unique_ptr<CMainDlg> next = Window();
    EXPECT_EQ(next->session().settings().monitor.motionRecord, (MotionRecordSetup{true, 5, 42}));
    // Watching again after the start-up, without a dialog; the other functions last a run.
    ASSERT_TRUE(next->OnInitDialog());
    EXPECT_TRUE(next->tick().monitor().monitorOn);
    EXPECT_TRUE(next->session().motionArmed());
    EXPECT_EQ(next->session().settings().monitor.monitorMode, kModeUnset);
    EXPECT_TRUE(notices_.shown.empty());
}

// Alerts... in Monitor Settings opens the Alerts dialog on what is stored; its OK stores
// at once, whatever becomes of Monitor Settings.
TEST_F(UserSettingsTest, TheAlertsDialogOpensFromMonitorSettingsAndStoresOnOk) {
    AlertSettings stored;
    stored.mqtt.password = "s3cret";
    ASSERT_TRUE(CUserSettings::SaveAlerts(stored));
    std::unique_ptr<CMainDlg> window = Window();
    ASSERT_TRUE(window->OnInitDialog());
    QString placeholder;
    testing::WhenOpened<CMonitorSettingsDlg>([&](CMonitorSettingsDlg& monitor) {
        testing::WhenOpened<CAlertsDlg>([&](CAlertsDlg& alerts) {
            placeholder = testing::Child<QLineEdit>(alerts, "passwordEdit")->placeholderText();
            testing::Child<QLineEdit>(alerts, "hostEdit")->setText(QStringLiteral("broker.lan"));
            testing::Click(alerts, "okButton");
        });
        testing::Click(monitor, "alertsButton");
        monitor.reject();
    });
    window->button(ids::kMonitor)->click();
    EXPECT_EQ(placeholder, QStringLiteral("(stored)"));
    stored.mqtt.host = "broker.lan";
    EXPECT_EQ(CUserSettings::LoadAlerts(), stored);
    window->CloseProgram();
    EXPECT_TRUE(notices_.shown.empty());
}

WebSettings Web(const std::function<void(WebSettings&)>& change) {
    WebSettings web;
    change(web);
    return web;
}

std::string FileText() {
    std::ifstream file(CAppPaths::SettingsFile());
    return {std::istreambuf_iterator<char>(file), {}};
}

mode_t FileMode() {
    struct stat status {};
    return ::stat(CAppPaths::SettingsFile().c_str(), &status) == 0 ? status.st_mode & 0777 : 0;
}

// The hash makes the file its owner's alone, as the broker's password does.
TEST_F(UserSettingsTest, WebAndRtspSettingsComeBackAsStoredAndLeaveTheOtherGroupsAlone) {
    const mode_t umaskBefore = ::umask(022);
    ASSERT_TRUE(CUserSettings::SaveMotionRecord({true, 5, 42}));
    struct Case {
        WebSettings web;
        RtspSettings rtsp;
        mode_t mode;
    };
    for (const Case& c : {
             Case{WebSettings(), RtspSettings(), 0644},
             Case{Web([](WebSettings& w) {
                      w = {true,
                           1,
                           true,
                           "\u00fcser",
                           HashPassword("a password", kFewestPasswordRounds),
                           "/etc/ssl/cam cert, 1.pem",
                           "/etc/ssl/cam;key.pem",
                           50};
                  }),
                  {true, 65535, "openh264enc"},
                  0600},
             Case{Web([](WebSettings& w) { w.maxViewers = 1; }), {false, 554, ""}, 0600},
         }) {
        SCOPED_TRACE(c.web.user);
        ASSERT_TRUE(CUserSettings::SaveWeb(c.web));
        ASSERT_TRUE(CUserSettings::SaveRtsp(c.rtsp));
        EXPECT_EQ(CUserSettings::LoadWeb(), c.web);
        EXPECT_EQ(CUserSettings::LoadRtsp(), c.rtsp);
        EXPECT_EQ(FileMode(), c.mode);
    }
    EXPECT_EQ(CUserSettings::LoadMotionRecord(), (MotionRecordSetup{true, 5, 42}));
    ::umask(umaskBefore);
}

TEST_F(UserSettingsTest, WebAndRtspSettingsReadAsDefaultsWhereMissingOrOutOfRange) {
    struct Case {
        std::string file;
        WebSettings web;
        RtspSettings rtsp;
    };
    for (const Case& c : {
             Case{"", WebSettings(), RtspSettings()},
             Case{"[Web]\nport=0\nmaxViewers=0\nuser=\n[Rtsp]\nport=65536\n", WebSettings(),
                  RtspSettings()},
             Case{"[Web]\nport=99999999999\nmaxViewers=51\nuser=me:you\n[Rtsp]\nport=-1\n"
                  "encoder=x264enc ! filesink location=/tmp/x\n",
                  WebSettings(), RtspSettings()},
             Case{"[Web]\nenabled=true\nport=http\nmaxViewers=many\nuser=a b\n"
                  "passwordHash=" +
                      std::string(513, 'h') + "\n[Rtsp]\nenabled=true\nport=\nencoder=x264enc\n",
                  Web([](WebSettings& w) { w.enabled = true; }),
                  {true, 8554, "x264enc"}},
             Case{"[Web]\nport=65535\nmaxViewers=50\nuser=cam\n[Rtsp]\nport=1\n",
                  Web([](WebSettings& w) {
                      w.port = 65535;
                      w.maxViewers = 50;
                      w.user = "cam";
                  }),
                  {false, 1, ""}},
         }) {
        SCOPED_TRACE(c.file.substr(0, 120));
        WriteSettings(c.file);
        EXPECT_EQ(CUserSettings::LoadWeb(), c.web);
        EXPECT_EQ(CUserSettings::LoadRtsp(), c.rtsp);
    }
}

// TAVELIN_WEB_PASSWORD is the password: stored as a hash once, not hashed again at each
// start while the stored hash is of it, never written in clear, and kept for the runs
// without the variable.
TEST_F(UserSettingsTest, ThePasswordFromTheEnvironmentIsStoredOnceAsItsHash) {
    WebSettings stored;
    stored.enabled = true;
    stored.passwordHash = HashPassword("typed in the dialog", kFewestPasswordRounds);
    ASSERT_TRUE(CUserSettings::SaveWeb(stored));
    struct Case {
        const char* variable;  // null: not set
        const char* password;  // what the loaded hash is of
        bool rewritten;        // the file changed
    };
    for (const Case& c : {
             Case{nullptr, "typed in the dialog", false},
             Case{"", "typed in the dialog", false},
             Case{"from the script", "from the script", true},
             Case{"from the script", "from the script", false},
             Case{"another one", "another one", true},
             Case{nullptr, "another one", false},
         }) {
        SCOPED_TRACE(c.variable != nullptr ? c.variable : "(unset)");
        if (c.variable != nullptr)
            ::setenv("TAVELIN_WEB_PASSWORD", c.variable, 1);
        else
            ::unsetenv("TAVELIN_WEB_PASSWORD");
        const std::string before = FileText();
        const WebSettings loaded = CUserSettings::LoadWeb();
        EXPECT_TRUE(CheckPassword(c.password, loaded.passwordHash));
        EXPECT_TRUE(loaded.enabled);
        EXPECT_EQ(FileText() != before, c.rewritten);
        EXPECT_EQ(FileText().find(c.password), std::string::npos);
    }
    ::unsetenv("TAVELIN_WEB_PASSWORD");
    EXPECT_EQ(FileMode() & 077, 0u);
}

// "Web and RTSP..." in the video settings opens that dialog on what is stored; its OK
// stores at once, whatever becomes of the video settings. Turned on without a password,
// it makes one and shows it once.
TEST_F(UserSettingsTest, TheWebDialogOpensFromTheVideoSettingsAndStoresOnOk) {
    std::unique_ptr<CMainDlg> window = Window();
    ASSERT_TRUE(window->OnInitDialog());
    std::string password;
    QString port;
    testing::WhenOpened<CVideoSettingsDlg>([&](CVideoSettingsDlg& video) {
        testing::WhenOpened<CWebShareDlg>([&](CWebShareDlg& web) {
            port = testing::Child<QLineEdit>(web, "webPortEdit")->text();
            testing::Click(web, "webBox");
            testing::Type(testing::Child<QLineEdit>(web, "rtspPortEdit"), QStringLiteral("9554"));
            testing::WhenOpened<QMessageBox>([&](QMessageBox& box) {
                password = box.text().split(QStringLiteral("\n\n")).value(1).toStdString();
                box.accept();
            });
            testing::Click(web, "okButton");
        });
        testing::Click(video, "webShareButton");
        video.reject();
    });
    window->button(ids::kVideoSettings)->click();
    EXPECT_EQ(port, QStringLiteral("8080"));
    const WebSettings web = CUserSettings::LoadWeb();
    EXPECT_TRUE(web.enabled);
    EXPECT_TRUE(CheckPassword(password, web.passwordHash)) << password;
    EXPECT_EQ(CUserSettings::LoadRtsp(), (RtspSettings{false, 9554, ""}));
    window->CloseProgram();
    EXPECT_TRUE(notices_.shown.empty());
}

// Anything but a regular file under the settings file's name: the defaults, no hang,
// and nothing written over it.
class UnusableSettingsFile : public UserSettingsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(UnusableSettingsFile, GivesTheDefaultsAndIsLeftAlone) {
    const bool fifo = GetParam();
    const std::string path = CAppPaths::SettingsFile();
    if (fifo)
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    else
        ASSERT_TRUE(std::filesystem::create_directory(path));
    EXPECT_EQ(CUserSettings::LoadMotionRecord(), MotionRecordSetup());
    EXPECT_EQ(CUserSettings::LoadCameraName(), "");
    EXPECT_FALSE(CUserSettings::SaveMotionRecord({true, 1, 5}));
    EXPECT_FALSE(CUserSettings::SaveCameraName("Some Camera"));
    EXPECT_EQ(CUserSettings::LoadStorageLimits(), StorageLimits());
    EXPECT_FALSE(CUserSettings::SaveStorageLimits({0, 1, 2}));
    EXPECT_EQ(CUserSettings::LoadAlerts(), AlertSettings());
    EXPECT_FALSE(CUserSettings::SaveAlerts(AlertSettings()));
    EXPECT_EQ(CUserSettings::LoadWeb(), WebSettings());
    EXPECT_FALSE(CUserSettings::SaveWeb(WebSettings()));
    EXPECT_EQ(CUserSettings::LoadRtsp(), RtspSettings());
    EXPECT_FALSE(CUserSettings::SaveRtsp(RtspSettings()));
    std::unique_ptr<CMainDlg> window = Window();
    EXPECT_TRUE(window->OnInitDialog());
    window->CloseProgram();
    const auto status = std::filesystem::symlink_status(path);
    EXPECT_EQ(status.type(),
              fifo ? std::filesystem::file_type::fifo : std::filesystem::file_type::directory);
    if (!fifo) {
        EXPECT_TRUE(std::filesystem::is_empty(path));
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnusableSettingsFile, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Fifo" : "Folder";
                         });

// Cameras whose names lack "PC Camera", as most webcams' do: the first one runs, the
// video settings choose another for now and for the next runs, and a name given on the
// command line still wins at start-up.
TEST_F(UserSettingsTest, TheVideoSettingsChooseTheCameraForThisAndTheNextRuns) {
    ::setenv("TAVELIN_TEST_CAMERA_NAMES", "Integrated Webcam|USB Webcam", 1);
    {
        std::unique_ptr<CMainDlg> window = Window();
        ASSERT_TRUE(window->OnInitDialog());
        EXPECT_EQ(window->capture().cameraName(), "Integrated Webcam");
        QStringList offered;
        QString selected;
        testing::WhenOpened<CVideoSettingsDlg>([&](CVideoSettingsDlg& dialog) {
            auto* list = testing::Child<QComboBox>(dialog, "cameraList");
            for (int i = 0; i < list->count(); ++i)
                offered << list->itemText(i);
            selected = list->currentText();
            list->setCurrentIndex(list->findText(QStringLiteral("USB Webcam")));
            testing::Click(dialog, "okButton");
        });
        window->button(ids::kVideoSettings)->click();
        EXPECT_EQ(offered,
                  (QStringList{QStringLiteral("Integrated Webcam"), QStringLiteral("USB Webcam")}));
        EXPECT_EQ(selected, QStringLiteral("Integrated Webcam"));
        // The graph is built again on it after the size change's pause.
        EXPECT_TRUE(
            testing::WaitFor([&] { return window->capture().cameraName() == "USB Webcam"; }));
        EXPECT_TRUE(testing::WaitForFrames(window->tick(), 3)) << "the new camera runs";
        window->CloseProgram();
    }
    EXPECT_EQ(CUserSettings::LoadCameraName(), "USB Webcam");
    {
        std::unique_ptr<CMainDlg> next = Window();
        ASSERT_TRUE(next->OnInitDialog());
        EXPECT_EQ(next->capture().cameraName(), "USB Webcam");
        next->CloseProgram();
    }
    MainDlgSeams seams;
    seams.notices = &notices_;
    seams.alarm = &alarm_;
    seams.splashMs = 0;
    seams.trayAvailable = [] { return false; };
    seams.cameraPattern = "integrated";
    CMainDlg byOption(seams);
    ASSERT_TRUE(byOption.OnInitDialog());
    EXPECT_EQ(byOption.capture().cameraName(), "Integrated Webcam");
    byOption.CloseProgram();
    ::unsetenv("TAVELIN_TEST_CAMERA_NAMES");
    EXPECT_TRUE(notices_.shown.empty());
}

}  // namespace
}  // namespace tavelin
