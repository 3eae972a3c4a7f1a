#pragma once
// The Com settings as stored, but for a port given on the command line
// (--port): that window's own. Its Port is never written to the stored
// settings, so other windows, and the next start, keep theirs.

#include <optional>
#include <string>

#include "serial/port_settings.h"

namespace orvalinder {

class PortOverrideStore : public SettingsStore {
public:
    // An empty `port` overrides nothing.
    PortOverrideStore(SettingsStore& stored, std::string port) : stored_(stored), port_(std::move(port)) {}

    bool keyExists() const override { return !port_.empty() || stored_.keyExists(); }
    std::optional<std::string> value(std::string_view name) const override {
        if (!port_.empty() && name == "Port") return port_;
        return stored_.value(name);
    }
    bool setValue(std::string_view name, const std::string& text) override {
        if (!port_.empty() && name == "Port") {
            port_ = text;
            return true;
        }
        return stored_.setValue(name, text);
    }

private:
    SettingsStore& stored_;
    std::string port_;
};

}  // namespace orvalinder
