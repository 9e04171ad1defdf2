#include "core/LeftoverRecordings.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <limits>
#include <vector>

#include "core/FileNames.h"
#include "core/Log.h"
#include "core/RecordingNumbers.h"
#include "core/SiblingFile.h"

namespace tavelin {

namespace {

namespace fs = std::filesystem;

struct Leftover {
    std::string path;
    long pid;
    off_t size;
};

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// A pid no process can have says nothing about its program: it counts as running, so
// its file is left alone (and kill() is never asked about a process group).
bool ProgramRuns(long pid) {
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return true;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// The part files in `folder` whose programs have ended, in name order.
std::vector<Leftover> LeftoversOfEndedPrograms(const std::string& folder) {
    std::vector<Leftover> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        TemporaryNameParts parts;
        if (!ParseTemporaryName(it->path().filename(), parts) || parts.kind != "part" ||
            ProgramRuns(parts.pid)) {
            continue;
        }
        // Only a file of its own: a link under such a name is nobody's recording.
        struct stat st {};
        const std::string path = it->path();
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            found.push_back({path, parts.pid, st.st_size});
    }
    std::sort(found.begin(), found.end(),
              [](const Leftover& a, const Leftover& b) { return a.path < b.path; });
    return found;
}

void RemoveEmpty(const Leftover& part) {
    if (::unlink(part.path.c_str()) == 0) {
        Log(LogArea::Record, LogLevel::Info,
            "record: removed " + Quoted(part.path) + ", an empty recording left by program " +
                std::to_string(part.pid) + ", which no longer runs");
    } else if (errno != ENOENT) {  // gone: another program starting up got there first
        Log(LogArea::Record, LogLevel::Warning,
            "record: " + Quoted(part.path) + ", left by a program that no longer runs, " +
                "cannot be removed: " + SystemErrorText(errno));
    }
}

// Under the next free number; a number taken meanwhile by another program is passed over.
void KeepNumbered(const Leftover& part, const std::string& folder, const std::string& counterPath,
                  std::int32_t& counter) {
    for (std::int32_t from = kFromCounter;;) {
        const FreeNumber free = TakeRecordingNumber(counterPath, folder, from, counter);
        if (!free.found) {
            Log(LogArea::Record, LogLevel::Warning,
                "record: " + Quoted(part.path) +
                    ", left by a program that no longer runs, stays hidden: no recording "
                    "number is free");
            return;
        }
        const std::string target = folder + NumberedAviName(free.number);
        if (RenameWithoutReplacing(part.path, target)) {
            Log(LogArea::Record, LogLevel::Info,
                "record: kept " + Quoted(part.path) + ", a recording left unnamed by program " +
                    std::to_string(part.pid) + ", which no longer runs, as " + Quoted(target));
            return;
        }
        const int error = errno;
        if (error == EEXIST) {
            from = free.number + 1;
            continue;
        }
        GiveBackRecordingNumber(counterPath, free.number, counter);
        // Gone: another program starting up claimed it first.
        if (error != ENOENT) {
            Log(LogArea::Record, LogLevel::Warning,
                "record: " + Quoted(part.path) +
                    ", left by a program that no longer runs, cannot be named " + Quoted(target) +
                    ": " + SystemErrorText(error));
        }
        return;
    }
}

}  // namespace

void ClaimLeftoverRecordings(const std::string& folder, const std::string& counterPath,
                             std::int32_t& counter) {
    for (const Leftover& part : LeftoversOfEndedPrograms(folder.empty() ? "/" : folder)) {
        if (part.size == 0)
            RemoveEmpty(part);
        else
            KeepNumbered(part, folder, counterPath, counter);
    }
}

}  // namespace tavelin
