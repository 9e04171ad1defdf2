#include "core/Recorder.h"

#include <limits>

#include "core/CounterLock.h"
#include "core/FileCounter.h"
#include "core/Log.h"
#include "core/Messages.h"
#include "core/RecordingNumbers.h"

namespace tavelin {

namespace {

constexpr const char* kAudioFellBackToPcm =
    "Failed to connect Audio to selected compressor!\r\n"
    "Auto adjust Audio Format : PCM\r\n\r\n"
    "The selected compressor may not be compatible with this content.\r\n";

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

CRecorder::CRecorder(CFrameTick& tick, IFrameSource& source, IRecordGraph& graph,
                     IFrameTickHost& host, IRecorderWindow& window, INoticeSink& notices,
                     RecordingChoices& choices)
    : tick_(tick),
      source_(source),
      graph_(graph),
      host_(host),
      window_(window),
      notices_(notices),
      choices_(choices) {}

void CRecorder::ToggleRecorder() {
    if (tick_.recording) {
        Stop();
    } else {
        Start();
    }
}

bool CRecorder::Start() {
    tick_.recording = true;
    tick_.busy = true;
    host_.StopTimer(kFrameTimer);
    // May bring an enlarged size down to 640 x 480 before the graph is built.
    window_.SetRecordingControls(false);
    host_.SetCursor(CursorShape::Wait);
    source_.Teardown();
    host_.Sleep(250);

    if (!TakeName()) {
        AbandonStart(msg::kNoRecordingNumberLeft);
        return false;
    }
    RecordRequest request = Request(taken_.path, !taken_.numbered);
    request.names = namesForTaken();
    if (!graph_.BuildRecordGraph(request)) {
        const std::string cause = graph_.failureCause();
        AbandonStart(cause.empty() ? msg::RecordFailed(tick_.frameWidth)
                                   : msg::RecordFileFailed(cause));
        GiveBackName();
        return false;
    }

    host_.SetRecorderText(msg::kStopRecorder);
    host_.EnableRecorderText(true);
    host_.SetCursor(CursorShape::Normal);
    ReportAudioFallback(request);
    host_.EnableDisplayChoice(true);
    tick_.busy = false;
    host_.StartTimer(kFrameTimer, kFramePeriodMs);
    return true;
}

bool CRecorder::TakeName() {
    const std::string aviPathText = window_.ReadAviPathText();
    taken_ = TakenName{aviPathText, !choices_.useTypedNameOnce, 0};
    if (!taken_.numbered) {
        // The typed name uses no number.
        choices_.useTypedNameOnce = false;
        CCounterLock lock(counterPath);
        ReadFileCounter(fileCounter, counterPath);
        if (Advance(fileCounter))
            GiveBack(fileCounter);
        window_.WriteAviPathText(aviPathText);
        WriteFileCounter(fileCounter, counterPath);
        return true;
    }
    // The counter's own name may be taken (a counter reset by hand, or one that could
    // not be stored): the next free number is used, and the counter moves past it, so a
    // numbered recording never replaces a file.
    const std::string folder = DirectoryOf(aviPathText);
    const FreeNumber free = TakeRecordingNumber(counterPath, folder, kFromCounter, fileCounter);
    if (!free.found) {
        Log(LogArea::Record, LogLevel::Warning,
            "record: no recording number is free in \"" + folder +
                "\": every number from the counter's " + std::to_string(fileCounter) +
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
        TakeRecordingNumber(counterPath, folder, taken_.number + 1, fileCounter);
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
        GiveBackRecordingNumber(counterPath, taken_.number, fileCounter);
}

RecordRequest CRecorder::Request(const std::string& path, bool replaceExisting) const {
    RecordRequest request;
    request.width = tick_.frameWidth;
    request.height = tick_.frameHeight;
    request.path = path;
    request.replaceExisting = replaceExisting;
    request.videoCompressorIndex = choices_.videoCompressorIndex;
    request.audioEnabled = window_.audioEnabled();
    request.audioCompression = window_.audioCompression();
    request.audioCompressorIndex = choices_.audioCompressorIndex;
    request.audioDeviceIndex = choices_.audioDeviceIndex;
    request.masterStream = choices_.masterStream;
    return request;
}

void CRecorder::ReportAudioFallback(const RecordRequest& request) {
    if (request.audioEnabled && graph_.audioFailed()) {
        notices_.ShowNotice(kAudioFellBackToPcm, NoticeStyle::Plain);
        graph_.ClearAudioFailed();
    }
}

void CRecorder::AbandonStart(const std::string& message) {
    notices_.ShowNotice(message, NoticeStyle::Warning);
    tick_.recording = false;
    source_.Teardown();
    host_.Sleep(200);
    tick_.ChangeCaptureSize(tick_.enlarge, tick_.frameWidth, tick_.frameHeight);
    host_.SetRecorderText(msg::kRunRecorder);
    window_.SetRecordingControls(true);
    host_.SetCursor(CursorShape::Normal);
}

void CRecorder::Stop() {
    tick_.recording = false;
    host_.EnableRecorderText(false);
    host_.SetCursor(CursorShape::Wait);
    host_.EnableDisplayChoice(false);
    // Finishes the file before the graph goes.
    source_.Teardown();
    host_.Sleep(200);
    const bool previewBack =
        tick_.ChangeCaptureSize(tick_.enlarge, tick_.frameWidth, tick_.frameHeight);
    host_.SetRecorderText(msg::kRunRecorder);
    window_.SetRecordingControls(true);
    host_.SetCursor(CursorShape::Normal);
    host_.EnableDisplayChoice(true);
    // Without a preview the window stays idle until a size is chosen; running the tick
    // on no graph would only report the camera lost a second time.
    if (previewBack) {
        tick_.busy = false;
        host_.StartTimer(kFrameTimer, kFramePeriodMs);
    }
}

}  // namespace tavelin
