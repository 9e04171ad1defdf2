// The tests' desktop notification service as a program of its own, for scripts that run
// the real program on a private session bus (scripts/alerts-cpu). It takes
// org.freedesktop.Notifications on $DBUS_SESSION_BUS_ADDRESS, says "ready" once it owns
// the name, and "notify <summary>" for each notification it takes; it runs until killed.

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "tests/support/NotificationServer.h"

namespace {

class PrintingNotificationServer : public tavelin::testing::NotificationServer {
public:
    using NotificationServer::NotificationServer;

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (!NotificationServer::handleMessage(message, connection))
            return false;
        if (message.member() == QLatin1String("Notify")) {
            std::printf("notify %s\n", qPrintable(message.arguments().value(3).toString()));
            std::fflush(stdout);
        }
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == nullptr || *address == '\0') {
        std::fprintf(stderr, "notification_service: DBUS_SESSION_BUS_ADDRESS is not set\n");
        return 1;
    }
    PrintingNotificationServer server(address);
    if (!server.started()) {
        std::fprintf(stderr, "notification_service: could not own %s\n",
                     qPrintable(PrintingNotificationServer::kName));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
