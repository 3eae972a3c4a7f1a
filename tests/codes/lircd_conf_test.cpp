#include <gtest/gtest.h>

#include "codes/encoder.h"
#include "codes/lircd_conf.h"
#include "tests/codes/lirc_tools.h"

namespace orvalinder::codes {
namespace {

// A remote's head, then whatever the row adds; line 4 is the row's first.
std::string remoteWith(const std::string& lines) {
    return "begin remote\n  name r\n  bits 8\n" + lines + "\nend remote\n";
}

TEST(LircdConf, BadFilesSayWhereAndWhat) {
    const std::string codes = "  one 500 1500\n  zero 500 500\n  begin codes\n    K 0x1\n  end codes";
    struct Row {
        std::string text;
        std::string message;
    };
    const Row rows[] = {
        {remoteWith("  flags SPACE_ENC|XMP"), "bad.conf:4: unknown flag 'XMP'"},
        {remoteWith("  flags"), "bad.conf:4: too few values for 'flags'"},
        {remoteWith("  eps"), "bad.conf:4: too few values for 'eps'"},
        {remoteWith("  bits 65"), "bad.conf:4: not a number from 0 to 64: '65'"},
        {remoteWith("  toggle_bit 65"), "bad.conf:4: not a number from 0 to 64: '65'"},
        {remoteWith("  flags SPACE_ENC | RC5"), "bad.conf:4: a second encoding among the flags: 'RC5'"},
        {remoteWith("  gap 1x6"), "bad.conf:4: not a number from 0 to 16777215: '1x6'"},
        {remoteWith("  gap 16777216"), "bad.conf:4: not a number from 0 to 16777215: '16777216'"},
        {remoteWith("  pre_data 0x10000000000000000"),
         "bad.conf:4: not a number from 0 to 18446744073709551615: '0x10000000000000000'"},
        {remoteWith("  duty_cycle 0"), "bad.conf:4: not a number from 1 to 100: '0'"},
        {remoteWith("  min_repeat 101"), "bad.conf:4: not a number from 0 to 100: '101'"},
        {remoteWith("  frequency 1000001"), "bad.conf:4: not a number from 0 to 1000000: '1000001'"},
        {remoteWith("  toggle_mask 0x3F"), "bad.conf:4: unknown field 'toggle_mask'"},
        {remoteWith("  header 9000 4500 560"), "bad.conf:4: one value too many: '560'"},
        {remoteWith("  one 500"), "bad.conf:4: too few values for 'one'"},
        {remoteWith("  toggle_bit 2 3"), "bad.conf:4: one value too many: '3'"},
        {remoteWith("  name r s"), "bad.conf:4: one value too many: 's'"},
        {remoteWith("  flags RAW_CODES\n  begin raw_codes\n  name K L"), "bad.conf:6: one value too many: 'L'"},
        {remoteWith("  zero 500 500\n  begin codes\n    K\n  end codes"), "bad.conf:6: no code for key 'K'"},
        {remoteWith("  begin codes\n  end remote"), "bad.conf:5: unexpected 'end' 'remote'"},
        {remoteWith(codes + "\n  begin codes"), "bad.conf:9: unexpected 'begin' 'codes'"},
        {remoteWith("  flags RAW_CODES\n  begin codes"), "bad.conf:5: codes in a RAW_CODES remote: 'codes'"},
        {remoteWith("  flags RC5\n  begin raw_codes"),
         "bad.conf:5: raw codes in a remote that is not RAW_CODES: 'raw_codes'"},
        {remoteWith("  begin raw_codes\n    100 200 300"),
         "bad.conf:5: durations before the first 'name' of the raw codes: '100'"},
        {remoteWith("  begin raw_codes\n  name K\n  100 200\n  end raw_codes"),
         "bad.conf:5: an even count of durations (the last must be a pulse) for raw key 'K'"},
        {remoteWith("  begin raw_codes\n  name K\n  100 0 300\n  end raw_codes"), "bad.conf:6: a duration of 0: '0'"},
        {remoteWith("  begin raw_codes\n  name K\n  name L\n  1\n  end raw_codes"),
         "bad.conf:5: no durations for raw key 'K'"},
        {remoteWith(codes + "\n  toggle_bit_mask 0x3"),
         "bad.conf:1: a toggle_bit_mask of more than one bit in remote 'r'"},
        {remoteWith(codes + "\n  toggle_bit 9"), "bad.conf:1: toggle_bit beyond the frame's bits in remote 'r'"},
        {remoteWith("  flags RAW_CODES\n  toggle_bit 9\n  begin raw_codes\n  name K\n  100\n  end raw_codes"),
         "bad.conf:1: toggle_bit beyond the frame's bits in remote 'r'"},  // raw remotes too
        {remoteWith(codes + "\n  pre_data_bits 57"),
         "bad.conf:1: pre_data_bits, bits and post_data_bits must add up to 1 to 64 in remote 'r'"},
        {remoteWith("  one 500 1500\n  begin codes\n  end codes"),
         "bad.conf:1: no 'one' or no 'zero' timing in remote 'r'"},
        {"begin remote\n  bits 8\nend remote\n", "bad.conf:1: a remote without a name"},
        {remoteWith(codes) + remoteWith(codes), "bad.conf:10: a second remote named 'r'"},
        {remoteWith(codes) + "\n# the end is missing\nbegin remote\n  name s\n",
         "bad.conf:12: no 'end remote' for remote 's'"},
        {"remote\n", "bad.conf:1: expected 'begin remote', not 'remote'"},
        {"begin\n", "bad.conf:1: too few values for 'begin'"},
        {"# only a comment\n", "bad.conf: no remote in the file"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(codesError([&] { readLircdConf(row.text, "bad.conf"); }), row.message) << row.text;
    // A leading or trailing pulse of 0 is none, as LIRC reads it; no repeats are the least.
    EXPECT_NO_THROW(
        readLircdConf(remoteWith("  plead 0\n  ptrail 0\n  min_repeat 0\n  repeat_gap 0\n" + codes), "none.conf"));
}

// The toggle bit counts from the first bit sent, pre_data's included; a
// second flags line takes the first's place; a key's name is a LIRC word.
TEST(LircdConf, ToggleBitsFlagsAndNamesAsLircTakesThem) {
    const std::string codes = "  one 500 1500\n  zero 500 500\n  begin codes\n    K 0x1\n  end codes\nend remote\n";
    const std::pair<std::string, uint64_t> toggles[] = {{"  bits 1\n  toggle_bit 1\n", 0x1},
                                                        {"  bits 8\n  toggle_bit 1\n", 0x80},
                                                        {"  bits 8\n  toggle_bit 8\n", 0x1},
                                                        {"  pre_data_bits 56\n  bits 8\n  toggle_bit 64\n", 0x1}};
    for (const auto& [fields, mask] : toggles)
        EXPECT_EQ(readLircdConf("begin remote\n  name r\n" + fields + codes, "t.conf")[0].toggleBitMask, mask)
            << fields;
    const Remote flags = readLircdConf(
        "begin remote\n  name r\n  bits 8\n  flags RC5|REVERSE\n  flags SPACE_ENC\n" + codes, "f.conf")[0];
    EXPECT_EQ(flags.encoding, Encoding::Space);
    EXPECT_FALSE(flags.reverse);
    const std::pair<const char*, const char*> names[] = {{"#1 a\tb", "_1_a_b"}, {"a#", "a#"}, {"", "KEY"}};
    for (const auto& [name, word] : names) EXPECT_EQ(lircName(name), word) << name;
}

TEST(LircdConf, NumbersAsLircReadsThem) {
    const std::pair<const char*, uint64_t> good[] = {{"0x1F", 31},
                                                     {"0X1f", 31},
                                                     {"0xaA", 170},
                                                     {"017", 15},
                                                     {"0", 0},
                                                     {"200", 200},
                                                     {"18446744073709551615", UINT64_MAX}};
    for (const auto& [word, value] : good) {
        uint64_t read = 1;
        EXPECT_TRUE(readNumber(word, UINT64_MAX, read)) << word;
        EXPECT_EQ(read, value) << word;
    }
    for (const char* word : {"", "0x", "08", "09", "-1", "+1", "1 ", "18446744073709551616", "0x1G", "256"}) {
        uint64_t read = 0;
        EXPECT_FALSE(readNumber(word, 255, read)) << word;
    }
}

// Two remotes, fields LIRC uses only to receive, a raw remote, names that
// repeat: written and read back, the same remotes.
TEST(LircdConf, WrittenAndReadBackTheSame) {
    const std::string text = readText(ORVALINDER_REMOTES_DIR "/two_remotes.conf");
    const std::vector<Remote> remotes = readLircdConf(text, "two_remotes.conf");
    ASSERT_EQ(remotes.size(), 2u);
    EXPECT_EQ(remotes[0].kept.size(), 4u);
    EXPECT_EQ(remotes[0].keys.size(), 3u);
    EXPECT_EQ(remotes[0].keys[2].codes, (std::vector<uint64_t>{0x3C, 0x11}));
    EXPECT_EQ(findKey(remotes[0], "KEY_OK")->codes[0], 0x1u);
    EXPECT_EQ(remotes[1].keys[0].raw.size(), 5u);
    // The file's leading comments, often who made it, go with its first remote.
    EXPECT_EQ(remotes[0].comment, "#\n# Two remotes in one file, with fields LIRC keeps for receiving.\n#\n");
    EXPECT_EQ(remotes[1].comment, "");
    const std::string written = writeLircdConf(remotes);
    EXPECT_TRUE(written.starts_with(remotes[0].comment + "begin remote\n")) << written;
    EXPECT_EQ(readLircdConf(written, "written.conf"), remotes) << written;
    EXPECT_EQ(writeLircdConf(readLircdConf(written, "written.conf")), written);
    // And every test remote, carrier and duty cycle included.
    for (const auto& entry : std::filesystem::directory_iterator(ORVALINDER_REMOTES_DIR)) {
        const std::vector<Remote> each = readLircdConf(readText(entry.path().string()), "each.conf");
        EXPECT_EQ(readLircdConf(writeLircdConf(each), "written.conf"), each) << entry.path();
    }
}

// As irrecord writes a remote: a code's digits for all its bits, the fields
// in LIRC's order, the default carrier left out.
TEST(LircdConf, WrittenAsIrrecordWrites) {
    const std::string text = remoteWith(
        "  flags SPACE_ENC|CONST_LENGTH|REVERSE\n  eps 30\n  serial_mode 8 N 1\n  header 900 450\n  one 56 169\n"
        "  zero 56 56\n  pre_data_bits 6\n  pre_data 0x0A\n  post_data_bits 5\n  post_data 0x1\n"
        "  toggle_bit_mask 0x40\n  gap 10000\n  frequency 36000\n"
        "  begin codes\n    KEY_A 0x1\n    KEY_B 0xABC 0x12\n  end codes");
    EXPECT_EQ(writeLircdConf(readLircdConf(text, "tiny.conf")),
              "begin remote\n"
              "  name            r\n"
              "  bits            8\n"
              "  flags           SPACE_ENC|CONST_LENGTH|REVERSE\n"
              "  eps             30\n"
              "  serial_mode     8 N 1\n"
              "  header          900 450\n"
              "  one             56 169\n"
              "  zero            56 56\n"
              "  pre_data_bits   6\n"
              "  pre_data        0x0A\n"
              "  post_data_bits  5\n"
              "  post_data       0x01\n"
              "  gap             10000\n"
              "  toggle_bit_mask 0x40\n"
              "  frequency       36000\n"
              "  begin codes\n"
              "    KEY_A 0x01\n"
              "    KEY_B 0xABC 0x12\n"
              "  end codes\n"
              "end remote\n\n");
    // Raw durations eight to a line; a comment without its trailing blanks;
    // RAW_CODES written where the file left the flags out, as LIRC reads it.
    const std::string raw =
        "# by hand \t\nbegin remote\n  name raw\n  gap 20000\n  begin raw_codes\n"
        "    name K\n      1 2 3 4 5 6 7 8 9\n  end raw_codes\nend remote\n";
    EXPECT_EQ(writeLircdConf(readLircdConf(raw, "raw.conf")),
              "# by hand\n"
              "begin remote\n"
              "  name            raw\n"
              "  flags           RAW_CODES\n"
              "  gap             20000\n"
              "  begin raw_codes\n"
              "    name K\n"
              "      1 2 3 4 5 6 7 8\n"
              "      9\n"
              "  end raw_codes\n"
              "end remote\n\n");
}

// What LIRC refuses to send, or what would send nothing, is refused.
TEST(Encoder, RefusesFramesLircWouldNotSend) {
    const std::pair<std::string, std::string> rows[] = {
        {"  flags CONST_LENGTH\n  gap 1000\n  one 500 1500\n  zero 500 500",
         "key 'K' of remote 'r' lasts 11500 us, longer than the gap 1000 of a CONST_LENGTH remote"},
        {"  flags RC5\n  one 0 500\n  zero 0 500", "key 'K' of remote 'r' sends nothing"},
    };
    for (const auto& [fields, message] : rows) {
        const std::vector<Remote> remotes =
            readLircdConf(remoteWith(fields + "\n  begin codes\n    K 0x5A\n  end codes"), "r.conf");
        EXPECT_EQ(codesError([&] { encode(remotes[0], remotes[0].keys[0]); }), message) << fields;
    }
}

}  // namespace
}  // namespace orvalinder::codes
