#include "ReplacingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <utility>

namespace tavelin {
namespace {

std::atomic<unsigned> g_tempSerial{0};

}  // namespace

CReplacingFile::CReplacingFile(std::string targetPath) : target_(std::move(targetPath)) {
    if (target_.empty() || target_.back() == '/')
        return;
    const std::size_t slash = target_.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    const std::string name = target_.substr(slash == std::string::npos ? 0 : slash + 1);

    // A replaced file keeps its permission bits; a new one gets the usual 0666 less umask.
    struct stat existing {};
    const bool replacing = ::stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);

    // Hidden and unique per process and call; O_EXCL never follows or reuses a planted name.
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%u", static_cast<long>(::getpid()),
                      g_tempSerial.fetch_add(1, std::memory_order_relaxed));
        std::string candidate = folder + "." + name + suffix;
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return;
        }
        if (replacing)
            (void)::fchmod(fd, existing.st_mode & 07777);
        std::FILE* f = ::fdopen(fd, "wb");
        if (f == nullptr) {
            ::close(fd);
            ::unlink(candidate.c_str());
            return;
        }
        file_.reset(f);
        tempPath_ = std::move(candidate);
        return;
    }
}

CReplacingFile::~CReplacingFile() {
    Discard();
}

bool CReplacingFile::Write(const void* data, std::size_t bytes) {
    if (!file_)
        return false;
    if (bytes != 0 && std::fwrite(data, 1, bytes, file_.get()) != bytes)
        failed_ = true;
    return !failed_;
}

bool CReplacingFile::Commit() {
    if (!file_)
        return false;
    bool ok = !failed_ && std::fflush(file_.get()) == 0 && !std::ferror(file_.get());
    ok = std::fclose(file_.release()) == 0 && ok;
    if (ok && std::rename(tempPath_.c_str(), target_.c_str()) == 0) {
        tempPath_.clear();
        return true;
    }
    Discard();
    return false;
}

void CReplacingFile::Discard() {
    file_.reset();
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

}  // namespace tavelin
