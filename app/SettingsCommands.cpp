#include "app/SettingsCommands.h"

#include "app/AppPaths.h"
#include "app/Autostart.h"
#include "app/MainControls.h"
#include "app/UserSettings.h"
#include "core/Log.h"
#include "core/Messages.h"
#include "core/ShareAddresses.h"
#include "dialogs/CameraPropertiesDlg.h"
#include "dialogs/MonitorSettingsDlg.h"
#include "dialogs/RecordSettingsLaunchers.h"
#include "dialogs/TimerShotDlg.h"
#include "dialogs/WebShareDlg.h"

namespace tavelin {

namespace {

constexpr const char* kAlertsNotStored =
    "The alert settings could not be stored: they hold until the program ends.";
constexpr const char* kWebNotStored =
    "The web and RTSP settings could not be stored: they hold until the program ends.";

QString ToQt(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

void CSettingsCommands::SaveFile() {
    CPauseScope pause(c_.session);
    TimerShotSetup& setup = c_.session.settings().timerShot;
    CTimerShotDlg dialog(c_.parent, setup, ToQt(c_.session.files().timerShotDefault), c_.notices,
                         c_.files);
    dialog.exec();
    setup = dialog.setup();
}

void CSettingsCommands::Property() {
    CPauseScope pause(c_.session);
    c_.setCursor(CursorShape::Wait);
    std::vector<CameraControl> controls = c_.capture.ListSourceControls();
    c_.setCursor(CursorShape::Normal);
    if (controls.empty()) {
        // Without a camera running there is nothing to ask; a camera that is running
        // but has no settings of its own says so.
        if (!c_.capture.hasGraph())
            return;
        const std::string& node = c_.capture.sourceNodePath();
        Log(LogArea::Capture, LogLevel::Info,
            node.empty() ? std::string("camera settings: the camera has no V4L2 device node")
                         : "camera settings: " + node + " offers no V4L2 controls");
        c_.notices.ShowNotice(msg::kNoCameraSettings, NoticeStyle::Plain);
        return;
    }
    CCameraPropertiesDlg dialog(c_.parent, std::move(controls),
                                [this](std::uint32_t id, std::int32_t value) {
                                    return c_.capture.SetSourceControl(id, value);
                                });
    dialog.exec();
}

void CSettingsCommands::AudioSettings() {
    RunAudioSettings(c_.host, c_.parent, c_.session.settings().recording);
    c_.session.RecordingChoicesChanged();
}

void CSettingsCommands::VideoSettings() {
    std::string path = c_.session.aviPathText();
    std::int32_t counter = c_.session.fileCounter();
    CameraSelection cameras;
    CCaptureGraph::ListVideoSources(cameras.names);
    cameras.camera = c_.capture.cameraName();
    const std::string inUse = cameras.camera;
    StorageLimits& limits = c_.session.settings().storage;
    StorageSelection storage{limits, c_.session.storageSummary()};
    if (RunVideoSettings(c_.host, c_.parent, path, counter, c_.session.settings().recording,
                         &cameras, &storage, [this](QWidget* over) { WebShare(over); })) {
        c_.session.SetFileCounter(counter);
        c_.session.WriteAviPathText(path);
        if (storage.limits != limits) {
            limits = storage.limits;
            CUserSettings::SaveStorageLimits(limits);
            c_.session.StorageLimitsChanged();
        }
        if (!cameras.camera.empty() && cameras.camera != inUse) {
            // Chosen here, it is the camera from now on; at the next start --camera and
            // TAVELIN_CAMERA still win over it.
            CUserSettings::SaveCameraName(cameras.camera);
            c_.capture.SetCameraWish({std::string(), cameras.camera});
            Log(LogArea::Capture, LogLevel::Info, "camera chosen: \"" + cameras.camera + "\"");
            c_.session.CameraChanged();
            return;
        }
    }
    c_.session.RecordingChoicesChanged();
}

void CSettingsCommands::RecordSettings() {
    std::string path = c_.session.aviPathText();
    if (RunRecordSettings(c_.host, c_.parent, path, c_.session.fileCounter(),
                          c_.session.settings().recording, c_.controls.lists())) {
        c_.session.WriteAviPathText(path);
    }
    c_.session.RecordingChoicesChanged();
}

void CSettingsCommands::Monitor() {
    CPauseScope pause(c_.session);
    MonitorSetup& setup = c_.session.settings().monitor;
    CMonitorSettingsDlg dialog(c_.parent, setup, c_.preview, c_.session.noAudioDevice(), c_.notices,
                               c_.files, ToQt(CAppPaths::ProgramDirectory()),
                               ToQt(CAppPaths::PictureDirectory()), c_.clock.LocalTime());
    QObject::connect(&dialog, &CMonitorSettingsDlg::alertsRequested, &dialog,
                     [this, &dialog] { Alerts(&dialog); });
    const bool startsWithDesktop = CAutostart::IsEnabled();
    dialog.SetStartWithDesktop(startsWithDesktop);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    const MotionRecordSetup motionBefore = setup.motionRecord;
    setup = dialog.setup();
    if (accepted && setup.motionRecord != motionBefore)
        CUserSettings::SaveMotionRecord(setup.motionRecord);
    c_.session.ApplyMonitorSettings(accepted);
    QString why;
    if (accepted && dialog.startWithDesktop() != startsWithDesktop &&
        !CAutostart::Set(dialog.startWithDesktop(), why)) {
        c_.notices.ShowNotice(
            (QStringLiteral("The program cannot be set to start with the desktop:\r\n") + why)
                .toStdString(),
            NoticeStyle::Warning);
    }
}

void CSettingsCommands::Alerts(QWidget* parent) {
    CAlertsDlg dialog(parent, CUserSettings::LoadAlerts(), c_.notices, c_.files, c_.testAlerts,
                      c_.checkCommand);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!CUserSettings::SaveAlerts(dialog.settings())) {
        c_.notices.ShowNotice(kAlertsNotStored, NoticeStyle::Warning);
    }
    if (c_.alertsChanged)
        c_.alertsChanged(dialog.settings());
}

void CSettingsCommands::WebShare(QWidget* parent) {
    std::vector<std::string> encoders;
    if (c_.rtspEncoders) {
        // Looking through the installed encoders can take a moment.
        c_.setCursor(CursorShape::Wait);
        encoders = c_.rtspEncoders();
        c_.setCursor(CursorShape::Normal);
    }
    CWebShareDlg dialog(parent, CUserSettings::LoadWeb(), CUserSettings::LoadRtsp(), encoders,
                        MachineAddresses(), c_.notices, c_.files);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool webStored = CUserSettings::SaveWeb(dialog.web());
    if (!CUserSettings::SaveRtsp(dialog.rtsp()) || !webStored)
        c_.notices.ShowNotice(kWebNotStored, NoticeStyle::Warning);
    if (c_.webChanged)
        c_.webChanged(dialog.web(), dialog.rtsp());
}

}  // namespace tavelin
