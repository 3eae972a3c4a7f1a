#include <gtest/gtest.h>

#include <cmath>

#include "core/picture_geometry.h"
#include "core/view_layout.h"
#include "tests/core/published_click_areas.h"
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
        {Panasonic, 861, 250, 861}, {Panasonic, 430, 124, 430},
        {Panasonic, 500, 145, 499},  // 861 * (500 / 861) falls just below 500
        {SkyTv, 800, 287, 800},     {Technika, 1080, 285, 1080},
    };
    for (const DrawnSize& row : rows) {
        ViewState state;
        state.select(row.kind);
        ASSERT_TRUE(state.measurePicture(row.clientHeight));
        EXPECT_EQ(state.geometry.drawnWidth(), row.width) << row.kind << " at " << row.clientHeight;
        EXPECT_EQ(state.geometry.drawnHeight(), row.height) << row.kind << " at " << row.clientHeight;
    }
    // The scale is a float division.
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
    constexpr int left = layout::PictureXOffset;
    const Hit rows[] = {
        {Panasonic, 861, left + 126, 60, {1, 2}},  // the overlap of areas 1 and 2
        {Panasonic, 861, left + 55, 60, {0}},     {SkySky, 800, left + 77, 84, {0}},   {SkyTv, 800, left + 77, 84, {0}},
        {Technika, 1427, left + 292, 1127, {45}}, {Panasonic, 861, left + 30, 20, {}},  // on the picture, on no button
        {Panasonic, 0, left + 126, 60, {}},                                             // before the first paint
        {Panasonic, 430, left + 63, 30, {1, 2}},                                        // the same overlap at half size
    };
    for (const Hit& row : rows) {
        ViewState state;
        state.select(row.kind);
        if (row.clientHeight > 0) state.measurePicture(row.clientHeight);
        EXPECT_EQ(hitTest(row.kind, state.geometry, row.x, row.y), row.hits)
            << row.kind << " at " << row.x << "," << row.y;
    }
}

// The published rule, kept apart from the program's: every area with
// left < fx < right and top < fy < bottom, in single precision.
std::vector<int> publishedHits(const std::vector<ClickArea>& areas, float fx, float fy) {
    std::vector<int> hits;
    for (size_t i = 0; i < areas.size(); ++i)
        if (areas[i].left < fx && fx < areas[i].right && areas[i].top < fy && fy < areas[i].bottom)
            hits.push_back(static_cast<int>(i));
    return hits;
}

struct PublishedPicture {
    RemoteKind kind;
    char letter;
    int width, height;
};
constexpr PublishedPicture kPublishedPictures[] = {
    {Panasonic, 'A', 250, 861}, {SkySky, 'B', 287, 800}, {SkyTv, 'C', 287, 800}, {Technika, 'D', 377, 1427}};

// A few hundred points on each picture: a grid, and the pixels either side of
// every area's edges. The published geometry: the picture's left edge at
// x = left, scaled by s = client height / picture height; a point on it (x
// greater than left and below left + W * s, y above 0 and below the client's
// bottom) lies at fractions (x - left) / (W * s) and y / (H * s), all in
// single precision.
TEST(HitTest, AnswersAsThePublishedAreasAtSampledPointsAndEdges) {
    constexpr int left = layout::PictureXOffset;
    for (const PublishedPicture& p : kPublishedPictures) {
        const std::vector<ClickArea> areas = testing::publishedClickAreas(p.letter);
        ASSERT_FALSE(areas.empty()) << p.letter;
        ASSERT_EQ(clickAreas(p.kind).size(), areas.size()) << p.letter;
        for (const int clientHeight : {p.height, 700}) {
            ViewState state;
            state.select(p.kind);
            state.measurePicture(clientHeight);
            const float s = static_cast<float>(clientHeight) / static_cast<float>(p.height);
            const float drawnWidth = static_cast<float>(p.width) * s, drawnHeight = static_cast<float>(p.height) * s;
            const auto expected = [&](int x, int y) {
                if (x <= left || static_cast<float>(x) >= static_cast<float>(left) + drawnWidth || y <= 0 ||
                    y >= clientHeight)
                    return std::vector<int>{};
                return publishedHits(areas, static_cast<float>(x - left) / drawnWidth,
                                     static_cast<float>(y) / drawnHeight);
            };
            std::vector<std::pair<int, int>> points;
            for (int i = 0; i < 20; ++i)
                for (int j = 0; j < 30; ++j)
                    points.emplace_back(left + 1 + i * static_cast<int>(drawnWidth) / 20, 1 + j * clientHeight / 30);
            for (const ClickArea& a : areas) {
                const int areaLeft = left + static_cast<int>(a.left * drawnWidth);
                const int areaRight = left + static_cast<int>(a.right * drawnWidth);
                const int top = static_cast<int>(a.top * drawnHeight);
                const int bottom = static_cast<int>(a.bottom * drawnHeight);
                for (int d : {0, 1}) {
                    points.emplace_back(areaLeft + d, (top + bottom) / 2);
                    points.emplace_back(areaRight + d, (top + bottom) / 2);
                    points.emplace_back((areaLeft + areaRight) / 2, top + d);
                    points.emplace_back((areaLeft + areaRight) / 2, bottom + d);
                }
            }
            int hits = 0;
            for (const auto& [x, y] : points) {
                const std::vector<int> answer = hitTest(p.kind, state.geometry, x, y);
                EXPECT_EQ(answer, expected(x, y)) << p.letter << " at " << clientHeight << ": " << x << "," << y;
                hits += !answer.empty();
            }
            EXPECT_GT(hits, static_cast<int>(points.size()) / 4) << "too few points on buttons";
        }
        // One ulp either side of every edge, and on it: the tables hold the
        // very values published.
        for (const ClickArea& a : areas) {
            const float midX = (a.left + a.right) / 2, midY = (a.top + a.bottom) / 2;
            for (const float edge : {a.left, a.right})
                for (const float fx : {std::nextafter(edge, 0.0f), edge, std::nextafter(edge, 1.0f)})
                    EXPECT_EQ(areasAt(p.kind, fx, midY), publishedHits(areas, fx, midY)) << p.letter << " x " << fx;
            for (const float edge : {a.top, a.bottom})
                for (const float fy : {std::nextafter(edge, 0.0f), edge, std::nextafter(edge, 1.0f)})
                    EXPECT_EQ(areasAt(p.kind, midX, fy), publishedHits(areas, midX, fy)) << p.letter << " y " << fy;
        }
    }
}

struct Key {
    RemoteKind kind;
    int index;
    std::optional<std::string> code;
};

TEST(KeyCode, LetterOfTheRemoteAndIndexPlus100) {
    const Key rows[] = {
        {Panasonic, 1, "A101"},  {SkySky, 0, "B100"}, {SkyTv, 0, "C100"}, {Technika, 45, "D145"},
        {Panasonic, 53, "A153"}, {Panasonic, 54, {}}, {SkyTv, 41, {}},    {IrMonitor, 0, {}},
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
    state.recording = true;
    state.measurePicture(700);
    const PictureGeometry before = state.geometry;
    StatusLines status;
    state.monitorLines.store("120\t250x", status);

    EXPECT_EQ(state.select(Technika), "Remote Technika Freeview");
    EXPECT_TRUE(state.recording);
    EXPECT_EQ(state.geometry.scale, before.scale);
    EXPECT_FALSE(state.monitorLines.empty());

    EXPECT_EQ(state.select(IrMonitor), "IR Monitor");
    EXPECT_EQ(state.picture, Technika);  // the picture last shown, whose buttons keys are saved for
    EXPECT_TRUE(state.monitorLines.empty());
    EXPECT_FALSE(state.measurePicture(500));  // the IR Monitor keeps the last geometry
    EXPECT_EQ(state.geometry.width, 250);

    EXPECT_EQ(state.select(SkySky), "Remote Sky (Sky)");
    EXPECT_EQ(state.select(static_cast<RemoteKind>(7)), "Remote Sky (Sky)");  // unknown: unchanged
}

TEST(AreaRect, DrawnWhereTheHitTestLooks) {
    const PictureGeometry g = PictureGeometry::measured(250, 861, 861);
    const AreaRect r = areaRect(clickAreas(Panasonic)[0], g);
    EXPECT_EQ(r.left, layout::PictureXOffset + 25);  // 0.102523 * 250
    EXPECT_EQ(r.top, 38);                            // 0.045204 * 861
    EXPECT_EQ(r.right, layout::PictureXOffset + 78);
    EXPECT_EQ(r.bottom, 85);
}

}  // namespace
}  // namespace orvalinder
