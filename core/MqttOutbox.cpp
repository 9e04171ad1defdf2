#include "core/MqttOutbox.h"

#include <algorithm>

namespace tavelin {

bool CMqttOutbox::Push(MqttMessage message) {
    if (message.retain) {
        std::erase_if(queue_, [&](const MqttMessage& waiting) {
            return waiting.retain && waiting.topic == message.topic;
        });
    }
    bool kept = true;
    if (queue_.size() >= capacity_ && !queue_.empty()) {
        const auto event = std::find_if(queue_.begin(), queue_.end(),
                                        [](const MqttMessage& waiting) { return !waiting.retain; });
        queue_.erase(event != queue_.end() ? event : queue_.begin());
        kept = false;
    }
    queue_.push_back(std::move(message));
    return kept;
}

}  // namespace tavelin
