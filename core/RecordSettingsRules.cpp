#include "core/RecordSettingsRules.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "core/CodecNames.h"
#include "core/FileCounter.h"

namespace tavelin {

std::optional<std::int32_t> ParseFileCounterField(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > kMaxFileCounter)  // also stops before a long number could overflow
            return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

int MasterStreamRadio(std::int8_t masterStream) {
    switch (masterStream) {
        case -1:
            return 0;
        case 2:
            return 2;
        default:
            return 1;
    }
}

std::int8_t MasterStreamOfRadio(int radio) {
    switch (radio) {
        case 0:
            return -1;
        case 2:
            return 2;
        default:
            return 1;
    }
}

bool PathsEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

std::string NumberedPathFor(const std::string& path, std::int32_t counter) {
    return DirectoryOf(path) + NumberedAviName(counter);
}

bool IsTypedName(const std::string& path, std::int32_t counter) {
    return !PathsEqual(path, NumberedPathFor(path, counter));
}

std::string FilePartOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash);
}

AviTarget VideoSettingsTarget(const std::string& path, std::int32_t counter, bool typedName) {
    AviTarget target{NumberedPathFor(path, counter), false};
    if (typedName && !PathsEqual(path, target.aviPath))
        target = {path, true};
    return target;
}

AviTarget RecordSettingsTarget(const std::string& outputPath, const AviTarget& current,
                               std::int32_t counterInFile) {
    const bool typed = !PathsEqual(outputPath, current.aviPath) ||
                       !PathsEqual(FilePartOf(outputPath), NumberedAviName(counterInFile));
    return typed ? AviTarget{outputPath, true} : current;
}

std::string SaveFolderOf(const std::string& path) {
    std::string folder = DirectoryOf(path);
    if (folder.empty() && !path.empty() && path.front() == '/')
        return std::string(1, '/');
    return folder;
}

SaveFolderState CheckSaveFolder(const std::string& path) {
    const std::string folder = SaveFolderOf(path);
    struct stat info {};
    if (folder.empty() || ::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return SaveFolderState::Missing;
    // Creating a file needs write and search permission on the folder and a writable
    // file system; checked for the effective user, the one that will create the file.
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return SaveFolderState::NotWritable;
    return SaveFolderState::Usable;
}

const char* SaveFolderMessage(SaveFolderState state) {
    switch (state) {
        case SaveFolderState::Missing:
            return kSavePathMissing;
        case SaveFolderState::NotWritable:
            return kSavePathNotWritable;
        case SaveFolderState::Usable:
            break;
    }
    return nullptr;
}

RecordListsShown PrepareRecordLists(CodecLists lists, std::int32_t videoCompressorIndex,
                                    std::int32_t audioCompressorIndex) {
    RecordListsShown shown;
    shown.videoCompressors = std::move(lists.videoCompressors);
    shown.audioDevices = std::move(lists.audioDevices);
    shown.audioCompressors = std::move(lists.audioCompressors);
    if (!lists.audioDevicesListed) {
        shown.audioDevices.emplace_back(kNoneEntry);
        shown.audioDeviceAvailable = false;
    }
    if (!lists.audioCompressorsListed)
        shown.audioCompressors.emplace_back(kNoneEntry);

    shown.videoCompressor = RecordSettingsVideoCompressorIndex(shown.videoCompressors);
    shown.audioCompressor = DefaultAudioCompressorIndex(shown.audioCompressors);
    shown.audioDevice = 0;

    const auto restore = [](int& selection, std::int32_t stored, std::size_t count) {
        if (stored >= 0 && static_cast<std::size_t>(stored) < count)
            selection = stored;
    };
    restore(shown.videoCompressor, videoCompressorIndex, shown.videoCompressors.size());
    restore(shown.audioCompressor, audioCompressorIndex, shown.audioCompressors.size());
    return shown;
}

int PlaceholdersNeeded(int count, std::int32_t index) {
    if (index < 0)
        return 0;
    return static_cast<int>(std::max<std::int64_t>(0, std::int64_t{index} + 1 - count));
}

}  // namespace tavelin
