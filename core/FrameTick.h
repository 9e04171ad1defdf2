#pragma once
// The pulse of the application: the frame step (timer 1, every 50 ms) takes the camera's
// newest frame when one has come, enlarges it or runs the monitor functions on it, draws
// the overlays, shows it, writes the pictures that were asked for, and rebuilds the
// camera graph when the camera is lost; the blink step (timer 3, every 618 ms) flashes
// the lights. It also owns the capture size change, which swaps the buffers the frame
// step uses.
//
// Nothing waits: the pauses of the busy sequence (a size change, a lost camera, a pause
// asked for around a dialog) run on the settle timer, and the frame step goes on while
// a message is up.
//
// Everything runs on the window thread. The window is reached only through the
// small interfaces passed in, so tests drive the tick with fakes.

#include <cstdint>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/FramePicture.h"
#include "core/FrameSource.h"
#include "core/FrameTickHost.h"
#include "core/MonitorCore.h"
#include "core/NoticeSink.h"
#include "core/Overlays.h"
#include "core/SessionEvents.h"
#include "core/SessionSettings.h"
#include "core/ZeroedBytes.h"

namespace tavelin {

class CFrameTick {
public:
    // The pauses of the busy sequence.
    static constexpr int kSizeSettleMs = 250;
    static constexpr int kLossSettleMs = 200;
    static constexpr int kPauseMs = 250;

    // `settings`: the user's choices it follows (monitor mode, alarm sound, still folder,
    // timer-shot interval); the caller keeps them alive and current.
    CFrameTick(IFrameSource& source, IFrameTickHost& host, ITickRecording& recording,
               INoticeSink& notices, const IClock& clock, IAlarm* alarm,
               const SessionSettings& settings, CEventStream& events);

    // Timer 1.
    void FrameStep();
    // Timer 3.
    void BlinkStep();
    // The settle timer: the pause is over, what waited for it goes on.
    void SettleStep();

    // A size button: takes the row of the capture size table and, after the pause,
    // rebuilds the graph. False for a row that does not exist.
    bool SelectCaptureSize(int sizeIndex);
    // Resizes display and buffers and rebuilds the graph at the camera size, at once; on
    // success timer 1 runs. On failure the tick stays idle (busy set).
    bool ChangeCaptureSize(bool enlargeFrames, int cameraWidth, int cameraHeight);
    // A recording at an enlarged size: the camera's own 640 x 480 instead. False when the
    // size was not enlarged.
    bool FallBackToRecordingSize();
    // Holds the frame step off for `settleMs` after a change of the display.
    void HoldFor(int settleMs);
    // A pause is pending: commands that change the graph wait until it is over.
    bool settling() const { return settle_ != Settle::None; }
    // Prepares the detector and zoom buffer for the shown size (or frees them).
    void SetUpMonitor();
    // The buffers for the shown size, or none (the program ends).
    void AllocateDisplay();
    void ReleaseDisplay() { enlargedFrame_.clear(); }

    // ---- what the session changes ----
    void SetBusy(bool on) { busy_ = on; }
    void SetPauseRequest(bool on) { pauseRequest_ = on; }
    void SetShowDateTime(bool on) { showDateTime_ = on; }
    void SetSnapshotRequest(bool on) { fixedShotRequest_ = on; }
    void SetSnapshotPath(std::string path) { fixedShotPath_ = std::move(path); }
    // The countdown shot writes `path` when it ends; Cancel stops it.
    void StartCountdown(std::string path);
    void CancelCountdown();
    void SetMonitorIndicator(bool on) { monitorIndicator_ = on; }
    void SetBlink(bool on) { blink_ = on; }
    void SetOverlayPictures(OverlayPicture cameraIcon, OverlayPicture badge);
    // The monitor put back to rest, then switched on or off for the shown size; the zoom
    // scan starts from its first step with `restartZoom`.
    void ResetMonitor(bool on, bool restartZoom);
    void RestartZoom() { monitor_.zoomDivider = 0; }
    // Motion at the alarm's level is measured whether or not the alarm is on.
    void SetWatchMotion(bool on) { monitor_.watchMotion = on; }
    void ReleaseMonitor() { monitor_.Release(); }
    // For tests that set up a monitor state directly.
    CMonitorCore& monitorForTest() { return monitor_; }

    // ---- state ----
    int frameWidth() const { return frameWidth_; }
    int frameHeight() const { return frameHeight_; }
    int sizeIndex() const { return sizeIndex_; }
    bool enlarge() const { return enlarge_; }
    // Shown size; empty when none. Resident only at the enlarged sizes, the only ones
    // that write it.
    const CZeroedBytes& enlargedFrame() const { return enlargedFrame_; }
    // Guards: busy stops the tick; pauseRequest asks the next tick for one pause.
    bool busy() const { return busy_; }
    bool pauseRequest() const { return pauseRequest_; }
    bool showDateTime() const { return showDateTime_; }
    bool snapshotPending() const { return fixedShotRequest_; }
    const std::string& snapshotPath() const { return fixedShotPath_; }
    bool timedShotActive() const { return timedShotActive_; }
    float timedShotElapsed() const { return timedShotElapsed_; }
    const std::string& timedShotPath() const { return timedShotPath_; }
    bool monitorIndicator() const { return monitorIndicator_; }
    bool blink() const { return blink_; }
    const CMonitorCore& monitor() const { return monitor_; }
    // Frames shown since start-up: the measure of whether the tick keeps up.
    std::uint64_t framesShown() const { return framesShown_; }

    // Pictures kept for others: the next frame that shows motion at the alarm's level
    // (CatchMotionPicture), and the next frame shown (CatchNextPicture). Each is one copy
    // when asked, never one a frame.
    void CatchMotionPicture() { catchMotion_ = true; }
    void CatchNextPicture() { catchNext_ = true; }
    const FramePicture& motionPicture() const { return motionPicture_; }
    // The picture CatchNextPicture asked for, once a frame has been shown; false before.
    bool TakeNextPicture(FramePicture& picture);

private:
    enum class Settle {
        None,
        ChangeSize,  // a size button: the graph is built at the new size
        AfterLoss,   // the camera was lost: the graph is built again
        EndHold,     // a display change: the frame step goes on
        EndPause,    // a pause asked for: the frame step goes on
        EndBlinkPause,
    };

    // The frame to work on this tick, or null when the camera gave nothing usable.
    std::uint8_t* TakePicture();
    void WriteRequestedPictures(const std::uint8_t* picture);
    void DeviceLostRecovery();
    void RebuildAfterLoss();
    void Pause(bool fromBlinkStep);
    // Busy, timer 1 off and the wait cursor, then `settle` after `ms`.
    void BeginSettle(Settle settle, int ms);
    // Busy cleared, the starting cursor, timer 1 running.
    void Resume();
    void PublishStill(const std::string& path);

    IFrameSource& source_;
    IFrameTickHost& host_;
    ITickRecording& recording_;
    INoticeSink& notices_;
    const IClock& clock_;
    IAlarm* alarm_;
    const SessionSettings& settings_;
    CEventStream& events_;

    int frameWidth_ = 320;
    int frameHeight_ = 240;
    int sizeIndex_ = 0;
    bool enlarge_ = false;
    CZeroedBytes enlargedFrame_;

    bool busy_ = false;
    bool pauseRequest_ = false;
    Settle settle_ = Settle::None;
    // A size change that waits for its pause.
    bool pendingEnlarge_ = false;
    int pendingWidth_ = 0;
    int pendingHeight_ = 0;
    // What the lost graph said, for the message after the rebuild.
    std::string lostFileCause_;
    bool lostCameraStopped_ = false;

    bool showDateTime_ = false;
    bool fixedShotRequest_ = false;
    std::string fixedShotPath_;  // private temporary file of the snapshot
    bool timedShotActive_ = false;
    std::uint32_t timedShotStart_ = 0;
    float timedShotElapsed_ = 0.0f;
    std::string timedShotPath_;

    bool monitorIndicator_ = false;
    bool blink_ = false;
    std::uint64_t framesShown_ = 0;

    bool catchMotion_ = false;
    bool catchNext_ = false;
    bool nextCaught_ = false;
    FramePicture motionPicture_;
    FramePicture nextPicture_;

    CMonitorCore monitor_;
    OverlayPicture badgePicture_;
    OverlayPicture cameraIcon_;
};

}  // namespace tavelin
