#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "codes/board_message.h"
#include "codes/code_sets.h"
#include "codes/encoder.h"
#include "codes/irdb_csv.h"
#include "tests/codes/lirc_tools.h"

namespace orvalinder::codes {
namespace {

namespace fs = std::filesystem;

// A row of each protocol with an encoder, and beside it a lircd.conf of the
// same code worked out from the IRP notation: the same frame as irsimsend's.
// (The silence after it is each protocol's own: RC6-6-20's 100 ms there, a
// frame every 106.7 ms here.)
TEST(IrdbCsv, EveryProtocolIsSentAsIrsimsendSendsIt) {
    const std::string folder = ORVALINDER_IRDB_DIR;
    int keys = 0;
    for (const Remote& remote : readIrdbCsv(readText(folder + "/every_protocol.csv"), "every_protocol.csv")) {
        for (const Key& key : remote.keys) {
            const std::vector<uint32_t> ours = encode(remote, key).press;
            std::vector<uint32_t> lirc = irsimsend(folder + "/" + key.name + ".lircd.conf", key.name, 1);
            lirc.resize(std::min(lirc.size(), ours.size()));
            EXPECT_TRUE(withinOnePercent(ours, lirc))
                << key.name << "\n ours: " << join(ours) << "\n lirc: " << join(lirc);
            ++keys;
        }
    }
    EXPECT_EQ(keys, 14);
}

// Rows are never guessed at: each one the board cannot send is named with
// the file, its line and its protocol; the others are read.
TEST(IrdbCsv, RowsItCannotSendAreNamed) {
    const std::pair<std::string, std::string> rows[] = {
        {"Power,JVC,3,-1,23", "x.csv:2: a protocol this program does not send 'JVC'"},
        {"Power,NEC1,256,-1,8", "x.csv:3: NEC1 takes a device from 0 to 255, not 256"},
        {"Power,RC5,0,3,12", "x.csv:4: RC5 has no subdevice, not 3"},
        {"Power,Sony20,26,-1,21", "x.csv:5: Sony20 needs a subdevice"},
        {"Power,RC5,0,-1,128", "x.csv:6: RC5 takes a function from 0 to 127, not 128"},
        {"Power,NEC1,4,-1", "x.csv:7: a row of five fields wanted, not 'Power,NEC1,4,-1'"},
        {"Power,NEC1,4,x,8", "x.csv:8: not a number 'x'"},
        {",NEC1,4,-1,8", "x.csv:9: a key without a name"},
        {std::string(100000, 'z'), "x.csv:10: a row of five fields wanted, not '" + std::string(60, 'z') + "...'"},
        {"Power,NEC1,4,-1," + std::string(60, '9'), "x.csv:11: not a number '" + std::string(60, '9') + "'"},
        {"Power,NEC1,4,-1," + std::string(61, '9'), "x.csv:12: not a number '" + std::string(60, '9') + "...'"},
        {"Power,NEC1,4,-1,-1", "x.csv:13: NEC1 takes a function from 0 to 255, not -1"},
        {std::string(60, 'z'), "x.csv:14: a row of five fields wanted, not '" + std::string(60, 'z') + "'"},
    };
    std::string text = std::string(kIrdbCsvHeader) + "\n";
    for (const auto& [row, message] : rows) text += row + "\n";
    text += "Vol+, the big one,NEC1,4,-1,2\n";
    std::vector<std::string> skipped;
    const std::vector<Remote> read = readIrdbCsv(text, "x.csv", &skipped);
    ASSERT_EQ(skipped.size(), std::size(rows));
    for (size_t i = 0; i < skipped.size(); ++i) EXPECT_EQ(skipped[i], rows[i].second);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].name, "NEC1 4");
    EXPECT_EQ(read[0].keys, (std::vector<Key>{{"Vol+, the big one", {0x20DF40BF}, {}}}));
    EXPECT_THROW(readIrdbCsv(text, "x.csv"), CodesError);
    EXPECT_THROW(readIrdbCsv("functionname,protocol\nPower,NEC1,4,-1,8\n", "x.csv"), CodesError);
    // A file with its header alone has no rows to name; an empty one is no CSV.
    EXPECT_TRUE(readIrdbCsv(std::string(kIrdbCsvHeader) + "\n", "x.csv").empty());
    EXPECT_EQ(readIrdbCsv(std::string(kIrdbCsvHeader) + "\r\n \t\r\nPower,NEC1,4,-1,8\r\n", "x.csv")[0].keys,
              (std::vector<Key>{{"Power", {0x20DF10EF}, {}}}));  // Windows' line ends, a blank line
    EXPECT_THROW(readIrdbCsv("", "x.csv"), CodesError);
}

// Each protocol's device, subdevice and function at their largest are
// read, and one more in any of them is refused.
TEST(IrdbCsv, EachProtocolsLargestNumbersAreRead) {
    struct Largest {
        const char* protocol;
        std::vector<int> fields;  // device, subdevice, function; -1 for none
    };
    const Largest rows[] = {{"NEC", {255, 255, 255}},      {"NECx1", {255, 255, 255}}, {"NEC1", {255, 255, 255}},
                            {"NEC2", {255, 255, 255}},     {"NECx2", {255, 255, 255}}, {"Samsung32", {255, 255, 255}},
                            {"RC5", {31, -1, 127}},        {"RC6", {255, -1, 255}},    {"RC6-6-20", {255, 15, 255}},
                            {"Sony12", {31, -1, 127}},     {"Sony15", {255, -1, 127}}, {"Sony20", {31, 255, 127}},
                            {"Panasonic", {255, 255, 255}}};
    auto row = [](const char* protocol, const std::vector<int>& fields) {
        return std::string("Power,") + protocol + "," + std::to_string(fields[0]) + "," + std::to_string(fields[1]) +
               "," + std::to_string(fields[2]) + "\n";
    };
    std::string text = std::string(kIrdbCsvHeader) + "\n", tooLarge = text;
    size_t refusable = 0;
    for (const Largest& largest : rows) {
        text += row(largest.protocol, largest.fields);
        for (size_t field = 0; field < 3; ++field) {
            if (largest.fields[field] < 0) continue;
            std::vector<int> more = largest.fields;
            ++more[field];
            tooLarge += row(largest.protocol, more);
            ++refusable;
        }
    }
    std::vector<std::string> skipped;
    readIrdbCsv(text, "x.csv", &skipped);
    EXPECT_EQ(skipped, std::vector<std::string>{});
    EXPECT_TRUE(readIrdbCsv(tooLarge, "x.csv", &skipped).empty());
    EXPECT_EQ(skipped.size(), refusable);
}

// The most common code first, each once: more brands, then more sets, then
// the sets' order. A set without a brand or kind counts as a brand and
// serves every kind; Standby does Power's work where there is no Power.
TEST(CodeSets, CandidatesMostCommonFirstEachOnce) {
    std::vector<CodeSet> sets = readCodeSets(
        "set tv NEC1 4 LG\nKEY_POWER 8\nKEY_MUTE 9\n"
        "set tv RC5 0 Philips\nStandby 12\n"
        "set tv NECx2 7.7 Samsung\nKEY_POWER 2\n"
        "set tv NEC1 4 Vizio\nKEY_POWER 8\n"
        "set tv NECx2 7.7 Samsung\nPOWER 2\n"
        "set projector NEC1 131.85 Epson\nKEY_POWER 144\n",
        "sets");
    sets.push_back(CodeSet{"", DeviceKind::Unknown, sets[0].remote});
    struct Row {
        CandidateSearch search;
        std::vector<std::pair<std::string, std::vector<size_t>>> found;  // press, sets
    };
    const std::string lg = "!SNEC:20DF10EF\n", samsung = "!SSAMSUNG:E0E040BF\n", philips = "!SRC5:00C\n";
    const Row rows[] = {
        {{"Power", DeviceKind::Tv, ""}, {{lg, {0, 3, 6}}, {samsung, {2, 4}}, {philips, {1}}}},
        {{"KEY_POWER", {}, ""}, {{lg, {0, 3, 6}}, {samsung, {2, 4}}, {philips, {1}}, {"!SNEC:C1AA09F6\n", {5}}}},
        {{"power", DeviceKind::Projector, ""}, {{"!SNEC:C1AA09F6\n", {5}}, {lg, {6}}}},
        {{"Power", DeviceKind::Tv, "SAMSUNG"}, {{samsung, {2, 4}}}},
        {{"Mute", DeviceKind::Tv, ""}, {{"!SNEC:20DF906F\n", {0, 6}}}},
        {{"Vol+", DeviceKind::Tv, ""}, {}},
    };
    for (const Row& row : rows) {
        std::vector<std::string> skipped;
        std::vector<std::pair<std::string, std::vector<size_t>>> found;
        for (const Candidate& candidate : findCandidates(sets, row.search, skipped)) {
            found.emplace_back(candidate.press, std::vector<size_t>());
            for (const SetKey& use : candidate.sets) found.back().second.push_back(use.set);
        }
        EXPECT_EQ(found, row.found) << row.search.key << " " << kindName(row.search.kind.value_or(DeviceKind::Unknown));
        EXPECT_TRUE(skipped.empty());
    }
    EXPECT_EQ(brandsOf(sets, DeviceKind::Tv), (std::vector<std::string>{"LG", "Philips", "Samsung", "Vizio"}));
}

// A universal file, a Power for each device: a set a device, a key no
// protocol reads a set of its own; IRDB's folders name brand and kind.
TEST(CodeSets, FilesBecomeSets) {
    const fs::path folder = fs::temp_directory_path() / "orvalinder-code-sets" / "Sky" / "Satellite";
    fs::create_directories(folder);
    const auto parsed = [](const char* name, const char* protocol, const char* address, const char* command) {
        // An address of one or two bytes, padded to Flipper's four.
        const std::string bytes =
            std::string(address) + (std::string_view(address).size() > 2 ? " 00 00" : " 00 00 00");
        return std::string("name: ") + name + "\ntype: parsed\nprotocol: " + protocol + "\naddress: " + bytes +
               "\ncommand: " + command + " 00 00 00\n";
    };
    std::ofstream(folder / "tv.ir") << "Filetype: IR library file\nVersion: 1\n"
                                    << parsed("Power", "NEC", "04", "08") << parsed("Vol_up", "NEC", "04", "03")
                                    << parsed("Power", "Samsung32", "07", "02") << parsed("Power", "NEC", "04", "08")
                                    << parsed("Vol_up", "NEC", "05", "02") << parsed("Power", "Kaseikyo", "01", "01")
                                    << "name: Power\ntype: raw\nfrequency: 38000\nduty_cycle: 0.33\ndata: 500 500 500\n"
                                    // One RC5 device's keys, the second's command beyond 63, and
                                    // another device's; two devices of each SIRC whose addresses
                                    // differ in their highest bit.
                                    << parsed("Power", "RC5", "05", "0C") << parsed("Vol_up", "RC5X", "05", "4C")
                                    << parsed("Mute", "RC5", "04", "0D") << parsed("Power", "SIRC", "01", "15")
                                    << parsed("Vol_up", "SIRC", "11", "15") << parsed("Power", "SIRC15", "01", "15")
                                    << parsed("Vol_up", "SIRC15", "81", "15") << parsed("Power", "SIRC20", "01", "15")
                                    << parsed("Vol_up", "SIRC20", "01 10", "15");
    std::ofstream(folder / "0,12.csv") << kIrdbCsvHeader << "\nPower,RC6-6-20,0,12,12\nOK,RC6-6-20,0,12,92\n";
    std::vector<std::string> skipped;
    std::map<std::string, std::vector<std::string>> keys;
    for (const char* file : {"tv.ir", "0,12.csv"})
        for (const CodeSet& set : readCodeSetFile((folder / file).string(), skipped))
            for (const Key& key : set.remote.keys)
                keys[describe(set) + " " + std::string(kindName(set.kind))].push_back(key.name);
    EXPECT_EQ(keys, (std::map<std::string, std::vector<std::string>>{
                        {"tv 1 unknown", {"Power", "Vol_up"}},
                        {"tv 2 unknown", {"Power"}},
                        {"tv 3 unknown", {"Vol_up"}},
                        {"tv_2 1 unknown", {"Power"}},
                        {"tv_3 1 unknown", {"Power"}},
                        {"tv_4 1 unknown", {"Power", "Vol_up"}},
                        {"tv_4 2 unknown", {"Mute"}},
                        {"tv_5 1 unknown", {"Power"}},
                        {"tv_5 2 unknown", {"Vol_up"}},
                        {"tv_6 1 unknown", {"Power"}},
                        {"tv_6 2 unknown", {"Vol_up"}},
                        {"tv_7 1 unknown", {"Power"}},
                        {"tv_7 2 unknown", {"Vol_up"}},
                        {"Sky, RC6-6-20 0.12 set-top-box", {"Power", "OK"}},
                    }));
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0], (folder / "tv.ir").string() +
                              ":30: a protocol this program does not know (keep the key raw): 'Kaseikyo'");
    fs::remove_all(folder.parent_path().parent_path());
}

// The program's own format is refused at its first mistake.
TEST(CodeSets, MistakesInTheProgramsOwnFormat) {
    const std::pair<const char*, const char*> rows[] = {
        {"KEY_POWER 8\n", "s:1: a key before the first set 'KEY_POWER'"},
        {"set fridge NEC1 4 LG\n", "s:1: a kind of device this program does not know 'fridge'"},
        {"set tv JVC 3 JVC\n", "s:1: a protocol this program does not send 'JVC'"},
        {"set tv MEC1 4 LG\n", "s:1: a protocol this program does not send 'MEC1'"},  // one letter off
        {"set tv NEC1 4\n", "s:1: a set is 'set KIND PROTOCOL DEVICE BRAND', not 'set tv NEC1 4'"},
        {"set tv NEC1 4 LG\nKEY_POWER 8\nKEY_POWER 9\n", "s:3: a second key 'KEY_POWER'"},
        {"set tv NEC1 4 LG\nKEY_POWER eight\n", "s:2: not a number 'eight'"},
        {"set tv Sony12 1 Sony\nKEY_POWER 1.2 21\n", "s:2: Sony12 has no subdevice, not 2"},
    };
    for (const auto& [text, message] : rows) EXPECT_EQ(codesError([&] { readCodeSets(text, "s"); }), message) << text;
    EXPECT_EQ(readCodeSets("set tv NEC1 4 LG  # by hand\n", "s")[0].brand, "LG");
}

// Every key of the program's own sets goes out as one of the board's codes.
TEST(CodeSets, TheCommonSetsAllEncode) {
    const std::vector<CodeSet> sets = readCodeSets(readText(ORVALINDER_COMMON_SETS), "common.sets");
    std::map<std::string, std::set<std::string>> brands;
    size_t keys = 0;
    for (const CodeSet& set : sets) {
        brands[std::string(kindName(set.kind))].insert(set.brand);
        for (const Key& key : set.remote.keys) {
            const std::string press = boardMessages(set.remote, key).press;
            EXPECT_TRUE(press.starts_with("!S") && press.find("RAW") == std::string::npos &&
                        press.find('\n') == press.size() - 1)
                << describe(set) << " " << key.name << ": " << press;
            ++keys;
        }
    }
    for (const auto& [kind, names] : brands) std::cout << kind << ": " << names.size() << " brands\n";
    std::cout << sets.size() << " sets, " << keys << " keys\n";
    EXPECT_GE(brands["tv"].size(), 15u);
}

}  // namespace
}  // namespace orvalinder::codes
