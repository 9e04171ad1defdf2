#pragma once
// What the Monitor Settings dialog's result means for the main window: which monitor
// functions a mode code stands for, and what to switch after the dialog closes. Pure
// decisions; the window carries them out.

#include <cstdint>

namespace tavelin {

// The three check boxes of the Monitor Settings dialog.
struct MonitorChoices {
    bool scan = false;   // zoom scan
    bool still = false;  // object tracking with motion stills
    bool alarm = false;  // motion detection with alarm

    friend bool operator==(const MonitorChoices&, const MonitorChoices&) = default;
};

// The boxes a mode code ticks; 0 and the start-up value 255 tick none.
MonitorChoices ChoicesFromMode(std::uint8_t mode);

enum class TimerAction { Keep, Start, Stop };
enum class IndicatorAction { Keep, Show, Hide };
enum class SwitchFaces { Keep, Running, Idle };

// Everything the main window changes once the dialog has closed.
struct MonitorSettingsPlan {
    // motionShotPending and zoomReady cleared, trackHoldoff back to 35, then SetUpMonitor().
    bool resetMonitor = false;
    bool resetZoomDivider = false;   // zoomDivider = 0
    bool showNoAudioNotice = false;  // the "no audio device" warning, before the rest
    bool monitorOn = false;          // the new value of monitorOn
    IndicatorAction indicator = IndicatorAction::Keep;  // monitorIndicator and its light
    TimerAction blinkTimer = TimerAction::Keep;         // timer 3
    SwitchFaces switchFaces = SwitchFaces::Keep;        // the Monitor switch's pictures
    bool clearSwitchCheck = false;                      // the Monitor switch pops up

    friend bool operator==(const MonitorSettingsPlan&, const MonitorSettingsPlan&) = default;
};

// The dialog closed with OK and stored `mode`. Record on motion, kept apart from the
// mode, is a monitor function of its own: it switches the monitor on by itself.
MonitorSettingsPlan PlanAcceptedSettings(std::uint8_t mode, bool noAudioDevice, bool recording,
                                         bool recordOnMotion = false);

// The dialog was cancelled: a running monitor stays as it is; otherwise the switch and
// the light go back to rest (the switch keeps its faces).
MonitorSettingsPlan PlanCancelledSettings(bool monitorOn, bool recording);

}  // namespace tavelin
