#include "core/CameraSession.h"

#include <cstdio>

#include "core/BusyScope.h"
#include "core/CodecNames.h"
#include "core/FileCounter.h"
#include "core/FrameFormat.h"
#include "core/Messages.h"
#include "core/Snapshot.h"

namespace tavelin {

namespace {

constexpr const char* kNoneEntry = "None";
constexpr const char* kSizeAdjusted =
    "Not all video size are compatible!\r\n\r\nAuto adjust video size : 640x480.\r\n";

}  // namespace

CCameraSession::CCameraSession(IFrameSource& source, IRecordGraph& graph, ISessionHost& host,
                               INoticeSink& notices, const IClock& clock, IAlarm* alarm)
    : source_(source),
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
    ReadFileCounter(recorder_.fileCounter, files_.counter);
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
    return tick_.SelectCaptureSize(sizeIndex);
}

void CCameraSession::ToggleShowTime() {
    tick_.showDateTime = !tick_.showDateTime;
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
    recorder_.ToggleRecorder();
}

void CCameraSession::ToggleAudio() {
    audioEnabled_ = !audioEnabled_;
    host_.ShowAudioStrip(audioEnabled_);
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
    ApplyMonitorPlan(accepted ? PlanAcceptedSettings(settings_.monitor.monitorMode, noAudioDevice_,
                                                     tick_.recording)
                              : PlanCancelledSettings(tick_.monitor.monitorOn, tick_.recording));
}

void CCameraSession::ApplyMonitorPlan(const MonitorSettingsPlan& plan) {
    CMonitorCore& monitor = tick_.monitor;
    if (plan.resetMonitor) {
        monitor.motionShotPending = false;
        monitor.monitorOn = false;
        monitor.zoomReady = false;
        monitor.trackHoldoff = CMonitorCore::kTrackHoldoff;
    }
    if (plan.showNoAudioNotice)
        notices_.ShowNotice(msg::kNoAudioDevice, NoticeStyle::Warning);
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
    host_.StopTimer(kFrameTimer);
    source_.Teardown();
    tick_.enlargedFrame.clear();
    tick_.blink = false;
    host_.StopTimer(kBlinkTimer);
    tick_.cameraIcon = OverlayPicture();
    tick_.badgePicture = OverlayPicture();
    tick_.monitor.Release();
}

}  // namespace tavelin
