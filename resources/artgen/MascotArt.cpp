#include "resources/artgen/MascotArt.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>

#include "resources/artgen/PaintKit.h"
#include "resources/artgen/Palette.h"

namespace tavelin::art {

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

void PaintScene(QPainter& p) {
    p.fillRect(QRect(0, 0, kWidth, kHeight),
               Vertical(0, kHeight, QColor(0xBF, 0xDD, 0xF8), QColor(0xF2, 0xF8, 0xFE)));
    // Sun and a small cloud.
    p.setPen(Qt::NoPen);
    QRadialGradient sun(QPointF(22, 20), 16);
    sun.setColorAt(0.0, QColor(0xFF, 0xF0, 0xA8));
    sun.setColorAt(0.7, QColor(0xFF, 0xD2, 0x4A));
    sun.setColorAt(1.0, QColor(0xFF, 0xD2, 0x4A, 0));
    p.setBrush(sun);
    p.drawEllipse(QPointF(22, 20), 16, 16);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawEllipse(QPointF(84, 16), 10, 7);
    p.drawEllipse(QPointF(94, 13), 9, 8);
    p.drawEllipse(QPointF(103, 17), 8, 6);
    // Grassy ground.
    QPainterPath hill;
    hill.moveTo(0, 96);
    hill.cubicTo(40, 88, 110, 90, 160, 95);
    hill.lineTo(160, 120);
    hill.lineTo(0, 120);
    hill.closeSubpath();
    p.fillPath(hill, Vertical(88, 120, QColor(0x7C, 0xC8, 0x6A), QColor(0x4E, 0x9A, 0x48)));
}

void PaintMascot(QPainter& p) {
    const QColor outline(0x22, 0x28, 0x30);
    p.setPen(QPen(outline, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));

    // Legs and shoes.
    p.drawLine(QPointF(68, 82), QPointF(66, 96));
    p.drawLine(QPointF(92, 82), QPointF(94, 96));
    p.setBrush(QColor(kAccent));
    p.drawRoundedRect(QRectF(58, 94, 11, 5), 2.5, 2.5);
    p.drawRoundedRect(QRectF(91, 94, 11, 5), 2.5, 2.5);

    // Arm down on the left, arm waving on the right with motion marks.
    p.setBrush(Qt::NoBrush);
    QPainterPath rest;
    rest.moveTo(52, 66);
    rest.quadTo(44, 72, 45, 82);
    p.drawPath(rest);
    QPainterPath wave;
    wave.moveTo(108, 60);
    wave.quadTo(120, 52, 122, 38);
    p.drawPath(wave);
    p.setBrush(QColor(0xF7, 0xF9, 0xFB));
    p.drawEllipse(QPointF(45, 84), 3.4, 3.4);
    p.drawEllipse(QPointF(122, 35), 4.2, 4.2);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x5B, 0x67, 0x74), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(121, 24, 14, 14), 10 * 16, 70 * 16);
    p.drawArc(QRectF(120, 19, 22, 22), 15 * 16, 60 * 16);
    p.drawArc(QRectF(109, 26, 14, 14), 100 * 16, 60 * 16);

    // Body: a silver compact camera.
    p.setPen(QPen(outline, 1.4));
    p.setBrush(Vertical(38, 82, QColor(0xF8, 0xFA, 0xFC), QColor(0x9C, 0xA5, 0xAF)));
    p.drawRoundedRect(QRectF(72, 32, 16, 9), 2.5, 2.5);
    p.drawRoundedRect(QRectF(50, 38, 60, 45), 9, 9);
    p.setBrush(QColor(kLedRed));
    p.drawEllipse(QPointF(100, 46), 2.6, 2.6);

    // The lens is its one big friendly eye.
    const QPointF eye(80, 58);
    p.setBrush(QColor(0x1A, 0x1F, 0x25));
    p.drawEllipse(eye, 15, 15);
    QRadialGradient glass(eye + QPointF(-3, -4), 13);
    glass.setColorAt(0.0, QColor(0x8C, 0xCC, 0xFF));
    glass.setColorAt(0.5, QColor(0x2D, 0x74, 0xCC));
    glass.setColorAt(1.0, QColor(0x0C, 0x1E, 0x44));
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawEllipse(eye, 11, 11);
    p.setBrush(QColor(0x05, 0x08, 0x10));
    p.drawEllipse(eye + QPointF(1, 1), 4.5, 4.5);
    p.setBrush(Qt::white);
    p.drawEllipse(eye + QPointF(-4, -4), 3, 2.6);

    // Cheeks and a smile under the lens.
    p.setBrush(QColor(0xFF, 0x8C, 0x8C, 120));
    p.drawEllipse(QPointF(59, 72), 4, 2.5);
    p.drawEllipse(QPointF(101, 72), 4, 2.5);
    p.setPen(QPen(outline, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(73, 69, 14, 8), 200 * 16, 140 * 16);
}

}  // namespace

QImage DrawAboutHidden() {
    QImage image = NewOpaque(kWidth, kHeight, qRgb(255, 255, 255));
    QPainter p(&image);
    Smooth(p);
    PaintScene(p);
    PaintMascot(p);
    QFont caption = UiFont(9);
    caption.setItalic(true);
    DrawLabelWithEcho(p, QRectF(0, 104, kWidth, 14), QStringLiteral("made in Tavelin"), caption,
                      QColor(0x1E, 0x3A, 0x22), QColor(255, 255, 255, 120), {0, 1});
    p.end();
    return image;
}

}  // namespace tavelin::art
