// The RTSP share end to end on the loopback: a videotestsrc run through the share's own
// tap chain stands in for the camera and starts when the share asks for pictures, as the
// application does; real RTSP clients (rtspsrc with a decoder, ffprobe) watch.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "capture/GstPtr.h"
#include "core/Handle.h"
#include "core/WebPassword.h"
#include "tests/support/LogLines.h"
#include "web/RtspShare.h"

namespace tavelin {
namespace {

using namespace std::chrono_literals;
using testing::LogLines;

constexpr auto kLimit = 30s;  // generous: the machine is shared

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Waits, up to kLimit, for `done` to hold; checked every few milliseconds.
bool Eventually(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + kLimit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// The camera's part: a live test picture through the share's own tap chain, let through to
// the share only while it wants pictures (a property set, so the share's callback never
// waits); every wish is noted.
class Feeder {
public:
    explicit Feeder(CRtspShare& share) {
        GError* raw = nullptr;
        pipeline_ = Adopt(gst_parse_launch(
            ("videotestsrc is-live=true ! "
             "video/x-raw,format=YUY2,width=320,height=240,framerate=15/1 ! "
             "valve name=gate drop=true ! " +
             CRtspShare::TapChain("") + " ! appsink name=sink sync=false max-buffers=4 drop=true")
                .c_str(),
            &raw));
        GErrorPtr error(raw);
        EXPECT_TRUE(pipeline_) << (error ? error->message : "");
        if (!pipeline_)
            return;
        gate_.reset(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "gate"));
        GstElementPtr sink(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "sink"));
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = [](GstAppSink* appsink, gpointer data) {
            GstSamplePtr sample(gst_app_sink_pull_sample(appsink));
            if (sample)
                static_cast<CRtspShare*>(data)->Push(sample.get(), NowNs());
            return GST_FLOW_OK;
        };
        gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, &share, nullptr);
        gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    }
    ~Feeder() { Stop(); }
    void Stop() {
        if (pipeline_)
            gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    }

    void Want(bool want) {
        if (gate_)
            g_object_set(gate_.get(), "drop", !want, nullptr);
        std::lock_guard hold(lock_);
        wants_.push_back(want);
        changed_.notify_all();
    }
    std::vector<bool> wants() {
        std::lock_guard hold(lock_);
        return wants_;
    }
    bool WaitWants(const std::vector<bool>& expected) {
        std::unique_lock hold(lock_);
        return changed_.wait_for(hold, kLimit, [&] { return wants_ == expected; });
    }

private:
    GstElementPtr pipeline_;
    GstElementPtr gate_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<bool> wants_;
};

// A watching client: rtspsrc, depayloader and decoder; counts the decoded frames.
class Client {
public:
    Client(const std::string& url, const char* user, const char* password,
           const char* protocols = "tcp") {
        GError* raw = nullptr;
        pipeline_ = Adopt(gst_parse_launch(
            ("rtspsrc name=src latency=0 location=" + url + " protocols=" + protocols +
             " ! rtph264depay ! avdec_h264 ! fakesink name=sink sync=false")
                .c_str(),
            &raw));
        GErrorPtr error(raw);
        EXPECT_TRUE(pipeline_) << (error ? error->message : "");
        if (!pipeline_)
            return;
        GstElementPtr src(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "src"));
        if (user != nullptr)
            g_object_set(src.get(), "user-id", user, "user-pw", password, nullptr);
        GstElementPtr sink(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "sink"));
        GstPadPtr pad(gst_element_get_static_pad(sink.get(), "sink"));
        gst_pad_add_probe(
            pad.get(), GST_PAD_PROBE_TYPE_BUFFER,
            [](GstPad*, GstPadProbeInfo*, gpointer data) {
                static_cast<Client*>(data)->Count();
                return GST_PAD_PROBE_OK;
            },
            this, nullptr);
        bus_.reset(gst_element_get_bus(pipeline_.get()));
        gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    }
    ~Client() { Leave(); }

    // Sends its TEARDOWN and goes.
    void Leave() {
        if (pipeline_)
            gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        pipeline_.reset();
    }

    // True once `count` frames are decoded; false on an error, the end of the stream, or
    // after kLimit.
    bool WaitFrames(int count) {
        const auto end = std::chrono::steady_clock::now() + kLimit;
        while (frames() < count) {
            if (!bus_ || std::chrono::steady_clock::now() > end || Ended(20 * GST_MSECOND))
                return false;
        }
        return true;
    }
    // True when the client fails or its stream ends within kLimit.
    bool WaitEnd() {
        return bus_ && Ended(std::chrono::duration_cast<std::chrono::nanoseconds>(kLimit).count());
    }

    int frames() {
        std::lock_guard hold(lock_);
        return frames_;
    }
    const GError* error() const { return error_.get(); }

private:
    bool Ended(GstClockTime wait) {
        GstMessagePtr message(gst_bus_timed_pop_filtered(
            bus_.get(), wait, static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS)));
        if (!message)
            return false;
        if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR) {
            GError* raw = nullptr;
            gst_message_parse_error(message.get(), &raw, nullptr);
            error_.reset(raw);
        }
        return true;
    }
    void Count() {
        std::lock_guard hold(lock_);
        ++frames_;
    }

    GstElementPtr pipeline_;
    GstBusPtr bus_;
    std::mutex lock_;
    int frames_ = 0;
    GErrorPtr error_;
};

class RtspShareTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gst_init(nullptr, nullptr); }
    void SetUp() override {
        credentials_.Set("u", HashPassword("p", kFewestPasswordRounds));
        std::string why;
        ASSERT_TRUE(owned_.Start(Settings(0), false, why)) << why;
        ASSERT_GT(owned_.port(), 0);
    }
    void TearDown() override {
        owned_.Stop();
        feeder_.Stop();
    }

    static RtspSettings Settings(int port) {
        RtspSettings settings;
        settings.enabled = true;
        settings.port = port;
        return settings;
    }
    std::string Url(const char* host = "127.0.0.1") const {
        return std::string("rtsp://") + host + ":" + std::to_string(owned_.port()) + "/live";
    }

    LogLines log_;
    CCredentialCheck credentials_;
    CRtspShare owned_{credentials_, [this](bool want) { feeder_.Want(want); }};
    Feeder feeder_{owned_};  // stopped before the share goes
};

struct Access {
    const char* name;
    const char* host;
    const char* protocols;
    const char* user;  // null: none given
    const char* password;
    bool plays;
};

class RtspAccessTest : public RtspShareTest, public ::testing::WithParamInterface<Access> {};

TEST_P(RtspAccessTest, OnlyTheRightUserAndPasswordGetPictures) {
    const Access& access = GetParam();
    Client client(Url(access.host), access.user, access.password, access.protocols);
    if (access.plays) {
        EXPECT_TRUE(client.WaitFrames(10)) << (client.error() ? client.error()->message : "");
        EXPECT_EQ(feeder_.wants(), std::vector<bool>{true});
        return;
    }
    ASSERT_TRUE(client.WaitEnd());
    ASSERT_NE(client.error(), nullptr);
    EXPECT_TRUE(
        g_error_matches(client.error(), GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_AUTHORIZED))
        << client.error()->message;
    EXPECT_EQ(client.frames(), 0);
    EXPECT_TRUE(feeder_.wants().empty()) << "a refused client started the camera's stream";
    // Refusals are logged with the address, never with what was typed as the password.
    EXPECT_TRUE(LogLines::Has(LogArea::Web, LogLevel::Info, {"127.0.0.1"}) ||
                LogLines::Has(LogArea::Web, LogLevel::Warning, {"127.0.0.1"}));
    for (const LogLines::Line& line : LogLines::Lines())
        EXPECT_EQ(line.text.find("wrong-secret"), std::string::npos) << line.text;
}

INSTANTIATE_TEST_SUITE_P(
    Clients, RtspAccessTest,
    ::testing::Values(Access{"RightPasswordOverTcp", "127.0.0.1", "tcp", "u", "p", true},
                      Access{"RightPasswordOverUdp", "127.0.0.1", "udp", "u", "p", true},
                      Access{"RightPasswordOverIpv6", "[::1]", "tcp", "u", "p", true},
                      Access{"NoPassword", "127.0.0.1", "tcp", nullptr, nullptr, false},
                      Access{"WrongPassword", "127.0.0.1", "tcp", "u", "wrong-secret", false},
                      Access{"WrongUser", "127.0.0.1", "tcp", "v", "p", false}),
    [](const ::testing::TestParamInfo<Access>& info) { return std::string(info.param.name); });

TEST_F(RtspShareTest, PicturesAreWantedOnlyWhileSomeoneWatches) {
    EXPECT_TRUE(feeder_.wants().empty());
    EXPECT_EQ(owned_.clients(), 0);
    {
        Client client(Url(), "u", "p");
        ASSERT_TRUE(client.WaitFrames(5));
        EXPECT_EQ(owned_.clients(), 1);
    }
    EXPECT_TRUE(feeder_.WaitWants({true, false}));
    EXPECT_TRUE(Eventually([&] { return owned_.clients() == 0; }));
}

TEST_F(RtspShareTest, TwoClientsShareOneStream) {
    Client first(Url(), "u", "p");
    ASSERT_TRUE(first.WaitFrames(5));
    Client second(Url(), "u", "p");
    ASSERT_TRUE(second.WaitFrames(5));
    const int firstSoFar = first.frames();
    EXPECT_TRUE(first.WaitFrames(firstSoFar + 5)) << "the first client stalled";
    EXPECT_EQ(owned_.clients(), 2);
    // One stream for both: the camera's pictures were asked for once.
    EXPECT_EQ(feeder_.wants(), std::vector<bool>{true});
    first.Leave();
    const int secondSoFar = second.frames();
    EXPECT_TRUE(second.WaitFrames(secondSoFar + 5)) << "the second client lost the stream";
    EXPECT_EQ(feeder_.wants(), std::vector<bool>{true});
    second.Leave();
    EXPECT_TRUE(feeder_.WaitWants({true, false}));
}

TEST_F(RtspShareTest, FfprobeSeesH264) {
    if (std::system("command -v ffprobe >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffprobe is not installed";
    const std::string command =
        "timeout 60 ffprobe -v error -rtsp_transport tcp "
        "-show_entries stream=codec_name -of csv=p=0 "
        "rtsp://u:p@127.0.0.1:" +
        std::to_string(owned_.port()) + "/live 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr)
        output += chunk;
    EXPECT_EQ(pclose(pipe), 0) << output;
    EXPECT_EQ(output, "h264\n");
}

TEST_F(RtspShareTest, StopEndsPlayingClientsAndFreesThePort) {
    const int port = owned_.port();
    Client client(Url(), "u", "p");
    ASSERT_TRUE(client.WaitFrames(5));
    owned_.Stop();
    EXPECT_FALSE(owned_.running());
    EXPECT_EQ(owned_.clients(), 0);
    EXPECT_TRUE(feeder_.WaitWants({true, false}));
    EXPECT_TRUE(client.WaitEnd()) << "the client still plays";

    std::string why;
    ASSERT_TRUE(owned_.Start(Settings(port), false, why)) << why;
    EXPECT_EQ(owned_.port(), port);
    Client again(Url(), "u", "p");
    EXPECT_TRUE(again.WaitFrames(5));
}

TEST_F(RtspShareTest, StopDoesNotWaitForAFirstPictureThatNeverComes) {
    std::promise<void> wanted;
    CRtspShare idle(credentials_, [&wanted, once = true](bool want) mutable {
        if (want && std::exchange(once, false))
            wanted.set_value();
    });
    std::string why;
    ASSERT_TRUE(idle.Start(Settings(0), false, why)) << why;
    Client client("rtsp://127.0.0.1:" + std::to_string(idle.port()) + "/live", "u", "p");
    ASSERT_EQ(wanted.get_future().wait_for(kLimit), std::future_status::ready);
    idle.Stop();
    EXPECT_FALSE(idle.running());
    EXPECT_TRUE(client.WaitEnd());
    EXPECT_EQ(client.frames(), 0);
}

TEST_F(RtspShareTest, ATakenPortIsNamed) {
    CRtspShare second(credentials_, nullptr);
    std::string why;
    EXPECT_FALSE(second.Start(Settings(owned_.port()), false, why));
    EXPECT_EQ(why, "Port " + std::to_string(owned_.port()) + " is in use");
    EXPECT_FALSE(second.running());
}

// A bare TCP connection to the share on the loopback.
UniqueFd Connect(int port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!fd || ::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return {};
    const timeval limit{std::chrono::duration_cast<std::chrono::seconds>(kLimit).count(), 0};
    ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    return fd;
}

// The status line the share answers `request` with on `fd`; empty when the connection was
// closed (as a refused one is).
std::string Ask(const UniqueFd& fd, const std::string& request) {
    if (::send(fd.get(), request.data(), request.size(), MSG_NOSIGNAL) < 0)
        return {};
    char answer[512] = {};
    const ssize_t got = ::recv(fd.get(), answer, sizeof answer - 1, 0);
    const std::string_view text(answer, got > 0 ? got : 0);
    return std::string(text.substr(0, text.find("\r\n")));
}

std::string DescribeAs(int port, const char* userAndPassword) {
    GCharPtr basic(g_base64_encode(reinterpret_cast<const guchar*>(userAndPassword),
                                   std::strlen(userAndPassword)));
    return "DESCRIBE rtsp://127.0.0.1:" + std::to_string(port) +
           "/live RTSP/1.0\r\nCSeq: 2\r\nAuthorization: Basic " + basic.get() + "\r\n\r\n";
}

TEST_F(RtspShareTest, ConnectionsBeyondTheLimitAreRefused) {
    std::vector<UniqueFd> held;
    for (int i = 0; i < CRtspShare::kMostClients + 4; ++i) {
        held.push_back(Connect(owned_.port()));
        ASSERT_TRUE(held.back());
    }
    int answered = 0;
    for (const UniqueFd& fd : held)
        answered += Ask(fd, "OPTIONS * RTSP/1.0\r\nCSeq: 1\r\n\r\n") == "RTSP/1.0 200 OK";
    EXPECT_EQ(answered, CRtspShare::kMostClients);
    EXPECT_EQ(owned_.clients(), CRtspShare::kMostClients);
    EXPECT_TRUE(
        LogLines::Has(LogArea::Web, LogLevel::Warning, {"refused a connection from 127.0.0.1"}));

    held.clear();
    ASSERT_TRUE(Eventually([&] { return owned_.clients() == 0; }));
    Client client(Url(), "u", "p");
    EXPECT_TRUE(client.WaitFrames(5));
}

TEST_F(RtspShareTest, RepeatedWrongPasswordsShutOutThatAddressOnly) {
    const UniqueFd fd = Connect(owned_.port());
    ASSERT_TRUE(fd);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(Ask(fd, DescribeAs(owned_.port(), "u:wrong-secret")),
                  "RTSP/1.0 401 Unauthorized");
    // Past a few failures the longest wait is reached; even the right password is now
    // turned away unchecked from that address...
    EXPECT_EQ(Ask(fd, DescribeAs(owned_.port(), "u:p")), "RTSP/1.0 401 Unauthorized");
    EXPECT_TRUE(LogLines::Has(LogArea::Web, LogLevel::Warning,
                              {"too many wrong passwords from 127.0.0.1"}));
    // ...but not from another one.
    Client client(Url("[::1]"), "u", "p");
    EXPECT_TRUE(client.WaitFrames(5));
}

TEST(RtspEncoders, EveryListedEncoderMakesByteStreamAccessUnits) {
    const std::vector<std::string> encoders = CRtspShare::ListEncoders();
    ASSERT_FALSE(encoders.empty());
    EXPECT_EQ(CRtspShare::TapChain(""), CRtspShare::TapChain(encoders.front()));
    EXPECT_EQ(CRtspShare::TapChain("no-such-encoder"), "");
    EXPECT_EQ(CRtspShare::TapChain("avenc_h264_omx"), "");
    for (const std::string& encoder : encoders) {
        SCOPED_TRACE(encoder);
        GError* raw = nullptr;
        GstElementPtr pipeline = Adopt(gst_parse_launch(
            ("videotestsrc num-buffers=5 ! video/x-raw,format=BGR,width=320,height=240 ! " +
             CRtspShare::TapChain(encoder) + " ! appsink name=sink sync=false")
                .c_str(),
            &raw));
        GErrorPtr error(raw);
        ASSERT_TRUE(pipeline) << (error ? error->message : "");
        GstElementPtr sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
        gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
        GstSamplePtr sample(gst_app_sink_try_pull_sample(
            GST_APP_SINK(sink.get()),
            std::chrono::duration_cast<std::chrono::nanoseconds>(kLimit).count()));
        ASSERT_TRUE(sample);
        const GstStructure* caps = gst_caps_get_structure(gst_sample_get_caps(sample.get()), 0);
        EXPECT_STREQ(gst_structure_get_string(caps, "stream-format"), "byte-stream");
        EXPECT_STREQ(gst_structure_get_string(caps, "alignment"), "au");
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    }
}

}  // namespace
}  // namespace tavelin
