#include "widgets/FrameImage.h"

#include <QBackingStore>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QWidget>

#include "core/FrameConvert.h"

namespace tavelin {

namespace {

bool Is32Bit(const QImage& image) {
    const QImage::Format f = image.format();
    // 0xFFRRGGBB words are the same opaque pixels in each of these.
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
           f == QImage::Format_ARGB32_Premultiplied;
}

// The window's backing store image `widget` is drawn into, when it is one.
QImage* BackingImage(const QWidget& widget) {
    QBackingStore* store = widget.backingStore();
    QPaintDevice* device = store != nullptr ? store->paintDevice() : nullptr;
    return device != nullptr && device->devType() == QInternal::Image ? static_cast<QImage*>(device)
                                                                      : nullptr;
}

}  // namespace

void CFrameImage::Setup(int width, int height) {
    const bool valid = width > 0 && height > 0;
    width_ = valid ? width : 0;
    height_ = valid ? height : 0;
    frame_ = nullptr;
    stored_ = {};
    image_ = QImage();
}

bool CFrameImage::Update(const std::uint8_t* frame) {
    frame_ = width_ > 0 ? frame : nullptr;
    return frame_ != nullptr;
}

QImage* CFrameImage::DirectTarget(QPainter& painter, const QRect& picture, QPoint& at) {
    // Only the window's own backing store, painted by the widget itself at 1:1.
    QPaintDevice* device = painter.device();
    QPaintEngine* engine = painter.paintEngine();
    if (device == nullptr || device->devType() != QInternal::Widget || engine == nullptr)
        return nullptr;
    const auto* widget = static_cast<const QWidget*>(device);
    QImage* image = BackingImage(*widget);
    if (image == nullptr || engine->paintDevice() != image || !Is32Bit(*image) ||
        image->devicePixelRatio() != 1.0 ||
        painter.deviceTransform().type() > QTransform::TxTranslate) {
        return nullptr;
    }
    at = widget->mapTo(widget->window(), picture.topLeft());
    if (painter.deviceTransform().map(QPointF(picture.topLeft())) != QPointF(at) ||
        !image->rect().contains(QRect(at, picture.size()))) {
        return nullptr;
    }
    return image;
}

bool CFrameImage::StillStored(const QImage* target, const QPoint& at) const {
    return target != nullptr && stored_.bits != nullptr && target->constBits() == stored_.bits &&
           target->size() == stored_.size && at == stored_.at;
}

void CFrameImage::Paint(QPainter& painter, const QPoint& origin, const QRect& area) {
    const QRect picture(origin, QSize(width_, height_));
    if (!picture.isEmpty()) {
        QPoint at;
        QImage* target = DirectTarget(painter, picture, at);
        if (frame_ != nullptr && target != nullptr) {
            const auto stride = static_cast<std::size_t>(target->bytesPerLine());
            std::uint8_t* corner = target->bits() + static_cast<std::size_t>(at.y()) * stride +
                                   static_cast<std::size_t>(at.x()) * 4;
            FrameToRgb32(frame_, width_, height_, corner, stride);
            stored_ = {target->constBits(), target->size(), at};
            image_ = QImage();  // the backing store holds the picture from now on
        } else if (frame_ != nullptr) {
            if (image_.isNull())
                image_ = QImage(width_, height_, QImage::Format_RGB32);
            FrameToRgb32(frame_, width_, height_, image_.bits(),
                         static_cast<std::size_t>(image_.bytesPerLine()));
            stored_ = {};
            painter.drawImage(origin, image_);
        } else if (!image_.isNull()) {
            painter.drawImage(origin, image_);
        } else if (StillStored(target, at)) {
            // Nothing to do: the picture is still where the last frame put it.
        } else if (const QImage* store =
                       painter.device()->devType() == QInternal::Widget
                           ? BackingImage(*static_cast<QWidget*>(painter.device()))
                           : nullptr;
                   StillStored(store, stored_.at)) {
            // Painting somewhere else (a grab): the picture comes from the backing store.
            painter.drawImage(origin, *store, QRect(stored_.at, picture.size()));
        } else {
            painter.fillRect(picture, Qt::black);
        }
    }
    if (picture.contains(area))
        return;
    for (const QRect& r : QRegion(area) - QRegion(picture))
        painter.fillRect(r, Qt::black);
}

QImage CFrameImage::Picture(const QWidget& widget, const QPoint& origin) const {
    if (!image_.isNull())
        return image_;
    const QImage* store = BackingImage(widget);
    if (width_ <= 0 || !StillStored(store, widget.mapTo(widget.window(), origin)))
        return QImage();
    return store->copy(QRect(stored_.at, QSize(width_, height_)));
}

}  // namespace tavelin
