#include "codes/protocols.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace orvalinder::codes {

namespace {

Remote spaceEncoded(int bits, Pair header, uint32_t unit, uint32_t oneSpace, uint32_t frequency) {
    Remote r;
    r.bits = bits;
    r.header = header;
    r.one = {unit, oneSpace};
    r.zero = {unit, unit};
    r.ptrail = unit;
    r.frequency = frequency;
    r.dutyCycle = 33;
    return r;
}

// Sony: the bit is in the pulse's width, fields least significant bit first
// (so the codes, in the order of the air, look reversed); no trailing pulse,
// frames every 45 ms, and a press is three frames.
Remote sony(int bits) {
    Remote r = spaceEncoded(bits, {2400, 600}, 600, 600, 40000);
    r.one = {1200, 600};
    r.ptrail = 0;
    r.constLength = true;
    r.gap = 45000;
    r.minRepeat = 2;
    return r;
}

constexpr uint32_t kSilenceUs = 10000;

// A receiver module lengthens every mark by about the same excess and
// shortens the space after it by as much; decoding takes it out. An estimate
// outside this window means the frame is none of the protocol's.
constexpr int64_t kMinExcessUs = -300;
constexpr int64_t kMaxExcessUs = 350;

bool near(uint32_t measured, uint32_t nominal) {
    const uint32_t slack = nominal / 4;
    return measured + slack >= nominal && measured <= nominal + slack;
}

bool within(int64_t measured, double nominal, double slack) {
    return double(measured) >= nominal - slack && double(measured) <= nominal + slack;
}

// What a leader tells: the remote's clock against the protocol's (its mark
// + space, which the receiver keeps, may be off by a quarter) and the
// receiver's excess, the mean of what the mark gained and the space lost.
struct Leader {
    double scale = 1;
    int64_t excess = 0;
};

std::optional<Leader> readLeader(uint32_t mark, uint32_t space, Pair nominal) {
    const uint64_t sum = uint64_t(mark) + space;
    if (sum > UINT32_MAX || !near(uint32_t(sum), nominal.pulse + nominal.space)) return std::nullopt;
    Leader leader;
    leader.scale = double(sum) / double(nominal.pulse + nominal.space);
    leader.excess = std::llround(
        (double(mark) - double(space) - leader.scale * (double(nominal.pulse) - double(nominal.space))) / 2);
    if (leader.excess < kMinExcessUs || leader.excess > kMaxExcessUs) return std::nullopt;
    return leader;
}

// The protocols whose bit is a pulse and a space, read with their own
// remote's timings. Sony's bit is in the pulse and its frame ends with the
// last bit's pulse; the others' bit is in the space, and a trailing pulse
// ends them.
const Protocol kPulseDistance[] = {Protocol::Nec,    Protocol::Samsung32, Protocol::Panasonic,
                                   Protocol::Sirc12, Protocol::Sirc15,    Protocol::Sirc20};

// A bit is told by its pulse + space, which the receiver keeps (Sony's last
// bit, with no space, by its pulse); each pulse must still have the length
// the leader's excess says, within a third of the protocol's unit.
std::optional<uint64_t> readPulseDistance(const std::vector<uint32_t>& frame, Protocol protocol) {
    const Remote p = protocolRemote(protocol);
    const size_t count = size_t(2 + 2 * p.bits) + (p.ptrail != 0 ? 1 : -1);
    if (frame.size() != count) return std::nullopt;
    const std::optional<Leader> leader = readLeader(frame[0], frame[1], p.header);
    if (!leader) return std::nullopt;
    const double scale = leader->scale, slack = scale * p.zero.pulse / 3;
    auto pulseIs = [&](uint32_t pulse, uint32_t nominal) {
        return within(int64_t(pulse) - leader->excess, scale * nominal, slack);
    };
    const double zero = scale * (p.zero.pulse + p.zero.space), one = scale * (p.one.pulse + p.one.space);
    uint64_t value = 0;
    for (size_t at = 2; at < frame.size() - (p.ptrail != 0 ? 1 : 0); at += 2) {
        const uint32_t pulse = frame[at];
        bool isOne;
        if (at + 1 < frame.size()) {
            const int64_t sum = int64_t(pulse) + frame[at + 1];
            isOne = double(sum) > (zero + one) / 2;
            if (!within(sum, isOne ? one : zero, slack)) return std::nullopt;
        } else {  // Sony's last
            isOne = double(int64_t(pulse) - leader->excess) > scale * (p.zero.pulse + p.one.pulse) / 2;
        }
        if (!pulseIs(pulse, isOne ? p.one.pulse : p.zero.pulse)) return std::nullopt;
        value = value << 1 | (isOne ? 1 : 0);
    }
    if (p.ptrail != 0 && !pulseIs(frame.back(), p.ptrail)) return std::nullopt;
    return value;
}

// A Manchester frame as one level a half bit (true: carrier on), from the
// `from`-th duration on, each pulse less the receiver's excess and each
// space plus it; false when a duration is not within a third of a half bit
// of a whole number of them (a run of three must not pass for four).
bool halves(const std::vector<uint32_t>& frame, size_t from, uint32_t unit, int64_t excess, std::vector<bool>& levels) {
    for (size_t i = from; i < frame.size(); ++i) {
        const bool pulse = (i - from) % 2 == 0;
        const int64_t d = int64_t(frame[i]) + (pulse ? -excess : excess);
        const int64_t units = (d + unit / 2) / unit;
        if (d <= 0 || units == 0 || units > 4 || !within(d, double(units * unit), unit / 3.0)) return false;
        levels.insert(levels.end(), size_t(units), pulse);
    }
    return true;
}

// RC5 has no leader to measure the excess on. A pulse and the space after
// it span two to four half bits whatever the receiver does; when the two are
// equally long the pulse's gain is half their difference, and when one is a
// half bit longer (the longer one tells which, within the excess window)
// that half bit is taken off first. The mean over the pairs is the excess.
std::optional<int64_t> rc5Excess(const std::vector<uint32_t>& frame, uint32_t unit) {
    int64_t twice = 0, pairs = 0;
    for (size_t i = 0; i + 1 < frame.size(); i += 2, ++pairs) {
        const int64_t units = (int64_t(frame[i]) + frame[i + 1] + unit / 2) / unit;
        if (units < 2 || units > 4) return std::nullopt;
        int64_t difference = int64_t(frame[i]) - frame[i + 1];
        if (units == 3) difference += difference > 0 ? -int64_t(unit) : int64_t(unit);
        twice += difference;
    }
    if (pairs == 0) return std::nullopt;
    const int64_t excess = twice / (2 * pairs);
    if (excess < kMinExcessUs || excess > kMaxExcessUs) return std::nullopt;
    return excess;
}

// Reads `count` bits of two halves each (`width` halves each half); a one
// is `oneFirst` then its opposite. False on two equal halves.
bool manchester(const std::vector<bool>& levels, size_t& at, int count, size_t width, bool oneFirst, uint64_t& value) {
    for (int i = 0; i < count; ++i) {
        // A frame ends with a pulse: a last half of space is not there.
        auto level = [&levels](size_t index) { return index < levels.size() ? bool(levels[index]) : false; };
        const bool first = level(at), second = level(at + width);
        for (size_t k = 1; k < width; ++k)
            if (level(at + k) != first || level(at + width + k) != second) return false;
        if (first == second) return false;
        value = value << 1 | (first == oneFirst ? 1 : 0);
        at += 2 * width;
    }
    return true;
}

std::optional<Decoded> readRc5(const std::vector<uint32_t>& frame, bool& toggle) {
    std::vector<bool> levels{false};  // the first start bit's space is never sent
    const uint32_t unit = protocolRemote(Protocol::Rc5).one.pulse;
    const std::optional<int64_t> excess = rc5Excess(frame, unit);
    if (!excess || !halves(frame, 0, unit, *excess, levels) || levels.size() > 28) return std::nullopt;
    size_t at = 0;
    uint64_t bits = 0;
    if (!manchester(levels, at, 14, 1, false, bits) || at < levels.size() || !(bits >> 13)) return std::nullopt;
    const uint64_t field = (bits >> 12) & 1, address = (bits >> 6) & 0x1F, command = bits & 0x3F;
    toggle = (bits >> 11) & 1;
    return Decoded{Protocol::Rc5, address << 7 | (field ^ 1) << 6 | command};
}

std::optional<Decoded> readRc6(const std::vector<uint32_t>& frame, bool& toggleBit) {
    const Remote rc6 = protocolRemote(Protocol::Rc6);
    // Its remotes keep time well: the leader gives the excess only.
    const std::optional<Leader> leader = frame.size() < 3 ? std::nullopt : readLeader(frame[0], frame[1], rc6.header);
    std::vector<bool> levels;
    if (!leader || !halves(frame, 2, rc6.one.pulse, leader->excess, levels)) return std::nullopt;
    size_t at = 0;
    uint64_t start = 0, mode = 0, toggle = 0, data = 0;
    if (!manchester(levels, at, 1, 1, true, start) || start != 1 || !manchester(levels, at, 3, 1, true, mode) ||
        !manchester(levels, at, 1, 2, true, toggle))
        return std::nullopt;
    const int bits = mode == 0 ? 16 : mode == 6 ? 20 : 0;
    if (bits == 0 || !manchester(levels, at, bits, 1, true, data) || at < levels.size()) return std::nullopt;
    toggleBit = toggle != 0;
    return Decoded{mode == 0 ? Protocol::Rc6 : Protocol::Rc6Mode6, data};
}

}  // namespace

uint64_t reverseBits(uint64_t value, int count) {
    uint64_t reversed = 0;
    for (int i = 0; i < count; ++i) reversed = reversed << 1 | ((value >> i) & 1);
    return reversed;
}

Remote protocolRemote(Protocol protocol) {
    Remote r;
    switch (protocol) {
    case Protocol::Nec:
        r = spaceEncoded(32, {9000, 4500}, 560, 1690, 38000);
        r.repeat = {9000, 2250};
        r.constLength = true;
        r.gap = 108000;
        break;
    case Protocol::Samsung32:
        r = spaceEncoded(32, {4500, 4500}, 560, 1690, 38000);
        r.constLength = true;
        r.gap = 108000;
        break;
    case Protocol::Panasonic:
        r = spaceEncoded(48, {3456, 1728}, 432, 1296, 37000);
        r.gap = 74736;
        break;
    case Protocol::Sirc12: r = sony(12); break;
    case Protocol::Sirc15: r = sony(15); break;
    case Protocol::Sirc20: r = sony(20); break;
    case Protocol::Rc5:
        // The first start bit is the leading pulse; then the field bit (the
        // command's inverted seventh bit), the toggle, 5 address and 6 command bits.
        r.encoding = Encoding::Rc5;
        r.bits = 13;
        r.one = r.zero = {889, 889};
        r.plead = 889;
        r.constLength = true;
        r.gap = 113778;
        r.toggleBitMask = 0x800;
        r.frequency = 36000;
        r.dutyCycle = 33;
        break;
    case Protocol::Rc6:
    case Protocol::Rc6Mode6:
        // LIRC's RC6 ones are the protocol's zeros: the codes are inverted.
        // Start bit, 3 mode bits, the double-length toggle, then the data.
        r.encoding = Encoding::Rc6;
        r.bits = protocol == Protocol::Rc6 ? 21 : 25;
        r.header = {2664, 888};
        r.one = r.zero = {444, 444};
        r.toggleBitMask = r.rc6Mask = uint64_t(1) << (r.bits - 5);
        r.constLength = true;
        r.gap = 106667;
        r.frequency = 36000;
        r.dutyCycle = 33;
        break;
    }
    return r;
}

std::optional<Decoded> decode(const std::vector<uint32_t>& durations, bool* toggle) {
    bool toggleBit = false;
    if (toggle) *toggle = false;
    // A raw key may hold its repeat frames too (Pronto's learned codes do):
    // the frame ends at the first silence no protocol has inside a frame.
    size_t end = 1;
    while (end < durations.size() && durations[end] < kSilenceUs) end += 2;
    const std::vector<uint32_t> frame(durations.begin(), durations.begin() + std::min(end, durations.size()));
    for (Protocol protocol : kPulseDistance)
        if (std::optional<uint64_t> value = readPulseDistance(frame, protocol)) return Decoded{protocol, *value};
    std::optional<Decoded> decoded = readRc5(frame, toggleBit);
    if (!decoded) decoded = readRc6(frame, toggleBit);
    if (decoded && toggle) *toggle = toggleBit;
    return decoded;
}

uint64_t remoteCode(const Decoded& decoded) {
    const uint64_t v = decoded.value;
    switch (decoded.protocol) {
    case Protocol::Rc5:
        // Field bit (the command's seventh, inverted), toggle 0, address, command.
        return (((v >> 6) & 1) ^ 1) << 12 | (v >> 7) << 6 | (v & 0x3F);
    case Protocol::Rc6:  // LIRC's RC6 bits are inverted: start 1, mode 000, toggle 0, data
        return ~(uint64_t(1) << 20 | v) & 0x1FFFFF;
    case Protocol::Rc6Mode6:  // start 1, mode 110, toggle 0, data
        return ~(uint64_t(1) << 24 | uint64_t(6) << 21 | v) & 0x1FFFFFF;
    default: return v;  // the bits as sent
    }
}

std::string boardCode(const Decoded& decoded) {
    struct Name {
        Protocol protocol;
        const char* text;
        int digits;
    };
    static const Name names[] = {{Protocol::Nec, "NEC", 8},           {Protocol::Samsung32, "SAMSUNG", 8},
                                 {Protocol::Rc5, "RC5", 3},           {Protocol::Rc6, "RC6", 4},
                                 {Protocol::Rc6Mode6, "RC6-6-20", 5}, {Protocol::Sirc12, "SIRC12", 3},
                                 {Protocol::Sirc15, "SIRC15", 4},     {Protocol::Sirc20, "SIRC20", 5}};
    char text[40] = "";
    if (decoded.protocol == Protocol::Panasonic) {
        std::snprintf(text, sizeof text, "PANASONIC %04" PRIX64 ":%08" PRIX64, decoded.value >> 32,
                      decoded.value & 0xFFFFFFFF);
        return text;
    }
    for (const Name& name : names)
        if (name.protocol == decoded.protocol)
            std::snprintf(text, sizeof text, "%s:%0*" PRIX64, name.text, name.digits, decoded.value);
    return text;
}

std::string formName(const Remote& remote) {
    if (remote.encoding == Encoding::Raw) return "raw";
    const Protocol all[] = {Protocol::Nec,    Protocol::Samsung32, Protocol::Rc5,
                            Protocol::Rc6,    Protocol::Rc6Mode6,  Protocol::Sirc12,
                            Protocol::Sirc15, Protocol::Sirc20,    Protocol::Panasonic};
    Remote timings = remote;
    timings.keys.clear();
    for (const Protocol protocol : all) {
        Remote known = protocolRemote(protocol);
        known.name = timings.name;
        if (known != timings) continue;
        // The board's name for it, as in NEC:20DF10EF or PANASONIC 4004:...
        std::string name = boardCode(Decoded{protocol, 0});
        name.erase(name.find_first_of(" :"));
        for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
        return name;
    }
    return "codes";
}

}  // namespace orvalinder::codes
