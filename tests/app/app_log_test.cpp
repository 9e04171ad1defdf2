// What the Qt-free layers log reaches the Qt category of its area, at its level, and
// only warnings and errors show unless the logging rules ask for more.

#include "app/AppLog.h"

#include <gtest/gtest.h>
#include <QLoggingCategory>

#include <string>
#include <vector>

#include "core/Log.h"

namespace tavelin {
namespace {

struct Seen {
    QtMsgType type;
    std::string category;
    std::string text;
};
std::vector<Seen> g_seen;

void Collect(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    g_seen.push_back(
        {type, context.category != nullptr ? context.category : "", text.toStdString()});
}

class AppLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_seen.clear();
        previous_ = qInstallMessageHandler(&Collect);
        InstallLogSink();
    }
    void TearDown() override {
        SetLogSink(nullptr);
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules(QString());
    }
    QtMessageHandler previous_ = nullptr;
};

TEST_F(AppLogTest, EachAreaHasItsCategoryAndEachLevelItsType) {
    struct Case {
        LogArea area;
        LogLevel level;
        const char* category;
        QtMsgType type;
    };
    QLoggingCategory::setFilterRules(QStringLiteral("tavelin.*=true"));
    for (const Case& c :
         {Case{LogArea::Capture, LogLevel::Debug, "tavelin.capture", QtDebugMsg},
          Case{LogArea::Record, LogLevel::Info, "tavelin.record", QtInfoMsg},
          Case{LogArea::Monitor, LogLevel::Warning, "tavelin.monitor", QtWarningMsg},
          Case{LogArea::Ui, LogLevel::Error, "tavelin.ui", QtCriticalMsg}}) {
        g_seen.clear();
        Log(c.area, c.level, "disk full: 50% sure");
        ASSERT_EQ(g_seen.size(), 1u) << c.category;
        EXPECT_EQ(g_seen[0].category, c.category);
        EXPECT_EQ(g_seen[0].type, c.type);
        EXPECT_EQ(g_seen[0].text, "disk full: 50% sure") << "the text is not a format";
    }
}

TEST_F(AppLogTest, QuietUnlessAskedBelowWarnings) {
    Log(LogArea::Record, LogLevel::Debug, "built");
    Log(LogArea::Record, LogLevel::Info, "started");
    EXPECT_TRUE(g_seen.empty());
    Log(LogArea::Record, LogLevel::Warning, "writer failed");
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].type, QtWarningMsg);
}

}  // namespace
}  // namespace tavelin
