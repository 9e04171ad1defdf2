#pragma once
// Turns the snapshot's temporary BMP into the file the user chose: a BMP when the chosen
// name ends in .bmp (any letter case), otherwise a JPEG of quality 100. The chosen file
// is replaced only by a finished new picture; a failure leaves it as it was.

#include <string>

namespace tavelin {

enum class SnapshotFormat { Bmp, Jpeg };

// Decided by the file name's extension (after its last dot; a dot in a folder name does
// not count).
SnapshotFormat SnapshotFormatFor(const std::string& path);

// True when the chosen file now holds the snapshot.
bool SaveSnapshot(const std::string& temporaryBmp, const std::string& chosenPath);

// Copies a file over a target through a temporary file beside the target.
bool ReplaceWithCopy(const std::string& source, const std::string& target);

}  // namespace tavelin
