#include "web/RtspAuth.h"

#include <string.h>

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "core/AuthThrottle.h"
#include "core/Log.h"

namespace tavelin {

namespace {

constexpr const char* kViewerRole = "viewer";
constexpr const char* kRealm = "Tavelin Video Center";
// "Basic " and base64 of "user:password": far longer than any user and password the
// dialogs accept; anything longer is refused without being decoded.
constexpr std::size_t kLongestAuthorization = 1024;
constexpr std::size_t kLongestLoggedUser = 64;

void UnrefToken(GstRTSPToken* token) {
    gst_rtsp_token_unref(token);
}

// Wrong passwords per address. The RTSP thread cannot hold an answer back as the web
// server does, so once the throttle asks for a delay, that address's passwords go unchecked
// (refused) for that long after each failure; a try in that time counts as one more.
class Lockout {
public:
    using Clock = CAuthThrottle::Clock;

    bool Closed(const std::string& address, Clock::time_point now) const {
        const auto found = openAt_.find(address);
        return found != openAt_.end() && now < found->second;
    }
    void Failed(const std::string& address, Clock::time_point now) {
        throttle_.Failed(address, now);
        const auto delay = throttle_.Delay(address, now);
        if (delay.count() <= 0)
            return;
        if (openAt_.size() >= CAuthThrottle::kMostAddresses && !openAt_.contains(address)) {
            std::erase_if(openAt_, [now](const auto& entry) { return entry.second <= now; });
            if (openAt_.size() >= CAuthThrottle::kMostAddresses)
                openAt_.erase(std::min_element(
                    openAt_.begin(), openAt_.end(),
                    [](const auto& a, const auto& b) { return a.second < b.second; }));
        }
        openAt_[address] = now + delay;
    }
    void Succeeded(const std::string& address) {
        throttle_.Succeeded(address);
        openAt_.erase(address);
    }

private:
    CAuthThrottle throttle_;
    std::unordered_map<std::string, Clock::time_point> openAt_;
};

struct Gate {
    CCredentialCheck* credentials = nullptr;
    RtspAdmit admit;
    GstRTSPToken* viewer = nullptr;  // what a right password gives; owned here
    Lockout lockout;                 // the RTSP thread's only
};

// A user name as it may go into the log: bounded, printable ASCII only.
std::string LoggableUser(std::string_view user) {
    std::string shown;
    for (const char c : user.substr(0, kLongestLoggedUser))
        shown += (c >= 0x20 && c < 0x7f) ? c : '?';
    return shown;
}

const char* PeerOf(const GstRTSPContext* ctx) {
    const char* ip = ctx->conn != nullptr ? gst_rtsp_connection_get_ip(ctx->conn) : nullptr;
    return ip != nullptr ? ip : "an unknown address";
}

// The password is compared where it was decoded and wiped before the buffer goes back.
bool CheckBasic(Gate& gate, const gchar* encoded, std::string& user) {
    gsize length = 0;
    guchar* decoded = g_base64_decode(encoded, &length);
    if (decoded == nullptr)
        return false;
    const std::string_view pair(reinterpret_cast<const char*>(decoded), length);
    const std::size_t colon = pair.find(':');
    bool right = false;
    if (colon != std::string_view::npos) {
        user = LoggableUser(pair.substr(0, colon));
        right = gate.credentials->Check(pair.substr(0, colon), pair.substr(colon + 1));
    }
    explicit_bzero(decoded, length);
    g_free(decoded);
    return right;
}

}  // namespace

}  // namespace tavelin

// The GObject type, in C fashion: an instance holds a pointer to its C++ state.
struct TavelinRtspAuth {
    GstRTSPAuth parent;
    tavelin::Gate* gate;
};
struct TavelinRtspAuthClass {
    GstRTSPAuthClass parent_class;
};

G_DEFINE_TYPE(TavelinRtspAuth, tavelin_rtsp_auth, GST_TYPE_RTSP_AUTH)

namespace tavelin {

namespace {

Gate& GateOf(GstRTSPAuth* auth) {
    return *reinterpret_cast<TavelinRtspAuth*>(auth)->gate;
}

gboolean Authenticate(GstRTSPAuth* auth, GstRTSPContext* ctx) {
    Gate& gate = GateOf(auth);
    ctx->token = nullptr;
    gchar* header = nullptr;  // borrowed from the request
    if (gst_rtsp_message_get_header(ctx->request, GST_RTSP_HDR_AUTHORIZATION, &header, 0) !=
            GST_RTSP_OK ||
        header == nullptr) {
        Log(LogArea::Web, LogLevel::Info,
            std::string("RTSP share: a request from ") + PeerOf(ctx) +
                " came without a user and password");
        return TRUE;
    }
    const std::string address = PeerOf(ctx);
    const auto now = Lockout::Clock::now();
    if (gate.lockout.Closed(address, now)) {
        gate.lockout.Failed(address, now);
        Log(LogArea::Web, LogLevel::Warning,
            "RTSP share: too many wrong passwords from " + address + "; refused unchecked");
        return TRUE;
    }
    bool right = false;
    std::string user;
    if (strlen(header) <= kLongestAuthorization) {
        GstRTSPAuthCredential** credentials =
            gst_rtsp_message_parse_auth_credentials(ctx->request, GST_RTSP_HDR_AUTHORIZATION);
        for (GstRTSPAuthCredential** c = credentials; c != nullptr && *c != nullptr; ++c) {
            if ((*c)->scheme == GST_RTSP_AUTH_BASIC && (*c)->authorization != nullptr) {
                right = CheckBasic(gate, (*c)->authorization, user);
                break;
            }
        }
        gst_rtsp_auth_credentials_free(credentials);
    }
    if (right) {
        gate.lockout.Succeeded(address);
        // The context borrows the token (the library never releases it); the auth object
        // keeps it for as long as any request can run.
        ctx->token = gate.viewer;
        return TRUE;
    }
    gate.lockout.Failed(address, now);
    Log(LogArea::Web, LogLevel::Warning,
        "RTSP share: wrong user or password from " + address +
            (user.empty() ? std::string() : " (user \"" + user + "\")"));
    return TRUE;
}

// The library answers a failed check itself only for the media factory; for the other
// requests the refusal is sent here, the way the library builds it.
void SendUnauthorized(GstRTSPAuth* auth, GstRTSPContext* ctx) {
    gst_rtsp_message_init_response(ctx->response, GST_RTSP_STS_UNAUTHORIZED,
                                   gst_rtsp_status_as_text(GST_RTSP_STS_UNAUTHORIZED),
                                   ctx->request);
    auto* klass = GST_RTSP_AUTH_GET_CLASS(auth);
    if (klass->generate_authenticate_header != nullptr)
        klass->generate_authenticate_header(auth, ctx);
    gst_rtsp_client_send_message(ctx->client, ctx->session, ctx->response);
}

gboolean Check(GstRTSPAuth* auth, GstRTSPContext* ctx, const gchar* check) {
    const std::string_view what(check);
    auto* parent = GST_RTSP_AUTH_CLASS(tavelin_rtsp_auth_parent_class);
    if (what == GST_RTSP_AUTH_CHECK_CONNECT) {
        const char* ip = PeerOf(ctx);
        if (!GateOf(auth).admit(ip)) {
            Log(LogArea::Web, LogLevel::Warning,
                std::string("RTSP share: refused a connection from ") + ip);
            return FALSE;
        }
    } else if (what == GST_RTSP_AUTH_CHECK_URL && ctx->method != GST_RTSP_OPTIONS) {
        // By default the library asks for a password only when a media is looked up; here
        // every request but OPTIONS needs one.
        if (ctx->token == nullptr)
            Authenticate(auth, ctx);
        if (ctx->token == nullptr) {
            SendUnauthorized(auth, ctx);
            return FALSE;
        }
    }
    return parent->check(auth, ctx, check);
}

}  // namespace

}  // namespace tavelin

static void tavelin_rtsp_auth_init(TavelinRtspAuth* self) {
    self->gate = new tavelin::Gate;
    self->gate->viewer = gst_rtsp_token_new(GST_RTSP_TOKEN_MEDIA_FACTORY_ROLE, G_TYPE_STRING,
                                            tavelin::kViewerRole, NULL);
}

static void tavelin_rtsp_auth_finalize(GObject* object) {
    auto* self = reinterpret_cast<TavelinRtspAuth*>(object);
    tavelin::UnrefToken(self->gate->viewer);
    delete self->gate;
    G_OBJECT_CLASS(tavelin_rtsp_auth_parent_class)->finalize(object);
}

static void tavelin_rtsp_auth_class_init(TavelinRtspAuthClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = tavelin_rtsp_auth_finalize;
    GST_RTSP_AUTH_CLASS(klass)->authenticate = tavelin::Authenticate;
    GST_RTSP_AUTH_CLASS(klass)->check = tavelin::Check;
}

namespace tavelin {

GstRTSPAuth* NewRtspAuth(CCredentialCheck& credentials, RtspAdmit admit) {
    auto* auth = static_cast<TavelinRtspAuth*>(g_object_new(tavelin_rtsp_auth_get_type(), NULL));
    auth->gate->credentials = &credentials;
    auth->gate->admit = std::move(admit);
    gst_rtsp_auth_set_realm(GST_RTSP_AUTH(auth), kRealm);
    return GST_RTSP_AUTH(auth);
}

void AllowRtspViewers(GstRTSPMediaFactory* factory) {
    gst_rtsp_media_factory_add_role(factory, kViewerRole, GST_RTSP_PERM_MEDIA_FACTORY_ACCESS,
                                    G_TYPE_BOOLEAN, TRUE, GST_RTSP_PERM_MEDIA_FACTORY_CONSTRUCT,
                                    G_TYPE_BOOLEAN, TRUE, NULL);
}

}  // namespace tavelin
