#pragma once
// The newest picture of the camera as JPEG, handed from the graph's streaming thread to
// the web server's viewers. Only the newest is kept: a viewer that cannot keep up takes
// whatever is newest when it is ready again, so a slow viewer never holds more than one
// picture.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tavelin {

struct JpegPicture {
    std::vector<std::uint8_t> bytes;
    std::uint64_t sequence = 0;  // 1, 2, ... as published
    std::int64_t captureNs = 0;  // CLOCK_MONOTONIC time the camera took the frame
};

class CLivePicture {
public:
    // Any thread. Gives the picture the next sequence number and calls the listener
    // (outside the lock).
    void Publish(std::vector<std::uint8_t> jpeg, std::int64_t captureNs);
    // The newest picture; null before the first.
    std::shared_ptr<const JpegPicture> Latest() const;
    // Called after each Publish, on the publishing thread; must not block.
    void SetListener(std::function<void()> listener);
    // Forgets the picture (the camera stopped feeding it): a new viewer must wait for
    // a fresh one rather than see an old one.
    void Clear();

private:
    mutable std::mutex lock_;
    std::shared_ptr<const JpegPicture> latest_;
    std::shared_ptr<std::function<void()>> listener_;
    std::uint64_t sequence_ = 0;
};

}  // namespace tavelin
