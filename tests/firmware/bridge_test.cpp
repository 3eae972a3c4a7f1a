// The board's logic on the host: key codes from the program, learning keys
// into EEPROM, and the lines back to the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "bridge.h"
#include "ir_codes.h"
#include "ir_text.h"
#include "key_table.h"
#include "learned_keys.h"

namespace {

class TextOutput : public LineOutput {
public:
    uint16_t freeSpace() const override { return uint16_t(capacity - text.size()); }
    void write(const char* bytes, uint16_t length) override {
        ASSERT_LE(text.size() + length, capacity);
        text.append(bytes, length);
    }
    std::string take() { return std::exchange(text, {}); }

    std::string text;
    size_t capacity = 640;
};

class Eeprom : public KeyStorage {
public:
    uint8_t read(uint16_t address) const override { return bytes.at(address); }
    void write(uint16_t address, uint8_t value) override {
        if (writesLeft-- <= 0) return;  // the power is gone
        bytes.at(address) = value;
    }
    uint16_t size() const override { return uint16_t(bytes.size()); }

    std::vector<uint8_t> bytes = std::vector<uint8_t>(1024, 0xFF);
    int writesLeft = 1 << 30;
};

// A frame as the LED sent it.
struct Sent {
    uint32_t startMs;
    uint32_t endMs;
    std::string text;  // the decoded code, or "raw N" for N durations that are none
    bool toggle;
    uint16_t carrierHz;
    uint32_t gapMs;
    uint16_t lastUs;  // the last mark
};

// The board's logic with its own EEPROM, or one that outlives it.
struct Board {
    Board() : eeprom(ownEeprom) {}
    explicit Board(Eeprom& e) : eeprom(e) {}

    void type(const std::string& bytes) {
        for (char byte : bytes) bridge.serialByte(uint8_t(byte), nowMs);
    }
    void receive(const IrCode& code) {
        std::vector<uint16_t> durations = frameOf(code);
        bridge.frameReceived(durations.data(), uint8_t(durations.size()));
    }
    // Runs the board's loop a millisecond at a time for `ms`, sending frames
    // when they are due and the LED is free, and saying "!K" every
    // `keepMs` if given.
    std::vector<Sent> run(uint32_t ms, uint32_t keepMs = 0) {
        std::vector<Sent> frames;
        for (uint32_t end = nowMs + ms, start = nowMs; nowMs < end; ++nowMs) {
            if (keepMs != 0 && (nowMs - start) % keepMs == keepMs - 1) type("!K");
            if (nowMs < ledFreeAtMs || !bridge.frameDue(nowMs)) continue;
            uint16_t durations[kIrMaxDurations + 1];
            std::fill(std::begin(durations), std::end(durations), uint16_t(0xBEEF));
            const Transmission t = bridge.nextFrame(durations, kIrMaxDurations);
            IrCode code;
            const bool decoded = irDecode(durations, t.count, code);
            // The encoder may use the room after its frame; a raw frame is copied, and only itself.
            if (!decoded) {
                EXPECT_EQ(durations[t.count], 0xBEEF) << "written past the frame";
            }
            const uint32_t endMs = nowMs + (irFrameUs(durations, t.count) + 999) / 1000;
            frames.push_back({nowMs, endMs, decoded ? textOf(code) : "raw " + std::to_string(t.count), code.toggle,
                              t.carrierHz, (t.gapUs + 999) / 1000, t.count > 0 ? durations[t.count - 1] : uint16_t(0)});
            ledFreeAtMs = endMs + (t.gapUs + 999) / 1000;
        }
        return frames;
    }
    // The codes of the frames that go out until the board has nothing left
    // to send, as text.
    std::vector<std::string> sent() {
        std::vector<std::string> codes;
        for (std::vector<Sent> more; !(more = run(500)).empty();)
            for (const Sent& frame : more) codes.push_back(frame.text);
        return codes;
    }
    std::string defaultOf(const char* name) { return textOf(keyCode(name)); }

    Eeprom ownEeprom;
    Eeprom& eeprom;
    TextOutput output;
    Bridge bridge{output, eeprom};
    uint32_t nowMs = 1000;
    uint32_t ledFreeAtMs = 0;
};

// Key codes are found whatever surrounds them. The program finds the board
// by its answer to !V, among key codes and half messages, and reads no code
// from it.
TEST(Bridge, KeyCodesAndTheVersionAreFoundInTheStreamWhateverSurroundsThem) {
    struct Case {
        const char* bytes;
        std::vector<const char*> keys;
        const char* answer = "";
    } cases[] = {
        {"A101", {"A101"}},
        {"A101B105C100D145", {"A101", "B105", "C100", "D145"}},
        {"\r\nzz\xff\x80"
         "A101",
         {"A101"}},
        {"A1A102", {"A102"}},             // a broken key code gives way to the next
        {"A1VA999", {}, "No key A999Y"},  // and is no command's start
        {"A10\nB100", {"B100"}},
        {"AB100", {"B100"}},
        {"E101a101A1O1", {}},  // no such remote, lower case, a letter O
        {"!A101", {"A101"}},   // not a command after all
        {"!XA101", {"A101"}},
        {"!LB", {}},  // an unfinished learn sends nothing
        {"!V", {}, "IrBridge " IRBRIDGE_VERSION "Y"},
        {"A101!VA102", {"A101", "A102"}, "IrBridge " IRBRIDGE_VERSION "Y"},
        {"A1!V!V", {}, "IrBridge " IRBRIDGE_VERSION "YIrBridge " IRBRIDGE_VERSION "Y"},
        {"!SNEC:1!V", {}, "Bad message, nothing sentYIrBridge " IRBRIDGE_VERSION "Y"},
        {"!LA!V", {}, "IrBridge " IRBRIDGE_VERSION "Y"},
        {"A999A101D146", {"A101"}, "No key A999YNo key D146Y"},  // unknown key codes, said without a colon
    };
    for (const Case& c : cases) {
        Board board;
        board.type(c.bytes);
        std::vector<std::string> expected;
        for (const char* name : c.keys) expected.push_back(board.defaultOf(name));
        EXPECT_EQ(board.sent(), expected) << c.bytes;
        if (*c.answer) {
            EXPECT_EQ(board.output.take(), c.answer) << c.bytes;
        }
    }
}

TEST(Bridge, ABurstOfKeyCodesWaitsInOrderUpToTheQueueSize) {
    Board board;
    // A long session: each burst starts where the last one left the queue.
    for (int round = 0; round < 3; ++round) {
        std::string burst, dropped;
        std::vector<std::string> expected;
        const int capacity = MessageQueue::kBytes / 2;  // two bytes a key code
        const int keys = round == 0 ? 45 : capacity + 2;
        for (int i = 0; i < keys; ++i) {
            std::string name = std::string(1, "ABCD"[(i + round) % 4]) + std::to_string(100 + i % 41);
            burst += name;
            if (i < capacity)
                expected.push_back(board.defaultOf(name.c_str()));
            else
                dropped += "Too many key codes at once, dropped " + name + "Y";
        }
        board.type(burst);
        EXPECT_EQ(board.output.take(), dropped) << "round " << round;
        EXPECT_EQ(board.sent(), expected) << "round " << round;
    }
}

// A message that finds the queue nearly full goes whole or not at all,
// wherever it runs out of room: its header, a duration, the last mark.
TEST(Bridge, AMessageThatDoesNotFitIsDroppedWhole) {
    const std::string dropped = "Too many messages at once, dropped";
    const struct {
        int freeBytes;
        std::string typed;
        std::string answer;  // empty when it goes out
    } rows[] = {
        {6, "!SRAW 38000:9000 4500 560\r", dropped},             // 7 header bytes
        {12, "!SRAW 38000:9000 4500 560\r", dropped},            // the last mark
        {14, "!SRAW 38000:9000 4500 560\r", ""},                 // 13 bytes
        {12, "!SRAW 38000:9000 4500 560 1690 560\r", dropped},   // the fourth duration
        {18, "!SRAW 38000:9000 4500 560 1690 560 40000\r", ""},  // the silence takes no room
        {16, "!SRAW 38000:9000 4500 560 1690 560 40000\r", dropped},
        {4, "!SNEC:20DF10EF\r", dropped},
        {6, "!SNEC:20DF10EF\r", ""},
    };
    for (const auto& row : rows) {
        Board board;
        const size_t keys = (MessageQueue::kBytes - row.freeBytes) / 2;
        std::string typed;
        for (size_t i = 0; i < keys; ++i) typed += "A101";
        board.type(typed + row.typed);
        EXPECT_EQ(board.output.take(), row.answer.empty() ? "" : row.answer + "Y") << row.freeBytes << " " << row.typed;
        EXPECT_EQ(board.sent().size(), keys + (row.answer.empty() ? 1 : 0)) << row.freeBytes << " " << row.typed;
    }
}

// Codes and raw frames given by the program go out in order with key codes.
TEST(Bridge, CodesAndFramesGoOutInOrderWithKeyCodes) {
    std::string raw100 = "!SRAW 36000:";  // 99 durations and the silence after them
    for (int i = 0; i < 100; ++i) raw100 += std::to_string(i % 2 ? 500 + i : 900) + (i < 99 ? " " : "\r\n");
    struct Row {
        std::string typed;
        std::vector<std::string> sent;  // "raw N C G L": N durations, C Hz, G ms after, the last L µs
    } rows[] = {
        {"!SNEC:20DF10EF\r", {"NEC:20DF10EF"}},
        {"A101!SSAMSUNG:E0E040BF\nA102", {"@A101", "SAMSUNG:E0E040BF", "@A102"}},
        {"!SPANASONIC 4004:0100BCBD\r!SRC6-6-20:0C05C\r", {"PANASONIC 4004:0100BCBD", "RC6-6-20:0C05C"}},
        {"!SSIRC15:5A81\r", {"SIRC15:5A81", "SIRC15:5A81", "SIRC15:5A81"}},  // one press: three frames
        {"!SSIRC20:12345\r\n", {"SIRC20:12345", "SIRC20:12345", "SIRC20:12345"}},
        {"!SA101!SRC5:02C\r", {"@A101", "RC5:02C"}},
        {"!SRAW 38000:9000 4500 560\r", {"raw 3 38000 40 560"}},
        {"!SRAW 38000:560\r", {"raw 1 38000 40 560"}},                 // a mark alone
        {"!SRAW 38000:65535 4500 65535\r", {"raw 3 38000 40 65535"}},  // the longest duration first and last
        {"!SRAW 30000:100,200,300,44001\n", {"raw 3 30000 45 300"}},
        {"!SRAW 38000:9000  4500 560 \r", {"raw 3 38000 40 560"}},  // blanks doubled and at the end
        {"!SRAW 60000:9000\t4500\t560\t1690\t560x\r", {}},          // a monitor line as it came is no message
        {raw100, {"raw 99 36000 1 900"}},
        {"!SNEC:20df10ef\r", {"NEC:20DF10EF"}},
    };
    for (Row& row : rows) {
        Board board;
        board.type(row.typed);
        std::vector<std::string> sent;
        for (const Sent& frame : board.run(2000))
            sent.push_back(frame.text.starts_with("raw ")
                               ? frame.text + " " + std::to_string(frame.carrierHz) + " " +
                                     std::to_string(frame.gapMs) + " " + std::to_string(frame.lastUs)
                               : frame.text);
        for (std::string& text : row.sent)
            if (text[0] == '@') text = board.defaultOf(text.c_str() + 1);
        EXPECT_EQ(sent, row.sent) << row.typed;
        if (!row.sent.empty()) {
            EXPECT_EQ(board.output.take(), "") << row.typed << ": only errors are answered";
        }
    }
}

TEST(Bridge, BadMessagesAreAnsweredAndSendNothing) {
    std::string tooMany = "!SRAW 38000:";
    for (int i = 0; i < 101; ++i) tooMany += "500 ";
    // Each answer ends ", nothing sent". The last message is cut short by the next.
    const std::pair<std::string, std::vector<std::string>> rows[] = {
        {"Unknown protocol", {"!SNECK:20DF10EF\r", "!SSONY:A90\r"}},
        {"Value too wide for its protocol",
         {"!SNEC:120DF10EF\r", "!SSIRC12:1000\r", "!SSIRC15:8000\r", "!SPANASONIC 14004:0100BCBD\r"}},
        {"Carrier out of range",
         {"!SRAW 29999:9000 4500 560\r", "!SRAW 60001:9000 4500 560\r", "!SRAW 380000000:9000\r"}},
        {"Too many durations", {tooMany + "\r"}},
        {"Bad message",
         {"!SRAW 38000:9000 0 560\r", "!SRAW 38000:65536 4500 560\r", "!SRAW 38000:9000 4500 65536\r",
          "!SRAW 38000:9000 4500 1000000 5\r",
          "!SRAW 38000:9000 4500 560 10000000\r",  // its digits past the sixth
          "!SRAW 38000:9000 4500 560 1000000\r",   // a silence of a second
          "!SRAW 38000:9000 0\r",                  // no silence after it
          "!SRAW 38000:\r", "!SRAW 38000\r", "!SRAW :9000\r", "!SNEC repeat\r", "!SNEC:\r",
          "!SNEC:20DF10EF0000000000000000000000\r", "!SNEC:" + std::string(28, '0') + "\r", "!S\r",
          "!SNEC:20DF10EF!U"}},
    };
    for (const auto& [answer, messages] : rows) {
        for (const std::string& typed : messages) {
            Board board;
            board.type(typed + "A101");
            EXPECT_EQ(board.output.take(), answer + ", nothing sentY") << typed;
            EXPECT_EQ(board.sent(), std::vector<std::string>{board.defaultOf("A101")}) << typed;
        }
    }
}

// While the program keeps saying "!K", a held key repeats as its remote
// repeats it; after the last word it stops within 200 ms.
TEST(Bridge, AHeldKeyRepeatsInItsProtocolsWay) {
    std::vector<HeldKey> rows = kHeldKeys;
    rows.push_back({"!HRAW 38000:9000 4500 560 60000\r", "raw 3", "raw 3", 75});
    for (const HeldKey& row : rows) {
        const uint32_t periodMs = uint32_t(std::ceil(row.periodMs));  // in whole ticks, at most one more
        Board board;
        board.type(row.hold);
        std::vector<Sent> frames = board.run(1000, 100);
        const uint32_t lastKeptMs = board.nowMs - 1;
        for (const Sent& more : board.run(1000)) frames.push_back(more);
        ASSERT_GE(frames.size(), 1000 / periodMs) << row.hold;
        EXPECT_EQ(frames[0].text, row.first) << row.hold;
        for (size_t i = 1; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i].text, row.repeat) << row.hold << " frame " << i;
            EXPECT_EQ(frames[i].toggle, frames[0].toggle) << row.hold << " frame " << i;
            EXPECT_GE(frames[i].startMs - frames[i - 1].startMs, periodMs) << row.hold << " frame " << i;
            EXPECT_LE(frames[i].startMs - frames[i - 1].startMs, periodMs + 1) << row.hold << " frame " << i;
        }
        // The last frame ends within 200 ms of the last word, and no frame
        // that would have fitted was left out.
        EXPECT_LE(frames.back().endMs, lastKeptMs + Bridge::kHoldMs) << row.hold;
        EXPECT_GT(frames.back().endMs + periodMs, lastKeptMs + Bridge::kHoldMs) << row.hold;
    }
}

// A held key stops once let go, when another message comes, or when the
// program falls silent, and Sony's still sends its three frames.
TEST(Bridge, AHeldKeyLetsGo) {
    struct Row {
        const char* typed;
        size_t frames;
    } rows[] = {
        {"!HNEC:20DF10EF\r!U", 1},
        {"!HA101", 2},  // no word after the hold: 200 ms
        {"!HSIRC12:A90\r!U", 3},
        {"!HNEC:20DF10EF\rA102", 2},
        {"!UA101", 1},
    };
    for (const Row& row : rows) {
        Board board;
        board.type(row.typed);
        EXPECT_EQ(board.run(1000, 0).size(), row.frames) << row.typed;
    }
}

// A button held down: the program sends its key code at once, and from
// 300 ms on says it is still held; the press repeats from then until let go.
// A word that comes more than 400 ms after the press holds nothing.
TEST(Bridge, APressHeldDownRepeatsFromTheFirstWord) {
    Board board;
    board.type("!SNEC:20DF10EF\r");
    EXPECT_EQ(board.run(301).size(), 1u);  // its first word 400 ms after the press: still held
    const std::vector<Sent> held = board.run(700, 100);
    EXPECT_GE(held.size(), 5u);
    for (const Sent& frame : held) EXPECT_EQ(frame.text, "NEC repeat");
    board.type("!U");
    EXPECT_EQ(board.run(500).size(), 0u);

    board.type("A101");
    EXPECT_EQ(board.run(302).size(), 1u);  // 401 ms: too late
    EXPECT_EQ(board.run(1000, 100).size(), 0u);

    // After a let-go, a hold and a press are held again, a hold for as long as the words come.
    board.type("!U!HNEC:20DF10EF\r");
    const std::vector<Sent> halfAMinute = board.run(30000, 100);
    ASSERT_GE(halfAMinute.size(), 270u);
    for (size_t i = 1; i < halfAMinute.size(); ++i) EXPECT_EQ(halfAMinute[i].text, "NEC repeat") << i;
    board.type("!U");
    EXPECT_EQ(board.run(500).size(), 0u);
    board.type("A102");
    EXPECT_EQ(board.run(301).size(), 1u);
    EXPECT_GE(board.run(700, 100).size(), 5u);
}

// A new press flips the toggle bit of RC5 and RC6, so that the TV tells a
// second press from a held key ("2", "2" is channel 22); a hold keeps it.
TEST(Bridge, TheToggleFlipsBetweenPressesOnly) {
    Board board;
    board.type("C100C100B105B105!SRC5:02C\r!HRC5:02C\r");
    std::vector<bool> toggles;
    for (const Sent& frame : board.run(1000, 100)) toggles.push_back(frame.toggle);
    ASSERT_GE(toggles.size(), 9u);
    const std::vector<bool> presses(toggles.begin(), toggles.begin() + 6);
    EXPECT_EQ(presses, (std::vector<bool>{false, true, false, true, false, true}));
    for (size_t i = 6; i < toggles.size(); ++i) EXPECT_TRUE(toggles[i]) << i;
}

TEST(Bridge, ReceivedFramesGiveAMonitorLineAndAValueLine) {
    Board board;
    IrCode lg = nec(0x20DF10EF);
    std::vector<uint16_t> frame = frameOf(lg);
    char monitor[700];
    std::string expectedMonitor(monitor,
                                formatMonitorLine(frame.data(), uint8_t(frame.size()), monitor, sizeof monitor));

    board.receive(lg);
    EXPECT_EQ(board.output.take(), expectedMonitor + "NEC:20DF10EFY");

    const uint16_t noise[] = {300, 7000, 1200, 80};  // measured, not decoded
    board.bridge.frameReceived(noise, 4);
    EXPECT_EQ(board.output.take(), "300\t7000\t1200\t80x");

    // A monitor line holds at most a hundred numbers.
    std::vector<uint16_t> ones(kMonitorLineNumbers + 1, 1);
    board.bridge.frameReceived(ones.data(), uint8_t(ones.size()));
    std::string line = board.output.take();
    EXPECT_EQ(std::count(line.begin(), line.end(), '1'), 100);
    EXPECT_EQ(line.back(), 'x');
}

TEST(Bridge, LinesThatDoNotFitAreDroppedWhole) {
    Board board;
    const std::pair<std::vector<uint16_t>, std::string> frames[] = {
        {{9000, 4500, 560}, "9000\t4500\t560x"},
        {{12345, 1000, 560, 99, 7}, "12345\t1000\t560\t99\t7x"},  // numbers of every length
        {{65535}, "65535x"},
    };
    for (const auto& [frame, line] : frames) {
        for (size_t room : {line.size() - 1, line.size()}) {
            board.output.capacity = room;
            board.bridge.frameReceived(frame.data(), uint8_t(frame.size()));
            EXPECT_EQ(board.output.take(), room == line.size() ? line : "") << line << " in " << room;
        }
    }
    for (size_t room : {11, 12}) {  // "No key A999Y"
        board.output.capacity = room;
        board.type("A999A998");
        EXPECT_EQ(board.sent(), std::vector<std::string>{});
        EXPECT_EQ(board.output.take(), room == 12 ? "No key A999Y" : "") << room;  // A998 never fits
    }
}

TEST(Bridge, ALearnedKeyReplacesItsDefaultSurvivesARestartAndIsForgotten) {
    Eeprom eeprom;
    {
        Board board{eeprom};
        board.type("!LA101");
        EXPECT_EQ(board.output.take(), "Learning A101Y");
        board.receive(nec(0x20DF10EF));
        std::string lines = board.output.take();
        EXPECT_TRUE(lines.ends_with("xNEC:20DF10EFYLearned A101Y")) << lines;
        board.type("A101A102");
        EXPECT_EQ(board.sent(), (std::vector<std::string>{"NEC:20DF10EF", board.defaultOf("A102")}));
        // A number above 255 is a key of its own, not the number below 256 it
        // shares a byte with. Panasonic's 48 bits are kept whole.
        board.type("!LD300");
        board.receive(makeCode(IR_PANASONIC, 0x0100BCBD, 0x4004));
        board.output.take();
    }
    Board restarted{eeprom};
    restarted.type("A101D300D044");
    EXPECT_EQ(restarted.sent(), (std::vector<std::string>{"NEC:20DF10EF", "PANASONIC 4004:0100BCBD"}));
    EXPECT_EQ(restarted.output.take(), "No key D044Y");

    restarted.type("!FA101!FA101A101");
    EXPECT_EQ(restarted.output.take(), "Forgot A101YNothing to forget for A101Y");
    EXPECT_EQ(restarted.sent(), std::vector<std::string>{restarted.defaultOf("A101")});

    // Forgetting all brings back every default.
    Board board;
    for (const char* name : {"A100", "B140", "D145"}) {
        board.type(std::string("!L") + name);
        board.receive(nec(0x12345678));
    }
    board.output.take();
    board.type("!L*A100");  // no learn of anything
    EXPECT_EQ(board.sent(), std::vector<std::string>{"NEC:12345678"});
    board.type("!F*A100B140D145");
    EXPECT_EQ(board.output.take(), "Forgot every learned keyY");
    EXPECT_EQ(board.sent(),
              (std::vector<std::string>{board.defaultOf("A100"), board.defaultOf("B140"), board.defaultOf("D145")}));
}

TEST(Bridge, ALearnWaitsTenSecondsForADecodedFrameThatIsNoRepeatAndRoomForIt) {
    Board board;
    board.type("!LC100");
    board.output.take();
    board.receive(necRepeat());
    const uint16_t noise[] = {300, 7000, 1200};
    board.bridge.frameReceived(noise, 3);
    board.bridge.tick(board.nowMs + Bridge::kLearnMs - 1);
    std::string lines = board.output.take();
    EXPECT_EQ(lines.find("Learned"), std::string::npos) << lines;

    board.bridge.tick(board.nowMs + Bridge::kLearnMs);
    EXPECT_EQ(board.output.take(), "Nothing learned for C100Y");
    board.receive(nec(0x20DF10EF));  // too late
    board.type("C100");
    EXPECT_EQ(board.sent(), std::vector<std::string>{board.defaultOf("C100")});

    // Learning stops when the EEPROM is full.
    LearnedKeys keys(board.eeprom);
    for (uint8_t i = 0; i < keys.capacity(); ++i)
        ASSERT_TRUE(keys.learn(keyName(("B" + std::to_string(100 + i)).c_str()), nec(i)));
    board.type("!LA101");
    board.receive(nec(0x20DF10EF));
    EXPECT_TRUE(board.output.take().ends_with("No room left to learn A101Y"));
    EXPECT_TRUE(keys.learn(keyName("B100"), nec(7)));  // a key it has can still change
}

TEST(LearnedKeys, APowerCutWhileLearningLosesOnlyThatKey) {
    IrCode first = nec(0x11111111);
    IrCode second = nec(0x22222222);
    for (int writes = 0; writes <= 13; ++writes) {
        Eeprom eeprom;
        LearnedKeys keys(eeprom);
        ASSERT_TRUE(keys.learn(keyName("A100"), first));
        eeprom.writesLeft = writes;
        keys.learn(keyName("A101"), second);
        eeprom.writesLeft = 1 << 30;

        LearnedKeys restarted(eeprom);
        IrCode code;
        ASSERT_TRUE(restarted.find(keyName("A100"), code));
        EXPECT_EQ(code.data, first.data) << writes;
        ASSERT_TRUE(restarted.find(keyName("A101"), code));
        EXPECT_EQ(code.data, writes == 13 ? second.data : keyCode("A101").data) << writes;
        // The slot is free again for the next learn.
        ASSERT_TRUE(restarted.learn(keyName("A101"), second));
        ASSERT_TRUE(restarted.find(keyName("A101"), code));
        EXPECT_EQ(code.data, second.data);
    }
}

// A learned key's bytes under another program's mark (byte 3, its layout)
// are cleared first; a worn cell in its slot makes it fall back to its default.
TEST(LearnedKeys, AForeignMarkOrAWornCellMakesTheKeyFallBackToItsDefault) {
    {  // Kept as boards flashed before kept them, so that a new firmware finds them.
        Eeprom eeprom;
        LearnedKeys keys(eeprom);
        ASSERT_TRUE(keys.learn(keyName("A101"), nec(0x20DF10EF)) && keys.learn(keyName("B105"), nec(1)));
        EXPECT_EQ(std::string(eeprom.bytes.begin(), eeprom.bytes.begin() + 5), std::string("IRK\x01"
                                                                                           "A"));
        EXPECT_EQ(eeprom.bytes[16], 'B');  // slots of 12 bytes
    }
    for (size_t byte = 3; byte < 16; ++byte) {
        Eeprom eeprom;
        ASSERT_TRUE(LearnedKeys(eeprom).learn(keyName("A101"), nec(0x20DF10EF)));
        eeprom.bytes[byte] = byte == 3 ? 2 : eeprom.bytes[byte] ^ 0x10;
        IrCode code;
        ASSERT_TRUE(LearnedKeys(eeprom).find(keyName("A101"), code)) << byte;
        EXPECT_EQ(textOf(code), textOf(keyCode("A101"))) << byte;
    }
}

TEST(LearnedKeys, RandomBytesHoldNoKeys) {
    Eeprom eeprom;
    for (size_t i = 0; i < eeprom.bytes.size(); ++i)
        eeprom.bytes[i] = uint8_t(i * 7);  // and "A101"-like bytes by chance
    LearnedKeys keys(eeprom);
    for (const char* name : {"A100", "A101", "B120", "D145"}) {
        IrCode code;
        ASSERT_TRUE(keys.find(keyName(name), code));
        EXPECT_EQ(textOf(code), textOf(keyCode(name))) << name;
    }
}

uint8_t reversed(uint8_t byte) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i) r = uint8_t(r << 1 | (byte >> i & 1));
    return r;
}

// Each remote's protocol and address, with the button's position as the
// command, written as the IR Monitor's value line shows it: NEC and
// Panasonic bytes go out least significant bit first.
DefaultKey expectedDefault(char letter, uint16_t number) {
    const uint8_t button = uint8_t(number - 100);
    const uint8_t sent = reversed(button);
    switch (letter) {
    case 'A': return {letter, number, IR_PANASONIC, 0x4004, 0x01000000u | uint32_t(sent) << 8 | uint8_t(0x01 ^ sent)};
    case 'B': return {letter, number, IR_RC6_6_20, 0, 0xC000u | button};
    case 'C': return {letter, number, IR_RC6, 0, button};
    default: return {letter, number, IR_NEC, 0, 0x00FF0000u | uint32_t(sent) << 8 | uint8_t(~sent)};
    }
}

TEST(KeyTable, EveryDefaultKeyIsAFrameThatDecodesBackToItself) {
    std::set<std::string> names;
    for (const DefaultKey& entry : kDefaultKeys) {
        std::string name = entry.letter + std::to_string(entry.number);
        EXPECT_TRUE(names.insert(name).second) << name << " twice";
        const DefaultKey expected = expectedDefault(entry.letter, entry.number);
        EXPECT_EQ(std::tuple(entry.protocol, entry.high, entry.data),
                  std::tuple(expected.protocol, expected.high, expected.data))
            << name;
        const IrCode code = keyCode(name.c_str());
        std::vector<uint16_t> frame = frameOf(code);
        IrCode decoded;
        ASSERT_TRUE(irDecode(frame.data(), uint8_t(frame.size()), decoded)) << name;
        EXPECT_EQ(textOf(decoded), textOf(code)) << name;
    }
    // Every button of every picture: 54, 41, 41 and 46 of them.
    for (auto [letter, buttons] : {std::pair{'A', 54}, {'B', 41}, {'C', 41}, {'D', 46}}) {
        for (int i = 0; i < buttons; ++i)
            EXPECT_TRUE(names.count(letter + std::to_string(100 + i))) << letter << 100 + i;
    }
}

TEST(Bridge, NoMessageEndsALineEarly) {
    Board board;
    board.type("A999!LA101!FA101!FA101!F*!V!LB100");
    board.receive(nec(1));
    board.type("!LB101");
    board.bridge.tick(board.nowMs + Bridge::kLearnMs);
    std::string lines = board.output.take();
    size_t start = 0;
    int lineCount = 0;
    for (size_t end; (end = lines.find_first_of("xY", start)) != std::string::npos; start = end + 1) ++lineCount;
    EXPECT_EQ(start, lines.size()) << lines;  // every byte belongs to a whole line
    EXPECT_EQ(lineCount, 11) << lines;
}

}  // namespace
