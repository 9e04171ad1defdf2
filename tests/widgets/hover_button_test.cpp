#include "widgets/HoverButton.h"

#include <gtest/gtest.h>
#include <QEnterEvent>
#include <QTest>
#include <QWidget>

#include "tests/support/QtApp.h"

namespace tavelin {
namespace {

TEST(HoverButtonMathTest, GradientColoursOfEachState) {
    struct Case {
        int step;
        bool hover, highlighted;
        QRgb colour;
    };
    for (const Case& c :
         {Case{0, false, false, qRgb(255, 255, 255)}, Case{0, true, true, qRgb(255, 255, 255)},
          Case{63, false, false, qRgb(234, 234, 243)}, Case{63, false, true, qRgb(234, 234, 240)},
          Case{63, true, false, qRgb(240, 240, 243)}, Case{63, true, true, qRgb(240, 240, 234)},
          Case{14, false, false, qRgb(251, 251, 253)}}) {
        EXPECT_EQ(HoverGradientColour(c.step, c.hover, c.highlighted).rgb(), c.colour)
            << c.step << " " << c.hover << " " << c.highlighted;
    }
}

TEST(HoverButtonMathTest, FirstRowIsStepZeroAndLastRowStep63AtEveryHeight) {
    for (int height = 1; height <= 300; ++height) {
        EXPECT_EQ(GradientStepForRow(2, 2, 2 + height), 0);
        ASSERT_EQ(GradientStepForRow(2 + height, 2, 2 + height), 63) << height;
    }
    EXPECT_EQ(GradientStepForRow(4, 4, 4), 0) << "a button without inner height";
}

TEST(HoverButtonMathTest, CaptionCentredWithTruncationAndShiftedWhenPressed) {
    const EdgeRect inner{2, 2, 73, 21};
    EXPECT_EQ(CaptionOrigin(inner, QSize(30, 13), false), QPoint(22, 5));
    EXPECT_EQ(CaptionOrigin(inner, QSize(31, 14), false), QPoint(22, 4));
    EXPECT_EQ(CaptionOrigin(inner, QSize(30, 13), true), QPoint(23, 6));
}

// Pixels of a real 80 x 24 button; its inner rectangle is (2, 2) - (78, 22).
class HoverButtonPaintTest : public ::testing::Test {
protected:
    static constexpr int kL = 2, kT = 2, kR = 78, kB = 22, kMidY = 12;

    static void SetUpTestSuite() { testing::QtApp(); }
    void SetUp() override {
        button_ = new CHoverButton(QStringLiteral("Browse"), &window_);
        other_ = new CHoverButton(QStringLiteral("OK"), &window_);
        button_->setGeometry(10, 10, 80, 24);
        other_->setGeometry(100, 10, 80, 24);
        window_.resize(200, 60);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        other_->setFocus();  // the window may have given the first button the focus
    }

    QImage Render() const {
        return button_->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    void Hover(bool in) {
        QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(button_, in ? static_cast<QEvent*>(&enter) : &leave);
    }
    // The box around inner pixels darker than `level`: the caption.
    static QRect DarkBox(const QImage& image, int level) {
        QRect box;
        for (int y = kT; y <= kB; ++y) {
            for (int x = kL; x < kR; ++x) {
                if (qGray(image.pixel(x, y)) < level)
                    box |= QRect(x, y, 1, 1);
            }
        }
        return box;
    }

    QWidget window_;
    CHoverButton* button_ = nullptr;
    CHoverButton* other_ = nullptr;
};

TEST_F(HoverButtonPaintTest, PointerLightsTheHotFrameOverTheGradientUntilItLeaves) {
    QImage image = Render();
    EXPECT_EQ(image.pixel(kL + 1, kT), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(kL + 4, kB), qRgb(234, 234, 243));
    EXPECT_EQ(image.pixel(0, kMidY), qRgb(0, 0, 0)) << "outline";

    Hover(true);
    image = Render();
    EXPECT_EQ(image.pixel(kL, kMidY), qRgb(250, 196, 88));
    EXPECT_EQ(image.pixel(kR - 1, kMidY), qRgb(251, 202, 106));
    EXPECT_EQ(image.pixel(kL + 4, kT), qRgb(252, 210, 121));
    EXPECT_EQ(image.pixel(kL + 4, kB), qRgb(229, 151, 0));

    Hover(false);
    EXPECT_EQ(Render().pixel(kL + 4, kB), qRgb(234, 234, 243));
}

TEST_F(HoverButtonPaintTest, FocusShowsBlueFrameAndFocusRectangleUnlessThePointerRests) {
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    button_->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button_->hasFocus());
    auto dotsOnLeftEdge = [](const QImage& image) {
        int dots = 0;
        for (int y = kT + 2; y < kB; ++y)
            dots += image.pixel(kL, y) == qRgb(0, 0, 0);
        return dots;
    };

    QImage image = Render();
    EXPECT_EQ(image.pixel(kL + 1, kMidY), qRgb(153, 198, 252));
    EXPECT_EQ(image.pixel(kR, kMidY), qRgb(162, 189, 252));
    EXPECT_GT(dotsOnLeftEdge(image), 0) << "focus rectangle";

    Hover(true);
    image = Render();
    EXPECT_EQ(image.pixel(kL + 1, kMidY), qRgb(250, 196, 88));
    EXPECT_EQ(dotsOnLeftEdge(image), 0) << "no focus rectangle under the pointer";
}

TEST_F(HoverButtonPaintTest, PressedCaptionMovesOnePixelAndDisabledOneIsGrey) {
    const QRect normal = DarkBox(Render(), 80);
    ASSERT_FALSE(normal.isEmpty()) << "caption drawn";
    button_->setDown(true);
    EXPECT_EQ(DarkBox(Render(), 80), normal.translated(1, 1));
    button_->setDown(false);

    button_->setEnabled(false);
    EXPECT_TRUE(DarkBox(Render(), 100).isEmpty()) << "no black caption";
    EXPECT_FALSE(DarkBox(Render(), 200).isEmpty()) << "but a grey one";
}

}  // namespace
}  // namespace tavelin
