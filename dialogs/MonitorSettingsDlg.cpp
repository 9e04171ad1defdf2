#include "dialogs/MonitorSettingsDlg.h"

#include <QFile>
#include <QIcon>
#include <QLineEdit>
#include <QTimerEvent>

#include "core/FileNames.h"
#include "core/FrameFormat.h"
#include "core/Log.h"
#include "core/Messages.h"
#include "core/MonitorSettings.h"
#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "ui_MonitorSettingsDlg.h"

namespace tavelin {

namespace {

constexpr int kPreviewMs = 3500;

}  // namespace

const QStringList& CMonitorSettingsDlg::AlarmSoundNames() {
    static const QStringList names{
        QStringLiteral("car alarm"),       QStringLiteral("police siren"),
        QStringLiteral("smurf invasion"),  QStringLiteral("barking dog"),
        QStringLiteral("system overload"), QStringLiteral("system malfunction"),
        QStringLiteral("jail break"),
    };
    return names;
}

QString CMonitorSettingsDlg::AlarmSoundFile(const QString& programDir, int position) {
    return QStringLiteral("%1/Alarm/%2.wav").arg(programDir).arg(position);
}

QString CMonitorSettingsDlg::DefaultStillPath(const QString& stillDir, const std::tm& now) {
    return stillDir + QString::fromStdString(MotionStillName(now));
}

CMonitorSettingsDlg::CMonitorSettingsDlg(QWidget* parent, MonitorSetup stored,
                                         ISoundPreview& preview, bool noAudioDevice,
                                         INoticeSink& notices, IFileChooser& files,
                                         const QString& programDir, const QString& stillDir,
                                         const std::tm& now)
    : QDialog(parent),
      ui_(std::make_unique<Ui::MonitorSettingsDlg>()),
      preview_(preview),
      notices_(notices),
      files_(files),
      programDir_(programDir),
      noAudioDevice_(noAudioDevice),
      setup_(std::move(stored)) {
    ui_->setupUi(this);
    setWindowIcon(QIcon(PicturePath(ids::kIconApp)));

    // The list always opens on the first sound, whatever sound is in use.
    ui_->alarmList->addItems(AlarmSoundNames());
    ui_->alarmList->setCurrentIndex(0);
    // A plain edit field: no completion that would pick a list entry while typing.
    ui_->alarmList->setCompleter(nullptr);
    connect(ui_->alarmList->lineEdit(), &QLineEdit::textEdited, this,
            [this] { soundTyped_ = true; });
    connect(ui_->alarmList, &QComboBox::currentIndexChanged, this, [this] { soundTyped_ = false; });
    connect(ui_->alarmList, &QComboBox::activated, this, [this] { soundTyped_ = false; });

    const std::string& shotPath = setup_.motionShotPath;
    stillPath_ =
        shotPath.empty() ? DefaultStillPath(stillDir, now) : QString::fromStdString(shotPath);

    const MonitorChoices choices = ChoicesFromMode(setup_.monitorMode);
    scan_ = choices.scan;
    alarm_ = choices.alarm;
    still_ = choices.still;
    SetAlarmControlsEnabled(alarm_);
    SetStillControlsEnabled(still_);
    WriteControls();

    const MotionRecordSetup motion = setup_.motionRecord.Clamped();
    ui_->beforeSpin->setRange(MotionRecordSetup::kMinSecondsBefore,
                              MotionRecordSetup::kMaxSecondsBefore);
    ui_->calmSpin->setRange(MotionRecordSetup::kMinCalmSeconds, MotionRecordSetup::kMaxCalmSeconds);
    ui_->recordBox->setChecked(motion.enabled);
    ui_->beforeSpin->setValue(motion.secondsBefore);
    ui_->calmSpin->setValue(motion.calmSeconds);
    SetRecordControlsEnabled(motion.enabled);

    connect(ui_->scanBox, &QCheckBox::clicked, this, &CMonitorSettingsDlg::OnScanClicked);
    connect(ui_->alarmBox, &QCheckBox::clicked, this, &CMonitorSettingsDlg::OnAlarmClicked);
    connect(ui_->stillBox, &QCheckBox::clicked, this, &CMonitorSettingsDlg::OnStillClicked);
    connect(ui_->recordBox, &QCheckBox::clicked, this, &CMonitorSettingsDlg::OnRecordClicked);
    connect(ui_->browseButton, &QPushButton::clicked, this, &CMonitorSettingsDlg::OnBrowse);
    connect(ui_->playButton, &QPushButton::clicked, this, &CMonitorSettingsDlg::OnPlay);
    connect(ui_->okButton, &QPushButton::clicked, this, &CMonitorSettingsDlg::OnOk);
    connect(ui_->alertsButton, &QPushButton::clicked, this, &CMonitorSettingsDlg::alertsRequested);
}

CMonitorSettingsDlg::~CMonitorSettingsDlg() {
    EndPreview();
}

void CMonitorSettingsDlg::SetStartWithDesktop(bool on) {
    startWithDesktop_ = on;
    ui_->startBox->setChecked(on);
}

void CMonitorSettingsDlg::ReadControls() {
    scan_ = ui_->scanBox->isChecked();
    still_ = ui_->stillBox->isChecked();
    alarm_ = ui_->alarmBox->isChecked();
    stillPath_ = ui_->stillPathEdit->text();
}

void CMonitorSettingsDlg::WriteControls() {
    ui_->scanBox->setChecked(scan_);
    ui_->stillBox->setChecked(still_);
    ui_->alarmBox->setChecked(alarm_);
    ui_->stillPathEdit->setText(stillPath_);
}

void CMonitorSettingsDlg::SetAlarmControlsEnabled(bool enabled) {
    ui_->alarmList->setEnabled(enabled);
    ui_->playButton->setEnabled(enabled);
}

void CMonitorSettingsDlg::SetStillControlsEnabled(bool enabled) {
    ui_->browseButton->setEnabled(enabled);
    ui_->stillPathEdit->setEnabled(enabled);
}

void CMonitorSettingsDlg::SetRecordControlsEnabled(bool enabled) {
    ui_->beforeSpin->setEnabled(enabled);
    ui_->calmSpin->setEnabled(enabled);
}

int CMonitorSettingsDlg::SoundPosition() const {
    return soundTyped_ ? -1 : ui_->alarmList->currentIndex();
}

QString CMonitorSettingsDlg::CurrentSoundFile() const {
    return AlarmSoundFile(programDir_, SoundPosition());
}

void CMonitorSettingsDlg::OnScanClicked() {
    ReadControls();
}

void CMonitorSettingsDlg::OnAlarmClicked() {
    ReadControls();
    SetAlarmControlsEnabled(alarm_);
    // The alarm's sound changes here and on Play only, not by choosing in the list.
    if (alarm_)
        setup_.alarmSoundPath = CurrentSoundFile().toStdString();
}

void CMonitorSettingsDlg::OnStillClicked() {
    ReadControls();
    SetStillControlsEnabled(still_);
}

void CMonitorSettingsDlg::OnRecordClicked() {
    SetRecordControlsEnabled(ui_->recordBox->isChecked());
}

void CMonitorSettingsDlg::OnBrowse() {
    const std::optional<QString> chosen = files_.SaveFileName(
        this, stillPath_, QStringLiteral("bmp"), {QStringLiteral("BMP Files (*.bmp)")});
    if (!chosen)
        return;
    // The user agreed to replace the file; stills go beside it from now on, even if
    // this dialog is cancelled.
    QFile::remove(*chosen);
    stillPath_ = *chosen;
    setup_.motionShotPath = chosen->toStdString();
    WriteControls();
}

void CMonitorSettingsDlg::OnPlay() {
    if (playing_) {
        EndPreview();
        return;
    }
    const std::string path = CurrentSoundFile().toStdString();
    setup_.alarmSoundPath = path;
    if (noAudioDevice_) {
        preview_.Stop();
        Log(LogArea::Monitor, LogLevel::Warning,
            "monitor: the alarm is not played: no sound input device was listed at start-up");
        notices_.ShowNotice(msg::kNoAudioDevice, NoticeStyle::Warning);
    } else {
        preview_.Start(path);
    }
    ui_->playButton->setText(QStringLiteral("Stop"));
    previewTimer_.start(kPreviewMs, this);
    playing_ = true;
}

void CMonitorSettingsDlg::EndPreview() {
    previewTimer_.stop();
    preview_.Stop();
    ui_->playButton->setText(QStringLiteral("Play"));
    playing_ = false;
}

void CMonitorSettingsDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == previewTimer_.timerId()) {
        EndPreview();
        return;
    }
    QDialog::timerEvent(event);
}

void CMonitorSettingsDlg::OnOk() {
    ReadControls();
    setup_.monitorMode = ModeFromChoices(scan_, still_, alarm_);
    if (still_)
        setup_.motionShotPath = stillPath_.toStdString();
    setup_.motionRecord.enabled = ui_->recordBox->isChecked();
    setup_.motionRecord.secondsBefore = ui_->beforeSpin->value();
    setup_.motionRecord.calmSeconds = ui_->calmSpin->value();
    setup_.motionRecord = setup_.motionRecord.Clamped();
    startWithDesktop_ = ui_->startBox->isChecked();
    accept();
}

void CMonitorSettingsDlg::done(int result) {
    // OK, Escape and the close box all end a running preview.
    EndPreview();
    QDialog::done(result);
}

}  // namespace tavelin
