#pragma once
// What happens in a session, as one stream anyone may follow: the window, a notifier,
// a broker, a web page, tests. Events are queued as they happen and handed to the
// subscribers, oldest first, by Deliver(), which the main loop runs on a turn of its own:
// a subscriber that takes its time delays the next delivery, never the frame step that
// published the event.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tavelin {

enum class SessionEventKind {
    MotionStarted,      // motion at the alarm's level after a calm picture
    MotionEnded,        // the picture has been calm for the calm time
    RecordingStarted,   // path, onMotion
    RecordingFinished,  // path, onMotion, frames, seconds
    RecordingFailed,    // path (when the file got one), onMotion, message
    StillSaved,         // path: a picture of the motion monitor or the countdown shot
    SnapshotSaved,      // path
    CameraLost,         // the camera stopped; the graph is being built again
    CameraBack,         // the graph runs again after a loss
    FileRemoved,        // path, bytes: an old recording or still went for the storage limits
    StorageFull,        // path (the recording folder), message: no recording may go on
    StorageBack,        // path: there is space to record again
};

struct SessionEvent {
    SessionEventKind kind = SessionEventKind::MotionStarted;
    std::string path;
    std::string message;  // RecordingFailed: what the user is told
    bool onMotion = false;
    std::uint64_t frames = 0;
    std::uint64_t bytes = 0;  // FileRemoved
    double seconds = 0.0;
};

// "recording-started", ...: the event's name for logs and scripts.
const char* EventName(SessionEventKind kind);

class CEventStream {
public:
    using Subscriber = std::function<void(const SessionEvent&)>;

    // Returns the id Unsubscribe takes. Subscribers are called in the order they came.
    int Subscribe(Subscriber subscriber);
    // Also from inside a delivery: the subscriber gets nothing more.
    void Unsubscribe(int id);

    // Called once when the queue turns non-empty: the main loop should run Deliver()
    // on its next turn. Without one, events wait for the next Deliver().
    void SetWake(std::function<void()> wake) { wake_ = std::move(wake); }

    void Publish(SessionEvent event);
    // Hands every queued event to every subscriber, in order; events published by a
    // subscriber meanwhile follow in the same call.
    void Deliver();
    std::size_t pending() const { return queue_.size(); }

private:
    struct Entry {
        int id = 0;
        Subscriber call;
    };
    std::vector<Entry> subscribers_;
    std::deque<SessionEvent> queue_;
    std::function<void()> wake_;
    int nextId_ = 1;
    bool delivering_ = false;
};

}  // namespace tavelin
