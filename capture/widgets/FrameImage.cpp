#include "capture/widgets/FrameImage.h"

#include <QPainter>
#include <QRegion>

#include "core/FrameConvert.h"

namespace tavelin {

void CFrameImage::Setup(int width, int height) {
    if (width <= 0 || height <= 0) {
        image_ = QImage();
        return;
    }
    if (image_.width() != width || image_.height() != height) {
        image_ = QImage(width, height, QImage::Format_RGB32);
    }
    image_.fill(Qt::black);
}

bool CFrameImage::Update(const std::uint8_t* frame) {
    if (frame == nullptr || image_.isNull())
        return false;
    FrameToRgb32(frame, image_.width(), image_.height(), image_.bits(),
                 static_cast<std::size_t>(image_.bytesPerLine()));
    return true;
}

void CFrameImage::Paint(QPainter& painter, const QPoint& origin, const QRect& area) const {
    const QRect picture(origin, image_.size());
    if (!image_.isNull())
        painter.drawImage(origin, image_);
    if (picture.contains(area))
        return;
    for (const QRect& r : QRegion(area) - QRegion(picture))
        painter.fillRect(r, Qt::black);
}

}  // namespace tavelin
