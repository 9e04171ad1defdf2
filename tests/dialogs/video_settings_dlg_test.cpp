#include "dialogs/VideoSettingsDlg.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "core/RecordSettingsRules.h"
#include "core/StorageLimits.h"
#include "dialogs/RecordSettingsLaunchers.h"
#include "tests/dialogs/RecordSettingsFakes.h"
#include "tests/support/QtApp.h"
#include "tests/support/UnwritableFolder.h"
#include "widgets/HoverButton.h"

namespace tavelin {
namespace {

using testing::Child;
using testing::Click;
using testing::ReadText;
using testing::Type;

class VideoSettingsDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::QtApp(); }
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        host_.counterFile = CounterFile().toStdString();
        testing::WriteText(CounterFile(), "4");
        stored_.aviPath = In("Tavelin-00004.avi");
    }

    QString CounterFile() const { return dir_.filePath(QStringLiteral("Pellor.inf")); }
    std::string In(const char* name) const {
        return dir_.filePath(QString::fromLatin1(name)).toStdString();
    }
    void Open() {
        dlg_ = std::make_unique<CVideoSettingsDlg>(nullptr, stored_, host_.counterFile, host_,
                                                   host_.files);
        dlg_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
    }
    QLineEdit* Counter() const { return Child<QLineEdit>(*dlg_, "counterEdit"); }
    QLineEdit* Path() const { return Child<QLineEdit>(*dlg_, "pathEdit"); }
    void TypePath(const std::string& path) const { Type(Path(), QString::fromStdString(path)); }

    QTemporaryDir dir_;
    testing::FakeRecordSettingsHost host_;
    AviTarget stored_;  // what the dialog opens on
    std::unique_ptr<CVideoSettingsDlg> dlg_;
};

TEST_F(VideoSettingsDlgTest, OkStoresTheNumberedOrTypedNameAndWritesTheCounter) {
    struct Case {
        const char* typedPath;  // null: left as it opened
        const char* counter;    // null: left as it opened
        const char* aviPath;
        bool useTyped;
        const char* inFile;
    };
    for (const Case& c : {
             Case{nullptr, nullptr, "Tavelin-00004.avi", false, "4"},
             Case{"holiday.avi", nullptr, "holiday.avi", true, "4"},
             Case{nullptr, "20", "Tavelin-00020.avi", false, "20"},
         }) {
        SCOPED_TRACE(c.aviPath);
        stored_.useTypedNameOnce = !c.useTyped;
        Open();
        EXPECT_EQ(Path()->text().toStdString(), In("Tavelin-00004.avi"));
        EXPECT_EQ(Counter()->text(), QStringLiteral("4"));
        if (c.typedPath != nullptr)
            TypePath(In(c.typedPath));
        if (c.counter != nullptr)
            Type(Counter(), QString::fromLatin1(c.counter));
        Click(*dlg_, "okButton");
        EXPECT_EQ(dlg_->result(), QDialog::Accepted);
        EXPECT_EQ(dlg_->target().aviPath, In(c.aviPath));
        EXPECT_EQ(dlg_->target().useTypedNameOnce, c.useTyped);
        EXPECT_EQ(ReadText(CounterFile()), QString::fromLatin1(c.inFile));
        testing::WriteText(CounterFile(), "4");
    }
    EXPECT_EQ(dlg_->windowTitle(), QStringLiteral("Video settings"));
    for (QPushButton* b : dlg_->findChildren<QPushButton*>()) {
        EXPECT_NE(qobject_cast<CHoverButton*>(b), nullptr) << b->objectName().toStdString();
    }
}

TEST_F(VideoSettingsDlgTest, RefusesTheCounterFirstThenAnUnusableFolderAndStaysOpen) {
    Open();
    TypePath(In("missing/holiday.avi"));
    Type(Counter(), QStringLiteral("100000"));
    Click(*dlg_, "okButton");
    EXPECT_EQ(dlg_->focusWidget(), Counter());

    Type(Counter(), QStringLiteral("20"));
    Click(*dlg_, "okButton");
    bool lockedTried = false;
    {
        testing::UnwritableFolder locked;
        lockedTried = locked.ready();
        if (lockedTried) {
            TypePath(locked.path() + "/holiday.avi");
            Click(*dlg_, "okButton");
        }
    }
    std::vector<std::string> expected = {kFileCounterRefused, kSavePathMissing};
    if (lockedTried)
        expected.push_back(kSavePathNotWritable);
    ASSERT_EQ(host_.notices.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(host_.notices[i].text, expected[i]);
        EXPECT_EQ(host_.notices[i].style, NoticeStyle::Warning);
    }
    EXPECT_TRUE(dlg_->isVisible());
    EXPECT_EQ(dlg_->target().aviPath, In("Tavelin-00004.avi"));
    EXPECT_EQ(ReadText(CounterFile()), QStringLiteral("4"));

    TypePath(In("holiday.avi"));
    Click(*dlg_, "okButton");
    EXPECT_EQ(dlg_->target().aviPath, In("holiday.avi"));
    EXPECT_EQ(ReadText(CounterFile()), QStringLiteral("20"));
}

// One storage field typed per case; the other two keep what the dialog opened on.
TEST_F(VideoSettingsDlgTest, OkStoresTheStorageLimitsOrRefusesTheFieldAndStaysOpen) {
    const StorageLimits opened{2048, 500, 30};
    constexpr const char* kKeepFree =
        "Keep free must be a whole number of megabytes from 0 to 16777216.";
    constexpr const char* kTotal =
        "The recordings' limit must be a whole number of megabytes from 0 to 16777216.";
    constexpr const char* kAge = "The age limit must be a whole number of days from 0 to 36500.";
    struct Case {
        const char* field;
        const char* text;
        StorageLimits stored;
        const char* refusal;  // null: OK stores `stored`
    };
    for (const Case& c : {
             Case{"keepFreeEdit", "0", {0, 500, 30}, nullptr},
             Case{"keepFreeEdit", "16777216", {16777216, 500, 30}, nullptr},
             Case{"keepFreeEdit", "16777217", opened, kKeepFree},
             Case{"keepFreeEdit", "", opened, kKeepFree},
             Case{"maxTotalEdit", "  750 ", {2048, 750, 30}, nullptr},
             Case{"maxTotalEdit", "-1", opened, kTotal},
             Case{"maxTotalEdit", "1e3", opened, kTotal},
             Case{"maxAgeEdit", "36500", {2048, 500, 36500}, nullptr},
             Case{"maxAgeEdit", "36501", opened, kAge},
             Case{"maxAgeEdit", "a week", opened, kAge},
         }) {
        SCOPED_TRACE(std::string(c.field) + " \"" + c.text + "\"");
        host_.notices.clear();
        Open();
        dlg_->SetStorage(opened, {});
        auto* field = Child<QLineEdit>(*dlg_, c.field);
        Type(field, QString::fromLatin1(c.text));
        Click(*dlg_, "okButton");
        EXPECT_EQ(dlg_->storageLimits(), c.stored);
        if (c.refusal == nullptr) {
            EXPECT_EQ(dlg_->result(), QDialog::Accepted);
            EXPECT_TRUE(host_.notices.empty());
            continue;
        }
        ASSERT_EQ(host_.notices.size(), 1u);
        EXPECT_EQ(host_.notices[0].text, c.refusal);
        EXPECT_EQ(host_.notices[0].style, NoticeStyle::Warning);
        EXPECT_TRUE(dlg_->isVisible());
        EXPECT_EQ(dlg_->focusWidget(), field);
        EXPECT_EQ(field->selectedText(), field->text());
    }
    auto* summary = Child<QLabel>(*dlg_, "summaryLabel");
    EXPECT_EQ(summary->text(), QStringLiteral("Not checked yet"));
    dlg_->SetStorage(opened, {true, 3, 3 * kBytesPerMB / 2, 40 * kBytesPerMB * 1024});
    EXPECT_EQ(summary->text(), QStringLiteral("3 recordings, 1.5 MB; 40.0 GB free"));
    EXPECT_EQ(Child<QLineEdit>(*dlg_, "keepFreeEdit")->text(), QStringLiteral("2048"));
}

TEST_F(VideoSettingsDlgTest, BrowseProposesTheNumberedNameAndDeletesTheChosenFile) {
    const QString chosen = dir_.filePath(QStringLiteral("mine.avi"));
    testing::WriteText(chosen, "old recording");
    stored_.aviPath = In("elsewhere.avi");
    Open();
    Type(Counter(), QStringLiteral("7"));
    host_.files.answer = chosen;
    Click(*dlg_, "browseButton");
    ASSERT_EQ(host_.files.asked.size(), 1u);
    EXPECT_EQ(host_.files.asked[0].proposedName.toStdString(), In("Tavelin-00007.avi"));
    EXPECT_EQ(host_.files.asked[0].defaultSuffix, QStringLiteral("avi"));
    EXPECT_EQ(host_.files.asked[0].nameFilters, QStringList{QStringLiteral("AVI Files (*.avi)")});
    EXPECT_FALSE(QFile::exists(chosen));
    EXPECT_EQ(Path()->text(), chosen);

    Click(*dlg_, "okButton");
    EXPECT_EQ(dlg_->target().aviPath, chosen.toStdString());
    EXPECT_TRUE(dlg_->target().useTypedNameOnce);
}

TEST_F(VideoSettingsDlgTest, LauncherOpensOnTheNextNumberedNameAndReadsTheCounterBack) {
    std::string aviPathText = In("Tavelin-00009.avi");
    std::int32_t fileCounter = 12;
    RecordingChoices choices;
    testing::WriteText(CounterFile(), "12");
    QString shownPath;
    testing::WhenOpened<CVideoSettingsDlg>([&](CVideoSettingsDlg& dlg) {
        EXPECT_TRUE(host_.paused);
        shownPath = Child<QLineEdit>(dlg, "pathEdit")->text();
        Type(Child<QLineEdit>(dlg, "counterEdit"), QStringLiteral("20"));
        Click(dlg, "okButton");
    });
    EXPECT_TRUE(RunVideoSettings(host_, nullptr, aviPathText, fileCounter, choices));
    EXPECT_EQ(shownPath.toStdString(), In("Tavelin-00012.avi"));
    EXPECT_EQ(fileCounter, 20);
    EXPECT_EQ(aviPathText, In("Tavelin-00020.avi"));
    EXPECT_EQ(choices.aviPath, In("Tavelin-00020.avi"));
    EXPECT_EQ(host_.pauseCalls, (std::vector<bool>{true, false}));

    testing::WhenOpened<CVideoSettingsDlg>([](CVideoSettingsDlg& dlg) { dlg.reject(); });
    EXPECT_FALSE(RunVideoSettings(host_, nullptr, aviPathText, fileCounter, choices));
    EXPECT_EQ(aviPathText, In("Tavelin-00020.avi"));
    EXPECT_FALSE(host_.paused);
}

}  // namespace
}  // namespace tavelin
