#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "core/FrameFormat.h"
#include "core/Overlays.h"

namespace tavelin {
namespace {

constexpr std::uint8_t kBg = 0x5A;

// Exactly as large as its size says, so a stray write shows under the sanitizer build.
struct Frame {
    int w, h;
    std::vector<std::uint8_t> bytes;
    Frame(int width, int height) : w(width), h(height), bytes(FrameBytes(width, height), kBg) {}
    bool Is(int x, int row, std::uint8_t b, std::uint8_t g, std::uint8_t r) const {
        const std::uint8_t* p = &bytes[(static_cast<std::size_t>(row) * w + x) * 3];
        return p[0] == b && p[1] == g && p[2] == r;
    }
    bool Ink(int x, int row) const { return Is(x, row, 0, 0, 255); }
    bool Bg(int x, int row) const { return Is(x, row, kBg, kBg, kBg); }
    // '#' ink, '.' untouched, '?' anything else; from frame row `top` down the screen.
    std::vector<std::string> Picture(int left, int top, int columns, int rows) const {
        std::vector<std::string> out(rows);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                out[r] += Ink(left + c, top - r) ? '#' : Bg(left + c, top - r) ? '.' : '?';
            }
        }
        return out;
    }
};

// clang-format off
const std::vector<std::string> kGlyphs0To6 = {
        ".##########..................##########....##########..................##########....##########.",
        "#.########.#.............#....########.#....########.#..#..........#..#.########....#.########..",
        "##.######.##............##.....######.##.....######.##..##........##..##.######.....##.######...",
        "###......###...........###...........###...........###..###......###..###...........###.........",
        "###......###...........###...........###...........###..###......###..###...........###.........",
        "###......###...........###...........###...........###..###......###..###...........###.........",
        "###......###...........###...........###...........###..###......###..###...........###.........",
        "##........##............##.....######.##.....######.##..##.######.##..##.######.....##.######...",
        "..............................########......########......########......########......########..",
        "##........##............##..##.######........######.##.....######.##.....######.##..##.######.##",
        "###......###...........###..###....................###...........###...........###..###......###",
        "###......###...........###..###....................###...........###...........###..###......###",
        "###......###...........###..###....................###...........###...........###..###......###",
        "###......###...........###..###....................###...........###...........###..###......###",
        "##.######.##............##..##.######........######.##............##.....######.##..##.######.##",
        "#.########.#.............#..#.########......########.#.............#....########.#..#.########.#",
        ".##########..................##########....##########..................##########....##########.",
};
const std::vector<std::string> kGlyphs7ToBlank = {
        ".##########....##########....##########...........................................",
        "..########.#..#.########.#..#.########.#..........................................",
        "...######.##..##.######.##..##.######.##..........................................",
        ".........###..###......###..###......###....................####..................",
        ".........###..###......###..###......###....................####..................",
        ".........###..###......###..###......###....................####..................",
        ".........###..###......###..###......###..........................................",
        "..........##..##.######.##..##.######.##.....######...............................",
        "................########......########.......######...............................",
        "..........##..##.######.##.....######.##.....######...............................",
        ".........###..###......###...........###..........................................",
        ".........###..###......###...........###....................####..................",
        ".........###..###......###...........###....................####..................",
        ".........###..###......###...........###....................####..................",
        "..........##..##.######.##............##..........................................",
        "...........#..#.########.#.............#..........................................",
        "...............##########.........................................................",
};
// clang-format on

TEST(DrawGlyphTextTest, DrawsEachGlyphInPureRedFourteenPixelsApartAndNothingElse) {
    Frame a(96, 17), b(82, 17);  // exactly the cells: any other write would show
    DrawGlyphText(a.bytes.data(), "0123456", 0, 16, a.w, a.h);
    DrawGlyphText(b.bytes.data(), "789:;<", 0, 16, b.w, b.h);
    EXPECT_EQ(a.Picture(0, 16, 96, 17), kGlyphs0To6);
    EXPECT_EQ(b.Picture(0, 16, 82, 17), kGlyphs7ToBlank);
}

TEST(DrawGlyphTextTest, UnknownCharactersKeepTheirPlaceAndDrawNothing) {
    Frame expected(80, 20), actual(80, 20);
    DrawGlyphText(expected.bytes.data(), "1", 0, 16, 80, 20);
    DrawGlyphText(expected.bytes.data(), "1", 56, 16, 80, 20);
    DrawGlyphText(actual.bytes.data(), std::string("1A\0=1", 5), 0, 16, 80, 20);
    DrawGlyphText(actual.bytes.data(), "/ ~\xff", 0, 16, 80, 20);
    for (const auto& [x, y] : {std::pair{INT_MIN, 10}, {INT_MAX, 10}, {5, INT_MIN}, {5, INT_MAX}}) {
        DrawGlyphText(actual.bytes.data(), std::string(1000, '8'), x, y, 80, 20);
    }
    DrawGlyphText(actual.bytes.data(), "8", 0, 10, 0, 20);
    DrawGlyphText(nullptr, "8", 0, 10, 30, 20);
    EXPECT_EQ(actual.bytes, expected.bytes);
}

// Text across an edge must equal the same text drawn on a larger canvas, cropped.
class GlyphClipTest : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(GlyphClipTest, EqualsCropOfUnclippedDrawing) {
    constexpr int kW = 40, kH = 24, kM = 64;
    const auto [x, y] = GetParam();
    Frame clipped(kW, kH), canvas(kW + 2 * kM, kH + 2 * kM);
    DrawGlyphText(clipped.bytes.data(), "80;8", x, y, kW, kH);
    if (y < kH && x < kW) {  // at or past the top or right edge nothing is drawn at all
        DrawGlyphText(canvas.bytes.data(), "80;8", x + kM, y + kM, canvas.w, canvas.h);
    }
    EXPECT_EQ(clipped.Picture(0, kH - 1, kW, kH), canvas.Picture(kM, kM + kH - 1, kW, kH));
}

INSTANTIATE_TEST_SUITE_P(Edges, GlyphClipTest,
                         testing::Values(std::pair{2, 20}, std::pair{-9, 20}, std::pair{-50, 20},
                                         std::pair{30, 20}, std::pair{39, 20}, std::pair{3, 5},
                                         std::pair{3, 0}, std::pair{3, 23}, std::pair{3, -1},
                                         std::pair{3, 24}, std::pair{40, 20}, std::pair{-7, 3}));

OverlayPicture Solid(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    OverlayPicture p{w, h, {}};
    for (int i = 0; i < w * h; ++i)
        p.pixels.insert(p.pixels.end(), {b, g, r});
    return p;
}

struct KeyCase {
    std::uint8_t b, g, r;
    bool drawn;
};

class BadgeKeyTest : public testing::TestWithParam<KeyCase> {};

TEST_P(BadgeKeyTest, MagentaKeyIsLeftOutEverythingElseDrawn) {
    const KeyCase& k = GetParam();
    Frame f(320, 240);
    DrawBadge(f.bytes.data(), f.w, f.h, Solid(35, 36, k.b, k.g, k.r), 0);
    // Picture row 0 on frame row H - 102 from column 18; its last row and column at 173, 52.
    for (const auto& [x, row] : {std::pair{18, 138}, {52, 173}, {30, 150}}) {
        EXPECT_EQ(f.Is(x, row, k.b, k.g, k.r), k.drawn);
    }
    EXPECT_TRUE(f.Bg(17, 150) && f.Bg(53, 150) && f.Bg(30, 137) && f.Bg(30, 174));
}

INSTANTIATE_TEST_SUITE_P(Colours, BadgeKeyTest,
                         testing::Values(KeyCase{250, 4, 251, false}, KeyCase{255, 0, 255, false},
                                         KeyCase{249, 0, 255, true}, KeyCase{255, 5, 255, true},
                                         KeyCase{255, 0, 250, true}, KeyCase{0, 0, 0, true}));

TEST(DrawBadgeTest, CountStandsBesideTheBadgeAndSmallFramesClip) {
    const OverlayPicture key = Solid(35, 36, 255, 0, 255);
    Frame zero(320, 240), ten(320, 240), expectZero(320, 240), expectTen(320, 240);
    DrawBadge(zero.bytes.data(), 320, 240, key, 0);
    DrawBadge(ten.bytes.data(), 320, 240, key, 10);
    DrawGlyphText(expectZero.bytes.data(), "0", 59, 240 - 77, 320, 240);
    DrawGlyphText(expectTen.bytes.data(), "10", 59, 240 - 77, 320, 240);
    EXPECT_EQ(zero.bytes, expectZero.bytes);
    EXPECT_EQ(ten.bytes, expectTen.bytes);

    for (const auto& [w, h] : {std::pair{1, 1}, {20, 10}, {40, 110}, {320, 101}, {64, 120}}) {
        Frame f(w, h);
        DrawBadge(f.bytes.data(), w, h, Solid(35, 36, 1, 2, 3), INT_MIN);
        DrawBadge(f.bytes.data(), w, h, OverlayPicture{35, 36, std::vector<std::uint8_t>(10)}, 7);
        if (h == 120) {
            EXPECT_TRUE(f.Is(18, 18, 1, 2, 3) && f.Bg(18, 17));
        }
    }
}

struct CountdownCase {
    std::int32_t timerSeconds;
    float elapsed;
    const char* text;
    bool visible;
};

class CountdownTest : public testing::TestWithParam<CountdownCase> {};

TEST_P(CountdownTest, TextAndVisibility) {
    const CountdownCase& c = GetParam();
    EXPECT_EQ(CountdownText({c.elapsed, c.timerSeconds}), c.text);
    EXPECT_EQ(CountdownVisible({c.elapsed, c.timerSeconds}), c.visible);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CountdownTest,
    testing::Values(CountdownCase{5, 2.4f, "00;03", true}, CountdownCase{5, 2.6f, "00;02", true},
                    CountdownCase{5, 2.5f, "00;03", true},  // halves go to the even second
                    CountdownCase{5, 3.5f, "00;01", true}, CountdownCase{5, 3.99f, "00;01", true},
                    CountdownCase{5, 4.0f, "00;01", false},
                    CountdownCase{3600, 0.0f, "60;00", true},
                    CountdownCase{3600, 61.0f, "58;59", true},
                    CountdownCase{1, 0.0f, "00;01", false},
                    CountdownCase{INT_MAX, -1e30f, "71582788;15", true}));

TEST(DateTimeTextTest, DashesGapAndColons) {
    std::tm t{};
    t.tm_year = 106, t.tm_mday = 2, t.tm_hour = 3, t.tm_min = 4, t.tm_sec = 5;
    EXPECT_EQ(DateTimeText(t), "2006:01:02<03;04;05");
}

TEST(DrawOverlaysTest, CountdownThenDateAtTheirPlacesAndClippedOnSmallFrames) {
    const OverlayPicture icon = Solid(38, 26, 255, 0, 255);  // drawn opaque, key or not
    std::tm now{};
    now.tm_year = 106;
    Frame f(320, 240), expected(320, 240);
    DrawOverlays(true, true, f.bytes.data(), 320, 240, icon, {2.4f, 5}, now);
    for (int row = 240 - 62; row < 240 - 36; ++row) {
        for (int x = 16; x < 54; ++x)
            std::copy_n(&icon.pixels[0], 3, &expected.bytes[(row * 320 + x) * 3]);
    }
    DrawGlyphText(expected.bytes.data(), "00;03", 59, 240 - 42, 320, 240);
    DrawGlyphText(expected.bytes.data(), "2006:01:00<00;00;00", 16, 240 - 16, 320, 240);
    EXPECT_EQ(f.bytes, expected.bytes);

    Frame hidden(320, 240);  // last second: no icon, no text
    DrawOverlays(false, true, hidden.bytes.data(), 320, 240, icon, {4.0f, 5}, now);
    EXPECT_EQ(hidden.bytes, Frame(320, 240).bytes);

    for (const auto& [w, h] : {std::pair{1, 1}, {15, 15}, {60, 40}, {200, 61}, {60, 63}}) {
        Frame small(w, h);
        DrawOverlays(true, true, small.bytes.data(), w, h, icon, {0.0f, 3600}, now);
        if (h == 63) {
            EXPECT_TRUE(small.Is(16, 1, 255, 0, 255) && small.Bg(16, 0));
        }
    }
}

}  // namespace
}  // namespace tavelin
