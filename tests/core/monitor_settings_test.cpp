#include "core/MonitorSettings.h"

#include <gtest/gtest.h>

#include "core/FrameFormat.h"

namespace tavelin {
namespace {

TEST(MonitorSettingsTest, EveryCombinationSurvivesTheModeCode) {
    for (int bits = 0; bits < 8; ++bits) {
        const MonitorChoices c{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
        EXPECT_EQ(ChoicesFromMode(ModeFromChoices(c.scan, c.still, c.alarm)), c) << bits;
    }
    EXPECT_EQ(ChoicesFromMode(kModeUnset), MonitorChoices{});
}

TEST(MonitorSettingsTest, AcceptedModeSwitchesTheMonitorAndItsSigns) {
    struct Case {
        std::uint8_t mode;
        bool noAudio, recording, on, notice, zoomReset;
    };
    for (const Case& c : {
             Case{0, false, false, false, false, false},
             Case{2, true, true, true, false, false},
             Case{3, false, false, true, false, true},
             Case{3, true, false, false, true, false},  // the alarm alone needs a sound device
             Case{4, true, false, true, false, true},
             Case{5, true, false, true, true, false},  // the scan still switches it on
             Case{7, true, true, true, true, true},    // tracking resets the divider anyway
             Case{9, false, false, true, false, true},
         }) {
        const MonitorSettingsPlan p = PlanAcceptedSettings(c.mode, c.noAudio, c.recording);
        SCOPED_TRACE(::testing::Message() << "mode " << int(c.mode) << " noAudio " << c.noAudio);
        EXPECT_TRUE(p.resetMonitor);
        EXPECT_EQ(p.monitorOn, c.on);
        EXPECT_EQ(p.showNoAudioNotice, c.notice);
        EXPECT_EQ(p.resetZoomDivider, c.zoomReset);
        EXPECT_EQ(p.indicator, c.on ? IndicatorAction::Show : IndicatorAction::Hide);
        EXPECT_EQ(p.switchFaces, c.on ? SwitchFaces::Running : SwitchFaces::Idle);
        EXPECT_EQ(p.clearSwitchCheck, !c.on);
        // The blink timer also serves a running recording.
        EXPECT_EQ(p.blinkTimer, c.recording ? TimerAction::Keep
                                            : (c.on ? TimerAction::Start : TimerAction::Stop));
    }
}

// Record on motion is a function of its own: it switches the monitor on without any
// of the three, and leaves their rules as they are.
TEST(MonitorSettingsTest, RecordOnMotionSwitchesTheMonitorOnByItself) {
    struct Case {
        std::uint8_t mode;
        bool noAudio, notice, zoomReset;
    };
    for (const Case& c : {Case{0, false, false, false}, Case{kModeUnset, false, false, false},
                          Case{3, true, true, false}, Case{4, false, false, true}}) {
        SCOPED_TRACE(int(c.mode));
        const MonitorSettingsPlan p = PlanAcceptedSettings(c.mode, c.noAudio, false, true);
        EXPECT_TRUE(p.monitorOn);
        EXPECT_EQ(p.showNoAudioNotice, c.notice);
        EXPECT_EQ(p.resetZoomDivider, c.zoomReset);
        EXPECT_EQ(p.indicator, IndicatorAction::Show);
        EXPECT_EQ(p.switchFaces, SwitchFaces::Running);
        EXPECT_EQ(p.blinkTimer, TimerAction::Start);
    }
}

TEST(MonitorSettingsTest, CancelLeavesARunningMonitorAloneAndRestsAnIdleOne) {
    MonitorSettingsPlan running;
    running.monitorOn = true;
    EXPECT_EQ(PlanCancelledSettings(true, false), running);

    MonitorSettingsPlan idle;
    idle.indicator = IndicatorAction::Hide;
    idle.blinkTimer = TimerAction::Stop;
    idle.clearSwitchCheck = true;  // the faces stay as they are
    EXPECT_EQ(PlanCancelledSettings(false, false), idle);
    idle.blinkTimer = TimerAction::Keep;
    EXPECT_EQ(PlanCancelledSettings(false, true), idle);
}

}  // namespace
}  // namespace tavelin
