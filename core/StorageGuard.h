#pragma once
// The session's side of the storage limits, on the main thread: tells the keeper what
// to watch, turns its reports into session events, says once when recording cannot go
// on for want of space, and answers whether a recording may start. Nothing here
// touches the disk.

#include <cstdint>
#include <string>

#include "core/NoticeSink.h"
#include "core/SessionEvents.h"
#include "core/StorageKeeper.h"

namespace tavelin {

class CStorageGuard {
public:
    CStorageGuard(CEventStream& events, INoticeSink& notices)
        : events_(events), notices_(notices) {}

    // Null: nothing is kept (the default; tests that write files need no keeper).
    void SetKeeper(IStorageKeeper* keeper) { keeper_ = keeper; }
    // Handed to the keeper when it changed.
    void Watch(const StorageWatch& watch);

    // Before a recording: false while no recording may start for want of space (by hand
    // the user is told why; on motion the log says it). Asks for a check, but not for a
    // start on motion refused already: the keeper looks again soon by itself.
    bool MayStart(bool byHand);
    // Takes the keeper's report: an event for each file removed, and the storage trouble
    // begun or over. True when the recording that runs (`recording`) must end now.
    bool TakeReport(bool recording);

    StorageVerdict verdict() const { return report_.verdict; }
    const StorageSummary& summary() const { return report_.summary; }

private:
    // "Not enough space to go on recording: ..." for the report and what is watched.
    std::string TroubleMessage() const;
    // The trouble message, once a trouble and until the watch changes: a session left
    // alone gets one box, and the log has the rest.
    void Tell();

    CEventStream& events_;
    INoticeSink& notices_;
    IStorageKeeper* keeper_ = nullptr;
    StorageWatch watch_;
    bool watched_ = false;
    StorageReport report_;
    bool trouble_ = false;
    bool told_ = false;
};

}  // namespace tavelin
