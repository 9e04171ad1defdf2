// The YUY2 conversion of the hand-off against GStreamer's videoconvert: the same
// pattern frame through both must agree within one level per channel, over whole
// frames, at the colorimetries cameras send and at an odd width; and the engine's
// frames from a YUY2 camera must be what a graph converting with videoconvert gave.

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "capture/CaptureGraph.h"
#include "capture/GrabberProbe.h"
#include "capture/GstPtr.h"
#include "capture/GstRuntime.h"
#include "capture/TestSources.h"
#include "core/YuvConvert.h"
#include "tests/capture/CaptureTestSupport.h"

namespace tavelin {
namespace {

using test::ScopedEnv;

// One frame as GStreamer delivered it: its layout and its bytes.
struct Frame {
    GstVideoInfo info{};
    std::vector<std::uint8_t> bytes;
};

bool Pull(GstElement* pipeline, const char* sinkName, Frame& out) {
    GstElementPtr sink(gst_bin_get_by_name(GST_BIN(pipeline), sinkName));
    if (!sink)
        return false;
    GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink.get()));
    if (sample == nullptr)
        return false;
    GstMapInfo map;
    const bool ok = gst_video_info_from_caps(&out.info, gst_sample_get_caps(sample)) &&
                    gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ);
    if (ok) {
        out.bytes.assign(map.data, map.data + map.size);
        gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
    }
    gst_sample_unref(sample);
    return ok;
}

// One frame of `source` as it comes and as videoconvert turns it into BGR.
bool ThroughVideoconvert(GstElementPtr source, Frame& raw, Frame& bgr) {
    GError* error = nullptr;
    GstElementPtr pipeline = Adopt(gst_parse_launch(
        "tee name=t t. ! queue ! appsink name=raw sync=false"
        " t. ! queue ! videoconvert ! video/x-raw,format=BGR ! appsink name=bgr sync=false",
        &error));
    if (error != nullptr) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
        return false;
    }
    GstElementPtr tee(gst_bin_get_by_name(GST_BIN(pipeline.get()), "t"));
    if (!source || !gst_bin_add(GST_BIN(pipeline.get()), source.get()) ||
        !gst_element_link(source.get(), tee.get())) {
        return false;
    }
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    const bool ok = Pull(pipeline.get(), "raw", raw) && Pull(pipeline.get(), "bgr", bgr);
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return ok;
}

// One videotestsrc frame of `caps` as YUY2 and as videoconvert turns it into BGR.
bool PatternThroughVideoconvert(const std::string& caps, const char* pattern, Frame& yuy2,
                                Frame& bgr) {
    GstElementPtr bin = Adopt(gst_bin_new(nullptr));
    GstElement* source = gst_element_factory_make("videotestsrc", nullptr);
    GstElement* shape = gst_element_factory_make("capsfilter", nullptr);
    if (source == nullptr || shape == nullptr)
        return false;
    gst_bin_add_many(GST_BIN(bin.get()), source, shape, nullptr);
    gst_util_set_object_arg(G_OBJECT(source), "pattern", pattern);
    g_object_set(source, "num-buffers", 1, nullptr);
    GstCapsPtr shapeCaps(gst_caps_from_string(caps.c_str()));
    g_object_set(shape, "caps", shapeCaps.get(), nullptr);
    GstPadPtr out(gst_element_get_static_pad(shape, "src"));
    if (!gst_element_link(source, shape) ||
        !gst_element_add_pad(bin.get(), gst_ghost_pad_new("src", out.get()))) {
        return false;
    }
    return ThroughVideoconvert(std::move(bin), yuy2, bgr);
}

// Largest difference of any byte between a bottom-up packed frame and a top-down
// GStreamer BGR frame of the same size.
int LargestDifference(const std::uint8_t* bottomUp, const Frame& bgr) {
    const int width = GST_VIDEO_INFO_WIDTH(&bgr.info);
    const int height = GST_VIDEO_INFO_HEIGHT(&bgr.info);
    const int stride = GST_VIDEO_INFO_PLANE_STRIDE(&bgr.info, 0);
    int largest = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* ours = bottomUp + static_cast<std::size_t>(height - 1 - y) * width * 3;
        const std::uint8_t* theirs = bgr.bytes.data() + static_cast<std::size_t>(y) * stride;
        for (int i = 0; i < width * 3; ++i)
            largest = std::max(largest, std::abs(ours[i] - theirs[i]));
    }
    return largest;
}

struct Case {
    const char* pattern;
    int width;
    int height;
    const char* caps;  // more caps fields; none: what GStreamer picks for the size
};
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.pattern << " " << c.width << "x" << c.height << " "
        << (*c.caps != '\0' ? c.caps : "default");
}

class MatchesVideoconvert : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override { ASSERT_TRUE(EnsureGstreamer()); }
};

TEST_P(MatchesVideoconvert, WithinOneLevelOverTheWholeFrame) {
    const Case c = GetParam();
    std::string caps = "video/x-raw,format=YUY2,width=" + std::to_string(c.width) +
                       ",height=" + std::to_string(c.height);
    caps += c.caps;
    Frame yuy2;
    Frame bgr;
    ASSERT_TRUE(PatternThroughVideoconvert(caps, c.pattern, yuy2, bgr));
    ASSERT_EQ(GST_VIDEO_INFO_FORMAT(&bgr.info), GST_VIDEO_FORMAT_BGR);
    ASSERT_EQ(GST_VIDEO_INFO_WIDTH(&bgr.info), c.width);

    std::vector<std::uint8_t> ours(static_cast<std::size_t>(c.width) * c.height * 3);
    Yuy2ToBgrFlipped(ours.data(), yuy2.bytes.data(), c.width,
                     static_cast<std::size_t>(GST_VIDEO_INFO_PLANE_STRIDE(&yuy2.info, 0)), c.height,
                     ConversionFormat(yuy2.info));
    EXPECT_LE(LargestDifference(ours.data(), bgr), 1);
}

// smpte: colour bars and ramps; snow: every value in random neighbours, so each
// chroma tap and rounding shows; colors: the whole RGB cube, with chroma far outside
// the nominal range, so the saturation shows. Up to 576 lines GStreamer takes BT.601
// and centred chroma, above it BT.709 and chroma on the first pixel of a pair.
INSTANTIATE_TEST_SUITE_P(Patterns, MatchesVideoconvert,
                         ::testing::Values(Case{"smpte", 640, 480, ""}, Case{"snow", 640, 480, ""},
                                           Case{"colors", 640, 480, ""},
                                           Case{"smpte100", 320, 240, ""},
                                           Case{"snow", 800, 600, ""}, Case{"colors", 800, 600, ""},
                                           Case{"snow", 640, 480, ",colorimetry=bt709"},
                                           Case{"colors", 640, 480, ",colorimetry=1:4:0:0"},
                                           Case{"snow", 640, 480, ",chroma-site=mpeg2"},
                                           Case{"snow", 800, 600, ",chroma-site=jpeg"},
                                           Case{"snow", 321, 241, ""}, Case{"snow", 801, 601, ""}));

class EngineYuy2 : public test::SyntheticSources {
protected:
    void SetUp() override {
        test::SyntheticSources::SetUp();
        ASSERT_TRUE(EnsureGstreamer());  // the camera's options look up its pattern
    }
};

// A frame of the synthetic camera taken through the engine (grabber on YUY2) and
// through videoconvert: the hand-off's conversion, stride, flip and matrix all count.
// The colour pattern holds still, so both see the same picture.
TEST_F(EngineYuy2, FramesAreWhatVideoconvertMakes) {
    for (const char* size : {"640x480", "800x600"}) {
        ScopedEnv pattern("TAVELIN_TEST_CAMERA_PATTERN", "colors");
        ScopedEnv format("TAVELIN_TEST_CAMERA_FORMAT", "yuy2");
        ScopedEnv cameraSize("TAVELIN_TEST_CAMERA_SIZE", size);
        const TestCameraOptions options = TestCameraOptions::FromEnvironment();
        CCaptureGraph graph;
        ASSERT_TRUE(graph.BuildPreviewGraph(options.width, options.height)) << graph.lastError();
        ASSERT_FALSE(graph.WaitForNewFrame());
        ASSERT_EQ(graph.sampleBytes(), options.width * options.height * 3);

        Frame yuy2;
        Frame bgr;
        ASSERT_TRUE(ThroughVideoconvert(Adopt(CreateTestCamera(options, "camera")), yuy2, bgr));
        ASSERT_EQ(GST_VIDEO_INFO_FORMAT(&yuy2.info), GST_VIDEO_FORMAT_YUY2);
        EXPECT_LE(LargestDifference(graph.frame(), bgr), 1) << size;
    }
}

}  // namespace
}  // namespace tavelin
