#pragma once
// Slowing down wrong passwords per client address: after a few failures in a row each
// further answer from that address is held back, twice as long each time up to a limit,
// until a right password comes. The table is bounded; when full, the entry idle longest
// goes. Not thread-safe: one server thread owns it.

#include <chrono>
#include <cstddef>
#include <string>
#include <unordered_map>

namespace tavelin {

class CAuthThrottle {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kFreeFailures = 3;
    static constexpr std::chrono::milliseconds kFirstDelay{1000};
    static constexpr std::chrono::milliseconds kLongestDelay{30000};
    static constexpr std::size_t kMostAddresses = 1024;
    // An address quiet this long starts afresh.
    static constexpr std::chrono::minutes kForget{15};

    // How long the answer to a request from `address` should be held back now.
    std::chrono::milliseconds Delay(const std::string& address, Clock::time_point now) const;
    // A wrong or missing password from `address`; returns the failures in a row so far.
    int Failed(const std::string& address, Clock::time_point now);
    void Succeeded(const std::string& address);
    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        int failures = 0;
        Clock::time_point last;
    };
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace tavelin
