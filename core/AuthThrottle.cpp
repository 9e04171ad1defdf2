#include "core/AuthThrottle.h"

#include <algorithm>

namespace tavelin {

namespace {

// Failures past this change nothing (the delay is at its longest long before); the count
// stays far from overflowing however long an address keeps trying.
constexpr int kMostCounted = 1000;

}  // namespace

std::chrono::milliseconds CAuthThrottle::Delay(const std::string& address,
                                               Clock::time_point now) const {
    const auto found = entries_.find(address);
    if (found == entries_.end() || now - found->second.last >= kForget)
        return std::chrono::milliseconds{0};
    const int beyond = found->second.failures - kFreeFailures;
    if (beyond <= 0)
        return std::chrono::milliseconds{0};
    std::chrono::milliseconds delay = kFirstDelay;
    for (int i = 1; i < beyond && delay < kLongestDelay; ++i)
        delay *= 2;
    return std::min(delay, kLongestDelay);
}

int CAuthThrottle::Failed(const std::string& address, Clock::time_point now) {
    auto found = entries_.find(address);
    if (found == entries_.end()) {
        if (entries_.size() >= kMostAddresses) {
            const auto idlest = std::min_element(
                entries_.begin(), entries_.end(),
                [](const auto& a, const auto& b) { return a.second.last < b.second.last; });
            entries_.erase(idlest);
        }
        found = entries_.emplace(address, Entry{}).first;
    } else if (now - found->second.last >= kForget) {
        found->second.failures = 0;
    }
    Entry& entry = found->second;
    entry.failures = std::min(entry.failures + 1, kMostCounted);
    entry.last = now;
    return entry.failures;
}

void CAuthThrottle::Succeeded(const std::string& address) {
    entries_.erase(address);
}

}  // namespace tavelin
