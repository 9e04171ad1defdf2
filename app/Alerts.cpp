#include "app/Alerts.h"

#include <vector>

#include "alerts/DesktopNotifier.h"
#include "alerts/EventCommandRunner.h"
#include "core/EventCommandLine.h"

namespace tavelin {

CAlerts::CAlerts(IAlertSource& source, const AlertSettings& settings,
                 std::function<bool(const QString&, const QString&)> balloon)
    : source_(source),
      notifier_(std::make_unique<CDesktopNotifier>(source, settings.notifications,
                                                   std::move(balloon))),
      commands_(std::make_unique<CEventCommandRunner>(source.events())) {
    commands_->SetCommands(settings.events);
}

CAlerts::~CAlerts() = default;

void CAlerts::Apply(const AlertSettings& settings) {
    notifier_->Apply(settings.notifications);
    commands_->SetCommands(settings.events);
}

void CAlerts::Test(const AlertSettings& /*settings*/,
                   std::function<void(const std::string&)> answer) {
    notifier_->SendTest([answer = std::move(answer)](const NotifyOutcome& outcome) {
        answer(Describe(outcome).toStdString());
    });
}

bool CAlerts::CheckCommand(const std::string& line, std::string& why) {
    std::vector<std::string> words;
    return SplitCommandLine(line, words, why);
}

}  // namespace tavelin
