#include "web/MjpegParts.h"

#include <algorithm>
#include <cstring>

namespace tavelin {
namespace {
constexpr char kPartEnd[] = "\r\n";
constexpr std::size_t kPartEndSize = sizeof kPartEnd - 1;
}  // namespace

std::string CMjpegParts::ContentType() {
    return std::string("multipart/x-mixed-replace; boundary=") + kBoundary;
}

void CMjpegParts::Begin(std::shared_ptr<const JpegPicture> picture) {
    if (lastSequence_ != 0 && picture->sequence > lastSequence_ + 1)
        skipped_ += picture->sequence - lastSequence_ - 1;
    lastSequence_ = picture->sequence;
    head_ = std::string("--") + kBoundary + "\r\nContent-Type: image/jpeg\r\nContent-Length: " +
            std::to_string(picture->bytes.size()) +
            "\r\nX-Capture-Monotonic-Ns: " + std::to_string(picture->captureNs) + "\r\n\r\n";
    offset_ = 0;
    picture_ = std::move(picture);
}

std::size_t CMjpegParts::Fill(char* out, std::size_t max) {
    if (!picture_)
        return 0;
    const std::size_t jpegSize = picture_->bytes.size();
    std::size_t done = 0;
    auto copy = [&](const char* from, std::size_t size, std::size_t start) {
        // `start`: where this piece begins in the part.
        if (offset_ < start || offset_ >= start + size || done == max)
            return;
        const std::size_t n = std::min(size - (offset_ - start), max - done);
        std::memcpy(out + done, from + (offset_ - start), n);
        done += n;
        offset_ += n;
    };
    copy(head_.data(), head_.size(), 0);
    copy(reinterpret_cast<const char*>(picture_->bytes.data()), jpegSize, head_.size());
    copy(kPartEnd, kPartEndSize, head_.size() + jpegSize);
    if (offset_ == head_.size() + jpegSize + kPartEndSize)
        picture_.reset();
    return done;
}

}  // namespace tavelin
