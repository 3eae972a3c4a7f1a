#include "codes/code_sets.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <utility>

#include "codes/board_message.h"
#include "codes/encoder.h"
#include "codes/formats.h"
#include "codes/irdb_csv.h"
#include "codes/irp.h"
#include "codes/protocols.h"
#include "core/button_names.h"

namespace orvalinder::codes {

namespace {

constexpr std::pair<DeviceKind, std::string_view> kKindNames[] = {
    {DeviceKind::Tv, "tv"},       {DeviceKind::SetTopBox, "set-top-box"},          {DeviceKind::Projector, "projector"},
    {DeviceKind::Audio, "audio"}, {DeviceKind::AirConditioner, "air-conditioner"},
};

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = char(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> result;
    size_t at = line.find_first_not_of(" \t\r");
    while (at != std::string_view::npos) {
        const size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
        result.push_back(line.substr(at, end - at));
        at = line.find_first_not_of(" \t\r", end);
    }
    return result;
}

// "7.7" or "4": a device and its subdevice, -1 when it has none.
std::pair<int, int> deviceNumbers(std::string_view word) {
    const size_t dot = word.find('.');
    if (dot == std::string_view::npos) return {irpNumber(word), -1};
    return {irpNumber(word.substr(0, dot)), irpNumber(word.substr(dot + 1))};
}

Decoded irpCodeOf(std::string_view protocol, std::string_view device, int function) {
    const auto [d, s] = deviceNumbers(device);
    const std::optional<Decoded> code = irpCode(protocol, d, s, function);
    if (!code) throw CodesError("a protocol this program does not send '" + std::string(protocol) + "'");
    return *code;
}

// IRDB's folders name the kind of device as they like ("Satellite",
// "Sound Bar", "LCD TV"); the first word found decides, in this order.
constexpr std::pair<std::string_view, DeviceKind> kFolderWords[] = {
    {"unknown", DeviceKind::Unknown},
    {"satellite", DeviceKind::SetTopBox},
    {"cable", DeviceKind::SetTopBox},
    {"set top", DeviceKind::SetTopBox},
    {"dvb", DeviceKind::SetTopBox},
    {"iptv", DeviceKind::SetTopBox},
    {"streaming", DeviceKind::SetTopBox},
    {"dvr", DeviceKind::SetTopBox},
    {"hdtv tuner", DeviceKind::SetTopBox},
    {"decoder", DeviceKind::SetTopBox},
    {"projector", DeviceKind::Projector},
    {"tv", DeviceKind::Tv},
    {"plasma", DeviceKind::Tv},
    {"lcd", DeviceKind::Tv},
    {"receiver", DeviceKind::Audio},
    {"amplifier", DeviceKind::Audio},
    {"audio", DeviceKind::Audio},
    {"sound", DeviceKind::Audio},
    {"speaker", DeviceKind::Audio},
    {"air cond", DeviceKind::AirConditioner},
};

// Brand/Kind/Device,Subdevice.csv as IRDB keeps its files (a model it does
// not know the kind of in Brand/Unknown_Model/); else the file says neither.
std::pair<std::string, DeviceKind> irdbFolders(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    const std::string kind = lower(folder.filename().string());
    for (const auto& [word, found] : kFolderWords)
        if (kind.find(word) != std::string::npos) return {folder.parent_path().filename().string(), found};
    return {"", DeviceKind::Unknown};
}

// The part of a frame that names the device; the rest names the key.
std::optional<std::pair<Protocol, uint64_t>> deviceOf(const Remote& remote, const Key& key) {
    const std::optional<Decoded> d = decode(encode(remote, key).press);
    if (!d) return std::nullopt;
    switch (d->protocol) {
    case Protocol::Nec:
    case Protocol::Samsung32: return std::pair{d->protocol, d->value >> 16};
    case Protocol::Rc5: return std::pair{d->protocol, d->value >> 7};
    case Protocol::Rc6:
    case Protocol::Rc6Mode6: return std::pair{d->protocol, d->value >> 8};
    case Protocol::Sirc12: return std::pair{d->protocol, d->value & 0x1F};
    case Protocol::Sirc15: return std::pair{d->protocol, d->value & 0xFF};
    case Protocol::Sirc20: return std::pair{d->protocol, d->value & 0x1FFF};
    case Protocol::Panasonic: return std::pair{d->protocol, d->value >> 24};
    }
    return std::nullopt;
}

bool hasRepeatedNames(const Remote& remote) {
    std::set<std::string> names;
    for (const Key& key : remote.keys)
        if (!names.insert(key.name).second) return true;
    return false;
}

// A file of many devices' keys, such as Flipper's universal remotes with a
// Power for each: a set a device, the n-th key of a name in its n-th set.
void addSetsByDevice(std::vector<CodeSet>& sets, const Remote& remote, const std::string& path,
                     std::vector<std::string>& skipped) {
    using Device = std::pair<Protocol, uint64_t>;
    std::map<Device, std::vector<size_t>> setsOf;
    std::map<std::pair<Device, std::string>, size_t> seen;
    Remote timings = remote;
    timings.keys.clear();
    int count = 0;
    for (const Key& key : remote.keys) {
        std::optional<Device> device;
        try {
            device = deviceOf(remote, key);
        } catch (const CodesError& error) {
            skipped.push_back(path + ": " + error.what());
            continue;
        }
        const size_t nth = device ? seen[{*device, key.name}]++ : 0;
        if (!device || nth == setsOf[*device].size()) {
            if (device) setsOf[*device].push_back(sets.size());
            sets.push_back(CodeSet{{}, DeviceKind::Unknown, timings});
            sets.back().remote.name = remote.name + " " + std::to_string(++count);
        }
        sets[device ? setsOf[*device][nth] : sets.size() - 1].remote.keys.push_back(key);
    }
}

// The program's own format: its first line that is neither blank nor a
// comment starts a set.
bool isCodeSetsText(std::string_view text) {
    size_t at = 0;
    while (at < text.size()) {
        const std::vector<std::string_view> w = words(nextLine(text, at));
        if (!w.empty() && !w[0].starts_with('#')) return w[0] == "set";
    }
    return false;
}

// The key of that canonical name, else the first doing its work.
std::optional<size_t> keyFor(const Remote& remote, const std::string& wanted) {
    std::optional<size_t> standIn;
    for (size_t i = 0; i < remote.keys.size(); ++i) {
        const std::string name = canonicalKeyName(remote.keys[i].name);
        if (name == wanted) return i;
        if (!standIn && standsInFor(name) == wanted) standIn = i;
    }
    return standIn;
}

}  // namespace

std::optional<DeviceKind> kindNamed(std::string_view name) {
    for (const auto& [kind, text] : kKindNames)
        if (text == name) return kind;
    return std::nullopt;
}

std::string_view kindName(DeviceKind kind) {
    for (const auto& [known, text] : kKindNames)
        if (known == kind) return text;
    return "unknown";
}

std::string describe(const CodeSet& set) {
    return set.brand.empty() ? set.remote.name : set.brand + ", " + set.remote.name;
}

std::vector<CodeSet> readCodeSets(std::string_view text, const std::string& fileName) {
    std::vector<CodeSet> sets;
    std::string protocol, device;  // of the set being read
    size_t at = 0;
    int lineNumber = 0;
    while (at < text.size()) {
        std::string_view line = nextLine(text, at);
        ++lineNumber;
        line = line.substr(0, line.find('#'));
        const std::vector<std::string_view> w = words(line);
        if (w.empty()) continue;
        try {
            if (w[0] == "set") {
                if (w.size() < 5)
                    throw CodesError("a set is 'set KIND PROTOCOL DEVICE BRAND', not '" + std::string(line) + "'");
                const std::optional<DeviceKind> kind = kindNamed(w[1]);
                if (!kind) throw CodesError("a kind of device this program does not know '" + std::string(w[1]) + "'");
                protocol = w[2];
                device = w[3];
                CodeSet set{std::string(line.substr(w[4].data() - line.data())), *kind,
                            protocolRemote(irpCodeOf(protocol, device, 0).protocol)};
                while (set.brand.back() == ' ' || set.brand.back() == '\t' || set.brand.back() == '\r')
                    set.brand.pop_back();
                set.remote.name = protocol + " " + device;
                sets.push_back(std::move(set));
                continue;
            }
            if (sets.empty()) throw CodesError("a key before the first set '" + std::string(w[0]) + "'");
            if (w.size() != 2 && w.size() != 3)
                throw CodesError("a key is 'NAME FUNCTION' or 'NAME DEVICE FUNCTION', not '" + std::string(line) + "'");
            const Decoded code = irpCodeOf(protocol, w.size() == 3 ? w[1] : device, irpNumber(w.back()));
            Remote& remote = sets.back().remote;
            if (findKey(remote, std::string(w[0]))) throw CodesError("a second key '" + std::string(w[0]) + "'");
            remote.keys.push_back(Key{std::string(w[0]), {remoteCode(code)}, {}});
        } catch (const CodesError& error) {
            throw CodesError(fileName + ":" + std::to_string(lineNumber) + ": " + error.what());
        }
    }
    return sets;
}

std::vector<CodeSet> readCodeSetFile(const std::string& path, std::vector<std::string>& skipped) {
    const std::string text = readCodesText(path);
    if (isCodeSetsText(text)) return readCodeSets(text, path);
    std::vector<CodeSet> sets;
    const auto [brand, kind] =
        text.starts_with(kIrdbCsvHeader) ? irdbFolders(path) : std::pair{std::string(), DeviceKind::Unknown};
    const std::vector<Remote> remotes = readCodes(text, path, &skipped);
    const bool manyDevices = std::any_of(remotes.begin(), remotes.end(), hasRepeatedNames);
    for (const Remote& remote : remotes) {
        const size_t start = sets.size();
        if (manyDevices)
            addSetsByDevice(sets, remote, path, skipped);
        else
            sets.push_back(CodeSet{{}, {}, remote});
        for (size_t i = start; i < sets.size(); ++i) {
            sets[i].brand = brand;
            sets[i].kind = kind;
        }
    }
    return sets;
}

std::string commonSetsFile(const std::string& programFolder) {
    for (const std::string& path :
         {programFolder + "/../share/orvalinder/code-sets/common.sets", programFolder + "/../code-sets/common.sets"}) {
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) return path;
    }
    return {};
}

std::vector<Candidate> findCandidates(const std::vector<CodeSet>& sets, const CandidateSearch& search,
                                      std::vector<std::string>& skipped) {
    const std::string wanted = canonicalKeyName(search.key), brand = lower(search.brand);
    std::vector<Candidate> found;
    std::vector<std::set<std::string>> brands;  // of each found
    std::map<std::string, size_t> byPress;
    for (size_t s = 0; s < sets.size(); ++s) {
        const CodeSet& set = sets[s];
        if (search.kind && set.kind != DeviceKind::Unknown && set.kind != *search.kind) continue;
        if (!brand.empty() && lower(set.brand) != brand) continue;
        const std::optional<size_t> key = keyFor(set.remote, wanted);
        if (!key) continue;
        std::string press;
        try {
            press = boardMessages(set.remote, set.remote.keys[*key]).press;
        } catch (const CodesError& error) {
            skipped.push_back(describe(set) + ": " + error.what());
            continue;
        }
        const auto [entry, added] = byPress.emplace(press, found.size());
        if (added) {
            found.push_back(Candidate{press, {}, 0});
            brands.emplace_back();
        }
        found[entry->second].sets.push_back({s, *key});
        // A set without a brand is a brand of its own: no name has a line feed.
        brands[entry->second].insert(set.brand.empty() ? "\n" + std::to_string(s) : lower(set.brand));
    }
    for (size_t i = 0; i < found.size(); ++i) found[i].brands = brands[i].size();
    std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        return std::pair(a.brands, a.sets.size()) > std::pair(b.brands, b.sets.size());
    });
    return found;
}

std::vector<std::string> brandsOf(const std::vector<CodeSet>& sets, DeviceKind kind) {
    std::vector<std::string> brands;
    for (const CodeSet& set : sets)
        if (set.kind == kind && !set.brand.empty() &&
            std::find(brands.begin(), brands.end(), set.brand) == brands.end())
            brands.push_back(set.brand);
    return brands;
}

}  // namespace orvalinder::codes
