#include "alerts/EventCommandRunner.h"

#include <algorithm>

#include "alerts/EventTime.h"
#include "core/EventCommandLine.h"
#include "core/Log.h"

namespace tavelin {
namespace {

std::string Named(const std::string& program, const std::string& event) {
    return "event command \"" + program + "\" (" + event + ")";
}

std::string TimeText(std::chrono::milliseconds limit) {
    const auto ms = limit.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// What is logged of a command's end; false in `failed` only for a clean exit.
std::string EndText(const CEventCommand::Outcome& outcome, std::chrono::milliseconds limit,
                    bool& failed) {
    failed = true;
    switch (outcome.end) {
        case CEventCommand::End::Exited:
            failed = outcome.code != 0;
            return failed ? "exited with status " + std::to_string(outcome.code) : "done";
        case CEventCommand::End::Crashed:
            return "ended by signal " + std::to_string(outcome.code);
        case CEventCommand::End::TimedOut:
            return "killed after " + TimeText(limit);
        case CEventCommand::End::FailedToStart:
            return "could not start: " + outcome.error;
    }
    return {};
}

std::string Trimmed(std::string text) {
    const auto last = text.find_last_not_of(" \t\r\n");
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

}  // namespace

CEventCommandRunner::CEventCommandRunner(CEventStream& events, std::chrono::milliseconds timeLimit,
                                         QObject* parent)
    : QObject(parent), events_(events), timeLimit_(timeLimit) {
    subscription_ = events_.Subscribe([this](const SessionEvent& event) { OnEvent(event); });
}

CEventCommandRunner::~CEventCommandRunner() {
    events_.Unsubscribe(subscription_);
    waiting_.clear();
    for (CEventCommand* command : running_)
        delete command;  // kills and reaps it
    running_.clear();
}

void CEventCommandRunner::SetCommands(const EventCommands& commands) {
    const std::pair<SessionEventKind, const std::string*> lines[] = {
        {SessionEventKind::MotionStarted, &commands.onMotionStart},
        {SessionEventKind::MotionEnded, &commands.onMotionEnd},
        {SessionEventKind::RecordingFinished, &commands.onRecordingFinished},
        {SessionEventKind::CameraLost, &commands.onCameraLost},
        {SessionEventKind::StillSaved, &commands.onStillSaved},
    };
    words_.clear();
    for (const auto& [kind, line] : lines) {
        std::vector<std::string> words;
        std::string reason;
        if (!SplitCommandLine(*line, words, reason)) {
            Log(LogArea::Ui, LogLevel::Warning,
                std::string("event command for ") + EventName(kind) + " not run: " + reason);
            continue;
        }
        if (!words.empty())
            words_.emplace_back(kind, std::move(words));
    }
}

void CEventCommandRunner::OnEvent(const SessionEvent& event) {
    const auto found = std::find_if(words_.begin(), words_.end(),
                                    [&](const auto& entry) { return entry.first == event.kind; });
    if (found == words_.end())
        return;
    const std::string name = EventName(event.kind);
    std::vector<std::string> argv;
    std::string reason;
    if (!ExpandCommand(found->second, TokensOf(event, EventTimeNow()), argv, reason)) {
        Log(LogArea::Ui, LogLevel::Warning, "event command for " + name + " not run: " + reason);
        return;
    }
    if (waiting_.size() == kMaxWaiting) {
        Log(LogArea::Ui, LogLevel::Warning,
            Named(argv.front(), name) + ": dropped, " + std::to_string(kMaxWaiting) +
                " commands wait already");
        return;
    }
    waiting_.push_back({std::move(argv), name});
    StartWaiting();
}

void CEventCommandRunner::StartWaiting() {
    while (running_.size() < kMaxRunning && !waiting_.empty()) {
        Pending next = std::move(waiting_.front());
        waiting_.pop_front();
        auto* command = new CEventCommand(std::move(next.argv), timeLimit_, this);
        connect(command, &CEventCommand::Ended, this,
                [this, command, event = std::move(next.event)] { OnEnded(command, event); });
        running_.push_back(command);
        command->Start();
    }
}

void CEventCommandRunner::OnEnded(CEventCommand* command, const std::string& event) {
    running_.erase(std::remove(running_.begin(), running_.end(), command), running_.end());
    const CEventCommand::Outcome& outcome = command->outcome();
    bool failed = true;
    std::string text =
        Named(command->program(), event) + ": " + EndText(outcome, timeLimit_, failed);
    const std::string errorOutput = Trimmed(outcome.errorOutput);
    if (!errorOutput.empty())
        text += "; standard error: " + errorOutput;
    Log(LogArea::Ui, failed ? LogLevel::Warning : LogLevel::Info, text);
    const QString program = QString::fromStdString(command->program());
    const CEventCommand::End end = outcome.end;
    const int code = outcome.code;
    command->deleteLater();
    StartWaiting();
    emit CommandEnded(program, end, code);
}

}  // namespace tavelin
