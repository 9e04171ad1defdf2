#pragma once
// A file written beside its target under a temporary name and renamed over the target only
// once complete and on disk, so a reader never sees half a picture and a failed write (or a
// power cut) leaves the old file as it was.

#include <cstddef>
#include <cstdio>
#include <string>

#include "core/Handle.h"

namespace tavelin {

class CReplacingFile {
public:
    // Creates the temporary file in the target's folder; check isOpen(). A regular file
    // being replaced passes on its permission bits (never set-id bits); a new one gets
    // 0666 less the umask.
    explicit CReplacingFile(std::string targetPath);
    ~CReplacingFile();  // removes the temporary file unless committed
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    std::FILE* file() const { return file_.get(); }
    const std::string& temporaryPath() const { return tempPath_; }

    bool Write(const void* data, std::size_t bytes);
    // Flushes to disk, closes and renames over the target. False (and nothing replaced)
    // when any write, the flush, the close or the rename failed.
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Discard();

private:
    std::string target_;
    std::string tempPath_;
    FilePtr file_;
    bool failed_ = false;
};

}  // namespace tavelin
