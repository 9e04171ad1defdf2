#include "core/CounterLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <utility>

#include "core/FileNames.h"
#include "core/Log.h"
#include "core/SiblingFile.h"

namespace tavelin {

CCounterLock::CCounterLock(const std::string& counterPath) {
    const std::string path = CounterLockPath(counterPath);
    // Read-only is enough for flock, and nothing is ever written through it; a link
    // planted under the name is not followed.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd) {
        Log(LogArea::Record, LogLevel::Warning,
            "record: the counter goes unlocked: \"" + path +
                "\" cannot be opened: " + SystemErrorText(errno));
        return;
    }
    int result = 0;
    do {
        result = ::flock(fd.get(), LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        Log(LogArea::Record, LogLevel::Warning,
            "record: the counter goes unlocked: \"" + path +
                "\" cannot be locked: " + SystemErrorText(errno));
        return;
    }
    fd_ = std::move(fd);
}

}  // namespace tavelin
