// The encoding output linked to and unlinked from a playing camera on the synthetic
// sources: the preview's frames go on through it, the camera starts once, and what
// happens to the files and the output comes back as news, in order.

#include <gmock/gmock.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "capture/CaptureGraph.h"
#include "capture/GstRuntime.h"
#include "capture/TestSources.h"
#include "core/Log.h"
#include "tests/capture/AviProbe.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/GraphNews.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;
using Kind = GraphNews::Kind;
using test::HasIndexChunk;
using test::ListPosition;
using test::ProbeCsv;
using test::Quoted;
using test::StreamEnd;

// What the camera pushed, and an element of the output and of the camera to post errors
// from, seen through GStreamer's tracing hooks.
struct Watched {
    std::atomic<int> cameraPushes{0};
    std::mutex lock;
    GstElement* encoder = nullptr;  // the output's video encoder, referenced
    GstElement* camera = nullptr;   // the synthetic camera's source, referenced

    void Reset() {
        cameraPushes = 0;
        std::lock_guard guard(lock);
        for (GstElement** e : {&encoder, &camera}) {
            if (*e != nullptr)
                gst_object_unref(*e);
            *e = nullptr;
        }
    }
    GstElement* Take(GstElement* Watched::*which) {
        std::lock_guard guard(lock);
        return this->*which != nullptr ? GST_ELEMENT(gst_object_ref(this->*which)) : nullptr;
    }
};
// Never destroyed: GStreamer's pooled threads may outlive the tests.
Watched& watched = *new Watched;

const char* FactoryOf(GstObject* object) {
    GstElementFactory* factory = object != nullptr && GST_IS_ELEMENT(object)
                                     ? gst_element_get_factory(GST_ELEMENT(object))
                                     : nullptr;
    return factory != nullptr ? GST_OBJECT_NAME(factory) : "";
}

void NotePush(GObject*, GstClockTime, GstPad* pad, GstBuffer*) {
    GstObject* from = GST_OBJECT_PARENT(pad);
    GstPad* peer = GST_PAD_PEER(pad);
    GstObject* to = peer != nullptr ? GST_OBJECT_PARENT(peer) : nullptr;
    if (std::strcmp(FactoryOf(from), "videotestsrc") == 0) {
        ++watched.cameraPushes;
        std::lock_guard guard(watched.lock);
        if (watched.camera == nullptr)
            watched.camera = GST_ELEMENT(gst_object_ref(from));
    } else if (std::strcmp(FactoryOf(to), "appsink") == 0 &&
               std::strcmp(FactoryOf(from), "jpegenc") == 0) {
        std::lock_guard guard(watched.lock);
        if (watched.encoder == nullptr)
            watched.encoder = GST_ELEMENT(gst_object_ref(from));
    }
}

std::atomic<int> cameraBuildLines{0};

void CountCameraBuilds(LogArea, LogLevel level, const std::string& text) {
    if (level == LogLevel::Info && text.starts_with("preview: ") &&
        text.find(" running at ") != std::string::npos)
        ++cameraBuildLines;
}

class LiveOutputTest : public test::SyntheticSources {
protected:
    void SetUp() override {
        test::SyntheticSources::SetUp();
        static const bool installed = [] {
            EnsureGstreamer();
            const GType type = g_type_register_static_simple(
                GST_TYPE_TRACER, "TavelinLiveOutputPushes", sizeof(GstTracerClass), nullptr,
                sizeof(GstTracer), nullptr, GTypeFlags(0));
            auto* tracer = static_cast<GstTracer*>(g_object_new(type, nullptr));
            gst_tracing_register_hook(tracer, "pad-push-pre", G_CALLBACK(&NotePush));
            return true;
        }();
        (void)installed;
        watched.Reset();
        cameraBuildLines = 0;
        SetLogSink(&CountCameraBuilds);
        char pattern[] = "/tmp/tavelin-live-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        SetLogSink(nullptr);
        watched.Reset();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    RecordRequest Request(bool sound) const {
        std::vector<std::string> video;
        std::vector<std::string> devices;
        CCaptureGraph::ListVideoCompressors(video);
        CCaptureGraph::ListAudioDevices(devices);
        RecordRequest r;
        r.width = 320;
        r.height = 240;
        r.videoCompressorIndex = ListPosition(video, "JPEG image encoder");
        r.audioEnabled = sound;
        r.audioCompression = true;
        r.audioCompressorIndex = 0;  // PCM
        r.audioDeviceIndex = ListPosition(devices, kTestMicrophoneName);
        return r;
    }
    std::string Path(const char* name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kInstrumentedBuild = true;
#else
constexpr bool kInstrumentedBuild = false;
#endif

std::vector<Kind> Kinds(const std::vector<GraphNews>& news) {
    std::vector<Kind> kinds;
    for (const GraphNews& n : news)
        kinds.push_back(n.kind);
    return kinds;
}

// Frames asked for back to back while the output is linked, a file is started and
// finished by hand and the output is unlinked again: the camera starts once, and every
// frame it pushed reaches the preview but for the one or two under way at each change.
TEST_F(LiveOutputTest, TheCameraRunsOnWhileAnOutputAndAFileComeAndGo) {
    CCaptureGraph graph;
    test::NewsLog news(graph);
    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    ASSERT_FALSE(graph.WaitForNewFrame());
    const int pushedBefore = watched.cameraPushes;
    int delivered = 0;
    const auto frames = [&](int n) {
        for (int i = 0; i < n; ++i) {
            ASSERT_FALSE(graph.WaitForNewFrame()) << "frame " << i;
            ++delivered;
            news.Take();
        }
    };

    frames(15);
    ASSERT_TRUE(graph.AttachEncoder(Request(true), 0)) << graph.lastError();
    EXPECT_TRUE(graph.BuildPreviewGraph(320, 240));  // the same camera and size: kept
    frames(15);
    ASSERT_TRUE(graph.StartFile(Path("hand.avi"), false, nullptr, false)) << graph.lastError();
    while (!news.started() && !news.ended())
        frames(1);
    frames(45);
    graph.FinishFile();
    EXPECT_TRUE(graph.writingFile());  // until its news is taken
    while (!news.ended())
        frames(1);
    EXPECT_FALSE(graph.writingFile());
    graph.DetachEncoder();
    EXPECT_FALSE(graph.encoderAttached());
    frames(15);
    const int pushed = watched.cameraPushes - pushedBefore;

    EXPECT_EQ(graph.cameraBuilds(), 1);
    EXPECT_EQ(cameraBuildLines, 1);
    // Two frames of jitter at each of the four changes; the sanitizers' instrumentation
    // makes each call on the main thread several times slower.
    const int jitter = kInstrumentedBuild ? 8 : 2;
    EXPECT_GE(delivered, pushed - 4 * jitter) << pushed << " frames pushed";

    ASSERT_THAT(Kinds(news.all), ::testing::ElementsAre(Kind::FileStarted, Kind::FileFinished));
    const GraphNews& finished = news.all[1];
    EXPECT_EQ(finished.path, Path("hand.avi"));
    EXPECT_EQ(news.all[0].path, finished.path);
    EXPECT_GE(finished.frames, 40u);
    EXPECT_NEAR(finished.seconds, finished.frames / 30.0, 0.05);
    EXPECT_TRUE(HasIndexChunk(finished.path));
    EXPECT_EQ(ProbeCsv("-count_frames -select_streams v -show_entries stream=nb_read_frames "
                       "-of csv=p=0 " +
                       Quoted(finished.path)),
              std::vector<std::vector<std::string>>{{std::to_string(finished.frames)}});
}

// The output is linked long after the camera started, and the microphone with it: the
// file's sound is in step with its picture all the same.
TEST_F(LiveOutputTest, AnOutputLinkedLateKeepsTheSoundInStep) {
    const RecordRequest request = Request(true);
    ASSERT_GE(request.audioDeviceIndex, 0);
    CCaptureGraph graph;
    test::NewsLog news(graph);
    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    ASSERT_TRUE(news.StepUntil([] { return watched.cameraPushes >= 45; }));
    ASSERT_TRUE(graph.AttachEncoder(request, 0)) << graph.lastError();
    ASSERT_TRUE(graph.StartFile(Path("late.avi"), false, nullptr, false));
    ASSERT_TRUE(news.AwaitStart());
    const int pushed = watched.cameraPushes;
    ASSERT_TRUE(news.StepUntil([&] { return watched.cameraPushes >= pushed + 90; }));
    graph.FinishFile();
    ASSERT_TRUE(news.AwaitEnd());

    const double pictureEnd = StreamEnd(Path("late.avi"), "v");
    const double soundEnd = StreamEnd(Path("late.avi"), "a");
    EXPECT_GT(pictureEnd, 2.5);
    EXPECT_NEAR(soundEnd, pictureEnd, 0.2);
}

// An error posted by an element decides what it ends: the output's unlinks the output
// (a file it wrote is finished and keeps its index) with the camera running on; the
// camera's loses the camera.
struct ErrorCase {
    const char* what;
    GstElement* Watched::*from;
    bool outputFails;
};
void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.what;
}

class AnError : public LiveOutputTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(AnError, EndsOnlyWhatItCameFrom) {
    const ErrorCase& c = GetParam();
    CCaptureGraph graph;
    test::NewsLog news(graph);
    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    ASSERT_TRUE(graph.AttachEncoder(Request(false), 1)) << graph.lastError();
    ASSERT_TRUE(graph.StartFile(Path("cut.avi"), false, nullptr, true));
    ASSERT_TRUE(news.AwaitStart());
    GstElement* element = watched.Take(c.from);
    ASSERT_NE(element, nullptr);
    GError* error = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_FAILED, "gave up");
    gst_element_post_message(element,
                             gst_message_new_error(GST_OBJECT(element), error, "posted here"));
    g_error_free(error);
    gst_object_unref(element);

    ASSERT_TRUE(news.StepUntil(
        [&] { return news.Count(Kind::OutputFailed) > 0 || graph.deviceLost(); }, 60));
    news.Take();
    EXPECT_EQ(news.Count(Kind::OutputFailed), c.outputFails ? 1 : 0);
    EXPECT_EQ(graph.deviceLost(), !c.outputFails);
    EXPECT_EQ(graph.cameraStopped(), !c.outputFails);
    EXPECT_EQ(graph.encoderAttached(), !c.outputFails);
    if (c.outputFails) {
        EXPECT_TRUE(news.AwaitEnd());  // the preview goes on meanwhile
        EXPECT_FALSE(graph.deviceLost());
        EXPECT_TRUE(HasIndexChunk(Path("cut.avi")));
    }
}

INSTANTIATE_TEST_SUITE_P(Elements, AnError,
                         ::testing::Values(ErrorCase{"Encoder", &Watched::encoder, true},
                                           ErrorCase{"Camera", &Watched::camera, false}),
                         [](const auto& info) { return info.param.what; });

}  // namespace
}  // namespace tavelin
