#pragma once
// The program's numbered recordings as the web page lists and serves them: nothing else in
// the folder (a renamed recording, the counter, a link, a folder under a recording's name)
// can be listed or opened, whatever name a request carries.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Handle.h"

namespace tavelin {

struct RecordingEntry {
    std::string name;
    std::uint64_t size = 0;
    std::int64_t startUnix = 0;  // the file's modification time less its length
    double seconds = 0;          // 0 when the file does not say (yet)
};

// The program's numbered recordings in `folder` (exact names as ParseNumberedRecordingName in
// core/StoragePlan.h accepts them), regular files only, never through a link; by number.
std::vector<RecordingEntry> ListRecordings(const std::string& folder);
// [{"name":"Tavelin-00001.avi","size":123,"start":"2026-12-08T10:11:12Z","seconds":4.5},...]
std::string RecordingsJson(const std::vector<RecordingEntry>& entries);
// One of them by exact name, opened read-only without following links; empty UniqueFd
// (core/Handle.h) for any other name, a link, or anything but a regular file.
UniqueFd OpenRecording(const std::string& folder, std::string_view name, std::uint64_t& size);

// The length in seconds an AVI file's headers give, from its first bytes (`head`); 0 when
// they are not there or say nothing (a recording still being written).
double AviSeconds(const std::uint8_t* head, std::size_t size);

}  // namespace tavelin
