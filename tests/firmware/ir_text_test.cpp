#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "ir_codes.h"
#include "ir_text.h"

namespace {

std::string monitorLine(const std::vector<uint16_t>& durations, uint16_t capacity = 1000) {
    std::vector<char> out(capacity + 1, '#');
    uint16_t length = formatMonitorLine(durations.data(), static_cast<uint8_t>(durations.size()), out.data(), capacity);
    if (length == 0) return "";
    EXPECT_EQ(out[length], '\0');
    return std::string(out.data(), length);
}

std::string codeText(const IrCode& code, uint8_t capacity = 40) {
    std::vector<char> out(capacity + 1, '#');
    uint8_t length = formatCode(code, out.data(), capacity);
    if (length == 0) return "";
    EXPECT_EQ(out[length], '\0');
    return std::string(out.data(), length);
}

// Only the last character may end a line.
void expectNoEndBefore(const std::string& text, size_t end) { EXPECT_EQ(text.find_first_of("xY"), end) << text; }

// A line that does not fit is not written: it takes its characters and the zero.
TEST(IrText, MonitorLines) {
    const std::tuple<std::vector<uint16_t>, uint16_t, std::string> rows[] = {
        {{9000, 4500, 560, 1690}, 1000, "9000\t4500\t560\t1690x"},
        {{0, 65535, 10}, 1000, "0\t65535\t10x"},
        {{7}, 1000, "7x"},
        {{}, 1000, "x"},
        {{9000, 4500}, 11, "9000\t4500x"},
        {{9000, 4500}, 10, ""},
        {{10, 99}, 7, "10\t99x"},
        {{10, 99}, 6, ""},
        {{100}, 5, "100x"},
        {{100}, 4, ""},
        {{10000}, 7, "10000x"},
        {{10000}, 6, ""},
        {{}, 1, ""},
    };
    for (const auto& [durations, capacity, line] : rows) EXPECT_EQ(monitorLine(durations, capacity), line);
}

TEST(IrText, MonitorLineKeepsTheFirst100Numbers) {
    std::vector<uint16_t> durations;
    for (uint16_t i = 1; i <= 150; ++i) durations.push_back(i);
    std::string expected;
    for (int i = 1; i <= 100; ++i) expected += std::to_string(i) + (i < 100 ? "\t" : "x");
    std::string line = monitorLine(durations);
    EXPECT_EQ(line, expected);
    expectNoEndBefore(line, line.size() - 1);
    // Room for those it writes is enough: the numbers it leaves out take none.
    EXPECT_EQ(monitorLine(durations, uint16_t(expected.size() + 1)), expected);
}

TEST(IrText, CodesWrittenAndReadBackOrNotWritten) {
    const std::pair<IrCode, std::string> rows[] = {
        {makeCode(IR_NEC, 0x20DF10EF), "NEC:20DF10EF"},
        {makeCode(IR_NEC, 0), "NEC:00000000"},
        {necRepeat(), "NEC repeat"},
        {makeCode(IR_PANASONIC, 0x0100BCBD, 0x4004), "PANASONIC 4004:0100BCBD"},
        {makeCode(IR_PANASONIC, 0xFFFFFFFF, 0xFFFF), "PANASONIC FFFF:FFFFFFFF"},
        {makeCode(IR_RC5, 0x02C), "RC5:02C"},
        {makeCode(IR_RC5, 0xFFF), "RC5:FFF"},
        {makeCode(IR_RC6, 0x000C), "RC6:000C"},
        {makeCode(IR_RC6, 0xFFFF), "RC6:FFFF"},
        {makeCode(IR_RC6_6_20, 0xC005C), "RC6-6-20:C005C"},
        {makeCode(IR_RC6_6_20, 0), "RC6-6-20:00000"},
    };
    for (const auto& [code, text] : rows) {
        EXPECT_EQ(codeText(code), text);
        expectNoEndBefore(text + "Y", text.size());
        SCOPED_TRACE(text);
        expectSameCode(parsed(text.c_str()), code);  // and no toggle
    }
    // Codes that cannot be written, and text that does not fit.
    EXPECT_EQ(codeText(makeCode(IR_NONE, 0)), "");
    EXPECT_EQ(codeText(makeCode(IR_RC5, 0x1000)), "");  // 13 bits
    EXPECT_EQ(codeText(makeCode(IR_NEC, 0x20DF10EF), 13), "NEC:20DF10EF");
    EXPECT_EQ(codeText(makeCode(IR_NEC, 0x20DF10EF), 12), "");
}

TEST(IrText, ReadsLowerCaseDigits) {
    expectSameCode(parsed("PANASONIC 4a0b:0100bcbd"), makeCode(IR_PANASONIC, 0x0100BCBD, 0x4A0B));
}

TEST(IrText, RejectsWhatItDoesNotWrite) {
    const char* rows[] = {
        "",
        "NEC",
        "NEC:",
        "NEC:20DF10EFY",
        "NEC:20DF10EF ",
        "NEC:120DF10EF",
        "NEC:G1",
        "nec:20DF10EF",
        "NEC repeated",
        "NEC repeat ",
        "RC5:1000",
        "RC6:10000",
        "RC6-6-20:100000",
        "RC6-6:1",
        "PANASONIC:0100BCBD",
        "PANASONIC 10000:0",
        "PANASONIC 4004",
        "SONY:12",
        ":12",
        "RC5 02C",
    };
    for (const char* text : rows) {
        IrCode code = makeCode(IR_NEC, 1);
        EXPECT_FALSE(parseCode(text, code)) << text;
        EXPECT_EQ(code.protocol, IR_NONE) << text;
    }
}

}  // namespace
