#include <gtest/gtest.h>

#include <locale>

#include "core/view_layout.h"
#include "tools/button_recorder.h"

namespace orvalinder {
namespace {

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

// A worked example, and only clicks on the picture are recorded.
TEST(ButtonRecorder, ClicksOnThePicture) {
    constexpr int left = layout::PictureXOffset;
    const auto click = recordClick(PictureGeometry::measured(250, 861, 700), left + 50, 100);
    ASSERT_TRUE(click);
    EXPECT_EQ(click->line, "0.246000, 0.142857, 61.500000, 123.000000\n");
    EXPECT_EQ(click->status1, L"1. Pixel x 61 y 123");
    EXPECT_EQ(click->status2, L"1. Percent x 0.246000 y 0.142857");

    const PictureGeometry g = PictureGeometry::measured(250, 861, 861);
    const std::pair<int, int> outside[] = {{left, 100}, {left + 250, 100}, {left + 100, 0}, {left + 100, 861}};
    for (const auto& [x, y] : outside) EXPECT_FALSE(recordClick(g, x, y)) << x << "," << y;
    EXPECT_TRUE(recordClick(g, left + 1, 1));
    EXPECT_TRUE(recordClick(g, left + 249, 860));
    EXPECT_FALSE(recordClick(PictureGeometry{}, left + 100, 100));  // nothing painted yet
}

// Both corners stop; a pixel past any edge does not.
TEST(ButtonRecorder, StopSquare) {
    const layout::ClickSquare& s = layout::StopSquare;
    const int middleX = (s.left + s.right) / 2, middleY = (s.top + s.bottom) / 2;
    const std::tuple<int, int, bool> rows[] = {
        {s.left, s.top, true},         {s.right, s.bottom, true},   {s.left - 1, middleY, false},
        {s.right + 1, middleY, false}, {middleX, s.top - 1, false}, {middleX, s.bottom + 1, false},
    };
    for (const auto& [x, y, stops] : rows) EXPECT_EQ(isStopClick(x, y), stops) << x << "," << y;
}

}  // namespace
}  // namespace orvalinder
