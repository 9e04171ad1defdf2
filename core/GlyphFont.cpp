#include "core/GlyphFont.h"

namespace tavelin {
namespace {

// One horizontal stroke of ink: a row and an inclusive column range.
struct Stroke {
    int row, first, last;
};

// The seven segments a (top) ... g (middle); multi-row strokes are listed row by row.
constexpr Stroke kSegA[] = {{0, 1, 10}, {1, 2, 9}, {2, 3, 8}};
constexpr Stroke kSegB[] = {{1, 11, 11}, {2, 10, 11}, {3, 9, 11}, {4, 9, 11},
                            {5, 9, 11},  {6, 9, 11},  {7, 10, 11}};
constexpr Stroke kSegC[] = {{9, 10, 11}, {10, 9, 11},  {11, 9, 11}, {12, 9, 11},
                            {13, 9, 11}, {14, 10, 11}, {15, 11, 11}};
constexpr Stroke kSegD[] = {{14, 3, 8}, {15, 2, 9}, {16, 1, 10}};
constexpr Stroke kSegE[] = {{9, 0, 1},  {10, 0, 2}, {11, 0, 2}, {12, 0, 2},
                            {13, 0, 2}, {14, 0, 1}, {15, 0, 0}};
constexpr Stroke kSegF[] = {{1, 0, 0}, {2, 0, 1}, {3, 0, 2}, {4, 0, 2},
                            {5, 0, 2}, {6, 0, 2}, {7, 0, 1}};
constexpr Stroke kSegG[] = {{7, 3, 8}, {8, 2, 9}, {9, 3, 8}};

constexpr Stroke kDash[] = {{7, 3, 8}, {8, 3, 8}, {9, 3, 8}};
constexpr Stroke kColon[] = {{3, 4, 7}, {4, 4, 7}, {5, 4, 7}, {11, 4, 7}, {12, 4, 7}, {13, 4, 7}};

// Segment sets of the digits 0 ... 9, bit 0 = a ... bit 6 = g.
constexpr std::uint8_t kDigitSegments[10] = {
    0b0111111,  // 0: a b c d e f
    0b0000110,  // 1: b c
    0b1011011,  // 2: a b d e g
    0b1001111,  // 3: a b c d g
    0b1100110,  // 4: b c f g
    0b1101101,  // 5: a c d f g
    0b1111101,  // 6: a c d e f g
    0b0000111,  // 7: a b c
    0b1111111,  // 8: all
    0b1100111,  // 9: a b c f g
};

template <std::size_t N>
constexpr void Ink(GlyphTable& table, int glyph, const Stroke (&strokes)[N]) {
    for (const Stroke& s : strokes) {
        for (int q = s.first; q <= s.last; ++q) {
            table[s.row][glyph * kGlyphWidth + q] = kGlyphInk;
        }
    }
}

constexpr GlyphTable BuildFont() {
    GlyphTable table{};
    for (int digit = 0; digit < 10; ++digit) {
        const std::uint8_t s = kDigitSegments[digit];
        if (s & 0x01)
            Ink(table, digit, kSegA);
        if (s & 0x02)
            Ink(table, digit, kSegB);
        if (s & 0x04)
            Ink(table, digit, kSegC);
        if (s & 0x08)
            Ink(table, digit, kSegD);
        if (s & 0x10)
            Ink(table, digit, kSegE);
        if (s & 0x20)
            Ink(table, digit, kSegF);
        if (s & 0x40)
            Ink(table, digit, kSegG);
    }
    Ink(table, 10, kDash);
    Ink(table, 11, kColon);
    return table;  // glyph 12 stays blank
}

using MaskTable = std::array<std::array<std::uint16_t, kGlyphHeight>, kGlyphCount>;

constexpr MaskTable BuildMasks(const GlyphTable& font) {
    MaskTable masks{};
    for (int n = 0; n < kGlyphCount; ++n) {
        for (int r = 0; r < kGlyphHeight; ++r) {
            std::uint16_t m = 0;
            for (int q = 0; q < kGlyphWidth; ++q) {
                if (font[r][n * kGlyphWidth + q] == kGlyphInk)
                    m |= static_cast<std::uint16_t>(1u << q);
            }
            masks[n][r] = m;
        }
    }
    return masks;
}

constexpr GlyphTable kBuiltFont = BuildFont();
constexpr MaskTable kMasks = BuildMasks(kBuiltFont);

}  // namespace

const GlyphTable kGlyphFont = kBuiltFont;

std::uint16_t GlyphRowMask(int glyph, int row) {
    if (glyph < 0 || glyph >= kGlyphCount || row < 0 || row >= kGlyphHeight)
        return 0;
    return kMasks[glyph][row];
}

}  // namespace tavelin
