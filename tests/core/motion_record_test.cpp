// Record on motion, driven through the session with a fake camera graph, a fake window
// and a fake clock: when the encoding output keeps the seconds before, when a file
// starts and ends, and that it looks to the user like a recording started by hand.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "core/CameraSession.h"
#include "core/FrameFormat.h"
#include "core/Messages.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

class MotionRecordTest : public testing::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        session_.SetFiles({In("Pellor.inf"), In("TimerCap.bmp"), In("snap.bmp")});
        ASSERT_TRUE(session_.StartCamera());
        session_.StartNumbering(dir_);
        session_.ChooseLists({"Motion JPEG", "x264"}, true, {"Test Tone Microphone"}, true,
                             {"PCM", "MP3"});
        // The window's lists, as it hands them over when they change.
        session_.SetListSelections(1, 0, 0);
        SelectSize(0);
        host_.log.clear();
    }
    // A size button, the pause after it, and the frame step that arms again.
    void SelectSize(int sizeIndex) {
        ASSERT_TRUE(session_.SelectCaptureSize(sizeIndex));
        session_.SettleStep();
        Step();
    }

    // The Monitor Settings dialog closed with OK.
    void ApplyMonitor(std::uint8_t mode, bool onMotion, int before = 3, int calm = 3) {
        MonitorSetup& setup = session_.settings().monitor;
        setup.monitorMode = mode;
        setup.motionRecord = {onMotion, before, calm};
        session_.ApplyMonitorSettings(true);
    }
    // One frame step on a fresh camera frame of the scene (the window draws its badge
    // and overlays into the frame it gets), the clock then moving on by the frame
    // timer's period.
    void Step() {
        std::vector<std::uint8_t>& frame = camera_.buffer();
        if (scene_.size() != frame.size())
            scene_.assign(frame.size(), 0x40);
        frame = scene_;
        session_.FrameStep();
        clock_.tick += kFramePeriodMs;
    }
    void Calm(int steps) {
        for (int i = 0; i < steps; ++i)
            Step();
    }
    // Steps on which a block of w x h pixels appears or goes: each one differs from the
    // frame before. The block's outline spans one more column and row than the block.
    void Motion(int steps, int w = 30, int h = 20) {
        for (int i = 0; i < steps; ++i) {
            blockShown_ = !blockShown_;
            if (scene_.size() != camera_.buffer().size())
                scene_.assign(camera_.buffer().size(), 0x40);
            const int width = camera_.width();
            for (int y = 5; y < 5 + h; ++y) {
                std::memset(scene_.data() + (static_cast<std::size_t>(y) * width + 5) * 3,
                            blockShown_ ? 250 : 0x40, static_cast<std::size_t>(w) * 3);
            }
            Step();
        }
    }
    // Armed, with the detector primed on a calm picture.
    void Arm(std::uint8_t mode = 0, int before = 3, int calm = 3) {
        ApplyMonitor(mode, true, before, calm);
        ASSERT_TRUE(session_.motionArmed());
        blockShown_ = false;
        scene_.assign(camera_.buffer().size(), 0x40);
        Calm(3);
        host_.log.clear();
    }
    // Motion starts a file, and the next frame step finds it written.
    void MotionFile() {
        Motion(1);
        Step();
        ASSERT_EQ(host_.recorderText, msg::kStopRecorder);
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& [text, style] : notices_.shown)
            texts.push_back(text);
        return texts;
    }
    static std::string Content(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The user sees a recording: light, text, switch and the choices held fixed.
    void ExpectRecordingShown(bool shown) {
        EXPECT_EQ(session_.recordings().recording(), shown);
        EXPECT_EQ(host_.recorderText, shown ? msg::kStopRecorder : msg::kRunRecorder);
        EXPECT_EQ(host_.visible["record light"], shown);
        EXPECT_EQ(host_.enabled["sizes"], !shown);
        EXPECT_EQ(host_.enabled["recording settings"], !shown);
        EXPECT_TRUE(host_.Logged(shown ? "recorder switch down" : "recorder switch up"));
    }

    // The file on motion ends once the picture has been calm for `calmSeconds`, and its
    // end is taken at the frame step after.
    static int CalmSteps(int calmSeconds = 3) { return calmSeconds * 1000 / kFramePeriodMs + 1; }
    // A write error the graph reports on its own.
    void FailWriting(const std::string& why) {
        camera_.Report(
            testing::FakeCameraGraph::News(GraphNews::Kind::FileFailed, camera_.named, why));
    }

    testing::FakeCameraGraph camera_;
    testing::FakeHost host_;
    testing::FakeNotices notices_;
    testing::FakeClock clock_;
    testing::FakeAlarm alarm_;
    CCameraSession session_{camera_, host_, notices_, clock_, &alarm_};
    std::vector<std::uint8_t> scene_;  // what the camera sees
    bool blockShown_ = false;
};

TEST_F(MotionRecordTest, ArmsOnlyWhileTheMonitorRunsWithTheFunctionAtASizeItWatches) {
    const std::size_t builds = camera_.builds.size();
    ApplyMonitor(7, false);
    EXPECT_FALSE(session_.motionArmed()) << "off by default and while unticked";
    EXPECT_TRUE(camera_.attachRequests.empty());

    // Ticked alone, it switches the monitor on by itself.
    ApplyMonitor(0, true, 5, 20);
    EXPECT_TRUE(session_.tick().monitor().monitorOn);
    ASSERT_TRUE(session_.motionArmed());
    ASSERT_EQ(camera_.attachRequests.size(), 1u);
    const RecordRequest& arming = camera_.attachRequests[0];
    EXPECT_EQ(camera_.attachSeconds[0], 5);
    EXPECT_EQ(arming.width, 320);
    EXPECT_EQ(arming.height, 240);
    EXPECT_EQ(arming.videoCompressorIndex, 1) << "the window's list, as for Recorder";
    EXPECT_EQ(arming.masterStream, session_.settings().recording.masterStream);
    EXPECT_FALSE(arming.audioEnabled);

    // The audio switch changes what is encoded: armed again with sound.
    session_.ToggleAudio();
    ASSERT_EQ(camera_.attachRequests.size(), 2u);
    EXPECT_TRUE(camera_.attachRequests[1].audioEnabled);
    // The same choices again change nothing.
    session_.RecordingChoicesChanged();
    EXPECT_EQ(camera_.attachRequests.size(), 2u);
    EXPECT_EQ(camera_.builds.size(), builds) << "arming never rebuilds the camera";

    // Sizes the monitor does not watch have no output; a watched one arms again.
    for (int size : {3, 5}) {
        SelectSize(size);
        EXPECT_FALSE(session_.motionArmed()) << size;
        EXPECT_FALSE(camera_.encoderAttached()) << size;
    }
    SelectSize(2);
    EXPECT_TRUE(session_.motionArmed());
    EXPECT_EQ(camera_.attachRequests.back().width, 640);

    // Unticked: the output goes, the camera runs on.
    const std::size_t buildsAt640 = camera_.builds.size();
    ApplyMonitor(3, false);
    EXPECT_FALSE(session_.motionArmed());
    EXPECT_FALSE(camera_.encoderAttached());
    EXPECT_EQ(camera_.builds.size(), buildsAt640);
    EXPECT_FALSE(session_.tick().monitor().motionWatch.initialised());
}

// The block's size against the alarm's limits (a record wider than 15 or taller than 11
// pixels), under each monitor mode: with or without the alarm the same frames count.
using Edge = std::tuple<std::uint8_t, std::tuple<int, int, bool>>;
class AlarmLevelEdge : public MotionRecordTest, public ::testing::WithParamInterface<Edge> {};

TEST_P(AlarmLevelEdge, MotionAtTheAlarmsLevelStartsANumberedFileAsRecorderWould) {
    const auto [mode, block] = GetParam();
    const auto [w, h, starts] = block;
    Arm(mode);
    const std::size_t builds = camera_.builds.size();
    Motion(1, w, h);

    EXPECT_EQ(session_.motionRecording(), starts);
    if (ModeHasDetection(mode)) {
        EXPECT_EQ(alarm_.played.size(), starts ? 1u : 0u) << "the same frame sounds the alarm";
    }
    if (!starts) {
        EXPECT_TRUE(camera_.files.empty());
        EXPECT_EQ(Content(In("Pellor.inf")), "0");
        return;
    }
    ASSERT_EQ(camera_.files.size(), 1u);
    EXPECT_EQ(camera_.files[0].path, dir_ + "/Tavelin-00000.avi");
    EXPECT_FALSE(camera_.files[0].replaceExisting) << "a numbered file never replaces one";
    EXPECT_TRUE(camera_.files[0].fromRing) << "the file opens with the seconds before";
    EXPECT_EQ(host_.aviPath, camera_.files[0].path);
    EXPECT_EQ(Content(In("Pellor.inf")), "1");
    session_.GraphNews();
    ExpectRecordingShown(true);
    EXPECT_EQ(camera_.builds.size(), builds) << "the camera goes on";
    EXPECT_TRUE(host_.TimerRunning(kFrameTimer));
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, AlarmLevelEdge,
    ::testing::Combine(::testing::Values(std::uint8_t{0}, kModeDetect, kModeTrack, std::uint8_t{9}),
                       ::testing::Values(std::make_tuple(14, 10, false),    // record 15 x 11
                                         std::make_tuple(15, 10, true),     // 16 wide
                                         std::make_tuple(14, 11, true))));  // 12 high

class CalmTime : public MotionRecordTest, public ::testing::WithParamInterface<int> {};

TEST_P(CalmTime, TheFileEndsWhenTheLastMotionIsExactlyTheCalmTimeAgo) {
    const int calmSeconds = GetParam();
    const int calmSteps = calmSeconds * 1000 / kFramePeriodMs;
    Arm(0, 3, calmSeconds);
    Motion(4);
    ASSERT_TRUE(session_.motionRecording());
    // Motion on the way keeps it going: the calm counts from the last motion.
    Calm(calmSteps - 1);
    Motion(2);
    Calm(calmSteps - 1);
    EXPECT_TRUE(session_.motionRecording()) << "one frame short of the calm time";
    EXPECT_EQ(camera_.finishes, 0);
    host_.log.clear();
    Calm(1);
    EXPECT_EQ(camera_.finishes, 1);
    session_.GraphNews();
    EXPECT_FALSE(session_.motionRecording());
    EXPECT_TRUE(session_.motionArmed()) << "armed for the next motion";
    ExpectRecordingShown(false);
    EXPECT_EQ(camera_.files.size(), 1u);

    // The next motion takes the next number.
    Motion(1);
    ASSERT_EQ(camera_.files.size(), 2u);
    EXPECT_EQ(camera_.files[1].path, dir_ + "/Tavelin-00001.avi");
}

INSTANTIATE_TEST_SUITE_P(Seconds, CalmTime,
                         ::testing::Values(MotionRecordSetup::kMinCalmSeconds, 10));

// Recorder pressed while armed: the file comes from the output that keeps the seconds,
// starting with the next picture, and motion neither stops nor splits it.
TEST_F(MotionRecordTest, ARecordingStartedByHandIsNeverStoppedOrSplit) {
    Arm();
    session_.ToggleRecorder();
    Step();
    ASSERT_TRUE(session_.recordings().recording());
    ASSERT_EQ(camera_.files.size(), 1u);
    EXPECT_EQ(camera_.files[0].path, dir_ + "/Tavelin-00000.avi");
    EXPECT_FALSE(camera_.files[0].fromRing);
    EXPECT_FALSE(session_.motionRecording());
    EXPECT_TRUE(session_.motionArmed()) << "the output stays linked for motion";

    Motion(6);
    Calm(200);
    Motion(6);
    EXPECT_TRUE(session_.recordings().recording());
    EXPECT_EQ(camera_.files.size(), 1u);
    EXPECT_EQ(camera_.finishes, 0);

    // Stopped by hand: still armed, and motion records.
    session_.ToggleRecorder();
    Step();
    EXPECT_FALSE(session_.recordings().recording());
    EXPECT_TRUE(session_.motionArmed());
    EXPECT_EQ(camera_.attachRequests.size(), 1u) << "the same output all along";
    Calm(2);
    Motion(1);
    ASSERT_EQ(camera_.files.size(), 2u);
    EXPECT_EQ(camera_.files[1].path, dir_ + "/Tavelin-00001.avi");
    EXPECT_TRUE(session_.motionRecording());
}

TEST_F(MotionRecordTest, TheRecorderButtonStopsAMotionFileAndTheNextWaitsForCalm) {
    Arm();
    MotionFile();
    const std::size_t builds = camera_.builds.size();
    host_.log.clear();
    session_.ToggleRecorder();
    EXPECT_EQ(camera_.finishes, 1);
    session_.GraphNews();
    EXPECT_FALSE(session_.motionRecording());
    EXPECT_TRUE(session_.motionArmed());
    EXPECT_EQ(camera_.builds.size(), builds) << "the camera goes on";
    ExpectRecordingShown(false);

    // The person at the Recorder button moves: no new file until the picture is calm.
    Motion(40);
    Calm(3000 / kFramePeriodMs - 1);
    Motion(1);
    EXPECT_EQ(camera_.files.size(), 1u);
    Calm(3000 / kFramePeriodMs);
    Motion(1);
    EXPECT_EQ(camera_.files.size(), 2u);
    EXPECT_TRUE(session_.motionRecording());
}

// Turning the monitor off, or the function, finishes the file and unlinks the output.
class EndsWithTheMonitor : public MotionRecordTest, public ::testing::WithParamInterface<bool> {};

TEST_P(EndsWithTheMonitor, TheFileIsFinishedAndTheOutputGoes) {
    const bool monitorOff = GetParam();
    Arm(kModeDetect);
    MotionFile();
    const std::size_t builds = camera_.builds.size();
    host_.log.clear();
    if (monitorOff)
        ApplyMonitor(0, false);
    else
        ApplyMonitor(kModeDetect, false);
    Step();

    EXPECT_EQ(session_.tick().monitor().monitorOn, !monitorOff);
    EXPECT_FALSE(session_.motionRecording());
    EXPECT_EQ(camera_.finishes, 1);
    EXPECT_FALSE(session_.motionArmed());
    EXPECT_FALSE(camera_.encoderAttached());
    EXPECT_EQ(camera_.builds.size(), builds);
    ExpectRecordingShown(false);
    EXPECT_EQ(host_.TimerRunning(kBlinkTimer), !monitorOff);
    Motion(4);
    EXPECT_EQ(camera_.files.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Switches, EndsWithTheMonitor, ::testing::Bool());

// A dialog pauses the frame step for a moment; unticked within that moment, the file
// still ends and the output goes once the step runs again.
TEST_F(MotionRecordTest, UntickedDuringTheDialogsPauseTheFileEndsAfterIt) {
    Arm(kModeDetect);
    MotionFile();
    session_.SetPauseRequest(true);
    Step();
    ASSERT_TRUE(session_.tick().busy());
    ApplyMonitor(kModeDetect, false);
    session_.SetPauseRequest(false);
    session_.SettleStep();
    Calm(2);  // the step that ends the file, and the one that takes its end

    EXPECT_FALSE(session_.motionRecording());
    EXPECT_EQ(camera_.finishes, 1);
    EXPECT_FALSE(session_.motionArmed());
    EXPECT_FALSE(camera_.encoderAttached());
    Motion(4);
    EXPECT_EQ(camera_.files.size(), 1u);
}

// A file that cannot start says what a start by hand says, gives its number back and
// stays armed; it is not tried again on every frame of the same motion.
struct StartFailure {
    std::string cause;
    std::string message;
};
class FileStartFails : public MotionRecordTest,
                       public ::testing::WithParamInterface<StartFailure> {};

TEST_P(FileStartFails, TheMessageIsTheHandStartsAndTheSessionStaysArmed) {
    const StartFailure& c = GetParam();
    // A start by hand that fails the same way, for the message it shows.
    camera_.failStart = true;
    camera_.cause = c.cause;
    session_.ToggleRecorder();
    ASSERT_EQ(notices_.shown.size(), 1u);
    const auto handMessage = notices_.shown[0];
    EXPECT_EQ(handMessage.first, c.message);
    notices_.shown.clear();
    EXPECT_EQ(Content(In("Pellor.inf")), "0");

    Arm();
    Motion(1);
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0], handMessage);
    EXPECT_EQ(camera_.files.size(), 2u);
    EXPECT_EQ(Content(In("Pellor.inf")), "0") << "the number is given back";
    EXPECT_TRUE(session_.motionArmed());
    EXPECT_FALSE(session_.motionRecording());
    ExpectRecordingShown(false);
    EXPECT_TRUE(host_.TimerRunning(kFrameTimer));

    Motion(20);
    EXPECT_EQ(notices_.shown.size(), 1u) << "once for a burst of motion";
    camera_.failStart = false;
    Calm(3000 / kFramePeriodMs);
    Motion(1);
    EXPECT_TRUE(session_.motionRecording());
    EXPECT_EQ(camera_.files.back().path, dir_ + "/Tavelin-00000.avi");
}

INSTANTIATE_TEST_SUITE_P(Causes, FileStartFails,
                         ::testing::Values(StartFailure{"", msg::RecordFailed(320)},
                                           StartFailure{
                                               "No space left on device",
                                               msg::RecordFileFailed("No space left on device")}));

// Another program recording into the folder names its files first: the file on motion
// moves on to the next free number, which the path field and the counter show.
TEST_F(MotionRecordTest, NumbersAnotherProgramTookMoveTheFileOn) {
    Arm();
    camera_.namesTakenByOthers = 2;
    Motion(1);
    ASSERT_TRUE(session_.motionRecording());
    EXPECT_EQ(camera_.files.at(0).path, dir_ + "/Tavelin-00000.avi");
    EXPECT_EQ(camera_.named, dir_ + "/Tavelin-00002.avi");
    EXPECT_EQ(host_.aviPath, camera_.named);
    EXPECT_EQ(Content(In("Pellor.inf")), "3");
    Step();
    EXPECT_EQ(host_.recorderText, msg::kStopRecorder);
}

TEST_F(MotionRecordTest, AnOutputThatCannotBeLinkedSaysSoOnceAndThePreviewRunsOn) {
    camera_.failAttach = true;
    const std::size_t builds = camera_.builds.size();
    ApplyMonitor(0, true);
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, msg::RecordFailed(320));
    EXPECT_FALSE(session_.motionArmed());
    Calm(5);
    Motion(5);
    EXPECT_EQ(camera_.attachRequests.size(), 1u) << "not tried on every frame";
    EXPECT_EQ(notices_.shown.size(), 1u);
    EXPECT_TRUE(camera_.files.empty());
    EXPECT_EQ(camera_.builds.size(), builds);

    // A command that changes something tries again.
    camera_.failAttach = false;
    session_.RecordingChoicesChanged();
    EXPECT_TRUE(session_.motionArmed());
}

// The output could not be built again for a start by hand that encodes otherwise (the
// sound goes off when there is no sound device): one message for the one failure.
TEST_F(MotionRecordTest, AHandStartThatCannotRelinkTheOutputSaysSoOnce) {
    session_.ChooseLists({"Motion JPEG"}, false, {}, true, {"PCM"});
    session_.ToggleAudio();
    Arm();
    ASSERT_TRUE(camera_.attachRequests.back().audioEnabled);
    camera_.failAttach = true;
    session_.ToggleRecorder();
    Step();
    EXPECT_EQ(Messages(), std::vector<std::string>{msg::RecordFailed(320)});
    EXPECT_FALSE(session_.recordings().recording());
    EXPECT_EQ(Content(In("Pellor.inf")), "0") << "the number is given back";
    EXPECT_TRUE(camera_.files.empty());
}

TEST_F(MotionRecordTest, AGraphLostWhileWritingIsReportedAndArmedAgain) {
    Arm();
    Motion(1);
    ASSERT_TRUE(session_.motionRecording());
    camera_.cause = "No space left on device";
    camera_.loseOnNextTake = true;
    Step();
    session_.SettleStep();
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, msg::RecordFileFailed("No space left on device"));
    EXPECT_FALSE(session_.motionRecording());
    EXPECT_FALSE(session_.recordings().recording());
    // The next frame step links the output again.
    Step();
    EXPECT_TRUE(session_.motionArmed());
    EXPECT_EQ(camera_.attachRequests.size(), 2u);
}

TEST_F(MotionRecordTest, AFileTheGraphEndsOnAWriteErrorIsReportedAndStaysArmed) {
    Arm();
    Motion(1);
    ASSERT_TRUE(session_.motionRecording());
    host_.log.clear();
    FailWriting("No space left on device");
    Motion(1);
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, msg::RecordFileFailed("No space left on device"));
    EXPECT_FALSE(session_.motionRecording());
    ExpectRecordingShown(false);
    EXPECT_TRUE(session_.motionArmed());
    EXPECT_EQ(camera_.finishes, 0);
    EXPECT_EQ(Content(In("Pellor.inf")), "1") << "the file keeps its name and number";
    Motion(10);
    EXPECT_EQ(camera_.files.size(), 1u) << "the same burst of motion starts no new file";
}

TEST_F(MotionRecordTest, SecondsChangedWhileWritingTakeEffectAfterTheFile) {
    Arm(0, 3, 3);
    Motion(1);
    ApplyMonitor(0, true, 7, 3);
    EXPECT_TRUE(session_.motionRecording()) << "the file goes on";
    EXPECT_EQ(camera_.attachRequests.size(), 1u);
    Calm(CalmSteps());
    EXPECT_FALSE(session_.motionRecording());
    ASSERT_EQ(camera_.attachRequests.size(), 2u);
    EXPECT_EQ(camera_.attachSeconds[1], 7);
}

// A file on motion turns the date off, as a recording does; whichever way the file
// ends, the date comes back if it was on, unless the user pressed Show Time meanwhile.
enum class FileEnd { Calm, RecorderButton, MonitorOff, WriteError, GraphLost };
class DateAfterMotionFile : public MotionRecordTest,
                            public ::testing::WithParamInterface<std::tuple<FileEnd, bool, bool>> {
};

TEST_P(DateAfterMotionFile, ComesBackIfItWasOnAndNobodyPressedShowTime) {
    const auto [end, dateOn, pressedDuringFile] = GetParam();
    Arm();
    if (dateOn)
        session_.ToggleShowTime();
    MotionFile();
    EXPECT_FALSE(session_.tick().showDateTime());
    if (pressedDuringFile)
        session_.ToggleShowTime();
    const bool dateDuringFile = session_.tick().showDateTime();
    switch (end) {
        case FileEnd::Calm:
            Calm(CalmSteps());
            break;
        case FileEnd::RecorderButton:
            session_.ToggleRecorder();
            Step();
            break;
        case FileEnd::MonitorOff:
            ApplyMonitor(0, false);
            Step();
            break;
        case FileEnd::WriteError:
            FailWriting("No space left on device");
            Step();
            break;
        case FileEnd::GraphLost:
            camera_.loseOnNextTake = true;
            Step();
            session_.SettleStep();
            break;
    }
    ASSERT_FALSE(session_.motionRecording());
    EXPECT_EQ(session_.tick().showDateTime(), pressedDuringFile ? dateDuringFile : dateOn);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, DateAfterMotionFile,
    ::testing::Combine(::testing::Values(FileEnd::Calm, FileEnd::RecorderButton,
                                         FileEnd::MonitorOff, FileEnd::WriteError,
                                         FileEnd::GraphLost),
                       ::testing::Bool(), ::testing::Bool()));

TEST_F(MotionRecordTest, ShutdownFinishesAFileOnMotion) {
    Arm();
    MotionFile();
    session_.Shutdown();
    EXPECT_EQ(camera_.filesFinishedByTeardown, std::vector<std::string>{camera_.named});
    EXPECT_FALSE(camera_.writingFile());
}

// What a subscriber hears over more than a hundred frame steps, in the order it
// happened and only when the main loop delivers: a burst of motion and its file, a
// snapshot and the countdown shot, then a second file the camera's loss ends.
TEST_F(MotionRecordTest, EventsReachASubscriberInTheOrderTheyHappened) {
    Arm();
    std::vector<SessionEvent> heard;
    session_.events().Subscribe([&](const SessionEvent& e) { heard.push_back(e); });
    Motion(4);
    Calm(CalmSteps());
    ASSERT_TRUE(session_.BeginSnapshot());
    Step();
    session_.FinishSnapshot(In("shot.bmp"));
    session_.settings().timerShot.timerSeconds = 1;
    session_.ToggleTimerShot();
    Calm(1000 / kFramePeriodMs + 1);
    Motion(2);
    Step();
    camera_.loseOnNextTake = true;
    Step();
    session_.SettleStep();
    Calm(CalmSteps());
    EXPECT_TRUE(heard.empty()) << "nothing is handed out inside a frame step";

    session_.events().Deliver();
    std::vector<std::string> names;
    for (const SessionEvent& e : heard)
        names.push_back(EventName(e.kind));
    ASSERT_EQ(names,
              (std::vector<std::string>{"motion-started", "recording-started", "motion-ended",
                                        "recording-finished", "snapshot-saved", "still-saved",
                                        "motion-started", "recording-started", "camera-lost",
                                        "recording-failed", "camera-back", "motion-ended"}));
    EXPECT_EQ(heard[1].path, In("Tavelin-00000.avi"));
    EXPECT_TRUE(heard[1].onMotion);
    EXPECT_EQ(heard[3].path, In("Tavelin-00000.avi"));
    EXPECT_EQ(heard[3].frames, 40u);
    EXPECT_EQ(heard[4].path, In("shot.bmp"));
    EXPECT_EQ(heard[5].path, In("TimerCap.bmp"));
    EXPECT_EQ(heard[7].path, In("Tavelin-00001.avi"));
    EXPECT_TRUE(heard[9].onMotion);
    EXPECT_EQ(heard[9].message, msg::RecordFailed(320));
    EXPECT_EQ(session_.events().pending(), 0u);
    EXPECT_TRUE(session_.motionArmed()) << "armed again after the loss";
}

// The keeper's side as the session sees it: reports handed over one at a time.
class FakeStorageKeeper final : public IStorageKeeper {
public:
    void Watch(const StorageWatch& watch) override { watches.push_back(watch); }
    void CheckNow() override { ++checksAsked; }
    bool TakeReport(StorageReport& report) override {
        if (reports.empty())
            return false;
        report = reports.front();
        reports.erase(reports.begin());
        return true;
    }
    // `knewFile`: the check ran after the file being written was handed over (a check
    // asked for before a start may end after the start, knowing nothing of it).
    void Report(StorageVerdict verdict, std::vector<RemovedFile> removed = {},
                bool knewFile = true) {
        StorageReport report;
        report.verdict = verdict;
        report.removed = std::move(removed);
        report.writing = knewFile && !watches.empty() && !watches.back().writingPath.empty();
        reports.push_back(report);
    }
    std::vector<StorageWatch> watches;
    std::vector<StorageReport> reports;
    int checksAsked = 0;
};

// Space running out while a file on motion is written: the file is finished, the user
// is told once however often the keeper finds the folder full or motion comes, a start
// by hand is refused with the reason, and motion records again once space is back.
TEST_F(MotionRecordTest, SpaceRunningOutEndsTheFileOnceAndMotionRecordsAgainWhenSpaceIsBack) {
    FakeStorageKeeper keeper;
    session_.SetStorageKeeper(&keeper);
    session_.StorageLimitsChanged();
    ASSERT_FALSE(keeper.watches.empty());
    EXPECT_EQ(keeper.watches.back().recordingFolder, dir_);
    EXPECT_EQ(keeper.watches.back().limits.keepFreeMB, 1024);
    std::vector<SessionEvent> heard;
    session_.events().Subscribe([&](const SessionEvent& e) { heard.push_back(e); });
    Arm();

    keeper.Report(StorageVerdict::Ok, {{In("Tavelin-00003.avi"), 5000}});
    MotionFile();
    EXPECT_EQ(keeper.watches.back().writingPath, camera_.named) << "the file being written";
    EXPECT_TRUE(keeper.watches.back().armed);

    keeper.Report(StorageVerdict::Full, {}, false);
    Motion(2);
    EXPECT_TRUE(session_.motionRecording()) << "judged before the file was known";
    EXPECT_TRUE(Messages().empty());

    keeper.Report(StorageVerdict::Full);
    Motion(2);
    EXPECT_FALSE(session_.recordings().recording()) << "finished while there is space";
    for (int i = 0; i < 10; ++i) {
        keeper.Report(StorageVerdict::Full);
        Motion(1);
    }
    EXPECT_EQ(camera_.files.size(), 1u) << "no file starts while the folder is full";
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].starts_with(msg::kNoSpaceToRecord)) << Messages()[0];
    EXPECT_NE(Messages()[0].find("1.0 GB"), std::string::npos) << Messages()[0];

    session_.ToggleRecorder();
    EXPECT_EQ(camera_.files.size(), 1u);
    EXPECT_EQ(Messages().size(), 2u) << "a press is answered with the reason";
    EXPECT_FALSE(session_.recordings().recording());

    keeper.Report(StorageVerdict::Ok);
    Calm(1);
    MotionFile();
    EXPECT_EQ(camera_.files.size(), 2u) << "motion records again by itself";
    EXPECT_GT(keeper.checksAsked, 0);

    session_.events().Deliver();
    std::vector<std::string> names;
    for (const SessionEvent& e : heard) {
        if (e.kind != SessionEventKind::MotionStarted && e.kind != SessionEventKind::MotionEnded)
            names.push_back(EventName(e.kind));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"file-removed", "recording-started", "storage-full",
                                               "recording-finished", "storage-back",
                                               "recording-started"}));
    ASSERT_EQ(heard[0].kind, SessionEventKind::FileRemoved);
    EXPECT_EQ(heard[0].bytes, 5000u);
}

TEST(MotionRecordSetupTest, NumbersAreClampedIntoTheirRanges) {
    for (const auto& [before, calm, wantBefore, wantCalm] :
         {std::tuple{-1, 2, 0, 3}, std::tuple{0, 3, 0, 3}, std::tuple{10, 300, 10, 300},
          std::tuple{11, 301, 10, 300}, std::tuple{4, 60, 4, 60}}) {
        const MotionRecordSetup c = MotionRecordSetup{true, before, calm}.Clamped();
        EXPECT_EQ(c.secondsBefore, wantBefore) << before;
        EXPECT_EQ(c.calmSeconds, wantCalm) << calm;
        EXPECT_TRUE(c.enabled);
    }
}

}  // namespace
}  // namespace tavelin
