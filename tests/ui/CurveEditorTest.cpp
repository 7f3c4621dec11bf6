// The curve editor window's behaviour: mouse messages in window pixels and
// what they do to the point list, the parent's notifications, the repainted
// areas, the cursor and the mouse capture.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/LCurveEditor.h"

using namespace sondrel;

namespace {

using Points = std::vector<std::pair<int, int>>;

PointList MakeList(const Points& pts) {
    PointList l{};
    for (auto [x, y] : pts) l.points[l.nPoints++] = LCurvePoint{uint8_t(x), uint8_t(y)};
    return l;
}

Points Of(const PointList& l) {
    Points p;
    for (int i = 0; i < l.nPoints; ++i) p.push_back({l.points[i].x, l.points[i].y});
    return p;
}

// What the window was asked to do, in order.
struct Canvas : LCurveCanvas {
    std::vector<std::string> log;
    std::vector<LCurveRect> rects;
    std::vector<std::pair<int, int>> notes;
    bool hand = false, captured = false;
    void Invalidate(const LCurveRect& r) override {
        rects.push_back(r);
        log.push_back("rect");
    }
    void InvalidateAll() override { log.push_back("all"); }
    void NotifyParent(int32_t x, int32_t y) override {
        notes.push_back({x, y});
        log.push_back("note");
    }
    void ShowHand(bool h) override {
        hand = h;
        log.push_back(h ? "hand" : "arrow");
    }
    void Capture(bool c) override {
        captured = c;
        log.push_back(c ? "capture" : "release");
    }
    void Changed() override { log.push_back("changed"); }
    int Count(const std::string& what) const { return int(std::count(log.begin(), log.end(), what)); }
};

// A posted mouse message, in curve units (the editor is 256 x 256 pixels,
// so pixel X is x and pixel Y is 255 - y).
struct Event {
    enum Kind { kLeftDown, kLeftUp, kRightDown, kRightUp, kDrag, kMove } kind;
    int x, y;
};
Event LDown(int x, int y) { return {Event::kLeftDown, x, y}; }
Event LUp() { return {Event::kLeftUp, 0, 0}; }
Event RDown(int x, int y) { return {Event::kRightDown, x, y}; }
Event Drag(int x, int y) { return {Event::kDrag, x, y}; }
Event Move(int x, int y) { return {Event::kMove, x, y}; }

void Post(LCurveEditor& ed, const Event& e) {
    const int X = e.x, Y = 255 - e.y;
    switch (e.kind) {
        case Event::kLeftDown: ed.LeftDown(X, Y); break;
        case Event::kLeftUp: ed.LeftUp(); break;
        case Event::kRightDown: ed.RightDown(X, Y); break;
        case Event::kRightUp: ed.RightUp(); break;
        case Event::kDrag: ed.MouseMove(X, Y, true); break;
        case Event::kMove: ed.MouseMove(X, Y, false); break;
    }
}

Points Full63() {
    Points p;
    for (int i = 0; i < 62; ++i) p.push_back({i * 4, 128});
    p.push_back({255, 128});
    return p;
}

}  // namespace

TEST(CurveEditor, PostedMouseEventsEditThePointList) {
    struct Case {
        const char* what;
        Points start;
        std::vector<Event> events;
        Points result;
    };
    const Points flat = {{0, 128}, {255, 128}};
    const Points three = {{0, 128}, {100, 60}, {255, 128}};
    Points full = Full63(), fullMoved = Full63();
    fullMoved[10] = {41, 3};
    const Case cases[] = {
        {"click inserts in x order", flat, {LDown(100, 60), LUp(), LDown(50, 200), LUp()},
         {{0, 128}, {50, 200}, {100, 60}, {255, 128}}},
        {"click on a point selects it and inserts nothing", three, {LDown(103, 57), LUp()}, three},
        {"right-edge click away from the last point goes after it", three, {LDown(255, 10), LUp()},
         {{0, 128}, {100, 60}, {255, 128}, {255, 10}}},
        {"a new point can be dragged at once", flat, {LDown(100, 60), Drag(120, 70), LUp()},
         {{0, 128}, {120, 70}, {255, 128}}},
        {"dragging the first point keeps x = 0", three, {LDown(2, 126), Drag(90, 20), LUp()},
         {{0, 20}, {100, 60}, {255, 128}}},
        {"dragging the last point keeps x = 255", three, {LDown(253, 130), Drag(30, 250), LUp()},
         {{0, 128}, {100, 60}, {255, 250}}},
        {"an inner point stays between its neighbours", {{0, 128}, {60, 1}, {120, 2}, {255, 128}},
         {LDown(60, 1), Drag(200, 9), LUp(), LDown(120, 2), Drag(5, 9)},
         {{0, 128}, {120, 9}, {120, 9}, {255, 128}}},
        {"the pointer beyond the window is held to the curve's range", three,
         {LDown(100, 60), Drag(300, -40)}, {{0, 128}, {255, 0}, {255, 128}}},
        {"63 points refuse an insert, and the drag after it moves nothing", full, {LDown(10, 0), Drag(30, 30), LUp()},
         full},
        {"63 points still let a point be dragged", full, {LDown(42, 128), Drag(41, 3), LUp()}, fullMoved},
        {"right click removes an inner point", three, {RDown(98, 62)}, {{0, 128}, {255, 128}}},
        {"right click on the end points removes nothing", three, {RDown(0, 128), RDown(255, 128), RDown(1, 131)},
         three},
        {"right click on empty space removes nothing", three, {RDown(180, 200)}, three},
        {"moves without the button change nothing", three, {Move(100, 60), Move(10, 10)}, three},
        {"a drag before any click moves nothing", three, {Drag(100, 60), Drag(10, 10)}, three},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LCurveEditor ed;
        Canvas canvas;
        ed.SetCanvas(&canvas);
        ed.SetSize(257, 257, true);  // bordered: 256 x 256 drawing area
        ed.SetCurve(MakeList(c.start));
        for (const Event& e : c.events) Post(ed, e);
        EXPECT_EQ(Of(ed.Curve()), c.result);
    }
}

TEST(CurveEditor, DragNotifiesTheParentAndRepaintsAroundThePoint) {
    LCurveEditor ed;
    Canvas canvas;
    ed.SetCanvas(&canvas);
    ed.SetSize(513, 257, true);  // 512 x 256: two pixels per x unit
    ed.SetCurve(MakeList({{0, 128}, {100, 60}, {200, 200}, {255, 128}}));
    canvas.log.clear();
    ed.LeftDown(200, 255 - 60);  // on (100, 60)
    EXPECT_EQ(canvas.log, (std::vector<std::string>{"capture", "hand"}));
    canvas.log.clear();
    ed.MouseMove(300, 255 - 90, true);  // to (150, 90)
    ASSERT_EQ(canvas.notes, (std::vector<std::pair<int, int>>{{150, 90}}));
    ASSERT_EQ(canvas.rects.size(), 1u);
    // From 5 pixels left of the previous point to 5 right of the next; the
    // old, new and neighbouring heights, widened by 5.
    EXPECT_EQ(canvas.rects[0], (LCurveRect{0 - 5, (255 - 200) - 5, 400 + 5, (255 - 60) + 5}));
    ed.LeftUp();
    EXPECT_EQ(canvas.log, (std::vector<std::string>{"note", "rect", "release", "changed"}));

    // A click on a point and a release without moving it is no change.
    canvas.log.clear();
    ed.LeftDown(300, 255 - 90);
    ed.MouseMove(300, 255 - 90, true);
    ed.LeftUp();
    EXPECT_EQ(canvas.Count("changed"), 0);
    // An insert is a change, told when the button goes up; a removal at once.
    ed.LeftDown(60, 20);
    EXPECT_EQ(canvas.Count("all"), 1);
    EXPECT_EQ(canvas.Count("changed"), 0);
    ed.LeftUp();
    EXPECT_EQ(canvas.Count("changed"), 1);
    ed.RightDown(300, 255 - 90);
    ed.RightUp();
    EXPECT_EQ(canvas.Count("changed"), 2);
    EXPECT_EQ(canvas.Count("all"), 2);
    EXPECT_FALSE(canvas.captured);
}

TEST(CurveEditor, MovesWithoutTheButtonReportThePointerAndShowTheHandOverPoints) {
    LCurveEditor ed;
    Canvas canvas;
    ed.SetCanvas(&canvas);
    ed.SetSize(257, 257, true);
    ed.SetCurve(MakeList({{0, 128}, {100, 60}, {255, 128}}));
    Post(ed, Move(40, 40));
    Post(ed, Move(102, 63));
    Post(ed, Move(103, 58));
    Post(ed, Move(300, -20));  // outside: clamped
    EXPECT_EQ(canvas.notes, (std::vector<std::pair<int, int>>{{40, 40}, {102, 63}, {103, 58}, {255, 0}}));
    EXPECT_EQ(canvas.Count("hand"), 1);  // shown once, on entering the point
    EXPECT_EQ(canvas.Count("arrow"), 1);
    EXPECT_FALSE(ed.HandShown());
    EXPECT_TRUE(canvas.rects.empty());
}

TEST(CurveEditor, LabelAndSize) {
    LCurveEditor ed;
    Canvas canvas;
    ed.SetCanvas(&canvas);
    ed.SetSize(401, 201, true);
    ed.SetLabel("440 Hz, 100 %");
    EXPECT_EQ(ed.Label(), "440 Hz, 100 %");
    ASSERT_EQ(canvas.rects.size(), 1u);
    EXPECT_EQ(canvas.rects[0], (LCurveRect{400 - 300, 2, 400, 15}));
    // The points as painted: X = x * width >> 8, Y = (255 - y) * height >> 8.
    ed.SetCurve(MakeList({{0, 255}, {128, 128}, {255, 0}}));
    EXPECT_EQ(ed.Points(), (std::vector<LCurvePixel>{{0, 0}, {200, 99}, {398, 199}}));
    // Without the border style the whole client area is drawn on.
    ed.SetSize(400, 200, false);
    EXPECT_EQ(ed.View().width, 400);
    EXPECT_EQ(ed.View().height, 200);
}

// A curve set from outside is checked as a loaded file is.
TEST(CurveEditor, SetCurveRepairsOrderAndDropsTheSelection) {
    LCurveEditor ed;
    ed.SetSize(257, 257, true);
    ed.SetCurve(MakeList({{0, 128}, {100, 60}, {255, 128}}));
    ed.LeftDown(100, 255 - 60);
    EXPECT_EQ(ed.Selected(), 1);
    PointList bad = MakeList({{0, 1}, {90, 2}, {40, 3}, {255, 4}});
    ed.SetCurve(bad);
    EXPECT_EQ(Of(ed.Curve()), (Points{{0, 1}, {90, 2}, {90, 3}, {255, 4}}));
    EXPECT_EQ(ed.Selected(), -1);
    ed.MouseMove(10, 10, true);
    EXPECT_EQ(Of(ed.Curve()), (Points{{0, 1}, {90, 2}, {90, 3}, {255, 4}}));
}
