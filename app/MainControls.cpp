#include "app/MainControls.h"

#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>

#include "core/FrameFormat.h"
#include "core/Messages.h"
#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "resources/SkinLayout.h"
#include "widgets/SkinButton.h"

namespace tavelin {

namespace {

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

void MoveToPlace(QWidget* control, int id) {
    const layout::Point at = layout::PlaceOf(id);
    if (control != nullptr && at.x >= 0)
        control->move(at.x, at.y);
}

}  // namespace

CMainControls::CMainControls(QWidget* window) {
    auto addButton = [this, window](int id, CSkinButton::Kind kind) {
        auto* b = new CSkinButton(window, kind);
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

    audioDeviceList_ = new QComboBox(window);
    audioCompressorList_ = new QComboBox(window);
    videoCompressorList_ = new QComboBox(window);
    audioDeviceList_->setFixedSize(layout::kListWidth, layout::kRowHeight);
    audioCompressorList_->setFixedSize(layout::kListWidth, layout::kRowHeight);
    videoCompressorList_->setFixedSize(layout::kVideoListWidth, layout::kRowHeight);
    controls_[ids::kAudioDeviceList] = audioDeviceList_;
    controls_[ids::kAudioCompressorList] = audioCompressorList_;
    controls_[ids::kVideoCompressorList] = videoCompressorList_;

    aviPathEdit_ = new QLineEdit(window);
    aviPathEdit_->setFixedSize(layout::kListWidth, layout::kRowHeight);
    controls_[ids::kAviPathEdit] = aviPathEdit_;

    displayInside_ = new QRadioButton(QStringLiteral("default"), window);
    displayOutside_ = new QRadioButton(QStringLiteral("outside"), window);
    displayInside_->hide();
    displayOutside_->hide();
    controls_[ids::kDisplayInside] = displayInside_;
    controls_[ids::kDisplayOutside] = displayOutside_;

    auto* timeLabel = new QLabel(QStringLiteral("TIME"), window);
    timeLabel->hide();
    controls_[ids::kTimeLabel] = timeLabel;

    // Every button shows the button cursor.
    const QCursor buttonCursor(QPixmap(PicturePath(ids::kCursorButton)), ids::kCursorButtonHotX,
                               ids::kCursorButtonHotY);
    for (auto& [id, widget] : controls_) {
        if (qobject_cast<QAbstractButton*>(widget) != nullptr)
            widget->setCursor(buttonCursor);
    }
}

void CMainControls::AddPicture(QWidget* picture) {
    controls_[ids::kPicture] = picture;
}

CSkinButton* CMainControls::button(int id) const {
    return qobject_cast<CSkinButton*>(control(id));
}

QWidget* CMainControls::control(int id) const {
    const auto it = controls_.find(id);
    return it != controls_.end() ? it->second : nullptr;
}

void CMainControls::Skin() {
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

void CMainControls::FillLists(const CCameraSession::ListsShown& shown, bool noAudioDevice) {
    const auto fill = [](QComboBox* list, const std::vector<std::string>& names, int selected) {
        list->clear();
        for (const std::string& n : names)
            list->addItem(QString::fromStdString(n));
        list->setCurrentIndex(selected);
    };
    fill(videoCompressorList_, shown.videoCompressors, shown.videoCompressor);
    fill(audioDeviceList_, shown.audioDevices, shown.audioDevice);
    fill(audioCompressorList_, shown.audioCompressors, shown.audioCompressor);
    if (noAudioDevice)
        button(ids::kEnableAudio)->setEnabled(false);
}

std::string CMainControls::aviPathText() const {
    return aviPathEdit_->text().toStdString();
}

int CMainControls::videoCompressor() const {
    return videoCompressorList_->currentIndex();
}

int CMainControls::audioCompressor() const {
    return audioCompressorList_->currentIndex();
}

int CMainControls::audioDevice() const {
    return audioDeviceList_->currentIndex();
}

void CMainControls::Render(const ControlsView& view) {
    // Only what differs is set: the path field keeps its cursor while the user types.
    const QString path = QString::fromStdString(view.aviPath);
    if (aviPathEdit_->text() != path)
        aviPathEdit_->setText(path);

    button(kCaptureSizes[static_cast<std::size_t>(view.checkedSize)].buttonId)->SetCheck(true);
    for (CSkinButton* b : sizeGroup_)
        b->setEnabled(view.sizesEnabled);
    for (const int id : kRecordingSettingsControls)
        button(id)->setEnabled(view.recordingSettingsEnabled);
    if (view.audioSwitchDisabled)
        button(ids::kEnableAudio)->setEnabled(false);
    button(ids::kAudioStrip)->setVisible(view.audioStrip);

    CSkinButton* recordLight = button(ids::kRecordLight);
    recordLight->setEnabled(view.recordLightShown && view.recordLightLit);
    recordLight->setVisible(view.recordLightShown);
    button(ids::kRecorder)->SetCheck(view.recorderSwitchDown);
    CSkinButton* recorderText = button(ids::kRecorderText);
    recorderText->setText(QString::fromStdString(view.recorderText));
    recorderText->setEnabled(view.recorderTextEnabled);

    CSkinButton* monitorLight = button(ids::kMonitorLight);
    monitorLight->setEnabled(view.monitorLightLit);
    monitorLight->setVisible(view.monitorLightShown);
    CSkinButton* monitor = button(ids::kMonitor);
    if (view.monitorRunningFaces != runningFaces_) {
        runningFaces_ = view.monitorRunningFaces;
        const int normal = runningFaces_ ? ids::kBitmapMonitorDown : ids::kBitmapMonitor;
        monitor->SetSkin(normal, ids::kBitmapMonitorDown, 0, 0, 0, ids::kBitmapMaskFace);
    }
    monitor->SetCheck(view.monitorSwitchDown);

    displayInside_->setEnabled(view.displayChoiceEnabled);
    displayOutside_->setEnabled(view.displayChoiceEnabled);
}

}  // namespace tavelin
