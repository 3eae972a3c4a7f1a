#include <gtest/gtest.h>

#include "codes/board_message.h"
#include "codes/encoder.h"
#include "codes/lircd_conf.h"
#include "codes/pronto.h"
#include "tests/codes/lirc_tools.h"

namespace orvalinder::codes {
namespace {

TEST(BoardMessages, ProtocolCodesOrFrames) {
    struct Row {
        const char* file;
        const char* key;
        const char* press;
        const char* hold;
        const char* held = "!K";
    };
    const Row rows[] = {
        // The board's protocols by their code; it repeats them its own way.
        {"nec.lircd.conf", "KEY_POWER", "!SNEC:20DF10EF\n", "!HNEC:20DF10EF\n"},
        {"rc5.lircd.conf", "KEY_1", "!SRC5:001\n", "!HRC5:001\n"},
        {"sony.lircd.conf", "KEY_POWER", "!SSIRC12:A90\n", "!HSIRC12:A90\n"},
        // A frame repeated whole: held as it is.
        {"raw.lircd.conf", "K_SHORT", "!SRAW 36000:100 200 300 400 500 98500\n",
         "!HRAW 36000:100 200 300 400 500 98500\n"},
        // A repeat frame of its own: the press once, then the repeat held.
        {"repeat_header.lircd.conf", "K_9",
         "!SRAW 38000:3000 1000 600 1500 500 500 500 500 500 1500 700 5000 4000 50000\n",
         "!SRAW 38000:3000 1000 600 1500 500 500 500 500 500 1500 700 5000 4000 50000\n"
         "!HRAW 38000:3000 1000 8100 2000 700 30000\n",
         "!HRAW 38000:3000 1000 8100 2000 700 30000\n"},
    };
    for (const Row& row : rows) {
        const std::string path = ORVALINDER_REMOTES_DIR "/" + std::string(row.file);
        const std::vector<Remote> remotes = readLircdConf(readText(path), path);
        const BoardMessages messages = boardMessages(remotes[0], *findKey(remotes[0], row.key));
        EXPECT_EQ(messages.press, row.press) << row.file;
        EXPECT_EQ(messages.hold, row.hold) << row.file;
        EXPECT_EQ(messages.held, row.held) << row.file;
    }
}

// A remote that repeats every press sends its repeats with the press.
TEST(BoardMessages, MinRepeatAddsRepeatsToThePress) {
    const std::string path = ORVALINDER_REMOTES_DIR "/every_field.lircd.conf";
    const std::vector<Remote> remotes = readLircdConf(readText(path), path);
    const BoardMessages messages = boardMessages(remotes[0], remotes[0].keys[0]);
    const std::string press = messages.press.substr(0, messages.press.find('\n') + 1);
    const std::string repeat = messages.press.substr(press.size());
    EXPECT_EQ(press.rfind("!SRAW 40000:3000 1000 600 ", 0), 0u) << messages.press;
    EXPECT_EQ(repeat.rfind("!SRAW 40000:600 ", 0), 0u) << messages.press;  // no header
    EXPECT_EQ(messages.hold, press + "!H" + repeat.substr(2));
    EXPECT_EQ(messages.held, "!K");  // the press ended with a repeat
}

// Bits of silence alone and a header sent only with the press: the key sends
// the header's pulse once and nothing while it is held, and its Pronto has
// no repeated part.
TEST(BoardMessages, AKeyThatSendsNothingWhileHeld) {
    const std::vector<Remote> remotes = readLircdConf(
        "begin remote\n name HEADER_ONLY\n bits 4\n"
        " flags SPACE_ENC|NO_HEAD_REP\n header 9000 4500\n"
        " one 0 1690\n zero 0 560\n gap 40000\n"
        " begin codes\n  KEY_A 0x5\n end codes\nend remote\n",
        "header_only.conf");
    const BoardMessages messages = boardMessages(remotes[0], remotes[0].keys[0]);
    EXPECT_EQ(messages.press, "!SRAW 38000:9000 40000\n");
    EXPECT_EQ(messages.hold, messages.press);
    EXPECT_EQ(messages.held, "");
    EXPECT_EQ(writePronto(encode(remotes[0], remotes[0].keys[0])), "0000 006D 0001 0000 0156 05F1");
}

TEST(BoardMessages, WhatTheBoardCannotSendIsRefused) {
    Remote remote;
    remote.encoding = Encoding::Raw;
    remote.frequency = 38000;
    auto message = [&remote](size_t durations, uint32_t gap, uint32_t each = 500) {
        remote.gap = gap;
        const Key key{"K", {}, std::vector<uint32_t>(durations, each)};
        std::string press;
        const std::string error = codesError([&] { press = boardMessages(remote, key).press; });
        return error == "no error" ? press : error;
    };
    const std::string most = message(99, 20000);
    EXPECT_EQ(std::count(most.begin(), most.end(), ' '), 100) << most;  // 99 durations and the silence
    EXPECT_EQ(message(101, 0), "key 'K': its frame has 101 durations with its silence, the board takes at most 100");
    EXPECT_EQ(message(101, 20000),
              "key 'K': its frame has 102 durations with its silence, the board takes at most 100");
    EXPECT_EQ(message(1, 20000, 65536), "key 'K': a duration of 65536 us, the board's longest is 65535");
    EXPECT_EQ(message(1, 70000, 65535), "!SRAW 38000:65535 70000\n");
    EXPECT_EQ(message(3, 0, 65536), "key 'K': a duration of 65536 us, the board's longest is 65535");  // a mark
    EXPECT_EQ(message(1, 999999), "!SRAW 38000:500 999999\n");
    EXPECT_EQ(message(1, 1723296), "!SRAW 38000:500 999999\n");  // the board's longest silence
    remote.frequency = 29999;
    EXPECT_EQ(message(1, 0), "key 'K': a carrier of 29999 Hz, the board sends 30000 to 60000");
    remote.frequency = 60001;
    EXPECT_EQ(message(1, 0), "key 'K': a carrier of 60001 Hz, the board sends 30000 to 60000");
    remote.frequency = 60000;
    EXPECT_EQ(message(1, 0), "!SRAW 60000:500\n");
    remote.frequency = 30000;
    EXPECT_EQ(message(1, 0), "!SRAW 30000:500\n");
    // A long mark is no silence between two frames.
    const Key longMark{"K", {}, {500, 500, 70000, 500, 500}};
    EXPECT_EQ(codesError([&] { boardMessages(remote, longMark); }),
              "key 'K': a duration of 70000 us, the board's longest is 65535");
    // Home Assistant's frames, checked as keys are.
    EXPECT_EQ(codesError([&] {
                  rawFrameMessage(29999, {9000, 4500, 560});
              }),
              "a carrier of 29999 Hz, the board sends 30000 to 60000");
    EXPECT_EQ(codesError([&] { rawFrameMessage(38000, {}); }), "a frame without durations");
    EXPECT_EQ(rawFramePeriodUs({}), 0u);
}

// A capture with a long silence inside, as Flipper's raw files hold a
// press and its repeat frame: the frames go one after another, and held,
// the last is held; a key made of one frame again and again holds it.
TEST(BoardMessages, ALongSilenceWithinAFrameSplitsIt) {
    Remote remote;
    remote.encoding = Encoding::Raw;
    remote.frequency = 38000;
    remote.gap = 20000;
    const struct Row {
        std::vector<uint32_t> durations;
        const char* press;
        const char* hold;
    } rows[] = {
        {{2400, 600, 1200, 87698, 2400, 600, 600},
         "!SRAW 38000:2400 600 1200 87698\n!SRAW 38000:2400 600 600 20000\n",
         "!SRAW 38000:2400 600 1200 87698\n!HRAW 38000:2400 600 600 20000\n"},
        {{2400, 600, 1200, 87698, 2400, 600, 600, 70000, 900},
         "!SRAW 38000:2400 600 1200 87698\n!SRAW 38000:2400 600 600 70000\n!SRAW 38000:900 20000\n",
         "!SRAW 38000:2400 600 1200 87698\n!SRAW 38000:2400 600 600 70000\n!HRAW 38000:900 20000\n"},
        // 65535 is no split: the board takes it.
        {{2400, 65535, 600}, "!SRAW 38000:2400 65535 600 20000\n", "!HRAW 38000:2400 65535 600 20000\n"},
    };
    for (const Row& row : rows) {
        const BoardMessages messages = boardMessages(remote, Key{"K", {}, row.durations});
        EXPECT_EQ(messages.press, row.press);
        EXPECT_EQ(messages.hold, row.hold);
    }

    // Held through LIRC's repeat: the same frame, with its long silence.
    const std::vector<Remote> sony = readLircdConf(
        "begin remote\n name SPLIT\n flags RAW_CODES\n"
        " frequency 40000\n gap 80000\n begin raw_codes\n"
        "  name K\n   2400 600 1200 80000 2400 600 1200\n"
        " end raw_codes\nend remote\n",
        "split.conf");
    const BoardMessages held = boardMessages(sony[0], sony[0].keys[0]);
    EXPECT_EQ(held.press, "!SRAW 40000:2400 600 1200 80000\n!SRAW 40000:2400 600 1200 80000\n");
    EXPECT_EQ(held.hold, "!HRAW 40000:2400 600 1200 80000\n");
    EXPECT_EQ(held.held, "!K");

    // A repeat frame of its own split in two: both go once, the last is held.
    const std::vector<Remote> split = readLircdConf(
        "begin remote\n name SPLIT_REPEAT\n bits 2\n flags SPACE_ENC\n header 9000 4500\n"
        " one 560 1690\n zero 560 560\n ptrail 560\n repeat 9000 70000\n gap 108000\n"
        " begin codes\n  K 0x1\n end codes\nend remote\n",
        "split_repeat.conf");
    EXPECT_EQ(boardMessages(split[0], split[0].keys[0]).hold,
              "!SRAW 38000:9000 4500 560 560 560 1690 560 108000\n!SRAW 38000:9000 70000\n!HRAW 38000:560 108000\n");
}

}  // namespace
}  // namespace orvalinder::codes
