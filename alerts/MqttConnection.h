#pragma once
// The link to one MQTT broker through libmosquitto. The library's own thread does the
// network work; a thread of the link's own makes the calls that may wait (looking the
// host up, stopping the library's thread), and starts a new client when the library's
// thread has given up for good (in 2.0 it does so on TLS and protocol errors). The calls
// below only queue.
//
// What the library's thread learns waits as news until the owner takes it; the wake
// function only tells the owner there is some. Nothing from the broker is acted on here.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/AlertSettings.h"
#include "core/MqttMessages.h"

namespace tavelin {

struct MqttNews {
    enum class Kind {
        Connected,     // the broker accepted the client
        Refused,       // the broker answered no: text says why
        Failed,        // no connection could be made, or the library reported an error: text
        Lost,          // an accepted connection ended: text
        Acknowledged,  // the broker has the message `mid`
        Command,       // a message on a command topic: topic, payload, bytes, retained
    };
    Kind kind = Kind::Connected;
    int mid = 0;
    std::string text;
    std::string topic;
    std::string payload;    // at most kMaxCommandBytes of it
    std::size_t bytes = 0;  // the payload's whole length
    bool retained = false;  // kept by the broker from before, not sent now
};

// What became of a message handed to the link.
enum class MqttHandOver {
    Sent,     // the library has it
    Later,    // no accepted connection now: keep it
    Refused,  // the library will never take it (logged)
};

struct MqttLinkOptions {
    MqttSettings settings;  // host, port, user, password, caFile
    std::string clientId;
    std::string availabilityTopic;  // the will goes there: "offline", retained
    std::vector<std::string> commandTopics;
};

class CMqttConnection {
public:
    static constexpr int kKeepAliveSeconds = 30;
    // The pause before the library tries again grows from the first to the second.
    static constexpr int kFirstRetrySeconds = 1;
    static constexpr int kLastRetrySeconds = 60;
    // Of a command only this much is kept, and only this many wait at a time.
    static constexpr std::size_t kMaxCommandBytes = 32;
    static constexpr std::size_t kMaxWaitingCommands = 8;

    // `wake` is called on other threads when news comes after the owner took the last; it
    // should only ask the owner's thread to call TakeNews.
    CMqttConnection(MqttLinkOptions options, std::function<void()> wake);
    // Ends the link (End) without waiting for its thread.
    ~CMqttConnection();
    CMqttConnection(const CMqttConnection&) = delete;
    CMqttConnection& operator=(const CMqttConnection&) = delete;

    // Hands the message to the library at QoS 1; when Sent, `mid` is its id.
    MqttHandOver Publish(const MqttMessage& message, int& mid);
    std::vector<MqttNews> TakeNews();
    // No news from here on. When connected, "offline" goes to the availability topic
    // (retained) ahead of the clean disconnect; the link's thread then stops the library's
    // thread and frees the client.
    void End();
    // Waits at most `ms` for the link's thread to finish; true when it has.
    bool WaitEnded(int ms);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace tavelin
