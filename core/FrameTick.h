#pragma once
// The pulse of the application: the frame step (timer 1, every 50 ms) fetches a
// camera frame, enlarges it or runs the monitor functions on it, draws the overlays,
// shows it, writes the pictures that were asked for, and rebuilds the camera graph
// when the camera is lost; the blink step (timer 3, every 618 ms) flashes the lights.
// It also owns the capture size change, which swaps the buffers the frame step uses.
//
// Everything runs on the window thread. The window is reached only through the
// small interfaces passed in, so tests drive the tick with fakes.

#include <cstdint>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/FrameSource.h"
#include "core/FrameTickHost.h"
#include "core/MonitorCore.h"
#include "core/NoticeSink.h"
#include "core/Overlays.h"
#include "core/SessionSettings.h"
#include "core/ZeroedBytes.h"

namespace tavelin {

class CFrameTick {
public:
    // `settings`: the user's choices it follows (monitor mode, alarm sound, still folder,
    // timer-shot interval); the caller keeps them alive and current.
    CFrameTick(IFrameSource& source, IFrameTickHost& host, IRecordingControls& controls,
               INoticeSink& notices, const IClock& clock, IAlarm* alarm,
               const SessionSettings& settings);

    // Timer 1.
    void FrameStep();
    // Timer 3.
    void BlinkStep();

    // A size button: takes the row of the capture size table and rebuilds the graph.
    bool SelectCaptureSize(int sizeIndex);
    // Stops the preview, resizes display and buffers, rebuilds the graph at the camera
    // size; on success restarts timer 1. On failure the tick stays idle (busy set).
    bool ChangeCaptureSize(bool enlargeFrames, int cameraWidth, int cameraHeight);
    // Prepares the detector and zoom buffer for the shown size (or frees them).
    void SetUpMonitor();

    // Shown size and capture size choice.
    int frameWidth = 320;
    int frameHeight = 240;
    int sizeIndex = 0;
    bool enlarge = false;
    // Shown size; empty when none. Resident only at the enlarged sizes, the only ones
    // that write it.
    CZeroedBytes enlargedFrame;

    // Guards: busy stops the tick; pauseRequest asks the next tick for one pause.
    bool busy = false;
    bool pauseRequest = false;
    bool recording = false;

    // Overlays and requested pictures.
    bool showDateTime = false;
    bool fixedShotRequest = false;
    std::string fixedShotPath;  // private temporary file of the snapshot
    bool timedShotActive = false;
    std::uint32_t timedShotStart = 0;
    float timedShotElapsed = 0.0f;
    std::string timedShotPath;

    // Lights.
    bool monitorIndicator = false;
    bool blink = false;

    // Frames shown since start-up: the measure of whether the tick keeps up.
    std::uint64_t framesShown = 0;

    CMonitorCore monitor;
    OverlayPicture badgePicture;
    OverlayPicture cameraIcon;

private:
    // The frame to work on this tick, or null when the camera gave nothing usable.
    std::uint8_t* TakePicture();
    void WriteRequestedPictures(const std::uint8_t* picture);
    void DeviceLostRecovery();
    // A recording the graph lost: tells the user and gives the controls back.
    void EndAbortedRecording(const std::string& message);
    void Pause(bool fromBlinkStep);

    IFrameSource& source_;
    IFrameTickHost& host_;
    IRecordingControls& controls_;
    INoticeSink& notices_;
    const IClock& clock_;
    IAlarm* alarm_;
    const SessionSettings& settings_;
};

}  // namespace tavelin
