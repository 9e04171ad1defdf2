// Where a file from the encoding output begins when its sound begins later than the
// pictures handed to it (a microphone slower to start than the freshly linked output):
// the file's first picture is the first key frame the sound has reached, so the sound
// plays with its picture from the start.

#include "capture/ArmedWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "capture/GstRuntime.h"
#include "tests/capture/AviProbe.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;

constexpr GstClockTime kPicture = GST_SECOND / 30;
constexpr GstClockTime kSoundPiece = 20 * GST_MSECOND;

EncodedPiece Piece(std::size_t bytes, GstClockTime start, GstClockTime duration, bool key) {
    GstBufferPtr buffer(gst_buffer_new_allocate(nullptr, bytes, nullptr));
    gst_buffer_memset(buffer.get(), 0, 0x55, bytes);
    GST_BUFFER_DURATION(buffer.get()) = duration;
    if (!key)
        GST_BUFFER_FLAG_SET(buffer.get(), GST_BUFFER_FLAG_DELTA_UNIT);
    return MakePiece(buffer.get(), start);
}

struct LateSound {
    const char* what;
    GstClockTime soundStart;  // the pictures start at 1 s
    int keyEvery;             // a key frame every this many pictures
    GstClockTime firstPicture;
};
void PrintTo(const LateSound& c, std::ostream* os) {
    *os << c.what;
}

class FileStart : public ::testing::TestWithParam<LateSound> {};

TEST_P(FileStart, IsTheFirstKeyFrameTheSoundHasReached) {
    const LateSound& c = GetParam();
    ASSERT_TRUE(EnsureGstreamer());
    char pattern[] = "/tmp/tavelin-writer-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path file = fs::path(pattern) / "late.avi";
    {
        CArmedWriter writer;
        ASSERT_TRUE(writer.Create(file.string()));
        ASSERT_TRUE(writer.Open(true, [] {}));
        GstCapsPtr picture(
            gst_caps_from_string("image/jpeg, width=320, height=240, "
                                 "framerate=30/1"));
        GstCapsPtr sound(
            gst_caps_from_string("audio/x-raw, format=S16LE, layout=interleaved, "
                                 "rate=8000, channels=1"));
        writer.SetCaps(EncoderKind::Video, picture.get());
        writer.SetCaps(EncoderKind::Audio, sound.get());
        // Two seconds of pictures from 1 s, the sound in step with them once it begins.
        constexpr int kPictures = 60;
        const GstClockTime end = GST_SECOND + kPictures * kPicture;
        GstClockTime soundAt = c.soundStart;
        for (int i = 0; i < kPictures; ++i) {
            const GstClockTime at = GST_SECOND + i * kPicture;
            for (; soundAt < at + kPicture; soundAt += kSoundPiece)
                writer.PushSound(Piece(320, soundAt, kSoundPiece, true));
            writer.PushPicture(Piece(1000, at, kPicture, i % c.keyEvery == 0));
        }
        writer.EndInput();
        ASSERT_TRUE(writer.Finish(false));
        ASSERT_TRUE(writer.HasData());
        ASSERT_TRUE(writer.Commit(true, nullptr));
        EXPECT_EQ(writer.firstPicture(), c.firstPicture);
        EXPECT_NEAR(writer.secondsWritten(), static_cast<double>(end - c.firstPicture) / GST_SECOND,
                    0.001);
    }
    // The sound lasts as long as the pictures, within one piece of sound.
    EXPECT_NEAR(test::StreamEnd(file, "a"), test::StreamEnd(file, "v"), 0.03);
    EXPECT_TRUE(test::HasIndexChunk(file));
    fs::remove_all(pattern);
}

INSTANTIATE_TEST_SUITE_P(
    Sound, FileStart,
    ::testing::Values(
        LateSound{"Earlier", GST_SECOND / 2, 1, GST_SECOND},
        // Less than a piece of sound late: nobody hears it.
        LateSound{"WithinSlack", GST_SECOND + 10 * GST_MSECOND, 1, GST_SECOND},
        // Every picture a key frame: the one the sound reached, give or
        // take the slack.
        LateSound{"Later", GST_SECOND + 150 * GST_MSECOND, 1, GST_SECOND + 4 * kPicture},
        // Key frames every tenth picture: the next of them.
        LateSound{"LaterRareKeys", GST_SECOND + 150 * GST_MSECOND, 10, GST_SECOND + 10 * kPicture}),
    [](const auto& info) { return info.param.what; });

}  // namespace
}  // namespace tavelin
