// The pictures as the program reads them: from the compiled-in resources.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

#include "resources/ResourceIds.h"
#include "resources/Resources.h"

namespace tavelin {
namespace {

// Pixel loaders (fonts, icons) want a Gui application; one for the whole program.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "artwork_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QGuiApplication>(argc, argv);
        InitResources();
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QGuiApplication> app_;
};

const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

QImage Load(int id) {
    return QImage(ArtPath(id)).convertToFormat(QImage::Format_ARGB32);
}

bool IsBlack(QRgb p) {
    return (p & 0xFFFFFF) == 0;
}

bool IsWhite(QRgb p) {
    return (p & 0xFFFFFF) == 0xFFFFFF;
}

// ---------------------------------------------------------------- sizes

struct Picture {
    int id;
    int width;
    int height;
};

constexpr int kFaceW = 74;
constexpr int kFaceH = 21;

const Picture kPictures[] = {
    {ids::kIconApp, 256, 256},
    {ids::kBitmapSplash, 600, 430},
    {ids::kBitmapSkin, 360, 345},
    {ids::kCursorButton, 32, 32},
    {ids::kBitmapCameraIcon, 38, 26},
    {ids::kBitmapSettingsAudioDown, kFaceW, kFaceH},
    {ids::kBitmapMaskFace, kFaceW, kFaceH},
    {ids::kBitmapAudioDisableDown, kFaceW, kFaceH},
    {ids::kBitmapAudioEnable, kFaceW, kFaceH},
    {ids::kBitmapSettingsVideoDown, kFaceW, kFaceH},
    {ids::kBitmapSettings, kFaceW, kFaceH},
    {ids::kBitmapSizeDefaultDown, kFaceW, kFaceH},
    {ids::kBitmapSizeDefault, kFaceW, kFaceH},
    {ids::kBitmapSize320Down, kFaceW, kFaceH},
    {ids::kBitmapSize320, kFaceW, kFaceH},
    {ids::kBitmapSize640Down, kFaceW, kFaceH},
    {ids::kBitmapSize640, kFaceW, kFaceH},
    {ids::kBitmapSize800Down, kFaceW, kFaceH},
    {ids::kBitmapSize800, kFaceW, kFaceH},
    {ids::kBitmapSize1280Down, kFaceW, kFaceH},
    {ids::kBitmapSize1280, kFaceW, kFaceH},
    {ids::kBitmapSize1600Down, kFaceW, kFaceH},
    {ids::kBitmapSize1600, kFaceW, kFaceH},
    {ids::kBitmapShowTimeDown, kFaceW, kFaceH},
    {ids::kBitmapShowTime, kFaceW, kFaceH},
    {ids::kBitmapTimerShotDown, kFaceW, kFaceH},
    {ids::kBitmapTimerShot, kFaceW, kFaceH},
    {ids::kBitmapSnapShotDown, kFaceW, kFaceH},
    {ids::kBitmapSnapShot, kFaceW, kFaceH},
    {ids::kBitmapSaveFileDown, kFaceW, kFaceH},
    {ids::kBitmapSaveFile, kFaceW, kFaceH},
    {ids::kBitmapRecorderDown, kFaceW, kFaceH},
    {ids::kBitmapRecorder, kFaceW, kFaceH},
    {ids::kBitmapAboutDown, kFaceW, kFaceH},
    {ids::kBitmapAbout, kFaceW, kFaceH},
    {ids::kBitmapCloseMask, 14, 14},
    {ids::kBitmapClose, 14, 14},
    {ids::kBitmapMinimiseMask, 14, 14},
    {ids::kBitmapMinimise, 14, 14},
    {ids::kBitmapStripMask, 164, 15},
    {ids::kBitmapAudioStrip, 164, 15},
    {ids::kBitmapPropertyDown, kFaceW, kFaceH},
    {ids::kBitmapProperty, kFaceW, kFaceH},
    {ids::kBitmapRecordLightOff, 18, 21},
    {ids::kBitmapRecordLightMask, 18, 21},
    {ids::kBitmapRecordLight, 18, 21},
    {ids::kBitmapAudioEnableDisabled, kFaceW, kFaceH},
    {ids::kBitmapMonitorDown, kFaceW, kFaceH},
    {ids::kBitmapMonitor, kFaceW, kFaceH},
    {ids::kBitmapEyeMask, 21, 21},
    {ids::kBitmapEye, 21, 21},
    {ids::kBitmapEyeOff, 21, 21},
    {ids::kBitmapBadge, 35, 36},
    {ids::kBitmapAboutHidden, 160, 120},
};

class PictureTest : public ::testing::TestWithParam<Picture> {};

TEST_P(PictureTest, LoadsWithItsExactSize) {
    const Picture& pic = GetParam();
    const QImage image(ArtPath(pic.id));
    ASSERT_FALSE(image.isNull()) << ArtPath(pic.id).toStdString();
    EXPECT_EQ(image.width(), pic.width);
    EXPECT_EQ(image.height(), pic.height);
}

INSTANTIATE_TEST_SUITE_P(EveryId, PictureTest, ::testing::ValuesIn(kPictures),
                         [](const auto& info) { return std::to_string(info.param.id); });

// Everything but the cursor and the icon is a 24-bit picture: the program reads
// colours, never alpha, and a transparent pixel would show as black.
TEST(PictureSetTest, AllButCursorAndIconAreOpaque) {
    for (const Picture& pic : kPictures) {
        if (pic.id != ids::kCursorButton && pic.id != ids::kIconApp) {
            EXPECT_FALSE(QImage(ArtPath(pic.id)).hasAlphaChannel()) << pic.id;
        }
    }
}

// ---------------------------------------------------------------- masks

struct MaskCase {
    int mask;
    bool allBlack;
};

class MaskTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(MaskTest, HoldsOnlyPureBlackAndWhite) {
    const QImage mask = Load(GetParam().mask);
    ASSERT_FALSE(mask.isNull());
    int black = 0;
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) {
            const QRgb p = mask.pixel(x, y);
            ASSERT_TRUE(IsBlack(p) || IsWhite(p)) << "grey at " << x << "," << y;
            black += IsBlack(p) ? 1 : 0;
        }
    }
    if (GetParam().allBlack) {
        EXPECT_EQ(black, mask.width() * mask.height());
    } else {
        // A round outline: solid in the middle, cut away at the corners.
        EXPECT_TRUE(IsBlack(mask.pixel(mask.width() / 2, mask.height() / 2)));
        EXPECT_TRUE(IsWhite(mask.pixel(0, 0)));
        EXPECT_TRUE(IsWhite(mask.pixel(mask.width() - 1, mask.height() - 1)));
        EXPECT_GT(black, mask.width() * mask.height() / 4);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryMask, MaskTest,
                         ::testing::Values(MaskCase{ids::kBitmapMaskFace, true},
                                           MaskCase{ids::kBitmapStripMask, true},
                                           MaskCase{ids::kBitmapCloseMask, false},
                                           MaskCase{ids::kBitmapMinimiseMask, false},
                                           MaskCase{ids::kBitmapRecordLightMask, false},
                                           MaskCase{ids::kBitmapEyeMask, false}),
                         [](const auto& info) { return std::to_string(info.param.mask); });

// A light's two states must differ, and only where its mask lets the picture show:
// a mark drawn outside the mask would never be seen.
struct LightCase {
    int on;
    int off;
    int mask;
};

class LightTest : public ::testing::TestWithParam<LightCase> {};

TEST_P(LightTest, StatesDifferOnlyInsideTheMask) {
    const QImage on = Load(GetParam().on);
    const QImage off = Load(GetParam().off);
    const QImage mask = Load(GetParam().mask);
    ASSERT_EQ(on.size(), mask.size());
    ASSERT_EQ(off.size(), mask.size());
    int differing = 0;
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) {
            if (on.pixel(x, y) != off.pixel(x, y)) {
                ++differing;
                EXPECT_TRUE(IsBlack(mask.pixel(x, y))) << "hidden change at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(differing, 10);
}

INSTANTIATE_TEST_SUITE_P(
    BlinkingLights, LightTest,
    ::testing::Values(LightCase{ids::kBitmapRecordLight, ids::kBitmapRecordLightOff,
                                ids::kBitmapRecordLightMask},
                      LightCase{ids::kBitmapEye, ids::kBitmapEyeOff, ids::kBitmapEyeMask}));

// ---------------------------------------------------------------- faces

struct FacePair {
    int normal;
    int down;
};

const FacePair kFacePairs[] = {
    {ids::kBitmapSettings, ids::kBitmapSettingsAudioDown},
    {ids::kBitmapSettings, ids::kBitmapSettingsVideoDown},
    {ids::kBitmapAudioEnable, ids::kBitmapAudioDisableDown},
    {ids::kBitmapSizeDefault, ids::kBitmapSizeDefaultDown},
    {ids::kBitmapSize320, ids::kBitmapSize320Down},
    {ids::kBitmapSize640, ids::kBitmapSize640Down},
    {ids::kBitmapSize800, ids::kBitmapSize800Down},
    {ids::kBitmapSize1280, ids::kBitmapSize1280Down},
    {ids::kBitmapSize1600, ids::kBitmapSize1600Down},
    {ids::kBitmapShowTime, ids::kBitmapShowTimeDown},
    {ids::kBitmapTimerShot, ids::kBitmapTimerShotDown},
    {ids::kBitmapSnapShot, ids::kBitmapSnapShotDown},
    {ids::kBitmapSaveFile, ids::kBitmapSaveFileDown},
    {ids::kBitmapRecorder, ids::kBitmapRecorderDown},
    {ids::kBitmapAbout, ids::kBitmapAboutDown},
    {ids::kBitmapProperty, ids::kBitmapPropertyDown},
    {ids::kBitmapMonitor, ids::kBitmapMonitorDown},
};

struct MeanColour {
    double r = 0, g = 0, b = 0;
};

// Mean over the face's middle band, away from corners, border and label.
MeanColour Mean(const QImage& face) {
    MeanColour m;
    int n = 0;
    for (int y = 3; y < face.height() - 3; ++y) {
        for (int x = face.width() - 6; x < face.width() - 2; ++x) {
            const QRgb p = face.pixel(x, y);
            m.r += qRed(p);
            m.g += qGreen(p);
            m.b += qBlue(p);
            ++n;
        }
    }
    m.r /= n;
    m.g /= n;
    m.b /= n;
    return m;
}

class FacePairTest : public ::testing::TestWithParam<FacePair> {};

// Catches swapped ids: a normal face is light grey, a down face is blue.
TEST_P(FacePairTest, NormalIsLightAndDownIsBlue) {
    const MeanColour normal = Mean(Load(GetParam().normal));
    const MeanColour down = Mean(Load(GetParam().down));
    EXPECT_GT(normal.r, 180);
    EXPECT_LT(std::abs(normal.r - normal.b), 30) << "normal face is not grey";
    EXPECT_GT(down.b, down.r + 60) << "down face is not blue";
}

INSTANTIATE_TEST_SUITE_P(EveryButton, FacePairTest, ::testing::ValuesIn(kFacePairs),
                         [](const auto& info) {
                             return std::to_string(info.param.normal) + "_" +
                                    std::to_string(info.param.down);
                         });

// Each button shows its own label: no two different buttons share a picture.
TEST(FaceTest, NormalFacesAreAllDifferent) {
    std::vector<int> ids;
    for (const FacePair& pair : kFacePairs) {
        if (pair.down != ids::kBitmapSettingsVideoDown) {  // shares 208 with the audio row
            ids.push_back(pair.normal);
        }
    }
    for (std::size_t i = 0; i < ids.size(); ++i) {
        for (std::size_t j = i + 1; j < ids.size(); ++j) {
            EXPECT_NE(Load(ids[i]), Load(ids[j])) << ids[i] << " and " << ids[j];
        }
    }
}

TEST(FaceTest, DisabledFaceIsFainterThanTheNormalOne) {
    const QImage normal = Load(ids::kBitmapAudioEnable);
    const QImage disabled = Load(ids::kBitmapAudioEnableDisabled);
    auto darkest = [](const QImage& img) {
        int least = 255;
        for (int y = 2; y < img.height() - 2; ++y) {
            for (int x = 2; x < img.width() - 2; ++x) {
                least = std::min(least, qGray(img.pixel(x, y)));
            }
        }
        return least;
    };
    // The label ink is the darkest part of a face: greyed means lighter ink.
    EXPECT_GT(darkest(disabled), darkest(normal) + 60);
}

// ---------------------------------------------------------------- skin

bool SkinKeyed(QRgb p) {
    return qRed(p) <= 16 && qGreen(p) == 255 && qBlue(p) <= 16;
}

constexpr int kCornerBox = 12;

TEST(SkinTest, OnlyTheFourCornersMatchTheWindowKey) {
    const QImage skin = Load(ids::kBitmapSkin);
    for (int y = 0; y < skin.height(); ++y) {
        for (int x = 0; x < skin.width(); ++x) {
            const bool inCorner = (x < kCornerBox || x >= skin.width() - kCornerBox) &&
                                  (y < kCornerBox || y >= skin.height() - kCornerBox);
            if (!inCorner) {
                ASSERT_FALSE(SkinKeyed(skin.pixel(x, y))) << "keyed at " << x << "," << y;
            }
        }
    }
}

// Each corner is cut as a rounded staircase: every row nearer the corner's edge
// loses at least as many pixels as the next one, the very corner is cut and the
// edges a corner-box away are not.
TEST(SkinTest, CornersAreRoundedCuts) {
    const QImage skin = Load(ids::kBitmapSkin);
    const int w = skin.width();
    const int h = skin.height();
    for (int corner = 0; corner < 4; ++corner) {
        const bool right = corner & 1;
        const bool bottom = corner & 2;
        auto at = [&](int dx, int dy) {
            return skin.pixel(right ? w - 1 - dx : dx, bottom ? h - 1 - dy : dy);
        };
        SCOPED_TRACE(corner);
        EXPECT_TRUE(SkinKeyed(at(0, 0)));
        EXPECT_FALSE(SkinKeyed(at(kCornerBox, 0)));
        EXPECT_FALSE(SkinKeyed(at(0, kCornerBox)));
        EXPECT_FALSE(SkinKeyed(at(kCornerBox / 2, kCornerBox / 2)));
        int previous = kCornerBox + 1;
        int total = 0;
        for (int dy = 0; dy < kCornerBox; ++dy) {
            int run = 0;
            while (run < kCornerBox && SkinKeyed(at(run, dy))) {
                ++run;
            }
            for (int dx = run; dx < kCornerBox; ++dx) {
                EXPECT_FALSE(SkinKeyed(at(dx, dy))) << "hole at " << dx << "," << dy;
            }
            EXPECT_LE(run, previous);
            previous = run;
            total += run;
        }
        EXPECT_GT(total, 8);
    }
}

struct Placed {
    int face;
    int x;
    int y;
};

// The labelled buttons at their places over the skin.
const Placed kPlaced[] = {
    {ids::kBitmapSettings, 271, 33},  {ids::kBitmapAudioEnable, 271, 56},
    {ids::kBitmapSettings, 271, 90},  {ids::kBitmapSizeDefault, 17, 163},
    {ids::kBitmapSize320, 100, 163},  {ids::kBitmapSize640, 183, 163},
    {ids::kBitmapSize800, 266, 163},  {ids::kBitmapSize1280, 100, 194},
    {ids::kBitmapSize1600, 183, 194}, {ids::kBitmapShowTime, 16, 247},
    {ids::kBitmapTimerShot, 99, 247}, {ids::kBitmapSnapShot, 183, 247},
    {ids::kBitmapSaveFile, 265, 247}, {ids::kBitmapMonitor, 16, 278},
    {ids::kBitmapRecorder, 99, 278},  {ids::kBitmapProperty, 183, 278},
    {ids::kBitmapAbout, 265, 278},
};

class PlacedFaceTest : public ::testing::TestWithParam<Placed> {};

// Under a button the skin is one plain colour, the same the face paints its
// rounded-off corners with, so no seam shows around any face.
TEST_P(PlacedFaceTest, SitsOnPlainPanelOfItsCornerColour) {
    const QImage skin = Load(ids::kBitmapSkin);
    const QImage face = Load(GetParam().face);
    const QRgb corner = face.pixel(0, 0);
    EXPECT_EQ(face.pixel(face.width() - 1, 0), corner);
    EXPECT_EQ(face.pixel(0, face.height() - 1), corner);
    EXPECT_EQ(face.pixel(face.width() - 1, face.height() - 1), corner);
    for (int y = 0; y < face.height(); ++y) {
        for (int x = 0; x < face.width(); ++x) {
            ASSERT_EQ(skin.pixel(GetParam().x + x, GetParam().y + y), corner)
                << "skin not plain at " << GetParam().x + x << "," << GetParam().y + y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPlace, PlacedFaceTest, ::testing::ValuesIn(kPlaced),
                         [](const auto& info) {
                             return std::to_string(info.param.x) + "_" +
                                    std::to_string(info.param.y);
                         });

// ---------------------------------------------------------------- overlay pictures

// The frame step leaves out exactly the pixels with B >= 250, G <= 4, R >= 251.
bool BadgeKeyed(QRgb p) {
    return qBlue(p) >= 250 && qGreen(p) <= 4 && qRed(p) >= 251;
}

TEST(BadgeTest, EveryPixelIsTheKeyOrClearlyOutsideIt) {
    const QImage badge = Load(ids::kBitmapBadge);
    int key = 0;
    for (int y = 0; y < badge.height(); ++y) {
        for (int x = 0; x < badge.width(); ++x) {
            const QRgb p = badge.pixel(x, y);
            if ((p & 0xFFFFFF) == 0xFF00FF) {
                ++key;
                continue;
            }
            // A margin of 10 around the rule, so no edge pixel is a near miss.
            const bool nearKey = qBlue(p) >= 240 && qGreen(p) <= 14 && qRed(p) >= 241;
            ASSERT_FALSE(nearKey || BadgeKeyed(p)) << "near-key pixel at " << x << "," << y;
        }
    }
    const int all = badge.width() * badge.height();
    EXPECT_GT(key, all / 4);
    EXPECT_LT(key, all * 3 / 4);
    EXPECT_EQ(badge.pixel(0, 0) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_EQ(badge.pixel(badge.width() - 1, badge.height() - 1) & 0xFFFFFF, 0xFF00FFu);
}

// Drawn upright: the figure's small head above its wider body, so more orange in
// the lower half. Stored flipped, the count would turn round.
TEST(BadgeTest, FigureStandsUpright) {
    const QImage badge = Load(ids::kBitmapBadge);
    int upper = 0;
    int lower = 0;
    int red = 0;
    int green = 0;
    for (int y = 0; y < badge.height(); ++y) {
        for (int x = 0; x < badge.width(); ++x) {
            const QRgb p = badge.pixel(x, y);
            const bool orange =
                qRed(p) > 200 && qGreen(p) > 100 && qGreen(p) < 210 && qBlue(p) < 90;
            if (orange) {
                (y < badge.height() / 2 ? upper : lower) += 1;
            }
            red += qRed(p) > 180 && qGreen(p) < 80 && qBlue(p) < 80 ? 1 : 0;
            green += qGreen(p) > 160 && qRed(p) < 120 && qBlue(p) < 120 ? 1 : 0;
        }
    }
    EXPECT_GT(upper, 5);
    EXPECT_GT(lower, upper);
    EXPECT_GT(red, 50) << "no red ring";
    EXPECT_GT(green, 12) << "no green ticks";
}

// A silver camera on a dark plate, upright: the viewfinder hump and the shutter
// release are bright above the body, and nothing bright is left below it.
TEST(CameraIconTest, SilverCameraUprightOnDarkPlate) {
    const QImage icon = Load(ids::kBitmapCameraIcon);
    auto bright = [&](int y0, int y1, int level) {
        int n = 0;
        for (int y = y0; y <= y1; ++y) {
            for (int x = 1; x < icon.width() - 1; ++x) {
                n += qGray(icon.pixel(x, y)) > level ? 1 : 0;
            }
        }
        return n;
    };
    EXPECT_EQ(bright(1, 2, 60), 0) << "plate above";
    EXPECT_EQ(bright(icon.height() - 2, icon.height() - 2, 60), 0) << "plate below";
    EXPECT_GT(bright(9, 10, 180), 30) << "silver body";
    EXPECT_GT(bright(3, 7, 180), 10) << "top parts";
    EXPECT_EQ(bright(19, icon.height() - 1, 180), 0) << "upside down";
}

// ---------------------------------------------------------------- cursor and icon

TEST(CursorTest, HotspotIsTheFingertip) {
    const QImage cursor = Load(ids::kCursorButton);
    ASSERT_TRUE(cursor.hasAlphaChannel());
    EXPECT_EQ(qAlpha(cursor.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(cursor.pixel(31, 0)), 0);
    EXPECT_GE(qAlpha(cursor.pixel(ids::kCursorButtonHotX, ids::kCursorButtonHotY)), 128);
    // Nothing of the hand above or beside the tip.
    for (int y = 0; y < ids::kCursorButtonHotY; ++y) {
        for (int x = 0; x < cursor.width(); ++x) {
            EXPECT_LT(qAlpha(cursor.pixel(x, y)), 128) << x << "," << y;
        }
    }
    for (int x = 0; x < ids::kCursorButtonHotX - 3; ++x) {
        EXPECT_LT(qAlpha(cursor.pixel(x, ids::kCursorButtonHotY + 1)), 128) << x;
    }
}

TEST(AppIconTest, EverySizeIsDrawnAndRoundedOff) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QImage icon(QStringLiteral(":/art/icons/%1.png").arg(size));
        ASSERT_EQ(icon.size(), QSize(size, size));
        ASSERT_TRUE(icon.hasAlphaChannel());
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255);
        EXPECT_LT(qAlpha(icon.pixel(0, 0)), 128);
    }
    const QList<QSize> sizes = AppIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(256, 256)));
}

}  // namespace
}  // namespace tavelin
