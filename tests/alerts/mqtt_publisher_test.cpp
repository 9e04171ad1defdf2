// The publisher against a real broker: a mosquitto the test starts on 127.0.0.1 with a
// password file and no anonymous access, read by a libmosquitto client of the test's own.
// States, events and pictures arrive (retained where they should be), the will speaks when
// the connection breaks, commands reach the session, a broker started late is found, a
// TLS link survives certificate trouble and a broker crash, and the settings dialog's test
// says what the broker answered without anyone waiting for it.

#include "alerts/MqttPublisher.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "core/Handle.h"
#include "tests/support/LogLines.h"
#include "tests/support/SpawnQuiet.h"
#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

using ::testing::HasSubstr;
using testing::LogLines;
using State = CMqttPublisher::State;

constexpr char kUser[] = "user";
constexpr char kPassword[] = "secret";

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 30000) {
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.hasExpired(timeoutMs))
            return false;
        QTest::qWait(10);
    }
    return true;
}

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

int FreePort() {
    const UniqueFd fd(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    const bool bound =
        ::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) == 0;
    return bound ? ntohs(address.sin_port) : 0;
}

bool Listening(int port) {
    const UniqueFd fd(::socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in address = Loopback(port);
    return ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

pid_t Spawn(std::vector<std::string> args) {
    return test::SpawnQuiet(std::move(args));
}

bool Run(std::vector<std::string> args) {
    const pid_t pid = Spawn(std::move(args));
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// A broker of the test's own: a password file, no anonymous access, nothing kept on disk.
class Broker {
public:
    explicit Broker(const std::string& dir)
        : dir_(dir), port_(FreePort()), passwords_(dir + "/passwords") {
        ready_ = Run({"mosquitto_passwd", "-b", "-c", passwords_, kUser, kPassword});
    }
    ~Broker() { Stop(SIGTERM); }
    int port() const { return port_; }

    // `listener`: more lines for the listener, such as its certificate.
    bool Start(const std::string& listener = {}) {
        const std::string config = dir_ + "/mosquitto.conf";
        // Started as root, mosquitto would become the user "mosquitto", who cannot read
        // the test's private folder: it stays who the test is.
        const passwd* user = ::getpwuid(::geteuid());
        std::ofstream(config) << "user " << (user != nullptr ? user->pw_name : "") << "\n"
                              << "listener " << port_ << " 127.0.0.1\n"
                              << listener << "allow_anonymous false\npassword_file " << passwords_
                              << "\npersistence false\nlog_dest none\n";
        pid_ = Spawn({"mosquitto", "-c", config});
        return ready_ && pid_ > 0 && WaitFor([&] { return Listening(port_) || Ended(); }) &&
               !Ended();
    }
    void Stop(int signal) {
        if (pid_ > 0) {
            ::kill(pid_, signal);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

private:
    bool Ended() {
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == pid_)
            pid_ = -1;
        return pid_ < 0;
    }

    std::string dir_;
    int port_;
    std::string passwords_;
    bool ready_ = false;
    pid_t pid_ = -1;
};

// A client of the test's own, keeping every message of its subscriptions by topic.
class Reader {
public:
    struct Message {
        std::string payload;
        bool retained;
    };

    Reader(int port, std::vector<std::string> filters, const std::string& caFile = {})
        : filters_(std::move(filters)), client_(mosquitto_new(nullptr, true, this)) {
        mosquitto_username_pw_set(client_, kUser, kPassword);
        if (!caFile.empty())
            mosquitto_tls_set(client_, caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
        mosquitto_message_callback_set(
            client_, [](mosquitto*, void* self, const mosquitto_message* m) {
                auto& reader = *static_cast<Reader*>(self);
                std::lock_guard lock(reader.lock_);
                reader.messages_[m->topic].push_back(
                    {std::string(static_cast<const char*>(m->payload), m->payloadlen), m->retain});
            });
        mosquitto_subscribe_callback_set(client_, [](mosquitto*, void* self, int, int, const int*) {
            ++static_cast<Reader*>(self)->subscribed_;
        });
        connected_ = mosquitto_connect(client_, "127.0.0.1", port, 30) == MOSQ_ERR_SUCCESS;
        for (const std::string& filter : filters_)
            mosquitto_subscribe(client_, nullptr, filter.c_str(), 1);
        mosquitto_loop_start(client_);
    }
    ~Reader() {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, false);
        mosquitto_destroy(client_);
    }
    bool Ready() const {
        return connected_ && WaitFor([&] { return subscribed_ == filters_.size(); });
    }
    int socket() const { return mosquitto_socket(client_); }
    void Send(const std::string& topic, const std::string& payload, bool retain = false) {
        mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                          payload.data(), 1, retain);
    }
    std::vector<Message> On(const std::string& topic) const {
        std::lock_guard lock(lock_);
        const auto found = messages_.find(topic);
        return found != messages_.end() ? found->second : std::vector<Message>{};
    }
    std::optional<std::string> Last(const std::string& topic) const {
        const std::vector<Message> messages = On(topic);
        return messages.empty() ? std::nullopt : std::optional(messages.back().payload);
    }
    bool WaitLast(const std::string& topic, const std::string& payload) const {
        return WaitFor([&] { return Last(topic) == payload; });
    }
    // What the broker keeps, as a newcomer finds it: retained messages come before anything
    // published after the subscription, so a marker sent then closes the list.
    std::map<std::string, std::string> Kept(const std::string& marker) {
        Send(marker, "end");
        std::map<std::string, std::string> kept;
        if (Ready() && WaitLast(marker, "end")) {
            std::lock_guard lock(lock_);
            for (const auto& [topic, messages] : messages_) {
                for (const Message& message : messages) {
                    if (message.retained)
                        kept[topic] = message.payload;
                }
            }
        }
        return kept;
    }

private:
    std::vector<std::string> filters_;
    mosquitto* client_;
    bool connected_ = false;
    std::atomic<std::size_t> subscribed_{0};
    mutable std::mutex lock_;
    std::map<std::string, std::vector<Message>> messages_;
};

FramePicture Picture(int width, int height) {
    FramePicture picture;
    picture.width = width;
    picture.height = height;
    for (int i = 0; i < width * height; ++i)
        picture.bgr.insert(picture.bgr.end(), {std::uint8_t(i), std::uint8_t(i / 7), 90});
    return picture;
}

QSize JpegSize(const std::optional<std::string>& jpeg) {
    if (!jpeg || jpeg->size() < 2 || static_cast<unsigned char>((*jpeg)[0]) != 0xFF ||
        static_cast<unsigned char>((*jpeg)[1]) != 0xD8) {
        return {};
    }
    return QImage::fromData(QByteArray::fromStdString(*jpeg), "JPG").size();
}

QJsonObject Json(const std::optional<std::string>& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text.value_or(""))).object();
}

class FakeSource : public IAlertSource {
public:
    CEventStream& events() override { return stream; }
    const FramePicture& motionPicture() const override { return motion; }
    void RequestPicture() override { asked = true; }
    bool TakePicture(FramePicture& picture) override {
        picture = next;
        return std::exchange(asked, false);
    }
    bool recordOnMotion() const override { return recordOnMotionOn; }
    void SetRecordOnMotion(bool on) override {
        recordOnMotionOn = on;
        switched.push_back(on);
    }
    bool recording() const override { return false; }
    std::string recordingFolder() const override { return "/rec"; }

    void Emit(SessionEvent event) {
        stream.Publish(std::move(event));
        stream.Deliver();
    }

    CEventStream stream;
    FramePicture motion = Picture(64, 48);
    FramePicture next = Picture(32, 24);
    bool asked = false;
    bool recordOnMotionOn = false;
    std::vector<bool> switched;
};

SessionEvent Event(SessionEventKind kind, std::string path = {}) {
    SessionEvent event;
    event.kind = kind;
    event.path = std::move(path);
    return event;
}

// The publisher's own socket to the broker: not the reader's.
int PublisherSocket(int brokerPort, int readerSocket) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        const int fd = std::stoi(entry.path().filename());
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (fd != readerSocket &&
            ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0 &&
            peer.sin_family == AF_INET && ntohs(peer.sin_port) == brokerPort) {
            return fd;
        }
    }
    return -1;
}

class MqttBrokerTest : public testing::TempFolderTest {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "mqtt_publisher_test";
        static char* argv[] = {name, nullptr};
        static const QCoreApplication* app = new QCoreApplication(argc, argv);
        (void)app;
        mosquitto_lib_init();
    }
    void SetUp() override {
        TempFolderTest::SetUp();
        broker_ = std::make_unique<Broker>(dir_);
    }
    void TearDown() override {
        broker_.reset();
        TempFolderTest::TearDown();
    }

    MqttSettings Settings(const std::string& topic, const std::string& password = kPassword) {
        MqttSettings settings;
        settings.host = "127.0.0.1";
        settings.port = broker_->port();
        settings.user = kUser;
        settings.password = password;
        settings.topic = topic;
        return settings;
    }

    std::unique_ptr<Broker> broker_;
    FakeSource source_;
};

TEST_F(MqttBrokerTest, StatesEventsPicturesAndTheWillReachTheBroker) {
    ASSERT_TRUE(broker_->Start());
    const std::string t = "cams/hall";
    Reader reader(broker_->port(), {t + "/#", "homeassistant/#"});
    ASSERT_TRUE(reader.Ready());
    auto publisher = std::make_unique<CMqttPublisher>(source_, Settings(t));

    ASSERT_TRUE(reader.WaitLast(t + "/availability", "online"));
    ASSERT_TRUE(reader.WaitLast(t + "/record_on_motion", "OFF"));  // the states come last
    EXPECT_EQ(reader.Last(t + "/motion"), "OFF");
    EXPECT_EQ(reader.Last(t + "/recording"), "OFF");
    EXPECT_EQ(publisher->state(), State::Connected);

    const struct {
        std::string topic;
        const char* key;
        std::string value;
    } configs[] = {
        {"homeassistant/binary_sensor/cams_hall/motion/config", "state_topic", t + "/motion"},
        {"homeassistant/binary_sensor/cams_hall/recording/config", "state_topic", t + "/recording"},
        {"homeassistant/switch/cams_hall/record_on_motion/config", "command_topic",
         t + "/set/record_on_motion"},
        {"homeassistant/camera/cams_hall/snapshot/config", "topic", t + "/snapshot"},
        {"homeassistant/sensor/cams_hall/last_recording/config", "state_topic",
         t + "/last_recording"},
    };
    std::set<QString> ids;
    for (const auto& config : configs) {
        const QJsonObject json = Json(reader.Last(config.topic));
        EXPECT_EQ(json[config.key].toString().toStdString(), config.value) << config.topic;
        EXPECT_EQ(json["availability_topic"].toString().toStdString(), t + "/availability");
        EXPECT_FALSE(json["device"].toObject()["identifiers"].toArray().isEmpty());
        ids.insert(json["unique_id"].toString());
    }
    EXPECT_EQ(ids.size(), 5u);
    EXPECT_FALSE(ids.contains(""));

    // Each event leaves its state, in order; the recording's path is hostile.
    const std::string path = "/rec/\"hall\" \\ 1\n\x01 été 😀.avi";
    SessionEvent started = Event(SessionEventKind::RecordingStarted, path);
    SessionEvent finished = Event(SessionEventKind::RecordingFinished, path);
    started.onMotion = finished.onMotion = true;
    finished.frames = 120;
    finished.seconds = 6.5;
    SessionEvent failed = Event(SessionEventKind::RecordingFailed);
    failed.message = "The disk\r\nis full.";
    const struct {
        SessionEvent event;
        std::string topic;
        std::string state;
    } steps[] = {
        {Event(SessionEventKind::MotionStarted), t + "/motion", "ON"},
        {started, t + "/recording", "ON"},
        {finished, t + "/last_recording", path},
        {failed, t + "/recording", "OFF"},
        {Event(SessionEventKind::MotionEnded), t + "/motion", "OFF"},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        source_.Emit(steps[i].event);
        ASSERT_TRUE(WaitFor([&] { return reader.On(t + "/event").size() == i + 1; }));
        EXPECT_TRUE(reader.WaitLast(steps[i].topic, steps[i].state)) << i;
    }
    const std::vector<Reader::Message> events = reader.On(t + "/event");
    const QJsonObject finishedJson = Json(events[2].payload);
    EXPECT_EQ(finishedJson["type"].toString(), "recording-finished");
    EXPECT_FALSE(finishedJson["time"].toString().isEmpty());
    EXPECT_EQ(finishedJson["file"].toString(), QString::fromStdString(path));
    EXPECT_EQ(finishedJson["on_motion"].toBool(), true);
    EXPECT_EQ(finishedJson["frames"].toInt(), 120);
    EXPECT_EQ(finishedJson["seconds"].toDouble(), 6.5);
    EXPECT_EQ(Json(events[3].payload)["cause"].toString(), "The disk is full.");
    EXPECT_EQ(JpegSize(reader.Last(t + "/snapshot")), QSize(64, 48));

    std::map<std::string, std::string> kept =
        Reader(broker_->port(), {t + "/#", "homeassistant/#"}).Kept(t + "/marker");
    EXPECT_EQ(kept[t + "/availability"], "online");
    EXPECT_EQ(kept[t + "/motion"], "OFF");
    EXPECT_EQ(kept[t + "/recording"], "OFF");
    EXPECT_EQ(kept[t + "/last_recording"], path);
    EXPECT_EQ(JpegSize(kept[t + "/snapshot"]), QSize(64, 48));
    EXPECT_FALSE(kept["homeassistant/camera/cams_hall/snapshot/config"].empty());
    EXPECT_EQ(kept.count(t + "/event"), 0u);

    // Shut under the library's feet, the connection ends without a goodbye: the broker
    // speaks the will, and the link comes back by itself.
    const int fd = PublisherSocket(broker_->port(), reader.socket());
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::shutdown(fd, SHUT_RDWR), 0);
    const auto saidInTurn = [&](std::vector<std::string> payloads) {
        for (const Reader::Message& message : reader.On(t + "/availability")) {
            if (!payloads.empty() && message.payload == payloads.front())
                payloads.erase(payloads.begin());
        }
        return payloads.empty();
    };
    EXPECT_TRUE(WaitFor([&] { return saidInTurn({"online", "offline", "online"}); }));
    EXPECT_TRUE(WaitFor([&] { return publisher->state() == State::Connected; }));

    // The clean end.
    publisher.reset();
    EXPECT_TRUE(WaitFor([&] { return saidInTurn({"online", "offline", "online", "offline"}); }));
    kept = Reader(broker_->port(), {t + "/#"}).Kept(t + "/marker");
    EXPECT_EQ(kept[t + "/availability"], "offline");
}

TEST_F(MqttBrokerTest, CommandsReachTheSession) {
    LogLines logs;
    ASSERT_TRUE(broker_->Start());
    const std::string t = "cams/door";
    Reader reader(broker_->port(), {t + "/#"});
    ASSERT_TRUE(reader.Ready());
    // Kept by the broker from before: it comes with the subscription, and is no command.
    reader.Send(t + "/set/record_on_motion", "ON", true);
    CMqttPublisher publisher(source_, Settings(t));
    ASSERT_TRUE(reader.WaitLast(t + "/availability", "online"));

    // Commands are handled in the order sent: a state that follows proves that those
    // ignored before it did nothing.
    const struct {
        std::string payload;
        const char* state;  // null: ignored
    } commands[] = {
        {"ON", "ON"},
        {"on please", nullptr},
        {std::string(40, 'O'), nullptr},
        {"OFF", "OFF"},
    };
    for (const auto& command : commands) {
        reader.Send(t + "/set/record_on_motion", command.payload);
        if (command.state != nullptr) {
            EXPECT_TRUE(reader.WaitLast(t + "/record_on_motion", command.state));
        }
    }
    EXPECT_EQ(source_.switched, (std::vector<bool>{true, false}));
    EXPECT_TRUE(LogLines::Has(LogArea::Ui, LogLevel::Warning, {"retained", "record_on_motion"}));
    EXPECT_TRUE(LogLines::Has(LogArea::Ui, LogLevel::Warning, {"\"on please\"", "ON or OFF"}));
    EXPECT_TRUE(LogLines::Has(LogArea::Ui, LogLevel::Warning, {"(40 bytes)"}));

    reader.Send(t + "/set/snapshot", "now");
    EXPECT_TRUE(WaitFor([&] { return JpegSize(reader.Last(t + "/snapshot")) == QSize(32, 24); }));
}

TEST_F(MqttBrokerTest, BrokerStartedLaterIsFoundAndGetsWhatWaited) {
    LogLines logs;
    const std::string t = "cams/late";
    CMqttPublisher publisher(source_, Settings(t));
    ASSERT_TRUE(WaitFor([&] { return publisher.state() == State::Failing; }));
    EXPECT_THAT(publisher.stateText().toStdString(), HasSubstr("Connection refused"));

    for (int i = 0; i < 150; ++i)
        source_.Emit(Event(SessionEventKind::FileRemoved, "/rec/" + std::to_string(i) + ".avi"));
    source_.Emit(Event(SessionEventKind::RecordingFinished, "/rec/last.avi"));
    EXPECT_TRUE(LogLines::Has(LogArea::Ui, LogLevel::Warning, {"MQTT", "the oldest go"}));

    ASSERT_TRUE(broker_->Start());
    Reader reader(broker_->port(), {t + "/#"});
    ASSERT_TRUE(reader.Ready());
    EXPECT_TRUE(reader.WaitLast(t + "/availability", "online"));
    EXPECT_TRUE(reader.WaitLast(t + "/last_recording", "/rec/last.avi"));
    EXPECT_TRUE(LogLines::Has(LogArea::Ui, LogLevel::Warning, {"went while the broker was away"}));
}

// A certificate authority of the test's own and another, each with a certificate for
// 127.0.0.1: <name>.crt, <name>-server.crt and <name>-server.key.
bool MakeCertificates(const std::string& dir) {
    std::ofstream(dir + "/names") << "subjectAltName=IP:127.0.0.1\n";
    for (const std::string name : {"ca", "other"}) {
        const std::string at = dir + "/" + name;
        const std::vector<std::string> key = {"-newkey", "ec", "-pkeyopt",
                                              "ec_paramgen_curve:prime256v1", "-nodes"};
        std::vector<std::string> ca = {"openssl",   "req",   "-x509",       "-days",
                                       "2",         "-subj", "/CN=" + name, "-keyout",
                                       at + ".key", "-out",  at + ".crt"};
        std::vector<std::string> request = {"openssl",       "req",      "-subj",
                                            "/CN=127.0.0.1", "-keyout",  at + "-server.key",
                                            "-out",          at + ".csr"};
        ca.insert(ca.end(), key.begin(), key.end());
        request.insert(request.end(), key.begin(), key.end());
        if (!Run(ca) || !Run(request) ||
            !Run({"openssl", "x509", "-req", "-days", "2", "-in", at + ".csr", "-CA", at + ".crt",
                  "-CAkey", at + ".key", "-CAcreateserial", "-extfile", dir + "/names", "-out",
                  at + "-server.crt"})) {
            return false;
        }
    }
    return true;
}

TEST_F(MqttBrokerTest, TlsLinkGetsOverCertificateTroubleAndABrokerCrash) {
    ASSERT_TRUE(MakeCertificates(dir_));
    const auto listener = [&](const std::string& name) {
        return "cafile " + In(name + ".crt") + "\ncertfile " + In(name + "-server.crt") +
               "\nkeyfile " + In(name + "-server.key") + "\n";
    };
    const std::string t = "cams/tls";
    const auto online = [&] {
        Reader reader(broker_->port(), {t + "/availability"}, In("ca.crt"));
        return reader.Ready() && reader.WaitLast(t + "/availability", "online");
    };
    MqttSettings settings = Settings(t);
    settings.caFile = In("ca.crt");

    // A certificate from another authority: refused, and the library's thread ends with it.
    ASSERT_TRUE(broker_->Start(listener("other")));
    CMqttPublisher publisher(source_, settings);
    ASSERT_TRUE(WaitFor([&] { return publisher.state() == State::Failing; }));
    EXPECT_THAT(publisher.stateText().toStdString(), HasSubstr("certificate verify failed"));

    // The right certificate: a new client finds it.
    broker_->Stop(SIGTERM);
    ASSERT_TRUE(broker_->Start(listener("ca")));
    EXPECT_TRUE(online());

    // A broker that dies ends a TLS connection with an error that also ends the library's
    // thread: again a new client.
    broker_->Stop(SIGKILL);
    ASSERT_TRUE(broker_->Start(listener("ca")));
    EXPECT_TRUE(online());
}

struct TestCase {
    const char* what;
    bool brokerRuns;
    const char* password;
    bool ok;
    const char* says;
};

void PrintTo(const TestCase& c, std::ostream* os) {
    *os << c.what;
}

class MqttSendTestTest : public MqttBrokerTest, public ::testing::WithParamInterface<TestCase> {};

TEST_P(MqttSendTestTest, SaysWhatTheBrokerAnsweredWithoutAnyoneWaiting) {
    const TestCase& row = GetParam();
    if (row.brokerRuns) {
        ASSERT_TRUE(broker_->Start());
    }
    CMqttPublisher publisher(source_, Settings("cams/test", row.password));
    QSignalSpy finished(&publisher, &CMqttPublisher::testFinished);
    publisher.SendTest();
    // Nothing waited for the broker: what it says comes later, through the event loop.
    EXPECT_EQ(finished.count(), 0);
    EXPECT_EQ(publisher.state(), State::Connecting);

    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_EQ(finished[0][0].toBool(), row.ok);
    EXPECT_THAT(finished[0][1].toString().toStdString(), HasSubstr(row.says));
    EXPECT_EQ(publisher.state(), row.ok ? State::Connected : State::Failing);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MqttSendTestTest,
    ::testing::Values(TestCase{"Accepted", true, kPassword, true,
                               "has the test message on cams/test/test"},
                      TestCase{"WrongPassword", true, "wrong", false, "not authorised"},
                      TestCase{"NoBroker", false, kPassword, false, "Connection refused"}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace tavelin
