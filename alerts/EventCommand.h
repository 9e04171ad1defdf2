#pragma once
// One command run for an event. The program is looked up in PATH and started with its
// arguments as they are, never through a shell. It runs in a process group of its own,
// so that when it overruns its time whatever it started is killed with it. Its output is
// thrown away and its standard error kept (the last kMaxErrorBytes) for the log.

#include <QObject>
#include <QProcess>
#include <QTimer>
#include <chrono>
#include <string>
#include <vector>

namespace tavelin {

class CEventCommand : public QObject {
    Q_OBJECT

public:
    enum class End { Exited, Crashed, TimedOut, FailedToStart };
    Q_ENUM(End)

    struct Outcome {
        End end = End::Exited;
        int code = 0;             // Exited: the exit status; Crashed: the signal
        std::string error;        // FailedToStart: Qt's text
        std::string errorOutput;  // the end of its standard error
    };

    static constexpr qsizetype kMaxErrorBytes = 4096;

    // argv: the program, then its arguments; not empty.
    CEventCommand(std::vector<std::string> argv, std::chrono::milliseconds timeLimit,
                  QObject* parent = nullptr);
    // A command still running is killed with its group and reaped.
    ~CEventCommand() override;
    CEventCommand(const CEventCommand&) = delete;
    CEventCommand& operator=(const CEventCommand&) = delete;

    // Starts it and returns at once; Ended follows, also when it cannot start.
    void Start();
    const std::string& program() const { return argv_.front(); }
    // What happened; valid once Ended came.
    const Outcome& outcome() const { return outcome_; }

signals:
    // Always on a later turn of the event loop than Start(): the receiver may delete
    // the command (deleteLater) from there.
    void Ended();

private:
    void OnFinished(int exitCode, QProcess::ExitStatus status);
    void OnError(QProcess::ProcessError error);
    void KeepErrorOutput();
    void Overrun();
    void KillGroup();
    void Finish();

    std::vector<std::string> argv_;
    std::chrono::milliseconds timeLimit_;
    QProcess process_;
    QTimer limit_;
    Outcome outcome_;
    bool timedOut_ = false;
    bool ended_ = false;
};

}  // namespace tavelin
