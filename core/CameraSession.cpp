#include "core/CameraSession.h"

#include <cstdio>

#include "core/BusyScope.h"
#include "core/CodecNames.h"
#include "core/FileCounter.h"
#include "core/FrameFormat.h"
#include "core/LeftoverRecordings.h"
#include "core/Log.h"
#include "core/Messages.h"
#include "core/RecordingNumbers.h"
#include "core/Snapshot.h"

namespace tavelin {

namespace {

constexpr const char* kSizeAdjusted =
    "Not all video size are compatible!\r\n\r\nAuto adjust video size : 640x480.\r\n";

// Two requests that encode alike (the file's path aside).
bool SameEncoding(const RecordRequest& a, const RecordRequest& b) {
    return a.width == b.width && a.height == b.height &&
           a.videoCompressorIndex == b.videoCompressorIndex && a.audioEnabled == b.audioEnabled &&
           a.audioCompression == b.audioCompression &&
           a.audioCompressorIndex == b.audioCompressorIndex &&
           a.audioDeviceIndex == b.audioDeviceIndex && a.masterStream == b.masterStream;
}

}  // namespace

CCameraSession::CCameraSession(IFrameSource& source, IRecordGraph& graph, ISessionHost& host,
                               INoticeSink& notices, const IClock& clock, IAlarm* alarm,
                               IArmedGraph* armed)
    : source_(source),
      graph_(graph),
      armed_(armed),
      host_(host),
      notices_(notices),
      clock_(clock),
      tick_(source, host, *this, notices, clock, alarm, settings_),
      recorder_(tick_, source, graph, host, *this, notices, settings_.recording) {}

bool CCameraSession::StartCamera() {
    if (source_.BuildPreviewGraph(tick_.frameWidth, tick_.frameHeight))
        return true;
    notices_.ShowNotice(msg::kNoCamera, NoticeStyle::Plain);
    source_.Teardown();
    return false;
}

void CCameraSession::SetFiles(Files files) {
    files_ = std::move(files);
    recorder_.counterPath = files_.counter;
    tick_.fixedShotPath = files_.snapshotTemp;
}

void CCameraSession::StartNumbering(const std::string& recordingFolder) {
    ClaimLeftoverRecordings(recordingFolder, files_.counter, recorder_.fileCounter);
    ReadRecordingCounter(files_.counter, recorder_.fileCounter);
    WriteAviPathText(recordingFolder + NumberedAviName(recorder_.fileCounter));
    settings_.recording.aviPath = aviPathText_;
}

CCameraSession::ListsShown CCameraSession::ChooseLists(
    const std::vector<std::string>& videoCompressors, bool audioDevicesListed,
    const std::vector<std::string>& audioDevices, bool audioCompressorsListed,
    const std::vector<std::string>& audioCompressors) {
    ListsShown shown;
    shown.videoCompressors = videoCompressors;
    shown.videoCompressor = DefaultVideoCompressorIndex(videoCompressors);

    // Without a device the list says so and the audio switch stays off.
    noAudioDevice_ = !audioDevicesListed;
    shown.audioDevices = audioDevicesListed ? audioDevices : std::vector<std::string>{};
    if (noAudioDevice_)
        shown.audioDevices.emplace_back(kNoneEntry);
    shown.audioDevice = 0;
    firstAudioDevice_ = shown.audioDevices.empty() ? std::string() : shown.audioDevices.front();

    audioCompression_ = audioCompressorsListed;
    shown.audioCompressors =
        audioCompressorsListed ? audioCompressors : std::vector<std::string>{kNoneEntry};
    shown.audioCompressor = DefaultAudioCompressorIndex(shown.audioCompressors);

    RecordingChoices& choices = settings_.recording;
    choices.videoCompressorIndex = shown.videoCompressor;
    choices.audioDeviceIndex = shown.audioDevice;
    choices.audioCompressorIndex = shown.audioCompressor;
    return shown;
}

void CCameraSession::PrepareDisplay() {
    tick_.enlargedFrame = CZeroedBytes(FrameBytes(tick_.frameWidth, tick_.frameHeight));
}

void CCameraSession::SetOverlayPictures(OverlayPicture cameraIcon, OverlayPicture badge) {
    tick_.cameraIcon = std::move(cameraIcon);
    tick_.badgePicture = std::move(badge);
}

void CCameraSession::SetListSelections(int videoCompressor, int audioCompressor, int audioDevice) {
    RecordingChoices& choices = settings_.recording;
    choices.videoCompressorIndex = videoCompressor;
    choices.audioCompressorIndex = audioCompressor;
    choices.audioDeviceIndex = audioDevice;
}

void CCameraSession::SetAviPathText(const std::string& text) {
    aviPathText_ = text;
}

std::string CCameraSession::ReadAviPathText() {
    host_.CollectChoices();
    return aviPathText_;
}

void CCameraSession::WriteAviPathText(const std::string& text) {
    aviPathText_ = text;
    host_.ShowAviPath(aviPathText_);
}

bool CCameraSession::SelectCaptureSize(int sizeIndex) {
    // The sizes do not respond while a file is written; should one come, the file is
    // finished before its graph goes.
    if (motionFile_)
        FinishMotionFile();
    const bool changed = tick_.SelectCaptureSize(sizeIndex);
    armFailed_ = false;
    UpdateArming();
    return changed;
}

void CCameraSession::RecordingChoicesChanged() {
    armFailed_ = false;
    UpdateArming();
}

void CCameraSession::CameraChanged() {
    if (tick_.recording)
        return;
    armFailed_ = false;
    if (motionArmed()) {
        Arm(ArmRequest());
        return;
    }
    // The preview at the size shown; also after a camera that had stopped for good.
    Disarm();
    UpdateArming();
}

void CCameraSession::ToggleShowTime() {
    tick_.showDateTime = !tick_.showDateTime;
    // Pressed while a file on motion runs, the button decides what shows after it.
    if (motionFile_)
        showTimeAfterFile_ = tick_.showDateTime;
}

void CCameraSession::ToggleTimerShot() {
    if (tick_.timedShotActive) {
        tick_.timedShotActive = false;
        tick_.timedShotElapsed = 0.0f;
        tick_.timedShotStart = 0;
        return;
    }
    const std::string& target = settings_.timerShot.timedShotTarget;
    tick_.timedShotPath = target.empty() ? files_.timerShotDefault : target;
    // The earlier picture goes at once: it must not pass for the new one.
    std::remove(tick_.timedShotPath.c_str());
    tick_.timedShotActive = true;
    tick_.timedShotElapsed = 0.0f;
    tick_.timedShotStart = clock_.TickCount();
}

void CCameraSession::ToggleRecorder() {
    if (motionFile_) {
        FinishMotionFile();
        WaitForCalm();
        UpdateArming();
        return;
    }
    recorder_.ToggleRecorder();
    armFailed_ = false;
    UpdateArming();
}

void CCameraSession::ToggleAudio() {
    audioEnabled_ = !audioEnabled_;
    host_.ShowAudioStrip(audioEnabled_);
    RecordingChoicesChanged();
}

void CCameraSession::SetRecordingControls(bool enable) {
    host_.CollectChoices();
    // The enlarged sizes are not recorded: the camera's own 640 x 480 is.
    if (kCaptureSizes[static_cast<std::size_t>(tick_.sizeIndex)].enlarge) {
        notices_.ShowNotice(kSizeAdjusted, NoticeStyle::Warning);
        const CaptureSize& fallback = kCaptureSizes[kRecordingFallbackSize];
        tick_.sizeIndex = kRecordingFallbackSize;
        host_.CheckSizeChoice(kRecordingFallbackSize);
        tick_.frameWidth = fallback.shownWidth;
        tick_.frameHeight = fallback.shownHeight;
        tick_.enlarge = false;
        host_.ResizeDisplay(tick_.frameWidth, tick_.frameHeight);
        tick_.enlargedFrame = CZeroedBytes(FrameBytes(tick_.frameWidth, tick_.frameHeight));
    }
    host_.EnableSizeChoices(enable);
    host_.EnableRecordingSettings(enable);
    host_.EnableRecorderText(enable);
    tick_.showDateTime = false;
    if (UpperCase(firstAudioDevice_).starts_with("NONE")) {
        audioEnabled_ = false;
        host_.EnableAudioSwitch(false);
    }
    host_.EnableDisplayChoice(enable);
    // The recording light blinks on timer 3, which the monitor light may share.
    if (enable) {
        tick_.blink = false;
        if (!tick_.monitor.monitorOn)
            host_.StopTimer(kBlinkTimer);
        host_.ShowRecordLight(false);
        host_.ReleaseRecorderSwitch();
    } else {
        tick_.blink = true;
        if (!tick_.monitor.monitorOn)
            host_.StartTimer(kBlinkTimer, kBlinkPeriodMs);
        host_.ShowRecordLight(true);
    }
}

void CCameraSession::ApplyMonitorSettings(bool accepted) {
    MotionRecordSetup& motion = settings_.monitor.motionRecord;
    motion = motion.Clamped();
    if (accepted)
        tick_.monitor.watchMotion = armed_ != nullptr && motion.enabled;
    ApplyMonitorPlan(accepted ? PlanAcceptedSettings(settings_.monitor.monitorMode, noAudioDevice_,
                                                     tick_.recording, tick_.monitor.watchMotion)
                              : PlanCancelledSettings(tick_.monitor.monitorOn, tick_.recording));
    armFailed_ = false;
    UpdateArming();
}

void CCameraSession::ResumeRecordOnMotion() {
    if (armed_ == nullptr || !settings_.monitor.motionRecord.enabled)
        return;
    Log(LogArea::Monitor, LogLevel::Info,
        "record on motion was on when the program last ended: the monitor starts with it");
    ApplyMonitorSettings(true);
}

void CCameraSession::ApplyMonitorPlan(const MonitorSettingsPlan& plan) {
    CMonitorCore& monitor = tick_.monitor;
    if (plan.resetMonitor) {
        monitor.motionShotPending = false;
        monitor.monitorOn = false;
        monitor.zoomReady = false;
        monitor.trackHoldoff = CMonitorCore::kTrackHoldoff;
    }
    if (plan.showNoAudioNotice) {
        Log(LogArea::Monitor, LogLevel::Warning,
            "monitor: the alarm stays off: no sound input device was listed at start-up");
        notices_.ShowNotice(msg::kNoAudioDevice, NoticeStyle::Warning);
    }
    if (plan.resetZoomDivider)
        monitor.zoomDivider = 0;
    if (plan.resetMonitor) {
        monitor.monitorOn = plan.monitorOn;
        tick_.SetUpMonitor();
    }
    if (plan.indicator == IndicatorAction::Show) {
        tick_.monitorIndicator = true;
        host_.ShowMonitorLight(true);
    } else if (plan.indicator == IndicatorAction::Hide) {
        tick_.monitorIndicator = false;
        host_.ShowMonitorLight(false);
    }
    if (plan.blinkTimer == TimerAction::Start)
        host_.StartTimer(kBlinkTimer, kBlinkPeriodMs);
    if (plan.blinkTimer == TimerAction::Stop)
        host_.StopTimer(kBlinkTimer);
    if (plan.switchFaces != SwitchFaces::Keep)
        host_.SetMonitorSwitchFaces(plan.switchFaces);
    if (plan.clearSwitchCheck)
        host_.ReleaseMonitorSwitch();
}

void CCameraSession::ShowDisplay(bool outside) {
    CBusyScope hold(tick_.busy, host_);
    host_.ShowDisplay(outside, tick_.frameWidth, tick_.frameHeight);
}

bool CCameraSession::BeginSnapshot() {
    if (tick_.fixedShotRequest)
        return false;
    tick_.fixedShotRequest = true;
    return true;
}

void CCameraSession::FinishSnapshot(const std::string& chosenPath) {
    // A conversion that fails says nothing and leaves nothing behind.
    if (!chosenPath.empty())
        SaveSnapshot(files_.snapshotTemp, chosenPath);
    tick_.fixedShotRequest = false;
    std::remove(files_.snapshotTemp.c_str());
}

void CCameraSession::Shutdown() {
    tick_.busy = true;
    // The file gets its index and its name before the graph goes.
    if (motionFile_) {
        motionFile_ = false;
        tick_.recording = false;
        armed_->FinishArmedFile();
    }
    host_.StopTimer(kFrameTimer);
    source_.Teardown();
    tick_.enlargedFrame.clear();
    tick_.blink = false;
    host_.StopTimer(kBlinkTimer);
    tick_.cameraIcon = OverlayPicture();
    tick_.badgePicture = OverlayPicture();
    tick_.monitor.Release();
}

void CCameraSession::FrameStep() {
    tick_.FrameStep();
    FollowMotion();
}

// ---- record on motion ----

bool CCameraSession::WantArmed() const {
    const CaptureSize& size = kCaptureSizes[static_cast<std::size_t>(tick_.sizeIndex)];
    const bool handRecording = tick_.recording && !motionFile_;
    return armed_ != nullptr && settings_.monitor.motionRecord.enabled && tick_.monitor.monitorOn &&
           !size.enlarge && tick_.frameWidth < kMonitorMaxWidth && !handRecording;
}

void CCameraSession::RestoreShowTime() {
    if (showTimeAfterFile_)
        tick_.showDateTime = true;
    showTimeAfterFile_ = false;
}

std::uint32_t CCameraSession::CalmMs() const {
    return static_cast<std::uint32_t>(settings_.monitor.motionRecord.Clamped().calmSeconds) * 1000u;
}

void CCameraSession::WaitForCalm() {
    calmNeeded_ = true;
    lastMotion_ = clock_.TickCount();
}

void CCameraSession::UpdateArming() {
    if (armed_ == nullptr || tick_.busy)
        return;
    const bool want = WantArmed();
    if (motionFile_) {
        // A change of the seconds kept waits for the file's end.
        if (want)
            return;
        FinishMotionFile();
    }
    if (!want) {
        // A recording by hand has its own graph, which stays.
        if (!tick_.recording && armed_->armed())
            Disarm();
        return;
    }
    const RecordRequest request = ArmRequest();
    if (armed_->armed() && SameEncoding(request, armedRequest_) && SecondsBefore() == armedSeconds_)
        return;
    Arm(request);
}

RecordRequest CCameraSession::ArmRequest() {
    host_.CollectChoices();
    return recorder_.Request(std::string(), false);
}

int CCameraSession::SecondsBefore() const {
    return settings_.monitor.motionRecord.Clamped().secondsBefore;
}

bool CCameraSession::Arm(const RecordRequest& request) {
    const int seconds = SecondsBefore();
    host_.StopTimer(kFrameTimer);
    host_.SetCursor(CursorShape::Wait);
    if (armed_->BuildArmedGraph(request, seconds)) {
        armedRequest_ = request;
        armedSeconds_ = seconds;
        armFailed_ = false;
        host_.SetCursor(CursorShape::Starting);
        host_.StartTimer(kFrameTimer, kFramePeriodMs);
        return true;
    }
    // The encoder cannot run as chosen: said once, as a recording by hand would say it,
    // and not tried again until a command changes something.
    armFailed_ = true;
    armedSeconds_ = -1;
    Log(LogArea::Record, LogLevel::Warning,
        "record on motion: the armed graph could not be built; the preview goes on");
    const std::string cause = graph_.failureCause();
    notices_.ShowNotice(
        cause.empty() ? msg::RecordFailed(tick_.frameWidth) : msg::RecordFileFailed(cause),
        NoticeStyle::Warning);
    Disarm();
    return false;
}

void CCameraSession::Disarm() {
    const CameraSize camera = CameraSizeForShown(tick_.frameWidth, tick_.frameHeight);
    tick_.ChangeCaptureSize(tick_.enlarge, camera.width, camera.height);
}

void CCameraSession::FollowMotion() {
    if (armed_ == nullptr)
        return;
    if (motionFile_ && !tick_.recording) {
        // The tick ended the file (the graph failed, or the camera was lost) and said so.
        motionFile_ = false;
        RestoreShowTime();
        WaitForCalm();
    } else if (motionFile_ && !armed_->writingArmedFile()) {
        // The graph ended the file on a write error and stays armed.
        EndFailedMotionFile();
    }
    if (tick_.busy || !WantArmed())
        return;
    if (!armed_->armed()) {
        // The tick rebuilt the preview after a loss.
        if (!armFailed_)
            Arm(ArmRequest());
        return;
    }

    const std::uint32_t now = clock_.TickCount();
    const bool motion = tick_.monitor.motionAtAlarmLevel;
    if (motion)
        lastMotion_ = now;
    const bool calm = now - lastMotion_ >= CalmMs();
    if (motionFile_) {
        if (calm) {
            FinishMotionFile();
            UpdateArming();  // what changed while the file was written
        }
        return;
    }
    if (calmNeeded_) {
        if (!calm)
            return;
        calmNeeded_ = false;
    }
    if (motion)
        StartMotionFile();
}

void CCameraSession::StartMotionFile() {
    host_.StopTimer(kFrameTimer);
    tick_.recording = true;
    // A recording turns the date off; nobody pressed a button for this one, so the date
    // comes back when it ends.
    showTimeAfterFile_ = tick_.showDateTime;
    SetRecordingControls(false);
    host_.PressRecorderSwitch();
    host_.SetCursor(CursorShape::Wait);

    if (!recorder_.TakeName()) {
        AbandonMotionFile(msg::kNoRecordingNumberLeft);
        return;
    }
    // A copy: the recorder's own changes when the name turns out to be taken.
    const CRecorder::TakenName name = recorder_.takenName();
    if (!armed_->StartArmedFile(name.path, !name.numbered, recorder_.namesForTaken())) {
        const std::string cause = graph_.failureCause();
        AbandonMotionFile(cause.empty() ? msg::RecordFailed(tick_.frameWidth)
                                        : msg::RecordFileFailed(cause));
        recorder_.GiveBackName();
        return;
    }
    Log(LogArea::Record, LogLevel::Info, "record on motion: writing " + recorder_.takenName().path);
    motionFile_ = true;
    lastMotion_ = clock_.TickCount();
    host_.SetRecorderText(msg::kStopRecorder);
    host_.EnableRecorderText(true);
    host_.SetCursor(CursorShape::Normal);
    recorder_.ReportAudioFallback(armedRequest_);
    host_.EnableDisplayChoice(true);
    host_.StartTimer(kFrameTimer, kFramePeriodMs);
}

void CCameraSession::AbandonMotionFile(const std::string& message) {
    notices_.ShowNotice(message, NoticeStyle::Warning);
    tick_.recording = false;
    host_.SetRecorderText(msg::kRunRecorder);
    SetRecordingControls(true);
    RestoreShowTime();
    host_.SetCursor(CursorShape::Normal);
    // One message for a burst of motion, not one a frame.
    WaitForCalm();
    host_.StartTimer(kFrameTimer, kFramePeriodMs);
}

void CCameraSession::EndFailedMotionFile() {
    motionFile_ = false;
    tick_.recording = false;
    const std::string cause = graph_.failureCause();
    host_.StopTimer(kFrameTimer);
    notices_.ShowNotice(
        cause.empty() ? msg::RecordFailed(tick_.frameWidth) : msg::RecordFileFailed(cause),
        NoticeStyle::Warning);
    host_.SetRecorderText(msg::kRunRecorder);
    SetRecordingControls(true);
    RestoreShowTime();
    host_.SetCursor(CursorShape::Starting);
    WaitForCalm();
    host_.StartTimer(kFrameTimer, kFramePeriodMs);
}

void CCameraSession::FinishMotionFile() {
    motionFile_ = false;
    tick_.recording = false;
    host_.EnableRecorderText(false);
    host_.SetCursor(CursorShape::Wait);
    host_.EnableDisplayChoice(false);
    const bool finished = armed_->FinishArmedFile();
    host_.SetRecorderText(msg::kRunRecorder);
    SetRecordingControls(true);
    RestoreShowTime();
    host_.SetCursor(CursorShape::Normal);
    host_.EnableDisplayChoice(true);
    if (!finished) {
        const std::string cause = source_.failureCause();
        host_.StopTimer(kFrameTimer);
        notices_.ShowNotice(
            cause.empty() ? msg::RecordFailed(tick_.frameWidth) : msg::RecordFileFailed(cause),
            NoticeStyle::Warning);
        host_.StartTimer(kFrameTimer, kFramePeriodMs);
    }
}

}  // namespace tavelin
