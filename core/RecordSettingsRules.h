#pragma once
// The data rules of the recording settings dialogs: the master stream choice, numbered
// and typed recording names, what OK stores, the lists the Record settings dialog
// shows, and the placeholder entries that keep the main window's lists in step with it.
// Plain string work plus one file-system look at the save folder; the dialogs are thin
// Qt shells around these.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

inline constexpr const char* kSavePathMissing =
    "The specified save file path does not exist.\r\n\r\n"
    "Please provide a valid media filename.";
inline constexpr const char* kSavePathNotWritable =
    "The specified save folder cannot be written to.\r\n\r\n"
    "Please choose a folder in which you may create files.";
// Stands in for a list entry the main window does not have yet.
inline constexpr const char* kPlaceholderEntry = "PELLOR";
// The single entry of an audio list whose listing failed.
inline constexpr const char* kNoneEntry = "None";

// The Video settings counter field: the number the next numbered recording uses.
inline constexpr std::int32_t kMinFileCounter = 0;
inline constexpr std::int32_t kMaxFileCounter = 99999;
inline constexpr const char* kFileCounterRefused =
    "The AVI file counter must be a whole number from 0 to 99999.";

// The field's value: decimal digits, surrounding blanks allowed, within the bounds above.
std::optional<std::int32_t> ParseFileCounterField(std::string_view text);

// --- Master stream: radio 0 "None", 1 "Audio", 2 "Video" ---

// -1 -> 0, 1 -> 1, 2 -> 2; any other stored value shows "Audio".
int MasterStreamRadio(std::int8_t masterStream);
// 0 -> -1, 2 -> 2, anything else -> 1 (never 0: the muxer knows no stream 0).
std::int8_t MasterStreamOfRadio(int radio);

// --- Names ---

// Case-insensitive in ASCII letters; other bytes must match exactly.
bool PathsEqual(std::string_view a, std::string_view b);
// The numbered recording name in the folder of `path`: DirectoryOf(path) + "/Tavelin-%05d.avi".
std::string NumberedPathFor(const std::string& path, std::int32_t counter);
// `path` is a name of the user's own, not the numbered name for its folder and `counter`.
bool IsTypedName(const std::string& path, std::int32_t counter);
// From the last '/' on ("/name.avi"); the whole path when it has no '/'.
std::string FilePartOf(const std::string& path);

// What a recording will be written to: the path, and whether it is used as typed.
struct AviTarget {
    std::string aviPath;
    bool useTypedNameOnce = false;
};

// Video settings OK: the numbered name for the folder and counter, unless the user
// typed a name of their own that differs from it.
AviTarget VideoSettingsTarget(const std::string& path, std::int32_t counter, bool typedName);

// Record settings OK: `current` is what is stored now, `counterInFile` the counter the
// next numbered recording will use. A path other than the stored one, or one whose file
// name is not the next numbered name, becomes a typed name; otherwise nothing changes,
// so a pending typed name stays pending.
AviTarget RecordSettingsTarget(const std::string& outputPath, const AviTarget& current,
                               std::int32_t counterInFile);

// --- The save folder of a path ---

enum class SaveFolderState { Usable, Missing, NotWritable };

// The folder a recording at `path` is written to: DirectoryOf(path), or "/" for a file
// directly in the root. Empty for a bare name, which has no folder to check.
std::string SaveFolderOf(const std::string& path);
// Missing also covers a folder part that is not a directory or cannot be looked at.
SaveFolderState CheckSaveFolder(const std::string& path);
// The message for a folder that cannot be used; null for a usable one.
const char* SaveFolderMessage(SaveFolderState state);

// --- Record settings lists ---

// What the capture engine reports for the three lists.
struct CodecLists {
    std::vector<std::string> videoCompressors;
    std::vector<std::string> audioDevices;
    bool audioDevicesListed = true;  // false: the listing failed
    std::vector<std::string> audioCompressors;
    bool audioCompressorsListed = true;
};

// The three lists as a window shows them, with the entries to select.
struct ListsShown {
    std::vector<std::string> videoCompressors;
    std::vector<std::string> audioDevices;
    std::vector<std::string> audioCompressors;
    int videoCompressor = 0;
    int audioDevice = 0;
    int audioCompressor = 0;
};

// The lists as the record settings dialog shows them.
struct RecordListsShown : ListsShown {
    bool audioDeviceAvailable = true;  // false: "Enable audio" is of no use
};

// A failed audio listing gets the entry "None". Defaults: the first Intel Indeo video
// compressor, the first PCM audio compressor, the first audio device; then the stored
// selections win where they exist in the lists. The audio device always starts at 0.
RecordListsShown PrepareRecordLists(CodecLists lists, std::int32_t videoCompressorIndex,
                                    std::int32_t audioCompressorIndex);

// How many placeholder entries a main-window list of `count` entries needs at its end
// so that position `index` exists. Negative indexes need none.
int PlaceholdersNeeded(int count, std::int32_t index);

}  // namespace tavelin
