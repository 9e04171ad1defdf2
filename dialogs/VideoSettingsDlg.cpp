#include "dialogs/VideoSettingsDlg.h"

#include <QFile>
#include <QIcon>
#include <optional>

#include "core/FileCounter.h"
#include "core/RecordSettingsRules.h"
#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "ui_VideoSettingsDlg.h"

namespace tavelin {

CVideoSettingsDlg::CVideoSettingsDlg(QWidget* parent, AviTarget stored, std::string counterFile,
                                     INoticeSink& notices, IFileChooser& files)
    : QDialog(parent),
      ui_(std::make_unique<Ui::VideoSettingsDlg>()),
      counterFile_(std::move(counterFile)),
      notices_(notices),
      files_(files),
      target_(std::move(stored)) {
    ui_->setupUi(this);
    setWindowIcon(QIcon(PicturePath(ids::kIconApp)));

    path_ = target_.aviPath;
    ReadFileCounter(counter_, counterFile_);
    WriteControls();
    SetStorage(storage_, {});
    SetWebShareOffered(false);

    // Edits by the user only: the dialog's own writes never turn the path into a typed name.
    connect(ui_->pathEdit, &QLineEdit::textEdited, this, &CVideoSettingsDlg::OnPathEdited);
    connect(ui_->browseButton, &QPushButton::clicked, this, &CVideoSettingsDlg::OnBrowse);
    connect(ui_->webShareButton, &QPushButton::clicked, this,
            &CVideoSettingsDlg::webShareRequested);
    connect(ui_->okButton, &QPushButton::clicked, this, &CVideoSettingsDlg::OnOk);
}

CVideoSettingsDlg::~CVideoSettingsDlg() = default;

void CVideoSettingsDlg::SetCameras(const std::vector<std::string>& names,
                                   const std::string& inUse) {
    camera_ = inUse;
    ui_->cameraList->clear();
    for (const std::string& name : names)
        ui_->cameraList->addItem(QString::fromStdString(name));
    ui_->cameraList->setCurrentIndex(ui_->cameraList->findText(QString::fromStdString(inUse)));
    ui_->cameraList->setEnabled(!names.empty());
}

void CVideoSettingsDlg::SetStorage(const StorageLimits& limits, const StorageSummary& summary) {
    storage_ = limits;
    ui_->keepFreeEdit->setText(QString::number(limits.keepFreeMB));
    ui_->maxTotalEdit->setText(QString::number(limits.maxTotalMB));
    ui_->maxAgeEdit->setText(QString::number(limits.maxAgeDays));
    const std::string kept = StorageSummaryText(summary);
    ui_->summaryLabel->setText(kept.empty() ? QStringLiteral("Not checked yet")
                                            : QString::fromStdString(kept));
}

void CVideoSettingsDlg::SetWebShareOffered(bool offered) {
    ui_->webShareButton->setVisible(offered);
}

void CVideoSettingsDlg::WriteControls() {
    ui_->counterEdit->setText(QString::number(counter_));
    ui_->pathEdit->setText(QString::fromStdString(path_));
}

bool CVideoSettingsDlg::ReadControls(bool report) {
    path_ = ui_->pathEdit->text().toStdString();
    if (const auto counter = ParseFileCounterField(ui_->counterEdit->text().toStdString())) {
        counter_ = *counter;
        return true;
    }
    if (report) {
        notices_.ShowNotice(kFileCounterRefused, NoticeStyle::Warning);
        ui_->counterEdit->setFocus(Qt::OtherFocusReason);
        ui_->counterEdit->selectAll();
    }
    return false;
}

bool CVideoSettingsDlg::ReadStorage(StorageLimits& limits) {
    struct Field {
        QLineEdit* edit;
        std::int64_t StorageLimits::*value;
        std::int64_t max;
        const char* name;
        const char* unit;
    };
    for (const Field& f : {
             Field{ui_->keepFreeEdit, &StorageLimits::keepFreeMB, StorageLimits::kMaxMB,
                   "Keep free", "megabytes"},
             Field{ui_->maxTotalEdit, &StorageLimits::maxTotalMB, StorageLimits::kMaxMB,
                   "The recordings' limit", "megabytes"},
             Field{ui_->maxAgeEdit, &StorageLimits::maxAgeDays, StorageLimits::kMaxDays,
                   "The age limit", "days"},
         }) {
        const std::optional<std::int64_t> value =
            ParseStorageField(f.edit->text().toStdString(), f.max);
        if (!value) {
            notices_.ShowNotice(std::string(f.name) + " must be a whole number of " + f.unit +
                                    " from 0 to " + std::to_string(f.max) + ".",
                                NoticeStyle::Warning);
            f.edit->setFocus(Qt::OtherFocusReason);
            f.edit->selectAll();
            return false;
        }
        limits.*f.value = *value;
    }
    return true;
}

void CVideoSettingsDlg::OnPathEdited() {
    // A half-typed counter must not interrupt typing the path with a message.
    ReadControls(false);
    typedName_ = IsTypedName(path_, counter_);
}

void CVideoSettingsDlg::OnBrowse() {
    if (!ReadControls(true))
        return;
    const std::optional<QString> chosen =
        files_.SaveFileName(this, QString::fromStdString(NumberedPathFor(path_, counter_)),
                            QStringLiteral("avi"), {QString::fromLatin1(kAviFilter)});
    if (!chosen)
        return;
    // The user agreed to replace the file; an old recording must not pass for the new one.
    QFile::remove(*chosen);
    path_ = chosen->toStdString();
    typedName_ = IsTypedName(path_, counter_);
    WriteControls();
}

void CVideoSettingsDlg::OnOk() {
    StorageLimits storage = storage_;
    if (!ReadControls(true) || !ReadStorage(storage))
        return;
    if (const char* refusal = SaveFolderMessage(CheckSaveFolder(path_))) {
        notices_.ShowNotice(refusal, NoticeStyle::Warning);
        return;
    }
    target_ = VideoSettingsTarget(path_, counter_, typedName_);
    if (ui_->cameraList->currentIndex() >= 0)
        camera_ = ui_->cameraList->currentText().toStdString();
    storage_ = storage;
    WriteFileCounter(counter_, counterFile_);
    accept();
}

}  // namespace tavelin
