// The rules of the main window's commands, driven through the session with a fake
// camera, window and clock: what the user would see, in which order, and the files.

#include "core/CameraSession.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/FileNames.h"
#include "core/FrameFormat.h"
#include "core/Messages.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/LogLines.h"
#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;
using testing::FakeHost;

class CameraSessionTest : public testing::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        session_.SetFiles({In("Pellor.inf"), In("TimerCap.bmp"), In("snap.bmp")});
        ASSERT_TRUE(session_.StartCamera());
        session_.StartNumbering(dir_);
        session_.ChooseLists({"Motion JPEG"}, true, {"Test Tone Microphone"}, true, {"PCM"});
        ASSERT_TRUE(session_.SelectCaptureSize(0));
        host_.log.clear();
    }
    // Runs the frame step `n` times, the clock moving on by the timer's period.
    void Steps(int n) {
        for (int i = 0; i < n; ++i) {
            session_.FrameStep();
            clock_.tick += kFramePeriodMs;
        }
    }
    static std::string Content(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    testing::FakeFrameSource source_;
    testing::FakeRecordGraph graph_;
    FakeHost host_;
    testing::FakeNotices notices_;
    testing::FakeClock clock_;
    testing::FakeAlarm alarm_;
    CCameraSession session_{source_, graph_, host_, notices_, clock_, &alarm_};
};

TEST_F(CameraSessionTest, StartUpNumbersFromTheCounterAndChoosesTheListDefaults) {
    EXPECT_EQ(host_.aviPath, dir_ + "/Tavelin-00000.avi");
    EXPECT_EQ(session_.settings().recording.aviPath, host_.aviPath);
    EXPECT_EQ(Content(In("Pellor.inf")), "0");

    const auto shown =
        session_.ChooseLists({"Cinepak", "Intel Indeo(R) Video 5", "x"}, false, {}, false, {});
    EXPECT_EQ(shown.videoCompressor, 1);
    EXPECT_EQ(shown.audioDevices, std::vector<std::string>{"None"});
    EXPECT_EQ(shown.audioCompressors, std::vector<std::string>{"None"});
    EXPECT_TRUE(session_.noAudioDevice());
    EXPECT_FALSE(session_.audioCompression());
    EXPECT_EQ(session_.settings().recording.videoCompressorIndex, 1);

    const auto pcm = session_.ChooseLists({"a"}, true, {"Mic"}, true, {"GSM", "PCM", "MP3"});
    EXPECT_EQ(pcm.audioCompressor, 1);
    EXPECT_FALSE(session_.noAudioDevice());
}

// The pid of a process that has ended (and been reaped): no program runs under it.
pid_t EndedPid() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// Programs killed before their recordings got names left hidden part files: those of
// ended programs are removed when empty and otherwise kept under the next free numbers
// (in name order), whatever their hidden name was shortened to. Files of running
// programs, a pid no program has, other hidden files and links stay as they are.
TEST_F(CameraSessionTest, StartUpClaimsWhatEndedProgramsLeftHidden) {
    const std::string ended = std::to_string(EndedPid());
    const std::string running = std::to_string(::getpid());
    const std::string shortened(200, 'Z');
    struct Planted {
        std::string name;
        const char* content;  // nullptr: a link
    };
    const Planted planted[] = {
        {".Tavelin-00001.avi.part-" + ended + "-0", ""},
        {".Tavelin-00002.avi.part-" + ended + "-1", "first"},
        {"." + shortened + ".part-" + ended + "-2", "second"},
        {".Tavelin-00009.avi.part-" + running + "-0", "running"},
        {".Tavelin-00010.avi.part-" + running + "-1", ""},
        {".Tavelin-00011.avi.part-0-0", "no pid"},
        {".TimerCap.bmp.tmp-" + ended + "-3", "a picture"},
        {".link.avi.part-" + ended + "-4", nullptr},
        {"Tavelin-00003.avi", "earlier"},
    };
    for (const Planted& p : planted) {
        if (p.content != nullptr)
            std::ofstream(In(p.name)) << p.content;
        else
            fs::create_symlink(In("Tavelin-00003.avi"), In(p.name));
    }
    std::ofstream(In("Pellor.inf")) << "3";
    testing::LogLines log;

    session_.StartNumbering(dir_);
    EXPECT_EQ(Content(In("Tavelin-00004.avi")), "first");
    EXPECT_EQ(Content(In("Tavelin-00005.avi")), "second");
    EXPECT_EQ(Content(In("Pellor.inf")), "6");
    EXPECT_EQ(host_.aviPath, In("Tavelin-00006.avi"));
    std::vector<std::string> expected = {".Pellor.inf.lock", "Pellor.inf", "Tavelin-00003.avi",
                                         "Tavelin-00004.avi", "Tavelin-00005.avi"};
    for (std::size_t i = 3; i < std::size(planted) - 1; ++i)
        expected.push_back(planted[i].name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Listing(), expected);
    EXPECT_TRUE(log.Has(LogArea::Record, LogLevel::Info,
                        {"removed", ".Tavelin-00001.avi.part-", ended.c_str()}));
    EXPECT_TRUE(log.Has(LogArea::Record, LogLevel::Info,
                        {"kept", ".Tavelin-00002.avi.part-", "Tavelin-00004.avi"}));
}

// Taking and giving back the window's controls around a recording, by size.
struct ControlsCase {
    int sizeIndex;
    bool enable;
    bool monitorOn;
    bool shrunk;  // an enlarged size falls back to the camera's 640 x 480
};

class RecordingControls : public CameraSessionTest,
                          public ::testing::WithParamInterface<ControlsCase> {};

TEST_P(RecordingControls, FollowTheRecordingAndShrinkEnlargedSizes) {
    const ControlsCase& c = GetParam();
    ASSERT_TRUE(session_.SelectCaptureSize(c.sizeIndex));
    session_.tick().monitor.monitorOn = c.monitorOn;
    session_.tick().showDateTime = true;
    host_.log.clear();
    const int collectedBefore = host_.collected;

    session_.SetRecordingControls(c.enable);

    EXPECT_GT(host_.collected, collectedBefore) << "the window's fields are read first";
    const CFrameTick& tick = session_.tick();
    if (c.shrunk) {
        ASSERT_EQ(notices_.shown.size(), 1u);
        EXPECT_NE(notices_.shown[0].first.find("Auto adjust video size : 640x480"),
                  std::string::npos);
        EXPECT_EQ(tick.sizeIndex, 2);
        EXPECT_EQ(host_.checkedSize, 2);
        EXPECT_EQ(tick.frameWidth, 640);
        EXPECT_EQ(tick.frameHeight, 480);
        EXPECT_FALSE(tick.enlarge);
        EXPECT_TRUE(host_.Logged("display 640x480"));
        EXPECT_EQ(tick.enlargedFrame.size(), FrameBytes(640, 480));
    } else {
        EXPECT_TRUE(notices_.shown.empty());
        EXPECT_EQ(host_.checkedSize, -1);
    }
    for (const char* control : {"sizes", "recording settings", "recorder text", "display choice"})
        EXPECT_EQ(host_.enabled[control], c.enable) << control;
    EXPECT_FALSE(tick.showDateTime) << "the date overlay goes off either way";
    EXPECT_EQ(tick.blink, !c.enable);
    EXPECT_EQ(host_.visible["record light"], !c.enable);
    // The blink timer belongs to a running monitor as well.
    if (c.monitorOn) {
        EXPECT_FALSE(host_.Logged("start 3"));
        EXPECT_FALSE(host_.Logged("stop 3"));
    } else {
        EXPECT_TRUE(host_.Logged(c.enable ? "stop 3" : "start 3"));
    }
    EXPECT_EQ(host_.Logged("recorder switch up"), c.enable);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RecordingControls,
                         ::testing::Values(ControlsCase{4, false, false, true},
                                           ControlsCase{5, false, true, true},
                                           ControlsCase{2, false, false, false},
                                           ControlsCase{0, true, false, false},
                                           ControlsCase{5, true, true, true}));

TEST_F(CameraSessionTest, WithoutAnAudioDeviceTheAudioSwitchStaysOff) {
    session_.ChooseLists({"a"}, false, {}, true, {"PCM"});
    session_.ToggleAudio();
    EXPECT_TRUE(session_.audioEnabled());
    EXPECT_TRUE(host_.visible["audio strip"]);
    session_.SetRecordingControls(true);
    EXPECT_FALSE(session_.audioEnabled());
    EXPECT_FALSE(host_.enabled["audio switch"]);

    session_.ChooseLists({"a"}, true, {"NoneSuch Mic"}, true, {"PCM"});
    host_.enabled.clear();
    session_.SetRecordingControls(true);
    EXPECT_FALSE(host_.enabled["audio switch"]) << "a device named None... counts as none";
}

// A recording from an enlarged size: the window shrinks to 640 x 480, the request
// carries the window's selections, frames keep coming, and stopping brings the preview
// back at the shown size.
TEST_F(CameraSessionTest, RecordingFromAnEnlargedSizeRunsAHundredFrameSteps) {
    ASSERT_TRUE(session_.SelectCaptureSize(5));  // 1280 x 960 from the camera's 640 x 480
    host_.onCollect = [this] {
        session_.SetAviPathText(dir_ + "/Tavelin-00000.avi");
        session_.SetListSelections(0, 0, 0);
    };
    session_.ToggleRecorder();
    ASSERT_TRUE(session_.tick().recording);
    ASSERT_EQ(graph_.requests.size(), 1u);
    EXPECT_EQ(graph_.requests[0].width, 640);
    EXPECT_EQ(graph_.requests[0].height, 480);
    EXPECT_EQ(graph_.requests[0].path, dir_ + "/Tavelin-00000.avi");
    EXPECT_EQ(host_.aviPath, graph_.requests[0].path);
    EXPECT_EQ(host_.recorderText, msg::kStopRecorder);

    source_.Run(640, 480);
    const int framesBefore = host_.frames;
    Steps(100);
    EXPECT_EQ(host_.frames - framesBefore, 100);
    EXPECT_EQ(host_.shownWidth, 640);

    session_.ToggleRecorder();
    EXPECT_FALSE(session_.tick().recording);
    EXPECT_EQ(source_.builds.back(), std::make_pair(640, 480));
    EXPECT_EQ(host_.recorderText, msg::kRunRecorder);
    EXPECT_FALSE(host_.visible["record light"]);
    EXPECT_EQ(Content(In("Pellor.inf")), "1");
}

TEST_F(CameraSessionTest, DisplaySwitchHoldsTheFrameStepOffMeanwhile) {
    session_.ShowDisplay(false);
    EXPECT_EQ(host_.log,
              (std::vector<std::string>{"stop 1", "cursor wait", "sleep 150", "inside 320x240",
                                        "cursor starting", "start 1"}));
    EXPECT_FALSE(session_.busy());
    host_.log.clear();
    session_.ShowDisplay(true);
    EXPECT_TRUE(host_.Logged("outside 320x240"));
}

TEST_F(CameraSessionTest, MonitorSettingsSwitchTheMonitorLightSwitchAndTimer) {
    session_.settings().monitor.monitorMode = 7;
    session_.ApplyMonitorSettings(true);
    const CMonitorCore& monitor = session_.tick().monitor;
    EXPECT_TRUE(monitor.monitorOn);
    EXPECT_EQ(monitor.trackHoldoff, CMonitorCore::kTrackHoldoff);
    EXPECT_TRUE(session_.tick().monitorIndicator);
    EXPECT_TRUE(host_.visible["monitor light"]);
    EXPECT_EQ(host_.monitorFaces, SwitchFaces::Running);
    EXPECT_TRUE(host_.TimerRunning(kBlinkTimer));
    EXPECT_TRUE(notices_.shown.empty());

    // Cancelled while running: nothing changes.
    host_.log.clear();
    session_.ApplyMonitorSettings(false);
    EXPECT_TRUE(monitor.monitorOn);
    EXPECT_TRUE(host_.log.empty());

    session_.settings().monitor.monitorMode = 0;
    session_.ApplyMonitorSettings(true);
    EXPECT_FALSE(monitor.monitorOn);
    EXPECT_FALSE(host_.visible["monitor light"]);
    EXPECT_EQ(host_.monitorFaces, SwitchFaces::Idle);
    EXPECT_TRUE(host_.Logged("monitor switch up"));
    EXPECT_FALSE(host_.TimerRunning(kBlinkTimer));

    // The alarm alone needs a sound device.
    session_.ChooseLists({"a"}, false, {}, true, {"PCM"});
    session_.settings().monitor.monitorMode = 3;
    testing::LogLines log;
    session_.ApplyMonitorSettings(true);
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, msg::kNoAudioDevice);
    EXPECT_TRUE(log.Has(LogArea::Monitor, LogLevel::Warning, {"no sound input device"}));
    EXPECT_FALSE(monitor.monitorOn);
}

TEST_F(CameraSessionTest, TimerShotCountsDownOnTheClockAndSaysWhere) {
    std::ofstream(In("TimerCap.bmp")) << "an earlier timer shot";
    session_.settings().timerShot.timerSeconds = 2;
    session_.ToggleTimerShot();
    EXPECT_FALSE(fs::exists(In("TimerCap.bmp"))) << "arming removes the earlier file";
    EXPECT_TRUE(session_.tick().timedShotActive);
    Steps(30);  // 1.5 s
    EXPECT_FALSE(fs::exists(In("TimerCap.bmp")));
    Steps(20);
    ASSERT_TRUE(fs::exists(In("TimerCap.bmp")));
    EXPECT_EQ(fs::file_size(In("TimerCap.bmp")), 54 + FrameBytes(320, 240));
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, std::string(msg::kTimerShotDone) + In("TimerCap.bmp"));
    EXPECT_FALSE(session_.tick().timedShotActive);

    // A chosen file, and a countdown cancelled before it ends.
    session_.settings().timerShot.timedShotTarget = In("mine.bmp");
    session_.ToggleTimerShot();
    EXPECT_EQ(session_.tick().timedShotPath, In("mine.bmp"));
    Steps(10);
    session_.ToggleTimerShot();
    EXPECT_FALSE(session_.tick().timedShotActive);
    EXPECT_EQ(session_.tick().timedShotElapsed, 0.0f);
    Steps(60);
    EXPECT_FALSE(fs::exists(In("mine.bmp")));
}

TEST_F(CameraSessionTest, SnapshotTakesTheNextFrameAndAlwaysLetsItGo) {
    ASSERT_TRUE(session_.BeginSnapshot());
    EXPECT_FALSE(session_.BeginSnapshot()) << "one at a time";
    Steps(1);
    EXPECT_FALSE(session_.snapshotPending());
    ASSERT_TRUE(fs::exists(In("snap.bmp")));
    session_.FinishSnapshot(In("shot.bmp"));
    EXPECT_EQ(fs::file_size(In("shot.bmp")), 54 + FrameBytes(320, 240));
    EXPECT_FALSE(fs::exists(In("snap.bmp")));

    ASSERT_TRUE(session_.BeginSnapshot());
    session_.FinishSnapshot("");  // cancelled before any frame step
    EXPECT_FALSE(session_.snapshotPending());
    EXPECT_FALSE(fs::exists(In("snap.bmp")));
}

TEST_F(CameraSessionTest, ShutdownLetsEverythingGo) {
    session_.settings().monitor.monitorMode = 4;
    session_.ApplyMonitorSettings(true);
    const int teardowns = source_.teardowns;
    session_.Shutdown();
    EXPECT_TRUE(session_.busy());
    EXPECT_GT(source_.teardowns, teardowns);
    EXPECT_FALSE(host_.TimerRunning(kFrameTimer));
    EXPECT_FALSE(host_.TimerRunning(kBlinkTimer));
    EXPECT_TRUE(session_.tick().enlargedFrame.empty());
    EXPECT_TRUE(session_.tick().monitor.zoomFrame.empty());
}

}  // namespace
}  // namespace tavelin
