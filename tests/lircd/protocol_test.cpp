// lircd's replies, word for word as lircd 0.10.1 gives them for the same
// lines (the messages were taken from a running lircd), and the lines cut
// from what clients write.

#include <gtest/gtest.h>

#include "lircd/protocol.h"
#include "tests/lircd/stand_in_target.h"

namespace orvalinder::lircd {
namespace {

using testing::StandInTarget;

std::string answerLine(const std::string& line, Target& target) { return answer({line, false}, target); }

std::string error(const std::string& echo, const std::string& message) {
    return "BEGIN\n" + echo + "\nERROR\nDATA\n1\n" + message + "\nEND\n";
}

std::string success(const std::string& echo) { return "BEGIN\n" + echo + "\nSUCCESS\nEND\n"; }

struct Case {
    std::string line;
    std::string reply;
};

TEST(LircdProtocol, RepliesAsLircdDoes) {
    const Case cases[] = {
        {"VERSION", "BEGIN\nVERSION\nSUCCESS\nDATA\n1\n0.10.1\nEND\n"},
        {"VERSION  ", "BEGIN\nVERSION  \nSUCCESS\nDATA\n1\n0.10.1\nEND\n"},  // irsend's, words after it ignored
        {"version", "BEGIN\nversion\nSUCCESS\nDATA\n1\n0.10.1\nEND\n"},      // in any case
        {"LIST", "BEGIN\nLIST\nSUCCESS\nDATA\n2\ntv\nsky\nEND\n"},
        {"list  ", "BEGIN\nlist  \nSUCCESS\nDATA\n2\ntv\nsky\nEND\n"},
        {"LIST tv ",
         "BEGIN\nLIST tv \nSUCCESS\nDATA\n2\n00000000000010ef KEY_POWER\n00000000000040bf KEY_VOLUMEUP\nEND\n"},
        {"LIST\tsky A101", "BEGIN\nLIST\tsky A101\nSUCCESS\nDATA\n1\n000000000000a101 A101\nEND\n"},
        {"LIST nope", error("LIST nope", "unknown remote: \"nope\"")},
        {"LIST tv NOPE", error("LIST tv NOPE", "unknown command: \"NOPE\"")},
        {"LIST tv KEY_POWER x", error("LIST tv KEY_POWER x", "bad send packet (trailing ws)")},
        {"SEND_ONCE tv KEY_POWER", success("SEND_ONCE tv KEY_POWER")},
        {" send_once  sky\tpower 5 ", success(" send_once  sky\tpower 5 ")},
        {"SEND_ONCE tv KEY_POWER\r", success("SEND_ONCE tv KEY_POWER")},  // CRLF clients
        {"SEND_ONCE tv KEY_POWER +007", success("SEND_ONCE tv KEY_POWER +007")},
        {"SEND_ONCE tv KEY_POWER 600", success("SEND_ONCE tv KEY_POWER 600")},
        {"SEND_ONCE", error("SEND_ONCE", "remote missing")},
        {"SEND_ONCE tv", error("SEND_ONCE tv", "code missing")},
        {"SEND_ONCE nope NOPE 601", error("SEND_ONCE nope NOPE 601", "unknown remote: \"nope\"")},
        {"SEND_ONCE tv NOPE x", error("SEND_ONCE tv NOPE x", "unknown command: \"NOPE\"")},
        {"SEND_ONCE sky POWER", error("SEND_ONCE sky POWER", "unknown command: \"POWER\"")},  // names keep their case
        {"SEND_ONCE tv KEY_POWER 601 x", error("SEND_ONCE tv KEY_POWER 601 x", "too many repeats: \"601\" > \"600\"")},
        {"SEND_ONCE tv KEY_POWER 99999999999999999999",
         error("SEND_ONCE tv KEY_POWER 99999999999999999999", "too many repeats: \"99999999999999999999\" > \"600\"")},
        {"SEND_ONCE tv KEY_POWER -1", error("SEND_ONCE tv KEY_POWER -1", "too many repeats: \"-1\" > \"600\"")},
        {"SEND_ONCE tv KEY_POWER 0x3", error("SEND_ONCE tv KEY_POWER 0x3", "bad send packet (reps/eol)")},
        {"SEND_ONCE tv KEY_POWER -", error("SEND_ONCE tv KEY_POWER -", "bad send packet (reps/eol)")},
        // python's lirc.SendCommand with two keys
        {"SEND_ONCE tv KEY_POWER KEY_VOLUMEUP",
         error("SEND_ONCE tv KEY_POWER KEY_VOLUMEUP", "bad send packet (reps/eol)")},
        {"SEND_ONCE tv KEY_POWER 2 3", error("SEND_ONCE tv KEY_POWER 2 3", "bad send packet (trailing ws)")},
        {"SEND_START tv KEY_POWER 3", error("SEND_START tv KEY_POWER 3", "bad send packet (trailing ws)")},
        {"SEND_START tv", error("SEND_START tv", "code missing")},
        {"send_start tv KEY_POWER", success("send_start tv KEY_POWER")},
        {"SEND_STOP", error("SEND_STOP", "remote missing")},
        {"SEND_STOP nope K x", error("SEND_STOP nope K x", "unknown remote: \"nope\"")},
        {"SEND_STOP tv KEY_POWER", error("SEND_STOP tv KEY_POWER", "not repeating")},
        {"", error("", "bad send packet")},
        {" \t ", error(" \t ", "bad send packet")},
        {"FOO bar", error("FOO bar", "unknown directive: \"FOO\"")},
        {"SET_INPUTLOG /tmp/x", error("SET_INPUTLOG /tmp/x", "unknown directive: \"SET_INPUTLOG\"")},
        {"SIMULATE 0 00 KEY_POWER tv", error("SIMULATE 0 00 KEY_POWER tv", "unknown directive: \"SIMULATE\"")},
        // A NUL, an escape or a lone CR never reaches the client as it came.
        {std::string("LIST\0tv", 7), error("LIST?tv", "bad send packet (control character)")},
        {"\x1b[2JLIST", error("?[2JLIST", "bad send packet (control character)")},
        {"LIST\rtv", error("LIST?tv", "bad send packet (control character)")},
        {"LIST\x1ftv", error("LIST?tv", "bad send packet (control character)")},
        {"LIST \xff\xfe", error("LIST \xff\xfe", "unknown remote: \"\xff\xfe\"")},
    };
    for (const Case& c : cases) {
        StandInTarget target;
        EXPECT_EQ(answerLine(c.line, target), c.reply) << "line: " << c.line;
    }
}

TEST(LircdProtocol, SendsWhatTheLineSaysOnlyWhenItIsWhole) {
    StandInTarget target;
    for (const char* line : {"SEND_ONCE tv KEY_VOLUMEUP", "SEND_ONCE sky A101 3", "SEND_ONCE tv KEY_POWER 2 3",
                             "SEND_ONCE tv KEY_POWER 601", "SEND_START sky power", "SEND_STOP sky power"})
        answerLine(line, target);
    const std::vector<StandInTarget::Sent> expected{{"once", "tv", "KEY_VOLUMEUP", 0},
                                                    {"once", "sky", "A101", 3},
                                                    {"start", "sky", "power", 0},
                                                    {"stop", "sky", "power", 0}};
    EXPECT_EQ(target.sent, expected);
}

// A target's message with a line break stays on its one DATA line.
TEST(LircdProtocol, RefusalOnOneLine) {
    struct Broken : StandInTarget {
        std::optional<std::string> sendOnce(const std::string&, const std::string&, int) override {
            return "port lost\nEND";
        }
    } broken;
    EXPECT_EQ(answerLine("SEND_ONCE tv KEY_POWER", broken), error("SEND_ONCE tv KEY_POWER", "port lost?END"));
}

TEST(LircdProtocol, LinesCutFromWhatClientsWrite) {
    const std::string limit(maxLineBytes, 'x');
    struct Cut {
        std::vector<std::string> chunks;
        std::vector<LineSplitter::Line> lines;
    };
    const Cut cases[] = {
        {{"VERS", "ION\nLI", "ST\n", "SEND"}, {{"VERSION", false}, {"LIST", false}}},
        {{"\n\nA\r\n"}, {{"", false}, {"", false}, {"A\r", false}}},
        {{limit + "\nB\n"}, {{limit, false}, {"B", false}}},
        // Too long: said at once, the rest dropped up to its end, over chunks.
        {{limit + "y"}, {{limit, true}}},
        {{limit, "yy", std::string(5000, 'z'), "z\nLIST\n"}, {{limit, true}, {"LIST", false}}},
        {{limit + "y\n" + limit + "zz\nC\n"}, {{limit, true}, {limit, true}, {"C", false}}},
    };
    for (const Cut& c : cases) {
        LineSplitter splitter;
        std::vector<LineSplitter::Line> lines;
        for (const std::string& chunk : c.chunks) {
            splitter.append(chunk);
            while (std::optional<LineSplitter::Line> line = splitter.next()) lines.push_back(*line);
        }
        ASSERT_EQ(lines.size(), c.lines.size()) << c.chunks.front().substr(0, 20);
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].text, c.lines[i].text) << i;
            EXPECT_EQ(lines[i].tooLong, c.lines[i].tooLong) << i;
        }
    }
    StandInTarget target;
    EXPECT_EQ(answer({limit, true}, target), error(limit, "line too long: over 1024 bytes"));
}

TEST(LircdProtocol, RawKeysAreNumbered) {
    const codes::Remote raw = codes::readLircdConf(R"(
begin remote
  name r
  flags RAW_CODES
  gap 50000
  begin raw_codes
    name A
      9000 4500 560
    name B
      560
  end raw_codes
end remote
)",
                                                   "r.conf")
                                  .front();
    const std::vector<KeyRow> rows = keyRows(raw);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].code + " " + rows[0].name, "0000000000000001 A");
    EXPECT_EQ(rows[1].code + " " + rows[1].name, "0000000000000002 B");
}

}  // namespace
}  // namespace orvalinder::lircd
