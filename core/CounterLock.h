#pragma once
// One program at a time reads and moves the recording counter, so two programs sharing
// it never give out the same number. The lock is an flock on a small hidden file beside
// the counter (CounterLockPath): the counter itself is replaced by a new file on every
// write, and a lock on the old one would guard nothing.

#include <string>

#include "core/Handle.h"

namespace tavelin {

class CCounterLock {
public:
    // Waits until the lock is held. When the lock file cannot be had (a folder that takes
    // no new file) the log says why and the counter is used unguarded, as the counter
    // file in such a folder cannot be written either.
    explicit CCounterLock(const std::string& counterPath);
    CCounterLock(const CCounterLock&) = delete;
    CCounterLock& operator=(const CCounterLock&) = delete;

private:
    UniqueFd fd_;  // closing it lets the lock go
};

}  // namespace tavelin
