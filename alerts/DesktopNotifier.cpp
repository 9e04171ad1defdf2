#include "alerts/DesktopNotifier.h"

#include <QDesktopServices>
#include <QTime>
#include <chrono>
#include <string>

#include "alerts/NotificationImage.h"
#include "alerts/NotificationText.h"
#include "core/Log.h"
#include "core/Messages.h"

namespace tavelin {
namespace {

const QString kAppIcon = QStringLiteral("tavelin-video-center");

std::int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

CNotificationService::Message MessageFor(const QString& summary, const QString& body, bool urgent) {
    CNotificationService::Message message;
    message.appName = QString::fromUtf8(msg::kCaption);
    message.appIcon = kAppIcon;
    message.summary = summary;
    message.body = body;
    message.hints.insert(QStringLiteral("desktop-entry"), kAppIcon);
    message.hints.insert(QStringLiteral("urgency"),
                         QVariant::fromValue(static_cast<uchar>(urgent ? 2 : 1)));
    return message;
}

std::string Line(const QString& summary, const QString& body) {
    return (summary + QStringLiteral(": ") + body).toStdString();
}

}  // namespace

QString Describe(const NotifyOutcome& outcome) {
    const QString failed =
        outcome.error.isEmpty()
            ? QStringLiteral("No notification service")
            : QStringLiteral("The notification service failed (%1)").arg(outcome.error);
    switch (outcome.way) {
        case NotifyOutcome::Way::Desktop:
            return QStringLiteral("Sent (notification %1).").arg(outcome.id);
        case NotifyOutcome::Way::Tray:
            return failed + QStringLiteral("; shown at the tray icon instead.");
        case NotifyOutcome::Way::Log:
            return failed + QStringLiteral(" and no tray; the notification was only logged.");
    }
    return failed + QLatin1Char('.');
}

CDesktopNotifier::CDesktopNotifier(IAlertSource& source, NotificationSettings settings,
                                   Balloon balloon, QDBusConnection bus, QObject* parent)
    : QObject(parent),
      source_(source),
      settings_(settings),
      balloon_(std::move(balloon)),
      clock_(&SteadyMs),
      openUrl_(&QDesktopServices::openUrl),
      gate_(settings.quietSeconds),
      service_(std::move(bus)) {
    connect(&service_, &CNotificationService::actionInvoked, this, &CDesktopNotifier::OnAction);
    subscription_ = source_.events().Subscribe([this](const SessionEvent& e) { OnEvent(e); });
}

CDesktopNotifier::~CDesktopNotifier() {
    source_.events().Unsubscribe(subscription_);
}

void CDesktopNotifier::Apply(const NotificationSettings& settings) {
    settings_ = settings;
    gate_.SetQuietSeconds(settings.quietSeconds);
    Log(LogArea::Ui, LogLevel::Info,
        std::string("desktop notifications ") + (settings.desktop ? "on" : "off") +
            ", at most one of a kind in " + std::to_string(settings.quietSeconds) + " s");
}

void CDesktopNotifier::SendTest(TestDone done) {
    Log(LogArea::Ui, LogLevel::Info, "test notification");
    Deliver(
        MessageFor(QString::fromUtf8(msg::kCaption), QStringLiteral("Notifications work."), false),
        std::move(done));
}

bool CDesktopNotifier::quiet() const {
    return gate_.quiet(clock_());
}

void CDesktopNotifier::SetClock(Clock clock) {
    clock_ = std::move(clock);
}

void CDesktopNotifier::SetUrlOpener(UrlOpener open) {
    openUrl_ = std::move(open);
}

void CDesktopNotifier::OnEvent(const SessionEvent& event) {
    const std::optional<NotificationText> text = NotificationFor(event, QTime::currentTime());
    if (!text)
        return;
    CNotificationService::Message message = MessageFor(text->summary, text->body, text->urgent);
    if (!settings_.desktop) {
        Log(LogArea::Ui, LogLevel::Debug,
            "notification off: " + Line(message.summary, message.body));
        return;
    }
    switch (gate_.Check(event.kind, clock_())) {
        case CNotificationGate::Verdict::Pass:
            break;
        case CNotificationGate::Verdict::TooSoon:
            Log(LogArea::Ui, LogLevel::Debug,
                "notification skipped, one of its kind went within the quiet time: " +
                    Line(message.summary, message.body));
            return;
        case CNotificationGate::Verdict::Quiet:
            Log(LogArea::Ui, LogLevel::Debug,
                "notification skipped, the user asked for quiet: " +
                    Line(message.summary, message.body));
            return;
    }
    message.actions = {QString::fromLatin1(kOpenFolderAction), QStringLiteral("Open folder"),
                       QString::fromLatin1(kQuietAction),
                       QStringLiteral("Quiet for %1 minutes").arg(kQuietActionMinutes)};
    // The balloon shows no picture: none is made for it.
    if (event.kind == SessionEventKind::RecordingStarted &&
        service_.presence() != CNotificationService::Presence::Absent) {
        const QVariant image = NotificationImageHint(source_.motionPicture());
        if (image.isValid())
            message.hints.insert(QStringLiteral("image-data"), image);
    }
    Deliver(message, nullptr);
}

void CDesktopNotifier::OnAction(quint32 id, const QString& key) {
    if (key == QLatin1String(kQuietAction)) {
        gate_.QuietFor(clock_(), std::int64_t{kQuietActionMinutes} * 60 * 1000);
        Log(LogArea::Ui, LogLevel::Info,
            "notifications quiet for " + std::to_string(kQuietActionMinutes) + " minutes");
    } else if (key == QLatin1String(kOpenFolderAction)) {
        const std::string folder = source_.recordingFolder();
        if (folder.empty() || !openUrl_(QUrl::fromLocalFile(QString::fromStdString(folder))))
            Log(LogArea::Ui, LogLevel::Warning, "could not open the recording folder " + folder);
    } else {
        // Whatever else a service sends is no command of ours; its text is not logged.
        Log(LogArea::Ui, LogLevel::Debug,
            "unknown action of notification " + std::to_string(id) + " ignored");
    }
}

void CDesktopNotifier::Deliver(const CNotificationService::Message& message, TestDone done) {
    if (service_.presence() == CNotificationService::Presence::Absent) {
        const NotifyOutcome outcome = Fallback(message.summary, message.body, QString());
        if (done)
            done(outcome);
        return;
    }
    service_.Send(message, [this, summary = message.summary, body = message.body,
                            done = std::move(done)](quint32 id, const QDBusError& error) {
        NotifyOutcome outcome;
        if (!error.isValid()) {
            outcome = {NotifyOutcome::Way::Desktop, id, QString()};
            Log(LogArea::Ui, LogLevel::Info,
                "notification " + std::to_string(id) + " sent: " + Line(summary, body));
        } else if (error.type() == QDBusError::ServiceUnknown) {
            outcome = Fallback(summary, body, QString());  // the service went (or never came)
        } else {
            const QString text = error.name() + QStringLiteral(": ") + error.message();
            Log(LogArea::Ui, LogLevel::Warning, "notification service: " + text.toStdString());
            outcome = Fallback(summary, body, text);
        }
        if (done)
            done(outcome);
    });
}

NotifyOutcome CDesktopNotifier::Fallback(const QString& summary, const QString& body,
                                         const QString& error) {
    if (balloon_ && balloon_(summary, body)) {
        Log(LogArea::Ui, LogLevel::Info,
            "notification shown at the tray icon: " + Line(summary, body));
        return {NotifyOutcome::Way::Tray, 0, error};
    }
    Log(LogArea::Ui, LogLevel::Info,
        "notification with neither a notification service nor a tray: " + Line(summary, body));
    return {NotifyOutcome::Way::Log, 0, error};
}

}  // namespace tavelin
