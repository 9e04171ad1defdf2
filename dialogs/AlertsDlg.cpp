#include "dialogs/AlertsDlg.h"

#include <QFileInfo>
#include <QIcon>
#include <QLineEdit>
#include <QSysInfo>
#include <mutex>
#include <optional>

#include "core/AlertSettingsRules.h"
#include "core/StorageLimits.h"
#include "dialogs/FieldColumns.h"
#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "ui_AlertsDlg.h"

namespace tavelin {

namespace {

const QString kStored = QStringLiteral("(stored)");
// A test's answer comes from elsewhere (a broker's error, say): long ones are cut.
constexpr qsizetype kMaxAnswerChars = 300;

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

std::string Trimmed(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

}  // namespace

// Carries a test's answer to the dialog from whatever thread gives it, for as long as
// the dialog is there.
struct CAlertsDlg::AnswerRelay {
    std::mutex mutex;
    CAlertsDlg* dialog = nullptr;
};

CAlertsDlg::CAlertsDlg(QWidget* parent, AlertSettings stored, INoticeSink& notices,
                       IFileChooser& files, AlertTest test, CommandCheck checkCommand)
    : QDialog(parent),
      ui_(std::make_unique<Ui::AlertsDlg>()),
      notices_(notices),
      files_(files),
      test_(std::move(test)),
      checkCommand_(std::move(checkCommand)),
      settings_(std::move(stored)),
      relay_(std::make_shared<AnswerRelay>()) {
    ui_->setupUi(this);
    setWindowIcon(QIcon(PicturePath(ids::kIconApp)));
    relay_->dialog = this;

    ui_->topicEdit->setPlaceholderText(QStringLiteral("tavelin/") + QSysInfo::machineHostName());
    ui_->testButton->setEnabled(static_cast<bool>(test_));
    AlignFieldColumns({ui_->commandsLayout, ui_->mqttLayout});
    WriteFields();

    connect(ui_->forgetBox, &QCheckBox::toggled, this, &CAlertsDlg::OnForgetToggled);
    connect(ui_->browseButton, &QPushButton::clicked, this, &CAlertsDlg::OnBrowse);
    connect(ui_->testButton, &QPushButton::clicked, this, &CAlertsDlg::OnTest);
    connect(ui_->okButton, &QPushButton::clicked, this, &CAlertsDlg::OnOk);
}

CAlertsDlg::~CAlertsDlg() {
    const std::lock_guard lock(relay_->mutex);
    relay_->dialog = nullptr;
}

void CAlertsDlg::WriteFields() {
    const NotificationSettings& notifications = settings_.notifications;
    ui_->desktopBox->setChecked(notifications.desktop);
    ui_->quietEdit->setText(QString::number(notifications.quietSeconds));
    const EventCommands& events = settings_.events;
    ui_->motionStartEdit->setText(QString::fromStdString(events.onMotionStart));
    ui_->motionEndEdit->setText(QString::fromStdString(events.onMotionEnd));
    ui_->recordingFinishedEdit->setText(QString::fromStdString(events.onRecordingFinished));
    ui_->cameraLostEdit->setText(QString::fromStdString(events.onCameraLost));
    ui_->stillSavedEdit->setText(QString::fromStdString(events.onStillSaved));
    const MqttSettings& mqtt = settings_.mqtt;
    ui_->hostEdit->setText(QString::fromStdString(mqtt.host));
    ui_->portEdit->setText(QString::number(mqtt.port));
    ui_->userEdit->setText(QString::fromStdString(mqtt.user));
    // The password itself never goes into the field.
    ui_->passwordEdit->clear();
    ui_->forgetBox->setChecked(false);
    ui_->forgetBox->setEnabled(!mqtt.password.empty());
    OnForgetToggled(false);
    ui_->caFileEdit->setText(QString::fromStdString(mqtt.caFile));
    ui_->topicEdit->setText(QString::fromStdString(mqtt.topic));
    ui_->discoveryBox->setChecked(mqtt.discovery);
}

bool CAlertsDlg::Refuse(QLineEdit* field, const std::string& why) {
    notices_.ShowNotice(why, NoticeStyle::Warning);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    return false;
}

bool CAlertsDlg::ReadFields(AlertSettings& read) {
    read = settings_;
    read.notifications.desktop = ui_->desktopBox->isChecked();
    const std::optional<std::int64_t> quiet =
        ParseStorageField(Text(ui_->quietEdit), NotificationSettings::kMaxQuietSeconds);
    if (!quiet) {
        return Refuse(ui_->quietEdit,
                      "\"At most one of a kind within\" must be a whole number "
                      "of seconds from 0 to " +
                          std::to_string(NotificationSettings::kMaxQuietSeconds) + ".");
    }
    read.notifications.quietSeconds = static_cast<int>(*quiet);

    struct Command {
        QLineEdit* edit;
        std::string EventCommands::*line;
        const char* event;
    };
    for (const Command& c : {
             Command{ui_->motionStartEdit, &EventCommands::onMotionStart, "Motion starts"},
             Command{ui_->motionEndEdit, &EventCommands::onMotionEnd, "Motion ends"},
             Command{ui_->recordingFinishedEdit, &EventCommands::onRecordingFinished,
                     "Recording finished"},
             Command{ui_->cameraLostEdit, &EventCommands::onCameraLost, "Camera lost"},
             Command{ui_->stillSavedEdit, &EventCommands::onStillSaved, "Still saved"},
         }) {
        std::string line = Trimmed(c.edit);
        const std::string which = std::string("The command for \"") + c.event + "\"";
        if (line.size() > kMaxEventCommandBytes) {
            return Refuse(c.edit, which + " is longer than " +
                                      std::to_string(kMaxEventCommandBytes) + " bytes.");
        }
        std::string why;
        if (!line.empty() && checkCommand_ && !checkCommand_(line, why))
            return Refuse(c.edit, which + " cannot be run: " + why);
        read.events.*c.line = std::move(line);
    }

    MqttSettings& mqtt = read.mqtt;
    mqtt.host = Trimmed(ui_->hostEdit);
    if (!HostAllowed(mqtt.host)) {
        return Refuse(ui_->hostEdit,
                      "The broker's host must be a name or address without "
                      "spaces, of at most " +
                          std::to_string(kMaxHostBytes) + " characters.");
    }
    const std::optional<std::int64_t> port = ParseStorageField(Text(ui_->portEdit), kMaxPort);
    if (!port || *port < kMinPort) {
        return Refuse(ui_->portEdit, "The broker's port must be a whole number from " +
                                         std::to_string(kMinPort) + " to " +
                                         std::to_string(kMaxPort) + ".");
    }
    mqtt.port = static_cast<int>(*port);
    mqtt.user = Text(ui_->userEdit);
    if (!ui_->passwordEdit->text().isEmpty())
        mqtt.password = Text(ui_->passwordEdit);
    else if (ui_->forgetBox->isChecked())
        mqtt.password.clear();
    mqtt.caFile = Trimmed(ui_->caFileEdit);
    const QFileInfo ca(QString::fromStdString(mqtt.caFile));
    if (!mqtt.caFile.empty() && (!ca.isFile() || !ca.isReadable()))
        return Refuse(ui_->caFileEdit, "The CA file " + mqtt.caFile + " cannot be read.");
    mqtt.topic = Trimmed(ui_->topicEdit);
    if (!TopicAllowed(mqtt.topic)) {
        return Refuse(ui_->topicEdit, "The topic must not hold + or #, and have at most " +
                                          std::to_string(kMaxTopicBytes) + " bytes.");
    }
    mqtt.discovery = ui_->discoveryBox->isChecked();
    return true;
}

void CAlertsDlg::OnForgetToggled(bool forget) {
    const bool stored = !settings_.mqtt.password.empty() && !forget;
    ui_->passwordEdit->setPlaceholderText(stored ? kStored : QString());
}

void CAlertsDlg::OnBrowse() {
    const std::optional<QString> chosen = files_.OpenFileName(
        this, ui_->caFileEdit->text().trimmed(),
        {QStringLiteral("Certificates (*.pem *.crt)"), QStringLiteral("All files (*)")});
    if (chosen)
        ui_->caFileEdit->setText(*chosen);
}

void CAlertsDlg::OnTest() {
    AlertSettings tried;
    if (!test_ || !ReadFields(tried))
        return;
    const unsigned request = ++testRequest_;
    ui_->testResult->setText(QStringLiteral("Testing..."));
    test_(tried, [relay = relay_, request](const std::string& result) {
        const QString text = QString::fromStdString(result);
        // Held while posting: the dialog cannot go in between, and a posted call dies
        // with it.
        const std::lock_guard lock(relay->mutex);
        if (CAlertsDlg* dialog = relay->dialog) {
            QMetaObject::invokeMethod(
                dialog, [dialog, request, text] { dialog->ShowTestAnswer(request, text); },
                Qt::QueuedConnection);
        }
    });
}

void CAlertsDlg::ShowTestAnswer(unsigned request, const QString& result) {
    // Only the last test's answer says something about the fields as they are.
    if (request != testRequest_)
        return;
    ui_->testResult->setText(result.size() > kMaxAnswerChars
                                 ? result.left(kMaxAnswerChars) + QStringLiteral("...")
                                 : result);
}

void CAlertsDlg::OnOk() {
    AlertSettings read;
    if (!ReadFields(read))
        return;
    settings_ = std::move(read);
    accept();
}

}  // namespace tavelin
