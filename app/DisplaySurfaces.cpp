#include "app/DisplaySurfaces.h"

#include <QEvent>
#include <QWidget>

#include "widgets/PictureStatic.h"
#include "widgets/PreviewWindow.h"

namespace tavelin {

namespace {

// Left and right frame edges together; 0 until a window manager has framed the window.
int FrameBorder(const QWidget* window) {
    return window->frameGeometry().width() - window->geometry().width();
}

}  // namespace

CDisplaySurfaces::CDisplaySurfaces(QWidget* mainWindow, bool systemMove)
    : mainWindow_(mainWindow),
      pictureStatic_(new CPictureStatic(mainWindow)),
      systemMove_(systemMove) {}

CDisplaySurfaces::~CDisplaySurfaces() {
    DestroyPreviewWindow();
}

void CDisplaySurfaces::DrawFrame(const std::uint8_t* frame) {
    if (outside_) {
        if (previewWindow_ != nullptr)
            previewWindow_->DrawFrame(frame);
    } else {
        pictureStatic_->DrawFrame(frame);
    }
}

void CDisplaySurfaces::Resize(int width, int height) {
    Place(outside_, width, height);
    if (outside_) {
        if (previewWindow_ != nullptr)
            previewWindow_->SetupDrawing(width, height);
    } else {
        pictureStatic_->SetupPicture(width, height);
    }
}

void CDisplaySurfaces::Place(bool outside, int width, int height) {
    if (placing_)
        return;
    placing_ = true;
    if (!outside) {
        pictureStatic_->resize(width + 6, height + 6);
    } else if (previewWindow_ != nullptr) {
        if (previewLastMinimised_) {
            previewWindow_->setFixedSize(width, height);
        } else {
            // Left of the main window, centred on it, never off the screen's top left.
            const int border = FrameBorder(previewWindow_);
            placedBorder_ = border;
            const QRect main = mainWindow_->frameGeometry();
            const int x = main.left() - border - width;
            const int y = main.top() + (main.height() - height) / 2;
            previewWindow_->setFixedSize(width, height);
            previewWindow_->move(x < 0 ? 0 : x, y < 0 ? 0 : y);
        }
    }
    placing_ = false;
}

void CDisplaySurfaces::CreatePreviewWindow(int width, int height) {
    if (previewWindow_ == nullptr) {
        previewWindow_ = new CPreviewWindow(mainWindow_, previewLastMinimised_, systemMove_);
        connect(previewWindow_, &CPreviewWindow::closeRequested, this,
                &CDisplaySurfaces::previewClosed, Qt::QueuedConnection);
        Place(true, width, height);
        awaitingFrame_ = true;
        previewWindow_->installEventFilter(this);
        previewWindow_->show();
    }
    previewWindow_->SetupDrawing(width, height);
}

bool CDisplaySurfaces::eventFilter(QObject* watched, QEvent* event) {
    if (watched != previewWindow_ || !awaitingFrame_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::WindowStateChange:
            awaitingFrame_ = false;  // the user moves or minimises it: theirs from now on
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
            // Framing moves the window by the frame's edge, which reports the frame.
            if (FrameBorder(previewWindow_) != placedBorder_) {
                awaitingFrame_ = false;
                Place(true, previewWindow_->width(), previewWindow_->height());
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void CDisplaySurfaces::Show(bool outside, int width, int height) {
    outside_ = false;
    if (outside) {
        CreatePreviewWindow(width, height);
        pictureStatic_->hide();
        outside_ = true;
        return;
    }
    DestroyPreviewWindow();
    Place(false, width, height);
    pictureStatic_->SetupPicture(width, height);
    pictureStatic_->show();
    pictureStatic_->raise();
}

void CDisplaySurfaces::DestroyPreviewWindow() {
    awaitingFrame_ = false;
    delete previewWindow_;
    previewWindow_ = nullptr;
}

}  // namespace tavelin
