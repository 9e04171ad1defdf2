#include "capture/PreRollRing.h"

#include <algorithm>

namespace tavelin {

namespace {

// How long after `earlier` `later` is; 0 when it is not later.
GstClockTime Since(GstClockTime later, GstClockTime earlier) {
    return later > earlier ? later - earlier : 0;
}

}  // namespace

EncodedPiece MakePiece(GstBuffer* buffer, GstClockTime start) {
    EncodedPiece piece;
    piece.buffer.reset(gst_buffer_ref(buffer));
    piece.start = start;
    const GstClockTime duration = GST_BUFFER_DURATION(buffer);
    piece.duration = GST_CLOCK_TIME_IS_VALID(duration) ? duration : 0;
    piece.bytes = gst_buffer_get_size(buffer);
    piece.key = !GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    return piece;
}

GstClockTime CPreRollRing::pictureSpan() const {
    return pictures_.empty() ? 0 : Since(pictures_.back().end(), pictures_.front().start);
}

void CPreRollRing::PushPicture(EncodedPiece piece) {
    if (!piece.buffer)
        return;
    if (piece.key)
        newestKey_ = piece.start;
    else
        deltaSeen_ = true;
    newestPictureEnd_ = piece.end();
    bytes_ += piece.bytes;
    pictures_.push_back(std::move(piece));
    peakBytes_ = std::max(peakBytes_, bytes_);
    TrimPictures();
    TrimSound();
}

void CPreRollRing::PushSound(EncodedPiece piece) {
    if (!piece.buffer)
        return;
    newestSoundEnd_ = piece.end();
    bytes_ += piece.bytes;
    sound_.push_back(std::move(piece));
    peakBytes_ = std::max(peakBytes_, bytes_);
    TrimSound();
}

void CPreRollRing::Drop(std::deque<EncodedPiece>& pieces) {
    bytes_ -= pieces.front().bytes;
    pieces.pop_front();
}

void CPreRollRing::TrimPictures() {
    // The oldest picture goes while the newer ones still cover the window without it.
    while (!pictures_.empty()) {
        const GstClockTime rest =
            pictures_.size() > 1 ? Since(newestPictureEnd_, pictures_[1].start) : 0;
        if (rest < window_)
            break;
        Drop(pictures_);
    }
    while (!pictures_.empty() && !pictures_.front().key)
        Drop(pictures_);
}

void CPreRollRing::TrimSound() {
    GstClockTime cut = 0;
    if (!pictures_.empty())
        cut = pictures_.front().start;
    else if (GST_CLOCK_TIME_IS_VALID(newestPictureEnd_))
        cut = Since(newestPictureEnd_, window_);
    // A camera that stops must not leave the sound piling up.
    if (GST_CLOCK_TIME_IS_VALID(newestSoundEnd_))
        cut = std::max(cut, Since(newestSoundEnd_, window_ + kSoundSlack));
    while (!sound_.empty() && sound_.front().end() <= cut)
        Drop(sound_);
}

bool CPreRollRing::KeyFrameWanted() {
    if (!deltaSeen_ || window_ == 0 || !GST_CLOCK_TIME_IS_VALID(newestPictureEnd_))
        return false;
    const GstClockTime spacing = std::min(kKeyFrameSpacing, window_ / 2);
    if (GST_CLOCK_TIME_IS_VALID(newestKey_) && Since(newestPictureEnd_, newestKey_) < spacing)
        return false;
    if (GST_CLOCK_TIME_IS_VALID(keyAskedAt_) && Since(newestPictureEnd_, keyAskedAt_) < spacing)
        return false;
    keyAskedAt_ = newestPictureEnd_;
    return true;
}

}  // namespace tavelin
