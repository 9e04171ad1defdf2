#include "widgets/PictureStatic.h"

#include <QPainter>

namespace tavelin {

namespace {
// The area is 6 pixels larger than the picture: a 3-pixel black border all round.
constexpr int kBorder = 3;
}  // namespace

CPictureStatic::CPictureStatic(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPictureStatic::SetupPicture(int width, int height) {
    frameWidth_ = width;
    frameHeight_ = height;
    image_.Setup(width, height);
    update();
}

int CPictureStatic::DrawFrame(const std::uint8_t* bits) {
    if (bits == nullptr || frameWidth_ <= 0 || frameHeight_ <= 0)
        return 0;
    if (isVisible() && image_.Update(bits)) {
        repaint();
        image_.Update(nullptr);
    }
    return 1;
}

QImage CPictureStatic::picture() const {
    return image_.Picture(*this, QPoint(kBorder, kBorder));
}

void CPictureStatic::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    image_.Paint(painter, QPoint(kBorder, kBorder), rect());
}

}  // namespace tavelin
