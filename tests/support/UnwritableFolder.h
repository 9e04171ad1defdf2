#pragma once
// A folder in which the test process cannot create files, also when the tests run as
// root: then the process's effective user is "nobody" for as long as the object lives.
// Create it only around the check that needs it, and end it before anything else runs.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tavelin::testing {

class UnwritableFolder {
public:
    UnwritableFolder() {
        char base[] = "/tmp/tavelin-locked-XXXXXX";
        if (::mkdtemp(base) == nullptr)
            return;
        base_ = base;
        path_ = base_ + "/locked";
        // The base must stay searchable for "nobody", or the folder would look missing.
        if (::chmod(base_.c_str(), 0755) != 0 || ::mkdir(path_.c_str(), 0555) != 0)
            return;
        if (::geteuid() == 0) {
            if (::seteuid(kNobody) != 0)
                return;
            droppedRoot_ = true;
        }
        ready_ = ::faccessat(AT_FDCWD, path_.c_str(), W_OK, AT_EACCESS) != 0;
    }
    ~UnwritableFolder() {
        if (droppedRoot_ && ::seteuid(0) != 0)
            std::abort();  // every later test would run without its rights
        if (!path_.empty())
            ::rmdir(path_.c_str());
        if (!base_.empty())
            ::rmdir(base_.c_str());
    }
    UnwritableFolder(const UnwritableFolder&) = delete;
    UnwritableFolder& operator=(const UnwritableFolder&) = delete;

    // False when the folder could not be made unwritable here (then skip the test).
    bool ready() const { return ready_; }
    const std::string& path() const { return path_; }

private:
    static constexpr uid_t kNobody = 65534;
    std::string base_;
    std::string path_;
    bool droppedRoot_ = false;
    bool ready_ = false;
};

}  // namespace tavelin::testing
