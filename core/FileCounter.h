#pragma once
// The recording file counter: one decimal number in a small text file beside the
// executable, and the free recording numbers found from it.

#include <cstdint>
#include <string>

#include "core/FileNames.h"

namespace tavelin {

// Reads the number at the start of the file (leading white space, optional sign, digits;
// the rest ignored) into `value`. A missing, empty or blank file counts as 0 and is
// (re)written holding "0". Content that does not start with a number, a number that does
// not fit in 32 bits, and anything but a regular file under the name (a folder, a FIFO,
// a device) leave `value` and the file as they were.
void ReadFileCounter(std::int32_t& value, const std::string& path);

// Replaces the file's content with `value` in decimal, nothing else: written beside it,
// flushed to disk and renamed over it. False, with the old file untouched, when that
// fails; callers carry on as if it had been written.
bool WriteFileCounter(std::int32_t value, const std::string& path);

// The first recording number from `from` on whose numbered name is free in `directory`,
// so that a numbered recording never replaces a file. `found` is false when no number
// is left: the counter must be able to move past the number it gives out.
struct FreeNumber {
    bool found;
    std::int32_t number;
};
FreeNumber FirstFreeRecordingNumber(const std::string& directory, std::int32_t from);

}  // namespace tavelin
