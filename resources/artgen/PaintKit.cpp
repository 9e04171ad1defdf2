#include "resources/artgen/PaintKit.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <cmath>

namespace tavelin::art {

namespace {

QFont MakeFont(const char* family, double pixelSize, bool bold) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(static_cast<int>(std::lround(pixelSize)));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setKerning(true);
    return font;
}

// Top-left of the text's bounding advance box, snapped to whole pixels.
QPointF SnappedOrigin(const QRectF& box, const QString& text, const QFont& font,
                      Qt::Alignment align) {
    const QFontMetricsF metrics(font);
    const double width = std::round(metrics.horizontalAdvance(text));
    double x = box.left();
    if (align & Qt::AlignHCenter) {
        x = box.left() + (box.width() - width) / 2.0;
    } else if (align & Qt::AlignRight) {
        x = box.right() - width;
    }
    double baseline = box.bottom() - metrics.descent();
    if (align & Qt::AlignVCenter) {
        baseline = box.top() + (box.height() + metrics.capHeight()) / 2.0;
    } else if (align & Qt::AlignTop) {
        baseline = box.top() + metrics.ascent();
    }
    return {std::round(x), std::round(baseline)};
}

}  // namespace

QFont UiFont(double pixelSize, bool bold) {
    return MakeFont("DejaVu Sans", pixelSize, bold);
}

QFont UiFontCondensed(double pixelSize, bool bold) {
    return MakeFont("DejaVu Sans Condensed", pixelSize, bold);
}

bool HasUiFont() {
    return QFontInfo(UiFont(9)).family() == QLatin1String("DejaVu Sans") &&
           QFontInfo(UiFontCondensed(9)).family() == QLatin1String("DejaVu Sans Condensed");
}

QImage NewOpaque(int width, int height, QRgb fill) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QImage NewTransparent(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Smooth(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

void DrawLabel(QPainter& p, const QRectF& box, const QString& text, const QFont& font, QColor ink,
               Qt::Alignment align) {
    p.save();
    p.setFont(font);
    p.setPen(ink);
    p.drawText(SnappedOrigin(box, text, font, align), text);
    p.restore();
}

void DrawLabelWithEcho(QPainter& p, const QRectF& box, const QString& text, const QFont& font,
                       QColor ink, QColor echo, QPoint echoOffset, Qt::Alignment align) {
    DrawLabel(p, box.translated(echoOffset), text, font, echo, align);
    DrawLabel(p, box, text, font, ink, align);
}

int LabelWidth(const QString& text, const QFont& font) {
    return static_cast<int>(std::lround(QFontMetricsF(font).horizontalAdvance(text)));
}

QLinearGradient Vertical(double y0, double y1, QColor top, QColor bottom) {
    QLinearGradient g(0.0, y0, 0.0, y1);
    g.setColorAt(0.0, top);
    g.setColorAt(1.0, bottom);
    return g;
}

QImage MaskFromPath(int width, int height, const QPainterPath& shape) {
    QImage coverage = NewTransparent(width, height);
    {
        QPainter p(&coverage);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.fillPath(shape, Qt::black);
    }
    QImage mask = NewOpaque(width, height, qRgb(255, 255, 255));
    for (int y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(coverage.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (qAlpha(in[x]) >= 128) {
                out[x] = qRgb(0, 0, 0);
            }
        }
    }
    return mask;
}

QImage FlattenOntoKey(const QImage& picture, QRgb key) {
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    QImage out = NewOpaque(argb.width(), argb.height(), key);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        auto* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(in[x]) >= 128) {
                o[x] = qRgb(qRed(in[x]), qGreen(in[x]), qBlue(in[x]));
            }
        }
    }
    return out;
}

QColor Mix(QColor a, QColor b, double t) {
    auto lerp = [t](int u, int v) { return static_cast<int>(std::lround(u + (v - u) * t)); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()),
                  lerp(a.alpha(), b.alpha()));
}

}  // namespace tavelin::art
