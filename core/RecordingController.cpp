#include "core/RecordingController.h"

#include <utility>

#include "core/Log.h"
#include "core/Messages.h"

namespace tavelin {

namespace {

constexpr const char* kAudioFellBackToPcm =
    "Failed to connect Audio to selected compressor!\r\n"
    "Auto adjust Audio Format : PCM\r\n\r\n"
    "The selected compressor may not be compatible with this content.\r\n";

// The output encodes for this request as it is (its size included).
bool OutputServes(const RecordRequest& output, const RecordRequest& request) {
    return output.width == request.width && output.height == request.height &&
           EncodesAlike(output, request);
}

}  // namespace

CRecordingController::CRecordingController(ICameraGraph& graph, CRecorder& names,
                                           IRecordingSteps& steps, INoticeSink& notices,
                                           CEventStream& events, const IClock& clock)
    : graph_(graph),
      names_(names),
      steps_(steps),
      notices_(notices),
      events_(events),
      clock_(clock) {}

void CRecordingController::Say(const std::string& message) {
    notices_.ShowNotice(message, NoticeStyle::Warning);
}

void CRecordingController::Publish(SessionEventKind kind, const std::string& path,
                                   const std::string& message) {
    SessionEvent event;
    event.kind = kind;
    event.path = path;
    event.message = message;
    event.onMotion = onMotion_;
    events_.Publish(std::move(event));
}

void CRecordingController::WaitForCalm() {
    calmNeeded_ = true;
    lastMotion_ = clock_.TickCount();
}

// ---- the output ----

bool CRecordingController::Attach(const RecordRequest& request, int seconds, bool forMotion) {
    if (!graph_.AttachEncoder(request, seconds)) {
        outputSeconds_ = -1;
        armedOutput_ = false;
        if (forMotion) {
            // Said once, as a recording by hand would say it, and not tried again until a
            // command changes something. A file that was to start from it says so itself.
            armFailed_ = true;
            Log(LogArea::Record, LogLevel::Warning,
                "record on motion: the encoding could not be started; the preview goes on");
            if (state_ != State::Starting) {
                Say(RecordingFailureMessage(graph_.failureCause(), RecordingEnd::Failed,
                                            request.width));
            }
        }
        return false;
    }
    outputRequest_ = request;
    outputSeconds_ = seconds;
    armedOutput_ = forMotion;
    if (forMotion)
        armFailed_ = false;
    return true;
}

void CRecordingController::Detach() {
    graph_.DetachEncoder();
    outputSeconds_ = -1;
    armedOutput_ = false;
}

void CRecordingController::UpdateArming(bool want, int secondsBefore) {
    if (!want) {
        switch (state_) {
            case State::Armed:
                Detach();
                state_ = State::Idle;
                break;
            case State::OnMotion:
                armedOutput_ = false;  // the output goes once the file is finished
                FinishFile();
                break;
            case State::Starting:
            case State::ByHand:
            case State::Finishing:
                armedOutput_ = false;
                break;
            case State::Idle:
                break;
        }
        return;
    }
    if (state_ == State::Idle) {
        if (!armFailed_ && Attach(steps_.ChosenRequest(), secondsBefore, true))
            state_ = State::Armed;
        return;
    }
    if (state_ != State::Armed)
        return;  // a change of choices waits for the file's end
    const RecordRequest request = steps_.ChosenRequest();
    if (OutputServes(outputRequest_, request) && secondsBefore == outputSeconds_)
        return;
    if (!Attach(request, secondsBefore, true))
        state_ = State::Idle;
}

// ---- files ----

void CRecordingController::PressRecorder() {
    switch (state_) {
        case State::Idle:
        case State::Armed:
            if (steps_.MayBegin(false))
                StartFile(false);
            break;
        case State::ByHand:
            FinishFile();
            break;
        case State::OnMotion:
            // The next file waits for a calm picture: the motion that started this one
            // must not start another at once.
            FinishFile();
            WaitForCalm();
            break;
        case State::Starting:
            // Followed once the file has started (a second press takes it back).
            stopWhenStarted_ = !stopWhenStarted_;
            break;
        case State::Finishing:
            // A new recording by hand once this file is finished.
            startWhenFinished_ = !startWhenFinished_;
            break;
    }
}

void CRecordingController::StartFile(bool onMotion) {
    onMotion_ = onMotion;
    filePath_.clear();
    // First, as it may take the graph down to another size (which unlinks an output).
    steps_.RecordingBegins(onMotion);
    state_ = State::Starting;

    if (!names_.TakeName()) {
        FileFailed({}, {}, false, msg::kNoRecordingNumberLeft);
        return;
    }
    // By hand the output may have to be linked for this file alone; on motion it runs.
    const RecordRequest request = steps_.ChosenRequest();
    if (!onMotion && (outputSeconds_ < 0 || !OutputServes(outputRequest_, request))) {
        const bool forMotion = armedOutput_;
        if (!Attach(request, forMotion ? outputSeconds_ : 0, forMotion)) {
            FileFailed({}, graph_.failureCause(), false);
            return;
        }
    }
    // A copy: the recorder's own changes when the name turns out to be taken.
    const CRecorder::TakenName name = names_.takenName();
    if (!graph_.StartFile(name.path, !name.numbered, names_.namesForTaken(), onMotion)) {
        FileFailed({}, graph_.failureCause(), false);
        return;
    }
    lastMotion_ = clock_.TickCount();
    Log(LogArea::Record, LogLevel::Info,
        std::string(onMotion ? "record on motion" : "record") + ": starting " + name.path);
}

void CRecordingController::FinishFile() {
    state_ = State::Finishing;
    steps_.RecordingEnds();
    graph_.FinishFile();
}

void CRecordingController::AfterFile() {
    filePath_.clear();
    stopWhenStarted_ = false;
    if (armedOutput_ && outputSeconds_ >= 0 && graph_.encoderAttached()) {
        state_ = State::Armed;
        return;
    }
    if (outputSeconds_ >= 0)
        Detach();
    state_ = State::Idle;
}

void CRecordingController::FileFailed(const std::string& path, const std::string& cause,
                                      bool hadName, const std::string& message) {
    const bool motion = onMotion_;
    const bool wasRunning = state_ == State::ByHand || state_ == State::OnMotion;
    startWhenFinished_ = false;  // the failure comes first; the user may press again
    const std::string said =
        !message.empty()
            ? message
            : RecordingFailureMessage(cause, RecordingEnd::Failed, steps_.ChosenRequest().width);
    Say(said);
    // A number whose file never got its name is free again.
    if (!hadName)
        names_.GiveBackName();
    Publish(SessionEventKind::RecordingFailed, path, said);
    AfterFile();
    steps_.RecordingOver(motion, wasRunning);
    // One message for a burst of motion, not one a frame.
    if (motion)
        WaitForCalm();
}

bool CRecordingController::TakeNews() {
    bool changed = false;
    for (const GraphNews& news : graph_.TakeNews()) {
        changed = true;
        switch (news.kind) {
            case GraphNews::Kind::FileStarted:
                if (state_ != State::Starting)
                    break;
                state_ = onMotion_ ? State::OnMotion : State::ByHand;
                filePath_ = news.path;
                Log(LogArea::Record, LogLevel::Info,
                    std::string(onMotion_ ? "record on motion" : "record") + ": writing " +
                        news.path);
                steps_.RecordingRuns(onMotion_);
                if (outputRequest_.audioEnabled && graph_.audioFailed()) {
                    notices_.ShowNotice(kAudioFellBackToPcm, NoticeStyle::Plain);
                    graph_.ClearAudioFailed();
                }
                Publish(SessionEventKind::RecordingStarted, news.path);
                if (std::exchange(stopWhenStarted_, false))
                    PressRecorder();
                break;
            case GraphNews::Kind::FileFinished: {
                if (!recording())
                    break;
                const bool motion = onMotion_;
                SessionEvent event;
                event.kind = SessionEventKind::RecordingFinished;
                event.path = news.path;
                event.onMotion = motion;
                event.frames = news.frames;
                event.seconds = news.seconds;
                events_.Publish(std::move(event));
                AfterFile();
                steps_.RecordingOver(motion, false);
                if (std::exchange(startWhenFinished_, false) && steps_.MayBegin(false))
                    StartFile(false);
                break;
            }
            case GraphNews::Kind::FileFailed:
                if (!recording())
                    break;
                FileFailed(news.path, news.cause, state_ != State::Starting || !news.path.empty());
                break;
            case GraphNews::Kind::OutputFailed:
                outputSeconds_ = -1;
                if (recording()) {
                    FileFailed(filePath_, news.cause, state_ != State::Starting);
                } else if (state_ == State::Armed) {
                    Say(RecordingFailureMessage(news.cause, RecordingEnd::Failed,
                                                outputRequest_.width));
                }
                armedOutput_ = false;
                armFailed_ = true;  // not built again before a command changes something
                state_ = State::Idle;
                break;
        }
    }
    return changed;
}

void CRecordingController::FollowMotion(bool motion, std::uint32_t calmMs) {
    const std::uint32_t now = clock_.TickCount();
    if (motion)
        lastMotion_ = now;
    const bool calm = now - lastMotion_ >= calmMs;
    if (state_ == State::OnMotion) {
        if (calm)
            FinishFile();
        return;
    }
    if (state_ != State::Armed)
        return;
    if (calmNeeded_) {
        if (!calm)
            return;
        calmNeeded_ = false;
    }
    if (motion && steps_.MayBegin(true))
        StartFile(true);
}

void CRecordingController::EndForSpace() {
    switch (state_) {
        case State::ByHand:
        case State::OnMotion:
            Log(LogArea::Record, LogLevel::Warning,
                "record: ending " + filePath_ + " while there is space to finish it");
            FinishFile();
            break;
        case State::Starting:
            stopWhenStarted_ = true;
            break;
        case State::Idle:
        case State::Armed:
        case State::Finishing:
            break;
    }
}

bool CRecordingController::GraphGone() {
    stopWhenStarted_ = false;
    startWhenFinished_ = false;
    outputSeconds_ = -1;
    armedOutput_ = false;
    const std::string path = filePath_;
    filePath_.clear();
    switch (state_) {
        case State::Idle:
        case State::Armed:
            state_ = State::Idle;
            return false;
        case State::Finishing: {
            // It was asked to end, and the teardown ended it: nothing was lost.
            const bool motion = onMotion_;
            Publish(SessionEventKind::RecordingFinished, path);
            state_ = State::Idle;
            steps_.RecordingOver(motion, false);
            return false;
        }
        case State::Starting:
            // Its file never got its name: the number is free again.
            names_.GiveBackName();
            lost_ = true;
            return true;
        case State::ByHand:
        case State::OnMotion:
            lost_ = true;
            return true;
    }
    return false;
}

void CRecordingController::ProgramEnds() {
    GraphGone();
    lost_ = false;
    state_ = State::Idle;
}

void CRecordingController::EndLostRecording(const std::string& fileCause, RecordingEnd end) {
    if (!lost_)
        return;
    lost_ = false;
    const bool motion = onMotion_;
    const std::string said = RecordingFailureMessage(fileCause, end, steps_.ChosenRequest().width);
    Say(said);
    Publish(SessionEventKind::RecordingFailed, {}, said);
    state_ = State::Idle;
    steps_.RecordingOver(motion, true);
    if (motion)
        WaitForCalm();
}

}  // namespace tavelin
