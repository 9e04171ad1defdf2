#include "core/Enlarge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "core/FrameFormat.h"

namespace tavelin {
namespace {

using Frame = std::vector<std::uint8_t>;

Frame Random(int w, int h, unsigned seed) {
    Frame f(FrameBytes(w, h));
    std::mt19937 rng(seed);
    for (auto& b : f)
        b = static_cast<std::uint8_t>(rng());
    return f;
}

std::uint8_t At(const Frame& f, int w, int row, int col, int ch) {
    return f[(static_cast<std::size_t>(row) * w + col) * 3 + ch];
}

TEST(Enlarge2x, BlendsEachPixelWithItsRightAndUpperNeighbours) {
    const int w = 3, h = 3;
    const Frame src = Random(w, h, 5);
    Frame out(FrameBytes(2 * w, 2 * h));
    Enlarge2x(src.data(), w, h, out.data());
    for (int ch = 0; ch < 3; ++ch) {
        const unsigned a = At(src, w, 0, 0, ch), b = At(src, w, 1, 0, ch), c = At(src, w, 0, 1, ch);
        EXPECT_EQ(At(out, 2 * w, 0, 0, ch), a);
        EXPECT_EQ(At(out, 2 * w, 0, 1, ch), (3 * a + c) / 4);
        EXPECT_EQ(At(out, 2 * w, 1, 0, ch), (3 * a + b) / 4);
        EXPECT_EQ(At(out, 2 * w, 1, 1, ch), (2 * a + b + c) / 4);
        // The last column's right neighbour is the next row's first pixel.
        const unsigned last = At(src, w, 0, w - 1, ch), next = At(src, w, 1, 0, ch);
        EXPECT_EQ(At(out, 2 * w, 0, 2 * w - 1, ch), (3 * last + next) / 4);
    }
    // The two top rows repeat row 2h - 3.
    const std::size_t row = 6 * w;
    EXPECT_TRUE(std::equal(out.begin() + 3 * row, out.begin() + 4 * row, out.begin() + 4 * row));
    EXPECT_TRUE(std::equal(out.begin() + 3 * row, out.begin() + 4 * row, out.begin() + 5 * row));
}

struct Size {
    int w, h;
};

class Enlarge2xMatchesReference : public ::testing::TestWithParam<Size> {};

TEST_P(Enlarge2xMatchesReference, BitForBit) {
    const auto [w, h] = GetParam();
    const Frame src = Random(w, h, static_cast<unsigned>(w * 31 + h));
    // Exactly sized buffers, so the sanitizers see any access past either one.
    Frame fast(FrameBytes(2 * w, 2 * h), 0xAB);
    Frame ref(fast.size(), 0xCD);
    Enlarge2x(src.data(), w, h, fast.data());
    reference::Enlarge2x(src.data(), w, h, ref.data());
    EXPECT_EQ(fast, ref);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Enlarge2xMatchesReference,
                         ::testing::Values(Size{1, 1}, Size{1, 2}, Size{2, 1}, Size{3, 3},
                                           Size{17, 5}, Size{255, 4}, Size{257, 3}, Size{321, 241},
                                           Size{640, 480}, Size{800, 600}));

TEST(Enlarge2x, SingleRowBecomesTwoRowsOfDoubledPixels) {
    const Frame src = {1, 2, 3, 4, 5, 6};
    Frame out(FrameBytes(4, 2));
    Enlarge2x(src.data(), 2, 1, out.data());
    const Frame row = {1, 2, 3, 1, 2, 3, 4, 5, 6, 4, 5, 6};
    EXPECT_TRUE(std::equal(row.begin(), row.end(), out.begin()));
    EXPECT_TRUE(std::equal(row.begin(), row.end(), out.begin() + 12));
}

TEST(Enlarge2x, EmptyOrMissingFramesWriteNothing) {
    const Frame src(12, 9);
    Frame out(48, 0xAB);
    for (const auto& [w, h] : {Size{0, 2}, Size{2, 0}, Size{-1, 2}, Size{2, -3}}) {
        Enlarge2x(src.data(), w, h, out.data());
    }
    Enlarge2x(nullptr, 2, 2, out.data());
    Enlarge2x(src.data(), 2, 2, nullptr);
    EXPECT_EQ(out, Frame(48, 0xAB));
}

}  // namespace
}  // namespace tavelin
