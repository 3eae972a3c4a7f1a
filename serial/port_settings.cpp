#include "serial/port_settings.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace orvalinder {
namespace {

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<std::string> readSetting(const SettingsStore& store, std::string_view name) {
    std::optional<std::string> text = store.value(name);
    // Device paths (/dev/serial/by-id/...) are often longer; cutting them
    // would silently open another port.
    const bool devicePathText = name == setting::Port && text && !text->empty() && text->front() == '/' &&
                                nativePathStyle() == PathStyle::Posix;
    if (text && text->size() > kMaxSettingLength && !devicePathText) return std::nullopt;
    return text;
}

bool writePortSettings(SettingsStore& store, const PortSettings& s) {
    bool ok = store.setValue(setting::Port, s.port);
    ok = store.setValue(setting::Parity, s.parity) && ok;
    ok = store.setValue(setting::Speed, s.speed) && ok;
    ok = store.setValue(setting::StopBits, s.stopBits) && ok;
    ok = store.setValue(setting::DataBits, s.dataBits) && ok;
    return ok;
}

PathStyle nativePathStyle() {
#ifdef _WIN32
    return PathStyle::Windows;
#else
    return PathStyle::Posix;
#endif
}

int leadingDecimal(std::string_view text) {
    size_t p = 0;
    while (p < text.size() && isSpace(text[p])) ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    long long value = 0;
    for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) {
        value = value * 10 + (text[p] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    return static_cast<int>(value);
}

std::string devicePath(const std::optional<std::string>& port, PathStyle style) {
    const std::string text = port.value_or(std::string(kDefaultPort));
    if (style == PathStyle::Windows) return "//./" + text;
    const std::string_view bare = trimmed(text);
    if (!bare.empty() && bare.front() == '/') return std::string(bare);
    if (bare.size() > 3 && equalsIgnoringCase(bare.substr(0, 3), "Com")) {
        // Every number the dialog stores, up to the int range; a larger one
        // must not saturate into another port.
        long long number = 0;
        bool allDigits = true;
        for (char c : bare.substr(3)) {
            allDigits = allDigits && c >= '0' && c <= '9';
            if (allDigits) number = std::min(number * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);
        }
        if (allDigits && number >= 1 && number <= INT_MAX) return "/dev/ttyS" + std::to_string(number - 1);
    }
    // Anything else was typed into the store by hand; opening it fails with
    // a message that names it.
    return text;
}

int parityCode(const std::optional<std::string>& text, int portParity) {
    if (!text) return 0;
    static constexpr std::string_view kNames[] = {"None", "Odd", "Even", "Mark", "Space"};
    for (int code = 0; code < 5; ++code)
        if (equalsIgnoringCase(*text, kNames[code])) return code;
    return portParity;
}

int baudRate(const std::optional<std::string>& text) { return text ? leadingDecimal(*text) : kDefaultBaudRate; }

int stopBitsCode(const std::optional<std::string>& text) {
    if (!text) return 0;
    if (*text == "1.5") return 1;
    if (*text == "2") return 2;
    return 0;
}

int dataBitsCount(const std::optional<std::string>& text) {
    if (!text) return kDefaultDataBits;
    const int bits = leadingDecimal(*text);
    return bits >= 5 && bits <= 8 ? bits : kDefaultDataBits;
}

}  // namespace orvalinder
