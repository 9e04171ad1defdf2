#pragma once
// The built-in 12 x 17 segment font the overlays draw with: the digits, a dash (":"),
// a colon (";") and a blank ("<"), indexed by character code minus '0'.

#include <array>
#include <cstdint>

namespace tavelin {

constexpr int kGlyphWidth = 12;
constexpr int kGlyphHeight = 17;
constexpr int kGlyphAdvance = 14;  // two blank columns between cells
constexpr int kGlyphCount = 13;
constexpr int kGlyphTableRowBytes = 160;
constexpr std::uint8_t kGlyphInk = 15;

// 17 rows of 160 bytes; glyph n is bytes 12n ... 12n + 11 of every row, row 0 at the top.
// A byte of kGlyphInk marks ink, 0 background.
using GlyphTable = std::array<std::array<std::uint8_t, kGlyphTableRowBytes>, kGlyphHeight>;
extern const GlyphTable kGlyphFont;

// Glyph index of a character, or -1 for a character the font does not have.
constexpr int GlyphIndex(char c) {
    const int n = c - '0';
    return n >= 0 && n < kGlyphCount ? n : -1;
}

// Ink columns of one glyph row as a bit mask (bit q = column q), derived from kGlyphFont so
// the drawing loop tests one word per row instead of twelve bytes.
std::uint16_t GlyphRowMask(int glyph, int row);

}  // namespace tavelin
