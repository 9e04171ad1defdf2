#include "core/FrameConvert.h"

#include "core/FrameConvertKernels.h"

namespace tavelin {

void FrameToRgb32(const std::uint8_t* __restrict frame, int width, int height,
                  std::uint8_t* __restrict dst, std::size_t dstStride) {
    if (frame == nullptr || dst == nullptr || width <= 0 || height <= 0)
        return;
    const frameconvert::RowKernel row = frameconvert::BestRowKernel();
    const std::size_t pixels = static_cast<std::size_t>(width);
    const std::size_t srcStride = pixels * 3;
    for (int y = 0; y < height; ++y) {
        // Memory row 0 of the frame is the bottom row on screen.
        const std::uint8_t* src = frame + srcStride * static_cast<std::size_t>(height - 1 - y);
        row(src, dst + dstStride * static_cast<std::size_t>(y), pixels,
            y + 1 < height ? src - srcStride : src);
    }
}

}  // namespace tavelin
