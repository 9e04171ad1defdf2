// Recording on motion on the synthetic camera and microphone: files started from an
// armed graph, checked with ffprobe and against what the graph's elements pushed.

#include <gmock/gmock.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "capture/CaptureGraph.h"
#include "capture/GstRuntime.h"
#include "capture/TestSources.h"
#include "capture/ThreadAnnotations.h"
#include "tests/capture/AviProbe.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/GraphNews.h"
#include "tests/support/RefusingDisk.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;
using test::HasIndexChunk;
using test::ListPosition;
using test::ProbeCsv;
using test::Quoted;
using test::ScopedEnv;
using test::StreamEnd;
using testing::RefusingDisk;

constexpr GstClockTime kFrame = GST_SECOND / 30;  // the synthetic camera's spacing

// What the graphs' elements pushed, seen through GStreamer's tracing hooks: the file's
// pictures and sound as they went into its muxer, the pictures the armed graph's encoder
// handed to the ring, and how often the camera started.
struct Pushes {
    std::mutex lock;
    std::vector<GstClockTime> filePictures;  // times, as written
    std::vector<GstClockTime> fileSound;
    std::atomic<int> encodedPictures{0};
    std::atomic<int> cameraStarts{0};

    void Reset() {
        std::lock_guard guard(lock);
        filePictures.clear();
        fileSound.clear();
        encodedPictures = 0;
        cameraStarts = 0;
    }
    std::vector<GstClockTime> Pictures() {
        std::lock_guard guard(lock);
        return filePictures;
    }
    std::vector<GstClockTime> Sound() {
        std::lock_guard guard(lock);
        return fileSound;
    }
};
// Never destroyed: GStreamer's pooled threads may outlive the tests.
Pushes& pushes = *new Pushes;

// Elements are told apart by their factories and the muxer's pad templates, which exist
// before any streaming thread does.
bool MadeBy(GstObject* element, const char* factoryName) {
    GstElementFactory* factory = element != nullptr && GST_IS_ELEMENT(element)
                                     ? gst_element_get_factory(GST_ELEMENT(element))
                                     : nullptr;
    return factory != nullptr && std::strcmp(GST_OBJECT_NAME(factory), factoryName) == 0;
}

void NotePush(GObject*, GstClockTime, GstPad* pad, GstBuffer* buffer) {
    GstObject* from = GST_OBJECT_PARENT(pad);
    GstPad* peer = GST_PAD_PEER(pad);
    if (peer == nullptr)
        return;
    GstObject* to = GST_OBJECT_PARENT(peer);
    if (MadeBy(from, "appsrc") && MadeBy(to, "avimux")) {
        // The file writer's sources; the muxer's input says which stream.
        MarkAcquired(buffer);  // its times were set by the file writer
        const bool picture = std::strcmp(GST_PAD_TEMPLATE_NAME_TEMPLATE(GST_PAD_PAD_TEMPLATE(peer)),
                                         "video_%u") == 0;
        std::lock_guard guard(pushes.lock);
        (picture ? pushes.filePictures : pushes.fileSound).push_back(GST_BUFFER_PTS(buffer));
    } else if (MadeBy(to, "appsink") && GST_IS_VIDEO_ENCODER(from)) {
        ++pushes.encodedPictures;  // into the ring
    }
}

void NoteStateChange(GObject*, GstClockTime, GstElement* element, GstStateChange transition,
                     GstStateChangeReturn) {
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED &&
        MadeBy(GST_OBJECT(element), "videotestsrc"))
        ++pushes.cameraStarts;
}

// Starts counting afresh; the hooks are installed once and stay for the process.
void WatchPushes() {
    static const bool installed = [] {
        EnsureGstreamer();
        const GType type = g_type_register_static_simple(GST_TYPE_TRACER, "TavelinArmedPushes",
                                                         sizeof(GstTracerClass), nullptr,
                                                         sizeof(GstTracer), nullptr, GTypeFlags(0));
        auto* tracer = static_cast<GstTracer*>(g_object_new(type, nullptr));
        gst_tracing_register_hook(tracer, "pad-push-pre", G_CALLBACK(&NotePush));
        gst_tracing_register_hook(tracer, "element-change-state-post",
                                  G_CALLBACK(&NoteStateChange));
        return true;
    }();
    (void)installed;
    pushes.Reset();
}

struct ProbedFrame {
    double pts = 0;
    bool key = false;
};

// The picture stream's frames as ffprobe decodes them.
std::vector<ProbedFrame> PictureFrames(const fs::path& file) {
    std::vector<ProbedFrame> frames;
    for (const auto& line :
         ProbeCsv("-select_streams v -show_entries frame=key_frame,pts_time -of csv=p=0 " +
                  Quoted(file))) {
        if (line.size() >= 2)
            frames.push_back({std::atof(line[1].c_str()), line[0] == "1"});
    }
    return frames;
}

// Mean brightness of each decoded picture, in order.
std::vector<double> Brightness(const fs::path& file) {
    std::vector<double> levels;
    for (const auto& line :
         ProbeCsv("-f lavfi -i 'movie=" + file.string() + ",signalstats' " +
                  "-show_entries frame_tags=lavfi.signalstats.YAVG -of csv=p=0")) {
        if (!line.empty() && !line[0].empty())
            levels.push_back(std::atof(line[0].c_str()));
    }
    return levels;
}

// Times between pictures that are not the camera's spacing (to the nanosecond that
// rounding to whole nanoseconds leaves), and the first picture's time.
::testing::AssertionResult EvenlySpacedFromZero(const std::vector<GstClockTime>& times) {
    if (times.empty())
        return ::testing::AssertionFailure() << "no pictures";
    if (times.front() != 0)
        return ::testing::AssertionFailure() << "first picture at " << times.front() << " ns";
    for (std::size_t i = 1; i < times.size(); ++i) {
        const GstClockTime step = times[i] > times[i - 1] ? times[i] - times[i - 1] : 0;
        if (step + 1 < kFrame || step > kFrame + 1) {
            return ::testing::AssertionFailure()
                   << "picture " << i << " comes " << step << " ns after the one before";
        }
    }
    return ::testing::AssertionSuccess();
}

class ArmedGraphTest : public test::SyntheticSources {
protected:
    void SetUp() override {
        test::SyntheticSources::SetUp();
        char pattern[] = "/tmp/tavelin-armed-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        WatchPushes();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    RecordRequest Request(const std::string& encoder, bool sound) const {
        std::vector<std::string> video;
        CCaptureGraph::ListVideoCompressors(video);
        std::vector<std::string> devices;
        CCaptureGraph::ListAudioDevices(devices);
        RecordRequest r;
        r.width = 320;
        r.height = 240;
        r.videoCompressorIndex = ListPosition(video, encoder);
        r.audioEnabled = sound;
        r.audioCompression = true;
        r.audioCompressorIndex = 0;  // PCM
        r.audioDeviceIndex = sound ? ListPosition(devices, kTestMicrophoneName) : 0;
        return r;
    }

    std::string Path(const char* name) const { return (dir_ / name).string(); }

    std::vector<std::string> FilesInDir() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The camera at the request's size with the output linked, keeping `seconds`.
    bool Arm(CCaptureGraph& graph, const RecordRequest& request, int seconds) {
        news_.emplace(graph);
        return graph.BuildPreviewGraph(request.width, request.height) &&
               graph.AttachEncoder(request, seconds);
    }
    // A file on motion: the seconds before first.
    bool StartFile(CCaptureGraph& graph, const std::string& path,
                   IRecordingNames* names = nullptr) {
        news_->Clear();
        return graph.StartFile(path, false, names, true);
    }
    // Until the file had its name (true) or failed.
    bool StartsAFile(CCaptureGraph& graph, const std::string& path) {
        return StartFile(graph, path) && news_->AwaitStart();
    }
    // True when the file was finished with its index.
    bool Finish(CCaptureGraph& graph) {
        graph.FinishFile();
        return news_->AwaitEnd();
    }
    // Runs the frame step until `condition` holds; the limit only keeps a broken graph
    // from hanging the test.
    bool StepUntil(CCaptureGraph&, const auto& condition) { return news_->StepUntil(condition); }
    bool StepUntilEncoded(CCaptureGraph& graph, int pictures) {
        return StepUntil(graph, [&] { return pushes.encodedPictures >= pictures; });
    }
    bool StepUntilWritten(CCaptureGraph& graph, std::size_t pictures) {
        return StepUntil(graph, [&] { return pushes.Pictures().size() >= pictures; });
    }

    fs::path dir_;
    std::optional<test::NewsLog> news_;
};

// A file opened after the ring has filled: the seconds before, then the live pictures.
struct HandOverCase {
    const char* what;
    const char* encoder;
    bool sound;
    int secondsBefore;
    // How many of the seconds before the file may lack: an encoder that codes pictures
    // against earlier ones can only start the file at a key frame.
    double slackSeconds;
};
void PrintTo(const HandOverCase& c, std::ostream* os) {
    *os << c.what;
}

class HandOver : public ArmedGraphTest, public ::testing::WithParamInterface<HandOverCase> {};

TEST_P(HandOver, TheFileHasTheSecondsBeforeThenTheLivePicturesWithoutAGapOrARepeat) {
    const HandOverCase& c = GetParam();
    const RecordRequest request = Request(c.encoder, c.sound);
    if (request.videoCompressorIndex < 0)
        GTEST_SKIP() << c.encoder << " is not listed here";
    if (c.sound) {
        ASSERT_GE(request.audioDeviceIndex, 0);
    }
    // Black and white in turn: a lost or repeated picture shows as two alike in a row.
    ScopedEnv blink("TAVELIN_TEST_CAMERA_PATTERN", "blink");
    CCaptureGraph graph;
    ASSERT_TRUE(Arm(graph, request, c.secondsBefore)) << graph.lastError();
    EXPECT_TRUE(graph.encoderAttached());
    EXPECT_FALSE(graph.writingFile());
    ASSERT_TRUE(StepUntilEncoded(graph, (c.secondsBefore + 1) * 30));

    const std::string path = Path("motion.avi");
    const int encodedBefore = pushes.encodedPictures;
    ASSERT_TRUE(StartFile(graph, path)) << graph.lastError();
    const int encodedAtStart = pushes.encodedPictures;
    EXPECT_TRUE(graph.writingFile());
    EXPECT_EQ(graph.sampleBytes(), 320 * 240 * 3);  // the preview goes on
    const std::size_t wanted = static_cast<std::size_t>(c.secondsBefore * 30 + 45);
    ASSERT_TRUE(StepUntilWritten(graph, wanted));
    const int encodedBeforeEnd = pushes.encodedPictures;
    EXPECT_TRUE(Finish(graph));
    const int encodedAtEnd = pushes.encodedPictures;
    EXPECT_FALSE(graph.writingFile());
    EXPECT_TRUE(graph.encoderAttached());
    EXPECT_FALSE(graph.WaitForNewFrame());  // the preview goes on

    // What went into the muxer: from 0 on, at the camera's spacing, across the point
    // where the ring's pictures end and the live ones begin.
    const std::vector<GstClockTime> written = pushes.Pictures();
    EXPECT_TRUE(EvenlySpacedFromZero(written));
    // The pictures from before the start are the chosen seconds. The live ones were
    // encoded between the start and the finish; those encoded while either call ran may
    // be on either side, and one may be on its way from the encoder at each end.
    const int count = static_cast<int>(written.size());
    const int fewestLive = encodedBeforeEnd - encodedAtStart - 1;
    const int mostLive = encodedAtEnd - encodedBefore + 1;
    const int fewestBefore = count - mostLive;
    const int mostBefore = count - fewestLive;
    EXPECT_GE(mostBefore, c.secondsBefore * 30 - static_cast<int>(c.slackSeconds * 30))
        << count << " pictures";
    EXPECT_LE(fewestBefore, c.secondsBefore * 30 + 1) << count << " pictures";

    // The file: named, playable, indexed, every picture in it.
    EXPECT_THAT(FilesInDir(), ::testing::ElementsAre("motion.avi"));
    EXPECT_EQ(ProbeCsv("-show_entries stream=codec_type -of csv=p=0 " + Quoted(path)).size(),
              c.sound ? 2u : 1u);
    EXPECT_TRUE(HasIndexChunk(path));
    const std::vector<ProbedFrame> frames = PictureFrames(path);
    ASSERT_EQ(frames.size(), written.size());
    EXPECT_TRUE(frames.front().key);
    for (std::size_t i = 1; i < frames.size(); ++i)
        ASSERT_NEAR(frames[i].pts - frames[i - 1].pts, 1.0 / 30, 1e-3) << "frame " << i;
    const std::vector<double> levels = Brightness(path);
    ASSERT_EQ(levels.size(), frames.size());
    for (std::size_t i = 1; i < levels.size(); ++i)
        ASSERT_GT(std::abs(levels[i] - levels[i - 1]), 100) << "frame " << i;

    if (c.sound) {
        // The sound starts with the first picture, not before, and ends with the last.
        const std::vector<GstClockTime> sound = pushes.Sound();
        ASSERT_FALSE(sound.empty());
        EXPECT_LT(sound.front(), 200 * GST_MSECOND);
        const double pictureEnd = StreamEnd(path, "v");
        const double soundEnd = StreamEnd(path, "a");
        EXPECT_LT(std::abs(pictureEnd - soundEnd), 0.2)
            << "picture " << pictureEnd << " s, sound " << soundEnd << " s";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HandOver,
    ::testing::Values(HandOverCase{"MotionJpeg", "JPEG image encoder", false, 2, 0},
                      HandOverCase{"MotionJpegWithSound", "JPEG image encoder", true, 2, 0},
                      HandOverCase{"NothingBefore", "JPEG image encoder", false, 0, 0},
                      // Key frames come rarely: the ring asks for one at least each second.
                      HandOverCase{"Vp8", "On2 VP8 Encoder", false, 2, 1.0}),
    [](const auto& info) { return info.param.what; });

// Arming, two files and the finish in between never restart the camera, and the second
// file has its seconds before as well.
TEST_F(ArmedGraphTest, TwoFilesInARowFromOneCameraStart) {
    CCaptureGraph graph;
    ASSERT_TRUE(Arm(graph, Request("JPEG image encoder", true), 1)) << graph.lastError();
    EXPECT_EQ(pushes.cameraStarts, 1);
    ASSERT_TRUE(StepUntilEncoded(graph, 45));
    std::size_t before = 0;
    for (const char* name : {"first.avi", "second.avi"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(StartFile(graph, Path(name))) << graph.lastError();
        ASSERT_TRUE(StepUntilWritten(graph, before + 60));
        EXPECT_TRUE(Finish(graph));
        const std::size_t written = pushes.Pictures().size() - before;
        before += written;
        const std::vector<ProbedFrame> frames = PictureFrames(Path(name));
        EXPECT_EQ(frames.size(), written);
        EXPECT_GE(frames.size(), 60u);
        EXPECT_TRUE(HasIndexChunk(Path(name)));
        EXPECT_LT(std::abs(StreamEnd(Path(name), "v") - StreamEnd(Path(name), "a")), 0.2);
    }
    EXPECT_EQ(pushes.cameraStarts, 1);
    EXPECT_FALSE(graph.WaitForNewFrame());
    EXPECT_THAT(FilesInDir(), ::testing::ElementsAre("first.avi", "second.avi"));
}

// Tearing the graph down while a file is written finishes the file: it keeps its name,
// its index and every picture handed to it.
TEST_F(ArmedGraphTest, TeardownWhileWritingKeepsTheFile) {
    CCaptureGraph graph;
    ASSERT_TRUE(Arm(graph, Request("JPEG image encoder", true), 1)) << graph.lastError();
    ASSERT_TRUE(StepUntilEncoded(graph, 30));
    ASSERT_TRUE(StartFile(graph, Path("cut.avi"))) << graph.lastError();
    ASSERT_TRUE(StepUntilWritten(graph, 45));
    graph.Teardown();
    EXPECT_FALSE(graph.encoderAttached());
    EXPECT_FALSE(graph.writingFile());
    EXPECT_FALSE(graph.hasGraph());

    EXPECT_THAT(FilesInDir(), ::testing::ElementsAre("cut.avi"));
    EXPECT_TRUE(HasIndexChunk(Path("cut.avi")));
    EXPECT_EQ(PictureFrames(Path("cut.avi")).size(), pushes.Pictures().size());
}

// The disk refuses to grow while a file is written: the file ends with the cause, what
// was written stays, and the graph stays armed for the next file.
TEST_F(ArmedGraphTest, AWriteErrorEndsTheFileButNotTheArmedGraph) {
    CCaptureGraph graph;
    ASSERT_TRUE(Arm(graph, Request("JPEG image encoder", false), 1)) << graph.lastError();
    ASSERT_TRUE(StepUntilEncoded(graph, 30));
    ASSERT_TRUE(StartFile(graph, Path("full.avi"))) << graph.lastError();
    ASSERT_TRUE(StepUntilWritten(graph, 40));
    {
        RefusingDisk full;
        ASSERT_TRUE(StepUntil(graph, [&] { return !graph.writingFile(); }));
        EXPECT_EQ(graph.failureCause(), "Cannot write the AVI file: File too large.");
        EXPECT_TRUE(graph.encoderAttached());
        EXPECT_FALSE(graph.deviceLost());
    }
    EXPECT_GT(fs::file_size(Path("full.avi")), 0u);

    ASSERT_TRUE(StartFile(graph, Path("next.avi"))) << graph.lastError();
    EXPECT_TRUE(graph.failureCause().empty());
    const std::size_t before = pushes.Pictures().size();
    ASSERT_TRUE(StepUntilWritten(graph, before + 30));
    EXPECT_TRUE(Finish(graph));
    EXPECT_TRUE(HasIndexChunk(Path("next.avi")));
    EXPECT_THAT(FilesInDir(), ::testing::ElementsAre("full.avi", "next.avi"));
}

// The file's name is taken by the time it would get it (another program recording into
// the folder): it moves on to the next name given, with nothing replaced.
TEST_F(ArmedGraphTest, ATakenNameMovesTheFileToTheNextOneGiven) {
    std::ofstream(Path("Tavelin-00005.avi")) << "earlier";
    test::ListedNames names({Path("Tavelin-00006.avi")});
    CCaptureGraph graph;
    ASSERT_TRUE(Arm(graph, Request("JPEG image encoder", false), 1)) << graph.lastError();
    ASSERT_TRUE(StepUntilEncoded(graph, 30));
    ASSERT_TRUE(StartFile(graph, Path("Tavelin-00005.avi"), &names)) << graph.lastError();
    ASSERT_TRUE(StepUntilWritten(graph, 40));
    EXPECT_TRUE(Finish(graph));
    EXPECT_THAT(names.asked, ::testing::ElementsAre(Path("Tavelin-00005.avi")));
    EXPECT_THAT(FilesInDir(), ::testing::ElementsAre("Tavelin-00005.avi", "Tavelin-00006.avi"));
    EXPECT_EQ(fs::file_size(Path("Tavelin-00005.avi")), 7u);
    EXPECT_TRUE(HasIndexChunk(Path("Tavelin-00006.avi")));
}

// A file that cannot start says why, leaves nothing behind (an existing file of that
// name untouched) and the graph armed: the next start works.
struct RefusedStart {
    const char* what;
    std::string (*path)(const fs::path& dir);
    const char* cause;
    bool diskFull = false;
};
void PrintTo(const RefusedStart& r, std::ostream* os) {
    *os << r.what;
}

class StartRefused : public ArmedGraphTest, public ::testing::WithParamInterface<RefusedStart> {};

TEST_P(StartRefused, SaysWhyAndStaysArmed) {
    const RefusedStart& r = GetParam();
    std::ofstream(dir_ / "taken.avi") << "earlier";
    CCaptureGraph graph;
    ASSERT_TRUE(Arm(graph, Request("JPEG image encoder", true), 1)) << graph.lastError();
    ASSERT_TRUE(StepUntilEncoded(graph, 30));
    {
        std::optional<RefusingDisk> full;
        if (r.diskFull)
            full.emplace();
        EXPECT_FALSE(StartsAFile(graph, r.path(dir_)));
    }
    EXPECT_EQ(graph.failureCause(), r.cause);
    EXPECT_FALSE(graph.writingFile());
    EXPECT_TRUE(graph.encoderAttached());
    EXPECT_THAT(FilesInDir(), ::testing::ElementsAre("taken.avi"));
    EXPECT_EQ(fs::file_size(dir_ / "taken.avi"), 7u);

    EXPECT_FALSE(graph.WaitForNewFrame());
    ASSERT_TRUE(StartFile(graph, Path("fine.avi"))) << graph.lastError();
    EXPECT_TRUE(Finish(graph));
    EXPECT_EQ(pushes.cameraStarts, 1);
    EXPECT_THAT(FilesInDir(), ::testing::ElementsAre("fine.avi", "taken.avi"));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, StartRefused,
    ::testing::Values(
        RefusedStart{"MissingFolder",
                     [](const fs::path& d) { return (d / "nope" / "a.avi").string(); },
                     "Cannot write the AVI file: No such file or directory."},
        RefusedStart{"NameTaken", [](const fs::path& d) { return (d / "taken.avi").string(); },
                     "Cannot write the AVI file: File exists."},
        RefusedStart{"DiskRefuses", [](const fs::path& d) { return (d / "refused.avi").string(); },
                     "Cannot write the AVI file: File too large.", true}),
    [](const auto& info) { return info.param.what; });

}  // namespace
}  // namespace tavelin
