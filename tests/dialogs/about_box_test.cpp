#include "dialogs/AboutBox.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "dialogs/AboutClickCounter.h"
#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "resources/Resources.h"
#include "tests/support/QtApp.h"
#include "widgets/HoverButton.h"

namespace tavelin {
namespace {

using Effect = CAboutClickCounter::Effect;

// ---------------------------------------------------------------------------------------
// The counter alone. Steps: L = left release, P = right press, R = right release.
// Effects: '.' none, 'S' picture shown, 'E' picture erased.

struct ClickCase {
    const char* clicks;
    std::vector<int> values;  // the counter after each step
    const char* effects;
};

class AboutClickCounterTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(AboutClickCounterTest, FollowsTheSequence) {
    const ClickCase& c = GetParam();
    ASSERT_EQ(std::string(c.clicks).size(), c.values.size());
    CAboutClickCounter counter;
    EXPECT_EQ(counter.value(), 0);
    std::string effects;
    std::vector<int> values;
    for (const char* step = c.clicks; *step; ++step) {
        Effect effect = Effect::None;
        if (*step == 'L')
            counter.OnLeftRelease();
        if (*step == 'P')
            effect = counter.OnRightPress();
        if (*step == 'R')
            effect = counter.OnRightRelease();
        effects += effect == Effect::ShowPicture ? 'S' : effect == Effect::ErasePicture ? 'E' : '.';
        values.push_back(counter.value());
        // The picture is up exactly between its show and its erase.
        EXPECT_EQ(counter.pictureShown(),
                  effects.rfind('S') != std::string::npos &&
                      effects.find('E', effects.rfind('S')) == std::string::npos);
    }
    EXPECT_EQ(values, c.values);
    EXPECT_EQ(effects, c.effects);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, AboutClickCounterTest,
    ::testing::Values(
        ClickCase{"LLLLPR", {1, 2, 3, 4, 6, 10}, "....SE"},
        // Once per opening: the same clicks again do nothing.
        ClickCase{"LLLLPRLLLLPR", {1, 2, 3, 4, 6, 10, 10, 10, 10, 10, 10, 10}, "....SE......"},
        // A right click before the fourth left click spends the counter.
        ClickCase{"PRLLLLPR", {0, 10, 10, 10, 10, 10, 10, 10}, "........"},
        ClickCase{"LLLPRLPR", {1, 2, 3, 3, 10, 10, 10, 10}, "........"},
        // A fifth left click goes past the one count that arms the picture.
        ClickCase{"LLLLLPR", {1, 2, 3, 4, 5, 5, 10}, "......."},
        ClickCase{"LLLLLLLP", {1, 2, 3, 4, 5, 6, 10, 10}, "........"},
        // A left click while the picture is up spends the counter; the release still
        // takes the picture away.
        ClickCase{"LLLLPLR", {1, 2, 3, 4, 6, 10, 10}, "....S.E"},
        ClickCase{"LLLLPLLR", {1, 2, 3, 4, 6, 10, 10, 10}, "....S..E"},
        // A second press while armed-and-showing is not at 4 any more.
        ClickCase{"LLLLPPR", {1, 2, 3, 4, 6, 6, 10}, "....S.E"}, ClickCase{"R", {10}, "."}),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return std::string(info.param.clicks); });

// ---------------------------------------------------------------------------------------
// The dialog.

class AboutBoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testing::QtApp();
        InitResources();
    }
    void SetUp() override {
        box_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box_));
    }
    QImage Corner() {
        return box_.grab(QRect(0, 0, CAboutBox::kPictureWidth, CAboutBox::kPictureHeight))
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    // A point of the box's own background, clear of every control.
    static QPoint Empty() { return {5, 125}; }

    CAboutBox box_;
};

TEST_F(AboutBoxTest, ShowsTheUnscrambledLine) {
    const QString line = box_.runTimeLabelText();
    EXPECT_EQ(line, CAboutBox::RunTimeText());
    ASSERT_EQ(line.size(), 23);
    for (QChar ch : line)
        EXPECT_TRUE(ch.unicode() >= 0x20 && ch.unicode() < 0x7F) << int(ch.unicode());
    // Kept scrambled: the plain text is not what is stored.
    const std::string stored(std::begin(CAboutBox::kStoredText), std::end(CAboutBox::kStoredText));
    EXPECT_NE(QString::fromLatin1(stored.data(), static_cast<qsizetype>(stored.size())), line);
}

TEST_F(AboutBoxTest, OkButtonIsAHoverButtonThatAccepts) {
    ASSERT_NE(box_.okButton(), nullptr);
    EXPECT_EQ(box_.okButton()->text(), QStringLiteral("OK"));
    QTimer::singleShot(0, &box_, [this] { QTest::mouseClick(box_.okButton(), Qt::LeftButton); });
    QTimer::singleShot(60000, &box_, [this] { box_.done(99); });
    EXPECT_EQ(box_.exec(), QDialog::Accepted);
}

TEST_F(AboutBoxTest, FourLeftClicksAndAHeldRightButtonShowThePictureUntilRelease) {
    const QImage picture = LoadPicture(ids::kBitmapAboutHidden);
    ASSERT_EQ(picture.size(), QSize(160, 120));
    const QImage before = Corner();
    ASSERT_NE(before, picture);

    // Clicks on a plain label reach the box like clicks on its background.
    QLabel* line = box_.findChild<QLabel*>(QStringLiteral("runTimeText"));
    ASSERT_NE(line, nullptr);
    QTest::mouseClick(line, Qt::LeftButton);
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(&box_, Qt::LeftButton, {}, Empty());
    EXPECT_EQ(box_.clickCounter(), 4);

    QTest::mousePress(&box_, Qt::RightButton, {}, Empty());
    EXPECT_TRUE(box_.pictureShown());
    EXPECT_EQ(Corner(), picture);

    QTest::mouseRelease(&box_, Qt::RightButton, {}, Empty());
    EXPECT_FALSE(box_.pictureShown());
    EXPECT_EQ(Corner(), before);
    EXPECT_EQ(box_.clickCounter(), 10);
}

TEST_F(AboutBoxTest, ClicksThatDoNotCountLeaveThePictureHidden) {
    // The OK button takes its own clicks, and a release dragged out of the box is no
    // click in it: four of these plus the right button show nothing.
    QTest::mouseClick(box_.okButton(), Qt::LeftButton);
    ASSERT_EQ(box_.result(), QDialog::Accepted);
    box_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box_));
    QTest::mousePress(&box_, Qt::LeftButton, {}, Empty());
    QTest::mouseRelease(&box_, Qt::LeftButton, {}, QPoint(-20, 300));
    EXPECT_EQ(box_.clickCounter(), 0);

    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(&box_, Qt::LeftButton, {}, Empty());
    QTest::mousePress(&box_, Qt::RightButton, {}, Empty());
    EXPECT_FALSE(box_.pictureShown());
    QTest::mouseRelease(&box_, Qt::RightButton, {}, Empty());
    EXPECT_EQ(box_.clickCounter(), 10);
}

}  // namespace
}  // namespace tavelin
