#pragma once
// A picture as JPEG data in memory, for whoever sends it rather than saves it (a broker,
// a web page).

#include <cstdint>
#include <vector>

#include "core/FramePicture.h"

namespace tavelin {

// Compresses `picture` (bottom-up BGR rows) at `quality` (1 ... 100) into `out`, top row
// first as JPEG has it. False, with `out` empty, for an empty or short picture, a quality
// out of range or an error of the library.
bool EncodeJpeg(const FramePicture& picture, int quality, std::vector<std::uint8_t>& out);

}  // namespace tavelin
