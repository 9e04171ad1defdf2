// The YUY2 conversion: the vector loop against the plain one, byte for byte, at
// every width the loop splits differently, with padded rows and every matrix.
// (The plain one against GStreamer's own converter: tests/capture.)

#include "core/YuvConvert.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace tavelin {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Case {
    int width;
    int height;
    int padding;  // bytes after each source row
};
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.width << "x" << c.height << "+" << c.padding;
}

const YuvFormat kFormats[] = {
    {kBt601Limited, ChromaSiting::Centred},
    {kBt601Limited, ChromaSiting::Cosited},
    {MakeYuvMatrix(0.2126, 0.0722, false), ChromaSiting::Cosited},  // BT.709
    {MakeYuvMatrix(0.299, 0.114, true), ChromaSiting::Centred},     // full range, as JPEG
};

class Yuy2MatchesReference : public ::testing::TestWithParam<Case> {};

TEST_P(Yuy2MatchesReference, ByteForByteAndBottomUp) {
    const Case c = GetParam();
    const std::size_t stride = Yuy2RowBytes(c.width) + static_cast<std::size_t>(c.padding);
    const std::size_t rowBytes = static_cast<std::size_t>(c.width) * 3;
    std::mt19937 rng(static_cast<unsigned>(c.width * 131 + c.height));
    Bytes src(stride * static_cast<std::size_t>(c.height));
    for (auto& b : src)
        b = static_cast<std::uint8_t>(rng());

    for (const YuvFormat& f : kFormats) {
        // One guard byte after the frame: nothing may be written past it.
        Bytes out(rowBytes * static_cast<std::size_t>(c.height) + 1, 0x5A);
        Yuy2ToBgrFlipped(out.data(), src.data(), c.width, stride, c.height, f);
        Bytes expected(out.size(), 0x5A);
        for (int y = 0; y < c.height; ++y) {
            reference::Yuy2RowToBgr(
                src.data() + static_cast<std::size_t>(y) * stride, c.width, 0, c.width,
                expected.data() + static_cast<std::size_t>(c.height - 1 - y) * rowBytes, f);
        }
        ASSERT_EQ(out, expected) << "matrix rv " << f.matrix.rv << " siting "
                                 << static_cast<int>(f.siting);
    }
}

// Widths around the 16-pixel blocks, odd widths (a half pair at the end), and the
// camera sizes.
INSTANTIATE_TEST_SUITE_P(Sizes, Yuy2MatchesReference,
                         ::testing::Values(Case{1, 3, 0}, Case{2, 2, 0}, Case{3, 5, 4},
                                           Case{15, 2, 0}, Case{16, 2, 0}, Case{24, 3, 4},
                                           Case{31, 2, 0}, Case{32, 2, 0}, Case{17, 2, 0},
                                           Case{18, 3, 0}, Case{19, 3, 2}, Case{33, 4, 0},
                                           Case{34, 2, 6}, Case{35, 7, 0}, Case{50, 2, 0},
                                           Case{321, 9, 12}, Case{320, 240, 0}, Case{640, 480, 0},
                                           Case{800, 600, 64}));

// Red (Y = V = 128 + something) per pixel of four mid-grey pairs of which only pair 1
// has a high V.
std::vector<int> RedOfOneRedPair(ChromaSiting siting) {
    const Bytes row = {128, 128, 128, 128, 128, 128, 128, 240,
                       128, 128, 128, 128, 128, 128, 128, 128};
    Bytes bgr(8 * 3);
    reference::Yuy2RowToBgr(row.data(), 8, 0, 8, bgr.data(), {kBt601Limited, siting});
    std::vector<int> red;
    for (int x = 0; x < 8; ++x)
        red.push_back(bgr[3 * x + 2]);
    return red;
}

TEST(Yuy2Convert, CentredChromaReachesAQuarterIntoTheNeighbours) {
    const std::vector<int> red = RedOfOneRedPair(ChromaSiting::Centred);
    const int grey = red[0];
    // Pixels 2 and 3 take 3/4 of the red pair, 1 and 4 beside them 1/4.
    EXPECT_EQ(red, (std::vector<int>{grey, red[1], red[2], red[2], red[1], grey, grey, grey}));
    EXPECT_GT(red[1], grey);
    EXPECT_GT(red[2], red[1]);
}

TEST(Yuy2Convert, CositedChromaBelongsToTheFirstPixelAndHalfwayToTheNext) {
    const std::vector<int> red = RedOfOneRedPair(ChromaSiting::Cosited);
    const int grey = red[0];
    // Pixel 2 is the red sample itself; 1 and 3 lie halfway between it and grey.
    EXPECT_EQ(red, (std::vector<int>{grey, red[1], red[2], red[1], grey, grey, grey, grey}));
    EXPECT_GT(red[1], grey);
    EXPECT_GT(red[2], red[1]);
}

TEST(Yuy2Convert, MatricesAreGStreamersRounding) {
    // The coefficients videoconvert logs for these colorimetries.
    EXPECT_EQ(MakeYuvMatrix(0.299, 0.114, false), kBt601Limited);
    EXPECT_EQ(MakeYuvMatrix(0.2126, 0.0722, false), (YuvMatrix{298, 459, -55, -136, 541}));
    EXPECT_EQ(MakeYuvMatrix(0.299, 0.114, true), (YuvMatrix{256, 359, -88, -183, 454}));
}

TEST(Yuy2Convert, NothingHappensForAnEmptyFrame) {
    Bytes src(16, 0x80);
    Bytes out(4, 0x5A);
    Yuy2ToBgrFlipped(out.data(), src.data(), 0, 16, 1, YuvFormat{});
    Yuy2ToBgrFlipped(out.data(), src.data(), 2, 16, 0, YuvFormat{});
    EXPECT_EQ(out, Bytes(4, 0x5A));
}

}  // namespace
}  // namespace tavelin
