#include "web/RtspShare.h"

#include <gst/app/gstappsrc.h>
#include <gst/rtsp-server/rtsp-server.h>

#include <netinet/in.h>

#include <atomic>
#include <thread>

#include "capture/GstPtr.h"
#include "capture/GstRuntime.h"
#include "core/Log.h"
#include "web/GObjectPtr.h"
#include "web/H264Encoders.h"
#include "web/RtspAuth.h"
#include "web/RtspFeed.h"

namespace tavelin {

namespace {

constexpr const char* kMountPath = "/live";
// No request the share answers has a body; anything longer is refused.
constexpr guint kLongestRequestBody = 4096;
// The appsrc holds about four seconds at the tap's bitrate and then drops its oldest
// frames: a client that cannot keep up never makes the camera or the memory wait.
constexpr const char* kLaunch =
    "( appsrc name=src is-live=true format=time do-timestamp=false block=false "
    "max-bytes=1048576 leaky-type=downstream ! h264parse ! "
    "rtph264pay name=pay0 pt=96 config-interval=-1 )";
constexpr const char* kSourceCaps = "video/x-h264,stream-format=byte-stream,alignment=au";

bool IsLoopback(std::string_view ip) {
    return ip.starts_with("127.") || ip == "::1" || ip.starts_with("::ffff:127.");
}

void Info(const std::string& text) {
    Log(LogArea::Web, LogLevel::Info, "RTSP share: " + text);
}

}  // namespace

struct CRtspShare::Impl {
    Impl(CCredentialCheck& credentials, WantFrames wantFrames)
        : credentials(credentials), wantFrames(std::move(wantFrames)) {}

    CCredentialCheck& credentials;
    const WantFrames wantFrames;
    CRtspFeed feed;
    std::atomic<bool> running{false};
    std::atomic<int> port{0};
    std::atomic<int> clients{0};
    bool allowOthers = false;  // set before the RTSP thread starts

    // Made by Start and released by Stop, on the owner's thread; used by the RTSP thread
    // only in between.
    GMainContextPtr context;
    GMainLoopPtr loop;
    GObjectPtr<GstRTSPSessionPool> sessions;
    GObjectPtr<GstRTSPMountPoints> mounts;
    GObjectPtr<GstRTSPMediaFactory> factory;
    GObjectPtr<GstRTSPAuth> auth;
    GObjectPtr<GstRTSPServer> server;
    std::vector<GSourcePtr> listeners;  // one per address
    GSourcePtr sessionTimeouts;
    std::thread thread;

    bool Listen(const char* address, int wantedPort, std::string& why);
    void Release();
    void Want(bool want) {
        if (wantFrames)
            wantFrames(want);
    }

    static void OnClientConnected(GstRTSPServer*, GstRTSPClient* client, Impl* self);
    static void OnClientClosed(GstRTSPClient* client, Impl* self);
    static void OnMediaConfigure(GstRTSPMediaFactory*, GstRTSPMedia* media, Impl* self);
    static void OnMediaPrepared(GstRTSPMedia* media, Impl* self);
    static void OnMediaUnprepared(GstRTSPMedia* media, Impl* self);
    static gboolean OnSessionTimeouts(GstRTSPSessionPool* pool, gpointer);
    static gboolean ShutDown(gpointer data);
};

void CRtspShare::Impl::OnClientConnected(GstRTSPServer*, GstRTSPClient* client, Impl* self) {
    ++self->clients;
    g_signal_connect(client, "closed", G_CALLBACK(OnClientClosed), self);
}

void CRtspShare::Impl::OnClientClosed(GstRTSPClient* client, Impl* self) {
    --self->clients;
    g_signal_handlers_disconnect_by_data(client, self);
}

void CRtspShare::Impl::OnMediaConfigure(GstRTSPMediaFactory*, GstRTSPMedia* media, Impl* self) {
    GstElementPtr bin(gst_rtsp_media_get_element(media));
    GstElementPtr appsrc(bin ? gst_bin_get_by_name(GST_BIN(bin.get()), "src") : nullptr);
    if (!appsrc) {
        Log(LogArea::Web, LogLevel::Error, "RTSP share: the stream has no source");
        return;
    }
    GstCapsPtr caps(gst_caps_from_string(kSourceCaps));
    gst_app_src_set_caps(GST_APP_SRC(appsrc.get()), caps.get());
    g_signal_connect(media, "prepared", G_CALLBACK(OnMediaPrepared), self);
    g_signal_connect(media, "unprepared", G_CALLBACK(OnMediaUnprepared), self);
    if (self->feed.Attach(media, appsrc.get())) {
        Info("a client is watching; the camera's pictures are wanted");
        self->Want(true);
    }
}

void CRtspShare::Impl::OnMediaPrepared(GstRTSPMedia* media, Impl* self) {
    self->feed.Prepared(media);
}

void CRtspShare::Impl::OnMediaUnprepared(GstRTSPMedia* media, Impl* self) {
    g_signal_handlers_disconnect_by_data(media, self);
    if (self->feed.Detach(media)) {
        Info("no client is watching any more");
        self->Want(false);
    }
}

gboolean CRtspShare::Impl::OnSessionTimeouts(GstRTSPSessionPool* pool, gpointer) {
    // Sessions whose client went without saying so.
    gst_rtsp_session_pool_cleanup(pool);
    return G_SOURCE_CONTINUE;
}

// On the RTSP thread: stop listening, close every connection and session (so every media
// is let go), then leave the loop.
gboolean CRtspShare::Impl::ShutDown(gpointer data) {
    auto* self = static_cast<Impl*>(data);
    for (const GSourcePtr& listener : self->listeners)
        g_source_destroy(listener.get());
    g_source_destroy(self->sessionTimeouts.get());
    const auto remove_client = [](GstRTSPServer*, GstRTSPClient*, gpointer) {
        return GST_RTSP_FILTER_REMOVE;
    };
    gst_rtsp_server_client_filter(self->server.get(), remove_client, nullptr);
    const auto remove_session = [](GstRTSPSessionPool*, GstRTSPSession*, gpointer) {
        return GST_RTSP_FILTER_REMOVE;
    };
    gst_rtsp_session_pool_filter(self->sessions.get(), remove_session, nullptr);
    g_main_loop_quit(self->loop.get());
    return G_SOURCE_REMOVE;
}

namespace {

// A listening socket of the share's own rather than the library's: an IPv6 one takes IPv6
// clients only, so it can stand beside the IPv4 one on the same port.
GObjectPtr<GSocket> OpenListener(const char* address, int port, std::string& why) {
    GObjectPtr<GInetAddress> inet(g_inet_address_new_from_string(address));
    GObjectPtr<GSocketAddress> where(g_inet_socket_address_new(inet.get(), port));
    const GSocketFamily family = g_inet_address_get_family(inet.get());
    GError* raw = nullptr;
    GObjectPtr<GSocket> socket(
        g_socket_new(family, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, &raw));
    if (socket) {
        if (family == G_SOCKET_FAMILY_IPV6)
            g_socket_set_option(socket.get(), IPPROTO_IPV6, IPV6_V6ONLY, 1, nullptr);
        g_socket_set_blocking(socket.get(), FALSE);
        if (!g_socket_bind(socket.get(), where.get(), TRUE, &raw) ||
            !g_socket_listen(socket.get(), &raw))
            socket.reset();
    }
    GErrorPtr error(raw);
    if (!socket) {
        if (error && g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_ADDRESS_IN_USE))
            why = "Port " + std::to_string(port) + " is in use";
        else
            why = error ? error->message : "cannot listen on " + std::string(address);
    }
    return socket;
}

int PortOf(GSocket* socket) {
    GObjectPtr<GSocketAddress> local(g_socket_get_local_address(socket, nullptr));
    return local ? g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(local.get())) : 0;
}

}  // namespace

bool CRtspShare::Impl::Listen(const char* address, int wantedPort, std::string& why) {
    GObjectPtr<GSocket> socket = OpenListener(address, wantedPort, why);
    if (!socket)
        return false;
    // New connections are taken by the library's own handler, on the RTSP thread.
    GSourcePtr listener(g_socket_create_source(socket.get(), G_IO_IN, nullptr));
    g_source_set_callback(listener.get(), G_SOURCE_FUNC(gst_rtsp_server_io_func),
                          g_object_ref(server.get()), g_object_unref);
    g_source_attach(listener.get(), context.get());
    if (listeners.empty())
        port = PortOf(socket.get());
    listeners.push_back(std::move(listener));
    return true;
}

// Everything Start made, once the RTSP thread has ended (or never ran).
void CRtspShare::Impl::Release() {
    for (const auto& media : feed.DetachAll())
        g_signal_handlers_disconnect_by_data(media.get(), this);
    if (server)
        g_signal_handlers_disconnect_by_data(server.get(), this);
    if (factory)
        g_signal_handlers_disconnect_by_data(factory.get(), this);
    listeners.clear();
    sessionTimeouts.reset();
    server.reset();
    factory.reset();
    mounts.reset();
    auth.reset();
    sessions.reset();
    loop.reset();
    context.reset();
    port = 0;
    clients = 0;
}

CRtspShare::CRtspShare(CCredentialCheck& credentials, WantFrames wantFrames)
    : impl_(std::make_unique<Impl>(credentials, std::move(wantFrames))) {}

CRtspShare::~CRtspShare() {
    Stop();
}

bool CRtspShare::Start(const RtspSettings& settings, bool allowOthers, std::string& why) {
    Stop();
    if (!EnsureGstreamer()) {
        why = "GStreamer is not available";
        return false;
    }
    if (settings.port < 0 || settings.port > 65535) {
        why = "Port " + std::to_string(settings.port) + " is not a port number";
        return false;
    }
    Impl& d = *impl_;
    d.allowOthers = allowOthers;
    d.context.reset(g_main_context_new());
    d.loop.reset(g_main_loop_new(d.context.get(), FALSE));
    d.sessions.reset(gst_rtsp_session_pool_new());
    gst_rtsp_session_pool_set_max_sessions(d.sessions.get(), CRtspShare::kMostClients);
    d.mounts.reset(gst_rtsp_mount_points_new());
    d.factory.reset(gst_rtsp_media_factory_new());
    gst_rtsp_media_factory_set_launch(d.factory.get(), kLaunch);
    gst_rtsp_media_factory_set_shared(d.factory.get(), TRUE);
    gst_rtsp_media_factory_set_protocols(
        d.factory.get(),
        static_cast<GstRTSPLowerTrans>(GST_RTSP_LOWER_TRANS_UDP | GST_RTSP_LOWER_TRANS_TCP));
    AllowRtspViewers(d.factory.get());
    g_signal_connect(d.factory.get(), "media-configure", G_CALLBACK(Impl::OnMediaConfigure), &d);
    gst_rtsp_mount_points_add_factory(d.mounts.get(), kMountPath,
                                      ShareObject(d.factory.get()).release());
    d.auth.reset(NewRtspAuth(d.credentials, [&d](const std::string& ip) {
        return d.clients < CRtspShare::kMostClients && (d.allowOthers || IsLoopback(ip));
    }));

    // One server for every address: the listeners hand it their connections.
    d.server.reset(gst_rtsp_server_new());
    gst_rtsp_server_set_mount_points(d.server.get(), d.mounts.get());
    gst_rtsp_server_set_session_pool(d.server.get(), d.sessions.get());
    gst_rtsp_server_set_auth(d.server.get(), d.auth.get());
    gst_rtsp_server_set_content_length_limit(d.server.get(), kLongestRequestBody);
    // Clients are served on the RTSP thread itself rather than on threads of the library's
    // pool, so stopping needs to wait for no thread but that one.
    GObjectPtr<GstRTSPThreadPool> threads(gst_rtsp_server_get_thread_pool(d.server.get()));
    gst_rtsp_thread_pool_set_max_threads(threads.get(), 0);
    g_signal_connect(d.server.get(), "client-connected", G_CALLBACK(Impl::OnClientConnected), &d);

    // IPv4 must work; IPv6 is served as well where the machine has it.
    const char* const ipv4 = allowOthers ? "0.0.0.0" : "127.0.0.1";
    const char* const ipv6 = allowOthers ? "::" : "::1";
    if (!d.Listen(ipv4, settings.port, why)) {
        Log(LogArea::Web, LogLevel::Warning, "RTSP share: cannot start: " + why);
        d.Release();
        return false;
    }
    std::string whyNotIpv6;
    if (!d.Listen(ipv6, d.port, whyNotIpv6))
        Info(std::string("not on ") + ipv6 + ": " + whyNotIpv6);

    d.sessionTimeouts.reset(gst_rtsp_session_pool_create_watch(d.sessions.get()));
    g_source_set_callback(d.sessionTimeouts.get(), G_SOURCE_FUNC(Impl::OnSessionTimeouts), nullptr,
                          nullptr);
    g_source_attach(d.sessionTimeouts.get(), d.context.get());

    d.thread = std::thread([&d] {
        g_main_context_push_thread_default(d.context.get());
        g_main_loop_run(d.loop.get());
        // What the shutdown left pending (closed clients' last callbacks).
        while (g_main_context_iteration(d.context.get(), FALSE)) {
        }
        g_main_context_pop_thread_default(d.context.get());
    });
    d.running = true;
    Info("listening on port " + std::to_string(d.port) +
         (allowOthers ? " for every address" : " for this computer only"));
    return true;
}

void CRtspShare::Stop() {
    Impl& d = *impl_;
    if (!d.thread.joinable())
        return;
    // A client waiting for its first picture holds the RTSP thread until it comes.
    d.feed.FailWaiting("the RTSP share is stopping");
    GSourcePtr shutDown(g_idle_source_new());
    g_source_set_callback(shutDown.get(), &Impl::ShutDown, &d, nullptr);
    g_source_attach(shutDown.get(), d.context.get());
    d.thread.join();
    const bool wasWanted = d.feed.size() > 0;
    d.Release();
    d.running = false;
    if (wasWanted)
        d.Want(false);
    Info("stopped");
}

bool CRtspShare::running() const {
    return impl_->running;
}

int CRtspShare::port() const {
    return impl_->port;
}

int CRtspShare::clients() const {
    return impl_->clients;
}

std::vector<std::string> CRtspShare::ListEncoders() {
    return ListH264Encoders();
}

std::string CRtspShare::TapChain(const std::string& encoder) {
    return H264TapChain(encoder);
}

void CRtspShare::Push(GstSample* sample, std::int64_t captureNs) {
    if (sample != nullptr)
        impl_->feed.Push(sample, captureNs);
}

}  // namespace tavelin
