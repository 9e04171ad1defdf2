#pragma once
// The picture a display surface paints: one 32-bit image per shown size, refilled
// from every frame and never reallocated per frame.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstdint>

class QPainter;

namespace tavelin {

class CFrameImage {
public:
    // Allocates the image for frames of this size and makes it black.
    void Setup(int width, int height);
    // Converts one frame (bottom-up BGR rows of the set-up size) into the image.
    bool Update(const std::uint8_t* frame);

    // Paints the image with its top-left corner at `origin` and the rest of `area`
    // black, each pixel once.
    void Paint(QPainter& painter, const QPoint& origin, const QRect& area) const;

    const QImage& image() const { return image_; }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }

private:
    QImage image_;
};

}  // namespace tavelin
