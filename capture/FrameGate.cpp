#include "capture/FrameGate.h"

#include "capture/ThreadAnnotations.h"

namespace tavelin {

CFrameGate::CFrameGate(const CGrabberCallback& callback) : callback_(callback) {}

CFrameGate::~CFrameGate() {
    MarkAcquired(this);
    if (pad_ && probeId_ != 0)
        gst_pad_remove_probe(pad_.get(), probeId_);
}

bool CFrameGate::Attach(GstPad* pad) {
    if (pad == nullptr || probeId_ != 0)
        return false;
    pad_ = Share(pad);
    MarkReleased(this);
    probeId_ =
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &CFrameGate::OnBuffer, this, nullptr);
    return probeId_ != 0;
}

GstPadProbeReturn CFrameGate::OnBuffer(GstPad*, GstPadProbeInfo*, gpointer self) {
    auto* gate = static_cast<CFrameGate*>(self);
    MarkAcquired(gate);
    const bool pass =
        gate->open_.load(std::memory_order_acquire) || gate->callback_.frameRequested();
    MarkReleased(gate);
    return pass ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
}

}  // namespace tavelin
