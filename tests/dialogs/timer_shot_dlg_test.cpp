#include "dialogs/TimerShotDlg.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/DialogDriver.h"
#include "tests/support/FakeFileChooser.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/QtApp.h"
#include "widgets/HoverButton.h"
#include "widgets/IntervalSpinBox.h"

namespace tavelin {
namespace {

const QString kDefaultFile = QStringLiteral("/opt/tavelin/TimerCap.bmp");

class TimerShotDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::QtApp(); }

    void Open() {
        dlg_ = std::make_unique<CTimerShotDlg>(nullptr, stored_, kDefaultFile, notices_, files_);
        dlg_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
    }
    template <class T = QPushButton>
    T* Get(const char* name) const {
        T* child = testing::Child<T>(*dlg_, name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    CIntervalSpinBox* Interval() const { return Get<CIntervalSpinBox>("intervalEdit"); }
    QLineEdit* Path() const { return Get<QLineEdit>("pathEdit"); }
    void Click(const char* name) const { testing::Click(*dlg_, name); }
    void TypeInterval(const QString& text) const {
        Interval()->selectAll();
        QTest::keyClick(Interval(), Qt::Key_Backspace);
        QTest::keyClicks(Interval(), text);
    }
    bool Specified() const { return Get<QRadioButton>("specifiedPathRadio")->isChecked(); }

    testing::FakeNotices notices_;
    testing::FakeFileChooser files_;
    TimerShotSetup stored_;  // what the dialog opens on
    std::unique_ptr<CTimerShotDlg> dlg_;
};

TEST_F(TimerShotDlgTest, RecognisesTheDefaultFileWhateverItsCase) {
    struct Case {
        std::string target;
        bool specified;
        QString shown;
    };
    for (const Case& c : {Case{"", false, kDefaultFile},
                          Case{kDefaultFile.toUpper().toStdString(), false, kDefaultFile},
                          Case{"/home/u/a.bmp", true, QStringLiteral("/home/u/a.bmp")}}) {
        stored_.timedShotTarget = c.target;
        stored_.timerSeconds = 42;
        Open();
        SCOPED_TRACE(c.target);
        EXPECT_EQ(Specified(), c.specified);
        EXPECT_EQ(Get<QRadioButton>("samePathRadio")->isChecked(), !c.specified);
        EXPECT_EQ(Path()->text(), c.shown);
        EXPECT_EQ(Path()->isEnabled(), c.specified);
        EXPECT_EQ(Get("browseButton")->isEnabled(), c.specified);
        EXPECT_EQ(Interval()->text(), QStringLiteral("42"));
    }
    const auto buttons = dlg_->findChildren<QPushButton*>();
    EXPECT_EQ(buttons.size(), 2);
    for (QPushButton* b : buttons) {
        EXPECT_NE(qobject_cast<CHoverButton*>(b), nullptr) << b->objectName().toStdString();
    }
}

TEST_F(TimerShotDlgTest, OkStoresIntervalAndPathWithinOneTo3600) {
    for (int seconds : {1, 120, 3600}) {
        stored_ = TimerShotSetup();
        Open();
        TypeInterval(QString::number(seconds));
        Click("specifiedPathRadio");
        EXPECT_EQ(Path()->text(), kDefaultFile) << "the field keeps its text";
        Path()->setText(QStringLiteral("/tmp/shot.bmp"));
        Click("okButton");
        EXPECT_EQ(dlg_->result(), QDialog::Accepted);
        EXPECT_EQ(dlg_->setup().timerSeconds, seconds);
        EXPECT_EQ(dlg_->setup().timedShotTarget, "/tmp/shot.bmp");
    }
    EXPECT_TRUE(notices_.shown.empty());
}

TEST_F(TimerShotDlgTest, RefusesOtherIntervalsKeepsTheDialogOpenAndStoresNothing) {
    for (const char* typed : {"0", "3601", "99999999999999999999", ""}) {
        stored_.timerSeconds = 9;
        stored_.timedShotTarget = "/keep.bmp";
        notices_.shown.clear();
        Open();
        Path()->setText(QStringLiteral("/other.bmp"));
        TypeInterval(QString::fromLatin1(typed));
        Click("okButton");
        SCOPED_TRACE(typed);
        ASSERT_EQ(notices_.shown.size(), 1u);
        EXPECT_EQ(notices_.shown[0].first, *typed ? kIntervalOutOfRange : kIntervalNotANumber);
        EXPECT_TRUE(dlg_->isVisible());
        EXPECT_EQ(dlg_->focusWidget(), Interval());
        EXPECT_EQ(dlg_->setup().timerSeconds, 9);
        EXPECT_EQ(dlg_->setup().timedShotTarget, "/keep.bmp");
    }
    EXPECT_NE(std::string(kIntervalOutOfRange).find("between 1 and 3600"), std::string::npos);
}

TEST_F(TimerShotDlgTest, SamePathResetsThePathAndTheIntervalLastTaken) {
    stored_.timedShotTarget = "/home/u/a.bmp";
    stored_.timerSeconds = 5;
    Open();
    TypeInterval(QStringLiteral("77"));
    Click("samePathRadio");
    EXPECT_EQ(Path()->text(), kDefaultFile);
    EXPECT_FALSE(Path()->isEnabled());
    EXPECT_EQ(Interval()->text(), QStringLiteral("5"));

    TypeInterval(QStringLiteral("4000"));
    Click("okButton");  // refused, but the number was taken
    Click("samePathRadio");
    EXPECT_EQ(Interval()->text(), QStringLiteral("4000"));

    TypeInterval(QStringLiteral("8"));
    Click("okButton");
    EXPECT_EQ(dlg_->setup().timedShotTarget, kDefaultFile.toStdString());
}

TEST_F(TimerShotDlgTest, IntervalFieldTakesDigitsOnlyAndArrowsStayInRange) {
    Open();
    CIntervalSpinBox* field = Interval();
    TypeInterval(QStringLiteral("1a2-"));
    EXPECT_EQ(field->text(), QStringLiteral("12"));
    struct Case {
        const char* typed;
        Qt::Key key;
        const char* after;
    };
    for (const Case& c : {Case{"12", Qt::Key_Up, "13"}, Case{"3600", Qt::Key_Up, "3600"},
                          Case{"1", Qt::Key_Down, "1"}, Case{"9000", Qt::Key_Down, "3599"}}) {
        TypeInterval(QString::fromLatin1(c.typed));
        QTest::keyClick(field, c.key);
        EXPECT_EQ(field->text(), QString::fromLatin1(c.after)) << c.typed;
    }
    TypeInterval(QStringLiteral("0"));
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(field, &leave);
    EXPECT_EQ(field->text(), QStringLiteral("0")) << "leaving the field does not correct it";
}

TEST_F(TimerShotDlgTest, BrowseDeletesTheChosenFileAtOnceAndEscapeStoresNothing) {
    QTemporaryDir dir;
    const QString chosen = dir.filePath(QStringLiteral("mine.bmp"));
    QFile old(chosen);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();

    stored_.timedShotTarget = "/home/u/a.bmp";
    Open();
    files_.answer = chosen;
    Click("browseButton");
    ASSERT_EQ(files_.asked.size(), 1u);
    EXPECT_EQ(files_.asked[0].proposedName, QStringLiteral("TimerCap"));
    EXPECT_EQ(files_.asked[0].nameFilters, QStringList{QStringLiteral("BMP Files (*.bmp)")});
    EXPECT_FALSE(QFile::exists(chosen));
    EXPECT_EQ(Path()->text(), chosen);

    files_.answer.reset();
    Click("browseButton");
    EXPECT_EQ(Path()->text(), chosen);
    QTest::keyClick(dlg_.get(), Qt::Key_Escape);
    EXPECT_EQ(dlg_->result(), QDialog::Rejected);
    EXPECT_EQ(dlg_->setup().timedShotTarget, "/home/u/a.bmp");
}

}  // namespace
}  // namespace tavelin
