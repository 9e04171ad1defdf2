#pragma once
// Window outlines from pictures, as regions Qt can give a widget with setMask.

#include <QImage>
#include <QRegion>
#include <cstdint>

namespace tavelin {

// Colour values here are 0x00BBGGRR: red in the low byte.
constexpr std::uint32_t ColourValue(int red, int green, int blue) {
    return static_cast<std::uint32_t>(red) | (static_cast<std::uint32_t>(green) << 8) |
           (static_cast<std::uint32_t>(blue) << 16);
}

// Everything of the picture except the pixels within `tolerance` above `key`.
QRegion KeyedBitmapRegion(const QImage& picture, std::uint32_t key, std::uint32_t tolerance);
// Everything of the mask except the pixels exactly equal to `key`.
QRegion MaskRegion(const QImage& mask, std::uint32_t key);

}  // namespace tavelin
