#include "app/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>

#include "app/AppPaths.h"
#include "core/Log.h"
#include "core/ReplacingFile.h"
#include "core/SiblingFile.h"

namespace tavelin {

namespace {

constexpr const char* kEntryName = "tavelin-video-center.desktop";

// The program's desktop entry as installed, or one for the program that runs now when
// that is a build or no entry is installed.
QByteArray EntryText() {
    if (!CAppPaths::RunsFromBuildFolder()) {
        const QString installed =
            QStandardPaths::locate(QStandardPaths::ApplicationsLocation, QLatin1String(kEntryName));
        QFile file(installed);
        if (!installed.isEmpty() && file.open(QIODevice::ReadOnly))
            return file.readAll();
    }
    QString program = QCoreApplication::applicationFilePath();
    program.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Tavelin Video Center\n"
               "Exec=\"%1\"\n"
               "Icon=tavelin-video-center\n"
               "Terminal=false\n")
        .arg(program)
        .toUtf8();
}

bool Fail(QString& why, const QString& text) {
    why = text;
    Log(LogArea::Ui, LogLevel::Warning, "start with the desktop: " + text.toStdString());
    return false;
}

}  // namespace

QString CAutostart::EntryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + QLatin1String(kEntryName);
}

bool CAutostart::IsEnabled() {
    QFile file(EntryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.trimmed() == "Hidden=true")
            return false;
    }
    return true;
}

bool CAutostart::Set(bool on, QString& why) {
    const QString path = EntryPath();
    if (!on) {
        if (!QFile::exists(path) || QFile::remove(path))
            return true;
        return Fail(why, QStringLiteral("%1 cannot be removed").arg(path));
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return Fail(why, QStringLiteral("the folder of %1 cannot be made").arg(path));
    const QByteArray text = EntryText();
    CReplacingFile entry(path.toStdString());
    if (!entry.isOpen() || !entry.Write(text.constData(), static_cast<std::size_t>(text.size())) ||
        !entry.Commit()) {
        return Fail(why, QStringLiteral("%1 cannot be written: %2")
                             .arg(path, QString::fromStdString(SystemErrorText(errno))));
    }
    Log(LogArea::Ui, LogLevel::Info, "start with the desktop: " + path.toStdString() + " written");
    return true;
}

}  // namespace tavelin
