#include "core/Recorder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/Messages.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/LogLines.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;

class FakeRecorderWindow : public IRecorderWindow {
public:
    std::string ReadAviPathText() override { return aviPathText; }
    void WriteAviPathText(const std::string& text) override { aviPathText = text; }
    bool audioEnabled() const override { return audio; }
    bool audioCompression() const override { return compression; }
    void SetRecordingControls(bool enable) override { controlsOn.push_back(enable); }

    std::vector<bool> controlsOn;
    std::string aviPathText;
    bool audio = false;
    bool compression = true;
};

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("recorder_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        recorder_.counterPath = (dir_ / "Pellor.inf").string();
        window_.aviPathText = (dir_ / "Tavelin-00007.avi").string();
        ASSERT_TRUE(tick_.SelectCaptureSize(2));
    }
    void TearDown() override { fs::remove_all(dir_); }

    void WriteCounter(const std::string& text) { std::ofstream(recorder_.counterPath) << text; }
    std::string Counter() {
        std::ifstream in(recorder_.counterPath);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string Named(const char* name) { return (dir_ / name).string(); }

    fs::path dir_;
    testing::FakeFrameSource source_;
    testing::FakeHost host_;
    testing::FakeNotices notices_;
    testing::FakeClock clock_;
    testing::FakeRecordGraph graph_;
    FakeRecorderWindow window_;
    SessionSettings settings_;
    CFrameTick tick_{source_, host_, window_, notices_, clock_, nullptr, settings_};
    CRecorder recorder_{tick_, source_, graph_, host_, window_, notices_, settings_.recording};
};

TEST_F(RecorderTest, NumberedStartUsesTheCounterFromTheFileAndAdvancesIt) {
    WriteCounter("12");
    recorder_.ToggleRecorder();
    ASSERT_EQ(graph_.requests.size(), 1u);
    EXPECT_EQ(graph_.requests[0].path, Named("Tavelin-00012.avi"));
    EXPECT_EQ(graph_.requests[0].width, 640);
    EXPECT_EQ(graph_.requests[0].height, 480);
    EXPECT_EQ(window_.aviPathText, Named("Tavelin-00012.avi"));
    EXPECT_EQ(Counter(), "13");
    EXPECT_TRUE(tick_.recording);
    EXPECT_FALSE(tick_.busy);
    EXPECT_TRUE(host_.TimerRunning(kFrameTimer));
    EXPECT_EQ(host_.recorderText, msg::kStopRecorder);
    EXPECT_TRUE(notices_.shown.empty());

    recorder_.ToggleRecorder();
    EXPECT_FALSE(tick_.recording);
    EXPECT_EQ(Counter(), "13") << "stopping leaves the next number";
    EXPECT_EQ(host_.recorderText, msg::kRunRecorder);
    EXPECT_EQ(source_.builds.back(), std::make_pair(640, 480)) << "the preview comes back";
    EXPECT_TRUE(host_.TimerRunning(kFrameTimer));
}

TEST_F(RecorderTest, CounterFileRulesDecideTheName) {
    struct Case {
        const char* content;
        std::int32_t before;  // in memory before the start
        const char* name;
        const char* after;
    };
    for (const Case& c :
         {Case{"9", 0, "Tavelin-00009.avi", "10"}, Case{"", 5, "Tavelin-00000.avi", "1"},
          Case{"abc", 5, "Tavelin-00005.avi", "6"}, Case{"-5", 0, "Tavelin--0005.avi", "-4"},
          Case{"123456", 0, "Tavelin-123456.avi", "123457"},
          Case{"2147483646", 0, "Tavelin-2147483646.avi", "2147483647"}}) {
        SCOPED_TRACE(c.content);
        WriteCounter(c.content);
        recorder_.fileCounter = c.before;
        graph_.requests.clear();
        recorder_.Start();
        ASSERT_EQ(graph_.requests.size(), 1u);
        EXPECT_EQ(graph_.requests[0].path, Named(c.name));
        EXPECT_EQ(Counter(), c.after);
        recorder_.Stop();
    }
}

TEST_F(RecorderTest, TypedNameUsesNoNumber) {
    for (const char* start : {"12", "0"}) {
        SCOPED_TRACE(start);
        WriteCounter(start);
        settings_.recording.useTypedNameOnce = true;
        window_.aviPathText = Named("mine.avi");
        recorder_.Start();
        EXPECT_EQ(graph_.requests.back().path, Named("mine.avi"));
        EXPECT_EQ(graph_.requests.back().names, nullptr) << "a typed name never moves on";
        EXPECT_EQ(window_.aviPathText, Named("mine.avi"));
        EXPECT_FALSE(settings_.recording.useTypedNameOnce);
        EXPECT_EQ(Counter(), start);
        recorder_.Stop();
    }
}

TEST_F(RecorderTest, FailedStartGivesTheNumberBackAndBringsThePreviewBack) {
    struct Case {
        const char* counter;
        bool typed;
        int size;
        std::string message;
        const char* after;
    };
    for (const Case& c : {Case{"9", false, 2, msg::kRecordFailedContent, "9"},
                          Case{"0", false, 3, msg::kRecordFailedSize800, "0"},
                          Case{"12", true, 1, msg::kRecordFailedContent, "12"},
                          Case{"0", true, 2, msg::kRecordFailedContent, "0"}}) {
        SCOPED_TRACE(c.counter + std::string(c.typed ? " typed" : " numbered"));
        ASSERT_TRUE(tick_.SelectCaptureSize(c.size));
        WriteCounter(c.counter);
        settings_.recording.useTypedNameOnce = c.typed;
        window_.aviPathText = Named(c.typed ? "mine.avi" : "Tavelin-00000.avi");
        notices_.shown.clear();
        graph_.succeed = false;
        source_.builds.clear();

        EXPECT_FALSE(recorder_.Start());
        ASSERT_EQ(notices_.shown.size(), 1u);
        EXPECT_EQ(notices_.shown[0].first, c.message);
        EXPECT_EQ(notices_.shown[0].second, NoticeStyle::Warning);
        EXPECT_EQ(Counter(), c.after);
        EXPECT_FALSE(tick_.recording);
        EXPECT_FALSE(tick_.busy);
        EXPECT_EQ(source_.builds.size(), 1u) << "the preview is rebuilt";
        EXPECT_EQ(host_.recorderText, msg::kRunRecorder);
    }
}

// Names already in the folder are skipped and the counter moves past the one used; the
// folder holds Tavelin-00012, -00013 and a dangling link at -00015.
TEST_F(RecorderTest, NumberedRecordingNeverReplacesAFile) {
    std::ofstream(Named("Tavelin-00012.avi")) << "earlier";
    std::ofstream(Named("Tavelin-00013.avi")) << "earlier";
    fs::create_symlink(Named("nowhere"), Named("Tavelin-00015.avi"));
    struct Case {
        const char* counter;
        const char* name;
        const char* after;
    };
    for (const Case& c :
         {Case{"12", "Tavelin-00014.avi", "15"}, Case{"15", "Tavelin-00016.avi", "17"},
          Case{"11", "Tavelin-00011.avi", "12"}}) {
        SCOPED_TRACE(c.counter);
        WriteCounter(c.counter);
        graph_.requests.clear();
        ASSERT_TRUE(recorder_.Start());
        EXPECT_EQ(graph_.requests.at(0).path, Named(c.name));
        EXPECT_FALSE(graph_.requests.at(0).replaceExisting);
        EXPECT_EQ(window_.aviPathText, Named(c.name));
        EXPECT_EQ(Counter(), c.after);
        recorder_.Stop();
    }
    // A failed start gives back the number it took, not the one the counter held.
    WriteCounter("12");
    graph_.succeed = false;
    EXPECT_FALSE(recorder_.Start());
    EXPECT_EQ(Counter(), "14");
}

// Another program records into the same folder: it takes names after this one chose its
// number (`taken`: how many in a row) and moves the shared counter (`othersCounter`,
// while this start runs). The recording moves on to the next free number, never past
// one it could use; what a failed start gives back is only its own number.
TEST_F(RecorderTest, NamesTakenMeanwhileMoveTheRecordingOn) {
    struct Case {
        const char* what;
        std::vector<const char*> existing;
        int taken;
        const char* othersCounter;  // nullptr: left alone
        bool fails;
        const char* name;  // the file's name and the path field's
        const char* after;
    };
    const Case cases[] = {
        {"one taken", {}, 1, nullptr, false, "Tavelin-00006.avi", "7"},
        {"three taken", {}, 3, nullptr, false, "Tavelin-00008.avi", "9"},
        {"files after it",
         {"Tavelin-00006.avi", "Tavelin-00007.avi"},
         1,
         nullptr,
         false,
         "Tavelin-00008.avi",
         "9"},
        {"counter moved on", {}, 1, "20", false, "Tavelin-00006.avi", "20"},
        {"failed after a move", {}, 1, nullptr, true, "Tavelin-00006.avi", "6"},
        {"failed, counter moved on", {}, 1, "20", true, "Tavelin-00006.avi", "20"},
        {"failed, none taken", {}, 0, "9", true, "Tavelin-00005.avi", "9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        for (const char* name : c.existing)
            std::ofstream(Named(name)) << "earlier";
        WriteCounter("5");
        graph_.succeed = !c.fails;
        graph_.namesTakenByOthers = c.taken;
        graph_.whileStarting = [&] {
            if (c.othersCounter != nullptr)
                WriteCounter(c.othersCounter);
        };
        EXPECT_EQ(recorder_.Start(), !c.fails);
        EXPECT_EQ(graph_.requests.back().path, Named("Tavelin-00005.avi"));
        EXPECT_EQ(graph_.named, Named(c.name));
        EXPECT_EQ(window_.aviPathText, Named(c.name));
        EXPECT_EQ(Counter(), c.after);
        if (!c.fails)
            recorder_.Stop();
    }
}

TEST_F(RecorderTest, NoNumberLeftStartsNothingAndSaysSo) {
    for (const char* counter : {"2147483647", "2147483646"}) {
        SCOPED_TRACE(counter);
        std::ofstream(Named("Tavelin-2147483646.avi")) << "earlier";
        WriteCounter(counter);
        notices_.shown.clear();
        source_.builds.clear();
        testing::LogLines log;
        EXPECT_FALSE(recorder_.Start());
        EXPECT_TRUE(graph_.requests.empty());
        ASSERT_EQ(notices_.shown.size(), 1u);
        EXPECT_EQ(notices_.shown[0].first, msg::kNoRecordingNumberLeft);
        EXPECT_TRUE(
            log.Has(LogArea::Record, LogLevel::Warning, {"no recording number is free", counter}));
        EXPECT_EQ(Counter(), counter);
        EXPECT_FALSE(tick_.recording);
        EXPECT_EQ(source_.builds.size(), 1u) << "the preview is rebuilt";
        EXPECT_EQ(host_.recorderText, msg::kRunRecorder);
    }
}

TEST_F(RecorderTest, FileFailureNamesItsCauseAndTypedNamesMayReplace) {
    WriteCounter("4");
    graph_.succeed = false;
    graph_.cause = "Not enough space to write the AVI file.";
    EXPECT_FALSE(recorder_.Start());
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first,
              "Failed to capture AVI file.Stopping capture!\r\n\r\n"
              "Not enough space to write the AVI file.\r\n");
    EXPECT_EQ(Counter(), "4");

    graph_.succeed = true;
    settings_.recording.useTypedNameOnce = true;
    window_.aviPathText = Named("mine.avi");
    ASSERT_TRUE(recorder_.Start());
    EXPECT_TRUE(graph_.requests.back().replaceExisting);
}

TEST_F(RecorderTest, AudioFallbackIsReportedOnceWhenSoundIsOn) {
    graph_.failAudio = true;
    window_.audio = true;
    recorder_.Start();
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_NE(notices_.shown[0].first.find("Auto adjust Audio Format : PCM"), std::string::npos);
    EXPECT_FALSE(graph_.audioFailed());
    recorder_.Stop();

    window_.audio = false;
    notices_.shown.clear();
    recorder_.Start();
    EXPECT_TRUE(notices_.shown.empty()) << "no sound asked, nothing to report";
}

TEST_F(RecorderTest, RequestCarriesTheChosenEncodersAndMasterStream) {
    settings_.recording.videoCompressorIndex = 3;
    settings_.recording.audioCompressorIndex = 2;
    settings_.recording.audioDeviceIndex = 1;
    settings_.recording.masterStream = -1;
    window_.audio = true;
    window_.compression = false;
    recorder_.Start();
    const RecordRequest& r = graph_.requests.at(0);
    EXPECT_EQ(r.videoCompressorIndex, 3);
    EXPECT_EQ(r.audioCompressorIndex, 2);
    EXPECT_EQ(r.audioDeviceIndex, 1);
    EXPECT_EQ(r.masterStream, -1);
    EXPECT_TRUE(r.audioEnabled);
    EXPECT_FALSE(r.audioCompression);
}

TEST_F(RecorderTest, StopWithoutAPreviewLeavesTheWindowIdle) {
    recorder_.Start();
    source_.buildResults = {false};
    notices_.shown.clear();
    recorder_.Stop();
    EXPECT_TRUE(tick_.busy);
    EXPECT_FALSE(host_.TimerRunning(kFrameTimer));
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, msg::kDeviceLost);
}

}  // namespace
}  // namespace tavelin
