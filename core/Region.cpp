#include "core/Region.h"

#include <algorithm>
#include <cstddef>

namespace tavelin {
namespace {

constexpr std::uint32_t kRgbBits = 0x00FFFFFFu;

bool ValidPicture(const std::uint32_t* pixels, int width, int height, int stride) {
    return pixels != nullptr && width > 0 && height > 0 && stride >= width;
}

// A 0x00BBGGRR colour value as the 0x00RRGGBB pixel word it describes.
constexpr std::uint32_t ColourToPixel(std::uint32_t colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

// Appends one rectangle per run of pixels in `row` for which `transparent` is false.
template <typename IsTransparent>
void AppendRuns(const std::uint32_t* row, int width, std::int32_t y, IsTransparent transparent,
                std::vector<RowRect>& out) {
    int x = 0;
    while (x < width) {
        while (x < width && transparent(row[x]))
            ++x;
        if (x == width)
            break;
        const int start = x;
        while (x < width && !transparent(row[x]))
            ++x;
        out.push_back(RowRect{start, y, x, y + 1});
    }
}

}  // namespace

std::vector<RowRect> RegionFromKeyedBitmap(const std::uint32_t* pixels, int width, int height,
                                           int stride, std::uint32_t key, std::uint32_t tolerance) {
    std::vector<RowRect> rects;
    if (!ValidPicture(pixels, width, height, stride))
        return rects;

    // Bounds per channel in pixel-word position: red bits 16-23, green 8-15, blue 0-7.
    std::uint32_t low[3], high[3];
    for (int c = 0; c < 3; ++c) {
        const std::uint32_t k = (key >> (8 * c)) & 0xFFu;
        const std::uint32_t t = (tolerance >> (8 * c)) & 0xFFu;
        low[c] = k;
        high[c] = std::min<std::uint32_t>(255u, k + t);
    }
    auto transparent = [&](std::uint32_t p) {
        const std::uint32_t r = (p >> 16) & 0xFFu, g = (p >> 8) & 0xFFu, b = p & 0xFFu;
        return r >= low[0] && r <= high[0] && g >= low[1] && g <= high[1] && b >= low[2] &&
               b <= high[2];
    };
    for (int y = 0; y < height; ++y) {
        AppendRuns(pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride), width,
                   y, transparent, rects);
    }
    return rects;
}

std::vector<RowRect> RegionFromMask(const std::uint32_t* pixels, int width, int height, int stride,
                                    std::uint32_t key) {
    std::vector<RowRect> rects;
    if (!ValidPicture(pixels, width, height, stride))
        return rects;
    const std::uint32_t keyPixel = ColourToPixel(key & kRgbBits);
    auto transparent = [keyPixel](std::uint32_t p) { return (p & kRgbBits) == keyPixel; };
    for (int y = height - 1; y >= 0; --y) {
        AppendRuns(pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride), width,
                   y, transparent, rects);
    }
    return rects;
}

}  // namespace tavelin
