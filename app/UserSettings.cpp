#include "app/UserSettings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string_view>
#include <system_error>

#include "app/AppPaths.h"
#include "core/AlertSettingsRules.h"
#include "core/Handle.h"
#include "core/Log.h"
#include "core/WebPassword.h"
#include "core/WebSettingsRules.h"

namespace tavelin {

namespace {

constexpr const char* kEnabledKey = "RecordOnMotion/enabled";
constexpr const char* kBeforeKey = "RecordOnMotion/secondsBefore";
constexpr const char* kCalmKey = "RecordOnMotion/calmSeconds";
constexpr const char* kCameraKey = "Camera/name";
constexpr const char* kKeepFreeKey = "Storage/keepFreeMB";
constexpr const char* kMaxTotalKey = "Storage/maxTotalMB";
constexpr const char* kMaxAgeKey = "Storage/maxAgeDays";
constexpr const char* kDesktopKey = "Notifications/desktop";
constexpr const char* kQuietKey = "Notifications/quietSeconds";
constexpr const char* kMotionStartKey = "Events/onMotionStart";
constexpr const char* kMotionEndKey = "Events/onMotionEnd";
constexpr const char* kRecordingFinishedKey = "Events/onRecordingFinished";
constexpr const char* kCameraLostKey = "Events/onCameraLost";
constexpr const char* kStillSavedKey = "Events/onStillSaved";
constexpr const char* kHostKey = "Mqtt/host";
constexpr const char* kPortKey = "Mqtt/port";
constexpr const char* kUserKey = "Mqtt/user";
constexpr const char* kPasswordKey = "Mqtt/password";
constexpr const char* kCaFileKey = "Mqtt/caFile";
constexpr const char* kTopicKey = "Mqtt/topic";
constexpr const char* kDiscoveryKey = "Mqtt/discovery";
constexpr const char* kWebEnabledKey = "Web/enabled";
constexpr const char* kWebPortKey = "Web/port";
constexpr const char* kWebOthersKey = "Web/allowOthers";
constexpr const char* kWebUserKey = "Web/user";
constexpr const char* kWebHashKey = "Web/passwordHash";
constexpr const char* kWebCertKey = "Web/tlsCert";
constexpr const char* kWebKeyKey = "Web/tlsKey";
constexpr const char* kWebViewersKey = "Web/maxViewers";
constexpr const char* kRtspEnabledKey = "Rtsp/enabled";
constexpr const char* kRtspPortKey = "Rtsp/port";
constexpr const char* kRtspEncoderKey = "Rtsp/encoder";
constexpr const char* kPasswordVariable = "TAVELIN_WEB_PASSWORD";

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

// A number outside [min, max] counts as none.
int ReadIntIn(const QSettings& settings, const char* key, int fallback, int min, int max) {
    const std::int64_t value = ReadInt64(settings, key, fallback);
    return value >= min && value <= max ? static_cast<int>(value) : fallback;
}

std::string ReadString(const QSettings& settings, const char* key) {
    const QVariant value = settings.value(QLatin1String(key));
    // QSettings quotes what it writes; a value written by hand with a comma reads as a
    // list, and meant the whole line.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    return value.toString().toStdString();
}

// A hash is no password, but it lets whoever reads it try passwords at leisure.
bool HoldsPassword(const QSettings& settings) {
    return !settings.value(QLatin1String(kPasswordKey)).toString().isEmpty() ||
           !settings.value(QLatin1String(kWebHashKey)).toString().isEmpty();
}

// Takes group and others' access away from the settings file, creating it empty when
// missing. QSettings writes a temporary file that it renames over the old one; that
// file is private from its creation when the old one is (QSaveFile gives it the old
// mode), so a password is never on the disk where others may read it. The process's
// umask is left alone: other threads create recordings meanwhile.
bool MakePrivate(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray name = QFile::encodeName(path);
    const UniqueFd fd(
        ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600));
    struct stat status {};
    const char* failed = nullptr;
    if (!fd)
        failed = "open";
    else if (::fstat(fd.get(), &status) != 0)
        failed = "stat";
    else if ((status.st_mode & 077) != 0 && ::fchmod(fd.get(), status.st_mode & 0700) != 0)
        failed = "chmod";
    if (failed == nullptr)
        return true;
    const std::string why = std::generic_category().message(errno);
    Log(LogArea::Ui, LogLevel::Warning,
        "the settings file " + path.toStdString() + " cannot be made readable by its owner only (" +
            failed + ": " + why + "); it is not written while it holds a password");
    return false;
}

// `addsPassword`: the write stores the broker's password or the web password's hash.
bool Store(const std::function<void(QSettings&)>& write, bool addsPassword = false) {
    const std::unique_ptr<QSettings> settings = Open();
    if (settings == nullptr)
        return false;
    // Nothing is written yet: a refusal here leaves the file as it was.
    if ((addsPassword || HoldsPassword(*settings)) && !MakePrivate(settings->fileName()))
        return false;
    write(*settings);
    settings->sync();
    // Whatever way QSettings wrote the file, it is private before this returns.
    const bool isPrivate = !HoldsPassword(*settings) || MakePrivate(settings->fileName());
    if (settings->status() == QSettings::NoError && isPrivate)
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

bool CUserSettings::SaveStorageLimits(const StorageLimits& limits) {
    return Store([&limits](QSettings& settings) {
        settings.setValue(QLatin1String(kKeepFreeKey), static_cast<qlonglong>(limits.keepFreeMB));
        settings.setValue(QLatin1String(kMaxTotalKey), static_cast<qlonglong>(limits.maxTotalMB));
        settings.setValue(QLatin1String(kMaxAgeKey), static_cast<qlonglong>(limits.maxAgeDays));
    });
}

AlertSettings CUserSettings::LoadAlerts() {
    AlertSettings alerts;
    const std::unique_ptr<QSettings> settings = Open();
    if (settings == nullptr)
        return alerts;
    NotificationSettings& notifications = alerts.notifications;
    notifications.desktop =
        settings->value(QLatin1String(kDesktopKey), notifications.desktop).toBool();
    notifications.quietSeconds = static_cast<int>(
        std::clamp<std::int64_t>(ReadInt64(*settings, kQuietKey, notifications.quietSeconds), 0,
                                 NotificationSettings::kMaxQuietSeconds));
    EventCommands& events = alerts.events;
    events.onMotionStart = ReadString(*settings, kMotionStartKey);
    events.onMotionEnd = ReadString(*settings, kMotionEndKey);
    events.onRecordingFinished = ReadString(*settings, kRecordingFinishedKey);
    events.onCameraLost = ReadString(*settings, kCameraLostKey);
    events.onStillSaved = ReadString(*settings, kStillSavedKey);
    MqttSettings& mqtt = alerts.mqtt;
    mqtt.host = ReadString(*settings, kHostKey);
    const std::int64_t port = ReadInt64(*settings, kPortKey, mqtt.port);
    if (port >= kMinPort && port <= kMaxPort)
        mqtt.port = static_cast<int>(port);
    mqtt.user = ReadString(*settings, kUserKey);
    mqtt.password = ReadString(*settings, kPasswordKey);
    mqtt.caFile = ReadString(*settings, kCaFileKey);
    mqtt.topic = ReadString(*settings, kTopicKey);
    mqtt.discovery = settings->value(QLatin1String(kDiscoveryKey), mqtt.discovery).toBool();
    return WithinRules(std::move(alerts));
}

bool CUserSettings::SaveAlerts(const AlertSettings& alerts) {
    const auto text = [](const std::string& s) { return QString::fromStdString(s); };
    return Store(
        [&](QSettings& settings) {
            const auto set = [&settings](const char* key, const QVariant& value) {
                settings.setValue(QLatin1String(key), value);
            };
            set(kDesktopKey, alerts.notifications.desktop);
            set(kQuietKey, alerts.notifications.quietSeconds);
            set(kMotionStartKey, text(alerts.events.onMotionStart));
            set(kMotionEndKey, text(alerts.events.onMotionEnd));
            set(kRecordingFinishedKey, text(alerts.events.onRecordingFinished));
            set(kCameraLostKey, text(alerts.events.onCameraLost));
            set(kStillSavedKey, text(alerts.events.onStillSaved));
            set(kHostKey, text(alerts.mqtt.host));
            set(kPortKey, alerts.mqtt.port);
            set(kUserKey, text(alerts.mqtt.user));
            set(kPasswordKey, text(alerts.mqtt.password));
            set(kCaFileKey, text(alerts.mqtt.caFile));
            set(kTopicKey, text(alerts.mqtt.topic));
            set(kDiscoveryKey, alerts.mqtt.discovery);
        },
        !alerts.mqtt.password.empty());
}

WebSettings CUserSettings::LoadWeb() {
    WebSettings web;
    if (const std::unique_ptr<QSettings> settings = Open()) {
        web.enabled = settings->value(QLatin1String(kWebEnabledKey), web.enabled).toBool();
        web.port = ReadIntIn(*settings, kWebPortKey, web.port, kMinPort, kMaxPort);
        web.allowOthers = settings->value(QLatin1String(kWebOthersKey), web.allowOthers).toBool();
        web.user = ReadString(*settings, kWebUserKey);
        web.passwordHash = ReadString(*settings, kWebHashKey);
        web.tlsCert = ReadString(*settings, kWebCertKey);
        web.tlsKey = ReadString(*settings, kWebKeyKey);
        web.maxViewers =
            ReadIntIn(*settings, kWebViewersKey, web.maxViewers, kMinWebViewers, kMaxWebViewers);
    }
    web = WithinRules(std::move(web));

    const char* password = std::getenv(kPasswordVariable);
    if (password == nullptr || *password == '\0' || CheckPassword(password, web.passwordHash))
        return web;
    const std::string_view given(password);
    std::string hash = given.size() <= kLongestPassword ? HashPassword(given) : std::string();
    if (hash.empty()) {
        Log(LogArea::Web, LogLevel::Warning,
            std::string("the password in ") + kPasswordVariable + " is not used (" +
                (given.size() > kLongestPassword
                     ? "longer than " + std::to_string(kLongestPassword) + " bytes"
                     : std::string("no random bytes to hash it with")) +
                "): the stored one stays");
        return web;
    }
    web.passwordHash = std::move(hash);
    Log(LogArea::Web, LogLevel::Info,
        std::string("the web password is set from ") + kPasswordVariable);
    Store(
        [&web](QSettings& settings) {
            settings.setValue(QLatin1String(kWebHashKey), QString::fromStdString(web.passwordHash));
        },
        true);
    return web;
}

bool CUserSettings::SaveWeb(const WebSettings& web) {
    const auto text = [](const std::string& s) { return QString::fromStdString(s); };
    return Store(
        [&](QSettings& settings) {
            const auto set = [&settings](const char* key, const QVariant& value) {
                settings.setValue(QLatin1String(key), value);
            };
            set(kWebEnabledKey, web.enabled);
            set(kWebPortKey, web.port);
            set(kWebOthersKey, web.allowOthers);
            set(kWebUserKey, text(web.user));
            set(kWebHashKey, text(web.passwordHash));
            set(kWebCertKey, text(web.tlsCert));
            set(kWebKeyKey, text(web.tlsKey));
            set(kWebViewersKey, web.maxViewers);
        },
        !web.passwordHash.empty());
}

RtspSettings CUserSettings::LoadRtsp() {
    RtspSettings rtsp;
    const std::unique_ptr<QSettings> settings = Open();
    if (settings == nullptr)
        return rtsp;
    rtsp.enabled = settings->value(QLatin1String(kRtspEnabledKey), rtsp.enabled).toBool();
    rtsp.port = ReadIntIn(*settings, kRtspPortKey, rtsp.port, kMinPort, kMaxPort);
    rtsp.encoder = ReadString(*settings, kRtspEncoderKey);
    return WithinRules(std::move(rtsp));
}

bool CUserSettings::SaveRtsp(const RtspSettings& rtsp) {
    return Store([&rtsp](QSettings& settings) {
        settings.setValue(QLatin1String(kRtspEnabledKey), rtsp.enabled);
        settings.setValue(QLatin1String(kRtspPortKey), rtsp.port);
        settings.setValue(QLatin1String(kRtspEncoderKey), QString::fromStdString(rtsp.encoder));
    });
}

}  // namespace tavelin
