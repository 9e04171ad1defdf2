#pragma once
// The timer-shot settings: the countdown in seconds (1 ... 3600) and the file the timer
// shot is written to, either the default file beside the program or one the user
// picks. OK stores both; the close box and Escape store nothing.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

#include "core/NoticeSink.h"
#include "core/SessionSettings.h"
#include "widgets/FileChooser.h"

namespace Ui {
class TimerShotDlg;
}

namespace tavelin {

// The messages of a refused interval; both name the problem, the second the bounds.
inline constexpr const char* kIntervalNotANumber =
    "The timer counter must be a whole number of seconds.";
inline constexpr const char* kIntervalOutOfRange =
    "The timer counter must be between 1 and 3600 seconds.";

class CTimerShotDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMinSeconds = 1;
    static constexpr int kMaxSeconds = 3600;

    // stored: the interval and file in use; defaultFile: the timer shot's file beside
    // the program.
    CTimerShotDlg(QWidget* parent, TimerShotSetup stored, const QString& defaultFile,
                  INoticeSink& notices, IFileChooser& files);
    ~CTimerShotDlg() override;

    // The interval and file: as stored on opening, or as OK stored them.
    const TimerShotSetup& setup() const { return setup_; }

private:
    enum SaveChoice { SamePath = 0, SpecifiedPath = 1 };

    void OnSamePath();
    void OnSpecifiedPath();
    void OnBrowse();
    void OnOk();

    // False, after telling the user, when the interval field holds no acceptable number.
    bool ReadControls();
    void WriteControls();
    void SetPathControlsEnabled(bool enabled);

    std::unique_ptr<Ui::TimerShotDlg> ui_;
    INoticeSink& notices_;
    IFileChooser& files_;
    const QString defaultFile_;
    TimerShotSetup setup_;

    QString savePath_;
    int saveChoice_ = SamePath;
    std::uint32_t interval_ = 5;
};

}  // namespace tavelin
