#include "core/RecordingNumbers.h"

#include <algorithm>

#include "core/CounterLock.h"

namespace tavelin {

void ReadRecordingCounter(const std::string& counterPath, std::int32_t& counter) {
    CCounterLock lock(counterPath);
    ReadFileCounter(counter, counterPath);
}

FreeNumber TakeRecordingNumber(const std::string& counterPath, const std::string& folder,
                               std::int32_t from, std::int32_t& counter) {
    CCounterLock lock(counterPath);
    ReadFileCounter(counter, counterPath);
    const FreeNumber free = FirstFreeRecordingNumber(folder, std::max(counter, from));
    if (free.found) {
        counter = free.number + 1;  // never past the largest: FirstFreeRecordingNumber
        WriteFileCounter(counter, counterPath);
    }
    return free;
}

void GiveBackRecordingNumber(const std::string& counterPath, std::int32_t number,
                             std::int32_t& counter) {
    CCounterLock lock(counterPath);
    ReadFileCounter(counter, counterPath);
    // A counter at 0 is not taken back below it, as ever.
    if (number == std::numeric_limits<std::int32_t>::max() || counter != number + 1 ||
        counter == 0) {
        return;
    }
    counter = number;
    WriteFileCounter(counter, counterPath);
}

}  // namespace tavelin
