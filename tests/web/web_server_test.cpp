// The web server on real sockets (127.0.0.1, a free port): who gets in, what each route
// answers, what cannot be reached through /recordings/, and how the MJPEG stream treats
// many and slow viewers.

#include "web/WebServer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

#include "core/AuthThrottle.h"
#include "core/WebPassword.h"
#include "tests/support/LogLines.h"
#include "tests/support/TempFolder.h"
#include "tests/web/HttpTestClient.h"

namespace tavelin {
namespace {

using namespace std::chrono_literals;
using testing::BasicAuth;
using testing::CTestConnection;
using testing::Exchange;
using testing::HttpReply;

constexpr char kUser[] = "tavelin";
constexpr char kPassword[] = "correct horse";

std::vector<std::uint8_t> FakeJpeg(std::size_t size, std::uint8_t fill) {
    std::vector<std::uint8_t> bytes(std::max<std::size_t>(size, 4), fill);
    bytes[0] = 0xFF;
    bytes[1] = 0xD8;
    bytes[bytes.size() - 2] = 0xFF;
    bytes[bytes.size() - 1] = 0xD9;
    return bytes;
}

struct Part {
    std::map<std::string, std::string> headers;
    std::string jpeg;
};

// One multipart part from the front of `stream` (consumed); false until it is whole.
bool TakePart(std::string& stream, Part& part) {
    const std::size_t end = stream.find("\r\n\r\n");
    if (end == std::string::npos)
        return false;
    const std::string head = stream.substr(0, end);
    EXPECT_EQ(head.rfind("--tavelin-frame\r\n", 0), 0u) << head;
    part.headers.clear();
    for (std::size_t line = head.find("\r\n"); line != std::string::npos;) {
        const std::size_t next = head.find("\r\n", line + 2);
        const std::string text = head.substr(line + 2, next - line - 2);
        const std::size_t colon = text.find(": ");
        if (colon != std::string::npos)
            part.headers[text.substr(0, colon)] = text.substr(colon + 2);
        line = next;
    }
    const std::size_t length = std::stoull(part.headers["Content-Length"]);
    if (stream.size() < end + 4 + length + 2)
        return false;
    part.jpeg = stream.substr(end + 4, length);
    EXPECT_EQ(stream.substr(end + 4 + length, 2), "\r\n");
    stream.erase(0, end + 4 + length + 2);
    return true;
}

bool ReadPart(CTestConnection& connection, std::string& stream, Part& part) {
    while (!TakePart(stream, part)) {
        if (!connection.Read(stream))
            return false;
    }
    return true;
}

// Waits on a condition with a generous limit, never a fixed sleep.
template <class Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = 10s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class WebServerTest : public testing::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        credentials_.Set(kUser, HashPassword(kPassword, kFewestPasswordRounds));
        WebState state;
        state.camera = "Test Pattern PC Camera";
        state.recordingFolder = dir_;
        board_.SetState(state);
        server_ = std::make_unique<CWebServer>(board_, credentials_, Hooks());
        server_->SetTimings(100ms, 300ms);
        WebSettings settings;
        settings.port = 0;
        std::string why;
        ASSERT_TRUE(server_->Start(settings, why)) << why;
        port_ = server_->port();
        ASSERT_GT(port_, 0);
    }
    void TearDown() override {
        server_.reset();
        TempFolderTest::TearDown();
    }

    CWebServer::Hooks Hooks() {
        CWebServer::Hooks hooks;
        hooks.setRecordOnMotion = [this](bool on) {
            std::lock_guard guard(lock_);
            switches_.push_back(on);
        };
        hooks.watchingChanged = [this](bool watching) {
            std::lock_guard guard(lock_);
            watching_.push_back(watching);
        };
        return hooks;
    }
    std::vector<bool> Watching() {
        std::lock_guard guard(lock_);
        return watching_;
    }
    std::vector<bool> Switches() {
        std::lock_guard guard(lock_);
        return switches_;
    }

    HttpReply Get(const std::string& path, const std::string& extra = {},
                  const char* from = "127.0.0.1") {
        return Exchange(port_, "GET", path, BasicAuth(kUser, kPassword), extra, {}, from);
    }

    std::string WriteRecording(const std::string& name, std::size_t size) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(i * 7 + 3);
        std::ofstream(In(name), std::ios::binary) << bytes;
        return bytes;
    }

    // A stream request whose answer's head has been read.
    bool OpenStream(CTestConnection& connection, std::string& rest, HttpReply& head,
                    int receiveBuffer = 0) {
        if (!connection.Connect(port_, "127.0.0.1", receiveBuffer))
            return false;
        const std::string request =
            "GET /stream.mjpg HTTP/1.1\r\nHost: 127.0.0.1\r\n"
            "Authorization: " +
            BasicAuth(kUser, kPassword) + "\r\n\r\n";
        return connection.Send(request) && connection.ReadHead(head, rest);
    }

    CWebBoard board_;
    CCredentialCheck credentials_;
    std::unique_ptr<CWebServer> server_;
    int port_ = 0;
    std::mutex lock_;
    std::vector<bool> switches_;
    std::vector<bool> watching_;
};

TEST_F(WebServerTest, EveryRouteWantsTheUserAndPassword) {
    WriteRecording("Tavelin-00001.avi", 100);
    server_->picture().Publish(FakeJpeg(100, 1), 1);
    const char* routes[] = {"/",
                            "/page.js",
                            "/page.css",
                            "/state.json",
                            "/events.json",
                            "/recordings.json",
                            "/snapshot.jpg",
                            "/recordings/Tavelin-00001.avi"};
    struct Credentials {
        const char* what;
        std::string authorization;
        int status;
    };
    const Credentials cases[] = {
        {"none", "", 401},
        {"wrong user", BasicAuth("someone", kPassword), 401},
        {"wrong password", BasicAuth(kUser, "hunter2"), 401},
        {"not basic", "Bearer abc", 401},
        {"right", BasicAuth(kUser, kPassword), 200},
    };
    testing::LogLines log;
    int source = 10;
    for (const char* route : routes) {
        for (const Credentials& c : cases) {
            // Each from an address of its own: the slowing down of wrong passwords is
            // tested below, not here.
            const std::string from = "127.0.0." + std::to_string(source++);
            const HttpReply reply =
                Exchange(port_, "GET", route, c.authorization, {}, {}, from.c_str());
            EXPECT_EQ(reply.status, c.status) << route << " with " << c.what;
            if (c.status == 401) {
                EXPECT_EQ(reply.Header("www-authenticate"),
                          R"(Basic realm="Tavelin Video Center", charset="UTF-8")");
                EXPECT_TRUE(log.Has(LogArea::Web, LogLevel::Info, {from.c_str()}) ||
                            log.Has(LogArea::Web, LogLevel::Warning, {from.c_str()}))
                    << "the failure from " << from << " is logged";
            }
        }
    }
    for (const auto& line : log.Lines())
        EXPECT_EQ(line.text.find("hunter2"), std::string::npos) << line.text;
    EXPECT_EQ(Get("/nothing").status, 404);
    EXPECT_EQ(Get("/stream.mjpg/").status, 404);
    EXPECT_EQ(Exchange(port_, "DELETE", "/", BasicAuth(kUser, kPassword)).status, 405);
}

TEST_F(WebServerTest, WrongPasswordsAreHeldBackWithoutHoldingAnyoneElse) {
    testing::LogLines log;
    const int wrong = CAuthThrottle::kFreeFailures + 1;
    for (int i = 0; i < wrong; ++i) {
        EXPECT_EQ(
            Exchange(port_, "GET", "/", BasicAuth(kUser, "guess"), {}, {}, "127.0.0.9").status,
            401);
    }
    CTestConnection held;
    ASSERT_TRUE(held.Connect(port_, "127.0.0.9"));
    ASSERT_TRUE(held.Send("GET /state.json HTTP/1.1\r\nHost: x\r\nAuthorization: " +
                          BasicAuth(kUser, kPassword) + "\r\n\r\n"));
    // Another address is answered at once, while the held one (a second at least) waits.
    EXPECT_EQ(Get("/state.json", {}, "127.0.0.8").status, 200);
    std::string early;
    EXPECT_FALSE(held.Read(early, 1, 0ms)) << "answered without delay: " << early;
    EXPECT_EQ(held.Answer().status, 200) << "a right password still gets in";

    const auto lines = log.Lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const auto& line) {
                                return line.text.find("127.0.0.9") != std::string::npos;
                            }),
              wrong);
    for (const auto& line : lines)
        EXPECT_EQ(line.text.find("guess"), std::string::npos) << line.text;
}

TEST_F(WebServerTest, PagesForbidFramingSniffingAndForeignScripts) {
    const HttpReply page = Get("/");
    ASSERT_EQ(page.status, 200);
    EXPECT_EQ(page.Header("content-security-policy"), "default-src 'self'");
    EXPECT_EQ(page.Header("x-frame-options"), "DENY");
    EXPECT_EQ(page.Header("x-content-type-options"), "nosniff");
    EXPECT_EQ(page.Header("cache-control"), "no-store");
    EXPECT_NE(page.body.find(R"(<img id="live" src="stream.mjpg")"), std::string::npos);
    EXPECT_NE(page.body.find(R"(src="page.js")"), std::string::npos);
    EXPECT_EQ(page.body.find("<script>"), std::string::npos) << "no inline script";
    EXPECT_EQ(page.body.find("<style"), std::string::npos) << "no inline style";
    EXPECT_EQ(page.body.find("http"), std::string::npos) << "nothing from elsewhere";
}

TEST_F(WebServerTest, StateAndEventsAreJson) {
    WebState state = board_.state();
    state.armed = true;
    board_.SetState(state);
    SessionEvent event;
    event.kind = SessionEventKind::RecordingStarted;
    event.path = dir_ + "/Tavelin-00003.avi";
    board_.AddEvent(event, std::chrono::system_clock::from_time_t(1796725872));
    const HttpReply stateReply = Get("/state.json");
    EXPECT_EQ(stateReply.Header("content-type"), "application/json");
    EXPECT_NE(stateReply.body.find(R"("armed":true)"), std::string::npos) << stateReply.body;
    EXPECT_EQ(stateReply.body.find(dir_), std::string::npos) << "no folder on the page";
    const HttpReply events = Get("/events.json");
    EXPECT_NE(events.body.find(R"("event":"recording-started")"), std::string::npos);
    EXPECT_NE(events.body.find(R"("name":"Tavelin-00003.avi")"), std::string::npos);
    EXPECT_EQ(events.body.find(dir_), std::string::npos) << events.body;
}

TEST_F(WebServerTest, OnlyTheNumberedRecordingsCanBeFetched) {
    const std::string bytes = WriteRecording("Tavelin-00001.avi", 5000);
    std::ofstream(In("Tavelin.cnt")) << "12";
    std::ofstream(In("settings.ini")) << "secret";
    ASSERT_EQ(::symlink("/etc/passwd", In("Tavelin-00002.avi").c_str()), 0);
    ASSERT_EQ(::mkdir(In("Tavelin-00003.avi").c_str(), 0700), 0);
    const HttpReply real = Get("/recordings/Tavelin-00001.avi");
    EXPECT_EQ(real.status, 200);
    EXPECT_EQ(real.body, bytes);
    EXPECT_EQ(real.Header("content-type"), "video/x-msvideo");
    EXPECT_EQ(real.Header("accept-ranges"), "bytes");
    const HttpReply listing = Get("/recordings.json");
    EXPECT_EQ(listing.Header("content-type"), "application/json");
    EXPECT_NE(listing.body.find(R"("name":"Tavelin-00001.avi","size":5000)"), std::string::npos)
        << listing.body;
    for (const char* hidden : {"Tavelin-00002", "Tavelin-00003", "Tavelin.cnt", "settings"})
        EXPECT_EQ(listing.body.find(hidden), std::string::npos) << listing.body;

    const char* refused[] = {
        "/recordings/..",
        "/recordings/../Tavelin.cnt",
        "/recordings/%2e%2e%2fTavelin.cnt",
        "/recordings/%2e%2e/etc/passwd",
        "/recordings/..%2fTavelin.cnt",
        "/recordings/%2fetc%2fpasswd",
        "/recordings//etc/passwd",
        "/recordings/..\\Tavelin.cnt",
        "/recordings/Tavelin-00001.avi%00",
        "/recordings/Tavelin-00001.avi/",
        "/recordings/./Tavelin-00001.avi",
        "/recordings/Tavelin-1.avi",
        "/recordings/Tavelin.cnt",
        "/recordings/settings.ini",
        "/recordings/Tavelin-00002.avi",  // a link to /etc/passwd
        "/recordings/Tavelin-00003.avi",  // a folder with a recording's name
        "/recordings/",
        "/recordings",
        "/etc/passwd",
    };
    for (const char* path : refused) {
        const HttpReply reply = Get(path);
        EXPECT_TRUE(reply.status == 404 || reply.status == 400) << path << ": " << reply.status;
        EXPECT_EQ(reply.body.find("root:"), std::string::npos) << path;
        EXPECT_EQ(reply.body.find("secret"), std::string::npos) << path;
    }
}

TEST_F(WebServerTest, RangesAnswerPartsOfARecording) {
    const std::string bytes = WriteRecording("Tavelin-00004.avi", 1000);
    struct Case {
        const char* range;
        int status;
        std::size_t first;
        std::size_t length;
        const char* contentRange;
    };
    const Case cases[] = {
        {"bytes=0-99", 206, 0, 100, "bytes 0-99/1000"},
        {"bytes=900-", 206, 900, 100, "bytes 900-999/1000"},
        {"bytes=-10", 206, 990, 10, "bytes 990-999/1000"},
        {"bytes=990-5000", 206, 990, 10, "bytes 990-999/1000"},
        {"bytes=1000-", 416, 0, 0, "bytes */1000"},
        {"bytes=0-1,5-6", 200, 0, 1000, ""},
        {"lines=1-2", 200, 0, 1000, ""},
    };
    for (const Case& c : cases) {
        const HttpReply reply =
            Get("/recordings/Tavelin-00004.avi", std::string("Range: ") + c.range + "\r\n");
        EXPECT_EQ(reply.status, c.status) << c.range;
        EXPECT_EQ(reply.Header("content-range"), c.contentRange) << c.range;
        if (c.status != 416) {
            EXPECT_EQ(reply.body, bytes.substr(c.first, c.length)) << c.range;
        }
    }
}

TEST_F(WebServerTest, AnOversizedRequestIsRefusedAndTheServerGoesOn) {
    const HttpReply big = Get("/", "X-Filler: " + std::string(200 * 1024, 'a') + "\r\n");
    EXPECT_TRUE(big.status == 431 || big.status == 413 || big.status == 400) << big.status;
    EXPECT_EQ(Get("/state.json").status, 200);
}

TEST_F(WebServerTest, RecordOnMotionIsSwitchedFromThisServersPageOnly) {
    const std::string own = "http://127.0.0.1:" + std::to_string(port_);
    struct Case {
        std::string headers;
        std::string body;
        int status;
    };
    const Case cases[] = {
        {"Origin: " + own + "\r\n", "on", 200},
        {"Origin: " + own + "\r\n", "off", 200},
        {"Referer: " + own + "/\r\n", "on", 200},
        {"Origin: http://evil.example\r\n", "on", 403},
        {"Origin: " + own + ".evil.example\r\n", "on", 403},
        {"Origin: null\r\n", "on", 403},
        {"Origin: https://127.0.0.1:" + std::to_string(port_) + "\r\n", "on", 403},
        {"Referer: http://evil.example/" + own + "/\r\n", "on", 403},
        {"", "on", 403},
        {"Origin: " + own + "\r\n", "maybe", 400},
        {"Origin: " + own + "\r\n", "on and off and on", 413},
    };
    for (const Case& c : cases) {
        const HttpReply reply = Exchange(port_, "POST", "/record-on-motion",
                                         BasicAuth(kUser, kPassword), c.headers, c.body);
        EXPECT_EQ(reply.status, c.status) << c.headers << c.body;
    }
    EXPECT_EQ(Switches(), (std::vector<bool>{true, false, true}));
    EXPECT_EQ(
        Exchange(port_, "POST", "/record-on-motion", "", "Origin: " + own + "\r\n", "on").status,
        401);
    EXPECT_EQ(Switches().size(), 3u);
}

TEST_F(WebServerTest, SnapshotIsTheNewestPictureOrNoneAfterAWait) {
    const HttpReply none = Get("/snapshot.jpg");
    EXPECT_EQ(none.status, 503);
    EXPECT_EQ(none.body, "No picture yet\n");
    ASSERT_TRUE(WaitFor([&] {
        return Watching() == std::vector<bool>{true, false};
    })) << "a snapshot request wants pictures, then lets them go";

    // A picture that comes while the request waits is the answer.
    std::thread later([&] {
        WaitFor([&] { return Watching().size() == 3; });
        server_->picture().Publish(FakeJpeg(300, 9), 5);
    });
    const HttpReply waited = Get("/snapshot.jpg?download=1");
    later.join();
    EXPECT_EQ(waited.status, 200);
    EXPECT_EQ(waited.Header("content-type"), "image/jpeg");
    EXPECT_EQ(waited.body.size(), 300u);
    EXPECT_EQ(waited.Header("content-disposition").rfind("attachment; filename=\"Tavelin-", 0), 0u)
        << waited.Header("content-disposition");
}

TEST_F(WebServerTest, StreamPartsAreWholeJpegsWithTheirCaptureTime) {
    CTestConnection viewer;
    std::string stream;
    HttpReply head;
    server_->picture().Publish(FakeJpeg(5001, 1), 1001);
    ASSERT_TRUE(OpenStream(viewer, stream, head));
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.Header("content-type"), "multipart/x-mixed-replace; boundary=tavelin-frame");
    EXPECT_EQ(head.Header("transfer-encoding"), "");
    for (int i = 1; i <= 3; ++i) {
        Part part;
        ASSERT_TRUE(ReadPart(viewer, stream, part)) << "part " << i;
        EXPECT_EQ(part.headers["Content-Type"], "image/jpeg");
        EXPECT_EQ(part.headers["X-Capture-Monotonic-Ns"], std::to_string(1000 + i));
        ASSERT_EQ(part.jpeg.size(), 5000u + i);
        EXPECT_EQ(part.jpeg.substr(0, 2), "\xFF\xD8");
        EXPECT_EQ(part.jpeg.substr(part.jpeg.size() - 2), "\xFF\xD9");
        server_->picture().Publish(FakeJpeg(5001 + i, 1), 1001 + i);
    }
    EXPECT_EQ(server_->viewers(), 1);
}

TEST_F(WebServerTest, TheEleventhViewerIsTurnedAway) {
    server_->picture().Publish(FakeJpeg(1000, 1), 1);
    std::vector<CTestConnection> viewers(20);
    int served = 0;
    int refused = 0;
    for (CTestConnection& viewer : viewers) {
        std::string rest;
        HttpReply head;
        ASSERT_TRUE(OpenStream(viewer, rest, head));
        served += head.status == 200;
        refused += head.status == 503;
    }
    EXPECT_EQ(served, 10);
    EXPECT_EQ(refused, 10);
    EXPECT_EQ(server_->viewers(), 10);
    viewers.clear();
    EXPECT_TRUE(WaitFor([&] { return server_->viewers() == 0; }));
    CTestConnection again;
    std::string rest;
    HttpReply head;
    ASSERT_TRUE(OpenStream(again, rest, head));
    EXPECT_EQ(head.status, 200) << "a place is free again";
}

TEST_F(WebServerTest, ASlowViewerSkipsPicturesAndHoldsNoMoreThanOne) {
    std::atomic<bool> done{false};
    std::mutex publishedLock;
    std::vector<std::weak_ptr<const JpegPicture>> published;
    std::atomic<std::size_t> mostAlive{0};
    // The camera's step is the picture's capture time here, so the viewer can tell
    // which pictures it got.
    std::thread camera([&] {
        for (std::int64_t step = 1; !done; ++step) {
            server_->picture().Publish(FakeJpeg(50000, 2), step);
            std::lock_guard guard(publishedLock);
            published.push_back(server_->picture().Latest());
            const std::size_t alive =
                std::count_if(published.begin(), published.end(),
                              [](const auto& picture) { return !picture.expired(); });
            mostAlive = std::max(mostAlive.load(), alive);
            std::this_thread::sleep_for(1ms);
        }
    });
    CTestConnection viewer;
    std::string stream;
    HttpReply head;
    ASSERT_TRUE(OpenStream(viewer, stream, head, 4096));
    ASSERT_EQ(head.status, 200);
    // Until the buffers on the way are full and pictures are skipped; a few kilobytes at
    // a time, slowly: far less than the camera gives.
    std::vector<std::int64_t> steps;
    auto skipped = [&] {
        for (std::size_t i = 1; i < steps.size(); ++i) {
            if (steps[i] > steps[i - 1] + 1)
                return true;
        }
        return false;
    };
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (!(steps.size() >= 8 && skipped()) && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(10ms);
        ASSERT_TRUE(viewer.Read(stream, 8192));
        for (Part part; TakePart(stream, part);)
            steps.push_back(std::stoll(part.headers["X-Capture-Monotonic-Ns"]));
    }
    done = true;
    camera.join();
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_TRUE(skipped()) << steps.size() << " parts, none skipped";
    EXPECT_LE(mostAlive.load(), 3u) << "pictures held at once: the newest and the one being sent";
}

TEST_F(WebServerTest, PicturesAreWantedWhileSomeoneWatches) {
    EXPECT_TRUE(Watching().empty());
    {
        CTestConnection viewer;
        viewer.Connect(port_);
        viewer.Send("GET /stream.mjpg HTTP/1.1\r\nHost: x\r\nAuthorization: " +
                    BasicAuth(kUser, kPassword) + "\r\n\r\n");
        ASSERT_TRUE(WaitFor([&] { return Watching() == std::vector<bool>{true}; }));
        server_->picture().Publish(FakeJpeg(100, 1), 1);
        std::string stream;
        HttpReply head;
        ASSERT_TRUE(viewer.ReadHead(head, stream));
    }
    ASSERT_TRUE(WaitFor([&] { return Watching() == std::vector<bool>{true, false}; }));
    EXPECT_EQ(server_->picture().Latest(), nullptr) << "no stale picture for the next viewer";
}

TEST_F(WebServerTest, StopEndsEveryStream) {
    CTestConnection viewer;
    std::string stream;
    HttpReply head;
    server_->picture().Publish(FakeJpeg(100, 1), 1);
    ASSERT_TRUE(OpenStream(viewer, stream, head));
    Part part;
    ASSERT_TRUE(ReadPart(viewer, stream, part));  // now waiting for the next picture
    server_->Stop();
    EXPECT_FALSE(server_->running());
    EXPECT_EQ(server_->port(), 0);
    EXPECT_TRUE(viewer.Closed(10s));
    EXPECT_EQ(Watching(), (std::vector<bool>{true, false}));

    std::string why;
    WebSettings settings;
    settings.port = 0;
    ASSERT_TRUE(server_->Start(settings, why)) << why;  // and again
    EXPECT_EQ(Exchange(server_->port(), "GET", "/state.json", BasicAuth(kUser, kPassword)).status,
              200);
}

// What a command printed; empty when it failed.
std::string Output(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    return ::pclose(pipe) == 0 ? out : std::string();
}

TEST_F(WebServerTest, AnswersOnBothLoopbackAddressesWhetherOrNotOthersMayCome) {
    const bool ipv6 = Output("ip -6 addr show dev lo 2>/dev/null").find("::1") != std::string::npos;
    for (const bool allowOthers : {false, true}) {
        WebSettings settings;
        settings.port = 0;
        settings.allowOthers = allowOthers;
        std::string why;
        ASSERT_TRUE(server_->Start(settings, why)) << why;
        const std::string curl =
            std::string("curl -sS -g --max-time 10 -u '") + kUser + ":" + kPassword + "' http://";
        const std::string path = ":" + std::to_string(server_->port()) + "/state.json";
        EXPECT_NE(Output(curl + "127.0.0.1" + path).find("\"camera\""), std::string::npos)
            << allowOthers;
        if (ipv6) {
            EXPECT_NE(Output(curl + "[::1]" + path).find("\"camera\""), std::string::npos)
                << allowOthers;
        }
    }
}

TEST_F(WebServerTest, ServesHttpsWithTheGivenCertificate) {
    const std::string made =
        Output("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost -keyout " +
               In("key.pem") + " -out " + In("cert.pem") + " 2>&1 && echo made");
    ASSERT_NE(made.find("made"), std::string::npos) << made;
    CWebServer secure(board_, credentials_, {});
    WebSettings settings;
    settings.port = 0;
    settings.tlsCert = In("cert.pem");
    settings.tlsKey = In("key.pem");
    std::string why;
    ASSERT_TRUE(secure.Start(settings, why)) << why;
    const std::string base = "https://127.0.0.1:" + std::to_string(secure.port());
    const std::string curl = std::string("curl -sS --max-time 10 --cacert ") + In("cert.pem") +
                             " --resolve localhost:" + std::to_string(secure.port()) +
                             ":127.0.0.1 -u '" + kUser + ":" + kPassword + "' ";
    const std::string local = "https://localhost:" + std::to_string(secure.port());
    EXPECT_NE(Output(curl + local + "/state.json").find("\"camera\""), std::string::npos);
    // The page's switch from the HTTPS page itself.
    EXPECT_EQ(Output(curl + "-o /dev/null -w '%{http_code}' -X POST --data on -H 'Origin: " +
                     local + "' " + local + "/record-on-motion"),
              "200");
    EXPECT_EQ(Output("curl -s -o /dev/null -w '%{http_code}' --max-time 10 http://127.0.0.1:" +
                     std::to_string(secure.port()) + "/state.json"),
              "")
        << "no plain HTTP on the HTTPS port" << base;
}

TEST_F(WebServerTest, StartSaysWhyItCannotListen) {
    CWebServer other(board_, credentials_, {});
    WebSettings settings;
    settings.port = port_;
    std::string why;
    EXPECT_FALSE(other.Start(settings, why));
    EXPECT_EQ(why, "Port " + std::to_string(port_) + " is in use");
    EXPECT_FALSE(other.running());

    settings.port = 0;
    settings.tlsCert = In("missing-cert.pem");
    settings.tlsKey = In("missing-key.pem");
    EXPECT_FALSE(other.Start(settings, why));
    EXPECT_NE(why.find("The certificate cannot be read"), std::string::npos) << why;

    std::ofstream(In("cert.pem")) << "not a certificate";
    std::ofstream(In("key.pem")) << "not a key";
    settings.tlsCert = In("cert.pem");
    settings.tlsKey = In("key.pem");
    EXPECT_FALSE(other.Start(settings, why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(other.running());

    CCredentialCheck none;
    CWebServer unprotected(board_, none, {});
    settings = WebSettings();
    settings.port = 0;
    EXPECT_FALSE(unprotected.Start(settings, why));
    EXPECT_EQ(why, "No password is set for the web page");
}

}  // namespace
}  // namespace tavelin
