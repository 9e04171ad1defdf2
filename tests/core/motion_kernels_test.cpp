#include "core/MotionKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/MotionDetector.h"

namespace tavelin {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Size {
    int w, h;
};

// Each kernel runs on the rows of a w x h plane as the detector lays them out
// (row y starts at byte y * w), so odd widths give rows at every alignment.
class KernelMatchesReference : public ::testing::TestWithParam<Size> {
protected:
    std::size_t w = static_cast<std::size_t>(GetParam().w);
    std::size_t h = static_cast<std::size_t>(GetParam().h);
    std::size_t n = w * h;
    std::mt19937 rng{static_cast<unsigned>(w * 7919 + h)};

    Bytes Random(std::size_t bytes) {
        Bytes b(bytes);
        for (auto& v : b)
            v = static_cast<std::uint8_t>(rng());
        return b;
    }
    // A 0/255 plane; mostly set, so pixels with four set neighbours are common.
    Bytes RandomMask() {
        Bytes b(n);
        for (auto& v : b)
            v = rng() % 10 < 7 ? 255 : 0;
        return b;
    }
    const std::uint8_t* Row(const Bytes& plane, std::size_t y) const {
        return plane.data() + y * w;
    }
    std::uint8_t* Row(Bytes& plane, std::size_t y) const { return plane.data() + y * w; }
    std::size_t Above(std::size_t y) const { return y + 1 < h ? y + 1 : y; }
    std::size_t Below(std::size_t y) const { return y > 0 ? y - 1 : y; }
};

TEST_P(KernelMatchesReference, GreyAndDifference) {
    const Bytes bgr = Random(3 * n);
    Bytes expectedGrey(n);
    reference::Grey(bgr.data(), expectedGrey.data(), n);
    // Previous grey values within 62 of the new ones, so differences of 60 and 61 occur.
    Bytes previous(n);
    for (std::size_t i = 0; i < n; ++i)
        previous[i] = static_cast<std::uint8_t>(std::clamp(
            static_cast<int>(expectedGrey[i]) + static_cast<int>(rng() % 125) - 62, 0, 255));
    Bytes expectedMask(n);
    reference::Difference(previous.data(), expectedGrey.data(), expectedMask.data(), n);

    Bytes grey(n), mask(n);
    motion::GreyDifference(bgr.data(), previous.data(), grey.data(), mask.data(), n);
    EXPECT_EQ(grey, expectedGrey);
    EXPECT_EQ(mask, expectedMask);

    // Without a previous frame the mask is left alone.
    Bytes untouched(n, 0xAB);
    std::fill(grey.begin(), grey.end(), 0);
    motion::GreyDifference(bgr.data(), nullptr, grey.data(), untouched.data(), n);
    EXPECT_EQ(grey, expectedGrey);
    EXPECT_EQ(untouched, Bytes(n, 0xAB));
}

TEST_P(KernelMatchesReference, RowAndColumnMaxima) {
    const Bytes in = Random(n);
    Bytes rows(n), expectedRows(n), out(n), expected(n);
    for (std::size_t y = 0; y < h; ++y) {
        motion::RowMax3(Row(in, y), Row(rows, y), w);
        reference::RowMax3(Row(in, y), Row(expectedRows, y), w);
    }
    ASSERT_EQ(rows, expectedRows);
    for (std::size_t y = 0; y < h; ++y) {
        motion::Max3(Row(in, Below(y)), Row(in, y), Row(in, Above(y)), Row(out, y), w);
        reference::Max3(Row(in, Below(y)), Row(in, y), Row(in, Above(y)), Row(expected, y), w);
    }
    EXPECT_EQ(out, expected);
}

TEST_P(KernelMatchesReference, OutlineRow) {
    const Bytes in = RandomMask();
    Bytes out(n), expected(n);
    for (std::size_t y = 0; y < h; ++y) {
        motion::OutlineRow(Row(in, Below(y)), Row(in, y), Row(in, Above(y)), Row(out, y), w);
        reference::OutlineRow(Row(in, Below(y)), Row(in, y), Row(in, Above(y)), Row(expected, y),
                              w);
    }
    EXPECT_EQ(out, expected);
}

TEST_P(KernelMatchesReference, AnyNonZero) {
    // Clear rows, some with one byte set somewhere (the last byte included).
    Bytes plane(n, 0);
    for (std::size_t y = 0; y < h; ++y) {
        if (rng() % 3 != 0)
            Row(plane, y)[y % 4 == 1 ? w - 1 : rng() % w] =
                static_cast<std::uint8_t>(1 + rng() % 255);
    }
    for (std::size_t y = 0; y < h; ++y) {
        for (const std::size_t len : {std::size_t{0}, w / 2, w}) {
            EXPECT_EQ(motion::AnyNonZero(Row(plane, y), len),
                      reference::AnyNonZero(Row(plane, y), len))
                << "row " << y << " length " << len;
        }
    }
    EXPECT_EQ(motion::AnyNonZero(plane.data(), n), reference::AnyNonZero(plane.data(), n));
}

TEST_P(KernelMatchesReference, BlendTaps) {
    const std::size_t bytes = 3 * w;
    const Bytes a = Random(3 * n), b = Random(3 * n), c = Random(3 * n);
    Bytes fx(bytes);
    for (auto& f : fx)
        f = static_cast<std::uint8_t>(rng() % 100);
    Bytes out(3 * n), expected(3 * n);
    for (std::size_t y = 0; y < h; ++y) {
        // The first two rows take the smallest and the largest fy.
        const auto fy = static_cast<std::uint16_t>(y == 0 ? 0 : y == 1 ? 99 : rng() % 100);
        const std::size_t at = y * bytes;
        motion::BlendTaps(&a[at], &b[at], &c[at], fx.data(), fy, &out[at], bytes);
        reference::BlendTaps(&a[at], &b[at], &c[at], fx.data(), fy, &expected[at], bytes);
    }
    EXPECT_EQ(out, expected);
    // The largest sums: every tap at 255.
    const Bytes white(bytes, 255);
    Bytes row(bytes);
    motion::BlendTaps(white.data(), white.data(), white.data(), fx.data(), 99, row.data(), bytes);
    EXPECT_EQ(row, white);
}

INSTANTIATE_TEST_SUITE_P(FrameSizes, KernelMatchesReference,
                         ::testing::Values(Size{1, 1}, Size{2, 3}, Size{3, 3}, Size{17, 5},
                                           Size{31, 4}, Size{33, 3}, Size{64, 2}, Size{321, 241},
                                           Size{640, 480}),
                         [](const ::testing::TestParamInfo<Size>& info) {
                             return std::to_string(info.param.w) + "x" +
                                    std::to_string(info.param.h);
                         });

}  // namespace
}  // namespace tavelin
