// The logging hook: the stderr default shows warnings and errors only, a sink gets
// everything, and a null sink puts the default back.

#include "core/Log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavelin {
namespace {

std::vector<std::string> g_seen;

void Collect(LogArea, LogLevel, const std::string& text) {
    g_seen.push_back(text);
}

struct LevelCase {
    LogLevel level;
    const char* printed;  // what the default writes to stderr
};

class DefaultLog : public ::testing::TestWithParam<LevelCase> {};

TEST_P(DefaultLog, ShowsWarningsAndErrorsOnStderrUntilASinkTakesOver) {
    SetLogSink(nullptr);
    ::testing::internal::CaptureStderr();
    Log(LogArea::Record, GetParam().level, "the file writer failed");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), GetParam().printed);

    g_seen.clear();
    SetLogSink(&Collect);
    ::testing::internal::CaptureStderr();
    Log(LogArea::Capture, GetParam().level, "routed");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(g_seen, std::vector<std::string>{"routed"});
    SetLogSink(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, DefaultLog,
    ::testing::Values(LevelCase{LogLevel::Debug, ""}, LevelCase{LogLevel::Info, ""},
                      LevelCase{LogLevel::Warning, "tavelin.record: the file writer failed\n"},
                      LevelCase{LogLevel::Error, "tavelin.record: the file writer failed\n"}));

}  // namespace
}  // namespace tavelin
