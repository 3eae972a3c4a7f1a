#include <gtest/gtest.h>

#include "codes/board_message.h"
#include "codes/flipper.h"
#include "codes/lircd_conf.h"
#include "codes/protocols.h"
#include "tests/codes/lirc_tools.h"

namespace orvalinder::codes {
namespace {

std::string parsed(const char* name, const char* protocol, const char* address, const char* command) {
    return std::string("# \nname: ") + name + "\ntype: parsed\nprotocol: " + protocol + "\naddress: " + address +
           "\ncommand: " + command + "\n";
}

const std::string kHeader = "Filetype: IR signals file\nVersion: 1\n";

// Every protocol we map, each key's code as the board writes it: the
// fields go on the air in the protocol's order.
TEST(Flipper, ParsedKeysAreTheirProtocolsFrames) {
    struct Row {
        const char* protocol;
        const char* address;
        const char* command;
        const char* board;
    };
    const Row rows[] = {
        {"NEC", "04 00 00 00", "08 00 00 00", "NEC:20DF10EF"},
        {"NECext", "EE 87 00 00", "5D A0 00 00", "NEC:77E1BA05"},
        {"Samsung32", "07 00 00 00", "02 00 00 00", "SAMSUNG:E0E040BF"},
        {"RC5", "05 00 00 00", "0D 00 00 00", "RC5:28D"},
        {"RC5X", "1F 00 00 00", "4C 00 00 00", "RC5:FCC"},
        {"RC6", "01 00 00 00", "0D 00 00 00", "RC6:010D"},
        {"SIRC", "01 00 00 00", "15 00 00 00", "SIRC12:A90"},
        {"SIRC15", "97 00 00 00", "15 00 00 00", "SIRC15:54E9"},
        {"SIRC20", "5A 10 00 00", "15 00 00 00", "SIRC20:A8B41"},
    };
    std::string file = kHeader;
    for (const Row& row : rows) file += parsed(row.protocol, row.protocol, row.address, row.command);
    file += "# \nname: Vol up\ntype: raw\nfrequency: 38000\nduty_cycle: 0.330000\ndata: 504 3432 502 483 500\n";
    const std::vector<Remote> remotes = readFlipper(file, "/remotes/tv.ir");
    for (const Row& row : rows) {
        const auto [remote, key] = findKey(remotes, row.protocol);
        EXPECT_EQ(boardMessages(*remote, *key).press, "!S" + std::string(row.board) + "\n") << row.protocol;
    }
    // Written back the same, each key as it was.
    EXPECT_EQ(writeFlipper(remotes), file);
    EXPECT_EQ(remotes.front().name, "tv");
    // A protocol's largest numbers are its own.
    const std::vector<Remote> largest = readFlipper(kHeader + parsed("K", "SIRC15", "97 00 00 00", "7F 00 00 00") +
                                                        parsed("L", "RC5", "1F 00 00 00", "3F 00 00 00") +
                                                        parsed("M", "RC5X", "1F 00 00 00", "3F 00 00 00"),
                                                    "largest.ir");
    EXPECT_EQ(boardMessages(largest[0], largest[0].keys[0]).press, "!SSIRC15:7FE9\n");
    for (const char* rc5 : {"L", "M"})  // RC5X's first half is RC5
        EXPECT_EQ(boardMessages(*findKey(largest, rc5).first, *findKey(largest, rc5).second).press, "!SRC5:FBF\n");
}

// Each protocol's largest address and command are read; one more in
// either is refused.
TEST(Flipper, EachProtocolsLargestNumbersAreRead) {
    const std::tuple<const char*, uint32_t, uint32_t> rows[] = {
        {"NEC", 255, 255}, {"NECext", 65535, 65535}, {"Samsung32", 255, 255}, {"RC5", 31, 63},      {"RC5X", 31, 127},
        {"RC6", 255, 255}, {"SIRC", 31, 127},        {"SIRC15", 255, 127},    {"SIRC20", 8191, 127}};
    const auto bytes = [](uint32_t value) {  // least significant first
        char text[12];
        std::snprintf(text, sizeof text, "%02X %02X %02X %02X", value & 0xFF, value >> 8 & 0xFF, value >> 16 & 0xFF,
                      value >> 24);
        return std::string(text);
    };
    for (const auto& [protocol, address, command] : rows) {
        const auto read = [&](uint32_t a, uint32_t c) {
            const std::string key = parsed("K", protocol, bytes(a).c_str(), bytes(c).c_str());
            return codesError([&] { readFlipper(kHeader + key, "f.ir"); });
        };
        EXPECT_EQ(read(address, command), "no error") << protocol;
        EXPECT_EQ(read(address + 1, command), "f.ir:7: address above " + std::to_string(address) +
                                                  " for this protocol: '" + bytes(address + 1) + "'");
        EXPECT_EQ(read(address, command + 1), "f.ir:8: command above " + std::to_string(command) +
                                                  " for this protocol: '" + bytes(command + 1) + "'");
    }
}

// Keys from a lircd.conf: parsed when they are a protocol's frames, within
// the quarter a receiver allows, else raw; a raw key's last space is the gap.
TEST(Flipper, LircRemotesWrittenAsFlipperReadsThem) {
    const std::string nec = ORVALINDER_REMOTES_DIR "/nec.lircd.conf";
    const std::string written = writeFlipper(readLircdConf(readText(nec), nec));
    EXPECT_NE(written.find(parsed("KEY_POWER", "NEC", "04 00 00 00", "08 00 00 00")), std::string::npos) << written;
    Remote samsung = protocolRemote(Protocol::Samsung32);  // its address's two bytes differ: not Flipper's Samsung
    samsung.keys = {Key{"K", {0xE0E140BF}, {}}};
    EXPECT_NE(writeFlipper({samsung}).find("type: raw"), std::string::npos);
    const std::string raw = ORVALINDER_REMOTES_DIR "/raw.lircd.conf";
    const std::vector<Remote> remotes = readLircdConf(readText(raw), raw);
    const std::vector<Remote> back = readFlipper(writeFlipper(remotes), "raw.ir");
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].keys, remotes[0].keys);
    EXPECT_EQ(back[0].frequency, 36000u);
    const std::vector<Remote> even = readFlipper(
        std::string(kHeader) + "name: K\ntype: raw\nfrequency: 38000\nduty_cycle: 0.25\ndata: 100 200 300 400\n",
        "e.ir");
    // Flipper keeps no gap; the board is given 100 ms.
    EXPECT_EQ(boardMessages(even[0], even[0].keys[0]).press, "!SRAW 38000:100 200 300 100000\n");
    EXPECT_EQ(even[0].dutyCycle, 25u);
    // Carriage returns are blanks, however many end a line, and so is an
    // indent before a field's name.
    const std::vector<Remote> crs =
        readFlipper(std::string(kHeader) +
                        "name: Vol up\r\r\r\ntype: raw\r\n  frequency: 36000\r\n\tduty_cycle: 0.25\r\ndata: 100\r\n",
                    "cr.ir");
    EXPECT_EQ(crs[0].keys[0].name, "Vol up");
    EXPECT_EQ(crs[0].frequency, 36000u);
    EXPECT_EQ(crs[0].dutyCycle, 25u);
    // Whole percent, and never none.
    for (const auto& [duty, percent] : {std::pair{"0.004", 1u}, {"0.996", 100u}, {"1", 100u}}) {
        const std::string file =
            std::string(kHeader) + "name: K\ntype: raw\nfrequency: 38000\nduty_cycle: " + duty + "\ndata: 100\n";
        EXPECT_EQ(readFlipper(file, "d.ir")[0].dutyCycle, percent) << duty;
    }
}

// A file's remote is named after the file, less its folders and its last
// ending.
TEST(Flipper, TheRemoteIsNamedAfterItsFile) {
    const std::pair<std::string, std::string> rows[] = {
        {"/home/me/tv.ir", "tv"},
        {"C:\\remotes\\tv.ir", "tv"},
        {"a.ir", "a"},
        {"tv.old.ir", "tv.old"},
        {".ir", ".ir"},
        {"box", "box"},
        {"", "remote"},
    };
    for (const auto& [file, name] : rows) EXPECT_EQ(remoteNameOf(file), name) << file;
}

TEST(Flipper, BadFilesSayWhereAndWhat) {
    const std::string raw = "name: K\ntype: raw\nfrequency: 38000\nduty_cycle: 0.33\n";
    const std::string nec = "name: K\ntype: parsed\nprotocol: NEC\n";
    const std::pair<std::string, std::string> rows[] = {
        {"Filetype: Flipper SubGhz RAW File\nVersion: 1\n",
         "f.ir:1: not a Flipper infrared file: it starts with 'Filetype: Flipper SubGhz RAW File'"},
        {"Filetype: IR signals file\nVersion: 2\n",
         "f.ir:2: a Flipper infrared file of version 1 wanted, not 'Version: 2'"},
        {"Filetype: IR signals file\n", "f.ir:1: not a whole Flipper infrared file: no 'Filetype' and 'Version'"},
        {kHeader + nec + "address: 04 00 00\ncommand: 08 00 00 00\n",
         "f.ir:6: address is 4 bytes of 2 hexadecimal digits, not '04 00 00'"},
        {kHeader + nec + "address: 04 00 00 00 00\ncommand: 08 00 00 00\n",
         "f.ir:6: address is 4 bytes of 2 hexadecimal digits, not '04 00 00 00 00'"},
        {kHeader + nec + "address: 00 01 00 00\ncommand: 08 00 00 00\n",
         "f.ir:6: address above 255 for this protocol: '00 01 00 00'"},
        {kHeader + parsed("K", "RC5X", "20 00 00 00", "4C 00 00 00"),
         "f.ir:7: address above 31 for this protocol: '20 00 00 00'"},
        {kHeader + parsed("K", "RC5X", "1F 00 00 00", "80 00 00 00"),
         "f.ir:8: command above 127 for this protocol: '80 00 00 00'"},
        {kHeader + nec + "address: 04 00 00 00\n", "f.ir:3: no 'command' for key 'K'"},
        {kHeader + "name: K\ntype: parsed\nprotocol: Kaseikyo\naddress: 41 54 32 00\ncommand: 1B 00 00 00\n",
         "f.ir:5: a protocol this program does not know (keep the key raw): 'Kaseikyo'"},
        {kHeader + "name: K\ntype: learned\n", "f.ir:4: type is parsed or raw, not 'learned'"},
        {kHeader + "type: raw\n", "f.ir:3: a field before the first 'name': 'type'"},
        {kHeader + "name: K\ncolour: red\n", "f.ir:4: unknown field 'colour'"},
        {kHeader + "name: K\ntype: raw\ntype: raw\n", "f.ir:5: a second 'type'"},
        {kHeader + "name: K\nsomething\n", "f.ir:4: expected 'field: value', not 'something'"},
        {kHeader + "name:\n", "f.ir:3: a key without a name"},
        {kHeader + raw + "data: 100 0 300\n", "f.ir:7: a duration of 0: '0'"},
        {kHeader + raw + "data: 100 x 300\n", "f.ir:7: not a number from 0 to 16777215: 'x'"},
        {kHeader + raw + "data:\n", "f.ir:7: no durations for key 'K'"},
        {kHeader + raw + "data: 100\nprotocol: NEC\n",
         "f.ir:8: a field that does not belong to this type of key: 'protocol'"},
        {kHeader + nec + "address: 04 00 00 00\ncommand: 08 00 00 00\nfrequency: 38000\n",
         "f.ir:8: a field that does not belong to this type of key: 'frequency'"},
        {kHeader + "name: K\ntype: raw\nfrequency: 38000\nduty_cycle: 1.5\ndata: 1\n",
         "f.ir:6: duty_cycle is a number above 0 and up to 1, not '1.5'"},
        {kHeader + "name: K\ntype: raw\nfrequency: 38000\nduty_cycle: 0\ndata: 1\n",
         "f.ir:6: duty_cycle is a number above 0 and up to 1, not '0'"},
        {kHeader + "name: K\ntype: raw\nfrequency: 38k\nduty_cycle: 0.5\ndata: 1\n",
         "f.ir:5: not a number from 0 to 1000000: '38k'"},
    };
    for (const auto& [text, message] : rows) EXPECT_EQ(codesError([&] { readFlipper(text, "f.ir"); }), message) << text;
}

}  // namespace
}  // namespace orvalinder::codes
