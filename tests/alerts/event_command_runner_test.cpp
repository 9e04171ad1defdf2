// Commands run on events, as real processes: what reaches them, how their ends are
// told, how many run at once, and that an overrunning one dies with what it started.

#include "alerts/EventCommandRunner.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/LogLines.h"
#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

using End = CEventCommand::End;
using testing::LogLines;

constexpr int kWaitMs = 60000;  // generous: the machine is shared

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "tavelin-test";
    static char* argv[] = {name, nullptr};
    static auto* app = new QCoreApplication(argc, argv);
    return *app;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> SplitAtNul(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    return parts;
}

// Whether the process is gone (a zombie left for init counts: it runs no more).
bool Gone(const std::string& pid) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    const std::size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

class EventCommandRunnerTest : public testing::TempFolderTest {
protected:
    void SetUp() override {
        App();
        TempFolderTest::SetUp();
    }
    void Queue(SessionEventKind kind, const std::string& path = {}) {
        SessionEvent event;
        event.kind = kind;
        event.path = path;
        stream_.Publish(std::move(event));
    }
    void Publish(SessionEventKind kind, const std::string& path = {}) {
        Queue(kind, path);
        stream_.Deliver();
    }
    static bool WaitFor(QSignalSpy& spy, int count) {
        return QTest::qWaitFor([&] { return spy.count() >= count; }, kWaitMs);
    }

    CEventStream stream_;
    LogLines log_;
};

TEST_F(EventCommandRunnerTest, EachEventRunsItsCommandWithAHostileFileAsOneArgument) {
    CEventCommandRunner runner(stream_);
    QSignalSpy ended(&runner, &CEventCommandRunner::CommandEnded);
    // The test's own choice of program writes what it received, one NUL after each.
    const std::string writer =
        "/bin/sh -c 'printf \"%s\\0\" \"$@\" > \"$0\"' '" + dir_ + "/out-%e' %e %f %n";
    EventCommands commands;
    commands.onMotionStart = writer;
    commands.onMotionEnd = writer;
    commands.onRecordingFinished = writer;
    commands.onCameraLost = writer;
    commands.onStillSaved = writer;
    runner.SetCommands(commands);

    const std::string hostile = dir_ + "/x y/it's \"a\"; $(touch " + dir_ + "/pwned) `touch " +
                                dir_ + "/pwned2` | rm -rf ~ >z\n-rf %f %%/Tavelin-00012.avi";
    const std::vector<SessionEventKind> kinds = {
        SessionEventKind::MotionStarted, SessionEventKind::MotionEnded,
        SessionEventKind::RecordingFinished, SessionEventKind::CameraLost,
        SessionEventKind::StillSaved};
    for (SessionEventKind kind : kinds)
        Publish(kind, hostile);
    Publish(SessionEventKind::RecordingStarted, hostile);  // has no command
    EXPECT_EQ(runner.running() + runner.waiting(), kinds.size());

    ASSERT_TRUE(WaitFor(ended, static_cast<int>(kinds.size())));
    for (const QList<QVariant>& end : ended) {
        EXPECT_EQ(end.at(0).toString(), QStringLiteral("/bin/sh"));
        EXPECT_EQ(end.at(1).value<End>(), End::Exited);
        EXPECT_EQ(end.at(2).toInt(), 0);
    }
    for (SessionEventKind kind : kinds) {
        const std::string name = EventName(kind);
        EXPECT_EQ(SplitAtNul(ReadAll(In("out-" + name))),
                  (std::vector<std::string>{name, hostile, "12"}))
            << name;
    }
    EXPECT_FALSE(std::filesystem::exists(In("pwned")));
    EXPECT_FALSE(std::filesystem::exists(In("pwned2")));

    // New commands take over at once: none at all here.
    runner.SetCommands({});
    Publish(SessionEventKind::MotionStarted, hostile);
    EXPECT_EQ(runner.running() + runner.waiting(), 0u);
}

struct EndCase {
    const char* name;
    std::string line;
    End end;
    int code;
    LogLevel level;
    std::vector<const char*> logged;  // parts of the one line telling the end
};

class EventCommandEndTest : public EventCommandRunnerTest,
                            public ::testing::WithParamInterface<EndCase> {};

TEST_P(EventCommandEndTest, IsToldWithItsProgramAndErrorOutput) {
    const EndCase& c = GetParam();
    CEventCommandRunner runner(stream_);
    QSignalSpy ended(&runner, &CEventCommandRunner::CommandEnded);
    EventCommands commands;
    commands.onCameraLost = c.line;
    runner.SetCommands(commands);
    Publish(SessionEventKind::CameraLost);
    ASSERT_TRUE(WaitFor(ended, 1));
    EXPECT_EQ(ended.at(0).at(1).value<End>(), c.end);
    EXPECT_EQ(ended.at(0).at(2).toInt(), c.code);

    std::vector<LogLines::Line> told;
    for (const LogLines::Line& line : LogLines::Lines()) {
        if (line.text.find("camera-lost") != std::string::npos)
            told.push_back(line);
    }
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].area, LogArea::Ui);
    EXPECT_EQ(told[0].level, c.level);
    for (const char* part : c.logged)
        EXPECT_NE(told[0].text.find(part), std::string::npos) << part << " in " << told[0].text;
    EXPECT_EQ(told[0].text.find("not logged"), std::string::npos) << "standard output is dropped";
    // Only the end of a long error output.
    EXPECT_LT(told[0].text.size(), static_cast<std::size_t>(CEventCommand::kMaxErrorBytes) + 200);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EventCommandEndTest,
    ::testing::Values(EndCase{"ExitStatus",
                              "/bin/sh -c 'echo \"it failed\" >&2; echo not logged; exit 3'",
                              End::Exited,
                              3,
                              LogLevel::Warning,
                              {"\"/bin/sh\"", "status 3", "it failed"}},
                      EndCase{"LongErrorOutput",
                              "/bin/sh -c 'i=0; while [ $i -lt 3000 ]; do echo \"line $i\" >&2; "
                              "i=$((i + 1)); done; echo LAST >&2'",
                              End::Exited,
                              0,
                              LogLevel::Info,
                              {"done", "line 2999", "LAST"}},
                      EndCase{"Signal",
                              "/bin/sh -c 'kill -TERM $$'",
                              End::Crashed,
                              15,
                              LogLevel::Warning,
                              {"\"/bin/sh\"", "signal 15"}},
                      EndCase{"UnknownProgram",
                              "tavelin-no-such-program %f",
                              End::FailedToStart,
                              0,
                              LogLevel::Warning,
                              {"\"tavelin-no-such-program\"", "could not start", "No such file"}}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return info.param.name; });

TEST_F(EventCommandRunnerTest, AtMostFourRunAndThirtyTwoWait) {
    auto runner = std::make_unique<CEventCommandRunner>(stream_);
    EventCommands commands;
    commands.onMotionStart = "sleep 600";
    runner->SetCommands(commands);
    const std::size_t dropped = 2;
    for (std::size_t i = 0;
         i < CEventCommandRunner::kMaxRunning + CEventCommandRunner::kMaxWaiting + dropped; ++i) {
        Queue(SessionEventKind::MotionStarted);
    }
    stream_.Deliver();
    EXPECT_EQ(runner->running(), CEventCommandRunner::kMaxRunning);
    EXPECT_EQ(runner->waiting(), CEventCommandRunner::kMaxWaiting);
    const auto lines = LogLines::Lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const LogLines::Line& line) {
                                return line.level == LogLevel::Warning &&
                                       line.text.find("\"sleep\" (motion-started): dropped") !=
                                           std::string::npos;
                            }),
              static_cast<long>(dropped));
    runner.reset();  // kills the four; the rest never start
}

TEST_F(EventCommandRunnerTest, OverrunningCommandsAreKilledWithWhatTheyStarted) {
    CEventCommandRunner runner(stream_, std::chrono::seconds(3));
    QSignalSpy ended(&runner, &CEventCommandRunner::CommandEnded);
    EventCommands commands;
    // Each leaves the process id of the sleep it started beside the still.
    commands.onStillSaved = "/bin/sh -c 'sleep 600 & echo $! > \"$0\"; wait' %f.pid";
    runner.SetCommands(commands);
    const int count = 6;
    for (int i = 0; i < count; ++i)
        Publish(SessionEventKind::StillSaved, In(std::to_string(i)));
    EXPECT_EQ(runner.running(), CEventCommandRunner::kMaxRunning);

    ASSERT_TRUE(WaitFor(ended, count));
    EXPECT_EQ(runner.running() + runner.waiting(), 0u);
    for (const QList<QVariant>& end : ended)
        EXPECT_EQ(end.at(1).value<End>(), End::TimedOut);
    EXPECT_TRUE(LogLines::Has(LogArea::Ui, LogLevel::Warning, {"\"/bin/sh\"", "killed after 3 s"}));
    for (int i = 0; i < count; ++i) {
        std::istringstream content(ReadAll(In(std::to_string(i) + ".pid")));
        std::string pid;
        ASSERT_TRUE(content >> pid) << "command " << i << " left no process id";
        EXPECT_TRUE(QTest::qWaitFor([&] { return Gone(pid); }, kWaitMs)) << pid;
    }
}

}  // namespace
}  // namespace tavelin
