#include "codes/pronto.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "codes/lircd_conf.h"
#include "codes/protocols.h"

namespace orvalinder::codes {

namespace {

constexpr double kProntoClockUs = 0.241246;  // the Pronto's clock period

struct Code {
    const std::string& file;
    int line;
    std::vector<std::string> words;
    std::vector<uint32_t> values;

    [[noreturn]] void error(const std::string& what, size_t word) const {
        fail(file, line, what, word < words.size() ? words[word] : std::string());
    }
    // The word, checked to be at most `max`.
    uint32_t field(size_t word, uint32_t max, const char* name) const {
        if (values[word] > max) error(std::string(name) + " above " + std::to_string(max) + ":", word);
        return values[word];
    }
};

Key key(const std::string& name, uint64_t code) { return Key{name, {code}, {}}; }

void readLearned(const Code& c, const std::string& name, const std::string& remoteName, std::vector<Remote>& remotes) {
    const uint32_t periodWord = c.values[1];
    if (periodWord == 0) c.error("a carrier period of 0:", 1);
    const double periodUs = periodWord * kProntoClockUs;
    // The once part, then the repeated part, as one frame, as pronto2lirc
    // reads it: a remote of LIRC repeats a raw key whole.
    const size_t from = 4, pairs = size_t(c.values[2]) + c.values[3];
    Remote remote;
    remote.encoding = Encoding::Raw;
    remote.frequency = uint32_t(std::lround(1e6 / periodUs));
    remote.dutyCycle = 33;
    Key k{name, {}, {}};
    for (size_t i = 0; i < 2 * pairs; ++i) {
        if (c.values[from + i] == 0) c.error("a duration of 0:", from + i);
        k.raw.push_back(uint32_t(std::lround(c.values[from + i] * periodUs)));
    }
    remote.gap = k.raw.back();
    k.raw.pop_back();
    addKey(remotes, remote, std::move(k), remoteName);
}

// RC5x: start bit, the command's inverted seventh bit, toggle, 5 system bits,
// a space of two bit times, 6 command bits, 6 data bits; a one is a space
// then a pulse. Its space in the middle is no LIRC field, so it becomes a raw key.
Key rc5x(const std::string& name, uint32_t system, uint32_t command, uint32_t data) {
    FrameBuilder f;
    auto bits = [&f](uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            if ((value >> i) & 1) {
                f.space(889);
                f.pulse(889);
            } else {
                f.pulse(889);
                f.space(889);
            }
        }
    };
    bits(1, 1);
    bits(((command >> 6) & 1) ^ 1, 1);
    bits(1, 1);  // the toggle as LIRC's first press has it
    bits(system, 5);
    f.space(4 * 889);
    bits(command & 0x3F, 6);
    bits(data, 6);
    return Key{name, {}, f.finish()};
}

void readCode(const Code& c, const std::string& name, const std::string& remoteName, std::vector<Remote>& remotes) {
    if (c.values.size() < 4)
        c.error("a Pronto code has at least 4 words, not " + std::to_string(c.values.size()), c.words.size());
    const size_t expected = 4 + 2 * (size_t(c.values[2]) + c.values[3]);
    if (c.values[2] + c.values[3] == 0 || expected != c.values.size())
        c.error("the counts of pairs say " + std::to_string(expected) + " words, the code has " +
                    std::to_string(c.values.size()) + ":",
                2);
    const uint32_t form = c.values[0];
    if (form == 0x0000) return readLearned(c, name, remoteName, remotes);
    // The short forms: their fields, and no other word but 0.
    size_t fields = form == 0x5001 ? 3 : 2;
    if (form != 0x5000 && form != 0x5001 && form != 0x6000 && form != 0x900A)
        c.error("not a Pronto form this program knows:", 0);
    if (c.values.size() < 4 + fields) c.error("too few words for its fields:", 0);
    for (size_t i = 4 + fields; i < c.values.size(); ++i)
        if (c.values[i] != 0) c.error("a word past the fields that is not 0000:", i);
    if (form == 0x5000) {
        const uint32_t system = c.field(4, 31, "an RC5 system"), command = c.field(5, 127, "an RC5 command");
        const uint64_t field = ((command >> 6) & 1) ^ 1;
        addKey(remotes, protocolRemote(Protocol::Rc5),
               key(name, field << 12 | uint64_t(system) << 6 | (command & 0x3F)), remoteName);
    } else if (form == 0x5001) {
        Remote raw;
        raw.encoding = Encoding::Raw;
        raw.frequency = 36000;
        raw.dutyCycle = 33;
        raw.constLength = true;
        raw.gap = 113778;
        addKey(remotes, raw,
               rc5x(name, c.field(4, 31, "an RC5x system"), c.field(5, 127, "an RC5x command"),
                    c.field(6, 63, "RC5x data")),
               remoteName);
    } else if (form == 0x6000) {
        const uint32_t system = c.field(4, 255, "an RC6 system"), command = c.field(5, 255, "an RC6 command");
        // Start bit 1, mode 000, toggle 0, then the data; LIRC's RC6 bits are inverted.
        const uint64_t real = uint64_t(1) << 20 | uint64_t(system) << 8 | command;
        addKey(remotes, protocolRemote(Protocol::Rc6), key(name, ~real & 0x1FFFFF), remoteName);
    } else {
        // NEC1: each byte least significant bit first.
        const uint32_t device = c.values[4], command = c.values[5];
        const uint64_t air = reverseBits(device >> 8, 8) << 24 | reverseBits(device & 0xFF, 8) << 16 |
                             reverseBits(command >> 8, 8) << 8 | reverseBits(command & 0xFF, 8);
        addKey(remotes, protocolRemote(Protocol::Nec), key(name, air), remoteName);
    }
}

std::string word(uint64_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", unsigned(value));
    return text;
}

}  // namespace

std::vector<Remote> readPronto(std::string_view text, const std::string& fileName) {
    std::vector<Remote> remotes;
    const std::string remoteName = remoteNameOf(fileName);
    int number = 0;
    size_t at = 0;
    while (at < text.size()) {
        std::string line(nextLine(text, at));
        ++number;
        std::string name = "KEY_" + std::to_string(number);
        const size_t colon = line.find(':');
        if (colon != std::string::npos) {
            name = line.substr(0, colon);
            name.erase(0, name.find_first_not_of(" \t"));
            name.erase(name.find_last_not_of(" \t\r") + 1);
            line.erase(0, colon + 1);
        }
        Code code{fileName, number, {}, {}};
        size_t i = 0;
        while (i < line.size()) {
            if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == ',') {
                ++i;
                continue;
            }
            const size_t start = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != ',') ++i;
            code.words.push_back(line.substr(start, i - start));
        }
        if (code.words.empty() || code.words[0][0] == '#') {
            if (colon == std::string::npos) continue;  // a blank line or a comment
            fail(fileName, number, "no code for", name);
        }
        for (size_t w = 0; w < code.words.size(); ++w) {
            uint64_t value = 0;
            if (code.words[w].size() != 4 || !readNumber("0x" + code.words[w], 0xFFFF, value))
                code.error("not a word of 4 hexadecimal digits:", w);
            code.values.push_back(uint32_t(value));
        }
        if (name.empty()) fail(fileName, number, "no name before", ":");
        readCode(code, name, remoteName, remotes);
    }
    if (remotes.empty()) fail(fileName, 0, "no Pronto code", "");
    return remotes;
}

std::string writePronto(const Signal& signal) {
    if (signal.carrierHz == 0) throw CodesError("Pronto codes need a carrier; this one has none");
    const long periodWord = std::lround(1e6 / (signal.carrierHz * kProntoClockUs));
    if (periodWord < 1 || periodWord > 0xFFFF)
        throw CodesError("a carrier of " + std::to_string(signal.carrierHz) + " Hz is out of Pronto's range");
    const double periodUs = periodWord * kProntoClockUs;
    std::vector<uint32_t> once = signal.press, repeated = signal.repeat;
    once.push_back(signal.pressGap);
    if (!repeated.empty()) repeated.push_back(signal.repeatGap);
    if (once == repeated) once.clear();
    std::string text =
        "0000 " + word(uint64_t(periodWord)) + " " + word(once.size() / 2) + " " + word(repeated.size() / 2);
    for (const std::vector<uint32_t>* part : {&once, &repeated}) {
        for (uint32_t us : *part) {
            const long periods = std::max(1L, std::lround(us / periodUs));
            if (periods > 0xFFFF)
                throw CodesError("a duration of " + std::to_string(us) + " us is too long for Pronto at " +
                                 std::to_string(signal.carrierHz) + " Hz");
            text += " " + word(uint64_t(periods));
        }
    }
    return text;
}

std::string writeProntoFile(const std::vector<Remote>& remotes) {
    std::string out;
    for (const Remote& remote : remotes) {
        // Several remotes share the file: each block says whose keys follow,
        // as a comment, which readers pass over.
        if (remotes.size() > 1) out += (out.empty() ? "# " : "\n# ") + remote.name + "\n";
        for (const Key& key : remote.keys) out += key.name + ": " + writePronto(encode(remote, key)) + "\n";
    }
    return out;
}

}  // namespace orvalinder::codes
