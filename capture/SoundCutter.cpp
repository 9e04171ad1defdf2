#include "capture/SoundCutter.h"

#include <gst/audio/audio.h>

#include <chrono>

#include "capture/ThreadAnnotations.h"

namespace tavelin {

namespace {

constexpr auto kWatched =
    static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM);

}  // namespace

CSoundCutter::~CSoundCutter() {
    Detach(picture_);
    Detach(sound_);
}

void CSoundCutter::Detach(Watch& watch) {
    MarkAcquired(&watch);  // the stopped pipeline's threads are done with it
    if (watch.pad && watch.id != 0)
        gst_pad_remove_probe(watch.pad.get(), watch.id);
    watch.pad.reset();
    watch.id = 0;
}

bool CSoundCutter::Attach(GstPad* picture, GstPad* sound) {
    if (picture == nullptr || sound == nullptr || picture_.id != 0)
        return false;
    for (Watch* watch : {&picture_, &sound_}) {
        watch->owner = this;
        gst_segment_init(&watch->segment, GST_FORMAT_TIME);
        MarkReleased(watch);
    }
    picture_.pad = Share(picture);
    sound_.pad = Share(sound);
    picture_.id =
        gst_pad_add_probe(picture, kWatched, &CSoundCutter::OnPicture, &picture_, nullptr);
    sound_.id = gst_pad_add_probe(sound, kWatched, &CSoundCutter::OnSound, &sound_, nullptr);
    return picture_.id != 0 && sound_.id != 0;
}

void CSoundCutter::Cut() {
    {
        std::lock_guard guard(lock_);
        cut_ = true;
        cutAt_ = pictureEnd_;
    }
    pictureMoved_.notify_all();
}

void CSoundCutter::NoteSegment(Watch& watch, GstPadProbeInfo* info) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (event != nullptr && GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        if (segment != nullptr && segment->format == GST_FORMAT_TIME)
            gst_segment_copy_into(segment, &watch.segment);
    }
}

bool CSoundCutter::Span(const Watch& watch, GstBuffer* buffer, GstClockTime& start,
                        GstClockTime& end) {
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    if (!GST_CLOCK_TIME_IS_VALID(pts))
        return false;
    start = gst_segment_to_running_time(&watch.segment, GST_FORMAT_TIME, pts);
    if (!GST_CLOCK_TIME_IS_VALID(start))
        return false;
    const GstClockTime duration = GST_BUFFER_DURATION(buffer);
    end = GST_CLOCK_TIME_IS_VALID(duration) ? start + duration : start;
    return true;
}

void CSoundCutter::NotePicture(GstClockTime start, GstClockTime end) {
    {
        std::lock_guard guard(lock_);
        if (!GST_CLOCK_TIME_IS_VALID(pictureStart_))
            pictureStart_ = start;
        pictureEnd_ = end;
    }
    pictureMoved_.notify_all();
}

bool CSoundCutter::PassSound(GstClockTime start, GstClockTime end, GstClockTime& leadIn) {
    std::unique_lock guard(lock_);
    // Wait for the picture to begin, then not to fall too far behind. The wait is
    // re-checked now and then, and Cut() ends it for good.
    while (!cut_ && (!GST_CLOCK_TIME_IS_VALID(pictureEnd_) || start > pictureEnd_ + kLead))
        pictureMoved_.wait_for(guard, std::chrono::milliseconds(50));
    if (cut_)
        return GST_CLOCK_TIME_IS_VALID(cutAt_) && start < cutAt_;
    if (end <= pictureStart_)
        return false;
    if (!soundBegun_) {
        soundBegun_ = true;
        if (start > pictureStart_ + kLeadInSlack && start - pictureStart_ <= kLeadInLimit)
            leadIn = start - pictureStart_;
    }
    return true;
}

GstBuffer* CSoundCutter::WithLeadIn(GstPad* pad, GstBuffer* buffer, GstClockTime leadIn) {
    GstCapsPtr caps(gst_pad_get_current_caps(pad));
    GstAudioInfo info;
    if (!caps || !gst_audio_info_from_caps(&info, caps.get()) || info.bpf <= 0 || info.rate <= 0 ||
        GST_AUDIO_INFO_LAYOUT(&info) != GST_AUDIO_LAYOUT_INTERLEAVED)
        return nullptr;
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    if (leadIn > pts)
        leadIn = pts;  // nothing before the stream's own start
    const guint64 frames = gst_util_uint64_scale_round(leadIn, info.rate, GST_SECOND);
    if (frames == 0)
        return nullptr;
    const GstClockTime shift = gst_util_uint64_scale_round(frames, GST_SECOND, info.rate);
    GstBuffer* silence = gst_buffer_new_allocate(nullptr, frames * info.bpf, nullptr);
    if (silence == nullptr)
        return nullptr;
    GstMapInfo map;
    if (!gst_buffer_map(silence, &map, GST_MAP_WRITE)) {
        gst_buffer_unref(silence);
        return nullptr;
    }
    gst_audio_format_info_fill_silence(info.finfo, map.data, map.size);
    gst_buffer_unmap(silence, &map);
    const GstClockTime duration = GST_BUFFER_DURATION(buffer);
    const guint flags = GST_BUFFER_FLAGS(buffer);
    // Both go in; the joined buffer is the silence's, with the sound's memory after it.
    GstBuffer* joined = gst_buffer_append(silence, gst_buffer_ref(buffer));
    GST_BUFFER_FLAGS(joined) = flags;
    GST_BUFFER_PTS(joined) = pts > shift ? pts - shift : 0;
    GST_BUFFER_DTS(joined) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(joined) =
        GST_CLOCK_TIME_IS_VALID(duration) ? duration + shift : GST_CLOCK_TIME_NONE;
    GST_BUFFER_OFFSET(joined) = GST_BUFFER_OFFSET_NONE;
    GST_BUFFER_OFFSET_END(joined) = GST_BUFFER_OFFSET_NONE;
    return joined;
}

GstPadProbeReturn CSoundCutter::OnPicture(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* watch = static_cast<Watch*>(data);
    MarkAcquired(watch);
    if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) != 0) {
        GstClockTime start = 0;
        GstClockTime end = 0;
        if (Span(*watch, GST_PAD_PROBE_INFO_BUFFER(info), start, end))
            watch->owner->NotePicture(start, end);
    } else {
        NoteSegment(*watch, info);
    }
    MarkReleased(watch);
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn CSoundCutter::OnSound(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* watch = static_cast<Watch*>(data);
    MarkAcquired(watch);
    GstPadProbeReturn verdict = GST_PAD_PROBE_OK;
    if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) != 0) {
        GstClockTime start = 0;
        GstClockTime end = 0;
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        GstClockTime leadIn = 0;
        if (Span(*watch, buffer, start, end)) {
            if (!watch->owner->PassSound(start, end, leadIn)) {
                verdict = GST_PAD_PROBE_DROP;
            } else if (leadIn > 0) {
                if (GstBuffer* padded = WithLeadIn(pad, buffer, leadIn)) {
                    GST_PAD_PROBE_INFO_DATA(info) = padded;
                    gst_buffer_unref(buffer);
                }
            }
        }
    } else {
        NoteSegment(*watch, info);
    }
    MarkReleased(watch);
    return verdict;
}

}  // namespace tavelin
