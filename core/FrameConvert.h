#pragma once
// Turns a frame (bottom-up BGR rows) into the top-down 32-bit pixels a display
// surface paints, in one pass into a buffer the caller keeps for the whole size.

#include <cstddef>
#include <cstdint>

namespace tavelin {

// dst receives height rows of width 0xFFRRGGBB words, top row first; dstStride is
// in bytes. Both buffers must hold the full size.
void FrameToRgb32(const std::uint8_t* __restrict frame, int width, int height,
                  std::uint8_t* __restrict dst, std::size_t dstStride);

}  // namespace tavelin
