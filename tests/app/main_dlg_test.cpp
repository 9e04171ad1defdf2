#include "app/MainDlg.h"

#include <gtest/gtest.h>
#include <QTest>

#include <filesystem>
#include <fstream>

#include "app/AppPaths.h"
#include "resources/ResourceIds.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/QtApp.h"
#include "widgets/PreviewWindow.h"
#include "widgets/SkinButton.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;

// True once the preview window shows something other than black.
bool PicturePainted(const CPreviewWindow* preview) {
    if (preview == nullptr || preview->picture().isNull())
        return false;
    const QImage& p = preview->picture();
    for (int y = 0; y < p.height(); y += 7) {
        for (int x = 0; x < p.width(); x += 7) {
            if ((p.pixel(x, y) & 0xFFFFFF) != 0)
                return true;
        }
    }
    return false;
}

using testing::WaitFor;

class MainDlgTest : public testing::DataFolderTest {
protected:
    MainDlgSeams Seams() {
        MainDlgSeams seams;
        seams.notices = &notices_;
        seams.splashMs = 0;
        return seams;
    }

    testing::FakeNotices notices_;
};

TEST_F(MainDlgTest, StartsUpPaintsFramesAndChangesSize) {
    CMainDlg dialog(Seams());
    ASSERT_TRUE(dialog.OnInitDialog());
    dialog.show();
    EXPECT_TRUE(notices_.shown.empty());

    // The counter file is created holding 0, and the path names the first recording.
    std::ifstream counter(dir_ / "Pellor.inf");
    std::string content((std::istreambuf_iterator<char>(counter)),
                        std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "0");
    EXPECT_EQ(dialog.aviPathText().toStdString(), (dir_ / "Tavelin-00000.avi").string());

    // Skinned window beside the live picture.
    EXPECT_EQ(dialog.size(), QSize(360, 345));
    EXPECT_FALSE(dialog.mask().contains(QPoint(0, 0))) << "rounded corners are cut away";
    EXPECT_TRUE(dialog.mask().contains(QPoint(180, 170)));
    ASSERT_NE(dialog.previewWindow(), nullptr);
    EXPECT_TRUE(dialog.outsideDisplay());
    EXPECT_EQ(dialog.previewWindow()->size(), QSize(320, 240));
    EXPECT_TRUE(dialog.frameTimerActive());
    EXPECT_TRUE(dialog.button(ids::kSizeDefault)->GetCheck());
    ASSERT_TRUE(WaitFor([&] { return PicturePainted(dialog.previewWindow()); }));

    // A size change runs after a short pause, on the window's own timer.
    QTest::mouseClick(dialog.button(ids::kSize1600), Qt::LeftButton);
    EXPECT_EQ(dialog.tick().frameWidth(), 1600);
    ASSERT_TRUE(WaitFor([&] { return dialog.tick().enlarge() && !dialog.tick().busy(); }));
    EXPECT_EQ(dialog.capture().width(), 800);
    EXPECT_EQ(dialog.previewWindow()->size(), QSize(1600, 1200));
    EXPECT_TRUE(WaitFor([&] { return PicturePainted(dialog.previewWindow()); }));
    QApplication::processEvents();
    EXPECT_FALSE(dialog.button(ids::kSizeDefault)->GetCheck());

    QTest::mouseClick(dialog.button(ids::kSizeDefault), Qt::LeftButton);
    EXPECT_EQ(dialog.tick().frameWidth(), 320);
    ASSERT_TRUE(WaitFor([&] { return dialog.capture().width() == 320; }));
    EXPECT_FALSE(dialog.tick().enlarge());
    EXPECT_EQ(dialog.previewWindow()->size(), QSize(320, 240));
    EXPECT_TRUE(WaitFor([&] { return PicturePainted(dialog.previewWindow()); }));
    EXPECT_TRUE(notices_.shown.empty());

    dialog.CloseProgram();
    EXPECT_EQ(dialog.previewWindow(), nullptr);
    EXPECT_FALSE(dialog.frameTimerActive());
}

// Dragging the skin moves the window. Where the compositor is to move it (Wayland) but
// will not (here: the offscreen platform), the window follows the pointer all the same.
class SkinDragTest : public MainDlgTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SkinDragTest, TheWindowFollowsThePointer) {
    MainDlgSeams seams = Seams();
    seams.systemMove = GetParam();
    CMainDlg dialog(seams);
    ASSERT_TRUE(dialog.OnInitDialog());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QPoint before = dialog.pos();
    const QPoint grip(180, 12);  // the title on the skin, no control there
    ASSERT_EQ(dialog.childAt(grip), nullptr);
    QTest::mousePress(&dialog, Qt::LeftButton, {}, grip);
    QTest::mouseMove(&dialog, grip + QPoint(50, 30));
    QTest::mouseRelease(&dialog, Qt::LeftButton, {}, grip + QPoint(50, 30));
    EXPECT_EQ(dialog.pos(), before + QPoint(50, 30));
    dialog.CloseProgram();
}

INSTANTIATE_TEST_SUITE_P(MovedBy, SkinDragTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Compositor" : "Program";
                         });

// A camera chosen by name in the seams is the one the window runs on; one that is not
// there ends the start-up with the usual message.
TEST_F(MainDlgTest, TheCameraPatternChoosesTheCamera) {
    MainDlgSeams seams = Seams();
    seams.cameraPattern = "PATTERN pc";
    CMainDlg found(seams);
    ASSERT_TRUE(found.OnInitDialog());
    EXPECT_TRUE(found.capture().hasGraph());
    found.CloseProgram();

    seams.cameraPattern = "nosuchcamera";
    CMainDlg missing(seams);
    EXPECT_FALSE(missing.OnInitDialog());
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, "Not found valid video capture device!");
    EXPECT_FALSE(missing.capture().hasGraph());
}

TEST_F(MainDlgTest, WithoutCameraTheProgramEndsBeforeReadingTheCounter) {
    ::unsetenv("TAVELIN_TEST_SOURCES");
    CMainDlg dialog(Seams());
    EXPECT_FALSE(dialog.OnInitDialog());
    ASSERT_EQ(notices_.shown.size(), 1u);
    EXPECT_EQ(notices_.shown[0].first, "Not found valid video capture device!");
    EXPECT_FALSE(fs::exists(dir_ / "Pellor.inf"));
}

}  // namespace
}  // namespace tavelin
