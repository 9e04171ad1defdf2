#include "capture/GrabberProbe.h"

#include "capture/ThreadAnnotations.h"

namespace tavelin {

CGrabberProbe::CGrabberProbe(CGrabberCallback& callback) : callback_(callback) {
    gst_video_info_init(&info_);
}

CGrabberProbe::~CGrabberProbe() {
    MarkAcquired(this);  // the stopped pipeline's threads are done with us
    if (pad_ && probeId_ != 0)
        gst_pad_remove_probe(pad_.get(), probeId_);
}

bool CGrabberProbe::Attach(GstPad* pad) {
    if (pad == nullptr || probeId_ != 0)
        return false;
    pad_ = Share(pad);
    probeId_ = gst_pad_add_probe(pad,
                                 static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                              GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                                 &CGrabberProbe::OnData, this, nullptr);
    MarkReleased(this);
    return probeId_ != 0;
}

GstPadProbeReturn CGrabberProbe::OnData(GstPad* pad, GstPadProbeInfo* info, gpointer self) {
    auto* probe = static_cast<CGrabberProbe*>(self);
    MarkAcquired(probe);
    if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) != 0) {
        probe->OnBuffer(pad, GST_PAD_PROBE_INFO_BUFFER(info));
    } else if (GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
               event != nullptr && GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        probe->haveInfo_ = caps != nullptr && gst_video_info_from_caps(&probe->info_, caps);
    }
    MarkReleased(probe);
    return GST_PAD_PROBE_OK;
}

void CGrabberProbe::OnBuffer(GstPad* pad, GstBuffer* buffer) {
    // Every frame passes here; only a requested one costs more than this test.
    if (!callback_.frameRequested())
        return;
    if (!haveInfo_) {
        GstCapsPtr caps(gst_pad_get_current_caps(pad));
        haveInfo_ = caps && gst_video_info_from_caps(&info_, caps.get());
        if (!haveInfo_)
            return;
    }
    if (GST_VIDEO_INFO_FORMAT(&info_) != GST_VIDEO_FORMAT_BGR)
        return;
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info_, buffer, GST_MAP_READ))
        return;
    callback_.BufferCB(static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                       GST_VIDEO_FRAME_WIDTH(&frame) * GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, 0),
                       GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), GST_VIDEO_FRAME_HEIGHT(&frame));
    gst_video_frame_unmap(&frame);
}

}  // namespace tavelin
