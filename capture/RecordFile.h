#pragma once
// The file a recording writes. It is written under a temporary name beside the
// target and takes the target's name only once the recording runs: a start that
// fails leaves neither an empty file nor a truncated old one behind.

#include <string>

namespace tavelin {

class CRecordFile {
public:
    CRecordFile() = default;
    ~CRecordFile();  // an uncommitted file is removed
    CRecordFile(const CRecordFile&) = delete;
    CRecordFile& operator=(const CRecordFile&) = delete;

    // Creates the temporary file; false for an empty path, a path naming a folder,
    // or a folder that is missing or not writable.
    bool Create(const std::string& path);
    // Where the muxer writes until Commit().
    const std::string& writingPath() const { return writingPath_; }
    // Gives the file its real name (replacing a file of that name).
    bool Commit();

private:
    void Abandon();

    std::string target_;
    std::string writingPath_;
    bool committed_ = false;
};

}  // namespace tavelin
