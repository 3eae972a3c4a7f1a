#include "serial/qt_settings_store.h"

#include <QSettings>
#include <memory>

namespace orvalinder {
namespace {

std::unique_ptr<QSettings> store() {
#ifdef Q_OS_WIN
    // By its full path: an organisation without an application would land in
    // a subkey of its own, and would read HKEY_LOCAL_MACHINE as well.
    auto settings =
        std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Orvalinder"), QSettings::NativeFormat);
#else
    // Orvalinder.conf in the user's configuration folder.
    auto settings =
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvalinder"));
#endif
    // The user's values only, never a machine-wide copy.
    settings->setFallbacksEnabled(false);
    return settings;
}

QString key(std::string_view name) { return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())); }

}  // namespace

bool QtSettingsStore::keyExists() const {
    const auto settings = store();
    for (std::string_view name : setting::All)
        if (settings->contains(key(name))) return true;
    return false;
}

std::optional<std::string> QtSettingsStore::value(std::string_view name) const {
    const auto settings = store();
    if (!settings->contains(key(name))) return std::nullopt;
    return settings->value(key(name)).toString().toStdString();
}

bool QtSettingsStore::setValue(std::string_view name, const std::string& text) {
    const auto settings = store();
    settings->setValue(key(name), QString::fromStdString(text));
    settings->sync();
    return settings->status() == QSettings::NoError;
}

}  // namespace orvalinder
