#pragma once
// 2x enlargement of a camera frame for the two large shown sizes.

#include <cstdint>

namespace tavelin {

// Enlarges a frame of w x h BGR pixels (bottom-up rows) into one of 2w x 2h.
// Output pixel (i, j) blends source pixel A = (i / 2, j / 2) with its upper
// neighbour B and its right neighbour C: (A (4 - fx - fy) + B fy + C fx) / 4,
// fx = j % 2, fy = i % 2. The right neighbour of a row's last pixel is the first
// pixel of the next row. The two top output rows have no upper neighbour row and
// repeat row 2h - 3; a single-row frame becomes two rows of doubled pixels.
// Does nothing for a null buffer or a size below 1.
void Enlarge2x(const std::uint8_t* source, int w, int h, std::uint8_t* destination);

namespace reference {
// The per-pixel version the fast one is checked against.
void Enlarge2x(const std::uint8_t* source, int w, int h, std::uint8_t* destination);
}  // namespace reference

}  // namespace tavelin
