#pragma once
// The skinned main window: the skin, its controls, and the adapter from their clicks
// to the session, which holds the program's state and rules. It shows what the session
// tells it (ISessionHost), keeps the two timers, and opens the settings dialogs.

#include <QBasicTimer>
#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Alerts.h"
#include "app/CursorShapes.h"
#include "app/MainControls.h"
#include "app/MessageBoxNotices.h"
#include "app/SessionAlertSource.h"
#include "app/WebSharing.h"
#include "capture/CaptureGraph.h"
#include "capture/SoundPlayer.h"
#include "core/CameraSession.h"
#include "core/Clock.h"
#include "core/SessionHost.h"
#include "core/StorageKeeper.h"
#include "dialogs/RecordSettingsHost.h"
#include "dialogs/SoundPreview.h"
#include "widgets/FileChooser.h"

namespace tavelin {

class CDisplaySurfaces;
class CMainControls;
class CMainTray;
class CSettingsCommands;
class CPictureStatic;
class CPreviewWindow;
class CSkinButton;
class CSystemTray;

// What the main window talks to besides itself; tests put their own in.
struct MainDlgSeams {
    INoticeSink* notices = nullptr;       // null: message boxes over the window
    IAlarm* alarm = nullptr;              // null: the program's sound player
    ISoundPreview* preview = nullptr;     // null: a second sound player
    IFileChooser* files = nullptr;        // null: Qt's save-file dialog
    const IClock* clock = nullptr;        // null: the system clock
    int splashMs = 6180;                  // how long the busy window stays; 0: none
    std::function<bool()> trayAvailable;  // empty: ask the desktop
    std::string cameraPattern;            // part of the camera's name; empty: the stored one
    bool systemMove = false;              // drags are the compositor's (native Wayland)
};

class CMainDlg : public QDialog, public ISessionHost, public IRecordSettingsHost {
    Q_OBJECT

public:
    explicit CMainDlg(const MainDlgSeams& seams = {});
    ~CMainDlg() override;

    // Start-up; false when the program must end (no camera).
    bool OnInitDialog();

    // ISessionHost
    void StartTimer(int id, int periodMs) override;
    void StopTimer(int id) override;
    void SetCursor(CursorShape shape) override;
    void ShowFrame(const std::uint8_t* frame, int width, int height) override;
    void ResizeDisplay(int width, int height) override;
    void ShowControls(const ControlsView& view) override;
    void ShowDisplay(bool outside, int width, int height) override;

    // IRecordSettingsHost
    void SetPauseRequest(bool on) override { session_.SetPauseRequest(on); }
    void ToggleAudio() override { session_.ToggleAudio(); }
    std::string CounterFile() const override { return session_.files().counter; }
    INoticeSink& Notices() override { return notices_; }
    IFileChooser& Files() override { return *seams_.files; }

    // The snapshot: the save-file question while the frame step takes the picture.
    void OnSnapShot();
    // An entry of the tray menu (Show, Exit) chosen.
    void OnTrayCommand(int commandId);

    // Ends the dialog and tears everything down (Close button, tray Exit, preview closed).
    void CloseProgram();
    // The same, asked from outside the window (a quit signal): a dialog or message box
    // that is up is closed first, and the window ends once the command that opened it
    // has returned to the program's own event loop.
    void EndFromOutside();

    // For the test hook and tests.
    CCameraSession& session() { return session_; }
    const CFrameTick& tick() const { return session_.tick(); }
    CCaptureGraph& capture() { return capture_; }
    void ApplyMonitorSettings(bool accepted) { session_.ApplyMonitorSettings(accepted); }
    void WriteAviPathText(const std::string& text) { session_.WriteAviPathText(text); }
    QString aviPathText() const { return QString::fromStdString(session_.aviPathText()); }
    bool audioEnabled() const { return session_.audioEnabled(); }
    std::int32_t fileCounter() const { return session_.fileCounter(); }
    const std::string& snapshotTempPath() const { return session_.files().snapshotTemp; }
    CPreviewWindow* previewWindow() const;
    CPictureStatic* pictureStatic() const;
    bool outsideDisplay() const;
    CSkinButton* button(int id) const;
    QWidget* control(int id) const;
    bool frameTimerActive() const { return frameTimer_.isActive(); }
    bool blinkTimerActive() const { return blinkTimer_.isActive(); }
    bool inTray() const;
    CSystemTray* tray() const;
    // The tray icon's message balloon; false where there is no icon to show it.
    bool ShowTrayMessage(const QString& title, const QString& text);
    const QImage& skin() const { return skinBitmap_; }
    const CWebSharing* webSharing() const { return web_.get(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

public slots:
    void done(int result) override;

private:
    void CreateControls();
    void ConnectCommands();
    void FillLists();
    void ApplySkin();
    void TearDown();
    // Lets the frame tick run (for at most 2 s) until `done` holds.
    void WaitForFrameSteps(const std::function<bool()>& done);

    // Plays the preview of an alarm sound for the Monitor Settings dialog.
    class CPreviewSound : public ISoundPreview {
    public:
        void Start(const std::string& path) override;
        void Stop() override { player_.Stop(); }

    private:
        CSoundPlayer player_;
    };

    MainDlgSeams seams_;
    CCaptureGraph capture_;
    CMessageBoxNotices messageBoxes_;
    INoticeSink& notices_;
    CSystemClock systemClock_;
    const IClock& clock_;
    CSoundPlayer alarmPlayer_;
    CPreviewSound previewSound_;
    CQtFileChooser qtFiles_;
    CCameraSession session_;
    // Its thread ends before the session goes.
    CStorageKeeper storageKeeper_;
    // They listen to the session's events: built after it, gone before it.
    CSessionAlertSource alertSource_{session_};
    std::unique_ptr<CAlerts> alerts_;
    // The web page and the RTSP share; their outputs on the graph go before the graph.
    std::unique_ptr<CWebSharing> web_;

    QBasicTimer frameTimer_;
    QBasicTimer blinkTimer_;
    QBasicTimer settleTimer_;
    CCursorShapes cursor_;

    QImage skinBitmap_;
    QPoint dragOffset_;
    bool dragging_ = false;
    bool tornDown_ = false;
    int endAttempts_ = 0;

    std::unique_ptr<CMainControls> controls_;
    std::unique_ptr<CSettingsCommands> settings_;
    std::unique_ptr<CDisplaySurfaces> surfaces_;
    std::unique_ptr<CMainTray> tray_;

    // The snapshot's temporary picture lives in a folder only this user can read.
    QTemporaryDir privateTemp_;
};

}  // namespace tavelin
