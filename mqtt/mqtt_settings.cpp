#include "mqtt/mqtt_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace orvalinder::mqtt {
namespace {

constexpr auto kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr auto kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                         QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

}  // namespace

QString MqttSettingsFile::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/home-assistant.conf");
}

MqttSettings MqttSettingsFile::load() const {
    const QSettings file(path_, QSettings::IniFormat);
    MqttSettings s;
    const auto text = [&file](const char* key, const std::string& otherwise) {
        return file.value(QLatin1String(key), QString::fromStdString(otherwise)).toString().toStdString();
    };
    s.enabled = file.value("enabled", false).toBool();
    s.url = text("url", s.url);
    s.user = text("user", s.user);
    s.password = text("password", s.password);
    s.caFile = text("caFile", s.caFile);
    s.mqtt5 = file.value("mqtt5", s.mqtt5).toBool();
    s.baseTopic = text("baseTopic", s.baseTopic);
    s.discoveryPrefix = text("discoveryPrefix", s.discoveryPrefix);
    if (!override_.empty()) {
        s.url = override_;
        s.enabled = true;
    }
    return s;
}

bool MqttSettingsFile::save(const MqttSettings& settings) {
    MqttSettings stored = settings;
    if (!override_.empty()) {
        override_ = settings.url;
        const MqttSettings before = MqttSettingsFile(path_).load();
        stored.url = before.url;
        stored.enabled = before.enabled;
    }
    // The file is made the user's alone before the password goes in; QSettings
    // keeps its permissions when it writes it again.
    QDir().mkpath(QFileInfo(path_).path());
    QFile file(path_);
    if (!file.open(QIODevice::Append) || !file.setPermissions(kOwnerOnly)) return false;
    file.close();
    QSettings ini(path_, QSettings::IniFormat);
    ini.setValue("enabled", stored.enabled);
    ini.setValue("url", QString::fromStdString(stored.url));
    ini.setValue("user", QString::fromStdString(stored.user));
    ini.setValue("password", QString::fromStdString(stored.password));
    ini.setValue("caFile", QString::fromStdString(stored.caFile));
    ini.setValue("mqtt5", stored.mqtt5);
    ini.setValue("baseTopic", QString::fromStdString(stored.baseTopic));
    ini.setValue("discoveryPrefix", QString::fromStdString(stored.discoveryPrefix));
    ini.sync();
    return ini.status() == QSettings::NoError && !(QFile::permissions(path_) & kOthers);
}

}  // namespace orvalinder::mqtt
