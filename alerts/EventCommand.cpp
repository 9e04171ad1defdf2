#include "alerts/EventCommand.h"

#include <signal.h>
#include <unistd.h>

#include <QMetaObject>
#include <QStringList>
#include <utility>

namespace tavelin {
namespace {

// How long the destructor waits for a killed command to be reaped.
constexpr int kReapMs = 5000;

}  // namespace

CEventCommand::CEventCommand(std::vector<std::string> argv, std::chrono::milliseconds timeLimit,
                             QObject* parent)
    : QObject(parent), argv_(std::move(argv)), timeLimit_(timeLimit) {
    if (argv_.empty())
        argv_.emplace_back();  // fails to start, as an empty program should
    limit_.setSingleShot(true);
    connect(&limit_, &QTimer::timeout, this, &CEventCommand::Overrun);
    connect(&process_, &QProcess::finished, this, &CEventCommand::OnFinished);
    connect(&process_, &QProcess::errorOccurred, this, &CEventCommand::OnError);
    connect(&process_, &QProcess::readyReadStandardError, this, &CEventCommand::KeepErrorOutput);
}

CEventCommand::~CEventCommand() {
    if (process_.state() == QProcess::NotRunning)
        return;
    disconnect(&process_, nullptr, this, nullptr);
    KillGroup();
    process_.waitForFinished(kReapMs);
}

void CEventCommand::Start() {
    QStringList arguments;
    for (std::size_t i = 1; i < argv_.size(); ++i)
        arguments << QString::fromStdString(argv_[i]);
    // A program without a slash is looked up in PATH by QProcess, as execvp would.
    process_.setProgram(QString::fromStdString(argv_.front()));
    process_.setArguments(arguments);
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setStandardOutputFile(QProcess::nullDevice());
    // Runs in the child between fork and exec: only async-signal-safe calls.
    process_.setChildProcessModifier([] { ::setpgid(0, 0); });
    limit_.start(timeLimit_);
    process_.start(QIODevice::ReadOnly);
}

void CEventCommand::OnFinished(int exitCode, QProcess::ExitStatus status) {
    KeepErrorOutput();
    if (timedOut_)
        outcome_.end = End::TimedOut;
    else
        outcome_.end = status == QProcess::CrashExit ? End::Crashed : End::Exited;
    outcome_.code = exitCode;
    Finish();
}

void CEventCommand::OnError(QProcess::ProcessError error) {
    // A crash is told by finished() too; read and write errors end nothing.
    if (error != QProcess::FailedToStart)
        return;
    outcome_.end = End::FailedToStart;
    outcome_.error = process_.errorString().toStdString();
    Finish();
}

void CEventCommand::KeepErrorOutput() {
    const QByteArray more = process_.readAllStandardError();
    outcome_.errorOutput.append(more.constData(), static_cast<std::size_t>(more.size()));
    const std::size_t max = static_cast<std::size_t>(kMaxErrorBytes);
    if (outcome_.errorOutput.size() > max)
        outcome_.errorOutput.erase(0, outcome_.errorOutput.size() - max);
}

void CEventCommand::Overrun() {
    timedOut_ = true;
    KillGroup();
}

void CEventCommand::KillGroup() {
    const qint64 pid = process_.processId();
    // The group dies with its leader's signal; QProcess's own kill covers a child that
    // has not made its group yet.
    if (pid > 0)
        ::kill(static_cast<pid_t>(-pid), SIGKILL);
    process_.kill();
}

void CEventCommand::Finish() {
    if (ended_)
        return;
    ended_ = true;
    limit_.stop();
    // QProcess may report a failed start from inside start(); the receiver always hears
    // of it later.
    QMetaObject::invokeMethod(this, &CEventCommand::Ended, Qt::QueuedConnection);
}

}  // namespace tavelin
