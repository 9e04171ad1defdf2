#include "capture/GrabberCallback.h"

#include <limits>
#include <new>

#include "capture/FrameCopy.h"

namespace tavelin {

std::unique_ptr<std::uint8_t[]> CGrabberCallback::DefaultAllocate(std::size_t bytes) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes]);
}

CGrabberCallback::CGrabberCallback(Allocator allocate) : allocate_(allocate) {}

template <class Store>
CGrabberCallback::Result CGrabberCallback::Deliver(const std::uint8_t* topRow,
                                                   std::int64_t rowBytes, std::int64_t sourceBytes,
                                                   std::int32_t stride, std::int32_t rows,
                                                   Store store) {
    if (topRow == nullptr)
        return Result::NullBuffer;
    // Samples nobody asked for cost this one test.
    if (!requested_.load(std::memory_order_acquire))
        return Result::NotRequested;

    std::lock_guard lock(mutex_);
    if (!requested_.load(std::memory_order_relaxed))
        return Result::NotRequested;
    const std::int64_t length = rowBytes * rows;
    if (rowBytes <= 0 || rows <= 0 || stride < sourceBytes ||
        length > std::numeric_limits<std::int32_t>::max()) {
        return Result::BadSample;
    }
    if (capacity_ < length) {
        // Allocate before letting go of the old buffer: when memory is short the
        // previous frame stays readable and the request stays pending.
        std::unique_ptr<std::uint8_t[]> bigger = allocate_(static_cast<std::size_t>(length));
        if (!bigger)
            return Result::OutOfMemory;
        frame_ = std::move(bigger);
        capacity_ = static_cast<std::int32_t>(length);
    }
    store(frame_.get());
    sampleBytes_ = static_cast<std::int32_t>(length);
    requested_.store(false, std::memory_order_release);
    copied_.notify_one();
    return Result::Copied;
}

CGrabberCallback::Result CGrabberCallback::BufferCB(const std::uint8_t* topRow,
                                                    std::int32_t rowBytes, std::int32_t stride,
                                                    std::int32_t rows) {
    return Deliver(topRow, rowBytes, rowBytes, stride, rows, [&](std::uint8_t* frame) {
        CopyRowsFlipped(frame, topRow, static_cast<std::size_t>(rowBytes),
                        static_cast<std::size_t>(stride), static_cast<std::size_t>(rows));
    });
}

CGrabberCallback::Result CGrabberCallback::BufferYuy2CB(const std::uint8_t* topRow,
                                                        std::int32_t width, std::int32_t stride,
                                                        std::int32_t rows,
                                                        const YuvFormat& format) {
    const std::int64_t sourceBytes = width > 0 ? static_cast<std::int64_t>(Yuy2RowBytes(width)) : 0;
    return Deliver(
        topRow, std::int64_t{3} * width, sourceBytes, stride, rows, [&](std::uint8_t* frame) {
            Yuy2ToBgrFlipped(frame, topRow, width, static_cast<std::size_t>(stride), rows, format);
        });
}

bool CGrabberCallback::WaitForFrame(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    requested_.store(true, std::memory_order_release);
    timedOut_ = false;
    if (!copied_.wait_for(lock, limit, [this] { return !requested_.load(); })) {
        // Withdrawn under the same lock a copy needs: no copy can start after this.
        requested_.store(false, std::memory_order_release);
        timedOut_ = true;
    }
    return timedOut_;
}

void CGrabberCallback::Request() {
    std::lock_guard lock(mutex_);
    timedOut_ = false;
    requested_.store(true, std::memory_order_release);
}

bool CGrabberCallback::Withdraw() {
    std::lock_guard lock(mutex_);
    const bool pending = requested_.load(std::memory_order_relaxed);
    requested_.store(false, std::memory_order_release);
    return pending;
}

bool CGrabberCallback::AwaitCopy(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    return copied_.wait_until(lock, deadline, [this] { return !requested_.load(); });
}

void CGrabberCallback::Release() {
    std::lock_guard lock(mutex_);
    requested_.store(false, std::memory_order_release);
    timedOut_ = false;
    frame_.reset();
    capacity_ = 0;
    sampleBytes_ = 0;
}

}  // namespace tavelin
