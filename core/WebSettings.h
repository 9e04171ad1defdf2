#pragma once
// What the web server and the RTSP share are set to (QSettings groups "Web" and "Rtsp").
// Both are off by default; when on they listen on the loopback addresses only unless
// others are allowed, and always ask for the user and password.

#include <string>

namespace tavelin {

struct WebSettings {
    bool enabled = false;
    int port = 8080;
    bool allowOthers = false;  // false: 127.0.0.1 and ::1 only
    std::string user = "tavelin";
    std::string passwordHash;  // see core/WebPassword.h; never the password itself
    std::string tlsCert;       // PEM files; HTTPS when both are set
    std::string tlsKey;
    int maxViewers = 10;

    bool operator==(const WebSettings&) const = default;
};

struct RtspSettings {
    bool enabled = false;
    int port = 8554;
    std::string encoder;  // an H.264 encoder's element name; empty: the first one listed

    bool operator==(const RtspSettings&) const = default;
};

}  // namespace tavelin
