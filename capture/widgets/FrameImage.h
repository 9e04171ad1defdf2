#pragma once
// The picture a display surface paints: one 32-bit image per shown size, refilled
// from every frame and never reallocated per frame.

#include <QImage>
#include <cstdint>

namespace tavelin {

class CFrameImage {
public:
    // Allocates the image for frames of this size and makes it black.
    void Setup(int width, int height);
    // Converts one frame (bottom-up BGR rows of the set-up size) into the image.
    bool Update(const std::uint8_t* frame);

    const QImage& image() const { return image_; }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }

private:
    QImage image_;
};

}  // namespace tavelin
