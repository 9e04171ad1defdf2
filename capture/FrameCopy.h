#pragma once
// The hand-off's copy: GStreamer delivers rows top-down, possibly with padding
// after each row; the frame buffer holds them bottom-up and packed.

#include <cstddef>
#include <cstdint>

namespace tavelin {

// Copies `rows` rows of `rowBytes` bytes, `srcStride` bytes apart starting at the
// top row `src`, into `dst` bottom row first, with no padding between rows.
// srcStride must be at least rowBytes.
void CopyRowsFlipped(std::uint8_t* __restrict dst, const std::uint8_t* __restrict src,
                     std::size_t rowBytes, std::size_t srcStride, std::size_t rows);

}  // namespace tavelin
