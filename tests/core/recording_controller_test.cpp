// The recording controller as a table: every command in every state, with the state it
// leaves, what it asked of the camera graph and the events it published.

#include "core/RecordingController.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/FrameTickFakes.h"
#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

using State = CRecordingController::State;
using Kind = SessionEventKind;
using testing::FakeCameraGraph;

constexpr std::uint32_t kCalmMs = 3000;
constexpr const char* kNoSpace = "No space left on device";

class FakeSteps : public IRecordingSteps, public IRecorderWindow {
public:
    void RecordingBegins(bool) override { held = true; }
    void RecordingRuns(bool) override {}
    void RecordingEnds() override {}
    void RecordingOver(bool, bool) override { held = false; }
    RecordRequest ChosenRequest() override {
        RecordRequest request;
        request.width = 320;
        request.height = 240;
        return request;
    }
    std::string ReadAviPathText() override { return path; }
    void WriteAviPathText(const std::string& text) override { path = text; }

    bool held = false;  // the controls a recording holds fixed are taken
    std::string path;
};

enum class Command {
    Press,
    ArmWanted,
    ArmUnwanted,
    Motion,
    Calm,
    NewsStarted,
    NewsFinished,
    NewsFailed,
    NewsOutputFailed,
    GraphGone,  // and the camera back, as the frame tick goes on after a loss
};

struct Row {
    State from;
    Command command;
    State to;
    const char* graph;  // A attach, D detach, S start file, F finish file
    std::vector<Kind> events = {};
    int notices = 0;
};

class RecordingControllerTable : public testing::TempFolderTest,
                                 public ::testing::WithParamInterface<Row> {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        names_.SetCounterPath(In("Pellor.inf"));
        steps_.path = In("Tavelin-00000.avi");
        graph_.Run(320, 240);
        events_.Subscribe([this](const SessionEvent& e) { seen_.push_back(e); });
    }
    // The state reached as the commands reach it, with no news waiting.
    void Reach(State state) {
        switch (state) {
            case State::Idle:
                break;
            case State::Armed:
                controller_.UpdateArming(true, 3);
                break;
            case State::Starting:  // the file's first data has not come
                controller_.PressRecorder();
                graph_.TakeNews();
                break;
            case State::ByHand:
                controller_.PressRecorder();
                controller_.TakeNews();
                break;
            case State::OnMotion:
                controller_.UpdateArming(true, 3);
                controller_.FollowMotion(true, kCalmMs);
                controller_.TakeNews();
                break;
            case State::Finishing:
                controller_.PressRecorder();
                controller_.TakeNews();
                controller_.PressRecorder();
                graph_.TakeNews();
                break;
        }
        ASSERT_EQ(controller_.state(), state);
        events_.Deliver();
        seen_.clear();
    }
    void Run(Command command) {
        switch (command) {
            case Command::Press:
                controller_.PressRecorder();
                break;
            case Command::ArmWanted:
                controller_.UpdateArming(true, 3);
                break;
            case Command::ArmUnwanted:
                controller_.UpdateArming(false, 3);
                break;
            case Command::Motion:
                controller_.FollowMotion(true, kCalmMs);
                break;
            case Command::Calm:
                clock_.tick += kCalmMs;
                controller_.FollowMotion(false, kCalmMs);
                break;
            case Command::NewsStarted:
                Report(GraphNews::Kind::FileStarted);
                break;
            case Command::NewsFinished:
                Report(GraphNews::Kind::FileFinished);
                break;
            case Command::NewsFailed:
                graph_.Report(FakeCameraGraph::News(GraphNews::Kind::FileFailed, {}, kNoSpace));
                controller_.TakeNews();
                break;
            case Command::NewsOutputFailed:
                Report(GraphNews::Kind::OutputFailed);
                break;
            case Command::GraphGone:
                graph_.Teardown();
                controller_.GraphGone();
                graph_.Run(320, 240);
                controller_.EndLostRecording({}, RecordingEnd::CameraStopped);
                break;
        }
        events_.Deliver();
    }
    void Report(GraphNews::Kind kind) {
        graph_.Report(FakeCameraGraph::News(kind, graph_.named));
        controller_.TakeNews();
    }
    std::string GraphCalls() const {
        std::string calls;
        calls.append(graph_.attachRequests.size() - attaches_, 'A');
        calls.append(static_cast<std::size_t>(graph_.detaches - detaches_), 'D');
        calls.append(graph_.files.size() - files_, 'S');
        calls.append(static_cast<std::size_t>(graph_.finishes - finishes_), 'F');
        return calls;
    }

    FakeCameraGraph graph_;
    FakeSteps steps_;
    RecordingChoices choices_;
    CRecorder names_{steps_, choices_};
    testing::FakeNotices notices_;
    CEventStream events_;
    testing::FakeClock clock_;
    CRecordingController controller_{graph_, names_, steps_, notices_, events_, clock_};
    std::vector<SessionEvent> seen_;
    std::size_t attaches_ = 0;
    int detaches_ = 0;
    std::size_t files_ = 0;
    int finishes_ = 0;
};

TEST_P(RecordingControllerTable, CommandLeadsToItsStateCallsAndEvents) {
    const Row& row = GetParam();
    Reach(row.from);
    attaches_ = graph_.attachRequests.size();
    detaches_ = graph_.detaches;
    files_ = graph_.files.size();
    finishes_ = graph_.finishes;
    notices_.shown.clear();

    Run(row.command);

    EXPECT_EQ(controller_.state(), row.to);
    EXPECT_EQ(GraphCalls(), row.graph);
    std::vector<Kind> kinds;
    for (const SessionEvent& e : seen_) {
        kinds.push_back(e.kind);
        EXPECT_EQ(e.onMotion, row.from == State::OnMotion) << EventName(e.kind);
        if (e.kind == Kind::RecordingFailed) {
            EXPECT_EQ(e.message, notices_.shown.at(0).first) << "what the user was told";
        }
    }
    EXPECT_EQ(kinds, row.events);
    EXPECT_EQ(notices_.shown.size(), static_cast<std::size_t>(row.notices));
    EXPECT_EQ(steps_.held, controller_.recording()) << "the controls follow the recording";
    // A number goes back only when its file got no name.
    const bool givenBack =
        row.from == State::Starting &&
        (row.command == Command::NewsFailed || row.command == Command::NewsOutputFailed ||
         row.command == Command::GraphGone);
    std::ifstream counter(In("Pellor.inf"));
    const std::string number{std::istreambuf_iterator<char>(counter), {}};
    EXPECT_EQ(number, graph_.files.empty() ? "" : givenBack ? "0" : "1");
    EXPECT_EQ(graph_.encoderAttached(), row.to != State::Idle) << "an output only when needed";
}

using enum State;
using enum Command;
const Kind kStarted = Kind::RecordingStarted;
const Kind kFinished = Kind::RecordingFinished;
const Kind kFailed = Kind::RecordingFailed;

INSTANTIATE_TEST_SUITE_P(
    EveryStateAndCommand, RecordingControllerTable,
    ::testing::Values(
        Row{Idle, Press, Starting, "AS"}, Row{Idle, ArmWanted, Armed, "A"},
        Row{Idle, ArmUnwanted, Idle, ""}, Row{Idle, Motion, Idle, ""}, Row{Idle, Calm, Idle, ""},
        Row{Idle, NewsStarted, Idle, ""}, Row{Idle, NewsFinished, Idle, ""},
        Row{Idle, NewsFailed, Idle, ""}, Row{Idle, NewsOutputFailed, Idle, ""},
        Row{Idle, GraphGone, Idle, ""},
        // Armed: the hand's file comes from the output that keeps the seconds.
        Row{Armed, Press, Starting, "S"}, Row{Armed, ArmWanted, Armed, ""},
        Row{Armed, ArmUnwanted, Idle, "D"}, Row{Armed, Motion, Starting, "S"},
        Row{Armed, Calm, Armed, ""}, Row{Armed, NewsStarted, Armed, ""},
        Row{Armed, NewsFinished, Armed, ""}, Row{Armed, NewsFailed, Armed, ""},
        Row{Armed, NewsOutputFailed, Idle, "", {}, 1}, Row{Armed, GraphGone, Idle, ""},
        Row{Starting, Press, Starting, ""}, Row{Starting, ArmWanted, Starting, ""},
        Row{Starting, ArmUnwanted, Starting, ""}, Row{Starting, Motion, Starting, ""},
        Row{Starting, Calm, Starting, ""}, Row{Starting, NewsStarted, ByHand, "", {kStarted}},
        Row{Starting, NewsFinished, Idle, "D", {kFinished}},
        Row{Starting, NewsFailed, Idle, "D", {kFailed}, 1},
        Row{Starting, NewsOutputFailed, Idle, "", {kFailed}, 1},
        Row{Starting, GraphGone, Idle, "", {kFailed}, 1}, Row{ByHand, Press, Finishing, "F"},
        Row{ByHand, ArmWanted, ByHand, ""}, Row{ByHand, ArmUnwanted, ByHand, ""},
        Row{ByHand, Motion, ByHand, ""}, Row{ByHand, Calm, ByHand, ""},
        Row{ByHand, NewsStarted, ByHand, ""}, Row{ByHand, NewsFinished, Idle, "D", {kFinished}},
        Row{ByHand, NewsFailed, Idle, "D", {kFailed}, 1},
        Row{ByHand, NewsOutputFailed, Idle, "", {kFailed}, 1},
        Row{ByHand, GraphGone, Idle, "", {kFailed}, 1},
        // On motion: the file ends, the output stays for the next motion.
        Row{OnMotion, Press, Finishing, "F"}, Row{OnMotion, ArmWanted, OnMotion, ""},
        Row{OnMotion, ArmUnwanted, Finishing, "F"}, Row{OnMotion, Motion, OnMotion, ""},
        Row{OnMotion, Calm, Finishing, "F"}, Row{OnMotion, NewsStarted, OnMotion, ""},
        Row{OnMotion, NewsFinished, Armed, "", {kFinished}},
        Row{OnMotion, NewsFailed, Armed, "", {kFailed}, 1},
        Row{OnMotion, NewsOutputFailed, Idle, "", {kFailed}, 1},
        Row{OnMotion, GraphGone, Idle, "", {kFailed}, 1}, Row{Finishing, Press, Finishing, ""},
        Row{Finishing, ArmWanted, Finishing, ""}, Row{Finishing, ArmUnwanted, Finishing, ""},
        Row{Finishing, Motion, Finishing, ""}, Row{Finishing, Calm, Finishing, ""},
        Row{Finishing, NewsStarted, Finishing, ""},
        Row{Finishing, NewsFinished, Idle, "D", {kFinished}},
        Row{Finishing, NewsFailed, Idle, "D", {kFailed}, 1},
        Row{Finishing, NewsOutputFailed, Idle, "", {kFailed}, 1},
        Row{Finishing, GraphGone, Idle, "", {kFinished}}));

}  // namespace
}  // namespace tavelin
