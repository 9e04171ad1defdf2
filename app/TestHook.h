#pragma once
// Lets a test drive the running program from outside. With TAVELIN_TEST_HOOK naming a
// file, the program reads commands appended to that file, one per line, and answers
// each on standard output as "hook: <command>" once it has run it:
//
//   click <id>                 clicks the main window's button or control <id>
//   save-as <path>             answers the next save-file or open-file question
//                              with <path>
//   dialog-click <name>        clicks the button <name> of the dialog that is up
//   dialog-text <name> <text>  types <text> into the field <name> of that dialog
//   dialog-close               closes the dialog or message box that is up
//   tray <command id>          chooses an entry of the tray menu
//   state                      prints "state key=value ..." of the window (recording,
//                              monitor, objects, visible, frames shown, counter, armed,
//                              onmotion, camerastarts: the camera's starts so far,
//                              storage: ok, short or full)
//   modal                      prints "modal <text>" of the message box that is up,
//                              or "modal none"
//   dialog                     prints "dialog <class>" of the modal window that is up
//                              (a dialog or a message box), or "dialog none"
//   path                       prints "path <text>": the output path the next recording
//                              uses, as the window last took it from its field
//   geometry                   prints "geometry main=X,Y,W,H preview=X,Y,W,H": where the
//                              main and preview windows are with their frames
//                              (preview=none without the preview window)
//
// Besides the answers, each session event prints "event <name> [<path>]" as it is
// delivered (event names: core/SessionEvents.h).
//
// The file is read every 100 ms, also while a dialog is up. The hook also gives the
// window a tray (TAVELIN_TEST_TRAY=1) on a desktop without one, puts the files the
// program writes into TAVELIN_TEST_DATA_DIR, and shows the busy window for
// TAVELIN_TEST_SPLASH_MS milliseconds instead of its usual time.

#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <optional>

#include "widgets/FileChooser.h"

namespace tavelin {

class CMainDlg;
struct MainDlgSeams;

class CTestHook : public QObject, public IFileChooser {
    Q_OBJECT

public:
    // Null when the environment asks for no hook.
    static CTestHook* FromEnvironment(QObject* parent);

    // Fills in the seams the hook stands for.
    void Configure(MainDlgSeams& seams);
    // Starts reading commands for this window, before it starts up: a message box that
    // ends the start-up can be read and closed too.
    void Watch(CMainDlg& dialog);
    // The window is up: says "hook: ready".
    void Ready();

    std::optional<QString> SaveFileName(QWidget* parent, const QString& proposedName,
                                        const QString& defaultSuffix,
                                        const QStringList& nameFilters) override;
    std::optional<QString> OpenFileName(QWidget* parent, const QString& proposedName,
                                        const QStringList& nameFilters) override;

private:
    std::optional<QString> NextAnswer();
    CTestHook(const QString& commandFile, QObject* parent);
    void Poll();
    void Run(const QString& line);
    QString State() const;

    QString commandFile_;
    qint64 readUpTo_ = 0;
    QTimer poll_;
    CMainDlg* dialog_ = nullptr;
    std::deque<QString> saveAnswers_;
};

}  // namespace tavelin
