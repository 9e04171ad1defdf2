#include "widgets/HoverButton.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cstdlib>

namespace tavelin {

QColor HoverGradientColour(int step, bool hover, bool highlighted) {
    int redGreen = 0;
    int blue = 0;
    if (hover) {
        redGreen = 255 - step / 4;
        blue = highlighted ? 255 - step / 3 : 255 - step / 5;
    } else {
        redGreen = 255 - step / 3;
        blue = highlighted ? 255 - step / 4 : 255 - step / 5;
    }
    return QColor(redGreen, redGreen, blue);
}

int GradientStepForRow(int y, int top, int bottom) {
    const int height = bottom - top;
    // A button too small to have an inner area would divide by zero here.
    if (height <= 0)
        return 0;
    return (y - top) * (kGradientSteps - 1) / height;
}

HoverFrame FrameFor(bool hover, bool focused) {
    if (hover)
        return HoverFrame::Hot;
    return focused ? HoverFrame::Focus : HoverFrame::None;
}

const FramePens& HotFramePens() {
    static const FramePens pens{{QColor(250, 196, 88), 3},
                                {QColor(251, 202, 106), 3},
                                {QColor(252, 210, 121), 2},
                                {QColor(229, 151, 0), 2}};
    return pens;
}

const FramePens& FocusFramePens() {
    static const FramePens pens{{QColor(153, 198, 252), 3},
                                {QColor(162, 189, 252), 3},
                                {QColor(162, 201, 255), 2},
                                {QColor(162, 201, 255), 2}};
    return pens;
}

QPoint CaptionOrigin(const EdgeRect& inner, QSize text, bool pressed) {
    const int shift = pressed ? 1 : 0;
    return {(inner.left + inner.right) / 2 - text.width() / 2 + shift,
            (inner.top + inner.bottom) / 2 - text.height() / 2 + shift};
}

CHoverButton::CHoverButton(QWidget* parent) : QPushButton(parent) {}

CHoverButton::CHoverButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void CHoverButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QPushButton::enterEvent(event);
}

void CHoverButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QPushButton::leaveEvent(event);
}

void CHoverButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const EdgeRect outer{0, 0, width(), height()};
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(
        QRectF(outer.left, outer.top, outer.right - outer.left - 1, outer.bottom - outer.top - 1),
        2.5, 2.5);

    const bool focused = hasFocus();
    const bool pressed = isDown();
    const bool highlighted = focused || pressed || isDefault();

    const EdgeRect inner{outer.left + kHoverButtonEdge, outer.top + kHoverButtonEdge,
                         outer.right - kHoverButtonEdge, outer.bottom - kHoverButtonEdge};
    DrawFilledRect(painter, inner, highlighted);
    DrawFrame(painter, inner, FrameFor(hover_, focused));

    const QString caption = text();
    const QFontMetrics metrics(font());
    const QSize extent(metrics.horizontalAdvance(caption), metrics.height());
    const QRect place(CaptionOrigin(inner, extent, pressed), extent);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    painter.setFont(font());
    if (isEnabled()) {
        painter.setPen(Qt::black);
        painter.drawText(place, flags, caption);
    } else {
        // Embossed grey, as disabled captions look on the classic desktop.
        painter.setPen(Qt::white);
        painter.drawText(place.translated(1, 1), flags, caption);
        painter.setPen(QColor(160, 160, 160));
        painter.drawText(place, flags, caption);
    }
}

void CHoverButton::DrawFilledRect(QPainter& painter, const EdgeRect& inner,
                                  bool highlighted) const {
    // The bottom row is painted too, so the last gradient step always shows.
    for (int y = inner.top; y <= inner.bottom; ++y) {
        const int step = GradientStepForRow(y, inner.top, inner.bottom);
        painter.fillRect(inner.left, y, inner.right - inner.left, 1,
                         HoverGradientColour(step, hover_, highlighted));
    }
}

void CHoverButton::DrawFrame(QPainter& painter, const EdgeRect& inner, HoverFrame frame) {
    if (frame == HoverFrame::None)
        return;
    const FramePens& pens = frame == HoverFrame::Hot ? HotFramePens() : FocusFramePens();

    // Each edge is a line of its pen's width centred on the edge; the end point is left out.
    auto vertical = [&](const FrameEdge& pen, int x, int fromY, int toY) {
        const int top = std::min(fromY, toY) + (toY < fromY ? 1 : 0);
        const int rows = std::abs(toY - fromY);
        painter.fillRect(x - pen.width / 2, top, pen.width, rows, pen.colour);
    };
    auto horizontal = [&](const FrameEdge& pen, int y, int fromX, int toX) {
        painter.fillRect(fromX, y - pen.width / 2, toX - fromX, pen.width, pen.colour);
    };
    vertical(pens.left, inner.left, inner.bottom - 1, inner.top + 1);
    vertical(pens.right, inner.right - 1, inner.bottom - 1, inner.top);
    horizontal(pens.top, inner.top, inner.left - 1, inner.right - 1);
    horizontal(pens.bottom, inner.bottom, inner.left, inner.right - 1);

    if (frame == HoverFrame::Focus) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
        painter.drawRect(inner.left, inner.top, inner.right - inner.left - 1,
                         inner.bottom - inner.top - 1);
    }
}

}  // namespace tavelin
