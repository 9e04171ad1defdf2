#include "core/FrameTick.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/FileNames.h"
#include "core/Messages.h"
#include "core/RecordFailure.h"
#include "tests/support/FrameTickFakes.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;
using testing::FakeAlarm;
using testing::FakeCameraGraph;
using testing::FakeClock;
using testing::FakeHost;
using testing::FakeNotices;

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A red ink pixel of the segment font at frame row y, column x.
bool IsInk(const std::vector<std::uint8_t>& frame, int width, int x, int y) {
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return frame[i] == 0 && frame[i + 1] == 0 && frame[i + 2] == 255;
}

bool AnyInkInRows(const std::vector<std::uint8_t>& frame, int width, int firstRow, int lastRow) {
    for (int y = firstRow; y <= lastRow; ++y) {
        for (int x = 0; x < width; ++x) {
            if (IsInk(frame, width, x, y))
                return true;
        }
    }
    return false;
}

class FrameTickTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("frame_tick_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        tick_.SetSnapshotPath((dir_ / "snap.bmp").string());
        tick_.SetOverlayPictures(Picture(38, 26, 0x90), Picture(35, 36, 0x20));
        events_.Subscribe([this](const SessionEvent& e) { events.push_back(e); });
    }
    void TearDown() override { fs::remove_all(dir_); }

    static OverlayPicture Picture(int w, int h, std::uint8_t value) {
        OverlayPicture p;
        p.width = w;
        p.height = h;
        p.pixels.assign(FrameBytes(w, h), value);
        return p;
    }

    // Starts the tick at a size, as a size button and the pause after it do.
    void StartAt(int sizeIndex) {
        ASSERT_TRUE(tick_.SelectCaptureSize(sizeIndex));
        ASSERT_TRUE(host_.TimerRunning(kSettleTimer));
        tick_.SettleStep();
        host_.log.clear();
    }
    // The kinds of the events delivered so far.
    std::vector<SessionEventKind> Delivered() {
        events_.Deliver();
        std::vector<SessionEventKind> kinds;
        for (const SessionEvent& e : events)
            kinds.push_back(e.kind);
        return kinds;
    }

    fs::path dir_;
    FakeCameraGraph source_;
    FakeHost host_;
    testing::FakeTickRecording recording_;
    FakeNotices notices_;
    FakeClock clock_;
    FakeAlarm alarm_;
    SessionSettings settings_;
    CEventStream events_;
    std::vector<SessionEvent> events;
    CFrameTick tick_{source_, host_, recording_, notices_, clock_, &alarm_, settings_, events_};
};

TEST_F(FrameTickTest, SizeChangeBuildsTheCameraSizeAndPreparesShownSizeBuffers) {
    struct Row {
        int index;
        int cameraW, cameraH, shownW, shownH;
        bool enlarge;
    };
    for (const Row& r : {Row{0, 320, 240, 320, 240, false}, Row{1, 320, 240, 320, 240, false},
                         Row{2, 640, 480, 640, 480, false}, Row{3, 800, 600, 800, 600, false},
                         Row{4, 800, 600, 1600, 1200, true}, Row{5, 640, 480, 1280, 960, true}}) {
        SCOPED_TRACE(r.index);
        source_.builds.clear();
        StartAt(r.index);
        EXPECT_EQ(source_.builds, (std::vector<std::pair<int, int>>{{r.cameraW, r.cameraH}}));
        EXPECT_EQ(tick_.frameWidth(), r.shownW);
        EXPECT_EQ(tick_.frameHeight(), r.shownH);
        EXPECT_EQ(tick_.enlarge(), r.enlarge);
        EXPECT_EQ(tick_.sizeIndex(), r.index);
        EXPECT_EQ(tick_.enlargedFrame().size(), FrameBytes(r.shownW, r.shownH));
        EXPECT_FALSE(tick_.busy());
        EXPECT_TRUE(host_.TimerRunning(kFrameTimer));
    }
    EXPECT_FALSE(tick_.SelectCaptureSize(6));
    EXPECT_FALSE(tick_.SelectCaptureSize(-1));
}

// The size button holds the picture under the wait cursor, and the camera is built at
// the new size only when the pause is over; the frame step meanwhile shows nothing.
TEST_F(FrameTickTest, SizeChangeWaitsForThePauseBeforeItBuilds) {
    StartAt(0);
    source_.builds.clear();
    ASSERT_TRUE(tick_.SelectCaptureSize(2));
    EXPECT_TRUE(tick_.busy());
    EXPECT_TRUE(tick_.settling());
    EXPECT_FALSE(host_.TimerRunning(kFrameTimer));
    EXPECT_EQ(host_.cursor, CursorShape::Wait);
    EXPECT_EQ(host_.timers[kSettleTimer], CFrameTick::kSizeSettleMs);
    EXPECT_TRUE(source_.builds.empty());
    tick_.FrameStep();
    EXPECT_EQ(host_.frames, 0) << "a frame of the old size is not shown at the new one";

    tick_.SettleStep();
    EXPECT_FALSE(tick_.settling());
    EXPECT_TRUE(host_.Logged("display 640x480"));
    EXPECT_EQ(source_.builds, (std::vector<std::pair<int, int>>{{640, 480}}));
    EXPECT_EQ(host_.cursor, CursorShape::Starting);
    EXPECT_TRUE(host_.TimerRunning(kFrameTimer));
    EXPECT_FALSE(host_.TimerRunning(kSettleTimer));
    tick_.FrameStep();
    EXPECT_EQ(host_.shownWidth, 640);
}

TEST_F(FrameTickTest, FailedSizeChangeLeavesTheTickIdle) {
    StartAt(0);
    source_.buildResults = {false};
    ASSERT_TRUE(tick_.SelectCaptureSize(2));
    tick_.SettleStep();
    EXPECT_TRUE(tick_.busy());
    EXPECT_FALSE(host_.TimerRunning(kFrameTimer));
    EXPECT_TRUE(tick_.enlargedFrame().empty());
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, msg::kDeviceLost);

    // The next tick finds no frame and stops both timers; a new size brings it back.
    host_.StartTimer(kBlinkTimer, kBlinkPeriodMs);
    tick_.FrameStep();
    EXPECT_EQ(host_.frames, 0);
    EXPECT_FALSE(host_.TimerRunning(kBlinkTimer));
    StartAt(1);
    EXPECT_FALSE(tick_.busy());
    tick_.FrameStep();
    EXPECT_EQ(host_.frames, 1);
}

TEST_F(FrameTickTest, ShowsTheCameraFrameOrItsEnlargement) {
    StartAt(0);
    tick_.FrameStep();
    EXPECT_EQ(host_.frames, 1);
    EXPECT_EQ(host_.shownWidth, 320);
    EXPECT_EQ(host_.shown, source_.buffer());
    EXPECT_EQ(tick_.framesShown(), 1u);

    StartAt(5);  // 1280 x 960 from 640 x 480
    tick_.FrameStep();
    EXPECT_EQ(host_.shownWidth, 1280);
    EXPECT_EQ(host_.shownHeight, 960);
    EXPECT_EQ(host_.shown, std::vector<std::uint8_t>(FrameBytes(1280, 960), 0x40));
}

// A frame is taken only when one has come, and the buffer goes back once it is used.
TEST_F(FrameTickTest, ShowsOnlyFramesThatCameAndGivesTheBufferBack) {
    StartAt(0);
    const int requests = source_.requests;
    source_.noFrames = true;
    tick_.FrameStep();
    EXPECT_EQ(host_.frames, 0);
    EXPECT_EQ(source_.requests, requests) << "the buffer waits for its frame";
    EXPECT_TRUE(host_.TimerRunning(kFrameTimer)) << "nothing waits for the camera";
    source_.noFrames = false;
    tick_.FrameStep();
    EXPECT_EQ(host_.frames, 1);
    EXPECT_EQ(source_.requests, requests + 1);
}

TEST_F(FrameTickTest, FrameOfTheWrongByteCountIsSkipped) {
    StartAt(2);
    for (std::int32_t bytes : {0, 640 * 480 * 3 - 1, 320 * 240 * 3}) {
        source_.SetSampleBytes(bytes);
        tick_.SetSnapshotRequest(true);
        tick_.FrameStep();
        EXPECT_EQ(host_.frames, 0) << bytes;
        EXPECT_TRUE(tick_.snapshotPending()) << "a skipped frame serves no request";
    }
}

TEST_F(FrameTickTest, MonitorRunsOnlyBelow800AndNeverWhileEnlarged) {
    settings_.monitor.monitorMode = kModeTrack;
    tick_.SetShowDateTime(true);
    for (int index : {0, 2, 3, 4, 5}) {
        SCOPED_TRACE(index);
        StartAt(index);
        tick_.monitorForTest().monitorOn = true;
        tick_.monitorForTest().trackHoldoff = 0;
        tick_.FrameStep();
        const int h = tick_.frameHeight();
        // The badge covers columns 18 ... 52 of frame rows h-102 ... h-67.
        const std::size_t badge = (static_cast<std::size_t>(h - 90) * tick_.frameWidth() + 30) * 3;
        const bool monitorRan = tick_.frameWidth() < 800;
        EXPECT_EQ(host_.shown[badge] == 0x20, monitorRan);
        EXPECT_EQ(tick_.monitor().trackHoldoff != 0, monitorRan);
        // The date and time are drawn at every size.
        EXPECT_TRUE(AnyInkInRows(host_.shown, tick_.frameWidth(), h - 32, h - 16));
    }
}

TEST_F(FrameTickTest, ModesWithoutTrackingDrawNoBadge) {
    for (std::uint8_t mode : {kModeDetect, std::uint8_t{5}}) {
        settings_.monitor.monitorMode = mode;
        StartAt(0);
        tick_.monitorForTest().monitorOn = true;
        tick_.FrameStep();
        const std::size_t badge = (static_cast<std::size_t>(240 - 90) * 320 + 30) * 3;
        EXPECT_NE(host_.shown[badge], 0x20) << int(mode);
    }
}

TEST(MotionStillPathTest, TakesTheDirectoryOfTheChosenPathAndTheTimeOfDay) {
    std::tm t{};
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    EXPECT_EQ(MotionStillPath("/home/u/cam/x.bmp", t), "/home/u/cam/MOTION[09-05-03].bmp");
    EXPECT_EQ(MotionStillPath("x.bmp", t), "/MOTION[09-05-03].bmp");
    EXPECT_EQ(MotionStillPath("", t), "/MOTION[09-05-03].bmp");
}

TEST_F(FrameTickTest, PendingMotionStillIsWrittenOnceUnderItsTimeName) {
    settings_.monitor.monitorMode = kModeTrack;
    settings_.monitor.motionShotPath = (dir_ / "chosen.bmp").string();
    StartAt(0);
    tick_.monitorForTest().monitorOn = true;
    tick_.monitorForTest().motionShotPending = true;
    tick_.monitorForTest().trackHoldoff = 0;  // nothing is counted on this frame
    tick_.FrameStep();
    EXPECT_FALSE(tick_.monitor().motionShotPending);
    const fs::path still = dir_ / "MOTION[14-05-09].bmp";
    ASSERT_TRUE(fs::exists(still));
    const auto bytes = ReadFile(still.string());
    ASSERT_EQ(bytes.size(), 54 + FrameBytes(320, 240));
    // The still holds the picture as shown, badge included.
    EXPECT_TRUE(std::equal(host_.shown.begin(), host_.shown.end(), bytes.begin() + 54));
    EXPECT_EQ(Delivered(), std::vector<SessionEventKind>{SessionEventKind::StillSaved});
    EXPECT_EQ(events[0].path, still.string());
}

TEST_F(FrameTickTest, FixedShotWritesTheShownPictureOnceWithItsOverlays) {
    StartAt(0);
    tick_.SetShowDateTime(true);
    tick_.SetSnapshotRequest(true);
    tick_.FrameStep();
    EXPECT_FALSE(tick_.snapshotPending());
    auto bytes = ReadFile(tick_.snapshotPath());
    ASSERT_EQ(bytes.size(), 54 + FrameBytes(320, 240));
    EXPECT_TRUE(std::equal(host_.shown.begin(), host_.shown.end(), bytes.begin() + 54));

    fs::remove(tick_.snapshotPath());
    tick_.FrameStep();
    EXPECT_FALSE(fs::exists(tick_.snapshotPath()));
}

TEST_F(FrameTickTest, TimedShotFiresAtTheFirstTickAtOrPastTheInterval) {
    settings_.timerShot.timerSeconds = 5;
    StartAt(0);
    const std::string path = (dir_ / "TimerCap.bmp").string();
    const std::uint32_t start = 1000000;
    clock_.tick = start;
    tick_.StartCountdown(path);

    for (std::uint32_t ms : {0u, 2400u, 4999u}) {
        clock_.tick = start + ms;
        tick_.FrameStep();
        EXPECT_TRUE(tick_.timedShotActive()) << ms;
        EXPECT_FLOAT_EQ(tick_.timedShotElapsed(), static_cast<float>(ms * 0.001));
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(notices_.shown.empty());

    clock_.tick = start + 5000;
    tick_.FrameStep();
    EXPECT_FALSE(tick_.timedShotActive());
    EXPECT_EQ(tick_.timedShotElapsed(), 0.0f);
    ASSERT_TRUE(fs::exists(path));
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first,
              std::string("Finish to timer shot.Save Image To :\n") + path);
    EXPECT_EQ(Delivered(), std::vector<SessionEventKind>{SessionEventKind::StillSaved});
    // The picture goes on while the message is up.
    EXPECT_TRUE(host_.TimerRunning(kFrameTimer));
    EXPECT_FALSE(tick_.busy());
    tick_.FrameStep();
    EXPECT_EQ(tick_.framesShown(), 5u);
}

TEST_F(FrameTickTest, TimedShotElapsedSurvivesTheTickCounterWrapping) {
    settings_.timerShot.timerSeconds = 2;
    StartAt(0);
    clock_.tick = 0xFFFFFF00u;
    tick_.StartCountdown((dir_ / "t.bmp").string());
    clock_.tick = 0x00000100u;  // 512 ms later, after the wrap
    tick_.FrameStep();
    EXPECT_FLOAT_EQ(tick_.timedShotElapsed(), 0.512f);
    EXPECT_TRUE(tick_.timedShotActive());
}

TEST_F(FrameTickTest, CountdownOverlayIsDrawnIntoTheTimedShot) {
    settings_.timerShot.timerSeconds = 5;
    StartAt(0);
    clock_.tick = 0;
    tick_.StartCountdown((dir_ / "t.bmp").string());
    clock_.tick = 1000;
    tick_.FrameStep();  // elapsed 1.0 s: the next frame shows 00:04 with the camera icon
    clock_.tick = 5000;
    tick_.FrameStep();
    const auto bytes = ReadFile(tick_.timedShotPath());
    ASSERT_EQ(bytes.size(), 54 + FrameBytes(320, 240));
    const std::vector<std::uint8_t> pixels(bytes.begin() + 54, bytes.end());
    // The countdown text stands 41 ... 57 rows below the top edge.
    EXPECT_TRUE(AnyInkInRows(pixels, 320, 240 - 58, 240 - 42));
}

TEST_F(FrameTickTest, BusyTickStopsBothTimers) {
    StartAt(0);
    host_.StartTimer(kBlinkTimer, kBlinkPeriodMs);
    tick_.SetBusy(true);
    source_.loseOnNextTake = true;
    const int teardowns = source_.teardowns;
    tick_.FrameStep();
    EXPECT_FALSE(host_.TimerRunning(kFrameTimer));
    EXPECT_FALSE(host_.TimerRunning(kBlinkTimer));
    EXPECT_EQ(source_.teardowns, teardowns) << "busy wins over a lost device";
    EXPECT_TRUE(Delivered().empty());
}

// A pause asked for around a dialog, from either timer: the wait cursor with the
// timers off until the settle timer ends it, then the picture goes on.
TEST_F(FrameTickTest, PauseRequestHoldsTheTimersUntilTheSettleStep) {
    for (bool fromBlink : {false, true}) {
        SCOPED_TRACE(fromBlink ? "blink step" : "frame step");
        StartAt(0);
        host_.StartTimer(kBlinkTimer, kBlinkPeriodMs);
        tick_.SetPauseRequest(true);
        if (fromBlink)
            tick_.BlinkStep();
        else
            tick_.FrameStep();
        EXPECT_TRUE(tick_.busy());
        EXPECT_FALSE(host_.TimerRunning(kFrameTimer));
        EXPECT_EQ(host_.TimerRunning(kBlinkTimer), !fromBlink);
        EXPECT_EQ(host_.cursor, CursorShape::Wait);
        EXPECT_EQ(host_.timers[kSettleTimer], CFrameTick::kPauseMs);

        tick_.SettleStep();
        EXPECT_FALSE(tick_.pauseRequest());
        EXPECT_FALSE(tick_.busy());
        EXPECT_EQ(host_.cursor, CursorShape::Starting);
        EXPECT_TRUE(host_.TimerRunning(kFrameTimer));
        EXPECT_TRUE(host_.TimerRunning(kBlinkTimer));
        EXPECT_FALSE(host_.TimerRunning(kSettleTimer));
    }
}

TEST_F(FrameTickTest, BlinkStepFlashesTheLightsOnAndOff) {
    StartAt(0);
    for (int i = 0; i < 3; ++i)
        tick_.BlinkStep();
    EXPECT_EQ(recording_.blinks, (std::vector<bool>{true, false, true}));
}

}  // namespace
}  // namespace tavelin
