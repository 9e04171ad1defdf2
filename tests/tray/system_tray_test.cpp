#include "tray/SystemTray.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "core/Messages.h"
#include "resources/ResourceIds.h"
#include "tests/support/QtApp.h"
#include "tray/TrayMinimiser.h"
#include "tray/TrayState.h"

namespace tavelin {
namespace {

using Action = CTrayState::Action;

// ---------------------------------------------------------------------------------------
// The rules, without any window.

enum class Event { Minimize, Show, Exit, DoubleClick, TrayLost, TrayGone, TrayBack, Other };

struct Step {
    Event event;
    Action expected;  // ignored for TrayGone / TrayBack
    bool inTray;
};

struct Sequence {
    const char* name;
    bool trayAtStart;
    std::vector<Step> steps;
};

class TrayStateTest : public ::testing::TestWithParam<Sequence> {};

TEST_P(TrayStateTest, FollowsTheSequence) {
    const Sequence& seq = GetParam();
    bool available = seq.trayAtStart;
    CTrayState state([&available] { return available; });
    EXPECT_FALSE(state.inTray());
    for (std::size_t i = 0; i < seq.steps.size(); ++i) {
        const Step& step = seq.steps[i];
        Action action = Action::None;
        switch (step.event) {
            case Event::Minimize:
                action = state.OnMinimize();
                break;
            case Event::Show:
                action = state.OnCommand(ids::kTrayShow);
                break;
            case Event::Exit:
                action = state.OnCommand(ids::kTrayExit);
                break;
            case Event::DoubleClick:
                action = state.OnDoubleClick();
                break;
            case Event::TrayLost:
                action = state.OnTrayLost();
                break;
            case Event::Other:
                action = state.OnCommand(1054);
                break;
            case Event::TrayGone:
                available = false;
                continue;
            case Event::TrayBack:
                available = true;
                continue;
        }
        EXPECT_EQ(action, step.expected) << "step " << i;
        EXPECT_EQ(state.inTray(), step.inTray) << "step " << i;
        // "Show" is offered exactly while the window is in the tray.
        EXPECT_EQ(state.showEnabled(), step.inTray) << "step " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, TrayStateTest,
    ::testing::Values(Sequence{"IntoTrayAndBackByShow",
                               true,
                               {{Event::Minimize, Action::HideIntoTray, true},
                                {Event::Minimize, Action::None, true},
                                {Event::Show, Action::Restore, false},
                                {Event::Minimize, Action::HideIntoTray, true}}},
                      Sequence{"DoubleClickRestoresOnlyFromTheTray",
                               true,
                               {{Event::DoubleClick, Action::None, false},
                                {Event::Minimize, Action::HideIntoTray, true},
                                {Event::DoubleClick, Action::Restore, false},
                                {Event::DoubleClick, Action::None, false}}},
                      Sequence{"ExitEndsFromEitherState",
                               true,
                               {{Event::Exit, Action::Exit, false},
                                {Event::Minimize, Action::HideIntoTray, true},
                                {Event::Exit, Action::Exit, true},
                                {Event::Other, Action::None, true}}},
                      Sequence{"WithoutTrayMinimiseNormallyAndNeverOfferShow",
                               false,
                               {{Event::Minimize, Action::MinimiseNormally, false},
                                {Event::Minimize, Action::MinimiseNormally, false},
                                {Event::DoubleClick, Action::None, false},
                                {Event::TrayBack, Action::None, false},
                                {Event::Minimize, Action::HideIntoTray, true}}},
                      Sequence{"TrayGoneBeforeMinimize",
                               true,
                               {{Event::TrayGone, Action::None, false},
                                {Event::Minimize, Action::MinimiseNormally, false}}},
                      Sequence{"TrayLostWhileInItBringsTheWindowBack",
                               true,
                               {{Event::TrayLost, Action::None, false},
                                {Event::Minimize, Action::HideIntoTray, true},
                                {Event::TrayLost, Action::MinimiseNormally, false},
                                {Event::DoubleClick, Action::None, false}}}),
    [](const ::testing::TestParamInfo<Sequence>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// CSystemTray with a fake tray availability.

struct RecordingTarget : ITrayTarget {
    void OnTrayCommand(int commandId) override { commands.push_back(commandId); }
    void OnTrayDoubleClick(int defaultCommandId) override {
        doubleClicks.push_back(defaultCommandId);
    }
    std::vector<int> commands;
    std::vector<int> doubleClicks;
};

QIcon TestIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::darkCyan);
    return QIcon(pixmap);
}

class SystemTrayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::QtApp(); }

    bool available_ = true;
    RecordingTarget target_;
    std::unique_ptr<CSystemTray> tray_ =
        std::make_unique<CSystemTray>([this] { return available_; });
};

TEST_F(SystemTrayTest, CreateShowsTheIconWithItsMenu) {
    ASSERT_TRUE(tray_->Create(&target_, QString::fromLatin1(msg::kCaption), TestIcon(), false));
    EXPECT_FALSE(tray_->hidden() || tray_->removed() || tray_->showPending() || tray_->polling());
    EXPECT_TRUE(tray_->trayIcon()->isVisible());
    EXPECT_EQ(tray_->trayIcon()->toolTip(), QStringLiteral("Tavelin Video Center"));
    EXPECT_EQ(tray_->trayIcon()->contextMenu(), tray_->menu());
    QStringList entries;
    for (const QAction* action : tray_->menu()->actions()) {
        entries << action->text() + QString::number(action->data().toInt());
    }
    EXPECT_EQ(entries, QStringList({"Show32771", "Exit32772"}));
}

TEST_F(SystemTrayTest, FailedAddStaysPendingUntilTheTrayComesBack) {
    available_ = false;
    EXPECT_FALSE(tray_->Create(&target_, QString(), TestIcon(), false));
    EXPECT_TRUE(tray_->showPending());
    EXPECT_TRUE(tray_->hidden());
    EXPECT_TRUE(tray_->removed());
    EXPECT_FALSE(tray_->trayIcon()->isVisible());
    EXPECT_TRUE(tray_->polling());

    tray_->PollTray();  // still no tray
    EXPECT_TRUE(tray_->showPending());

    available_ = true;
    tray_->PollTray();
    EXPECT_FALSE(tray_->showPending());
    EXPECT_FALSE(tray_->hidden());
    EXPECT_FALSE(tray_->removed());
    EXPECT_TRUE(tray_->trayIcon()->isVisible());
    EXPECT_FALSE(tray_->polling());
}

TEST_F(SystemTrayTest, AnIconTakenAwayOnPurposeIsNotAddedAgain) {
    struct Case {
        const char* name;
        bool trayAtCreate;
        bool startHidden;
        bool hideWithRemoveIcon;  // otherwise HideIcon
    };
    for (const Case& c : {Case{"started hidden", true, true, false},
                          Case{"hidden after showing", true, false, false},
                          Case{"removed after showing", true, false, true},
                          Case{"pending, then removed", false, false, true}}) {
        SCOPED_TRACE(c.name);
        available_ = c.trayAtCreate;
        tray_ = std::make_unique<CSystemTray>([this] { return available_; });
        EXPECT_EQ(tray_->Create(&target_, QString(), TestIcon(), c.startHidden),
                  c.startHidden || c.trayAtCreate);
        if (!c.startHidden) {
            EXPECT_TRUE(c.hideWithRemoveIcon ? tray_->RemoveIcon() : tray_->HideIcon());
        }
        EXPECT_TRUE(tray_->hidden());
        EXPECT_FALSE(tray_->showPending());
        EXPECT_FALSE(tray_->polling());

        available_ = true;
        tray_->AddIconAgain();
        EXPECT_TRUE(tray_->hidden());
        EXPECT_FALSE(tray_->trayIcon()->isVisible());
    }
}

TEST_F(SystemTrayTest, TooltipIsCutToSixtyThreeBytesOnACharacterBoundary) {
    const QString e = QString::fromUtf8("\xC3\xA9");             // 2 bytes
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E");  // 4 bytes
    struct Case {
        QString tip;
        QString expected;
    };
    const std::vector<Case> cases = {
        {QString(), QString()},
        {QString(63, 'a'), QString(63, 'a')},
        {QString(64, 'a'), QString(63, 'a')},
        {QString(61, 'a') + e, QString(61, 'a') + e},  // exactly 63 bytes
        {QString(62, 'a') + e, QString(62, 'a')},      // é would straddle the limit
        {QString(59, 'a') + clef + "z", QString(59, 'a') + clef},
    };
    for (const Case& c : cases) {
        const QString cut = CSystemTray::CutTip(c.tip);
        EXPECT_EQ(cut, c.expected) << c.tip.size();
        EXPECT_LE(cut.toUtf8().size(), CSystemTray::kMaxTipBytes - 1);
    }
    ASSERT_TRUE(tray_->Create(&target_, QString(70, 'x'), TestIcon(), false));
    EXPECT_EQ(tray_->trayIcon()->toolTip(), QString(63, 'x'));
}

TEST_F(SystemTrayTest, DefaultItemDecidesBoldEntryAndDoubleClickCommand) {
    struct Case {
        int item;
        bool byPosition;
        int expectedCommand;  // 0: no default entry
    };
    ASSERT_TRUE(tray_->Create(&target_, QString(), TestIcon(), false));
    const std::vector<Case> cases = {
        {0, true, ids::kTrayShow},
        {1, true, ids::kTrayExit},
        {7, true, 0},
        {0, false, 0},
        {ids::kTrayExit, false, ids::kTrayExit},
        {ids::kTrayShow, false, ids::kTrayShow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.item << (c.byPosition ? " by position" : ""));
        EXPECT_TRUE(tray_->SetMenuDefaultItem(c.item, c.byPosition));
        const QAction* bold = tray_->menu()->defaultAction();
        EXPECT_EQ(bold ? bold->data().toInt() : 0, c.expectedCommand);
        target_.doubleClicks.clear();
        EXPECT_TRUE(tray_->OnTrayNotification(QSystemTrayIcon::DoubleClick));
        EXPECT_EQ(target_.doubleClicks, std::vector<int>{c.expectedCommand});
    }
    EXPECT_TRUE(target_.commands.empty());
}

TEST_F(SystemTrayTest, MenuCommandReachesTheTargetAfterTheMenuCloses) {
    ASSERT_TRUE(tray_->Create(&target_, QString(), TestIcon(), false));
    tray_->MenuAction(ids::kTrayExit)->trigger();
    EXPECT_TRUE(target_.commands.empty());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(target_.commands, std::vector<int>{ids::kTrayExit});

    // A tray destroyed before the command is delivered delivers nothing.
    tray_->MenuAction(ids::kTrayShow)->trigger();
    tray_.reset();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(target_.commands, std::vector<int>{ids::kTrayExit});
}

// ---------------------------------------------------------------------------------------
// Windows going into the tray and coming back.

class TrayMinimiserTest : public SystemTrayTest {
protected:
    void SetUp() override {
        window_.setGeometry(120, 90, 300, 200);
        preview_.setGeometry(480, 90, 320, 240);
        window_.show();
        preview_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview_));
        windowPos_ = window_.pos();
        previewPos_ = preview_.pos();
    }

    void Build() {
        tray_->Create(nullptr, QStringLiteral("Tavelin Video Center"), TestIcon(), false);
        minimiser_ = std::make_unique<CTrayMinimiser>(
            *tray_, &window_, [this] { return std::vector<QWidget*>{&preview_}; },
            [this] { ++exits_; });
    }
    bool ShowEnabled() const { return tray_->MenuAction(ids::kTrayShow)->isEnabled(); }
    void ExpectBackInPlace() {
        EXPECT_FALSE(minimiser_->inTray());
        EXPECT_TRUE(window_.isVisible());
        EXPECT_TRUE(preview_.isVisible());
        EXPECT_EQ(window_.pos(), windowPos_);
        EXPECT_EQ(preview_.pos(), previewPos_);
        EXPECT_FALSE(ShowEnabled());
        EXPECT_FALSE(tray_->polling());
    }

    QWidget window_;
    QWidget preview_;
    QPoint windowPos_;
    QPoint previewPos_;
    int exits_ = 0;
    std::unique_ptr<CTrayMinimiser> minimiser_;
};

TEST_F(TrayMinimiserTest, MinimizeHidesBothWindowsAndEveryWayBackRestoresThem) {
    Build();
    EXPECT_EQ(tray_->GetTargetWnd(), minimiser_.get());
    EXPECT_FALSE(ShowEnabled());

    enum class Way { ShowCommand, DoubleClick };
    for (Way way : {Way::ShowCommand, Way::DoubleClick}) {
        minimiser_->Minimize();
        EXPECT_TRUE(minimiser_->inTray());
        EXPECT_FALSE(window_.isVisible());
        EXPECT_FALSE(preview_.isVisible());
        EXPECT_TRUE(ShowEnabled());
        EXPECT_TRUE(tray_->polling());  // watching for the tray to vanish

        // Moved while hidden (as a recording start may resize things): the old place wins.
        preview_.move(10, 10);
        if (way == Way::ShowCommand) {
            tray_->MenuAction(ids::kTrayShow)->trigger();
            QCoreApplication::sendPostedEvents();
        } else {
            EXPECT_TRUE(tray_->OnTrayNotification(QSystemTrayIcon::DoubleClick));
        }
        ExpectBackInPlace();
    }
    EXPECT_EQ(exits_, 0);
}

TEST_F(TrayMinimiserTest, TrayOutlivingTheMinimiserNoLongerCallsIt) {
    Build();
    minimiser_.reset();
    EXPECT_EQ(tray_->GetTargetWnd(), nullptr);
    EXPECT_FALSE(tray_->OnTrayNotification(QSystemTrayIcon::DoubleClick));
}

TEST_F(TrayMinimiserTest, CompanionHiddenBeforehandStaysHidden) {
    Build();
    preview_.hide();
    minimiser_->Minimize();
    minimiser_->OnTrayCommand(ids::kTrayShow);
    EXPECT_TRUE(window_.isVisible());
    EXPECT_FALSE(preview_.isVisible());
}

TEST_F(TrayMinimiserTest, ExitFromTheTrayGoesToTheCloseHandlerOnce) {
    Build();
    minimiser_->Minimize();
    tray_->MenuAction(ids::kTrayExit)->trigger();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(exits_, 1);
    EXPECT_FALSE(window_.isVisible());  // the close handler tears down; nothing reappears
}

TEST_F(TrayMinimiserTest, MinimizeHidesOnlyBehindAnIconThatIsInATray) {
    struct Case {
        const char* name;
        bool trayAtCreate;
        bool iconHiddenOnPurpose;
        bool trayAtMinimize;
        bool intoTray;
    };
    for (const Case& c : {Case{"no tray", false, false, false, false},
                          Case{"icon hidden on purpose", true, true, true, false},
                          Case{"pending icon, tray back", false, false, true, true}}) {
        SCOPED_TRACE(c.name);
        window_.showNormal();
        available_ = c.trayAtCreate;
        tray_ = std::make_unique<CSystemTray>([this] { return available_; });
        Build();
        if (c.iconHiddenOnPurpose)
            tray_->HideIcon();
        available_ = c.trayAtMinimize;
        minimiser_->Minimize();
        EXPECT_EQ(minimiser_->inTray(), c.intoTray);
        EXPECT_EQ(ShowEnabled(), c.intoTray);
        EXPECT_EQ(IsHiddenInTray(&window_), c.intoTray);
        // Otherwise minimised the ordinary way with the preview, where the task list
        // still shows them.
        EXPECT_EQ(preview_.isVisible() && preview_.isMinimized(), !c.intoTray);
        EXPECT_EQ(window_.isVisible() && window_.isMinimized(), !c.intoTray);
        EXPECT_TRUE(tray_->trayIcon()->isVisible() || !c.intoTray);
        minimiser_->OnTrayCommand(ids::kTrayShow);
        preview_.showNormal();
    }
}

// Without a tray both windows are minimised together, and whichever one the desktop
// brings back brings the other: a desktop without a task bar may show only one of them.
TEST_F(TrayMinimiserTest, WithoutATrayBothWindowsGoAndComeBackTogether) {
    available_ = false;
    tray_ = std::make_unique<CSystemTray>([this] { return available_; });
    Build();
    for (QWidget* broughtBack : {static_cast<QWidget*>(&preview_), &window_, &preview_}) {
        minimiser_->Minimize();
        ASSERT_TRUE(window_.isMinimized());
        ASSERT_TRUE(preview_.isMinimized());
        broughtBack->showNormal();
        EXPECT_FALSE(window_.isMinimized());
        EXPECT_FALSE(preview_.isMinimized());
        EXPECT_TRUE(window_.isVisible() && preview_.isVisible());
    }
    // Minimised on its own (its own title bar), the preview leaves the window alone.
    preview_.showMinimized();
    EXPECT_FALSE(window_.isMinimized());
    preview_.showNormal();
    EXPECT_FALSE(window_.isMinimized());
    EXPECT_EQ(exits_, 0);
}

TEST_F(TrayMinimiserTest, TrayVanishingWhileHiddenBringsTheWindowsBackMinimised) {
    Build();
    minimiser_->Minimize();
    ASSERT_FALSE(window_.isVisible());
    available_ = false;
    tray_->PollTray();
    EXPECT_FALSE(minimiser_->inTray());
    EXPECT_TRUE(window_.isVisible());
    EXPECT_TRUE(window_.isMinimized());
    EXPECT_TRUE(preview_.isVisible());
    EXPECT_TRUE(preview_.isMinimized());
    EXPECT_EQ(window_.pos(), windowPos_);
    EXPECT_FALSE(ShowEnabled());
    EXPECT_FALSE(tray_->polling());
}

// The desktop's real answer, whatever it is on this machine: the window must end up
// either in a tray that exists or minimised where the task list shows it.
TEST_F(TrayMinimiserTest, RealTrayAvailabilityNeverLosesTheWindow) {
    tray_ = std::make_unique<CSystemTray>();
    const bool real = QSystemTrayIcon::isSystemTrayAvailable();
    EXPECT_EQ(tray_->IsTrayAvailable(), real);
    EXPECT_EQ(tray_->Create(nullptr, QStringLiteral("x"), TestIcon(), false), real);
    minimiser_ = std::make_unique<CTrayMinimiser>(
        *tray_, &window_, [this] { return std::vector<QWidget*>{&preview_}; }, [] {});
    minimiser_->Minimize();
    if (real) {
        EXPECT_TRUE(minimiser_->inTray());
        EXPECT_TRUE(tray_->trayIcon()->isVisible());
    } else {
        EXPECT_TRUE(window_.isVisible());
        EXPECT_TRUE(window_.isMinimized());
    }
}

}  // namespace
}  // namespace tavelin
