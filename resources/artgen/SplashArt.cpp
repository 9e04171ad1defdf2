#include "resources/artgen/SplashArt.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>
#include <cmath>

#include "resources/artgen/PaintKit.h"
#include "resources/artgen/Palette.h"

namespace tavelin::art {

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 430;
constexpr double kPiValue = 3.14159265358979323846;

void PaintBackground(QPainter& p) {
    QRadialGradient back(QPointF(190, 190), 470);
    back.setColorAt(0.0, QColor(0x2C, 0x40, 0x5C));
    back.setColorAt(0.55, QColor(0x16, 0x1E, 0x2A));
    back.setColorAt(1.0, QColor(0x0B, 0x0E, 0x13));
    p.fillRect(QRect(0, 0, kWidth, kHeight), back);

    // Faint lens rings spreading from the camera, the motif of the product.
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 9; ++i) {
        const double r = 130.0 + i * 34.0;
        p.setPen(QPen(QColor(0x7C, 0xB8, 0xF6, std::max(4, 26 - 3 * i)), 1.0));
        p.drawEllipse(QPointF(190, 196), r, r);
    }
    // A soft diagonal band of light across the top right, fading on both sides.
    QLinearGradient band(340, 60, 460, -60);
    band.setColorAt(0.0, QColor(255, 255, 255, 0));
    band.setColorAt(0.5, QColor(255, 255, 255, 16));
    band.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(QRect(0, 0, kWidth, kHeight), band);
}

// A round desk camera on its stand, looking at the viewer.
void PaintCamera(QPainter& p) {
    const QPointF c(190, 180);
    p.setPen(Qt::NoPen);

    // Stand: foot and neck.
    QRadialGradient foot(QPointF(190, 352), 90);
    foot.setColorAt(0.0, QColor(0x5A, 0x63, 0x6E));
    foot.setColorAt(1.0, QColor(0x1C, 0x20, 0x25));
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawEllipse(QPointF(192, 366), 92, 14);
    p.setBrush(foot);
    p.drawEllipse(QPointF(190, 352), 84, 16);
    p.setBrush(Vertical(270, 352, QColor(0x8A, 0x93, 0x9E), QColor(0x3A, 0x41, 0x4A)));
    QPainterPath neck;
    neck.moveTo(176, 262);
    neck.lineTo(204, 262);
    neck.lineTo(212, 350);
    neck.lineTo(168, 350);
    neck.closeSubpath();
    p.drawPath(neck);

    // Body: a graphite sphere lit from the upper left.
    QRadialGradient body(c + QPointF(-40, -50), 150);
    body.setColorAt(0.0, QColor(0x8E, 0x98, 0xA4));
    body.setColorAt(0.45, QColor(0x3E, 0x46, 0x50));
    body.setColorAt(1.0, QColor(0x12, 0x15, 0x19));
    p.setBrush(body);
    p.drawEllipse(c, 104, 104);
    p.setPen(QPen(QColor(0x9C, 0xA6, 0xB2, 120), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 103, 103);
    p.setPen(Qt::NoPen);

    // Lens: silver ring, black barrel with a focus scale, layered glass.
    QLinearGradient silver(0, c.y() - 72, 0, c.y() + 72);
    silver.setColorAt(0.0, QColor(0xF7, 0xF9, 0xFB));
    silver.setColorAt(0.5, QColor(0xA9, 0xB2, 0xBC));
    silver.setColorAt(1.0, QColor(0x55, 0x5D, 0x67));
    p.setBrush(silver);
    p.drawEllipse(c, 72, 72);
    p.setBrush(QColor(0x0E, 0x11, 0x15));
    p.drawEllipse(c, 63, 63);
    p.setPen(QPen(QColor(0x55, 0x5E, 0x69), 1.2));
    for (int i = 0; i < 48; ++i) {
        const double a = i * kPiValue / 24.0;
        const QPointF dir(std::cos(a), std::sin(a));
        const double inner = i % 4 == 0 ? 53.0 : 56.0;
        p.drawLine(c + dir * inner, c + dir * 60.0);
    }
    p.setPen(Qt::NoPen);
    QRadialGradient glass(c + QPointF(-12, -14), 60);
    glass.setColorAt(0.0, QColor(0x8C, 0xCC, 0xFF));
    glass.setColorAt(0.3, QColor(0x2D, 0x74, 0xCC));
    glass.setColorAt(0.75, QColor(0x10, 0x26, 0x52));
    glass.setColorAt(1.0, QColor(0x05, 0x0A, 0x16));
    p.setBrush(glass);
    p.drawEllipse(c, 48, 48);
    p.setBrush(QColor(0x03, 0x06, 0x0E, 210));
    p.drawEllipse(c, 19, 19);
    // Coating reflections and catch lights.
    QPainterPath arc;
    arc.addEllipse(c, 42, 42);
    QPainterPath cut;
    cut.addEllipse(c + QPointF(9, 11), 42, 42);
    p.fillPath(arc.subtracted(cut), QColor(0xB4, 0x90, 0xFF, 95));
    QPainterPath arc2;
    arc2.addEllipse(c, 34, 34);
    QPainterPath cut2;
    cut2.addEllipse(c + QPointF(-7, -9), 34, 34);
    p.fillPath(arc2.subtracted(cut2), QColor(0x60, 0xF0, 0xC8, 55));
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawEllipse(c + QPointF(-19, -20), 8, 6.5);
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawEllipse(c + QPointF(17, 19), 3.5, 3.5);

    // Recording light.
    const QPointF led(c.x() + 66, c.y() - 68);
    p.setBrush(QColor(0x0C, 0x0E, 0x11));
    p.drawEllipse(led, 8, 8);
    QRadialGradient red(led + QPointF(-2, -2), 8);
    red.setColorAt(0.0, QColor(0xFF, 0xA0, 0x90));
    red.setColorAt(0.6, QColor(kLedRed));
    red.setColorAt(1.0, QColor(0x7A, 0x10, 0x0C));
    p.setBrush(red);
    p.drawEllipse(led, 6, 6);
    QRadialGradient halo(led, 22);
    halo.setColorAt(0.0, QColor(0xFF, 0x50, 0x40, 70));
    halo.setColorAt(1.0, QColor(0xFF, 0x50, 0x40, 0));
    p.setBrush(halo);
    p.drawEllipse(led, 22, 22);
}

void PaintTitle(QPainter& p) {
    const double x = 322;
    const QColor shadow(0, 0, 0, 150);
    DrawLabelWithEcho(p, QRectF(x, 112, 270, 60), QStringLiteral("Tavelin"), UiFont(54, true),
                      QColor(0xF4, 0xF7, 0xFA), shadow, {0, 2}, Qt::AlignLeft | Qt::AlignBottom);
    DrawLabelWithEcho(p, QRectF(x + 2, 172, 270, 40), QStringLiteral("Video Center"), UiFont(31),
                      QColor(kAccentLight), shadow, {0, 2}, Qt::AlignLeft | Qt::AlignBottom);
    // Accent rule under the name.
    QLinearGradient rule(x, 0, x + 250, 0);
    rule.setColorAt(0.0, QColor(kAccent));
    rule.setColorAt(1.0, QColor(0x2F, 0x80, 0xDC, 0));
    p.fillRect(QRectF(x + 3, 224, 250, 2), rule);

    DrawLabel(p, QRectF(x + 3, 234, 270, 20),
              QStringLiteral("Watch \u00B7 Snap \u00B7 Record \u00B7 Monitor"), UiFont(13),
              QColor(0xB8, 0xC4, 0xD2), Qt::AlignLeft | Qt::AlignVCenter);
    DrawLabel(p, QRectF(x + 3, 262, 270, 18), QStringLiteral("Version 3.0.0"), UiFont(12, true),
              QColor(0x8C, 0x98, 0xA6), Qt::AlignLeft | Qt::AlignVCenter);
}

void PaintFooter(QPainter& p) {
    p.fillRect(QRect(0, kHeight - 34, kWidth, 34), QColor(0, 0, 0, 70));
    p.fillRect(QRect(0, kHeight - 34, kWidth, 1), QColor(255, 255, 255, 22));
    DrawLabel(p, QRectF(20, kHeight - 34, 300, 34), QStringLiteral("Starting the camera\u2026"),
              UiFont(11), QColor(0xA8, 0xB4, 0xC2), Qt::AlignLeft | Qt::AlignVCenter);
    DrawLabel(p, QRectF(280, kHeight - 34, kWidth - 300, 34),
              QStringLiteral("\u00A9 Tavelin. All rights reserved."), UiFont(10),
              QColor(0x6E, 0x7A, 0x88), Qt::AlignRight | Qt::AlignVCenter);
}

}  // namespace

QImage DrawSplash() {
    QImage image = NewOpaque(kWidth, kHeight, qRgb(0x10, 0x14, 0x1A));
    QPainter p(&image);
    Smooth(p);
    PaintBackground(p);
    PaintCamera(p);
    PaintTitle(p);
    PaintFooter(p);
    p.end();
    return image;
}

}  // namespace tavelin::art
