// The board's firmware in a simulated ATmega328P: key codes in over its
// serial port, frames out on its IR LED pin, frames played into its
// receiver pin, learned keys in its EEPROM. All in simulated time.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "avrsim/simulated_board.h"
#include "bridge.h"
#include "ir_codec.h"
#include "ir_text.h"
#include "learned_keys.h"
#include "tests/firmware/ir_codes.h"

namespace avrsim {
namespace {

// What the LED sent, decoded as a receiver would decode it.
bool decoded(const SentFrame& frame, IrCode& code) {
    const std::vector<uint16_t> durations(frame.durations.begin(), frame.durations.end());
    return irDecode(durations.data(), uint8_t(durations.size()), code);
}
std::string decodedText(const SentFrame& frame) {
    IrCode code;
    return decoded(frame, code) ? textOf(code) : "?";
}

// The board after its start, with what it sends kept line by line.
struct Board {
    explicit Board(const std::string& eeprom = {}) {
        if (!eeprom.empty() && std::filesystem::exists(eeprom)) board.loadEeprom(eeprom);
        board.run(20'000);
        started = board.takeSerial();
    }

    // Runs until `done` holds or `limitUs` have passed; false on a timeout.
    bool runUntil(const std::function<bool()>& done, uint64_t limitUs) {
        const uint64_t end = board.nowUs() + limitUs;
        while (!done()) {
            if (board.nowUs() >= end || !board.run(1000)) return false;
            serial += board.takeSerial();
            for (SentFrame& frame : board.takeSentFrames()) sent.push_back(std::move(frame));
        }
        return true;
    }
    bool runUntilSent(size_t frames, uint64_t limitUs = 2'000'000) {
        return runUntil([&] { return sent.size() >= frames; }, limitUs);
    }
    bool runUntilSerial(const std::string& text, uint64_t limitUs = 1'000'000) {
        return runUntil([&] { return serial.find(text) != std::string::npos; }, limitUs);
    }
    void runFor(uint64_t us) {
        runUntil([] { return false; }, us);
    }
    // Says every 100 ms that the key is still held; returns when it last said so.
    uint64_t keepHolding(int words) {
        for (int i = 0; i < words; ++i) {
            runFor(100'000);
            board.sendSerial("!K");
        }
        return board.nowUs();
    }

    // When the last frame sent ended.
    uint64_t lastSentEndUs() const {
        return std::accumulate(sent.back().durations.begin(), sent.back().durations.end(), sent.back().startUs);
    }

    SimulatedBoard board{IRBRIDGE_ELF};
    std::string started;  // what it said as it started
    std::string serial;
    std::vector<SentFrame> sent;
};

// Within 1% or 10 us, whichever is more: what the board promises for the
// durations it is given. A mark cut during a low half of the carrier looks
// on the pin as if it ended anywhere in that half: the demodulator takes its
// middle, so a quarter of the carrier's period comes on top.
void expectDurations(const SentFrame& frame, const std::vector<uint32_t>& expected, const std::string& what) {
    ASSERT_EQ(frame.durations.size(), expected.size()) << what;
    const double unseen = 1e6 / frame.carrierHz / 4;
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(frame.durations[i], expected[i], std::max(expected[i] / 100.0, 10.0) + unseen)
            << what << " duration " << i;
}

// The carrier nearest the one asked for: the 16 MHz clock, or an eighth of
// it below 31.25 kHz, toggles the LED every whole number of its ticks.
double nearestCarrier(uint32_t hertz) {
    const double toggles = hertz > 16e6 / 2 / 256 ? 16e6 / 2 : 16e6 / 16;
    return toggles / std::round(toggles / hertz);
}

void expectFrame(const SentFrame& frame, const IrCode& code) {
    const std::vector<uint32_t> expected = frameOf<uint32_t>(code);
    EXPECT_FALSE(frame.steadyLight);
    const uint32_t carrier = irCarrierHz(code.protocol);
    EXPECT_NEAR(frame.carrierHz, carrier, carrier * 0.02);
    ASSERT_EQ(frame.durations.size(), expected.size()) << textOf(code);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(frame.durations[i], expected[i], expected[i] * 0.05) << textOf(code) << " duration " << i;
}

TEST(IrBridgeFirmware, AFramePlayedIntoTheReceiverComesBackAsLines) {
    for (const char* text : {"NEC:20DF10EF", "PANASONIC 4004:0100BCBD", "RC5:02C", "RC6:000C", "RC6-6-20:0C05C",
                             "SIRC12:A90", "SIRC15:5A81", "SIRC20:12345", "SAMSUNG:E0E040BF"}) {
        Board b;
        const std::vector<uint32_t> frame = frameOf<uint32_t>(parsed(text));
        b.board.playIr(frame, b.board.nowUs() + 1000);
        ASSERT_TRUE(b.runUntilSerial("Y")) << text << ": " << b.serial;

        const size_t x = b.serial.find('x');
        ASSERT_NE(x, std::string::npos) << b.serial;
        EXPECT_EQ(b.serial.substr(x + 1), std::string(text) + "Y");
        std::vector<uint32_t> measured;
        for (size_t start = 0; start < x;) {
            size_t end = b.serial.find_first_of("\tx", start);
            measured.push_back(uint32_t(std::stoul(b.serial.substr(start, end - start))));
            start = end + 1;
        }
        ASSERT_EQ(measured.size(), frame.size()) << b.serial;
        for (size_t i = 0; i < frame.size(); ++i)
            EXPECT_NEAR(measured[i], frame[i], frame[i] * 0.10) << text << " duration " << i;
    }
}

TEST(IrBridgeFirmware, GarbageBeforeAKeyCodeIsSkippedAndAnUnknownOneAnswered) {
    Board b;
    b.board.sendSerial(std::string("\r\n\0\xff"
                                   "zzA1A10E101",
                                   16) +
                       "D100");
    ASSERT_TRUE(b.runUntilSent(1));
    expectFrame(b.sent[0], keyCode("D100"));
    // An unknown key code sends nothing and says so.
    b.board.sendSerial("A999");
    ASSERT_TRUE(b.runUntilSerial("Y"));
    EXPECT_EQ(b.serial, "No key A999Y");
    EXPECT_EQ(b.sent.size(), 1u);
}

TEST(IrBridgeFirmware, ALearnedKeyIsSentAndKeptThroughAResetAndAPowerCycle) {
    const std::string eeprom = testing::TempDir() + "irbridge-eeprom-" + std::to_string(getpid());
    const IrCode learned = parsed("NEC:20DF10EF");
    {
        Board b;
        b.board.sendSerial("!LA101");
        ASSERT_TRUE(b.runUntilSerial("Learning A101Y"));
        b.board.playIr(frameOf<uint32_t>(learned), b.board.nowUs() + 1000);
        ASSERT_TRUE(b.runUntilSerial("Learned A101Y")) << b.serial;
        b.board.sendSerial("A101");
        ASSERT_TRUE(b.runUntilSent(1));
        expectFrame(b.sent[0], learned);

        // Opening the port resets the board: it says what it is, unasked.
        EXPECT_EQ(b.started, "IrBridge " IRBRIDGE_VERSION "Y");
        b.serial.clear();
        b.board.reset();
        ASSERT_TRUE(b.runUntilSerial("IrBridge " IRBRIDGE_VERSION "Y", 20'000)) << b.serial;
        b.board.sendSerial("A101");
        ASSERT_TRUE(b.runUntilSent(2));
        expectFrame(b.sent[1], learned);
        b.board.saveEeprom(eeprom);
    }
    Board poweredAgain(eeprom);
    poweredAgain.board.sendSerial("A101");
    ASSERT_TRUE(poweredAgain.runUntilSent(1));
    expectFrame(poweredAgain.sent[0], learned);

    poweredAgain.board.sendSerial("!FA101A101");
    ASSERT_TRUE(poweredAgain.runUntilSent(2));
    EXPECT_EQ(poweredAgain.serial, "Forgot A101Y");
    expectFrame(poweredAgain.sent[1], keyCode("A101"));
    std::filesystem::remove(eeprom);
}

// Neither the board's own frames nor a mark longer than any remote's (a
// receiver held low by sunlight or a lamp after the start of a frame) are
// reported as received; a frame from another remote afterwards is still heard.
// Only six milliseconds of silence end a frame.
TEST(IrBridgeFirmware, TheReceiverReportsOnlyWholeFramesFromOtherRemotes) {
    Board b;
    b.board.setLoopback(true);
    b.board.sendSerial("D100D101");
    ASSERT_TRUE(b.runUntilSent(2));
    b.runFor(100'000);
    b.board.playIr({9000, 4500, 560, 560, 30000}, b.board.nowUs() + 1000);
    b.runFor(200'000);
    EXPECT_EQ(b.serial, "");
    b.board.playIr(frameOf<uint32_t>(parsed("NEC:20DF10EF")), b.board.nowUs() + 1000);
    EXPECT_TRUE(b.runUntilSerial("NEC:20DF10EFY")) << b.serial;
    b.serial.clear();
    b.board.playIr({560, 560, 560, 5999, 560, 560, 560}, b.board.nowUs() + 1000);
    ASSERT_TRUE(b.runUntilSerial("x")) << b.serial;
    EXPECT_EQ(std::count(b.serial.begin(), b.serial.end(), '\t'), 6) << b.serial;
}

TEST(IrBridgeFirmware, AFrameBeingReceivedDelaysSendingByAtMostThatFrame) {
    Board b;
    const std::vector<uint32_t> frame = frameOf<uint32_t>(parsed("PANASONIC 4004:0100BCBD"));
    b.board.playIr(frame, b.board.nowUs() + 1000);
    b.board.run(10'000);  // well inside the played frame
    b.board.sendSerial("D100");
    ASSERT_TRUE(b.runUntilSent(1));
    // Sent after the played frame and its 12 ms end of frame, not before.
    EXPECT_GE(b.sent[0].startUs, b.board.playEndUs());
    EXPECT_LE(b.sent[0].startUs, b.board.playEndUs() + 20'000);
    EXPECT_TRUE(b.runUntilSerial("PANASONIC 4004:0100BCBDY")) << b.serial;
}

// Key codes, codes and raw frames the program gives come out of the LED as
// given: the carrier the nearest the clock makes, durations within 1% or
// 10 us. A known key code is sent once and not answered. The board's own
// LED is lit while a frame goes out, and only then.
TEST(IrBridgeFirmware, KeyCodesGivenCodesAndRawFramesLeaveTheLedAsGiven) {
    Board led;
    EXPECT_NEAR(led.board.serialBaud(), 115200, 115200 * 0.025);  // as the program's Com settings say
    led.board.run(10'000);
    EXPECT_FALSE(led.board.builtinLedOn());
    led.board.sendSerial("!SNEC:20DF10EF\r");
    led.board.run(30'000);  // into the 67 ms frame
    EXPECT_TRUE(led.board.builtinLedOn());
    ASSERT_TRUE(led.runUntilSent(1));
    EXPECT_FALSE(led.board.builtinLedOn());
    for (const std::string message : {"A101", "B105", "C100", "D145", "!SSIRC12:A90\r", "!SSIRC15:5A81\r",
                                      "!SSIRC20:12345\r", "!SSAMSUNG:E0E040BF\r", "!SNEC:20DF10EF\r"}) {
        const bool given = message.starts_with("!S");
        const IrCode code = given ? parsed(message.substr(2, message.size() - 3).c_str()) : keyCode(message.c_str());
        Board b;
        b.board.sendSerial(message);
        ASSERT_TRUE(b.runUntilSent(1)) << message;
        EXPECT_EQ(decodedText(b.sent[0]), textOf(code)) << message;
        EXPECT_FALSE(b.sent[0].steadyLight) << message;
        EXPECT_NEAR(b.sent[0].carrierHz, nearestCarrier(irCarrierHz(code.protocol)), 40) << message;
        expectDurations(b.sent[0], frameOf<uint32_t>(code), message);
        if (!given) {
            b.runFor(200'000);
            EXPECT_EQ(b.sent.size(), 1u) << message << ": sent once";
        }
        EXPECT_EQ(b.serial, "") << message << ": not answered";
    }
    // A hundred numbers: 99 durations, marks from 100 us to 10 ms and spaces
    // to 5 ms (a longer one ends a frame), and the silence after them.
    std::vector<uint32_t> durations;
    for (uint32_t i = 0; i < 99; ++i) durations.push_back(100 + i * 397 % (i % 2 ? 4900 : 9900));
    for (uint32_t hertz : {30000, 36000, 38000, 40000, 56000, 60000}) {
        Board b;
        std::string message = "!SRAW " + std::to_string(hertz) + ":";
        for (uint32_t d : durations) message += std::to_string(d) + " ";
        b.board.sendSerial(message + "20000\r");
        ASSERT_TRUE(b.runUntilSent(1)) << hertz;
        EXPECT_NEAR(b.sent[0].carrierHz, nearestCarrier(hertz), hertz * 0.001);
        expectDurations(b.sent[0], durations, std::to_string(hertz) + " Hz");
        EXPECT_EQ(b.serial, "");
    }
}

// For a second the program says every 100 ms that the key is still held;
// the LED repeats it as its remote would, and stops within 200 ms of the
// last word.
TEST(IrBridgeFirmware, AHeldKeyRepeatsAsItsRemoteDoes) {
    std::vector<HeldKey> rows = kHeldKeys;
    // Panasonic keeps 173T of silence after each frame.
    const std::vector<uint32_t> panasonic = frameOf<uint32_t>(parsed("PANASONIC 4004:0100BCBD"));
    rows.push_back({"!HPANASONIC 4004:0100BCBD\r", "PANASONIC 4004:0100BCBD", "PANASONIC 4004:0100BCBD",
                    (std::accumulate(panasonic.begin(), panasonic.end(), 0.0) + 173 * 432) / 1000});
    rows.push_back({"!HRAW 38000:9000 4500 560 560 560 70000\r", "?", "?", 85.18});  // the frame and its silence
    for (const HeldKey& row : rows) {
        Board b;
        b.board.sendSerial(row.hold);
        const uint64_t lastWordUs = b.keepHolding(10);
        b.runFor(600'000);
        // Held for 1 s, and at most 200 ms after the last word.
        ASSERT_GE(b.sent.size(), static_cast<size_t>(1000 / row.periodMs)) << row.hold;
        ASSERT_LE(b.sent.size(), static_cast<size_t>(1200 / row.periodMs) + 1) << row.hold;
        EXPECT_EQ(decodedText(b.sent[0]), row.first) << row.hold;
        for (size_t i = 1; i < b.sent.size(); ++i) {
            EXPECT_EQ(decodedText(b.sent[i]), row.repeat) << row.hold << " frame " << i;
            EXPECT_NEAR((b.sent[i].startUs - b.sent[i - 1].startUs) / 1000.0, row.periodMs, row.periodMs * 0.02)
                << row.hold << " frame " << i;
        }
        EXPECT_LE(b.lastSentEndUs(), lastWordUs + 200'000) << row.hold;
        EXPECT_EQ(b.serial, "") << row.hold;
    }
}

// A frame from another remote that starts between the frames of a held key
// is heard whole: the next repeat waits for it.
TEST(IrBridgeFirmware, AHeldKeyLeavesTheReceiverItsGaps) {
    Board b;
    b.board.sendSerial("!HNEC:20DF10EF\r");
    b.keepHolding(3);
    ASSERT_EQ(b.sent.size(), 3u);
    const std::vector<uint32_t> played = frameOf<uint32_t>(parsed("SAMSUNG:E0E040BF"));
    b.board.playIr(played, b.lastSentEndUs() + 60'000);  // on past the time the next repeat is due
    b.board.sendSerial("!K");
    ASSERT_TRUE(b.runUntilSerial("SAMSUNG:E0E040BFY")) << b.serial;
    b.runFor(100'000);
    ASSERT_GT(b.sent.size(), 3u);
    EXPECT_GE(b.sent[3].startUs, b.board.playEndUs());
    EXPECT_EQ(decodedText(b.sent[3]), "NEC repeat");
}

// The toggle bit of RC5 and RC6 flips between presses, so "2" then "2" is
// 22 and not a held 2; a held key keeps it.
TEST(IrBridgeFirmware, TheToggleFlipsOnEachNewPress) {
    for (const char* key : {"B105", "C100"}) {
        Board b;
        b.board.sendSerial(std::string(key) + key);
        ASSERT_TRUE(b.runUntilSent(2)) << key;
        b.board.sendSerial(std::string("!H") + key);
        b.keepHolding(1);
        ASSERT_TRUE(b.runUntilSent(4)) << key;
        std::vector<bool> toggles;
        for (const SentFrame& frame : b.sent) {
            IrCode code;
            ASSERT_TRUE(decoded(frame, code)) << key;
            toggles.push_back(code.toggle);
        }
        EXPECT_EQ(toggles, (std::vector<bool>{false, true, false, false})) << key;
    }
}

// A hundred messages at once, key codes alone or of every kind, all go out
// in order: the serial input is read fast enough never to fill up.
TEST(IrBridgeFirmware, AHundredMessagesAtOnceGoOutInOrder) {
    std::vector<std::string> keyCodes;
    for (int i = 0; i < 46; ++i) keyCodes.push_back("D" + std::to_string(100 + i));
    const std::vector<std::string> mixed = {"A101",
                                            "!SNEC:20DF10EF\r",
                                            "!SSAMSUNG:E0E040BF\n",
                                            "B105",
                                            "!SRC5:02C\r",
                                            "!SPANASONIC 4004:0100BCBD\r",
                                            "D120",
                                            "!SRAW 38000:9000 4500 560 1690 560\r",
                                            "!SRC6-6-20:0C05C\r",
                                            "!SA102"};
    for (const std::vector<std::string>& messages : {keyCodes, mixed}) {
        Board b;
        std::string burst;
        std::vector<std::string> expected;
        for (int i = 0; i < 100; ++i) {
            const std::string& message = messages[i % messages.size()];
            burst += message;
            const std::string body = message.starts_with("!S") ? message.substr(2) : message;
            if (body.starts_with("RAW"))
                expected.push_back("?");
            else if (body.find(':') != std::string::npos)
                expected.push_back(body.substr(0, body.size() - 1));
            else
                expected.push_back(textOf(keyCode(body.c_str())));
        }
        b.board.sendSerial(burst);
        ASSERT_TRUE(b.runUntilSent(100, 15'000'000)) << b.sent.size() << " frames; " << b.serial;
        std::vector<std::string> decoded;
        for (const SentFrame& frame : b.sent) decoded.push_back(decodedText(frame));
        EXPECT_EQ(decoded, expected);
        EXPECT_EQ(b.serial, "");
        const int peak = b.board.variableByte("serialInputPeak");
        std::printf("serial_input_peak_bytes: %d of 128 (%zu bytes in the burst)\n", peak, burst.size());
        EXPECT_LT(peak, 128);
    }
}

}  // namespace
}  // namespace avrsim
