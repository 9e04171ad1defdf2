// The process's descriptors and threads over many graph builds with sound, on the
// synthetic camera and microphone with no sound server to answer: whatever a build
// opens, its teardown closes, and what is set up once stays once.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "capture/CaptureGraph.h"
#include "capture/TestSources.h"
#include "tests/capture/AviProbe.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/GraphNews.h"
#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;

// GLib's thread pool, which runs the pipelines' streaming threads, keeps up to two idle
// threads for later (g_thread_pool_get_max_unused_threads) and lets the others end on
// their own time: the count may differ by these between two teardowns.
constexpr int kIdlePoolThreads = 2;

int Entries(const char* directory) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(directory)) {
        (void)entry;
        ++count;
    }
    return count;
}

std::atomic<int> buildsWithSound{0};

void CountBuildsWithSound(LogArea, LogLevel level, const std::string& text) {
    if (level == LogLevel::Info && text.ends_with(" with sound"))
        ++buildsWithSound;
}

struct BuildCase {
    const char* name;
    bool armed;
    int builds;
};
void PrintTo(const BuildCase& c, std::ostream* os) {
    *os << c.name;
}

class GraphResources : public testing::TempFolderTest,
                       public ::testing::WithParamInterface<BuildCase> {
protected:
    void SetUp() override {
        testing::TempFolderTest::SetUp();
        synthetic_.emplace(kTestSourcesVariable, "1");
        // A server address where none listens: no server answers on any machine, and
        // libpulse starts none of its own for an address it was given.
        noServer_.emplace("PULSE_SERVER", "unix:" + In("no-server"));
        buildsWithSound = 0;
        SetLogSink(&CountBuildsWithSound);
    }
    void TearDown() override {
        SetLogSink(nullptr);
        testing::TempFolderTest::TearDown();
    }

    std::optional<test::ScopedEnv> synthetic_;
    std::optional<test::ScopedEnv> noServer_;
};

TEST_P(GraphResources, DescriptorsAndThreadsStayLevelOverManyBuildsWithSound) {
    const BuildCase& c = GetParam();
    std::vector<std::string> video;
    std::vector<std::string> devices;
    CCaptureGraph::ListVideoCompressors(video);
    CCaptureGraph::ListAudioDevices(devices);
    RecordRequest request;
    request.width = 160;
    request.height = 120;
    request.videoCompressorIndex = test::ListPosition(video, "JPEG image encoder");
    request.audioEnabled = true;
    request.audioCompression = false;
    request.audioDeviceIndex = test::ListPosition(devices, kTestMicrophoneName);
    ASSERT_GE(request.videoCompressorIndex, 0);
    ASSERT_GE(request.audioDeviceIndex, 0);

    CCaptureGraph graph;
    int built = 0;
    // The camera and the output each time; by hand also a file, started and finished.
    const auto build = [&] {
        request.path = In("by-hand-" + std::to_string(built++) + ".avi");
        test::NewsLog news(graph);
        bool ok = graph.BuildPreviewGraph(request.width, request.height) &&
                  graph.AttachEncoder(request, c.armed ? 1 : 0);
        if (ok && !c.armed) {
            ok = graph.StartFile(request.path, false, nullptr, false) && news.AwaitStart();
            graph.FinishFile();
            ok = news.AwaitEnd() && ok;
        }
        graph.Teardown();
        fs::remove(request.path);
        return ok;
    };
    // What GStreamer and the device lists set up once for the process.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(build()) << graph.lastError();
    const int descriptors = Entries("/proc/self/fd");
    const int threads = Entries("/proc/self/task");

    for (int i = 0; i < c.builds; ++i)
        ASSERT_TRUE(build()) << "build " << i << ": " << graph.lastError();
    EXPECT_EQ(buildsWithSound, c.builds + 3);
    EXPECT_EQ(Entries("/proc/self/fd"), descriptors);
    EXPECT_LE(Entries("/proc/self/task"), threads + kIdlePoolThreads);
}

INSTANTIATE_TEST_SUITE_P(Graphs, GraphResources,
                         ::testing::Values(BuildCase{"Armed", true, 120},
                                           BuildCase{"ByHand", false, 120}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavelin
