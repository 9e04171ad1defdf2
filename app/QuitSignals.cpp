#include "app/QuitSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>

#include "app/AppLog.h"

namespace tavelin {

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may touch only these: a pipe's write end and a flag.
int g_writeEnd = -1;
int g_readEnd = -1;
std::atomic<bool> g_quitting{false};

extern "C" void OnQuitSignal(int signalNumber) {
    if (g_quitting.exchange(true)) {
        // Asked twice: the user means it, whatever the tear-down is waiting for.
        ::_exit(128 + signalNumber);
    }
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    // A full pipe means a signal is already waiting to be read: nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &number, 1);
    errno = savedErrno;
}

}  // namespace

CQuitSignals::CQuitSignals(QObject* parent) : QObject(parent) {
    if (g_writeEnd >= 0)
        return;  // one watcher per process
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcUi, "cannot watch for quit signals: %s", strerror(errno));
        return;
    }
    g_readEnd = ends[0];
    g_writeEnd = ends[1];
    g_quitting = false;
    notifier_ = std::make_unique<QSocketNotifier>(g_readEnd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &CQuitSignals::OnReadable);

    struct sigaction action {};
    action.sa_handler = &OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    installed_ = true;
    for (const int signalNumber : kQuitSignals) {
        if (::sigaction(signalNumber, &action, nullptr) != 0)
            installed_ = false;
    }
}

CQuitSignals::~CQuitSignals() {
    if (!notifier_)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : kQuitSignals)
        ::sigaction(signalNumber, &action, nullptr);
    notifier_.reset();
    ::close(g_readEnd);
    ::close(g_writeEnd);
    g_readEnd = g_writeEnd = -1;
}

void CQuitSignals::OnReadable() {
    unsigned char number = 0;
    while (::read(g_readEnd, &number, 1) == 1) {
        qCInfo(lcUi, "ending on signal %d (%s)", number, strsignal(number));
        emit quitRequested(number);
    }
}

}  // namespace tavelin
