#include "dialogs/TimerShotDlg.h"

#include <QFile>
#include <QIcon>

#include "core/FileNames.h"
#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "ui_TimerShotDlg.h"

namespace tavelin {

CTimerShotDlg::CTimerShotDlg(QWidget* parent, TimerShotSetup stored, const QString& defaultFile,
                             INoticeSink& notices, IFileChooser& files)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TimerShotDlg>()),
      notices_(notices),
      files_(files),
      defaultFile_(defaultFile),
      setup_(std::move(stored)) {
    ui_->setupUi(this);
    setWindowIcon(QIcon(PicturePath(ids::kIconApp)));

    interval_ = static_cast<std::uint32_t>(setup_.timerSeconds);
    savePath_ = defaultFile_;
    WriteControls();

    // A target other than the default file means the user picked one.
    const QString target = QString::fromStdString(setup_.timedShotTarget);
    if (!target.isEmpty() && target.compare(savePath_, Qt::CaseInsensitive) != 0) {
        saveChoice_ = SpecifiedPath;
        savePath_ = target;
        SetPathControlsEnabled(true);
        WriteControls();
    }

    ui_->intervalEdit->SetRange(kMinSeconds, kMaxSeconds);
    ui_->intervalEdit->SetPosition(static_cast<int>(interval_ & 0xFFFF));

    connect(ui_->samePathRadio, &QRadioButton::clicked, this, &CTimerShotDlg::OnSamePath);
    connect(ui_->specifiedPathRadio, &QRadioButton::clicked, this, &CTimerShotDlg::OnSpecifiedPath);
    connect(ui_->browseButton, &QPushButton::clicked, this, &CTimerShotDlg::OnBrowse);
    connect(ui_->okButton, &QPushButton::clicked, this, &CTimerShotDlg::OnOk);
}

CTimerShotDlg::~CTimerShotDlg() = default;

void CTimerShotDlg::SetPathControlsEnabled(bool enabled) {
    ui_->pathEdit->setEnabled(enabled);
    ui_->browseButton->setEnabled(enabled);
}

void CTimerShotDlg::WriteControls() {
    ui_->pathEdit->setText(savePath_);
    ui_->samePathRadio->setChecked(saveChoice_ == SamePath);
    ui_->specifiedPathRadio->setChecked(saveChoice_ == SpecifiedPath);
    ui_->intervalEdit->SetText(QString::number(interval_));
}

bool CTimerShotDlg::ReadControls() {
    savePath_ = ui_->pathEdit->text();
    saveChoice_ = ui_->specifiedPathRadio->isChecked() ? SpecifiedPath : SamePath;

    const QString text = ui_->intervalEdit->text().trimmed();
    bool isNumber = !text.isEmpty();
    for (const QChar c : text)
        isNumber = isNumber && c >= u'0' && c <= u'9';
    bool fits = false;
    const qulonglong value = isNumber ? text.toULongLong(&fits) : 0;
    const char* refusal = nullptr;
    if (!isNumber) {
        refusal = kIntervalNotANumber;
    } else {
        // A number is taken even when out of range, so "Save to same path" shows it again.
        if (fits && value <= UINT32_MAX)
            interval_ = static_cast<std::uint32_t>(value);
        if (!fits || value < kMinSeconds || value > kMaxSeconds)
            refusal = kIntervalOutOfRange;
    }
    if (refusal == nullptr)
        return true;

    notices_.ShowNotice(refusal, NoticeStyle::Warning);
    ui_->intervalEdit->setFocus(Qt::OtherFocusReason);
    ui_->intervalEdit->selectAll();
    return false;
}

void CTimerShotDlg::OnSamePath() {
    saveChoice_ = SamePath;
    SetPathControlsEnabled(false);
    savePath_ = defaultFile_;
    WriteControls();
}

void CTimerShotDlg::OnSpecifiedPath() {
    saveChoice_ = SpecifiedPath;
    SetPathControlsEnabled(true);
}

void CTimerShotDlg::OnBrowse() {
    const std::optional<QString> chosen =
        files_.SaveFileName(this, QString::fromLatin1(kTimerShotProposedName),
                            QStringLiteral("bmp"), {QStringLiteral("BMP Files (*.bmp)")});
    if (!chosen)
        return;
    // The user agreed to replace the file; an old picture must not pass for a new one.
    QFile::remove(*chosen);
    savePath_ = *chosen;
    WriteControls();
}

void CTimerShotDlg::OnOk() {
    if (!ReadControls())
        return;
    setup_.timerSeconds = static_cast<std::int32_t>(interval_);
    setup_.timedShotTarget = savePath_.toStdString();
    accept();
}

}  // namespace tavelin
