#include "app/DisplaySurfaces.h"

#include <QWidget>

#include "capture/widgets/PictureStatic.h"
#include "capture/widgets/PreviewWindow.h"

namespace tavelin {

CDisplaySurfaces::CDisplaySurfaces(QWidget* mainWindow)
    : mainWindow_(mainWindow), pictureStatic_(new CPictureStatic(mainWindow)) {}

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
            const QRect frame = previewWindow_->frameGeometry();
            const QRect client = previewWindow_->geometry();
            const int border = frame.width() - client.width();
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
        previewWindow_ = new CPreviewWindow(mainWindow_, previewLastMinimised_);
        connect(previewWindow_, &CPreviewWindow::closeRequested, this,
                &CDisplaySurfaces::previewClosed, Qt::QueuedConnection);
        Place(true, width, height);
        previewWindow_->show();
    }
    previewWindow_->SetupDrawing(width, height);
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
    delete previewWindow_;
    previewWindow_ = nullptr;
}

}  // namespace tavelin
