#pragma once
// Everyone the program tells what happens, built from the stored alert settings: the
// desktop notifier, the commands run on events and the broker. Apply() takes new
// settings from the Alerts dialog; Test() tries settings as typed there.

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "core/AlertSettings.h"
#include "core/AlertSource.h"

namespace tavelin {

class CDesktopNotifier;
class CEventCommandRunner;
class CMqttPublisher;

class CAlerts {
public:
    // `balloon`: the tray's message, false where there is no tray.
    CAlerts(IAlertSource& source, const AlertSettings& settings,
            std::function<bool(const QString& title, const QString& text)> balloon);
    ~CAlerts();
    CAlerts(const CAlerts&) = delete;
    CAlerts& operator=(const CAlerts&) = delete;

    void Apply(const AlertSettings& settings);
    // Sends a test notification and a test message to the broker and answers once with
    // what happened to each. The broker is tried with the settings in use: new ones are
    // tried once stored.
    void Test(const AlertSettings& settings, std::function<void(const std::string&)> answer);
    // Whether a command line can be run as typed; `why` says what is wrong.
    static bool CheckCommand(const std::string& line, std::string& why);

private:
    IAlertSource& source_;
    // Made in the order they hear each event: starting a command forks the program,
    // which the broker and the notification need not wait for.
    std::unique_ptr<CDesktopNotifier> notifier_;
    std::unique_ptr<CMqttPublisher> mqtt_;
    std::unique_ptr<CEventCommandRunner> commands_;
    MqttSettings mqttSettings_;  // what the broker runs with
};

}  // namespace tavelin
