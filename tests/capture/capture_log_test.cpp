// What the capture engine tells the log: GStreamer's errors and warnings with their
// debug text, and every failed build with its cause, collected by a fake sink.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "capture/CaptureGraph.h"
#include "capture/GraphParts.h"
#include "capture/GstRuntime.h"
#include "capture/Pipeline.h"
#include "capture/TestSources.h"
#include "core/Log.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/GraphNews.h"
#include "tests/support/RefusingDisk.h"

namespace tavelin {
namespace {

using test::ScopedEnv;
using ::testing::AllOf;
using ::testing::AnyOf;
using ::testing::Contains;
using ::testing::Each;
using ::testing::Field;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

struct Line {
    LogArea area;
    LogLevel level;
    std::string text;
};

void PrintTo(const Line& line, std::ostream* os) {
    static const char* const kAreas[] = {"capture", "record", "monitor", "ui"};
    static const char* const kLevels[] = {"debug", "info", "warning", "error"};
    *os << kAreas[static_cast<int>(line.area)] << "." << kLevels[static_cast<int>(line.level)]
        << ": " << line.text;
}

// The sink is a plain function: what it collects lives here. Streaming threads log too.
std::mutex g_linesLock;
std::vector<Line> g_lines;

void Collect(LogArea area, LogLevel level, const std::string& text) {
    std::lock_guard lock(g_linesLock);
    g_lines.push_back({area, level, text});
}

auto LineWith(LogArea area, LogLevel level, const auto& text) {
    return AllOf(Field(&Line::area, area), Field(&Line::level, level), Field(&Line::text, text));
}

class CaptureLogTest : public test::SyntheticSources {
protected:
    void SetUp() override {
        test::SyntheticSources::SetUp();
        ASSERT_TRUE(EnsureGstreamer());
        {
            std::lock_guard lock(g_linesLock);
            g_lines.clear();
        }
        SetLogSink(&Collect);
    }
    void TearDown() override { SetLogSink(nullptr); }

    static std::vector<Line> Lines() {
        std::lock_guard lock(g_linesLock);
        return g_lines;
    }
};

// A message posted by an element in a pipeline, as GStreamer's elements post them.
struct BusCase {
    const char* what;
    bool error;
    LogLevel level;
    const char* prefix;
};

void PrintTo(const BusCase& c, std::ostream* os) {
    *os << c.what;
}

class BusMessages : public CaptureLogTest, public ::testing::WithParamInterface<BusCase> {};

TEST_P(BusMessages, AreLoggedWithTheElementAndTheDebugTextOnOneLine) {
    const BusCase c = GetParam();
    CPipeline pipeline("probe", LogArea::Monitor);
    GstElement* source = pipeline.Add(MakeElement("fakesrc", "the-source"));
    ASSERT_NE(source, nullptr);
    GError* raw = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_FAILED, "it broke");
    GErrorPtr error(raw);
    GstMessage* message =
        c.error
            ? gst_message_new_error(GST_OBJECT(source), error.get(), "where.c(1): here:\nwhy")
            : gst_message_new_warning(GST_OBJECT(source), error.get(), "where.c(1): here:\nwhy");
    ASSERT_TRUE(gst_element_post_message(source, message));

    // Only an error fails the pipeline; a warning is logged all the same.
    EXPECT_EQ(pipeline.DrainBus(), c.error);
    EXPECT_THAT(Lines(), Contains(LineWith(LogArea::Monitor, c.level,
                                           std::string(c.prefix) +
                                               "the-source: it broke (debug: where.c(1): "
                                               "here: why)")));
    if (c.error) {
        EXPECT_EQ(pipeline.lastError(), "the-source: it broke");
        EXPECT_EQ(pipeline.error().debug, "where.c(1): here:\nwhy");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BusMessages,
    ::testing::Values(BusCase{"Error", true, LogLevel::Error, "probe: error from "},
                      BusCase{"Warning", false, LogLevel::Warning, "probe: warning from "}),
    [](const auto& info) { return info.param.what; });

// What is still on the bus when the pipeline stops is logged, not dropped unseen.
TEST_F(CaptureLogTest, AWarningNobodyDrainedIsLoggedOnStop) {
    {
        CPipeline pipeline("late", LogArea::Capture);
        GstElement* source = pipeline.Add(MakeElement("fakesrc", "src"));
        ASSERT_NE(source, nullptr);
        GErrorPtr error(g_error_new_literal(GST_CORE_ERROR, GST_CORE_ERROR_FAILED, "late news"));
        gst_element_post_message(source,
                                 gst_message_new_warning(GST_OBJECT(source), error.get(), nullptr));
    }
    EXPECT_THAT(Lines(), Contains(LineWith(LogArea::Capture, LogLevel::Warning,
                                           "late: warning from src: late news")));
}

// The disk refuses the first bytes: the writer's error with its debug text, and the
// failed build with the same cause, both reach the sink.
TEST_F(CaptureLogTest, AFailedRecordingStartNamesTheWriterAndItsDebugText) {
    char pattern[] = "/tmp/tavelin-log-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::filesystem::path dir(pattern);
    std::vector<std::string> video;
    CCaptureGraph::ListVideoCompressors(video);
    RecordRequest request;
    request.width = 320;
    request.height = 240;
    request.path = (dir / "refused.avi").string();
    request.videoCompressorIndex = 0;
    for (std::size_t i = 0; i < video.size(); ++i) {
        if (video[i] == "JPEG image encoder")
            request.videoCompressorIndex = static_cast<std::int32_t>(i);
    }
    CCaptureGraph graph;
    ASSERT_TRUE(graph.BuildPreviewGraph(request.width, request.height)) << graph.lastError();
    ASSERT_TRUE(graph.AttachEncoder(request, 0)) << graph.lastError();
    {
        testing::RefusingDisk full;
        test::NewsLog news(graph);
        ASSERT_TRUE(graph.StartFile(request.path, false, nullptr, false));
        EXPECT_FALSE(news.AwaitStart());
    }
    std::filesystem::remove_all(dir);

    const std::vector<Line> lines = Lines();
    EXPECT_THAT(lines,
                Contains(LineWith(LogArea::Record, LogLevel::Error,
                                  AllOf(StartsWith("record: error from file-writer: "),
                                        HasSubstr("(debug: "), HasSubstr("File too large")))));
    EXPECT_THAT(lines, Contains(LineWith(
                           LogArea::Record, LogLevel::Warning,
                           AllOf(StartsWith("record: the recording failed: "),
                                 HasSubstr(graph.lastError()), HasSubstr("File too large")))));
}

TEST_F(CaptureLogTest, AFileThatCannotBeCreatedIsLoggedWithItsPathAndCause) {
    RecordRequest request;
    request.width = 320;
    request.height = 240;
    request.path = "/proc/no-such-folder/a.avi";
    CCaptureGraph graph;
    ASSERT_TRUE(graph.BuildPreviewGraph(request.width, request.height)) << graph.lastError();
    ASSERT_TRUE(graph.AttachEncoder(request, 0)) << graph.lastError();
    EXPECT_FALSE(graph.StartFile(request.path, false, nullptr, false));
    EXPECT_THAT(Lines(), Contains(LineWith(LogArea::Record, LogLevel::Warning,
                                           AllOf(StartsWith("record: the file cannot be created ("),
                                                 HasSubstr("\"/proc/no-such-folder/a.avi\"")))));
}

TEST_F(CaptureLogTest, NoCameraSaysWhatTheSearchSaw) {
    ScopedEnv off("TAVELIN_TEST_SOURCES", "0");
    if (CCaptureGraph::FindCaptureDevice().element)
        GTEST_SKIP() << "a real camera is attached";
    CCaptureGraph graph;
    EXPECT_FALSE(graph.BuildPreviewGraph(320, 240));
    const std::vector<Line> lines = Lines();
    EXPECT_THAT(lines,
                Contains(LineWith(LogArea::Capture, LogLevel::Warning, StartsWith("no camera: "))));
    EXPECT_THAT(lines, Contains(LineWith(LogArea::Capture, LogLevel::Warning,
                                         "preview: no usable camera")));
}

TEST_F(CaptureLogTest, ACameraPatternWithoutMatchNamesThePatternAndTheCamerasSeen) {
    CCaptureGraph graph;
    graph.SetCameraWish({"nosuchcamera", ""});
    EXPECT_FALSE(graph.BuildPreviewGraph(320, 240));
    EXPECT_THAT(Lines(), Contains(LineWith(
                             LogArea::Capture, LogLevel::Warning,
                             AllOf(StartsWith("no camera: no video source has \"nosuchcamera\""),
                                   HasSubstr(std::string("\"") + kTestCameraName + "\"")))));
}

// A build that works says so once, below warning level: a healthy run stays quiet.
TEST_F(CaptureLogTest, AWorkingPreviewLogsItsStartAndNoWarning) {
    CCaptureGraph graph;
    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    ASSERT_FALSE(graph.WaitForNewFrame());
    graph.Teardown();
    const std::vector<Line> lines = Lines();
    EXPECT_THAT(lines, Contains(LineWith(LogArea::Capture, LogLevel::Info,
                                         std::string("preview: \"") + kTestCameraName +
                                             "\" running at 320x240")));
    EXPECT_THAT(lines, Each(Field(&Line::level, Not(AnyOf(LogLevel::Warning, LogLevel::Error)))));
}

}  // namespace
}  // namespace tavelin
