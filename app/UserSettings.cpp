#include "app/UserSettings.h"

#include <QSettings>
#include <QString>
#include <memory>

#include "app/AppPaths.h"
#include "core/Log.h"

namespace tavelin {

namespace {

constexpr const char* kEnabledKey = "RecordOnMotion/enabled";
constexpr const char* kBeforeKey = "RecordOnMotion/secondsBefore";
constexpr const char* kCalmKey = "RecordOnMotion/calmSeconds";

std::unique_ptr<QSettings> Open() {
    const std::string file = CAppPaths::SettingsFile();
    if (!file.empty())
        return std::make_unique<QSettings>(QString::fromStdString(file), QSettings::IniFormat);
    return std::make_unique<QSettings>(QStringLiteral("Tavelin"),
                                       QStringLiteral("tavelin-video-center"));
}

int ReadInt(const QSettings& settings, const char* key, int fallback) {
    bool numeric = false;
    const int value = settings.value(QLatin1String(key)).toInt(&numeric);
    return numeric ? value : fallback;
}

}  // namespace

MotionRecordSetup CUserSettings::LoadMotionRecord() {
    const std::unique_ptr<QSettings> settings = Open();
    MotionRecordSetup setup;
    setup.enabled = settings->value(QLatin1String(kEnabledKey), setup.enabled).toBool();
    setup.secondsBefore = ReadInt(*settings, kBeforeKey, setup.secondsBefore);
    setup.calmSeconds = ReadInt(*settings, kCalmKey, setup.calmSeconds);
    return setup.Clamped();
}

bool CUserSettings::SaveMotionRecord(const MotionRecordSetup& setup) {
    const std::unique_ptr<QSettings> settings = Open();
    settings->setValue(QLatin1String(kEnabledKey), setup.enabled);
    settings->setValue(QLatin1String(kBeforeKey), setup.secondsBefore);
    settings->setValue(QLatin1String(kCalmKey), setup.calmSeconds);
    settings->sync();
    if (settings->status() == QSettings::NoError)
        return true;
    Log(LogArea::Ui, LogLevel::Warning,
        "the settings could not be written to " + settings->fileName().toStdString());
    return false;
}

}  // namespace tavelin
