#include "capture/ArmedTap.h"

#include <gst/video/video.h>

#include "capture/ArmedWriter.h"
#include "capture/GraphParts.h"
#include "capture/ThreadAnnotations.h"

namespace tavelin {

CArmedTap::CArmedTap(GstClockTime window) : ring_(window) {}

CArmedTap::~CArmedTap() {
    MarkAcquired(this);  // the stopped pipeline's threads are done with us
}

bool CArmedTap::AddSink(GstBin* bin, GstElement* from, EncoderKind kind) {
    Sink& sink = kind == EncoderKind::Video ? picture_ : sound_;
    if (sink.element != nullptr)
        return false;
    GstCapsPtr accepted = CEncoderCatalog::MuxerInputCaps(kind);
    GstElementPtr made =
        MakeElement("appsink", kind == EncoderKind::Video ? "ring-picture" : "ring-sound");
    GstElement* element = made.get();
    if (element == nullptr || !accepted || !gst_bin_add(bin, element))
        return false;
    // No clock to wait for and nothing kept besides the ring. Not async: a sink linked
    // to a playing graph must not make the whole graph preroll again.
    g_object_set(element, "caps", accepted.get(), "sync", FALSE, "async", FALSE,
                 "enable-last-sample", FALSE, "emit-signals", FALSE, nullptr);
    if (!gst_element_link(from, element)) {
        gst_bin_remove(bin, element);
        return false;
    }
    sink.owner = this;
    sink.kind = kind;
    sink.element = element;
    MarkReleased(&sink);
    MarkReleased(this);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &CArmedTap::OnNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(element), &callbacks, &sink, nullptr);
    return true;
}

GstCapsPtr CArmedTap::caps(EncoderKind kind) const {
    std::lock_guard guard(lock_);
    GstCaps* caps = kind == EncoderKind::Video ? pictureCaps_.get() : soundCaps_.get();
    return GstCapsPtr(caps != nullptr ? gst_caps_ref(caps) : nullptr);
}

GstFlowReturn CArmedTap::OnNewSample(GstAppSink* appsink, gpointer data) {
    auto* sink = static_cast<Sink*>(data);
    MarkAcquired(sink);
    MarkAcquired(sink->owner);
    GstSamplePtr sample(gst_app_sink_pull_sample(appsink));
    if (sample)
        sink->owner->Take(sink->kind, sample.get());
    MarkReleased(sink->owner);
    return GST_FLOW_OK;
}

void CArmedTap::Take(EncoderKind kind, GstSample* sample) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    const GstSegment* segment = gst_sample_get_segment(sample);
    if (buffer == nullptr || segment == nullptr)
        return;
    MarkAcquired(buffer);  // it came through the output's queues
    if (!GST_BUFFER_PTS_IS_VALID(buffer))
        return;
    const GstClockTime start =
        gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    if (!GST_CLOCK_TIME_IS_VALID(start))
        return;  // outside the segment: not part of the stream
    EncodedPiece piece = MakePiece(buffer, start);
    GstCaps* caps = gst_sample_get_caps(sample);
    // Still-image formats (PNG, JPEG 2000) decode picture by picture, whatever flag an
    // encoder that never marks its pictures as key frames leaves on them.
    if (caps != nullptr && !gst_caps_is_empty(caps) &&
        g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "image/"))
        piece.key = true;
    bool askForKeyFrame = false;
    {
        std::lock_guard guard(lock_);
        GstCapsPtr& known = kind == EncoderKind::Video ? pictureCaps_ : soundCaps_;
        if (caps != nullptr && known.get() != caps) {
            known.reset(gst_caps_ref(caps));
            if (writer_ != nullptr)
                writer_->SetCaps(kind, caps);
        }
        if (kind == EncoderKind::Video) {
            if (writer_ != nullptr)
                writer_->PushPicture(piece);
            ring_.PushPicture(std::move(piece));
            askForKeyFrame = ring_.KeyFrameWanted();
        } else {
            if (writer_ != nullptr)
                writer_->PushSound(piece);
            ring_.PushSound(std::move(piece));
        }
        if (writer_ != nullptr && writer_->TakeKeyFrameWish())
            askForKeyFrame = true;
    }
    if (askForKeyFrame)
        AskForKeyFrame();
}

void CArmedTap::AskForKeyFrame() {
    if (picture_.element == nullptr)
        return;
    GstPadPtr input = GetInPin(picture_.element, 0);
    if (input) {
        gst_pad_push_event(
            input.get(), gst_video_event_new_upstream_force_key_unit(GST_CLOCK_TIME_NONE, TRUE, 0));
    }
}

void CArmedTap::SetWindow(GstClockTime window) {
    std::lock_guard guard(lock_);
    ring_.SetWindow(window);
}

void CArmedTap::StartFile(CArmedWriter& writer, bool fromRing) {
    bool askForKeyFrame = false;
    {
        std::lock_guard guard(lock_);
        if (pictureCaps_)
            writer.SetCaps(EncoderKind::Video, pictureCaps_.get());
        if (soundCaps_)
            writer.SetCaps(EncoderKind::Audio, soundCaps_.get());
        // The sound first: the writer starts the file with a picture only once it knows
        // where the sound begins. It is held until a picture starts the file, so the
        // ring's may be needed even without its pictures.
        for (const EncodedPiece& piece : ring_.sound())
            writer.PushSound(piece);
        if (fromRing) {
            for (const EncodedPiece& piece : ring_.pictures())
                writer.PushPicture(piece);
        }
        writer_ = &writer;
        askForKeyFrame = writer.waitingForKeyFrame();
        (void)writer.TakeKeyFrameWish();
    }
    // An empty ring (no seconds before) and an encoder that rarely sends key frames: the
    // file would otherwise wait for the next one.
    if (askForKeyFrame)
        AskForKeyFrame();
}

void CArmedTap::StopFile() {
    std::lock_guard guard(lock_);
    if (writer_ != nullptr)
        writer_->EndInput();
    writer_ = nullptr;
}

RingFigures CArmedTap::figures() const {
    std::lock_guard guard(lock_);
    return {ring_.bytes(), ring_.peakBytes(), ring_.pictures().size(), ring_.pictureSpan()};
}

}  // namespace tavelin
