#pragma once
// How every file the program writes comes into being: a hidden file of its own beside
// the target, written through the descriptor that created it, flushed, and renamed
// into place. Nothing here opens a name someone else may have planted: the new file is
// created exclusively and never through a link.

#include <sys/types.h>

#include <string>

#include "core/Handle.h"

namespace tavelin {

struct SiblingFile {
    UniqueFd fd;
    std::string path;  // the hidden name, in the target's folder
};

// Creates ".<name>.<suffix>-<pid>-<n>" beside `target` (see TemporaryName: <name> is
// shortened to what the folder takes) with O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC. Empty (fd not
// set, errno kept) when the target names a folder or its folder cannot take a new file.
SiblingFile CreateSiblingFile(const std::string& target, const char* suffix, mode_t mode = 0666);

// The permission bits a file replacing `target` should get: those of the regular file
// found there (looked at without following a link), at most 0777 so no set-id or
// sticky bit is ever passed on; -1 when there is no regular file to take them from.
int InheritedMode(const std::string& target);

// Whether `path` still names the file open on `fd` (not a link, not another file).
bool StillNames(int fd, const std::string& path);

// rename() that fails with EEXIST instead of replacing an existing `to`.
bool RenameWithoutReplacing(const std::string& from, const std::string& to);

// The system's text for an errno value.
std::string SystemErrorText(int error);

}  // namespace tavelin
