#pragma once
// The single-slot frame hand-off between the main thread and the streaming thread.
//
// The main thread asks for a frame and waits; the streaming thread copies the next
// sample into the frame buffer, clears the request and wakes the waiter. The test of
// the request, the copy and the clearing happen under one mutex, and so does the
// waiter giving up: a copy can never overlap the main thread's use of the buffer.
// While no request is pending the buffer belongs to the main thread alone.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "core/YuvConvert.h"

namespace tavelin {

class CGrabberCallback {
public:
    // Returns a buffer of the given size, or null when memory is short.
    using Allocator = std::unique_ptr<std::uint8_t[]> (*)(std::size_t bytes);
    static std::unique_ptr<std::uint8_t[]> DefaultAllocate(std::size_t bytes);

    enum class Result {
        Copied,
        NotRequested,  // the sample was dropped: nobody asked for it
        NullBuffer,    // the request stays pending
        BadSample,     // empty or impossible geometry; the request stays pending
        OutOfMemory,   // the request stays pending, the old buffer is kept
    };

    explicit CGrabberCallback(Allocator allocate = &DefaultAllocate);
    CGrabberCallback(const CGrabberCallback&) = delete;
    CGrabberCallback& operator=(const CGrabberCallback&) = delete;

    // Streaming thread. One sample of `rows` rows of `rowBytes` bytes each, the top
    // row at `topRow` and the next `stride` bytes further on. Stored bottom-up and
    // packed; the buffer only grows, so a shorter sample leaves the bytes after it.
    Result BufferCB(const std::uint8_t* topRow, std::int32_t rowBytes, std::int32_t stride,
                    std::int32_t rows);

    // Streaming thread. The same for a YUY2 sample of `width` x `rows` pixels, which
    // the frame buffer gets as BGR (3 * width bytes a row) converted as `format` says;
    // only a requested sample costs the conversion.
    Result BufferYuy2CB(const std::uint8_t* topRow, std::int32_t width, std::int32_t stride,
                        std::int32_t rows, const YuvFormat& format);

    // Cheap test for the streaming thread: is anyone waiting for a frame?
    bool frameRequested() const { return requested_.load(std::memory_order_acquire); }

    // Main thread. Requests the next frame and waits for it; true when `limit`
    // passed without one (the request is then withdrawn).
    bool WaitForFrame(std::chrono::milliseconds limit);

    // Main thread, without waiting: asks for the next frame; it has come once
    // frameRequested() turns false.
    void Request();
    // Main thread: takes a request back under the lock a copy needs, so no copy runs
    // or starts afterwards; true when it was still pending (no frame came).
    bool Withdraw();
    // Main thread: waits until the requested frame has come or `deadline`; true when it came.
    bool AwaitCopy(std::chrono::steady_clock::time_point deadline);

    // Main thread, only when no streaming thread can call BufferCB any more:
    // frees the buffer and clears every flag.
    void Release();

    std::uint8_t* frame() { return frame_.get(); }
    const std::uint8_t* frame() const { return frame_.get(); }
    std::int32_t frameCapacity() const { return capacity_; }
    std::int32_t sampleBytes() const { return sampleBytes_; }
    bool timedOut() const { return timedOut_; }

private:
    // The request test, the checks and the buffer for a sample that becomes `rowBytes`
    // x `rows` frame bytes; `store` fills the buffer.
    template <class Store>
    Result Deliver(const std::uint8_t* topRow, std::int64_t rowBytes, std::int64_t sourceBytes,
                   std::int32_t stride, std::int32_t rows, Store store);

    const Allocator allocate_;
    mutable std::mutex mutex_;
    std::condition_variable copied_;
    std::atomic<bool> requested_{false};
    bool timedOut_ = false;
    std::unique_ptr<std::uint8_t[]> frame_;
    std::int32_t capacity_ = 0;
    std::int32_t sampleBytes_ = 0;
};

}  // namespace tavelin
