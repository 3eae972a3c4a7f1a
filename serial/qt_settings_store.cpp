#include "serial/qt_settings_store.h"

#include <QSettings>

namespace orvalinder {
namespace {

// No application name: the values sit directly under the organisation.
QSettings store() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orvalinder"); }

QString key(std::string_view name) { return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())); }

}  // namespace

bool QtSettingsStore::keyExists() const {
    const QSettings settings = store();
    for (std::string_view name : setting::All)
        if (settings.contains(key(name))) return true;
    return false;
}

std::optional<std::string> QtSettingsStore::value(std::string_view name) const {
    const QSettings settings = store();
    if (!settings.contains(key(name))) return std::nullopt;
    return settings.value(key(name)).toString().toStdString();
}

bool QtSettingsStore::setValue(std::string_view name, const std::string& text) {
    QSettings settings = store();
    settings.setValue(key(name), QString::fromStdString(text));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace orvalinder
