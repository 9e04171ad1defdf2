#pragma once
// The numbers of the numbered recordings, given out under the counter's lock
// (CCounterLock): two programs sharing the counter never take the same number, and a
// name another program took meanwhile is passed over.

#include <cstdint>
#include <limits>
#include <string>

#include "core/FileCounter.h"

namespace tavelin {

// Whatever number the counter holds.
inline constexpr std::int32_t kFromCounter = std::numeric_limits<std::int32_t>::min();

// Reads the counter into `counter` under the lock: a missing counter is written as 0
// (ReadFileCounter), which must not replace one another program writes meanwhile.
void ReadRecordingCounter(const std::string& counterPath, std::int32_t& counter);

// Reads the counter into `counter` and takes the first number, at or past both the
// counter and `from`, whose numbered name is free in `folder`; the counter (in memory
// and in the file) then moves past it. Not found, and the counter not moved, when no
// number is left.
FreeNumber TakeRecordingNumber(const std::string& counterPath, const std::string& folder,
                               std::int32_t from, std::int32_t& counter);

// A number taken and not used goes back while the counter still stands just past it; a
// counter that another program has moved on since stays where it is.
void GiveBackRecordingNumber(const std::string& counterPath, std::int32_t number,
                             std::int32_t& counter);

}  // namespace tavelin
