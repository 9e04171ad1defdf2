#pragma once
// Drawing helpers shared by all pictures: fonts that render the same everywhere,
// pixel-snapped text, gradients and the conversions to hard-edged masks and keys.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

namespace tavelin::art {

// DejaVu Sans at an exact pixel size with full hinting, so glyphs sit on the pixel
// grid and every machine with the font draws the same pixels.
QFont UiFont(double pixelSize, bool bold = false);
QFont UiFontCondensed(double pixelSize, bool bold = false);

// False when fontconfig gives anything but DejaVu Sans for UiFont: the pictures
// would then differ from machine to machine, so the generator refuses to run.
bool HasUiFont();

// An RGB picture filled with one colour, and a transparent one to draw shapes on.
QImage NewOpaque(int width, int height, QRgb fill);
QImage NewTransparent(int width, int height);

// A painter with anti-aliasing on for shapes and text.
void Smooth(QPainter& p);

// Text inside `box`, aligned as asked, with its origin rounded to whole pixels
// (sub-pixel positions smear small text). Vertical centring uses the cap height,
// which looks centred for labels without descenders.
void DrawLabel(QPainter& p, const QRectF& box, const QString& text, const QFont& font, QColor ink,
               Qt::Alignment align = Qt::AlignCenter);

// The same with a one-pixel shadow or highlight under the text (an engraved or
// embossed look that keeps small text readable on gradients).
void DrawLabelWithEcho(QPainter& p, const QRectF& box, const QString& text, const QFont& font,
                       QColor ink, QColor echo, QPoint echoOffset,
                       Qt::Alignment align = Qt::AlignCenter);

// Width of `text` in whole pixels as DrawLabel will draw it.
int LabelWidth(const QString& text, const QFont& font);

// Vertical linear gradient from top to bottom colour over [y0, y1].
QLinearGradient Vertical(double y0, double y1, QColor top, QColor bottom);

// Pure black where `shape` covers at least half a pixel, pure white elsewhere.
// Masks must not be anti-aliased: the program cuts outlines at exactly one colour.
QImage MaskFromPath(int width, int height, const QPainterPath& shape);

// Flattens an anti-aliased picture onto a transparent key colour without blending
// into it: pixels at least half covered become opaque in their own colour,
// the rest become exactly the key. Blending edges into a key colour would tint
// them and could push them into the key's tolerance by accident.
QImage FlattenOntoKey(const QImage& picture, QRgb key);

// Mixes two colours, t = 0 gives a, t = 1 gives b.
QColor Mix(QColor a, QColor b, double t);

}  // namespace tavelin::art
