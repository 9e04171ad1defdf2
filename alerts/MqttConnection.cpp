#include "alerts/MqttConnection.h"

#include <mosquitto.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "core/Log.h"

namespace tavelin {
namespace {

using namespace std::chrono_literals;

// mosquitto_lib_init once a process, its cleanup at the end of it.
class MosquittoLibrary {
public:
    static void Ensure() { static const MosquittoLibrary library; }

private:
    MosquittoLibrary() { mosquitto_lib_init(); }
    ~MosquittoLibrary() { mosquitto_lib_cleanup(); }
};

// The library's thread reads errno after some callbacks to decide whether it goes on, so
// a callback leaves errno as it found it.
class KeepErrno {
public:
    KeepErrno() : saved_(errno) {}
    ~KeepErrno() { errno = saved_; }
    KeepErrno(const KeepErrno&) = delete;
    KeepErrno& operator=(const KeepErrno&) = delete;

private:
    int saved_;
};

std::string ErrnoText(int err) {
    char buffer[256];
    return ::strerror_r(err, buffer, sizeof buffer);  // the GNU form: returns the text
}

std::string ErrorText(int rc, int err) {
    return rc == MOSQ_ERR_ERRNO ? ErrnoText(err) : mosquitto_strerror(rc);
}

// Whether mosquitto_loop_forever, which the library's thread runs, returns after this
// error rather than trying again (lib/loop.c in 2.0): the thread is gone then.
bool EndsTheLibraryThread(int rc, int err) {
    switch (rc) {
        case MOSQ_ERR_NOMEM:
        case MOSQ_ERR_PROTOCOL:
        case MOSQ_ERR_INVAL:
        case MOSQ_ERR_NOT_FOUND:
        case MOSQ_ERR_TLS:
        case MOSQ_ERR_PAYLOAD_SIZE:
        case MOSQ_ERR_NOT_SUPPORTED:
        case MOSQ_ERR_AUTH:
        case MOSQ_ERR_ACL_DENIED:
        case MOSQ_ERR_UNKNOWN:
        case MOSQ_ERR_EAI:
        case MOSQ_ERR_PROXY:
            return true;
        default:
            return err == EPROTO;  // how its TLS reads and writes fail
    }
}

MqttNews News(MqttNews::Kind kind, std::string text = {}) {
    MqttNews news;
    news.kind = kind;
    news.text = std::move(text);
    return news;
}

}  // namespace

struct CMqttConnection::Shared {
    Shared(MqttLinkOptions linkOptions, std::function<void()> wakeOwner)
        : options(std::move(linkOptions)), wake(std::move(wakeOwner)) {}

    const MqttLinkOptions options;
    std::atomic<bool> ending{false};
    std::atomic<bool> connected{false};  // from the broker's yes to the end of that connection
    std::atomic<bool> accepted{false};   // the current client was accepted at least once
    // The current client's library logged an error: its words say more than a TLS failure
    // code reported after them.
    std::atomic<bool> errorLogged{false};

    // The client the owner publishes on, set and cleared by the link's thread. It is held
    // around calls into the library, so the library's callbacks never take it.
    std::mutex clientLock;
    mosquitto* client = nullptr;

    // The link's thread waits here. Never held around calls into the library.
    std::mutex runLock;
    std::condition_variable runChanged;
    bool restart = false;
    bool finished = false;

    std::mutex newsLock;
    std::vector<MqttNews> news;
    std::function<void()> wake;
    std::size_t waitingCommands = 0;
    bool commandsDropped = false;

    void Post(MqttNews item);
    void Notify(bool restartClient);

    static void Run(std::shared_ptr<Shared> self);
    mosquitto* StartClient();
    void StopClient(mosquitto* stopping);

    static void OnConnect(mosquitto* client, void* self, int rc);
    static void OnDisconnect(mosquitto* client, void* self, int rc);
    static void OnPublish(mosquitto* client, void* self, int mid);
    static void OnMessage(mosquitto* client, void* self, const mosquitto_message* message);
    static void OnLog(mosquitto* client, void* self, int level, const char* text);
};

void CMqttConnection::Shared::Post(MqttNews item) {
    std::lock_guard lock(newsLock);
    if (ending)
        return;
    if (item.kind == MqttNews::Kind::Command) {
        if (waitingCommands >= kMaxWaitingCommands) {
            if (!commandsDropped) {
                Log(LogArea::Ui, LogLevel::Warning,
                    "MQTT: commands come faster than they are handled; the excess is ignored");
            }
            commandsDropped = true;
            return;
        }
        ++waitingCommands;
    }
    const bool first = news.empty();
    news.push_back(std::move(item));
    if (first && wake)
        wake();
}

void CMqttConnection::Shared::Notify(bool restartClient) {
    {
        std::lock_guard lock(runLock);
        restart = restart || restartClient;
    }
    runChanged.notify_all();
}

// ---- the library's callbacks, on its thread (OnLog also on whichever thread calls it) ----

void CMqttConnection::Shared::OnConnect(mosquitto* client, void* self, int rc) {
    const KeepErrno keep;
    Shared& s = *static_cast<Shared*>(self);
    if (s.ending) {
        // A connection that was under way when the link ended.
        mosquitto_disconnect(client);
        return;
    }
    if (rc != 0) {
        s.Post(News(MqttNews::Kind::Refused, mosquitto_connack_string(rc)));
        return;
    }
    // A clean session forgets subscriptions: they are made again on every connection.
    for (const std::string& topic : s.options.commandTopics)
        mosquitto_subscribe(client, nullptr, topic.c_str(), 1);
    s.accepted = true;
    s.errorLogged = false;
    s.connected = true;
    s.Post(News(MqttNews::Kind::Connected));
}

void CMqttConnection::Shared::OnDisconnect(mosquitto*, void* self, int rc) {
    const int err = errno;
    const KeepErrno keep;
    Shared& s = *static_cast<Shared*>(self);
    const bool wasConnected = s.connected.exchange(false);
    if (rc == MOSQ_ERR_SUCCESS || s.ending)
        return;  // asked for
    // A refusal came as news of its own, a TLS failure usually in the library's words.
    if (rc != MOSQ_ERR_CONN_REFUSED && !(rc == MOSQ_ERR_TLS && s.errorLogged)) {
        s.Post(
            News(wasConnected ? MqttNews::Kind::Lost : MqttNews::Kind::Failed, ErrorText(rc, err)));
    }
    if (EndsTheLibraryThread(rc, err))
        s.Notify(true);
}

void CMqttConnection::Shared::OnPublish(mosquitto*, void* self, int mid) {
    const KeepErrno keep;
    MqttNews news = News(MqttNews::Kind::Acknowledged);
    news.mid = mid;
    static_cast<Shared*>(self)->Post(std::move(news));
}

void CMqttConnection::Shared::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
    const KeepErrno keep;
    Shared& s = *static_cast<Shared*>(self);
    if (message == nullptr || message->topic == nullptr)
        return;
    const auto& topics = s.options.commandTopics;
    const auto topic = std::find(topics.begin(), topics.end(), message->topic);
    if (topic == topics.end())
        return;  // not subscribed to: not heard
    MqttNews news = News(MqttNews::Kind::Command);
    news.topic = *topic;
    news.bytes = message->payloadlen > 0 ? static_cast<std::size_t>(message->payloadlen) : 0;
    if (message->payload != nullptr) {
        news.payload.assign(static_cast<const char*>(message->payload),
                            std::min(news.bytes, kMaxCommandBytes));
    }
    news.retained = message->retain;
    s.Post(std::move(news));
}

void CMqttConnection::Shared::OnLog(mosquitto*, void* self, int level, const char* text) {
    if (level != MOSQ_LOG_ERR || text == nullptr)
        return;
    const KeepErrno keep;
    Shared& s = *static_cast<Shared*>(self);
    s.errorLogged = true;
    s.Post(News(MqttNews::Kind::Failed, text));
    // A TLS handshake that fails ends the library's thread without a disconnect call;
    // the error it logs is its only trace.
    if (!s.connected)
        s.Notify(true);
}

// ---- the link's thread ----

void CMqttConnection::Shared::Run(std::shared_ptr<Shared> self) {
    Shared& s = *self;
    int restarts = 0;
    while (!s.ending) {
        s.accepted = false;
        s.errorLogged = false;
        if (mosquitto* client = s.StartClient()) {
            {
                std::unique_lock lock(s.runLock);
                s.runChanged.wait(lock, [&] { return s.ending || s.restart; });
            }
            s.StopClient(client);
        }
        if (s.ending)
            break;
        // The client is gone, and what it reported with it.
        {
            std::lock_guard lock(s.runLock);
            s.restart = false;
        }
        restarts = s.accepted ? 0 : restarts + 1;
        const auto pause = std::chrono::seconds(
            std::min(kLastRetrySeconds, kFirstRetrySeconds << std::min(restarts, 6)));
        std::unique_lock lock(s.runLock);
        s.runChanged.wait_for(lock, pause, [&] { return s.ending.load(); });
    }
    {
        std::lock_guard lock(s.runLock);
        s.finished = true;
    }
    s.runChanged.notify_all();
}

mosquitto* CMqttConnection::Shared::StartClient() {
    const MqttSettings& settings = options.settings;
    mosquitto* started = mosquitto_new(options.clientId.c_str(), true, this);
    if (started == nullptr) {
        Post(News(MqttNews::Kind::Failed, "Cannot make an MQTT client: " + ErrnoText(errno)));
        return nullptr;
    }
    mosquitto_connect_callback_set(started, &Shared::OnConnect);
    mosquitto_disconnect_callback_set(started, &Shared::OnDisconnect);
    mosquitto_publish_callback_set(started, &Shared::OnPublish);
    mosquitto_message_callback_set(started, &Shared::OnMessage);
    mosquitto_log_callback_set(started, &Shared::OnLog);
    mosquitto_reconnect_delay_set(started, kFirstRetrySeconds, kLastRetrySeconds, true);

    std::string failure;
    int rc = mosquitto_will_set(started, options.availabilityTopic.c_str(),
                                static_cast<int>(std::strlen(kMqttOffline)), kMqttOffline, 1, true);
    if (rc != MOSQ_ERR_SUCCESS) {
        failure = "Cannot leave a last will on " + options.availabilityTopic + ": " +
                  mosquitto_strerror(rc);
    }
    if (failure.empty() && !settings.user.empty()) {
        rc = mosquitto_username_pw_set(
            started, settings.user.c_str(),
            settings.password.empty() ? nullptr : settings.password.c_str());
        if (rc != MOSQ_ERR_SUCCESS)
            failure = std::string("Cannot use the user name: ") + mosquitto_strerror(rc);
    }
    if (failure.empty() && !settings.caFile.empty()) {
        rc =
            mosquitto_tls_set(started, settings.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            failure = "Cannot use the certificate authority file " + settings.caFile + ": " +
                      mosquitto_strerror(rc);
        }
    }
    // The library's thread first: a first try that fails while sending the connect request
    // with no thread running leaves the client in a state its thread never leaves.
    if (failure.empty()) {
        rc = mosquitto_loop_start(started);
        if (rc != MOSQ_ERR_SUCCESS)
            failure = "Cannot start the MQTT thread: " + ErrorText(rc, errno);
    }
    if (!failure.empty()) {
        Post(News(MqttNews::Kind::Failed, failure));
        mosquitto_destroy(started);
        return nullptr;
    }
    {
        std::lock_guard lock(clientLock);
        client = started;
    }
    // This may wait for the host name to be looked up: this thread is there for that.
    // When the first try fails to reach the broker (or its name), the library's thread
    // tries again after its pause; after any other failure a new client does.
    rc = mosquitto_connect_async(started, settings.host.c_str(), settings.port, kKeepAliveSeconds);
    const int err = errno;
    if (rc != MOSQ_ERR_SUCCESS) {
        if (rc != MOSQ_ERR_TLS || !errorLogged)
            Post(News(MqttNews::Kind::Failed, ErrorText(rc, err)));
        if (rc != MOSQ_ERR_ERRNO && rc != MOSQ_ERR_EAI)
            Notify(true);
    }
    return started;
}

void CMqttConnection::Shared::StopClient(mosquitto* stopping) {
    {
        std::lock_guard lock(clientLock);
        client = nullptr;
    }
    connected = false;
    mosquitto_disconnect(stopping);
    // mosquitto_loop_stop waits for the library's thread to end. A disconnect that lands
    // while that thread is in a blocking reconnect is overwritten when the reconnect
    // returns, and the thread would go on: it is said again until the thread has ended.
    std::atomic<bool> stopped{false};
    const auto stop = [&] {
        mosquitto_loop_stop(stopping, false);
        stopped = true;
        Notify(false);
    };
    std::thread joiner;
    try {
        joiner = std::thread(stop);
    } catch (const std::system_error&) {
        stop();  // no thread to spare: wait here, as mosquitto_loop_stop does
    }
    {
        std::unique_lock lock(runLock);
        while (!runChanged.wait_for(lock, 1s, [&] { return stopped.load(); })) {
            lock.unlock();
            mosquitto_disconnect(stopping);
            lock.lock();
        }
    }
    if (joiner.joinable())
        joiner.join();
    mosquitto_destroy(stopping);
}

// ---- the owner's side ----

CMqttConnection::CMqttConnection(MqttLinkOptions options, std::function<void()> wake)
    : shared_(std::make_shared<Shared>(std::move(options), std::move(wake))) {
    MosquittoLibrary::Ensure();
    try {
        // Detached: the thread holds what it uses and ends by itself after End.
        std::thread(&Shared::Run, shared_).detach();
    } catch (const std::system_error& error) {
        shared_->Post(News(MqttNews::Kind::Failed,
                           std::string("Cannot start the MQTT link's thread: ") + error.what()));
        std::lock_guard lock(shared_->runLock);
        shared_->finished = true;
    }
}

CMqttConnection::~CMqttConnection() {
    End();
}

MqttHandOver CMqttConnection::Publish(const MqttMessage& message, int& mid) {
    Shared& s = *shared_;
    std::lock_guard lock(s.clientLock);
    if (s.client == nullptr || !s.connected || s.ending)
        return MqttHandOver::Later;
    const int rc = mosquitto_publish(
        s.client, &mid, message.topic.c_str(), static_cast<int>(message.payload.size()),
        message.payload.empty() ? nullptr : message.payload.data(), 1, message.retain);
    if (rc == MOSQ_ERR_SUCCESS)
        return MqttHandOver::Sent;
    if (rc == MOSQ_ERR_NO_CONN)
        return MqttHandOver::Later;
    Log(LogArea::Ui, LogLevel::Warning,
        "MQTT: the library refused a message on " + message.topic + ": " + mosquitto_strerror(rc));
    return MqttHandOver::Refused;
}

std::vector<MqttNews> CMqttConnection::TakeNews() {
    Shared& s = *shared_;
    std::lock_guard lock(s.newsLock);
    s.waitingCommands = 0;
    s.commandsDropped = false;
    return std::exchange(s.news, {});
}

void CMqttConnection::End() {
    Shared& s = *shared_;
    {
        std::lock_guard lock(s.newsLock);
        if (s.ending.exchange(true))
            return;
        s.news.clear();
        s.wake = nullptr;
    }
    {
        std::lock_guard lock(s.clientLock);
        if (s.client != nullptr) {
            // QoS 0 goes straight onto the queue of packets, ahead of the disconnect; at
            // QoS 1 it could wait for room among the unacknowledged and miss it. Should the
            // connection break first, the will says the same.
            if (s.connected) {
                mosquitto_publish(s.client, nullptr, s.options.availabilityTopic.c_str(),
                                  static_cast<int>(std::strlen(kMqttOffline)), kMqttOffline, 0,
                                  true);
            }
            mosquitto_disconnect(s.client);
        }
    }
    s.Notify(false);
}

bool CMqttConnection::WaitEnded(int ms) {
    Shared& s = *shared_;
    std::unique_lock lock(s.runLock);
    return s.runChanged.wait_for(lock, std::chrono::milliseconds(ms), [&] { return s.finished; });
}

}  // namespace tavelin
