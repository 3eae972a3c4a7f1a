#include <gtest/gtest.h>

#include <numeric>

#include "codes/encoder.h"
#include "codes/protocols.h"
#include "firmware/IrBridge/ir_codec.h"
#include "sim/receiver_model.h"
#include "tests/codes/lirc_tools.h"

namespace orvalinder::codes {
namespace {

// Each protocol's frame, as our remote for it sends it, read back as its
// code; RC5 and RC6 are written in LIRC's way (RC6's bits inverted) and read
// in the board's.
TEST(Protocols, FramesReadBackAsTheirCodes) {
    struct Row {
        Protocol protocol;
        uint64_t code;  // as the protocol's remote holds it
        const char* board;
    };
    const uint64_t rc6Mode6 = ~(uint64_t(1) << 24 | uint64_t(6) << 21 | 0x0C05C) & 0x1FFFFFF;
    const Row rows[] = {
        {Protocol::Nec, 0x20DF10EF, "NEC:20DF10EF"},
        {Protocol::Samsung32, 0xE0E040BF, "SAMSUNG:E0E040BF"},
        {Protocol::Panasonic, 0x400401008081, "PANASONIC 4004:01008081"},
        {Protocol::Sirc12, 0xA90, "SIRC12:A90"},
        {Protocol::Sirc15, 0x54E9, "SIRC15:54E9"},
        {Protocol::Sirc20, 0xA8B41, "SIRC20:A8B41"},
        // Leading zeros written, every code as wide as its protocol's
        {Protocol::Samsung32, 0x0E0E040B, "SAMSUNG:0E0E040B"},
        {Protocol::Sirc12, 0x090, "SIRC12:090"},
        {Protocol::Sirc15, 0x04E9, "SIRC15:04E9"},
        {Protocol::Sirc20, 0x08B41, "SIRC20:08B41"},
        {Protocol::Rc5, 0x100C, "RC5:00C"},
        {Protocol::Rc5, 0x0FFF, "RC5:FFF"},  // the field bit clear: the command's seventh bit set
        {Protocol::Rc5, 0x1060, "RC5:0A0"},  // address 1, command 32: its sixth bit alone
        {Protocol::Rc6, ~(uint64_t(1) << 20 | 0x800C) & 0x1FFFFF, "RC6:800C"},
        {Protocol::Rc6Mode6, rc6Mode6, "RC6-6-20:0C05C"},
    };
    for (const Row& row : rows) {
        const Signal signal = encode(protocolRemote(row.protocol), Key{"K", {row.code}, {}});
        const std::optional<Decoded> decoded = decode(signal.press);
        ASSERT_TRUE(decoded) << row.board;
        EXPECT_EQ(decoded->protocol, row.protocol) << row.board;
        EXPECT_EQ(boardCode(*decoded), row.board);
        // And back, as a learned key is kept: sent again, it reads the same.
        const Remote remote = protocolRemote(row.protocol);
        EXPECT_EQ(decode(encode(remote, Key{"K", {remoteCode(*decoded)}, {}}).press), decoded) << row.board;
        // The other toggle reads as the other toggle, and the same code.
        Remote unflipped = remote;
        unflipped.toggleBitMask = 0;  // sent as written
        bool first = false, other = false;
        decode(encode(unflipped, Key{"K", {row.code}, {}}).press, &first);
        EXPECT_EQ(decode(encode(unflipped, Key{"K", {row.code ^ remote.toggleBitMask}, {}}).press, &other), decoded)
            << row.board;
        EXPECT_EQ(other != first, remote.toggleBitMask != 0) << row.board;
    }
}

// Our remote for each of the board's protocols sends what the board sends
// for the same code, at the same carrier, with a frame as often and as many
// frames a press: to the microsecond, but for the board's NEC bits, 563 and
// 1688 us long where LIRC's remotes say 560 and 1690.
TEST(Protocols, SentAsTheBoardSendsThem) {
    struct Row {
        Protocol protocol;
        uint64_t code;
        IrCode board;
    };
    const uint64_t rc6 = ~(uint64_t(1) << 20 | 0x800C) & 0x1FFFFF;
    const uint64_t rc6Mode6 = ~(uint64_t(1) << 24 | uint64_t(6) << 21 | 0x0C05C) & 0x1FFFFFF;
    const Row rows[] = {
        {Protocol::Nec, 0x20DF10EF, {IR_NEC, 32, 0, 0x20DF10EF, false, false}},
        {Protocol::Samsung32, 0xE0E040BF, {IR_SAMSUNG, 32, 0, 0xE0E040BF, false, false}},
        {Protocol::Panasonic, 0x400401008081, {IR_PANASONIC, 48, 0x4004, 0x01008081, false, false}},
        {Protocol::Sirc12, 0xA90, {IR_SIRC12, 12, 0, 0xA90, false, false}},
        {Protocol::Sirc15, 0x54E9, {IR_SIRC15, 15, 0, 0x54E9, false, false}},
        {Protocol::Sirc20, 0xA8B41, {IR_SIRC20, 20, 0, 0xA8B41, false, false}},
        // LIRC's first press sends the toggle bit as 1: RC5's toggle, RC6's inverted.
        {Protocol::Rc5, 0x100C, {IR_RC5, 12, 0, 0x00C, true, false}},
        {Protocol::Rc6, rc6, {IR_RC6, 16, 0, 0x800C, false, false}},
        {Protocol::Rc6Mode6, rc6Mode6, {IR_RC6_6_20, 20, 0, 0x0C05C, false, false}},
    };
    for (const Row& row : rows) {
        const Signal ours = encode(protocolRemote(row.protocol), Key{"K", {row.code}, {}});
        uint16_t durations[kIrMaxDurations];
        const uint8_t count = irEncode(row.board, durations, kIrMaxDurations);
        const std::vector<uint32_t> board(durations, durations + count);
        const bool necBits = row.protocol == Protocol::Nec || row.protocol == Protocol::Samsung32;
        EXPECT_TRUE(necBits ? withinOnePercent(ours.press, board) : ours.press == board)
            << int(row.protocol) << "\n ours:  " << join(ours.press) << "\n board: " << join(board);
        if (necBits) {
            EXPECT_EQ(ours.press[2], 560u) << int(row.protocol);  // LIRC's pulse, not the board's 563
        }
        EXPECT_EQ(ours.carrierHz, irCarrierHz(row.board.protocol)) << int(row.protocol);
        EXPECT_EQ(1 + ours.minRepeat, irMinFrames(row.board.protocol)) << int(row.protocol);  // frames a press
        bool toggle = !row.board.toggle;
        decode(board, &toggle);
        EXPECT_EQ(toggle, row.board.toggle) << int(row.protocol);  // read as the board wrote it
        const uint32_t boardFrameUs = irFrameUs(durations, count);
        EXPECT_EQ(std::accumulate(ours.press.begin(), ours.press.end(), 0u) + ours.pressGap,
                  boardFrameUs + irGapAfterUs(row.board.protocol, boardFrameUs))
            << int(row.protocol);
    }
}

// Read as a receiver reads: each duration may be off by a quarter; a
// Manchester run by a third of a half bit (its longest runs are three).
TEST(Protocols, FramesALittleOffStillRead) {
    struct Row {
        Protocol protocol;
        uint64_t code;
        int within, beyond;  // percent
    };
    const Row rows[] = {{Protocol::Nec, 0x5A5, 25, 30},
                        {Protocol::Sirc12, 0x5A5, 25, 30},
                        {Protocol::Rc5, 0x5A5, 10, 20},
                        {Protocol::Rc6, ~(uint64_t(1) << 20 | 0x5A5) & 0x1FFFFF, 10, 20}};
    for (const auto& [protocol, code, within, beyond] : rows) {
        const Signal signal = encode(protocolRemote(protocol), Key{"K", {code}, {}});
        for (const auto& [percent, reads] : {std::pair{100, true},
                                             {100 - within, true},
                                             {100 + within, true},
                                             {100 - beyond, false},
                                             {100 + beyond, false}}) {
            std::vector<uint32_t> scaled;
            for (uint32_t us : signal.press) scaled.push_back(us * uint32_t(percent) / 100);
            EXPECT_EQ(decode(scaled).has_value(), reads) << int(protocol) << " at " << percent << "%";
        }
        std::vector<uint32_t> longer = signal.press;
        longer.insert(longer.end(), {560, 560});
        EXPECT_FALSE(decode(longer)) << int(protocol) << " with a bit too many";
        if (protocol == Protocol::Nec || protocol == Protocol::Sirc12) {  // a bit's length is its pulse and space
            std::vector<uint32_t> shortBit = signal.press;
            shortBit[3] -= protocolRemote(protocol).zero.pulse / 2;
            EXPECT_FALSE(decode(shortBit)) << int(protocol) << " with a bit half a pulse short";
        }
        std::vector<uint32_t> followed = signal.press;  // a silence of 10 ms ends a frame
        followed.insert(followed.end(), {10000, 560});
        EXPECT_TRUE(decode(followed)) << int(protocol) << " and a mark 10 ms on";
    }
}

// A pulse-distance bit's pulse, and its pulse and space together, hold a
// third of the protocol's pulse to the microsecond; so does the trailing
// pulse. RC6's pulses and spaces hold a third of a half bit.
TEST(Protocols, ABitHoldsAThirdOfItsPulse) {
    enum Moved { Pulse, Space, Trail };
    const std::pair<Protocol, uint64_t> rows[] = {{Protocol::Nec, 0x00FF00FF},
                                                  {Protocol::Samsung32, 0xE0E040BF},
                                                  {Protocol::Panasonic, 0x400401008081},
                                                  {Protocol::Rc6, ~(uint64_t(1) << 20 | 0x800C) & 0x1FFFFF}};
    for (const auto& [protocol, code] : rows) {
        const Signal signal = encode(protocolRemote(protocol), Key{"K", {code}, {}});
        const std::optional<Decoded> expected = decode(signal.press);
        ASSERT_TRUE(expected) << int(protocol);
        const int third = int(protocolRemote(protocol).zero.pulse / 3);
        for (Moved moved : {Pulse, Space, Trail}) {
            for (int d : {third, -third, third + 1, -third - 1}) {
                std::vector<uint32_t> frame = signal.press;
                frame[moved == Trail ? frame.size() - 1 : moved == Pulse ? 2 : 3] += uint32_t(d);
                if (moved == Pulse) frame[3] -= uint32_t(d);  // the bit as long as before
                EXPECT_EQ(decode(frame) == expected, std::abs(d) == third)
                    << int(protocol) << " moved " << moved << " by " << d;
            }
        }
    }
}

// RC5 has no leader: its excess is the mean over the whole frame, so a first
// pair caught badly (its mark 120 µs long, its space 120 µs short) does not
// throw out a later mark read 180 µs short, with no excess or a strong one.
TEST(Protocols, Rc5TakesItsExcessFromTheWholeFrame) {
    for (uint64_t value : {0x1555, 0x54}) {  // the second's pairs of three half bits do not even out
        const std::vector<uint32_t> sent = encode(protocolRemote(Protocol::Rc5), Key{"K", {value}, {}}).press;
        ASSERT_TRUE(decode(sent));
        for (int32_t excess : {0, 250}) {
            std::vector<uint32_t> frame = sim::Receiver({excess, 0}, 1).receive(sent);
            frame[0] += 120;
            frame[1] -= 120;
            frame[frame.size() - 3] -= 180;
            EXPECT_EQ(decode(frame), decode(sent)) << value << " " << excess;
        }
        std::vector<uint32_t> squeezed = sent;  // a first pair of one half bit
        squeezed[0] = squeezed[1] = 600;
        EXPECT_FALSE(decode(squeezed)) << value;
        // A pair of two half bits each, both 15 % long: each alone is within
        // a third of a half bit, but the two span more than four.
        std::vector<uint32_t> stretched = sent;
        size_t i = 0;
        while (i + 1 < sent.size() && sent[i] + sent[i + 1] < 4 * 889) i += 2;
        ASSERT_LT(i + 1, sent.size()) << value;
        stretched[i] = sent[i] * 115 / 100;
        stretched[i + 1] = sent[i + 1] * 115 / 100;
        EXPECT_FALSE(decode(stretched)) << value;
    }
}

// A remote's form is told by its timings, whatever its name.
TEST(Protocols, FormsAreNamedByTheirTimings) {
    Remote other = protocolRemote(Protocol::Nec);
    other.one.space += 100;
    Remote raw;
    raw.encoding = Encoding::Raw;
    const std::pair<Remote, const char*> rows[] = {{protocolRemote(Protocol::Nec), "nec"},
                                                   {protocolRemote(Protocol::Panasonic), "panasonic"},
                                                   {other, "codes"},
                                                   {raw, "raw"}};
    for (auto [remote, form] : rows) {
        remote.name = "living_room";
        EXPECT_EQ(formName(remote), form);
    }
}

// As receiver modules deliver them, from a datasheet's shortest mark to a
// weak signal's longest, each duration jittering on its own: every frame
// reads as its code, and cut by a bit as nothing.
TEST(Protocols, FramesReadAcrossTheReceiversEnvelope) {
    const std::pair<Protocol, uint64_t> rows[] = {
        {Protocol::Nec, 0x20DF10EF},
        {Protocol::Samsung32, 0xE0E040BF},
        {Protocol::Panasonic, 0x400401008081},
        {Protocol::Sirc12, 0xA90},
        {Protocol::Sirc15, 0x54E9},
        {Protocol::Sirc20, 0xA8B41},
        {Protocol::Rc5, 0x1555},
        {Protocol::Rc5, 0x0AAA},
        {Protocol::Rc6, ~(uint64_t(1) << 20 | 0x800C) & 0x1FFFFF},
        {Protocol::Rc6Mode6, ~(uint64_t(1) << 24 | uint64_t(6) << 21 | 0x0C05C) & 0x1FFFFFF},
    };
    uint64_t seed = 1;
    for (const auto& [protocol, code] : rows) {
        const Signal signal = encode(protocolRemote(protocol), Key{"K", {code}, {}});
        const std::optional<Decoded> expected = decode(signal.press);
        ASSERT_TRUE(expected) << int(protocol);
        for (int32_t excess : {-150, -60, 0, 80, 140, 200}) {
            for (int trial = 0; trial < 10; ++trial) {
                sim::Receiver receiver({excess, 40}, ++seed);
                std::vector<uint32_t> frame = receiver.receive(signal.press);
                EXPECT_EQ(decode(frame), expected) << boardCode(*expected) << " at " << excess;
                frame.erase(frame.end() - 3, frame.end() - 1);
                EXPECT_FALSE(decode(frame)) << boardCode(*expected) << " cut, at " << excess;
            }
        }
        // At the edges of what receivers do a frame still reads; beyond, it is none of the protocol's.
        for (int32_t excess : {-300, 350})
            EXPECT_EQ(decode(sim::Receiver({excess, 0}, 1).receive(signal.press)), expected)
                << boardCode(*expected) << " at " << excess;
        for (int32_t excess : {-301, 351})
            EXPECT_FALSE(decode(sim::Receiver({excess, 0}, 1).receive(signal.press)))
                << boardCode(*expected) << " at " << excess;
    }
}

}  // namespace
}  // namespace orvalinder::codes
