#include "core/MonitorCore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "core/FrameFormat.h"
#include "tests/support/LogLines.h"

namespace tavelin {
namespace {

using Frame = std::vector<std::uint8_t>;

class FakeAlarm : public IAlarm {
public:
    void PlayAlarm(const std::string& path) override { played.push_back(path); }
    std::vector<std::string> played;
};

Frame Filled(int w, int h, std::uint8_t v) {
    return Frame(FrameBytes(w, h), v);
}

// `base` with a bright block of cw x ch pixels at (5, 5), inside the first grid
// cell. Its outline record spans cw + 1 columns and ch + 1 rows (the dilation
// grows it by one pixel on every side).
Frame WithBlock(const Frame& base, int w, int cw, int ch) {
    Frame f = base;
    for (int y = 5; y < 5 + ch; ++y) {
        std::memset(f.data() + (static_cast<std::size_t>(y) * w + 5) * 3, 250,
                    static_cast<std::size_t>(cw) * 3);
    }
    return f;
}

class MonitorTest : public ::testing::Test {
protected:
    static constexpr int kW = 320, kH = 240;
    void SetUp() override {
        core.monitorOn = true;
        ASSERT_TRUE(core.SetUpMonitor(kW, kH));
        core.trackHoldoff = CMonitorCore::kTrackHoldoff;  // as applying the settings does
    }
    void Step(const Frame& f, std::uint8_t mode) {
        core.MonitorStep(f.data(), f.size(), mode, kW, kH, &alarm, "alarm.wav");
    }

    CMonitorCore core;
    FakeAlarm alarm;
    Frame base = Filled(kW, kH, 100);
};

// changed block width, height; alarm expected; object expected
using Thresholds = std::tuple<int, int, bool, bool>;
class MonitorThresholds : public MonitorTest, public ::testing::WithParamInterface<Thresholds> {};

TEST_P(MonitorThresholds, AlarmAndObjectLimitsAreStrict) {
    const auto [cw, ch, alarmed, counted] = GetParam();
    Step(base, 7);  // primes the detector
    EXPECT_EQ(core.objectCount, 0);
    Step(WithBlock(base, kW, cw, ch), 7);
    EXPECT_EQ(alarm.played.size(), alarmed ? 1u : 0u);
    EXPECT_EQ(core.objectCount, counted ? 1 : 0);
    EXPECT_EQ(core.motionShotPending, counted);
    if (alarmed) {
        EXPECT_EQ(alarm.played[0], "alarm.wav");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Records, MonitorThresholds,
    ::testing::Values(Thresholds{15, 1, true, false},    // 17 x 3 box: width diff 16
                      Thresholds{14, 10, false, false},  // 16 x 12: diffs 15 and 11
                      Thresholds{1, 11, true, false},    // height diff 12
                      Thresholds{20, 1, true, true},     // width diff 21
                      Thresholds{19, 14, true, false},   // 20 and 15: no object
                      Thresholds{19, 15, true, true}));  // height diff 16

TEST_F(MonitorTest, DetectionAloneNeverCountsAndTrackingAloneNeverSounds) {
    const Frame moved = WithBlock(base, kW, 30, 20);
    Step(base, 3);
    Step(moved, 3);
    EXPECT_EQ(alarm.played.size(), 1u);
    EXPECT_EQ(core.objectCount, 0);

    ASSERT_TRUE(core.SetUpMonitor(kW, kH));
    core.trackHoldoff = CMonitorCore::kTrackHoldoff;
    Step(base, 4);
    Step(moved, 4);
    EXPECT_EQ(alarm.played.size(), 1u);
    EXPECT_EQ(core.objectCount, 1);
}

TEST_F(MonitorTest, HoldOffSkips35FramesAndTheDetectorSeesNoneOfThem) {
    const Frame moved = WithBlock(base, kW, 30, 20);
    Step(moved, 4);  // evaluated at once, but only primes the detector
    EXPECT_EQ(core.objectCount, 0);
    EXPECT_EQ(core.trackHoldoff, 35u);
    Step(base, 4);
    EXPECT_EQ(core.objectCount, 1);
    EXPECT_EQ(core.trackHoldoff, 0u);
    core.motionShotPending = false;

    for (int i = 0; i < 35; ++i)
        Step(i % 2 ? base : moved, 4);
    EXPECT_EQ(core.objectCount, 1);
    EXPECT_FALSE(core.motionShotPending);
    // The 36th is compared with the last evaluated frame (base), not the 35th.
    Step(base, 4);
    EXPECT_EQ(core.objectCount, 1);
    Step(moved, 4);
    EXPECT_EQ(core.objectCount, 2);
    EXPECT_TRUE(core.motionShotPending);
}

TEST_F(MonitorTest, FramesOfAnotherSizeAndUnknownModesChangeNothing) {
    const Frame moved = WithBlock(base, kW, 30, 20);
    Step(base, 9);
    const auto holdoff = core.trackHoldoff;
    const Frame zoom = core.zoomFrame;
    const Frame small = Filled(kW, kH - 1, 7);
    core.MonitorStep(small.data(), small.size(), 9, kW, kH, &alarm, "a");
    core.MonitorStep(nullptr, base.size(), 9, kW, kH, &alarm, "a");
    core.MonitorStep(moved.data(), moved.size(), 9, kW, kH - 1, &alarm, "a");
    for (const std::uint8_t mode : {0, 1, 8, 255})
        Step(moved, mode);
    EXPECT_EQ(core.trackHoldoff, holdoff);
    EXPECT_EQ(core.zoomFrame, zoom);
    EXPECT_TRUE(alarm.played.empty());
    // The detector was not fed either: the next frame is still compared with base.
    Step(moved, 3);
    EXPECT_EQ(alarm.played.size(), 1u);
    // A frame size the detector was not set up for finds no (old) records.
    const Frame large = Filled(2 * kW, 2 * kH, 100);
    core.MonitorStep(large.data(), large.size(), 7, 2 * kW, 2 * kH, &alarm, "a");
    EXPECT_EQ(alarm.played.size(), 1u);
    EXPECT_EQ(core.objectCount, 0);
}

struct ZoomCase {
    int w, h;
    std::uint8_t mode;
    int framesPerAdvance;
    std::uint32_t step;
};

class ZoomScan : public ::testing::TestWithParam<ZoomCase> {};

TEST_P(ZoomScan, OneCycleIs215Advances) {
    const ZoomCase c = GetParam();
    CMonitorCore core;
    core.monitorOn = true;
    ASSERT_TRUE(core.SetUpMonitor(c.w, c.h));
    Frame src(FrameBytes(c.w, c.h));
    for (std::size_t i = 0; i < src.size(); ++i)
        src[i] = static_cast<std::uint8_t>(i * 7 + i / 999);
    core.MonitorStep(src.data(), src.size(), c.mode, c.w, c.h, nullptr, "");
    EXPECT_EQ(core.zoomFrame, src);  // the first zoom picture is the frame itself
    EXPECT_EQ(core.panStep, c.step);

    const Frame sentinel(src.size(), 0xAB);
    const auto state = [&] {
        return std::make_tuple(core.zoomPercent, core.panX, core.panY, core.panBack, core.zoomBack);
    };
    int advances = 0, shows = 0, frames = 0;
    std::uint32_t maxX = 0, maxY = 0, minPercent = 100;
    bool sawFarCorner = false;
    while (advances < 215) {
        const auto before = state();
        core.zoomFrame = sentinel;
        core.MonitorStep(src.data(), src.size(), c.mode, c.w, c.h, nullptr, "");
        ++frames;
        const bool advanced = state() != before;
        const bool shown = core.zoomFrame != sentinel;
        ASSERT_EQ(advanced, frames % c.framesPerAdvance == 0) << "frame " << frames;
        ASSERT_TRUE(advanced || !shown);
        if (!advanced)
            continue;
        ++advances;
        shows += shown;
        // The turns and the reset only change state.
        const bool turn =
            core.panBack != std::get<3>(before) || core.zoomBack != std::get<4>(before);
        EXPECT_EQ(shown, !turn) << "advance " << advances;
        maxX = std::max(maxX, core.panX);
        maxY = std::max(maxY, core.panY);
        minPercent = std::min(minPercent, core.zoomPercent);
        if (advances == 50) {
            EXPECT_EQ(core.zoomPercent, 50u);
        }
        if (shown && core.panX == c.w / 2u && core.panY == c.h / 2u && !sawFarCorner) {
            sawFarCorner = true;
            Frame expected(src.size());
            reference::ScaleView(src.data(), expected.data(), c.w, c.h, 50, core.panX, core.panY);
            EXPECT_EQ(core.zoomFrame, expected);
        }
    }
    // Back at the start, and the next advance zooms in again.
    EXPECT_EQ(state(), std::make_tuple(100u, 0u, 0u, false, false));
    for (int i = 0; i < c.framesPerAdvance; ++i) {
        core.MonitorStep(src.data(), src.size(), c.mode, c.w, c.h, nullptr, "");
    }
    EXPECT_EQ(core.zoomPercent, 99u);
    EXPECT_EQ(shows, 212);
    EXPECT_EQ(maxX, c.w / 2u);
    EXPECT_EQ(maxY, c.h / 2u);
    EXPECT_EQ(minPercent, 50u);
    EXPECT_TRUE(sawFarCorner);
}

INSTANTIATE_TEST_SUITE_P(Modes, ZoomScan,
                         ::testing::Values(ZoomCase{320, 240, 2, 2, 5},
                                           ZoomCase{640, 480, 2, 2, 10},
                                           ZoomCase{320, 240, 5, 1, 5},
                                           ZoomCase{320, 240, 9, 1, 5}));

TEST(MonitorSetUp, PreparesFreesOrLeavesAlone) {
    CMonitorCore core;
    core.monitorOn = true;
    core.zoomReady = true;
    ASSERT_TRUE(core.SetUpMonitor(320, 240));
    EXPECT_EQ(core.zoomFrame, Frame(FrameBytes(320, 240), 0));
    EXPECT_FALSE(core.zoomReady);
    EXPECT_TRUE(core.detector.initialised());
    EXPECT_EQ(core.detector.width(), 320);

    // The large sizes get nothing new and keep what there is.
    EXPECT_TRUE(core.SetUpMonitor(800, 600));
    EXPECT_EQ(core.zoomFrame.size(), FrameBytes(320, 240));
    EXPECT_EQ(core.detector.width(), 320);

    core.monitorOn = false;
    EXPECT_TRUE(core.SetUpMonitor(640, 480));
    EXPECT_TRUE(core.zoomFrame.empty());
    EXPECT_EQ(core.zoomFrame.capacity(), 0u);
    EXPECT_FALSE(core.detector.initialised());
    EXPECT_EQ(core.detector.previousGrey(), nullptr);

    core.monitorOn = true;
    testing::LogLines log;
    EXPECT_FALSE(core.SetUpMonitor(320, -1));
    EXPECT_FALSE(core.detector.initialised());
    EXPECT_TRUE(log.Has(LogArea::Monitor, LogLevel::Warning,
                        {"motion detector cannot be set up for 320x-1", "no such size"}));
}

}  // namespace
}  // namespace tavelin
