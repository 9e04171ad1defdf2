#pragma once
// Who is told when something happens, and how: desktop notifications, commands run on
// events, and an MQTT broker. Kept between runs in the settings file's groups
// Notifications, Events and Mqtt.

#include <string>

namespace tavelin {

struct NotificationSettings {
    static constexpr int kMaxQuietSeconds = 86400;
    bool desktop = true;    // notifications on the desktop (else none)
    int quietSeconds = 60;  // at most one notification of a kind within this time
    friend bool operator==(const NotificationSettings&, const NotificationSettings&) = default;
};

// Command lines run on events; empty: none.
struct EventCommands {
    std::string onMotionStart;
    std::string onMotionEnd;
    std::string onRecordingFinished;
    std::string onCameraLost;
    std::string onStillSaved;
    friend bool operator==(const EventCommands&, const EventCommands&) = default;
};

struct MqttSettings {
    std::string host;  // empty: no broker
    int port = 1883;
    std::string user;
    std::string password;
    std::string caFile;     // TLS when set
    std::string topic;      // empty: "tavelin/<host name>"
    bool discovery = true;  // Home Assistant discovery configurations
    friend bool operator==(const MqttSettings&, const MqttSettings&) = default;
};

struct AlertSettings {
    NotificationSettings notifications;
    EventCommands events;
    MqttSettings mqtt;
    friend bool operator==(const AlertSettings&, const AlertSettings&) = default;
};

}  // namespace tavelin
