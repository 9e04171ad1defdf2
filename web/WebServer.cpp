#include "web/WebServer.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>

#include "core/AuthThrottle.h"
#include "core/Handle.h"
#include "core/HttpRange.h"
#include "core/Log.h"
#include "core/RecordingCatalog.h"
#include "web/HttpAnswer.h"
#include "web/MjpegParts.h"
#include "web/PemFile.h"
#include "web/RequestOrigin.h"
#include "web/WebPage.h"

namespace tavelin {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr char kRealmHeader[] = R"(Basic realm="Tavelin Video Center", charset="UTF-8")";
// Headers, the request line and the answer's buffer share this per connection: a request
// bigger than that is answered 431 by the library.
constexpr std::size_t kMemoryPerConnection = 64 * 1024;
constexpr unsigned kMostConnections = 128;
// Above the most viewers, so that the eleventh viewer hears 503 rather than a reset.
constexpr unsigned kMostPerAddress = 32;
constexpr unsigned kIdleSeconds = 30;
// A viewer is written to only as fast as it reads: on a slow line the kernel's buffers
// stay full for many seconds between writes. One that takes nothing for this long is let
// go.
constexpr unsigned kViewerIdleSeconds = 120;
constexpr std::size_t kStreamBlock = 16 * 1024;
// The kernel's buffer towards each client, fixed rather than grown by the kernel: what a
// slow viewer can make the machine hold is this, the library's block and one picture.
constexpr int kSendBuffer = 64 * 1024;
constexpr std::size_t kMostBody = 8;  // "on" / "off"
constexpr int kMostViewersLimit = 100;
// A viewer waiting this long for a picture is sent the last one again: a client that is
// gone without a word (its network cut) is noticed when writes stop going out.
constexpr auto kHeartbeat = 5s;
constexpr char kRecordingsPrefix[] = "/recordings/";

std::string SnapshotFileName() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::localtime_r(&now, &parts);
    char name[64];
    std::snprintf(name, sizeof name, "Tavelin-snapshot-%04d%02d%02d-%02d%02d%02d.jpg",
                  parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                  parts.tm_min, parts.tm_sec);
    return name;
}

// A running daemon; releasing it stops it (only once no connection is suspended).
using DaemonPtr = Handle<MHD_Daemon, MHD_stop_daemon>;

enum class Wait { Throttle, Check, Snapshot, Picture };
enum class Verdict { None, Missing, Wrong, Right };

// A password copy is wiped before its memory goes back.
void Wipe(std::string& text) {
    ::explicit_bzero(text.data(), text.size());
    text.clear();
}

}  // namespace

struct CWebServer::Impl {
    // One request on a connection, from its first call to its completion.
    struct Request {
        Impl* server = nullptr;
        MHD_Connection* connection = nullptr;
        int socket = -1;
        std::string address;
        std::string network;              // what the throttle counts by
        std::string rawPath;              // as sent, before the library decodes it
        bool throttled = false;           // the throttle's delay has been served
        bool cleared = false;             // authenticated
        Verdict verdict = Verdict::None;  // set under the lock by the checker
        std::string user;                 // as sent, for the log
        bool snapshotWaited = false;
        bool usesPicture = false;
        bool viewer = false;
        bool heartbeatDue = false;  // under the server's lock
        bool gone = false;          // the client hung up while waiting; under the lock
        bool postStarted = false;
        bool bodyTooLarge = false;
        std::string body;
        CMjpegParts parts;
    };
    struct Waiter {
        Wait kind;
        Clock::time_point deadline;
        Request* request;
        std::uint64_t check = 0;  // Wait::Check: which one
    };
    struct CheckJob {
        std::uint64_t id;
        MHD_Connection* connection;
        std::string user;
        std::string password;
    };

    Impl(CWebBoard& board, CCredentialCheck& credentials, Hooks hooks)
        : board(board), credentials(credentials), hooks(std::move(hooks)) {}

    CWebBoard& board;
    CCredentialCheck& credentials;
    Hooks hooks;
    CLivePicture picture;

    // Set by Start and Stop on the owner's thread only.
    std::vector<DaemonPtr> daemons;
    int port = 0;
    bool https = false;
    int maxViewers = 10;
    std::string certPem;  // the library reads them while it starts, and keeps pointers
    std::string keyPem;
    std::chrono::milliseconds linger{5000};
    std::chrono::milliseconds snapshotWait{3000};
    std::thread timer;
    std::thread checker;

    mutable std::mutex lock;  // the rest; the daemons' threads, the timer and publishers
    bool stopping = true;
    bool timerQuit = false;
    // Passwords are checked on a thread of their own: a key derivation takes long enough
    // to stall every stream if the library's thread did it.
    std::deque<CheckJob> checks;
    std::uint64_t lastCheck = 0;
    std::condition_variable checkWake;
    UniqueFd timerWake{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    std::unordered_map<MHD_Connection*, Waiter> waiting;  // suspended by us
    int viewers = 0;
    int users = 0;  // viewers and snapshot requests that want pictures
    bool watching = false;
    std::optional<Clock::time_point> offAt;
    CAuthThrottle throttle;

    // watchingChanged is called with the state as it is when the call is made, one call
    // at a time, so the last call always tells the truth whatever threads race.
    std::mutex hookLock;
    bool reportedWatching = false;

    std::mutex libraryLock;
    std::string libraryMessage;  // the library's last complaint, for Start's `why`

    // --- suspending and resuming (under `lock`) ---

    bool SuspendLocked(Request& request, Wait kind, Clock::time_point deadline) {
        if (stopping)
            return false;
        waiting[request.connection] = {kind, deadline, &request};
        MHD_suspend_connection(request.connection);
        WakeTimer();
        return true;
    }

    void OnPicture() {
        std::lock_guard guard(lock);
        for (auto it = waiting.begin(); it != waiting.end();) {
            if (it->second.kind != Wait::Picture && it->second.kind != Wait::Snapshot) {
                ++it;
                continue;
            }
            MHD_resume_connection(it->first);
            it = waiting.erase(it);
        }
    }

    void WakeTimer() {
        const std::uint64_t one = 1;
        (void)!::write(timerWake.get(), &one, sizeof one);
    }

    // The waiting room: resumes suspended connections when their time is up and when
    // their client hangs up (the library cannot see that while they are suspended: a
    // viewer that left would hold its place until the next picture), and lets the
    // pictures go a while after the last user.
    void TimerLoop() {
        std::vector<pollfd> sockets;
        std::vector<MHD_Connection*> owners;
        std::unique_lock guard(lock);
        while (!timerQuit) {
            const Clock::time_point now = Clock::now();
            Clock::time_point next = Clock::time_point::max();
            sockets.assign(1, pollfd{timerWake.get(), POLLIN, 0});
            owners.assign(1, nullptr);
            for (auto it = waiting.begin(); it != waiting.end();) {
                if (it->second.deadline <= now) {
                    if (it->second.kind == Wait::Picture)
                        it->second.request->heartbeatDue = true;
                    MHD_resume_connection(it->first);
                    it = waiting.erase(it);
                    continue;
                }
                next = std::min(next, it->second.deadline);
                if (it->second.request->socket >= 0) {
                    sockets.push_back(pollfd{it->second.request->socket, POLLRDHUP, 0});
                    owners.push_back(it->first);
                }
                ++it;
            }
            if (offAt && *offAt <= now) {
                offAt.reset();
                if (users == 0 && watching) {
                    watching = false;
                    picture.Clear();
                    guard.unlock();
                    ReportWatching();
                    guard.lock();
                    continue;
                }
            } else if (offAt) {
                next = std::min(next, *offAt);
            }
            int timeout = -1;
            if (next != Clock::time_point::max()) {
                const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now);
                timeout = static_cast<int>(std::min<std::int64_t>(wait.count(), 60000));
            }
            guard.unlock();
            const int ready = ::poll(sockets.data(), sockets.size(), timeout);
            guard.lock();
            if (ready <= 0)
                continue;
            if (sockets[0].revents != 0) {
                std::uint64_t count = 0;
                (void)!::read(timerWake.get(), &count, sizeof count);
            }
            for (std::size_t i = 1; i < sockets.size(); ++i) {
                if (sockets[i].revents == 0)
                    continue;
                // Only if it still waits on that socket: meanwhile it may have been resumed,
                // finished and its descriptor's number reused.
                const auto it = waiting.find(owners[i]);
                if (it == waiting.end() || it->second.request->socket != sockets[i].fd)
                    continue;
                it->second.request->gone = true;
                MHD_resume_connection(it->first);
                waiting.erase(it);
            }
        }
    }

    void ReportWatching() {
        std::lock_guard hookGuard(hookLock);
        bool now = false;
        {
            std::lock_guard guard(lock);
            now = watching;
        }
        if (now == reportedWatching)
            return;
        reportedWatching = now;
        if (hooks.watchingChanged)
            hooks.watchingChanged(now);
    }

    void BeginUse(Request& request) {
        if (request.usesPicture)
            return;
        request.usesPicture = true;
        bool changed = false;
        {
            std::lock_guard guard(lock);
            ++users;
            offAt.reset();
            changed = !watching;
            watching = true;
        }
        if (changed)
            ReportWatching();
    }

    void EndUse() {
        std::lock_guard guard(lock);
        if (--users == 0) {
            offAt = Clock::now() + linger;
            WakeTimer();
        }
    }

    // --- the user and password ---

    void CheckerLoop() {
        std::unique_lock guard(lock);
        while (!timerQuit) {
            if (checks.empty()) {
                checkWake.wait(guard);
                continue;
            }
            CheckJob job = std::move(checks.front());
            checks.pop_front();
            guard.unlock();
            const bool right = credentials.Check(job.user, job.password);
            Wipe(job.password);
            guard.lock();
            // Unless its client has gone meanwhile, or the server is stopping.
            const auto it = waiting.find(job.connection);
            if (it == waiting.end() || it->second.kind != Wait::Check || it->second.check != job.id)
                continue;
            it->second.request->verdict = right ? Verdict::Right : Verdict::Wrong;
            MHD_resume_connection(it->first);
            waiting.erase(it);
        }
    }

    // Starts the check of the request's user and password; false when it has none.
    bool BeginCheck(Request& request) {
        char* password = nullptr;
        LibraryText user(MHD_basic_auth_get_username_password(request.connection, &password));
        LibraryText passwordText(password);
        if (!user || !passwordText) {
            if (passwordText)
                ::explicit_bzero(password, std::strlen(password));
            return false;
        }
        CheckJob job{0, request.connection, user.get(), password};
        ::explicit_bzero(password, std::strlen(password));
        request.user = Printable(job.user);
        std::lock_guard guard(lock);
        job.id = ++lastCheck;
        if (!SuspendLocked(request, Wait::Check, Clock::time_point::max())) {
            Wipe(job.password);
            return false;
        }
        waiting[request.connection].check = job.id;
        checks.push_back(std::move(job));
        checkWake.notify_one();
        return true;
    }

    bool Judge(Request& request) {
        Verdict verdict = Verdict::None;
        int failures = 0;
        {
            std::lock_guard guard(lock);
            verdict = request.verdict;
            // A request without a password is a browser's first try, answered with the
            // challenge; only a password tried and wrong counts against the address.
            if (verdict == Verdict::Right)
                throttle.Succeeded(request.network);
            else if (verdict != Verdict::Missing)
                failures = throttle.Failed(request.network, Clock::now());
        }
        if (verdict == Verdict::Right)
            return true;
        if (verdict == Verdict::Missing)
            Log(LogArea::Web, LogLevel::Info,
                "Web server: a request from " + request.address +
                    " came without user and password");
        else
            Log(LogArea::Web, LogLevel::Warning,
                "Web server: wrong user or password from " + request.address + " for user \"" +
                    request.user + "\" (" + std::to_string(failures) + " failures in a row)");
        return false;
    }

    MHD_Result Refuse(Request& request) {
        ResponsePtr response(
            MHD_create_response_from_buffer(0, const_cast<char*>(""), MHD_RESPMEM_PERSISTENT));
        if (!response)
            return MHD_NO;
        AddPageHeaders(response.get());
        MHD_add_response_header(response.get(), "WWW-Authenticate", kRealmHeader);
        MHD_add_response_header(response.get(), "Content-Type", "text/plain; charset=utf-8");
        return MHD_queue_response(request.connection, MHD_HTTP_UNAUTHORIZED, response.get());
    }

    MHD_Result Handle(Request& request, std::string_view path, std::string_view method,
                      const char* upload, std::size_t* uploadSize) {
        Verdict verdict = Verdict::None;
        {
            std::lock_guard guard(lock);
            if (stopping || request.gone)
                return MHD_NO;
            verdict = request.verdict;
        }
        if (!request.cleared) {
            if (!request.throttled) {
                request.throttled = true;
                std::lock_guard guard(lock);
                const auto now = Clock::now();
                const auto delay = throttle.Delay(request.network, now);
                if (delay > 0ms && SuspendLocked(request, Wait::Throttle, now + delay))
                    return MHD_YES;
            }
            if (verdict == Verdict::None) {
                if (BeginCheck(request))
                    return MHD_YES;  // resumed with the verdict
                std::lock_guard guard(lock);
                if (stopping)
                    return MHD_NO;
                request.verdict = Verdict::Missing;
            }
            if (!Judge(request))
                return Refuse(request);
            request.cleared = true;
        }
        if (method == "POST") {
            if (path != "/record-on-motion")
                return QueueText(request.connection, MHD_HTTP_NOT_FOUND, "Not found\n");
            return RecordOnMotion(request, upload, uploadSize);
        }
        if (method != "GET" && method != "HEAD")
            return QueueAnswer(request.connection, MHD_HTTP_METHOD_NOT_ALLOWED, "Not allowed\n",
                               "text/plain; charset=utf-8", {{"Allow", "GET, HEAD, POST"}});
        MHD_Connection* c = request.connection;
        if (path == "/")
            return QueueAnswer(c, MHD_HTTP_OK, WebPageHtml(), "text/html; charset=utf-8");
        if (path == "/page.js")
            return QueueAnswer(c, MHD_HTTP_OK, WebPageScript(), "text/javascript; charset=utf-8");
        if (path == "/page.css")
            return QueueAnswer(c, MHD_HTTP_OK, WebPageStyle(), "text/css; charset=utf-8");
        if (path == "/state.json")
            return QueueAnswer(c, MHD_HTTP_OK, board.StateJson(), "application/json");
        if (path == "/events.json")
            return QueueAnswer(c, MHD_HTTP_OK, board.EventsJson(), "application/json");
        if (path == "/recordings.json") {
            const std::string folder = board.state().recordingFolder;
            const std::vector<RecordingEntry> entries =
                folder.empty() ? std::vector<RecordingEntry>() : ListRecordings(folder);
            return QueueAnswer(c, MHD_HTTP_OK, RecordingsJson(entries), "application/json");
        }
        if (path == "/snapshot.jpg")
            return Snapshot(request);
        if (path == "/stream.mjpg")
            return Stream(request);
        if (path.starts_with(kRecordingsPrefix))
            return Recording(request, path.substr(sizeof kRecordingsPrefix - 1));
        return QueueText(c, MHD_HTTP_NOT_FOUND, "Not found\n");
    }

    MHD_Result RecordOnMotion(Request& request, const char* upload, std::size_t* uploadSize) {
        MHD_Connection* c = request.connection;
        if (!request.postStarted) {
            request.postStarted = true;
            const std::string_view origin = RequestHeader(c, "Origin");
            const std::string_view referer = RequestHeader(c, "Referer");
            if (!IsSameOrigin(https ? "https" : "http", RequestHeader(c, "Host"), origin,
                              referer)) {
                Log(LogArea::Web, LogLevel::Warning,
                    "Web server: refused to turn record on motion for " + request.address +
                        ": the request does not come from this server's page (Origin \"" +
                        Printable(origin) + "\")");
                return QueueText(c, MHD_HTTP_FORBIDDEN, "Not from this server's page\n");
            }
            // A body announced too big is refused before it is read.
            const std::string_view length = RequestHeader(c, "Content-Length");
            std::size_t announced = 0;
            const auto [end, error] =
                std::from_chars(length.data(), length.data() + length.size(), announced);
            if (!length.empty() && (error != std::errc() || announced > kMostBody))
                return QueueText(c, MHD_HTTP_CONTENT_TOO_LARGE, "Send on or off\n");
            return MHD_YES;  // the body follows
        }
        if (*uploadSize > 0) {
            if (request.body.size() + *uploadSize > kMostBody)
                request.bodyTooLarge = true;
            else
                request.body.append(upload, *uploadSize);
            *uploadSize = 0;
            return MHD_YES;
        }
        if (request.bodyTooLarge)
            return QueueText(c, MHD_HTTP_CONTENT_TOO_LARGE, "Send on or off\n");
        std::string_view body = request.body;
        while (!body.empty() && (body.back() == '\n' || body.back() == '\r' || body.back() == ' '))
            body.remove_suffix(1);
        if (body != "on" && body != "off")
            return QueueText(c, MHD_HTTP_BAD_REQUEST, "Send on or off\n");
        if (hooks.setRecordOnMotion)
            hooks.setRecordOnMotion(body == "on");
        return QueueText(c, MHD_HTTP_OK, std::string(body) + "\n");
    }

    static void ReleasePicture(void* holder) {
        delete static_cast<std::shared_ptr<const JpegPicture>*>(holder);
    }

    MHD_Result Snapshot(Request& request) {
        BeginUse(request);
        std::shared_ptr<const JpegPicture> latest;
        {
            std::lock_guard guard(lock);
            latest = picture.Latest();
            if (!latest && !request.snapshotWaited) {
                request.snapshotWaited = true;
                if (SuspendLocked(request, Wait::Snapshot, Clock::now() + snapshotWait))
                    return MHD_YES;
            }
        }
        if (!latest)
            return QueueText(request.connection, MHD_HTTP_SERVICE_UNAVAILABLE, "No picture yet\n");
        // The answer holds the picture itself, not a copy of its bytes.
        auto* holder = new std::shared_ptr<const JpegPicture>(latest);
        ResponsePtr response(MHD_create_response_from_buffer_with_free_callback_cls(
            latest->bytes.size(),
            const_cast<char*>(reinterpret_cast<const char*>(latest->bytes.data())), &ReleasePicture,
            holder));
        if (!response) {
            delete holder;
            return MHD_NO;
        }
        AddPageHeaders(response.get());
        MHD_add_response_header(response.get(), "Content-Type", "image/jpeg");
        const char* download =
            MHD_lookup_connection_value(request.connection, MHD_GET_ARGUMENT_KIND, "download");
        if (download != nullptr && std::string_view(download) == "1") {
            const std::string disposition = "attachment; filename=\"" + SnapshotFileName() + "\"";
            MHD_add_response_header(response.get(), "Content-Disposition", disposition.c_str());
        }
        return MHD_queue_response(request.connection, MHD_HTTP_OK, response.get());
    }

    static ssize_t ReadStream(void* cls, std::uint64_t, char* out, std::size_t max) {
        Request& request = *static_cast<Request*>(cls);
        Impl& server = *request.server;
        if (request.parts.idle()) {
            std::shared_ptr<const JpegPicture> latest;
            {
                std::lock_guard guard(server.lock);
                if (server.stopping || request.gone)
                    return MHD_CONTENT_READER_END_WITH_ERROR;
                latest = server.picture.Latest();
                const bool heartbeat = std::exchange(request.heartbeatDue, false);
                const bool fresh = latest && latest->sequence > request.parts.lastSequence();
                if (!fresh && !(heartbeat && latest)) {
                    if (server.SuspendLocked(request, Wait::Picture, Clock::now() + kHeartbeat))
                        return 0;
                    return MHD_CONTENT_READER_END_WITH_ERROR;
                }
            }
            request.parts.Begin(std::move(latest));
        }
        return static_cast<ssize_t>(request.parts.Fill(out, max));
    }

    MHD_Result Stream(Request& request) {
        bool full = false;
        {
            std::lock_guard guard(lock);
            full = viewers >= maxViewers;
            if (!full) {
                ++viewers;
                request.viewer = true;
            }
        }
        if (full) {
            Log(LogArea::Web, LogLevel::Info,
                "Web server: turned away a viewer from " + request.address + ": " +
                    std::to_string(maxViewers) + " watch already");
            return QueueAnswer(request.connection, MHD_HTTP_SERVICE_UNAVAILABLE,
                               "Too many viewers\n", "text/plain; charset=utf-8",
                               {{"Retry-After", "10"}});
        }
        BeginUse(request);
        MHD_set_connection_option(request.connection, MHD_CONNECTION_OPTION_TIMEOUT,
                                  kViewerIdleSeconds);
        ResponsePtr response(MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, kStreamBlock,
                                                               &ReadStream, &request, nullptr));
        if (!response)
            return MHD_NO;
        // Not chunked: the stream is the parts themselves, up to the end of the connection,
        // as MJPEG clients expect.
        MHD_set_response_options(response.get(), MHD_RF_HTTP_1_0_COMPATIBLE_STRICT, MHD_RO_END);
        AddPageHeaders(response.get());
        MHD_add_response_header(response.get(), "Content-Type", CMjpegParts::ContentType().c_str());
        return MHD_queue_response(request.connection, MHD_HTTP_OK, response.get());
    }

    MHD_Result Recording(Request& request, std::string_view name) {
        MHD_Connection* c = request.connection;
        // The library has decoded the path: an encoded separator is a separator here. A
        // recording's name needs no escapes, so a name sent with any (%00 included, which
        // would end the decoded text early) is nobody's.
        const std::string folder = board.state().recordingFolder;
        if (name.empty() || name.find('/') != std::string_view::npos || folder.empty() ||
            request.rawPath != std::string(kRecordingsPrefix) + std::string(name))
            return QueueText(c, MHD_HTTP_NOT_FOUND, "Not found\n");
        std::uint64_t size = 0;
        UniqueFd fd = OpenRecording(folder, name, size);
        if (!fd)
            return QueueText(c, MHD_HTTP_NOT_FOUND, "Not found\n");
        ByteRange range;
        std::uint64_t first = 0;
        std::uint64_t length = size;
        unsigned status = MHD_HTTP_OK;
        switch (ParseRange(RequestHeader(c, "Range"), size, range)) {
            case RangeAnswer::Unsatisfiable:
                return QueueAnswer(c, MHD_HTTP_RANGE_NOT_SATISFIABLE, "",
                                   "text/plain; charset=utf-8",
                                   {{"Content-Range", "bytes */" + std::to_string(size)},
                                    {"Accept-Ranges", "bytes"}});
            case RangeAnswer::Partial:
                first = range.first;
                length = range.last - range.first + 1;
                status = MHD_HTTP_PARTIAL_CONTENT;
                break;
            case RangeAnswer::Whole:
                break;
        }
        ResponsePtr response(MHD_create_response_from_fd_at_offset64(
            length, fd.get(), static_cast<std::uint64_t>(first)));
        if (!response)
            return QueueText(c, MHD_HTTP_INTERNAL_SERVER_ERROR, "Cannot read the recording\n");
        fd.release();  // the response closes it
        AddPageHeaders(response.get());
        MHD_add_response_header(response.get(), "Content-Type", "video/x-msvideo");
        MHD_add_response_header(response.get(), "Accept-Ranges", "bytes");
        if (status == MHD_HTTP_PARTIAL_CONTENT) {
            const std::string contentRange = "bytes " + std::to_string(range.first) + "-" +
                                             std::to_string(range.last) + "/" +
                                             std::to_string(size);
            MHD_add_response_header(response.get(), "Content-Range", contentRange.c_str());
        }
        return MHD_queue_response(c, status, response.get());
    }

    // --- the library's calls ---

    static Request* NewRequest(Impl& server, MHD_Connection* connection, const char* uri) {
        auto* request = new Request;
        request->server = &server;
        request->connection = connection;
        request->address = ClientAddress(connection);
        request->network = ClientNetwork(connection);
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        if (info != nullptr)
            request->socket = info->connect_fd;
        if (uri != nullptr) {
            const std::string_view raw(uri);
            request->rawPath = raw.substr(0, raw.find('?'));
        }
        return request;
    }

    static void* Arrived(void* cls, const char* uri, MHD_Connection* connection) {
        return NewRequest(*static_cast<Impl*>(cls), connection, uri);
    }

    static void Connected(void*, MHD_Connection* connection, void**,
                          MHD_ConnectionNotificationCode code) {
        if (code != MHD_CONNECTION_NOTIFY_STARTED)
            return;
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        if (info != nullptr)
            ::setsockopt(info->connect_fd, SOL_SOCKET, SO_SNDBUF, &kSendBuffer, sizeof kSendBuffer);
    }

    static MHD_Result Access(void* cls, MHD_Connection* connection, const char* url,
                             const char* method, const char*, const char* upload,
                             std::size_t* uploadSize, void** context) {
        Impl& server = *static_cast<Impl*>(cls);
        auto* request = static_cast<Request*>(*context);
        if (request == nullptr) {
            request = NewRequest(server, connection, nullptr);
            *context = request;
        }
        return server.Handle(*request, url != nullptr ? url : "", method != nullptr ? method : "",
                             upload, uploadSize);
    }

    static void Completed(void* cls, MHD_Connection* connection, void** context,
                          MHD_RequestTerminationCode) {
        Impl& server = *static_cast<Impl*>(cls);
        auto* request = static_cast<Request*>(*context);
        if (request == nullptr)
            return;
        {
            std::lock_guard guard(server.lock);
            server.waiting.erase(connection);
            if (request->viewer)
                --server.viewers;
        }
        if (request->usesPicture)
            server.EndUse();
        delete request;
        *context = nullptr;
    }

    static void LibraryLog(void* cls, const char* format, va_list args) {
        Impl& server = *static_cast<Impl*>(cls);
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        std::string message = text;
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
            message.pop_back();
        {
            std::lock_guard guard(server.libraryLock);
            server.libraryMessage = message;
        }
        Log(LogArea::Web, LogLevel::Debug, "Web server (libmicrohttpd): " + message);
    }

    std::string TakeLibraryMessage() {
        std::lock_guard guard(libraryLock);
        return std::exchange(libraryMessage, {});
    }

    MHD_Daemon* StartDaemon(unsigned flags, std::uint16_t onPort, const sockaddr* address) {
        std::vector<MHD_OptionItem> options = {
            {MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<intptr_t>(kMemoryPerConnection),
             nullptr},
            {MHD_OPTION_CONNECTION_LIMIT, kMostConnections, nullptr},
            {MHD_OPTION_PER_IP_CONNECTION_LIMIT, kMostPerAddress, nullptr},
            {MHD_OPTION_CONNECTION_TIMEOUT, kIdleSeconds, nullptr},
        };
        if (address != nullptr)
            options.push_back({MHD_OPTION_SOCK_ADDR, 0, const_cast<sockaddr*>(address)});
        if (https) {
            options.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0, certPem.data()});
            options.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, keyPem.data()});
        }
        options.push_back({MHD_OPTION_END, 0, nullptr});
        return MHD_start_daemon(
            flags, onPort, nullptr, nullptr, &Access, this, MHD_OPTION_URI_LOG_CALLBACK, &Arrived,
            this, MHD_OPTION_NOTIFY_COMPLETED, &Completed, this, MHD_OPTION_NOTIFY_CONNECTION,
            &Connected, this, MHD_OPTION_EXTERNAL_LOGGER, &LibraryLog, this, MHD_OPTION_ARRAY,
            options.data(), MHD_OPTION_END);
    }

    static int BoundPort(MHD_Daemon* daemon) {
        const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_BIND_PORT);
        return info != nullptr ? info->port : 0;
    }

    std::string WhyNot(int wantedPort) {
        const std::string message = TakeLibraryMessage();
        if (message.find("in use") != std::string::npos)
            return "Port " + std::to_string(wantedPort) + " is in use";
        if (https && (message.find("TLS") != std::string::npos ||
                      message.find("certificate") != std::string::npos ||
                      message.find("key") != std::string::npos))
            return "The certificate or key is refused: " + message;
        return "The web server cannot listen on port " + std::to_string(wantedPort) +
               (message.empty() ? std::string() : ": " + message);
    }

    bool Listen(const WebSettings& settings, std::string& why) {
        const unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_AUTO |
                               MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG |
                               (https ? static_cast<unsigned>(MHD_USE_TLS) : 0u);
        const auto wanted = static_cast<std::uint16_t>(settings.port);
        if (settings.allowOthers) {
            MHD_Daemon* daemon = StartDaemon(flags | MHD_USE_DUAL_STACK, wanted, nullptr);
            if (daemon == nullptr)  // no IPv6 on this machine
                daemon = StartDaemon(flags, wanted, nullptr);
            if (daemon == nullptr) {
                why = WhyNot(settings.port);
                return false;
            }
            daemons.emplace_back(daemon);
            port = BoundPort(daemon);
            return true;
        }
        sockaddr_in v4{};
        v4.sin_family = AF_INET;
        v4.sin_port = htons(wanted);
        v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        MHD_Daemon* daemon = StartDaemon(flags, wanted, reinterpret_cast<sockaddr*>(&v4));
        if (daemon == nullptr) {
            why = WhyNot(settings.port);
            return false;
        }
        daemons.emplace_back(daemon);
        port = BoundPort(daemon);
        // The same port on ::1, so "localhost" finds the server either way; a machine
        // without IPv6 has none.
        sockaddr_in6 v6{};
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<std::uint16_t>(port));
        v6.sin6_addr = in6addr_loopback;
        MHD_Daemon* second = StartDaemon(flags | MHD_USE_IPv6, static_cast<std::uint16_t>(port),
                                         reinterpret_cast<sockaddr*>(&v6));
        if (second != nullptr)
            daemons.emplace_back(second);
        else
            Log(LogArea::Web, LogLevel::Info,
                "Web server: not listening on ::1: " + TakeLibraryMessage());
        return true;
    }

    bool Start(const WebSettings& settings, std::string& why) {
        if (!credentials.hasPassword()) {
            why = "No password is set for the web page";
            return false;
        }
        if (settings.port < 0 || settings.port > 65535) {
            why = "Port " + std::to_string(settings.port) + " is not a port number";
            return false;
        }
        if (settings.tlsCert.empty() != settings.tlsKey.empty()) {
            why = "HTTPS needs both a certificate and a key";
            return false;
        }
        https = !settings.tlsCert.empty();
        certPem.clear();
        keyPem.clear();
        if (https) {
            std::string detail;
            if (!ReadPemFile(settings.tlsCert, certPem, detail)) {
                why = "The certificate cannot be read: " + settings.tlsCert + ": " + detail;
                return false;
            }
            if (!ReadPemFile(settings.tlsKey, keyPem, detail)) {
                why = "The key cannot be read: " + settings.tlsKey + ": " + detail;
                return false;
            }
        }
        if (!timerWake) {
            why = std::string("The web server cannot start: ") + std::strerror(errno);
            return false;
        }
        maxViewers = std::clamp(settings.maxViewers, 1, kMostViewersLimit);
        {
            std::lock_guard guard(lock);
            stopping = false;
            timerQuit = false;
        }
        timer = std::thread([this] { TimerLoop(); });
        checker = std::thread([this] { CheckerLoop(); });
        picture.SetListener([this] { OnPicture(); });
        TakeLibraryMessage();
        if (!Listen(settings, why)) {
            Log(LogArea::Web, LogLevel::Warning, "Web server: " + why);
            Stop();
            return false;
        }
        Log(LogArea::Web, LogLevel::Info,
            std::string("Web server: listening on port ") + std::to_string(port) +
                (settings.allowOthers ? " for every address" : " for this computer only") +
                (https ? " (HTTPS)" : ""));
        return true;
    }

    void Stop() {
        {
            std::lock_guard guard(lock);
            stopping = true;
            // The library must not be stopped with suspended connections: every one is
            // let go first, and nothing suspends once `stopping` is set.
            for (const auto& [connection, waiter] : waiting)
                MHD_resume_connection(connection);
            waiting.clear();
        }
        picture.SetListener(nullptr);
        daemons.clear();
        port = 0;
        if (timer.joinable()) {
            {
                std::lock_guard guard(lock);
                timerQuit = true;
            }
            WakeTimer();
            checkWake.notify_all();
            timer.join();
            checker.join();
        }
        for (CheckJob& job : checks)
            Wipe(job.password);
        checks.clear();
        bool wasWatching = false;
        {
            std::lock_guard guard(lock);
            wasWatching = watching;
            watching = false;
            offAt.reset();
        }
        if (wasWatching)
            picture.Clear();
        ReportWatching();
    }
};

CWebServer::CWebServer(CWebBoard& board, CCredentialCheck& credentials, Hooks hooks)
    : impl_(std::make_unique<Impl>(board, credentials, std::move(hooks))) {}

CWebServer::~CWebServer() {
    Stop();
}

bool CWebServer::Start(const WebSettings& settings, std::string& why) {
    Stop();
    return impl_->Start(settings, why);
}

void CWebServer::Stop() {
    impl_->Stop();
}

bool CWebServer::running() const {
    return !impl_->daemons.empty();
}

int CWebServer::port() const {
    return impl_->port;
}

int CWebServer::viewers() const {
    std::lock_guard guard(impl_->lock);
    return impl_->viewers;
}

CLivePicture& CWebServer::picture() {
    return impl_->picture;
}

void CWebServer::SetTimings(std::chrono::milliseconds linger,
                            std::chrono::milliseconds snapshotWait) {
    impl_->linger = linger;
    impl_->snapshotWait = snapshotWait;
}

}  // namespace tavelin
