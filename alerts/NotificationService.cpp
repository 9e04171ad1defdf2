#include "alerts/NotificationService.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <algorithm>

#include "core/Log.h"

namespace tavelin {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

QDBusMessage BusCall(const QString& method) {
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                          QStringLiteral("/org/freedesktop/DBus"),
                                          QStringLiteral("org.freedesktop.DBus"), method);
}

}  // namespace

CNotificationService::CNotificationService(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    if (!bus_.isConnected()) {
        owned_ = false;
        activatable_ = false;
        return;
    }
    // The watcher's match rule goes out before the question, so no change of owner
    // falls between the answer and the watching.
    auto* watcher =
        new QDBusServiceWatcher(kService, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                SetOwned(!owner.isEmpty());
            });
    // Any sender's signals reach the slots (naming the service would make Qt look its
    // owner up with a blocking call); the slots keep only the sender that took the id.
    const bool listening =
        bus_.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                     SLOT(OnActionInvoked(uint, QString, QDBusMessage))) &&
        bus_.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                     SLOT(OnNotificationClosed(uint, uint, QDBusMessage)));
    if (!listening)
        Log(LogArea::Ui, LogLevel::Warning,
            "the buttons of notifications will do nothing: " +
                bus_.lastError().message().toStdString());

    QDBusMessage hasOwner = BusCall(QStringLiteral("NameHasOwner"));
    hasOwner << kService;
    // The answer is at least as new as any change the watcher told of before it.
    Call(hasOwner, -1, [this](const QDBusMessage& reply) {
        SetOwned(reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool());
    });
    Call(BusCall(QStringLiteral("ListActivatableNames")), -1, [this](const QDBusMessage& reply) {
        activatable_ = reply.type() == QDBusMessage::ReplyMessage &&
                       reply.arguments().value(0).toStringList().contains(kService);
    });
}

CNotificationService::Presence CNotificationService::presence() const {
    if (owned_.value_or(false) || activatable_.value_or(false))
        return Presence::Present;
    if (owned_.has_value() && activatable_.has_value())
        return Presence::Absent;
    return Presence::Unknown;
}

void CNotificationService::Send(const Message& message, Sent sent) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << message.appName << quint32{0} << message.appIcon << message.summary
         << (markup_ ? message.body.toHtmlEscaped() : message.body) << message.actions
         << message.hints << qint32{-1};
    Call(call, kSendTimeoutMs, [this, sent = std::move(sent)](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage) {
            sent(0, QDBusError(reply));
            return;
        }
        if (reply.signature() != QLatin1String("u")) {
            sent(0, QDBusError(QDBusError::InvalidSignature,
                               QStringLiteral("Notify answered with ") + reply.signature()));
            return;
        }
        const quint32 id = reply.arguments().value(0).toUInt();
        sent_.emplace_back(id, reply.service());
        if (sent_.size() > kMaxTracked)
            sent_.pop_front();
        sent(id, QDBusError());
    });
}

void CNotificationService::OnActionInvoked(uint id, const QString& key,
                                           const QDBusMessage& message) {
    if (Tracked(id, message.service()))
        emit actionInvoked(id, key);
}

void CNotificationService::OnNotificationClosed(uint id, uint, const QDBusMessage& message) {
    const QString sender = message.service();
    std::erase_if(sent_,
                  [&](const auto& entry) { return entry.first == id && entry.second == sender; });
}

void CNotificationService::Call(const QDBusMessage& call, int timeoutMs,
                                std::function<void(const QDBusMessage& reply)> answer) {
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [answer = std::move(answer)](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                answer(done->reply());
            });
}

void CNotificationService::SetOwned(bool owned) {
    owned_ = owned;
    if (!owned)
        return;
    // Asked only once there is an owner, so that the question itself starts no service.
    Call(QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                        QStringLiteral("GetCapabilities")),
         kSendTimeoutMs, [this](const QDBusMessage& reply) {
             markup_ =
                 reply.type() == QDBusMessage::ReplyMessage &&
                 reply.arguments().value(0).toStringList().contains(QStringLiteral("body-markup"));
         });
}

bool CNotificationService::Tracked(quint32 id, const QString& sender) const {
    return std::any_of(sent_.begin(), sent_.end(), [&](const auto& entry) {
        return entry.first == id && entry.second == sender;
    });
}

}  // namespace tavelin
