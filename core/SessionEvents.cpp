#include "core/SessionEvents.h"

#include <algorithm>

namespace tavelin {

const char* EventName(SessionEventKind kind) {
    switch (kind) {
        case SessionEventKind::MotionStarted:
            return "motion-started";
        case SessionEventKind::MotionEnded:
            return "motion-ended";
        case SessionEventKind::RecordingStarted:
            return "recording-started";
        case SessionEventKind::RecordingFinished:
            return "recording-finished";
        case SessionEventKind::RecordingFailed:
            return "recording-failed";
        case SessionEventKind::StillSaved:
            return "still-saved";
        case SessionEventKind::SnapshotSaved:
            return "snapshot-saved";
        case SessionEventKind::CameraLost:
            return "camera-lost";
        case SessionEventKind::CameraBack:
            return "camera-back";
        case SessionEventKind::FileRemoved:
            return "file-removed";
        case SessionEventKind::StorageFull:
            return "storage-full";
        case SessionEventKind::StorageBack:
            return "storage-back";
    }
    return "unknown";
}

int CEventStream::Subscribe(Subscriber subscriber) {
    subscribers_.push_back({nextId_, std::move(subscriber)});
    return nextId_++;
}

void CEventStream::Unsubscribe(int id) {
    // During a delivery the entry stays in place, emptied, so the loop over the list
    // is not disturbed; it goes at the end of the delivery.
    for (Entry& entry : subscribers_) {
        if (entry.id == id)
            entry.call = nullptr;
    }
    if (!delivering_)
        std::erase_if(subscribers_, [](const Entry& entry) { return !entry.call; });
}

void CEventStream::Publish(SessionEvent event) {
    const bool wasEmpty = queue_.empty();
    queue_.push_back(std::move(event));
    if (wasEmpty && !delivering_ && wake_)
        wake_();
}

void CEventStream::Deliver() {
    if (delivering_)
        return;  // a subscriber's own nested loop: the outer delivery goes on
    delivering_ = true;
    while (!queue_.empty()) {
        const SessionEvent event = std::move(queue_.front());
        queue_.pop_front();
        // By index: a subscriber may subscribe another meanwhile.
        for (std::size_t i = 0; i < subscribers_.size(); ++i) {
            if (subscribers_[i].call) {
                Subscriber call = subscribers_[i].call;  // it may unsubscribe itself
                call(event);
            }
        }
    }
    delivering_ = false;
    std::erase_if(subscribers_, [](const Entry& entry) { return !entry.call; });
}

}  // namespace tavelin
