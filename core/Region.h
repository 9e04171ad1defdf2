#pragma once
// Window outlines from pictures, as lists of one-pixel-high rectangles whose union is the
// opaque part of the picture. Pixels are 32-bit 0x00RRGGBB words (a QImage::Format_RGB32
// scan line; the top byte is ignored), `stride` in pixels. Key and tolerance colours are
// 0x00BBGGRR values: red in the low byte.
//
// An absent picture (null pixels, a size that is not positive, a stride shorter than a row)
// gives an empty list like a fully transparent one; callers that must tell "no outline"
// from "nothing visible" check their picture before asking.

#include <cstdint>
#include <vector>

namespace tavelin {

// Right and bottom exclusive; bottom is always top + 1 here.
struct RowRect {
    std::int32_t left, top, right, bottom;
    friend bool operator==(const RowRect&, const RowRect&) = default;
};

// Cuts away every pixel whose red, green and blue each lie in [key, key + tolerance]
// (per channel, capped at 255). One rectangle per run of remaining pixels, left to right,
// rows top to bottom.
std::vector<RowRect> RegionFromKeyedBitmap(const std::uint32_t* pixels, int width, int height,
                                           int stride, std::uint32_t key, std::uint32_t tolerance);

// Cuts away every pixel exactly equal to `key`. One rectangle per run of remaining pixels,
// left to right, rows from the bottom (y = height - 1) to the top.
std::vector<RowRect> RegionFromMask(const std::uint32_t* pixels, int width, int height, int stride,
                                    std::uint32_t key);

}  // namespace tavelin
