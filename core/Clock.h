#pragma once
// Time as the frame step sees it: a millisecond tick for countdowns and the local
// calendar time for overlays and file names. Tests put a fake one in.

#include <cstdint>
#include <ctime>

namespace tavelin {

class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds on a steady clock, wrapping at 2^32 like a tick counter.
    virtual std::uint32_t TickCount() const = 0;
    virtual std::tm LocalTime() const = 0;
};

class CSystemClock : public IClock {
public:
    std::uint32_t TickCount() const override;
    std::tm LocalTime() const override;
};

}  // namespace tavelin
