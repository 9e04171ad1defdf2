#pragma once
// A small desktop notification service for tests: on a connection of its own it owns
// org.freedesktop.Notifications, answers Notify with increasing ids (or with an error
// when told to fail), keeps what it received, and sends ActionInvoked as a desktop does
// when the user clicks a button.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QVariantMap>
#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tavelin::testing {

class NotificationServer : public QDBusVirtualObject {
public:
    struct Image {
        QString signature;
        int width = 0;
        int height = 0;
        int rowstride = 0;
        bool hasAlpha = true;
        int bitsPerSample = 0;
        int channels = 0;
        QByteArray data;
    };
    struct Notification {
        quint32 id = 0;
        QString appName;
        QString summary;
        QString body;
        QStringList actions;
        std::optional<Image> image;
    };

    static inline const QString kName = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

    // failWith: the D-Bus error name Notify answers with; empty to take notifications.
    NotificationServer(const std::string& address, QString failWith = {})
        : connectionName_(QStringLiteral("notification-server-%1").arg(++count_)),
          bus_(QDBusConnection::connectToBus(QString::fromStdString(address), connectionName_)),
          failWith_(std::move(failWith)) {
        started_ = bus_.registerVirtualObject(kPath, this) &&
                   bus_.interface()->registerService(kName).value() ==
                       QDBusConnectionInterface::ServiceRegistered;
    }
    ~NotificationServer() override {
        // Given back before the connection goes, so the next test finds the name free.
        bus_.interface()->unregisterService(kName);
        bus_.unregisterObject(kPath);
        QDBusConnection::disconnectFromBus(connectionName_);
    }

    bool started() const { return started_; }
    std::vector<Notification> received() const {
        std::lock_guard lock(lock_);
        return received_;
    }
    std::vector<QString> summaries() const {
        std::vector<QString> all;
        for (const Notification& n : received())
            all.push_back(n.summary);
        return all;
    }
    void InvokeAction(quint32 id, const QString& key) {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kName, "ActionInvoked");
        signal << id << key;
        bus_.send(signal);
    }

    QString introspect(const QString&) const override {
        return QStringLiteral("<interface name=\"org.freedesktop.Notifications\"/>");
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != kName)
            return false;
        if (message.member() == QLatin1String("GetCapabilities")) {
            connection.send(message.createReply(QStringList{"actions", "body", "body-images"}));
            return true;
        }
        if (message.member() != QLatin1String("Notify") ||
            message.signature() != QLatin1String("susssasa{sv}i"))
            return false;
        const QVariantList args = message.arguments();
        Notification n;
        n.appName = args[0].toString();
        n.summary = args[3].toString();
        n.body = args[4].toString();
        n.actions = qdbus_cast<QStringList>(args[5]);
        const QVariantMap hints = qdbus_cast<QVariantMap>(args[6]);
        if (hints.contains(QStringLiteral("image-data")))
            n.image = ReadImage(hints.value(QStringLiteral("image-data")).value<QDBusArgument>());
        std::lock_guard lock(lock_);
        n.id = ++lastId_;
        received_.push_back(n);
        connection.send(failWith_.isEmpty()
                            ? message.createReply(QVariant::fromValue(n.id))
                            : message.createErrorReply(failWith_, QStringLiteral("refused")));
        return true;
    }

private:
    static Image ReadImage(const QDBusArgument& arg) {
        Image image;
        image.signature = arg.currentSignature();
        arg.beginStructure();
        arg >> image.width >> image.height >> image.rowstride >> image.hasAlpha >>
            image.bitsPerSample >> image.channels >> image.data;
        arg.endStructure();
        return image;
    }

    static inline std::atomic<int> count_{0};
    QString connectionName_;
    QDBusConnection bus_;
    QString failWith_;
    bool started_ = false;
    mutable std::mutex lock_;
    std::vector<Notification> received_;
    quint32 lastId_ = 100;
};

}  // namespace tavelin::testing
