#pragma once
// The recorder button: starting swaps the preview graph for a recording graph that
// writes the next numbered AVI file (or the name the user typed), stopping finishes
// the file and brings the preview back. The recording file counter is read, advanced
// and written around every start, under its lock (RecordingNumbers.h), and given back
// when a numbered start fails. A numbered name that another program takes before the
// file gets it moves the recording on to the next free number (IRecordingNames).

#include <cstdint>
#include <string>

#include "core/FrameSource.h"
#include "core/FrameTick.h"
#include "core/FrameTickHost.h"
#include "core/NoticeSink.h"
#include "core/RecordGraph.h"
#include "core/RecordingNames.h"
#include "core/SessionSettings.h"

namespace tavelin {

// What the recorder reads and writes besides the recording choices: the output path
// shown to the user and the sound switches.
class IRecorderWindow : public IRecordingControls {
public:
    // The output path field.
    virtual std::string ReadAviPathText() = 0;
    virtual void WriteAviPathText(const std::string& text) = 0;
    virtual bool audioEnabled() const = 0;
    // The audio compressor list could be filled at start-up.
    virtual bool audioCompression() const = 0;
};

class CRecorder final : public IRecordingNames {
public:
    // `choices`: the encoders, devices and typed-name flag a start uses and clears.
    CRecorder(CFrameTick& tick, IFrameSource& source, IRecordGraph& graph, IFrameTickHost& host,
              IRecorderWindow& window, INoticeSink& notices, RecordingChoices& choices);

    void ToggleRecorder();
    bool Start();
    void Stop();

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
    // What a recording of the shown size asks the graph for, with the window's choices.
    RecordRequest Request(const std::string& path, bool replaceExisting) const;
    // Says so when the graph had to record the sound uncompressed.
    void ReportAudioFallback(const RecordRequest& request);

    // The counter file, set by the main window at start-up.
    std::string counterPath;
    // The counter as last read from or written to the counter file.
    std::int32_t fileCounter = 0;

private:
    // A start that cannot go on: the message, then the preview and controls back.
    void AbandonStart(const std::string& message);

    CFrameTick& tick_;
    IFrameSource& source_;
    IRecordGraph& graph_;
    IFrameTickHost& host_;
    IRecorderWindow& window_;
    INoticeSink& notices_;
    RecordingChoices& choices_;
    TakenName taken_;
};

}  // namespace tavelin
