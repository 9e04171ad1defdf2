#pragma once
// SIGTERM, SIGINT and SIGHUP (a service stop, Ctrl-C, a log-out) end the program the
// way its Close button does, so a recording running then is finished with its index.
//
// The handler does nothing but write the signal's number to a pipe; the main loop
// reads it through a QSocketNotifier and emits quitRequested(). A second signal
// while the first is being served ends the process at once, from the handler.

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace tavelin {

class CQuitSignals : public QObject {
    Q_OBJECT

public:
    explicit CQuitSignals(QObject* parent = nullptr);
    // Puts the default handling back.
    ~CQuitSignals() override;
    CQuitSignals(const CQuitSignals&) = delete;
    CQuitSignals& operator=(const CQuitSignals&) = delete;

    // False when the pipe or a handler could not be set up; the signals then end the
    // program at once, as before.
    bool installed() const { return installed_; }

signals:
    void quitRequested(int signalNumber);

private:
    void OnReadable();

    std::unique_ptr<QSocketNotifier> notifier_;
    bool installed_ = false;
};

}  // namespace tavelin
