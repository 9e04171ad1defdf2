#include "core/MonitorSettings.h"

#include "core/FrameFormat.h"

namespace tavelin {

MonitorChoices ChoicesFromMode(std::uint8_t mode) {
    return {ModeHasZoom(mode), ModeHasTracking(mode), ModeHasDetection(mode)};
}

namespace {

// The indicator, the blink timer and the switch follow the resulting monitorOn. The
// blink timer also serves a running recording, so it is left alone then.
void SetRestState(MonitorSettingsPlan& plan, bool recording) {
    plan.indicator = IndicatorAction::Hide;
    plan.blinkTimer = recording ? TimerAction::Keep : TimerAction::Stop;
    plan.clearSwitchCheck = true;
}

}  // namespace

MonitorSettingsPlan PlanAcceptedSettings(std::uint8_t mode, bool noAudioDevice, bool recording,
                                         bool recordOnMotion) {
    MonitorSettingsPlan plan;
    plan.resetMonitor = true;
    if (ModeHasZoom(mode) || recordOnMotion)
        plan.monitorOn = true;
    if (ModeHasDetection(mode)) {
        // Without a sound device the detection cannot raise its alarm; it still runs when
        // another function switches the monitor on.
        if (noAudioDevice) {
            plan.showNoAudioNotice = true;
        } else {
            plan.resetZoomDivider = true;
            plan.monitorOn = true;
        }
    }
    if (ModeHasTracking(mode)) {
        plan.resetZoomDivider = true;
        plan.monitorOn = true;
    }
    if (plan.monitorOn) {
        plan.indicator = IndicatorAction::Show;
        plan.blinkTimer = recording ? TimerAction::Keep : TimerAction::Start;
        plan.switchFaces = SwitchFaces::Running;
    } else {
        SetRestState(plan, recording);
        plan.switchFaces = SwitchFaces::Idle;
    }
    return plan;
}

MonitorSettingsPlan PlanCancelledSettings(bool monitorOn, bool recording) {
    MonitorSettingsPlan plan;
    plan.monitorOn = monitorOn;
    if (!monitorOn)
        SetRestState(plan, recording);
    return plan;
}

}  // namespace tavelin
