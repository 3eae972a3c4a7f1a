#include <gtest/gtest.h>

#include <climits>

#include "view/ir_monitor_lines.h"
#include "view/monitor_bars.h"

namespace orvalinder {
namespace {

struct Values {
    std::string line;
    std::vector<int> values;
};

TEST(MonitorValues, ReadLikeAScanOfTabSeparatedNumbers) {
    const Values rows[] = {
        {"9000\t4500\t560\t1690x", {9000, 4500, 560, 1690}},
        {"120\t250x", {120, 250}},
        {"  7\t\t8 9\r\n10x", {7, 8, 9, 10}},  // any run of white space stands for a tab
        {"12,5\t6", {12}},                     // stops at the first text that is no number
        {"-120\t+60", {-120, 60}},
        {"x", {}},
        {"CODE:A25D", {}},
        {"", {}},
        {"5\t-\t6", {5}},
        {"99999999999\t-99999999999", {INT_MAX, INT_MIN}},  // saturated, as the board may send anything
    };
    for (const Values& row : rows) EXPECT_EQ(readMonitorValues(row.line), row.values) << row.line;

    // At most one hundred.
    std::string line;
    for (int i = 1; i <= 150; ++i) line += std::to_string(i * 60) + "\t";
    const std::vector<int> values = readMonitorValues(line);
    ASSERT_EQ(values.size(), 100u);
    EXPECT_EQ(values.back(), 6000);
}

struct BarRow {
    long long left, right;
    bool orange;
};

TEST(MonitorBars, SixtyMicrosecondsToThePixelFromXTen) {
    const std::vector<Bar> bars = monitorBars(0, "9000\t4500\t560\t1690x");
    const BarRow expected[] = {{10, 160, true}, {160, 235, false}, {235, 244, true}, {244, 272, false}};
    ASSERT_EQ(bars.size(), std::size(expected));
    for (size_t i = 0; i < bars.size(); ++i) {
        EXPECT_EQ(bars[i].left, expected[i].left) << i;
        EXPECT_EQ(bars[i].right, expected[i].right) << i;
        EXPECT_EQ(bars[i].orange, expected[i].orange) << i;
    }
}

TEST(MonitorBars, RowsAndOddValues) {
    struct Row {
        int row;
        std::string line;
        int top, bottom;
        std::vector<long long> rights;
    };
    const Row rows[] = {
        {0, "60", 50, 100, {11}},
        {1, "59\t119", 130, 180, {10, 11}},   // widths truncate toward zero
        {2, "-120\t600", 210, 260, {8, 18}},  // a negative width moves the next bar left
        {3, "-59", 290, 340, {10}},
    };
    for (const Row& r : rows) {
        const std::vector<Bar> bars = monitorBars(r.row, r.line);
        std::vector<long long> rights;
        for (const Bar& b : bars) {
            EXPECT_EQ(b.top, r.top);
            EXPECT_EQ(b.bottom, r.bottom);
            rights.push_back(b.right);
        }
        EXPECT_EQ(rights, r.rights) << r.line;
    }
    EXPECT_TRUE(monitorBars(0, "").empty());
    EXPECT_TRUE(monitorBars(0, "Hello 1 2").empty());
}

TEST(MonitorBars, HugeValuesFromTheWireDoNotWrap) {
    std::string line;
    for (int i = 0; i < 100; ++i) line += (i % 2 ? "-99999999999\t" : "99999999999\t");
    std::string widest;
    for (int i = 0; i < 100; ++i) widest += "2147483647\t";
    const long long step = 2147483647 / 60;
    struct Row {
        std::string line;
        long long lastRight;
    } const rows[] = {{widest, 10 + 100 * step}, {line, 10}};
    for (const Row& r : rows) {
        const std::vector<Bar> bars = monitorBars(0, r.line);
        ASSERT_EQ(bars.size(), 100u);
        EXPECT_EQ(bars.back().right, r.lastRight);
    }
}

TEST(IrMonitorLines, FourLinesToAPageLongOnesCut) {
    IrMonitorLines lines;
    StatusLines status;
    status.say(StatusLine::Connection, L"Connected");
    for (int i = 1; i <= 4; ++i) lines.store(std::to_string(i) + "x", status);
    EXPECT_EQ(lines.line(4), "4x");
    EXPECT_EQ(status.line(2), L"2. Connected");

    lines.store("5x", status);  // the fifth line starts a new page
    EXPECT_EQ(lines.line(1), "5x");
    EXPECT_EQ(lines.line(2), "");
    EXPECT_EQ(lines.line(4), "");
    EXPECT_EQ(status.line(2), L"2...");

    lines.store(std::string(500, '1') + "x", status);  // long lines are cut
    EXPECT_EQ(lines.line(2), std::string(198, '1'));
}

TEST(IrMonitorLines, ValueLineShownBesideTheNewestLine) {
    IrMonitorLines lines;
    StatusLines status;
    EXPECT_FALSE(lines.showValueLine("CODE:A25D", status));
    EXPECT_EQ(status.line(1), L"1...");

    lines.store("120\t250x", status);
    EXPECT_TRUE(lines.showValueLine("CODE:A25D", status));
    EXPECT_EQ(status.line(1), L"1... CODE:A25D");

    lines.store("1x", status);
    lines.store("2x", status);
    EXPECT_TRUE(lines.showValueLine("CODE:\xE9", status));
    EXPECT_EQ(status.line(3), L"3... CODE:\u00E9");
    lines.store("3x", status);
    EXPECT_TRUE(lines.showValueLine("CODE:A25D", status));
    EXPECT_EQ(status.line(4), L"4... CODE:A25D");
}

}  // namespace
}  // namespace orvalinder
