#include "capture/FrameCopy.h"

#include <cstring>

namespace tavelin {

void CopyRowsFlipped(std::uint8_t* __restrict dst, const std::uint8_t* __restrict src,
                     std::size_t rowBytes, std::size_t srcStride, std::size_t rows) {
    if (rows == 0)
        return;
    // One memcpy a row: rows are hundreds of bytes or more, so this runs at memcpy speed.
    const std::uint8_t* srcRow = src + (rows - 1) * srcStride;
    for (std::size_t r = 0; r < rows; ++r) {
        std::memcpy(dst, srcRow, rowBytes);
        dst += rowBytes;
        srcRow -= srcStride;
    }
}

}  // namespace tavelin
