#include "dialogs/WebShareDlg.h"

#include <QFileInfo>
#include <QIcon>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringList>
#include <initializer_list>
#include <optional>
#include <tuple>

#include "core/AlertSettingsRules.h"
#include "core/ShareAddresses.h"
#include "core/StorageLimits.h"
#include "core/WebPassword.h"
#include "core/WebSettingsRules.h"
#include "dialogs/FieldColumns.h"
#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "ui_WebShareDlg.h"

namespace tavelin {

namespace {

constexpr const char* kNoRandom =
    "No password can be made: the system gives no random bytes. Try again later.";

std::string Trimmed(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

std::optional<int> ParsePort(const QLineEdit* edit) {
    const std::optional<std::int64_t> port =
        ParseStorageField(edit->text().toStdString(), kMaxPort);
    if (!port || *port < kMinPort)
        return std::nullopt;
    return static_cast<int>(*port);
}

std::string PortRule(const char* whose) {
    return std::string(whose) + " must be a whole number from " + std::to_string(kMinPort) +
           " to " + std::to_string(kMaxPort) + ".";
}

}  // namespace

CWebShareDlg::CWebShareDlg(QWidget* parent, WebSettings web, RtspSettings rtsp,
                           const std::vector<std::string>& encoders,
                           std::vector<std::string> machineAddresses, INoticeSink& notices,
                           IFileChooser& files)
    : QDialog(parent),
      ui_(std::make_unique<Ui::WebShareDlg>()),
      notices_(notices),
      files_(files),
      machineAddresses_(std::move(machineAddresses)),
      web_(std::move(web)),
      rtsp_(std::move(rtsp)) {
    ui_->setupUi(this);
    setWindowIcon(QIcon(PicturePath(ids::kIconApp)));
    ui_->viewersSpin->setRange(kMinWebViewers, kMaxWebViewers);
    ui_->userEdit->setMaxLength(static_cast<int>(kMaxWebUserBytes));
    QFont fixed(QStringLiteral("monospace"));
    fixed.setStyleHint(QFont::Monospace);
    fixed.setPointSizeF(ui_->madePassword->font().pointSizeF() * 1.2);
    ui_->madePassword->setFont(fixed);
    AlignFieldColumns({ui_->webLayout, ui_->rtspLayout, ui_->addressLayout});
    WriteFields(encoders);

    connect(ui_->newPasswordButton, &QPushButton::clicked, this, &CWebShareDlg::OnNewPassword);
    connect(ui_->setPasswordButton, &QPushButton::clicked, this, &CWebShareDlg::OnSetPassword);
    connect(ui_->certBrowseButton, &QPushButton::clicked, this,
            [this] { OnBrowse(ui_->certEdit); });
    connect(ui_->keyBrowseButton, &QPushButton::clicked, this, [this] { OnBrowse(ui_->keyEdit); });
    for (QCheckBox* box : {ui_->webBox, ui_->othersBox, ui_->rtspBox})
        connect(box, &QCheckBox::toggled, this, &CWebShareDlg::ShowAddresses);
    for (QLineEdit* edit : {ui_->webPortEdit, ui_->rtspPortEdit, ui_->certEdit, ui_->keyEdit})
        connect(edit, &QLineEdit::textChanged, this, &CWebShareDlg::ShowAddresses);
    connect(ui_->okButton, &QPushButton::clicked, this, &CWebShareDlg::OnOk);
    ShowAddresses();
}

CWebShareDlg::~CWebShareDlg() = default;

void CWebShareDlg::WriteFields(const std::vector<std::string>& encoders) {
    ui_->webBox->setChecked(web_.enabled);
    ui_->webPortEdit->setText(QString::number(web_.port));
    ui_->othersBox->setChecked(web_.allowOthers);
    ui_->userEdit->setText(QString::fromStdString(web_.user));
    ui_->certEdit->setText(QString::fromStdString(web_.tlsCert));
    ui_->keyEdit->setText(QString::fromStdString(web_.tlsKey));
    ui_->viewersSpin->setValue(web_.maxViewers);
    ShowTypingRows(false);
    ui_->madePassword->setVisible(false);
    ui_->madeNote->setVisible(false);
    ShowPasswordState();

    ui_->rtspBox->setChecked(rtsp_.enabled);
    ui_->rtspPortEdit->setText(QString::number(rtsp_.port));
    ui_->encoderList->clear();
    ui_->encoderList->addItem(
        encoders.empty()
            ? QStringLiteral("Automatic (no H.264 encoder found)")
            : QStringLiteral("Automatic (%1)").arg(QString::fromStdString(encoders.front())),
        QString());
    for (const std::string& name : encoders)
        ui_->encoderList->addItem(QString::fromStdString(name), QString::fromStdString(name));
    const QString chosen = QString::fromStdString(rtsp_.encoder);
    int index = ui_->encoderList->findData(chosen);
    if (index < 0) {
        // Kept rather than dropped: the encoder may be missing for now only.
        ui_->encoderList->addItem(chosen + QStringLiteral(" (not found)"), chosen);
        index = ui_->encoderList->count() - 1;
    }
    ui_->encoderList->setCurrentIndex(index);
}

void CWebShareDlg::ShowTypingRows(bool shown) {
    for (QWidget* row : std::initializer_list<QWidget*>{ui_->typedLabel, ui_->typedEdit,
                                                        ui_->confirmLabel, ui_->confirmEdit})
        row->setVisible(shown);
}

void CWebShareDlg::ShowPasswordState() {
    QString state;
    if (!madeHash_.empty())
        state = QStringLiteral("A new password, kept at OK:");
    else if (!ui_->typedEdit->isHidden())
        state = QStringLiteral("Type the new one twice below.");
    else if (!web_.passwordHash.empty())
        state = QStringLiteral("Set");
    else
        state = QStringLiteral("Not set yet: one is made at OK.");
    ui_->passwordState->setText(state);
}

void CWebShareDlg::ShowAddresses() {
    const bool https = !Trimmed(ui_->certEdit).empty() && !Trimmed(ui_->keyEdit).empty();
    const bool others = ui_->othersBox->isChecked();
    const auto addresses = [&](const QCheckBox* on, const QLineEdit* portEdit, const char* scheme,
                               const char* path) {
        if (!on->isChecked())
            return QStringLiteral("Off");
        const std::optional<int> port = ParsePort(portEdit);
        if (!port)
            return QStringLiteral("(the port is not valid)");
        QStringList lines;
        for (const std::string& url : ShareUrls(scheme, *port, path, others, machineAddresses_))
            lines << QString::fromStdString(url);
        if (others && machineAddresses_.empty())
            lines << QStringLiteral("(this computer has no other address now)");
        return lines.join(QLatin1Char('\n'));
    };
    ui_->webAddresses->setText(
        addresses(ui_->webBox, ui_->webPortEdit, https ? "https" : "http", ""));
    ui_->rtspAddresses->setText(addresses(ui_->rtspBox, ui_->rtspPortEdit, "rtsp", "live"));
    ui_->plainNote->setVisible(others &&
                               ((ui_->webBox->isChecked() && !https) || ui_->rtspBox->isChecked()));
}

bool CWebShareDlg::Refuse(QLineEdit* field, const std::string& why) {
    notices_.ShowNotice(why, NoticeStyle::Warning);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    return false;
}

bool CWebShareDlg::ReadTypedPassword(std::string& hash) {
    if (ui_->typedEdit->isHidden())
        return true;
    const QString typed = ui_->typedEdit->text();
    const QString confirm = ui_->confirmEdit->text();
    if (typed.isEmpty() && confirm.isEmpty())
        return true;
    if (static_cast<std::size_t>(typed.size()) < kMinWebPasswordChars ||
        static_cast<std::size_t>(typed.toUtf8().size()) > kMaxWebPasswordBytes) {
        return Refuse(ui_->typedEdit, "The password must have at least " +
                                          std::to_string(kMinWebPasswordChars) +
                                          " characters, and at most " +
                                          std::to_string(kMaxWebPasswordBytes) + " bytes.");
    }
    if (typed != confirm)
        return Refuse(ui_->confirmEdit, "The two passwords differ.");
    std::string made = HashPassword(typed.toStdString());
    if (made.empty())
        return Refuse(ui_->typedEdit, kNoRandom);
    hash = std::move(made);
    return true;
}

bool CWebShareDlg::ReadFields(WebSettings& web, RtspSettings& rtsp) {
    web = web_;
    web.enabled = ui_->webBox->isChecked();
    const std::optional<int> webPort = ParsePort(ui_->webPortEdit);
    if (!webPort)
        return Refuse(ui_->webPortEdit, PortRule("The web page's port"));
    web.port = *webPort;
    web.allowOthers = ui_->othersBox->isChecked();
    web.user = Trimmed(ui_->userEdit);
    if (!WebUserAllowed(web.user)) {
        return Refuse(ui_->userEdit, "The user must have 1 to " + std::to_string(kMaxWebUserBytes) +
                                         " characters, without blanks or ':'.");
    }
    if (!madeHash_.empty())
        web.passwordHash = madeHash_;
    if (!ReadTypedPassword(web.passwordHash))
        return false;

    web.tlsCert = Trimmed(ui_->certEdit);
    web.tlsKey = Trimmed(ui_->keyEdit);
    if (web.tlsCert.empty() != web.tlsKey.empty()) {
        return Refuse(web.tlsCert.empty() ? ui_->certEdit : ui_->keyEdit,
                      "HTTPS needs both the TLS certificate and its key: set both, or neither.");
    }
    for (const auto& [path, edit, what] : {std::tuple{web.tlsCert, ui_->certEdit, "certificate"},
                                           std::tuple{web.tlsKey, ui_->keyEdit, "key"}}) {
        const QFileInfo file(QString::fromStdString(path));
        if (!path.empty() && (!file.isFile() || !file.isReadable()))
            return Refuse(edit, std::string("The TLS ") + what + " " + path + " cannot be read.");
    }
    web.maxViewers = ui_->viewersSpin->value();

    rtsp = rtsp_;
    rtsp.enabled = ui_->rtspBox->isChecked();
    const std::optional<int> rtspPort = ParsePort(ui_->rtspPortEdit);
    if (!rtspPort)
        return Refuse(ui_->rtspPortEdit, PortRule("The RTSP port"));
    rtsp.port = *rtspPort;
    if (rtsp.port == web.port) {
        return Refuse(ui_->rtspPortEdit,
                      "The web page and RTSP need ports of their own: both are " +
                          std::to_string(rtsp.port) + ".");
    }
    rtsp.encoder = ui_->encoderList->currentData().toString().toStdString();
    return true;
}

void CWebShareDlg::OnNewPassword() {
    const std::string password = MakePassword();
    std::string hash = password.empty() ? std::string() : HashPassword(password);
    if (hash.empty()) {
        notices_.ShowNotice(kNoRandom, NoticeStyle::Warning);
        return;
    }
    madeHash_ = std::move(hash);
    ui_->typedEdit->clear();
    ui_->confirmEdit->clear();
    ShowTypingRows(false);
    ui_->madePassword->setText(QString::fromStdString(password));
    ui_->madePassword->setVisible(true);
    ui_->madeNote->setVisible(true);
    ShowPasswordState();
}

void CWebShareDlg::OnSetPassword() {
    madeHash_.clear();
    ui_->madePassword->clear();
    ui_->madePassword->setVisible(false);
    ui_->madeNote->setVisible(false);
    ShowTypingRows(true);
    ShowPasswordState();
    ui_->typedEdit->setFocus(Qt::OtherFocusReason);
}

void CWebShareDlg::OnBrowse(QLineEdit* field) {
    const std::optional<QString> chosen = files_.OpenFileName(
        this, field->text().trimmed(),
        {QStringLiteral("PEM files (*.pem *.crt *.key)"), QStringLiteral("All files (*)")});
    if (chosen)
        field->setText(*chosen);
}

void CWebShareDlg::ShowMadePassword(const std::string& password) {
    QMessageBox box(QMessageBox::Information, windowTitle(),
                    QStringLiteral("The web page and RTSP now ask for this password, with the "
                                   "user \"%1\":\n\n%2\n\nNote it now: it is not shown again.")
                        .arg(QString::fromStdString(web_.user), QString::fromStdString(password)),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

void CWebShareDlg::OnOk() {
    WebSettings web;
    RtspSettings rtsp;
    if (!ReadFields(web, rtsp))
        return;
    std::string made;
    if ((web.enabled || rtsp.enabled) && web.passwordHash.empty()) {
        made = MakePassword();
        web.passwordHash = made.empty() ? std::string() : HashPassword(made);
        if (web.passwordHash.empty()) {
            notices_.ShowNotice(kNoRandom, NoticeStyle::Warning);
            return;
        }
    }
    web_ = std::move(web);
    rtsp_ = std::move(rtsp);
    if (!made.empty())
        ShowMadePassword(made);
    accept();
}

}  // namespace tavelin
