#include "core/FrameTick.h"

#include "core/BusyScope.h"
#include "core/Enlarge.h"
#include "core/FileNames.h"
#include "core/FrameFormat.h"
#include "core/Messages.h"
#include "core/StillImage.h"

namespace tavelin {

CFrameTick::CFrameTick(IFrameSource& source, IFrameTickHost& host, IRecordingControls& controls,
                       INoticeSink& notices, const IClock& clock, IAlarm* alarm,
                       const SessionSettings& settings)
    : source_(source),
      host_(host),
      controls_(controls),
      notices_(notices),
      clock_(clock),
      alarm_(alarm),
      settings_(settings) {}

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
    if (enlarge) {
        if (frameWidth != 2 * source_.width() || frameHeight != 2 * source_.height() ||
            enlargedFrame.size() < FrameBytes(frameWidth, frameHeight)) {
            return nullptr;
        }
        Enlarge2x(cameraFrame, source_.width(), source_.height(), enlargedFrame.data());
        return enlargedFrame.data();
    }
    if (frameWidth != source_.width() || frameHeight != source_.height())
        return nullptr;
    return cameraFrame;
}

void CFrameTick::FrameStep() {
    // Only a frame compared in this step can report motion.
    monitor.motionAtAlarmLevel = false;
    source_.WaitForNewFrame();

    if (std::uint8_t* picture = TakePicture()) {
        const MonitorSetup& setup = settings_.monitor;
        if (!enlarge && monitor.monitorOn && frameWidth < kMonitorMaxWidth) {
            const std::size_t bytes = FrameBytes(frameWidth, frameHeight);
            monitor.MonitorStep(picture, bytes, setup.monitorMode, frameWidth, frameHeight, alarm_,
                                setup.alarmSoundPath);
            if (ModeHasZoom(setup.monitorMode) && monitor.zoomFrame.size() == bytes) {
                picture = monitor.zoomFrame.data();
            }
            if (ModeHasTracking(setup.monitorMode)) {
                DrawBadge(picture, frameWidth, frameHeight, badgePicture, monitor.objectCount);
            }
        }
        if (showDateTime || timedShotActive) {
            DrawOverlays(showDateTime, timedShotActive, picture, frameWidth, frameHeight,
                         cameraIcon,
                         CountdownState{timedShotElapsed, settings_.timerShot.timerSeconds},
                         clock_.LocalTime());
        }
        host_.ShowFrame(picture, frameWidth, frameHeight);
        ++framesShown;
        WriteRequestedPictures(picture);
    }

    if (busy) {
        host_.StopTimer(kFrameTimer);
        host_.StopTimer(kBlinkTimer);
    } else if (source_.deviceLost()) {
        DeviceLostRecovery();
    } else if (pauseRequest) {
        Pause(false);
    }
}

void CFrameTick::WriteRequestedPictures(const std::uint8_t* picture) {
    if (monitor.monitorOn && monitor.motionShotPending) {
        WriteBmp(picture, MotionStillPath(settings_.monitor.motionShotPath, clock_.LocalTime()),
                 frameWidth, frameHeight);
        monitor.motionShotPending = false;
    }
    if (fixedShotRequest) {
        WriteBmp(picture, fixedShotPath, frameWidth, frameHeight);
        fixedShotRequest = false;
    }
    if (timedShotActive) {
        const std::uint32_t elapsedMs = clock_.TickCount() - timedShotStart;
        timedShotElapsed = static_cast<float>(elapsedMs * 0.001);
        if (timedShotElapsed >= static_cast<float>(settings_.timerShot.timerSeconds)) {
            WriteBmp(picture, timedShotPath, frameWidth, frameHeight);
            timedShotElapsed = 0.0f;
            timedShotActive = false;
            timedShotStart = 0;
            host_.StopTimer(kFrameTimer);
            notices_.ShowNotice(msg::kTimerShotDone + timedShotPath, NoticeStyle::Plain);
            host_.StartTimer(kFrameTimer, kFramePeriodMs);
        }
    }
}

void CFrameTick::DeviceLostRecovery() {
    // Read before the teardown forgets it: a recording that failed for its file says why.
    const std::string fileCause = source_.failureCause();
    const bool cameraStopped = source_.cameraStopped();
    busy = true;
    host_.StopTimer(kFrameTimer);
    source_.Teardown();
    host_.Sleep(200);

    // The enlarged sizes come from the smaller camera sizes; enlarge keeps its value.
    const CameraSize camera = CameraSizeForShown(frameWidth, frameHeight);
    if (source_.BuildPreviewGraph(camera.width, camera.height)) {
        // The camera is back: the recording ended for its file, for the camera, or else
        // for an error further on, most likely the encoder's.
        EndAbortedRecording(!fileCause.empty() ? msg::RecordFileFailed(fileCause)
                            : cameraStopped    ? std::string(msg::kRecordCameraStopped)
                                               : msg::RecordFailed(frameWidth));
        busy = false;
        host_.StartTimer(kFrameTimer, kFramePeriodMs);
        return;
    }

    notices_.ShowNotice(msg::kDeviceLost, NoticeStyle::Plain);
    source_.Teardown();
    enlargedFrame.clear();
    EndAbortedRecording(fileCause.empty() ? std::string(msg::kRecordDeviceLost)
                                          : msg::RecordFileFailed(fileCause));
    // busy stays set and timer 1 off: the picture stands still until a size is chosen.
}

void CFrameTick::EndAbortedRecording(const std::string& message) {
    if (!recording)
        return;
    recording = false;
    notices_.ShowNotice(message, NoticeStyle::Warning);
    host_.SetRecorderText(msg::kRunRecorder);
    controls_.SetRecordingControls(true);
    host_.SetCursor(CursorShape::Starting);
}

void CFrameTick::Pause(bool fromBlinkStep) {
    busy = true;
    if (fromBlinkStep)
        host_.StopTimer(kBlinkTimer);
    host_.StopTimer(kFrameTimer);
    host_.SetCursor(CursorShape::Wait);
    host_.Sleep(250);
    host_.SetCursor(CursorShape::Starting);
    pauseRequest = false;
    busy = false;
    if (fromBlinkStep)
        host_.StartTimer(kBlinkTimer, kBlinkPeriodMs);
    host_.StartTimer(kFrameTimer, kFramePeriodMs);
}

void CFrameTick::BlinkStep() {
    if (recording)
        host_.LightRecordLight(!blink);
    if (monitorIndicator && frameWidth < kMonitorMaxWidth)
        host_.LightMonitorLight(!blink);
    blink = !blink;
    if (busy) {
        host_.StopTimer(kBlinkTimer);
        host_.StopTimer(kFrameTimer);
    } else if (pauseRequest) {
        Pause(true);
    }
}

bool CFrameTick::SelectCaptureSize(int index) {
    if (index < 0 || index >= static_cast<int>(kCaptureSizes.size()))
        return false;
    const CaptureSize& row = kCaptureSizes[static_cast<std::size_t>(index)];
    frameWidth = row.shownWidth;
    frameHeight = row.shownHeight;
    sizeIndex = index;
    return ChangeCaptureSize(row.enlarge, row.cameraWidth, row.cameraHeight);
}

bool CFrameTick::ChangeCaptureSize(bool enlargeFrames, int cameraWidth, int cameraHeight) {
    CBusyScope hold(busy, host_);
    enlarge = false;  // no enlargement while the buffers change

    host_.ResizeDisplay(frameWidth, frameHeight);
    enlargedFrame = CZeroedBytes(FrameBytes(frameWidth, frameHeight));

    source_.Teardown();
    host_.Sleep(250);
    if (!source_.BuildPreviewGraph(cameraWidth, cameraHeight)) {
        notices_.ShowNotice(msg::kDeviceLost, NoticeStyle::Plain);
        source_.Teardown();
        enlargedFrame.clear();
        hold.StayIdle();
        return false;
    }
    SetUpMonitor();
    enlarge = enlargeFrames;
    return true;
}

void CFrameTick::SetUpMonitor() {
    if (!monitor.SetUpMonitor(frameWidth, frameHeight)) {
        notices_.ShowNotice(msg::kTrackingInitFailed, NoticeStyle::Warning);
    }
}

}  // namespace tavelin
