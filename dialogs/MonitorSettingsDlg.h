#pragma once
// The Monitor Settings dialog: three check boxes choose the monitor functions, a list
// picks the alarm sound (with a preview of at most 3.5 s), and a path says where
// motion stills go. OK stores the mode code; the main window then applies it. A fourth
// box, kept apart from the mode code, records on motion, with the seconds kept before
// the motion and the calm that ends the file; a fifth starts the program with the
// desktop, so that a watched room stays watched after the computer restarts. "Alerts..."
// asks the owner, by alertsRequested(), to open the Alerts dialog over this one.

#include <QBasicTimer>
#include <QDialog>
#include <QString>
#include <QStringList>
#include <ctime>
#include <memory>

#include "core/NoticeSink.h"
#include "core/SessionSettings.h"
#include "dialogs/SoundPreview.h"
#include "widgets/FileChooser.h"

namespace Ui {
class MonitorSettingsDlg;
}

namespace tavelin {

class CMonitorSettingsDlg : public QDialog {
    Q_OBJECT

public:
    // stored: the monitor settings in use; programDir: the folder of the executable,
    // holding the "Alarm" sounds; stillDir: where motion stills go until the user
    // chooses a place; now: the local time that names a first motion still.
    CMonitorSettingsDlg(QWidget* parent, MonitorSetup stored, ISoundPreview& preview,
                        bool noAudioDevice, INoticeSink& notices, IFileChooser& files,
                        const QString& programDir, const QString& stillDir, const std::tm& now);
    ~CMonitorSettingsDlg() override;

    // The settings as the dialog leaves them. The mode and record on motion change on OK
    // only; the alarm
    // sound (chosen by ticking the alarm or playing a sound) and a still folder picked
    // with Browse are kept however the dialog closes.
    const MonitorSetup& setup() const { return setup_; }

    // The "Start with the desktop" box: as given here on opening; changed by OK only.
    void SetStartWithDesktop(bool on);
    bool startWithDesktop() const { return startWithDesktop_; }

    // The names of the alarm sounds, by list position.
    static const QStringList& AlarmSoundNames();
    // The sound file of a list position; -1 (no position) names no existing file.
    static QString AlarmSoundFile(const QString& programDir, int position);
    // Where motion stills go until the user chooses a place.
    static QString DefaultStillPath(const QString& stillDir, const std::tm& now);

    bool playing() const { return playing_; }
    // Timer 10, which ends a preview.
    bool previewTimerActive() const { return previewTimer_.isActive(); }
    int previewTimerId() const { return previewTimer_.timerId(); }

public slots:
    void done(int result) override;

signals:
    // "Alerts..." was pressed; what the Alerts dialog keeps does not wait for this
    // dialog's OK.
    void alertsRequested();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void OnScanClicked();
    void OnAlarmClicked();
    void OnStillClicked();
    void OnRecordClicked();
    void OnBrowse();
    void OnPlay();
    void OnOk();
    void EndPreview();

    void ReadControls();
    void WriteControls();
    void SetAlarmControlsEnabled(bool enabled);
    void SetStillControlsEnabled(bool enabled);
    void SetRecordControlsEnabled(bool enabled);
    // The list's position; text typed into its edit field leaves none (-1).
    int SoundPosition() const;
    QString CurrentSoundFile() const;

    std::unique_ptr<Ui::MonitorSettingsDlg> ui_;
    ISoundPreview& preview_;
    INoticeSink& notices_;
    IFileChooser& files_;
    const QString programDir_;
    const bool noAudioDevice_;
    MonitorSetup setup_;

    bool scan_ = false;
    bool still_ = false;
    bool alarm_ = false;
    QString stillPath_;
    bool playing_ = false;
    bool soundTyped_ = false;
    bool startWithDesktop_ = false;
    QBasicTimer previewTimer_;
};

}  // namespace tavelin
