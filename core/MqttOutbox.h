#pragma once
// What waits for the broker while it is away or behind: at most `capacity` messages,
// oldest first. A retained message replaces the one of its topic still waiting (only the
// last state counts); when the box is full the oldest message that is not retained goes.

#include <cstddef>
#include <deque>

#include "core/MqttMessages.h"

namespace tavelin {

class CMqttOutbox {
public:
    explicit CMqttOutbox(std::size_t capacity) : capacity_(capacity) {}

    // False when another message had to go to make room.
    bool Push(MqttMessage message);
    bool empty() const { return queue_.empty(); }
    std::size_t size() const { return queue_.size(); }
    const MqttMessage& front() const { return queue_.front(); }
    void PopFront() { queue_.pop_front(); }
    void Clear() { queue_.clear(); }

private:
    std::deque<MqttMessage> queue_;
    std::size_t capacity_;
};

}  // namespace tavelin
