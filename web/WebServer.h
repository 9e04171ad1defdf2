#pragma once
// The web server (libmicrohttpd, a thread of its own): one page for a phone or another
// computer, the live picture as MJPEG and as a single JPEG, the numbered recordings, and
// the recent events, all behind the user and password.
//
//   GET  /                 the page (no external scripts, fonts or styles)
//   GET  /stream.mjpg      multipart/x-mixed-replace JPEG parts at the preview's rate
//   GET  /snapshot.jpg     the picture of the moment
//   GET  /state.json       see CWebBoard::StateJson
//   GET  /events.json      see CWebBoard::EventsJson
//   GET  /recordings.json  [{"name","size","start","seconds"}], the numbered recordings
//   GET  /recordings/NAME  one of them by exact name, with Range (206)
//   POST /record-on-motion body "on" or "off", same origin only
//
// Pictures come from the live graph only while someone watches: the server calls
// `watchingChanged(true)` when the first viewer or snapshot request comes and
// `watchingChanged(false)` a while after the last has gone; the application then links
// or unlinks the JPEG output, which publishes into picture().

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/WebPassword.h"
#include "core/WebSettings.h"
#include "web/LivePicture.h"
#include "web/WebBoard.h"

namespace tavelin {

class CWebServer {
public:
    struct Hooks {
        // Both on the server's thread; must not block (post to the main thread).
        std::function<void(bool on)> setRecordOnMotion;
        std::function<void(bool watching)> watchingChanged;
    };

    CWebServer(CWebBoard& board, CCredentialCheck& credentials, Hooks hooks);
    ~CWebServer();  // stops
    CWebServer(const CWebServer&) = delete;
    CWebServer& operator=(const CWebServer&) = delete;

    // Listens as `settings` say (port 0: any free port, see port()). False, with `why`
    // for the user ("Port 8080 is in use", "The certificate cannot be read: ..."), when
    // it cannot; nothing then listens. A running server is stopped first.
    bool Start(const WebSettings& settings, std::string& why);
    void Stop();
    bool running() const;
    int port() const;  // the port listened on; 0 when stopped
    // The viewers of /stream.mjpg now.
    int viewers() const;

    // Where the JPEG output publishes.
    CLivePicture& picture();

    // How long pictures stay wanted after the last viewer has gone (5 s unless set), and
    // how long a snapshot request waits for the first picture (3 s). Before Start.
    void SetTimings(std::chrono::milliseconds linger, std::chrono::milliseconds snapshotWait);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tavelin
