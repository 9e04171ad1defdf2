#include "capture/SoundCutter.h"

#include <gst/audio/audio.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture/GstRuntime.h"

namespace tavelin {
namespace {

// A source pad linked to a sink pad that keeps what reaches it: the two ends of a
// stream the cutter watches, driven by hand on the test's thread.
class Lane {
public:
    Lane(const char* name, GstCaps* caps)
        : src_(gst_pad_new((std::string(name) + "-src").c_str(), GST_PAD_SRC)),
          sink_(gst_pad_new((std::string(name) + "-sink").c_str(), GST_PAD_SINK)) {
        gst_object_ref_sink(src_);
        gst_object_ref_sink(sink_);
        gst_pad_set_chain_function(sink_, &Lane::Chain);
        gst_pad_set_element_private(sink_, this);
        gst_pad_link(src_, sink_);
        gst_pad_set_active(sink_, TRUE);
        gst_pad_set_active(src_, TRUE);
        gst_pad_push_event(src_, gst_event_new_stream_start(name));
        gst_pad_push_event(src_, gst_event_new_caps(caps));
        gst_caps_unref(caps);
    }
    ~Lane() {
        gst_pad_set_active(src_, FALSE);
        gst_pad_set_active(sink_, FALSE);
        for (GstBuffer* buffer : received)
            gst_buffer_unref(buffer);
        gst_object_unref(src_);
        gst_object_unref(sink_);
    }
    Lane(const Lane&) = delete;
    Lane& operator=(const Lane&) = delete;

    // The segment goes after the cutter is attached, so it sees it.
    void StartSegment() {
        GstSegment segment;
        gst_segment_init(&segment, GST_FORMAT_TIME);
        gst_pad_push_event(src_, gst_event_new_segment(&segment));
    }
    void Push(GstClockTime pts, GstClockTime duration, gsize bytes, std::uint8_t fill) {
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
        gst_buffer_memset(buffer, 0, fill, bytes);
        GST_BUFFER_PTS(buffer) = pts;
        GST_BUFFER_DURATION(buffer) = duration;
        gst_pad_push(src_, buffer);
    }
    GstPad* src() const { return src_; }

    std::vector<GstBuffer*> received;

private:
    static GstFlowReturn Chain(GstPad* pad, GstObject*, GstBuffer* buffer) {
        static_cast<Lane*>(gst_pad_get_element_private(pad))->received.push_back(buffer);
        return GST_FLOW_OK;
    }

    GstPad* src_;
    GstPad* sink_;
};

GstCaps* SoundCaps(GstAudioFormat format) {
    GstAudioInfo info;
    gst_audio_info_set_format(&info, format, 8000, 1, nullptr);
    return gst_audio_info_to_caps(&info);
}

struct LeadInCase {
    const char* name;
    GstAudioFormat format;
    GstClockTime soundStart;   // the picture starts at 0
    std::size_t silentFrames;  // expected in front of the first sound that passes
    std::uint8_t silence;      // the format's silent byte
};

class SoundLeadIn : public ::testing::TestWithParam<LeadInCase> {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(EnsureGstreamer()); }
};

TEST_P(SoundLeadIn, LateSoundGetsSilenceUpToThePicturesStart) {
    const LeadInCase& c = GetParam();
    constexpr GstClockTime kFrame = GST_SECOND / 30;
    constexpr GstClockTime kChunk = 20 * GST_MSECOND;  // 160 frames at 8 kHz
    const gsize bytesPerFrame = c.format == GST_AUDIO_FORMAT_U8 ? 1 : 2;
    Lane picture("picture", gst_caps_new_empty_simple("video/x-raw"));
    Lane sound("sound", SoundCaps(c.format));
    CSoundCutter cutter;
    ASSERT_TRUE(cutter.Attach(picture.src(), sound.src()));
    picture.StartSegment();
    sound.StartSegment();

    // A second of picture first, so no sound is held back waiting for it.
    for (int i = 0; i < 30; ++i)
        picture.Push(i * kFrame, kFrame, 16, 0);
    for (GstClockTime t = c.soundStart; t < c.soundStart + 5 * kChunk; t += kChunk)
        sound.Push(t, kChunk, 160 * bytesPerFrame, 0x11);
    cutter.Cut();

    ASSERT_EQ(sound.received.size(), 5u);
    GstBuffer* first = sound.received[0];
    const gsize expectedBytes = (c.silentFrames + 160) * bytesPerFrame;
    ASSERT_EQ(gst_buffer_get_size(first), expectedBytes);
    EXPECT_EQ(GST_BUFFER_PTS(first), c.soundStart - (c.silentFrames * GST_SECOND / 8000));
    EXPECT_EQ(GST_BUFFER_DURATION(first), kChunk + c.silentFrames * GST_SECOND / 8000);
    std::vector<std::uint8_t> bytes(expectedBytes);
    gst_buffer_extract(first, 0, bytes.data(), bytes.size());
    const std::size_t silentBytes = c.silentFrames * bytesPerFrame;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(bytes[i], i < silentBytes ? c.silence : 0x11) << "byte " << i;
    // Only the first piece gets silence; the rest go on as they came.
    for (std::size_t i = 1; i < sound.received.size(); ++i)
        EXPECT_EQ(gst_buffer_get_size(sound.received[i]), 160 * bytesPerFrame);
}

INSTANTIATE_TEST_SUITE_P(
    Starts, SoundLeadIn,
    ::testing::Values(
        // Three tenths of a second late: 2400 frames of silence in front.
        LeadInCase{"LateSigned", GST_AUDIO_FORMAT_S16LE, 300 * GST_MSECOND, 2400, 0x00},
        LeadInCase{"LateUnsigned", GST_AUDIO_FORMAT_U8, 300 * GST_MSECOND, 2400, 0x80},
        // Within one buffer's length of the picture: left as it is.
        LeadInCase{"AlmostTogether", GST_AUDIO_FORMAT_S16LE, 15 * GST_MSECOND, 0, 0x00},
        LeadInCase{"Together", GST_AUDIO_FORMAT_S16LE, 0, 0, 0x00}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavelin
