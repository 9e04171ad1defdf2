#pragma once
// Where the RTSP share's frames go: the appsrc of each prepared media (one while clients
// share a stream; briefly two when a new one starts as the old one ends). Frames from the
// live graph's tap are pushed to every one, timed from their capture. Thread-safe: the
// RTSP thread attaches and detaches, the tap's thread pushes.

#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "capture/GstPtr.h"
#include "web/GObjectPtr.h"

namespace tavelin {

class CRtspFeed {
public:
    // True when this is the first media (frames are now wanted).
    bool Attach(GstRTSPMedia* media, GstElement* appsrc);
    // True when `media` was the last one (frames are no longer wanted).
    bool Detach(GstRTSPMedia* media);
    // `media` has had its first frames and plays.
    void Prepared(GstRTSPMedia* media);
    // Fails the media still waiting for their first frames with `why`, so that nobody
    // waits for them any more (the library waits up to 20 seconds for a first frame).
    void FailWaiting(const char* why);
    // Forgets every media and hands them back (one reference each) for their signals to be
    // disconnected.
    std::vector<GObjectPtr<GstRTSPMedia>> DetachAll();
    std::size_t size() const;

    // Never blocks: each appsrc drops its oldest frames when it is full.
    void Push(GstSample* sample, std::int64_t captureNs);

private:
    struct Target {
        GObjectPtr<GstRTSPMedia> media;
        GstElementPtr appsrc;
        bool prepared = false;
        bool started = false;
        std::int64_t firstCaptureNs = 0;
        GstClockTime firstRunning = 0;  // the appsrc's running time at that capture
    };
    mutable std::mutex lock_;
    std::vector<Target> targets_;
};

}  // namespace tavelin
