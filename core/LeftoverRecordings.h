#pragma once
// A program killed between creating a recording's hidden file and giving it its name
// leaves the hidden ".<name>.part-<pid>-<n>" behind (see TemporaryName), which nobody
// would ever find or remove. At start-up they are dealt with here.

#include <cstdint>
#include <string>

namespace tavelin {

// In `folder`, the hidden part files of programs that no longer run (no process has the
// pid in the name): an empty one is removed, one with data is kept under the next free
// numbered name (never replacing a file), the counter moved past it as for a recording.
// Files of running programs, and anything that is not a regular file, are left alone.
// Each step is logged.
void ClaimLeftoverRecordings(const std::string& folder, const std::string& counterPath,
                             std::int32_t& counter);

}  // namespace tavelin
