#pragma once
// A settings store held in memory, for the rules that read and write it.

#include <map>
#include <string>

#include "serial/port_settings.h"

namespace orvalinder::testing {

class MemorySettingsStore : public SettingsStore {
public:
    bool exists = false;
    std::map<std::string, std::string, std::less<>> values;

    bool keyExists() const override { return exists; }
    std::optional<std::string> value(std::string_view name) const override {
        if (!exists) return std::nullopt;
        auto it = values.find(name);
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    bool setValue(std::string_view name, const std::string& text) override {
        exists = true;
        values[std::string(name)] = text;
        return true;
    }
};

}  // namespace orvalinder::testing
