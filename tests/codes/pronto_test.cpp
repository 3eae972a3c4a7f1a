#include <gtest/gtest.h>

#include <cmath>

#include "codes/board_message.h"
#include "codes/encoder.h"
#include "codes/lircd_conf.h"
#include "codes/pronto.h"
#include "codes/protocols.h"
#include "tests/codes/lirc_tools.h"

namespace orvalinder::codes {
namespace {

std::vector<Remote> remotesOf(const std::string& file) {
    const std::string path = ORVALINDER_REMOTES_DIR "/" + file;
    return readLircdConf(readText(path), path);
}

// Our Pronto of a key, through pronto2lirc and irsimsend, comes back as its
// words say: each a whole number of carrier periods. That is within half a
// period of our timings (13 us at 38 kHz: more than 1% of a 560 us pulse),
// and within 1% of what the words say.
TEST(Pronto, OursReadByLircAsItsWordsSay) {
    const std::pair<const char*, const char*> keys[] = {
        {"nec.lircd.conf", "KEY_POWER"},  // sent once, then its repeat frame
        {"rc5.lircd.conf", "KEY_1"},      // all repeated part
        {"sony.lircd.conf", "KEY_POWER"}, {"raw.lircd.conf", "K_LONG"},
        {"rc6.lircd.conf", "KEY_POWER"},  {"every_field.lircd.conf", "K_A"},
    };
    for (const auto& [file, name] : keys) {
        const std::vector<Remote> remotes = remotesOf(file);
        const Signal signal = encode(remotes[0], *findKey(remotes[0], name));
        const std::string pronto = writePronto(signal);

        std::vector<uint32_t> words;
        std::istringstream in(pronto);
        for (std::string word; in >> word;) words.push_back(uint32_t(std::stoul(word, nullptr, 16)));
        const double periodUs = words[1] * 0.241246;
        std::vector<uint32_t> sent = signal.press;
        sent.push_back(signal.pressGap);
        if (signal.repeat != signal.press || signal.repeatGap != signal.pressGap) {
            sent.insert(sent.end(), signal.repeat.begin(), signal.repeat.end());
            sent.push_back(signal.repeatGap);
        }
        ASSERT_EQ(words.size(), 4 + sent.size()) << file << " " << pronto;
        std::vector<uint32_t> asWordsSay;
        for (size_t i = 0; i < sent.size(); ++i) {
            EXPECT_LE(std::abs(words[4 + i] * periodUs - sent[i]), periodUs / 2) << file << " duration " << i;
            asWordsSay.push_back(uint32_t(std::lround(words[4 + i] * periodUs)));
        }

        const auto folder = lircFolder();
        std::ofstream(folder / "codes.txt") << name << ":" << pronto << "\n";
        ASSERT_EQ(runIn(folder, "pronto2lirc codes.txt"), 0) << readText((folder / "out.txt").string());
        const std::vector<uint32_t> lirc = irsimsend((folder / "lircd.conf").string(), name, 1);
        EXPECT_TRUE(withinOnePercent(asWordsSay, lirc))
            << file << " " << name << "\n ours: " << join(asWordsSay) << "\n lirc: " << join(lirc);
        std::filesystem::remove_all(folder);
    }
}

TEST(Pronto, CodesReadAsTheirFormSays) {
    struct Row {
        const char* code;
        const char* press;  // the board's message for one press
    };
    const Row rows[] = {
        {"900A 006D 0000 0001 04FB 08F7", "!SNEC:20DF10EF\n"},
        {"900A 006D 0000 0001 04FB 40BF", "!SNEC:20DF02FD\n"},
        {"900A 006D 0000 0001 00FF 08F7", "!SNEC:00FF10EF\n"},
        {"5000 0073 0000 0001 0000 0001", "!SRC5:001\n"},
        {"5000 0073 0000 0001 0005 0041", "!SRC5:2C1\n"},  // command 65: the field bit clear
        {"6000 0073 0000 0002 0000 000C 0000 0000", "!SRC6:000C\n"},
        {"6000 0073 0000 0001 0012 00FE", "!SRC6:12FE\n"},
        {"6000 0073 0000 0001 00FF 00FF", "!SRC6:FFFF\n"},  // the largest system and command
        // RC5x: start, field, toggle, 5 system bits, 4 half bits of space, 12 bits.
        {"5001 0073 0000 0002 0000 0000 0000 0000",
         "!SRAW 36000:889 889 889 889 1778 889 889 889 889 889 889 889 889 4445 889 889 889 889 889 889 889 889 889 "
         "889 889 889 889 889 889 889 889 889 889 889 889 889 889 76440\n"},
        // Command 65: the field bit clear; data 16.
        {"5001 0073 0000 0002 0005 0041 0010 0000",
         "!SRAW 36000:1778 1778 1778 889 889 1778 1778 1778 889 3556 889 889 889 889 889 889 889 889 889 1778 1778 "
         "1778 1778 889 889 889 889 889 889 76440\n"},
        // Learned: 38029 Hz, durations in periods of 26.296 us, the last the gap.
        {"0000 006D 0002 0000 0156 00AB 0015 0E4A", "!SRAW 38029:8993 4497 552 96190\n"},
        {"0000 006D 0000 0002 0156 00AB 0015 0E4A", "!SRAW 38029:8993 4497 552 96190\n"},
        {"0000 006D 0001 0000 0156 FFFF", "!SRAW 38029:8993 999999\n"},  // the board's longest silence
        {"0000 006D 0002 0002 0156 00AB 0015 05F2 0156 0056 0015 0E4A",
         "!SRAW 38029:8993 4497 552 40022 8993 2261 552 96190\n"},
        // A learned NEC frame and its repeat frame: the board's NEC.
        {"0000 006D 0022 0002 0156 00AB 0015 0015 0015 0015 0015 0040 0015 0015 0015 0015 0015 0015 0015 0015 0015 "
         "0015 0015 0040 0015 0040 0015 0015 0015 0040 0015 0040 0015 0040 0015 0040 0015 0040 0015 0015 0015 0015 "
         "0015 0015 0015 0040 0015 0015 0015 0015 0015 0015 0015 0015 0015 0040 0015 0040 0015 0040 0015 0015 0015 "
         "0040 0015 0040 0015 0040 0015 0040 0015 05F2 0156 0056 0015 0E4A",
         "!SNEC:20DF10EF\n"},
    };
    for (const Row& row : rows) {
        const std::vector<Remote> remotes = readPronto(row.code, "code.txt");
        ASSERT_EQ(remotes.size(), 1u);
        if (std::string_view(row.code).starts_with("5001")) {  // RC5x's carrier is RC5's
            EXPECT_EQ(remotes[0].dutyCycle, protocolRemote(Protocol::Rc5).dutyCycle);
        } else if (std::string_view(row.code).starts_with("0000")) {  // a learned code's: a third, as most remotes
            EXPECT_EQ(remotes[0].dutyCycle, 33u);
        }
        EXPECT_EQ(boardMessages(remotes[0], remotes[0].keys.at(0)).press, row.press) << row.code;
        // Kept as a LIRC file, which ends a frame with its last pulse.
        EXPECT_EQ(readLircdConf(writeLircdConf(remotes), "code.conf"), remotes) << row.code;
    }
    // Pronto's longest duration is written back whole; one period more is refused.
    const std::vector<Remote> longest = readPronto("0000 006D 0001 0000 0156 FFFF", "code.txt");
    Signal signal = encode(longest[0], longest[0].keys.at(0));
    EXPECT_EQ(writePronto(signal), "0000 006D 0000 0001 0156 FFFF");
    signal.repeatGap += 27;
    EXPECT_THROW(writePronto(signal), CodesError);
    // A mark shorter than half a period is one period, never none.
    signal.press = signal.repeat = {10};
    signal.pressGap = signal.repeatGap = 1000;
    EXPECT_EQ(writePronto(signal), "0000 006D 0000 0001 0001 0026");
    // Named codes share a remote when their timings are alike.
    const std::vector<Remote> file = readPronto(
        "# two NEC keys and an RC5 one\nPower: 900A 006D 0000 0001 04FB 08F7\n\nMute: 900A 006D 0000 0001 04FB "
        "09F6\nKEY 1:5000 0073 0000 0001 0000 0001\n",
        "tv.pronto");
    ASSERT_EQ(file.size(), 2u);
    EXPECT_EQ(file[0].name, "tv");
    EXPECT_EQ(file[1].name, "tv_2");
    EXPECT_EQ(file[0].keys.at(1).name, "Mute");
    EXPECT_EQ(file[1].keys.at(0).name, "KEY 1");
}

TEST(Pronto, BadCodesSayWhereAndWhat) {
    const std::pair<const char*, const char*> rows[] = {
        {"0000 006D 0002 0000 0156 00AB 0015", "p.txt:1: the counts of pairs say 8 words, the code has 7: '0002'"},
        {"0000 006D 0000 0000", "p.txt:1: the counts of pairs say 4 words, the code has 4: '0000'"},
        {"0000 006D 0001 0001 0156 00AB", "p.txt:1: the counts of pairs say 8 words, the code has 6: '0001'"},
        {"0000 006D", "p.txt:1: a Pronto code has at least 4 words, not 2"},
        {"0000 006D 0001", "p.txt:1: a Pronto code has at least 4 words, not 3"},
        {"0000 006D 0001 0000 0156 0000", "p.txt:1: a duration of 0: '0000'"},
        {"0000 0000 0001 0000 0156 00AB", "p.txt:1: a carrier period of 0: '0000'"},
        {"0000 006D 0001 0000 0156 00AG", "p.txt:1: not a word of 4 hexadecimal digits: '00AG'"},
        {"0000 006D 0001 0000 0156 AB", "p.txt:1: not a word of 4 hexadecimal digits: 'AB'"},
        {"7000 006D 0001 0000 0156 00AB", "p.txt:1: not a Pronto form this program knows: '7000'"},
        {"5000 0073 0000 0001 0020 0001", "p.txt:1: an RC5 system above 31: '0020'"},
        {"5000 0073 0000 0001 0000 0080", "p.txt:1: an RC5 command above 127: '0080'"},
        {"6000 0073 0000 0001 0100 0000", "p.txt:1: an RC6 system above 255: '0100'"},
        {"6000 0073 0000 0002 0000 000C 0001 0000", "p.txt:1: a word past the fields that is not 0000: '0001'"},
        {"5001 0073 0000 0001 0000 0001", "p.txt:1: too few words for its fields: '5001'"},
        {"5001 0073 0000 0002 0020 0000 0000 0000", "p.txt:1: an RC5x system above 31: '0020'"},
        {"5001 0073 0000 0002 0000 0080 0000 0000", "p.txt:1: an RC5x command above 127: '0080'"},
        {"5001 0073 0000 0002 0000 0000 0040 0000", "p.txt:1: RC5x data above 63: '0040'"},
        {"5001 0073 0000 0002 0000 0000 0000 0001", "p.txt:1: a word past the fields that is not 0000: '0001'"},
        {"6000 0073 0000 0001 0000 0100", "p.txt:1: an RC6 command above 255: '0100'"},
        {"Power:\n", "p.txt:1: no code for 'Power'"},
        {"\n\n: 5000 0073 0000 0001 0000 0001", "p.txt:3: no name before ':'"},
        {"# nothing\n", "p.txt: no Pronto code"},
    };
    for (const auto& [text, message] : rows) EXPECT_EQ(codesError([&] { readPronto(text, "p.txt"); }), message) << text;
    for (const char* largest :
         {"5000 0073 0000 0001 001F 007F", "5001 0073 0000 0002 001F 007F 003F 0000", "6000 0073 0000 0001 00FF 00FF"})
        EXPECT_EQ(codesError([&] { readPronto(largest, "p.txt"); }), "no error") << largest;
    EXPECT_EQ(readPronto(" \tPower \t: 900A 006D 0000 0001 04FB 08F7\r\n", "p.txt")[0].keys.at(0).name, "Power");
    // What Pronto cannot hold.
    const std::vector<Remote> noCarrier = remotesOf("raw_plain.lircd.conf");
    EXPECT_THROW(writePronto(encode(noCarrier[0], noCarrier[0].keys[0])), CodesError);
    Signal longGap;
    longGap.press = {560};
    longGap.pressGap = 2000000;  // 76000 periods of 38 kHz
    EXPECT_THROW(writePronto(longGap), CodesError);
    // Its carriers run from 64 Hz to 8.3 MHz: a word of clock periods each.
    for (const auto& [hz, fits] : {std::pair{63u, false}, {64u, true}, {8000000u, true}, {8300000u, false}}) {
        Signal edge;
        edge.press = {10000};
        edge.pressGap = 10000;
        edge.carrierHz = hz;
        EXPECT_EQ(codesError([&] { writePronto(edge); }) == "no error", fits) << hz << " Hz";
    }
}

// Several remotes in one Pronto file: each block is named in a comment,
// and the file reads back with every key.
TEST(Pronto, SeveralRemotesInOneFileAreNamed) {
    std::vector<Remote> remotes = remotesOf("nec.lircd.conf");
    remotes.push_back(remotes[0]);
    remotes[1].name = "second_tv";
    const std::string file = writeProntoFile(remotes);
    EXPECT_TRUE(file.starts_with("# " + remotes[0].name + "\n")) << file;
    EXPECT_NE(file.find("\n\n# second_tv\n"), std::string::npos) << file;
    EXPECT_EQ(readPronto(file, "all.txt")[0].keys.size(), remotes[0].keys.size() * 2);
    EXPECT_EQ(writeProntoFile({remotes[0]}).find('#'), std::string::npos);  // one remote needs no name
}

}  // namespace
}  // namespace orvalinder::codes
