#pragma once
// The desktop's notification service (org.freedesktop.Notifications on the session
// bus), spoken to without ever waiting on the bus: whether it is there is learned in the
// background and followed as it comes and goes, notifications go out as asynchronous
// calls, and the buttons clicked on the notifications sent from here come back as a
// signal.

#include <QDBusConnection>
#include <QDBusError>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <deque>
#include <functional>
#include <optional>
#include <utility>

class QDBusMessage;

namespace tavelin {

class CNotificationService : public QObject {
    Q_OBJECT

public:
    // Notifications whose buttons are still listened to: the latest ones.
    static constexpr std::size_t kMaxTracked = 32;
    // How long a notification may take to be accepted before it counts as failed.
    static constexpr int kSendTimeoutMs = 10000;

    enum class Presence { Unknown, Present, Absent };

    struct Message {
        QString appName;
        QString appIcon;
        QString summary;
        QString body;         // plain text; escaped here when the service reads markup
        QStringList actions;  // key, label, key, label, ...
        QVariantMap hints;
    };
    // The service's number for the notification, or the error (id 0) when it was not
    // taken. A bus that is not connected answers with an error as well.
    using Sent = std::function<void(quint32 id, const QDBusError& error)>;

    explicit CNotificationService(QDBusConnection bus, QObject* parent = nullptr);

    // Present when the name has an owner or the bus can start one; Unknown until the
    // bus has answered.
    Presence presence() const;
    void Send(const Message& message, Sent sent);

signals:
    // A button of a notification sent from here, as told by the service that showed it.
    void actionInvoked(quint32 id, const QString& key);

private slots:
    void OnActionInvoked(uint id, const QString& key, const QDBusMessage& message);
    void OnNotificationClosed(uint id, uint reason, const QDBusMessage& message);

private:
    void Call(const QDBusMessage& call, int timeoutMs,
              std::function<void(const QDBusMessage& reply)> answer);
    void SetOwned(bool owned);
    bool Tracked(quint32 id, const QString& sender) const;

    QDBusConnection bus_;
    std::optional<bool> owned_;
    std::optional<bool> activatable_;
    bool markup_ = false;
    // Each notification with the unique bus name of the service that took it: only that
    // sender's word about it counts.
    std::deque<std::pair<quint32, QString>> sent_;
};

}  // namespace tavelin
