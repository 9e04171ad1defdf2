#include "core/FrameConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/FrameConvertKernels.h"
#include "core/FrameFormat.h"

namespace tavelin {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Random(std::size_t bytes, unsigned seed) {
    Bytes b(bytes);
    std::mt19937 rng(seed);
    for (auto& v : b)
        v = static_cast<std::uint8_t>(rng());
    return b;
}

struct Size {
    int w, h;
};

// Every size the program shows or takes from the camera, then widths that leave every
// possible remainder after the 8- and 16-pixel vector steps.
std::vector<Size> Sizes() {
    std::vector<Size> sizes;
    auto add = [&sizes](int w, int h) {
        if (std::find_if(sizes.begin(), sizes.end(),
                         [&](const Size& s) { return s.w == w && s.h == h; }) == sizes.end())
            sizes.push_back({w, h});
    };
    for (const CaptureSize& row : kCaptureSizes) {
        add(row.shownWidth, row.shownHeight);
        add(row.cameraWidth, row.cameraHeight);
    }
    for (int w : {1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 23, 31, 33, 47, 321, 641})
        add(w, 3);
    return sizes;
}

class FrameToRgb32Sizes : public ::testing::TestWithParam<Size> {};

// Exactly sized buffers (plus any row padding), so the sanitizer build sees any access past
// either; the padding of each output row must stay as it was.
TEST_P(FrameToRgb32Sizes, MatchesThePlainConversionByteForByte) {
    const auto [w, h] = GetParam();
    const Bytes frame = Random(FrameBytes(w, h), static_cast<unsigned>(w * 131 + h));
    for (std::size_t padding : {std::size_t{0}, std::size_t{12}}) {
        const std::size_t stride = static_cast<std::size_t>(w) * 4 + padding;
        Bytes expected(stride * h, 0x5A);
        Bytes fast(stride * h, 0x5A);
        reference::FrameToRgb32(frame.data(), w, h, expected.data(), stride);
        FrameToRgb32(frame.data(), w, h, fast.data(), stride);
        EXPECT_TRUE(fast == expected) << w << "x" << h << " padding " << padding;
    }
}

INSTANTIATE_TEST_SUITE_P(ShownCameraAndOddSizes, FrameToRgb32Sizes, ::testing::ValuesIn(Sizes()),
                         [](const auto& info) {
                             return std::to_string(info.param.w) + "x" +
                                    std::to_string(info.param.h);
                         });

// The reference itself, on pixels whose places are known: top row first, 0xFFRRGGBB words.
TEST(FrameToRgb32, FlipsRowsAndSwapsToRedGreenBlueWords) {
    const Bytes frame = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // 2 x 2, bottom row first
    const std::vector<std::uint32_t> expected = {0xFF090807u, 0xFF0C0B0Au, 0xFF030201u,
                                                 0xFF060504u};
    std::vector<std::uint32_t> words(4);
    reference::FrameToRgb32(frame.data(), 2, 2, reinterpret_cast<std::uint8_t*>(words.data()), 8);
    EXPECT_EQ(words, expected);
    FrameToRgb32(frame.data(), 2, 2, reinterpret_cast<std::uint8_t*>(words.data()), 8);
    EXPECT_EQ(words, expected);
}

// Each shuffle version this processor runs, not only the one picked, over lengths around its
// step, from unaligned addresses.
TEST(FrameToRgb32Kernels, EveryShuffleVersionMatchesThePlainRow) {
    const std::vector<std::pair<const char*, frameconvert::RowKernel>> kernels = {
        {"avx2", frameconvert::Avx2RowKernel()},
        {"ssse3", frameconvert::Ssse3RowKernel()},
        {"plain", frameconvert::PlainRowKernel()}};
    const Bytes bgr = Random(3 * 80 + 1, 7);
    for (const auto& [name, kernel] : kernels) {
        if (kernel == nullptr)
            continue;
        for (std::size_t pixels = 0; pixels <= 80; ++pixels) {
            Bytes expected(4 * pixels + 1, 0x33);
            Bytes fast(4 * pixels + 1, 0x33);
            reference::RowToRgb32(bgr.data() + 1, expected.data() + 1, pixels);
            kernel(bgr.data() + 1, fast.data() + 1, pixels, bgr.data() + 1);
            EXPECT_TRUE(fast == expected) << name << ", " << pixels << " pixels";
        }
    }
}

}  // namespace
}  // namespace tavelin
