#include "core/CameraSession.h"

#include <cstdio>

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
// A change of the display waits this long before the frame step goes on.
constexpr int kDisplaySettleMs = 150;

}  // namespace

CCameraSession::CCameraSession(ICameraGraph& graph, ISessionHost& host, INoticeSink& notices,
                               const IClock& clock, IAlarm* alarm, bool canRecordOnMotion)
    : graph_(graph),
      host_(host),
      notices_(notices),
      clock_(clock),
      canRecordOnMotion_(canRecordOnMotion),
      tick_(graph, host, *this, notices, clock, alarm, settings_, events_),
      recorder_(*this, settings_.recording),
      controller_(graph, recorder_, *this, notices, events_, clock),
      storage_(events_, notices) {}

bool CCameraSession::StartCamera() {
    if (graph_.BuildPreviewGraph(tick_.frameWidth(), tick_.frameHeight())) {
        graph_.RequestNewFrame();
        return true;
    }
    notices_.ShowNotice(msg::kNoCamera, NoticeStyle::Plain);
    graph_.Teardown();
    return false;
}

void CCameraSession::SetFiles(Files files) {
    files_ = std::move(files);
    recorder_.SetCounterPath(files_.counter);
    tick_.SetSnapshotPath(files_.snapshotTemp);
}

void CCameraSession::StartNumbering(const std::string& recordingFolder) {
    recorder_.StartNumbering(recordingFolder);
    WriteAviPathText(recordingFolder + NumberedAviName(recorder_.fileCounter()));
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
    view_.audioSwitchDisabled = noAudioDevice_;
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
    tick_.AllocateDisplay();
}

void CCameraSession::SetOverlayPictures(OverlayPicture cameraIcon, OverlayPicture badge) {
    tick_.SetOverlayPictures(std::move(cameraIcon), std::move(badge));
}

void CCameraSession::SetListSelections(int videoCompressor, int audioCompressor, int audioDevice) {
    RecordingChoices& choices = settings_.recording;
    choices.videoCompressorIndex = videoCompressor;
    choices.audioCompressorIndex = audioCompressor;
    choices.audioDeviceIndex = audioDevice;
}

void CCameraSession::SetAviPathText(const std::string& text) {
    aviPathText_ = text;
    view_.aviPath = text;
    shownView_.aviPath = text;  // the field shows it already
    WatchStorage();
}

std::string CCameraSession::ReadAviPathText() {
    return aviPathText_;
}

void CCameraSession::WriteAviPathText(const std::string& text) {
    aviPathText_ = text;
    view_.aviPath = text;
    ShowControls();
    WatchStorage();
}

void CCameraSession::SetMonitorSwitchDown(bool down) {
    view_.monitorSwitchDown = down;
    ShowControls();
}

void CCameraSession::ShowControls(bool force) {
    if (!force && viewShown_ && view_ == shownView_)
        return;
    shownView_ = view_;
    viewShown_ = true;
    host_.ShowControls(view_);
}

void CCameraSession::BlinkLights(bool lit) {
    if (controller_.recording())
        view_.recordLightLit = lit;
    if (tick_.monitorIndicator() && tick_.frameWidth() < kMonitorMaxWidth)
        view_.monitorLightLit = lit;
    ShowControls();
}

bool CCameraSession::SelectCaptureSize(int sizeIndex) {
    // The sizes do not respond while a recording runs or a change is under way.
    if (tick_.settling() || controller_.recording() || !tick_.SelectCaptureSize(sizeIndex)) {
        ShowControls(true);  // the click left another size checked
        return false;
    }
    view_.checkedSize = sizeIndex;
    shownView_.checkedSize = sizeIndex;
    controller_.RetryArming();
    return true;
}

void CCameraSession::RecordingChoicesChanged() {
    controller_.RetryArming();
    UpdateArming();
}

void CCameraSession::CameraChanged() {
    if (controller_.recording())
        return;
    // A pause under way (the dialog's own, a size change) ends first; the camera follows.
    if (tick_.settling()) {
        cameraChangeWaits_ = true;
        return;
    }
    cameraChangeWaits_ = false;
    controller_.RetryArming();
    // The graph at the size shown, on the new camera; also after a camera that had
    // stopped for good.
    tick_.SelectCaptureSize(tick_.sizeIndex());
}

void CCameraSession::ToggleShowTime() {
    tick_.SetShowDateTime(!tick_.showDateTime());
    // Pressed while a file on motion runs, the button decides what shows after it.
    if (controller_.onMotion())
        showTimeAfterFile_ = tick_.showDateTime();
}

void CCameraSession::ToggleTimerShot() {
    if (tick_.timedShotActive()) {
        tick_.CancelCountdown();
        return;
    }
    const std::string& target = settings_.timerShot.timedShotTarget;
    const std::string path = target.empty() ? files_.timerShotDefault : target;
    // The earlier picture goes at once: it must not pass for the new one.
    std::remove(path.c_str());
    tick_.StartCountdown(path);
}

void CCameraSession::ToggleRecorder() {
    if (!tick_.settling()) {
        // Before the press: an output the press itself could not link is not tried again.
        controller_.RetryArming();
        controller_.PressRecorder();
        UpdateArming();
    }
    // A click the recorder did not follow (a file starting or ending) left the switch
    // otherwise than the view says.
    ShowControls(true);
}

void CCameraSession::ToggleAudio() {
    audioEnabled_ = !audioEnabled_;
    view_.audioStrip = audioEnabled_;
    ShowControls();
    RecordingChoicesChanged();
}

void CCameraSession::SetRecordingControls(bool enable) {
    // The enlarged sizes are not recorded: the camera's own 640 x 480 is.
    if (kCaptureSizes[static_cast<std::size_t>(tick_.sizeIndex())].enlarge) {
        notices_.ShowNotice(kSizeAdjusted, NoticeStyle::Warning);
        view_.checkedSize = kRecordingFallbackSize;
        tick_.FallBackToRecordingSize();
    }
    view_.sizesEnabled = enable;
    view_.recordingSettingsEnabled = enable;
    view_.recorderTextEnabled = enable;
    tick_.SetShowDateTime(false);
    if (UpperCase(firstAudioDevice_).starts_with("NONE")) {
        audioEnabled_ = false;
        view_.audioSwitchDisabled = true;
    }
    view_.displayChoiceEnabled = enable;
    // The recording light blinks on timer 3, which the monitor light may share.
    const bool monitorOn = tick_.monitor().monitorOn;
    tick_.SetBlink(!enable);
    view_.recordLightShown = !enable;
    view_.recordLightLit = false;
    if (enable) {
        if (!monitorOn)
            host_.StopTimer(kBlinkTimer);
        view_.recorderSwitchDown = false;
    } else if (!monitorOn) {
        host_.StartTimer(kBlinkTimer, kBlinkPeriodMs);
    }
    ShowControls();
}

void CCameraSession::ApplyMonitorSettings(bool accepted) {
    MotionRecordSetup& motion = settings_.monitor.motionRecord;
    motion = motion.Clamped();
    if (accepted)
        tick_.SetWatchMotion(canRecordOnMotion_ && motion.enabled);
    const CMonitorCore& monitor = tick_.monitor();
    const bool recording = controller_.recording();
    ApplyMonitorPlan(accepted ? PlanAcceptedSettings(settings_.monitor.monitorMode, noAudioDevice_,
                                                     recording, monitor.watchMotion)
                              : PlanCancelledSettings(monitor.monitorOn, recording));
    controller_.RetryArming();
    UpdateArming();
    WatchStorage();  // the still folder may have changed
}

void CCameraSession::StorageLimitsChanged() {
    settings_.storage = settings_.storage.Clamped();
    WatchStorage();
}

StorageSummary CCameraSession::storageSummary() const {
    return storage_.summary();
}

void CCameraSession::ResumeRecordOnMotion() {
    if (!canRecordOnMotion_ || !settings_.monitor.motionRecord.enabled)
        return;
    Log(LogArea::Monitor, LogLevel::Info,
        "record on motion was on when the program last ended: the monitor starts with it");
    ApplyMonitorSettings(true);
}

void CCameraSession::ApplyMonitorPlan(const MonitorSettingsPlan& plan) {
    if (plan.showNoAudioNotice) {
        Log(LogArea::Monitor, LogLevel::Warning,
            "monitor: the alarm stays off: no sound input device was listed at start-up");
        notices_.ShowNotice(msg::kNoAudioDevice, NoticeStyle::Warning);
    }
    if (plan.resetMonitor)
        tick_.ResetMonitor(plan.monitorOn, plan.resetZoomDivider);
    else if (plan.resetZoomDivider)
        tick_.RestartZoom();
    if (plan.indicator == IndicatorAction::Show) {
        tick_.SetMonitorIndicator(true);
        view_.monitorLightShown = true;
    } else if (plan.indicator == IndicatorAction::Hide) {
        tick_.SetMonitorIndicator(false);
        view_.monitorLightShown = false;
    }
    if (plan.blinkTimer == TimerAction::Start)
        host_.StartTimer(kBlinkTimer, kBlinkPeriodMs);
    if (plan.blinkTimer == TimerAction::Stop)
        host_.StopTimer(kBlinkTimer);
    if (plan.switchFaces != SwitchFaces::Keep)
        view_.monitorRunningFaces = plan.switchFaces == SwitchFaces::Running;
    if (plan.clearSwitchCheck)
        view_.monitorSwitchDown = false;
    ShowControls();
}

void CCameraSession::ShowDisplay(bool outside) {
    if (tick_.settling())
        return;
    tick_.HoldFor(kDisplaySettleMs);
    host_.ShowDisplay(outside, tick_.frameWidth(), tick_.frameHeight());
}

bool CCameraSession::BeginSnapshot() {
    if (tick_.snapshotPending())
        return false;
    tick_.SetSnapshotRequest(true);
    return true;
}

void CCameraSession::FinishSnapshot(const std::string& chosenPath) {
    // A conversion that fails says nothing and leaves nothing behind.
    if (!chosenPath.empty() && SaveSnapshot(files_.snapshotTemp, chosenPath)) {
        SessionEvent saved;
        saved.kind = SessionEventKind::SnapshotSaved;
        saved.path = chosenPath;
        events_.Publish(std::move(saved));
    }
    tick_.SetSnapshotRequest(false);
    std::remove(files_.snapshotTemp.c_str());
}

void CCameraSession::Shutdown() {
    tick_.SetBusy(true);
    host_.StopTimer(kFrameTimer);
    host_.StopTimer(kSettleTimer);
    // A file being written gets its index and its name before the graph goes.
    graph_.Teardown();
    controller_.ProgramEnds();
    tick_.ReleaseDisplay();
    tick_.SetBlink(false);
    host_.StopTimer(kBlinkTimer);
    tick_.SetOverlayPictures(OverlayPicture(), OverlayPicture());
    tick_.ReleaseMonitor();
}

void CCameraSession::FrameStep() {
    GraphNews();
    StorageNews();
    tick_.FrameStep();
    // Motion is told also where no file can follow it (the alarm alone).
    const bool motion = tick_.monitor().motionAtAlarmLevel;
    FollowMotionEvents(motion);
    if (!canRecordOnMotion_ || tick_.busy())
        return;
    // After a loss or a size change the output is linked again; one no longer wanted
    // (unticked while the tick was busy, as in the pause for a dialog) goes.
    const bool want = WantArmed();
    if ((controller_.state() == CRecordingController::State::Idle && !controller_.armFailed() &&
         want) ||
        (controller_.armed() && !want)) {
        UpdateArming();
    }
    controller_.FollowMotion(motion, CalmMs());
}

void CCameraSession::SettleStep() {
    tick_.SettleStep();
    if (cameraChangeWaits_ && !tick_.settling())
        CameraChanged();
}

void CCameraSession::GraphNews() {
    if (controller_.TakeNews())
        UpdateArming();  // what changed while the file was written
}

void CCameraSession::StorageNews() {
    if (storage_.TakeReport(controller_.recording()))
        controller_.EndForSpace();
}

void CCameraSession::WatchStorage() {
    StorageWatch watch;
    watch.recordingFolder = DirectoryOf(aviPathText_);
    if (!settings_.monitor.motionShotPath.empty())
        watch.stillFolder = DirectoryOf(settings_.monitor.motionShotPath);
    watch.writingPath = controller_.filePath();
    watch.armed = controller_.armed();
    watch.limits = settings_.storage;
    storage_.Watch(watch);
}

// ---- the recording's window ----

void CCameraSession::RecordingBegins(bool onMotion) {
    // A recording turns the date off; nobody pressed a button for one on motion, so the
    // date comes back when it ends.
    if (onMotion)
        showTimeAfterFile_ = tick_.showDateTime();
    // By hand the click has put the switch down already.
    view_.recorderSwitchDown = true;
    SetRecordingControls(false);
    host_.SetCursor(CursorShape::Wait);
}

void CCameraSession::RecordingRuns(bool /*onMotion*/) {
    WatchStorage();  // the file being written
    view_.recorderText = msg::kStopRecorder;
    view_.recorderTextEnabled = true;
    view_.displayChoiceEnabled = true;
    ShowControls();
    host_.SetCursor(CursorShape::Normal);
}

void CCameraSession::RecordingEnds() {
    view_.recorderTextEnabled = false;
    view_.displayChoiceEnabled = false;
    // The click that ended it has put the switch up already.
    view_.recorderSwitchDown = false;
    ShowControls();
    host_.SetCursor(CursorShape::Wait);
}

void CCameraSession::RecordingOver(bool onMotion, bool afterFailure) {
    WatchStorage();
    view_.recorderText = msg::kRunRecorder;
    SetRecordingControls(true);
    if (onMotion)
        RestoreShowTime();
    host_.SetCursor(afterFailure ? CursorShape::Starting : CursorShape::Normal);
}

RecordRequest CCameraSession::ChosenRequest() {
    const RecordingChoices& choices = settings_.recording;
    RecordRequest request;
    request.width = tick_.frameWidth();
    request.height = tick_.frameHeight();
    request.videoCompressorIndex = choices.videoCompressorIndex;
    request.audioEnabled = audioEnabled_;
    request.audioCompression = audioCompression_;
    request.audioCompressorIndex = choices.audioCompressorIndex;
    request.audioDeviceIndex = choices.audioDeviceIndex;
    request.masterStream = choices.masterStream;
    return request;
}

void CCameraSession::EndLostRecording(const std::string& fileCause, bool cameraStopped,
                                      bool cameraBack) {
    const RecordingEnd end = !cameraBack     ? RecordingEnd::CameraGone
                             : cameraStopped ? RecordingEnd::CameraStopped
                                             : RecordingEnd::Failed;
    controller_.EndLostRecording(fileCause, end);
}

// ---- record on motion ----

bool CCameraSession::WantArmed() const {
    const CaptureSize& size = kCaptureSizes[static_cast<std::size_t>(tick_.sizeIndex())];
    return canRecordOnMotion_ && settings_.monitor.motionRecord.enabled &&
           tick_.monitor().monitorOn && !size.enlarge && tick_.frameWidth() < kMonitorMaxWidth;
}

int CCameraSession::SecondsBefore() const {
    return settings_.monitor.motionRecord.Clamped().secondsBefore;
}

std::uint32_t CCameraSession::CalmMs() const {
    return static_cast<std::uint32_t>(settings_.monitor.motionRecord.Clamped().calmSeconds) * 1000u;
}

void CCameraSession::UpdateArming() {
    if (!canRecordOnMotion_ || tick_.busy())
        return;
    controller_.UpdateArming(WantArmed(), SecondsBefore());
    WatchStorage();
}

void CCameraSession::RestoreShowTime() {
    if (showTimeAfterFile_)
        tick_.SetShowDateTime(true);
    showTimeAfterFile_ = false;
}

void CCameraSession::FollowMotionEvents(bool motion) {
    const std::uint32_t now = clock_.TickCount();
    // The picture motion starts on is kept (one copy a start), for notices that show it.
    if (!inMotion_ && !motion)
        tick_.CatchMotionPicture();
    SessionEvent event;
    if (motion && tick_.monitor().monitorOn) {
        lastMotion_ = now;
        if (inMotion_)
            return;
        inMotion_ = true;
        event.kind = SessionEventKind::MotionStarted;
    } else if (inMotion_ && (!tick_.monitor().monitorOn || now - lastMotion_ >= CalmMs())) {
        inMotion_ = false;
        event.kind = SessionEventKind::MotionEnded;
    } else {
        return;
    }
    events_.Publish(std::move(event));
}

}  // namespace tavelin
