#include "core/CodecNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavelin {
namespace {

struct NameCase {
    const char* name;
    bool allowed;
};

class VideoCompressorName : public ::testing::TestWithParam<NameCase> {};

TEST_P(VideoCompressorName, FollowsTheExclusionWords) {
    EXPECT_EQ(VideoCompressorNameAllowed(GetParam().name), GetParam().allowed) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, VideoCompressorName,
    ::testing::Values(NameCase{"JPEG image encoder", true},
                      NameCase{"libav MPEG-4 part 2 encoder", true},
                      NameCase{"x264 H.264 Encoder", false},   // "H." anywhere
                      NameCase{"libav h.263 encoder", false},  // in any case
                      NameCase{"Planar 4:2:0 YUV", false},
                      NameCase{"Microsoft mpeg-4 Video Codec V1", false},
                      NameCase{"Microsoft MPEG-4 Video Codec V2", true},
                      NameCase{"Cinepak Decoder", false}, NameCase{"some dEcOdEr thing", false},
                      NameCase{"OpenH264 video encoder", true},  // H without a dot
                      NameCase{"", true}));

class AudioCompressorName : public ::testing::TestWithParam<NameCase> {};

TEST_P(AudioCompressorName, NeedsOneOfTheFamilies) {
    EXPECT_EQ(AudioCompressorNameAllowed(GetParam().name), GetParam().allowed) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, AudioCompressorName,
                         ::testing::Values(NameCase{"PCM", true},
                                           NameCase{"IMA ADPCM",
                                                    true},  // adaptive PCM contains PCM
                                           NameCase{"ccitt u-Law", true},
                                           NameCase{"libav MP2 (MPEG audio layer 2) encoder", true},
                                           NameCase{"L.A.M.E. mp3 encoder", false},
                                           NameCase{"A Law audio encoder", false},
                                           NameCase{"GSM 6.10", false}, NameCase{"", false}));

TEST(PcCameraName, MatchesAnywhereInAnyCase) {
    EXPECT_TRUE(IsPcCameraName("Test Pattern PC Camera"));
    EXPECT_TRUE(IsPcCameraName("USB pc camera (SN9C102)"));
    EXPECT_TRUE(IsPcCameraName("PC CAMERA"));
    EXPECT_FALSE(IsPcCameraName("PC-Camera"));
    EXPECT_FALSE(IsPcCameraName("Integrated Webcam"));
    EXPECT_FALSE(IsPcCameraName(""));
}

struct ChosenCameraCase {
    const char* name;
    const char* pattern;
    bool chosen;
};
class ChosenCameraName : public ::testing::TestWithParam<ChosenCameraCase> {};

TEST_P(ChosenCameraName, ContainsThePatternInAnyCase) {
    EXPECT_EQ(IsChosenCameraName(GetParam().name, GetParam().pattern), GetParam().chosen)
        << GetParam().name << " / " << GetParam().pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Names, ChosenCameraName,
    ::testing::Values(ChosenCameraCase{"Integrated Webcam", "webcam", true},
                      ChosenCameraCase{"Integrated Webcam", "INTEGRATED WEB", true},
                      ChosenCameraCase{"Integrated Webcam", "Integrated Webcam", true},
                      ChosenCameraCase{"Integrated Webcam", "Integrated Webcam HD", false},
                      ChosenCameraCase{"Test Pattern PC Camera", "pattern pc", true},
                      ChosenCameraCase{"HD Pro Webcam C920", "c930", false},
                      ChosenCameraCase{"", "cam", false},
                      // Without a pattern only the usual "PC Camera" names are taken.
                      ChosenCameraCase{"USB pc camera (SN9C102)", "", true},
                      ChosenCameraCase{"Integrated Webcam", "", false}));

TEST(UpperCase, ChangesOnlyAsciiLetters) {
    EXPECT_EQ(UpperCase("abc XyZ 4:2:0 h."), "ABC XYZ 4:2:0 H.");
    EXPECT_EQ(UpperCase("caf\xc3\xa9"), "CAF\xc3\xa9");
}

struct DefaultCase {
    const char* what;
    std::vector<std::string> names;
    int mainWindowVideo;
    int recordSettingsVideo;
};

class VideoDefault : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(VideoDefault, PicksFirstPrefixMatchBeforeTheLastEntry) {
    const DefaultCase& c = GetParam();
    EXPECT_EQ(DefaultVideoCompressorIndex(c.names), c.mainWindowVideo) << c.what;
    EXPECT_EQ(RecordSettingsVideoCompressorIndex(c.names), c.recordSettingsVideo) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, VideoDefault,
    ::testing::Values(
        DefaultCase{"first match wins",
                    {"Cinepak", "Intel Indeo(R) Video R3.2", "DivX Pro 5.0 Codec", "MJPEG"},
                    1,
                    1},
        DefaultCase{"DivX only counts for the main window",
                    {"Cinepak", "divx 6", "Intel Indeo(R) Video 5", "MJPEG"},
                    1,
                    2},
        DefaultCase{"prefix must stand at the start", {"Cinepak", "My DivX", "MJPEG"}, 0, 0},
        DefaultCase{"the last entry is never examined", {"Cinepak", "MJPEG", "DivX 5"}, 0, 0},
        DefaultCase{"one entry is not examined", {"DivX 5"}, 0, 0},
        DefaultCase{"empty list", {}, 0, 0},
        DefaultCase{
            "Indeo without the (R) is no match", {"Cinepak", "Intel Indeo Video", "MJPEG"}, 0, 0}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(AudioDefault, PicksPcmUnlessItIsLastOrAlone) {
    EXPECT_EQ(DefaultAudioCompressorIndex({"PCM", "libav MP2 encoder"}), 0);
    EXPECT_EQ(DefaultAudioCompressorIndex({"CCITT A-Law", "pcm 16", "MPEG Layer-3"}), 1);
    EXPECT_EQ(DefaultAudioCompressorIndex({"IMA ADPCM", "CCITT A-Law", "PCM"}), 0);
    EXPECT_EQ(DefaultAudioCompressorIndex({"CCITT A-Law"}), 0);
    EXPECT_EQ(DefaultAudioCompressorIndex({"None"}), 0);
}

}  // namespace
}  // namespace tavelin
