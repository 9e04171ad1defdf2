#pragma once
// The motion detector's per-frame pixel loops, vectorised, and the plain loops
// they are checked against. Internal to the detector and its tests.
//
// Row arguments are rows of w >= 1 bytes that do not overlap the output.

#include <cstddef>
#include <cstdint>

namespace tavelin {

namespace motion {

// Grey values of `pixels` BGR pixels into `current` (bit-exact with GreyOf) and,
// when `previous` is not null, mask[i] = 255 where |previous[i] - current[i]|
// exceeds the change threshold, else 0.
void GreyDifference(const std::uint8_t* bgr, const std::uint8_t* previous, std::uint8_t* current,
                    std::uint8_t* mask, std::size_t pixels);

// out[x] = max of in[x - 1 ... x + 1] within the row.
void RowMax3(const std::uint8_t* in, std::uint8_t* out, std::size_t w);

// out[x] = max of a[x], b[x], c[x].
void Max3(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c, std::uint8_t* out,
          std::size_t w);

// Outline of a 0/255 row between its upper and lower neighbours: the end pixels
// keep their value; an inner set pixel stays set unless all four edge
// neighbours are set too.
void OutlineRow(const std::uint8_t* up, const std::uint8_t* row, const std::uint8_t* down,
                std::uint8_t* out, std::size_t w);

bool AnyNonZero(const std::uint8_t* p, std::size_t n);

// One output row of the zoom view: (A (200 - fx - fy) + B fy + C fx) / 200 per
// byte, fx and fy below 100.
void BlendTaps(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c,
               const std::uint8_t* fx, std::uint16_t fy, std::uint8_t* out, std::size_t bytes);

}  // namespace motion

// Plain versions of the row loops above (Grey and Difference, declared with the
// detector, stand for GreyDifference). OutlineRow's expects a 0/255 row.
namespace reference {

void RowMax3(const std::uint8_t* in, std::uint8_t* out, std::size_t w);
void Max3(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c, std::uint8_t* out,
          std::size_t w);
void OutlineRow(const std::uint8_t* up, const std::uint8_t* row, const std::uint8_t* down,
                std::uint8_t* out, std::size_t w);
bool AnyNonZero(const std::uint8_t* p, std::size_t n);
void BlendTaps(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c,
               const std::uint8_t* fx, std::uint16_t fy, std::uint8_t* out, std::size_t bytes);

}  // namespace reference

}  // namespace tavelin
