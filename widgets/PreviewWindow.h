#pragma once
// The separate captioned window that shows the live picture, unscaled. It is moved by
// dragging the picture, fits itself to the picture again after a restore, and asks to
// end the application when it is closed.

#include <QPoint>
#include <QWidget>
#include <cstdint>

#include "widgets/FrameImage.h"

namespace tavelin {

class CPreviewWindow : public QWidget {
    Q_OBJECT

public:
    // `lastMinimised`: whether the preview was last minimised; the owner keeps it, as it
    // outlives the window when the display is switched. `systemMove`: a drag is handed to
    // the compositor (native Wayland, where a program cannot move its windows).
    CPreviewWindow(QWidget* owner, bool& lastMinimised, bool systemMove = false);

    // Prepares the window for frames of this size and paints it black.
    void SetupDrawing(int width, int height);
    // Paints a frame of the set-up size at once; 0 for a null frame, else 1.
    int DrawFrame(const std::uint8_t* bits);

    int frameWidth() const { return frameWidth_; }
    int frameHeight() const { return frameHeight_; }
    bool dragging() const { return dragging_; }
    // A copy of the picture shown; null before the first frame.
    QImage picture() const;
    // Whether frames go through an image of the surface's own rather than straight
    // into the backing store.
    bool ownImage() const { return image_.ownImage(); }

signals:
    // The user closed the window: the application should end.
    void closeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FitToPicture();

    bool& lastMinimised_;
    bool systemMove_;
    QPoint dragStart_;
    bool dragging_ = false;
    CFrameImage image_;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
};

}  // namespace tavelin
