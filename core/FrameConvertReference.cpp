#include <cstring>

#include "core/FrameConvertKernels.h"

// The conversion written for reading: the fast versions in FrameConvertKernels.cpp must
// produce the same bytes. It is also the row loop for processors without SSSE3 and for the
// pixels at the end of a row that the vector loops leave over.

namespace tavelin::reference {

void RowToRgb32(const std::uint8_t* __restrict bgr, std::uint8_t* __restrict out,
                std::size_t pixels) {
    for (std::size_t x = 0; x < pixels; ++x) {
        const std::uint32_t b = bgr[3 * x];
        const std::uint32_t g = bgr[3 * x + 1];
        const std::uint32_t r = bgr[3 * x + 2];
        const std::uint32_t word = 0xFF000000u | (r << 16) | (g << 8) | b;
        std::memcpy(out + 4 * x, &word, 4);  // the display's native (little-endian) order
    }
}

void FrameToRgb32(const std::uint8_t* frame, int width, int height, std::uint8_t* dst,
                  std::size_t dstStride) {
    if (frame == nullptr || dst == nullptr || width <= 0 || height <= 0)
        return;
    const std::size_t srcStride = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        // Memory row 0 of the frame is the bottom row on screen.
        const std::uint8_t* src = frame + srcStride * static_cast<std::size_t>(height - 1 - y);
        RowToRgb32(src, dst + dstStride * static_cast<std::size_t>(y),
                   static_cast<std::size_t>(width));
    }
}

}  // namespace tavelin::reference
