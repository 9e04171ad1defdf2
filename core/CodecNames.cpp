#include "core/CodecNames.h"

#include <algorithm>

namespace tavelin {

namespace {

bool ContainsAny(std::string_view upper, std::initializer_list<std::string_view> words) {
    return std::any_of(words.begin(), words.end(), [upper](std::string_view w) {
        return upper.find(w) != std::string_view::npos;
    });
}

}  // namespace

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

bool IsPcCameraName(std::string_view name) {
    return ContainsAny(UpperCase(name), {"PC CAMERA"});
}

bool IsChosenCameraName(std::string_view name, std::string_view pattern) {
    if (pattern.empty())
        return IsPcCameraName(name);
    return UpperCase(name).find(UpperCase(pattern)) != std::string::npos;
}

bool VideoCompressorNameAllowed(std::string_view name) {
    return !ContainsAny(UpperCase(name), {"H.", "4:2:0", "MPEG-4 VIDEO CODEC V1", "DECODER"});
}

bool AudioCompressorNameAllowed(std::string_view name) {
    return ContainsAny(UpperCase(name), {"PCM", "CCITT", "MPEG"});
}

int FirstEntryWithPrefix(const std::vector<std::string>& names,
                         std::initializer_list<std::string_view> prefixes) {
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        const std::string upper = UpperCase(names[i]);
        for (std::string_view p : prefixes) {
            if (std::string_view(upper).starts_with(p))
                return static_cast<int>(i);
        }
    }
    return 0;
}

int DefaultVideoCompressorIndex(const std::vector<std::string>& names) {
    return FirstEntryWithPrefix(names, {"DIVX", "INTEL INDEO(R)"});
}

int RecordSettingsVideoCompressorIndex(const std::vector<std::string>& names) {
    return FirstEntryWithPrefix(names, {"INTEL INDEO(R)"});
}

int DefaultAudioCompressorIndex(const std::vector<std::string>& names) {
    return FirstEntryWithPrefix(names, {kUncompressedAudioName});
}

}  // namespace tavelin
