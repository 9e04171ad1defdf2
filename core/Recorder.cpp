#include "core/Recorder.h"

#include <limits>

#include "core/CounterLock.h"
#include "core/FileCounter.h"
#include "core/LeftoverRecordings.h"
#include "core/Log.h"
#include "core/RecordingNumbers.h"

namespace tavelin {

namespace {

void GiveBack(std::int32_t& counter) {
    if (counter != 0)
        --counter;
}

// The counter stops at the largest number rather than wrapping round.
bool Advance(std::int32_t& counter) {
    if (counter == std::numeric_limits<std::int32_t>::max())
        return false;
    ++counter;
    return true;
}

}  // namespace

CRecorder::CRecorder(IRecorderWindow& window, RecordingChoices& choices)
    : window_(window), choices_(choices) {}

void CRecorder::StartNumbering(const std::string& folder) {
    ClaimLeftoverRecordings(folder, counterPath_, fileCounter_);
    ReadRecordingCounter(counterPath_, fileCounter_);
}

bool CRecorder::TakeName() {
    const std::string aviPathText = window_.ReadAviPathText();
    taken_ = TakenName{aviPathText, !choices_.useTypedNameOnce, 0};
    if (!taken_.numbered) {
        // The typed name uses no number.
        choices_.useTypedNameOnce = false;
        CCounterLock lock(counterPath_);
        ReadFileCounter(fileCounter_, counterPath_);
        if (Advance(fileCounter_))
            GiveBack(fileCounter_);
        window_.WriteAviPathText(aviPathText);
        WriteFileCounter(fileCounter_, counterPath_);
        return true;
    }
    // The counter's own name may be taken (a counter reset by hand, or one that could
    // not be stored): the next free number is used, and the counter moves past it, so a
    // numbered recording never replaces a file.
    const std::string folder = DirectoryOf(aviPathText);
    const FreeNumber free = TakeRecordingNumber(counterPath_, folder, kFromCounter, fileCounter_);
    if (!free.found) {
        Log(LogArea::Record, LogLevel::Warning,
            "record: no recording number is free in \"" + folder +
                "\": every number from the counter's " + std::to_string(fileCounter_) +
                " on is taken or past the largest");
        return false;
    }
    taken_.number = free.number;
    taken_.path = folder + NumberedAviName(free.number);
    window_.WriteAviPathText(taken_.path);
    return true;
}

std::string CRecorder::NextFreeName(const std::string& taken) {
    if (!taken_.numbered)
        return {};
    const std::string folder = DirectoryOf(taken);
    const FreeNumber free =
        TakeRecordingNumber(counterPath_, folder, taken_.number + 1, fileCounter_);
    if (!free.found) {
        Log(LogArea::Record, LogLevel::Warning,
            "record: \"" + taken + "\" was taken meanwhile and no later number is free");
        return {};
    }
    taken_.number = free.number;
    taken_.path = folder + NumberedAviName(free.number);
    Log(LogArea::Record, LogLevel::Info,
        "record: \"" + taken + "\" was taken meanwhile (another program records there); " +
            "the recording goes to \"" + taken_.path + "\"");
    window_.WriteAviPathText(taken_.path);
    return taken_.path;
}

void CRecorder::GiveBackName() {
    if (taken_.numbered)
        GiveBackRecordingNumber(counterPath_, taken_.number, fileCounter_);
}

}  // namespace tavelin
