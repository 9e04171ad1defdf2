#include "app/UserSettings.h"

#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/AppPaths.h"
#include "core/Log.h"

namespace tavelin {

namespace {

constexpr const char* kEnabledKey = "RecordOnMotion/enabled";
constexpr const char* kBeforeKey = "RecordOnMotion/secondsBefore";
constexpr const char* kCalmKey = "RecordOnMotion/calmSeconds";
constexpr const char* kCameraKey = "Camera/name";
constexpr const char* kKeepFreeKey = "Storage/keepFreeMB";
constexpr const char* kMaxTotalKey = "Storage/maxTotalMB";
constexpr const char* kMaxAgeKey = "Storage/maxAgeDays";

// What stands under the name when it is not a regular file; empty when the file is
// regular or missing.
QString Unusable(const QFileInfo& file) {
    if (!file.exists() || file.isFile())
        return {};
    return file.isDir() ? QStringLiteral("a folder") : QStringLiteral("not a regular file");
}

// The settings file, or null (logged) when something other than a regular file has
// its name. QSettings reads the file as it opens it, so the test comes first.
std::unique_ptr<QSettings> Open() {
    const QString path = QString::fromStdString(CAppPaths::SettingsFile());
    const QString unusable = Unusable(QFileInfo(path));
    if (!unusable.isEmpty()) {
        Log(LogArea::Ui, LogLevel::Warning,
            "the settings file " + path.toStdString() + " is " + unusable.toStdString() +
                ": the defaults are used and nothing is stored");
        return nullptr;
    }
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

int ReadInt(const QSettings& settings, const char* key, int fallback) {
    bool numeric = false;
    const int value = settings.value(QLatin1String(key)).toInt(&numeric);
    return numeric ? value : fallback;
}

std::int64_t ReadInt64(const QSettings& settings, const char* key, std::int64_t fallback) {
    bool numeric = false;
    const qlonglong value = settings.value(QLatin1String(key)).toLongLong(&numeric);
    return numeric ? value : fallback;
}

bool Store(const std::function<void(QSettings&)>& write) {
    const std::unique_ptr<QSettings> settings = Open();
    if (settings == nullptr)
        return false;
    write(*settings);
    settings->sync();
    if (settings->status() == QSettings::NoError)
        return true;
    Log(LogArea::Ui, LogLevel::Warning,
        "the settings could not be written to " + settings->fileName().toStdString());
    return false;
}

}  // namespace

MotionRecordSetup CUserSettings::LoadMotionRecord() {
    MotionRecordSetup setup;
    const std::unique_ptr<QSettings> settings = Open();
    if (settings == nullptr)
        return setup;
    setup.enabled = settings->value(QLatin1String(kEnabledKey), setup.enabled).toBool();
    setup.secondsBefore = ReadInt(*settings, kBeforeKey, setup.secondsBefore);
    setup.calmSeconds = ReadInt(*settings, kCalmKey, setup.calmSeconds);
    return setup.Clamped();
}

bool CUserSettings::SaveMotionRecord(const MotionRecordSetup& setup) {
    return Store([&setup](QSettings& settings) {
        settings.setValue(QLatin1String(kEnabledKey), setup.enabled);
        settings.setValue(QLatin1String(kBeforeKey), setup.secondsBefore);
        settings.setValue(QLatin1String(kCalmKey), setup.calmSeconds);
    });
}

std::string CUserSettings::LoadCameraName() {
    const std::unique_ptr<QSettings> settings = Open();
    return settings == nullptr
               ? std::string()
               : settings->value(QLatin1String(kCameraKey)).toString().toStdString();
}

bool CUserSettings::SaveCameraName(const std::string& name) {
    return Store([&name](QSettings& settings) {
        settings.setValue(QLatin1String(kCameraKey), QString::fromStdString(name));
    });
}

StorageLimits CUserSettings::LoadStorageLimits() {
    StorageLimits limits;
    const std::unique_ptr<QSettings> settings = Open();
    if (settings == nullptr)
        return limits;
    limits.keepFreeMB = ReadInt64(*settings, kKeepFreeKey, limits.keepFreeMB);
    limits.maxTotalMB = ReadInt64(*settings, kMaxTotalKey, limits.maxTotalMB);
    limits.maxAgeDays = ReadInt64(*settings, kMaxAgeKey, limits.maxAgeDays);
    return limits.Clamped();
}

}  // namespace tavelin
