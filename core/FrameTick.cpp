#include "core/FrameTick.h"

#include "core/Enlarge.h"
#include "core/FileNames.h"
#include "core/FrameFormat.h"
#include "core/Messages.h"
#include "core/StillImage.h"

namespace tavelin {

CFrameTick::CFrameTick(IFrameSource& source, IFrameTickHost& host, ITickRecording& recording,
                       INoticeSink& notices, const IClock& clock, IAlarm* alarm,
                       const SessionSettings& settings, CEventStream& events)
    : source_(source),
      host_(host),
      recording_(recording),
      notices_(notices),
      clock_(clock),
      alarm_(alarm),
      settings_(settings),
      events_(events) {}

std::uint8_t* CFrameTick::TakePicture() {
    std::uint8_t* cameraFrame = source_.frame();
    if (cameraFrame == nullptr || source_.frameCapacity() <= 0)
        return nullptr;

    // Every pass below assumes the frame has exactly the size the graph was built for
    // and the shown size follows from it; a frame of any other size is skipped rather
    // than read past its end.
    const std::size_t cameraBytes = FrameBytes(source_.width(), source_.height());
    if (cameraBytes == 0 || static_cast<std::size_t>(source_.sampleBytes()) != cameraBytes ||
        static_cast<std::size_t>(source_.frameCapacity()) < cameraBytes) {
        return nullptr;
    }
    if (enlarge_) {
        if (frameWidth_ != 2 * source_.width() || frameHeight_ != 2 * source_.height() ||
            enlargedFrame_.size() < FrameBytes(frameWidth_, frameHeight_)) {
            return nullptr;
        }
        Enlarge2x(cameraFrame, source_.width(), source_.height(), enlargedFrame_.data());
        return enlargedFrame_.data();
    }
    if (frameWidth_ != source_.width() || frameHeight_ != source_.height())
        return nullptr;
    return cameraFrame;
}

void CFrameTick::FrameStep() {
    // Only a frame compared in this step can report motion.
    monitor_.motionAtAlarmLevel = false;

    if (source_.TakeNewFrame()) {
        if (std::uint8_t* picture = TakePicture()) {
            const MonitorSetup& setup = settings_.monitor;
            if (!enlarge_ && monitor_.monitorOn && frameWidth_ < kMonitorMaxWidth) {
                const std::size_t bytes = FrameBytes(frameWidth_, frameHeight_);
                monitor_.MonitorStep(picture, bytes, setup.monitorMode, frameWidth_, frameHeight_,
                                     alarm_, setup.alarmSoundPath);
                if (ModeHasZoom(setup.monitorMode) && monitor_.zoomFrame.size() == bytes)
                    picture = monitor_.zoomFrame.data();
                if (ModeHasTracking(setup.monitorMode)) {
                    DrawBadge(picture, frameWidth_, frameHeight_, badgePicture_,
                              monitor_.objectCount);
                }
            }
            if (showDateTime_ || timedShotActive_) {
                DrawOverlays(showDateTime_, timedShotActive_, picture, frameWidth_, frameHeight_,
                             cameraIcon_,
                             CountdownState{timedShotElapsed_, settings_.timerShot.timerSeconds},
                             clock_.LocalTime());
            }
            host_.ShowFrame(picture, frameWidth_, frameHeight_);
            ++framesShown_;
            WriteRequestedPictures(picture);
        }
        // The picture is shown and written: the buffer may take the next frame.
        source_.RequestNewFrame();
    }

    if (busy_) {
        host_.StopTimer(kFrameTimer);
        host_.StopTimer(kBlinkTimer);
    } else if (source_.deviceLost()) {
        DeviceLostRecovery();
    } else if (pauseRequest_) {
        Pause(false);
    }
}

void CFrameTick::PublishStill(const std::string& path) {
    SessionEvent event;
    event.kind = SessionEventKind::StillSaved;
    event.path = path;
    events_.Publish(std::move(event));
}

bool CFrameTick::TakeNextPicture(FramePicture& picture) {
    if (!nextCaught_)
        return false;
    nextCaught_ = false;
    std::swap(picture, nextPicture_);
    return true;
}

void CFrameTick::WriteRequestedPictures(const std::uint8_t* picture) {
    if (catchMotion_ && monitor_.motionAtAlarmLevel) {
        motionPicture_.Assign(picture, frameWidth_, frameHeight_);
        catchMotion_ = false;
    }
    if (catchNext_) {
        nextPicture_.Assign(picture, frameWidth_, frameHeight_);
        catchNext_ = false;
        nextCaught_ = true;
    }
    if (monitor_.monitorOn && monitor_.motionShotPending) {
        const std::string path =
            MotionStillPath(settings_.monitor.motionShotPath, clock_.LocalTime());
        if (WriteBmp(picture, path, frameWidth_, frameHeight_))
            PublishStill(path);
        monitor_.motionShotPending = false;
    }
    if (fixedShotRequest_) {
        WriteBmp(picture, fixedShotPath_, frameWidth_, frameHeight_);
        fixedShotRequest_ = false;
    }
    if (timedShotActive_) {
        const std::uint32_t elapsedMs = clock_.TickCount() - timedShotStart_;
        timedShotElapsed_ = static_cast<float>(elapsedMs * 0.001);
        if (timedShotElapsed_ >= static_cast<float>(settings_.timerShot.timerSeconds)) {
            if (WriteBmp(picture, timedShotPath_, frameWidth_, frameHeight_))
                PublishStill(timedShotPath_);
            timedShotElapsed_ = 0.0f;
            timedShotActive_ = false;
            timedShotStart_ = 0;
            notices_.ShowNotice(msg::kTimerShotDone + timedShotPath_, NoticeStyle::Plain);
        }
    }
}

void CFrameTick::StartCountdown(std::string path) {
    timedShotPath_ = std::move(path);
    timedShotActive_ = true;
    timedShotElapsed_ = 0.0f;
    timedShotStart_ = clock_.TickCount();
}

void CFrameTick::CancelCountdown() {
    timedShotActive_ = false;
    timedShotElapsed_ = 0.0f;
    timedShotStart_ = 0;
}

void CFrameTick::ResetMonitor(bool on, bool restartZoom) {
    monitor_.motionShotPending = false;
    monitor_.zoomReady = false;
    monitor_.trackHoldoff = CMonitorCore::kTrackHoldoff;
    if (restartZoom)
        monitor_.zoomDivider = 0;
    monitor_.monitorOn = on;
    SetUpMonitor();
}

void CFrameTick::SetOverlayPictures(OverlayPicture cameraIcon, OverlayPicture badge) {
    cameraIcon_ = std::move(cameraIcon);
    badgePicture_ = std::move(badge);
}

void CFrameTick::BeginSettle(Settle settle, int ms) {
    busy_ = true;
    host_.StopTimer(kFrameTimer);
    host_.SetCursor(CursorShape::Wait);
    settle_ = settle;
    host_.StartTimer(kSettleTimer, ms);
}

void CFrameTick::Resume() {
    busy_ = false;
    host_.SetCursor(CursorShape::Starting);
    host_.StartTimer(kFrameTimer, kFramePeriodMs);
}

void CFrameTick::SettleStep() {
    host_.StopTimer(kSettleTimer);
    const Settle settle = settle_;
    settle_ = Settle::None;
    switch (settle) {
        case Settle::None:
            break;
        case Settle::ChangeSize:
            ChangeCaptureSize(pendingEnlarge_, pendingWidth_, pendingHeight_);
            break;
        case Settle::AfterLoss:
            RebuildAfterLoss();
            break;
        case Settle::EndHold:
            Resume();
            break;
        case Settle::EndPause:
        case Settle::EndBlinkPause:
            pauseRequest_ = false;
            if (settle == Settle::EndBlinkPause)
                host_.StartTimer(kBlinkTimer, kBlinkPeriodMs);
            Resume();
            break;
    }
}

void CFrameTick::DeviceLostRecovery() {
    // Read before the teardown forgets it: a recording that failed for its file says why.
    lostFileCause_ = source_.failureCause();
    lostCameraStopped_ = source_.cameraStopped();
    SessionEvent lost;
    lost.kind = SessionEventKind::CameraLost;
    events_.Publish(std::move(lost));
    busy_ = true;
    host_.StopTimer(kFrameTimer);
    source_.Teardown();
    recording_.GraphGone();
    settle_ = Settle::AfterLoss;
    host_.StartTimer(kSettleTimer, kLossSettleMs);
}

void CFrameTick::RebuildAfterLoss() {
    // The enlarged sizes come from the smaller camera sizes; enlarge keeps its value.
    const CameraSize camera = CameraSizeForShown(frameWidth_, frameHeight_);
    if (source_.BuildPreviewGraph(camera.width, camera.height)) {
        source_.RequestNewFrame();
        recording_.EndLostRecording(lostFileCause_, lostCameraStopped_, true);
        SessionEvent back;
        back.kind = SessionEventKind::CameraBack;
        events_.Publish(std::move(back));
        busy_ = false;
        host_.StartTimer(kFrameTimer, kFramePeriodMs);
        return;
    }
    notices_.ShowNotice(msg::kDeviceLost, NoticeStyle::Plain);
    source_.Teardown();
    enlargedFrame_.clear();
    recording_.EndLostRecording(lostFileCause_, lostCameraStopped_, false);
    // busy stays set and timer 1 off: the picture stands still until a size is chosen.
}

void CFrameTick::Pause(bool fromBlinkStep) {
    if (fromBlinkStep)
        host_.StopTimer(kBlinkTimer);
    BeginSettle(fromBlinkStep ? Settle::EndBlinkPause : Settle::EndPause, kPauseMs);
}

void CFrameTick::HoldFor(int settleMs) {
    BeginSettle(Settle::EndHold, settleMs);
}

void CFrameTick::BlinkStep() {
    recording_.BlinkLights(!blink_);
    blink_ = !blink_;
    if (busy_) {
        host_.StopTimer(kBlinkTimer);
        host_.StopTimer(kFrameTimer);
    } else if (pauseRequest_) {
        Pause(true);
    }
}

bool CFrameTick::SelectCaptureSize(int index) {
    if (index < 0 || index >= static_cast<int>(kCaptureSizes.size()))
        return false;
    const CaptureSize& row = kCaptureSizes[static_cast<std::size_t>(index)];
    frameWidth_ = row.shownWidth;
    frameHeight_ = row.shownHeight;
    sizeIndex_ = index;
    pendingEnlarge_ = row.enlarge;
    pendingWidth_ = row.cameraWidth;
    pendingHeight_ = row.cameraHeight;
    BeginSettle(Settle::ChangeSize, kSizeSettleMs);
    return true;
}

bool CFrameTick::FallBackToRecordingSize() {
    if (!kCaptureSizes[static_cast<std::size_t>(sizeIndex_)].enlarge)
        return false;
    const CaptureSize& fallback = kCaptureSizes[kRecordingFallbackSize];
    sizeIndex_ = kRecordingFallbackSize;
    frameWidth_ = fallback.shownWidth;
    frameHeight_ = fallback.shownHeight;
    ChangeCaptureSize(fallback.enlarge, fallback.cameraWidth, fallback.cameraHeight);
    return true;
}

bool CFrameTick::ChangeCaptureSize(bool enlargeFrames, int cameraWidth, int cameraHeight) {
    busy_ = true;
    host_.StopTimer(kFrameTimer);
    host_.SetCursor(CursorShape::Wait);
    enlarge_ = false;  // no enlargement while the buffers change

    host_.ResizeDisplay(frameWidth_, frameHeight_);
    AllocateDisplay();

    source_.Teardown();
    recording_.GraphGone();
    if (!source_.BuildPreviewGraph(cameraWidth, cameraHeight)) {
        notices_.ShowNotice(msg::kDeviceLost, NoticeStyle::Plain);
        source_.Teardown();
        enlargedFrame_.clear();
        host_.SetCursor(CursorShape::Normal);
        return false;  // busy stays set: the picture stands still until the user acts
    }
    source_.RequestNewFrame();
    SetUpMonitor();
    enlarge_ = enlargeFrames;
    Resume();
    return true;
}

void CFrameTick::AllocateDisplay() {
    enlargedFrame_ = CZeroedBytes(FrameBytes(frameWidth_, frameHeight_));
}

void CFrameTick::SetUpMonitor() {
    if (!monitor_.SetUpMonitor(frameWidth_, frameHeight_))
        notices_.ShowNotice(msg::kTrackingInitFailed, NoticeStyle::Warning);
}

}  // namespace tavelin
