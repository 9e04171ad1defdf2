#pragma once
// The monitor functions run on each camera frame: motion detection with an
// alarm sound, object tracking (count, motion still request) and the zoom scan.
// The main window owns one instance; the frame step calls MonitorStep.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/MotionDetector.h"

namespace tavelin {

// Plays the alarm sound. Must not interrupt a sound that is still playing and
// stays silent when the file cannot be played.
class IAlarm {
public:
    virtual ~IAlarm() = default;
    virtual void PlayAlarm(const std::string& path) = 0;
};

class CMonitorCore {
public:
    // A record sets off the alarm, or counts as an object, when its width
    // (lastCol - firstCol) or its height (lastRow - firstRow) exceeds the limit.
    static constexpr std::uint32_t kAlarmMinWidth = 15;
    static constexpr std::uint32_t kAlarmMinHeight = 11;
    static constexpr std::uint32_t kObjectMinWidth = 20;
    static constexpr std::uint32_t kObjectMinHeight = 15;
    // Frames skipped after a counted object; applying the settings starts here.
    static constexpr std::uint32_t kTrackHoldoff = 35;
    // Widths above this get no monitor buffers (the monitor does not run there).
    static constexpr int kMaxSetUpWidth = 680;

    bool monitorOn = false;
    // Record on motion asks for the alarm's condition on every frame, whatever the mode.
    // Without the alarm function a second detector makes that comparison, so the tracking
    // and the scan keep their own pace. Takes effect at SetUpMonitor.
    bool watchMotion = false;
    // The last step compared its frame with the one before and found a change at the
    // alarm's level (the alarm function on or not; watchMotion or the alarm function on).
    bool motionAtAlarmLevel = false;
    std::uint32_t trackHoldoff = 0;
    bool zoomReady = false;
    std::uint32_t zoomDivider = 0;
    std::int32_t objectCount = 0;
    bool motionShotPending = false;
    std::vector<std::uint8_t> zoomFrame;  // empty: none
    CMotionDetector detector;
    CMotionDetector motionWatch;  // set up only with watchMotion

    // Zoom scan state.
    std::uint32_t zoomPercent = 100;  // share of the frame shown
    std::uint32_t panX = 0;           // left column of the shown window
    std::uint32_t panY = 0;           // bottom row of the shown window
    bool panBack = false;
    bool zoomBack = false;
    std::uint8_t panStep = 10;

    // Runs the functions of `mode` on one frame of frameWidth x frameHeight BGR
    // pixels. A null source or one of another byte count is skipped whole.
    // `alarm` may be null (no sound).
    void MonitorStep(const std::uint8_t* source, std::size_t sourceBytes, std::uint8_t mode,
                     int frameWidth, int frameHeight, IAlarm* alarm,
                     const std::string& alarmSoundPath);

    // Prepares the detector and the zoom buffer (and the second detector with
    // watchMotion) for the shown size (monitor on) or frees them (monitor off); widths
    // above kMaxSetUpWidth are left alone. False exactly when a detector could not be
    // set up; the detectors are released then.
    bool SetUpMonitor(int frameWidth, int frameHeight);

    // Frees the detectors' planes and the zoom buffer.
    void Release();

private:
    void ZoomStage(const std::uint8_t* source, std::size_t sourceBytes, int frameWidth,
                   int frameHeight);
    // One step of the scan; `source` is null when the picture cannot be drawn
    // (buffers not set up for this size), which still moves the scan on.
    void AdvanceZoom(const std::uint8_t* source, int frameWidth, int frameHeight);
    static bool AnyRecordExceeds(const CMotionDetector& source, std::uint32_t maxWidth,
                                 std::uint32_t maxHeight);
};

}  // namespace tavelin
