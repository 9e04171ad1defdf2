#pragma once
// The push button of the secondary dialogs: a rounded outline over a light vertical
// gradient, a warm (orange) frame while the pointer rests on it, a cool (blue) frame
// and a focus rectangle while it has the keyboard focus. Clicks, focus and keys are
// the ordinary push button's.

#include <QColor>
#include <QPoint>
#include <QPushButton>
#include <QSize>

namespace tavelin {

// A rectangle with exclusive right and bottom edges, so the drawing arithmetic reads
// the same as the pixel rules it follows.
struct EdgeRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Width of the system edge the gradient is inset by, in each direction.
constexpr int kHoverButtonEdge = 2;
// Steps of the vertical gradient.
constexpr int kGradientSteps = 64;

// Colour of gradient step 0 ... 63: white at the top, slightly darker and bluer below.
QColor HoverGradientColour(int step, bool hover, bool highlighted);
// The gradient step of row y of the inner rectangle: 0 on the top row, 63 on the bottom
// row whatever the height (a rectangle without height uses step 0).
int GradientStepForRow(int y, int top, int bottom);

enum class HoverFrame { None, Hot, Focus };
// Which frame the inner rectangle gets; the focus rectangle goes with Focus only.
HoverFrame FrameFor(bool hover, bool focused);

// The four frame edges, left, right, top, bottom, with their pen widths.
struct FrameEdge {
    QColor colour;
    int width;
};
struct FramePens {
    FrameEdge left, right, top, bottom;
};
const FramePens& HotFramePens();
const FramePens& FocusFramePens();

// Top-left corner of a caption of size `text` centred in `inner`; one pixel right and
// down while pressed.
QPoint CaptionOrigin(const EdgeRect& inner, QSize text, bool pressed);

class CHoverButton : public QPushButton {
    Q_OBJECT

public:
    explicit CHoverButton(QWidget* parent = nullptr);
    explicit CHoverButton(const QString& text, QWidget* parent = nullptr);

    bool hovered() const { return hover_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void DrawFilledRect(QPainter& painter, const EdgeRect& inner, bool highlighted) const;
    static void DrawFrame(QPainter& painter, const EdgeRect& inner, HoverFrame frame);

    bool hover_ = false;
};

}  // namespace tavelin
