#pragma once
// Packed device-independent bitmaps: a 40-byte information header, a colour table of
// 4-byte entries (2, 16 or 256 of them for 1, 4 and 8 bits a pixel, none above), then
// the pixel rows, bottom-up, each padded to a multiple of 4 bytes. The JPEG writer takes
// its pixels in this form; the BMP reader produces it.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavelin {

constexpr std::size_t kDibHeaderBytes = 40;

inline constexpr const char* kInvalidInputData = "Invalid input data";
inline constexpr const char* kInvalidBitCount = "Invalid bitmap bit count";

// A validated view of pixel rows in DIB form, pointing into someone else's memory.
struct DibView {
    int width = 0;
    int height = 0;  // rows, always positive
    bool topDown = false;
    int bitCount = 0;
    const std::uint8_t* colourTable = nullptr;  // blue, green, red, reserved; see DibColourEntries
    const std::uint8_t* pixels = nullptr;       // first stored row
    std::size_t stride = 0;                     // bytes from one stored row to the next
};

enum class DibError { None, InvalidInput, InvalidBitCount };

// Colour table entries a DIB of this depth carries: 2, 16, 256, or 0 above 8 bits.
constexpr int DibColourEntries(int bitCount) {
    return bitCount <= 8 ? 1 << bitCount : 0;
}

constexpr bool IsDibBitCount(int bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
           bitCount == 32;
}

// Bytes of one stored row: bits x width rounded up to whole 32-bit words.
constexpr std::uint64_t DibRowStride(std::uint32_t width, int bitCount) {
    return (static_cast<std::uint64_t>(width) * static_cast<unsigned>(bitCount) + 31) / 32 * 4;
}

// Checks the header of a packed DIB of `dibBytes` bytes and that its colour table and rows lie
// inside it. Uncompressed only; a negative height is taken as top-down rows.
DibError ParseDib(const std::uint8_t* dib, std::size_t dibBytes, DibView& view);

// Converts every row of `view` to red, green, blue bytes; rows[0] receives the top row.
void DibViewToRgbRows(const DibView& view, std::uint8_t* const* rows);

// Fills `rows` (the picture's height of them, at least 3 x width bytes each, rows[0] the top
// row) from the packed DIB. On failure sets *errorText to "Invalid input data" or "Invalid
// bitmap bit count". Without an errorText nothing is done and the result is false.
bool DibToRgbRows(const std::uint8_t* dib, std::size_t dibBytes, int rowBytes, std::uint8_t** rows,
                  std::string* errorText);

}  // namespace tavelin
