#include "core/StorageGuard.h"

#include <utility>

#include "core/FileNames.h"
#include "core/Log.h"
#include "core/Messages.h"

namespace tavelin {

void CStorageGuard::Watch(const StorageWatch& watch) {
    if (keeper_ == nullptr || (watched_ && watch == watch_))
        return;
    // Trouble is told again for a new recording folder or new limits.
    if (watched_ &&
        (watch.recordingFolder != watch_.recordingFolder || watch.limits != watch_.limits))
        told_ = false;
    watch_ = watch;
    watched_ = true;
    keeper_->Watch(watch);
}

std::string CStorageGuard::TroubleMessage() const {
    const std::string folder =
        watch_.writingPath.empty() ? watch_.recordingFolder : DirectoryOf(watch_.writingPath);
    std::string why;
    if (report_.totalReached) {
        why = "the recordings in \"" + folder + "\" may take at most " +
              ByteCountText(static_cast<std::uint64_t>(watch_.limits.maxTotalMB) * kBytesPerMB) +
              ", and no other recording of this program is left to remove.";
    } else if (watch_.limits.keepFreeMB > 0) {
        why = "the disk of \"" + folder + "\" is to keep " +
              ByteCountText(static_cast<std::uint64_t>(watch_.limits.keepFreeMB) * kBytesPerMB) +
              " free, and no recording of this program is left to remove.";
    } else {
        why = "the disk of \"" + folder + "\" is full.";
    }
    return msg::kNoSpaceToRecord + why + "\r\n\r\n" + msg::kRecordingOnMotionWaits;
}

void CStorageGuard::Tell() {
    if (std::exchange(told_, true))
        return;
    notices_.ShowNotice(TroubleMessage(), NoticeStyle::Warning);
}

bool CStorageGuard::MayStart(bool byHand) {
    if (keeper_ == nullptr)
        return true;
    if (report_.verdict != StorageVerdict::Full) {
        keeper_->CheckNow();
        return true;
    }
    // Refused. Motion asks again on every frame while it lasts, and the keeper looks
    // every two seconds anyway while space is short: only a click asks for a look now.
    if (byHand) {
        keeper_->CheckNow();
        notices_.ShowNotice(TroubleMessage(), NoticeStyle::Warning);
    } else {
        Tell();
    }
    return false;
}

bool CStorageGuard::TakeReport(bool recording) {
    StorageReport report;
    if (keeper_ == nullptr || !keeper_->TakeReport(report))
        return false;
    for (RemovedFile& removed : report.removed) {
        SessionEvent event;
        event.kind = SessionEventKind::FileRemoved;
        event.path = std::move(removed.path);
        event.bytes = removed.bytes;
        events_.Publish(std::move(event));
    }
    report.removed.clear();
    report_ = std::move(report);

    // A check made before the keeper knew of the file that now runs judged the room a
    // new recording needs to start: it says nothing of whether this one may go on.
    const bool full = report_.verdict == StorageVerdict::Full && (report_.writing || !recording);
    if (full && !trouble_) {
        trouble_ = true;
        const std::string message = TroubleMessage();
        Log(LogArea::Record, LogLevel::Warning,
            "storage: " + ByteCountText(report_.summary.freeBytes) +
                " free; no recording may start or go on until there is space");
        SessionEvent event;
        event.kind = SessionEventKind::StorageFull;
        event.path = watch_.recordingFolder;
        event.message = message;
        events_.Publish(std::move(event));
    } else if (!full && trouble_) {
        trouble_ = false;
        told_ = false;
        Log(LogArea::Record, LogLevel::Info,
            "storage: " + ByteCountText(report_.summary.freeBytes) +
                " free; recording may start again");
        SessionEvent event;
        event.kind = SessionEventKind::StorageBack;
        event.path = watch_.recordingFolder;
        events_.Publish(std::move(event));
    }
    if (full && (recording || watch_.armed))
        Tell();
    return full && recording;
}

}  // namespace tavelin
