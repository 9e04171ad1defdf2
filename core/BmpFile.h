#pragma once
// BMP files: frames written as 24-bit bottom-up BMPs with a 54-byte header, and BMP files
// read back into the packed DIB form (Dib.h) the JPEG writer takes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavelin {

constexpr std::size_t kBmpFileHeaderBytes = 14;
constexpr std::size_t kBmpHeaderBytes = 54;  // file header + information header

// Writes a width x height frame (FrameFormat.h layout) as a 24-bit BMP. The file appears
// only complete: it is written under a temporary name beside `path` and renamed over it.
// Rows of widths that are not a multiple of 4 are padded as the format demands. Callers
// ignore the result (a still that cannot be written is skipped silently); tests use it.
bool WriteBmp(const std::uint8_t* frame, const std::string& path, int width, int height);

// Reads an uncompressed BMP file of 1, 4, 8, 16, 24 or 32 bits a pixel (bottom-up or
// top-down) into a packed DIB of the same depth with bottom-up rows. Empty when the file
// cannot be read or does not hold such a picture; *errorText (when given) then says
// "Cannot open <path>" or "Invalid input data".
std::vector<std::uint8_t> ReadBmpAsDib(const std::string& bmpPath,
                                       std::string* errorText = nullptr);

// The same, from a file already in memory (no "Cannot open" case).
std::vector<std::uint8_t> BmpBytesToDib(const std::uint8_t* file, std::size_t fileBytes);

}  // namespace tavelin
