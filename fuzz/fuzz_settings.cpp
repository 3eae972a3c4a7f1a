// Random stored and typed settings texts through the opener's readings and
// the Com settings dialog's rules: nothing undefined, and what the rules
// promise holds: numbers read as strtol reads them (saturated to int),
// normalised texts are texts of the lists or a port the opener can map,
// normalising twice changes nothing, and what OK stores the dialog selects
// again when it opens.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "app/com_settings_rules.h"
#include "fuzz/reference.h"
#include "serial/port_settings.h"

namespace {

using namespace orvalinder;

class MemoryStore : public SettingsStore {
public:
    bool exists = true;
    std::map<std::string, std::string, std::less<>> values;

    bool keyExists() const override { return exists; }
    std::optional<std::string> value(std::string_view name) const override {
        const auto it = values.find(name);
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    bool setValue(std::string_view name, const std::string& text) override {
        values[std::string(name)] = text;
        return true;
    }
};

bool inList(const std::vector<std::string>& list, const std::string& text) {
    return std::find(list.begin(), list.end(), text) != list.end();
}

bool validPosition(const std::optional<int>& position, const std::vector<std::string>& list) {
    return !position || (*position >= 0 && static_cast<size_t>(*position) < list.size());
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string trimmed(const std::string& text) {
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    size_t first = 0, last = text.size();
    while (first < last && space(text[first])) ++first;
    while (last > first && space(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// "ComN" with N from 1 to INT_MAX written without leading zeros: N, else 0.
int comNumber(const std::string& text) {
    if (text.size() < 4 || text.compare(0, 3, "Com") != 0 || text[3] == '0') return 0;
    for (size_t i = 3; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return 0;
    if (text.size() > 13) return 0;
    const long long n = std::stoll(text.substr(3));
    return n <= INT_MAX ? static_cast<int>(n) : 0;
}

void checkReadings(const std::string& text) {
    const int number = fuzzref::leadingDecimal(text);
    FUZZ_CHECK(leadingDecimal(text) == number);
    FUZZ_CHECK(baudRate(text) == number);
    FUZZ_CHECK(dataBitsCount(text) == (number >= 5 && number <= 8 ? number : 8));

    const int parity = parityCode(text, -7);
    const auto& parities = parityList();
    const auto named = std::find(parities.begin(), parities.end(), upper(text));
    FUZZ_CHECK(parity == (named == parities.end() ? -7 : static_cast<int>(named - parities.begin())));

    const int stop = stopBitsCode(text);
    FUZZ_CHECK(stop == (text == "1.5" ? 1 : text == "2" ? 2 : 0));

    FUZZ_CHECK(devicePath(text, PathStyle::Windows) == "//./" + text);
    const std::string path = devicePath(text, PathStyle::Posix);
    const std::string bare = trimmed(text);
    if (!bare.empty() && bare[0] == '/') FUZZ_CHECK(path == bare);
}

// The opener maps every port text that OK stores.
void checkPortMaps(const std::string& port) {
    if (port[0] == '/') {
        FUZZ_CHECK(devicePath(port, PathStyle::Posix) == port);
        return;
    }
    const int n = comNumber(port);
    FUZZ_CHECK(n >= 1);
    FUZZ_CHECK(devicePath(port, PathStyle::Windows) == "//./" + port);
    FUZZ_CHECK(devicePath(port, PathStyle::Posix) == "/dev/ttyS" + std::to_string(n - 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const PathStyle style = input.ConsumeBool() ? PathStyle::Posix : PathStyle::Windows;
    std::vector<std::string> devices;
    // Serial devices as the machine lists them: tty..., rfcomm..., cu.... (a
    // device named like a Com text, /dev/Com3, would shadow the Com rule).
    for (int n = input.ConsumeIntegralInRange(0, 3); n > 0; --n) {
        static const char* const kKinds[] = {"/dev/tty", "/dev/rfcomm", "/dev/cu."};
        std::string name = input.ConsumeRandomLengthString(20);
        std::erase(name, '/');
        devices.push_back(kKinds[input.ConsumeIntegralInRange(0, 2)] + name);
    }
    TypedSettings typed;
    for (std::string* text : {&typed.port, &typed.parity, &typed.speed, &typed.stopBits, &typed.dataBits})
        *text = input.ConsumeRandomLengthString(80);
    MemoryStore stored;
    stored.exists = input.ConsumeBool();
    for (std::string_view name : setting::All)
        if (input.ConsumeBool()) stored.values[std::string(name)] = input.ConsumeRandomLengthString(40);

    for (const std::string* text : {&typed.port, &typed.parity, &typed.speed, &typed.stopBits, &typed.dataBits})
        checkReadings(*text);
    FUZZ_CHECK(baudRate(std::nullopt) == 115200 && dataBitsCount(std::nullopt) == 8);
    FUZZ_CHECK(parityCode(std::nullopt, 3) == 0 && stopBitsCode(std::nullopt) == 0);

    const std::vector<std::string> ports = comPortList(devices);
    FUZZ_CHECK(ports.size() == 32 + devices.size() && ports[0] == "Com1" && ports[31] == "Com32");

    // What the store gives back: missing or too long is nothing, device
    // paths excepted.
    for (std::string_view name : setting::All) {
        const auto read = readSetting(stored, name);
        const auto held = stored.value(name);
        const bool path = name == setting::Port && held && !held->empty() && (*held)[0] == '/';
        FUZZ_CHECK(read == (held && (held->size() <= kMaxSettingLength || path) ? held : std::nullopt));
    }

    // The dialog opening on whatever the store holds.
    const Preselection shown = preselect(stored, ports);
    FUZZ_CHECK(validPosition(shown.port, ports) && validPosition(shown.parity, parityList()) &&
               validPosition(shown.speed, speedList()) && validPosition(shown.dataBits, dataBitsList()) &&
               validPosition(shown.stopBits, stopBitsList()));
    FUZZ_CHECK(!shown.portText || !shown.port);

    // OK: every text is one the opener takes, and OK again keeps it.
    const PortSettings settings = normalise(typed, style, devices);
    FUZZ_CHECK(inList(parityList(), settings.parity) && inList(speedList(), settings.speed) &&
               inList(stopBitsList(), settings.stopBits) && inList(dataBitsList(), settings.dataBits));
    checkPortMaps(settings.port);
    if (settings.port[0] == '/')
        FUZZ_CHECK(style == PathStyle::Posix &&
                   (settings.port == trimmed(typed.port) || inList(devices, settings.port)));
    const TypedSettings again{settings.port, settings.parity, settings.speed, settings.stopBits, settings.dataBits};
    const PortSettings twice = normalise(again, style, devices);
    FUZZ_CHECK(twice.port == settings.port && twice.parity == settings.parity && twice.speed == settings.speed &&
               twice.stopBits == settings.stopBits && twice.dataBits == settings.dataBits);

    // What OK stored, the dialog selects when it opens again.
    MemoryStore written;
    FUZZ_CHECK(writePortSettings(written, settings));
    const Preselection back = preselect(written, ports);
    FUZZ_CHECK(back.parity && parityList()[*back.parity] == settings.parity);
    FUZZ_CHECK(back.speed && speedList()[*back.speed] == settings.speed);
    FUZZ_CHECK(back.stopBits && stopBitsList()[*back.stopBits] == settings.stopBits);
    FUZZ_CHECK(back.dataBits && dataBitsList()[*back.dataBits] == settings.dataBits);
    if (settings.port[0] == '/') {
        FUZZ_CHECK(back.port ? ports[*back.port] == settings.port : back.portText == settings.port);
    } else {
        const int n = comNumber(settings.port);
        FUZZ_CHECK(back.port == (n <= 32 ? n - 1 : 2) && !back.portText);
    }
    return 0;
}
