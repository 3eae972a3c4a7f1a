#include <gtest/gtest.h>

#include <cmath>

#include "core/picture_geometry.h"
#include "view/view_state.h"

namespace orvalinder {
namespace {

struct DrawnSize {
    RemoteKind kind;
    int clientHeight;
    int width;
    int height;
};

TEST(PictureGeometry, DrawnSizeTruncatesTheSinglePrecisionProducts) {
    const DrawnSize rows[] = {
        {Panasonic, 861, 250, 861},
        {Panasonic, 430, 124, 430},
        {Panasonic, 500, 145, 499},  // 861 * (500 / 861) falls just below 500
        {SkyTv, 800, 287, 800},
        {Technika, 1080, 285, 1080},
    };
    for (const DrawnSize& row : rows) {
        ViewState state;
        state.select(row.kind);
        ASSERT_TRUE(state.measurePicture(row.clientHeight));
        EXPECT_EQ(state.geometry.drawnWidth(), row.width) << row.kind << " at " << row.clientHeight;
        EXPECT_EQ(state.geometry.drawnHeight(), row.height) << row.kind << " at " << row.clientHeight;
    }
}

TEST(PictureGeometry, ScaleIsAFloatDivision) {
    EXPECT_NEAR(PictureGeometry::measured(250, 861, 430).scale, 0.499419, 5e-7);
    EXPECT_NEAR(PictureGeometry::measured(250, 861, 500).scale, 0.580720, 5e-7);
}

struct Hit {
    RemoteKind kind;
    int clientHeight;  // 0: nothing painted yet
    int x;
    int y;
    std::vector<int> hits;
};

TEST(HitTest, FindsEveryAreaUnderTheClick) {
    const Hit rows[] = {
        {Panasonic, 861, 526, 60, {1, 2}},       // the overlap of areas 1 and 2
        {Panasonic, 861, 455, 60, {0}},
        {SkySky, 800, 477, 84, {0}},
        {SkyTv, 800, 477, 84, {0}},
        {Technika, 1427, 692, 1127, {45}},
        {Panasonic, 861, 430, 20, {}},            // on the picture, on no button
        {Panasonic, 0, 526, 60, {}},              // before the first paint
        {Panasonic, 861, 400, 60, {}},            // x on the picture's left edge
        {Panasonic, 861, 650, 60, {}},            // x at its right edge
        {Panasonic, 861, 526, 0, {}},             // y = 0
        {Panasonic, 861, 526, 861, {}},           // y at the client's bottom
        {Panasonic, 430, 463, 30, {1, 2}},        // the same overlap at half size
    };
    for (const Hit& row : rows) {
        ViewState state;
        state.select(row.kind);
        if (row.clientHeight > 0) state.measurePicture(row.clientHeight);
        EXPECT_EQ(hitTest(row.kind, state.geometry, row.x, row.y), row.hits)
            << row.kind << " at " << row.x << "," << row.y;
    }
}

TEST(HitTest, NothingOnTheIrMonitor) {
    ViewState state;
    state.measurePicture(861);
    EXPECT_TRUE(hitTest(IrMonitor, state.geometry, 526, 60).empty());
}

TEST(HitTest, EdgesAreOutside) {
    const float shared = 0.683484f;  // right of Panasonic area 2, left of area 3
    EXPECT_TRUE(areasAt(Panasonic, shared, 0.06f).empty());
    EXPECT_EQ(areasAt(Panasonic, std::nextafter(shared, 0.0f), 0.06f), std::vector<int>{2});
    EXPECT_EQ(areasAt(Panasonic, std::nextafter(shared, 1.0f), 0.06f), std::vector<int>{3});
    EXPECT_TRUE(areasAt(Panasonic, 0.2f, 0.045204f).empty());  // top edge of area 0
}

struct Key {
    RemoteKind kind;
    int index;
    std::optional<std::string> code;
};

TEST(KeyCode, LetterOfTheRemoteAndIndexPlus100) {
    const Key rows[] = {
        {Panasonic, 1, "A101"}, {SkySky, 0, "B100"},  {SkyTv, 0, "C100"},     {Technika, 45, "D145"},
        {Panasonic, 53, "A153"}, {Panasonic, 54, {}}, {SkyTv, 41, {}},        {IrMonitor, 0, {}},
    };
    for (const Key& row : rows) {
        const auto key = keyCodeFor(row.kind, row.index);
        const std::optional<std::string> text =
            key ? std::optional(std::string(1, key->letter) + std::to_string(key->number)) : std::nullopt;
        EXPECT_EQ(text, row.code) << row.kind << " " << row.index;
    }
}

TEST(Selection, ChangesWhatIsShownAndNothingElse) {
    ViewState state;
    state.status.line(1) = L"1. Connect";
    state.connected = true;
    state.recording = true;
    state.measurePicture(700);
    const PictureGeometry before = state.geometry;
    state.monitorLines.store("120\t250x", state.status);

    EXPECT_EQ(state.select(Technika), "Remote Technika Freeview");
    EXPECT_EQ(state.status.line(1), L"1. Connect");
    EXPECT_TRUE(state.connected);
    EXPECT_TRUE(state.recording);
    EXPECT_EQ(state.geometry.scale, before.scale);
    EXPECT_FALSE(state.monitorLines.empty());

    EXPECT_EQ(state.select(IrMonitor), "IR Monitor");
    EXPECT_TRUE(state.monitorLines.empty());
    EXPECT_FALSE(state.measurePicture(500));  // the IR Monitor keeps the last geometry
    EXPECT_EQ(state.geometry.width, 250);

    EXPECT_EQ(state.select(SkySky), "Remote Sky (Sky)");
    EXPECT_EQ(state.select(static_cast<RemoteKind>(7)), "Remote Sky (Sky)");  // unknown: unchanged
}

TEST(AreaRect, DrawnWhereTheHitTestLooks) {
    const PictureGeometry g = PictureGeometry::measured(250, 861, 861);
    const AreaRect r = areaRect(clickAreas(Panasonic)[0], g);
    EXPECT_EQ(r.left, 425);   // 0.102523 * 250 + 400
    EXPECT_EQ(r.top, 38);     // 0.045204 * 861
    EXPECT_EQ(r.right, 478);
    EXPECT_EQ(r.bottom, 85);
}

}  // namespace
}  // namespace orvalinder
