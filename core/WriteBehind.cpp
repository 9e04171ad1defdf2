#include "core/WriteBehind.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace tavelin {

namespace {

// The whole of `bytes`, whatever the kernel takes per call.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t bytes) {
    while (bytes != 0) {
        const ssize_t n = ::write(fd, data, bytes);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

CWriteBehind::CWriteBehind(int fd, std::size_t pieceBytes)
    : fd_(fd), pieceBytes_(pieceBytes), storage_(new std::uint8_t[kPieces * pieceBytes]) {}

CWriteBehind::~CWriteBehind() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        failed_ = true;  // the caller gave up: skip what is still queued
        finishing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool CWriteBehind::WriteNow(std::size_t bytes) {
    if (!failed_ && !WriteAll(fd_, piece(), bytes))
        failed_ = true;
    return !failed_;
}

bool CWriteBehind::Hand(std::size_t bytes) {
    if (!thread_.joinable()) {
        if (fallback_)
            return WriteNow(bytes);
        try {
            thread_ = std::thread(&CWriteBehind::Run, this);
        } catch (const std::system_error&) {
            fallback_ = true;  // no thread to be had: the caller writes, as a plain stream would
            return WriteNow(bytes);
        }
    }
    std::unique_lock lock(mutex_);
    if (failed_)
        return false;
    lengths_[handed_ % kPieces] = bytes;
    ++handed_;
    lock.unlock();  // so the woken thread does not wait for the lock
    changed_.notify_all();
    // piece() is now the slot after the one handed over; it is free once the thread is
    // done with the piece handed kPieces ago.
    lock.lock();
    changed_.wait(lock, [this] { return handed_ - written_ < kPieces || failed_; });
    return !failed_;
}

bool CWriteBehind::Finish(std::size_t bytes) {
    if (!thread_.joinable())
        return WriteNow(bytes);
    {
        std::lock_guard lock(mutex_);
        lengths_[handed_ % kPieces] = bytes;
        ++handed_;
        finishing_ = true;
    }
    changed_.notify_all();
    thread_.join();
    return !failed_;
}

void CWriteBehind::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return written_ < handed_ || finishing_; });
        if (written_ == handed_)
            return;  // finishing, and everything handed over is done
        const std::size_t n = written_;
        const std::size_t bytes = lengths_[n % kPieces];
        if (!failed_ && bytes != 0) {
            lock.unlock();
            const bool ok = WriteAll(fd_, Slot(n), bytes);
            lock.lock();
            if (!ok)
                failed_ = true;
        }
        ++written_;
        lock.unlock();
        changed_.notify_all();
        lock.lock();
    }
}

}  // namespace tavelin
