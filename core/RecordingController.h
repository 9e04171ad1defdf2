#pragma once
// The life of a recording, by hand or on motion, from the press (or the motion) to the
// end of its file: the one owner of whether a file is written, of its name and number,
// of the camera graph's encoding output and file calls, and of what the user is told
// when a recording fails. What the window shows around it goes through
// IRecordingSteps; what happened is published as session events.
//
//   Idle       no encoding output (the preview alone)
//   Armed      the output keeps the seconds before motion; no file
//   Starting   a file was begun; its first data on the disk is awaited
//   ByHand     the Recorder button's file is written
//   OnMotion   a file motion started is written
//   Finishing  the file was ended; its index is awaited
//
// Nothing here waits: the graph's answers come back as news (TakeNews).

#include <cstdint>
#include <string>

#include "core/CameraGraph.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "core/NoticeSink.h"
#include "core/Recorder.h"
#include "core/SessionEvents.h"

namespace tavelin {

// The window around a recording; the session carries it out.
class IRecordingSteps {
public:
    virtual ~IRecordingSteps() = default;
    // A recording begins: the controls it holds fixed are taken (an enlarged size goes
    // down to the camera's own first), the light blinks, the wait cursor shows; on motion
    // the Recorder switch goes down as a click would leave it.
    virtual void RecordingBegins(bool onMotion) = 0;
    // Its file is being written: the Stop text, the normal cursor.
    virtual void RecordingRuns(bool onMotion) = 0;
    // It was asked to end: the Recorder text and display choice wait, the wait cursor.
    virtual void RecordingEnds() = 0;
    // It is over: the controls come back (the cursor `afterFailure`: the starting one).
    virtual void RecordingOver(bool onMotion, bool afterFailure) = 0;
    // The window's recording choices, at the shown size.
    virtual RecordRequest ChosenRequest() = 0;
    // Whether there is space for a recording to begin; false (the user told why where
    // that is due) leaves everything as it was.
    virtual bool MayBegin(bool onMotion) {
        (void)onMotion;
        return true;
    }
};

class CRecordingController {
public:
    enum class State { Idle, Armed, Starting, ByHand, OnMotion, Finishing };

    CRecordingController(ICameraGraph& graph, CRecorder& names, IRecordingSteps& steps,
                         INoticeSink& notices, CEventStream& events, const IClock& clock);
    CRecordingController(const CRecordingController&) = delete;
    CRecordingController& operator=(const CRecordingController&) = delete;

    // ---- commands ----
    // The Recorder button: starts a recording by hand, or ends the one that runs (a file
    // on motion too; the next one then waits for a calm picture). Pressed while a file
    // starts or ends, it acts once the file has.
    void PressRecorder();
    // Whether the encoding output should keep the seconds before motion, with these
    // choices: links, replaces or unlinks it. A file on motion ends first when arming
    // ends; a change of choices waits for its end. A recording by hand keeps its output.
    // An output that could not be built is not tried again before RetryArming().
    void UpdateArming(bool want, int secondsBefore);
    void RetryArming() { armFailed_ = false; }
    // Each frame step, while armed: `motion` at the alarm's level starts a file, a calm
    // picture for `calmMs` ends it.
    void FollowMotion(bool motion, std::uint32_t calmMs);
    // What the graph reported: a file started, finished or failed, the output failed.
    // Returns whether there was any.
    bool TakeNews();
    // The graph was torn down (a lost camera, a size change): its output and file went
    // with it, the file finished by the teardown. A file being ended counts as finished;
    // one still starting gives its number back. Returns whether a recording was lost.
    bool GraphGone();
    // The program ends; the graph went, a file with it, finished by its teardown.
    void ProgramEnds();
    // The camera stopped during a recording and the graph went (GraphGone): the user is
    // told how it ended, and the controls come back.
    void EndLostRecording(const std::string& fileCause, RecordingEnd end);
    // Space runs out: the file that runs is ended cleanly now (one still starting, once
    // it has started); the session stays armed.
    void EndForSpace();

    // ---- state ----
    State state() const { return state_; }
    // From the start of a recording until its controls came back.
    bool recording() const { return state_ != State::Idle && state_ != State::Armed; }
    // The recording (starting, running or finishing) was started by motion.
    bool onMotion() const { return recording() && onMotion_; }
    // The output keeps seconds for motion (the graph's output may also serve a recording
    // by hand meanwhile).
    bool armed() const { return armedOutput_; }
    bool armFailed() const { return armFailed_; }
    // What the output encodes, and how many seconds it keeps.
    const RecordRequest& outputRequest() const { return outputRequest_; }
    // The file being written, from its first data until it is over; "" otherwise.
    const std::string& filePath() const { return filePath_; }

private:
    // Begins a file: by hand from the next picture, on motion with the seconds before.
    void StartFile(bool onMotion);
    // The file could not begin or failed: the user is told, the number goes back when
    // the file got no name, and the controls come back.
    // `message`: what to say instead of the cause's message.
    void FileFailed(const std::string& path, const std::string& cause, bool hadName,
                    const std::string& message = {});
    void FinishFile();
    // After a file: back to Armed when the output keeps seconds for motion, else the
    // output goes (it served the recording by hand alone).
    void AfterFile();
    bool Attach(const RecordRequest& request, int seconds, bool forMotion);
    void Detach();
    void WaitForCalm();
    void Publish(SessionEventKind kind, const std::string& path, const std::string& message = {});
    void Say(const std::string& message);

    ICameraGraph& graph_;
    CRecorder& names_;
    IRecordingSteps& steps_;
    INoticeSink& notices_;
    CEventStream& events_;
    const IClock& clock_;

    State state_ = State::Idle;
    bool onMotion_ = false;
    bool armedOutput_ = false;  // the output keeps seconds for motion
    bool armFailed_ = false;    // not tried again until a command changes something
    bool calmNeeded_ = false;   // a new file on motion waits for a calm picture
    bool lost_ = false;         // the graph went during a recording (GraphGone)
    // A press while a file starts or ends is followed once it has.
    bool stopWhenStarted_ = false;
    bool startWhenFinished_ = false;
    RecordRequest outputRequest_;  // what the output encodes
    int outputSeconds_ = -1;       // and how many seconds it keeps; -1: no output
    std::uint32_t lastMotion_ = 0;
    std::string filePath_;  // the file being written, once named
};

}  // namespace tavelin
