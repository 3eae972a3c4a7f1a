#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "serial/hex_value.h"
#include "tests/support/temp_folder.h"
#include "serial/line_receiver.h"
#include "view/ir_monitor_lines.h"

namespace orvalinder {
namespace {

namespace fs = std::filesystem;

std::string describe(const std::vector<ReceivedLine>& lines) {
    std::string text;
    for (const ReceivedLine& line : lines) {
        text += line.kind == ReceivedLine::Monitor ? "M[" : "V[";
        text += line.text;
        if (line.kind == ReceivedLine::Value) {
            std::ostringstream value;
            value << "=" << std::hex << std::uppercase << line.value;
            text += value.str();
        }
        text += "]";
    }
    return text;
}

struct Sequence {
    std::vector<std::string> chunks;
    std::string lines;    // as described above
    std::string partial;  // what waits for the next chunk
};

TEST(LineAssembler, LinesSplitAnywhereAcrossChunks) {
    using namespace std::string_literals;
    const Sequence rows[] = {
        {{"120\t250x"}, "M[120\t250x]", ""},
        {{"12", "0\t2", "50x"}, "M[120\t250x]", ""},
        {{"CODE:A2", "5DY"}, "V[CODE:A25D=A25D]", ""},
        {{"CODE:0xA25D"}, "M[CODE:0x]", "A25D"},  // a lower-case x ends a monitor line
        {{"1x2x", "3"}, "M[1x]M[2x]", "3"},       // nothing waits for the window to take a line
        {{"a\0b"s, "\0Y"s}, "V[ab=0]", ""},       // zero bytes add nothing
        {{"X1y\r\nx"}, "M[X1y\r\nx]", ""},        // X and y are ordinary characters
        {{"CODE:FFFFFFFFY"}, "V[CODE:FFFFFFFF=FFFFFFFF]", ""},
        {{"A:1:2Y"}, "V[A:1:2=1]", ""},  // after the first colon
        {{"no colonY", "CODE: 7fY"}, "V[no colon=0]V[CODE: 7f=7F]", ""},
        {{"Y", "x"}, "V[=0]M[x]", ""},
    };
    for (const Sequence& row : rows) {
        LineAssembler assembler;
        std::vector<ReceivedLine> lines;
        for (const std::string& chunk : row.chunks) assembler.feed(chunk, lines);
        EXPECT_EQ(describe(lines), row.lines) << row.chunks.front();
        EXPECT_EQ(assembler.partialLine(), row.partial) << row.chunks.front();
    }
}

TEST(LineAssembler, MoreThan998CharactersEmptyTheLine) {
    struct Overflow {
        size_t length;  // characters before the ending
        char ending;
        std::string expected;
    };
    const Overflow rows[] = {
        {998, 'x', std::string(998, '1') + "x"},
        {999, 'x', "x"},
        {999 + 5, 'x', "11111x"},
        {2 * 999 + 3, 'Y', "111"},
    };
    for (const Overflow& row : rows) {
        for (size_t split : {size_t{1}, size_t{7}, row.length}) {
            LineAssembler assembler;
            std::vector<ReceivedLine> lines;
            const std::string text = std::string(row.length, '1') + row.ending;
            for (size_t at = 0; at < text.size(); at += split) assembler.feed(text.substr(at, split), lines);
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_EQ(lines[0].text, row.expected) << row.length << " in pieces of " << split;
        }
    }
}

TEST(HexValue, ReadLikeStrtoulBase16In32Bits) {
    const std::pair<std::string, uint32_t> rows[] = {
        {"A25D", 0xA25D},
        {"  a25d", 0xA25D},
        {"\t\r7F", 0x7F},  // tab to carriage return are blanks too
        {"0XA25D", 0xA25D},
        {"0x5", 0x5},  // the shortest number behind a prefix
        {"FFFFFFFF", 0xFFFFFFFF},
        {"123456789", 0xFFFFFFFF},
        {"-1", 0xFFFFFFFF},
        {"-2", 0xFFFFFFFE},
        {"+10", 0x10},
        {"", 0},
        {"zz", 0},
        {"0x", 0},
        {"0xg", 0},
        {"1A2B C3D4", 0x1A2B},
        {"Address", 0xADD},
        {"-123456789", 0xFFFFFFFF},
        {"00000000FF", 0xFF},
        {"-FFFFFFFF", 0x1},
        {"-80000000", 0x80000000},
    };
    for (const auto& [text, value] : rows) EXPECT_EQ(readHex32(text), value) << text;
}

class KeyCodesFile : public testing::TempFolder {
protected:
    KeyCodeLogger logger() const {
        return KeyCodeLogger([d = dir.string()] { return std::optional<std::string>(d); });
    }
    std::string contents() const { return read(dir / "keycodes.txt"); }
};

// After what the file held: it is only appended to.
TEST_F(KeyCodesFile, EveryValueOnceInTheOrderReceived) {
    { std::ofstream(dir / "keycodes.txt") << "0x2\n"; }
    LineReceiver receiver(logger());
    const char* chunks[] = {"1\t2xCODE:A25DY3x", "CODE:1Y", "NO KEY A999Y",          "Y",
                            "CODE:FFFF",         "FFFFY",   "CODE:7Y9xCODE:8YCODE:", "-1YNO CODEY"};
    for (const char* chunk : chunks) {
        const ChunkResult result = receiver.feed(chunk);
        EXPECT_FALSE(result.logFailure);
    }
    EXPECT_EQ(contents(), "0x2\n0xA25D\n0x1\n0xFFFFFFFF\n0x7\n0x8\n0xFFFFFFFF\n");
}

TEST_F(KeyCodesFile, LinesEndAsTheSystemEndsThem) {
    LineReceiver receiver(logger());
    receiver.feed("CODE:1YCODE:A25DY");
    EXPECT_EQ(read(dir / "keycodes.txt", std::ios::binary), "0x1" + testing::kLineEnd + "0xA25D" + testing::kLineEnd);
}

TEST_F(KeyCodesFile, ValueLineWithNoMonitorLineIsLoggedAndConsumed) {
    LineReceiver receiver(logger());
    IrMonitorLines monitor;
    StatusLines status;
    for (const ReceivedLine& line : receiver.feed("CODE:A25DY12\t34x").lines) {
        if (line.kind == ReceivedLine::Monitor)
            monitor.store(line.text, status);
        else
            EXPECT_FALSE(monitor.showValueLine(line.text, status));
    }
    EXPECT_EQ(monitor.line(1), "12\t34x");  // not "CODE:A25D12\t34x"
    EXPECT_EQ(status.line(1), L"1...");
    EXPECT_EQ(contents(), "0xA25D\n");
}

TEST_F(KeyCodesFile, FailuresAreDescribedForTheWindow) {
    fs::create_directories(dir / "keycodes.txt");  // a folder in the file's place cannot be opened
    const auto failure = logger().append(std::vector<uint32_t>{1});
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message.text, "Error\n Unable to open a stream to the local hard drive for the output file\n" +
                                         (dir / "keycodes.txt").string());
    EXPECT_EQ(failure->message.icon, MessageIcon::Stop);
    EXPECT_EQ(failure->statusLine1, L"Unable to open a stream to the local hard drive for the output file");
}

TEST(KeyCodeLogger, DirectoryLimits) {
    struct Row {
        std::optional<std::string> directory;
        std::string message;
    };
    const Row rows[] = {
        {std::nullopt, "Can't get the CurrentDirectory.\n\n\nCan't continue."},
        {std::string(480, 'd'),
         "Can't get the CurrentDirectory.\n\nThe CurrentDirectory is longer this programs 480 character buffer.\n\n"
         "Can't continue."},
    };
    for (const Row& row : rows) {
        const KeyCodeLogger logger([&] { return row.directory; });
        const auto failure = logger.append(std::vector<uint32_t>{1});
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->message.text, row.message);
        EXPECT_FALSE(failure->statusLine1);
    }
    // Nothing to log reaches no file at all.
    EXPECT_FALSE(KeyCodeLogger([] { return std::optional<std::string>(); }).append({}));
}

TEST(KeyCodeLogger, HexLines) {
    const std::pair<uint32_t, std::string> rows[] = {
        {0, "0x0"}, {0xA25D, "0xA25D"}, {0xFFFFFFFF, "0xFFFFFFFF"}, {0x80000000, "0x80000000"}, {0x10, "0x10"}};
    for (const auto& [value, text] : rows) EXPECT_EQ(hexLine(value), text);
}

}  // namespace
}  // namespace orvalinder
