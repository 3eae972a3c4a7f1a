#include "codes/flipper.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "codes/encoder.h"
#include "codes/lircd_conf.h"
#include "codes/protocols.h"

namespace orvalinder::codes {

namespace {

// Flipper's raw keys have no gap. LIRC needs one to repeat a key; 100 ms
// lets any receiver see the end of a frame.
constexpr uint32_t kRawGapUs = 100000;

uint64_t rev8(uint64_t byte) { return reverseBits(byte & 0xFF, 8); }

// A parsed key's code in the order of the air, for the protocol's remote.
struct Parsed {
    const char* name;
    Protocol protocol;
    uint32_t maxAddress, maxCommand;
    uint64_t (*air)(uint64_t address, uint64_t command);
};

const Parsed kParsed[] = {
    {"NEC", Protocol::Nec, 0xFF, 0xFF,
     [](uint64_t a, uint64_t c) { return rev8(a) << 24 | rev8(~a) << 16 | rev8(c) << 8 | rev8(~c); }},
    {"NECext", Protocol::Nec, 0xFFFF, 0xFFFF,
     [](uint64_t a, uint64_t c) { return rev8(a) << 24 | rev8(a >> 8) << 16 | rev8(c) << 8 | rev8(c >> 8); }},
    {"Samsung32", Protocol::Samsung32, 0xFF, 0xFF,
     [](uint64_t a, uint64_t c) { return rev8(a) << 24 | rev8(a) << 16 | rev8(c) << 8 | rev8(~c); }},
    // RC5's field bit is the command's seventh bit inverted; RC5X has it.
    {"RC5", Protocol::Rc5, 31, 63, [](uint64_t a, uint64_t c) { return uint64_t(1) << 12 | a << 6 | c; }},
    {"RC5X", Protocol::Rc5, 31, 127,
     [](uint64_t a, uint64_t c) { return (((c >> 6) & 1) ^ 1) << 12 | a << 6 | (c & 0x3F); }},
    // LIRC's RC6 bits are inverted: start 1, mode 000, toggle 0, address, command.
    {"RC6", Protocol::Rc6, 0xFF, 0xFF,
     [](uint64_t a, uint64_t c) { return ~(uint64_t(1) << 20 | a << 8 | c) & 0x1FFFFF; }},
    // Sony: the command's 7 bits, then the address's, each least significant first.
    {"SIRC", Protocol::Sirc12, 0x1F, 0x7F,
     [](uint64_t a, uint64_t c) { return reverseBits(c, 7) << 5 | reverseBits(a, 5); }},
    {"SIRC15", Protocol::Sirc15, 0xFF, 0x7F,
     [](uint64_t a, uint64_t c) { return reverseBits(c, 7) << 8 | reverseBits(a, 8); }},
    {"SIRC20", Protocol::Sirc20, 0x1FFF, 0x7F,
     [](uint64_t a, uint64_t c) { return reverseBits(c, 7) << 13 | reverseBits(a, 13); }},
};

struct Field {
    std::string value;
    int line = 0;
};

class SignalReader {
public:
    SignalReader(const std::string& file, std::vector<Remote>& remotes, const std::string& remoteName,
                 std::vector<std::string>* skipped)
        : file_(file), remotes_(remotes), remoteName_(remoteName), skipped_(skipped) {}

    void start(const std::string& name, int line) {
        finish();
        if (name.empty()) fail(file_, line, "a key without a name", "");
        name_ = name;
        nameLine_ = line;
        fields_.clear();
    }

    void field(const std::string& name, const std::string& value, int line) {
        static const char* const known[] = {"type",      "protocol",   "address", "command",
                                            "frequency", "duty_cycle", "data"};
        bool isKnown = false;
        for (const char* k : known) isKnown = isKnown || name == k;
        if (!isKnown) fail(file_, line, "unknown field", name);
        if (nameLine_ == 0) fail(file_, line, "a field before the first 'name':", name);
        if (!fields_.emplace(name, Field{value, line}).second) fail(file_, line, "a second", name);
    }

    void finish();

private:
    const Field& need(const char* name) const {
        auto found = fields_.find(name);
        if (found == fields_.end()) fail(file_, nameLine_, std::string("no '") + name + "' for key", name_);
        return found->second;
    }
    void only(std::initializer_list<const char*> names) const {
        for (const auto& [name, field] : fields_) {
            bool allowed = false;
            for (const char* n : names) allowed = allowed || name == n;
            if (!allowed) fail(file_, field.line, "a field that does not belong to this type of key:", name);
        }
    }
    uint64_t bytes(const char* name, uint32_t max) const;
    uint64_t number(const Field& field, uint64_t max) const {
        uint64_t value = 0;
        if (!readNumber(field.value, max, value))
            fail(file_, field.line, "not a number from 0 to " + std::to_string(max) + ":", field.value);
        return value;
    }
    void parsed();
    void raw();

    const std::string& file_;
    std::vector<Remote>& remotes_;
    const std::string& remoteName_;
    std::vector<std::string>* skipped_;
    std::string name_;
    int nameLine_ = 0;
    std::map<std::string, Field> fields_;
};

uint64_t SignalReader::bytes(const char* name, uint32_t max) const {
    const Field& field = need(name);
    uint64_t value = 0;
    int count = 0;
    size_t at = 0;
    while (at < field.value.size()) {
        const size_t end = std::min(field.value.find(' ', at), field.value.size());
        uint64_t byte = 0;
        if (end - at != 2 || !readNumber("0x" + field.value.substr(at, 2), 0xFF, byte) || count == 4)
            fail(file_, field.line, std::string(name) + " is 4 bytes of 2 hexadecimal digits, not", field.value);
        value |= byte << (8 * count++);
        at = field.value.find_first_not_of(' ', end);
        if (at == std::string::npos) break;
    }
    if (count != 4)
        fail(file_, field.line, std::string(name) + " is 4 bytes of 2 hexadecimal digits, not", field.value);
    if (value > max)
        fail(file_, field.line,
             std::string(name) + " above " + std::to_string(max) + " for this protocol:", field.value);
    return value;
}

void SignalReader::parsed() {
    only({"type", "protocol", "address", "command"});
    const Field& protocol = need("protocol");
    for (const Parsed& p : kParsed) {
        if (protocol.value == p.name) {
            const uint64_t address = bytes("address", p.maxAddress), command = bytes("command", p.maxCommand);
            addKey(remotes_, protocolRemote(p.protocol), Key{name_, {p.air(address, command)}, {}}, remoteName_);
            return;
        }
    }
    const std::string message = file_ + ":" + std::to_string(protocol.line) +
                                ": a protocol this program does not know (keep the key raw): '" + protocol.value + "'";
    if (!skipped_) throw CodesError(message);
    skipped_->push_back(message);
}

void SignalReader::raw() {
    only({"type", "frequency", "duty_cycle", "data"});
    Remote remote;
    remote.encoding = Encoding::Raw;
    remote.gap = kRawGapUs;
    remote.frequency = uint32_t(number(need("frequency"), 1000000));
    const Field& duty = need("duty_cycle");
    double dutyCycle = 0;
    const char* const last = duty.value.data() + duty.value.size();
    const auto [end, error] = std::from_chars(duty.value.data(), last, dutyCycle);  // whatever the locale
    if (error != std::errc() || end != last || !(dutyCycle > 0.0 && dutyCycle <= 1.0))
        fail(file_, duty.line, "duty_cycle is a number above 0 and up to 1, not", duty.value);
    remote.dutyCycle = uint32_t(std::max(1L, std::lround(dutyCycle * 100)));
    const Field& data = need("data");
    Key key{name_, {}, {}};
    size_t at = data.value.find_first_not_of(' ');
    while (at != std::string::npos) {
        const size_t stop = std::min(data.value.find(' ', at), data.value.size());
        const Field word{data.value.substr(at, stop - at), data.line};
        const uint64_t us = number(word, 0xFFFFFF);
        if (us == 0) fail(file_, data.line, "a duration of 0:", word.value);
        key.raw.push_back(uint32_t(us));
        at = data.value.find_first_not_of(' ', stop);
    }
    if (key.raw.empty()) fail(file_, data.line, "no durations for key", name_);
    // A last space is the silence after the frame, which the gap gives.
    if (key.raw.size() % 2 == 0) key.raw.pop_back();
    addKey(remotes_, remote, std::move(key), remoteName_);
}

void SignalReader::finish() {
    if (nameLine_ == 0) return;
    const Field& type = need("type");
    if (type.value == "parsed")
        parsed();
    else if (type.value == "raw")
        raw();
    else
        fail(file_, type.line, "type is parsed or raw, not", type.value);
}

// Four bytes, the least significant first.
std::string hexBytes(uint64_t value) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02X", unsigned(value & 0xFF));
        text += (i == 0 ? "" : " ") + std::string(byte);
        value >>= 8;
    }
    return text;
}

// The parsed form of a frame, when Flipper has one for it.
std::optional<std::string> parsedForm(const Decoded& d) {
    const uint64_t v = d.value;
    auto parsed = [](const char* protocol, uint64_t address, uint64_t command) {
        return std::string("type: parsed\nprotocol: ") + protocol + "\naddress: " + hexBytes(address) +
               "\ncommand: " + hexBytes(command) + "\n";
    };
    const uint64_t b0 = rev8(v >> 24), b1 = rev8(v >> 16), b2 = rev8(v >> 8), b3 = rev8(v);
    switch (d.protocol) {
    case Protocol::Nec:
        if (b1 == (~b0 & 0xFF) && b3 == (~b2 & 0xFF)) return parsed("NEC", b0, b2);
        return parsed("NECext", b0 | b1 << 8, b2 | b3 << 8);
    case Protocol::Samsung32:
        if (b0 == b1 && b3 == (~b2 & 0xFF)) return parsed("Samsung32", b0, b2);
        return std::nullopt;
    case Protocol::Rc5: return parsed((v & 0x40) ? "RC5X" : "RC5", v >> 7, v & 0x7F);
    case Protocol::Rc6: return parsed("RC6", v >> 8, v & 0xFF);
    case Protocol::Sirc12: return parsed("SIRC", reverseBits(v, 5), reverseBits(v >> 5, 7));
    case Protocol::Sirc15: return parsed("SIRC15", reverseBits(v, 8), reverseBits(v >> 8, 7));
    case Protocol::Sirc20: return parsed("SIRC20", reverseBits(v, 13), reverseBits(v >> 13, 7));
    case Protocol::Rc6Mode6:
    case Protocol::Panasonic: break;
    }
    return std::nullopt;
}

}  // namespace

std::vector<Remote> readFlipper(std::string_view text, const std::string& fileName, std::vector<std::string>* skipped) {
    std::vector<Remote> remotes;
    const std::string remoteName = remoteNameOf(fileName);
    SignalReader reader(fileName, remotes, remoteName, skipped);
    int number = 0, headerLines = 0;
    size_t at = 0;
    while (at < text.size()) {
        std::string line(nextLine(text, at));
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) fail(fileName, number, "expected 'field: value', not", line);
        std::string name = line.substr(first, colon - first), value = line.substr(colon + 1);
        // A stray carriage return is blank like the others, or a name ending
        // in some would lose one each time the file is read.
        value.erase(0, value.find_first_not_of(" \t\r"));
        value.erase(value.find_last_not_of(" \t\r") + 1);
        if (headerLines == 0) {
            if (name != "Filetype" || (value != "IR signals file" && value != "IR library file"))
                fail(fileName, number, "not a Flipper infrared file: it starts with", line);
            ++headerLines;
        } else if (headerLines == 1) {
            if (name != "Version" || value != "1")
                fail(fileName, number, "a Flipper infrared file of version 1 wanted, not", line);
            ++headerLines;
        } else if (name == "name") {
            reader.start(value, number);
        } else {
            reader.field(name, value, number);
        }
    }
    if (headerLines < 2) fail(fileName, number, "not a whole Flipper infrared file: no 'Filetype' and 'Version'", "");
    reader.finish();
    return remotes;
}

std::string writeFlipper(const std::vector<Remote>& remotes) {
    std::string out = "Filetype: IR signals file\nVersion: 1\n";
    for (const Remote& remote : remotes) {
        for (const Key& key : remote.keys) {
            const Signal signal = encode(remote, key);
            out += "# \nname: " + key.name + "\n";
            const std::optional<Decoded> decoded = decode(signal.press);
            if (std::optional<std::string> parsed = decoded ? parsedForm(*decoded) : std::nullopt) {
                out += *parsed;
                continue;
            }
            char duty[32];
            std::snprintf(duty, sizeof duty, "%.6f", signal.dutyCycle / 100.0);
            out += "type: raw\nfrequency: " + std::to_string(signal.carrierHz) + "\nduty_cycle: " + duty + "\ndata:";
            for (uint32_t us : signal.press) out += " " + std::to_string(us);
            out += "\n";
        }
    }
    return out;
}

}  // namespace orvalinder::codes
