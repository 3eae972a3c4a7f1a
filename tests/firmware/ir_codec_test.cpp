#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "ir_codec.h"
#include "ir_codes.h"
#include "sim/receiver_model.h"

namespace {

// Units in microseconds, as the protocols are published.
constexpr double kNecUnit = 562.5;
constexpr double kPanasonicUnit = 432;
constexpr double kRc5Half = 889;
constexpr double kRc6Unit = 444;
constexpr double kSircUnit = 600;

bool decodes(const std::vector<uint16_t>& frame, IrCode& code) {
    return irDecode(frame.data(), static_cast<uint8_t>(frame.size()), code);
}

std::vector<uint16_t> scaled(std::vector<uint16_t> frame, double factor) {
    for (uint16_t& d : frame) d = static_cast<uint16_t>(std::lround(d * factor));
    return frame;
}

// Zeros, ones, a known key, with both toggles where the protocol has one.
std::vector<IrCode> sampleCodes() {
    std::vector<IrCode> codes = {
        makeCode(IR_NEC, 0),
        makeCode(IR_NEC, 0xFFFFFFFF),
        makeCode(IR_NEC, 0x20DF10EF),
        makeCode(IR_PANASONIC, 0, 0),
        makeCode(IR_PANASONIC, 0xFFFFFFFF, 0xFFFF),
        makeCode(IR_PANASONIC, 0x0100BCBD, 0x4004),
        makeCode(IR_SAMSUNG, 0),
        makeCode(IR_SAMSUNG, 0xFFFFFFFF),
        makeCode(IR_SAMSUNG, 0xE0E040BF),
        makeCode(IR_SIRC12, 0),
        makeCode(IR_SIRC12, 0xFFF),
        makeCode(IR_SIRC12, 0xA90),
        makeCode(IR_SIRC15, 0x7FFF),
        makeCode(IR_SIRC15, 0x5A81),
        makeCode(IR_SIRC20, 0xFFFFF),
        makeCode(IR_SIRC20, 0x12345),
    };
    const std::pair<uint8_t, uint32_t> manchester[] = {
        {IR_RC5, 0},      {IR_RC5, 0xFFF},  {IR_RC5, 0x02C},  {IR_RC5, 0x80},         {IR_RC6, 0},
        {IR_RC6, 0xFFFF}, {IR_RC6, 0x000C}, {IR_RC6_6_20, 0}, {IR_RC6_6_20, 0xFFFFF}, {IR_RC6_6_20, 0xC005C},
    };
    for (const auto& [protocol, data] : manchester) {
        for (bool toggle : {false, true}) codes.push_back(withToggle(makeCode(protocol, data), toggle));
    }
    codes.push_back(necRepeat());
    return codes;
}

TEST(IrCodec, KnownFramesFollowThePublishedTiming) {
    struct Row {
        IrCode code;
        double unit;
        std::vector<double> units;  // the first durations, in units
    };
    const Row rows[] = {
        // leader 16, 8; first byte 0x20 = 0010 0000: a 0 is 1, 1 and a 1 is 1, 3
        {makeCode(IR_NEC, 0x20DF10EF), kNecUnit, {16, 8, 1, 1, 1, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {necRepeat(), kNecUnit, {16, 4, 1}},
        // leader 8, 4; first nibble 0x4 = 0100
        {makeCode(IR_PANASONIC, 0x0100BCBD, 0x4004), kPanasonicUnit, {8, 4, 1, 1, 1, 3, 1, 1, 1, 1}},
        // the whole frame: S1 S2 = 1 1, toggle 0, address 00000, command 101100
        {makeCode(IR_RC5, 0x02C), kRc5Half, {1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 1, 1, 2, 1, 1}},
        // leader 6, 2; start 1, mode 000, trailer 0 of double width, then data 0
        {makeCode(IR_RC6, 0x000C), kRc6Unit, {6, 2, 1, 2, 1, 1, 1, 1, 1, 2, 2, 1}},
        // mode 110, trailer 0, data 1100...: the trailer's mark runs on into the first data bit's
        {makeCode(IR_RC6_6_20, 0xC005C), kRc6Unit, {6, 2, 1, 1, 1, 1, 1, 2, 1, 2, 3, 1, 1, 2, 1}},
        // leader 4; then a space of 1 and a mark of 2 (a 1) or 1 (a 0): A90 = 1010 1001 0000
        {makeCode(IR_SIRC12, 0xA90), kSircUnit, {4, 1, 2, 1, 1, 1, 2, 1, 1, 1, 2, 1, 1,
                                                 1, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1}},
        // in microseconds: leader 4500, 4500; E0 = 1110 0000, a 1 is 560, 1690 and a 0 is 560, 560
        {makeCode(IR_SAMSUNG, 0xE0E040BF), 1, {4500, 4500, 560, 1690, 560, 1690, 560, 1690, 560, 560, 560, 560}},
    };
    for (const Row& row : rows) {
        std::vector<uint16_t> frame = frameOf(row.code);
        ASSERT_GE(frame.size(), row.units.size()) << row.code.data;
        for (size_t i = 0; i < row.units.size(); ++i) {
            EXPECT_NEAR(frame[i], row.units[i] * row.unit, 0.6) << row.code.data << " duration " << i;
        }
    }
    EXPECT_EQ(frameOf(rows[0].code).size(), 67u);
    EXPECT_EQ(frameOf(rows[2].code).size(), 99u);
    EXPECT_EQ(frameOf(rows[3].code).size(), rows[3].units.size());
    EXPECT_EQ(frameOf(rows[6].code).size(), rows[6].units.size());
    EXPECT_EQ(frameOf(makeCode(IR_SIRC20, 0)).size(), 41u);
    EXPECT_EQ(frameOf(rows[7].code).size(), 67u);
}

TEST(IrCodec, CarriersFromThePublishedFrequencies) {
    const std::pair<uint8_t, uint16_t> rows[] = {
        {IR_NEC, 38000},     {IR_PANASONIC, 37000}, {IR_RC5, 36000},    {IR_RC6, 36000},    {IR_RC6_6_20, 36000},
        {IR_SAMSUNG, 38000}, {IR_SIRC12, 40000},    {IR_SIRC15, 40000}, {IR_SIRC20, 40000}, {IR_NONE, 0},
    };
    for (const auto& [protocol, hertz] : rows) EXPECT_EQ(irCarrierHz(protocol), hertz) << int(protocol);
}

TEST(IrCodec, FramesStartAtTheirProtocolsPeriod) {
    // Each frame and the silence after it take the period, whatever its
    // bits; Sony's receivers want three frames of each press.
    const std::tuple<IrCode, double, int> rows[] = {
        {makeCode(IR_NEC, 0x20DF10EF), 108, 1},         {necRepeat(), 108, 1},
        {makeCode(IR_SAMSUNG, 0xE0E040BF), 108, 1},     {makeCode(IR_SAMSUNG, 0), 108, 1},
        {makeCode(IR_RC5, 0xFFF), 128 * 32 / 36.0, 1},  // 128 half bits, each 32 periods of the carrier
        {makeCode(IR_RC6, 0), 240 * 16 / 36.0, 1},      // 240T, T being 16 periods of the carrier
        {makeCode(IR_RC6_6_20, 0), 240 * 16 / 36.0, 1}, {makeCode(IR_SIRC12, 0), 45, 3},
        {makeCode(IR_SIRC20, 0xFFFFF), 45, 3},
    };
    for (const auto& [code, periodMs, frames] : rows) {
        const std::vector<uint16_t> frame = frameOf(code);
        const uint32_t frameUs = irFrameUs(frame.data(), static_cast<uint8_t>(frame.size()));
        const double periodSent = (frameUs + irGapAfterUs(code.protocol, frameUs)) / 1000.0;
        EXPECT_NEAR(periodSent, periodMs, 0.0005) << int(code.protocol);  // RC5's and RC6's rounding
        EXPECT_EQ(irMinFrames(code.protocol), frames) << int(code.protocol);
    }
    // Panasonic publishes its silence, not its period.
    EXPECT_NEAR(irGapAfterUs(IR_PANASONIC, 50000), 173 * kPanasonicUnit, 1);
}

TEST(IrCodec, EveryCodeComesBackFromItsFrame) {
    for (const IrCode& code : sampleCodes()) {
        std::vector<uint16_t> frame = frameOf(code);
        ASSERT_FALSE(frame.empty()) << int(code.protocol) << " " << code.data;
        IrCode decoded;
        ASSERT_TRUE(decodes(frame, decoded)) << int(code.protocol) << " " << code.data;
        expectSameCode(decoded, code);
    }
}

bool biPhase(uint8_t protocol) { return protocol == IR_RC5 || protocol == IR_RC6 || protocol == IR_RC6_6_20; }

// A remote's clock: the protocols with a leader measure it there and hold
// 25%; RC5's and RC6's remotes keep time, and a third of a half bit holds 8%.
// Off by 30%, nothing decodes. A leader's quarter either way is the edge: a
// remote whose clock is off by exactly 25% still decodes, a microsecond more
// on its leader no longer decodes as its protocol. (NEC's repeat leader is no
// whole number of quarters.)
TEST(IrCodec, RemotesWhoseClockIsOffByUpToAQuarterStillDecode) {
    for (double factor : {0.70, 0.75, 0.76, 0.92, 1.08, 1.24, 1.25, 1.30}) {
        const bool edge = factor == 0.75 || factor == 1.25;
        for (const IrCode& code : sampleCodes()) {
            std::vector<uint16_t> frame = scaled(frameOf(code), factor);
            IrCode decoded;
            if (factor < 0.75 || factor > 1.25) {
                EXPECT_FALSE(decodes(frame, decoded)) << factor << " " << int(code.protocol);
                EXPECT_EQ(decoded.protocol, IR_NONE);
                continue;
            }
            if ((biPhase(code.protocol) && (factor < 0.9 || factor > 1.1)) || (edge && code.repeat)) continue;
            ASSERT_TRUE(decodes(frame, decoded)) << factor << " " << int(code.protocol);
            expectSameCode(decoded, code);
            if (!edge) continue;
            frame[1] = static_cast<uint16_t>(frame[1] + (factor > 1 ? 1 : -1));
            decodes(frame, decoded);
            EXPECT_NE(decoded.protocol, code.protocol) << factor << " " << int(code.protocol);
        }
    }
}

// What receiver modules make of a frame, from a datasheet's shortest mark
// to a weak signal's longest and on to the edge of what the decoder takes
// in, with each duration jittering on its own: every
// frame still decodes to its code, and cut by a bit it decodes to nothing.
TEST(IrCodec, FramesDecodeAcrossTheReceiversEnvelope) {
    uint64_t seed = 1;
    for (int32_t excess : {-250, -150, -60, 0, 80, 140, 200, 300}) {
        for (const IrCode& code : sampleCodes()) {
            for (int trial = 0; trial < 10; ++trial) {
                orvalinder::sim::Receiver receiver({excess, 40}, ++seed);
                const std::vector<uint16_t> sent = frameOf(code);
                std::vector<uint32_t> frame(sent.begin(), sent.end());
                frame = receiver.receive(frame);
                IrCode decoded;
                ASSERT_TRUE(decodes({frame.begin(), frame.end()}, decoded)) << excess << " " << int(code.protocol);
                expectSameCode(decoded, code);
                frame.erase(frame.end() - 3, frame.end() - 1);
                EXPECT_FALSE(decodes({frame.begin(), frame.end()}, decoded)) << excess << " " << int(code.protocol);
            }
        }
    }
}

// A receiver's excess, its marks longer and its spaces as much shorter, is
// taken from -300 to +350 us; beyond, the frame is no remote's.
TEST(IrCodec, TheReceiversExcessHasItsWindow) {
    for (const auto& [excess, decoded] : {std::pair{-300, true}, {-301, false}, {350, true}, {351, false}}) {
        for (const IrCode& code : sampleCodes()) {
            std::vector<uint16_t> frame = frameOf(code);
            for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint16_t(frame[i] + (i % 2 ? -excess : excess));
            IrCode read;
            EXPECT_EQ(decodes(frame, read), decoded) << excess << " " << textOf(code);
        }
    }
}

// Sony's bits are told by their length, which holds a third of a unit, to
// the microsecond.
TEST(IrCodec, ASonyBitsLengthAndMarkHoldAThirdOfAUnit) {
    for (const auto& [off, decoded] : {std::pair{200, true}, {-200, true}, {201, false}, {-201, false}}) {
        for (const char* text : {"SIRC12:A90", "SIRC20:12345"}) {
            for (const bool markAlone : {false, true}) {  // the space before it taking the difference
                std::vector<uint16_t> frame = frameOf(parsed(text));
                frame[3] = uint16_t(frame[3] + off);
                if (markAlone) frame[4] = uint16_t(frame[4] - off);
                IrCode read;
                EXPECT_EQ(decodes(frame, read) && textOf(read) == text, decoded) << off << " " << text << markAlone;
            }
        }
    }
}

// A pulse-distance bit's mark holds a third of the bit mark, and its mark
// and space together half of it, to the microsecond; so does the closing
// mark. RC6's marks and spaces hold a third of a half bit.
TEST(IrCodec, ABitHoldsItsMarginsToTheMicrosecond) {
    enum Moved { Mark, Space, ClosingMark };
    const struct Row {
        uint8_t protocol;
        uint32_t ones;
        int markMargin, sumMargin;
    } rows[] = {{IR_NEC, 0xFFFFFFFF, 187, 281},
                {IR_PANASONIC, 0xFFFFFFFF, 144, 216},
                {IR_SAMSUNG, 0xFFFFFFFF, 186, 280},
                {IR_RC6, 0xFFFF, 148, 148}};
    for (const auto& [protocol, ones, markMargin, sumMargin] : rows) {
        for (const IrCode& code :
             {makeCode(protocol, 0), makeCode(protocol, ones, protocol == IR_PANASONIC ? 0xFFFF : 0)}) {
            for (Moved moved : {Mark, Space, ClosingMark}) {
                for (int d : {1, -1, 2, -2}) {  // at the margin, then beyond it
                    d *= moved == Space ? sumMargin : markMargin;
                    const bool beyond = std::abs(d) > (moved == Space ? sumMargin : markMargin);
                    if (beyond) d = d / 2 + (d > 0 ? 1 : -1);
                    std::vector<uint16_t> frame = frameOf(code);
                    ASSERT_GT(frame.size(), 3u) << textOf(code);
                    frame[moved == ClosingMark ? frame.size() - 1 : moved == Mark ? 2 : 3] += uint16_t(d);
                    if (moved == Mark) frame[3] -= uint16_t(d);  // the bit as long as before
                    IrCode read;
                    EXPECT_EQ(decodes(frame, read) && textOf(read) == textOf(code), !beyond)
                        << textOf(code) << " moved " << moved << " by " << d;
                }
            }
        }
    }
    for (int d : {187, -187, 188, -188}) {  // NEC's repeat: its mark as a bit's
        std::vector<uint16_t> frame = frameOf(necRepeat());
        frame.back() += uint16_t(d);
        IrCode read;
        EXPECT_EQ(decodes(frame, read) && read.repeat, std::abs(d) == 187) << d;
    }
}

TEST(IrCodec, BrokenFramesAndRandomDurationsDoNotDecode) {
    IrCode decoded;
    EXPECT_FALSE(irDecode(nullptr, 0, decoded));
    const std::vector<uint16_t> halfBits(kIrMaxDurations - 1, 889);  // far longer than any RC5 frame
    EXPECT_FALSE(decodes(halfBits, decoded));
    for (const IrCode& code : sampleCodes()) {
        const std::vector<uint16_t> frame = frameOf(code);
        std::vector<std::vector<uint16_t>> broken;
        for (size_t cut : {1, 2}) broken.emplace_back(frame.begin(), frame.end() - cut);
        broken.emplace_back(frame.begin() + 1, frame.end());
        broken.push_back(frame);  // one more space and mark after the whole frame
        broken.back().insert(broken.back().end(), frame.end() - 2, frame.end());
        for (size_t i = 0; i < frame.size(); ++i) {
            for (uint16_t wrong : {uint16_t{60}, uint16_t{20000}}) {
                broken.push_back(frame);
                broken.back()[i] = wrong;
            }
        }
        // A bit's mark half as long again, its space as much shorter: the bit's length is right.
        const bool pulseDistance =
            code.protocol == IR_NEC || code.protocol == IR_SAMSUNG || code.protocol == IR_PANASONIC;
        if (pulseDistance && frame.size() > 4) {
            broken.push_back(frame);
            broken.back()[2] += 300;
            broken.back()[3] -= 300;
        }
        const double unit = code.protocol == IR_RC5 ? kRc5Half : kRc6Unit;
        const bool manchester = biPhase(code.protocol);
        // A half bit 0.42 of a unit long or short: past a third, no whole units.
        for (size_t i = 2; manchester && i < frame.size(); ++i) {
            for (double off : {0.42, -0.42}) {
                broken.push_back(frame);
                broken.back()[i] = uint16_t(std::lround(broken.back()[i] + off * unit));
            }
        }
        // One edge a unit late: a Manchester bit without its middle edge.
        for (size_t i = 1; manchester && i + 1 < frame.size(); ++i) {
            if (frame[i + 1] < 1.5 * unit) continue;
            broken.push_back(frame);
            broken.back()[i] = uint16_t(broken.back()[i] + unit);
            broken.back()[i + 1] = uint16_t(broken.back()[i + 1] - unit);
        }
        for (const std::vector<uint16_t>& wrong : broken) {
            EXPECT_FALSE(decodes(wrong, decoded)) << int(code.protocol) << " " << code.data << " " << wrong.size();
            EXPECT_EQ(decoded.protocol, IR_NONE);
        }
    }
    // Nor do random durations.
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> count(5, kIrMaxDurations);
    std::uniform_int_distribution<int> duration(100, 10000);
    for (int trial = 0; trial < 2000; ++trial) {
        std::vector<uint16_t> frame(count(random));
        for (uint16_t& d : frame) d = static_cast<uint16_t>(duration(random));
        EXPECT_FALSE(decodes(frame, decoded)) << trial;
    }
}

TEST(IrCodec, CodesThatCannotBeSentEncodeToNothing) {
    uint16_t frame[kIrMaxDurations];
    const IrCode rows[] = {
        makeCode(IR_NONE, 0),     makeCode(99, 0),           makeCode(IR_NEC, 1, 1),
        makeCode(IR_RC5, 0x1000), makeCode(IR_RC6, 0x10000), makeCode(IR_RC6_6_20, 0x100000),
    };
    for (const IrCode& code : rows) EXPECT_EQ(irEncode(code, frame, kIrMaxDurations), 0) << int(code.protocol);
    // The whole frame or nothing.
    EXPECT_EQ(irEncode(makeCode(IR_PANASONIC, 0), frame, 98), 0);
    EXPECT_EQ(irEncode(makeCode(IR_PANASONIC, 0), frame, 99), 99);
}

}  // namespace
