#include "core/MqttMessages.h"

#include "core/JsonText.h"

namespace tavelin {
namespace {

// Without what MQTT forbids in the topic names one publishes to.
std::string WithoutWildcards(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c != '+' && c != '#' && c != '\0')
            out += c;
    }
    return out;
}

std::string_view Trimmed(std::string_view text, std::string_view what) {
    const std::size_t first = text.find_first_not_of(what);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(what) - first + 1);
}

constexpr char kDiscoveryPrefix[] = "homeassistant";

}  // namespace

std::string MqttBaseTopic(std::string_view configured, std::string_view hostName) {
    std::string topic = WithoutWildcards(configured);
    std::string_view kept = Trimmed(topic, "/");
    while (!kept.empty() && kept.front() == '$')
        kept = Trimmed(kept.substr(1), "/");
    if (!kept.empty())
        return std::string(kept);
    std::string host = WithoutWildcards(hostName);
    std::erase(host, '/');
    return "tavelin/" + (host.empty() ? std::string("camera") : host);
}

std::string MqttSafeId(std::string_view text) {
    std::string id(text);
    for (char& c : id) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!kept)
            c = '_';
    }
    return id;
}

MqttTopics::MqttTopics(std::string baseTopic)
    : base(std::move(baseTopic)),
      nodeId(MqttSafeId(base)),
      availability(base + "/availability"),
      motion(base + "/motion"),
      recording(base + "/recording"),
      recordOnMotion(base + "/record_on_motion"),
      lastRecording(base + "/last_recording"),
      snapshot(base + "/snapshot"),
      event(base + "/event"),
      test(base + "/test"),
      setRecordOnMotion(base + "/set/record_on_motion"),
      setSnapshot(base + "/set/snapshot") {}

std::string OneLine(std::string_view text) {
    std::string out;
    bool lineBreak = false;
    for (const char c : text) {
        if (c == '\r' || c == '\n') {
            lineBreak = true;
            continue;
        }
        if (lineBreak)
            out += ' ';
        lineBreak = false;
        out += c;
    }
    return std::string(Trimmed(out, " "));
}

std::string EventJson(const SessionEvent& event, std::string_view time) {
    CJsonObject json;
    json.AddString("type", EventName(event.kind)).AddString("time", time);
    switch (event.kind) {
        case SessionEventKind::RecordingStarted:
            json.AddString("file", event.path).AddBool("on_motion", event.onMotion);
            break;
        case SessionEventKind::RecordingFinished:
            json.AddString("file", event.path)
                .AddBool("on_motion", event.onMotion)
                .AddInteger("frames", event.frames)
                .AddNumber("seconds", event.seconds, 3);
            break;
        case SessionEventKind::RecordingFailed:
            if (!event.path.empty())
                json.AddString("file", event.path);
            json.AddBool("on_motion", event.onMotion).AddString("cause", OneLine(event.message));
            break;
        case SessionEventKind::StillSaved:
        case SessionEventKind::SnapshotSaved:
            json.AddString("file", event.path);
            break;
        case SessionEventKind::FileRemoved:
            json.AddString("file", event.path).AddInteger("bytes", event.bytes);
            break;
        case SessionEventKind::StorageFull:
            json.AddString("folder", event.path).AddString("cause", OneLine(event.message));
            break;
        case SessionEventKind::StorageBack:
            json.AddString("folder", event.path);
            break;
        case SessionEventKind::MotionStarted:
        case SessionEventKind::MotionEnded:
        case SessionEventKind::CameraLost:
        case SessionEventKind::CameraBack:
            break;
    }
    return json.Text();
}

std::vector<MqttMessage> DiscoveryMessages(const MqttTopics& topics, std::string_view hostName,
                                           bool on) {
    struct Entity {
        const char* component;
        const char* objectId;
        const char* name;
        const char* topicKey;  // where the entity reads its state
        std::string MqttTopics::*topic;
        std::string MqttTopics::*command;  // null: none
        bool onOff;                        // the state is ON / OFF
        const char* deviceClass;
        const char* icon;
        const char* valueTemplate;
    };
    static constexpr Entity kEntities[] = {
        {"binary_sensor", "motion", "Motion", "state_topic", &MqttTopics::motion, nullptr, true,
         "motion", nullptr, nullptr},
        {"binary_sensor", "recording", "Recording", "state_topic", &MqttTopics::recording, nullptr,
         true, nullptr, "mdi:record-rec", nullptr},
        {"switch", "record_on_motion", "Record on motion", "state_topic",
         &MqttTopics::recordOnMotion, &MqttTopics::setRecordOnMotion, true, nullptr,
         "mdi:motion-play", nullptr},
        {"camera", "snapshot", "Snapshot", "topic", &MqttTopics::snapshot, nullptr, false, nullptr,
         nullptr, nullptr},
        // A state holds at most 255 characters; the end of a long path names the file.
        {"sensor", "last_recording", "Last recording", "state_topic", &MqttTopics::lastRecording,
         nullptr, false, nullptr, "mdi:filmstrip", "{{ value[-255:] }}"},
    };
    // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) on "literal" + a temporary.
    std::string identifiers = "[";
    identifiers += JsonString(std::string("tavelin_").append(MqttSafeId(hostName)));
    identifiers += ']';
    const std::string device =
        CJsonObject()
            .AddRaw("identifiers", identifiers)
            .AddString("name", "Tavelin Video Center (" + std::string(hostName) + ")")
            .AddString("manufacturer", "Tavelin")
            .AddString("model", "Video Center")
            .Text();
    std::vector<MqttMessage> messages;
    for (const Entity& entity : kEntities) {
        MqttMessage message;
        message.topic = std::string(kDiscoveryPrefix) + "/" + entity.component + "/" +
                        topics.nodeId + "/" + entity.objectId + "/config";
        message.retain = true;
        if (on) {
            CJsonObject config;
            config.AddString("name", entity.name)
                .AddString("unique_id", topics.nodeId + "_" + entity.objectId)
                .AddString(entity.topicKey, topics.*entity.topic);
            if (entity.command != nullptr)
                config.AddString("command_topic", topics.*entity.command);
            if (entity.onOff)
                config.AddString("payload_on", kMqttOn).AddString("payload_off", kMqttOff);
            if (entity.deviceClass != nullptr)
                config.AddString("device_class", entity.deviceClass);
            if (entity.icon != nullptr)
                config.AddString("icon", entity.icon);
            if (entity.valueTemplate != nullptr)
                config.AddString("value_template", entity.valueTemplate);
            message.payload = config.AddString("availability_topic", topics.availability)
                                  .AddString("payload_available", kMqttOnline)
                                  .AddString("payload_not_available", kMqttOffline)
                                  .AddRaw("device", device)
                                  .Text();
        }
        messages.push_back(std::move(message));
    }
    return messages;
}

}  // namespace tavelin
