#pragma once
// What the web page shows besides the picture: the program's state and its recent
// events. The application writes it on its main thread as things happen; the web server
// reads it on its own thread. Rendered as JSON for /state.json and /events.json.

#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>

#include "core/SessionEvents.h"

namespace tavelin {

struct WebState {
    bool monitor = false;         // the motion monitor runs
    bool recording = false;       // a file is being written, by hand or on motion
    bool armed = false;           // record on motion waits for motion
    bool recordOnMotion = false;  // the switch the page may turn
    std::string camera;           // the camera's name
    std::string recordingFolder;  // where the numbered recordings are
};

class CWebBoard {
public:
    static constexpr std::size_t kMostEvents = 50;

    void SetState(const WebState& state);
    WebState state() const;
    // Keeps the last kMostEvents, each with the wall-clock time it happened.
    void AddEvent(const SessionEvent& event, std::chrono::system_clock::time_point when);

    // {"monitor":true,"recording":false,"armed":false,"recordOnMotion":false,"camera":"..."}
    // (no folder: it is the server's business, not the page's).
    std::string StateJson() const;
    // {"events":[{"time":"2026-12-08T10:11:12Z","event":"recording-started",
    //   "name":"Tavelin-00003.avi",...},...]}, newest last; file names only, never paths.
    std::string EventsJson() const;

private:
    struct Entry {
        SessionEvent event;
        std::chrono::system_clock::time_point when;
    };
    mutable std::mutex lock_;
    WebState state_;
    std::deque<Entry> events_;
};

}  // namespace tavelin
