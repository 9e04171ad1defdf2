#pragma once
// Name tests for the camera search and the encoder lists, and the entries the
// windows pick by default. Pure string work: the lists come from the capture engine.
//
// Every test looks at an upper-cased copy of the name, so letter case never matters.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

// The first audio compressor entry: uncompressed sound, not an encoder.
inline constexpr std::string_view kUncompressedAudioName = "PCM";

// ASCII upper case; other bytes (UTF-8 sequences) stay as they are.
std::string UpperCase(std::string_view text);

// A camera the program will use: the name contains "PC CAMERA".
bool IsPcCameraName(std::string_view name);

// The camera the user asked for by (part of) its name, in any letter case; an empty
// pattern asks for the usual "PC CAMERA" test.
bool IsChosenCameraName(std::string_view name, std::string_view pattern);

// Video compressors: none of "H.", "4:2:0", "MPEG-4 VIDEO CODEC V1", "DECODER".
bool VideoCompressorNameAllowed(std::string_view name);

// Audio compressors: at least one of "PCM", "CCITT", "MPEG".
bool AudioCompressorNameAllowed(std::string_view name);

// Position of the first entry among 0 ... count - 2 whose name begins with one of
// the prefixes, otherwise 0. The last entry is never examined, and a list of fewer
// than two entries gives 0 without looking at it.
int FirstEntryWithPrefix(const std::vector<std::string>& names,
                         std::initializer_list<std::string_view> prefixes);

// Main window: a DivX or an Intel Indeo compressor.
int DefaultVideoCompressorIndex(const std::vector<std::string>& names);
// Record settings dialog: an Intel Indeo compressor only.
int RecordSettingsVideoCompressorIndex(const std::vector<std::string>& names);
// Both windows: uncompressed sound.
int DefaultAudioCompressorIndex(const std::vector<std::string>& names);

}  // namespace tavelin
