#include "dialogs/RecordSettingsDlg.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QIcon>
#include <algorithm>

#include "capture/CaptureGraph.h"
#include "core/FileCounter.h"
#include "dialogs/RecordSettingsLaunchers.h"
#include "dialogs/VideoSettingsDlg.h"
#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "ui_RecordSettingsDlg.h"
#include "widgets/HoverButton.h"

namespace tavelin {

namespace {

void Fill(QComboBox* list, const std::vector<std::string>& names, int selection) {
    list->clear();
    for (const std::string& name : names)
        list->addItem(QString::fromStdString(name));
    list->setCurrentIndex(selection);
}

}  // namespace

CodecLists ListRecordCodecs(INoticeSink* notices) {
    CodecLists lists;
    CCaptureGraph::ListVideoCompressors(lists.videoCompressors, notices);
    lists.audioDevicesListed = CCaptureGraph::ListAudioDevices(lists.audioDevices, notices);
    lists.audioCompressorsListed =
        CCaptureGraph::ListAudioCompressors(lists.audioCompressors, notices);
    return lists;
}

CRecordSettingsDlg::CRecordSettingsDlg(QWidget* parent, IRecordSettingsHost& host,
                                       const CodecLists& lists, RecordingChoices stored)
    : QDialog(parent),
      ui_(std::make_unique<Ui::RecordSettingsDlg>()),
      host_(host),
      choices_(std::move(stored)) {
    ui_->setupUi(this);
    setWindowIcon(QIcon(PicturePath(ids::kIconApp)));
    // The audio button also says "Disable audio": room for the longer caption from the
    // start, clear of the focus frame, so no letter is cut and nothing moves on a click.
    const QFontMetrics metrics(ui_->enableAudioButton->font());
    const int caption = std::max(metrics.horizontalAdvance(QString::fromLatin1(kEnableAudioText)),
                                 metrics.horizontalAdvance(QString::fromLatin1(kDisableAudioText)));
    ui_->enableAudioButton->setMinimumWidth(
        std::max(caption + 2 * (kHoverButtonEdge + 6), ui_->enableAudioButton->sizeHint().width()));

    outputPath_ = choices_.aviPath;
    const RecordListsShown shown =
        PrepareRecordLists(lists, choices_.videoCompressorIndex, choices_.audioCompressorIndex);
    choices_.audioDeviceIndex = shown.audioDevice;
    Fill(ui_->videoCompressorList, shown.videoCompressors, shown.videoCompressor);
    Fill(ui_->audioDeviceList, shown.audioDevices, shown.audioDevice);
    Fill(ui_->audioCompressorList, shown.audioCompressors, shown.audioCompressor);
    if (!shown.audioDeviceAvailable)
        ui_->enableAudioButton->setEnabled(false);
    WriteControls();

    connect(ui_->enableAudioButton, &QPushButton::clicked, this,
            &CRecordSettingsDlg::OnEnableAudio);
    connect(ui_->audioSettingsButton, &QPushButton::clicked, this,
            &CRecordSettingsDlg::OnAudioSettings);
    connect(ui_->videoSettingsButton, &QPushButton::clicked, this,
            &CRecordSettingsDlg::OnVideoSettings);
    connect(ui_->okButton, &QPushButton::clicked, this, &CRecordSettingsDlg::OnOk);
}

CRecordSettingsDlg::~CRecordSettingsDlg() = default;

void CRecordSettingsDlg::ReadControls() {
    outputPath_ = ui_->outputPathEdit->text().toStdString();
}

void CRecordSettingsDlg::WriteControls() {
    ui_->outputPathEdit->setText(QString::fromStdString(outputPath_));
    ui_->enableAudioButton->setText(
        QString::fromLatin1(audioToggle_ ? kDisableAudioText : kEnableAudioText));
}

void CRecordSettingsDlg::OnEnableAudio() {
    audioToggle_ = !audioToggle_;
    host_.ToggleAudio();
    WriteControls();
}

void CRecordSettingsDlg::OnAudioSettings() {
    RunAudioSettings(host_, this, choices_);
}

void CRecordSettingsDlg::OnVideoSettings() {
    ReadControls();
    CPauseScope pause(host_);
    CVideoSettingsDlg dialog(this, {choices_.aviPath, choices_.useTypedNameOnce},
                             host_.CounterFile(), host_.Notices(), host_.Files());
    if (dialog.exec() == QDialog::Accepted) {
        choices_.aviPath = dialog.target().aviPath;
        choices_.useTypedNameOnce = dialog.target().useTypedNameOnce;
        outputPath_ = choices_.aviPath;
        WriteControls();
    }
}

void CRecordSettingsDlg::OnOk() {
    ReadControls();
    choices_.videoCompressorIndex = ui_->videoCompressorList->currentIndex();
    choices_.audioCompressorIndex = ui_->audioCompressorList->currentIndex();
    choices_.audioDeviceIndex = ui_->audioDeviceList->currentIndex();

    if (const char* refusal = SaveFolderMessage(CheckSaveFolder(outputPath_))) {
        CPauseScope pause(host_);
        host_.Notices().ShowNotice(refusal, NoticeStyle::Warning);
        return;
    }

    std::int32_t counter = 0;
    ReadFileCounter(counter, host_.CounterFile());
    const AviTarget target =
        RecordSettingsTarget(outputPath_, {choices_.aviPath, choices_.useTypedNameOnce}, counter);
    choices_.aviPath = target.aviPath;
    choices_.useTypedNameOnce = target.useTypedNameOnce;
    accept();
}

}  // namespace tavelin
