// Frame taps on the synthetic camera's graph: what each chain hands on, when the camera
// took it, how taps follow the graph through rebuilds, and that a failing tap ends
// nothing but itself.

#include <gst/gst.h>
#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "capture/CaptureGraph.h"
#include "core/Log.h"
#include "tests/capture/AviProbe.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/GraphNews.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;

constexpr auto kWaitLimit = std::chrono::seconds(30);

std::int64_t MonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// One sample as a tap handed it on.
struct Received {
    std::string media;   // "video/x-raw", "image/jpeg"
    std::string format;  // of raw video
    int width = 0;
    int height = 0;
    std::size_t bytes = 0;
    bool jpegStart = false;  // FF D8
    std::int64_t captureNs = 0;
    std::int64_t arrivedNs = 0;
};

// Keeps what a tap delivers (the first few hundred samples) and notes any delivery that
// comes once `removed` is set.
class Receiver {
public:
    CCaptureGraph::FrameTapFn Fn() {
        return [this](GstSample* sample, std::int64_t captureNs) { Take(sample, captureNs); };
    }
    // Waits, without asking the graph for frames, until `done(all)` holds.
    template <class Condition>
    bool WaitUntil(const Condition& done) {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, kWaitLimit, [&] { return done(all_); });
    }
    bool WaitForMore(int more) {
        const int target = count() + more;
        return WaitUntil([&](const std::vector<Received>&) { return count_ >= target; });
    }
    std::vector<Received> all() const {
        std::lock_guard guard(lock_);
        return all_;
    }
    int count() const {
        std::lock_guard guard(lock_);
        return count_;
    }

    std::atomic<bool> removed{false};
    std::atomic<int> late{0};

private:
    void Take(GstSample* sample, std::int64_t captureNs) {
        if (removed)
            ++late;
        Received r;
        r.captureNs = captureNs;
        r.arrivedNs = MonotonicNow();
        if (GstCaps* caps = gst_sample_get_caps(sample); caps != nullptr) {
            const GstStructure* s = gst_caps_get_structure(caps, 0);
            r.media = gst_structure_get_name(s);
            if (const char* format = gst_structure_get_string(s, "format"))
                r.format = format;
            gst_structure_get_int(s, "width", &r.width);
            gst_structure_get_int(s, "height", &r.height);
        }
        if (GstBuffer* buffer = gst_sample_get_buffer(sample)) {
            GstMapInfo map;
            if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
                r.bytes = map.size;
                r.jpegStart = map.size >= 2 && map.data[0] == 0xFF && map.data[1] == 0xD8;
                gst_buffer_unmap(buffer, &map);
            }
        }
        std::lock_guard guard(lock_);
        ++count_;
        if (all_.size() < 400)
            all_.push_back(std::move(r));
        changed_.notify_all();
    }

    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Received> all_;
    int count_ = 0;
};

int CountOfSize(const std::vector<Received>& all, int width, int height) {
    int n = 0;
    for (const Received& r : all)
        n += r.width == width && r.height == height ? 1 : 0;
    return n;
}

// The capture log's warnings about frame taps.
std::mutex tapLogLock;
std::vector<std::string>& tapLog = *new std::vector<std::string>;

void NoteTapWarnings(LogArea area, LogLevel level, const std::string& text) {
    if (area == LogArea::Capture && level >= LogLevel::Warning && text.starts_with("frame tap")) {
        std::lock_guard guard(tapLogLock);
        tapLog.push_back(text);
    }
}

class FrameTapTest : public test::SyntheticSources {
protected:
    void SetUp() override {
        test::SyntheticSources::SetUp();
        {
            std::lock_guard guard(tapLogLock);
            tapLog.clear();
        }
        SetLogSink(&NoteTapWarnings);
        char pattern[] = "/tmp/tavelin-tap-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        SetLogSink(nullptr);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    static bool Logged(const std::string& part) {
        std::lock_guard guard(tapLogLock);
        for (const std::string& line : tapLog) {
            if (line.find(part) != std::string::npos)
                return true;
        }
        return false;
    }
    static RecordRequest JpegRequest() {
        std::vector<std::string> video;
        CCaptureGraph::ListVideoCompressors(video);
        RecordRequest r;
        r.width = 320;
        r.height = 240;
        r.videoCompressorIndex = test::ListPosition(video, "JPEG image encoder");
        return r;
    }

    fs::path dir_;
};

// Each chain's samples, at the graph's size through a rebuild at another size, with
// the times the camera took them: in order, never later than their arrival, and not
// before the tap was asked for. Nothing asks the graph for frames meanwhile: the tap
// alone keeps them coming.
struct ChainCase {
    const char* what;
    const char* cameraFormat;
    const char* chain;
    const char* media;
    const char* rawFormat;  // null: compressed
};
void PrintTo(const ChainCase& c, std::ostream* os) {
    *os << c.what;
}

class TapChain : public FrameTapTest, public ::testing::WithParamInterface<ChainCase> {};

TEST_P(TapChain, DeliversTheGraphsFramesWithTheirCaptureTimes) {
    const ChainCase& c = GetParam();
    ScopedEnv format("TAVELIN_TEST_CAMERA_FORMAT", c.cameraFormat);
    Receiver receiver;
    CCaptureGraph graph;
    const std::int64_t before = MonotonicNow();
    const int id = graph.AddFrameTap(c.chain, receiver.Fn());
    ASSERT_GT(id, 0);
    EXPECT_EQ(graph.linkedFrameTaps(), 0);

    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    EXPECT_EQ(graph.linkedFrameTaps(), 1);
    ASSERT_TRUE(
        receiver.WaitUntil([](const auto& all) { return CountOfSize(all, 320, 240) >= 8; }));
    ASSERT_TRUE(graph.BuildPreviewGraph(640, 480)) << graph.lastError();
    EXPECT_EQ(graph.linkedFrameTaps(), 1);
    ASSERT_TRUE(
        receiver.WaitUntil([](const auto& all) { return CountOfSize(all, 640, 480) >= 5; }));
    graph.RemoveFrameTap(id);

    const std::vector<Received> all = receiver.all();
    bool resized = false;
    std::int64_t previous = before;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Received& r = all[i];
        SCOPED_TRACE("sample " + std::to_string(i));
        EXPECT_EQ(r.media, c.media);
        resized = resized || r.width == 640;
        EXPECT_EQ(r.width, resized ? 640 : 320);
        EXPECT_EQ(r.height, resized ? 480 : 240);
        if (c.rawFormat != nullptr) {
            EXPECT_EQ(r.format, c.rawFormat);
            EXPECT_EQ(r.bytes, static_cast<std::size_t>(r.width) * r.height * 3);
        } else {
            EXPECT_TRUE(r.jpegStart);
        }
        if (i == 0) {
            EXPECT_GE(r.captureNs, previous);
        } else {
            EXPECT_GT(r.captureNs, previous);
        }
        EXPECT_LE(r.captureNs, r.arrivedNs);
        previous = r.captureNs;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Chains, TapChain,
    ::testing::Values(ChainCase{"Raw", "bgr", "", "video/x-raw", "BGR"},
                      ChainCase{"ConvertedFromYuy2", "yuy2",
                                "videoconvert ! capsfilter caps=video/x-raw,format=BGR",
                                "video/x-raw", "BGR"},
                      ChainCase{"Jpeg", "yuy2", "jpegenc", "image/jpeg", nullptr}),
    [](const auto& info) { return info.param.what; });

// A chain that fails while the graph plays is unlinked alone: the camera, the other
// taps and the encoding output, with the file it writes, go on. It stays registered
// and is linked again to the next graph.
struct FailureCase {
    const char* what;
    const char* chain;
    const char* logged;  // part of the warning that names the tap
};
void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.what;
}

class FailingTap : public FrameTapTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailingTap, IsUnlinkedAloneAndLinkedAgainToTheNextGraph) {
    const FailureCase& c = GetParam();
    Receiver good;
    Receiver bad;
    CCaptureGraph graph;
    test::NewsLog news(graph);
    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    ASSERT_TRUE(graph.AttachEncoder(JpegRequest(), 1)) << graph.lastError();
    ASSERT_GT(graph.AddFrameTap("", good.Fn()), 0);
    const int badId = graph.AddFrameTap(c.chain, bad.Fn());
    ASSERT_GT(badId, 0);
    EXPECT_EQ(graph.linkedFrameTaps(), 2);

    // The failure comes while nobody takes the graph's news: it must not reach the
    // camera meanwhile.
    ASSERT_TRUE(good.WaitForMore(15));
    EXPECT_EQ(graph.linkedFrameTaps(), 2);
    ASSERT_TRUE(news.StepUntil([&] { return graph.linkedFrameTaps() == 1; }));
    EXPECT_TRUE(Logged("frame tap " + std::to_string(badId)));
    EXPECT_TRUE(Logged(c.logged));
    const std::string file = (dir_ / "after.avi").string();
    ASSERT_TRUE(graph.StartFile(file, false, nullptr, false)) << graph.lastError();
    ASSERT_TRUE(news.AwaitStart());
    ASSERT_TRUE(good.WaitForMore(15));
    graph.FinishFile();
    ASSERT_TRUE(news.AwaitEnd());
    EXPECT_GE(news.Last(GraphNews::Kind::FileFinished)->frames, 10u);
    EXPECT_EQ(news.Count(GraphNews::Kind::OutputFailed), 0);
    EXPECT_TRUE(graph.encoderAttached());
    EXPECT_FALSE(graph.deviceLost());
    EXPECT_FALSE(graph.WaitForNewFrame());
    EXPECT_EQ(graph.linkedFrameTaps(), 1);

    ASSERT_TRUE(graph.BuildPreviewGraph(640, 480)) << graph.lastError();
    EXPECT_EQ(graph.linkedFrameTaps(), 2);
}

INSTANTIATE_TEST_SUITE_P(Chains, FailingTap,
                         ::testing::Values(FailureCase{"RefusesTheCaps",
                                                       "capsfilter caps=video/x-raw,format=GRAY8",
                                                       "refused"},
                                           FailureCase{"PostsAnError", "identity error-after=3",
                                                       "unlinked after an error"}),
                         [](const auto& info) { return info.param.what; });

// Taps stay registered while graphs come and go and are linked to each; they keep every
// frame coming after the encoding output left; once RemoveFrameTap has returned a tap
// hands on nothing more; unusable chains are refused up front.
TEST_F(FrameTapTest, TapsFollowTheGraphUntilRemoved) {
    Receiver a;
    Receiver b;
    Receiver never;
    CCaptureGraph graph;
    test::NewsLog news(graph);
    for (const char* unusable : {"no-such-element-anywhere", "fakesink", "videoconvert !"})
        EXPECT_EQ(graph.AddFrameTap(unusable, never.Fn()), 0) << unusable;
    graph.RemoveFrameTap(graph.AddFrameTap("", never.Fn()));
    const int idA = graph.AddFrameTap("", a.Fn());
    const int idB = graph.AddFrameTap("jpegenc", b.Fn());
    ASSERT_GT(idA, 0);
    ASSERT_GT(idB, 0);
    EXPECT_NE(idA, idB);
    EXPECT_EQ(graph.linkedFrameTaps(), 0);

    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    EXPECT_EQ(graph.linkedFrameTaps(), 2);
    ASSERT_TRUE(a.WaitForMore(5));
    ASSERT_TRUE(graph.AttachEncoder(JpegRequest(), 0)) << graph.lastError();
    graph.DetachEncoder();
    ASSERT_TRUE(a.WaitForMore(15));

    graph.RemoveFrameTap(idA);
    a.removed = true;
    graph.RemoveFrameTap(idA);
    graph.RemoveFrameTap(idB + 100);
    EXPECT_EQ(graph.linkedFrameTaps(), 1);
    graph.Teardown();
    EXPECT_EQ(graph.linkedFrameTaps(), 0);
    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    EXPECT_EQ(graph.linkedFrameTaps(), 1);
    ASSERT_TRUE(b.WaitForMore(5));
    graph.RemoveFrameTap(idB);
    b.removed = true;
    EXPECT_EQ(graph.linkedFrameTaps(), 0);

    int frames = 0;
    ASSERT_TRUE(news.StepUntil([&] { return ++frames > 20; }));
    EXPECT_EQ(a.late, 0);
    EXPECT_EQ(b.late, 0);
    EXPECT_EQ(never.count(), 0);
    EXPECT_FALSE(graph.deviceLost());
}

}  // namespace
}  // namespace tavelin
