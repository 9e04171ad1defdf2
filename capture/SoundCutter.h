#pragma once
// Keeps a recording's sound to the span of its picture. The camera's frames and the
// microphone's sound reach the AVI muxer through queues of their own, and the muxer
// takes sound up to half a second ahead of the picture. So when the picture stops (a
// camera that hangs, the end of a recording), sound that was already taken would run
// on past the last frame in the file, and sound from before the camera's first frame
// would put the whole file out of step.
//
// One probe notes where the frames going into the file begin and end. Another, on the
// sound's way to the muxer, drops sound from before the first frame, holds back sound
// more than kLead ahead of the last frame seen, and once Cut() is called drops sound
// after the last frame. Times are compared as running time, the pipeline's one clock.
// Sound that begins after the first frame (a microphone slower to start than the
// camera) gets silence in front of it: an AVI file's sound has no start time of its
// own, so without it every later word would play ahead of its picture.

#include <gst/gst.h>

#include <condition_variable>
#include <mutex>

#include "capture/GstPtr.h"

namespace tavelin {

class CSoundCutter {
public:
    // How far the sound may run ahead of the picture before it is held back.
    static constexpr GstClockTime kLead = 100 * GST_MSECOND;
    // A later start than this is filled with silence; below it, one sound buffer's
    // length, nobody can hear the difference.
    static constexpr GstClockTime kLeadInSlack = 20 * GST_MSECOND;
    // Longer gaps are not filled (a stalled microphone, a clock jump).
    static constexpr GstClockTime kLeadInLimit = 10 * GST_SECOND;

    CSoundCutter() = default;
    ~CSoundCutter();  // only once the pipeline has stopped
    CSoundCutter(const CSoundCutter&) = delete;
    CSoundCutter& operator=(const CSoundCutter&) = delete;

    // `picture`: a pad every recorded frame passes; `sound`: a pad every piece of
    // recorded sound passes, after the queue that may hold it.
    bool Attach(GstPad* picture, GstPad* sound);
    // From now on, sound after the last frame seen goes no further, and nothing is held
    // back any more. Call before the recording is finished or its pipeline stopped.
    void Cut();

private:
    struct Watch {
        CSoundCutter* owner = nullptr;
        GstSegment segment{};  // streaming thread only
        GstPadPtr pad;
        gulong id = 0;
    };
    static GstPadProbeReturn OnPicture(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    static GstPadProbeReturn OnSound(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    // The buffer's start and end in running time; false for a buffer without a time.
    static bool Span(const Watch& watch, GstBuffer* buffer, GstClockTime& start, GstClockTime& end);
    static void NoteSegment(Watch& watch, GstPadProbeInfo* info);
    void NotePicture(GstClockTime start, GstClockTime end);
    // Whether the sound goes on; `leadIn` is set for the first piece that does when it
    // starts later than the picture: the silence it needs in front.
    bool PassSound(GstClockTime start, GstClockTime end, GstClockTime& leadIn);
    // `buffer` (raw sound in the pad's format) with `leadIn` of silence in front, as a
    // new buffer; null when the format is not known or the gap is implausibly long.
    static GstBuffer* WithLeadIn(GstPad* pad, GstBuffer* buffer, GstClockTime leadIn);
    void Detach(Watch& watch);

    Watch picture_;
    Watch sound_;
    std::mutex lock_;
    std::condition_variable pictureMoved_;
    GstClockTime pictureStart_ = GST_CLOCK_TIME_NONE;  // guarded by lock_
    GstClockTime pictureEnd_ = GST_CLOCK_TIME_NONE;    // guarded by lock_
    bool cut_ = false;                                 // guarded by lock_
    GstClockTime cutAt_ = GST_CLOCK_TIME_NONE;         // guarded by lock_
    bool soundBegun_ = false;                          // guarded by lock_
};

}  // namespace tavelin
