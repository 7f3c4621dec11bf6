#include <gtest/gtest.h>

#include <vector>

#include "effects/PointList.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {
std::vector<uint8_t> FileBytes(const std::string& folder, const char* name) {
    std::vector<uint8_t> b;
    LFile::ReadAll(JoinPath(folder, name).c_str(), b);
    return b;
}

void WriteBytes(const std::string& folder, const char* name, const std::vector<uint8_t>& b) {
    ASSERT_TRUE(LFile::WriteAll(JoinPath(folder, name).c_str(), b.data(), b.size()));
}

std::vector<uint8_t> Flat() { return {2, 0, 128, 255, 128}; }

std::vector<std::pair<int, int>> Points(const PointList& l) {
    std::vector<std::pair<int, int>> v;
    for (int i = 0; i < l.nPoints; ++i) v.emplace_back(l.points[i].x, l.points[i].y);
    return v;
}

PointList MakeList(std::initializer_list<LCurvePoint> pts) {
    PointList l;
    l.Set(pts);
    return l;
}
}  // namespace

TEST(PointList, ValidateCapsTheCountAndMakesXNonDecreasing) {
    PointList l = MakeList({{0, 10}, {50, 20}, {40, 30}, {30, 40}, {200, 50}, {100, 60}, {255, 70}});
    l.Validate();
    EXPECT_EQ(Points(l), (std::vector<std::pair<int, int>>{
                             {0, 10}, {50, 20}, {50, 30}, {50, 40}, {200, 50}, {200, 60}, {255, 70}}));

    PointList big{};
    big.nPoints = 200;
    big.Validate();
    EXPECT_EQ(big.nPoints, 64);
}

TEST(PointList, SaveLoadRoundTripAndFileImage) {
    std::string dir = ScratchDir("curve");
    PointList l = MakeList({{0, 128}, {30, 255}, {31, 0}, {200, 64}, {255, 128}});
    ASSERT_TRUE(SavePointList(dir, kEqualizerFile, l));
    EXPECT_EQ(FileBytes(dir, kEqualizerFile),
              (std::vector<uint8_t>{5, 0, 128, 30, 255, 31, 0, 200, 64, 255, 128}));
    PointList back;
    ASSERT_TRUE(LoadPointList(dir, kEqualizerFile, back));
    EXPECT_EQ(Points(back), Points(l));

    // Saving a shorter curve truncates the file.
    ASSERT_TRUE(SavePointList(dir, kEqualizerFile, FlatCurve()));
    EXPECT_EQ(FileBytes(dir, kEqualizerFile), Flat());
}

TEST(PointList, LoadRepairsOrReplacesBadFiles) {
    std::vector<uint8_t> full(1 + 2 * 200);
    full[0] = 200;
    for (int i = 0; i < 200; ++i) {
        full[size_t(1 + 2 * i)] = uint8_t(i);       // x
        full[size_t(2 + 2 * i)] = uint8_t(i + 100);  // y
    }
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool create;                              // write the bytes (else: no file)
        std::vector<std::pair<int, int>> points;  // expected after loading
        bool rewritten;                           // file holds the flat curve afterwards
    };
    const std::vector<std::pair<int, int>> flat{{0, 128}, {255, 128}};
    std::vector<std::pair<int, int>> first64;
    for (int i = 0; i < 64; ++i) first64.emplace_back(i, i + 100);
    std::vector<Case> cases{
        {"missing", {}, false, flat, true},
        {"empty", {}, true, flat, true},
        {"count 0", {0, 1, 2, 3, 4}, true, flat, true},
        {"count 200 reads 64", full, true, first64, false},
        {"x decreases", {4, 0, 5, 90, 6, 80, 7, 255, 8}, true, {{0, 5}, {90, 6}, {90, 7}, {255, 8}}, false},
        {"ends inside a point", {5, 0, 1, 9, 2, 255, 3, 77}, true, {{0, 1}, {9, 2}, {255, 3}}, false},
        {"count without points", {3}, true, flat, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string dir = ScratchDir("load");
        if (c.create) WriteBytes(dir, kEnvelopeFile, c.bytes);
        PointList l;
        ASSERT_TRUE(LoadPointList(dir, kEnvelopeFile, l));
        EXPECT_EQ(Points(l), c.points);
        if (c.rewritten) EXPECT_EQ(FileBytes(dir, kEnvelopeFile), Flat());
        else EXPECT_EQ(FileBytes(dir, kEnvelopeFile), c.bytes);  // loading never rewrites a usable file
    }
}

TEST(PointList, LoadIntoMissingFolderStillGivesFlatCurve) {
    PointList l = MakeList({{0, 1}, {2, 3}, {4, 5}});
    EXPECT_FALSE(LoadPointList(JoinPath(ScratchDir("gone"), "no-such-folder"), kEqualizerFile, l));
    EXPECT_EQ(Points(l), (std::vector<std::pair<int, int>>{{0, 128}, {255, 128}}));
}

TEST(PointList, FadeCurves) {
    EXPECT_EQ(Points(FadeInCurve()), (std::vector<std::pair<int, int>>{{0, 0}, {255, 128}}));
    EXPECT_EQ(Points(FadeOutCurve()), (std::vector<std::pair<int, int>>{{0, 128}, {255, 0}}));
}

TEST(CurveEdit, LeftClickSelectsOrInsertsInOrder) {
    LCurveEdit e;
    e.list = FlatCurve();
    // Empty space: a new point at the first index whose x is larger.
    EXPECT_TRUE(e.LeftDown(100, 40));
    EXPECT_EQ(e.iSelected, 1);
    EXPECT_TRUE(e.LeftDown(50, 200));
    EXPECT_EQ(e.iSelected, 1);
    EXPECT_EQ(Points(e.list), (std::vector<std::pair<int, int>>{{0, 128}, {50, 200}, {100, 40}, {255, 128}}));
    // Within 4 units of a point in both axes: selected, nothing inserted.
    EXPECT_FALSE(e.LeftDown(104, 36));
    EXPECT_EQ(e.iSelected, 2);
    EXPECT_EQ(e.list.nPoints, 4);
    // 5 units away in one axis is empty space.
    EXPECT_TRUE(e.LeftDown(105, 40));
    EXPECT_EQ(e.list.nPoints, 5);
    // The right edge away from the last point goes after it, also at x 255.
    EXPECT_TRUE(e.LeftDown(255, 10));
    EXPECT_EQ(e.iSelected, 5);
    EXPECT_EQ(e.list.points[4].x, 255);
    EXPECT_EQ(e.list.points[5].x, 255);
    EXPECT_EQ(e.list.points[5].y, 10);
}

TEST(CurveEdit, DragKeepsEndsAndOrder) {
    LCurveEdit e;
    e.list = MakeList({{0, 128}, {60, 100}, {120, 20}, {255, 128}});
    LCurvePoint moved{};
    struct Case {
        int pick, x, y;    // point to pick, pointer position of the drag
        int index, nx, ny;  // expected point and its new place
    };
    for (Case c : {Case{0, 40, 250, 0, 0, 250},        // first point: only y moves
                   Case{3, 10, 0, 3, 255, 0},          // last point: only y moves
                   Case{1, 200, 30, 1, 120, 30},       // limited by the next point
                   Case{2, 5, 255, 2, 120, 255},       // limited by the previous point (now at 120)
                   Case{1, 119, 300, 1, 119, 255}}) {  // y limited to 255
        LCurvePoint p = e.list.points[c.pick];
        ASSERT_FALSE(e.LeftDown(p.x, p.y));
        ASSERT_TRUE(e.Drag(c.x, c.y, moved));
        EXPECT_EQ(e.iSelected, c.index);
        EXPECT_EQ(moved.x, c.nx);
        EXPECT_EQ(moved.y, c.ny);
        EXPECT_EQ(e.list.points[c.index].x, c.nx);
        EXPECT_EQ(e.list.points[c.index].y, c.ny);
    }
    for (int i = 1; i < e.list.nPoints; ++i) EXPECT_LE(e.list.points[i - 1].x, e.list.points[i].x);
}

TEST(CurveEdit, FullListAddsNothingButStillDrags) {
    LCurveEdit e;
    e.list.nPoints = 63;
    for (int i = 0; i < 63; ++i) e.list.points[i] = {uint8_t(i * 4 + (i == 62 ? 7 : 0)), 128};
    LCurvePoint moved{};
    // Nothing under the pointer: no point added and no point dragged after it.
    EXPECT_FALSE(e.LeftDown(10, 0));
    EXPECT_EQ(e.list.nPoints, 63);
    EXPECT_FALSE(e.Drag(10, 0, moved));
    // An existing point can still be picked and moved.
    EXPECT_FALSE(e.LeftDown(22, 128));  // point 5 (x 20); point 4 (x 16) is 6 away
    ASSERT_TRUE(e.Drag(21, 3, moved));
    EXPECT_EQ(e.list.points[5].x, 21);
    EXPECT_EQ(e.list.points[5].y, 3);
    // A drag before any click moves nothing either.
    LCurveEdit fresh;
    fresh.list = FlatCurve();
    EXPECT_FALSE(fresh.Drag(100, 100, moved));
    EXPECT_EQ(Points(fresh.list), Points(FlatCurve()));
}

TEST(CurveEdit, RightClickRemovesInnerPointsOnly) {
    LCurveEdit e;
    e.list = MakeList({{0, 128}, {60, 100}, {120, 20}, {255, 128}});
    EXPECT_FALSE(e.RightDown(2, 126));   // first point
    EXPECT_FALSE(e.RightDown(253, 130)); // last point
    EXPECT_FALSE(e.RightDown(90, 60));   // nothing there
    EXPECT_EQ(e.list.nPoints, 4);
    // The pointer is not clamped: a point near the border can be hit from outside.
    e.list.points[2].y = 2;
    ASSERT_FALSE(e.LeftDown(120, 2));
    EXPECT_EQ(e.iSelected, 2);
    EXPECT_TRUE(e.RightDown(58, 104));
    EXPECT_EQ(Points(e.list), (std::vector<std::pair<int, int>>{{0, 128}, {120, 2}, {255, 128}}));
    EXPECT_EQ(e.iSelected, 1);  // still the point that was picked
    EXPECT_TRUE(e.RightDown(121, -2));
    EXPECT_EQ(e.iSelected, -1);  // the picked point is gone
    LCurvePoint moved{};
    EXPECT_FALSE(e.Drag(30, 30, moved));
    EXPECT_EQ(Points(e.list), Points(FlatCurve()));
}

TEST(CurveEdit, WindowCoordinates) {
    LCurveView v;
    v.SetClientSize(257, 129, true);  // bordered: the last row and column hold the frame
    EXPECT_EQ(v.width, 256);
    EXPECT_EQ(v.height, 128);
    EXPECT_EQ(v.ToWindowX(255), 255);
    EXPECT_EQ(v.ToWindowY(255), 0);
    EXPECT_EQ(v.ToWindowY(0), 127);
    EXPECT_EQ(v.ToCurveX(255), 255);
    EXPECT_EQ(v.ToCurveY(0), 255);
    EXPECT_EQ(v.ToCurveY(127), 1);
    EXPECT_EQ(v.ToCurveX(-10), -10);  // unclamped for the right button
    EXPECT_EQ(ClampCurve(v.ToCurveX(300)), 255);
    v.SetClientSize(5000, 0, false);
    EXPECT_EQ(v.width, 2048);
    EXPECT_EQ(v.height, 1);
}

TEST(CurveEdit, Labels) {
    EXPECT_EQ(EqualizerLabel(255, 128), "20000 Hz, 100 %");
    EXPECT_EQ(EqualizerLabel(51, 255), "4000 Hz, 199 %");
    // Selection of 2 s starting at 1 s, 1000 Hz: x 255 is the selection end.
    EXPECT_EQ(EnvelopeLabel(255, 255, 1000, 2000, 1000), "(0:00:03.00, 200 %)");
    EXPECT_EQ(EnvelopeLabel(0, 128, 1000, 2000, 1000), "(0:00:01.00, 100 %)");
}
