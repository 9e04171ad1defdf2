#include "app/AppPaths.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace tavelin {

namespace {

std::string& DataDirectoryOverride() {
    static std::string directory;
    return directory;
}

bool ProgramDirectoryWritable() {
    return ::access(QCoreApplication::applicationDirPath().toLocal8Bit().constData(), W_OK) == 0;
}

// A standard folder of the user's, made if it is missing; empty when there is none.
std::string UserFolder(QStandardPaths::StandardLocation location) {
    const QString folder = QStandardPaths::writableLocation(location);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return {};
    return folder.toStdString();
}

}  // namespace

std::string CAppPaths::ProgramDirectory() {
    return QCoreApplication::applicationDirPath().toStdString();
}

std::string CAppPaths::DataDirectory() {
    if (!DataDirectoryOverride().empty())
        return DataDirectoryOverride();
    if (ProgramDirectoryWritable())
        return ProgramDirectory();
    const std::string data = UserFolder(QStandardPaths::AppLocalDataLocation);
    return data.empty() ? QDir::homePath().toStdString() : data;
}

std::string CAppPaths::RecordingDirectory() {
    return DataDirectoryUnlessInstalled(QStandardPaths::MoviesLocation);
}

std::string CAppPaths::PictureDirectory() {
    return DataDirectoryUnlessInstalled(QStandardPaths::PicturesLocation);
}

std::string CAppPaths::DataDirectoryUnlessInstalled(QStandardPaths::StandardLocation location) {
    if (!DataDirectoryOverride().empty() || ProgramDirectoryWritable())
        return DataDirectory();
    const std::string folder = UserFolder(location);
    return folder.empty() ? DataDirectory() : folder;
}

std::string CAppPaths::CounterFile() {
    return DataDirectory() + "/Pellor.inf";
}

std::string CAppPaths::TimerShotDefault() {
    return PictureDirectory() + "/TimerCap.bmp";
}

std::string CAppPaths::SettingsFile() {
    return DataDirectoryOverride().empty() ? std::string()
                                           : DataDirectoryOverride() + "/tavelin-video-center.conf";
}

void CAppPaths::SetDataDirectoryForTests(const std::string& directory) {
    DataDirectoryOverride() = directory;
}

}  // namespace tavelin
