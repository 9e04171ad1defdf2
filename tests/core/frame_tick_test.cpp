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
using testing::FakeClock;
using testing::FakeFrameSource;
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
        tick_.fixedShotPath = (dir_ / "snap.bmp").string();
        tick_.badgePicture = Picture(35, 36, 0x20);
        tick_.cameraIcon = Picture(38, 26, 0x90);
    }
    void TearDown() override { fs::remove_all(dir_); }

    static OverlayPicture Picture(int w, int h, std::uint8_t value) {
        OverlayPicture p;
        p.width = w;
        p.height = h;
        p.pixels.assign(FrameBytes(w, h), value);
        return p;
    }

    // Starts the tick at a size, as a successful size change does.
    void StartAt(int sizeIndex) {
        ASSERT_TRUE(tick_.SelectCaptureSize(sizeIndex));
        host_.log.clear();
    }

    fs::path dir_;
    FakeFrameSource source_;
    FakeHost host_;
    FakeNotices notices_;
    FakeClock clock_;
    FakeAlarm alarm_;
    SessionSettings settings_;
    CFrameTick tick_{source_, host_, host_, notices_, clock_, &alarm_, settings_};
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
        ASSERT_TRUE(tick_.SelectCaptureSize(r.index));
        EXPECT_EQ(source_.builds.back(), std::make_pair(r.cameraW, r.cameraH));
        EXPECT_EQ(tick_.frameWidth, r.shownW);
        EXPECT_EQ(tick_.frameHeight, r.shownH);
        EXPECT_EQ(tick_.enlarge, r.enlarge);
        EXPECT_EQ(tick_.sizeIndex, r.index);
        EXPECT_EQ(tick_.enlargedFrame.size(), FrameBytes(r.shownW, r.shownH));
        EXPECT_FALSE(tick_.busy);
        EXPECT_TRUE(host_.TimerRunning(kFrameTimer));
    }
}

TEST_F(FrameTickTest, SizeChangePausesInTheOrderTheWindowExpects) {
    StartAt(0);
    ASSERT_TRUE(tick_.SelectCaptureSize(2));
    const std::vector<std::string> expected = {"stop 1",          "cursor wait", "sleep 150",
                                               "display 640x480", "sleep 250",   "cursor starting",
                                               "start 1"};
    EXPECT_EQ(host_.log, expected);
}

TEST_F(FrameTickTest, FailedSizeChangeLeavesTheTickIdle) {
    StartAt(0);
    source_.buildResults = {false};
    EXPECT_FALSE(tick_.SelectCaptureSize(2));
    EXPECT_TRUE(tick_.busy);
    EXPECT_FALSE(host_.TimerRunning(kFrameTimer));
    EXPECT_TRUE(tick_.enlargedFrame.empty());
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, msg::kDeviceLost);

    // The next tick finds no frame and stops both timers; a new size brings it back.
    host_.StartTimer(kBlinkTimer, kBlinkPeriodMs);
    tick_.FrameStep();
    EXPECT_EQ(host_.frames, 0);
    EXPECT_FALSE(host_.TimerRunning(kBlinkTimer));
    ASSERT_TRUE(tick_.SelectCaptureSize(1));
    EXPECT_FALSE(tick_.busy);
    tick_.FrameStep();
    EXPECT_EQ(host_.frames, 1);
}

TEST_F(FrameTickTest, ShowsTheCameraFrameOrItsEnlargement) {
    StartAt(0);
    tick_.FrameStep();
    EXPECT_EQ(host_.frames, 1);
    EXPECT_EQ(host_.shownWidth, 320);
    EXPECT_EQ(host_.shown, source_.buffer());

    StartAt(5);  // 1280 x 960 from 640 x 480
    tick_.FrameStep();
    EXPECT_EQ(host_.shownWidth, 1280);
    EXPECT_EQ(host_.shownHeight, 960);
    EXPECT_EQ(host_.shown, std::vector<std::uint8_t>(FrameBytes(1280, 960), 0x40));
}

TEST_F(FrameTickTest, FrameOfTheWrongByteCountIsSkipped) {
    StartAt(2);
    for (std::int32_t bytes : {0, 640 * 480 * 3 - 1, 320 * 240 * 3}) {
        source_.SetSampleBytes(bytes);
        tick_.fixedShotRequest = true;
        tick_.FrameStep();
        EXPECT_EQ(host_.frames, 0) << bytes;
        EXPECT_TRUE(tick_.fixedShotRequest) << "a skipped frame serves no request";
    }
}

TEST_F(FrameTickTest, MonitorRunsOnlyBelow800AndNeverWhileEnlarged) {
    settings_.monitor.monitorMode = kModeTrack;
    tick_.monitor.monitorOn = true;
    tick_.showDateTime = true;
    for (int index : {0, 2, 3, 4, 5}) {
        SCOPED_TRACE(index);
        StartAt(index);
        tick_.monitor.monitorOn = true;
        tick_.monitor.trackHoldoff = 0;
        tick_.FrameStep();
        const int h = tick_.frameHeight;
        // The badge covers columns 18 ... 52 of frame rows h-102 ... h-67.
        const std::size_t badge = (static_cast<std::size_t>(h - 90) * tick_.frameWidth + 30) * 3;
        const bool monitorRan = tick_.frameWidth < 800;
        EXPECT_EQ(host_.shown[badge] == 0x20, monitorRan);
        EXPECT_EQ(tick_.monitor.trackHoldoff != 0, monitorRan);
        // The date and time are drawn at every size.
        EXPECT_TRUE(AnyInkInRows(host_.shown, tick_.frameWidth, h - 32, h - 16));
    }
}

TEST_F(FrameTickTest, ModesWithoutTrackingDrawNoBadge) {
    for (std::uint8_t mode : {kModeDetect, std::uint8_t{5}}) {
        settings_.monitor.monitorMode = mode;
        StartAt(0);
        tick_.monitor.monitorOn = true;
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
    tick_.monitor.monitorOn = true;
    tick_.monitor.motionShotPending = true;
    tick_.monitor.trackHoldoff = 0;  // nothing is counted on this frame
    tick_.FrameStep();
    EXPECT_FALSE(tick_.monitor.motionShotPending);
    const fs::path still = dir_ / "MOTION[14-05-09].bmp";
    ASSERT_TRUE(fs::exists(still));
    const auto bytes = ReadFile(still.string());
    ASSERT_EQ(bytes.size(), 54 + FrameBytes(320, 240));
    // The still holds the picture as shown, badge included.
    EXPECT_TRUE(std::equal(host_.shown.begin(), host_.shown.end(), bytes.begin() + 54));
}

TEST_F(FrameTickTest, FixedShotWritesTheShownPictureOnceWithItsOverlays) {
    StartAt(0);
    tick_.showDateTime = true;
    tick_.fixedShotRequest = true;
    tick_.FrameStep();
    EXPECT_FALSE(tick_.fixedShotRequest);
    auto bytes = ReadFile(tick_.fixedShotPath);
    ASSERT_EQ(bytes.size(), 54 + FrameBytes(320, 240));
    EXPECT_TRUE(std::equal(host_.shown.begin(), host_.shown.end(), bytes.begin() + 54));

    fs::remove(tick_.fixedShotPath);
    tick_.FrameStep();
    EXPECT_FALSE(fs::exists(tick_.fixedShotPath));
}

TEST_F(FrameTickTest, TimedShotFiresAtTheFirstTickAtOrPastTheInterval) {
    settings_.timerShot.timerSeconds = 5;
    StartAt(0);
    tick_.timedShotPath = (dir_ / "TimerCap.bmp").string();
    tick_.timedShotActive = true;
    clock_.tick = 1000000;
    tick_.timedShotStart = clock_.tick;

    for (std::uint32_t ms : {0u, 2400u, 4999u}) {
        clock_.tick = tick_.timedShotStart + ms;
        tick_.FrameStep();
        EXPECT_TRUE(tick_.timedShotActive) << ms;
        EXPECT_FLOAT_EQ(tick_.timedShotElapsed, static_cast<float>(ms * 0.001));
    }
    EXPECT_FALSE(fs::exists(tick_.timedShotPath));
    EXPECT_TRUE(notices_.shown.empty());

    host_.log.clear();
    clock_.tick = tick_.timedShotStart + 5000;
    tick_.FrameStep();
    EXPECT_FALSE(tick_.timedShotActive);
    EXPECT_EQ(tick_.timedShotStart, 0u);
    EXPECT_EQ(tick_.timedShotElapsed, 0.0f);
    ASSERT_TRUE(fs::exists(tick_.timedShotPath));
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first,
              std::string("Finish to timer shot.Save Image To :\n") + tick_.timedShotPath);
    // Timer 1 is off while the message is open and comes back after it.
    const std::vector<std::string> expected = {"stop 1", "start 1"};
    EXPECT_EQ(host_.log, expected);
}

TEST_F(FrameTickTest, TimedShotElapsedSurvivesTheTickCounterWrapping) {
    settings_.timerShot.timerSeconds = 2;
    StartAt(0);
    tick_.timedShotPath = (dir_ / "t.bmp").string();
    tick_.timedShotActive = true;
    tick_.timedShotStart = 0xFFFFFF00u;
    clock_.tick = 0x00000100u;  // 512 ms later, after the wrap
    tick_.FrameStep();
    EXPECT_FLOAT_EQ(tick_.timedShotElapsed, 0.512f);
    EXPECT_TRUE(tick_.timedShotActive);
}

TEST_F(FrameTickTest, CountdownOverlayIsDrawnIntoTheTimedShot) {
    settings_.timerShot.timerSeconds = 5;
    StartAt(0);
    tick_.timedShotPath = (dir_ / "t.bmp").string();
    tick_.timedShotActive = true;
    tick_.timedShotStart = 0;
    clock_.tick = 1000;
    tick_.FrameStep();  // elapsed 1.0 s: the next frame shows 00:04 with the camera icon
    clock_.tick = 5000;
    tick_.FrameStep();
    const auto bytes = ReadFile(tick_.timedShotPath);
    ASSERT_EQ(bytes.size(), 54 + FrameBytes(320, 240));
    const std::vector<std::uint8_t> pixels(bytes.begin() + 54, bytes.end());
    // The countdown text stands 41 ... 57 rows below the top edge.
    EXPECT_TRUE(AnyInkInRows(pixels, 320, 240 - 58, 240 - 42));
}

TEST_F(FrameTickTest, BusyTickStopsBothTimers) {
    StartAt(0);
    host_.StartTimer(kBlinkTimer, kBlinkPeriodMs);
    tick_.busy = true;
    source_.loseOnNextWait = true;
    tick_.FrameStep();
    EXPECT_FALSE(host_.TimerRunning(kFrameTimer));
    EXPECT_FALSE(host_.TimerRunning(kBlinkTimer));
    EXPECT_EQ(source_.teardowns, 1) << "busy wins over a lost device";
}

TEST_F(FrameTickTest, PauseRequestCostsOneQuarterSecondUnderTheWaitCursor) {
    StartAt(0);
    tick_.pauseRequest = true;
    tick_.FrameStep();
    const std::vector<std::string> expected = {"stop 1", "cursor wait", "sleep 250",
                                               "cursor starting", "start 1"};
    EXPECT_EQ(host_.log, expected);
    EXPECT_FALSE(tick_.pauseRequest);
    EXPECT_FALSE(tick_.busy);
}

TEST_F(FrameTickTest, BlinkStepPausesWithBothTimers) {
    StartAt(0);
    tick_.pauseRequest = true;
    tick_.BlinkStep();
    const std::vector<std::string> expected = {
        "stop 3", "stop 1", "cursor wait", "sleep 250", "cursor starting", "start 3", "start 1"};
    EXPECT_EQ(host_.log, expected);
}

TEST_F(FrameTickTest, BlinkStepFlashesTheLightsThatAreOn) {
    StartAt(0);
    tick_.recording = true;
    tick_.monitorIndicator = true;
    tick_.BlinkStep();
    EXPECT_TRUE(host_.enabled["record light"]);
    EXPECT_TRUE(host_.enabled["monitor light"]);
    tick_.BlinkStep();
    EXPECT_FALSE(host_.enabled["record light"]);
    EXPECT_FALSE(host_.enabled["monitor light"]);

    // The monitor light does not blink at sizes where the monitor cannot run.
    host_.enabled.clear();
    tick_.frameWidth = 800;
    tick_.BlinkStep();
    EXPECT_EQ(host_.enabled.count("monitor light"), 0u);
    EXPECT_EQ(host_.enabled.count("record light"), 1u);
}

struct RecoveryCase {
    int sizeIndex;
    bool recording;
    bool rebuildSucceeds;
    std::pair<int, int> rebuiltAt;
    std::vector<std::string> messages;
    std::string fileCause = {};  // the graph failed because of the recording's file
    bool cameraStopped = false;  // the camera went quiet or reported the error itself
};

class DeviceLostTest : public FrameTickTest, public ::testing::WithParamInterface<RecoveryCase> {};

TEST_P(DeviceLostTest, RebuildsAtTheCameraSizeAndReportsByWidthAndRecording) {
    const RecoveryCase& c = GetParam();
    StartAt(c.sizeIndex);
    const bool enlarged = tick_.enlarge;
    tick_.recording = c.recording;
    host_.StartTimer(kBlinkTimer, kBlinkPeriodMs);
    source_.builds.clear();
    source_.loseOnNextWait = true;
    source_.cause = c.fileCause;
    source_.stopped = c.cameraStopped;
    source_.buildResults = {c.rebuildSucceeds};

    tick_.FrameStep();

    ASSERT_EQ(source_.builds.size(), 1u);
    EXPECT_EQ(source_.builds[0], c.rebuiltAt);
    std::vector<std::string> messages;
    for (const auto& [text, style] : notices_.shown)
        messages.push_back(text);
    EXPECT_EQ(messages, c.messages);
    EXPECT_FALSE(tick_.recording);
    EXPECT_EQ(tick_.enlarge, enlarged);
    if (c.recording) {
        EXPECT_EQ(host_.recorderText, msg::kRunRecorder);
        EXPECT_NE(std::find(host_.log.begin(), host_.log.end(), "recording controls on"),
                  host_.log.end());
    }
    if (c.rebuildSucceeds) {
        EXPECT_FALSE(tick_.busy);
        EXPECT_TRUE(host_.TimerRunning(kFrameTimer));
    } else {
        EXPECT_TRUE(tick_.busy);
        EXPECT_FALSE(host_.TimerRunning(kFrameTimer));
        EXPECT_TRUE(tick_.enlargedFrame.empty());
        tick_.BlinkStep();  // the next blink finds busy set and stops its own timer
        EXPECT_FALSE(host_.TimerRunning(kBlinkTimer));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeviceLostTest,
    ::testing::Values(
        RecoveryCase{0, false, true, {320, 240}, {}}, RecoveryCase{5, false, true, {640, 480}, {}},
        RecoveryCase{4, false, true, {800, 600}, {}},
        RecoveryCase{3, true, true, {800, 600}, {msg::kRecordFailedSize800}},
        RecoveryCase{2, true, true, {640, 480}, {msg::kRecordFailedContent}},
        RecoveryCase{2, false, false, {640, 480}, {msg::kDeviceLost}},
        RecoveryCase{1, true, false, {320, 240}, {msg::kDeviceLost, msg::kRecordDeviceLost}},
        // A full disk stops the recording; the camera itself is fine.
        RecoveryCase{3,
                     true,
                     true,
                     {800, 600},
                     {msg::RecordFileFailed(kNoSpaceForRecording)},
                     kNoSpaceForRecording},
        RecoveryCase{1,
                     true,
                     false,
                     {320, 240},
                     {msg::kDeviceLost, msg::RecordFileFailed("Cannot write.")},
                     "Cannot write."},
        // The camera went quiet and came back: the encoder is not to blame.
        RecoveryCase{3, true, true, {800, 600}, {msg::kRecordCameraStopped}, "", true},
        // The file's cause wins over the camera's silence that followed it.
        RecoveryCase{2,
                     true,
                     true,
                     {640, 480},
                     {msg::RecordFileFailed(kNoSpaceForRecording)},
                     kNoSpaceForRecording,
                     true}));

}  // namespace
}  // namespace tavelin
