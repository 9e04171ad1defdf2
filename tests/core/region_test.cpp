#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Region.h"

namespace tavelin {
namespace {

using Rects = std::vector<RowRect>;

// A picture written as text, one character a pixel, top row first; each row is followed by
// `padding` pixels of stride that must not count.
struct Picture {
    int w, h, stride;
    std::vector<std::uint32_t> px;
    Picture(const std::vector<std::string>& rows,
            const std::vector<std::pair<char, std::uint32_t>>& colours, int padding = 0)
        : w(static_cast<int>(rows[0].size())),
          h(static_cast<int>(rows.size())),
          stride(w + padding) {
        for (const std::string& row : rows) {
            for (char c : row) {
                for (const auto& [name, value] : colours) {
                    if (name == c)
                        px.push_back(value);
                }
            }
            px.insert(px.end(), static_cast<std::size_t>(padding), 0xFF123456u);
        }
    }
    Rects Keyed(std::uint32_t key, std::uint32_t tolerance) const {
        return RegionFromKeyedBitmap(px.data(), w, h, stride, key, tolerance);
    }
    Rects Mask(std::uint32_t key) const { return RegionFromMask(px.data(), w, h, stride, key); }
};

constexpr std::uint32_t kGreen = 0x0000FF00, kTolerance16 = 0x00101010;  // the skin's key

TEST(RegionFromKeyedBitmapTest, RunsLeftToRightRowsTopToBottom) {
    // Format_RGB32 words carry 0xFF in the top byte.
    const Picture p({"kooko", "ooooo", "kkkkk", "okkoo"}, {{'k', 0xFF00FF00u}, {'o', 0xFF804020u}},
                    3);
    EXPECT_EQ(p.Keyed(kGreen, kTolerance16),
              (Rects{{1, 0, 3, 1}, {4, 0, 5, 1}, {0, 1, 5, 2}, {0, 3, 1, 4}, {3, 3, 5, 4}}));
    EXPECT_TRUE(Picture({"kk", "kk"}, {{'k', 0x05FF0Au}}).Keyed(kGreen, kTolerance16).empty());
}

TEST(RegionFromKeyedBitmapTest, ToleranceIsPerChannelAndCappedAt255) {
    // Red and blue 16 stay in the key's range, 17 leaves it; green must be exactly 255.
    const Picture p(
        {"abcde"},
        {{'a', 0x10FF10u}, {'b', 0x11FF00u}, {'c', 0x00FF11u}, {'d', 0x00FE00u}, {'e', 0x000000u}});
    EXPECT_EQ(p.Keyed(kGreen, kTolerance16), (Rects{{1, 0, 5, 1}}));
    // Key red 200 (low byte) and blue 10, tolerance 2 on both.
    const Picture q({"xyz"}, {{'x', 0xC8000Au}, {'y', 0xCA000Cu}, {'z', 0x0A00C8u}});
    EXPECT_EQ(q.Keyed(0x000A00C8u, 0x00020002u), (Rects{{2, 0, 3, 1}}));
}

TEST(RegionFromMaskTest, RunsRowsBottomToTopExactKeyOnly) {
    // White key as the buttons pass it; near-white is opaque.
    const Picture p({"wbbw", "bwwb", "wwwb", "wnww"},
                    {{'w', 0xFFFFFFFFu}, {'b', 0xFF000000u}, {'n', 0xFFFFFFFEu}}, 2);
    EXPECT_EQ(p.Mask(0x00FFFFFFu),
              (Rects{{1, 3, 2, 4}, {3, 2, 4, 3}, {0, 1, 1, 2}, {3, 1, 4, 2}, {1, 0, 3, 1}}));
    // The key is a colour value: red 0x0000FF is the pixel 0xFF0000.
    EXPECT_EQ(Picture({"rb"}, {{'r', 0xFF0000u}, {'b', 0x0000FFu}}).Mask(0x0000FFu),
              (Rects{{1, 0, 2, 1}}));
}

TEST(RegionTest, AbsentPicturesGiveNoRectangles) {
    const std::uint32_t pixel = 0;
    EXPECT_TRUE(RegionFromKeyedBitmap(nullptr, 1, 1, 1, kGreen, kTolerance16).empty());
    EXPECT_TRUE(RegionFromKeyedBitmap(&pixel, 0, 1, 1, kGreen, kTolerance16).empty());
    EXPECT_TRUE(RegionFromMask(&pixel, 1, -1, 1, 0).empty());
    EXPECT_TRUE(RegionFromMask(&pixel, 2, 1, 1, 0).empty());  // stride shorter than a row
}

}  // namespace
}  // namespace tavelin
