#include "RecordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace tavelin {

namespace {

std::atomic<unsigned> sequence{0};

}  // namespace

CRecordFile::~CRecordFile() {
    Abandon();
}

bool CRecordFile::Create(const std::string& path) {
    Abandon();
    target_.clear();
    committed_ = false;
    if (path.empty() || path.back() == '/')
        return false;
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        return false;

    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // O_EXCL: a name nobody else holds, never a link someone planted; mode 0666
    // lets the umask decide, as for any file the user creates.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = folder + "." + name + "." + std::to_string(getpid()) + "-" +
                                      std::to_string(sequence++) + ".part";
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            target_ = path;
            writingPath_ = candidate;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool CRecordFile::Commit() {
    if (writingPath_.empty() || committed_)
        return committed_;
    if (std::rename(writingPath_.c_str(), target_.c_str()) != 0)
        return false;
    committed_ = true;
    return true;
}

void CRecordFile::Abandon() {
    if (!writingPath_.empty() && !committed_)
        ::unlink(writingPath_.c_str());
    writingPath_.clear();
}

}  // namespace tavelin
