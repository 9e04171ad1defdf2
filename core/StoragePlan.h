#pragma once
// Which of the program's own files go so that the recording folder stays within the
// user's limits, oldest first, and whether recording may go on. Pure: the folder scan
// and the removals are CStorageKeeper's.
//
// What may go: numbered recordings ("Tavelin-NNNNN.avi", regular files) in the
// recording folder, oldest number first, and motion stills ("MOTION[hh-mm-ss].bmp") in
// the still folder, oldest time first. Never the file being written, never a file
// changed in the last kRecentSeconds (another program may be writing it), never a
// file under any other name: a user keeps a recording by renaming it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/StorageLimits.h"

namespace tavelin {

struct StoredFile {
    enum class Kind { Recording, Still };
    Kind kind = Kind::Recording;
    std::string name;           // without a folder: "Tavelin-00012.avi"
    std::int32_t number = 0;    // recordings
    std::int64_t modified = 0;  // seconds since the epoch
    std::uint64_t bytes = 0;    // what it takes on the disk
    std::uint64_t inode = 0;    // looked at again before the file goes
};

// Whether `name` is a numbered recording's name, exactly as the program writes it, and
// its number.
bool ParseNumberedRecordingName(const std::string& name, std::int32_t& number);
// Whether `name` is a motion still's name, exactly as the program writes it.
bool IsMotionStillName(const std::string& name);

// What a check found.
struct StorageFacts {
    std::vector<StoredFile> recordings;  // any order
    std::vector<StoredFile> stills;      // any order
    // Free bytes where the recording is written (an unprivileged writer's share).
    std::uint64_t freeBytes = 0;
    // Removing from the recording (still) folder frees space where recordings are written.
    bool recordingsFreeSpace = true;
    bool stillsFreeSpace = true;
};

// What the coming minutes need.
struct StorageNeeds {
    std::int64_t now = 0;    // seconds since the epoch
    std::string writing;     // the name being written in the recording folder, or ""
    bool recording = false;  // a file is being written (anywhere)
    // Data the next minute brings at the measured rate, kept free on top of the limits
    // while a recording runs or may start.
    std::uint64_t aheadBytes = 0;
    // The least free space a recording keeps to finish its file (the index, the data
    // of the next checks).
    std::uint64_t finishBytes = 0;
    // Room a new recording needs before it may start.
    std::uint64_t startBytes = 0;
};

enum class StorageVerdict {
    Ok,     // within every limit, with the minute ahead
    Short,  // nothing more may go and a limit is not met; recording may go on
    Full,   // a recording must end now (none may start)
};

// "ok", "short", "full": for logs and scripts.
const char* StorageVerdictName(StorageVerdict verdict);

inline constexpr std::int64_t kRecentSeconds = 10;

// Why a file goes.
enum class RemovalReason { TooOld, OverTotal, KeepFree };

struct Removal {
    StoredFile file;
    RemovalReason reason = RemovalReason::KeepFree;
};

struct StoragePlan {
    std::vector<Removal> remove;  // in the order they go
    StorageVerdict verdict = StorageVerdict::Ok;
    // Full because of the recordings' total rather than the free space.
    bool totalReached = false;
    // What is left once they are gone.
    StorageSummary after;
};

StoragePlan PlanStorage(const StorageLimits& limits, const StorageFacts& facts,
                        const StorageNeeds& needs);

}  // namespace tavelin
