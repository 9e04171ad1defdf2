#pragma once
// While no encoding output is linked, frames nobody asked for are dropped where they
// leave the camera, so they cost one flag test instead of a decode, a conversion and a
// scaling each. The gate stays open until the pipeline is playing (the sink must see a
// frame to get there) and is then closed: from then on only a frame that arrives while
// a request is pending goes on to the grabber. It is open again while the encoding
// output or a frame tap is linked, which take every frame.

#include <gst/gst.h>

#include <atomic>

#include "capture/GrabberCallback.h"
#include "capture/GstPtr.h"

namespace tavelin {

class CFrameGate {
public:
    explicit CFrameGate(const CGrabberCallback& callback);
    ~CFrameGate();  // only once the pipeline has stopped
    CFrameGate(const CFrameGate&) = delete;
    CFrameGate& operator=(const CFrameGate&) = delete;

    bool Attach(GstPad* pad);
    void Open() { open_.store(true, std::memory_order_release); }
    void Close() { open_.store(false, std::memory_order_release); }

private:
    static GstPadProbeReturn OnBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self);

    const CGrabberCallback& callback_;
    std::atomic<bool> open_{true};
    GstPadPtr pad_;
    gulong probeId_ = 0;
};

}  // namespace tavelin
