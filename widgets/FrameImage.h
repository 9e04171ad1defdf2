#pragma once
// The picture of a display surface. A new frame is converted straight into the
// window's backing store, the 32-bit image Qt keeps of the window anyway, so the
// picture exists once in the program instead of twice; the backing store keeps it
// for the paints that bring no frame (an uncovered window, a device lost with the
// picture standing still). Where the painter's target is no such image (a scaled
// screen, a grab into a pixmap without a frame shown) the picture goes through an
// image of its own, allocated then. Nothing is allocated per frame.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstdint>

class QPainter;
class QWidget;

namespace tavelin {

class CFrameImage {
public:
    // Frames from now on have this size; the picture is black until the first one.
    void Setup(int width, int height);
    // The frame (bottom-up BGR rows of the set-up size) the next paint shows; the
    // caller repaints at once and then sets it back to null. False for a null frame
    // or without a size.
    bool Update(const std::uint8_t* frame);

    // Paints the picture with its top-left corner at `origin` (widget coordinates)
    // and the rest of `area` black.
    void Paint(QPainter& painter, const QPoint& origin, const QRect& area);

    // A copy of the picture shown by `widget` at `origin`; null before the first frame.
    QImage Picture(const QWidget& widget, const QPoint& origin) const;

    int width() const { return width_; }
    int height() const { return height_; }
    // Whether the picture went through an image of its own (the fallback).
    bool ownImage() const { return !image_.isNull(); }

private:
    // The backing store the last frame went into, and where in it.
    struct Stored {
        const uchar* bits = nullptr;
        QSize size;
        QPoint at;
    };
    // The image `painter` writes into when a frame can be converted straight into
    // it (32-bit, unscaled, holding the whole picture at `at`); else null.
    static QImage* DirectTarget(QPainter& painter, const QRect& picture, QPoint& at);
    bool StillStored(const QImage* target, const QPoint& at) const;

    int width_ = 0;
    int height_ = 0;
    const std::uint8_t* frame_ = nullptr;
    Stored stored_;
    QImage image_;  // the fallback's picture; null while frames go straight through
};

}  // namespace tavelin
