#pragma once
// The RTSP share's gatekeeper, a GstRTSPAuth: every request but OPTIONS needs the
// configured user with the right password (Basic; the stored form is a salted hash, so the
// library's own table of "user:password" strings cannot be used), and a new connection is
// taken only when `admit` says so. After a few wrong passwords from one address its
// passwords go unchecked for a while (core/AuthThrottle.h sets how long). Refusals are
// logged with the client's address, never with the password.

#include <gst/rtsp-server/rtsp-server.h>

#include <functional>
#include <string>

#include "core/WebPassword.h"

namespace tavelin {

// Whether a new connection from `address` (the peer's IP) may be taken. Runs on the RTSP
// thread.
using RtspAdmit = std::function<bool(const std::string& address)>;

// A new auth object (a full reference). `credentials` must outlive it.
GstRTSPAuth* NewRtspAuth(CCredentialCheck& credentials, RtspAdmit admit);

// Lets the clients NewRtspAuth lets in use and start `factory`'s media.
void AllowRtspViewers(GstRTSPMediaFactory* factory);

}  // namespace tavelin
