// Recording on the synthetic camera and microphone: real AVI files, checked with
// ffprobe and for their index.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "capture/CaptureGraph.h"
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
using test::ScopedEnv;
using test::StreamEnd;
using testing::RefusingDisk;

// One stream or the container, as ffprobe describes it.
using Fields = std::map<std::string, std::string>;

std::string Field(const Fields& fields, const char* key) {
    const auto it = fields.find(key);
    return it == fields.end() ? std::string() : it->second;
}

struct Probe {
    bool opened = false;
    std::vector<Fields> streams;
    double duration = 0;
};

// ffprobe prints key=value lines inside [STREAM] and [FORMAT] sections.
Probe ProbeFile(const fs::path& file) {
    Probe probe;
    const std::string command =
        "ffprobe -v error -show_entries stream=codec_name,codec_type,width,height,"
        "avg_frame_rate:format=duration -of default '" +
        file.string() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return probe;
    char buffer[256];
    bool inFormat = false;
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
        const std::string line(buffer, std::strcspn(buffer, "\r\n"));
        if (line == "[STREAM]") {
            probe.streams.emplace_back();
            inFormat = false;
        } else if (line == "[FORMAT]") {
            inFormat = true;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        if (inFormat && key == "duration")
            probe.duration = std::atof(line.c_str() + eq + 1);
        else if (!inFormat && !probe.streams.empty())
            probe.streams.back()[key] = line.substr(eq + 1);
    }
    probe.opened = pclose(pipe) == 0;
    return probe;
}

// Frames ffprobe can decode from the picture stream.
int CountVideoFrames(const fs::path& file) {
    const std::string command =
        "ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames "
        "-of csv=p=0 '" +
        file.string() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return -1;
    int frames = -1;
    if (std::fscanf(pipe, "%d", &frames) != 1)
        frames = -1;
    pclose(pipe);
    return frames;
}

int MicrophonePosition() {
    std::vector<std::string> devices;
    CCaptureGraph::ListAudioDevices(devices);
    return ListPosition(devices, kTestMicrophoneName);
}

int ThreadCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

// Polls `condition` until it holds; the limit only keeps a broken graph from hanging
// the test.
bool WaitUntil(const auto& condition) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// What the synthetic sources have pushed so far, seen through GStreamer's tracing
// hooks: a test can tell that the camera hung, and how far the sound got, without
// asking the graph for a frame. Times are stream times of the graph's pipeline.
struct SourcePushes {
    std::atomic<int> cameraBuffers{0};
    std::atomic<GstClockTime> cameraEnd{0};
    std::atomic<GstClockTime> microphoneEnd{0};

    void Reset() {
        cameraBuffers = 0;
        cameraEnd = 0;
        microphoneEnd = 0;
    }
};
SourcePushes pushes;

void NotePush(GObject*, GstClockTime, GstPad* pad, GstBuffer* buffer) {
    GstObject* parent = GST_OBJECT_PARENT(pad);
    if (parent == nullptr || !GST_IS_ELEMENT(parent))
        return;
    GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(parent));
    // Only the sources' own buffers are read: others may be in other threads' hands.
    if (factory == nullptr ||
        (std::strcmp(GST_OBJECT_NAME(factory), "videotestsrc") != 0 &&
         std::strcmp(GST_OBJECT_NAME(factory), "audiotestsrc") != 0) ||
        !GST_BUFFER_PTS_IS_VALID(buffer))
        return;
    const GstClockTime end =
        GST_BUFFER_PTS(buffer) +
        (GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) : 0);
    MarkReleased(buffer);  // before it goes on to the output's queues
    if (std::strcmp(GST_OBJECT_NAME(factory), "videotestsrc") == 0) {
        pushes.cameraEnd = end;
        ++pushes.cameraBuffers;
    } else if (std::strcmp(GST_OBJECT_NAME(factory), "audiotestsrc") == 0) {
        pushes.microphoneEnd = end;
    }
}

// Starts counting afresh; the hook is installed once and stays for the process.
void WatchSourcePushes() {
    static const bool installed = [] {
        const GType type = g_type_register_static_simple(GST_TYPE_TRACER, "TavelinTestSourcePushes",
                                                         sizeof(GstTracerClass), nullptr,
                                                         sizeof(GstTracer), nullptr, GTypeFlags(0));
        auto* tracer = static_cast<GstTracer*>(g_object_new(type, nullptr));
        gst_tracing_register_hook(tracer, "pad-push-pre", G_CALLBACK(&NotePush));
        return true;
    }();
    (void)installed;
    pushes.Reset();
}

// How long a recording ran, as far as the test can tell: surely from its start's news
// to the finish's call, at most from the start's call to the finish's news (a loaded
// machine can spend a while in either).
struct Span {
    double least;
    double most;
};

// A file holds what was recorded: no less than the time the graph surely ran, no more
// than the time it can have run, give or take `slack` of it.
::testing::AssertionResult LastsAsLongAsItRan(double fileSeconds, Span ran, double slack) {
    if (fileSeconds >= ran.least * (1 - slack) && fileSeconds <= ran.most * (1 + slack))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << fileSeconds << " s in the file; the graph ran "
                                         << ran.least << " to " << ran.most << " s";
}

class RecordGraphTest : public test::SyntheticSources {
protected:
    void SetUp() override {
        test::SyntheticSources::SetUp();
        char pattern[] = "/tmp/tavelin-record-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        std::vector<std::string> video;
        CCaptureGraph::ListVideoCompressors(video);
        jpeg_ = ListPosition(video, "JPEG image encoder");
        ASSERT_GE(jpeg_, 0);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    RecordRequest Request(const std::string& name, bool audio) const {
        RecordRequest r;
        r.width = 320;
        r.height = 240;
        r.path = (dir_ / name).string();
        r.videoCompressorIndex = jpeg_;
        r.audioEnabled = audio;
        r.audioCompression = true;
        r.audioCompressorIndex = 0;  // PCM
        r.audioDeviceIndex = audio ? MicrophonePosition() : 0;
        return r;
    }

    std::vector<std::string> FilesInDir() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename());
        return names;
    }

    using Clock = std::chrono::steady_clock;

    // A recording by hand: the camera at the request's size, the output linked and a
    // file begun with the next picture; true once the file has its name, noting when.
    bool Start(CCaptureGraph& graph, const RecordRequest& request) {
        news_.emplace(graph);
        startCalled_ = Clock::now();
        const bool started =
            graph.BuildPreviewGraph(request.width, request.height) &&
            graph.AttachEncoder(request, 0) &&
            graph.StartFile(request.path, request.replaceExisting, request.names, false) &&
            news_->AwaitStart();
        startReturned_ = Clock::now();
        return started;
    }

    // Records until `span` has passed since Start, requesting frames like the frame step
    // does, finishes the file and tears the graph down.
    Span Record(CCaptureGraph& graph, std::chrono::milliseconds span) {
        while (Clock::now() - startReturned_ < span) {
            EXPECT_FALSE(graph.WaitForNewFrame());
            news_->Take();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const auto finishCalled = Clock::now();
        graph.FinishFile();
        EXPECT_TRUE(news_->AwaitEnd());
        const auto finished = Clock::now();
        graph.Teardown();
        const auto seconds = [](Clock::duration d) {
            return std::chrono::duration<double>(d).count();
        };
        return {seconds(finishCalled - startReturned_), seconds(finished - startCalled_)};
    }

    // A start that fails: at once, or with the news of the failure.
    bool StartFails(CCaptureGraph& graph, const RecordRequest& request) {
        return !Start(graph, request) && !graph.writingFile();
    }

    fs::path dir_;
    int jpeg_ = -1;
    std::optional<test::NewsLog> news_;
    Clock::time_point startCalled_;
    Clock::time_point startReturned_;
};

// Each case records three seconds of Motion JPEG at 320x240 and checks the file.
struct RecordCase {
    const char* what;
    bool sound;
    int (*audioCompressor)(const std::vector<std::string>& list);  // list position
    const char* audioCodec;                                        // prefix of ffprobe's codec name
    bool audioFailed;
};
void PrintTo(const RecordCase& c, std::ostream* os) {
    *os << c.what;
}

class Recording : public RecordGraphTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(Recording, MakesAFinishedIndexedFile) {
    const RecordCase& c = GetParam();
    RecordRequest request = Request("clip.avi", c.sound);
    std::vector<std::string> audio;
    ASSERT_TRUE(CCaptureGraph::ListAudioCompressors(audio));
    request.audioCompressorIndex = c.audioCompressor(audio);
    if (request.audioCompressorIndex < 0)
        GTEST_SKIP() << "no such audio encoder here";
    if (c.sound) {
        ASSERT_GE(request.audioDeviceIndex, 0);
    }
    CCaptureGraph graph;
    ASSERT_TRUE(Start(graph, request)) << graph.lastError();
    EXPECT_TRUE(graph.writingFile());
    EXPECT_EQ(graph.audioFailed(), c.audioFailed);
    const Span ran = Record(graph, std::chrono::milliseconds(3000));
    EXPECT_FALSE(graph.audioFailed());  // teardown clears it
    // The finish's news tells what went in.
    const GraphNews* finished = news_->Last(GraphNews::Kind::FileFinished);
    ASSERT_NE(finished, nullptr);
    EXPECT_EQ(finished->path, request.path);

    EXPECT_THAT(FilesInDir(), ::testing::ElementsAre("clip.avi"));  // no temporary left
    const Probe probe = ProbeFile(request.path);
    ASSERT_TRUE(probe.opened);
    ASSERT_EQ(probe.streams.size(), c.sound ? 2u : 1u);
    const Fields& video = probe.streams[0];  // video is the first stream
    EXPECT_EQ(Field(video, "codec_type"), "video");
    EXPECT_EQ(Field(video, "codec_name"), "mjpeg");
    EXPECT_EQ(Field(video, "width"), "320");
    EXPECT_EQ(Field(video, "height"), "240");
    if (c.sound) {
        EXPECT_EQ(Field(probe.streams[1], "codec_type"), "audio");
        EXPECT_THAT(Field(probe.streams[1], "codec_name"), ::testing::StartsWith(c.audioCodec));
    }
    EXPECT_TRUE(LastsAsLongAsItRan(probe.duration, ran, 0.10));
    EXPECT_TRUE(HasIndexChunk(request.path));
}

INSTANTIATE_TEST_SUITE_P(
    Sound, Recording,
    ::testing::Values(
        RecordCase{"Silent", false, [](const auto&) { return 0; }, "", false},
        RecordCase{"ToneUncompressed", true, [](const auto&) { return 0; }, "pcm_", false},
        RecordCase{"ToneMp2", true,
                   [](const auto& list) {
                       return ListPosition(list, "libav MP2 (MPEG audio layer 2) encoder");
                   },
                   "mp2", false},
        // An encoder that cannot be had: the sound goes in uncompressed instead.
        RecordCase{"ToneUnusableEncoder", true,
                   [](const auto& list) { return static_cast<int>(list.size()); }, "pcm_", true}),
    [](const auto& info) { return info.param.what; });

// Ten seconds at 640x480 with the test tone: both streams last about as long as the
// recording, and they end together.
TEST_F(RecordGraphTest, PictureAndSoundStayTogetherOverTenSeconds) {
    RecordRequest request = Request("long.avi", true);
    request.width = 640;
    request.height = 480;
    ASSERT_GE(request.audioDeviceIndex, 0);
    CCaptureGraph graph;
    ASSERT_TRUE(Start(graph, request)) << graph.lastError();
    const Span ran = Record(graph, std::chrono::milliseconds(10000));

    const Probe probe = ProbeFile(request.path);
    ASSERT_TRUE(probe.opened);
    ASSERT_EQ(probe.streams.size(), 2u);
    const Fields& video = probe.streams[0];
    const Fields& audio = probe.streams[1];
    EXPECT_EQ(Field(video, "width"), "640");
    EXPECT_EQ(Field(audio, "codec_type"), "audio");
    const double videoSeconds = StreamEnd(request.path, "v");
    const double audioSeconds = StreamEnd(request.path, "a");
    EXPECT_TRUE(LastsAsLongAsItRan(videoSeconds, ran, 0.10));
    EXPECT_TRUE(LastsAsLongAsItRan(audioSeconds, ran, 0.10));
    EXPECT_LT(std::abs(videoSeconds - audioSeconds), 0.2)
        << "picture " << videoSeconds << " s, sound " << audioSeconds << " s";
    // The synthetic camera runs at 30 frames a second.
    EXPECT_EQ(Field(video, "avg_frame_rate"), "30/1");
}

// The camera hangs mid-recording. Whether or not the frame wait noticed first,
// teardown must still end the file properly.
class CameraHangs : public RecordGraphTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CameraHangs, TheFileIsStillFinished) {
    const bool noticed = GetParam();
    const RecordRequest request = Request("hung.avi", true);
    ASSERT_GE(request.audioDeviceIndex, 0);
    WatchSourcePushes();
    CCaptureGraph graph;
    {
        ScopedEnv stop("TAVELIN_TEST_CAMERA_STOP_AFTER", "40");
        ASSERT_TRUE(Start(graph, request)) << graph.lastError();
    }
    if (noticed) {
        bool gaveUp = false;
        for (int i = 0; i < 60 && !gaveUp; ++i)
            gaveUp = graph.WaitForNewFrame();
        ASSERT_TRUE(gaveUp);
        EXPECT_TRUE(graph.deviceLost());
        EXPECT_TRUE(graph.cameraStopped());
    } else {
        // Nobody asks for a frame. The camera's 40th push is its last (it passes or is
        // held, and nothing follows); the sound runs on for half a second past it.
        const auto soundPastThePicture = [] {
            return pushes.cameraBuffers >= 40 &&
                   pushes.microphoneEnd >= pushes.cameraEnd + GST_SECOND / 2;
        };
        ASSERT_TRUE(WaitUntil(soundPastThePicture)) << pushes.cameraBuffers << " frames pushed";
    }
    graph.Teardown();
    EXPECT_FALSE(graph.hasGraph());
    news_->Take();  // the teardown finished the file
    EXPECT_EQ(news_->Count(GraphNews::Kind::FileFinished), 1);

    const Probe probe = ProbeFile(request.path);
    ASSERT_TRUE(probe.opened);
    ASSERT_EQ(probe.streams.size(), 2u);
    EXPECT_EQ(Field(probe.streams[0], "codec_type"), "video");
    EXPECT_TRUE(HasIndexChunk(request.path));
    // The sound queued while the picture stood still does not run on past it.
    const double videoEnd = StreamEnd(request.path, "v");
    const double audioEnd = StreamEnd(request.path, "a");
    EXPECT_GT(videoEnd, 0.5);
    EXPECT_LT(std::abs(videoEnd - audioEnd), 0.2)
        << "picture " << videoEnd << " s, sound " << audioEnd << " s";

    // And the camera works again afterwards.
    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    EXPECT_FALSE(graph.WaitForNewFrame());
}

INSTANTIATE_TEST_SUITE_P(Noticed, CameraHangs, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "ByTheWait" : "Unnoticed"; });

struct BadPath {
    const char* what;
    std::string (*path)(const fs::path& dir);
};

void PrintTo(const BadPath& p, std::ostream* os) {
    *os << p.what;
}

class UnusablePath : public RecordGraphTest, public ::testing::WithParamInterface<BadPath> {};

TEST_P(UnusablePath, FailsAtOnceWithoutAFile) {
    RecordRequest request = Request("unused.avi", false);
    request.path = GetParam().path(dir_);
    CCaptureGraph graph;
    ASSERT_TRUE(graph.BuildPreviewGraph(request.width, request.height)) << graph.lastError();
    ASSERT_TRUE(graph.AttachEncoder(request, 0)) << graph.lastError();
    const int threadsBefore = ThreadCount();
    EXPECT_FALSE(graph.StartFile(request.path, false, nullptr, false));
    EXPECT_FALSE(graph.writingFile());
    EXPECT_FALSE(graph.failureCause().empty());
    EXPECT_TRUE(graph.encoderAttached());  // the output runs on
    EXPECT_TRUE(FilesInDir().empty() || FilesInDir() == std::vector<std::string>{"folder"});
    EXPECT_LE(ThreadCount(), threadsBefore);  // refused before anything started
}

INSTANTIATE_TEST_SUITE_P(
    Paths, UnusablePath,
    ::testing::Values(
        BadPath{"Empty", [](const fs::path&) { return std::string(); }},
        BadPath{"MissingFolder", [](const fs::path& d) { return (d / "nope" / "a.avi").string(); }},
        BadPath{"ReadOnlyFileSystem", [](const fs::path&) { return std::string("/proc/a.avi"); }},
        BadPath{"NamesAFolder",
                [](const fs::path& d) {
                    fs::create_directory(d / "folder");
                    return (d / "folder").string();
                }},
        BadPath{"EndsWithSlash", [](const fs::path& d) { return (d.string() + "/"); }}),
    [](const auto& info) { return info.param.what; });

TEST_F(RecordGraphTest, AStartTheDiskRefusesLeavesNothingAndNamesTheCause) {
    const RecordRequest request = Request("refused.avi", true);
    CCaptureGraph graph;
    ASSERT_TRUE(graph.BuildPreviewGraph(request.width, request.height)) << graph.lastError();
    ASSERT_TRUE(graph.AttachEncoder(request, 0)) << graph.lastError();
    const int threadsBefore = ThreadCount();
    {
        RefusingDisk full;
        EXPECT_TRUE(StartFails(graph, request));
    }
    EXPECT_TRUE(FilesInDir().empty());
    EXPECT_EQ(graph.failureCause(), "Cannot write the AVI file: File too large.");
    const GraphNews* failed = news_->Last(GraphNews::Kind::FileFailed);
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->cause, graph.failureCause());
    EXPECT_TRUE(failed->path.empty());
    EXPECT_FALSE(news_->started());
    EXPECT_TRUE(graph.encoderAttached());
    // Streaming threads went back to GStreamer's pool, which keeps at most two idle.
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() <= threadsBefore + 2; }))
        << ThreadCount() << " threads, " << threadsBefore << " before";
}

// The disk fills up while recording: the file ends with the cause as news, what was
// written stays, and the camera and the output run on.
TEST_F(RecordGraphTest, AWriteErrorWhileRecordingEndsTheFileWithTheCause) {
    const RecordRequest request = Request("filling.avi", false);
    CCaptureGraph graph;
    ASSERT_TRUE(Start(graph, request)) << graph.lastError();
    for (int i = 0; i < 10; ++i)
        ASSERT_FALSE(graph.WaitForNewFrame());
    {
        RefusingDisk full;
        ASSERT_TRUE(news_->StepUntil([&] { return news_->ended(); }));
        const GraphNews* failed = news_->Last(GraphNews::Kind::FileFailed);
        ASSERT_NE(failed, nullptr);
        EXPECT_EQ(failed->cause, "Cannot write the AVI file: File too large.");
        EXPECT_EQ(failed->path, request.path);
        EXPECT_EQ(graph.failureCause(), failed->cause);
        EXPECT_FALSE(graph.writingFile());
        EXPECT_FALSE(graph.deviceLost());
        EXPECT_TRUE(graph.encoderAttached());
        EXPECT_FALSE(graph.WaitForNewFrame());
        graph.Teardown();
    }
    EXPECT_THAT(FilesInDir(), ::testing::ElementsAre("filling.avi"));
    EXPECT_GT(fs::file_size(dir_ / "filling.avi"), 0u);
}

// The name is taken by the time the file would get it (another program recording into
// the folder): the recording moves on to each name the request's numbering gives until
// one is free, with nothing replaced and nothing hidden left; without one it fails as
// the name was taken.
TEST_F(RecordGraphTest, ATakenNameMovesTheRecordingToTheNextOneGiven) {
    for (const char* name : {"Tavelin-00005.avi", "Tavelin-00006.avi"})
        std::ofstream(dir_ / name) << "earlier";
    const std::string moved = (dir_ / "Tavelin-00007.avi").string();
    test::ListedNames names({(dir_ / "Tavelin-00006.avi").string(), moved});
    RecordRequest request = Request("Tavelin-00005.avi", false);
    request.names = &names;
    CCaptureGraph graph;
    ASSERT_TRUE(Start(graph, request)) << graph.lastError();
    Record(graph, std::chrono::milliseconds(500));
    EXPECT_THAT(names.asked, ::testing::ElementsAre(request.path, (dir_ / "Tavelin-00006.avi")));
    EXPECT_THAT(FilesInDir(), ::testing::UnorderedElementsAre(
                                  "Tavelin-00005.avi", "Tavelin-00006.avi", "Tavelin-00007.avi"));
    EXPECT_EQ(fs::file_size(dir_ / "Tavelin-00005.avi"), 7u);
    EXPECT_EQ(fs::file_size(dir_ / "Tavelin-00006.avi"), 7u);
    EXPECT_TRUE(HasIndexChunk(moved));

    test::ListedNames none({});
    request.names = &none;
    EXPECT_TRUE(StartFails(graph, request));
    EXPECT_EQ(graph.failureCause(), "Cannot write the AVI file: File exists.");
    EXPECT_EQ(none.asked.size(), 1u);
    EXPECT_EQ(FilesInDir().size(), 3u);
}

// The longest names the folder takes, typed by the user, are recorded: the hidden file
// the recording starts in has a name short enough too.
TEST_F(RecordGraphTest, TheLongestTypedNamesAreRecorded) {
    std::string accented = "x";
    for (int i = 0; i < 125; ++i)
        accented += "\xc3\xa9";
    for (const std::string& name : {std::string(251, 'a') + ".avi", accented + ".avi"}) {
        ASSERT_EQ(name.size(), 255u);
        RecordRequest request = Request(name, false);
        request.replaceExisting = true;
        CCaptureGraph graph;
        ASSERT_TRUE(Start(graph, request)) << graph.lastError();
        Record(graph, std::chrono::milliseconds(500));
        EXPECT_TRUE(HasIndexChunk(request.path));
    }
    EXPECT_EQ(FilesInDir().size(), 2u);
}

TEST_F(RecordGraphTest, AnExistingFileIsReplacedOnlyWhenTheRequestAllowsIt) {
    const fs::path file = dir_ / "taken.avi";
    std::ofstream(file) << "earlier";
    RecordRequest request = Request("taken.avi", false);
    {
        CCaptureGraph graph;
        EXPECT_TRUE(StartFails(graph, request));
        EXPECT_EQ(graph.failureCause(), "Cannot write the AVI file: File exists.");
    }
    EXPECT_EQ(fs::file_size(file), 7u);
    EXPECT_THAT(FilesInDir(), ::testing::ElementsAre("taken.avi"));

    request.replaceExisting = true;
    CCaptureGraph graph;
    ASSERT_TRUE(Start(graph, request)) << graph.lastError();
    Record(graph, std::chrono::milliseconds(500));
    EXPECT_TRUE(HasIndexChunk(file));
}

// Another user swaps the hidden file for a link while the recording starts (the folder
// is theirs to write too): the recording goes on into the file this program created,
// and the link's target is never written.
TEST_F(RecordGraphTest, ASwappedInLinkIsNeverWrittenThrough) {
    const fs::path victim = dir_ / "victim";
    std::ofstream(victim) << "precious";
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, dir_.c_str(), IN_CREATE), 0);
    std::thread swapper([&] {
        alignas(inotify_event) char events[4096];
        for (;;) {
            const ssize_t n = ::read(watch, events, sizeof events);
            if (n <= 0)
                return;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                const std::string name = event->len > 0 ? event->name : "";
                if (name.ends_with(".avi.part") || name.find(".part-") != std::string::npos) {
                    const fs::path part = dir_ / name;
                    ::unlink(part.c_str());
                    ::symlink(victim.c_str(), part.c_str());
                    return;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    });
    RecordRequest request = Request("swapped.avi", false);
    CCaptureGraph graph;
    const bool started = Start(graph, request);
    swapper.join();
    ::close(watch);
    if (started)
        Record(graph, std::chrono::milliseconds(500));
    graph.Teardown();

    std::ifstream in(victim);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "precious");
    // The hidden name no longer named the file written, so it was not renamed into place.
    EXPECT_FALSE(started);
    EXPECT_FALSE(fs::exists(dir_ / "swapped.avi"));
}

// Every entry of the video compressor list records ten seconds at the two sizes every
// camera gives, one with sound and one without: a playable file whose frame count
// matches its length at the camera's rate.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kInstrumentedBuild = true;
#else
constexpr bool kInstrumentedBuild = false;
#endif

class EveryEncoder : public RecordGraphTest, public ::testing::WithParamInterface<std::string> {};

std::vector<std::string> ListedVideoCompressors() {
    std::vector<std::string> names;
    CCaptureGraph::ListVideoCompressors(names);
    return names;
}

std::string TestName(const std::string& name) {
    std::string out;
    for (const char c : name)
        out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return out;
}

TEST_P(EveryEncoder, RecordsTenSecondsAtBothSizes) {
    const int position = ListPosition(ListedVideoCompressors(), GetParam());
    ASSERT_GE(position, 0);
    for (const bool sound : {false, true}) {
        RecordRequest request = Request(sound ? "sound.avi" : "silent.avi", sound);
        request.videoCompressorIndex = position;
        request.width = sound ? 640 : 320;
        request.height = sound ? 480 : 240;
        SCOPED_TRACE(std::to_string(request.width) + (sound ? " with sound" : " silent"));
        CCaptureGraph graph;
        ASSERT_TRUE(Start(graph, request)) << graph.lastError();
        const Span ran = Record(graph, std::chrono::milliseconds(10000));

        const Probe probe = ProbeFile(request.path);
        ASSERT_TRUE(probe.opened);
        ASSERT_EQ(probe.streams.size(), sound ? 2u : 1u);
        EXPECT_EQ(Field(probe.streams[0], "width"), std::to_string(request.width));
        // Some encoders (JPEG 2000) keep up with the camera only in an optimised
        // build; under the sanitizers' instrumentation the file is still checked whole.
        if (kInstrumentedBuild)
            EXPECT_GT(probe.duration, 1.0);
        else
            EXPECT_TRUE(LastsAsLongAsItRan(probe.duration, ran, 0.05));
        const int frames = CountVideoFrames(request.path);
        EXPECT_NEAR(frames, probe.duration * 30, probe.duration * 30 * 0.05);
    }
}

INSTANTIATE_TEST_SUITE_P(Listed, EveryEncoder, ::testing::ValuesIn(ListedVideoCompressors()),
                         [](const auto& info) { return TestName(info.param); });

TEST_F(RecordGraphTest, AFailedStartLeavesAnExistingFileAlone) {
    const fs::path file = dir_ / "mine.avi";
    std::ofstream(file) << "keep me";
    RecordRequest request = Request("mine.avi", false);
    for (int bad : {-1, 100000}) {
        request.videoCompressorIndex = bad;
        CCaptureGraph graph;
        ASSERT_TRUE(graph.BuildPreviewGraph(request.width, request.height));
        EXPECT_FALSE(graph.AttachEncoder(request, 0)) << bad;
        EXPECT_FALSE(graph.StartFile(request.path, false, nullptr, false));
    }
    std::ifstream in(file);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "keep me");
    EXPECT_THAT(FilesInDir(), ::testing::ElementsAre("mine.avi"));
}

}  // namespace
}  // namespace tavelin
