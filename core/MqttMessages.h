#pragma once
// What the program tells an MQTT broker: the topics under its base topic, the payloads of
// its states, an event as one JSON object, and the configurations Home Assistant finds the
// camera's entities by. No network here; CMqttPublisher (alerts/) sends them.

#include <string>
#include <string_view>
#include <vector>

#include "core/SessionEvents.h"

namespace tavelin {

struct MqttMessage {
    std::string topic;
    std::string payload;  // bytes: text, JSON or a JPEG
    bool retain = false;
};

inline constexpr char kMqttOn[] = "ON";
inline constexpr char kMqttOff[] = "OFF";
inline constexpr char kMqttOnline[] = "online";
inline constexpr char kMqttOffline[] = "offline";

// The base topic: the configured one without what a topic name may not hold ('+', '#',
// NUL), a leading '$' (the broker's own topics) or '/' at either end. When nothing is
// left, "tavelin/<host name>".
std::string MqttBaseTopic(std::string_view configured, std::string_view hostName);

// `text` with letters, digits, '_' and '-' kept and anything else '_': ids for Home
// Assistant and the client id.
std::string MqttSafeId(std::string_view text);

// The topics under a base topic.
struct MqttTopics {
    explicit MqttTopics(std::string baseTopic = {});

    std::string base;
    std::string nodeId;          // MqttSafeId(base)
    std::string availability;    // online / offline, retained; the will
    std::string motion;          // ON / OFF, retained
    std::string recording;       // ON / OFF, retained
    std::string recordOnMotion;  // ON / OFF, retained
    std::string lastRecording;   // the path of the last finished recording, retained
    std::string snapshot;        // JPEG, retained
    std::string event;           // one JSON object per event
    std::string test;
    std::string setRecordOnMotion;  // commands: ON / OFF
    std::string setSnapshot;        // any payload
};

// The event as JSON: type (EventName), time, and where they apply file, folder, on_motion,
// frames, seconds, cause (the message on one line) and bytes.
std::string EventJson(const SessionEvent& event, std::string_view time);

// `text` on one line: every run of CR and LF becomes one space, and spaces at the ends go.
std::string OneLine(std::string_view text);

// The retained discovery configurations of the camera's entities (motion, recording, record
// on motion, the snapshot, the last recording) for the device of `hostName`. With `on`
// false the same topics with empty payloads, which remove the entities again.
std::vector<MqttMessage> DiscoveryMessages(const MqttTopics& topics, std::string_view hostName,
                                           bool on);

}  // namespace tavelin
