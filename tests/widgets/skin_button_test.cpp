#include "widgets/SkinButton.h"

#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "resources/ResourceIds.h"
#include "tests/support/QtApp.h"

namespace tavelin {
namespace {

class SkinButtonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::QtApp(); }

    CSkinButton* Make(CSkinButton::Kind kind, int x = 0) {
        auto* b = new CSkinButton(&window_, kind);
        b->setGeometry(x, 0, 74, 21);
        b->show();
        return b;
    }
    void Show() {
        window_.resize(400, 100);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }

    QWidget window_;
};

TEST_F(SkinButtonTest, ClickChangesTheCheckByKindBeforeTheClickIsReported) {
    struct Case {
        CSkinButton::Kind kind;
        std::vector<bool> afterEachClick;
    };
    for (const Case& c :
         {Case{CSkinButton::Push, {false, false}}, Case{CSkinButton::CheckBox, {true, false}},
          Case{CSkinButton::Radio, {true, true}}}) {
        CSkinButton* b = Make(c.kind);
        Show();
        std::vector<bool> seenByHandler;
        QObject::connect(b, &QAbstractButton::clicked,
                         [&] { seenByHandler.push_back(b->GetCheck()); });
        for (std::size_t i = 0; i < c.afterEachClick.size(); ++i) {
            QTest::mouseClick(b, Qt::LeftButton);
        }
        EXPECT_EQ(seenByHandler, c.afterEachClick) << c.kind;
        delete b;
    }
}

TEST_F(SkinButtonTest, PushButtonCannotBeChecked) {
    CSkinButton* b = Make(CSkinButton::Push);
    b->SetCheck(true);
    EXPECT_FALSE(b->GetCheck());
}

TEST_F(SkinButtonTest, ReleaseOutsideTheButtonNeitherChecksNorClicks) {
    CSkinButton* b = Make(CSkinButton::CheckBox);
    Show();
    QSignalSpy clicks(b, &QAbstractButton::clicked);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(b, QPoint(200, 50));
    EXPECT_FALSE(b->isDown()) << "the pressed face follows the pointer out";
    QTest::mouseMove(b, QPoint(10, 10));
    EXPECT_TRUE(b->isDown()) << "and back in";
    QTest::mouseMove(b, QPoint(200, 50));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(200, 50));
    EXPECT_FALSE(b->GetCheck());
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(SkinButtonTest, DoubleClickCountsAsASecondPress) {
    CSkinButton* b = Make(CSkinButton::CheckBox);
    Show();
    QSignalSpy clicks(b, &QAbstractButton::clicked);
    // What the window system delivers for a double click: press, release, double
    // click, release.
    const QPointF at(10, 10);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent event(type, at, b->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(b, &event);
    }
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_FALSE(b->GetCheck()) << "toggled twice";
}

TEST_F(SkinButtonTest, SpaceTogglesOnEveryKeyDownAndClicksOnKeyUp) {
    CSkinButton* b = Make(CSkinButton::CheckBox);
    Show();
    b->setFocus();
    QSignalSpy clicks(b, &QAbstractButton::clicked);
    QTest::keyPress(b, Qt::Key_Space);
    EXPECT_TRUE(b->GetCheck());
    EXPECT_EQ(clicks.count(), 0);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(b, &repeat);
    EXPECT_FALSE(b->GetCheck()) << "a held space bar toggles on every repeated key-down";
    EXPECT_EQ(clicks.count(), 0);
    QTest::keyRelease(b, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(SkinButtonTest, CheckedRadioClearsItsGroupMates) {
    std::vector<CSkinButton*> group{Make(CSkinButton::Radio, 0), Make(CSkinButton::Radio, 80),
                                    Make(CSkinButton::Radio, 160)};
    CSkinButton* outsider = Make(CSkinButton::Radio, 240);
    for (CSkinButton* b : group)
        b->SetGroup(&group);
    Show();
    group[0]->SetCheck(true);
    outsider->SetCheck(true);
    QApplication::processEvents();

    QTest::mouseClick(group[2], Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(group[0]->GetCheck());
    EXPECT_FALSE(group[1]->GetCheck());
    EXPECT_TRUE(group[2]->GetCheck());
    EXPECT_TRUE(outsider->GetCheck()) << "only the group is cleared";

    // Checking an already checked radio clears the group again.
    group[1]->SetCheck(true);
    QApplication::processEvents();
    group[1]->ClearCheck();
    group[0]->SetCheck(true);
    group[0]->SetCheck(true);
    QApplication::processEvents();
    EXPECT_TRUE(group[0]->GetCheck());
    EXPECT_FALSE(group[2]->GetCheck());
}

TEST_F(SkinButtonTest, MaskGivesOutlineAndSizeAndNoMaskKeepsThem) {
    CSkinButton* b = Make(CSkinButton::Push);
    b->SetSkin(ids::kBitmapClose, ids::kBitmapClose, 0, 0, 0, ids::kBitmapCloseMask);
    EXPECT_EQ(b->size(), QSize(14, 14));
    const QRegion outline = b->mask();
    EXPECT_TRUE(outline.contains(QPoint(7, 7)));
    EXPECT_FALSE(outline.contains(QPoint(0, 0))) << "a round button leaves its corners out";

    b->SetSkin(ids::kBitmapAbout, ids::kBitmapAboutDown, 0, 0, 0, 0);
    EXPECT_EQ(b->size(), QSize(14, 14));
    EXPECT_EQ(b->mask(), outline);

    b->SetSkin(ids::kBitmapAbout, ids::kBitmapAboutDown, 0, 0, 0, ids::kBitmapMaskFace);
    EXPECT_EQ(b->size(), QSize(74, 21));
    EXPECT_EQ(b->mask(), QRegion(0, 0, 74, 21));
}

TEST_F(SkinButtonTest, FacesFollowStateAndCheck) {
    CSkinButton* b = Make(CSkinButton::CheckBox);
    b->SetSkin(ids::kBitmapMonitor, ids::kBitmapMonitorDown, 0, 0, 0, ids::kBitmapMaskFace);
    Show();
    const QImage normal = b->grab().toImage();
    b->SetCheck(true);
    const QImage checked = b->grab().toImage();
    EXPECT_NE(normal, checked);
    b->SetCheck(false);
    b->setEnabled(false);
    EXPECT_EQ(b->grab().toImage(), normal) << "no disabled picture: the normal one is used";
}

}  // namespace
}  // namespace tavelin
