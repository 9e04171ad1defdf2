#pragma once
// Where a frame tap's samples go: the receiver's function, called under a lock so that
// once Stop() has returned it is never called again. Shared by the tap and the appsinks
// of its elements, which may outlive it for a moment while they are being unlinked.

#include <gst/gst.h>

#include <cstdint>
#include <functional>
#include <mutex>

namespace tavelin {

// A sample and the CLOCK_MONOTONIC time (ns) the camera took its frame.
using FrameTapFn = std::function<void(GstSample* sample, std::int64_t captureNs)>;

class CTapDelivery {
public:
    explicit CTapDelivery(FrameTapFn deliver) : deliver_(std::move(deliver)) {}
    CTapDelivery(const CTapDelivery&) = delete;
    CTapDelivery& operator=(const CTapDelivery&) = delete;

    // On a streaming thread.
    void Deliver(GstSample* sample, std::int64_t captureNs) {
        std::lock_guard guard(lock_);
        if (deliver_)
            deliver_(sample, captureNs);
    }
    // Waits for a delivery under way, if any; the receiver is let go outside the lock.
    void Stop() {
        FrameTapFn gone;
        std::lock_guard guard(lock_);
        gone.swap(deliver_);
    }

private:
    std::mutex lock_;
    FrameTapFn deliver_;  // guarded by lock_
};

}  // namespace tavelin
