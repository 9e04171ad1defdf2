#include "core/MotionDetector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace tavelin {
namespace {

using Frame = std::vector<std::uint8_t>;

Frame Filled(int w, int h, std::uint8_t v) {
    return Frame(static_cast<std::size_t>(w) * h * 3, v);
}

Frame Random(int w, int h, unsigned seed) {
    Frame f = Filled(w, h, 0);
    std::mt19937 rng(seed);
    for (auto& b : f)
        b = static_cast<std::uint8_t>(rng());
    return f;
}

void SetPixel(Frame& f, int w, int x, int y, std::uint8_t v) {
    std::memset(f.data() + (static_cast<std::size_t>(y) * w + x) * 3, v, 3);
}

void FillRect(Frame& f, int w, int x0, int y0, int x1, int y1, std::uint8_t v) {
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x)
            SetPixel(f, w, x, y, v);
    }
}

// A grey level g (B = G = R) whose detector grey is exactly `target`.
std::uint8_t LevelForGrey(int target) {
    for (int v = 0; v < 256; ++v) {
        const auto b = static_cast<std::uint8_t>(v);
        if (GreyOf(b, b, b) == target)
            return b;
    }
    ADD_FAILURE() << "no level gives grey " << target;
    return 0;
}

TEST(GreyConversion, MatchesTheDoubleFormulaForEveryColour) {
    // One R at a time: all 65536 (B, G) pairs, so every colour is seen once.
    Frame bgr(3 * 65536);
    std::vector<std::uint8_t> fast(65536);
    int mismatches = 0;
    for (int r = 0; r < 256; ++r) {
        for (int i = 0; i < 65536; ++i) {
            bgr[3 * i] = static_cast<std::uint8_t>(i >> 8);
            bgr[3 * i + 1] = static_cast<std::uint8_t>(i);
            bgr[3 * i + 2] = static_cast<std::uint8_t>(r);
        }
        ConvertToGrey(bgr.data(), fast.data(), fast.size());
        for (int i = 0; i < 65536; ++i) {
            const double exact = bgr[3 * i] * 0.114 + bgr[3 * i + 1] * 0.587 + r * 0.299;
            if (fast[i] != static_cast<std::uint8_t>(exact) && ++mismatches <= 5) {
                ADD_FAILURE() << "B " << (i >> 8) << " G " << (i & 255) << " R " << r;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// The passes one after another in their plain form.
struct ReferenceResult {
    std::vector<std::uint8_t> grey, dilated, outline;
    RegionRecord regions[CMotionDetector::kRegionCapacity] = {};
    int lastRegion = -1;
};

ReferenceResult RunReference(const std::vector<std::uint8_t>& previousGrey, const Frame& frame,
                             int w, int h) {
    const std::size_t n = static_cast<std::size_t>(w) * h;
    ReferenceResult r;
    r.grey.resize(n);
    r.dilated.resize(n);
    r.outline.resize(n);
    std::vector<std::uint8_t> mask(n);
    reference::Grey(frame.data(), r.grey.data(), n);
    reference::Difference(previousGrey.data(), r.grey.data(), mask.data(), n);
    reference::Dilate(mask.data(), r.dilated.data(), w, h);
    reference::Laplacian(r.dilated.data(), r.outline.data(), w, h);
    r.lastRegion = reference::ScanGrid(r.outline.data(), w, h, r.regions);
    return r;
}

struct Size {
    int w, h;
};

class DetectorMatchesReference : public ::testing::TestWithParam<Size> {};

TEST_P(DetectorMatchesReference, OnRandomAndBlobFrames) {
    const auto [w, h] = GetParam();
    const std::size_t n = static_cast<std::size_t>(w) * h;
    CMotionDetector d;
    ASSERT_TRUE(d.Init(w, h));
    std::mt19937 rng(w * 1000 + h);
    Frame frame = Random(w, h, 1);
    EXPECT_FALSE(d.Detect(frame.data(), frame.size()));
    std::vector<std::uint8_t> previous(d.previousGrey(), d.previousGrey() + n);

    for (int step = 0; step < 8; ++step) {
        // Alternate whole random frames with a few changed blocks on a random one.
        if (step % 2 == 0) {
            frame = Random(w, h, 100 + step);
        } else {
            for (int blob = 0; blob < 4; ++blob) {
                const int x0 = static_cast<int>(rng() % w), y0 = static_cast<int>(rng() % h);
                const int x1 = std::min(w - 1, x0 + static_cast<int>(rng() % 30));
                const int y1 = std::min(h - 1, y0 + static_cast<int>(rng() % 30));
                FillRect(frame, w, x0, y0, x1, y1, static_cast<std::uint8_t>(rng()));
            }
        }
        const ReferenceResult ref = RunReference(previous, frame, w, h);
        ASSERT_TRUE(d.Detect(frame.data(), frame.size()));
        ASSERT_EQ(0, std::memcmp(d.previousGrey(), ref.grey.data(), n)) << "step " << step;
        ASSERT_EQ(0, std::memcmp(d.dilated(), ref.dilated.data(), n)) << "step " << step;
        ASSERT_EQ(0, std::memcmp(d.mask(), ref.outline.data(), n)) << "step " << step;
        ASSERT_EQ(d.lastRegion(), ref.lastRegion) << "step " << step;
        ASSERT_EQ(0, std::memcmp(d.regions(), ref.regions,
                                 CMotionDetector::kRegionsCleared * sizeof(RegionRecord)));
        previous = ref.grey;
    }
}

INSTANTIATE_TEST_SUITE_P(OddSizes, DetectorMatchesReference,
                         ::testing::Values(Size{1, 1}, Size{3, 3}, Size{17, 5}, Size{8, 8},
                                           Size{321, 241}, Size{320, 240}, Size{640, 480}));

class DetectorTest : public ::testing::Test {
protected:
    static constexpr int kW = 320, kH = 240;
    void SetUp() override {
        ASSERT_TRUE(d.Init(kW, kH));
        EXPECT_FALSE(d.Detect(base.data(), base.size()));
    }
    // Compares `next` with the primed base frame.
    bool Compare(const Frame& next) { return d.Detect(next.data(), next.size()); }

    CMotionDetector d;
    Frame base = Filled(kW, kH, 100);
};

TEST_F(DetectorTest, PrimingFrameOnlyStoresItsGreyThenIdenticalFramesGiveNothing) {
    EXPECT_EQ(d.lastRegion(), -1);
    EXPECT_EQ(d.previousGrey()[kW * kH - 1], GreyOf(100, 100, 100));
    EXPECT_TRUE(Compare(base));
    EXPECT_EQ(d.lastRegion(), -1);
}

TEST_F(DetectorTest, DifferenceOf60IsNoChangeAnd61Is) {
    for (const int diff : {60, 61}) {
        ASSERT_TRUE(d.Init(kW, kH));
        Frame before = Filled(kW, kH, LevelForGrey(100));
        Frame after = before;
        SetPixel(after, kW, 100, 100, LevelForGrey(100 + diff));
        d.Detect(before.data(), before.size());
        ASSERT_TRUE(d.Detect(after.data(), after.size()));
        EXPECT_EQ(d.lastRegion(), diff == 60 ? -1 : 0) << diff;
    }
}

TEST_F(DetectorTest, SingleChangedPixelGivesItsThreeByThreeOutline) {
    Frame next = base;
    SetPixel(next, kW, 100, 50, 250);
    ASSERT_TRUE(Compare(next));
    ASSERT_EQ(d.lastRegion(), 0);
    const RegionRecord r = d.regions()[0];
    EXPECT_EQ(r.firstCol, 99u);
    EXPECT_EQ(r.lastCol, 101u);
    EXPECT_EQ(r.firstRow, 49u);
    EXPECT_EQ(r.lastRow, 51u);
    // Only the ring is outline; the centre pixel is not.
    EXPECT_EQ(d.mask()[50 * kW + 100], 0);
    EXPECT_EQ(d.mask()[49 * kW + 100], 255);
    // The frame just passed in is now the previous one.
    EXPECT_EQ(d.previousGrey()[50 * kW + 100], GreyOf(250, 250, 250));
}

TEST_F(DetectorTest, WholePictureChangeGivesRecordsInTheBorderCellsOnly) {
    ASSERT_TRUE(Compare(Filled(kW, kH, 250)));
    ASSERT_EQ(d.lastRegion(), 27);
    for (int i = 0; i <= d.lastRegion(); ++i) {
        const RegionRecord& r = d.regions()[i];
        const bool onBorder =
            r.firstRow == 0 || r.lastRow == kH - 1 || r.firstCol == 0 || r.lastCol == kW - 1;
        EXPECT_TRUE(onBorder) << i;
    }
}

TEST_F(DetectorTest, AreaAcrossACellBoundaryGivesOneClippedRecordPerCell) {
    Frame next = base;
    FillRect(next, kW, 35, 10, 44, 12, 250);  // cells are 40 x 30
    ASSERT_TRUE(Compare(next));
    ASSERT_EQ(d.lastRegion(), 1);
    EXPECT_EQ(d.regions()[0].firstCol, 34u);
    EXPECT_EQ(d.regions()[0].lastCol, 39u);
    EXPECT_EQ(d.regions()[1].firstCol, 40u);
    EXPECT_EQ(d.regions()[1].lastCol, 45u);
    EXPECT_EQ(d.regions()[1].firstRow, 9u);
    EXPECT_EQ(d.regions()[1].lastRow, 13u);
}

TEST(Detector, ColumnsPastTheGridAreNeverExamined) {
    CMotionDetector d;
    ASSERT_TRUE(d.Init(321, 240));
    Frame a = Filled(321, 240, 100);
    Frame b = a;
    for (int y = 0; y < 240; ++y)
        SetPixel(b, 321, 320, y, 250);
    d.Detect(a.data(), a.size());
    ASSERT_TRUE(d.Detect(b.data(), b.size()));
    EXPECT_EQ(d.mask()[320], 255);  // outline in column 320 ...
    ASSERT_GE(d.lastRegion(), 0);   // ... and, from the dilation, in 319
    for (int i = 0; i <= d.lastRegion(); ++i)
        EXPECT_EQ(d.regions()[i].lastCol, 319u);
}

TEST(Detector, RejectsBadSizesAndFramesWithoutTouchingAnything) {
    CMotionDetector d;
    Frame f = Filled(8, 8, 10);
    EXPECT_FALSE(d.Detect(f.data(), f.size()));  // not initialised
    EXPECT_FALSE(d.Init(-1, 8));
    EXPECT_FALSE(d.Init(8, -1));
    EXPECT_FALSE(d.initialised());

    ASSERT_TRUE(d.Init(8, 8));
    EXPECT_FALSE(d.Init(-8, 8));  // a refused size keeps the old set-up
    EXPECT_TRUE(d.initialised());
    EXPECT_EQ(d.width(), 8);
    d.Detect(f.data(), f.size());
    Frame small = Filled(8, 7, 200);
    Frame large = Filled(9, 8, 200);
    EXPECT_FALSE(d.Detect(small.data(), small.size()));
    EXPECT_FALSE(d.Detect(large.data(), large.size()));
    EXPECT_FALSE(d.Detect(nullptr, f.size()));
    EXPECT_EQ(d.previousGrey()[0], GreyOf(10, 10, 10));

    d.Release();
    d.Release();
    EXPECT_FALSE(d.initialised());
    EXPECT_EQ(d.previousGrey(), nullptr);
    EXPECT_EQ(d.lastRegion(), -1);
    EXPECT_FALSE(d.Detect(f.data(), f.size()));
}

struct ViewCase {
    int w, h;
    unsigned percent, x0, y0;
};

class ScaleViewMatchesReference : public ::testing::TestWithParam<ViewCase> {};

TEST_P(ScaleViewMatchesReference, BitForBit) {
    const ViewCase c = GetParam();
    CMotionDetector d;
    ASSERT_TRUE(d.Init(c.w, c.h));
    const Frame src = Random(c.w, c.h, 7);
    Frame fast = Filled(c.w, c.h, 0xAB);
    Frame ref = fast;
    d.ScaleView(src.data(), fast.data(), c.percent, c.x0, c.y0);
    reference::ScaleView(src.data(), ref.data(), c.w, c.h, c.percent, c.x0, c.y0);
    EXPECT_EQ(fast, ref);
    // The same detector again (its gathered rows must not leak between calls).
    const Frame other = Random(c.w, c.h, 8);
    d.ScaleView(other.data(), fast.data(), c.percent, c.x0, c.y0);
    reference::ScaleView(other.data(), ref.data(), c.w, c.h, c.percent, c.x0, c.y0);
    EXPECT_EQ(fast, ref);
}

INSTANTIATE_TEST_SUITE_P(
    SizesAndWindows, ScaleViewMatchesReference,
    ::testing::Values(ViewCase{1, 1, 50, 0, 0}, ViewCase{3, 3, 73, 1, 1}, ViewCase{17, 5, 50, 8, 2},
                      ViewCase{321, 241, 67, 0, 0},
                      ViewCase{320, 240, 50, 160, 120},  // the far corner of the scan
                      ViewCase{640, 480, 50, 320, 240}, ViewCase{640, 480, 99, 0, 0},
                      ViewCase{64, 48, 150, 40, 40},  // past the frame on every side
                      ViewCase{64, 48, 0, 5000, 5000}));

TEST(ScaleView, FullShareCopiesTheFrameAndTheFormulaHoldsInside) {
    CMotionDetector d;
    ASSERT_TRUE(d.Init(5, 4));
    const Frame src = Random(5, 4, 3);
    Frame out = Filled(5, 4, 0);
    d.ScaleView(src.data(), out.data(), 100, 0, 0);
    EXPECT_EQ(out, src);

    d.ScaleView(src.data(), out.data(), 50, 1, 1);
    // Output (row 1, column 1): sy = 1, fy = 50, sx = 1, fx = 50.
    for (int ch = 0; ch < 3; ++ch) {
        const unsigned a = src[(1 * 5 + 1) * 3 + ch], b = src[(2 * 5 + 1) * 3 + ch],
                       c = src[(1 * 5 + 2) * 3 + ch];
        EXPECT_EQ(out[(1 * 5 + 1) * 3 + ch], (a * 100 + b * 50 + c * 50) / 200);
    }
}

}  // namespace
}  // namespace tavelin
