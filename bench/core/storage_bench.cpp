// The storage keeper over a folder of ten thousand recordings. One check as the keeper's
// thread runs it, beside a bare listing with a stat of every entry (what `ls -l` does,
// the least any check can do), so the figure reads as a ratio; and the main thread's
// share of a check, which is a few locks whatever the folder holds.
//
// Then a recording written at a steady rate on the real disk while a keeper holds the
// free space above its limit: how close the free space came to the limit, and what went.
// That one is a figure from a shared disk, not a measure of speed: other programs write
// to the same file system meanwhile, and "others_drift_MB" says by how much.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/FileNames.h"
#include "core/NoticeSink.h"
#include "core/SessionEvents.h"
#include "core/StorageGuard.h"
#include "core/StorageKeeper.h"
#include "core/StorageLimits.h"
#include "core/StoragePlan.h"

namespace {

using namespace tavelin;
using Clock = std::chrono::steady_clock;

constexpr int kRecordings = 10000;
constexpr int kOtherFiles = 2000;
constexpr int kStills = 1000;
constexpr std::size_t kSmallFileBytes = 4096;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// A folder of its own under /tmp, removed with everything in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* name) {
        std::string pattern = std::string("/tmp/") + name + "-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code error;
        if (!path_.empty())
            std::filesystem::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    bool ok() const { return !path_.empty(); }

private:
    std::string path_;
};

bool WriteAll(int fd, std::size_t bytes) {
    static const std::vector<char> data(1 << 20, 'v');
    while (bytes > 0) {
        const std::size_t step = std::min(bytes, data.size());
        const ssize_t n = ::write(fd, data.data(), step);
        if (n <= 0)
            return false;
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

// A new file of `bytes`, last written at `modified` (seconds since the epoch).
bool WriteFile(const std::string& path, std::size_t bytes, std::int64_t modified) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    timespec times[2] = {};
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(modified);
    const bool ok = WriteAll(fd, bytes) && ::futimens(fd, times) == 0;
    return ::close(fd) == 0 && ok;
}

std::string NameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

std::int64_t FreeBytes(const std::string& path) {
    struct statvfs space {};
    if (::statvfs(path.c_str(), &space) != 0)
        return -1;
    return static_cast<std::int64_t>(space.f_bavail) * static_cast<std::int64_t>(space.f_frsize);
}

// Ten thousand small numbered recordings a month old and younger, the oldest number the
// oldest, two thousand files that are not the program's beside them, and a thousand
// motion stills in a folder of their own: built once for every benchmark below.
class RecordingFolder {
public:
    RecordingFolder() {
        if (!root_.ok())
            return;
        recordings_ = root_.path() + "/recordings";
        stills_ = root_.path() + "/stills";
        if (::mkdir(recordings_.c_str(), 0755) != 0 || ::mkdir(stills_.c_str(), 0755) != 0)
            return;
        base_ = std::time(nullptr) - 30 * 86400;
        for (int n = 0; n < kRecordings; ++n) {
            if (!WriteFile(recordings_ + NumberedAviName(n), kSmallFileBytes, Dated(n)))
                return;
        }
        // Someone else's names: a renamed recording is the user's to keep.
        static const char* const kOthers[] = {"/holiday-%04d.avi", "/Tavelin-%04d.avi",
                                              "/Tavelin-0%05d.avi", "/notes-%04d.txt",
                                              "/.Tavelin-%05d.avi.part"};
        for (int i = 0; i < kOtherFiles; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, kOthers[i % 5], i);
            if (!WriteFile(recordings_ + name, kSmallFileBytes, Dated(i)))
                return;
        }
        for (int i = 0; i < kStills; ++i) {
            std::tm at{};
            at.tm_hour = i / 60 % 24;
            at.tm_min = i % 60;
            at.tm_sec = i % 47;
            if (!WriteFile(stills_ + MotionStillName(at), kSmallFileBytes, Dated(i)))
                return;
        }
        // What the recordings take on this file system, for a total that makes ten go.
        StorageRate rate;
        const StorageReport report =
            CheckStorage(Watch(StorageLimits{0, 0, 0}), rate, NowMs(), std::time(nullptr));
        if (!report.summary.known || report.summary.recordings != kRecordings ||
            !report.removed.empty()) {
            return;
        }
        recordingBytes_ = report.summary.recordingBytes;
        ok_ = true;
    }

    bool ok() const { return ok_; }

    StorageWatch Watch(const StorageLimits& limits) const {
        StorageWatch watch;
        watch.recordingFolder = recordings_;
        watch.stillFolder = stills_;
        watch.limits = limits;
        return watch;
    }

    // A total the recordings are over by at least ten of them. A check that may start a
    // recording keeps a megabyte of room below the total, and totals are whole
    // megabytes, so a few more than ten go.
    StorageLimits TenOverTotal() const {
        const std::uint64_t each = recordingBytes_ / kRecordings;
        const std::uint64_t cap = (recordingBytes_ + kBytesPerMB - 10 * each) / kBytesPerMB;
        return StorageLimits{0, static_cast<std::int64_t>(cap), 0};
    }

    // Puts removed recordings back as they were, to go again.
    bool Restore(const std::vector<std::string>& paths) const {
        for (const std::string& path : paths) {
            std::int32_t n = 0;
            if (!ParseNumberedRecordingName(NameOf(path), n) ||
                !WriteFile(path, kSmallFileBytes, Dated(n))) {
                return false;
            }
        }
        return true;
    }

private:
    std::int64_t Dated(int n) const { return base_ + static_cast<std::int64_t>(n) * 60; }

    ScratchFolder root_{"tavelin-storage-bench"};
    std::string recordings_;
    std::string stills_;
    std::int64_t base_ = 0;
    std::uint64_t recordingBytes_ = 0;
    bool ok_ = false;
};

// Built on first use, removed when the program ends.
RecordingFolder& Folder() {
    static RecordingFolder folder;
    return folder;
}

std::vector<std::string> Paths(const std::vector<RemovedFile>& removed) {
    std::vector<std::string> paths;
    for (const RemovedFile& file : removed)
        paths.push_back(file.path);
    return paths;
}

// ---- one check, on the keeper's thread ----

std::uint64_t ListAndStat(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    const int fd = ::dirfd(dir);
    std::uint64_t blocks = 0;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            blocks += static_cast<std::uint64_t>(st.st_blocks);
    }
    ::closedir(dir);
    return blocks;
}

// The baseline: both folders listed, every entry stat'ed, the free space read.
void BM_ListAndStatEveryFile(benchmark::State& state) {
    RecordingFolder& folder = Folder();
    if (!folder.ok()) {
        state.SkipWithError("cannot build the folder of recordings under /tmp");
        return;
    }
    const StorageWatch watch = folder.Watch(StorageLimits{0, 0, 0});
    for (auto _ : state) {
        std::uint64_t blocks = ListAndStat(watch.recordingFolder) + ListAndStat(watch.stillFolder);
        benchmark::DoNotOptimize(blocks);
        benchmark::DoNotOptimize(FreeBytes(watch.recordingFolder));
    }
}
BENCHMARK(BM_ListAndStatEveryFile)->Unit(benchmark::kMillisecond);

enum class Limits { RemoveNothing, RemoveOldest };

void BM_CheckStorage(benchmark::State& state, Limits limits) {
    RecordingFolder& folder = Folder();
    if (!folder.ok()) {
        state.SkipWithError("cannot build the folder of recordings under /tmp");
        return;
    }
    const StorageWatch watch = folder.Watch(
        limits == Limits::RemoveOldest ? folder.TenOverTotal() : StorageLimits{0, 0, 0});
    StorageRate rate;
    std::uint64_t removed = 0;
    for (auto _ : state) {
        StorageReport report = CheckStorage(watch, rate, NowMs(), std::time(nullptr));
        benchmark::DoNotOptimize(report);
        if (report.summary.recordings + report.removed.size() != kRecordings) {
            state.SkipWithError("the check did not see every recording");
            break;
        }
        if (!report.removed.empty()) {
            state.PauseTiming();
            removed += report.removed.size();
            const bool restored = folder.Restore(Paths(report.removed));
            state.ResumeTiming();
            if (!restored) {
                state.SkipWithError("cannot put the removed recordings back");
                break;
            }
        }
    }
    state.counters["removed"] =
        benchmark::Counter(static_cast<double>(removed), benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_CheckStorage, RemoveNothing, Limits::RemoveNothing)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CheckStorage, RemoveOldest, Limits::RemoveOldest)
    ->Unit(benchmark::kMillisecond);

// ---- the main thread's share ----

// Wakes the bench's thread when the keeper has a report, as it wakes the main loop.
class Waker {
public:
    std::function<void()> Callback() {
        return [this] {
            {
                const std::lock_guard lock(mutex_);
                ++wakes_;
            }
            woken_.notify_all();
        };
    }
    std::uint64_t wakes() {
        const std::lock_guard lock(mutex_);
        return wakes_;
    }
    void WaitBeyond(std::uint64_t seen) {
        std::unique_lock lock(mutex_);
        woken_.wait(lock, [&] { return wakes_ > seen; });
    }

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    std::uint64_t wakes_ = 0;
};

class NoNotices final : public INoticeSink {
public:
    void ShowNotice(const std::string&, NoticeStyle) override { ++shown; }
    int shown = 0;
};

// Each iteration is one check over the ten thousand recordings with a changed watch
// (armed and not, in turn): the figure is the time of the main thread's calls alone, the
// hand-over of the watch ("watch_us") and the request for a check ("ask_us"), and the
// take ("take_us"),
// with the slowest iteration beside them; the wait for the report in between is the
// keeper's and is given as "check_ms". A check asked for while one runs follows it, so
// an iteration may see two.
class MainThreadTimes {
public:
    // t0..tw: the watch; tw..t1: the request; t1..t2: the keeper's check; t2..t3: the take.
    void Add(benchmark::State& state, Clock::time_point t0, Clock::time_point tw,
             Clock::time_point t1, Clock::time_point t2, Clock::time_point t3) {
        const double hand = Micros(t1 - t0);
        const double take = Micros(t3 - t2);
        state.SetIterationTime((hand + take) / 1e6);
        watch_ += Micros(tw - t0);
        ask_ += Micros(t1 - tw);
        take_ += take;
        worst_ = std::max(worst_, hand + take);
        checkMs_ += Micros(t2 - t0) / 1000;
    }
    void Count(benchmark::State& state, std::uint64_t checks) const {
        const auto average = [](double sum) {
            return benchmark::Counter(sum, benchmark::Counter::kAvgIterations);
        };
        state.counters["checks_per_iteration"] = average(static_cast<double>(checks));
        state.counters["watch_us"] = average(watch_);
        state.counters["ask_us"] = average(ask_);
        state.counters["take_us"] = average(take_);
        state.counters["worst_us"] = worst_;
        state.counters["check_ms"] = average(checkMs_);
    }

private:
    double watch_ = 0;
    double ask_ = 0;
    double take_ = 0;
    double worst_ = 0;
    double checkMs_ = 0;
};

void BM_KeeperMainThread(benchmark::State& state) {
    RecordingFolder& folder = Folder();
    if (!folder.ok()) {
        state.SkipWithError("cannot build the folder of recordings under /tmp");
        return;
    }
    StorageWatch watches[2] = {folder.Watch(StorageLimits{0, 0, 0}),
                               folder.Watch(StorageLimits{0, 0, 0})};
    watches[1].armed = true;
    Waker waker;
    CStorageKeeper keeper;
    keeper.SetWake(waker.Callback());
    keeper.Watch(watches[1]);
    waker.WaitBeyond(0);
    StorageReport report;
    keeper.TakeReport(report);
    const std::uint64_t checksBefore = waker.wakes();
    MainThreadTimes times;
    std::size_t turn = 0;
    for (auto _ : state) {
        const std::uint64_t seen = waker.wakes();
        const auto t0 = Clock::now();
        keeper.Watch(watches[turn++ % 2]);
        const auto tw = Clock::now();
        keeper.CheckNow();
        const auto t1 = Clock::now();
        waker.WaitBeyond(seen);
        const auto t2 = Clock::now();
        const bool taken = keeper.TakeReport(report);
        const auto t3 = Clock::now();
        benchmark::DoNotOptimize(taken);
        times.Add(state, t0, tw, t1, t2, t3);
    }
    times.Count(state, waker.wakes() - checksBefore);
}
// A fixed count: manual time is the main thread's microseconds, and the benchmark
// library would run checks until those add up to half a second.
void OneCheckEach(benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_KeeperMainThread)->Apply(OneCheckEach);

// The session's side: the guard hands over the watch, asks for a check before a
// recording may start, and turns the report into events. With the oldest recordings
// over the total, each report carries the files that went (put back between
// iterations, untimed).
void BM_GuardMainThread(benchmark::State& state, Limits limits) {
    RecordingFolder& folder = Folder();
    if (!folder.ok()) {
        state.SkipWithError("cannot build the folder of recordings under /tmp");
        return;
    }
    const StorageLimits chosen =
        limits == Limits::RemoveOldest ? folder.TenOverTotal() : StorageLimits{0, 0, 0};
    StorageWatch watches[2] = {folder.Watch(chosen), folder.Watch(chosen)};
    watches[1].armed = true;
    CEventStream events;
    std::vector<std::string> gone;
    events.Subscribe([&gone](const SessionEvent& event) {
        if (event.kind == SessionEventKind::FileRemoved)
            gone.push_back(event.path);
    });
    NoNotices notices;
    Waker waker;
    CStorageKeeper keeper;
    keeper.SetWake(waker.Callback());
    CStorageGuard guard(events, notices);
    guard.SetKeeper(&keeper);
    guard.Watch(watches[1]);
    waker.WaitBeyond(0);
    guard.TakeReport(false);
    const std::uint64_t checksBefore = waker.wakes();
    MainThreadTimes times;
    std::size_t turn = 0;
    std::uint64_t removed = 0;
    std::uint64_t refused = 0;
    for (auto _ : state) {
        events.Deliver();
        removed += gone.size();
        if (!folder.Restore(gone)) {
            state.SkipWithError("cannot put the removed recordings back");
            break;
        }
        gone.clear();
        const std::uint64_t seen = waker.wakes();
        const auto t0 = Clock::now();
        guard.Watch(watches[turn++ % 2]);
        const auto tw = Clock::now();
        refused += guard.MayStart(false) ? 0 : 1;
        const auto t1 = Clock::now();
        waker.WaitBeyond(seen);
        const auto t2 = Clock::now();
        const bool mustEnd = guard.TakeReport(false);
        const auto t3 = Clock::now();
        benchmark::DoNotOptimize(mustEnd);
        times.Add(state, t0, tw, t1, t2, t3);
    }
    events.Deliver();
    removed += gone.size();
    folder.Restore(gone);
    state.counters["removed"] =
        benchmark::Counter(static_cast<double>(removed), benchmark::Counter::kAvgIterations);
    state.counters["refused"] = static_cast<double>(refused + notices.shown);
    times.Count(state, waker.wakes() - checksBefore);
}
BENCHMARK_CAPTURE(BM_GuardMainThread, RemoveNothing, Limits::RemoveNothing)->Apply(OneCheckEach);
BENCHMARK_CAPTURE(BM_GuardMainThread, RemoveOldest, Limits::RemoveOldest)->Apply(OneCheckEach);

// ---- the free space during a recording ----

// A recording grows by `KB_per_100ms` for five seconds beside forty earlier recordings of
// 5 MB, with the disk to keep free set `margin_MB` below what is free when it starts. A
// keeper watches it as the session does; the free space is sampled every 50 ms. A fresh
// keeper knows no rate until its second check, a second in: the first second's data is
// covered by the margin alone.
void BM_FreeSpaceDuringRecording(benchmark::State& state) {
    const std::size_t chunk = static_cast<std::size_t>(state.range(0)) * 1024;
    const std::int64_t marginMB = state.range(1);
    constexpr int kEarlier = 40;
    constexpr std::size_t kEarlierBytes = 5 * kBytesPerMB;
    constexpr int kTicks = 100;  // of 50 ms
    constexpr std::int64_t kMB = static_cast<std::int64_t>(kBytesPerMB);
    for (auto _ : state) {
        ScratchFolder folder("tavelin-storage-bench-recording");
        if (!folder.ok()) {
            state.SkipWithError("cannot make a folder under /tmp");
            break;
        }
        if (FreeBytes(folder.path()) < 2048 * kMB) {
            state.SkipWithError("less than 2 GB free under /tmp: no recording is simulated");
            break;
        }
        const std::int64_t past = std::time(nullptr) - 3600;
        std::vector<std::int64_t> earlierBytes;
        for (int n = 0; n < kEarlier; ++n) {
            const std::string path = folder.path() + NumberedAviName(n);
            struct stat st {};
            if (!WriteFile(path, kEarlierBytes, past + n) || ::stat(path.c_str(), &st) != 0)
                break;
            earlierBytes.push_back(static_cast<std::int64_t>(st.st_blocks) * 512);
        }
        const std::string writing = folder.path() + NumberedAviName(kEarlier);
        const int fd = ::open(writing.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (earlierBytes.size() != kEarlier || fd < 0) {
            state.SkipWithError("cannot write the earlier recordings under /tmp");
            if (fd >= 0)
                ::close(fd);
            break;
        }

        const std::int64_t free0 = FreeBytes(folder.path());
        StorageWatch watch;
        watch.recordingFolder = folder.path();
        watch.writingPath = writing;
        watch.limits = StorageLimits{free0 / kMB - marginMB, 0, 0};
        const std::int64_t limit = watch.limits.keepFreeMB * kMB;
        std::int64_t lowest = std::numeric_limits<std::int64_t>::max();
        double firstRemovalSeconds = -1;
        bool writeFailed = false;
        StorageReport last;
        {
            CStorageKeeper keeper;
            keeper.Watch(watch);
            const auto start = Clock::now();
            for (int tick = 0; tick <= kTicks; ++tick) {
                std::this_thread::sleep_until(start + tick * std::chrono::milliseconds(50));
                if (tick % 2 == 0 && tick < kTicks)
                    writeFailed = !WriteAll(fd, chunk) || writeFailed;
                StorageReport report;
                while (keeper.TakeReport(report)) {
                    if (!report.removed.empty() && firstRemovalSeconds < 0)
                        firstRemovalSeconds =
                            std::chrono::duration<double>(Clock::now() - start).count();
                    last = std::move(report);
                }
                lowest = std::min(lowest, FreeBytes(folder.path()) - limit);
            }
        }  // the keeper stops: what is left is final

        struct stat st {};
        ::fstat(fd, &st);
        ::close(fd);
        const std::int64_t writtenBytes = static_cast<std::int64_t>(st.st_blocks) * 512;
        const std::int64_t freeEnd = FreeBytes(folder.path());
        int removed = 0;
        std::int64_t removedBytes = 0;
        for (int n = 0; n < kEarlier; ++n) {
            if (::access((folder.path() + NumberedAviName(n)).c_str(), F_OK) != 0) {
                ++removed;
                removedBytes += earlierBytes[static_cast<std::size_t>(n)];
            }
        }
        if (writeFailed)
            state.SkipWithError("the recording could not be written");
        const auto mb = [kMB](std::int64_t bytes) { return static_cast<double>(bytes) / kMB; };
        state.counters["lowest_free_over_limit_MB"] = mb(lowest);
        state.counters["end_free_over_limit_MB"] = mb(freeEnd - limit);
        state.counters["files_removed"] = removed;
        state.counters["removed_MB"] = mb(removedBytes);
        state.counters["written_MB"] = mb(writtenBytes);
        state.counters["first_removal_s"] = firstRemovalSeconds;
        state.counters["rate_MBps"] = mb(static_cast<std::int64_t>(last.bytesPerSecond));
        // What other programs did to the free space meanwhile: the free space at the end
        // against the start, less what was written, plus what went.
        state.counters["others_drift_MB"] = mb(freeEnd - (free0 - writtenBytes + removedBytes));
        state.SetLabel(std::string("last verdict: ") + StorageVerdictName(last.verdict));
    }
}
BENCHMARK(BM_FreeSpaceDuringRecording)
    ->ArgNames({"KB_per_100ms", "margin_MB"})
    ->Args({2048, 60})
    ->Args({256, 60})
    ->Args({2048, 10})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace
