#include "capture/RecordFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "core/SiblingFile.h"

namespace tavelin {

namespace {

// Names taken one after another this often mean something else is wrong; the start
// fails rather than walk the numbers for ever.
constexpr int kMostMoves = 100;

}  // namespace

CRecordFile::~CRecordFile() {
    Abandon();
}

bool CRecordFile::Create(const std::string& path) {
    Abandon();
    target_.clear();
    committed_ = false;
    error_ = 0;
    struct stat existing {};
    if (path.empty() || path.back() == '/' ||
        (::stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))) {
        error_ = EISDIR;
        return false;
    }
    SiblingFile file = CreateSiblingFile(path, "part");
    if (!file.fd) {
        error_ = errno;
        return false;
    }
    target_ = path;
    writingPath_ = std::move(file.path);
    fd_ = std::move(file.fd);
    return true;
}

bool CRecordFile::HasData() const {
    struct stat st {};
    return fd_ && ::fstat(fd_.get(), &st) == 0 && st.st_size > 0;
}

bool CRecordFile::Commit(bool replace, IRecordingNames* names) {
    if (writingPath_.empty() || committed_)
        return committed_;
    if (!StillNames(fd_.get(), writingPath_)) {
        // Someone moved the file away or put something else under its name; renaming
        // whatever is there now would hand the user a file this program did not write.
        error_ = ESTALE;
        return false;
    }
    if (replace) {
        if (std::rename(writingPath_.c_str(), target_.c_str()) != 0) {
            error_ = errno;
            return false;
        }
        committed_ = true;
        return true;
    }
    for (int moves = 0;; ++moves) {
        if (RenameWithoutReplacing(writingPath_, target_)) {
            committed_ = true;
            return true;
        }
        error_ = errno;
        if (error_ != EEXIST || names == nullptr || moves == kMostMoves)
            return false;
        std::string next = names->NextFreeName(target_);
        if (next.empty())
            return false;
        target_ = std::move(next);
    }
}

void CRecordFile::Flush() {
    if (fd_)
        (void)::fdatasync(fd_.get());
}

void CRecordFile::Abandon() {
    // Only a file still ours goes; a name someone else took over is left alone.
    if (!writingPath_.empty() && !committed_ && StillNames(fd_.get(), writingPath_))
        ::unlink(writingPath_.c_str());
    writingPath_.clear();
    fd_.reset();
}

}  // namespace tavelin
