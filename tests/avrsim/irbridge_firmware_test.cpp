// The board's firmware in a simulated ATmega328P: key codes in over its
// serial port, frames out on its IR LED pin, frames played into its
// receiver pin, learned keys in its EEPROM. All in simulated time.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "avrsim/simulated_board.h"
#include "ir_codec.h"
#include "ir_text.h"
#include "learned_keys.h"

namespace avrsim {
namespace {

IrCode keyCode(const char* name)
{
    KeyName key;
    key.letter = name[0];
    key.number = uint16_t(std::stoi(name + 1));
    IrCode code;
    EXPECT_TRUE(findDefaultKey(key, code)) << name;
    return code;
}

IrCode parsed(const char* text)
{
    IrCode code;
    EXPECT_TRUE(parseCode(text, code)) << text;
    return code;
}

std::vector<uint32_t> frameOf(const IrCode& code)
{
    uint16_t durations[kIrMaxDurations];
    uint8_t count = irEncode(code, durations, kIrMaxDurations);
    return {durations, durations + count};
}

std::string textOf(const IrCode& code)
{
    char text[40];
    return std::string(text, formatCode(code, text, sizeof text));
}

// What the LED sent, decoded as a receiver would decode it.
std::string decodedText(const SentFrame& frame)
{
    std::vector<uint16_t> durations(frame.durations.begin(), frame.durations.end());
    IrCode code;
    if (!irDecode(durations.data(), uint8_t(durations.size()), code))
        return "?";
    return textOf(code);
}

// The board after its start, with what it sends kept line by line.
struct Board {
    explicit Board(const std::string& eeprom = {})
    {
        if (!eeprom.empty() && std::filesystem::exists(eeprom))
            board.loadEeprom(eeprom);
        board.run(20'000);
    }

    // Runs until `done` holds or `limitUs` have passed; false on a timeout.
    bool runUntil(const std::function<bool()>& done, uint64_t limitUs)
    {
        const uint64_t end = board.nowUs() + limitUs;
        while (!done()) {
            if (board.nowUs() >= end || !board.run(1000))
                return false;
            serial += board.takeSerial();
            for (SentFrame& frame : board.takeSentFrames())
                sent.push_back(std::move(frame));
        }
        return true;
    }
    bool runUntilSent(size_t frames, uint64_t limitUs = 2'000'000)
    {
        return runUntil([&] { return sent.size() >= frames; }, limitUs);
    }
    bool runUntilSerial(const std::string& text, uint64_t limitUs = 1'000'000)
    {
        return runUntil([&] { return serial.find(text) != std::string::npos; }, limitUs);
    }

    SimulatedBoard board{IRBRIDGE_ELF};
    std::string serial;
    std::vector<SentFrame> sent;
};

void expectFrame(const SentFrame& frame, const IrCode& code)
{
    const std::vector<uint32_t> expected = frameOf(code);
    EXPECT_FALSE(frame.steadyLight);
    const uint32_t carrier = irCarrierHz(code.protocol);
    EXPECT_NEAR(frame.carrierHz, carrier, carrier * 0.02);
    ASSERT_EQ(frame.durations.size(), expected.size()) << textOf(code);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(frame.durations[i], expected[i], expected[i] * 0.05) << textOf(code) << " duration " << i;
}

TEST(IrBridgeFirmware, AKeyCodeSendsItsFrameOnTheLed)
{
    EXPECT_NEAR(Board().board.serialBaud(), 115200, 115200 * 0.025);  // as the program's Com settings say
    for (const char* key : {"A101", "B105", "C100", "D145"}) {
        Board b;
        b.board.sendSerial(key);
        ASSERT_TRUE(b.runUntilSent(1)) << key;
        expectFrame(b.sent[0], keyCode(key));
        b.runUntil([] { return false; }, 200'000);
        EXPECT_EQ(b.sent.size(), 1u) << key << ": sent once";
        EXPECT_EQ(b.serial, "") << key << ": a known key is not answered";
    }
}

TEST(IrBridgeFirmware, AFramePlayedIntoTheReceiverComesBackAsLines)
{
    for (const char* text : {"NEC:20DF10EF", "PANASONIC 4004:0100BCBD", "RC5:02C", "RC6:000C", "RC6-6-20:0C05C"}) {
        Board b;
        const std::vector<uint32_t> frame = frameOf(parsed(text));
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

TEST(IrBridgeFirmware, AMarkLongerThanAnyRemotesIsNoFrame)
{
    // A receiver held low (sunlight, a lamp) after the start of a frame.
    Board b;
    b.board.playIr({9000, 4500, 560, 560, 30000}, b.board.nowUs() + 1000);
    b.runUntil([] { return false; }, 200'000);
    EXPECT_EQ(b.serial, "");
    // The next frame is heard again.
    b.board.playIr(frameOf(parsed("NEC:20DF10EF")), b.board.nowUs() + 1000);
    EXPECT_TRUE(b.runUntilSerial("NEC:20DF10EFY")) << b.serial;
}

TEST(IrBridgeFirmware, GarbageBeforeAKeyCodeIsSkipped)
{
    Board b;
    b.board.sendSerial(std::string("\r\n\0\xff" "zzA1A10E101", 16) + "D100");
    ASSERT_TRUE(b.runUntilSent(1));
    expectFrame(b.sent[0], keyCode("D100"));
}

TEST(IrBridgeFirmware, AnUnknownKeyCodeSendsNothingAndSaysSo)
{
    Board b;
    b.board.sendSerial("A999");
    ASSERT_TRUE(b.runUntilSerial("Y"));
    EXPECT_EQ(b.serial, "No key A999Y");
    EXPECT_TRUE(b.sent.empty());
}

TEST(IrBridgeFirmware, ALearnedKeyIsSentAndKeptThroughAResetAndAPowerCycle)
{
    const std::string eeprom = testing::TempDir() + "irbridge-eeprom-" + std::to_string(getpid());
    const IrCode learned = parsed("NEC:20DF10EF");
    {
        Board b;
        b.board.sendSerial("!LA101");
        ASSERT_TRUE(b.runUntilSerial("Learning A101Y"));
        b.board.playIr(frameOf(learned), b.board.nowUs() + 1000);
        ASSERT_TRUE(b.runUntilSerial("Learned A101Y")) << b.serial;
        b.board.sendSerial("A101");
        ASSERT_TRUE(b.runUntilSent(1));
        expectFrame(b.sent[0], learned);

        b.board.reset();
        b.board.run(20'000);
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

TEST(IrBridgeFirmware, AHundredKeyCodesAtOnceAllGoOutInOrder)
{
    Board b;
    std::string burst;
    std::vector<std::string> expected;
    for (int i = 0; i < 100; ++i) {
        const std::string key = "D" + std::to_string(100 + i % 46);
        burst += key;
        expected.push_back(textOf(keyCode(key.c_str())));
    }
    b.board.sendSerial(burst);
    ASSERT_TRUE(b.runUntilSent(100, 15'000'000)) << b.sent.size() << " frames";
    std::vector<std::string> decoded;
    for (const SentFrame& frame : b.sent)
        decoded.push_back(decodedText(frame));
    EXPECT_EQ(decoded, expected);
    EXPECT_EQ(b.serial, "");
}

TEST(IrBridgeFirmware, ItsOwnFramesAreNotReportedAsReceived)
{
    Board b;
    b.board.setLoopback(true);
    b.board.sendSerial("D100D101");
    ASSERT_TRUE(b.runUntilSent(2));
    b.runUntil([] { return false; }, 100'000);
    EXPECT_EQ(b.serial, "");
    // A frame from another remote afterwards is still heard.
    b.board.playIr(frameOf(parsed("NEC:20DF10EF")), b.board.nowUs() + 1000);
    EXPECT_TRUE(b.runUntilSerial("NEC:20DF10EFY")) << b.serial;
}

TEST(IrBridgeFirmware, AFrameBeingReceivedDelaysSendingByAtMostThatFrame)
{
    Board b;
    const std::vector<uint32_t> frame = frameOf(parsed("PANASONIC 4004:0100BCBD"));
    b.board.playIr(frame, b.board.nowUs() + 1000);
    b.board.run(10'000);  // well inside the played frame
    b.board.sendSerial("D100");
    ASSERT_TRUE(b.runUntilSent(1));
    // Sent after the played frame and its 12 ms end of frame, not before.
    EXPECT_GE(b.sent[0].startUs, b.board.playEndUs());
    EXPECT_LE(b.sent[0].startUs, b.board.playEndUs() + 20'000);
    EXPECT_TRUE(b.runUntilSerial("PANASONIC 4004:0100BCBDY")) << b.serial;
}

}  // namespace
}  // namespace avrsim
