#pragma once
// Sharing the camera over RTSP (gst-rtsp-server on a thread of its own):
// rtsp://HOST:PORT/live, H.264, with the web page's user and password and the same
// loopback rule. All clients share one stream; it is fed from an H.264 output on the
// live graph that is linked only while at least one client plays.

#include <gst/gst.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/WebPassword.h"
#include "core/WebSettings.h"

namespace tavelin {

class CRtspShare {
public:
    // Called on the RTSP thread when the stream is first wanted (true) and when the last
    // client has gone (false); must not block (post to the main thread).
    using WantFrames = std::function<void(bool want)>;
    // Connections at once; further ones are refused until one closes.
    static constexpr int kMostClients = 16;

    CRtspShare(CCredentialCheck& credentials, WantFrames wantFrames);
    ~CRtspShare();  // stops
    CRtspShare(const CRtspShare&) = delete;
    CRtspShare& operator=(const CRtspShare&) = delete;

    // False, with `why` for the user, when it cannot listen. `allowOthers` as for the web
    // server; port 0: any free port (see port()). A running share is stopped first.
    bool Start(const RtspSettings& settings, bool allowOthers, std::string& why);
    void Stop();
    bool running() const;
    // The port listened on (the one found when 0 was asked for); 0 while stopped.
    int port() const;
    // RTSP connections open now, whether or not they have given the password yet.
    int clients() const;

    // The H.264 encoders the program can share with, by element name, best first.
    static std::vector<std::string> ListEncoders();
    // The chain (gst-launch syntax) the live graph's frame tap runs to feed the share:
    // raw frames in, H.264 byte-stream access units out; empty when `encoder` (empty:
    // the first listed) cannot be made.
    static std::string TapChain(const std::string& encoder);
    // From the frame tap's thread: one access unit with its capture time.
    void Push(GstSample* sample, std::int64_t captureNs);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tavelin
