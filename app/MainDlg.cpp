#include "MainDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <optional>

#include "AboutBox.h"
#include "AppPaths.h"
#include "CameraPropertiesDlg.h"
#include "DisplaySurfaces.h"
#include "FileNames.h"
#include "FrameFormat.h"
#include "MainTray.h"
#include "Messages.h"
#include "MonitorSettingsDlg.h"
#include "PictureStatic.h"
#include "Pictures.h"
#include "PreviewWindow.h"
#include "RecordSettingsLaunchers.h"
#include "ResourceIds.h"
#include "Resources.h"
#include "ScrambledText.h"
#include "SkinButton.h"
#include "SkinLayout.h"
#include "SkinRegion.h"
#include "SplashDlg.h"
#include "TimerShotDlg.h"

namespace tavelin {

namespace {

// The window caption, kept scrambled (each byte rotated right by three bits).
constexpr std::uint8_t kScrambledCaption[] = {0x8A, 0x2C, 0xCE, 0xAC, 0x8D, 0x2D, 0xCD,
                                              0x04, 0xCA, 0x2D, 0x8C, 0xAC, 0xED, 0x04,
                                              0x68, 0xAC, 0xCD, 0x8E, 0xAC, 0x4E};

// Skin key: pure green and everything up to 16 above it in red and blue.
constexpr std::uint32_t kSkinKey = ColourValue(0, 255, 0);
constexpr std::uint32_t kSkinTolerance = ColourValue(16, 16, 16);

// A skinned button's pictures; its place comes from the skin layout. Disabled 0
// reuses the normal picture.
struct ButtonSkin {
    int id;
    int normal;
    int down;
    int disabled;
    int mask;
};

// In the order they are skinned.
constexpr ButtonSkin kSizeSkins[] = {
    {ids::kSizeDefault, ids::kBitmapSizeDefault, ids::kBitmapSizeDefaultDown,
     ids::kBitmapSizeDefault, ids::kBitmapMaskFace},
    {ids::kSize320, ids::kBitmapSize320, ids::kBitmapSize320Down, ids::kBitmapSize320,
     ids::kBitmapMaskFace},
    {ids::kSize640, ids::kBitmapSize640, ids::kBitmapSize640Down, 0, ids::kBitmapMaskFace},
    {ids::kSize800, ids::kBitmapSize800, ids::kBitmapSize800Down, 0, ids::kBitmapMaskFace},
    {ids::kSize1280, ids::kBitmapSize1280, ids::kBitmapSize1280Down, 0, ids::kBitmapMaskFace},
    {ids::kSize1600, ids::kBitmapSize1600, ids::kBitmapSize1600Down, 0, ids::kBitmapMaskFace},
};
constexpr ButtonSkin kOtherSkins[] = {
    {ids::kAudioStrip, ids::kBitmapAudioStrip, 0, 0, ids::kBitmapStripMask},
    {ids::kProperty, ids::kBitmapProperty, ids::kBitmapPropertyDown, 0, ids::kBitmapMaskFace},
    {ids::kAbout, ids::kBitmapAbout, ids::kBitmapAboutDown, 0, ids::kBitmapMaskFace},
    {ids::kSaveFile, ids::kBitmapSaveFile, ids::kBitmapSaveFileDown, 0, ids::kBitmapMaskFace},
    {ids::kSnapShot, ids::kBitmapSnapShot, ids::kBitmapSnapShotDown, 0, ids::kBitmapMaskFace},
    {ids::kTimerShot, ids::kBitmapTimerShot, ids::kBitmapTimerShotDown, 0, ids::kBitmapMaskFace},
    {ids::kShowTime, ids::kBitmapShowTime, ids::kBitmapShowTimeDown, 0, ids::kBitmapMaskFace},
    {ids::kRecorder, ids::kBitmapRecorder, ids::kBitmapRecorderDown, 0, ids::kBitmapMaskFace},
    {ids::kRecordLight, ids::kBitmapRecordLight, 0, ids::kBitmapRecordLightOff,
     ids::kBitmapRecordLightMask},
    {ids::kAudioSettings, ids::kBitmapSettings, ids::kBitmapSettingsAudioDown, 0,
     ids::kBitmapMaskFace},
    {ids::kEnableAudio, ids::kBitmapAudioEnable, ids::kBitmapAudioDisableDown,
     ids::kBitmapAudioEnableDisabled, ids::kBitmapMaskFace},
    {ids::kVideoSettings, ids::kBitmapSettings, ids::kBitmapSettingsVideoDown, 0,
     ids::kBitmapMaskFace},
    {ids::kMonitor, ids::kBitmapMonitor, ids::kBitmapMonitorDown, 0, ids::kBitmapMaskFace},
    {ids::kMonitorLight, ids::kBitmapEye, 0, ids::kBitmapEyeOff, ids::kBitmapEyeMask},
};

// The choices a recording holds fixed, besides the sizes and the recorder's text.
constexpr int kRecordingSettingsControls[] = {ids::kShowTime, ids::kAudioSettings,
                                              ids::kEnableAudio, ids::kVideoSettings};

QString ToQt(const std::string& s) {
    return QString::fromStdString(s);
}

void MoveToPlace(QWidget* control, int id) {
    const layout::Point at = layout::PlaceOf(id);
    if (control != nullptr && at.x >= 0)
        control->move(at.x, at.y);
}

}  // namespace

CMainDlg::CMainDlg(const MainDlgSeams& seams)
    : QDialog(nullptr, Qt::Window | Qt::FramelessWindowHint),
      seams_(seams),
      messageBoxes_(this),
      notices_(seams.notices != nullptr ? *seams.notices : messageBoxes_),
      clock_(seams.clock != nullptr ? *seams.clock : systemClock_),
      session_(capture_, capture_, *this, notices_, clock_,
               seams.alarm != nullptr ? seams.alarm : &alarmPlayer_) {
    if (seams_.preview == nullptr)
        seams_.preview = &previewSound_;
    if (seams_.files == nullptr)
        seams_.files = &qtFiles_;
    capture_.SetNoticeSink(&notices_);
    setWindowIcon(AppIcon());
    session_.SetFiles({CAppPaths::CounterFile(), CAppPaths::TimerShotDefault(),
                       privateTemp_.isValid()
                           ? privateTemp_.path().toStdString() + kSnapshotTempName
                           : std::string()});
    CreateControls();
    ConnectCommands();
}

CMainDlg::~CMainDlg() {
    TearDown();
}

void CMainDlg::CreateControls() {
    auto addButton = [this](int id, CSkinButton::Kind kind) {
        auto* b = new CSkinButton(this, kind);
        controls_[id] = b;
        return b;
    };
    for (const ButtonSkin& s : kSizeSkins) {
        CSkinButton* b = addButton(s.id, CSkinButton::Radio);
        sizeGroup_.push_back(b);
        b->SetGroup(&sizeGroup_);
    }
    for (int id : {ids::kShowTime, ids::kSnapShot, ids::kProperty, ids::kTimerShot, ids::kAbout,
                   ids::kVideoSettings, ids::kSaveFile, ids::kAudioSettings, ids::kClose,
                   ids::kMinimize, ids::kAudioStrip, ids::kRecordLight, ids::kMonitorLight}) {
        addButton(id, CSkinButton::Push);
    }
    for (int id : {ids::kRecorder, ids::kEnableAudio, ids::kMonitor})
        addButton(id, CSkinButton::CheckBox);
    // Three unskinned buttons that stay hidden: the recorder's state text and two spares.
    for (int id : {ids::kRecorderText, ids::kUnused1045, ids::kRecordSettings})
        addButton(id, CSkinButton::Push)->hide();
    button(ids::kRecorderText)->setText(QString::fromLatin1(msg::kRunRecorder));
    button(ids::kUnused1045)->setEnabled(false);
    button(ids::kRecordSettings)->setEnabled(false);
    button(ids::kAudioStrip)->setEnabled(false);
    button(ids::kAudioStrip)->hide();
    button(ids::kRecordLight)->hide();
    button(ids::kMonitorLight)->hide();

    audioDeviceList_ = new QComboBox(this);
    audioCompressorList_ = new QComboBox(this);
    videoCompressorList_ = new QComboBox(this);
    audioDeviceList_->setFixedSize(layout::kListWidth, layout::kRowHeight);
    audioCompressorList_->setFixedSize(layout::kListWidth, layout::kRowHeight);
    videoCompressorList_->setFixedSize(layout::kVideoListWidth, layout::kRowHeight);
    controls_[ids::kAudioDeviceList] = audioDeviceList_;
    controls_[ids::kAudioCompressorList] = audioCompressorList_;
    controls_[ids::kVideoCompressorList] = videoCompressorList_;

    aviPathEdit_ = new QLineEdit(this);
    aviPathEdit_->setFixedSize(layout::kListWidth, layout::kRowHeight);
    controls_[ids::kAviPathEdit] = aviPathEdit_;

    displayInside_ = new QRadioButton(QStringLiteral("default"), this);
    displayOutside_ = new QRadioButton(QStringLiteral("outside"), this);
    displayInside_->hide();
    displayOutside_->hide();
    controls_[ids::kDisplayInside] = displayInside_;
    controls_[ids::kDisplayOutside] = displayOutside_;

    auto* timeLabel = new QLabel(QStringLiteral("TIME"), this);
    timeLabel->hide();
    controls_[ids::kTimeLabel] = timeLabel;

    surfaces_ = std::make_unique<CDisplaySurfaces>(this);
    controls_[ids::kPicture] = surfaces_->pictureStatic();
    connect(surfaces_.get(), &CDisplaySurfaces::previewClosed, this, &CMainDlg::CloseProgram);

    // Every button shows the button cursor.
    const QCursor buttonCursor(QPixmap(PicturePath(ids::kCursorButton)), ids::kCursorButtonHotX,
                               ids::kCursorButtonHotY);
    for (auto& [id, widget] : controls_) {
        if (qobject_cast<QAbstractButton*>(widget) != nullptr)
            widget->setCursor(buttonCursor);
    }
}

void CMainDlg::ConnectCommands() {
    const auto onClick = [this](int id, auto&& handler) {
        connect(button(id), &QAbstractButton::clicked, this,
                std::forward<decltype(handler)>(handler));
    };
    for (const ButtonSkin& s : kSizeSkins)
        onClick(s.id, [this, id = s.id] { session_.SelectCaptureSize(SizeIndexForButton(id)); });
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
    onClick(ids::kAudioSettings, [this] { OnAudioSettings(); });
    onClick(ids::kVideoSettings, [this] { OnVideoSettings(); });
    onClick(ids::kRecordSettings, [this] { OnRecordSettings(); });
    onClick(ids::kSnapShot, [this] { OnSnapShot(); });
    onClick(ids::kTimerShot, [this] { session_.ToggleTimerShot(); });
    onClick(ids::kSaveFile, [this] { OnSaveFile(); });
    onClick(ids::kProperty, [this] { OnProperty(); });
    onClick(ids::kEnableAudio, [this] { session_.ToggleAudio(); });
    onClick(ids::kMonitor, [this] { OnMonitor(); });
    onClick(ids::kRecorder, [this] { session_.ToggleRecorder(); });
    connect(displayInside_, &QAbstractButton::clicked, this,
            [this] { session_.ShowDisplay(false); });
    connect(displayOutside_, &QAbstractButton::clicked, this,
            [this] { session_.ShowDisplay(true); });
    connect(videoCompressorList_, &QComboBox::activated, this, [this] { CollectChoices(); });
}

CSkinButton* CMainDlg::button(int id) const {
    return qobject_cast<CSkinButton*>(control(id));
}

QWidget* CMainDlg::control(int id) const {
    const auto it = controls_.find(id);
    return it != controls_.end() ? it->second : nullptr;
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
    surfaces_->Place(false, tick.frameWidth, tick.frameHeight);
    surfaces_->pictureStatic()->SetupPicture(tick.frameWidth, tick.frameHeight);

    session_.SetOverlayPictures(LoadOverlayPicture(ids::kBitmapCameraIcon),
                                LoadOverlayPicture(ids::kBitmapBadge));
    ApplySkin();
    SkinButtons();
    move(pos() + QPoint(tick.frameWidth / 2, 0));

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

    surfaces_->Show(true, tick.frameWidth, tick.frameHeight);
    displayOutside_->setChecked(true);

    frameTimer_.stop();
    frameTimer_.start(kFramePeriodMs, this);
    return true;
}

void CMainDlg::FillLists() {
    std::vector<std::string> video;
    CCaptureGraph::ListVideoCompressors(video, &notices_);
    std::vector<std::string> devices;
    const bool devicesListed = CCaptureGraph::ListAudioDevices(devices, &notices_);
    std::vector<std::string> compressors;
    const bool compressorsListed = CCaptureGraph::ListAudioCompressors(compressors, &notices_);
    const CCameraSession::ListsShown shown =
        session_.ChooseLists(video, devicesListed, devices, compressorsListed, compressors);

    const auto fill = [](QComboBox* list, const std::vector<std::string>& names, int selected) {
        list->clear();
        for (const std::string& n : names)
            list->addItem(ToQt(n));
        list->setCurrentIndex(selected);
    };
    fill(videoCompressorList_, shown.videoCompressors, shown.videoCompressor);
    fill(audioDeviceList_, shown.audioDevices, shown.audioDevice);
    fill(audioCompressorList_, shown.audioCompressors, shown.audioCompressor);
    if (session_.noAudioDevice())
        button(ids::kEnableAudio)->setEnabled(false);
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

void CMainDlg::SkinButtons() {
    button(ids::kMinimize)->SetToolTipText(QStringLiteral("Minimize"));
    button(ids::kClose)->SetToolTipText(QStringLiteral("Close"));

    auto skin = [this](const ButtonSkin& s) {
        CSkinButton* b = button(s.id);
        b->SetSkin(s.normal, s.down, 0, s.disabled, 0, s.mask, CSkinButton::Natural, 0, 0);
        MoveToPlace(b, s.id);
    };
    skin({ids::kMinimize, ids::kBitmapMinimise, ids::kBitmapMinimise, 0, ids::kBitmapMinimiseMask});
    skin({ids::kClose, ids::kBitmapClose, ids::kBitmapClose, 0, ids::kBitmapCloseMask});
    for (const ButtonSkin& s : kSizeSkins)
        skin(s);
    button(ids::kSizeDefault)->SetCheck(true);
    for (const ButtonSkin& s : kOtherSkins)
        skin(s);
    for (const int id : {ids::kAudioDeviceList, ids::kAudioCompressorList, ids::kAviPathEdit,
                         ids::kVideoCompressorList}) {
        MoveToPlace(control(id), id);
    }
    // The lights sit over the left end of their switches.
    button(ids::kRecordLight)->raise();
    button(ids::kMonitorLight)->raise();
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
    // The whole skin is a caption: dragging anywhere moves the window.
    if (event->button() == Qt::LeftButton) {
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
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter works a focused push button; anywhere else it ends the dialog.
        auto* focused = qobject_cast<CSkinButton*>(focusWidget());
        if (focused != nullptr && focused->kind() == CSkinButton::Push) {
            focused->click();
        } else {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMainDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == frameTimer_.timerId()) {
        session_.FrameStep();
    } else if (event->timerId() == blinkTimer_.timerId()) {
        session_.BlinkStep();
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
    session_.Shutdown();
    surfaces_->DestroyPreviewWindow();
    skinBitmap_ = QImage();
    if (tray_ != nullptr)
        tray_->Remove();
    alarmPlayer_.Stop();
    previewSound_.Stop();
    if (cursorOverridden_) {
        QGuiApplication::restoreOverrideCursor();
        cursorOverridden_ = false;
    }
}

// ---- what the session shows and reads ----

void CMainDlg::StartTimer(int id, int periodMs) {
    if (id == kFrameTimer)
        frameTimer_.start(periodMs, this);
    if (id == kBlinkTimer)
        blinkTimer_.start(periodMs, this);
}

void CMainDlg::StopTimer(int id) {
    if (id == kFrameTimer)
        frameTimer_.stop();
    if (id == kBlinkTimer)
        blinkTimer_.stop();
}

void CMainDlg::SetCursor(CursorShape shape) {
    if (cursorOverridden_) {
        QGuiApplication::restoreOverrideCursor();
        cursorOverridden_ = false;
    }
    if (shape == CursorShape::Normal)
        return;
    QGuiApplication::setOverrideCursor(shape == CursorShape::Wait ? Qt::WaitCursor
                                                                  : Qt::BusyCursor);
    cursorOverridden_ = true;
    if (shape == CursorShape::Starting) {
        // The starting cursor only marks the moment work resumes; it goes by itself.
        QTimer::singleShot(400, this, [this] {
            if (cursorOverridden_ && QGuiApplication::overrideCursor() != nullptr &&
                QGuiApplication::overrideCursor()->shape() == Qt::BusyCursor) {
                QGuiApplication::restoreOverrideCursor();
                cursorOverridden_ = false;
            }
        });
    }
}

void CMainDlg::Sleep(int milliseconds) {
    QThread::msleep(static_cast<unsigned long>(milliseconds));
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

void CMainDlg::LightRecordLight(bool lit) {
    button(ids::kRecordLight)->setEnabled(lit);
}

void CMainDlg::LightMonitorLight(bool lit) {
    button(ids::kMonitorLight)->setEnabled(lit);
}

void CMainDlg::SetRecorderText(const std::string& text) {
    button(ids::kRecorderText)->setText(ToQt(text));
}

void CMainDlg::EnableRecorderText(bool enabled) {
    button(ids::kRecorderText)->setEnabled(enabled);
}

void CMainDlg::EnableDisplayChoice(bool enabled) {
    displayInside_->setEnabled(enabled);
    displayOutside_->setEnabled(enabled);
}

void CMainDlg::CollectChoices() {
    session_.SetAviPathText(aviPathEdit_->text().toStdString());
    session_.SetListSelections(videoCompressorList_->currentIndex(),
                               audioCompressorList_->currentIndex(),
                               audioDeviceList_->currentIndex());
}

void CMainDlg::ShowAviPath(const std::string& path) {
    aviPathEdit_->setText(ToQt(path));
}

void CMainDlg::CheckSizeChoice(int sizeIndex) {
    button(kCaptureSizes[static_cast<std::size_t>(sizeIndex)].buttonId)->SetCheck(true);
}

void CMainDlg::EnableSizeChoices(bool enabled) {
    for (CSkinButton* b : sizeGroup_)
        b->setEnabled(enabled);
}

void CMainDlg::EnableRecordingSettings(bool enabled) {
    for (const int id : kRecordingSettingsControls)
        button(id)->setEnabled(enabled);
}

void CMainDlg::EnableAudioSwitch(bool enabled) {
    button(ids::kEnableAudio)->setEnabled(enabled);
}

void CMainDlg::ShowAudioStrip(bool shown) {
    button(ids::kAudioStrip)->setVisible(shown);
}

void CMainDlg::ShowRecordLight(bool shown) {
    CSkinButton* light = button(ids::kRecordLight);
    if (!shown)
        light->setEnabled(false);
    light->setVisible(shown);
}

void CMainDlg::ReleaseRecorderSwitch() {
    button(ids::kRecorder)->SetCheck(false);
}

void CMainDlg::ShowMonitorLight(bool shown) {
    button(ids::kMonitorLight)->setVisible(shown);
}

void CMainDlg::SetMonitorSwitchFaces(SwitchFaces faces) {
    const int normal =
        faces == SwitchFaces::Running ? ids::kBitmapMonitorDown : ids::kBitmapMonitor;
    button(ids::kMonitor)->SetSkin(normal, ids::kBitmapMonitorDown, 0, 0, 0, ids::kBitmapMaskFace);
}

void CMainDlg::ReleaseMonitorSwitch() {
    button(ids::kMonitor)->SetCheck(false);
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

void CMainDlg::OnSaveFile() {
    CPauseScope pause(session_);
    TimerShotSetup& setup = session_.settings().timerShot;
    CTimerShotDlg dialog(this, setup, ToQt(session_.files().timerShotDefault), notices_,
                         *seams_.files);
    dialog.exec();
    setup = dialog.setup();
}

void CMainDlg::OnProperty() {
    CPauseScope pause(session_);
    SetCursor(CursorShape::Wait);
    std::vector<CameraControl> controls = capture_.ListSourceControls();
    SetCursor(CursorShape::Normal);
    // A camera without settings of its own opens nothing.
    if (!controls.empty()) {
        CCameraPropertiesDlg dialog(this, std::move(controls),
                                    [this](std::uint32_t id, std::int32_t value) {
                                        return capture_.SetSourceControl(id, value);
                                    });
        dialog.exec();
    }
}

void CMainDlg::OnAudioSettings() {
    RunAudioSettings(*this, this, session_.settings().recording);
}

void CMainDlg::OnVideoSettings() {
    CollectChoices();
    std::string path = session_.aviPathText();
    std::int32_t counter = session_.fileCounter();
    if (RunVideoSettings(*this, this, path, counter, session_.settings().recording)) {
        session_.SetFileCounter(counter);
        session_.WriteAviPathText(path);
    }
}

void CMainDlg::OnRecordSettings() {
    CollectChoices();
    std::string path = session_.aviPathText();
    const MainWindowLists lists{videoCompressorList_, audioCompressorList_, audioDeviceList_};
    if (RunRecordSettings(*this, this, path, session_.fileCounter(), session_.settings().recording,
                          lists)) {
        session_.WriteAviPathText(path);
    }
}

void CMainDlg::OnMonitor() {
    CPauseScope pause(session_);
    MonitorSetup& setup = session_.settings().monitor;
    CMonitorSettingsDlg dialog(this, setup, *seams_.preview, session_.noAudioDevice(), notices_,
                               *seams_.files, ToQt(CAppPaths::ProgramDirectory()),
                               ToQt(CAppPaths::PictureDirectory()), clock_.LocalTime());
    const bool accepted = dialog.exec() == QDialog::Accepted;
    setup = dialog.setup();
    session_.ApplyMonitorSettings(accepted);
}

}  // namespace tavelin
