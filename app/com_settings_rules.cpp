#include "app/com_settings_rules.h"

#include <algorithm>
#include <cctype>

namespace orvalinder {
namespace {

std::string_view cut(std::string_view text) { return text.substr(0, kBoxTextLimit); }

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

std::optional<int> positionOf(const std::vector<std::string>& list, std::string_view text) {
    auto it = std::find(list.begin(), list.end(), text);
    if (it == list.end()) return std::nullopt;
    return static_cast<int>(it - list.begin());
}

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

const std::vector<std::string>& parityList() {
    static const std::vector<std::string> list{"NONE", "ODD", "EVEN", "MARK", "SPACE"};
    return list;
}

const std::vector<std::string>& speedList() {
    static const std::vector<std::string> list{"1200",  "2400",  "4800",  "7200",   "9600",   "14400",
                                               "19200", "38400", "57600", "115200", "128000", "256000"};
    return list;
}

const std::vector<std::string>& dataBitsList() {
    static const std::vector<std::string> list{"5", "6", "7", "8", "16"};
    return list;
}

const std::vector<std::string>& stopBitsList() {
    static const std::vector<std::string> list{"1", "1.5", "2"};
    return list;
}

std::vector<std::string> comPortList(const std::vector<std::string>& devicesFound) {
    std::vector<std::string> list;
    for (int n = 1; n <= 32; ++n) list.push_back("Com" + std::to_string(n));
    list.insert(list.end(), devicesFound.begin(), devicesFound.end());
    return list;
}

Preselection defaultSelection() { return Preselection{2, 0, 9, 3, 0, std::nullopt}; }

Preselection preselect(const SettingsStore& store, const std::vector<std::string>& portList) {
    Preselection p;
    if (!store.keyExists()) return p;

    if (const auto speed = readSetting(store, setting::Speed)) {
        p.speed = positionOf(speedList(), std::to_string(leadingDecimal(*speed))).value_or(9);
    }

    const auto stop = readSetting(store, setting::StopBits);
    p.stopBits = stop ? positionOf(stopBitsList(), *stop).value_or(0) : 0;

    if (const auto parity = readSetting(store, setting::Parity)) {
        p.parity = positionOf(parityList(), upper(*parity));
    } else {
        p.parity = 0;
    }

    if (const auto bits = readSetting(store, setting::DataBits)) {
        p.dataBits = positionOf(dataBitsList(), std::to_string(leadingDecimal(*bits)));
    } else {
        p.dataBits = 3;
    }

    p.port = 2;
    if (const auto port = readSetting(store, setting::Port)) {
        if (!port->empty() && port->front() == '/') {
            p.port = positionOf(portList, *port);
            if (!p.port) p.portText = *port;
        } else {
            const int number = port->size() > 3 ? leadingDecimal(std::string_view(*port).substr(3)) : 0;
            if (number >= 1 && number <= 32) p.port = number - 1;
        }
    }
    return p;
}

std::string normalisePort(std::string_view typed, PathStyle style, const std::vector<std::string>& devicesFound) {
    if (style == PathStyle::Posix) {
        std::string_view bare = typed;
        while (!bare.empty() && isSpace(bare.front())) bare.remove_prefix(1);
        while (!bare.empty() && isSpace(bare.back())) bare.remove_suffix(1);
        if (!bare.empty() && bare.front() == '/') return std::string(bare);
        for (const std::string& device : devicesFound) {
            const size_t slash = device.rfind('/');
            if (!bare.empty() && slash != std::string::npos && std::string_view(device).substr(slash + 1) == bare)
                return device;
        }
    }
    std::string text = upper(cut(typed));
    const auto isComLetter = [](char c) { return c == 'C' || c == 'O' || c == 'M'; };
    size_t first = 0;
    while (first < text.size() && isComLetter(text[first])) ++first;
    const int number = leadingDecimal(std::string_view(text).substr(first));  // what follows the number is ignored
    return number < 1 ? PortSettings{}.port : "Com" + std::to_string(number);
}

std::string normaliseParity(std::string_view typed) {
    const std::string text = upper(trimBlanks(cut(typed)));
    return positionOf(parityList(), text) ? text : PortSettings{}.parity;
}

std::string normaliseSpeed(std::string_view typed) {
    const std::string text(trimBlanks(cut(typed)));
    return positionOf(speedList(), text) ? text : PortSettings{}.speed;
}

std::string normaliseStopBits(std::string_view typed) {
    const std::string text(trimBlanks(cut(typed)));
    return text == "1.5" || text == "2" ? text : PortSettings{}.stopBits;
}

std::string normaliseDataBits(std::string_view typed) {
    const std::string text(trimBlanks(cut(typed)));
    return text == "16" || text == "7" || text == "6" || text == "5" ? text : PortSettings{}.dataBits;
}

PortSettings normalise(const TypedSettings& t, PathStyle style, const std::vector<std::string>& devicesFound) {
    return PortSettings{normalisePort(t.port, style, devicesFound), normaliseParity(t.parity), normaliseSpeed(t.speed),
                        normaliseStopBits(t.stopBits), normaliseDataBits(t.dataBits)};
}

}  // namespace orvalinder
