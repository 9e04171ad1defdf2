// The "Web and RTSP" dialog: what OK keeps of the fields, or which field it refuses and
// why; the addresses it shows as the fields change; the password made or typed, kept
// only as a hash and shown once, never through the notices (they are logged); and the
// encoders offered.

#include "dialogs/WebShareDlg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QTemporaryFile>
#include <QTest>
#include <functional>

#include "core/WebPassword.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/FakeFileChooser.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/QtApp.h"
#include "tests/support/WebSettingsPrint.h"

namespace tavelin {
namespace {

using testing::Child;
using testing::Click;

const std::vector<std::string> kMachine{"192.168.1.20", "fd00::20"};
const std::vector<std::string> kEncoders{"x264enc", "openh264enc"};

class WebShareDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::QtApp(); }
    void SetUp() override {
        ASSERT_TRUE(cert_.open());
        ASSERT_TRUE(key_.open());
        web_.passwordHash = HashPassword("old password", kFewestPasswordRounds);
        ASSERT_FALSE(web_.passwordHash.empty());
    }
    void Open(const std::vector<std::string>& encoders = kEncoders) {
        notices_.shown.clear();
        dlg_ = std::make_unique<CWebShareDlg>(nullptr, web_, rtsp_, encoders, kMachine, notices_,
                                              files_);
        dlg_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
    }
    QLineEdit* Field(const char* name) const { return Child<QLineEdit>(*dlg_, name); }
    QCheckBox* Box(const char* name) const { return Child<QCheckBox>(*dlg_, name); }
    QString Text(const char* label) const { return Child<QLabel>(*dlg_, label)->text(); }
    bool Shown(const char* name) const { return !Child<QWidget>(*dlg_, name)->isHidden(); }
    // Answers the message that shows a made password, keeping the password.
    void AnswerMadePassword(std::string& password, bool& selectable) {
        testing::WhenOpened<QMessageBox>([&](QMessageBox& box) {
            const QStringList parts = box.text().split(QStringLiteral("\n\n"));
            password = parts.size() == 3 ? parts[1].toStdString() : std::string();
            selectable = box.textInteractionFlags().testFlag(Qt::TextSelectableByMouse);
            EXPECT_EQ(parts.value(2), QStringLiteral("Note it now: it is not shown again."));
            box.accept();
        });
    }

    testing::FakeNotices notices_;
    testing::FakeFileChooser files_;
    QTemporaryFile cert_;
    QTemporaryFile key_;
    WebSettings web_;  // what the dialog opens on
    RtspSettings rtsp_;
    std::unique_ptr<CWebShareDlg> dlg_;
};

TEST_F(WebShareDlgTest, OkKeepsTheFieldsOrRefusesTheFirstBadOne) {
    using Edits = std::vector<std::pair<const char*, std::string>>;
    struct Case {
        Edits edits;
        std::function<void(WebSettings&, RtspSettings&)> kept;  // null: refused
        std::string refusal = {};                               // how the message starts
        const char* focus = nullptr;                            // the field refused
        std::string typedPassword = {};                         // kept as its hash
    };
    const std::string webPort = "The web page's port must be a whole number from 1 to 65535.";
    const std::string rtspPort = "The RTSP port must be a whole number from 1 to 65535.";
    const std::string user = "The user must have 1 to 64 characters, without blanks or ':'.";
    const std::string both = "HTTPS needs both the TLS certificate and its key";
    const std::string cert = cert_.fileName().toStdString();
    const std::string key = key_.fileName().toStdString();
    for (const Case& c : {
             Case{{{"webPortEdit", " 8081 "}}, [](WebSettings&w, RtspSettings&) { w.port = 8081; }},
             Case{{{"webPortEdit", "0"}}, nullptr, webPort, "webPortEdit"},
             Case{{{"webPortEdit", "65536"}}, nullptr, webPort, "webPortEdit"},
             Case{{{"webPortEdit", "http"}}, nullptr, webPort, "webPortEdit"},
             Case{{{"rtspPortEdit", "554"}}, [](WebSettings&, RtspSettings&r) { r.port = 554; }},
             Case{{{"rtspPortEdit", "99999"}}, nullptr, rtspPort, "rtspPortEdit"},
             Case{{{"rtspPortEdit", "8080"}},
                  nullptr,
                  "The web page and RTSP need ports of their own: both are 8080.",
                  "rtspPortEdit"},
             Case{{{"webPortEdit", "8554"}},
                  nullptr,
                  "The web page and RTSP need ports",
                  "rtspPortEdit"},
             Case{{{"userEdit", " cam "}}, [](WebSettings&w, RtspSettings&) { w.user = "cam"; }},
             Case{{{"userEdit", std::string(64, 'u')}},
                  [](WebSettings&w, RtspSettings&) { w.user = std::string(64, 'u'); }},
             Case{{{"userEdit", ""}}, nullptr, user, "userEdit"},
             Case{{{"userEdit", "me:you"}}, nullptr, user, "userEdit"},
             Case{{{"userEdit", "my cam"}}, nullptr, user, "userEdit"},
             Case{{{"certEdit", cert}}, nullptr, both, "keyEdit"},
             Case{{{"keyEdit", key}}, nullptr, both, "certEdit"},
             Case{{{"certEdit", "/nowhere/cert.pem"}, {"keyEdit", key}},
                  nullptr,
                  "The TLS certificate /nowhere/cert.pem cannot be read.",
                  "certEdit"},
             Case{{{"certEdit", cert}, {"keyEdit", "/tmp"}},
                  nullptr,
                  "The TLS key /tmp cannot be read.",
                  "keyEdit"},
             Case{{{"certEdit", cert}, {"keyEdit", key}},
                  [&](WebSettings&w, RtspSettings&) {
                      w.tlsCert = cert;
                      w.tlsKey = key;
                  }},
             Case{{{"typedEdit", "short"}, {"confirmEdit", "short"}},
                  nullptr,
                  "The password must have at least 8 characters, and at most 256 bytes.",
                  "typedEdit"},
             Case{{{"typedEdit", "long enough 1"}, {"confirmEdit", "long enough 2"}},
                  nullptr,
                  "The two passwords differ.",
                  "confirmEdit"},
             Case{{{"typedEdit", ""}, {"confirmEdit", "long enough"}},
                  nullptr,
                  "The password must have at least 8",
                  "typedEdit"},
             Case{{{"typedEdit", "long enough \u00e9"}, {"confirmEdit", "long enough \u00e9"}},
                  [](WebSettings&, RtspSettings&) {},
                  {},
                  nullptr,
                  "long enough \u00e9"},
             Case{{{"typedEdit", ""}, {"confirmEdit", ""}}, [](WebSettings&, RtspSettings&) {}},
         }) {
        SCOPED_TRACE(std::string(c.edits[0].first) + " \"" + c.edits[0].second + "\"");
        Open();
        for (const auto& [name, text] : c.edits) {
            if (Field(name)->isHidden())
                Click(*dlg_, "setPasswordButton");
            Field(name)->setText(QString::fromStdString(text));
        }
        Click(*dlg_, "okButton");
        if (c.kept) {
            WebSettings web = web_;
            RtspSettings rtsp = rtsp_;
            c.kept(web, rtsp);
            EXPECT_EQ(dlg_->result(), QDialog::Accepted);
            EXPECT_TRUE(notices_.shown.empty());
            EXPECT_EQ(dlg_->rtsp(), rtsp);
            if (!c.typedPassword.empty()) {
                EXPECT_TRUE(CheckPassword(c.typedPassword, dlg_->web().passwordHash));
                web.passwordHash = dlg_->web().passwordHash;
            }
            EXPECT_EQ(dlg_->web(), web);
            continue;
        }
        EXPECT_EQ(dlg_->web(), web_);
        EXPECT_EQ(dlg_->rtsp(), rtsp_);
        ASSERT_EQ(notices_.shown.size(), 1u);
        EXPECT_THAT(notices_.shown[0].first, ::testing::StartsWith(c.refusal));
        EXPECT_EQ(notices_.shown[0].second, NoticeStyle::Warning);
        EXPECT_TRUE(dlg_->isVisible());
        QLineEdit* focus = Field(c.focus);
        EXPECT_EQ(dlg_->focusWidget(), focus) << c.focus;
        EXPECT_EQ(focus->selectedText(), focus->text());
    }
}

TEST_F(WebShareDlgTest, TheAddressesFollowTheFields) {
    struct Case {
        bool web, others, cert, key;
        const char* webPort;
        bool rtsp;
        QString webShown, rtspShown;
        bool plainNote;  // the warning that others connect without encryption
    };
    const QString off = QStringLiteral("Off");
    for (const Case& c : {
             Case{true, false, false, false, "8080", false, "http://127.0.0.1:8080/", off, false},
             Case{true, true, false, false, "8080", true,
                  "http://127.0.0.1:8080/\nhttp://192.168.1.20:8080/\nhttp://[fd00::20]:8080/",
                  "rtsp://127.0.0.1:8554/live\nrtsp://192.168.1.20:8554/live\n"
                  "rtsp://[fd00::20]:8554/live",
                  true},
             Case{true, true, true, true, "8443", false,
                  "https://127.0.0.1:8443/\nhttps://192.168.1.20:8443/\nhttps://[fd00::20]:8443/",
                  off, false},
             Case{true, false, true, false, "8080", true, "http://127.0.0.1:8080/",
                  "rtsp://127.0.0.1:8554/live", false},
             Case{false, true, false, false, "8080", true, off,
                  "rtsp://127.0.0.1:8554/live\nrtsp://192.168.1.20:8554/live\n"
                  "rtsp://[fd00::20]:8554/live",
                  true},
             Case{true, false, false, false, "80a", false, "(the port is not valid)", off, false},
             Case{false, false, false, false, "8080", false, off, off, false},
         }) {
        SCOPED_TRACE(c.webShown.toStdString() + " | " + c.rtspShown.toStdString());
        Open();
        EXPECT_EQ(Text("webAddresses"), off);
        // As the user changes them, one by one.
        Box("webBox")->setChecked(c.web);
        Box("othersBox")->setChecked(c.others);
        Box("rtspBox")->setChecked(c.rtsp);
        files_.answer = cert_.fileName();
        if (c.cert)
            Click(*dlg_, "certBrowseButton");
        files_.answer = key_.fileName();
        if (c.key)
            Click(*dlg_, "keyBrowseButton");
        testing::Type(Field("webPortEdit"), QString::fromLatin1(c.webPort));
        EXPECT_EQ(Text("webAddresses"), c.webShown);
        EXPECT_EQ(Text("rtspAddresses"), c.rtspShown);
        EXPECT_EQ(Shown("plainNote"), c.plainNote);
        EXPECT_TRUE(Child<QLabel>(*dlg_, "webAddresses")
                        ->textInteractionFlags()
                        .testFlag(Qt::TextSelectableByMouse));
    }
}

// Turning the page or the share on with no password makes one at OK: shown once in a
// message that is not a notice (notices are logged), kept as its hash.
TEST_F(WebShareDlgTest, TurningOnWithoutAPasswordMakesOneAndShowsItOnce) {
    struct Case {
        bool stored;  // a password hash is stored
        const char* turnOn;
        bool made;
    };
    for (const Case& c :
         {Case{false, "webBox", true}, Case{false, "rtspBox", true}, Case{false, nullptr, false},
          Case{true, "webBox", false}, Case{true, "rtspBox", false}}) {
        SCOPED_TRACE(std::string(c.turnOn != nullptr ? c.turnOn : "nothing") +
                     (c.stored ? " stored" : ""));
        web_.passwordHash =
            c.stored ? HashPassword("old password", kFewestPasswordRounds) : std::string();
        Open();
        const QString unset = QStringLiteral("Not set yet: one is made at OK.");
        EXPECT_EQ(Text("passwordState"), c.stored ? QStringLiteral("Set") : unset);
        if (c.turnOn != nullptr)
            Click(*dlg_, c.turnOn);
        std::string password;
        bool selectable = false;
        if (c.made)
            AnswerMadePassword(password, selectable);
        Click(*dlg_, "okButton");
        ASSERT_EQ(dlg_->result(), QDialog::Accepted);
        EXPECT_TRUE(notices_.shown.empty());
        if (c.made) {
            EXPECT_EQ(password.size(), 16u);
            EXPECT_TRUE(selectable);
            EXPECT_TRUE(CheckPassword(password, dlg_->web().passwordHash));
        } else {
            EXPECT_EQ(dlg_->web().passwordHash, web_.passwordHash);
        }
    }
}

TEST_F(WebShareDlgTest, ANewPasswordIsShownInTheDialogAndATypedOneReplacesIt) {
    Open();
    EXPECT_FALSE(Shown("madePassword"));
    EXPECT_FALSE(Shown("typedEdit"));
    Click(*dlg_, "newPasswordButton");
    auto* made = Child<QLabel>(*dlg_, "madePassword");
    const std::string first = made->text().toStdString();
    EXPECT_EQ(first.size(), 16u);
    EXPECT_TRUE(Shown("madePassword"));
    EXPECT_TRUE(made->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    EXPECT_TRUE(Shown("madeNote"));
    EXPECT_EQ(Text("madeNote"), QStringLiteral("Note it now: it is not shown again"));

    // Another one replaces the first.
    Click(*dlg_, "newPasswordButton");
    const std::string second = made->text().toStdString();
    EXPECT_NE(second, first);
    Click(*dlg_, "okButton");
    ASSERT_EQ(dlg_->result(), QDialog::Accepted);
    EXPECT_TRUE(CheckPassword(second, dlg_->web().passwordHash));
    EXPECT_FALSE(CheckPassword(first, dlg_->web().passwordHash));
    EXPECT_TRUE(notices_.shown.empty());

    // Typing one's own after making one: the typed one is kept, the made one is gone.
    Open();
    Click(*dlg_, "newPasswordButton");
    Click(*dlg_, "setPasswordButton");
    EXPECT_FALSE(Shown("madePassword"));
    EXPECT_TRUE(Child<QLabel>(*dlg_, "madePassword")->text().isEmpty());
    EXPECT_EQ(Field("typedEdit")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Field("confirmEdit")->echoMode(), QLineEdit::Password);
    testing::Type(Field("typedEdit"), QStringLiteral("my own password"));
    testing::Type(Field("confirmEdit"), QStringLiteral("my own password"));
    Click(*dlg_, "okButton");
    ASSERT_EQ(dlg_->result(), QDialog::Accepted);
    EXPECT_TRUE(CheckPassword("my own password", dlg_->web().passwordHash));

    // Closed without OK: nothing kept.
    Open();
    Click(*dlg_, "newPasswordButton");
    dlg_->reject();
    EXPECT_EQ(dlg_->web(), web_);
}

TEST_F(WebShareDlgTest, TheEncoderListOffersTheGivenOnesAndKeepsAMissingChoice) {
    struct Case {
        std::vector<std::string> encoders;
        std::string stored;
        QStringList offered;
        int choose;  // -1: as it opened
        std::string kept;
    };
    for (const Case& c : {
             Case{kEncoders, "", {"Automatic (x264enc)", "x264enc", "openh264enc"}, -1, ""},
             Case{kEncoders,
                  "",
                  {"Automatic (x264enc)", "x264enc", "openh264enc"},
                  2,
                  "openh264enc"},
             Case{kEncoders, "x264enc", {"Automatic (x264enc)", "x264enc", "openh264enc"}, 0, ""},
             Case{kEncoders,
                  "vaapih264enc",
                  {"Automatic (x264enc)", "x264enc", "openh264enc", "vaapih264enc (not found)"},
                  -1,
                  "vaapih264enc"},
             Case{{}, "", {"Automatic (no H.264 encoder found)"}, -1, ""},
         }) {
        SCOPED_TRACE(c.offered.join(QLatin1Char(',')).toStdString());
        rtsp_.encoder = c.stored;
        Open(c.encoders);
        auto* list = Child<QComboBox>(*dlg_, "encoderList");
        QStringList offered;
        for (int i = 0; i < list->count(); ++i)
            offered << list->itemText(i);
        EXPECT_EQ(offered, c.offered);
        if (c.choose >= 0)
            list->setCurrentIndex(c.choose);
        Click(*dlg_, "okButton");
        ASSERT_EQ(dlg_->result(), QDialog::Accepted);
        EXPECT_EQ(dlg_->rtsp().encoder, c.kept);
    }
}

}  // namespace
}  // namespace tavelin
