#include "FrameImage.h"

#include "FrameConvert.h"

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

}  // namespace tavelin
