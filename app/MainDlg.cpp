#include "app/MainDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <optional>

#include "app/AppPaths.h"
#include "app/CursorShapes.h"
#include "app/DisplaySurfaces.h"
#include "app/MainControls.h"
#include "app/MainTray.h"
#include "app/SettingsCommands.h"
#include "app/UserSettings.h"
#include "core/FileNames.h"
#include "core/FrameFormat.h"
#include "core/Log.h"
#include "core/Messages.h"
#include "core/ScrambledText.h"
#include "dialogs/AboutBox.h"
#include "dialogs/SplashDlg.h"
#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "resources/Resources.h"
#include "tray/SystemTray.h"
#include "web/RtspShare.h"
#include "widgets/PictureStatic.h"
#include "widgets/PreviewWindow.h"
#include "widgets/SkinButton.h"
#include "widgets/SkinRegion.h"

namespace tavelin {

namespace {

// The window caption, kept scrambled (each byte rotated right by three bits).
constexpr std::uint8_t kScrambledCaption[] = {0x8A, 0x2C, 0xCE, 0xAC, 0x8D, 0x2D, 0xCD,
                                              0x04, 0xCA, 0x2D, 0x8C, 0xAC, 0xED, 0x04,
                                              0x68, 0xAC, 0xCD, 0x8E, 0xAC, 0x4E};

// What happened, in the log: one line an event.
void LogEvent(const SessionEvent& event) {
    std::string line = std::string("event: ") + EventName(event.kind);
    if (!event.path.empty())
        line += " \"" + event.path + "\"";
    if (event.kind == SessionEventKind::RecordingFinished)
        line += ", " + std::to_string(event.frames) + " frames";
    Log(LogArea::Ui, LogLevel::Debug, line);
}

// Skin key: pure green and everything up to 16 above it in red and blue.
constexpr std::uint32_t kSkinKey = ColourValue(0, 255, 0);
constexpr std::uint32_t kSkinTolerance = ColourValue(16, 16, 16);

}  // namespace

CMainDlg::CMainDlg(const MainDlgSeams& seams)
    : QDialog(nullptr, Qt::Window | Qt::FramelessWindowHint),
      seams_(seams),
      messageBoxes_(this),
      notices_(seams.notices != nullptr ? *seams.notices : messageBoxes_),
      clock_(seams.clock != nullptr ? *seams.clock : systemClock_),
      session_(capture_, *this, notices_, clock_,
               seams.alarm != nullptr ? seams.alarm : &alarmPlayer_) {
    if (seams_.preview == nullptr)
        seams_.preview = &previewSound_;
    if (seams_.files == nullptr)
        seams_.files = &qtFiles_;
    capture_.SetNoticeSink(&notices_);
    capture_.SetCameraWish({seams_.cameraPattern, CUserSettings::LoadCameraName()});
    session_.settings().monitor.motionRecord = CUserSettings::LoadMotionRecord();
    session_.settings().storage = CUserSettings::LoadStorageLimits();
    // The graph's news (a file started or ended, an error) and the session's events are
    // taken on the main loop's next turn: the graph calls from its own threads.
    capture_.SetWake([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!tornDown_)
                    session_.GraphNews();
            },
            Qt::QueuedConnection);
    });
    // The storage keeper's reports (files removed, space run out) likewise.
    storageKeeper_.SetWake([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!tornDown_)
                    session_.StorageNews();
            },
            Qt::QueuedConnection);
    });
    session_.SetStorageKeeper(&storageKeeper_);
    session_.events().SetWake([this] {
        QMetaObject::invokeMethod(
            this, [this] { session_.events().Deliver(); }, Qt::QueuedConnection);
    });
    session_.events().Subscribe([](const SessionEvent& event) { LogEvent(event); });
    setWindowIcon(AppIcon());
    session_.SetFiles({CAppPaths::CounterFile(), CAppPaths::TimerShotDefault(),
                       privateTemp_.isValid()
                           ? privateTemp_.path().toStdString() + kSnapshotTempName
                           : std::string()});
    CreateControls();
    alerts_ = std::make_unique<CAlerts>(
        alertSource_, CUserSettings::LoadAlerts(),
        [this](const QString& title, const QString& text) { return ShowTrayMessage(title, text); });
    web_ = std::make_unique<CWebSharing>(session_, capture_, alertSource_, notices_);
    CSettingsCommands::Context context{this,
                                       session_,
                                       *this,
                                       capture_,
                                       notices_,
                                       *seams_.files,
                                       *seams_.preview,
                                       clock_,
                                       *controls_,
                                       [this](CursorShape s) { SetCursor(s); }};
    context.alertsChanged = [this](const AlertSettings& settings) { alerts_->Apply(settings); };
    context.testAlerts = [this](const AlertSettings& settings,
                                const CAlertsDlg::TestAnswer& answer) {
        alerts_->Test(settings, answer);
    };
    context.checkCommand = &CAlerts::CheckCommand;
    context.webChanged = [this](const WebSettings& web, const RtspSettings& rtsp) {
        web_->Apply(web, rtsp);
    };
    context.rtspEncoders = [] { return CRtspShare::ListEncoders(); };
    settings_ = std::make_unique<CSettingsCommands>(std::move(context));
    ConnectCommands();
}

CMainDlg::~CMainDlg() {
    TearDown();
    capture_.SetWake(nullptr);
}

void CMainDlg::CreateControls() {
    controls_ = std::make_unique<CMainControls>(this);
    surfaces_ = std::make_unique<CDisplaySurfaces>(this, seams_.systemMove);
    controls_->AddPicture(surfaces_->pictureStatic());
    connect(surfaces_.get(), &CDisplaySurfaces::previewClosed, this, &CMainDlg::CloseProgram);
}

void CMainDlg::ConnectCommands() {
    const auto onClick = [this](int id, auto&& handler) {
        connect(button(id), &QAbstractButton::clicked, this,
                std::forward<decltype(handler)>(handler));
    };
    for (const CaptureSize& row : kCaptureSizes) {
        onClick(row.buttonId,
                [this, id = row.buttonId] { session_.SelectCaptureSize(SizeIndexForButton(id)); });
    }
    onClick(ids::kClose, [this] { CloseProgram(); });
    onClick(ids::kMinimize, [this] {
        CPauseScope pause(session_);
        if (tray_ != nullptr)
            tray_->Minimize();
    });
    onClick(ids::kAbout, [this] {
        CPauseScope pause(session_);
        CAboutBox about(this);
        about.exec();
    });
    onClick(ids::kShowTime, [this] { session_.ToggleShowTime(); });
    onClick(ids::kAudioSettings, [this] { settings_->AudioSettings(); });
    onClick(ids::kVideoSettings, [this] { settings_->VideoSettings(); });
    onClick(ids::kRecordSettings, [this] { settings_->RecordSettings(); });
    onClick(ids::kSnapShot, [this] { OnSnapShot(); });
    onClick(ids::kTimerShot, [this] { session_.ToggleTimerShot(); });
    onClick(ids::kSaveFile, [this] { settings_->SaveFile(); });
    onClick(ids::kProperty, [this] { settings_->Property(); });
    onClick(ids::kEnableAudio, [this] { session_.ToggleAudio(); });
    onClick(ids::kMonitor, [this] {
        session_.SetMonitorSwitchDown(button(ids::kMonitor)->GetCheck());
        settings_->Monitor();
    });
    onClick(ids::kRecorder, [this] { session_.ToggleRecorder(); });
    connect(controls_->displayInside(), &QAbstractButton::clicked, this,
            [this] { session_.ShowDisplay(false); });
    connect(controls_->displayOutside(), &QAbstractButton::clicked, this,
            [this] { session_.ShowDisplay(true); });
    // The user's choices reach the session as they change; it never asks for them.
    connect(controls_->aviPathEdit(), &QLineEdit::textChanged, this,
            [this](const QString& text) { session_.SetAviPathText(text.toStdString()); });
    const MainWindowLists lists = controls_->lists();
    for (QComboBox* list : {lists.videoCompressors, lists.audioCompressors, lists.audioDevices}) {
        connect(list, &QComboBox::currentIndexChanged, this, [this] {
            session_.SetListSelections(controls_->videoCompressor(), controls_->audioCompressor(),
                                       controls_->audioDevice());
        });
        // An armed output encodes with the lists' choices; it follows them.
        connect(list, &QComboBox::activated, this, [this] { session_.RecordingChoicesChanged(); });
    }
}

CSkinButton* CMainDlg::button(int id) const {
    return controls_->button(id);
}

QWidget* CMainDlg::control(int id) const {
    return controls_->control(id);
}

CPreviewWindow* CMainDlg::previewWindow() const {
    return surfaces_->previewWindow();
}

CPictureStatic* CMainDlg::pictureStatic() const {
    return surfaces_->pictureStatic();
}

bool CMainDlg::outsideDisplay() const {
    return surfaces_->outside();
}

bool CMainDlg::inTray() const {
    return tray_ != nullptr && tray_->inTray();
}

bool CMainDlg::ShowTrayMessage(const QString& title, const QString& text) {
    CSystemTray* systemTray = tray();
    QSystemTrayIcon* icon = systemTray != nullptr ? systemTray->trayIcon() : nullptr;
    if (icon == nullptr || !icon->isVisible() || !QSystemTrayIcon::supportsMessages())
        return false;
    icon->showMessage(title, text, QSystemTrayIcon::Information);
    return true;
}

CSystemTray* CMainDlg::tray() const {
    return tray_ != nullptr ? tray_->tray() : nullptr;
}

bool CMainDlg::OnInitDialog() {
    if (!session_.StartCamera())
        return false;
    setWindowTitle(QString::fromStdString(Unscramble(kScrambledCaption, 3)));
    session_.StartNumbering(CAppPaths::RecordingDirectory());
    FillLists();

    const CFrameTick& tick = session_.tick();
    session_.PrepareDisplay();
    surfaces_->Place(false, tick.frameWidth(), tick.frameHeight());
    surfaces_->pictureStatic()->SetupPicture(tick.frameWidth(), tick.frameHeight());

    session_.SetOverlayPictures(LoadOverlayPicture(ids::kBitmapCameraIcon),
                                LoadOverlayPicture(ids::kBitmapBadge));
    ApplySkin();
    controls_->Skin();
    move(pos() + QPoint(tick.frameWidth() / 2, 0));

    if (seams_.splashMs > 0) {
        CSplashDlg splash(nullptr, seams_.splashMs);
        splash.exec();
    }

    tray_ = std::make_unique<CMainTray>(
        this,
        [this] {
            std::vector<QWidget*> companions;
            if (CPreviewWindow* preview = surfaces_->previewWindow())
                companions.push_back(preview);
            return companions;
        },
        [this] { CloseProgram(); }, seams_.trayAvailable);

    surfaces_->Show(true, tick.frameWidth(), tick.frameHeight());
    controls_->displayOutside()->setChecked(true);
    // From here on a message never holds up the frame step.
    messageBoxes_.Defer();

    frameTimer_.stop();
    frameTimer_.start(kFramePeriodMs, this);
    // Someone who relies on the room being watched finds it watched after a restart.
    session_.ResumeRecordOnMotion();
    web_->Apply(CUserSettings::LoadWeb(), CUserSettings::LoadRtsp());
    return true;
}

void CMainDlg::FillLists() {
    std::vector<std::string> video;
    CCaptureGraph::ListVideoCompressors(video, &notices_);
    std::vector<std::string> devices;
    const bool devicesListed = CCaptureGraph::ListAudioDevices(devices, &notices_);
    std::vector<std::string> compressors;
    const bool compressorsListed = CCaptureGraph::ListAudioCompressors(compressors, &notices_);
    controls_->FillLists(
        session_.ChooseLists(video, devicesListed, devices, compressorsListed, compressors),
        session_.noAudioDevice());
}

void CMainDlg::ApplySkin() {
    skinBitmap_ = LoadPicture(ids::kBitmapSkin);
    if (skinBitmap_.isNull())
        return;
    setFixedSize(skinBitmap_.size());
    setMask(KeyedBitmapRegion(skinBitmap_, kSkinKey, kSkinTolerance));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void CMainDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!skinBitmap_.isNull()) {
        painter.drawImage(QPoint(0, 0), skinBitmap_);
    } else {
        painter.fillRect(rect(), palette().window());
    }
}

void CMainDlg::mousePressEvent(QMouseEvent* event) {
    // The whole skin is a caption: dragging anywhere moves the window. On Wayland only
    // the compositor moves windows; where it will not, the window follows the pointer.
    if (event->button() == Qt::LeftButton) {
        if (seams_.systemMove && windowHandle() != nullptr && windowHandle()->startSystemMove())
            return;
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
        dragging_ = true;
    }
    QDialog::mousePressEvent(event);
}

void CMainDlg::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_)
        move(event->globalPosition().toPoint() - dragOffset_);
    QDialog::mouseMoveEvent(event);
}

void CMainDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
    QDialog::mouseReleaseEvent(event);
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
    // Neither Enter nor Escape ends the program: a user confirming a typed path would
    // lose the running session. Close, the tray's Exit and the quit signals end it.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            // Enter works a focused push button; in the path field it confirms the path
            // (the field's editingFinished).
            auto* focused = qobject_cast<CSkinButton*>(focusWidget());
            if (focused != nullptr && focused->kind() == CSkinButton::Push)
                focused->click();
            return;
        }
        case Qt::Key_Escape:
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void CMainDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == frameTimer_.timerId()) {
        session_.FrameStep();
    } else if (event->timerId() == blinkTimer_.timerId()) {
        session_.BlinkStep();
    } else if (event->timerId() == settleTimer_.timerId()) {
        session_.SettleStep();
    } else {
        QDialog::timerEvent(event);
    }
}

void CMainDlg::OnTrayCommand(int commandId) {
    if (tray_ != nullptr)
        tray_->OnTrayCommand(commandId);
}

void CMainDlg::CloseProgram() {
    session_.SetBusy();
    done(QDialog::Rejected);
}

void CMainDlg::EndFromOutside() {
    // Before the program's loop runs (start-up) and inside it, the loop level is 1 at
    // most; deeper, a command waits in a dialog's own loop and must get back first.
    // The attempts are bounded: a dialog that will not close does not keep us alive.
    constexpr int kMaxAttempts = 100;
    if (QThread::currentThread()->loopLevel() > 1 && endAttempts_++ < kMaxAttempts) {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();  // the tray menu
        else if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        QTimer::singleShot(20, this, &CMainDlg::EndFromOutside);
        return;
    }
    CloseProgram();
}

void CMainDlg::done(int result) {
    TearDown();
    QDialog::done(result);
}

void CMainDlg::TearDown() {
    if (tornDown_)
        return;
    tornDown_ = true;
    if (web_)
        web_->Stop();
    session_.Shutdown();
    surfaces_->DestroyPreviewWindow();
    skinBitmap_ = QImage();
    if (tray_ != nullptr)
        tray_->Remove();
    alarmPlayer_.Stop();
    previewSound_.Stop();
    cursor_.Restore();
}

// ---- what the session shows and reads ----

void CMainDlg::StartTimer(int id, int periodMs) {
    if (id == kFrameTimer)
        frameTimer_.start(periodMs, this);
    if (id == kBlinkTimer)
        blinkTimer_.start(periodMs, this);
    if (id == kSettleTimer)
        settleTimer_.start(periodMs, this);
}

void CMainDlg::StopTimer(int id) {
    if (id == kFrameTimer)
        frameTimer_.stop();
    if (id == kBlinkTimer)
        blinkTimer_.stop();
    if (id == kSettleTimer)
        settleTimer_.stop();
}

void CMainDlg::SetCursor(CursorShape shape) {
    cursor_.Show(shape);
}

void CMainDlg::ShowFrame(const std::uint8_t* frame, int, int) {
    surfaces_->DrawFrame(frame);
}

void CMainDlg::ResizeDisplay(int width, int height) {
    surfaces_->Resize(width, height);
}

void CMainDlg::ShowDisplay(bool outside, int width, int height) {
    surfaces_->Show(outside, width, height);
}

void CMainDlg::ShowControls(const ControlsView& view) {
    controls_->Render(view);
}

// ---- commands that open a window ----

void CMainDlg::CPreviewSound::Start(const std::string& path) {
    player_.Stop();
    player_.Play(path);
}

void CMainDlg::OnSnapShot() {
    // The next frame step writes the frame of this moment while the dialog is open.
    if (!session_.BeginSnapshot())
        return;
    const std::optional<QString> chosen = seams_.files->SaveFileName(
        this, QString::fromLatin1(kSnapshotProposedName), QStringLiteral("jpg"),
        {QStringLiteral("JPG Files (*.jpg)"), QStringLiteral("BMP Files (*.bmp)")});
    std::string target;
    if (chosen.has_value() && !chosen->isEmpty()) {
        // A quick answer can come before the frame step took the picture.
        WaitForFrameSteps([this] { return !session_.snapshotPending(); });
        target = chosen->toStdString();
    }
    session_.FinishSnapshot(target);
}

void CMainDlg::WaitForFrameSteps(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && !session_.busy() && frameTimer_.isActive() && waited.elapsed() < 2000) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

}  // namespace tavelin
