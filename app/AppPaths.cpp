#include "AppPaths.h"

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

}  // namespace

std::string CAppPaths::ProgramDirectory() {
    return QCoreApplication::applicationDirPath().toStdString();
}

std::string CAppPaths::DataDirectory() {
    if (!DataDirectoryOverride().empty())
        return DataDirectoryOverride();
    const std::string program = ProgramDirectory();
    if (::access(program.c_str(), W_OK) == 0)
        return program;
    // An installed program usually sits in a folder its users cannot write: keep the
    // counter and the default pictures in the user's own data folder instead.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(data);
    return data.toStdString();
}

std::string CAppPaths::CounterFile() {
    return DataDirectory() + "/Pellor.inf";
}

std::string CAppPaths::TimerShotDefault() {
    return DataDirectory() + "/TimerCap.bmp";
}

std::string CAppPaths::AlarmSound(int position) {
    return ProgramDirectory() + "/Alarm/" + std::to_string(position) + ".wav";
}

void CAppPaths::SetDataDirectoryForTests(const std::string& directory) {
    DataDirectoryOverride() = directory;
}

}  // namespace tavelin
