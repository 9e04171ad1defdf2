#pragma once
// What the frame tick asks of the window around it: its timers, the cursor and the
// display surface.

#include <cstdint>
#include <string>

namespace tavelin {

enum class CursorShape {
    Normal,
    Wait,      // busy, input is not served
    Starting,  // working in the background, input is served
};

// Timer ids and periods of the main window. The settle timer ends a pause of the busy
// sequence (a single shot: its step stops it).
constexpr int kFrameTimer = 1;
constexpr int kBlinkTimer = 3;
constexpr int kSettleTimer = 4;
constexpr int kFramePeriodMs = 50;
constexpr int kBlinkPeriodMs = 618;

class IFrameTickHost {
public:
    virtual ~IFrameTickHost() = default;

    virtual void StartTimer(int id, int periodMs) = 0;
    virtual void StopTimer(int id) = 0;
    virtual void SetCursor(CursorShape shape) = 0;

    // Paints a shown-size frame on the display surface in use; nothing when there is none.
    virtual void ShowFrame(const std::uint8_t* frame, int width, int height) = 0;
    // Places and sets up the display surface in use for frames of this size.
    virtual void ResizeDisplay(int width, int height) = 0;
};

// What the frame tick needs of the session around it: the blinking lights, and the
// recording's owner when the camera goes.
class ITickRecording {
public:
    virtual ~ITickRecording() = default;
    // The blink step: lights that blink now are lit (or dark).
    virtual void BlinkLights(bool lit) = 0;
    virtual bool recording() const = 0;
    // The graph was torn down: an output and a file went with it.
    virtual void GraphGone() = 0;
    // After a loss, the graph was built again (`cameraBack`) or not: a recording that
    // ran ended, and the user is told why.
    virtual void EndLostRecording(const std::string& fileCause, bool cameraStopped,
                                  bool cameraBack) = 0;
};

}  // namespace tavelin
