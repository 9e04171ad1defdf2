// The synthetic camera's still periods, read off its own frames and frame times: a
// test that needs one burst of motion at known times relies on them.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "capture/GraphParts.h"
#include "capture/GstPtr.h"
#include "capture/GstRuntime.h"
#include "capture/TestSources.h"
#include "tests/capture/CaptureTestSupport.h"

namespace tavelin {
namespace {

using test::ScopedEnv;

struct Frame {
    double seconds;  // since the camera's first frame
    std::string pixels;
};

// Runs the camera alone into a fakesink and keeps what leaves it, up to `until` seconds
// of its own frame time.
class FrameCollector {
public:
    std::vector<Frame> Run(const TestCameraOptions& options, double until) {
        until_ = until;
        GstElementPtr pipeline = Adopt(gst_pipeline_new("still-test"));
        GstElement* camera = CreateTestCamera(options, "camera");
        GstElement* sink = gst_element_factory_make("fakesink", "sink");
        if (!pipeline || camera == nullptr || sink == nullptr)
            return {};
        gst_bin_add_many(GST_BIN(pipeline.get()), camera, sink, nullptr);
        if (!gst_element_link(camera, sink))
            return {};
        GstPadPtr out(gst_element_get_static_pad(camera, "src"));
        gst_pad_add_probe(out.get(), GST_PAD_PROBE_TYPE_BUFFER, Keep, this, nullptr);
        gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
        {
            // The limit only keeps a broken camera from hanging the test.
            std::unique_lock lock(mutex_);
            done_.wait_for(lock, std::chrono::seconds(60), [this] { return finished_; });
        }
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        std::lock_guard lock(mutex_);
        return frames_;
    }

private:
    static GstPadProbeReturn Keep(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto* self = static_cast<FrameCollector*>(data);
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
            return GST_PAD_PROBE_OK;
        std::string pixels(reinterpret_cast<const char*>(map.data), map.size);
        gst_buffer_unmap(buffer, &map);
        std::lock_guard lock(self->mutex_);
        if (self->finished_)
            return GST_PAD_PROBE_OK;
        const GstClockTime pts = GST_BUFFER_PTS(buffer);
        if (!GST_CLOCK_TIME_IS_VALID(self->first_))
            self->first_ = pts;
        const double seconds =
            static_cast<double>(pts - self->first_) / static_cast<double>(GST_SECOND);
        self->frames_.push_back({seconds, std::move(pixels)});
        if (seconds >= self->until_) {
            self->finished_ = true;
            self->done_.notify_all();
        }
        return GST_PAD_PROBE_OK;
    }

    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<Frame> frames_;
    GstClockTime first_ = GST_CLOCK_TIME_NONE;
    double until_ = 0.0;
    bool finished_ = false;
};

class TestCameraTest : public test::SyntheticSources {
protected:
    void SetUp() override {
        SyntheticSources::SetUp();
        ASSERT_TRUE(EnsureGstreamer());
    }
};

struct StillCase {
    const char* format;
    double stillFor;
    double stillAfter;  // negative: never
    double repeat = 0;  // the cycle begins again after this; 0: never
};

class StillPeriods : public TestCameraTest, public ::testing::WithParamInterface<StillCase> {};

// Still frames are the period's first frame byte for byte; between the periods every
// frame differs from the one before (the ball moves), so a detector sees motion there
// and nowhere else.
TEST_P(StillPeriods, FramesAreIdenticalWhileStillAndChangeBetween) {
    const StillCase c = GetParam();
    TestCameraOptions options;
    options.width = 160;
    options.height = 120;
    options.format = std::string(c.format) == "mjpeg" ? TestCameraOptions::Format::Mjpeg
                                                      : TestCameraOptions::Format::Yuy2;
    options.stillForSeconds = c.stillFor;
    options.stillAfterSeconds = c.stillAfter;
    options.repeatAfterSeconds = c.repeat;
    const double end =
        c.repeat > 0 ? 2 * c.repeat + 0.3 : (c.stillAfter >= 0 ? c.stillAfter : c.stillFor) + 0.4;
    FrameCollector collector;
    const std::vector<Frame> frames = collector.Run(options, end);
    ASSERT_GE(frames.size(), 10u);
    ASSERT_GE(frames.back().seconds, end);

    const Frame* heldFrom = nullptr;
    int stillFrames = 0;
    int movingFrames = 0;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        const Frame& f = frames[i];
        const double at = c.repeat > 0 ? std::fmod(f.seconds, c.repeat) : f.seconds;
        const bool stillNow = at < c.stillFor || (c.stillAfter >= 0 && at >= c.stillAfter);
        SCOPED_TRACE(::testing::Message() << "frame " << i << " at " << f.seconds << " s");
        if (!stillNow) {
            heldFrom = nullptr;
            ++movingFrames;
            EXPECT_NE(f.pixels, frames[i - 1].pixels) << "the picture must move here";
            continue;
        }
        ++stillFrames;
        if (heldFrom == nullptr) {
            // The first frame of a still period (or of the camera) is what stands still.
            heldFrom = f.seconds < c.stillFor ? &frames[0] : &f;
            if (heldFrom == &f)
                continue;
        }
        EXPECT_EQ(f.pixels, heldFrom->pixels) << "the picture must stand still here";
    }
    EXPECT_GT(stillFrames, 3);
    EXPECT_GT(movingFrames, 3);
}

INSTANTIATE_TEST_SUITE_P(Periods, StillPeriods,
                         ::testing::Values(StillCase{"yuy2", 0.5, 1.0},
                                           StillCase{"mjpeg", 0.4, 0.8},
                                           StillCase{"yuy2", 0.0, 0.5},
                                           StillCase{"yuy2", 0.5, -1.0},
                                           StillCase{"yuy2", 0.25, 0.55, 0.9}));

TEST_F(TestCameraTest, StillTimesComeFromTheEnvironmentAndNonsenseIsIgnored) {
    {
        ScopedEnv stillFor("TAVELIN_TEST_CAMERA_STILL_FOR", "6");
        ScopedEnv stillAfter("TAVELIN_TEST_CAMERA_STILL_AFTER", "9.5");
        ScopedEnv repeat("TAVELIN_TEST_CAMERA_REPEAT_AFTER", "20");
        const TestCameraOptions o = TestCameraOptions::FromEnvironment();
        EXPECT_DOUBLE_EQ(o.stillForSeconds, 6.0);
        EXPECT_DOUBLE_EQ(o.stillAfterSeconds, 9.5);
        EXPECT_DOUBLE_EQ(o.repeatAfterSeconds, 20.0);
    }
    for (const char* nonsense : {"-1", "abc", "3s", "100000"}) {
        ScopedEnv stillFor("TAVELIN_TEST_CAMERA_STILL_FOR", nonsense);
        ScopedEnv stillAfter("TAVELIN_TEST_CAMERA_STILL_AFTER", nonsense);
        const TestCameraOptions o = TestCameraOptions::FromEnvironment();
        EXPECT_EQ(o.stillForSeconds, 0.0) << nonsense;
        EXPECT_LT(o.stillAfterSeconds, 0.0) << nonsense;
    }
}

}  // namespace
}  // namespace tavelin
