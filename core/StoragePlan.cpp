#include "core/StoragePlan.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <limits>

#include "core/FileNames.h"

namespace tavelin {

bool ParseNumberedRecordingName(const std::string& name, std::int32_t& number) {
    static constexpr std::string_view kStart = "Tavelin-";
    static constexpr std::string_view kEnd = ".avi";
    if (name.size() <= kStart.size() + kEnd.size() || !name.starts_with(kStart) ||
        !name.ends_with(kEnd)) {
        return false;
    }
    const char* first = name.data() + kStart.size();
    const char* last = name.data() + name.size() - kEnd.size();
    if (*first < '0' || *first > '9')
        return false;  // the counter is never below zero
    std::int32_t n = 0;
    const auto [end, error] = std::from_chars(first, last, n);
    if (error != std::errc() || end != last)
        return false;
    // Only the name the program writes for that number: "Tavelin-7.avi" or
    // "Tavelin-000012.avi" were named by someone else.
    if (NumberedAviName(n) != "/" + name)
        return false;
    number = n;
    return true;
}

bool IsMotionStillName(const std::string& name) {
    // "MOTION[hh-mm-ss].bmp"
    if (name.size() != 20 || !name.starts_with("MOTION[") || !name.ends_with("].bmp"))
        return false;
    const auto field = [&name](std::size_t at, int max) {
        const char hi = name[at];
        const char lo = name[at + 1];
        if (hi < '0' || hi > '9' || lo < '0' || lo > '9')
            return false;
        return (hi - '0') * 10 + (lo - '0') <= max;
    };
    return field(7, 23) && name[9] == '-' && field(10, 59) && name[12] == '-' && field(13, 59);
}

const char* StorageVerdictName(StorageVerdict verdict) {
    switch (verdict) {
        case StorageVerdict::Ok:
            return "ok";
        case StorageVerdict::Short:
            return "short";
        case StorageVerdict::Full:
            return "full";
    }
    return "ok";
}

namespace {

using Queue = std::deque<const StoredFile*>;

// The files that may go, oldest first.
Queue Removable(const std::vector<StoredFile>& files, const StorageNeeds& needs) {
    Queue queue;
    for (const StoredFile& file : files) {
        if (file.kind == StoredFile::Kind::Recording && file.name == needs.writing)
            continue;
        if (file.modified > needs.now - kRecentSeconds)
            continue;
        queue.push_back(&file);
    }
    std::sort(queue.begin(), queue.end(), [](const StoredFile* a, const StoredFile* b) {
        if (a->kind == StoredFile::Kind::Recording)
            return a->number < b->number;
        return a->modified != b->modified ? a->modified < b->modified : a->name < b->name;
    });
    return queue;
}

std::uint64_t Megabytes(std::int64_t mb) {
    return static_cast<std::uint64_t>(mb) * kBytesPerMB;
}

}  // namespace

StoragePlan PlanStorage(const StorageLimits& limits, const StorageFacts& facts,
                        const StorageNeeds& needs) {
    StoragePlan plan;
    StorageSummary& after = plan.after;
    after.known = true;
    after.freeBytes = facts.freeBytes;
    after.recordings = facts.recordings.size();
    for (const StoredFile& file : facts.recordings)
        after.recordingBytes += file.bytes;

    Queue recordings = Removable(facts.recordings, needs);
    Queue stills = Removable(facts.stills, needs);
    RemovalReason reason = RemovalReason::TooOld;
    const auto drop = [&](const StoredFile* file, bool freesSpace) {
        plan.remove.push_back({*file, reason});
        if (freesSpace)
            after.freeBytes += file->bytes;
        if (file->kind == StoredFile::Kind::Recording) {
            after.recordings -= 1;
            after.recordingBytes -= file->bytes;
        }
    };
    const auto take = [&](Queue& queue, bool freesSpace) {
        const StoredFile* file = queue.front();
        queue.pop_front();
        drop(file, freesSpace);
    };

    // Too old, by the time they were last written (numbers may be out of time order
    // after the counter was set back, so every one is looked at).
    if (limits.maxAgeDays > 0) {
        const std::int64_t oldest = needs.now - limits.maxAgeDays * 86400;
        Queue young;
        for (const StoredFile* file : recordings) {
            if (file->modified < oldest)
                drop(file, facts.recordingsFreeSpace);
            else
                young.push_back(file);
        }
        recordings.swap(young);
    }

    // The recordings' total, with the minute ahead while one runs or may start, and the
    // room a new one needs to start.
    const std::uint64_t ahead =
        needs.recording ? needs.aheadBytes : std::max(needs.aheadBytes, needs.startBytes);
    reason = RemovalReason::OverTotal;
    if (limits.maxTotalMB > 0) {
        const std::uint64_t cap = Megabytes(limits.maxTotalMB);
        while (!recordings.empty() && after.recordingBytes + ahead > cap)
            take(recordings, facts.recordingsFreeSpace);
    }

    // The free space, from the older of the two kinds each time.
    const std::uint64_t keepFree = Megabytes(limits.keepFreeMB);
    reason = RemovalReason::KeepFree;
    if (keepFree > 0) {
        if (!facts.recordingsFreeSpace)
            recordings.clear();
        if (!facts.stillsFreeSpace)
            stills.clear();
        while (after.freeBytes < keepFree + ahead && !(recordings.empty() && stills.empty())) {
            const bool still =
                recordings.empty() ||
                (!stills.empty() && stills.front()->modified < recordings.front()->modified);
            take(still ? stills : recordings, true);
        }
    }

    // What is left: room above the floor a recording must not cross, and below the cap.
    const std::uint64_t floor = std::max(keepFree, needs.finishBytes);
    const std::int64_t freeRoom =
        static_cast<std::int64_t>(after.freeBytes) - static_cast<std::int64_t>(floor);
    std::int64_t totalRoom = std::numeric_limits<std::int64_t>::max();
    bool limitsMet = after.freeBytes >= keepFree + ahead;
    if (limits.maxTotalMB > 0) {
        const std::uint64_t cap = Megabytes(limits.maxTotalMB);
        totalRoom =
            static_cast<std::int64_t>(cap) - static_cast<std::int64_t>(after.recordingBytes);
        limitsMet = limitsMet && after.recordingBytes + ahead <= cap;
    }
    const std::int64_t needed = needs.recording ? 0 : static_cast<std::int64_t>(needs.startBytes);
    if (freeRoom < needed || totalRoom < needed) {
        plan.verdict = StorageVerdict::Full;
        plan.totalReached = freeRoom >= needed;
    } else if (!limitsMet) {
        plan.verdict = StorageVerdict::Short;
    }
    return plan;
}

}  // namespace tavelin
