#include "core/SiblingFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "core/FileNames.h"

namespace tavelin {

namespace {

std::atomic<unsigned> g_serial{0};

// The longest file name the target's folder takes; the usual limit when it cannot say.
std::size_t NameMaxFor(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : target.substr(0, slash);
    const long max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return max > 0 ? static_cast<std::size_t>(max) : kNameMax;
}

}  // namespace

SiblingFile CreateSiblingFile(const std::string& target, const char* suffix, mode_t mode) {
    if (target.empty() || target.back() == '/') {
        errno = EISDIR;
        return {};
    }
    const std::size_t nameMax = NameMaxFor(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate =
            TemporaryName(target, suffix, static_cast<long>(::getpid()),
                          g_serial.fetch_add(1, std::memory_order_relaxed), nameMax);
        const int fd =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0)
            return {UniqueFd(fd), std::move(candidate)};
        if (errno != EEXIST)
            return {};
    }
    return {};
}

int InheritedMode(const std::string& target) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<int>(st.st_mode & 0777);
}

bool StillNames(int fd, const std::string& path) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           S_ISREG(named.st_mode) && open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: a hard link cannot replace either.
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

std::string SystemErrorText(int error) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be in `buffer`.
    return ::strerror_r(error, buffer, sizeof buffer);
}

}  // namespace tavelin
