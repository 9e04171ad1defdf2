#include "core/StorageKeeper.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <utility>

#include "core/FileNames.h"
#include "core/Handle.h"
#include "core/Log.h"

namespace tavelin {

namespace {

using DirPtr = Handle<DIR, closedir>;

// A folder being looked at: its listing stays open for the removals, by name within it.
struct Folder {
    std::string path;
    DirPtr dir;
    struct stat st {};
    bool open = false;
};

bool OpenFolder(const std::string& path, Folder& folder) {
    folder.path = path;
    if (path.empty())
        return false;
    folder.dir.reset(::opendir(path.c_str()));
    if (folder.dir == nullptr || ::fstat(::dirfd(folder.dir.get()), &folder.st) != 0) {
        // A folder that is not there (yet) holds nothing to keep: no warning each minute.
        Log(LogArea::Record, errno == ENOENT ? LogLevel::Debug : LogLevel::Warning,
            "storage: cannot look into " + path + ": " + std::strerror(errno));
        folder.dir.reset();
        return false;
    }
    folder.open = true;
    return true;
}

// The program's own files in `folder`: regular files under its names, never a link.
void ListOwnFiles(Folder& folder, StoredFile::Kind kind, std::vector<StoredFile>& files) {
    const int fd = ::dirfd(folder.dir.get());
    ::rewinddir(folder.dir.get());
    while (const dirent* entry = ::readdir(folder.dir.get())) {
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN)
            continue;
        StoredFile file;
        file.kind = kind;
        file.name = entry->d_name;
        const bool ours = kind == StoredFile::Kind::Recording
                              ? ParseNumberedRecordingName(file.name, file.number)
                              : IsMotionStillName(file.name);
        struct stat st {};
        if (!ours || ::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode)) {
            continue;
        }
        file.modified = st.st_mtime;
        file.bytes = static_cast<std::uint64_t>(st.st_blocks) * 512;
        file.inode = st.st_ino;
        files.push_back(std::move(file));
    }
}

const char* ReasonText(RemovalReason reason) {
    switch (reason) {
        case RemovalReason::TooOld:
            return "older than the days to keep";
        case RemovalReason::OverTotal:
            return "to keep the recordings within their total";
        case RemovalReason::KeepFree:
            return "to keep the disk's space free";
    }
    return "";
}

// Removes `file` from `folder` if it is still the regular file that was listed: a link
// or another file put there since stays (unlinking never follows a link anyway).
bool Remove(Folder& folder, const Removal& removal) {
    const int fd = ::dirfd(folder.dir.get());
    const StoredFile& file = removal.file;
    const std::string path = folder.path + "/" + file.name;
    struct stat st {};
    if (::fstatat(fd, file.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_ino != file.inode) {
        Log(LogArea::Record, LogLevel::Info, "storage: " + path + " changed; it stays");
        return false;
    }
    if (::unlinkat(fd, file.name.c_str(), 0) != 0) {
        Log(LogArea::Record, LogLevel::Warning,
            "storage: cannot remove " + path + ": " + std::strerror(errno));
        return false;
    }
    Log(LogArea::Record, LogLevel::Info,
        "storage: removed " + path + " (" + ByteCountText(file.bytes) + "), " +
            ReasonText(removal.reason));
    return true;
}

// Follows the growth of the file being written.
void MeasureRate(const std::string& writingPath, StorageRate& rate, std::int64_t nowMs) {
    if (writingPath.empty()) {
        rate.path.clear();
        return;
    }
    struct stat st {};
    const bool known = ::stat(writingPath.c_str(), &st) == 0;
    const std::uint64_t bytes = known ? static_cast<std::uint64_t>(st.st_blocks) * 512 : 0;
    // A new file's time counts from now even when it cannot be looked at yet.
    if (rate.path != writingPath || !known) {
        rate.path = writingPath;
        rate.bytes = bytes;
        rate.atMs = rate.sinceMs = nowMs;
        rate.pastStart = false;
        return;
    }
    const std::int64_t elapsed = nowMs - rate.atMs;
    if (elapsed < 500 || bytes < rate.bytes)
        return;
    // A file on motion gets the seconds kept before it all at once, just after it is
    // named: that is no rate it grows at. The measuring starts after it.
    if (!std::exchange(rate.pastStart, true)) {
        rate.bytes = bytes;
        rate.atMs = nowMs;
        return;
    }
    const std::uint64_t measured =
        (bytes - rate.bytes) * 1000 / static_cast<std::uint64_t>(elapsed);
    // Up at once, down slowly: a quiet second must not hide the busy ones.
    rate.bytesPerSecond =
        measured > rate.bytesPerSecond ? measured : (rate.bytesPerSecond * 3 + measured) / 4;
    rate.bytes = bytes;
    rate.atMs = nowMs;
}

std::string FileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

StorageReport CheckStorage(const StorageWatch& watch, StorageRate& rate, std::int64_t nowMs,
                           std::int64_t nowSeconds) {
    StorageReport report;
    Folder recordings;
    if (!OpenFolder(watch.recordingFolder, recordings))
        return report;
    StorageFacts facts;
    ListOwnFiles(recordings, StoredFile::Kind::Recording, facts.recordings);
    Folder stills;
    if (!watch.stillFolder.empty() && OpenFolder(watch.stillFolder, stills))
        ListOwnFiles(stills, StoredFile::Kind::Still, facts.stills);

    // The space that counts is where the recording is written.
    const std::string writingFolder = DirectoryOf(watch.writingPath);
    Folder writing;
    const Folder* target = &recordings;
    if (!watch.writingPath.empty() && writingFolder != watch.recordingFolder &&
        OpenFolder(writingFolder, writing)) {
        target = &writing;
    }
    struct statvfs space {};
    if (::fstatvfs(::dirfd(target->dir.get()), &space) != 0) {
        Log(LogArea::Record, LogLevel::Warning,
            "storage: cannot read the free space of " + target->path + ": " + std::strerror(errno));
        return report;
    }
    facts.freeBytes = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
    facts.recordingsFreeSpace = recordings.st.st_dev == target->st.st_dev;
    facts.stillsFreeSpace = stills.open && stills.st.st_dev == target->st.st_dev;

    MeasureRate(watch.writingPath, rate, nowMs);
    const std::uint64_t perSecond = rate.bytesPerSecond;
    StorageNeeds needs;
    needs.now = nowSeconds;
    needs.recording = !watch.writingPath.empty();
    if (needs.recording && writingFolder == watch.recordingFolder)
        needs.writing = FileName(watch.writingPath);
    needs.aheadBytes = needs.recording || watch.armed ? perSecond * 60 : 0;
    // The index grows by about a kilobyte a second of recording; a few seconds of data
    // may come before the next check sees the floor.
    const std::uint64_t seconds =
        needs.recording
            ? static_cast<std::uint64_t>(std::max<std::int64_t>(0, nowMs - rate.sinceMs)) / 1000
            : 0;
    needs.finishBytes = 4 * kBytesPerMB + perSecond * 3 + seconds * 1024;
    needs.startBytes = std::max<std::uint64_t>(kBytesPerMB, perSecond * 10);

    StoragePlan plan = PlanStorage(watch.limits, facts, needs);
    for (const Removal& removal : plan.remove) {
        Folder& folder = removal.file.kind == StoredFile::Kind::Recording ? recordings : stills;
        if (!Remove(folder, removal)) {
            // It stays: what the plan counted as freed is not.
            const bool freed = removal.file.kind == StoredFile::Kind::Recording
                                   ? facts.recordingsFreeSpace
                                   : facts.stillsFreeSpace;
            if (freed)
                plan.after.freeBytes -= std::min(plan.after.freeBytes, removal.file.bytes);
            if (removal.file.kind == StoredFile::Kind::Recording) {
                plan.after.recordings += 1;
                plan.after.recordingBytes += removal.file.bytes;
            }
            continue;
        }
        report.removed.push_back({folder.path + "/" + removal.file.name, removal.file.bytes});
    }
    report.verdict = plan.verdict;
    report.totalReached = plan.totalReached;
    report.writing = needs.recording;
    report.summary = plan.after;
    report.bytesPerSecond = perSecond;
    return report;
}

// ---- the keeper's thread ----

CStorageKeeper::~CStorageKeeper() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void CStorageKeeper::SetWake(std::function<void()> wake) {
    const std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

void CStorageKeeper::Watch(const StorageWatch& watch) {
    {
        const std::lock_guard lock(mutex_);
        if (thread_.joinable() && watch == watch_)
            return;
        watch_ = watch;
        checkWanted_ = true;
        if (!thread_.joinable())
            thread_ = std::thread([this] { Run(); });
    }
    changed_.notify_all();
}

void CStorageKeeper::CheckNow() {
    {
        const std::lock_guard lock(mutex_);
        checkWanted_ = true;
    }
    changed_.notify_all();
}

bool CStorageKeeper::TakeReport(StorageReport& report) {
    const std::lock_guard lock(mutex_);
    if (!reported_)
        return false;
    reported_ = false;
    report = std::move(report_);
    report_.removed.clear();
    return true;
}

void CStorageKeeper::Run() {
    // A check is tens of milliseconds of system calls. As a batch thread it never
    // preempts the thread that woke it: otherwise a busy machine keeps the main thread
    // off its core for milliseconds after a Watch or CheckNow. Its share of the CPU is
    // the same.
    const sched_param batch{};
    ::pthread_setschedparam(::pthread_self(), SCHED_BATCH, &batch);
    using Clock = std::chrono::steady_clock;
    StorageRate rate;
    std::uint64_t checks = 0;
    std::unique_lock lock(mutex_);
    Clock::time_point next = Clock::now();
    while (!stopping_) {
        changed_.wait_until(lock, next, [this] { return stopping_ || checkWanted_; });
        if (stopping_)
            break;
        checkWanted_ = false;
        const StorageWatch watch = watch_;
        lock.unlock();
        const auto now = Clock::now();
        const std::int64_t nowMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
        StorageReport report = CheckStorage(watch, rate, nowMs, std::time(nullptr));
        report.checks = ++checks;
        lock.lock();
        std::vector<RemovedFile> removed = std::move(report_.removed);
        removed.insert(removed.end(), report.removed.begin(), report.removed.end());
        report_ = std::move(report);
        report_.removed = std::move(removed);
        reported_ = true;
        const auto interval = !watch.writingPath.empty()              ? std::chrono::seconds(1)
                              : report_.verdict != StorageVerdict::Ok ? std::chrono::seconds(2)
                                                                      : std::chrono::seconds(60);
        next = now + interval;
        const std::function<void()> wake = wake_;
        lock.unlock();
        if (wake)
            wake();
        lock.lock();
    }
}

}  // namespace tavelin
