#include "core/ReplacingFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <utility>

#include "core/SiblingFile.h"

namespace tavelin {

CReplacingFile::CReplacingFile(std::string targetPath) : target_(std::move(targetPath)) {
    const int mode = InheritedMode(target_);
    SiblingFile temp = CreateSiblingFile(target_, "tmp");
    if (!temp.fd)
        return;
    if (mode >= 0)
        (void)::fchmod(temp.fd.get(), static_cast<mode_t>(mode));
    std::FILE* f = ::fdopen(temp.fd.get(), "wb");
    if (f == nullptr) {
        ::unlink(temp.path.c_str());
        return;
    }
    temp.fd.release();  // the stream closes it now
    file_.reset(f);
    tempPath_ = std::move(temp.path);
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
    bool ok = !failed_ && std::fflush(file_.get()) == 0 && !std::ferror(file_.get()) &&
              ::fdatasync(::fileno(file_.get())) == 0;
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
