#include "core/AlertSettingsRules.h"

#include <algorithm>

namespace tavelin {

bool TopicAllowed(std::string_view topic) {
    return topic.size() <= kMaxTopicBytes &&
           topic.find_first_of(std::string_view("+#\0", 3)) == std::string_view::npos;
}

bool HostAllowed(std::string_view host) {
    return host.size() <= kMaxHostBytes && std::none_of(host.begin(), host.end(), [](char c) {
               const auto byte = static_cast<unsigned char>(c);
               return byte <= ' ' || byte == 0x7f;
           });
}

bool PortAllowed(int port) {
    return port >= kMinPort && port <= kMaxPort;
}

AlertSettings WithinRules(AlertSettings settings) {
    NotificationSettings& notifications = settings.notifications;
    notifications.quietSeconds =
        std::clamp(notifications.quietSeconds, 0, NotificationSettings::kMaxQuietSeconds);
    EventCommands& events = settings.events;
    for (std::string* command :
         {&events.onMotionStart, &events.onMotionEnd, &events.onRecordingFinished,
          &events.onCameraLost, &events.onStillSaved}) {
        // Cut short, a command line would run something else than was written.
        if (command->size() > kMaxEventCommandBytes)
            command->clear();
    }
    MqttSettings& mqtt = settings.mqtt;
    if (!HostAllowed(mqtt.host))
        mqtt.host.clear();
    if (!PortAllowed(mqtt.port))
        mqtt.port = MqttSettings().port;
    if (!TopicAllowed(mqtt.topic))
        mqtt.topic.clear();
    return settings;
}

}  // namespace tavelin
