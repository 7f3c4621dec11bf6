#include <gtest/gtest.h>

#include <vector>

#include "ui/LWaveView.h"

using namespace sondrel;

namespace {

// A view of the given client size showing [start, start + length).
LWaveView View(int32_t clientW, int32_t clientH, int32_t start, int32_t length) {
    LWaveView v;
    v.Size(clientW, clientH);
    v.SetView(start, length);
    return v;
}

}  // namespace

TEST(WaveViewSize, WidthIsClientLessTwoWithinOneTo2048) {
    struct {
        int32_t w, h, width, height;
    } cases[] = {{0, 0, 1, -1}, {2, 5, 1, 4}, {3, 10, 1, 9}, {102, 51, 100, 50}, {2050, 10, 2048, 9}, {5000, 10, 2048, 9}};
    for (auto& c : cases) {
        LWaveView v;
        v.Size(c.w, c.h);
        EXPECT_EQ(v.nWidth, c.width) << c.w;
        EXPECT_EQ(v.nHeight, c.height) << c.h;
    }
}

TEST(WaveViewMapping, SamplesAndColumns) {
    LWaveView none;
    none.Size(102, 50);
    EXPECT_EQ(none.SampleToColumn(0), -1);  // no scale yet
    EXPECT_EQ(none.SampleToColumn(123456), -1);

    // 100 columns over samples 1000..1999: ten samples a column.
    LWaveView v = View(102, 50, 1000, 1000);
    EXPECT_DOUBLE_EQ(v.dPixelsPerSample, 0.1);
    EXPECT_EQ(v.nFirstPixel, 100);
    struct {
        int32_t sample, column;
    } toColumn[] = {{1000, 0}, {1004, 0}, {1005, 1}, {1500, 50}, {1999, 100}, {2000, 100}, {999, 0}, {994, -1},
                    {0, -1}, {5000, 100}};
    for (auto& c : toColumn) EXPECT_EQ(v.SampleToColumn(c.sample), c.column) << c.sample;
    struct {
        int32_t column, sample;
    } toSample[] = {{0, 1000}, {1, 1010}, {100, 2000}, {-3, 970}, {150, 2500}};
    for (auto& c : toSample) EXPECT_EQ(v.ColumnToSample(c.column), c.sample) << c.column;

    // Fewer than 8 columns still scale as if there were 8.
    LWaveView narrow = View(3, 10, 0, 80);
    EXPECT_DOUBLE_EQ(narrow.dPixelsPerSample, 0.1);

    // Deep in a long file at the highest zoom the first pixel passes 2^31.
    LWaveView deep = View(2050, 10, 150000000, 100);
    EXPECT_EQ(deep.SampleToColumn(150000050), 1024);
    EXPECT_EQ(deep.ColumnToSample(1024), 150000050);
}

TEST(WaveViewSetView, ZoomRecomputesEverything) {
    LWaveView v = View(102, 50, 0, 1000);
    LViewChange ch = v.SetView(0, 2000);
    EXPECT_EQ(ch.kind, LViewChange::kAll);
    EXPECT_EQ(ch.from, 0);
    EXPECT_EQ(ch.to, 100);
    EXPECT_DOUBLE_EQ(v.dPixelsPerSample, 0.05);
    EXPECT_FALSE(ch.bValidateAll);
    // A length of 0 is a zoom to no scale.
    ch = v.SetView(5, 0);
    EXPECT_EQ(ch.kind, LViewChange::kAll);
    EXPECT_EQ(v.SampleToColumn(5), -1);
}

TEST(WaveViewSetView, ScrollsMoveByTheShiftAndExposeAStripe) {
    struct {
        const char* name;
        int32_t start;
        LViewChange::Kind kind;
        int32_t d, from, to;
    } cases[] = {
        {"no movement", 10000, LViewChange::kNothing, 0, 0, 0},
        {"right by 3 columns", 10030, LViewChange::kScroll, -3, 96, 100},
        {"left by 3 columns", 9970, LViewChange::kScroll, 3, 0, 4},
        {"left by 1 column", 9990, LViewChange::kScroll, 1, 0, 2},
        {"right by 99 columns", 10990, LViewChange::kScroll, -99, 0, 100},
        {"right by exactly the width", 11000, LViewChange::kAll, -100, 0, 100},
        {"left by exactly the width", 9000, LViewChange::kAll, 100, 0, 100},
        {"far right", 500000, LViewChange::kAll, -100, 0, 100},
        {"far left", 0, LViewChange::kAll, 100, 0, 100},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        LWaveView v = View(102, 50, 10000, 1000);
        for (int i = 0; i < 100; ++i) v.columns[i] = uint8_t(i + 1);
        LViewChange ch = v.SetView(c.start, 1000);
        EXPECT_EQ(ch.kind, c.kind);
        EXPECT_EQ(ch.d, c.d);
        EXPECT_EQ(ch.from, c.from);
        EXPECT_EQ(ch.to, c.to);
        EXPECT_EQ(ch.bValidateAll, c.kind == LViewChange::kAll);
        EXPECT_EQ(v.nViewStart, c.start);
        EXPECT_EQ(v.nFirstPixel, c.start / 10);
        if (ch.kind == LViewChange::kScroll) {
            v.ShiftColumns(ch.d);
            // The kept columns moved with the content.
            for (int x = 0; x < 100; ++x) {
                int old = x - ch.d;
                if (old >= 0 && old < 100) {
                    EXPECT_EQ(v.columns[x], old + 1) << x;
                }
            }
        }
    }
}

TEST(WaveViewSetView, EdgeDragMovesTheMarkWithTheScroll) {
    LWaveView v = View(102, 50, 10000, 1000);
    std::vector<int32_t> notes;
    std::vector<LColumnSpan> spans;
    v.ButtonDown(50, spans);
    v.MouseMove(120, notes, spans);  // out to the right
    ASSERT_EQ(v.nEdgeMode, LWaveView::kEdgeRight);
    v.SetView(10100, 1000);
    EXPECT_EQ(v.nMarkEnd, 11100);  // the sample at column width
    EXPECT_EQ(v.nMarkStart, 10500);

    LWaveView w = View(102, 50, 10000, 1000);
    w.ButtonDown(50, spans);
    w.MouseMove(-4, notes, spans);
    ASSERT_EQ(w.nEdgeMode, LWaveView::kEdgeLeft);
    w.SetView(9900, 1000);
    EXPECT_EQ(w.nMarkStart, 9900);  // the sample at column 0
    EXPECT_EQ(w.nMarkEnd, 10500);
}

TEST(WaveViewMouse, DragOutAndBackNotifiesOncePerCrossing) {
    LWaveView v = View(102, 50, 0, 1000);
    std::vector<int32_t> notes;
    std::vector<LColumnSpan> spans;
    v.ButtonDown(40, spans);
    EXPECT_EQ(v.nMarkStart, 400);
    EXPECT_EQ(v.nMarkEnd, 400);
    for (int32_t x : {60, 100, 130, 180, 250, 90, 30}) v.MouseMove(x, notes, spans);
    v.ButtonUp(20, notes, spans);
    // 60: drag; 100 (= width): past right; 130, 180, 250 still outside;
    // 90: back; 30: left of the anchor; release.
    std::vector<int32_t> expected = {8, 4, 8, 8, 8, 8, 5, 8, 8, 2};
    EXPECT_EQ(notes, expected);
    EXPECT_EQ(v.nMarkStart, 200);
    EXPECT_EQ(v.nMarkEnd, 400);
    EXPECT_EQ(v.nCursor, 200);
    EXPECT_EQ(v.nCursorLength, 0);
    EXPECT_EQ(v.nEdgeMode, LWaveView::kEdgeNone);
}

TEST(WaveViewMouse, MarkEndsFollowTheAnchorRule) {
    LWaveView v = View(102, 50, 0, 1000);
    std::vector<int32_t> notes;
    std::vector<LColumnSpan> spans;
    v.ButtonDown(50, spans);
    v.MouseMove(70, notes, spans);
    EXPECT_EQ(v.nMarkEnd, 700);
    v.MouseMove(30, notes, spans);  // the far end keeps its value while dragging
    EXPECT_EQ(v.nMarkStart, 300);
    EXPECT_EQ(v.nMarkEnd, 700);
    v.MouseMove(0, notes, spans);   // left edge
    v.ButtonUp(0, notes, spans);    // released outside: back-from-left, then released
    EXPECT_EQ(notes, (std::vector<int32_t>{8, 8, 6, 8, 7, 2}));
    EXPECT_EQ(v.nMarkStart, 0);
    EXPECT_EQ(v.nMarkEnd, 500);
}

TEST(WaveViewMouse, ButtonUpWithoutDownChangesNothing) {
    LWaveView v = View(102, 50, 0, 1000);
    v.nMarkStart = 100;
    v.nMarkEnd = 300;
    v.nCursor = 77;
    std::vector<int32_t> notes;
    std::vector<LColumnSpan> spans;
    v.MouseMove(50, notes, spans);
    v.ButtonUp(50, notes, spans);
    EXPECT_TRUE(notes.empty());
    EXPECT_TRUE(spans.empty());
    EXPECT_EQ(v.nMarkStart, 100);
    EXPECT_EQ(v.nMarkEnd, 300);
    EXPECT_EQ(v.nCursor, 77);
}

TEST(WaveViewPaint, ColoursPerColumn) {
    LWaveView v = View(102, 101, 0, 1000);  // height 100
    v.nLength = 800;                         // columns 80.. past the end
    v.nMarkStart = 200;
    v.nMarkEnd = 500;                        // columns 20..49 selected
    v.nCursor = 450;
    v.nCursorLength = 100;                   // columns 45..54 green
    v.columns[10] = 255;
    v.columns[11] = 128;
    struct {
        int32_t c;
        LColumnStyle style;
    } cases[] = {{0, kStyleNormal},  {19, kStyleNormal},         {20, kStyleSelected}, {44, kStyleSelected},
                 {45, kStyleCursorSelected}, {49, kStyleCursorSelected}, {50, kStyleCursor}, {54, kStyleCursor},
                 {55, kStyleNormal}, {79, kStyleNormal},         {80, kStylePastEnd},  {99, kStylePastEnd}};
    for (auto& c : cases) EXPECT_EQ(v.PaintColumn(c.c).style, c.style) << c.c;
    EXPECT_EQ(v.PaintColumn(10).h, 49);  // (255 * 100) >> 9
    EXPECT_EQ(v.PaintColumn(11).h, 25);
    EXPECT_TRUE(v.PaintColumn(45).bCursorLine);
    EXPECT_FALSE(v.PaintColumn(46).bCursorLine);

    // A mark end of -1 leaves no selection; a cursor at the right edge is
    // drawn in the last column; no view: everything greyed, no wave.
    v.nMarkEnd = -1;
    EXPECT_EQ(v.PaintColumn(30).style, kStyleNormal);
    v.nCursor = 1000;
    EXPECT_EQ(v.CursorColumn(), 99);
    LWaveView none;
    none.Size(102, 101);
    none.nLength = 1000;
    EXPECT_EQ(none.PaintColumn(0).style, kStylePastEnd);
    EXPECT_EQ(none.CursorColumn(), -1);
}

TEST(WaveViewPaint, ChangesRepaintTheColumnsBetweenOldAndNew) {
    LWaveView v = View(102, 50, 0, 1000);
    LColumnSpan s = v.SetLength(300);
    EXPECT_EQ(s.a, 0);
    EXPECT_EQ(s.b, 30);
    s = v.SetLength(650);
    EXPECT_EQ(s.a, 30);
    EXPECT_EQ(s.b, 65);
    s = v.SetMarkEnd(120);  // from -1 (before the view)
    EXPECT_EQ(s.a, 0);
    EXPECT_EQ(s.b, 12);
    LColumnSpan now;
    v.nCursor = 100;
    s = v.SetCursor(400, 50, &now);
    EXPECT_EQ(s.a, 10);
    EXPECT_EQ(s.b, 10);
    EXPECT_EQ(now.a, 40);
    EXPECT_EQ(now.b, 45);
    s = v.SetCursor(5000, 0, &now);  // past the view: its line sits in the last column
    EXPECT_EQ(now.a, 99);
    EXPECT_EQ(now.b, 100);
}
