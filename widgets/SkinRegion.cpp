#include "widgets/SkinRegion.h"

#include <QRect>
#include <algorithm>
#include <vector>

#include "core/Region.h"

namespace tavelin {

namespace {

// Rows with the same runs as the row above extend that row's band, which gives the
// region in the banded form Qt expects (and compares by).
QRegion ToRegion(std::vector<RowRect> rects) {
    std::sort(rects.begin(), rects.end(), [](const RowRect& a, const RowRect& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    std::vector<QRect> bands;
    bands.reserve(rects.size());
    std::size_t previousBand = 0;  // first rectangle of the band above
    std::size_t i = 0;
    while (i < rects.size()) {
        std::size_t end = i;
        while (end < rects.size() && rects[end].top == rects[i].top)
            ++end;
        const std::size_t count = end - i;
        const std::size_t previousCount = bands.size() - previousBand;
        bool extends = previousCount == count && !bands.empty() &&
                       bands[previousBand].bottom() + 1 == rects[i].top;
        for (std::size_t k = 0; extends && k < count; ++k) {
            const QRect& above = bands[previousBand + k];
            extends = above.left() == rects[i + k].left && above.right() + 1 == rects[i + k].right;
        }
        if (extends) {
            for (std::size_t k = 0; k < count; ++k)
                bands[previousBand + k].setBottom(rects[i].top);
        } else {
            previousBand = bands.size();
            for (std::size_t k = i; k < end; ++k) {
                const RowRect& r = rects[k];
                bands.emplace_back(r.left, r.top, r.right - r.left, r.bottom - r.top);
            }
        }
        i = end;
    }
    QRegion region;
    region.setRects(bands.data(), static_cast<int>(bands.size()));
    return region;
}

QImage AsRgb32(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

QRegion KeyedBitmapRegion(const QImage& picture, std::uint32_t key, std::uint32_t tolerance) {
    if (picture.isNull())
        return {};
    const QImage pixels = AsRgb32(picture);
    return ToRegion(RegionFromKeyedBitmap(
        reinterpret_cast<const std::uint32_t*>(pixels.constBits()), pixels.width(), pixels.height(),
        static_cast<int>(pixels.bytesPerLine() / 4), key, tolerance));
}

QRegion MaskRegion(const QImage& mask, std::uint32_t key) {
    if (mask.isNull())
        return {};
    const QImage pixels = AsRgb32(mask);
    return ToRegion(RegionFromMask(reinterpret_cast<const std::uint32_t*>(pixels.constBits()),
                                   pixels.width(), pixels.height(),
                                   static_cast<int>(pixels.bytesPerLine() / 4), key));
}

}  // namespace tavelin
