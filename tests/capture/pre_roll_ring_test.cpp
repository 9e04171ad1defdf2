// The ring of encoded pieces on its own, fed made-up pictures and sound: how many
// seconds it holds, that it starts at a key frame, how many bytes it holds at most, and
// when it asks for a key frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "capture/GstRuntime.h"
#include "capture/PreRollRing.h"

namespace tavelin {
namespace {

// A piece of `bytes` bytes (their content does not matter) from `start` for `duration`.
EncodedPiece Piece(GstClockTime start, GstClockTime duration, std::size_t bytes, bool key = true) {
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    GST_BUFFER_PTS(buffer) = start;
    GST_BUFFER_DURATION(buffer) = duration;
    if (!key)
        GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    EncodedPiece piece = MakePiece(buffer, start);
    gst_buffer_unref(buffer);
    return piece;
}

// Picture n of a camera at `fps`, timed as the camera times it.
GstClockTime PictureTime(int n, int fps) {
    return gst_util_uint64_scale(static_cast<guint64>(n), GST_SECOND, static_cast<guint64>(fps));
}

// Sizes that vary from picture to picture, as an encoder's do.
std::size_t PictureBytes(int n) {
    return 2000 + static_cast<std::size_t>((n * 7919) % 3001);
}

class RingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(EnsureGstreamer()); }
};

// Every picture a key frame (Motion JPEG): the ring covers the window, at most one
// picture more, and holds at most the bytes of the window plus one picture.
struct WindowCase {
    int seconds;
    int fps;
};

void PrintTo(const WindowCase& c, std::ostream* os) {
    *os << c.seconds << " s at " << c.fps << " fps";
}

class RingWindow : public RingTest, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(RingWindow, CoversTheWindowAndNoMore) {
    const auto [seconds, fps] = GetParam();
    const GstClockTime window = GST_SECOND * static_cast<GstClockTime>(seconds);
    CPreRollRing ring(window);
    std::vector<EncodedPiece> pushed;
    std::size_t bound = 0;      // the window's bytes, as of the last picture
    std::size_t mostBound = 0;  // the most that may be held just after a push
    for (int n = 0; n < (seconds + 4) * fps; ++n) {
        const GstClockTime start = PictureTime(n, fps);
        const GstClockTime end = PictureTime(n + 1, fps);
        mostBound = std::max(mostBound, bound + PictureBytes(n));
        ring.PushPicture(Piece(start, end - start, PictureBytes(n)));
        pushed.push_back(Piece(start, end - start, PictureBytes(n)));

        // The encoded size of the window's seconds: every picture inside it, and the one
        // that reaches into it from before.
        std::size_t inWindow = 0;
        std::size_t reaching = 0;
        for (const EncodedPiece& p : pushed) {
            if (p.start + window >= end)
                inWindow += p.bytes;
            else if (p.end() + window > end)
                reaching = p.bytes;
        }
        bound = inWindow + reaching;
        ASSERT_LE(ring.bytes(), bound) << "picture " << n;

        ASSERT_FALSE(ring.pictures().empty() && seconds > 0);
        if (seconds == 0)
            continue;
        ASSERT_EQ(ring.pictures().back().start, start);  // the newest is always there
        if (end >= window) {
            ASSERT_GE(ring.pictureSpan(), window) << "picture " << n;
            ASSERT_LT(ring.pictureSpan(), window + GST_SECOND / fps + 1) << "picture " << n;
        } else {
            ASSERT_EQ(ring.pictures().size(), static_cast<std::size_t>(n + 1));
        }
    }
    // The most ever held: the window plus the picture that just came.
    EXPECT_LE(ring.peakBytes(), mostBound);
    if (seconds == 0) {
        EXPECT_TRUE(ring.pictures().empty());
        EXPECT_EQ(ring.bytes(), 0u);
    } else {
        EXPECT_GE(ring.pictures().size(), static_cast<std::size_t>(seconds * fps));
        EXPECT_LE(ring.pictures().size(), static_cast<std::size_t>(seconds * fps + 1));
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, RingWindow,
                         ::testing::Values(WindowCase{0, 30}, WindowCase{1, 30}, WindowCase{3, 30},
                                           WindowCase{3, 7}, WindowCase{10, 30}, WindowCase{2, 60}),
                         [](const auto& info) {
                             return std::to_string(info.param.seconds) + "s" +
                                    std::to_string(info.param.fps) + "fps";
                         });

// Pictures coded against earlier ones, with a key frame every `keyEvery`: the ring
// always starts at a key frame and never holds more than the window.
class RingKeyFrames : public RingTest, public ::testing::WithParamInterface<int> {};

TEST_P(RingKeyFrames, StartsAtAKeyFrame) {
    const int keyEvery = GetParam();
    const GstClockTime window = 3 * GST_SECOND;
    CPreRollRing ring(window);
    for (int n = 0; n < 600; ++n) {
        const GstClockTime start = PictureTime(n, 30);
        ring.PushPicture(Piece(start, PictureTime(n + 1, 30) - start, 500, n % keyEvery == 0));
        if (ring.pictures().empty())
            continue;
        ASSERT_TRUE(ring.pictures().front().key) << "picture " << n;
        ASSERT_LT(ring.pictureSpan(), window + GST_SECOND / 30 + 1) << "picture " << n;
        ASSERT_EQ(ring.bytes(), ring.pictures().size() * 500u);
    }
    if (keyEvery <= 90) {
        // A key frame at least every 3 s: the newest one within the window is kept.
        EXPECT_GE(ring.pictureSpan(), window - PictureTime(keyEvery, 30));
    }
}

INSTANTIATE_TEST_SUITE_P(Spacing, RingKeyFrames, ::testing::Values(1, 2, 12, 45, 90, 128, 1000));

// An encoder that sends a key frame when asked: the ring asks once per spacing, never for
// every picture, and then holds nearly the whole window.
struct AskCase {
    int seconds;
    bool everyPictureKey;
    int mostAsks;        // over 20 s
    bool heeded = true;  // the encoder sends the key frame asked for
};

void PrintTo(const AskCase& c, std::ostream* os) {
    *os << c.seconds << " s" << (c.everyPictureKey ? ", all key frames" : ", delta frames")
        << (c.heeded ? "" : ", unheeded");
}

class RingAsks : public RingTest, public ::testing::WithParamInterface<AskCase> {};

TEST_P(RingAsks, ForAKeyFrameOncePerSpacing) {
    const AskCase& c = GetParam();
    const GstClockTime window = GST_SECOND * static_cast<GstClockTime>(c.seconds);
    CPreRollRing ring(window);
    bool asked = false;
    int asks = 0;
    for (int n = 0; n < 20 * 30; ++n) {
        const GstClockTime start = PictureTime(n, 30);
        const bool key = c.everyPictureKey || n == 0 || (asked && c.heeded);
        ring.PushPicture(Piece(start, PictureTime(n + 1, 30) - start, 500, key));
        asked = ring.KeyFrameWanted();
        asks += asked ? 1 : 0;
        if (c.heeded && c.seconds > 0 && start > 2 * window) {
            const GstClockTime spacing = std::min(CPreRollRing::kKeyFrameSpacing, window / 2);
            ASSERT_GE(ring.pictureSpan() + spacing + GST_SECOND / 15, window) << "picture " << n;
        }
    }
    EXPECT_LE(asks, c.mostAsks);
    if (c.mostAsks > 0) {
        EXPECT_GE(asks, c.mostAsks - 2);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, RingAsks,
    ::testing::Values(AskCase{3, true, 0},            // Motion JPEG: nothing to ask for
                      AskCase{0, false, 0},           // no seconds before: nothing to keep
                      AskCase{3, false, 20},          // once a second
                      AskCase{1, false, 40},          // twice a second for a one-second window
                      AskCase{3, false, 20, false}),  // unheeded: asked again each second
    [](const auto& info) {
        return std::to_string(info.param.seconds) + "s" +
               (info.param.everyPictureKey ? "AllKey" : "Delta") +
               (info.param.heeded ? "" : "Unheeded");
    });

// The sound reaches back to the first picture and no further; without pictures to go by
// (no seconds before, or a camera that stopped) it still does not pile up.
TEST_F(RingTest, SoundKeepsToThePictures) {
    const GstClockTime window = 2 * GST_SECOND;
    const GstClockTime soundPiece = gst_util_uint64_scale(1024, GST_SECOND, 44100);
    CPreRollRing ring(window);
    GstClockTime soundAt = 0;
    int n = 0;
    const auto feed = [&](GstClockTime until, bool pictures) {
        for (; PictureTime(n, 30) < until; ++n) {
            const GstClockTime start = PictureTime(n, 30);
            if (pictures)
                ring.PushPicture(Piece(start, PictureTime(n + 1, 30) - start, 1000));
            for (; soundAt < PictureTime(n + 1, 30); soundAt += soundPiece)
                ring.PushSound(Piece(soundAt, soundPiece, 4096));
        }
    };
    feed(6 * GST_SECOND, true);
    ASSERT_FALSE(ring.sound().empty());
    const GstClockTime first = ring.pictures().front().start;
    EXPECT_GT(ring.sound().front().end(), first);
    EXPECT_LE(ring.sound().front().start, first);  // the piece that holds its start stays
    EXPECT_GE(ring.sound().back().end(), ring.pictures().back().end());

    // The camera stops; the sound goes on for a minute and stays bounded.
    feed(66 * GST_SECOND, false);
    const GstClockTime soundSpan = ring.sound().back().end() - ring.sound().front().start;
    EXPECT_LE(soundSpan, window + CPreRollRing::kSoundSlack + soundPiece);
    std::size_t held = 0;
    for (const EncodedPiece& p : ring.pictures())
        held += p.bytes;
    for (const EncodedPiece& p : ring.sound())
        held += p.bytes;
    EXPECT_EQ(ring.bytes(), held);
}

TEST_F(RingTest, NoSecondsBeforeKeepsNoSoundBeforeTheNewestPicture) {
    CPreRollRing ring(0);
    ring.PushSound(Piece(0, GST_SECOND / 10, 100));
    ring.PushSound(Piece(GST_SECOND / 10, GST_SECOND / 10, 100));
    ring.PushPicture(Piece(GST_SECOND / 10, GST_SECOND / 30, 1000));
    EXPECT_TRUE(ring.pictures().empty());
    ASSERT_EQ(ring.sound().size(), 1u);
    EXPECT_EQ(ring.sound().front().start, GST_SECOND / 10);
}

}  // namespace
}  // namespace tavelin
