// The preview graph on the synthetic camera: real pipelines, real hand-off.

#include "capture/CaptureGraph.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "capture/TestSources.h"
#include "tests/capture/CaptureTestSupport.h"

namespace tavelin {
namespace {

using test::ScopedEnv;

class CaptureGraphTest : public test::SyntheticSources {};

// Mean of the bytes of one memory row of a packed BGR frame.
double RowMean(const CCaptureGraph& graph, int row) {
    const std::uint8_t* p = graph.frame() + static_cast<std::size_t>(row) * graph.width() * 3;
    double sum = 0;
    for (int i = 0; i < graph.width() * 3; ++i)
        sum += p[i];
    return sum / (graph.width() * 3);
}

struct SizeCase {
    const char* camera;  // what the camera delivers
    int width;           // what is asked for
    int height;
};
void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.camera << "->" << c.width << "x" << c.height;
}

class PreviewSize : public CaptureGraphTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(PreviewSize, FramesArriveAtTheRequestedSize) {
    const SizeCase c = GetParam();
    ScopedEnv size("TAVELIN_TEST_CAMERA_SIZE", c.camera);
    CCaptureGraph graph;
    ASSERT_TRUE(graph.BuildPreviewGraph(c.width, c.height)) << graph.lastError();
    EXPECT_EQ(graph.width(), c.width);
    EXPECT_EQ(graph.height(), c.height);
    for (int i = 0; i < 5; ++i) {
        ASSERT_FALSE(graph.WaitForNewFrame()) << "frame " << i;
        EXPECT_EQ(graph.sampleBytes(), c.width * c.height * 3);
        EXPECT_GE(graph.frameCapacity(), graph.sampleBytes());
    }
    EXPECT_FALSE(graph.deviceLost());
}

INSTANTIATE_TEST_SUITE_P(Sizes, PreviewSize,
                         ::testing::Values(SizeCase{"640x480", 320, 240},
                                           SizeCase{"640x480", 640, 480},
                                           SizeCase{"640x480", 800, 600},
                                           SizeCase{"352x288", 320, 240}));

// The gradient runs from black at the top to white at the bottom: bottom-up storage
// puts the white row first in memory. Each camera format takes its own road to BGR
// (conversion, none, JPEG decoding).
class BottomUp : public CaptureGraphTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(BottomUp, FirstMemoryRowIsTheBottomOfThePicture) {
    ScopedEnv pattern("TAVELIN_TEST_CAMERA_PATTERN", "gradient");
    ScopedEnv format("TAVELIN_TEST_CAMERA_FORMAT", GetParam());
    CCaptureGraph graph;
    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    ASSERT_FALSE(graph.WaitForNewFrame());
    ASSERT_EQ(graph.sampleBytes(), 320 * 240 * 3);
    EXPECT_GT(RowMean(graph, 0), 220.0);
    EXPECT_LT(RowMean(graph, graph.height() - 1), 35.0);
}

INSTANTIATE_TEST_SUITE_P(CameraFormats, BottomUp, ::testing::Values("yuy2", "bgr", "mjpeg"));

TEST_F(CaptureGraphTest, PixelsAreBlueGreenRed) {
    ScopedEnv pattern("TAVELIN_TEST_CAMERA_PATTERN", "solid-color");
    ScopedEnv colour("TAVELIN_TEST_CAMERA_COLOR", "2050C0");  // red 0x20, green 0x50, blue 0xC0
    CCaptureGraph graph;
    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    ASSERT_FALSE(graph.WaitForNewFrame());
    const std::uint8_t* middle = graph.frame() + (120 * 320 + 160) * 3;
    EXPECT_NEAR(middle[0], 0xC0, 6);
    EXPECT_NEAR(middle[1], 0x50, 6);
    EXPECT_NEAR(middle[2], 0x20, 6);
}

TEST_F(CaptureGraphTest, TheBallMovesOverTheChosenBackground) {
    ScopedEnv background("TAVELIN_TEST_CAMERA_BACKGROUND", "0x2050C0");
    CCaptureGraph graph;
    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    ASSERT_FALSE(graph.WaitForNewFrame());
    const std::uint8_t* corner = graph.frame();  // the ball never reaches the corners
    EXPECT_NEAR(corner[0], 0xC0, 6);
    EXPECT_NEAR(corner[1], 0x50, 6);
    EXPECT_NEAR(corner[2], 0x20, 6);
}

TEST_F(CaptureGraphTest, ACameraThatStopsIsReportedLostAndARebuildWorks) {
    CCaptureGraph graph;
    {
        ScopedEnv stop("TAVELIN_TEST_CAMERA_STOP_AFTER", "8");
        ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    }
    bool gaveUp = false;
    for (int i = 0; i < 40 && !gaveUp; ++i)
        gaveUp = graph.WaitForNewFrame();
    ASSERT_TRUE(gaveUp);
    EXPECT_TRUE(graph.deviceLost());
    ASSERT_NE(graph.frame(), nullptr);  // the last frame stays readable
    EXPECT_EQ(graph.sampleBytes(), 320 * 240 * 3);

    graph.Teardown();
    EXPECT_FALSE(graph.deviceLost());
    EXPECT_FALSE(graph.hasGraph());
    EXPECT_EQ(graph.frame(), nullptr);

    ASSERT_TRUE(graph.BuildPreviewGraph(640, 480)) << graph.lastError();
    EXPECT_FALSE(graph.WaitForNewFrame());
    EXPECT_FALSE(graph.deviceLost());
    EXPECT_EQ(graph.sampleBytes(), 640 * 480 * 3);
}

TEST_F(CaptureGraphTest, TeardownIsSafeAnyTimeAndABuildReplacesARunningGraph) {
    CCaptureGraph graph;
    graph.Teardown();
    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    ASSERT_TRUE(graph.BuildPreviewGraph(640, 480)) << graph.lastError();
    ASSERT_FALSE(graph.WaitForNewFrame());
    EXPECT_EQ(graph.sampleBytes(), 640 * 480 * 3);
    graph.Teardown();
    graph.Teardown();
    EXPECT_EQ(graph.frame(), nullptr);
    EXPECT_EQ(graph.frameCapacity(), 0);
    EXPECT_EQ(graph.width(), 0);
    EXPECT_EQ(graph.height(), 0);
}

TEST_F(CaptureGraphTest, NoCameraOrAnImpossibleSizeFailsCleanly) {
    CCaptureGraph graph;
    EXPECT_FALSE(graph.BuildPreviewGraph(0, 240));
    EXPECT_FALSE(graph.BuildPreviewGraph(320, -1));
    EXPECT_FALSE(graph.hasGraph());

    ScopedEnv off("TAVELIN_TEST_SOURCES", "0");
    if (CCaptureGraph::FindCaptureDevice().element)
        GTEST_SKIP() << "a real camera is attached";
    EXPECT_FALSE(graph.BuildPreviewGraph(320, 240));
    EXPECT_FALSE(graph.hasGraph());
    EXPECT_EQ(graph.width(), 0);
    EXPECT_FALSE(graph.lastError().empty());
}

TEST_F(CaptureGraphTest, TheSyntheticCameraIsFoundByNameAndOffersNoControls) {
    const CCaptureGraph::CaptureDevice camera = CCaptureGraph::FindCaptureDevice();
    ASSERT_TRUE(camera.element);
    EXPECT_EQ(camera.name, kTestCameraName);
    EXPECT_TRUE(camera.nodePath.empty());

    CCaptureGraph graph;
    EXPECT_TRUE(graph.ListSourceControls().empty());  // no graph yet
    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    EXPECT_TRUE(graph.ListSourceControls().empty());
    EXPECT_FALSE(graph.SetSourceControl(0x00980900, 10));
}

// A camera chosen by part of its name, in any case, instead of the "PC Camera" test.
TEST_F(CaptureGraphTest, ACameraPatternChoosesTheCameraByName) {
    EXPECT_EQ(CCaptureGraph::FindCaptureDevice({"tEST pATTERN", ""}).name, kTestCameraName);
    EXPECT_FALSE(CCaptureGraph::FindCaptureDevice({"nosuchcamera", ""}).element);

    CCaptureGraph graph;
    graph.SetCameraWish({"nosuchcamera", ""});
    EXPECT_FALSE(graph.BuildPreviewGraph(320, 240));
    EXPECT_FALSE(graph.hasGraph());
    graph.SetCameraWish({"test pattern", ""});
    EXPECT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
}

// 60 frames a second, alternately all black and all white, requested in a tight
// loop: every frame handed over must be one whole frame of the right size.
TEST_F(CaptureGraphTest, HandOffUnderLoadGivesWholeFramesOnly) {
    ScopedEnv pattern("TAVELIN_TEST_CAMERA_PATTERN", "blink");
    ScopedEnv fps("TAVELIN_TEST_CAMERA_FPS", "60");
    ScopedEnv format("TAVELIN_TEST_CAMERA_FORMAT", "bgr");
    CCaptureGraph graph;
    ASSERT_TRUE(graph.BuildPreviewGraph(320, 240)) << graph.lastError();
    constexpr int kBytes = 320 * 240 * 3;
    int black = 0;
    int white = 0;
    for (int i = 0; i < 180; ++i) {
        ASSERT_FALSE(graph.WaitForNewFrame()) << "frame " << i;
        ASSERT_EQ(graph.sampleBytes(), kBytes);
        ASSERT_GE(graph.frameCapacity(), kBytes);
        const std::uint8_t* f = graph.frame();
        const int first = f[0];
        ASSERT_TRUE(first < 32 || first > 223) << "frame " << i << " starts with " << first;
        for (int b = 1; b < kBytes; ++b) {
            ASSERT_LE(std::abs(f[b] - first), 8) << "frame " << i << " torn at byte " << b;
        }
        (first < 32 ? black : white)++;
    }
    EXPECT_GT(black, 0);
    EXPECT_GT(white, 0);
}

}  // namespace
}  // namespace tavelin
