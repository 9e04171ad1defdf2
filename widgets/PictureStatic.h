#pragma once
// The picture area inside the main window, the other display surface. It is kept
// black until frames are painted into it while it is the surface in use.

#include <QWidget>
#include <cstdint>

#include "widgets/FrameImage.h"

namespace tavelin {

class CPictureStatic : public QWidget {
    Q_OBJECT

public:
    explicit CPictureStatic(QWidget* parent);

    void SetupPicture(int width, int height);
    int DrawFrame(const std::uint8_t* bits);

    // A copy of the picture shown; null before the first frame.
    QImage picture() const;
    // Whether frames go through an image of the surface's own rather than straight
    // into the backing store.
    bool ownImage() const { return image_.ownImage(); }
    int frameWidth() const { return frameWidth_; }
    int frameHeight() const { return frameHeight_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CFrameImage image_;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
};

}  // namespace tavelin
