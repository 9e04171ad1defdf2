#include "core/StorageLimits.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace tavelin {

StorageLimits StorageLimits::Clamped() const {
    StorageLimits c = *this;
    c.keepFreeMB = std::clamp<std::int64_t>(keepFreeMB, 0, kMaxMB);
    c.maxTotalMB = std::clamp<std::int64_t>(maxTotalMB, 0, kMaxMB);
    c.maxAgeDays = std::clamp<std::int64_t>(maxAgeDays, 0, kMaxDays);
    return c;
}

std::string ByteCountText(std::uint64_t bytes) {
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB"};
    if (bytes < 1024)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    // 1023.96 MB would print as "1024.0 MB": such values move to the next unit.
    while (value >= 1023.95 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    // to_chars, not printf: the desktop's locale (which Qt sets) must not turn the point
    // into a comma inside the comma-separated summary.
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    return std::string(text, end.ptr) + " " + kUnits[unit];
}

std::string StorageSummaryText(const StorageSummary& summary) {
    if (!summary.known)
        return {};
    return std::to_string(summary.recordings) +
           (summary.recordings == 1 ? " recording, " : " recordings, ") +
           ByteCountText(summary.recordingBytes) + "; " + ByteCountText(summary.freeBytes) +
           " free";
}

std::optional<std::int64_t> ParseStorageField(const std::string& text, std::int64_t max) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && blank(text[first]))
        ++first;
    while (last > first && blank(text[last - 1]))
        --last;
    if (first == last)
        return std::nullopt;
    std::int64_t value = 0;
    for (std::size_t i = first; i < last; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > max)  // also stops before a long number could overflow
            return std::nullopt;
    }
    return value;
}

}  // namespace tavelin
