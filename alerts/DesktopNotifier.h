#pragma once
// Tells the desktop what happens in the session: recording on motion (with the picture
// motion started on), the camera lost and back, a failed recording, storage full. The
// notification service of the session bus shows them, with the buttons "Open folder"
// and "Quiet for 30 minutes"; without one the tray's balloon does, and without a tray
// they are only logged. Nothing here waits on the bus.
//
// At most one notification of a kind goes within the quiet time; the rest are logged.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <functional>

#include "alerts/NotificationGate.h"
#include "alerts/NotificationService.h"
#include "core/AlertSettings.h"
#include "core/AlertSource.h"

namespace tavelin {

// Where one notification went.
struct NotifyOutcome {
    enum class Way { Desktop, Tray, Log };
    Way way = Way::Log;
    quint32 id = 0;  // Desktop: the notification service's number for it
    QString error;   // the service's D-Bus error, when there was a service and it failed
};

// One sentence for the user, as the settings dialog's Test button shows it.
QString Describe(const NotifyOutcome& outcome);

class CDesktopNotifier : public QObject {
    Q_OBJECT

public:
    // Shows a balloon at the tray icon; false when there is no tray.
    using Balloon = std::function<bool(const QString& title, const QString& text)>;
    // Milliseconds on a steady clock.
    using Clock = std::function<std::int64_t()>;
    using UrlOpener = std::function<bool(const QUrl& url)>;
    using TestDone = std::function<void(const NotifyOutcome& outcome)>;

    static constexpr const char* kOpenFolderAction = "open-folder";
    static constexpr const char* kQuietAction = "quiet";
    static constexpr int kQuietActionMinutes = 30;

    // Follows source's events from now on; source outlives this.
    CDesktopNotifier(IAlertSource& source, NotificationSettings settings, Balloon balloon,
                     QDBusConnection bus = QDBusConnection::sessionBus(),
                     QObject* parent = nullptr);
    ~CDesktopNotifier() override;
    CDesktopNotifier(const CDesktopNotifier&) = delete;
    CDesktopNotifier& operator=(const CDesktopNotifier&) = delete;

    void Apply(const NotificationSettings& settings);
    const NotificationSettings& settings() const { return settings_; }

    // "Tavelin Video Center" / "Notifications work.", the same way as any notification
    // but whatever the settings and the quiet time say. done hears where it went, once
    // the service has answered (never when this object is gone first).
    void SendTest(TestDone done);

    // Whether "Quiet for 30 minutes" still holds.
    bool quiet() const;

    // The time the quiet rules go by; a steady clock unless set.
    void SetClock(Clock clock);
    // How "Open folder" opens the folder; QDesktopServices::openUrl unless set.
    void SetUrlOpener(UrlOpener open);

private:
    void OnEvent(const SessionEvent& event);
    void OnAction(quint32 id, const QString& key);
    void Deliver(const CNotificationService::Message& message, TestDone done);
    NotifyOutcome Fallback(const QString& summary, const QString& body, const QString& error);

    IAlertSource& source_;
    NotificationSettings settings_;
    Balloon balloon_;
    Clock clock_;
    UrlOpener openUrl_;
    CNotificationGate gate_;
    CNotificationService service_;
    int subscription_ = 0;
};

}  // namespace tavelin
