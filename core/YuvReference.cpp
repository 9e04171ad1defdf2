#include <cmath>

#include "core/YuvConvert.h"

// The conversion one pixel at a time, written for reading.

namespace tavelin {

YuvMatrix MakeYuvMatrix(double kr, double kb, bool fullRange) {
    // Stretch the nominal range to 0..255, then the YCbCr -> R'G'B' equations.
    const double ys = fullRange ? 1.0 : 255.0 / 219.0;
    const double cs = fullRange ? 1.0 : 255.0 / 224.0;
    const double kg = 1.0 - kr - kb;
    auto q = [](double v) { return static_cast<std::int16_t>(std::lround(v * 256.0)); };
    return {q(ys), q(2.0 * (1.0 - kr) * cs), q(-2.0 * kb * (1.0 - kb) / kg * cs),
            q(-2.0 * kr * (1.0 - kr) / kg * cs), q(2.0 * (1.0 - kb) * cs)};
}

namespace reference {

namespace {

// A component centred on 128 and widened to 16 bits with its byte repeated.
int Widened(std::uint8_t c) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((c ^ 0x80) * 257));
}

int HighProduct(int a, int b) {
    return (a * b) >> 16;
}

std::uint8_t Channel(int sum) {
    const int s = sum < -128 ? -128 : sum > 127 ? 127 : sum;
    return static_cast<std::uint8_t>(s + 128);
}

}  // namespace

void Yuy2RowToBgr(const std::uint8_t* __restrict src, int width, int first, int end,
                  std::uint8_t* __restrict dst, const YuvFormat& format) {
    const YuvMatrix& m = format.matrix;
    const int pairs = (width + 1) / 2;
    for (int x = first; x < end; ++x) {
        const int pair = x / 2;
        const bool second = (x & 1) != 0;
        // The neighbouring pair on the pixel's side; at the ends the pair itself.
        const int other = second ? (pair + 1 < pairs ? pair + 1 : pair) : (pair > 0 ? pair - 1 : 0);
        const std::uint8_t* own = src + 4 * pair;
        const std::uint8_t* near = src + 4 * other;
        std::uint8_t u = own[1];
        std::uint8_t v = own[3];
        if (format.siting == ChromaSiting::Centred) {
            u = static_cast<std::uint8_t>((3 * own[1] + near[1] + 2) >> 2);
            v = static_cast<std::uint8_t>((3 * own[3] + near[3] + 2) >> 2);
        } else if (second) {
            u = static_cast<std::uint8_t>((own[1] + near[1] + 1) >> 1);
            v = static_cast<std::uint8_t>((own[3] + near[3] + 1) >> 1);
        }

        const int luma = HighProduct(Widened(src[2 * x]), m.y);
        const int wu = Widened(u);
        const int wv = Widened(v);
        std::uint8_t* out = dst + 3 * x;
        out[0] = Channel(luma + HighProduct(wu, m.bu));
        out[1] = Channel(luma + HighProduct(wu, m.gu) + HighProduct(wv, m.gv));
        out[2] = Channel(luma + HighProduct(wv, m.rv));
    }
}

}  // namespace reference

}  // namespace tavelin
