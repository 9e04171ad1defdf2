#pragma once
// JPEG files from packed DIBs (Dib.h), from frames and from BMP files, with libjpeg.
// Library errors come back as a false result; a failed file never replaces an existing one.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavelin {

constexpr int kSnapshotJpegQuality = 100;

// Compresses a packed DIB at `quality` (0 ... 100) into `jpegPath`. True when the file was
// written; *errorText is then empty. Otherwise *errorText holds "Invalid input data",
// "Cannot open " + jpegPath, "Invalid bitmap bit count" or the library's message, and no
// file was created or replaced. Without an errorText nothing is done and the result is false.
bool WriteJpeg(const std::uint8_t* dib, std::size_t dibBytes, int quality,
               const std::string& jpegPath, std::string* errorText);

// The same for a frame (FrameFormat.h layout) of `frameBytes` bytes, without copying it.
bool WriteJpegFromFrame(const std::uint8_t* frame, std::size_t frameBytes, int width, int height,
                        int quality, const std::string& jpegPath, std::string* errorText);

// Reads the BMP at `bmpPath` and, when `convert` is set, writes it to `jpegPath` at quality
// 100. True when the BMP was read and, if asked, the JPEG written.
bool SaveJpegFromBmp(const std::string& bmpPath, const std::string& jpegPath, bool convert,
                     std::string* errorText = nullptr);

}  // namespace tavelin
