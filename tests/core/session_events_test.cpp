// The event stream's own rules: order, unsubscribing during a delivery, and one wake
// for each batch.

#include "core/SessionEvents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavelin {
namespace {

SessionEvent Event(SessionEventKind kind, std::string path = {}) {
    SessionEvent event;
    event.kind = kind;
    event.path = std::move(path);
    return event;
}

TEST(EventStreamTest, EveryEventReachesEverySubscriberInOrder) {
    CEventStream stream;
    std::vector<std::string> heard;
    stream.Subscribe([&](const SessionEvent& e) {
        heard.push_back("a " + e.path);
        // Published meanwhile: delivered after the queued ones, in the same call.
        if (e.path == "1")
            stream.Publish(Event(SessionEventKind::StillSaved, "3"));
    });
    stream.Subscribe([&](const SessionEvent& e) { heard.push_back("b " + e.path); });
    stream.Publish(Event(SessionEventKind::SnapshotSaved, "1"));
    stream.Publish(Event(SessionEventKind::SnapshotSaved, "2"));
    EXPECT_TRUE(heard.empty()) << "publishing calls nobody";
    EXPECT_EQ(stream.pending(), 2u);
    stream.Deliver();
    EXPECT_EQ(heard, (std::vector<std::string>{"a 1", "b 1", "a 2", "b 2", "a 3", "b 3"}));
    EXPECT_EQ(stream.pending(), 0u);
}

TEST(EventStreamTest, UnsubscribedDuringADeliveryHearsNothingMore) {
    CEventStream stream;
    std::vector<std::string> heard;
    int second = 0;
    int first = 0;
    first = stream.Subscribe([&](const SessionEvent& e) {
        heard.push_back("first " + e.path);
        stream.Unsubscribe(second);  // before it hears this event
        stream.Unsubscribe(first);   // itself, while it runs
    });
    second = stream.Subscribe([&](const SessionEvent& e) { heard.push_back("second " + e.path); });
    stream.Subscribe([&](const SessionEvent& e) { heard.push_back("third " + e.path); });
    stream.Publish(Event(SessionEventKind::CameraLost, "1"));
    stream.Publish(Event(SessionEventKind::CameraBack, "2"));
    stream.Deliver();
    EXPECT_EQ(heard, (std::vector<std::string>{"first 1", "third 1", "third 2"}));
}

TEST(EventStreamTest, WakesOncePerBatch) {
    CEventStream stream;
    int wakes = 0;
    stream.SetWake([&] { ++wakes; });
    stream.Subscribe([&](const SessionEvent& e) {
        if (e.kind == SessionEventKind::MotionStarted)
            stream.Publish(Event(SessionEventKind::RecordingStarted));
    });
    stream.Publish(Event(SessionEventKind::MotionStarted));
    stream.Publish(Event(SessionEventKind::MotionEnded));
    EXPECT_EQ(wakes, 1);
    stream.Deliver();
    EXPECT_EQ(wakes, 1) << "what a subscriber publishes goes out in the same delivery";
    EXPECT_EQ(stream.pending(), 0u);
    stream.Publish(Event(SessionEventKind::MotionEnded));
    EXPECT_EQ(wakes, 2);
}

}  // namespace
}  // namespace tavelin
