// How far a receiver may stretch marks before frames stop decoding, for the
// PC's decoder (codes::decode, which learning uses) and the board's
// (irDecode, compiled for the host). For each protocol, the widest range of
// mark excess, in 10 µs steps, over which 100 of 100 frames with random codes
// and ±40 µs of jitter on each duration decode to their code; then how often
// random durations, cut frames and other protocols' frames decode at all.
// Prints "key: value" lines. Usage: decode_bench [--show-wrong]

#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "codes/protocols.h"
#include "firmware/IrBridge/ir_codec.h"
#include "sim/receiver_model.h"

namespace {

using orvalinder::codes::Decoded;
using orvalinder::codes::Protocol;
using orvalinder::sim::Receiver;
using orvalinder::sim::ReceiverModel;

constexpr int kFramesPerStep = 100;
constexpr int32_t kJitterUs = 40;
constexpr int32_t kLowestExcessUs = -400;
constexpr int32_t kHighestExcessUs = 500;
// The envelope every protocol must hold: wrong decodes are counted within it.
constexpr int32_t kEnvelopeLowUs = -150;
constexpr int32_t kEnvelopeHighUs = 200;

struct Kind {
    const char* name;
    uint8_t protocol;
    bool repeat;
    std::optional<Protocol> pc;  // none: the PC's decoder does not take it
};

const Kind kKinds[] = {
    {"NEC", IR_NEC, false, Protocol::Nec},
    {"NEC-repeat", IR_NEC, true, std::nullopt},
    {"SAMSUNG", IR_SAMSUNG, false, Protocol::Samsung32},
    {"PANASONIC", IR_PANASONIC, false, Protocol::Panasonic},
    {"SIRC12", IR_SIRC12, false, Protocol::Sirc12},
    {"SIRC15", IR_SIRC15, false, Protocol::Sirc15},
    {"SIRC20", IR_SIRC20, false, Protocol::Sirc20},
    {"RC5", IR_RC5, false, Protocol::Rc5},
    {"RC6", IR_RC6, false, Protocol::Rc6},
    {"RC6-6-20", IR_RC6_6_20, false, Protocol::Rc6Mode6},
};

IrCode randomCode(const Kind& kind, std::mt19937_64& random) {
    IrCode code;
    code.protocol = kind.protocol;
    code.bits = irCodeBits(kind.protocol);
    code.repeat = kind.repeat;
    if (kind.repeat) return code;
    const uint64_t value = random();
    code.data = code.bits >= 32 ? uint32_t(value) : uint32_t(value & ((1u << code.bits) - 1));
    code.high = code.bits > 32 ? uint16_t(value >> 32) : 0;
    code.toggle = (kind.protocol == IR_RC5 || kind.protocol == IR_RC6 || kind.protocol == IR_RC6_6_20) && (value >> 63);
    return code;
}

std::vector<uint32_t> encode(const IrCode& code) {
    uint16_t durations[kIrMaxDurations];
    const uint8_t count = irEncode(code, durations, kIrMaxDurations);
    return {durations, durations + count};
}

enum class Outcome { Right, Refused, Wrong };

Outcome firmwareDecode(const std::vector<uint32_t>& frame, const std::optional<IrCode>& expected) {
    if (frame.size() > 255) return Outcome::Refused;
    std::vector<uint16_t> durations;
    for (uint32_t d : frame) durations.push_back(uint16_t(std::min<uint32_t>(d, 0xFFFF)));
    IrCode code;
    if (!irDecode(durations.data(), uint8_t(durations.size()), code)) return Outcome::Refused;
    if (!expected) return Outcome::Wrong;
    const IrCode& e = *expected;
    const bool same = code.protocol == e.protocol && code.repeat == e.repeat &&
                      (e.repeat || (code.data == e.data && code.high == e.high && code.toggle == e.toggle));
    return same ? Outcome::Right : Outcome::Wrong;
}

Outcome pcDecode(const std::vector<uint32_t>& frame, const std::optional<IrCode>& expected,
                 std::optional<Protocol> protocol) {
    bool toggle = false;
    const std::optional<Decoded> decoded = orvalinder::codes::decode(frame, &toggle);
    if (!decoded) return Outcome::Refused;
    if (!expected || !protocol) return Outcome::Wrong;
    const uint64_t value = uint64_t(expected->high) << 32 | expected->data;
    const bool same = decoded->protocol == *protocol && decoded->value == value && toggle == expected->toggle;
    return same ? Outcome::Right : Outcome::Wrong;
}

bool showWrong = false;  // --show-wrong: print the frames that decode wrong

struct Tally {
    uint64_t frames = 0;
    uint64_t wrong = 0;
    void add(Outcome outcome, const std::vector<uint32_t>& frame) {
        ++frames;
        wrong += outcome == Outcome::Wrong;
        if (outcome == Outcome::Wrong && showWrong) {
            std::printf("wrong:");
            for (uint32_t d : frame) std::printf(" %u", d);
            std::printf("\n");
        }
    }
    double perMillion() const { return frames ? 1e6 * double(wrong) / double(frames) : 0; }
};

struct Range {
    int32_t low = 0, high = 0;
    bool any = false;
    int32_t width() const { return any ? high - low : 0; }
};

// The widest run of excesses whose frames all decode right; wrong decodes
// within the envelope go to `tally`.
template <typename Decode>
Range sweep(const Kind& kind, Decode decode, Tally& tally) {
    Range best, run;
    for (int32_t excess = kLowestExcessUs; excess <= kHighestExcessUs; excess += 10) {
        std::mt19937_64 codes(uint64_t(excess + 100000) * 31 + kind.protocol);
        Receiver receiver(ReceiverModel{excess, kJitterUs}, uint64_t(excess + 100000));
        bool all = true;
        for (int i = 0; i < kFramesPerStep; ++i) {
            const IrCode code = randomCode(kind, codes);
            const std::vector<uint32_t> frame = receiver.receive(encode(code));
            const Outcome outcome = decode(frame, code);
            if (excess >= kEnvelopeLowUs && excess <= kEnvelopeHighUs) tally.add(outcome, frame);
            all = all && outcome == Outcome::Right;
        }
        if (all) {
            if (!run.any) run = Range{excess, excess, true};
            run.high = excess;
            if (run.width() > best.width() || !best.any) best = run;
        } else {
            run = Range{};
        }
    }
    return best;
}

// Frames that are none: random durations (five or more: three random ones
// may well be NEC's repeat frame, which carries no data), and each protocol's frames
// distorted within the envelope with a bit's two durations cut or added.
template <typename Decode>
void refusals(Decode decode, Tally& tally) {
    std::mt19937_64 random(7);
    std::uniform_int_distribution<uint32_t> duration(100, 10000), count(5, 99);
    for (int i = 0; i < 200000; ++i) {
        std::vector<uint32_t> frame(count(random) | 1);
        for (uint32_t& d : frame) d = duration(random);
        tally.add(decode(frame), frame);
    }
    std::uniform_int_distribution<int32_t> excess(kEnvelopeLowUs, kEnvelopeHighUs);
    for (const Kind& kind : kKinds) {
        for (int i = 0; i < 20000; ++i) {
            Receiver receiver(ReceiverModel{excess(random), kJitterUs}, random());
            std::vector<uint32_t> frame = encode(randomCode(kind, random));
            const size_t at = 1 + 2 * (random() % (frame.size() / 2));
            if (i % 2 == 0) {
                frame.erase(frame.begin() + long(at), frame.begin() + long(at) + 2);
            } else {
                frame.insert(frame.begin() + long(at), {frame[at], frame[at - 1]});
            }
            frame = receiver.receive(frame);
            tally.add(decode(frame), frame);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    showWrong = argc > 1 && std::string(argv[1]) == "--show-wrong";
    Tally firmwareTally, pcTally;
    int32_t firmwareMin = 1 << 30, pcMin = 1 << 30;
    std::printf("%-12s %-22s %s\n", "protocol", "firmware (us)", "PC (us)");
    for (const Kind& kind : kKinds) {
        const Range firmware = sweep(
            kind, [](const std::vector<uint32_t>& f, const IrCode& c) { return firmwareDecode(f, c); }, firmwareTally);
        firmwareMin = std::min(firmwareMin, firmware.width());
        std::string pcText = "-";
        if (kind.pc) {
            const Range pc = sweep(
                kind, [&](const std::vector<uint32_t>& f, const IrCode& c) { return pcDecode(f, c, kind.pc); },
                pcTally);
            pcMin = std::min(pcMin, pc.width());
            pcText = std::to_string(pc.low) + ".." + std::to_string(pc.high) + " (" + std::to_string(pc.width()) + ")";
        }
        const std::string firmwareText = std::to_string(firmware.low) + ".." + std::to_string(firmware.high) + " (" +
                                         std::to_string(firmware.width()) + ")";
        std::printf("%-12s %-22s %s\n", kind.name, firmwareText.c_str(), pcText.c_str());
    }
    refusals([](const std::vector<uint32_t>& f) { return firmwareDecode(f, std::nullopt); }, firmwareTally);
    refusals([](const std::vector<uint32_t>& f) { return pcDecode(f, std::nullopt, std::nullopt); }, pcTally);
    std::printf("decode_range_us_min firmware: %d\n", firmwareMin);
    std::printf("decode_range_us_min pc: %d\n", pcMin);
    std::printf("decode_false_per_million firmware: %.1f (%llu of %llu)\n", firmwareTally.perMillion(),
                (unsigned long long)firmwareTally.wrong, (unsigned long long)firmwareTally.frames);
    std::printf("decode_false_per_million pc: %.1f (%llu of %llu)\n", pcTally.perMillion(),
                (unsigned long long)pcTally.wrong, (unsigned long long)pcTally.frames);
}
