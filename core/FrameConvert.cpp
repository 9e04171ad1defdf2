#include "core/FrameConvert.h"

#include <cstring>

namespace tavelin {

void FrameToRgb32(const std::uint8_t* __restrict frame, int width, int height,
                  std::uint8_t* __restrict dst, std::size_t dstStride) {
    if (frame == nullptr || dst == nullptr || width <= 0 || height <= 0)
        return;
    const std::size_t srcStride = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        // Memory row 0 of the frame is the bottom row on screen.
        const std::uint8_t* __restrict src =
            frame + srcStride * static_cast<std::size_t>(height - 1 - y);
        std::uint32_t* __restrict out =
            reinterpret_cast<std::uint32_t*>(dst + dstStride * static_cast<std::size_t>(y));
        for (int x = 0; x < width; ++x) {
            const std::uint32_t b = src[3 * x];
            const std::uint32_t g = src[3 * x + 1];
            const std::uint32_t r = src[3 * x + 2];
            out[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
}

}  // namespace tavelin
