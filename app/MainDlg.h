#pragma once
// The skinned main window. It owns everything the running program needs: the camera,
// the frame tick with the monitor state, the display surfaces, the buttons and lists.
// Its timer 1 drives the frame step and timer 3 the blinking lights.

#include <QBasicTimer>
#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "CaptureGraph.h"
#include "Clock.h"
#include "FileChooser.h"
#include "FrameTick.h"
#include "FrameTickHost.h"
#include "MessageBoxNotices.h"
#include "RecordSettingsHost.h"
#include "Recorder.h"
#include "SoundPlayer.h"
#include "SoundPreview.h"

class QComboBox;
class QLineEdit;
class QRadioButton;
class QLabel;

namespace tavelin {

class CPictureStatic;
class CPreviewWindow;
class CSkinButton;
class CSystemTray;
class CTrayMinimiser;

// What the main window talks to besides itself; tests put their own in.
struct MainDlgSeams {
    INoticeSink* notices = nullptr;       // null: message boxes over the window
    IAlarm* alarm = nullptr;              // null: the program's sound player
    ISoundPreview* preview = nullptr;     // null: a second sound player
    IFileChooser* files = nullptr;        // null: Qt's save-file dialog
    const IClock* clock = nullptr;        // null: the system clock
    int splashMs = 6180;                  // how long the busy window stays; 0: none
    std::function<bool()> trayAvailable;  // empty: ask the desktop
};

class CMainDlg : public QDialog,
                 public IFrameTickHost,
                 public IRecorderWindow,
                 public IRecordSettingsHost {
    Q_OBJECT

public:
    explicit CMainDlg(const MainDlgSeams& seams = {});
    ~CMainDlg() override;

    // Start-up; false when the program must end (no camera).
    bool OnInitDialog();

    // Sizes and places the display surface in use for frames of this size.
    void PlaceDisplay(bool outside, int width, int height);
    // Moves a child control to (x, y) in client pixels, keeping its size.
    static void MoveControl(QWidget* control, int x, int y);

    // IFrameTickHost
    void StartTimer(int id, int periodMs) override;
    void StopTimer(int id) override;
    void SetCursor(CursorShape shape) override;
    void Sleep(int milliseconds) override;
    void ShowFrame(const std::uint8_t* frame, int width, int height) override;
    void ResizeDisplay(int width, int height) override;
    void SetControlEnabled(int controlId, bool enabled) override;
    void SetRecorderText(const std::string& text) override;
    void SetRecordingControls(bool enable) override;

    // IRecorderWindow
    std::string ReadAviPathText() override;
    void WriteAviPathText(const std::string& text) override;
    bool audioEnabled() const override { return audioEnabled_; }
    bool audioCompression() const override { return audioCompression_; }

    // IRecordSettingsHost
    void SetPauseRequest(bool on) override { tick_.pauseRequest = on; }
    void ToggleAudio() override;
    std::string CounterFile() const override { return recorder_.counterPath; }
    INoticeSink& Notices() override { return notices_; }
    IFileChooser& Files() override { return *seams_.files; }

    // Commands of the main window's buttons.
    void OnShowTime();
    void OnSnapShot();
    void OnTimerShot();
    void OnSaveFile();
    void OnProperty();
    // The recording settings dialogs: master stream, save folder and counter, and the
    // lists with the save path together.
    void OnAudioSettings();
    void OnVideoSettings();
    void OnRecordSettings();
    void OnMonitor();
    // What follows the Monitor Settings dialog: switches the monitor by the stored mode
    // (accepted) or puts an idle monitor back to rest (cancelled).
    void ApplyMonitorSettings(bool accepted);
    void ShowInsideDisplay();
    void ShowOutsideDisplay();
    void OnVideoCompressorChanged();

    // For the commands and for tests.
    CFrameTick& tick() { return tick_; }
    CRecorder& recorder() { return recorder_; }
    CCaptureGraph& capture() { return capture_; }
    CPreviewWindow* previewWindow() const { return previewWindow_; }
    CPictureStatic* pictureStatic() const { return pictureStatic_; }
    CSkinButton* button(int id) const;
    QWidget* control(int id) const;
    bool outsideDisplay() const { return outsideDisplay_; }
    bool frameTimerActive() const { return frameTimer_.isActive(); }
    bool blinkTimerActive() const { return blinkTimer_.isActive(); }
    std::int32_t fileCounter() const { return recorder_.fileCounter; }
    const std::string& snapshotTempPath() const { return tick_.fixedShotPath; }
    const QString& aviPathText() const { return aviPathText_; }
    bool noAudioDevice() const { return noAudioDevice_; }
    bool inTray() const;
    CSystemTray* tray() const { return tray_.get(); }
    const QImage& skin() const { return skinBitmap_; }

    // An entry of the tray menu (Show, Exit) chosen.
    void OnTrayCommand(int commandId);

    // Ends the dialog and tears everything down (Close button, tray Exit, preview closed).
    void CloseProgram();
    // The same, asked from outside the window (a quit signal): a dialog or message box
    // that is up is closed first, and the window ends once the command that opened it
    // has returned to the program's own event loop.
    void EndFromOutside();

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
    void FillLists();
    void LoadPictures();
    void ApplySkin();
    void SkinButtons();
    void CreatePreviewWindow();
    void TearDown();
    void ReadControls();
    void WriteControls();
    void ApplyMonitorPlan(const struct MonitorSettingsPlan& plan);
    // Lets the frame tick run (for at most 2 s) until `done` holds.
    void WaitForFrameSteps(const std::function<bool()>& done);

    void OnSizeButton(int buttonId);
    void OnMinimize();
    void OnAbout();

    // Plays the preview of an alarm sound for the Monitor Settings dialog.
    class CPreviewSound : public ISoundPreview {
    public:
        void Start(const std::string& path) override;
        void Stop() override { player_.Stop(); }

    private:
        CSoundPlayer player_;
    };

    CCaptureGraph capture_;
    CMessageBoxNotices messageBoxes_;
    INoticeSink& notices_;
    CSystemClock systemClock_;
    const IClock& clock_;
    CSoundPlayer alarmPlayer_;
    CPreviewSound previewSound_;
    CQtFileChooser qtFiles_;
    CFrameTick tick_;
    CRecorder recorder_;

    QBasicTimer frameTimer_;
    QBasicTimer blinkTimer_;
    bool cursorOverridden_ = false;

    QImage skinBitmap_;
    QPoint dragOffset_;
    bool dragging_ = false;
    bool tornDown_ = false;
    int endAttempts_ = 0;

    std::map<int, QWidget*> controls_;
    std::vector<CSkinButton*> sizeGroup_;
    QComboBox* audioDeviceList_ = nullptr;
    QComboBox* audioCompressorList_ = nullptr;
    QComboBox* videoCompressorList_ = nullptr;
    QLineEdit* aviPathEdit_ = nullptr;
    QRadioButton* displayInside_ = nullptr;
    QRadioButton* displayOutside_ = nullptr;
    QLabel* timeLabel_ = nullptr;

    MainDlgSeams seams_;
    std::unique_ptr<CSystemTray> tray_;
    std::unique_ptr<CTrayMinimiser> minimiser_;

    CPreviewWindow* previewWindow_ = nullptr;
    CPictureStatic* pictureStatic_ = nullptr;
    bool outsideDisplay_ = false;
    bool placing_ = false;

    bool audioEnabled_ = false;
    bool audioCompression_ = false;
    bool noAudioDevice_ = false;
    QString aviPathText_;

    // The snapshot's temporary picture lives in a folder only this user can read.
    QTemporaryDir privateTemp_;
};

}  // namespace tavelin
