#include "resources/artgen/OverlayArt.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>

#include "resources/artgen/PaintKit.h"
#include "resources/artgen/Palette.h"

namespace tavelin::art {

namespace {

constexpr int kBadgeWidth = 35;
constexpr int kBadgeHeight = 36;
constexpr int kCameraWidth = 38;
constexpr int kCameraHeight = 26;

// A stroke with a dark rim, so the sight stays visible on a bright picture.
void OutlinedLine(QPainter& p, QPointF a, QPointF b, QColor colour, double width) {
    p.setPen(QPen(QColor(0x20, 0x10, 0x08), width + 1.8, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(a, b);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(a, b);
}

// Moves any drawn pixel that lies near the badge key's tolerance well outside it,
// so it can never be taken for background.
QImage KeepClearOfBadgeKey(QImage image) {
    image = image.convertToFormat(QImage::Format_RGB32);
    const QRgb key = kBadgeKey;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = row[x];
            if ((px & 0xFFFFFF) == (key & 0xFFFFFF)) {
                continue;
            }
            // A margin of 10 around the loader's rule: such a pixel gets a clear
            // green component, which no key test can mistake.
            if (qBlue(px) >= 240 && qGreen(px) <= 14 && qRed(px) >= 241) {
                row[x] = qRgb(qRed(px), 40, qBlue(px));
            }
        }
    }
    return image;
}

}  // namespace

QImage DrawBadge() {
    QImage art = NewTransparent(kBadgeWidth, kBadgeHeight);
    QPainter p(&art);
    Smooth(p);
    const QPointF c(kBadgeWidth / 2.0, kBadgeHeight / 2.0);

    // Ring.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x30, 0x08, 0x08), 4.4));
    p.drawEllipse(c, 12.4, 12.4);
    p.setPen(QPen(QColor(0xE8, 0x2A, 0x26), 2.6));
    p.drawEllipse(c, 12.4, 12.4);

    // Ticks across the ring, top, bottom, left and right.
    const QColor green(0x38, 0xD8, 0x4E);
    const double in = 8.6;
    const double out = 17.0;
    OutlinedLine(p, c + QPointF(0, -out), c + QPointF(0, -in), green, 2.2);
    OutlinedLine(p, c + QPointF(0, in), c + QPointF(0, out), green, 2.2);
    OutlinedLine(p, c + QPointF(-out, 0), c + QPointF(-in, 0), green, 2.2);
    OutlinedLine(p, c + QPointF(in, 0), c + QPointF(out, 0), green, 2.2);

    // The figure: head and shoulders.
    QPainterPath figure;
    figure.addEllipse(c + QPointF(0, -3.6), 2.9, 2.9);
    QPainterPath torso;
    torso.addRoundedRect(QRectF(c.x() - 4.6, c.y() + 0.2, 9.2, 7.4), 3.4, 3.4);
    figure = figure.united(torso);
    p.setPen(QPen(QColor(0x4A, 0x22, 0x00), 1.2));
    QRadialGradient glow(c + QPointF(-1.0, -2.0), 8.0);
    glow.setColorAt(0.0, QColor(0xFF, 0xC0, 0x50));
    glow.setColorAt(1.0, QColor(0xF2, 0x7A, 0x10));
    p.setBrush(glow);
    p.drawPath(figure);
    p.end();

    return KeepClearOfBadgeKey(FlattenOntoKey(art, kBadgeKey));
}

QImage DrawCameraIcon() {
    QImage image = NewOpaque(kCameraWidth, kCameraHeight, qRgb(0x1E, 0x22, 0x27));
    QPainter p(&image);
    p.fillRect(image.rect(),
               Vertical(0, kCameraHeight, QColor(0x2C, 0x32, 0x39), QColor(0x17, 0x1A, 0x1E)));
    p.setPen(QColor(0x4E, 0x57, 0x62));
    p.drawRect(0, 0, kCameraWidth - 1, kCameraHeight - 1);
    Smooth(p);

    const QColor outline(0x1A, 0x1E, 0x23);
    QLinearGradient silver(0, 5, 0, 23);
    silver.setColorAt(0.0, QColor(0xF7, 0xF9, 0xFB));
    silver.setColorAt(0.45, QColor(0xC9, 0xD0, 0xD7));
    silver.setColorAt(1.0, QColor(0x86, 0x8F, 0x99));

    // Body with the viewfinder hump and the shutter release as one outline, so the
    // parts read as one object at this size.
    QPainterPath body;
    body.addRoundedRect(QRectF(3.5, 7.5, 31.0, 15.5), 3.0, 3.0);
    QPainterPath hump;
    hump.addRoundedRect(QRectF(6.5, 4.5, 9.0, 5.0), 1.5, 1.5);
    QPainterPath shutter;
    shutter.addRoundedRect(QRectF(25.5, 5.0, 6.0, 4.0), 1.2, 1.2);
    body = body.united(hump).united(shutter).simplified();
    p.setPen(QPen(outline, 1.0));
    p.setBrush(silver);
    p.drawPath(body);
    p.setPen(QPen(QColor(255, 255, 255, 160), 1.0));
    p.drawLine(QPointF(6.0, 8.5), QPointF(32.0, 8.5));
    // Grip line and flash window.
    p.setPen(QPen(QColor(0x7A, 0x83, 0x8D), 1.0));
    p.drawLine(QPointF(4.5, 11.5), QPointF(33.5, 11.5));
    p.setPen(QPen(outline, 1.0));
    p.setBrush(Vertical(12, 15, QColor(0xFF, 0xFF, 0xFF), QColor(0xC8, 0xDC, 0xF0)));
    p.drawRect(QRectF(6.5, 13.5, 5.0, 3.0));
    // Red indicator.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kLedRed));
    p.drawEllipse(QPointF(30.5, 13.5), 1.3, 1.3);

    // Lens: dark barrel, silver ring, deep blue glass and a catch light.
    const QPointF lens(19.0, 15.0);
    p.setBrush(outline);
    p.drawEllipse(lens, 7.0, 7.0);
    QRadialGradient ring(lens + QPointF(-1.5, -2.0), 7.0);
    ring.setColorAt(0.0, QColor(0xF0, 0xF3, 0xF6));
    ring.setColorAt(1.0, QColor(0x70, 0x79, 0x84));
    p.setBrush(ring);
    p.drawEllipse(lens, 5.9, 5.9);
    QRadialGradient glass(lens + QPointF(-1.2, -1.4), 5.0);
    glass.setColorAt(0.0, QColor(0x6A, 0xA8, 0xE8));
    glass.setColorAt(0.5, QColor(0x1F, 0x4E, 0x8C));
    glass.setColorAt(1.0, QColor(0x08, 0x12, 0x22));
    p.setBrush(glass);
    p.drawEllipse(lens, 4.3, 4.3);
    p.setBrush(QColor(255, 255, 255, 210));
    p.drawEllipse(lens + QPointF(-1.6, -1.7), 1.2, 1.0);
    p.end();
    return image;
}

}  // namespace tavelin::art
