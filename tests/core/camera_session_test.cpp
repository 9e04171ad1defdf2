// The rules of the main window's commands, driven through the session with a fake
// camera, window and clock: what the user would see, in which order, and the files.

#include "core/CameraSession.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/FileNames.h"
#include "core/FrameFormat.h"
#include "core/Messages.h"
#include "core/RecordFailure.h"
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
        SelectSize(0);
        host_.log.clear();
    }
    // A size button, and the pause after it.
    void SelectSize(int sizeIndex) {
        ASSERT_TRUE(session_.SelectCaptureSize(sizeIndex));
        ASSERT_TRUE(host_.TimerRunning(kSettleTimer));
        session_.SettleStep();
        ASSERT_FALSE(session_.busy());
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

    void WriteCounter(const std::string& text) { std::ofstream(In("Pellor.inf")) << text; }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& [text, style] : notices_.shown)
            texts.push_back(text);
        return texts;
    }

    testing::FakeCameraGraph graph_;
    FakeHost host_;
    testing::FakeNotices notices_;
    testing::FakeClock clock_;
    testing::FakeAlarm alarm_;
    CCameraSession session_{graph_, host_, notices_, clock_, &alarm_};
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
    EXPECT_FALSE(session_.ChosenRequest().audioCompression);
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

// Taking and giving back the window's controls around a recording, by size: an enlarged
// size falls back to the camera's 640 x 480 before the file starts.
struct ControlsCase {
    int sizeIndex;
    bool monitorOn;
    bool shrunk;
};

class RecordingControls : public CameraSessionTest,
                          public ::testing::WithParamInterface<ControlsCase> {};

TEST_P(RecordingControls, FollowTheRecordingAndShrinkEnlargedSizes) {
    const ControlsCase& c = GetParam();
    SelectSize(c.sizeIndex);
    if (c.monitorOn) {
        session_.settings().monitor.monitorMode = kModeTrack;
        session_.ApplyMonitorSettings(true);
    }
    session_.ToggleShowTime();
    const std::size_t builds = graph_.builds.size();
    const CFrameTick& tick = session_.tick();

    session_.ToggleRecorder();

    if (c.shrunk) {
        EXPECT_EQ(Messages(), std::vector<std::string>{"Not all video size are compatible!\r\n\r\n"
                                                       "Auto adjust video size : 640x480.\r\n"});
        EXPECT_EQ(tick.sizeIndex(), 2);
        EXPECT_EQ(host_.checkedSize, 2);
        EXPECT_EQ(tick.frameWidth(), 640);
        EXPECT_EQ(tick.frameHeight(), 480);
        EXPECT_FALSE(tick.enlarge());
        EXPECT_TRUE(host_.Logged("display 640x480"));
        EXPECT_EQ(tick.enlargedFrame().size(), FrameBytes(640, 480));
        EXPECT_EQ(graph_.builds.size(), builds + 1);
        EXPECT_EQ(graph_.builds.back(), std::make_pair(640, 480));
    } else {
        EXPECT_TRUE(notices_.shown.empty());
        EXPECT_EQ(host_.checkedSize, c.sizeIndex);
        EXPECT_EQ(graph_.builds.size(), builds) << "the camera goes on";
    }
    ASSERT_EQ(graph_.files.size(), 1u);
    EXPECT_EQ(graph_.attachRequests.back().width, tick.frameWidth());
    for (const char* control : {"sizes", "recording settings", "recorder text", "display choice"})
        EXPECT_FALSE(host_.enabled[control]) << control;
    EXPECT_FALSE(tick.showDateTime()) << "the date overlay goes off";
    EXPECT_TRUE(tick.blink());
    EXPECT_TRUE(host_.visible["record light"]);
    EXPECT_TRUE(host_.TimerRunning(kBlinkTimer));
    EXPECT_EQ(host_.cursor, CursorShape::Wait);

    // The file has its first data: the Stop text, and the display may change.
    session_.GraphNews();
    EXPECT_EQ(host_.recorderText, msg::kStopRecorder);
    EXPECT_TRUE(host_.enabled["recorder text"]);
    EXPECT_TRUE(host_.enabled["display choice"]);
    EXPECT_FALSE(host_.enabled["sizes"]);
    EXPECT_EQ(host_.cursor, CursorShape::Normal);

    session_.ToggleRecorder();
    EXPECT_FALSE(host_.enabled["recorder text"]) << "waits for the file's end";
    session_.GraphNews();
    EXPECT_FALSE(session_.recordings().recording());
    for (const char* control : {"sizes", "recording settings", "recorder text", "display choice"})
        EXPECT_TRUE(host_.enabled[control]) << control;
    EXPECT_EQ(host_.recorderText, msg::kRunRecorder);
    EXPECT_FALSE(tick.blink());
    EXPECT_FALSE(host_.visible["record light"]);
    // The blink timer belongs to a running monitor as well.
    EXPECT_EQ(host_.TimerRunning(kBlinkTimer), c.monitorOn);
    EXPECT_TRUE(host_.Logged("recorder switch up"));
    EXPECT_FALSE(tick.showDateTime()) << "a recording by hand leaves the date off";
    EXPECT_EQ(graph_.builds.size(), builds + (c.shrunk ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(Sizes, RecordingControls,
                         ::testing::Values(ControlsCase{4, false, true},
                                           ControlsCase{5, true, true},
                                           ControlsCase{2, false, false},
                                           ControlsCase{0, true, false}));

TEST_F(CameraSessionTest, WithoutAnAudioDeviceTheAudioSwitchStaysOff) {
    session_.ChooseLists({"a"}, false, {}, true, {"PCM"});
    session_.ToggleAudio();
    EXPECT_TRUE(session_.audioEnabled());
    EXPECT_TRUE(host_.visible["audio strip"]);
    session_.ToggleRecorder();
    EXPECT_FALSE(session_.audioEnabled());
    EXPECT_FALSE(host_.enabled["audio switch"]);
    EXPECT_FALSE(graph_.attachRequests.back().audioEnabled);
    session_.GraphNews();
    session_.ToggleRecorder();
    session_.GraphNews();
    EXPECT_FALSE(host_.enabled["audio switch"]) << "not given back after the recording";

    session_.ChooseLists({"a"}, true, {"NoneSuch Mic"}, true, {"PCM"});
    host_.enabled.clear();
    session_.ToggleRecorder();
    EXPECT_FALSE(host_.enabled["audio switch"]) << "a device named None... counts as none";
}

// A recording by hand: the counter's number, the window's selections, frames all along,
// and the camera built once: starting and stopping a file never rebuilds it.
TEST_F(CameraSessionTest, RecordingByHandNumbersItsFileAndKeepsTheCameraRunning) {
    SelectSize(2);
    WriteCounter("12");
    session_.settings().recording.masterStream = -1;
    session_.SetListSelections(0, 0, 0);
    const std::size_t builds = graph_.builds.size();

    session_.ToggleRecorder();
    ASSERT_EQ(graph_.files.size(), 1u);
    EXPECT_EQ(graph_.files[0].path, In("Tavelin-00012.avi"));
    EXPECT_FALSE(graph_.files[0].replaceExisting);
    EXPECT_FALSE(graph_.files[0].fromRing) << "by hand it starts with the next picture";
    EXPECT_EQ(host_.aviPath, In("Tavelin-00012.avi"));
    EXPECT_EQ(Content(In("Pellor.inf")), "13");
    ASSERT_EQ(graph_.attachRequests.size(), 1u);
    const RecordRequest& r = graph_.attachRequests[0];
    EXPECT_EQ(r.width, 640);
    EXPECT_EQ(r.height, 480);
    EXPECT_EQ(r.masterStream, -1);
    EXPECT_TRUE(r.audioCompression);
    EXPECT_NE(host_.recorderText, msg::kStopRecorder) << "Stop shows once the file has data";

    const int framesBefore = host_.frames;
    Steps(100);
    EXPECT_EQ(host_.frames - framesBefore, 100);
    EXPECT_EQ(host_.recorderText, msg::kStopRecorder);
    EXPECT_TRUE(session_.recordings().recording());
    EXPECT_TRUE(host_.TimerRunning(kFrameTimer));

    session_.ToggleRecorder();
    Steps(1);
    EXPECT_FALSE(session_.recordings().recording());
    EXPECT_EQ(host_.recorderText, msg::kRunRecorder);
    EXPECT_FALSE(host_.visible["record light"]);
    EXPECT_EQ(Content(In("Pellor.inf")), "13") << "stopping leaves the next number";
    EXPECT_EQ(graph_.builds.size(), builds);
    EXPECT_FALSE(graph_.encoderAttached()) << "the output went with its file";
    EXPECT_TRUE(notices_.shown.empty());
    EXPECT_TRUE(host_.TimerRunning(kFrameTimer));
}

// A start that fails, at once or before its first data: the message by the file's cause
// or the shown width, the number given back, the preview running on.
struct StartFailure {
    const char* what;
    int sizeIndex;
    bool typed;
    bool failsLater;    // the graph's news says so, rather than StartFile
    const char* cause;  // the file's fault
    std::string message;
};

class RecordingStartFails : public CameraSessionTest,
                            public ::testing::WithParamInterface<StartFailure> {};

TEST_P(RecordingStartFails, SaysWhyGivesTheNumberBackAndThePreviewRunsOn) {
    const StartFailure& c = GetParam();
    SelectSize(c.sizeIndex);
    WriteCounter("9");
    session_.settings().recording.useTypedNameOnce = c.typed;
    if (c.typed)
        session_.SetAviPathText(In("mine.avi"));
    graph_.cause = c.cause;
    if (c.failsLater)
        graph_.failFirstData = c.cause;
    else
        graph_.failStart = true;
    const std::size_t builds = graph_.builds.size();

    session_.ToggleRecorder();
    Steps(1);

    ASSERT_EQ(graph_.files.size(), 1u);
    EXPECT_EQ(graph_.files[0].replaceExisting, c.typed) << "only a typed name replaces";
    EXPECT_EQ(Messages(), std::vector<std::string>{c.message});
    EXPECT_EQ(notices_.shown[0].second, NoticeStyle::Warning);
    EXPECT_EQ(Content(In("Pellor.inf")), "9");
    EXPECT_FALSE(session_.recordings().recording());
    EXPECT_FALSE(session_.busy());
    EXPECT_TRUE(host_.TimerRunning(kFrameTimer));
    EXPECT_EQ(graph_.builds.size(), builds);
    EXPECT_EQ(host_.recorderText, msg::kRunRecorder);
    EXPECT_TRUE(host_.enabled["sizes"]);

    // The next press records.
    graph_.failStart = false;
    graph_.failFirstData.clear();
    session_.ToggleRecorder();
    Steps(1);
    EXPECT_EQ(host_.recorderText, msg::kStopRecorder);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, RecordingStartFails,
    ::testing::Values(StartFailure{"640", 2, false, false, "", msg::kRecordFailedContent},
                      StartFailure{"800", 3, false, false, "", msg::kRecordFailedSize800},
                      StartFailure{"typed", 1, true, false, "", msg::kRecordFailedContent},
                      StartFailure{"full disk", 2, false, false,
                                   "Not enough space to write the AVI file.",
                                   "Failed to capture AVI file.Stopping capture!\r\n\r\n"
                                   "Not enough space to write the AVI file.\r\n"},
                      StartFailure{"full disk later", 2, false, true, "No space left on device",
                                   msg::RecordFileFailed("No space left on device")},
                      StartFailure{"typed, later", 3, true, true, "No space left on device",
                                   msg::RecordFileFailed("No space left on device")}),
    [](const auto& info) {
        std::string name = info.param.what;
        std::replace_if(
            name.begin(), name.end(), [](char ch) { return !std::isalnum(ch); }, '_');
        return name;
    });

TEST_F(CameraSessionTest, NoNumberLeftStartsNothingAndSaysSo) {
    std::ofstream(In("Tavelin-2147483646.avi")) << "earlier";
    WriteCounter("2147483646");
    session_.ToggleRecorder();
    EXPECT_EQ(Messages(), std::vector<std::string>{msg::kNoRecordingNumberLeft});
    EXPECT_TRUE(graph_.files.empty());
    EXPECT_FALSE(graph_.encoderAttached());
    EXPECT_EQ(Content(In("Pellor.inf")), "2147483646");
    EXPECT_FALSE(session_.recordings().recording());
    EXPECT_EQ(host_.recorderText, msg::kRunRecorder);
    EXPECT_TRUE(host_.enabled["sizes"]);
}

TEST_F(CameraSessionTest, AudioFallbackIsReportedOnceWhenSoundIsOn) {
    graph_.failAudio = true;
    session_.ToggleAudio();
    session_.ToggleRecorder();
    EXPECT_TRUE(notices_.shown.empty()) << "said once the file runs";
    Steps(3);
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_NE(notices_.shown[0].first.find("Auto adjust Audio Format : PCM"), std::string::npos);
    EXPECT_FALSE(graph_.audioFailed());
    session_.ToggleRecorder();
    Steps(1);

    session_.ToggleAudio();
    notices_.shown.clear();
    session_.ToggleRecorder();
    Steps(3);
    EXPECT_TRUE(notices_.shown.empty()) << "no sound asked, nothing to report";
}

// The camera lost: the graph is built again at the camera's size after a pause, and a
// recording that ran is over, told by its cause: the file's fault, the camera's silence,
// the compressor by the shown width, or a camera that did not come back.
struct LossCase {
    int sizeIndex;
    bool recording;
    bool rebuildSucceeds;
    std::pair<int, int> rebuiltAt;
    std::vector<std::string> messages;
    std::string fileCause = {};  // the graph failed because of the recording's file
    bool cameraStopped = false;  // the camera went quiet or reported the error itself
};

class CameraLost : public CameraSessionTest, public ::testing::WithParamInterface<LossCase> {};

TEST_P(CameraLost, RebuildsAtTheCameraSizeAndSaysHowTheRecordingEnded) {
    const LossCase& c = GetParam();
    SelectSize(c.sizeIndex);
    const bool enlarged = session_.tick().enlarge();
    std::vector<SessionEventKind> seen;
    session_.events().Subscribe([&](const SessionEvent& e) { seen.push_back(e.kind); });
    if (c.recording) {
        session_.ToggleRecorder();
        Steps(1);
        ASSERT_EQ(host_.recorderText, msg::kStopRecorder);
    }
    host_.StartTimer(kBlinkTimer, kBlinkPeriodMs);
    graph_.builds.clear();
    graph_.loseOnNextTake = true;
    graph_.cause = c.fileCause;
    graph_.stopped = c.cameraStopped;
    graph_.buildResults = {c.rebuildSucceeds};

    Steps(1);
    ASSERT_TRUE(host_.TimerRunning(kSettleTimer));
    EXPECT_TRUE(graph_.builds.empty()) << "built again after the pause";
    session_.SettleStep();

    EXPECT_EQ(graph_.builds, (std::vector<std::pair<int, int>>{c.rebuiltAt}));
    EXPECT_EQ(Messages(), c.messages);
    EXPECT_FALSE(session_.recordings().recording());
    EXPECT_EQ(session_.tick().enlarge(), enlarged);
    session_.events().Deliver();
    std::vector<SessionEventKind> expected = {SessionEventKind::CameraLost};
    if (c.recording) {
        expected.insert(expected.begin(), SessionEventKind::RecordingStarted);
        expected.push_back(SessionEventKind::RecordingFailed);
        EXPECT_EQ(host_.recorderText, msg::kRunRecorder);
        EXPECT_TRUE(host_.enabled["sizes"]);
        EXPECT_FALSE(host_.visible["record light"]);
        // The file keeps what reached it, under its number.
        EXPECT_EQ(graph_.filesFinishedByTeardown,
                  std::vector<std::string>{In("Tavelin-00000.avi")});
        EXPECT_EQ(Content(In("Pellor.inf")), "1");
    }
    if (c.rebuildSucceeds) {
        expected.push_back(SessionEventKind::CameraBack);
        EXPECT_FALSE(session_.busy());
        EXPECT_TRUE(host_.TimerRunning(kFrameTimer));
    } else {
        EXPECT_TRUE(session_.busy());
        EXPECT_FALSE(host_.TimerRunning(kFrameTimer));
        EXPECT_TRUE(session_.tick().enlargedFrame().empty());
        session_.BlinkStep();  // the next blink finds busy set and stops its own timer
        EXPECT_FALSE(host_.TimerRunning(kBlinkTimer));
    }
    EXPECT_EQ(seen, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CameraLost,
    ::testing::Values(LossCase{0, false, true, {320, 240}, {}},
                      LossCase{5, false, true, {640, 480}, {}},
                      LossCase{4, false, true, {800, 600}, {}},
                      LossCase{3, true, true, {800, 600}, {msg::kRecordFailedSize800}},
                      LossCase{2, true, true, {640, 480}, {msg::kRecordFailedContent}},
                      LossCase{2, false, false, {640, 480}, {msg::kDeviceLost}},
                      LossCase{
                          1, true, false, {320, 240}, {msg::kDeviceLost, msg::kRecordDeviceLost}},
                      // A full disk stops the recording; the camera itself is fine.
                      LossCase{3,
                               true,
                               true,
                               {800, 600},
                               {msg::RecordFileFailed(kNoSpaceForRecording)},
                               kNoSpaceForRecording},
                      LossCase{1,
                               true,
                               false,
                               {320, 240},
                               {msg::kDeviceLost, msg::RecordFileFailed("Cannot write.")},
                               "Cannot write."},
                      // The camera went quiet and came back: the encoder is not to blame.
                      LossCase{3, true, true, {800, 600}, {msg::kRecordCameraStopped}, "", true},
                      // The file's cause wins over the camera's silence that followed it.
                      LossCase{2,
                               true,
                               true,
                               {640, 480},
                               {msg::RecordFileFailed(kNoSpaceForRecording)},
                               kNoSpaceForRecording,
                               true}));

// Motion is published wherever the monitor measures it, also where no file can follow
// it: the alarm alone, on a camera that cannot record on motion.
TEST_F(CameraSessionTest, MotionIsPublishedAlsoWhereFilesCannotFollowIt) {
    CCameraSession session{graph_, host_, notices_, clock_, &alarm_, false};
    ASSERT_TRUE(session.StartCamera());
    session.settings().monitor.monitorMode = kModeDetect;
    session.settings().monitor.motionRecord = {true, 3, 3};
    session.ApplyMonitorSettings(true);
    std::vector<SessionEventKind> heard;
    session.events().Subscribe([&](const SessionEvent& e) { heard.push_back(e.kind); });
    for (int step = 0; step < 100; ++step) {
        // A block shows on steps 10 and 12, and is gone on 11 and 13.
        const bool block = step == 10 || step == 12;
        std::fill(graph_.buffer().begin(), graph_.buffer().end(), 0x40);
        for (int y = 5; y < 25; ++y)
            std::fill_n(graph_.buffer().begin() + (y * 320 + 5) * 3, 30 * 3, block ? 250 : 0x40);
        session.FrameStep();
        clock_.tick += kFramePeriodMs;
    }
    session.events().Deliver();
    EXPECT_FALSE(alarm_.played.empty());
    EXPECT_EQ(heard, (std::vector<SessionEventKind>{SessionEventKind::MotionStarted,
                                                    SessionEventKind::MotionEnded}));
    EXPECT_TRUE(graph_.attachRequests.empty());
    EXPECT_FALSE(session.motionArmed());
}

TEST_F(CameraSessionTest, DisplaySwitchHoldsTheFrameStepOffMeanwhile) {
    session_.ShowDisplay(false);
    EXPECT_TRUE(host_.Logged("inside 320x240"));
    EXPECT_TRUE(session_.busy());
    EXPECT_FALSE(host_.TimerRunning(kFrameTimer));
    EXPECT_EQ(host_.cursor, CursorShape::Wait);
    ASSERT_TRUE(host_.TimerRunning(kSettleTimer));
    session_.ShowDisplay(true);
    EXPECT_FALSE(host_.Logged("outside 320x240")) << "one change at a time";

    session_.SettleStep();
    EXPECT_FALSE(session_.busy());
    EXPECT_TRUE(host_.TimerRunning(kFrameTimer));
    EXPECT_FALSE(host_.TimerRunning(kSettleTimer));
    EXPECT_EQ(host_.cursor, CursorShape::Starting);
    session_.ShowDisplay(true);
    EXPECT_TRUE(host_.Logged("outside 320x240"));
}

// A camera chosen as a settings dialog closes, while the dialog's pause still runs, is
// not lost: the graph is built on it once the pause is over.
TEST_F(CameraSessionTest, ACameraChosenDuringAPauseFollowsWhenItEnds) {
    session_.SetPauseRequest(true);
    session_.BlinkStep();
    ASSERT_TRUE(host_.TimerRunning(kSettleTimer));
    session_.SetPauseRequest(false);
    const std::size_t builds = graph_.builds.size();
    session_.CameraChanged();
    EXPECT_EQ(graph_.builds.size(), builds) << "nothing is built while the pause runs";

    session_.SettleStep();  // the pause ends; the size change's pause begins
    ASSERT_TRUE(host_.TimerRunning(kSettleTimer));
    session_.SettleStep();
    EXPECT_EQ(graph_.builds.size(), builds + 1);
    EXPECT_FALSE(session_.busy());
    session_.SettleStep();
    EXPECT_EQ(graph_.builds.size(), builds + 1) << "one build for one choice";
}

// The blink step lights what runs: the record light while recording, the monitor light
// while the monitor shows, but not at the sizes the monitor does not watch.
TEST_F(CameraSessionTest, BlinkingLightsFollowWhatRuns) {
    for (const int size : {0, 3}) {
        SelectSize(size);
        session_.settings().monitor.monitorMode = 7;
        session_.ApplyMonitorSettings(true);
        session_.ToggleRecorder();
        Steps(1);
        ASSERT_TRUE(session_.recording());
        const bool monitorBlinks = size == 0;
        const bool monitorLit = host_.enabled["monitor light"];
        for (const bool lit : {false, true}) {  // a recording begins dark
            session_.BlinkStep();
            EXPECT_EQ(host_.enabled["record light"], lit) << size;
            EXPECT_EQ(host_.enabled["monitor light"], monitorBlinks ? lit : monitorLit) << size;
        }
        session_.ToggleRecorder();
        Steps(1);
        ASSERT_FALSE(session_.recording());
    }
}

TEST_F(CameraSessionTest, MonitorSettingsSwitchTheMonitorLightSwitchAndTimer) {
    session_.settings().monitor.monitorMode = 7;
    session_.ApplyMonitorSettings(true);
    const CMonitorCore& monitor = session_.tick().monitor();
    EXPECT_TRUE(monitor.monitorOn);
    EXPECT_EQ(monitor.trackHoldoff, CMonitorCore::kTrackHoldoff);
    EXPECT_TRUE(session_.tick().monitorIndicator());
    EXPECT_TRUE(host_.visible["monitor light"]);
    EXPECT_EQ(host_.monitorFaces, SwitchFaces::Running);
    EXPECT_TRUE(host_.TimerRunning(kBlinkTimer));
    EXPECT_TRUE(notices_.shown.empty());

    // Cancelled while running: nothing changes.
    session_.ApplyMonitorSettings(false);
    EXPECT_TRUE(monitor.monitorOn);
    EXPECT_TRUE(host_.visible["monitor light"]);
    EXPECT_EQ(host_.monitorFaces, SwitchFaces::Running);
    EXPECT_TRUE(host_.TimerRunning(kBlinkTimer));
    EXPECT_FALSE(host_.Logged("monitor switch up"));

    session_.SetMonitorSwitchDown(true);  // the click that opens the dialog
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
    EXPECT_TRUE(session_.tick().timedShotActive());
    Steps(30);  // 1.5 s
    EXPECT_FALSE(fs::exists(In("TimerCap.bmp")));
    Steps(20);
    ASSERT_TRUE(fs::exists(In("TimerCap.bmp")));
    EXPECT_EQ(fs::file_size(In("TimerCap.bmp")), 54 + FrameBytes(320, 240));
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, std::string(msg::kTimerShotDone) + In("TimerCap.bmp"));
    EXPECT_FALSE(session_.tick().timedShotActive());

    // A chosen file, and a countdown cancelled before it ends.
    session_.settings().timerShot.timedShotTarget = In("mine.bmp");
    session_.ToggleTimerShot();
    EXPECT_EQ(session_.tick().timedShotPath(), In("mine.bmp"));
    Steps(10);
    session_.ToggleTimerShot();
    EXPECT_FALSE(session_.tick().timedShotActive());
    EXPECT_EQ(session_.tick().timedShotElapsed(), 0.0f);
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
    const int teardowns = graph_.teardowns;
    session_.Shutdown();
    EXPECT_TRUE(session_.busy());
    EXPECT_GT(graph_.teardowns, teardowns);
    EXPECT_FALSE(host_.TimerRunning(kFrameTimer));
    EXPECT_FALSE(host_.TimerRunning(kBlinkTimer));
    EXPECT_TRUE(session_.tick().enlargedFrame().empty());
    EXPECT_TRUE(session_.tick().monitor().zoomFrame.empty());
}

}  // namespace
}  // namespace tavelin
