#pragma once
// The file a recording writes. It is created under a hidden name beside the target,
// exclusively and without following links, and the muxer writes through that very
// descriptor: nothing reopens it by name, so nobody can swap a link in on the way. It
// takes the target's name once the recording runs and data has reached it, so a start
// that fails leaves neither an empty file nor a truncated old one behind.

#include <string>

#include "core/Handle.h"
#include "core/RecordingNames.h"

namespace tavelin {

class CRecordFile {
public:
    CRecordFile() = default;
    ~CRecordFile();  // an uncommitted file is removed
    CRecordFile(const CRecordFile&) = delete;
    CRecordFile& operator=(const CRecordFile&) = delete;

    // Creates the hidden file; false for an empty path, a path naming a folder, or a
    // folder that is missing or cannot take the file (errorNumber() says why).
    bool Create(const std::string& path);
    // What the muxer writes through, open until this object goes.
    int fd() const { return fd_.get(); }
    const std::string& writingPath() const { return writingPath_; }
    // Whether any byte has reached the file.
    bool HasData() const;

    // Gives the file its real name. An existing file of that name is replaced only when
    // `replace` is set; otherwise `names`, when given, names another file to try, and
    // without it (or once it has none) the commit fails with EEXIST. It also fails when
    // the hidden name no longer names the file being written.
    bool Commit(bool replace, IRecordingNames* names = nullptr);
    // The name the file gets: the one created with, or the one `names` moved it to.
    const std::string& path() const { return target_; }
    // Flushes what the muxer wrote to the disk; for the end of a recording.
    void Flush();

    // errno of the last failure.
    int errorNumber() const { return error_; }

private:
    void Abandon();

    std::string target_;
    std::string writingPath_;
    UniqueFd fd_;
    bool committed_ = false;
    int error_ = 0;
};

}  // namespace tavelin
