#pragma once
// YUY2 camera frames to the frame buffer's bottom-up BGR, with the colour math of
// GStreamer's videoconvert, so a picture converted here is the picture the converter
// element would have made: each pixel's chroma interpolated from its pair and a
// neighbouring pair by where the chroma sits, then its 8-bit YCbCr -> RGB step, which
// centres every component on 128, widens it to 16 bits as c * 257, multiplies keeping
// the high 16 bits and saturates the sums to a signed byte.

#include <cstddef>
#include <cstdint>

namespace tavelin {

// YCbCr -> RGB coefficients in 1/256: red = y Y + rv V, green = y Y + gu U + gv V,
// blue = y Y + bu U.
struct YuvMatrix {
    std::int16_t y;
    std::int16_t rv;
    std::int16_t gu;
    std::int16_t gv;
    std::int16_t bu;

    friend bool operator==(const YuvMatrix&, const YuvMatrix&) = default;
};

// The matrix for luma weights kr and kb (0.299 and 0.114 for BT.601), limited
// (16-235, 16-240) or full range, rounded as videoconvert rounds it.
YuvMatrix MakeYuvMatrix(double kr, double kb, bool fullRange);

// BT.601 limited range, what webcams deliver: {298, 409, -100, -208, 516}.
inline constexpr YuvMatrix kBt601Limited{298, 409, -100, -208, 516};

// Where a pair's chroma sample sits, which decides each pixel's share of it.
enum class ChromaSiting {
    // Between the pair's pixels (JPEG; GStreamer's default up to 576 lines): a pixel
    // takes (3 own + 1 neighbour on its side + 2) / 4.
    Centred,
    // On the pair's first pixel (MPEG-2; the default above 576 lines): the first pixel
    // takes its own, the second (own + next pair's + 1) / 2.
    Cosited,
};

// How to read a YUY2 picture's colours.
struct YuvFormat {
    YuvMatrix matrix = kBt601Limited;
    ChromaSiting siting = ChromaSiting::Centred;
};

// Bytes of one YUY2 row of `width` pixels: an odd width still ends on a whole pair.
constexpr std::size_t Yuy2RowBytes(int width) {
    return width > 0 ? static_cast<std::size_t>(width + 1) / 2 * 4 : 0;
}

// Converts `rows` YUY2 rows of `width` pixels, the top one at `src` and the next
// `srcStride` bytes further on, into `dst` as packed BGR rows, bottom row first.
// srcStride must be at least Yuy2RowBytes(width).
void Yuy2ToBgrFlipped(std::uint8_t* __restrict dst, const std::uint8_t* __restrict src, int width,
                      std::size_t srcStride, int rows, const YuvFormat& format);

namespace reference {

// Pixels [first, end) of one YUY2 row of `width` pixels into BGR pixels at
// dst[3 * first]; the chroma of neighbouring pairs is read as needed. The plain
// per-pixel code the vector loop is checked against, and its edges and remainder.
void Yuy2RowToBgr(const std::uint8_t* __restrict src, int width, int first, int end,
                  std::uint8_t* __restrict dst, const YuvFormat& format);

}  // namespace reference

}  // namespace tavelin
