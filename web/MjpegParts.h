#pragma once
// One viewer's side of the MJPEG stream: the part being sent (its header, the JPEG, the
// line after it) and where it stands. It holds the one picture it is sending and lets it
// go when the part is out, so a viewer never holds more than that picture.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "web/LivePicture.h"

namespace tavelin {

class CMjpegParts {
public:
    static constexpr char kBoundary[] = "tavelin-frame";

    // The value of the response's Content-Type.
    static std::string ContentType();

    // Whether the current part has gone out entirely (also before the first).
    bool idle() const { return !picture_; }
    // The newest picture the viewer has taken; 0 before the first.
    std::uint64_t lastSequence() const { return lastSequence_; }
    // Pictures that came and went while this viewer was busy.
    std::uint64_t skipped() const { return skipped_; }

    // Starts a part with `picture` (not null).
    void Begin(std::shared_ptr<const JpegPicture> picture);
    // Copies up to `max` bytes of the current part to `out`; returns how many.
    std::size_t Fill(char* out, std::size_t max);

private:
    std::shared_ptr<const JpegPicture> picture_;
    std::string head_;
    std::size_t offset_ = 0;  // in head_ + JPEG + "\r\n"
    std::uint64_t lastSequence_ = 0;
    std::uint64_t skipped_ = 0;
};

}  // namespace tavelin
