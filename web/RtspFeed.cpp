#include "web/RtspFeed.h"

#include <gst/app/gstappsrc.h>

#include <algorithm>
#include <chrono>

namespace tavelin {

namespace {

std::int64_t MonotonicNowNs() {
    // steady_clock is CLOCK_MONOTONIC, the clock the capture times are taken on.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The appsrc's running time when the frame taken at `captureNs` was captured; 0 while
// the media has no clock yet (the frame waits in the appsrc until it plays).
GstClockTime RunningTimeAt(GstElement* appsrc, std::int64_t captureNs) {
    GstClockPtr clock(gst_element_get_clock(appsrc));
    if (!clock)
        return 0;
    const GstClockTime now = gst_clock_get_time(clock.get());
    const GstClockTime base = gst_element_get_base_time(appsrc);
    if (now <= base)
        return 0;
    const GstClockTime running = now - base;
    const auto age =
        static_cast<GstClockTime>(std::max<std::int64_t>(0, MonotonicNowNs() - captureNs));
    return running > age ? running - age : 0;
}

void SetCapsOnChange(GstAppSrc* appsrc, GstCaps* caps) {
    if (caps == nullptr)
        return;
    GstCapsPtr current(gst_app_src_get_caps(appsrc));
    if (!current || !gst_caps_is_equal(current.get(), caps))
        gst_app_src_set_caps(appsrc, caps);
}

}  // namespace

bool CRtspFeed::Attach(GstRTSPMedia* media, GstElement* appsrc) {
    std::lock_guard hold(lock_);
    Target target;
    target.media = ShareObject(media);
    target.appsrc = Share(appsrc);
    targets_.push_back(std::move(target));
    return targets_.size() == 1;
}

bool CRtspFeed::Detach(GstRTSPMedia* media) {
    std::lock_guard hold(lock_);
    const auto found = std::find_if(targets_.begin(), targets_.end(),
                                    [&](const Target& t) { return t.media.get() == media; });
    if (found == targets_.end())
        return false;
    targets_.erase(found);
    return targets_.empty();
}

void CRtspFeed::Prepared(GstRTSPMedia* media) {
    std::lock_guard hold(lock_);
    for (Target& target : targets_) {
        if (target.media.get() == media)
            target.prepared = true;
    }
}

void CRtspFeed::FailWaiting(const char* why) {
    std::lock_guard hold(lock_);
    for (const Target& target : targets_) {
        if (target.prepared)
            continue;
        // The media's own bus watch sees the error and gives up at once.
        GErrorPtr error(g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_FAILED, why));
        gst_element_post_message(
            target.appsrc.get(),
            gst_message_new_error(GST_OBJECT(target.appsrc.get()), error.get(), nullptr));
    }
}

std::vector<GObjectPtr<GstRTSPMedia>> CRtspFeed::DetachAll() {
    std::lock_guard hold(lock_);
    std::vector<GObjectPtr<GstRTSPMedia>> medias;
    for (Target& target : targets_)
        medias.push_back(std::move(target.media));
    targets_.clear();
    return medias;
}

std::size_t CRtspFeed::size() const {
    std::lock_guard hold(lock_);
    return targets_.size();
}

void CRtspFeed::Push(GstSample* sample, std::int64_t captureNs) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (buffer == nullptr)
        return;
    struct Send {
        GstElementPtr appsrc;
        GstClockTime pts;
    };
    std::vector<Send> sends;
    {
        std::lock_guard hold(lock_);
        for (Target& target : targets_) {
            if (!target.started) {
                target.started = true;
                target.firstCaptureNs = captureNs;
                target.firstRunning = RunningTimeAt(target.appsrc.get(), captureNs);
            }
            // The spacing of the capture times, so the clients play at the camera's pace
            // whatever the encoder's delay.
            if (captureNs < target.firstCaptureNs)
                continue;
            const auto since = static_cast<GstClockTime>(captureNs - target.firstCaptureNs);
            sends.push_back({Share(target.appsrc.get()), target.firstRunning + since});
        }
    }
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    const GstClockTime dts = GST_BUFFER_DTS(buffer);
    // An encoder that reorders frames decodes some before they are shown: keep that gap.
    const GstClockTime reorder =
        GST_CLOCK_TIME_IS_VALID(pts) && GST_CLOCK_TIME_IS_VALID(dts) && dts < pts ? pts - dts : 0;
    for (Send& send : sends) {
        // A new buffer around the same memory: the tap's buffer is shared and keeps its times.
        GstBuffer* copy = gst_buffer_copy(buffer);
        GST_BUFFER_PTS(copy) = send.pts;
        GST_BUFFER_DTS(copy) = send.pts > reorder ? send.pts - reorder : 0;
        auto* appsrc = GST_APP_SRC(send.appsrc.get());
        SetCapsOnChange(appsrc, gst_sample_get_caps(sample));
        // Takes the buffer; only fails when the media is shutting down.
        gst_app_src_push_buffer(appsrc, copy);
    }
}

}  // namespace tavelin
