#include "app/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tavelin {

namespace {

std::string& DataDirectoryOverride() {
    static std::string directory;
    return directory;
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

bool CAppPaths::RunsFromBuildFolder() {
    // Not whether the folder can be written: root can write into /usr/lib, and an
    // installation there must stay as the package left it.
    return QFileInfo(QCoreApplication::applicationDirPath() + u'/' +
                     QLatin1String(kBuildFolderMarker))
        .isFile();
}

std::string CAppPaths::DataDirectory() {
    if (!DataDirectoryOverride().empty())
        return DataDirectoryOverride();
    if (RunsFromBuildFolder())
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
    if (!DataDirectoryOverride().empty() || RunsFromBuildFolder())
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
    if (!DataDirectoryOverride().empty())
        return DataDirectoryOverride() + "/tavelin-video-center.conf";
    // Where QSettings keeps the organisation's settings for this application.
    return (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/Tavelin/tavelin-video-center.conf"))
        .toStdString();
}

void CAppPaths::SetDataDirectoryForTests(const std::string& directory) {
    DataDirectoryOverride() = directory;
}

}  // namespace tavelin
