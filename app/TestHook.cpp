#include "app/TestHook.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <cstdio>

#include "app/AppPaths.h"
#include "app/MainDlg.h"
#include "widgets/PreviewWindow.h"
#include "widgets/SkinButton.h"

namespace tavelin {

namespace {

void Answer(const QString& text) {
    std::printf("%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

}  // namespace

CTestHook* CTestHook::FromEnvironment(QObject* parent) {
    const QString file = qEnvironmentVariable("TAVELIN_TEST_HOOK");
    return file.isEmpty() ? nullptr : new CTestHook(file, parent);
}

CTestHook::CTestHook(const QString& commandFile, QObject* parent)
    : QObject(parent), commandFile_(commandFile) {
    poll_.setInterval(100);
    connect(&poll_, &QTimer::timeout, this, &CTestHook::Poll);
}

void CTestHook::Configure(MainDlgSeams& seams) {
    seams.files = this;
    if (qEnvironmentVariable("TAVELIN_TEST_TRAY") == QStringLiteral("1"))
        seams.trayAvailable = [] { return true; };
    bool numeric = false;
    const int splashMs = qEnvironmentVariable("TAVELIN_TEST_SPLASH_MS").toInt(&numeric);
    if (numeric && splashMs >= 0)
        seams.splashMs = splashMs;
    const QString data = qEnvironmentVariable("TAVELIN_TEST_DATA_DIR");
    if (!data.isEmpty())
        CAppPaths::SetDataDirectoryForTests(data.toStdString());
}

void CTestHook::Watch(CMainDlg& dialog) {
    dialog_ = &dialog;
    poll_.start();
    // What happens is said as it is delivered: "event recording-started <path>".
    dialog.session().events().Subscribe([](const SessionEvent& event) {
        QString line = QStringLiteral("event ") + QString::fromLatin1(EventName(event.kind));
        if (!event.path.empty())
            line += u' ' + QString::fromStdString(event.path);
        Answer(line);
    });
}

void CTestHook::Ready() {
    Answer(QStringLiteral("hook: ready"));
}

std::optional<QString> CTestHook::SaveFileName(QWidget*, const QString&, const QString&,
                                               const QStringList&) {
    return NextAnswer();
}

std::optional<QString> CTestHook::OpenFileName(QWidget*, const QString&, const QStringList&) {
    return NextAnswer();
}

std::optional<QString> CTestHook::NextAnswer() {
    if (saveAnswers_.empty())
        return std::nullopt;
    QString answer = saveAnswers_.front();
    saveAnswers_.pop_front();
    return answer;
}

void CTestHook::Poll() {
    QFile file(commandFile_);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(readUpTo_))
        return;
    // Only whole lines; a line still being written waits for the next poll.
    const QByteArray text = file.readAll();
    const qsizetype end = text.lastIndexOf('\n') + 1;
    readUpTo_ += end;
    for (const QByteArray& line : text.left(end).split('\n')) {
        const QString command = QString::fromLocal8Bit(line).trimmed();
        if (command.isEmpty())
            continue;
        // Each command runs from the event loop, so one that opens a dialog does not
        // hold up the commands that answer it.
        QTimer::singleShot(0, this, [this, command] { Run(command); });
    }
}

void CTestHook::Run(const QString& line) {
    const QString verb = line.section(u' ', 0, 0);
    const QString rest = line.section(u' ', 1);
    if (dialog_ == nullptr)
        return;
    // Echoed before running: a command that opens a dialog returns only when it closes.
    if (verb == QStringLiteral("state")) {
        Answer(QStringLiteral("state ") + State());
        return;
    }
    if (verb == QStringLiteral("modal")) {
        const auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QString text = box != nullptr ? box->text() : QStringLiteral("none");
        Answer(QStringLiteral("modal ") + text.replace(u'\n', u' '));
        return;
    }
    if (verb == QStringLiteral("dialog")) {
        const QWidget* modal = QApplication::activeModalWidget();
        Answer(QStringLiteral("dialog ") +
               (modal != nullptr ? QString::fromLatin1(modal->metaObject()->className())
                                 : QStringLiteral("none")));
        return;
    }
    if (verb == QStringLiteral("path")) {
        Answer(QStringLiteral("path ") + QString::fromStdString(dialog_->session().aviPathText()));
        return;
    }
    if (verb == QStringLiteral("geometry")) {
        const auto text = [](const QWidget* window) {
            if (window == nullptr)
                return QStringLiteral("none");
            const QRect r = window->frameGeometry();
            return QStringLiteral("%1,%2,%3,%4")
                .arg(r.x())
                .arg(r.y())
                .arg(r.width())
                .arg(r.height());
        };
        Answer(QStringLiteral("geometry main=%1 preview=%2")
                   .arg(text(dialog_), text(dialog_->previewWindow())));
        return;
    }
    Answer(QStringLiteral("hook: ") + line);
    if (verb == QStringLiteral("click")) {
        if (auto* button = qobject_cast<QAbstractButton*>(dialog_->control(rest.toInt())))
            button->click();
    } else if (verb == QStringLiteral("save-as")) {
        saveAnswers_.push_back(rest);
    } else if (verb == QStringLiteral("dialog-click") || verb == QStringLiteral("dialog-text") ||
               verb == QStringLiteral("dialog-value")) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        const QString name = rest.section(u' ', 0, 0);
        if (verb == QStringLiteral("dialog-click")) {
            if (auto* button = modal->findChild<QAbstractButton*>(name))
                button->click();
        } else if (verb == QStringLiteral("dialog-value")) {
            if (auto* spin = modal->findChild<QSpinBox*>(name))
                spin->setValue(rest.section(u' ', 1).toInt());
        } else if (auto* field = modal->findChild<QLineEdit*>(name)) {
            field->setText(rest.section(u' ', 1));
        }
    } else if (verb == QStringLiteral("dialog-close")) {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    } else if (verb == QStringLiteral("tray")) {
        dialog_->OnTrayCommand(rest.toInt());
    }
}

QString CTestHook::State() const {
    const CFrameTick& tick = dialog_->tick();
    const CCameraSession& session = dialog_->session();
    const CWebSharing* web = dialog_->webSharing();
    return QStringLiteral(
               "recording=%1 monitor=%2 objects=%3 visible=%4 frames=%5 counter=%6 armed=%7 "
               "onmotion=%8 camerastarts=%9 storage=%10 webport=%11 viewers=%12 rtspport=%13 "
               "rtspclients=%14")
        .arg(session.recording())
        .arg(tick.monitor().monitorOn)
        .arg(tick.monitor().objectCount)
        .arg(dialog_->isVisible())
        .arg(tick.framesShown())
        .arg(dialog_->fileCounter())
        .arg(session.motionArmed())
        .arg(session.motionRecording())
        .arg(dialog_->capture().cameraBuilds())
        .arg(QString::fromLatin1(StorageVerdictName(session.storageVerdict())))
        .arg(web != nullptr ? web->webPort() : 0)
        .arg(web != nullptr ? web->viewers() : 0)
        .arg(web != nullptr ? web->rtspPort() : 0)
        .arg(web != nullptr ? web->rtspClients() : 0);
}

}  // namespace tavelin
