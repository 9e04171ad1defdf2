#pragma once
// The program's numbered recordings in a folder, as the web server lists and serves them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Handle.h"

namespace tavelin {

struct RecordingEntry { std::string name; std::uint64_t size = 0; std::int64_t startUnix = 0; double seconds = 0; };
// The program's numbered recordings in `folder` (exact names as ParseNumberedRecordingName in
// core/StoragePlan.h accepts them), regular files only, never through a link; by number.
std::vector<RecordingEntry> ListRecordings(const std::string& folder);
// [{"name":"Tavelin-00001.avi","size":123,"start":"2026-12-08T10:11:12Z","seconds":4.5},...]
std::string RecordingsJson(const std::vector<RecordingEntry>& entries);
// One of them by exact name, opened read-only without following links; empty UniqueFd
// (core/Handle.h) for any other name, a link, or anything but a regular file.
UniqueFd OpenRecording(const std::string& folder, std::string_view name, std::uint64_t& size);

}  // namespace tavelin
