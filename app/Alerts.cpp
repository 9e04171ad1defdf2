#include "app/Alerts.h"

#include <memory>
#include <vector>

#include "alerts/DesktopNotifier.h"
#include "alerts/EventCommandRunner.h"
#include "alerts/MqttPublisher.h"
#include "core/EventCommandLine.h"

namespace tavelin {

CAlerts::CAlerts(IAlertSource& source, const AlertSettings& settings,
                 std::function<bool(const QString&, const QString&)> balloon)
    : source_(source),
      notifier_(
          std::make_unique<CDesktopNotifier>(source, settings.notifications, std::move(balloon))),
      mqtt_(std::make_unique<CMqttPublisher>(source, settings.mqtt)),
      commands_(std::make_unique<CEventCommandRunner>(source.events())),
      mqttSettings_(settings.mqtt) {
    commands_->SetCommands(settings.events);
}

CAlerts::~CAlerts() = default;

void CAlerts::Apply(const AlertSettings& settings) {
    notifier_->Apply(settings.notifications);
    commands_->SetCommands(settings.events);
    mqtt_->Apply(settings.mqtt);
    mqttSettings_ = settings.mqtt;
}

void CAlerts::Test(const AlertSettings& settings, std::function<void(const std::string&)> answer) {
    // Both answers come later, in either order; the dialog gets them together.
    struct Answers {
        std::function<void(const std::string&)> answer;
        std::string notification;
        std::string broker;
        void Done() {
            if (!notification.empty() && !broker.empty())
                answer("Notification: " + notification + "\nBroker: " + broker);
        }
    };
    auto answers = std::make_shared<Answers>();
    answers->answer = std::move(answer);
    if (settings.mqtt.host.empty()) {
        answers->broker = "off (no host).";
    } else if (!(settings.mqtt == mqttSettings_)) {
        answers->broker = "these settings are tried once they are stored with OK.";
    } else {
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = QObject::connect(mqtt_.get(), &CMqttPublisher::testFinished, mqtt_.get(),
                                       [answers, connection](bool, const QString& text) {
                                           QObject::disconnect(*connection);
                                           answers->broker = text.toStdString();
                                           answers->Done();
                                       });
        mqtt_->SendTest();
    }
    notifier_->SendTest([answers](const NotifyOutcome& outcome) {
        answers->notification = Describe(outcome).toStdString();
        answers->Done();
    });
}

bool CAlerts::CheckCommand(const std::string& line, std::string& why) {
    std::vector<std::string> words;
    return SplitCommandLine(line, words, why);
}

}  // namespace tavelin
