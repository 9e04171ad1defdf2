#pragma once
// The name of every file the program writes, in one place: the recording counter, the
// numbered recordings, the pictures it takes by itself, and the hidden temporary files
// that become them. Folders are the caller's; names here begin with '/' so they append
// to a folder as they are.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace tavelin {

// The recording counter in the data folder.
inline constexpr const char* kCounterFileName = "/Pellor.inf";
// The timer shot when the user has chosen no file.
inline constexpr const char* kTimerShotFileName = "/TimerCap.bmp";
// The snapshot's picture before it is converted, in a folder only this user can read.
inline constexpr const char* kSnapshotTempName = "/bmp.bmp";
// The names the save-file dialogs propose.
inline constexpr const char* kSnapshotProposedName = "SnapCap";
inline constexpr const char* kTimerShotProposedName = "TimerCap";

// "/Tavelin-%05d.avi": at least five digits, zero-padded after any minus sign.
std::string NumberedAviName(std::int32_t n);

// "/MOTION[hh-mm-ss].bmp": a motion still, named by the time of day.
std::string MotionStillName(const std::tm& now);

// The longest file name the usual Linux file systems take, in bytes.
inline constexpr std::size_t kNameMax = 255;

// The hidden file beside `target` that becomes it: ".<name>.<kind>-<pid>-<serial>". When
// that would be longer than `nameMax`, only the start of <name> goes in (cut between
// characters), so any name the folder takes can be written this way.
std::string TemporaryName(const std::string& target, const char* kind, long pid, unsigned serial,
                          std::size_t nameMax = kNameMax);

// A hidden file name as TemporaryName makes it (no folder), taken apart; <name> may be
// shortened. False for any other name.
struct TemporaryNameParts {
    std::string name;
    std::string kind;
    long pid = 0;
    unsigned long serial = 0;
};
bool ParseTemporaryName(const std::string& fileName, TemporaryNameParts& parts);

// The file the counter is locked through (CCounterLock), beside the counter: hidden,
// and never replaced, unlike the counter itself.
std::string CounterLockPath(const std::string& counterPath);

// `path` up to, not including, its last '/'; "" when it has none.
std::string DirectoryOf(const std::string& path);

// The file a motion still goes to: the folder of the chosen still path, and the time.
inline std::string MotionStillPath(const std::string& motionShotPath, const std::tm& now) {
    return DirectoryOf(motionShotPath) + MotionStillName(now);
}

}  // namespace tavelin
