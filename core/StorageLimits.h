#pragma once
// How much of the disk recordings may take: the user's three limits, and what the
// recording folder holds now. Megabytes here are 1,048,576 bytes, as the file managers
// of the desktop count them.

#include <cstdint>
#include <optional>
#include <string>

namespace tavelin {

inline constexpr std::uint64_t kBytesPerMB = 1024 * 1024;

struct StorageLimits {
    // The largest value a field takes: 16 TB in megabytes, a century in days.
    static constexpr std::int64_t kMaxMB = 16 * 1024 * 1024;
    static constexpr std::int64_t kMaxDays = 36500;

    // Keep at least this much free on the recording folder's file system (0: off).
    std::int64_t keepFreeMB = 1024;
    // The numbered recordings together take at most this much (0: off).
    std::int64_t maxTotalMB = 0;
    // Numbered recordings older than this go (0: off).
    std::int64_t maxAgeDays = 0;

    // The same limits with every field in its range.
    StorageLimits Clamped() const;

    friend bool operator==(const StorageLimits&, const StorageLimits&) = default;
};

// What the folders held at the last check.
struct StorageSummary {
    bool known = false;  // false until a check has run
    std::uint64_t recordings = 0;
    std::uint64_t recordingBytes = 0;
    std::uint64_t freeBytes = 0;
};

// "143 recordings, 12.3 GB; 45.1 GB free"; empty while nothing is known.
std::string StorageSummaryText(const StorageSummary& summary);

// "12.3 GB", "512.0 MB", "4.0 KB", "17 bytes".
std::string ByteCountText(std::uint64_t bytes);

// A limit field as typed: a whole number from 0 to `max`, spaces around allowed.
std::optional<std::int64_t> ParseStorageField(const std::string& text, std::int64_t max);

}  // namespace tavelin
