#include <gtest/gtest.h>

#include <locale>

#include "tools/button_recorder.h"

namespace orvalinder {
namespace {

TEST(ButtonRecorder, WorkedExample) {
    const PictureGeometry g = PictureGeometry::measured(250, 861, 700);
    const auto click = recordClick(g, 450, 100);
    ASSERT_TRUE(click);
    EXPECT_EQ(click->line, "0.246000, 0.142857, 61.500000, 123.000000\n");
    EXPECT_EQ(click->status1, L"1. Pixel x 61 y 123");
    EXPECT_EQ(click->status2, L"1. Percent x 0.246000 y 0.142857");
}

// The decimal comma of a German or French locale.
struct DecimalComma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(ButtonRecorder, AlwaysAFullStop) {
    // The user's locale may use a decimal comma; the file never does.
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new DecimalComma));
    const std::string text = fixedSix(99.9f);
    std::locale::global(previous);
    EXPECT_EQ(text, "99.900002");
}

TEST(ButtonRecorder, OnlyClicksOnThePicture) {
    const PictureGeometry g = PictureGeometry::measured(250, 861, 861);
    const std::pair<int, int> outside[] = {{400, 100}, {650, 100}, {500, 0}, {500, 861}};
    for (const auto& [x, y] : outside) EXPECT_FALSE(recordClick(g, x, y)) << x << "," << y;
    EXPECT_TRUE(recordClick(g, 401, 1));
    EXPECT_TRUE(recordClick(g, 649, 860));
    EXPECT_FALSE(recordClick(PictureGeometry{}, 500, 100));  // nothing painted yet
}

TEST(ButtonRecorder, StopSquare) {
    const std::tuple<int, int, bool> rows[] = {
        {21, 21, true},  {147, 145, true}, {20, 100, false},
        {148, 100, false}, {100, 20, false}, {100, 146, false},
    };
    for (const auto& [x, y, stops] : rows) EXPECT_EQ(isStopClick(x, y), stops) << x << "," << y;
}

}  // namespace
}  // namespace orvalinder
