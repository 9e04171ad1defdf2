#pragma once
// The row loops behind FrameToRgb32: byte-shuffle versions for the processors that have
// them, and the plain loops they are checked against. Internal to the conversion and its
// tests.

#include <cstddef>
#include <cstdint>

namespace tavelin {

namespace frameconvert {

// Converts `pixels` BGR pixels (3 bytes each) at `bgr` into 0xFFRRGGBB words at `out`
// (little-endian bytes B, G, R, 0xFF). The two must not overlap; neither needs alignment.
// `upcoming` is the row converted next (as long as this one, or this one again for the last
// row): it is fetched into the cache meanwhile, since rows are read from the end of the frame
// backwards, an order the processor's own prefetching does not follow.
using RowKernel = void (*)(const std::uint8_t* bgr, std::uint8_t* out, std::size_t pixels,
                           const std::uint8_t* upcoming);

// The fastest row loop this processor runs, chosen once.
RowKernel BestRowKernel();

// Each shuffle version, or null where the build or the processor lacks it.
RowKernel Avx2RowKernel();
RowKernel Ssse3RowKernel();
// The plain row below, without fetching ahead.
RowKernel PlainRowKernel();

}  // namespace frameconvert

namespace reference {

// One pixel at a time, with shifts: what every shuffle version must equal.
void RowToRgb32(const std::uint8_t* bgr, std::uint8_t* out, std::size_t pixels);

// The whole conversion in plain code, rows flipped as FrameToRgb32 does.
void FrameToRgb32(const std::uint8_t* frame, int width, int height, std::uint8_t* dst,
                  std::size_t dstStride);

}  // namespace reference

}  // namespace tavelin
