#pragma once
// What the frame tick asks of the main window: its timers, cursor, pauses, the
// display surface, and the few controls the tick touches.

#include <cstdint>
#include <string>

namespace tavelin {

enum class CursorShape {
    Normal,
    Wait,      // busy, input is not served
    Starting,  // working in the background, input is served
};

// Timer ids and periods of the main window.
constexpr int kFrameTimer = 1;
constexpr int kBlinkTimer = 3;
constexpr int kFramePeriodMs = 50;
constexpr int kBlinkPeriodMs = 618;

class IFrameTickHost {
public:
    virtual ~IFrameTickHost() = default;

    virtual void StartTimer(int id, int periodMs) = 0;
    virtual void StopTimer(int id) = 0;
    virtual void SetCursor(CursorShape shape) = 0;
    // Blocks the window thread; the pauses are part of the behaviour.
    virtual void Sleep(int milliseconds) = 0;

    // Paints a shown-size frame on the display surface in use; nothing when there is none.
    virtual void ShowFrame(const std::uint8_t* frame, int width, int height) = 0;
    // Places and sets up the display surface in use for frames of this size.
    virtual void ResizeDisplay(int width, int height) = 0;

    virtual void SetControlEnabled(int controlId, bool enabled) = 0;
    virtual void SetRecorderText(const std::string& text) = 0;
    // Gives the controls back after a recording ended (or takes them while one runs).
    virtual void SetRecordingControls(bool enable) = 0;
};

}  // namespace tavelin
