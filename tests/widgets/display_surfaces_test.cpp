// The display surfaces paint frames straight into the window's backing store: at the
// right place, without a picture of their own, keeping the picture for paints that
// bring no frame, and black before the first frame and after a size change.

#include <gtest/gtest.h>

#include <QBackingStore>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <cstdint>
#include <vector>

#include "core/FrameConvert.h"
#include "core/FrameFormat.h"
#include "tests/support/QtApp.h"
#include "widgets/PictureStatic.h"
#include "widgets/PreviewWindow.h"

namespace tavelin {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A bottom-up BGR frame in which every pixel differs from its neighbours.
Bytes Frame(int width, int height, int seed) {
    Bytes frame(FrameBytes(width, height));
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<std::uint8_t>(i * 7 + i / 97 + seed);
    return frame;
}

// The top-down 32-bit picture a frame should become.
QImage Expected(const Bytes& frame, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    FrameToRgb32(frame.data(), width, height, image.bits(),
                 static_cast<std::size_t>(image.bytesPerLine()));
    return image;
}

// What the window's backing store holds at a widget's `origin`.
QImage Stored(const QWidget& widget, QPoint origin, int width, int height) {
    QPaintDevice* device = widget.backingStore()->paintDevice();
    if (device == nullptr || device->devType() != QInternal::Image)
        return QImage();
    const QImage& store = *static_cast<QImage*>(device);
    return store.copy(QRect(widget.mapTo(widget.window(), origin), QSize(width, height)))
        .convertToFormat(QImage::Format_RGB32);
}

bool AllBlack(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) != 0)
                return false;
        }
    }
    return true;
}

class DisplaySurfacesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::QtApp(); }
};

// The picture inside a window, away from its corner: the frame lands exactly at the
// widget's place in the backing store, 3 pixels in from its border.
TEST_F(DisplaySurfacesTest, PictureStaticPaintsIntoTheBackingStoreAtItsPlace) {
    QWidget window;
    window.resize(200, 150);
    CPictureStatic picture(&window);
    picture.setGeometry(37, 11, 70, 54);
    picture.SetupPicture(64, 48);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(picture.picture().isNull()) << "no frame yet";
    EXPECT_TRUE(AllBlack(Stored(picture, QPoint(0, 0), 70, 54)));

    const Bytes frame = Frame(64, 48, 1);
    EXPECT_EQ(picture.DrawFrame(frame.data()), 1);
    EXPECT_EQ(Stored(picture, QPoint(3, 3), 64, 48), Expected(frame, 64, 48));
    EXPECT_EQ(picture.picture(), Expected(frame, 64, 48));
    EXPECT_FALSE(picture.ownImage());
    EXPECT_EQ(picture.DrawFrame(nullptr), 0);
}

TEST_F(DisplaySurfacesTest, APaintWithoutAFrameKeepsThePicture) {
    bool minimised = false;
    CPreviewWindow preview(nullptr, minimised);
    preview.setFixedSize(48, 32);
    preview.SetupDrawing(48, 32);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    {
        // The frame buffer goes away after the frame step, as at a lost camera.
        const Bytes frame = Frame(48, 32, 5);
        ASSERT_EQ(preview.DrawFrame(frame.data()), 1);
    }
    const QImage shown = Expected(Frame(48, 32, 5), 48, 32);
    preview.repaint();  // e.g. uncovered
    EXPECT_EQ(Stored(preview, QPoint(0, 0), 48, 32), shown);
    EXPECT_EQ(preview.picture(), shown);
    EXPECT_FALSE(preview.ownImage());
    // Rendered elsewhere, the picture comes from the backing store.
    EXPECT_EQ(preview.grab().toImage().convertToFormat(QImage::Format_RGB32), shown);

    // A new size starts black again.
    preview.setFixedSize(40, 30);
    preview.SetupDrawing(40, 30);
    preview.repaint();
    EXPECT_TRUE(preview.picture().isNull());
    EXPECT_TRUE(AllBlack(Stored(preview, QPoint(0, 0), 40, 30)));
    EXPECT_TRUE(AllBlack(preview.grab().toImage()));
}

TEST_F(DisplaySurfacesTest, AHiddenWindowTakesFramesWithoutPainting) {
    bool minimised = false;
    CPreviewWindow preview(nullptr, minimised);
    preview.SetupDrawing(16, 16);
    const Bytes frame = Frame(16, 16, 9);
    EXPECT_EQ(preview.DrawFrame(frame.data()), 1);
    EXPECT_TRUE(preview.picture().isNull());
}

// Without a backing store to paint into (rendering into a pixmap), frames go
// through a picture of the surface's own, which then answers every paint.
TEST_F(DisplaySurfacesTest, ElsewhereTheFrameGoesThroughAnImageOfItsOwn) {
    CFrameImage image;
    image.Setup(20, 10);
    const Bytes frame = Frame(20, 10, 3);
    QImage target(24, 14, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        ASSERT_TRUE(image.Update(frame.data()));
        image.Paint(painter, QPoint(2, 2), target.rect());
        image.Update(nullptr);
    }
    EXPECT_TRUE(image.ownImage());
    EXPECT_EQ(target.copy(2, 2, 20, 10), Expected(frame, 20, 10));
    EXPECT_TRUE(AllBlack(target.copy(0, 0, 24, 2)));  // the rest of the area

    target.fill(Qt::white);
    QPainter again(&target);
    image.Paint(again, QPoint(2, 2), target.rect());
    EXPECT_EQ(target.copy(2, 2, 20, 10), Expected(frame, 20, 10));
}

}  // namespace
}  // namespace tavelin
