#include <gtest/gtest.h>

#include <sstream>

#include "codes/board_message.h"
#include "codes/capture_log.h"
#include "codes/encoder.h"
#include "codes/lircd_conf.h"
#include "tests/codes/lirc_tools.h"

namespace orvalinder::codes {
namespace {

using std::chrono::milliseconds;

// A press of the code as the board writes it, with the toggle bit as given.
HeardFrame pressOf(Protocol protocol, uint64_t value, bool toggle = true)
{
    Remote remote = protocolRemote(protocol);
    const uint64_t code = remoteCode(Decoded{protocol, value}) | (toggle ? remote.toggleBitMask : 0);
    remote.toggleBitMask = 0;  // sent as written
    return {encode(remote, Key{"K", {code}, {}}).press, 0};
}

const HeardFrame kNecRepeat{{9000, 2250, 560}, 0};

std::vector<std::string> rowsOf(const CaptureLog& log)
{
    std::vector<std::string> rows;
    for (size_t i = 0; i < log.size(); ++i)
        rows.push_back(log.row(i).text + " x" + std::to_string(log.row(i).count));
    return rows;
}

// The log a user makes: presses, a held NEC key, a held Samsung key let go
// and pressed again, an RC5 key pressed twice (its toggle tells), raw frames
// alike and not.
CaptureLog heardLog()
{
    const std::pair<HeardFrame, int> heard[] = {
        {pressOf(Protocol::Nec, 0x20DF10EF), 0},
        {kNecRepeat, 108},
        {{{9200, 2050, 760}, 0}, 216},  // through a receiver that stretches marks
        {pressOf(Protocol::Nec, 0x20DF10EF), 1000},
        {pressOf(Protocol::Samsung32, 0xE0E040BF), 1100},
        {pressOf(Protocol::Samsung32, 0xE0E040BF), 1208},
        {pressOf(Protocol::Samsung32, 0xE0E040BF), 1600},  // more than 250 ms on
        {pressOf(Protocol::Rc5, 0x001, true), 2000},
        {pressOf(Protocol::Rc5, 0x001, false), 2114},
        {{{3000, 1000, 600, 1500, 600}, 0}, 3000},
        {{{3300, 1100, 650, 1600, 560}, 0}, 3100},  // each within 15 %
        {{{3000, 1000, 600, 1500, 800}, 0}, 3200},  // the last 33 % longer
        {kNecRepeat, 3300},                          // after no NEC code
        {kNecRepeat, 3408},
    };
    CaptureLog log;
    for (const auto& [frame, ms] : heard)
        log.add(frame, milliseconds(ms));
    return log;
}

TEST(CaptureLog, AHeldKeysRepeatsFoldIntoItsRow)
{
    const CaptureLog log = heardLog();
    const std::vector<std::string> expected = {
        "raw, 3 durations x2", "raw, 5 durations x1", "raw, 5 durations x2", "RC5:001 x1",
        "RC5:001 x1",          "SAMSUNG:E0E040BF x1", "SAMSUNG:E0E040BF x2", "NEC:20DF10EF x1",
        "NEC:20DF10EF x3"};
    EXPECT_EQ(rowsOf(log), expected);
    const CaptureRow& nec = log.row(log.size() - 1);
    EXPECT_EQ(nec.repeat, kNecRepeat);
    EXPECT_EQ(nec.lastTime, milliseconds(216));
    EXPECT_EQ(carrierOf(nec), 38000u);
    EXPECT_EQ(carrierOf(log.row(0)), 0u);
}

TEST(CaptureLog, KeepsTheLast10000RowsFoundByTheirIds)
{
    CaptureLog log;
    for (int i = 0; i < 25000; ++i)
        log.add({{560, 560, uint32_t(560 + i % 2 * 400)}, 0}, milliseconds(i * 300));
    ASSERT_EQ(log.size(), CaptureLog::kMaxRows);
    EXPECT_EQ(log.row(0).id, 25000u);
    EXPECT_EQ(log.find(15001), &log.row(9999));
    EXPECT_EQ(log.find(15000), nullptr);
    EXPECT_EQ(log.find(25001), nullptr);
}

std::vector<std::string> framesOf(const CaptureLog& log)
{
    std::vector<std::string> rows;
    for (size_t i = 0; i < log.size(); ++i) {
        const CaptureRow& row = log.row(i);
        rows.push_back(row.text + " x" + std::to_string(row.count) + ": " + join(row.frame.durations) + "/ " +
                       join(row.repeat.durations));
    }
    return rows;
}

TEST(CaptureLog, ExportedAsMode2AndOpenedAgainTheSameRows)
{
    const CaptureLog log = heardLog();
    CaptureLog opened;
    std::istringstream text(exportRows(log, CaptureFormat::Mode2));
    opened.addMode2(text, "log.txt", milliseconds(0));
    EXPECT_EQ(framesOf(opened), framesOf(log));

    // Chosen rows, in the order heard whatever the order chosen.
    CaptureLog chosen;
    std::istringstream some(exportRows(log, CaptureFormat::Mode2, {log.row(0).id, log.row(8).id, 999}));
    chosen.addMode2(some, "some.txt", milliseconds(0));
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen.row(0).text + " x" + std::to_string(chosen.row(0).count), "raw, 3 durations x2");
    EXPECT_EQ(chosen.row(1).text + " x" + std::to_string(chosen.row(1).count), "NEC:20DF10EF x3");
}

// LIRC reads the raw remotes as the frames heard (a remote a carrier;
// irsimsend looks in a file's first remote only, so each gets its own file).
TEST(CaptureLog, ExportedRemotesSentByIrsimsendAsHeard)
{
    CaptureLog log;
    log.add(pressOf(Protocol::Nec, 0x20DF10EF), milliseconds(0));
    log.add({{900, 450, 56, 450, 56}, 0}, milliseconds(1000), 36000);
    log.add({{300, 600, 900}, 0}, milliseconds(2000));
    const std::string text = exportRows(log, CaptureFormat::Lircd);
    const size_t second = text.find("\nbegin remote");
    ASSERT_NE(second, std::string::npos) << text;
    const auto folder = lircFolder();
    std::ofstream(folder / "first.conf") << text.substr(0, second);
    std::ofstream(folder / "second.conf") << text.substr(second);
    EXPECT_EQ(readLircdConf(text, "capture.conf")[1].frequency, 36000u);
    const std::tuple<const char*, const char*, size_t> keys[] = {
        {"first.conf", "NEC_20DF10EF", 2}, {"second.conf", "RAW", 1}, {"first.conf", "RAW_2", 0}};
    for (const auto& [file, name, index] : keys) {
        std::vector<uint32_t> sent = irsimsend((folder / file).string(), name, 1);
        ASSERT_FALSE(sent.empty()) << name;
        sent.pop_back();  // the gap
        EXPECT_EQ(sent, log.row(index).frame.durations) << name;
    }
    std::filesystem::remove_all(folder);
}

TEST(CaptureLog, RowsCopiedAndExportedAsCodes)
{
    CaptureLog log;
    log.add({{100, 200, 300}, 0}, milliseconds(250), 36000);
    log.add({{9000, 4500, 560, 96000}, 0}, milliseconds(1500));  // its silence last
    EXPECT_EQ(exportRows(log, CaptureFormat::Csv),
              "time,text,count,carrier,durations\n"
              "0.250,\"raw, 3 durations\",1,36000,100 200 300\n"
              "1.500,\"raw, 3 durations\",1,,9000 4500 560\n");
    EXPECT_EQ(homeAssistantJson(log.row(0)),
              "{\"timings\":[9000,-4500,560,-96000],\"modulation\":38000,\"repeat_count\":0}");
    EXPECT_EQ(homeAssistantJson(log.row(1)),
              "{\"timings\":[100,-200,300,-40000],\"modulation\":36000,\"repeat_count\":0}");

    // A held NEC key: its press once, then its repeat frame again and again.
    CaptureLog nec;
    nec.add(pressOf(Protocol::Nec, 0x20DF10EF), milliseconds(0));
    nec.add(kNecRepeat, milliseconds(108));
    EXPECT_EQ(prontoOf(nec.row(0)).substr(0, 19), "0000 006D 0022 0002");

    // Sent again: its code when it decoded, else the frame as heard.
    const auto press = [](const CaptureRow& row) {
        const RowKey key = keyOf(row, "K");
        return boardMessages(key.remote, key.key).press;
    };
    EXPECT_EQ(press(nec.row(0)), "!SNEC:20DF10EF\n");
    EXPECT_EQ(press(log.row(1)), "!SRAW 36000:100 200 300 40000\n");
    EXPECT_EQ(press(log.row(0)), "!SRAW 38000:9000 4500 560 96000\n");
}

TEST(CaptureLog, TwoFramesCompared)
{
    struct Row {
        HeardFrame a, b;
        std::vector<std::string> bits;
    };
    const Row rows[] = {
        {pressOf(Protocol::Panasonic, 0x40040100BCBD), pressOf(Protocol::Panasonic, 0x40040100BCBC),
         {"bits 40\u201347: 0xBD vs 0xBC"}},
        {pressOf(Protocol::Nec, 0x20DF10EF), pressOf(Protocol::Nec, 0x20DF11EE),
         {"bits 16\u201323: 0x10 vs 0x11", "bits 24\u201331: 0xEF vs 0xEE"}},
        {pressOf(Protocol::Sirc12, 0xA90), pressOf(Protocol::Sirc12, 0xA91), {"bits 8\u201311: 0x0 vs 0x1"}},
        {pressOf(Protocol::Nec, 0x20DF10EF), pressOf(Protocol::Samsung32, 0x20DF10EF), {}},
    };
    for (const Row& row : rows) {
        CaptureLog log;
        log.add(row.a, milliseconds(0));
        log.add(row.b, milliseconds(1000));
        EXPECT_EQ(compareRows(log.row(1), log.row(0)).differingBits, row.bits) << log.row(0).text;
    }
    // Durations: more than 15 % apart, or in one frame only.
    CaptureLog log;
    log.add({{1000, 560, 1150, 600, 560}, 0}, milliseconds(0));
    log.add({{1000, 650, 1000, 600, 560, 560, 560}, 0}, milliseconds(1000));
    EXPECT_EQ(compareRows(log.row(1), log.row(0)).differingDurations, (std::vector<size_t>{1, 5, 6}));
}

}  // namespace
}  // namespace orvalinder::codes
