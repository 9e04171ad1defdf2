// The Alerts dialog: what OK keeps of the fields, or which field it refuses and why; the
// stored password kept, replaced or forgotten without ever being shown; and Test, which
// hands over the fields as they are and shows the last test's answer whenever, and from
// whatever thread, it comes.

#include "dialogs/AlertsDlg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryFile>
#include <QTest>
#include <functional>
#include <thread>

#include "tests/support/DialogDriver.h"
#include "tests/support/FakeFileChooser.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/QtApp.h"

namespace tavelin {
namespace {

using testing::Child;
using testing::Click;

class AlertsDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::QtApp(); }
    void SetUp() override {
        stored_.events.onMotionStart = "notify-send %e";
        stored_.mqtt.host = "broker.lan";
        stored_.mqtt.user = "cam";
        stored_.mqtt.password = "old";
    }
    void Open() {
        notices_.shown.clear();
        dlg_ = std::make_unique<CAlertsDlg>(
            nullptr, stored_, notices_, files_,
            [this](const AlertSettings& settings, CAlertsDlg::TestAnswer answer) {
                tried_.push_back(settings);
                answers_.push_back(std::move(answer));
            },
            // Stands for the command line splitter.
            [](const std::string& line, std::string& why) {
                if (line.front() != '!')
                    return true;
                why = "it starts with !";
                return false;
            });
        dlg_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
    }
    QLineEdit* Field(const char* name) const { return Child<QLineEdit>(*dlg_, name); }
    QString Result() const { return Child<QLabel>(*dlg_, "testResult")->text(); }

    testing::FakeNotices notices_;
    testing::FakeFileChooser files_;
    AlertSettings stored_;  // what the dialog opens on
    std::unique_ptr<CAlertsDlg> dlg_;
    std::vector<AlertSettings> tried_;
    std::vector<CAlertsDlg::TestAnswer> answers_;
};

TEST_F(AlertsDlgTest, OkKeepsTheFieldsOrRefusesTheFirstBadOne) {
    struct Case {
        const char* field;
        std::string text;
        std::function<void(AlertSettings&)> kept;  // null: refused
        std::string refusal = {};                  // how what the user is told starts
    };
    const std::string quiet = "\"At most one of a kind within\" must be a whole number";
    const std::string port = "The broker's port must be a whole number from 1 to 65535.";
    const std::string topic = "The topic must not hold + or #, and have at most 200 bytes.";
    for (const Case& c : {
             Case{"quietEdit", " 0 ", [](AlertSettings& a) { a.notifications.quietSeconds = 0; }},
             Case{"quietEdit", "86400",
                  [](AlertSettings& a) { a.notifications.quietSeconds = 86400; }},
             Case{"quietEdit", "86401", nullptr, quiet},
             Case{"quietEdit", "soon", nullptr, quiet},
             Case{"portEdit", "8883", [](AlertSettings& a) { a.mqtt.port = 8883; }},
             Case{"portEdit", "0", nullptr, port},
             Case{"portEdit", "65536", nullptr, port},
             Case{"portEdit", "", nullptr, port},
             Case{"hostEdit", " mqtt.lan ", [](AlertSettings& a) { a.mqtt.host = "mqtt.lan"; }},
             Case{"hostEdit", "", [](AlertSettings& a) { a.mqtt.host.clear(); }},
             Case{"hostEdit", "my broker", nullptr, "The broker's host must be a name"},
             Case{"topicEdit", "home/cam 1", [](AlertSettings& a) { a.mqtt.topic = "home/cam 1"; }},
             Case{"topicEdit", "home/#", nullptr, topic},
             Case{"topicEdit", "home/+/cam", nullptr, topic},
             Case{"topicEdit", std::string(201, 't'), nullptr, topic},
             Case{"caFileEdit", "/nowhere/ca.pem", nullptr, "The CA file /nowhere/ca.pem cannot"},
             Case{"motionStartEdit", " logger %e at %t ",
                  [](AlertSettings& a) { a.events.onMotionStart = "logger %e at %t"; }},
             Case{"motionStartEdit", "  ", [](AlertSettings& a) { a.events.onMotionStart = ""; }},
             Case{"stillSavedEdit", std::string(4096, 'x'),
                  [](AlertSettings& a) { a.events.onStillSaved = std::string(4096, 'x'); }},
             Case{"stillSavedEdit", std::string(4097, 'x'), nullptr,
                  "The command for \"Still saved\" is longer than 4096 bytes."},
             Case{"cameraLostEdit", "!beep", nullptr,
                  "The command for \"Camera lost\" cannot be run: it starts with !"},
         }) {
        SCOPED_TRACE(std::string(c.field) + " \"" + c.text.substr(0, 20) + "\"");
        Open();
        QLineEdit* field = Field(c.field);
        ASSERT_NE(field, nullptr);
        field->setText(QString::fromStdString(c.text));
        Click(*dlg_, "okButton");
        if (c.kept) {
            AlertSettings kept = stored_;
            c.kept(kept);
            EXPECT_EQ(dlg_->result(), QDialog::Accepted);
            EXPECT_EQ(dlg_->settings(), kept);
            EXPECT_TRUE(notices_.shown.empty());
            continue;
        }
        EXPECT_EQ(dlg_->settings(), stored_);
        ASSERT_EQ(notices_.shown.size(), 1u);
        EXPECT_THAT(notices_.shown[0].first, ::testing::StartsWith(c.refusal));
        EXPECT_EQ(notices_.shown[0].second, NoticeStyle::Warning);
        EXPECT_TRUE(dlg_->isVisible());
        EXPECT_EQ(dlg_->focusWidget(), field);
        EXPECT_EQ(field->selectedText(), field->text());
    }
}

TEST_F(AlertsDlgTest, TheStoredPasswordIsNeverShownAndStaysUnlessReplacedOrForgotten) {
    struct Case {
        const char* stored;
        const char* typed;
        bool forget;
        const char* kept;
    };
    for (const Case& c : {Case{"old", "", false, "old"}, Case{"old", "", true, ""},
                          Case{"old", "new", false, "new"}, Case{"old", "new", true, "new"},
                          Case{"", "", false, ""}, Case{"", "new", false, "new"}}) {
        SCOPED_TRACE(std::string(c.stored) + "/" + c.typed + (c.forget ? " forget" : ""));
        stored_.mqtt.password = c.stored;
        Open();
        QLineEdit* password = Field("passwordEdit");
        auto* forget = Child<QCheckBox>(*dlg_, "forgetBox");
        EXPECT_TRUE(password->text().isEmpty());
        EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        EXPECT_EQ(password->placeholderText(),
                  *c.stored != '\0' ? QStringLiteral("(stored)") : QString());
        EXPECT_EQ(forget->isEnabled(), *c.stored != '\0');
        if (c.forget) {
            Click(*dlg_, "forgetBox");
            EXPECT_TRUE(password->placeholderText().isEmpty());
        }
        testing::Type(password, QString::fromLatin1(c.typed));
        Click(*dlg_, "okButton");
        ASSERT_EQ(dlg_->result(), QDialog::Accepted);
        EXPECT_EQ(dlg_->settings().mqtt.password, c.kept);
    }
}

TEST_F(AlertsDlgTest, TestTriesTheFieldsAsTheyAreAndShowsTheLastAnswerWhenItComes) {
    QTemporaryFile ca;
    ASSERT_TRUE(ca.open());
    Open();
    files_.answer = ca.fileName();
    Click(*dlg_, "browseButton");
    ASSERT_EQ(files_.asked.size(), 1u);
    EXPECT_TRUE(files_.asked[0].defaultSuffix.isEmpty()) << "an open-file question";
    EXPECT_EQ(Field("caFileEdit")->text(), ca.fileName());
    testing::Type(Field("portEdit"), QStringLiteral("8883"));
    Click(*dlg_, "discoveryBox");

    Click(*dlg_, "testButton");
    ASSERT_EQ(tried_.size(), 1u);
    AlertSettings expected = stored_;
    expected.mqtt.caFile = ca.fileName().toStdString();
    expected.mqtt.port = 8883;
    expected.mqtt.discovery = false;
    EXPECT_EQ(tried_[0], expected) << "the stored password is tried too";
    EXPECT_EQ(Result(), QStringLiteral("Testing..."));

    // A second test before the first answers: only its own answer is shown.
    Click(*dlg_, "testButton");
    ASSERT_EQ(tried_.size(), 2u);
    const QString second = QStringLiteral("Connected to broker.lan:8883 <b>ok</b>");
    std::thread([&] { answers_[1](second.toStdString()); }).join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Result() == second; }, 10000));
    std::thread([&] { answers_[0]("first"); }).join();
    QCoreApplication::processEvents();
    EXPECT_EQ(Result(), second);
    EXPECT_EQ(Child<QLabel>(*dlg_, "testResult")->textFormat(), Qt::PlainText);
    EXPECT_NE(dlg_->result(), QDialog::Accepted);
    EXPECT_EQ(dlg_->settings(), stored_) << "Test keeps nothing";

    // A refused field is said and not tried.
    testing::Type(Field("topicEdit"), QStringLiteral("home/#"));
    Click(*dlg_, "testButton");
    EXPECT_EQ(tried_.size(), 2u);
    EXPECT_EQ(notices_.shown.size(), 1u);

    // An answer that comes after the dialog has gone goes nowhere.
    testing::Type(Field("topicEdit"), QStringLiteral("home"));
    Click(*dlg_, "testButton");
    ASSERT_EQ(tried_.size(), 3u);
    dlg_.reset();
    std::thread([&] { answers_[2]("late"); }).join();
    QCoreApplication::processEvents();
}

}  // namespace
}  // namespace tavelin
