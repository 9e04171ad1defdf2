#include "core/Clock.h"

#include <chrono>

namespace tavelin {

std::uint32_t CSystemClock::TickCount() const {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::tm CSystemClock::LocalTime() const {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace tavelin
