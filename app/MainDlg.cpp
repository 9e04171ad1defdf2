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
#include <cstdio>
#include <optional>

#include "AboutBox.h"
#include "AppPaths.h"
#include "AppState.h"
#include "CameraPropertiesDlg.h"
#include "CodecNames.h"
#include "FileCounter.h"
#include "FrameFormat.h"
#include "Messages.h"
#include "MonitorSettings.h"
#include "MonitorSettingsDlg.h"
#include "PictureStatic.h"
#include "Pictures.h"
#include "PreviewWindow.h"
#include "RecordSettingsLaunchers.h"
#include "ResourceIds.h"
#include "Resources.h"
#include "ScrambledText.h"
#include "SkinButton.h"
#include "SkinRegion.h"
#include "Snapshot.h"
#include "SplashDlg.h"
#include "SystemTray.h"
#include "TimerShotDlg.h"
#include "TrayMinimiser.h"

namespace tavelin {

namespace {

// The window caption, kept scrambled (each byte rotated right by three bits).
constexpr std::uint8_t kScrambledCaption[] = {0x8A, 0x2C, 0xCE, 0xAC, 0x8D, 0x2D, 0xCD,
                                              0x04, 0xCA, 0x2D, 0x8C, 0xAC, 0xED, 0x04,
                                              0x68, 0xAC, 0xCD, 0x8E, 0xAC, 0x4E};

// Skin key: pure green and everything up to 16 above it in red and blue.
constexpr std::uint32_t kSkinKey = ColourValue(0, 255, 0);
constexpr std::uint32_t kSkinTolerance = ColourValue(16, 16, 16);

// A skinned button's pictures and place. Disabled 0 reuses the normal picture.
struct ButtonSkin {
    int id;
    int normal;
    int down;
    int disabled;
    int mask;
    int x;
    int y;
};

// In the order they are skinned.
constexpr ButtonSkin kSizeSkins[] = {
    {ids::kSizeDefault, ids::kBitmapSizeDefault, ids::kBitmapSizeDefaultDown,
     ids::kBitmapSizeDefault, ids::kBitmapMaskFace, 17, 163},
    {ids::kSize320, ids::kBitmapSize320, ids::kBitmapSize320Down, ids::kBitmapSize320,
     ids::kBitmapMaskFace, 100, 163},
    {ids::kSize640, ids::kBitmapSize640, ids::kBitmapSize640Down, 0, ids::kBitmapMaskFace, 183,
     163},
    {ids::kSize800, ids::kBitmapSize800, ids::kBitmapSize800Down, 0, ids::kBitmapMaskFace, 266,
     163},
    {ids::kSize1280, ids::kBitmapSize1280, ids::kBitmapSize1280Down, 0, ids::kBitmapMaskFace, 100,
     194},
    {ids::kSize1600, ids::kBitmapSize1600, ids::kBitmapSize1600Down, 0, ids::kBitmapMaskFace, 183,
     194},
};
constexpr ButtonSkin kOtherSkins[] = {
    {ids::kAudioStrip, ids::kBitmapAudioStrip, 0, 0, ids::kBitmapStripMask, 17, 311},
    {ids::kProperty, ids::kBitmapProperty, ids::kBitmapPropertyDown, 0, ids::kBitmapMaskFace, 183,
     278},
    {ids::kAbout, ids::kBitmapAbout, ids::kBitmapAboutDown, 0, ids::kBitmapMaskFace, 265, 278},
    {ids::kSaveFile, ids::kBitmapSaveFile, ids::kBitmapSaveFileDown, 0, ids::kBitmapMaskFace, 265,
     247},
    {ids::kSnapShot, ids::kBitmapSnapShot, ids::kBitmapSnapShotDown, 0, ids::kBitmapMaskFace, 183,
     247},
    {ids::kTimerShot, ids::kBitmapTimerShot, ids::kBitmapTimerShotDown, 0, ids::kBitmapMaskFace, 99,
     247},
    {ids::kShowTime, ids::kBitmapShowTime, ids::kBitmapShowTimeDown, 0, ids::kBitmapMaskFace, 16,
     247},
    {ids::kRecorder, ids::kBitmapRecorder, ids::kBitmapRecorderDown, 0, ids::kBitmapMaskFace, 99,
     278},
    {ids::kRecordLight, ids::kBitmapRecordLight, 0, ids::kBitmapRecordLightOff,
     ids::kBitmapRecordLightMask, 99, 278},
    {ids::kAudioSettings, ids::kBitmapSettings, ids::kBitmapSettingsAudioDown, 0,
     ids::kBitmapMaskFace, 271, 33},
    {ids::kEnableAudio, ids::kBitmapAudioEnable, ids::kBitmapAudioDisableDown,
     ids::kBitmapAudioEnableDisabled, ids::kBitmapMaskFace, 271, 56},
    {ids::kVideoSettings, ids::kBitmapSettings, ids::kBitmapSettingsVideoDown, 0,
     ids::kBitmapMaskFace, 271, 90},
    {ids::kMonitor, ids::kBitmapMonitor, ids::kBitmapMonitorDown, 0, ids::kBitmapMaskFace, 16, 278},
    {ids::kMonitorLight, ids::kBitmapEye, 0, ids::kBitmapEyeOff, ids::kBitmapEyeMask, 16, 278},
};

// List and edit sizes, from the dialog units of the window's layout.
constexpr int kListWidth = 134;
constexpr int kVideoListWidth = 210;
constexpr int kFieldHeight = 21;

QString ToQt(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

CMainDlg::CMainDlg(const MainDlgSeams& seams)
    : QDialog(nullptr, Qt::Window | Qt::FramelessWindowHint),
      messageBoxes_(this),
      notices_(seams.notices != nullptr ? *seams.notices : messageBoxes_),
      clock_(seams.clock != nullptr ? *seams.clock : systemClock_),
      tick_(capture_, *this, notices_, clock_,
            seams.alarm != nullptr ? seams.alarm : &alarmPlayer_),
      recorder_(tick_, capture_, capture_, *this, *this, notices_),
      seams_(seams) {
    if (seams_.preview == nullptr)
        seams_.preview = &previewSound_;
    if (seams_.files == nullptr)
        seams_.files = &qtFiles_;
    capture_.SetNoticeSink(&notices_);
    App().Reset();
    setWindowIcon(AppIcon());
    tick_.fixedShotPath = privateTemp_.isValid()
                              ? privateTemp_.filePath(QStringLiteral("bmp.bmp")).toStdString()
                              : std::string();
    CreateControls();
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
        connect(b, &QAbstractButton::clicked, this, [this, id = s.id] { OnSizeButton(id); });
    }
    for (int id : {ids::kShowTime, ids::kSnapShot, ids::kProperty, ids::kTimerShot, ids::kAbout,
                   ids::kVideoSettings, ids::kSaveFile, ids::kAudioSettings, ids::kClose,
                   ids::kMinimize, ids::kAudioStrip, ids::kRecordLight, ids::kMonitorLight}) {
        addButton(id, CSkinButton::Push);
    }
    for (int id : {ids::kRecorder, ids::kEnableAudio, ids::kMonitor}) {
        addButton(id, CSkinButton::CheckBox);
    }
    // Three unskinned buttons that stay hidden: the recorder's state text and two spares.
    for (int id : {ids::kRecorderText, ids::kUnused1045, ids::kRecordSettings}) {
        CSkinButton* b = addButton(id, CSkinButton::Push);
        b->hide();
    }
    button(ids::kRecorderText)->setText(QString::fromLatin1(msg::kRunRecorder));
    button(ids::kUnused1045)->setEnabled(false);
    button(ids::kRecordSettings)->setEnabled(false);
    button(ids::kAudioStrip)->setEnabled(false);
    button(ids::kAudioStrip)->hide();
    button(ids::kRecordLight)->hide();
    button(ids::kMonitorLight)->hide();
    connect(button(ids::kClose), &QAbstractButton::clicked, this, &CMainDlg::CloseProgram);
    connect(button(ids::kMinimize), &QAbstractButton::clicked, this, &CMainDlg::OnMinimize);
    connect(button(ids::kAbout), &QAbstractButton::clicked, this, &CMainDlg::OnAbout);
    connect(button(ids::kShowTime), &QAbstractButton::clicked, this, &CMainDlg::OnShowTime);
    connect(button(ids::kAudioSettings), &QAbstractButton::clicked, this,
            &CMainDlg::OnAudioSettings);
    connect(button(ids::kVideoSettings), &QAbstractButton::clicked, this,
            &CMainDlg::OnVideoSettings);
    connect(button(ids::kRecordSettings), &QAbstractButton::clicked, this,
            &CMainDlg::OnRecordSettings);
    connect(button(ids::kSnapShot), &QAbstractButton::clicked, this, &CMainDlg::OnSnapShot);
    connect(button(ids::kTimerShot), &QAbstractButton::clicked, this, &CMainDlg::OnTimerShot);
    connect(button(ids::kSaveFile), &QAbstractButton::clicked, this, &CMainDlg::OnSaveFile);
    connect(button(ids::kProperty), &QAbstractButton::clicked, this, &CMainDlg::OnProperty);
    connect(button(ids::kEnableAudio), &QAbstractButton::clicked, this, &CMainDlg::ToggleAudio);
    connect(button(ids::kMonitor), &QAbstractButton::clicked, this, &CMainDlg::OnMonitor);
    connect(button(ids::kRecorder), &QAbstractButton::clicked, this,
            [this] { recorder_.ToggleRecorder(); });

    audioDeviceList_ = new QComboBox(this);
    audioCompressorList_ = new QComboBox(this);
    videoCompressorList_ = new QComboBox(this);
    audioDeviceList_->setFixedSize(kListWidth, kFieldHeight);
    audioCompressorList_->setFixedSize(kListWidth, kFieldHeight);
    videoCompressorList_->setFixedSize(kVideoListWidth, kFieldHeight);
    controls_[ids::kAudioDeviceList] = audioDeviceList_;
    controls_[ids::kAudioCompressorList] = audioCompressorList_;
    controls_[ids::kVideoCompressorList] = videoCompressorList_;

    aviPathEdit_ = new QLineEdit(this);
    aviPathEdit_->setFixedSize(kListWidth, kFieldHeight);
    controls_[ids::kAviPathEdit] = aviPathEdit_;

    displayInside_ = new QRadioButton(QStringLiteral("default"), this);
    displayOutside_ = new QRadioButton(QStringLiteral("outside"), this);
    displayInside_->hide();
    displayOutside_->hide();
    controls_[ids::kDisplayInside] = displayInside_;
    controls_[ids::kDisplayOutside] = displayOutside_;
    connect(displayInside_, &QAbstractButton::clicked, this, &CMainDlg::ShowInsideDisplay);
    connect(displayOutside_, &QAbstractButton::clicked, this, &CMainDlg::ShowOutsideDisplay);
    connect(videoCompressorList_, &QComboBox::activated, this, &CMainDlg::OnVideoCompressorChanged);

    timeLabel_ = new QLabel(QStringLiteral("TIME"), this);
    timeLabel_->hide();
    controls_[ids::kTimeLabel] = timeLabel_;

    pictureStatic_ = new CPictureStatic(this);
    controls_[ids::kPicture] = pictureStatic_;

    // Every button shows the button cursor.
    const QCursor buttonCursor(QPixmap(PicturePath(ids::kCursorButton)), ids::kCursorButtonHotX,
                               ids::kCursorButtonHotY);
    for (auto& [id, widget] : controls_) {
        if (qobject_cast<QAbstractButton*>(widget) != nullptr)
            widget->setCursor(buttonCursor);
    }
}

CSkinButton* CMainDlg::button(int id) const {
    return qobject_cast<CSkinButton*>(control(id));
}

QWidget* CMainDlg::control(int id) const {
    const auto it = controls_.find(id);
    return it != controls_.end() ? it->second : nullptr;
}

bool CMainDlg::OnInitDialog() {
    if (!capture_.BuildPreviewGraph(tick_.frameWidth, tick_.frameHeight)) {
        notices_.ShowNotice(msg::kNoCamera, NoticeStyle::Plain);
        capture_.Teardown();
        return false;
    }
    setWindowTitle(QString::fromStdString(Unscramble(kScrambledCaption, 3)));

    recorder_.counterPath = CAppPaths::CounterFile();
    ReadFileCounter(recorder_.fileCounter, recorder_.counterPath);
    aviPathText_ = ToQt(CAppPaths::RecordingDirectory() + NumberedAviName(recorder_.fileCounter));
    WriteControls();
    App().aviPath = aviPathText_.toStdString();

    FillLists();

    tick_.enlargedFrame.assign(FrameBytes(tick_.frameWidth, tick_.frameHeight), 0);
    PlaceDisplay(false, tick_.frameWidth, tick_.frameHeight);
    pictureStatic_->SetupPicture(tick_.frameWidth, tick_.frameHeight);

    LoadPictures();
    ApplySkin();
    SkinButtons();
    move(pos() + QPoint(tick_.frameWidth / 2, 0));

    if (seams_.splashMs > 0) {
        CSplashDlg splash(nullptr, seams_.splashMs);
        splash.exec();
    }

    tray_ = std::make_unique<CSystemTray>(seams_.trayAvailable);
    minimiser_ = std::make_unique<CTrayMinimiser>(
        *tray_, this,
        [this] {
            std::vector<QWidget*> companions;
            if (previewWindow_ != nullptr)
                companions.push_back(previewWindow_);
            return companions;
        },
        [this] { CloseProgram(); });
    tray_->Create(minimiser_.get(), QString::fromLatin1(msg::kCaption), AppIcon(), false);
    tray_->EnableMenuItem(ids::kTrayExit, true);
    tray_->EnableMenuItem(ids::kTrayShow, false);
    tray_->SetMenuDefaultItem(0, false);

    CreatePreviewWindow();
    pictureStatic_->hide();
    outsideDisplay_ = true;
    displayOutside_->setChecked(true);

    frameTimer_.stop();
    frameTimer_.start(kFramePeriodMs, this);
    return true;
}

void CMainDlg::FillLists() {
    std::vector<std::string> names;

    CCaptureGraph::ListVideoCompressors(names, &notices_);
    videoCompressorList_->clear();
    for (const std::string& n : names)
        videoCompressorList_->addItem(ToQt(n));
    App().videoCompressorIndex = DefaultVideoCompressorIndex(names);
    videoCompressorList_->setCurrentIndex(App().videoCompressorIndex);

    names.clear();
    audioDeviceList_->clear();
    if (CCaptureGraph::ListAudioDevices(names, &notices_)) {
        for (const std::string& n : names)
            audioDeviceList_->addItem(ToQt(n));
    } else {
        audioDeviceList_->addItem(QStringLiteral("None"));
        button(ids::kEnableAudio)->setEnabled(false);
        noAudioDevice_ = true;
    }
    audioDeviceList_->setCurrentIndex(0);
    App().audioDeviceIndex = 0;

    names.clear();
    audioCompressorList_->clear();
    audioCompression_ = CCaptureGraph::ListAudioCompressors(names, &notices_);
    if (audioCompression_) {
        for (const std::string& n : names)
            audioCompressorList_->addItem(ToQt(n));
    } else {
        names = {"None"};
        audioCompressorList_->addItem(QStringLiteral("None"));
    }
    App().audioCompressorIndex = DefaultAudioCompressorIndex(names);
    audioCompressorList_->setCurrentIndex(App().audioCompressorIndex);
    WriteControls();
}

void CMainDlg::LoadPictures() {
    tick_.cameraIcon = LoadOverlayPicture(ids::kBitmapCameraIcon);
    tick_.badgePicture = LoadOverlayPicture(ids::kBitmapBadge);
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
        MoveControl(b, s.x, s.y);
    };
    skin({ids::kMinimize, ids::kBitmapMinimise, ids::kBitmapMinimise, 0, ids::kBitmapMinimiseMask,
          29, 5});
    skin({ids::kClose, ids::kBitmapClose, ids::kBitmapClose, 0, ids::kBitmapCloseMask, 8, 5});
    for (const ButtonSkin& s : kSizeSkins)
        skin(s);
    button(ids::kSizeDefault)->SetCheck(true);
    for (const ButtonSkin& s : kOtherSkins) {
        skin(s);
        if (s.id == ids::kAudioSettings)
            MoveControl(audioDeviceList_, 132, 33);
        if (s.id == ids::kEnableAudio)
            MoveControl(audioCompressorList_, 132, 56);
        if (s.id == ids::kVideoSettings) {
            MoveControl(aviPathEdit_, 132, 90);
            MoveControl(videoCompressorList_, 132, 113);
        }
    }
    // The lights sit over the left end of their switches.
    button(ids::kRecordLight)->raise();
    button(ids::kMonitorLight)->raise();
}

void CMainDlg::MoveControl(QWidget* control, int x, int y) {
    if (control != nullptr)
        control->move(x, y);
}

void CMainDlg::CreatePreviewWindow() {
    if (previewWindow_ == nullptr) {
        previewWindow_ = new CPreviewWindow(this);
        connect(previewWindow_, &CPreviewWindow::closeRequested, this, &CMainDlg::CloseProgram,
                Qt::QueuedConnection);
        PlaceDisplay(true, tick_.frameWidth, tick_.frameHeight);
        previewWindow_->show();
    }
    previewWindow_->SetupDrawing(tick_.frameWidth, tick_.frameHeight);
}

void CMainDlg::PlaceDisplay(bool outside, int width, int height) {
    if (placing_)
        return;
    placing_ = true;
    if (outside) {
        if (previewWindow_ != nullptr) {
            if (App().previewMinimised) {
                previewWindow_->setFixedSize(width, height);
            } else {
                const QRect frame = previewWindow_->frameGeometry();
                const QRect client = previewWindow_->geometry();
                const int bw = frame.width() - client.width();
                const QRect main = frameGeometry();
                int x = main.left() - bw - width;
                int y = main.top() + (main.height() - height) / 2;
                previewWindow_->setFixedSize(width, height);
                previewWindow_->move(x < 0 ? 0 : x, y < 0 ? 0 : y);
            }
        }
    } else {
        pictureStatic_->resize(width + 6, height + 6);
    }
    placing_ = false;
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
        tick_.FrameStep();
    } else if (event->timerId() == blinkTimer_.timerId()) {
        tick_.BlinkStep();
    } else {
        QDialog::timerEvent(event);
    }
}

void CMainDlg::OnSizeButton(int buttonId) {
    const int index = SizeIndexForButton(buttonId);
    if (index >= 0)
        tick_.SelectCaptureSize(index);
}

bool CMainDlg::inTray() const {
    return minimiser_ != nullptr && minimiser_->inTray();
}

void CMainDlg::OnMinimize() {
    tick_.pauseRequest = true;
    if (minimiser_ != nullptr)
        minimiser_->Minimize();
    tick_.pauseRequest = false;
}

void CMainDlg::OnAbout() {
    tick_.pauseRequest = true;
    CAboutBox about(this);
    about.exec();
    tick_.pauseRequest = false;
}

void CMainDlg::OnTrayCommand(int commandId) {
    if (minimiser_ != nullptr)
        minimiser_->OnTrayCommand(commandId);
}

void CMainDlg::CloseProgram() {
    tick_.busy = true;
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
    tick_.busy = true;
    frameTimer_.stop();
    capture_.Teardown();
    if (previewWindow_ != nullptr) {
        delete previewWindow_;
        previewWindow_ = nullptr;
    }
    tick_.enlargedFrame.clear();
    tick_.enlargedFrame.shrink_to_fit();
    skinBitmap_ = QImage();
    if (tray_ != nullptr) {
        tray_->HideIcon();
        tray_->RemoveIcon();
    }
    minimiser_.reset();
    tick_.blink = false;
    blinkTimer_.stop();
    tick_.cameraIcon = OverlayPicture();
    tick_.badgePicture = OverlayPicture();
    tick_.monitor.Release();
    alarmPlayer_.Stop();
    previewSound_.Stop();
    if (cursorOverridden_) {
        QGuiApplication::restoreOverrideCursor();
        cursorOverridden_ = false;
    }
}

void CMainDlg::ReadControls() {
    aviPathText_ = aviPathEdit_->text();
    // The lists' selections are what a recording uses.
    AppState& app = App();
    app.videoCompressorIndex = videoCompressorList_->currentIndex();
    app.audioCompressorIndex = audioCompressorList_->currentIndex();
    app.audioDeviceIndex = audioDeviceList_->currentIndex();
}

void CMainDlg::WriteControls() {
    aviPathEdit_->setText(aviPathText_);
}

// ---- the frame tick's window ----

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
    if (outsideDisplay_) {
        if (previewWindow_ != nullptr)
            previewWindow_->DrawFrame(frame);
    } else {
        pictureStatic_->DrawFrame(frame);
    }
}

void CMainDlg::ResizeDisplay(int width, int height) {
    PlaceDisplay(outsideDisplay_, width, height);
    if (outsideDisplay_) {
        if (previewWindow_ != nullptr)
            previewWindow_->SetupDrawing(width, height);
    } else {
        pictureStatic_->SetupPicture(width, height);
    }
}

void CMainDlg::SetControlEnabled(int controlId, bool enabled) {
    if (QWidget* w = control(controlId))
        w->setEnabled(enabled);
}

void CMainDlg::SetRecorderText(const std::string& text) {
    button(ids::kRecorderText)->setText(ToQt(text));
}

void CMainDlg::SetRecordingControls(bool enable) {
    ReadControls();
    if (tick_.sizeIndex == 4 || tick_.sizeIndex == 5) {
        notices_.ShowNotice(
            "Not all video size are compatible!\r\n\r\nAuto adjust video size : 640x480.\r\n",
            NoticeStyle::Warning);
        tick_.sizeIndex = 2;
        button(ids::kSize640)->SetCheck(true);
        WriteControls();
        tick_.frameWidth = 640;
        tick_.frameHeight = 480;
        tick_.enlarge = false;
        ResizeDisplay(640, 480);
        tick_.enlargedFrame.assign(FrameBytes(640, 480), 0);
    }
    for (int id : {ids::kSizeDefault, ids::kSize320, ids::kSize640, ids::kSize800, ids::kSize1280,
                   ids::kSize1600, ids::kShowTime, ids::kRecorderText, ids::kAudioSettings,
                   ids::kEnableAudio, ids::kVideoSettings}) {
        SetControlEnabled(id, enable);
    }
    tick_.showDateTime = false;
    if (audioDeviceList_->count() > 0 &&
        audioDeviceList_->itemText(0).toUpper().startsWith(QStringLiteral("NONE"))) {
        audioEnabled_ = false;
        SetControlEnabled(ids::kEnableAudio, false);
    }
    displayInside_->setEnabled(enable);
    displayOutside_->setEnabled(enable);
    CSkinButton* light = button(ids::kRecordLight);
    if (enable) {
        tick_.blink = false;
        if (!tick_.monitor.monitorOn)
            StopTimer(kBlinkTimer);
        light->setEnabled(false);
        light->hide();
        button(ids::kRecorder)->SetCheck(false);
    } else {
        tick_.blink = true;
        if (!tick_.monitor.monitorOn)
            StartTimer(kBlinkTimer, kBlinkPeriodMs);
        light->show();
    }
}

// ---- the recorder's window ----

std::string CMainDlg::ReadAviPathText() {
    ReadControls();
    return aviPathText_.toStdString();
}

void CMainDlg::WriteAviPathText(const std::string& text) {
    aviPathText_ = ToQt(text);
    WriteControls();
}

// ---- commands ----

void CMainDlg::CPreviewSound::Start(const std::string& path) {
    player_.Stop();
    player_.Play(path);
}

void CMainDlg::OnShowTime() {
    tick_.showDateTime = !tick_.showDateTime;
}

void CMainDlg::OnSnapShot() {
    if (tick_.fixedShotRequest)
        return;
    // The next frame step writes the frame of this moment while the dialog is open.
    tick_.fixedShotRequest = true;
    const std::optional<QString> chosen = seams_.files->SaveFileName(
        this, QStringLiteral("SnapCap"), QStringLiteral("jpg"),
        {QStringLiteral("JPG Files (*.jpg)"), QStringLiteral("BMP Files (*.bmp)")});
    const std::string& temporary = tick_.fixedShotPath;
    if (chosen.has_value() && !chosen->isEmpty()) {
        // A quick answer can come before the frame step took the picture.
        WaitForFrameSteps([this] { return !tick_.fixedShotRequest; });
        // A conversion that fails says nothing and leaves nothing behind.
        SaveSnapshot(temporary, chosen->toStdString());
    }
    // Answered or not, this click's picture is done with.
    tick_.fixedShotRequest = false;
    std::remove(temporary.c_str());
}

void CMainDlg::WaitForFrameSteps(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && !tick_.busy && frameTimer_.isActive() && waited.elapsed() < 2000) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void CMainDlg::OnTimerShot() {
    if (tick_.timedShotActive) {
        tick_.timedShotActive = false;
        tick_.timedShotElapsed = 0.0f;
        tick_.timedShotStart = 0;
        return;
    }
    tick_.timedShotPath =
        App().timedShotTarget.empty() ? CAppPaths::TimerShotDefault() : App().timedShotTarget;
    std::remove(tick_.timedShotPath.c_str());
    tick_.timedShotActive = true;
    tick_.timedShotElapsed = 0.0f;
    tick_.timedShotStart = clock_.TickCount();
}

void CMainDlg::OnSaveFile() {
    tick_.pauseRequest = true;
    CTimerShotDlg dialog(this, ToQt(CAppPaths::TimerShotDefault()), notices_, *seams_.files);
    dialog.exec();
    tick_.pauseRequest = false;
}

void CMainDlg::OnProperty() {
    tick_.pauseRequest = true;
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
    tick_.pauseRequest = false;
}

void CMainDlg::OnAudioSettings() {
    RunAudioSettings(*this, this);
}

void CMainDlg::OnVideoSettings() {
    ReadControls();
    if (RunVideoSettings(*this, this, aviPathText_, recorder_.fileCounter))
        WriteControls();
}

void CMainDlg::OnRecordSettings() {
    ReadControls();
    const MainWindowLists lists{videoCompressorList_, audioCompressorList_, audioDeviceList_};
    if (RunRecordSettings(*this, this, aviPathText_, recorder_.fileCounter, lists))
        WriteControls();
}

void CMainDlg::ToggleAudio() {
    audioEnabled_ = !audioEnabled_;
    button(ids::kAudioStrip)->setVisible(audioEnabled_);
}

void CMainDlg::OnMonitor() {
    tick_.pauseRequest = true;
    CMonitorSettingsDlg dialog(this, *seams_.preview, noAudioDevice_, notices_, *seams_.files,
                               ToQt(CAppPaths::ProgramDirectory()),
                               ToQt(CAppPaths::PictureDirectory()), clock_.LocalTime());
    ApplyMonitorSettings(dialog.exec() == QDialog::Accepted);
    tick_.pauseRequest = false;
}

void CMainDlg::ApplyMonitorSettings(bool accepted) {
    ApplyMonitorPlan(accepted
                         ? PlanAcceptedSettings(App().monitorMode, noAudioDevice_, tick_.recording)
                         : PlanCancelledSettings(tick_.monitor.monitorOn, tick_.recording));
}

void CMainDlg::ApplyMonitorPlan(const MonitorSettingsPlan& plan) {
    CMonitorCore& monitor = tick_.monitor;
    if (plan.resetMonitor) {
        monitor.motionShotPending = false;
        monitor.monitorOn = false;
        monitor.zoomReady = false;
        monitor.trackHoldoff = CMonitorCore::kTrackHoldoff;
    }
    if (plan.showNoAudioNotice)
        notices_.ShowNotice(msg::kNoAudioDevice, NoticeStyle::Warning);
    if (plan.resetZoomDivider)
        monitor.zoomDivider = 0;
    if (plan.resetMonitor) {
        monitor.monitorOn = plan.monitorOn;
        tick_.SetUpMonitor();
    }
    CSkinButton* monitorSwitch = button(ids::kMonitor);
    if (plan.indicator == IndicatorAction::Show) {
        tick_.monitorIndicator = true;
        button(ids::kMonitorLight)->show();
    } else if (plan.indicator == IndicatorAction::Hide) {
        tick_.monitorIndicator = false;
        button(ids::kMonitorLight)->hide();
    }
    if (plan.blinkTimer == TimerAction::Start)
        StartTimer(kBlinkTimer, kBlinkPeriodMs);
    if (plan.blinkTimer == TimerAction::Stop)
        StopTimer(kBlinkTimer);
    if (plan.switchFaces == SwitchFaces::Running) {
        monitorSwitch->SetSkin(ids::kBitmapMonitorDown, ids::kBitmapMonitorDown, 0, 0, 0,
                               ids::kBitmapMaskFace);
    } else if (plan.switchFaces == SwitchFaces::Idle) {
        monitorSwitch->SetSkin(ids::kBitmapMonitor, ids::kBitmapMonitorDown, 0, 0, 0,
                               ids::kBitmapMaskFace);
    }
    if (plan.clearSwitchCheck)
        monitorSwitch->SetCheck(false);
}

void CMainDlg::ShowOutsideDisplay() {
    tick_.busy = true;
    StopTimer(kFrameTimer);
    SetCursor(CursorShape::Wait);
    Sleep(150);
    outsideDisplay_ = false;
    CreatePreviewWindow();
    pictureStatic_->hide();
    outsideDisplay_ = true;
    tick_.busy = false;
    SetCursor(CursorShape::Starting);
    StartTimer(kFrameTimer, kFramePeriodMs);
}

void CMainDlg::ShowInsideDisplay() {
    tick_.busy = true;
    StopTimer(kFrameTimer);
    SetCursor(CursorShape::Wait);
    Sleep(150);
    outsideDisplay_ = false;
    if (previewWindow_ != nullptr) {
        delete previewWindow_;
        previewWindow_ = nullptr;
    }
    PlaceDisplay(false, tick_.frameWidth, tick_.frameHeight);
    pictureStatic_->SetupPicture(tick_.frameWidth, tick_.frameHeight);
    pictureStatic_->show();
    pictureStatic_->raise();
    tick_.busy = false;
    SetCursor(CursorShape::Starting);
    StartTimer(kFrameTimer, kFramePeriodMs);
}

void CMainDlg::OnVideoCompressorChanged() {
    ReadControls();
}

}  // namespace tavelin
