#pragma once
// The grabber: a probe on the pad that carries the frames at the requested size,
// BGR or the camera's own YUY2 (converted to BGR as it is copied). A probe rather than an appsink,
// because the frames must also go on to the encoder in a recording: the probe looks at each buffer
// as it passes and costs one flag test when nobody asked for a frame; an appsink would end the
// stream there and need a tee to let it go on.

#include <gst/gst.h>
#include <gst/video/video.h>

#include "capture/GrabberCallback.h"
#include "capture/GstPtr.h"

namespace tavelin {

// How videoconvert reads the colours of YUY2 frames of this layout.
YuvFormat ConversionFormat(const GstVideoInfo& info);

class CGrabberProbe {
public:
    explicit CGrabberProbe(CGrabberCallback& callback);
    ~CGrabberProbe();  // only once the pipeline has stopped
    CGrabberProbe(const CGrabberProbe&) = delete;
    CGrabberProbe& operator=(const CGrabberProbe&) = delete;

    bool Attach(GstPad* pad);

private:
    static GstPadProbeReturn OnData(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    void OnBuffer(GstPad* pad, GstBuffer* buffer);
    bool TakeCaps(GstCaps* caps);

    CGrabberCallback& callback_;
    GstPadPtr pad_;
    gulong probeId_ = 0;
    // Streaming thread only: the layout of the frames, from the caps event.
    GstVideoInfo info_{};
    YuvFormat yuv_;
    bool haveInfo_ = false;
};

}  // namespace tavelin
