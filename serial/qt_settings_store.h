#pragma once
// The serial settings in the per-user store: the registry key
// HKEY_CURRENT_USER\Software\Orvalinder on Windows, Orvalinder.conf in the
// user's configuration folder elsewhere.

#include "serial/port_settings.h"

namespace orvalinder {

class QtSettingsStore : public SettingsStore {
public:
    bool keyExists() const override;
    std::optional<std::string> value(std::string_view name) const override;
    bool setValue(std::string_view name, const std::string& text) override;
};

}  // namespace orvalinder
