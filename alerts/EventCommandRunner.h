#pragma once
// Runs the user's command for an event (core/AlertSettings.h EventCommands): motion
// started or ended, a recording finished, the camera lost, a still saved. The command
// line is split and its tokens replaced when the event comes (core/EventCommandLine.h),
// and the program started without waiting for it. At most kMaxRunning run at once; the
// next kMaxWaiting wait their turn, and further ones are dropped. A command that
// overruns its time is killed. How each one ended goes to the log with its program's
// name (never its arguments, which may hold a password) and the end of its standard
// error.

#include <QObject>
#include <QString>
#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "alerts/EventCommand.h"
#include "core/AlertSettings.h"
#include "core/SessionEvents.h"

namespace tavelin {

class CEventCommandRunner : public QObject {
    Q_OBJECT

public:
    static constexpr std::size_t kMaxRunning = 4;
    static constexpr std::size_t kMaxWaiting = 32;
    static constexpr std::chrono::milliseconds kTimeLimit{60000};

    // Follows `events`, which must outlive the runner.
    explicit CEventCommandRunner(CEventStream& events,
                                 std::chrono::milliseconds timeLimit = kTimeLimit,
                                 QObject* parent = nullptr);
    // Commands still running are killed; waiting ones never start.
    ~CEventCommandRunner() override;
    CEventCommandRunner(const CEventCommandRunner&) = delete;
    CEventCommandRunner& operator=(const CEventCommandRunner&) = delete;

    // From the next event on. A line that cannot be split is logged here, once, and
    // runs nothing. Commands already running or waiting go on.
    void SetCommands(const EventCommands& commands);

    std::size_t running() const { return running_.size(); }
    std::size_t waiting() const { return waiting_.size(); }

signals:
    // A started command has ended (code as in CEventCommand::Outcome).
    void CommandEnded(const QString& program, tavelin::CEventCommand::End end, int code);

private:
    struct Pending {
        std::vector<std::string> argv;
        std::string event;
    };

    void OnEvent(const SessionEvent& event);
    void StartWaiting();
    void OnEnded(CEventCommand* command, const std::string& event);

    CEventStream& events_;
    int subscription_ = 0;
    std::chrono::milliseconds timeLimit_;
    // The split command line of each event kind that has one.
    std::vector<std::pair<SessionEventKind, std::vector<std::string>>> words_;
    std::vector<CEventCommand*> running_;  // children of this object
    std::deque<Pending> waiting_;
};

}  // namespace tavelin
