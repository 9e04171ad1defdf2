// Recording on the synthetic camera and microphone: real AVI files, checked with
// ffprobe and for their index.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "CaptureGraph.h"
#include "CaptureTestSupport.h"
#include "TestSources.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;

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

// Where a stream's last packet ends, in seconds: "v" or "a". The AVI header states no
// duration for uncompressed sound, so the packets are the measure.
double StreamEnd(const fs::path& file, const char* stream) {
    const std::string command = std::string("ffprobe -v error -select_streams ") + stream +
                                " -show_entries packet=pts_time,duration_time -of csv=p=0 '" +
                                file.string() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return -1;
    double end = -1;
    char buffer[128];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
        double pts = 0;
        double duration = 0;
        if (std::sscanf(buffer, "%lf,%lf", &pts, &duration) == 2)
            end = pts + duration;
    }
    pclose(pipe);
    return end;
}

bool HasIndexChunk(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.find("idx1") != std::string::npos;
}

int ListPosition(const std::vector<std::string>& list, const std::string& name) {
    const auto it = std::find(list.begin(), list.end(), name);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
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
        dv_ = ListPosition(video, "libav DV (Digital Video) encoder");
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

    // Records for `span`, requesting frames like the frame step does; returns the
    // seconds between the start and the teardown.
    double Record(CCaptureGraph& graph, std::chrono::milliseconds span) {
        const auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < span) {
            EXPECT_FALSE(graph.WaitForNewFrame());
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        graph.Teardown();
        return seconds;
    }

    fs::path dir_;
    int jpeg_ = -1;
    int dv_ = -1;
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
    ASSERT_TRUE(graph.BuildRecordGraph(request)) << graph.lastError();
    EXPECT_TRUE(graph.recording());
    EXPECT_EQ(graph.audioFailed(), c.audioFailed);
    const double seconds = Record(graph, std::chrono::milliseconds(3000));
    EXPECT_FALSE(graph.audioFailed());  // teardown clears it

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
    EXPECT_NEAR(probe.duration, seconds, seconds * 0.10);
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
    ASSERT_TRUE(graph.BuildRecordGraph(request)) << graph.lastError();
    const double seconds = Record(graph, std::chrono::milliseconds(10000));

    const Probe probe = ProbeFile(request.path);
    ASSERT_TRUE(probe.opened);
    ASSERT_EQ(probe.streams.size(), 2u);
    const Fields& video = probe.streams[0];
    const Fields& audio = probe.streams[1];
    EXPECT_EQ(Field(video, "width"), "640");
    EXPECT_EQ(Field(audio, "codec_type"), "audio");
    const double videoSeconds = StreamEnd(request.path, "v");
    const double audioSeconds = StreamEnd(request.path, "a");
    EXPECT_NEAR(videoSeconds, seconds, 1.0);
    EXPECT_NEAR(audioSeconds, seconds, 1.0);
    EXPECT_LT(std::abs(videoSeconds - audioSeconds), 0.2);
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
    CCaptureGraph graph;
    {
        ScopedEnv stop("TAVELIN_TEST_CAMERA_STOP_AFTER", "20");
        ASSERT_TRUE(graph.BuildRecordGraph(request)) << graph.lastError();
    }
    if (noticed) {
        bool gaveUp = false;
        for (int i = 0; i < 60 && !gaveUp; ++i)
            gaveUp = graph.WaitForNewFrame();
        ASSERT_TRUE(gaveUp);
        EXPECT_TRUE(graph.deviceLost());
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    }
    graph.Teardown();
    EXPECT_FALSE(graph.hasGraph());

    const Probe probe = ProbeFile(request.path);
    ASSERT_TRUE(probe.opened);
    ASSERT_GE(probe.streams.size(), 1u);
    EXPECT_EQ(Field(probe.streams[0], "codec_type"), "video");
    EXPECT_TRUE(HasIndexChunk(request.path));

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

TEST_P(UnusablePath, FailsWithoutAGraphOrAFile) {
    RecordRequest request = Request("unused.avi", false);
    request.path = GetParam().path(dir_);
    const int threadsBefore = ThreadCount();
    CCaptureGraph graph;
    EXPECT_FALSE(graph.BuildRecordGraph(request));
    EXPECT_FALSE(graph.hasGraph());
    EXPECT_FALSE(graph.recording());
    EXPECT_EQ(graph.width(), 0);
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

TEST_F(RecordGraphTest, AnEncoderThatRefusesTheSizeFailsAndLeavesNothing) {
    if (dv_ < 0)
        GTEST_SKIP() << "no DV encoder on this machine";
    RecordRequest request = Request("dv.avi", false);
    request.videoCompressorIndex = dv_;  // DV takes 720x576 or 720x480 only
    const int threadsBefore = ThreadCount();
    CCaptureGraph graph;
    EXPECT_FALSE(graph.BuildRecordGraph(request));
    EXPECT_FALSE(graph.hasGraph());
    EXPECT_TRUE(FilesInDir().empty());
    // Streaming threads went back to GStreamer's pool, which keeps at most two idle.
    int threads = ThreadCount();
    for (int i = 0; i < 100 && threads > threadsBefore + 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        threads = ThreadCount();
    }
    EXPECT_LE(threads, threadsBefore + 2);
}

TEST_F(RecordGraphTest, AFailedStartLeavesAnExistingFileAlone) {
    const fs::path file = dir_ / "mine.avi";
    std::ofstream(file) << "keep me";
    RecordRequest request = Request("mine.avi", false);
    for (int bad : {-1, 100000}) {
        request.videoCompressorIndex = bad;
        CCaptureGraph graph;
        EXPECT_FALSE(graph.BuildRecordGraph(request)) << bad;
    }
    std::ifstream in(file);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "keep me");
    EXPECT_THAT(FilesInDir(), ::testing::ElementsAre("mine.avi"));
}

}  // namespace
}  // namespace tavelin
