#include "resources/artgen/IconArt.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

#include "resources/artgen/PaintKit.h"
#include "resources/artgen/Palette.h"

namespace tavelin::art {

namespace {

// Rounds a radius so a circle centred on the icon's middle ends on a pixel edge.
double Snap(double r, bool snap) {
    return snap ? std::max(0.5, std::round(r * 2.0) / 2.0) : r;
}

}  // namespace

QImage DrawAppIcon(int size) {
    QImage image = NewTransparent(size, size);
    QPainter p(&image);
    Smooth(p);
    const double s = size;
    const bool small = size <= 32;
    const QPointF c(s / 2.0, s / 2.0);

    // Tile.
    const double inset = small ? 0.5 : s * 0.035;
    const double radius = small ? std::max(2.0, s * 0.19) : s * 0.2;
    const QRectF tile(inset, inset, s - 2 * inset, s - 2 * inset);
    p.setPen(small ? QPen(QColor(0x0E, 0x10, 0x13), 1.0)
                   : QPen(QColor(0x0E, 0x10, 0x13), std::max(1.0, s / 128.0)));
    p.setBrush(Vertical(0, s, QColor(0x4E, 0x57, 0x62), QColor(0x1A, 0x1E, 0x23)));
    p.drawRoundedRect(tile, radius, radius);
    if (!small) {
        p.setPen(QPen(QColor(255, 255, 255, 60), std::max(1.0, s / 128.0)));
        p.setBrush(Qt::NoBrush);
        const double d = std::max(1.0, s / 128.0) * 1.5;
        p.drawRoundedRect(tile.adjusted(d, d, -d, -d), radius - d, radius - d);
    }

    // Lens: silver ring, dark barrel, deep blue glass with reflections.
    p.setPen(Qt::NoPen);
    const double ringR = Snap(s * (small ? 0.42 : 0.38), small);
    QLinearGradient silver(0, c.y() - ringR, 0, c.y() + ringR);
    silver.setColorAt(0.0, QColor(0xF8, 0xFA, 0xFC));
    silver.setColorAt(0.5, QColor(0xB4, 0xBC, 0xC6));
    silver.setColorAt(1.0, QColor(0x6A, 0x73, 0x7E));
    p.setBrush(silver);
    p.drawEllipse(c, ringR, ringR);

    const double barrelR = Snap(ringR - std::max(1.0, s * 0.05), small);
    p.setBrush(QColor(0x14, 0x17, 0x1B));
    p.drawEllipse(c, barrelR, barrelR);

    if (!small) {
        // Fine ring between barrel and glass, with engraved ticks like a focus ring.
        const double fineR = barrelR - s * 0.035;
        p.setPen(QPen(QColor(0x4A, 0x52, 0x5C), s * 0.012));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, fineR, fineR);
        p.setPen(QPen(QColor(0x6C, 0x75, 0x80), s * 0.008));
        for (int i = 0; i < 24; ++i) {
            const double a = i * 3.14159265358979 / 12.0;
            const QPointF dir(std::cos(a), std::sin(a));
            p.drawLine(c + dir * (fineR + s * 0.008), c + dir * (barrelR - s * 0.008));
        }
        p.setPen(Qt::NoPen);
    }

    const double glassR = Snap(small ? barrelR - std::max(1.0, s * 0.06) : s * 0.215, small);
    QRadialGradient glass(c + QPointF(-glassR * 0.25, -glassR * 0.3), glassR * 1.2);
    glass.setColorAt(0.0, QColor(0x7F, 0xC4, 0xFF));
    glass.setColorAt(0.35, QColor(0x2A, 0x6F, 0xC8));
    glass.setColorAt(0.8, QColor(0x12, 0x2B, 0x5C));
    glass.setColorAt(1.0, QColor(0x0A, 0x12, 0x24));
    p.setBrush(glass);
    p.drawEllipse(c, glassR, glassR);

    if (!small) {
        // Pupil, a violet coating reflection and catch lights.
        p.setBrush(QColor(0x06, 0x0A, 0x14, 200));
        p.drawEllipse(c, glassR * 0.42, glassR * 0.42);
        QPainterPath arc;
        arc.addEllipse(c, glassR * 0.85, glassR * 0.85);
        QPainterPath cut;
        cut.addEllipse(c + QPointF(glassR * 0.2, glassR * 0.25), glassR * 0.85, glassR * 0.85);
        p.fillPath(arc.subtracted(cut), QColor(0xB0, 0x8C, 0xFF, 90));
    }
    p.setBrush(QColor(255, 255, 255, 225));
    const double dot = std::max(small ? 0.9 : 1.0, glassR * 0.26);
    p.drawEllipse(c + QPointF(-glassR * 0.38, -glassR * 0.38), dot, dot);
    if (size >= 24) {
        p.setBrush(QColor(255, 255, 255, 120));
        p.drawEllipse(c + QPointF(glassR * 0.42, glassR * 0.42), dot * 0.5, dot * 0.5);
    }

    // Recording light in the tile's corner.
    if (size >= 22) {
        const double r = std::max(1.5, s * 0.055);
        const QPointF led(s - inset - radius * 0.62, inset + radius * 0.62);
        p.setBrush(QColor(0x10, 0x12, 0x15));
        p.drawEllipse(led, r + std::max(0.7, s * 0.012), r + std::max(0.7, s * 0.012));
        QRadialGradient red(led + QPointF(-r * 0.3, -r * 0.3), r * 1.3);
        red.setColorAt(0.0, QColor(0xFF, 0x9C, 0x8C));
        red.setColorAt(0.6, QColor(kLedRed));
        red.setColorAt(1.0, QColor(0x8A, 0x12, 0x0E));
        p.setBrush(red);
        p.drawEllipse(led, r, r);
    }
    p.end();
    return image;
}

QImage DrawButtonCursor() {
    QImage image = NewTransparent(32, 32);
    QPainter p(&image);
    Smooth(p);

    // Index finger up, three folded fingers, the thumb along the left side.
    QPainterPath hand;
    auto add = [&hand](QRectF r, double radius) {
        QPainterPath part;
        part.addRoundedRect(r, radius, radius);
        hand = hand.united(part);
    };
    add(QRectF(7.0, 1.0, 5.0, 17.0), 2.5);    // index finger
    add(QRectF(11.5, 10.0, 4.5, 9.0), 2.2);   // middle finger
    add(QRectF(15.5, 11.0, 4.5, 8.5), 2.2);   // ring finger
    add(QRectF(19.5, 12.5, 4.0, 7.5), 2.0);   // little finger
    add(QRectF(7.0, 15.0, 16.5, 11.0), 4.0);  // palm
    add(QRectF(9.0, 24.0, 12.5, 6.0), 1.5);   // wrist
    QPainterPath thumb;
    thumb.moveTo(8.5, 16.5);
    thumb.cubicTo(6.0, 14.5, 3.0, 15.0, 3.2, 17.5);
    thumb.cubicTo(3.4, 19.5, 6.0, 22.5, 8.5, 24.5);
    thumb.closeSubpath();
    hand = hand.united(thumb).simplified();

    // A soft shadow down and right, then the white hand with a black outline.
    p.translate(1.2, 1.4);
    p.fillPath(hand, QColor(0, 0, 0, 70));
    p.resetTransform();
    p.fillPath(hand, Vertical(0, 30, QColor(0xFF, 0xFF, 0xFF), QColor(0xE4, 0xE8, 0xEE)));
    p.setPen(QPen(QColor(0x10, 0x12, 0x15), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hand);
    // Creases between the folded fingers.
    p.setPen(QPen(QColor(0x8C, 0x95, 0x9F), 0.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15.7, 12.5), QPointF(15.7, 17.5));
    p.drawLine(QPointF(19.6, 13.8), QPointF(19.6, 18.0));
    p.drawLine(QPointF(12.0, 11.5), QPointF(12.0, 17.0));
    p.end();
    return image;
}

}  // namespace tavelin::art
