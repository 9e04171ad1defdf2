#include "resources/artgen/FaceArt.h"

#include <QPainter>
#include <QPen>
#include <QRadialGradient>

#include "resources/artgen/PaintKit.h"
#include "resources/artgen/Palette.h"
#include "resources/artgen/Shapes.h"

namespace tavelin::art {

namespace {

struct FaceColours {
    QRgb top;
    QRgb bottom;
    QRgb border;
    QRgb ink;
    QColor echo;
    QPoint echoOffset;
    QPoint textShift;  // a pressed face's label sits one pixel down and right
};

FaceColours ColoursFor(FaceState state) {
    switch (state) {
        case FaceState::Down:
            return {.top = kDownTop,
                    .bottom = kDownBottom,
                    .border = kDownBorder,
                    .ink = kDownInk,
                    .echo = QColor(kDownInkShadow),
                    .echoOffset = {0, 1},
                    .textShift = {1, 1}};
        case FaceState::Disabled:
            return {.top = kOffTop,
                    .bottom = kOffBottom,
                    .border = kOffBorder,
                    .ink = kOffInk,
                    .echo = QColor(255, 255, 255),
                    .echoOffset = {1, 1},
                    .textShift = {0, 0}};
        case FaceState::Normal:
            break;
    }
    return {.top = kFaceTop,
            .bottom = kFaceBottom,
            .border = kFaceBorder,
            .ink = kFaceInk,
            .echo = QColor(255, 255, 255, 200),
            .echoOffset = {0, 1},
            .textShift = {0, 0}};
}

// A glossy indicator lens in a dark bezel. Unlit lenses are grey glass.
void PaintLed(QPainter& p, QPointF c, double r, QColor colour, bool lit) {
    p.save();
    p.setPen(Qt::NoPen);
    // Bezel: dark ring with a faint light lower rim, as if set into the face.
    QLinearGradient bezel(c.x(), c.y() - r - 1.7, c.x(), c.y() + r + 1.7);
    bezel.setColorAt(0.0, QColor(0x14, 0x18, 0x1D));
    bezel.setColorAt(1.0, QColor(0x3C, 0x44, 0x4E));
    p.setBrush(bezel);
    p.drawEllipse(c, r + 1.7, r + 1.7);

    const QColor body = lit ? colour : QColor(kLedGrey);
    QRadialGradient lens(c + QPointF(-0.25 * r, -0.3 * r), 1.25 * r);
    lens.setColorAt(0.0, lit ? body.lighter(150) : body.lighter(125));
    lens.setColorAt(0.55, body);
    lens.setColorAt(1.0, body.darker(lit ? 165 : 180));
    p.setBrush(lens);
    p.drawEllipse(c, r, r);

    // Glint on the upper half of the glass.
    p.setBrush(QColor(255, 255, 255, lit ? 175 : 120));
    p.drawEllipse(QPointF(c.x() - 0.15 * r, c.y() - 0.45 * r), 0.55 * r, 0.3 * r);
    p.restore();
}

struct EyeStyle {
    QColor lid;
    QColor white;
    QColor ring;
    QColor glass;
};

EyeStyle EyeOnLight() {
    return {QColor(0x55, 0x61, 0x6E), QColor(0xF6, 0xF8, 0xFA), QColor(0x3B, 0x45, 0x50),
            QColor(0x6F, 0x86, 0x9C)};
}

EyeStyle EyeOnBlue() {
    return {QColor(0x0C, 0x29, 0x50), QColor(0xFF, 0xFF, 0xFF), QColor(0x16, 0x1D, 0x26),
            QColor(0x2F, 0x80, 0xDC)};
}

// An eye whose iris is a camera lens: lids, the white, a dark lens ring, blue glass
// and a catch light.
void PaintEye(QPainter& p, const EyeStyle& s) {
    p.save();
    p.setPen(Qt::NoPen);
    p.fillPath(EyeOutline(), s.lid);
    const QPointF c = EyeCentre();
    p.fillPath(EyeOpening(), Vertical(c.y() - 5, c.y() + 5, s.white, Mix(s.white, s.lid, 0.18)));
    p.setClipPath(EyeOpening());
    p.setBrush(s.ring);
    p.drawEllipse(c, 4.6, 4.6);
    QRadialGradient glass(c + QPointF(-0.8, -0.9), 4.0);
    glass.setColorAt(0.0, s.glass.lighter(160));
    glass.setColorAt(0.6, s.glass);
    glass.setColorAt(1.0, s.glass.darker(220));
    p.setBrush(glass);
    p.drawEllipse(c, 3.3, 3.3);
    p.setBrush(QColor(0x0A, 0x0D, 0x12));
    p.drawEllipse(c, 1.5, 1.5);
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawEllipse(c + QPointF(-1.4, -1.4), 0.9, 0.9);
    p.restore();
}

// The red sight of a watching camera: a ring round the lens, a red pupil and two
// cross-hair ticks on the white.
void PaintEyeMarks(QPainter& p) {
    const QPointF c = EyeCentre();
    const QColor red(kLedRed);
    p.save();
    p.setClipPath(EyeOpening());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(red, 1.2));
    p.drawEllipse(c, 4.4, 4.4);
    p.setPen(QPen(red, 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(2.6, c.y()), QPointF(5.4, c.y()));
    p.drawLine(QPointF(15.6, c.y()), QPointF(18.4, c.y()));
    p.setPen(Qt::NoPen);
    QRadialGradient pupil(c, 1.9);
    pupil.setColorAt(0.0, QColor(0xFF, 0x9A, 0x80));
    pupil.setColorAt(1.0, red);
    p.setBrush(pupil);
    p.drawEllipse(c, 1.7, 1.7);
    p.restore();
}

QImage CropLeft(const QImage& face, int width) {
    return face.copy(0, 0, width, face.height()).convertToFormat(QImage::Format_RGB32);
}

}  // namespace

QImage DrawFace(const QString& label, FaceState state, FaceMark mark) {
    const FaceColours c = ColoursFor(state);
    QImage image = NewOpaque(kFaceWidth, kFaceHeight, kPanel);
    QPainter p(&image);
    Smooth(p);

    QPainterPath shape;
    shape.addRoundedRect(QRectF(0.5, 0.5, kFaceWidth - 1, kFaceHeight - 1), 3.5, 3.5);
    p.fillPath(shape, Vertical(0, kFaceHeight, QColor(c.top), QColor(c.bottom)));
    // Gloss on the upper half, stronger on the light faces.
    QPainterPath upper;
    upper.addRoundedRect(QRectF(1.5, 1.5, kFaceWidth - 3, kFaceHeight / 2.0 - 1.0), 2.5, 2.5);
    p.fillPath(upper, QColor(255, 255, 255, state == FaceState::Down ? 34 : 70));
    p.setPen(QPen(QColor(c.border), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    // Top inner highlight line.
    p.setPen(QPen(QColor(255, 255, 255, state == FaceState::Down ? 70 : 190), 1.0));
    p.drawLine(QPointF(3.5, 1.5), QPointF(kFaceWidth - 3.5, 1.5));

    // The label is centred in what the mark leaves free, inside the border.
    double textLeft = 1.0;
    switch (mark) {
        case FaceMark::GreenLight:
            PaintLed(p, LightCentre(), kLightLensRadius, QColor(kLedGreen), true);
            textLeft = kLightWidth - 1;
            break;
        case FaceMark::RedLight:
            PaintLed(p, LightCentre(), kLightLensRadius, QColor(kLedRed), true);
            textLeft = kLightWidth - 1;
            break;
        case FaceMark::Eye:
            PaintEye(p, state == FaceState::Down ? EyeOnBlue() : EyeOnLight());
            textLeft = kEyeSize;
            break;
        case FaceMark::None:
            break;
    }

    const QFont font = UiFont(9, true);
    QRectF textBox(textLeft, 0.0, kFaceWidth - 1.0 - textLeft, kFaceHeight);
    QPoint shift = c.textShift;
    // A long label keeps its place across: a shift would push it onto the border.
    if ((textBox.width() - LabelWidth(label, font)) / 2.0 < 4.0) {
        shift.setX(0);
    }
    DrawLabelWithEcho(p, textBox.translated(shift), label, font, QColor(c.ink), c.echo,
                      c.echoOffset);
    return image;
}

QImage DrawRecordLight(const QImage& faceUnder, bool lit) {
    QImage image = CropLeft(faceUnder, kLightWidth);
    QPainter p(&image);
    Smooth(p);
    PaintLed(p, LightCentre(), kLightLensRadius, QColor(kLedOrange), lit);
    return image;
}

QImage DrawMonitorEye(const QImage& faceUnder, bool marks) {
    QImage image = CropLeft(faceUnder, kEyeSize);
    if (marks) {
        QPainter p(&image);
        Smooth(p);
        PaintEyeMarks(p);
    }
    return image;
}

void PaintKnob(QPainter& p, QPointF c, QRgb colour, KnobSymbol symbol) {
    p.save();
    p.setPen(Qt::NoPen);
    QLinearGradient bezel(0, c.y() - 7.0, 0, c.y() + 7.0);
    bezel.setColorAt(0.0, QColor(0x12, 0x15, 0x19));
    bezel.setColorAt(1.0, QColor(0x2E, 0x34, 0x3B));
    p.setBrush(bezel);
    p.drawEllipse(c, 6.9, 6.9);

    const QColor body(colour);
    QRadialGradient lens(c + QPointF(-1.2, -1.6), 7.0);
    lens.setColorAt(0.0, body.lighter(145));
    lens.setColorAt(0.6, body);
    lens.setColorAt(1.0, body.darker(150));
    p.setBrush(lens);
    p.drawEllipse(c, 5.7, 5.7);
    p.setBrush(QColor(255, 255, 255, 110));
    p.drawEllipse(QPointF(c.x(), c.y() - 2.6), 3.0, 1.6);

    const QColor ink = body.darker(330);
    switch (symbol) {
        case KnobSymbol::Cross:
            p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(c + QPointF(-2.3, -2.3), c + QPointF(2.3, 2.3));
            p.drawLine(c + QPointF(-2.3, 2.3), c + QPointF(2.3, -2.3));
            break;
        case KnobSymbol::Bar:
            p.setPen(QPen(ink, 1.7, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(c + QPointF(-2.8, 0.0), c + QPointF(2.8, 0.0));
            break;
        case KnobSymbol::None:
            break;
    }
    p.restore();
}

QImage DrawKnob(QRgb colour, KnobSymbol symbol, QRgb background) {
    QImage image = NewOpaque(kKnobSize, kKnobSize, background);
    QPainter p(&image);
    Smooth(p);
    PaintKnob(p, KnobCentre(), colour, symbol);
    return image;
}

QImage DrawAudioStrip(bool audioOn) {
    QImage image = NewOpaque(kStripWidth, kStripHeight, kDisplayBack);
    QPainter p(&image);
    // The recess: dark upper and left edges, a faint light lower and right edge.
    p.setPen(QColor(0x0A, 0x0C, 0x0F));
    p.drawLine(0, 0, kStripWidth - 1, 0);
    p.drawLine(0, 0, 0, kStripHeight - 1);
    p.setPen(QColor(0x4B, 0x53, 0x5D));
    p.drawLine(1, kStripHeight - 1, kStripWidth - 1, kStripHeight - 1);
    p.drawLine(kStripWidth - 1, 1, kStripWidth - 1, kStripHeight - 1);

    Smooth(p);
    const QColor ink(audioOn ? kDisplayOn : kDisplayInk);
    QPainterPath speaker;
    speaker.moveTo(4.5, 5.5);
    speaker.lineTo(7.0, 5.5);
    speaker.lineTo(10.5, 2.5);
    speaker.lineTo(10.5, 12.5);
    speaker.lineTo(7.0, 9.5);
    speaker.lineTo(4.5, 9.5);
    speaker.closeSubpath();
    p.setPen(Qt::NoPen);
    p.fillPath(speaker, ink);
    if (audioOn) {
        p.setPen(QPen(ink, 1.1, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(9.0, 4.5, 6.0, 6.0), -50 * 16, 100 * 16);
        p.drawArc(QRectF(7.5, 2.0, 11.0, 11.0), -50 * 16, 100 * 16);
    } else {
        p.setPen(QPen(QColor(0xF0, 0x5A, 0x50), 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(13.0, 5.0), QPointF(17.0, 10.0));
        p.drawLine(QPointF(17.0, 5.0), QPointF(13.0, 10.0));
    }
    const QString text = audioOn ? QStringLiteral("Audio on while run recorder")
                                 : QStringLiteral("Mute on while run recorder");
    DrawLabel(p, QRectF(22.0, 0.0, kStripWidth - 24.0, kStripHeight), text, UiFont(8), ink,
              Qt::AlignLeft | Qt::AlignVCenter);
    return image;
}

}  // namespace tavelin::art
