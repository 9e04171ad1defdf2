#include "capture/GrabberProbe.h"

#include "capture/ThreadAnnotations.h"

namespace tavelin {

YuvFormat ConversionFormat(const GstVideoInfo& info) {
    YuvFormat format;
    // Caps without a colorimetry or a chroma site get the size's defaults from
    // GStreamer, so there always is a matrix; BT.601 stands in should one be missing.
    gdouble kr = 0;
    gdouble kb = 0;
    if (gst_video_color_matrix_get_Kr_Kb(info.colorimetry.matrix, &kr, &kb)) {
        format.matrix =
            MakeYuvMatrix(kr, kb, info.colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255);
    }
    if ((info.chroma_site & GST_VIDEO_CHROMA_SITE_H_COSITED) != 0)
        format.siting = ChromaSiting::Cosited;
    return format;
}

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
        probe->TakeCaps(caps);
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
        if (!TakeCaps(caps.get()))
            return;
    }
    const GstVideoFormat format = GST_VIDEO_INFO_FORMAT(&info_);
    if (format != GST_VIDEO_FORMAT_BGR && format != GST_VIDEO_FORMAT_YUY2)
        return;
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info_, buffer, GST_MAP_READ))
        return;
    const auto* top = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    if (format == GST_VIDEO_FORMAT_YUY2) {
        callback_.BufferYuy2CB(top, GST_VIDEO_FRAME_WIDTH(&frame), stride,
                               GST_VIDEO_FRAME_HEIGHT(&frame), yuv_);
    } else {
        callback_.BufferCB(top,
                           GST_VIDEO_FRAME_WIDTH(&frame) * GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, 0),
                           stride, GST_VIDEO_FRAME_HEIGHT(&frame));
    }
    gst_video_frame_unmap(&frame);
}

bool CGrabberProbe::TakeCaps(GstCaps* caps) {
    haveInfo_ = caps != nullptr && gst_video_info_from_caps(&info_, caps);
    if (!haveInfo_)
        return false;
    yuv_ = ConversionFormat(info_);
    return true;
}

}  // namespace tavelin
