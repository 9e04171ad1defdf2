// The compressor and audio device lists on this machine's GStreamer registry, with
// the synthetic microphone.

#include "capture/DeviceEnumerator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/TestSources.h"
#include "core/CodecNames.h"
#include "tests/capture/CaptureTestSupport.h"

namespace tavelin {
namespace {

using ::testing::Contains;
using ::testing::Each;
using ::testing::Not;
using ::testing::Truly;

class CollectingNotices : public INoticeSink {
public:
    void ShowNotice(const std::string& text, NoticeStyle) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

class DeviceEnumeratorTest : public test::SyntheticSources {
protected:
    CollectingNotices notices;
};

std::string LongNameOf(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    return gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME);
}

TEST_F(DeviceEnumeratorTest, ListsHoldWhatPassesTheirNameTests) {
    std::vector<std::string> video{"kept"};
    CDeviceEnumerator::ListVideoCompressors(video, &notices);
    EXPECT_EQ(video.front(), "kept");  // appends, does not reset
    EXPECT_THAT(video, Contains("JPEG image encoder"));
    EXPECT_THAT(video,
                Each(Truly([](const std::string& n) { return VideoCompressorNameAllowed(n); })));

    std::vector<std::string> audio;
    ASSERT_TRUE(CDeviceEnumerator::ListAudioCompressors(audio, &notices));
    ASSERT_FALSE(audio.empty());
    EXPECT_EQ(audio.front(), kUncompressedAudioName);
    EXPECT_THAT(audio,
                Each(Truly([](const std::string& n) { return AudioCompressorNameAllowed(n); })));

    std::vector<std::string> devices;
    ASSERT_TRUE(CDeviceEnumerator::ListAudioDevices(devices, &notices));
    EXPECT_THAT(devices, Contains(kTestMicrophoneName));
    EXPECT_THAT(devices, Not(Contains(kTestCameraName)));
    EXPECT_TRUE(notices.shown.empty());

    std::vector<std::string> cameras;
    ASSERT_TRUE(CDeviceEnumerator::ListVideoSources(cameras));
    EXPECT_THAT(cameras, Contains(kTestCameraName));
    EXPECT_THAT(cameras, Not(Contains(kTestMicrophoneName)));

    test::ScopedEnv off("TAVELIN_TEST_SOURCES", "0");
    devices.clear();
    CDeviceEnumerator::ListAudioDevices(devices, &notices);
    EXPECT_THAT(devices, Not(Contains(kTestMicrophoneName)));
    cameras.clear();
    CDeviceEnumerator::ListVideoSources(cameras);
    EXPECT_THAT(cameras, Not(Contains(kTestCameraName)));
}

// Each position of a list is the element its lookup gives.
TEST_F(DeviceEnumeratorTest, LookupsMatchTheListPositions) {
    std::vector<std::string> video;
    CDeviceEnumerator::ListVideoCompressors(video, &notices);
    for (std::size_t i = 0; i < video.size(); ++i) {
        GstElementPtr e = CDeviceEnumerator::GetVideoCompressor(static_cast<int>(i), nullptr);
        // Some wrappers (OpenMAX) are registered but cannot be made here.
        if (e) {
            EXPECT_EQ(LongNameOf(e.get()), video[i]) << i;
        }
    }

    std::vector<std::string> audio;
    ASSERT_TRUE(CDeviceEnumerator::ListAudioCompressors(audio, &notices));
    const AudioEncoderChoice pcm = CDeviceEnumerator::GetAudioCompressor(0, &notices);
    EXPECT_TRUE(pcm.uncompressed);
    EXPECT_FALSE(pcm.encoder);
    for (std::size_t i = 1; i < audio.size(); ++i) {
        AudioEncoderChoice c = CDeviceEnumerator::GetAudioCompressor(static_cast<int>(i), nullptr);
        EXPECT_FALSE(c.uncompressed);
        if (c.encoder) {
            EXPECT_EQ(LongNameOf(c.encoder.get()), audio[i]) << i;
        }
    }

    std::vector<std::string> devices;
    ASSERT_TRUE(CDeviceEnumerator::ListAudioDevices(devices, &notices));
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (devices[i] != kTestMicrophoneName)
            continue;
        GstElementPtr mic = CDeviceEnumerator::GetAudioDevice(static_cast<int>(i), &notices);
        ASSERT_TRUE(mic);
        EXPECT_STREQ(GST_OBJECT_NAME(gst_element_get_factory(mic.get())), "audiotestsrc");
    }
    EXPECT_TRUE(notices.shown.empty());
}

TEST_F(DeviceEnumeratorTest, PositionsOutsideTheListsGiveNothingAndNoMessage) {
    std::vector<std::string> video;
    std::vector<std::string> audio;
    std::vector<std::string> devices;
    CDeviceEnumerator::ListVideoCompressors(video, nullptr);
    CDeviceEnumerator::ListAudioCompressors(audio, nullptr);
    CDeviceEnumerator::ListAudioDevices(devices, nullptr);
    for (int n : {-1, -100}) {
        EXPECT_FALSE(CDeviceEnumerator::GetVideoCompressor(n, &notices)) << n;
        const AudioEncoderChoice c = CDeviceEnumerator::GetAudioCompressor(n, &notices);
        EXPECT_FALSE(c.uncompressed || c.encoder) << n;
        EXPECT_FALSE(CDeviceEnumerator::GetAudioDevice(n, &notices)) << n;
    }
    EXPECT_FALSE(CDeviceEnumerator::GetVideoCompressor(static_cast<int>(video.size()), &notices));
    const AudioEncoderChoice past =
        CDeviceEnumerator::GetAudioCompressor(static_cast<int>(audio.size()), &notices);
    EXPECT_FALSE(past.uncompressed || past.encoder);
    EXPECT_FALSE(CDeviceEnumerator::GetAudioDevice(static_cast<int>(devices.size()), &notices));
    EXPECT_TRUE(notices.shown.empty());
}

// Without the AVI muxer no compressor can be used: the video lists say so, the
// audio ones fail quietly (the window then shows "None").
TEST_F(DeviceEnumeratorTest, WithoutTheMuxerTheCompressorListsFail) {
    std::vector<std::string> warmUp;
    CDeviceEnumerator::ListVideoCompressors(warmUp, nullptr);  // GStreamer is up
    GstRegistry* registry = gst_registry_get();
    GstPluginFeature* mux = gst_registry_lookup_feature(registry, "avimux");
    ASSERT_NE(mux, nullptr);
    gst_registry_remove_feature(registry, mux);

    std::vector<std::string> video;
    std::vector<std::string> audio;
    CDeviceEnumerator::ListVideoCompressors(video, &notices);
    const bool audioListed = CDeviceEnumerator::ListAudioCompressors(audio, &notices);
    GstElementPtr lookup = CDeviceEnumerator::GetVideoCompressor(0, &notices);

    gst_registry_add_feature(registry, mux);  // the registry takes its own reference
    gst_object_unref(mux);
    EXPECT_TRUE(video.empty());
    EXPECT_FALSE(audioListed);
    EXPECT_TRUE(audio.empty());
    EXPECT_FALSE(lookup);
    EXPECT_THAT(notices.shown,
                ::testing::ElementsAre(kNoticeNoClassEnumerator, kNoticeNoClassEnumerator));
}

}  // namespace
}  // namespace tavelin
