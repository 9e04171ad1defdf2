#include "resources/artgen/SkinArt.h"

#include <QPainter>
#include <QPen>

#include "resources/artgen/FaceArt.h"
#include "resources/artgen/Layout.h"
#include "resources/artgen/PaintKit.h"
#include "resources/artgen/Palette.h"
#include "resources/artgen/Shapes.h"

namespace tavelin::art {

namespace {

// A light panel set into the graphite body. Its inside is one flat colour: the
// button faces round their corners off in exactly that colour.
void PaintPanel(QPainter& p, const QRect& r) {
    const QRectF box = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(box, 5.0, 5.0);
    // Shadow line above and light line below make it look set in.
    QPainterPath lip;
    lip.addRoundedRect(box.adjusted(-1.0, -1.0, 1.0, 1.0), 6.0, 6.0);
    p.fillPath(lip, Vertical(box.top() - 1, box.bottom() + 1, QColor(0x14, 0x17, 0x1B),
                             QColor(0x6A, 0x72, 0x7C)));
    p.fillPath(shape, QColor(kPanel));
    p.setPen(QPen(QColor(kPanelShadow), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    p.setPen(QPen(QColor(kPanelHighlight), 1.0));
    p.drawLine(QPointF(box.left() + 4, box.top() + 1), QPointF(box.right() - 4, box.top() + 1));
}

// An etched line across a panel: a shadow line with a highlight under it.
void PaintEtch(QPainter& p, int x0, int x1, int y) {
    p.setPen(QPen(QColor(kPanelShadow), 1.0));
    p.drawLine(QPointF(x0 + 0.5, y + 0.5), QPointF(x1 - 0.5, y + 0.5));
    p.setPen(QPen(QColor(kPanelHighlight), 1.0));
    p.drawLine(QPointF(x0 + 0.5, y + 1.5), QPointF(x1 - 0.5, y + 1.5));
}

// A group caption in the body above a panel: small capitals and a hairline that
// runs on to the right edge of the panel.
void PaintCaption(QPainter& p, const QString& text, const QRect& panel) {
    const QFont font = UiFont(8, true);
    const int baselineBox = panel.top() - 14;
    const QRectF box(panel.left() + 8, baselineBox, 200, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kAccent));
    p.drawRoundedRect(QRectF(panel.left() + 2, baselineBox + 2.5, 3, 7), 1.2, 1.2);
    DrawLabelWithEcho(p, box, text, font, QColor(kBodyInk), QColor(0x10, 0x12, 0x15), {0, 1},
                      Qt::AlignLeft | Qt::AlignVCenter);
    const double x0 = box.left() + LabelWidth(text, font) + 7;
    const double y = baselineBox + 6.5;
    p.setPen(QPen(QColor(0x15, 0x18, 0x1C), 1.0));
    p.drawLine(QPointF(x0, y), QPointF(panel.right() - 2.5, y));
    p.setPen(QPen(QColor(0x4C, 0x54, 0x5E), 1.0));
    p.drawLine(QPointF(x0, y + 1), QPointF(panel.right() - 2.5, y + 1));
}

void PaintTitleBar(QPainter& p, const QPainterPath& outline) {
    QPainterPath bar;
    bar.addRect(0, 0, kSkinWidth, kTitleHeight);
    p.fillPath(outline.intersected(bar),
               Vertical(0, kTitleHeight, QColor(kTitleTop), QColor(kTitleBottom)));
    p.setPen(QPen(QColor(0x16, 0x19, 0x1D), 1.0));
    p.drawLine(QPointF(1, kTitleHeight - 0.5), QPointF(kSkinWidth - 1, kTitleHeight - 0.5));
    p.setPen(QPen(QColor(0x4A, 0x52, 0x5C), 1.0));
    p.drawLine(QPointF(1, kTitleHeight + 0.5), QPointF(kSkinWidth - 1, kTitleHeight + 0.5));

    // The buttons sit over the first two knobs; the third one is only drawn.
    const QPointF half(kKnobSize / 2.0, kKnobSize / 2.0);
    PaintKnob(p, QPointF(kCloseKnob) + half, kLedRed, KnobSymbol::Cross);
    PaintKnob(p, QPointF(kMinimiseKnob) + half, kLedYellow, KnobSymbol::Bar);
    PaintKnob(p, QPointF(kThirdKnob) + half, qRgb(0x7D, 0x87, 0x92), KnobSymbol::None);

    // "Tavelin" strong, "Video Center" lighter, centred as one line.
    const QFont strong = UiFont(11, true);
    const QFont light = UiFont(11);
    const QString first = QStringLiteral("Tavelin");
    const QString second = QStringLiteral(" Video Center");
    const int width = LabelWidth(first, strong) + LabelWidth(second, light);
    const int x = (kSkinWidth - width) / 2;
    const QRectF box(x, 0, width, kTitleHeight);
    const QColor shadow(0x14, 0x16, 0x1A);
    DrawLabelWithEcho(p, box, first, strong, QColor(kTitleInk), shadow, {0, 1},
                      Qt::AlignLeft | Qt::AlignVCenter);
    DrawLabelWithEcho(p, box.adjusted(LabelWidth(first, strong), 0, 0, 0), second, light,
                      QColor(kAccentLight), shadow, {0, 1}, Qt::AlignLeft | Qt::AlignVCenter);
}

void PaintSettingsLabels(QPainter& p) {
    static const char* const kLabels[] = {"Audio Device", "Audio Compressor", "Output file path",
                                          "Video Compressor"};
    const QFont font = UiFont(9, true);
    for (std::size_t i = 0; i < kSettingRows.size(); ++i) {
        const QRectF box(16, kSettingRows[i], kListX - 20, kRowHeight);
        DrawLabelWithEcho(p, box, QString::fromLatin1(kLabels[i]), font, QColor(kPanelInk),
                          QColor(kPanelHighlight), {0, 1}, Qt::AlignLeft | Qt::AlignVCenter);
    }
    // Audio rows above, video rows below.
    PaintEtch(p, 16, kSettingsPanel.right() - 7, 82);
}

// Slots of a speaker grille and the maker's mark, right of the audio strip.
void PaintFooter(QPainter& p) {
    const int y = kStrip.y();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 9; ++i) {
        const double x = 196.0 + i * 7.0;
        p.setBrush(QColor(0x14, 0x17, 0x1B));
        p.drawRoundedRect(QRectF(x, y + 2.0, 3.0, 11.0), 1.5, 1.5);
        p.setBrush(QColor(0x55, 0x5D, 0x67, 150));
        p.drawRoundedRect(QRectF(x + 0.5, y + 12.0, 2.5, 1.5), 0.7, 0.7);
    }
    QFont mark = UiFont(9, true);
    mark.setLetterSpacing(QFont::AbsoluteSpacing, 2.0);
    DrawLabelWithEcho(p, QRectF(200, y, kSkinWidth - 16 - 200, kStripHeight),
                      QStringLiteral("TAVELIN"), mark, QColor(kBodyInk), QColor(0x12, 0x14, 0x17),
                      {0, 1}, Qt::AlignRight | Qt::AlignVCenter);
}

}  // namespace

QImage DrawSkin() {
    QImage body = NewTransparent(kSkinWidth, kSkinHeight);
    QPainter p(&body);
    Smooth(p);

    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, kSkinWidth, kSkinHeight), kSkinCornerRadius,
                           kSkinCornerRadius);
    p.fillPath(outline, Vertical(0, kSkinHeight, QColor(kBodyTop), QColor(kBodyBottom)));
    PaintTitleBar(p, outline);

    PaintPanel(p, kSettingsPanel);
    PaintPanel(p, kSizePanel);
    PaintPanel(p, kCommandPanel);
    PaintSettingsLabels(p);
    PaintCaption(p, QStringLiteral("CAPTURE SIZE"), kSizePanel);
    PaintCaption(p, QStringLiteral("COMMANDS"), kCommandPanel);

    p.drawImage(kStrip, DrawAudioStrip(false));
    PaintFooter(p);

    // Rim: a dark outer line and a faint light line inside it.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(kBodyEdge), 1.0));
    p.drawRoundedRect(QRectF(0.5, 0.5, kSkinWidth - 1, kSkinHeight - 1), kSkinCornerRadius - 0.5,
                      kSkinCornerRadius - 0.5);
    p.setPen(QPen(QColor(kBodyHighlight), 1.0));
    p.drawRoundedRect(QRectF(1.5, 1.5, kSkinWidth - 3, kSkinHeight - 3), kSkinCornerRadius - 1.5,
                      kSkinCornerRadius - 1.5);
    p.end();

    // Hard edge onto the key: the window outline is cut where the key is, and a
    // blended green edge would tint the rim.
    return FlattenOntoKey(body, kSkinKey);
}

}  // namespace tavelin::art
