#include "widgets/PreviewWindow.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "core/Messages.h"
#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "resources/Resources.h"

namespace tavelin {

CPreviewWindow::CPreviewWindow(QWidget* owner, bool& lastMinimised, bool systemMove)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      lastMinimised_(lastMinimised),
      systemMove_(systemMove) {
    setWindowTitle(QString::fromLatin1(msg::kCaption));
    setWindowIcon(AppIcon());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void CPreviewWindow::SetupDrawing(int width, int height) {
    frameWidth_ = width;
    frameHeight_ = height;
    image_.Setup(width, height);
    update();
}

int CPreviewWindow::DrawFrame(const std::uint8_t* bits) {
    if (bits == nullptr || frameWidth_ <= 0 || frameHeight_ <= 0)
        return 0;
    // A hidden window keeps the picture it had; it shows the next frame once back.
    if (isVisible() && image_.Update(bits)) {
        repaint(0, 0, image_.width(), image_.height());
        image_.Update(nullptr);
    }
    return 1;
}

QImage CPreviewWindow::picture() const {
    return image_.Picture(*this, QPoint(0, 0));
}

void CPreviewWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    image_.Paint(painter, QPoint(0, 0), rect());
}

void CPreviewWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (systemMove_ && windowHandle() != nullptr && windowHandle()->startSystemMove())
            return;
        dragStart_ = event->position().toPoint();
        dragging_ = true;
    }
    QWidget::mousePressEvent(event);
}

void CPreviewWindow::mouseMoveEvent(QMouseEvent* event) {
    // The grabbed point stays under the pointer.
    if (dragging_)
        move(pos() + event->position().toPoint() - dragStart_);
    QWidget::mouseMoveEvent(event);
}

void CPreviewWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton)
        dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

void CPreviewWindow::closeEvent(QCloseEvent* event) {
    dragging_ = false;
    event->ignore();  // the main window ends the application and destroys this window
    emit closeRequested();
}

void CPreviewWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    if (isMinimized()) {
        lastMinimised_ = true;
    } else if (lastMinimised_) {
        FitToPicture();
        lastMinimised_ = false;
    }
}

void CPreviewWindow::FitToPicture() {
    if (frameWidth_ <= 0 || frameHeight_ <= 0)
        return;
    const QRect outer = frameGeometry();
    QPoint topLeft = outer.topLeft();
    if (topLeft.x() < 0)
        topLeft.setX(0);
    setFixedSize(frameWidth_, frameHeight_);
    move(topLeft);
}

}  // namespace tavelin
