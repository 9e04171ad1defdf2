#pragma once
// Keeps the recording folder within the user's storage limits, on a thread of its own:
// it lists the folders, chooses what goes (StoragePlan.h), removes it and measures how
// fast the recording being written grows. Listing ten thousand recordings takes longer
// than a frame may wait, so the main thread only hands over what to watch and takes
// the reports (a lock and a swap each).
//
// When: at once when what is watched changes or CheckNow() is called (start-up, before
// a recording), every second while a recording is written, every two seconds while the
// folder is short of space, and once a minute otherwise.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/StorageLimits.h"
#include "core/StoragePlan.h"

namespace tavelin {

// What to keep within which limits.
struct StorageWatch {
    std::string recordingFolder;  // where numbered recordings go; "": nothing is kept
    std::string stillFolder;      // where motion stills go; "": none
    std::string writingPath;      // the file being written, or ""
    bool armed = false;           // a recording on motion may start at any moment
    StorageLimits limits;

    friend bool operator==(const StorageWatch&, const StorageWatch&) = default;
};

struct RemovedFile {
    std::string path;
    std::uint64_t bytes = 0;
};

struct StorageReport {
    std::vector<RemovedFile> removed;  // since the last report, in the order they went
    StorageVerdict verdict = StorageVerdict::Ok;
    bool totalReached = false;         // Full because of the recordings' total
    bool writing = false;              // the check knew of a file being written
    StorageSummary summary;            // what is kept now
    std::uint64_t bytesPerSecond = 0;  // the last recording's measured rate
    std::uint64_t checks = 0;          // checks run so far
};

class IStorageKeeper {
public:
    virtual ~IStorageKeeper() = default;
    // What to watch from now on; a change is checked at once.
    virtual void Watch(const StorageWatch& watch) = 0;
    virtual void CheckNow() = 0;
    // The newest report and every file removed since the last one; false when no check
    // has ended since.
    virtual bool TakeReport(StorageReport& report) = 0;
};

// A check's memory from one to the next: the rate a recording grows at.
struct StorageRate {
    std::string path;
    std::uint64_t bytes = 0;
    std::int64_t atMs = 0;
    std::int64_t sinceMs = 0;          // the recording's first check
    bool pastStart = false;            // the first interval, with the seconds before, is over
    std::uint64_t bytesPerSecond = 0;  // kept after the recording, for the next start
};

// One check on the calling thread: lists, plans, removes (logging each file), and
// measures the rate. `nowMs`: a steady clock; `nowSeconds`: the wall clock files are
// dated by.
StorageReport CheckStorage(const StorageWatch& watch, StorageRate& rate, std::int64_t nowMs,
                           std::int64_t nowSeconds);

class CStorageKeeper final : public IStorageKeeper {
public:
    CStorageKeeper() = default;
    ~CStorageKeeper() override;
    CStorageKeeper(const CStorageKeeper&) = delete;
    CStorageKeeper& operator=(const CStorageKeeper&) = delete;

    // Called on the keeper's thread after each check (the main loop should take the
    // report).
    void SetWake(std::function<void()> wake);

    void Watch(const StorageWatch& watch) override;
    void CheckNow() override;
    bool TakeReport(StorageReport& report) override;

private:
    void Run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;  // started by the first Watch
    StorageWatch watch_;
    bool checkWanted_ = false;
    bool stopping_ = false;
    bool reported_ = false;
    StorageReport report_;
    std::function<void()> wake_;
};

}  // namespace tavelin
