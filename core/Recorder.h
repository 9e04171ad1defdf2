#pragma once
// The names recordings take: the next numbered AVI file in the path field's folder, or
// the name the user typed for once. The recording file counter is read, advanced and
// written around every start, under its lock (RecordingNumbers.h), and given back when
// a numbered start fails. A numbered name that another program takes before the file
// gets it moves the recording on to the next free number (IRecordingNames).

#include <cstdint>
#include <string>

#include "core/RecordingNames.h"
#include "core/SessionSettings.h"

namespace tavelin {

// The output path field the names are read from and shown in.
class IRecorderWindow {
public:
    virtual ~IRecorderWindow() = default;
    virtual std::string ReadAviPathText() = 0;
    virtual void WriteAviPathText(const std::string& text) = 0;
};

class CRecorder final : public IRecordingNames {
public:
    // `choices`: the typed-name flag a start uses and clears.
    CRecorder(IRecorderWindow& window, RecordingChoices& choices);

    // The name a start takes: the name typed for once (it may replace a file), or the
    // next free number in the path field's folder.
    struct TakenName {
        std::string path;
        bool numbered = true;
        std::int32_t number = 0;  // when numbered
    };
    // Takes the name the next start writes (takenName()), as the Recorder button does:
    // the path field and the counter file say which, and both are written to show it
    // taken. False, with neither written, when no number is left.
    bool TakeName();
    const TakenName& takenName() const { return taken_; }
    // What the graph asks when it finds the taken name taken (null for a typed name).
    IRecordingNames* namesForTaken() { return taken_.numbered ? this : nullptr; }
    // IRecordingNames: the next free number after the one taken, taken the same way;
    // the path field and the counter show it.
    std::string NextFreeName(const std::string& taken) override;
    // A start that failed after TakeName: its number goes back to the counter file.
    void GiveBackName();

    // The counter file, set by the main window at start-up.
    void SetCounterPath(std::string path) { counterPath_ = std::move(path); }
    const std::string& counterPath() const { return counterPath_; }
    // Claims what killed programs left in `folder` (LeftoverRecordings.h) and reads the
    // counter.
    void StartNumbering(const std::string& folder);
    // The counter as last read from or written to the counter file.
    std::int32_t fileCounter() const { return fileCounter_; }
    void SetFileCounter(std::int32_t counter) { fileCounter_ = counter; }

private:
    std::string counterPath_;
    std::int32_t fileCounter_ = 0;
    IRecorderWindow& window_;
    RecordingChoices& choices_;
    TakenName taken_;
};

}  // namespace tavelin
