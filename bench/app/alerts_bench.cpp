// How long the program takes to tell of motion: from the frame step whose frame shows
// the motion to (a) the desktop notification at the notification service and (b) the
// motion state ON at a subscriber of the MQTT broker. The session is the real one on the
// fake camera graph, stepped every 50 ms by a timer as the window steps it; its events are
// delivered on a queued call and the graph's news taken on another, as the window does.
// The alerts are the program's own (CAlerts): the desktop notifier (no quiet time), a
// command on motion start (/bin/true) and the MQTT publisher. The notification service is the
// tests' one on a private session bus of the bench's own; the broker is mosquitto on
// 127.0.0.1 with a password, and the subscriber a libmosquitto client whose own thread
// stamps each message as it comes.
//
// Each start is a block appearing or going in a calm picture at 640x480; the next comes
// once the last one has arrived everywhere and the recording it started has ended (the
// fake clock runs on fast through the calm time, so a start takes a few frame steps).
// Reported per path: p50, p95 and max over all starts, in milliseconds, and the starts
// that never arrived.
//
// Not in the figures: the wait for the camera's frame (up to a frame step), and the time
// the real graph takes to write a file's first data before the file counts as started
// (the notification tells of the recording; the broker's motion state does not wait).
//
//   build/default/bin/alerts_bench        (TAVELIN_BENCH_STARTS: how many, default 200)

#include <benchmark/benchmark.h>

#include <mosquitto.h>

#include <QDBusMessage>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/Alerts.h"
#include "app/AppPaths.h"
#include "app/SessionAlertSource.h"
#include "bench/support/MosquittoBroker.h"
#include "core/CameraSession.h"
#include "core/FrameFormat.h"
#include "core/Handle.h"
#include "core/MqttMessages.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/NotificationServer.h"
#include "tests/support/PrivateSessionBus.h"
#include "tests/support/QtApp.h"

namespace {

using namespace tavelin;
using SteadyClock = std::chrono::steady_clock;

constexpr int kWaitMs = 10000;  // for one start's alerts, before it counts as lost
constexpr char kTopic[] = "tavelin-bench/camera";
constexpr int kSize640 = 2;                  // the size button of 640x480
constexpr std::uint32_t kCalmStepMs = 1000;  // the fake clock's step while calm

int Starts() {
    const char* text = std::getenv("TAVELIN_BENCH_STARTS");
    const int starts = text != nullptr ? std::atoi(text) : 0;
    return starts > 0 ? starts : 200;
}

double Ms(SteadyClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Nearest rank.
double Percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank =
        static_cast<std::size_t>(std::ceil(share * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

void Report(benchmark::State& state, const std::string& path, const std::vector<double>& ms,
            int starts) {
    state.counters[path + "_p50_ms"] = Percentile(ms, 0.50);
    state.counters[path + "_p95_ms"] = Percentile(ms, 0.95);
    state.counters[path + "_max_ms"] = Percentile(ms, 1.0);
    state.counters[path + "_lost"] = static_cast<double>(starts) - static_cast<double>(ms.size());
}

// The fake graph whose news wakes the window the way the real graph's does: taken on a
// queued call rather than at the next frame step.
class WakingCamera : public testing::FakeCameraGraph {
public:
    std::function<void()> wake;

    bool StartFile(const std::string& path, bool replaceExisting, IRecordingNames* names,
                   bool fromRing) override {
        const bool started = FakeCameraGraph::StartFile(path, replaceExisting, names, fromRing);
        if (wake)
            wake();
        return started;
    }
    void FinishFile() override {
        FakeCameraGraph::FinishFile();
        if (wake)
            wake();
    }
};

// The tests' notification service, with the time each notification reached it.
class StampingNotificationServer : public testing::NotificationServer {
public:
    using NotificationServer::NotificationServer;

    struct Arrival {
        QString body;
        SteadyClock::time_point at;
    };

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const SteadyClock::time_point at = SteadyClock::now();
        if (!NotificationServer::handleMessage(message, connection))
            return false;
        if (message.member() == QLatin1String("Notify")) {
            std::lock_guard lock(lock_);
            arrivals_.push_back({message.arguments().value(4).toString(), at});
        }
        return true;
    }
    std::vector<Arrival> arrivals() const {
        std::lock_guard lock(lock_);
        return arrivals_;
    }
    std::size_t count() const {
        std::lock_guard lock(lock_);
        return arrivals_.size();
    }

private:
    mutable std::mutex lock_;
    std::vector<Arrival> arrivals_;
};

void DestroyClient(mosquitto* client) {
    mosquitto_destroy(client);
}

// A client of the broker on a thread of its own (libmosquitto's), following everything
// under the base topic: it stamps each motion ON sent now (a retained one is from before),
// and sees the program come online.
class StampingSubscriber {
public:
    StampingSubscriber(const bench::MosquittoBroker& broker, const MqttTopics& topics)
        : topics_(topics), client_(mosquitto_new(nullptr, true, this)) {
        if (!client_)
            return;
        mosquitto_username_pw_set(client_.get(), broker.user().c_str(), broker.password().c_str());
        mosquitto_message_callback_set(client_.get(), &OnMessage);
        mosquitto_subscribe_callback_set(
            client_.get(), [](mosquitto*, void* self, int, int, const int*) {
                static_cast<StampingSubscriber*>(self)->subscribed_ = true;
            });
        running_ =
            mosquitto_connect(client_.get(), "127.0.0.1", broker.port(), 30) == MOSQ_ERR_SUCCESS &&
            mosquitto_subscribe(client_.get(), nullptr, (topics_.base + "/#").c_str(), 1) ==
                MOSQ_ERR_SUCCESS &&
            mosquitto_loop_start(client_.get()) == MOSQ_ERR_SUCCESS;
    }
    ~StampingSubscriber() {
        if (!running_)
            return;
        mosquitto_disconnect(client_.get());
        mosquitto_loop_stop(client_.get(), false);
    }
    StampingSubscriber(const StampingSubscriber&) = delete;
    StampingSubscriber& operator=(const StampingSubscriber&) = delete;

    bool ready() const { return running_ && subscribed_; }
    // The publisher has said "online".
    bool online() const { return online_; }
    std::vector<SteadyClock::time_point> arrivals() const {
        std::lock_guard lock(lock_);
        return arrivals_;
    }
    std::size_t count() const {
        std::lock_guard lock(lock_);
        return arrivals_.size();
    }

private:
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
        const SteadyClock::time_point at = SteadyClock::now();
        auto& me = *static_cast<StampingSubscriber*>(self);
        const std::string payload(static_cast<const char*>(message->payload),
                                  static_cast<std::size_t>(message->payloadlen));
        if (me.topics_.availability == message->topic)
            me.online_ = payload == kMqttOnline;
        if (message->retain || me.topics_.motion != message->topic || payload != kMqttOn)
            return;
        std::lock_guard lock(me.lock_);
        me.arrivals_.push_back(at);
    }

    MqttTopics topics_;
    Handle<mosquitto, DestroyClient> client_;
    bool running_ = false;
    std::atomic<bool> subscribed_{false};
    std::atomic<bool> online_{false};
    mutable std::mutex lock_;
    std::vector<SteadyClock::time_point> arrivals_;
};

// The session as the window runs it, with motion started on request.
class MotionSession : public QObject {
public:
    explicit MotionSession(const std::string& folder) : folder_(folder) {
        camera_.wake = [this] {
            QMetaObject::invokeMethod(
                this, [this] { session_.GraphNews(); }, Qt::QueuedConnection);
        };
        session_.events().SetWake([this] {
            QMetaObject::invokeMethod(
                this, [this] { session_.events().Deliver(); }, Qt::QueuedConnection);
        });
        session_.SetFiles({folder + "/counter.inf", folder + "/timer.bmp", folder + "/snap.bmp"});
    }

    // The camera at 640x480, the monitor detecting motion and recording on it.
    bool Start() {
        if (!session_.StartCamera())
            return false;
        session_.StartNumbering(folder_);
        session_.ChooseLists({"Motion JPEG"}, true, {"Test Tone Microphone"}, true, {"PCM"});
        session_.SetListSelections(0, 0, 0);
        if (!session_.SelectCaptureSize(kSize640))
            return false;
        session_.SettleStep();
        Step(kCalmStepMs);
        MonitorSetup& setup = session_.settings().monitor;
        setup.monitorMode = kModeDetect;
        setup.motionRecord = {true, 1, MotionRecordSetup::kMinCalmSeconds};
        session_.ApplyMonitorSettings(true);
        return session_.motionArmed();
    }

    // One frame step on the scene; the fake clock then moves on by `clockMs`.
    void Step(std::uint32_t clockMs) {
        std::vector<std::uint8_t>& frame = camera_.buffer();
        if (scene_.size() != frame.size())
            scene_.assign(frame.size(), 0x40);
        frame = scene_;
        session_.FrameStep();
        clock_.tick += clockMs;
    }
    // A block appears or goes: the frame step after differs from the one before.
    void ToggleBlock() {
        blockShown_ = !blockShown_;
        const int width = camera_.width();
        for (int y = 40; y < 100; ++y)
            std::memset(scene_.data() + (static_cast<std::size_t>(y) * width + 40) * 3,
                        blockShown_ ? 250 : 0x40, 80 * 3);
    }

    bool motionSeen() const { return session_.tick().monitor().motionAtAlarmLevel; }
    // Armed for motion, no file being written, and nothing left to deliver.
    bool ready() {
        return session_.motionArmed() && !session_.recording() && session_.events().pending() == 0;
    }
    std::size_t files() const { return camera_.files.size(); }
    // The file started after `before` had been, or empty when none was.
    std::string FileAfter(std::size_t before) const {
        return camera_.files.size() > before ? camera_.files.back().path : std::string();
    }
    CCameraSession& session() { return session_; }

private:
    std::string folder_;
    WakingCamera camera_;
    testing::FakeHost host_;
    testing::FakeNotices notices_;
    testing::FakeClock clock_;
    testing::FakeAlarm alarm_;
    CCameraSession session_{camera_, host_, notices_, clock_, &alarm_};
    std::vector<std::uint8_t> scene_;
    bool blockShown_ = false;
};

// Steps the session every 50 ms: calm until the last start has arrived everywhere and its
// recording is over, then one frame with motion.
class MotionDriver : public QObject {
public:
    struct Start {
        SteadyClock::time_point at;  // the frame step's beginning
        std::string file;            // the recording it started (empty: none)
    };

    MotionDriver(MotionSession& session, int starts, std::function<bool(std::size_t)> arrived)
        : session_(session), wanted_(starts), arrived_(std::move(arrived)) {
        timer_.setInterval(kFramePeriodMs);
        connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    }

    // Runs the main loop as the program does (QTest::qWaitFor would sleep 10 ms between
    // its turns) until every start is done; false when limitMs passed first.
    bool Run(int limitMs) {
        QTimer::singleShot(limitMs, &loop_, &QEventLoop::quit);
        timer_.start();
        loop_.exec();
        timer_.stop();
        return done_;
    }
    const std::vector<Start>& starts() const { return starts_; }
    int unseen() const { return unseen_; }

private:
    void Tick() {
        const bool waiting =
            !starts_.empty() && !arrived_(starts_.size() - 1) &&
            SteadyClock::now() - starts_.back().at < std::chrono::milliseconds(kWaitMs);
        if (calmSteps_ < kMinCalmSteps || waiting || !session_.ready()) {
            session_.Step(kCalmStepMs);
            ++calmSteps_;
            return;
        }
        if (static_cast<int>(starts_.size()) >= wanted_) {
            done_ = true;
            loop_.quit();
            return;
        }
        session_.ToggleBlock();
        const std::size_t files = session_.files();
        const SteadyClock::time_point at = SteadyClock::now();
        session_.Step(kFramePeriodMs);
        calmSteps_ = 0;
        if (!session_.motionSeen()) {
            ++unseen_;
            return;
        }
        starts_.push_back({at, session_.FileAfter(files)});
    }

    // The detector compares with a calm picture.
    static constexpr int kMinCalmSteps = 3;
    MotionSession& session_;
    int wanted_;
    std::function<bool(std::size_t)> arrived_;
    QTimer timer_;
    QEventLoop loop_;
    std::vector<Start> starts_;
    int calmSteps_ = 0;
    int unseen_ = 0;
    bool done_ = false;
};

tavelin::testing::PrivateSessionBus* bus = nullptr;

void BM_MotionToAlerts(benchmark::State& state) {
    if (bus->address().empty()) {
        state.SkipWithError(bus->error().c_str());
        return;
    }
    QTemporaryDir data;
    CAppPaths::SetDataDirectoryForTests(data.path().toStdString());
    StampingNotificationServer service(bus->address());
    if (!service.started()) {
        state.SkipWithError("the notification service did not start");
        return;
    }
    bench::MosquittoBroker broker("bench", "bench-secret");
    if (!broker.error().empty()) {
        state.SkipWithError(broker.error().c_str());
        return;
    }
    MotionSession session(data.path().toStdString());
    if (!session.Start()) {
        state.SkipWithError("the session did not arm for motion");
        return;
    }
    CSessionAlertSource source(session.session());
    AlertSettings settings;
    settings.notifications = {true, 0};
    settings.events.onMotionStart = "/bin/true";
    settings.mqtt.host = "127.0.0.1";
    settings.mqtt.port = broker.port();
    settings.mqtt.user = broker.user();
    settings.mqtt.password = broker.password();
    settings.mqtt.topic = kTopic;
    StampingSubscriber subscriber(broker, MqttTopics(MqttBaseTopic(kTopic, "")));
    if (!QTest::qWaitFor([&] { return subscriber.ready(); }, kWaitMs)) {
        state.SkipWithError("the subscriber did not get to the broker");
        return;
    }
    CAlerts alerts(source, settings, [](const QString&, const QString&) { return false; });
    if (!QTest::qWaitFor([&] { return subscriber.online(); }, kWaitMs)) {
        state.SkipWithError("the alerts did not get to the broker");
        return;
    }

    const int wanted = Starts();
    MotionDriver driver(session, wanted, [&](std::size_t start) {
        return service.count() > start && subscriber.count() > start;
    });
    for (auto _ : state) {
        const SteadyClock::time_point begin = SteadyClock::now();
        if (!driver.Run((wanted + 10) * kWaitMs))
            state.SkipWithError("the starts did not finish");
        state.SetIterationTime(Ms(SteadyClock::now() - begin) / 1000.0);
    }

    // A notification names the file its recording went to; the broker's ON is the first
    // after its start (and before the next).
    std::map<QString, SteadyClock::time_point> notified;
    for (const StampingNotificationServer::Arrival& arrival : service.arrivals())
        notified.emplace(arrival.body.section(QLatin1Char(' '), -1), arrival.at);
    const std::vector<SteadyClock::time_point> published = subscriber.arrivals();
    std::vector<double> notifyMs;
    std::vector<double> mqttMs;
    const std::vector<MotionDriver::Start>& starts = driver.starts();
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const auto found =
            notified.find(QString::fromStdString(starts[i].file).section(QLatin1Char('/'), -1));
        if (found != notified.end())
            notifyMs.push_back(Ms(found->second - starts[i].at));
        const auto on = std::lower_bound(published.begin(), published.end(), starts[i].at);
        if (on != published.end() && (i + 1 == starts.size() || *on < starts[i + 1].at))
            mqttMs.push_back(Ms(*on - starts[i].at));
    }
    state.counters["starts"] = static_cast<double>(starts.size());
    state.counters["unseen"] = driver.unseen();
    Report(state, "mqtt", mqttMs, static_cast<int>(starts.size()));
    Report(state, "notify", notifyMs, static_cast<int>(starts.size()));
    CAppPaths::SetDataDirectoryForTests({});
}

BENCHMARK(BM_MotionToAlerts)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    // The bus first: its address is in the environment before Qt looks for a session bus.
    tavelin::testing::PrivateSessionBus privateBus;
    bus = &privateBus;
    tavelin::testing::QtApp();
    mosquitto_lib_init();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    mosquitto_lib_cleanup();
    return 0;
}
