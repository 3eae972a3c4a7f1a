#include <gtest/gtest.h>

#include "codes/board_message.h"
#include "codes/capture_log.h"
#include "codes/encoder.h"
#include "codes/lircd_conf.h"
#include "tests/codes/lirc_tools.h"
#include "tests/codes/sent_frames.h"

namespace orvalinder::codes {
namespace {

using std::chrono::milliseconds;

// A press of the code as the board writes it, with its toggle bit as given.
HeardFrame pressOf(Protocol protocol, uint64_t value, bool toggle = true) {
    return {testing::sentFrame(protocol, remoteCode(Decoded{protocol, value}), toggle), 0};
}

const HeardFrame kNecRepeat{{9000, 2250, 560}, 0};

// Newest first: "NEC:20DF10EF x3", with the frames and when the first and
// the last came, in milliseconds, when asked.
std::vector<std::string> rowsOf(const CaptureLog& log, bool frames = false) {
    std::vector<std::string> rows;
    auto ms = [](std::chrono::microseconds t) { return std::to_string((t.count() + 500) / 1000); };
    for (size_t i = 0; i < log.size(); ++i) {
        const CaptureRow& row = log.row(i);
        rows.push_back(row.text + " x" + std::to_string(row.count) +
                       (frames ? ": " + join(row.frame.durations) + "/ " + join(row.repeat.durations) + " at " +
                                     ms(row.time) + " to " + ms(row.lastTime)
                               : ""));
    }
    return rows;
}

// Presses, a held NEC key, a held Samsung key let go and pressed again, an
// RC5 key pressed twice, raw frames alike and not.
TEST(CaptureLog, AHeldKeysRepeatsFoldIntoItsRow) {
    const std::pair<HeardFrame, int> heard[] = {
        {pressOf(Protocol::Nec, 0x20DF10EF), 0},
        {kNecRepeat, 108},
        {{{9200, 2050, 760}, 0}, 216},  // stretched
        {pressOf(Protocol::Nec, 0x20DF10EF), 1000},
        {pressOf(Protocol::Samsung32, 0xE0E040BF), 1100},
        {pressOf(Protocol::Samsung32, 0xE0E040BF), 1208},
        {pressOf(Protocol::Samsung32, 0xE0E040BF), 1458},  // 250 ms on: still held
        {pressOf(Protocol::Samsung32, 0xE0E040BF), 1709},  // 251 ms on: pressed again
        {pressOf(Protocol::Rc5, 0x001, true), 2000},
        {pressOf(Protocol::Rc5, 0x001, false), 2114},  // the other toggle
        {{{3000, 1000, 600, 1500, 600}, 0}, 3000},
        {{{3300, 1100, 650, 1600, 560}, 0}, 3100},  // each within 15 %
        {{{3000, 1000, 600, 1500, 800}, 0}, 3200},  // the last 33 % longer
        {kNecRepeat, 3300},                         // after no NEC code
        {kNecRepeat, 3408},
        {{{560}, 0}, 3500},
    };
    CaptureLog log;
    for (const auto& [frame, ms] : heard) log.add(frame, milliseconds(ms));
    EXPECT_EQ(rowsOf(log),
              (std::vector<std::string>{"raw, 1 duration x1", "raw, 3 durations x2", "raw, 5 durations x1",
                                        "raw, 5 durations x2", "RC5:001 x1", "RC5:001 x1", "SAMSUNG:E0E040BF x1",
                                        "SAMSUNG:E0E040BF x3", "NEC:20DF10EF x1", "NEC:20DF10EF x3"}));

    // Exported as mode2 and opened again: the same rows.
    CaptureLog opened;
    std::istringstream all(exportRows(log, CaptureFormat::Mode2));
    opened.addMode2(all, "log.txt", milliseconds(0));
    EXPECT_EQ(rowsOf(opened, true), rowsOf(log, true));
    // Frames closer than a frame's end are kept apart; a silence longer than
    // LIRC's longest duration is cut to it.
    CaptureLog edges;
    edges.add({{560, 560, 560}, 0}, milliseconds(0));
    edges.add({{900, 900, 900}, 0}, milliseconds(2));
    edges.add({{560, 560, 560}, 0}, milliseconds(20002));
    const std::string mode2 = exportRows(edges, CaptureFormat::Mode2);
    EXPECT_NE(mode2.find("space 10001\n"), std::string::npos) << mode2;
    EXPECT_NE(mode2.find("space 16777215\n"), std::string::npos) << mode2;
}

// NEC's repeat frame as a receiver may stretch it: its leader within a
// quarter of 11,250 µs, its mark more than twice its space, a short last mark.
TEST(CaptureLog, NecRepeatFramesToTheEdge) {
    const struct {
        std::vector<uint32_t> durations;
        bool folds;
    } rows[] = {
        {{6750, 1688, 560}, true},
        {{6748, 1688, 560}, false},  // 8,438 µs: three quarters, and less
        {{11250, 2812, 560}, true},
        {{11252, 2812, 560}, false},  // 14,062 µs: five quarters, and more
        {{7502, 3750, 560}, true},
        {{7500, 3750, 560}, false},  // the mark twice the space
        {{9000, 2250, 1119}, true},
        {{9000, 2250, 1120}, false},           // the last mark twice NEC's
        {{9000, 2250, 560, 560, 560}, false},  // more than the leader and a mark
    };
    for (const auto& row : rows) {
        CaptureLog log;
        log.add(pressOf(Protocol::Nec, 0x20DF10EF), milliseconds(0));
        log.add({row.durations, 0}, milliseconds(108));
        EXPECT_EQ(log.size(), row.folds ? 1u : 2u) << join(row.durations);
    }
}

TEST(CaptureLog, KeepsTheLast10000RowsFoundByTheirIds) {
    CaptureLog log;
    for (int i = 0; i < 25000; ++i) log.add({{560, 560, uint32_t(560 + i % 2 * 400)}, 0}, milliseconds(i * 300));
    ASSERT_EQ(log.size(), CaptureLog::kMaxRows);
    EXPECT_EQ(log.row(0).id, 25000u);
    EXPECT_EQ(log.find(15001), &log.row(9999));
    EXPECT_EQ(log.find(15000), nullptr);
}

TEST(CaptureLog, RowsCopiedSentAndExportedAsCodes) {
    CaptureLog log;
    log.add(HeardFrame{{100, 200, 300}}, milliseconds(250), 36000);  // its silence not known
    log.add({{9000, 4500, 560, 96000}, 0}, milliseconds(1500));      // its silence last
    log.add(pressOf(Protocol::Nec, 0x20DF10EF), milliseconds(3000));
    log.add(kNecRepeat, milliseconds(3108));
    EXPECT_EQ(exportRows(log, CaptureFormat::Csv, {2, 99, 1, 2}),  // those chosen, in the order heard, once
              "time,text,count,carrier,durations\n0.250,\"raw, 3 durations\",1,36000,100 200 300\n"
              "1.500,\"raw, 3 durations\",1,,9000 4500 560\n");
    EXPECT_EQ(homeAssistantJson(*log.find(2)),
              "{\"timings\":[9000,-4500,560,-96000],\"modulation\":38000,\"repeat_count\":0}");
    // A silence of up to 200 ms is the code's own; a longer one is a pause.
    for (const auto& [silence, gap] : {std::pair{200000u, "-200000]"}, {200001u, "-40000]"}}) {
        CaptureLog paused;
        paused.add({{9000, 4500, 560, silence}, 0}, milliseconds(0));
        EXPECT_TRUE(homeAssistantJson(paused.row(0)).find(gap) != std::string::npos) << silence;
    }
    // NEC's press once, then its repeat frame again and again.
    EXPECT_EQ(prontoOf(*log.find(3)).substr(0, 19), "0000 006D 0022 0002");

    // Sent again as its code, else as heard; irsimsend sends the lircd.conf's
    // keys as heard (from a file's first remote only: a file each).
    const std::tuple<uint64_t, const char*, const char*> keys[] = {{3, "NEC_20DF10EF", "!SNEC:20DF10EF\n"},
                                                                   {1, "RAW", "!SRAW 36000:100 200 300 40000\n"},
                                                                   {2, "RAW_2", "!SRAW 38000:9000 4500 560 96000\n"}};
    const std::vector<Remote> remotes = readLircdConf(exportRows(log, CaptureFormat::Lircd), "capture.conf");
    const auto folder = lircFolder();
    for (const auto& [id, name, press] : keys) {
        const RowKey key = keyOf(*log.find(id), name);
        EXPECT_EQ(boardMessages(key.remote, key.key).press, press);
        const Remote* remote = findKey(remotes, name).first;
        EXPECT_EQ(remote->frequency, id == 1 ? 36000u : 38000u) << name;
        std::ofstream(folder / "capture.conf") << writeLircdConf({*remote});
        std::vector<uint32_t> sent = irsimsend((folder / "capture.conf").string(), name, 1);
        ASSERT_FALSE(sent.empty()) << name;
        sent.pop_back();  // the gap
        EXPECT_EQ(sent, log.find(id)->frame.durations) << name;
    }
    std::filesystem::remove_all(folder);
}

TEST(CaptureLog, TwoFramesCompared) {
    const std::tuple<Protocol, uint64_t, Protocol, uint64_t, std::vector<std::string>> rows[] = {
        {Protocol::Panasonic, 0x40040100BCBD, Protocol::Panasonic, 0x40040100BCBC, {"bits 40\u201347: 0xBD vs 0xBC"}},
        {Protocol::Nec,
         0x20DF10EF,
         Protocol::Nec,
         0x20DF11EE,
         {"bits 16\u201323: 0x10 vs 0x11", "bits 24\u201331: 0xEF vs 0xEE"}},
        {Protocol::Sirc12, 0xA90, Protocol::Sirc12, 0xA91, {"bits 8\u201311: 0x0 vs 0x1"}},
        {Protocol::Sirc15, 0x54E9, Protocol::Sirc15, 0x54E8, {"bits 8\u201314: 0x69 vs 0x68"}},
        {Protocol::Sirc20, 0xA8B41, Protocol::Sirc20, 0xA8B40, {"bits 16\u201319: 0x1 vs 0x0"}},
        {Protocol::Rc6, 0x800C, Protocol::Rc6, 0x800D, {"bits 8\u201315: 0x0C vs 0x0D"}},
        {Protocol::Nec, 0x20DF10EF, Protocol::Samsung32, 0x20DF10EF, {}},
    };
    for (const auto& [protocolA, a, protocolB, b, bits] : rows) {
        CaptureLog log;
        log.add(pressOf(protocolA, a), milliseconds(0));
        log.add(pressOf(protocolB, b), milliseconds(1000));
        EXPECT_EQ(compareRows(log.row(1), log.row(0)).differingBits, bits) << log.row(0).text;
    }
    // Durations more than 15 % apart, or in one frame only.
    CaptureLog log;
    log.add({{1000, 560, 1150, 600, 560}, 0}, milliseconds(0));
    log.add({{1000, 650, 1000, 691, 560, 560, 560}, 0}, milliseconds(1000));
    EXPECT_EQ(compareRows(log.row(1), log.row(0)).differingDurations, (std::vector<size_t>{1, 3, 5, 6}));
}

}  // namespace
}  // namespace orvalinder::codes
