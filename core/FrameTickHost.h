#pragma once
// What the frame tick and the recorder ask of the window around them: its timers,
// cursor and pauses, the display surface, and what the user sees of a recording. The
// calls say what they mean; which control shows it is the window's business.

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

    // The blinking lights: lit or dark (each shows only while its function runs).
    virtual void LightRecordLight(bool lit) = 0;
    virtual void LightMonitorLight(bool lit) = 0;
    // The recorder's state text ("Run recorder" / "Stop recorder") and whether it responds.
    virtual void SetRecorderText(const std::string& text) = 0;
    virtual void EnableRecorderText(bool enabled) = 0;
    // The choice between the inside and the outside display.
    virtual void EnableDisplayChoice(bool enabled) = 0;
};

// The rule for the window's controls around a recording (the session carries it).
class IRecordingControls {
public:
    virtual ~IRecordingControls() = default;
    // Gives the controls back after a recording ended (or takes them while one runs).
    virtual void SetRecordingControls(bool enable) = 0;
};

}  // namespace tavelin
