#pragma once
// The seconds before motion: the armed graph's encoded pictures (and sound) of the last
// few seconds, held as references to the encoders' own buffers, nothing copied and
// nothing raw. Times are running times of the armed graph, the one clock both streams
// share.
//
// Bounds, after every push:
//  - the pictures cover the window: the shortest run of newest pictures that spans at
//    least `window` (so never more than the window plus one picture), and
//  - they start at a key frame: a file can only begin with a picture that decodes on its
//    own, so older pictures before the first key frame go (for Motion JPEG every picture
//    is one);
//  - the sound reaches back no further than the first picture; without pictures (a
//    window of 0) no further than the window before the newest one.
// Encoders that code pictures against earlier ones send key frames rarely; KeyFrameWanted()
// says when to ask for one, so the run that starts at a key frame stays close to the window.

#include <gst/gst.h>

#include <cstddef>
#include <deque>

#include "capture/GstPtr.h"

namespace tavelin {

// One encoded picture or piece of sound.
struct EncodedPiece {
    GstBufferPtr buffer;
    GstClockTime start = 0;     // running time
    GstClockTime duration = 0;  // 0 when the encoder did not say
    std::size_t bytes = 0;
    bool key = true;  // decodes without earlier pieces

    GstClockTime end() const { return start + duration; }
};

// A piece for `buffer` (a reference of its own is taken) starting at `start`.
EncodedPiece MakePiece(GstBuffer* buffer, GstClockTime start);

class CPreRollRing {
public:
    // The longest a key frame is waited for: a new one is asked for once the newest is
    // this old (or half the window, when that is shorter).
    static constexpr GstClockTime kKeyFrameSpacing = GST_SECOND;
    // Sound older than the window by more than this goes even while no picture comes.
    static constexpr GstClockTime kSoundSlack = GST_SECOND;

    explicit CPreRollRing(GstClockTime window) : window_(window) {}

    void PushPicture(EncodedPiece piece);
    void PushSound(EncodedPiece piece);

    const std::deque<EncodedPiece>& pictures() const { return pictures_; }
    const std::deque<EncodedPiece>& sound() const { return sound_; }
    GstClockTime window() const { return window_; }
    // A new window; the pieces beyond it go with the next push.
    void SetWindow(GstClockTime window) { window_ = window; }
    // From the first picture's start to the last one's end; 0 when empty.
    GstClockTime pictureSpan() const;
    // Encoded bytes held now, and the most ever held (pictures and sound), counted just
    // after a push and before the oldest pieces went.
    std::size_t bytes() const { return bytes_; }
    std::size_t peakBytes() const { return peakBytes_; }

    // True, once per spacing, when the encoder should be asked for a key frame: pictures
    // that need earlier ones have come, and the newest key frame is getting old.
    bool KeyFrameWanted();

private:
    void TrimPictures();
    void TrimSound();
    void Drop(std::deque<EncodedPiece>& pieces);

    GstClockTime window_;
    std::deque<EncodedPiece> pictures_;
    std::deque<EncodedPiece> sound_;
    std::size_t bytes_ = 0;
    std::size_t peakBytes_ = 0;
    GstClockTime newestPictureEnd_ = GST_CLOCK_TIME_NONE;
    GstClockTime newestSoundEnd_ = GST_CLOCK_TIME_NONE;
    GstClockTime newestKey_ = GST_CLOCK_TIME_NONE;
    GstClockTime keyAskedAt_ = GST_CLOCK_TIME_NONE;
    bool deltaSeen_ = false;
};

}  // namespace tavelin
