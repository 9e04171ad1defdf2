// Record on motion, driven through the session with a fake camera that can also arm,
// a fake window and a fake clock: when the armed graph runs, when a file starts and
// ends, and that it looks to the user like a recording started by hand.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "core/ArmedGraph.h"
#include "core/CameraSession.h"
#include "core/FrameFormat.h"
#include "core/Messages.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

// The capture object as the session sees it: a camera that previews, records by hand,
// or runs armed and writes files on request. Any other graph ends the armed one.
class FakeCamera : public testing::FakeFrameSource, public IRecordGraph, public IArmedGraph {
public:
    struct Arming {
        RecordRequest request;
        int secondsBefore;
    };

    // IFrameSource
    void Teardown() override {
        armed_ = writing_ = false;
        FakeFrameSource::Teardown();
    }
    bool BuildPreviewGraph(int w, int h) override {
        armed_ = writing_ = false;
        return FakeFrameSource::BuildPreviewGraph(w, h);
    }
    std::string failureCause() const override { return cause; }

    // IRecordGraph
    bool BuildRecordGraph(const RecordRequest& request) override {
        recordings.push_back(request);
        if (recordFails) {
            cause = fault;
            return false;
        }
        Run(request.width, request.height);
        return true;
    }
    bool audioFailed() const override { return false; }
    void ClearAudioFailed() override {}

    // IArmedGraph
    bool BuildArmedGraph(const RecordRequest& request, int secondsBefore) override {
        armings.push_back({request, secondsBefore});
        writing_ = false;
        armed_ = !armFails;
        if (armed_)
            Run(request.width, request.height);
        return armed_;
    }
    bool armed() const override { return armed_; }
    bool StartArmedFile(const std::string& path, bool replaceExisting,
                        IRecordingNames* names) override {
        files.emplace_back(path, replaceExisting);
        named = testing::NameAfterOthersTookIt(path, names, namesTakenByOthers);
        if (startFails)
            cause = fault;
        writing_ = !startFails && !named.empty();
        return writing_;
    }
    bool FinishArmedFile() override {
        ++finishes;
        writing_ = false;
        return true;
    }
    bool writingArmedFile() const override { return writing_; }
    // A write error while writing: the file ends, the graph stays armed.
    void FailWriting(const std::string& why) {
        cause = why;
        writing_ = false;
    }

    bool recordFails = false;
    bool armFails = false;
    bool startFails = false;
    std::string fault;  // the file's fault a failing build or start names
    std::vector<RecordRequest> recordings;
    std::vector<Arming> armings;
    std::vector<std::pair<std::string, bool>> files;  // path, replaceExisting
    int finishes = 0;
    int namesTakenByOthers = 0;
    std::string named;  // the name the last file got

private:
    bool armed_ = false;
    bool writing_ = false;
};

class MotionRecordTest : public testing::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        session_.SetFiles({In("Pellor.inf"), In("TimerCap.bmp"), In("snap.bmp")});
        ASSERT_TRUE(session_.StartCamera());
        session_.StartNumbering(dir_);
        session_.ChooseLists({"Motion JPEG", "x264"}, true, {"Test Tone Microphone"}, true,
                             {"PCM", "MP3"});
        // The window's fields, as CollectChoices hands them over.
        host_.onCollect = [this] {
            session_.SetAviPathText(host_.aviPath);
            session_.SetListSelections(1, 0, 0);
        };
        ASSERT_TRUE(session_.SelectCaptureSize(0));
        host_.log.clear();
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
    static std::string Content(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The user sees a recording: light, text, switch and the choices held fixed.
    void ExpectRecordingShown(bool shown) {
        EXPECT_EQ(session_.tick().recording, shown);
        EXPECT_EQ(host_.recorderText, shown ? msg::kStopRecorder : msg::kRunRecorder);
        EXPECT_EQ(host_.visible["record light"], shown);
        EXPECT_EQ(host_.enabled["sizes"], !shown);
        EXPECT_EQ(host_.enabled["recording settings"], !shown);
        EXPECT_TRUE(host_.Logged(shown ? "recorder switch down" : "recorder switch up"));
    }

    FakeCamera camera_;
    testing::FakeHost host_;
    testing::FakeNotices notices_;
    testing::FakeClock clock_;
    testing::FakeAlarm alarm_;
    CCameraSession session_{camera_, camera_, host_, notices_, clock_, &alarm_, &camera_};
    std::vector<std::uint8_t> scene_;  // what the camera sees
    bool blockShown_ = false;
};

TEST_F(MotionRecordTest, ArmsOnlyWhileTheMonitorRunsWithTheFunctionAtASizeItWatches) {
    ApplyMonitor(7, false);
    EXPECT_FALSE(session_.motionArmed()) << "off by default and while unticked";
    EXPECT_TRUE(camera_.armings.empty());

    // Ticked alone, it switches the monitor on by itself.
    ApplyMonitor(0, true, 5, 20);
    EXPECT_TRUE(session_.tick().monitor.monitorOn);
    ASSERT_TRUE(session_.motionArmed());
    ASSERT_EQ(camera_.armings.size(), 1u);
    const FakeCamera::Arming& arming = camera_.armings[0];
    EXPECT_EQ(arming.secondsBefore, 5);
    EXPECT_EQ(arming.request.width, 320);
    EXPECT_EQ(arming.request.height, 240);
    EXPECT_EQ(arming.request.videoCompressorIndex, 1) << "the window's list, as for Recorder";
    EXPECT_EQ(arming.request.masterStream, session_.settings().recording.masterStream);
    EXPECT_FALSE(arming.request.audioEnabled);

    // The audio switch changes what is encoded: armed again with sound.
    session_.ToggleAudio();
    ASSERT_EQ(camera_.armings.size(), 2u);
    EXPECT_TRUE(camera_.armings[1].request.audioEnabled);
    // The same choices again change nothing.
    session_.RecordingChoicesChanged();
    EXPECT_EQ(camera_.armings.size(), 2u);

    // Sizes the monitor does not watch get the preview; a watched one arms again.
    for (int size : {3, 5}) {
        ASSERT_TRUE(session_.SelectCaptureSize(size));
        EXPECT_FALSE(session_.motionArmed()) << size;
    }
    ASSERT_TRUE(session_.SelectCaptureSize(2));
    EXPECT_TRUE(session_.motionArmed());
    EXPECT_EQ(camera_.armings.back().request.width, 640);

    // Unticked: the preview comes back.
    ApplyMonitor(3, false);
    EXPECT_FALSE(session_.motionArmed());
    EXPECT_EQ(camera_.builds.back(), std::make_pair(640, 480));
    EXPECT_FALSE(session_.tick().monitor.motionWatch.initialised());
}

// The block's size against the alarm's limits (a record wider than 15 or taller than 11
// pixels), under each monitor mode: with or without the alarm the same frames count.
using Edge = std::tuple<std::uint8_t, std::tuple<int, int, bool>>;
class AlarmLevelEdge : public MotionRecordTest, public ::testing::WithParamInterface<Edge> {};

TEST_P(AlarmLevelEdge, MotionAtTheAlarmsLevelStartsANumberedFileAsRecorderWould) {
    const auto [mode, block] = GetParam();
    const auto [w, h, starts] = block;
    Arm(mode);
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
    EXPECT_EQ(camera_.files[0].first, dir_ + "/Tavelin-00000.avi");
    EXPECT_FALSE(camera_.files[0].second) << "a numbered file never replaces one";
    EXPECT_EQ(host_.aviPath, camera_.files[0].first);
    EXPECT_EQ(Content(In("Pellor.inf")), "1");
    ExpectRecordingShown(true);
    EXPECT_TRUE(camera_.recordings.empty()) << "no graph built: the camera goes on";
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
    EXPECT_FALSE(session_.motionRecording());
    EXPECT_EQ(camera_.finishes, 1);
    EXPECT_TRUE(session_.motionArmed()) << "armed for the next motion";
    ExpectRecordingShown(false);
    EXPECT_EQ(camera_.files.size(), 1u);

    // The next motion takes the next number.
    Motion(1);
    ASSERT_EQ(camera_.files.size(), 2u);
    EXPECT_EQ(camera_.files[1].first, dir_ + "/Tavelin-00001.avi");
}

INSTANTIATE_TEST_SUITE_P(Seconds, CalmTime,
                         ::testing::Values(MotionRecordSetup::kMinCalmSeconds, 10));

TEST_F(MotionRecordTest, ARecordingStartedByHandIsNeverStoppedOrSplit) {
    Arm();
    session_.ToggleRecorder();
    ASSERT_TRUE(session_.tick().recording);
    ASSERT_EQ(camera_.recordings.size(), 1u);
    EXPECT_FALSE(session_.motionArmed()) << "the hand's recording has its own graph";
    EXPECT_EQ(camera_.recordings[0].path, dir_ + "/Tavelin-00000.avi");

    Motion(6);
    Calm(200);
    Motion(6);
    EXPECT_TRUE(session_.tick().recording);
    EXPECT_TRUE(camera_.files.empty());
    EXPECT_EQ(camera_.finishes, 0);
    EXPECT_EQ(camera_.armings.size(), 1u);

    // Stopped by hand: armed again, and motion records.
    session_.ToggleRecorder();
    EXPECT_FALSE(session_.tick().recording);
    EXPECT_TRUE(session_.motionArmed());
    EXPECT_EQ(camera_.armings.size(), 2u);
    Calm(2);
    Motion(1);
    ASSERT_EQ(camera_.files.size(), 1u);
    EXPECT_EQ(camera_.files[0].first, dir_ + "/Tavelin-00001.avi");
}

TEST_F(MotionRecordTest, TheRecorderButtonStopsAMotionFileAndTheNextWaitsForCalm) {
    Arm();
    Motion(1);
    ASSERT_TRUE(session_.motionRecording());
    const int previews = static_cast<int>(camera_.builds.size());
    host_.log.clear();
    session_.ToggleRecorder();
    EXPECT_FALSE(session_.motionRecording());
    EXPECT_EQ(camera_.finishes, 1);
    EXPECT_TRUE(session_.motionArmed());
    EXPECT_EQ(static_cast<int>(camera_.builds.size()), previews) << "the camera goes on";
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

// Turning the monitor off, or the function, finishes the file and brings the preview.
class EndsWithTheMonitor : public MotionRecordTest, public ::testing::WithParamInterface<bool> {};

TEST_P(EndsWithTheMonitor, TheFileIsFinishedAndThePreviewComesBack) {
    const bool monitorOff = GetParam();
    Arm(kModeDetect);
    Motion(1);
    ASSERT_TRUE(session_.motionRecording());
    host_.log.clear();
    if (monitorOff)
        ApplyMonitor(0, false);
    else
        ApplyMonitor(kModeDetect, false);

    EXPECT_EQ(session_.tick().monitor.monitorOn, !monitorOff);
    EXPECT_FALSE(session_.motionRecording());
    EXPECT_EQ(camera_.finishes, 1);
    EXPECT_FALSE(session_.motionArmed());
    EXPECT_EQ(camera_.builds.back(), std::make_pair(320, 240));
    ExpectRecordingShown(false);
    EXPECT_EQ(host_.TimerRunning(kBlinkTimer), !monitorOff);
    Motion(4);
    EXPECT_EQ(camera_.files.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Switches, EndsWithTheMonitor, ::testing::Bool());

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
    camera_.recordFails = true;
    camera_.fault = c.cause;
    session_.ToggleRecorder();
    ASSERT_EQ(notices_.shown.size(), 1u);
    const auto handMessage = notices_.shown[0];
    EXPECT_EQ(handMessage.first, c.message);
    notices_.shown.clear();
    camera_.recordFails = false;
    EXPECT_EQ(Content(In("Pellor.inf")), "0");

    Arm();
    camera_.startFails = true;
    Motion(1);
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0], handMessage);
    EXPECT_EQ(camera_.files.size(), 1u);
    EXPECT_EQ(Content(In("Pellor.inf")), "0") << "the number is given back";
    EXPECT_TRUE(session_.motionArmed());
    EXPECT_FALSE(session_.motionRecording());
    ExpectRecordingShown(false);
    EXPECT_TRUE(host_.TimerRunning(kFrameTimer));

    Motion(20);
    EXPECT_EQ(notices_.shown.size(), 1u) << "once for a burst of motion";
    camera_.startFails = false;
    Calm(3000 / kFramePeriodMs);
    Motion(1);
    EXPECT_TRUE(session_.motionRecording());
    EXPECT_EQ(camera_.files.back().first, dir_ + "/Tavelin-00000.avi");
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
    EXPECT_EQ(camera_.files.at(0).first, dir_ + "/Tavelin-00000.avi");
    EXPECT_EQ(camera_.named, dir_ + "/Tavelin-00002.avi");
    EXPECT_EQ(host_.aviPath, camera_.named);
    EXPECT_EQ(Content(In("Pellor.inf")), "3");
}

TEST_F(MotionRecordTest, AnArmedGraphThatCannotBeBuiltSaysSoOnceAndPreviews) {
    camera_.armFails = true;
    ApplyMonitor(0, true);
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, msg::RecordFailed(320));
    EXPECT_FALSE(session_.motionArmed());
    EXPECT_EQ(camera_.builds.back(), std::make_pair(320, 240));
    Calm(5);
    Motion(5);
    EXPECT_EQ(camera_.armings.size(), 1u) << "not tried on every frame";
    EXPECT_EQ(notices_.shown.size(), 1u);
    EXPECT_TRUE(camera_.files.empty());

    // A command that changes something tries again.
    camera_.armFails = false;
    session_.RecordingChoicesChanged();
    EXPECT_TRUE(session_.motionArmed());
}

TEST_F(MotionRecordTest, AGraphLostWhileWritingIsReportedAndArmedAgain) {
    Arm();
    Motion(1);
    ASSERT_TRUE(session_.motionRecording());
    camera_.cause = "No space left on device";
    camera_.loseOnNextWait = true;
    Step();
    // The tick's recovery said why and built the preview; the session arms again.
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, msg::RecordFileFailed("No space left on device"));
    EXPECT_FALSE(session_.motionRecording());
    EXPECT_FALSE(session_.tick().recording);
    EXPECT_TRUE(session_.motionArmed());
}

TEST_F(MotionRecordTest, AFileTheGraphEndsOnAWriteErrorIsReportedAndStaysArmed) {
    Arm();
    Motion(1);
    ASSERT_TRUE(session_.motionRecording());
    host_.log.clear();
    camera_.FailWriting("No space left on device");
    Motion(1);
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, msg::RecordFileFailed("No space left on device"));
    EXPECT_FALSE(session_.motionRecording());
    ExpectRecordingShown(false);
    EXPECT_TRUE(session_.motionArmed());
    EXPECT_EQ(camera_.finishes, 0);
    Motion(10);
    EXPECT_EQ(camera_.files.size(), 1u) << "the same burst of motion starts no new file";
}

TEST_F(MotionRecordTest, SecondsChangedWhileWritingTakeEffectAfterTheFile) {
    Arm(0, 3, 3);
    Motion(1);
    ApplyMonitor(0, true, 7, 3);
    EXPECT_TRUE(session_.motionRecording()) << "the file goes on";
    EXPECT_EQ(camera_.armings.size(), 1u);
    Calm(3000 / kFramePeriodMs);
    EXPECT_FALSE(session_.motionRecording());
    ASSERT_EQ(camera_.armings.size(), 2u);
    EXPECT_EQ(camera_.armings[1].secondsBefore, 7);
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
    session_.tick().showDateTime = dateOn;
    Motion(1);
    ASSERT_TRUE(session_.motionRecording());
    EXPECT_FALSE(session_.tick().showDateTime);
    if (pressedDuringFile)
        session_.ToggleShowTime();
    const bool dateDuringFile = session_.tick().showDateTime;
    switch (end) {
        case FileEnd::Calm:
            Calm(3000 / kFramePeriodMs);
            break;
        case FileEnd::RecorderButton:
            session_.ToggleRecorder();
            break;
        case FileEnd::MonitorOff:
            ApplyMonitor(0, false);
            break;
        case FileEnd::WriteError:
            camera_.FailWriting("No space left on device");
            Step();
            break;
        case FileEnd::GraphLost:
            camera_.loseOnNextWait = true;
            Step();
            break;
    }
    ASSERT_FALSE(session_.motionRecording());
    EXPECT_EQ(session_.tick().showDateTime, pressedDuringFile ? dateDuringFile : dateOn);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, DateAfterMotionFile,
    ::testing::Combine(::testing::Values(FileEnd::Calm, FileEnd::RecorderButton,
                                         FileEnd::MonitorOff, FileEnd::WriteError,
                                         FileEnd::GraphLost),
                       ::testing::Bool(), ::testing::Bool()));

TEST_F(MotionRecordTest, ShutdownFinishesAFileOnMotion) {
    Arm();
    Motion(1);
    session_.Shutdown();
    EXPECT_EQ(camera_.finishes, 1);
    EXPECT_FALSE(session_.motionRecording());
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
