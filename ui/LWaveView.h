// What a wave window shows, without the window: the column cache, the view
// and its sample/pixel mapping, cursor, length and marks, the scroll and
// zoom arithmetic of a new view, the mouse's selection rules and the choice
// of colours per column. The Win32 control (ui/win32/LWaveWindow) holds one
// of these under its critical section and turns the results into
// ScrollWindow, InvalidateRect, painting and WM_COMMAND notifications.
#pragma once
#include <cstdint>
#include <vector>

namespace sondrel {

constexpr int32_t kWaveMaxColumns = 2048;

// Notification codes of a wave window to its owner (high word of WM_COMMAND's wParam).
enum LWaveNotify : int32_t {
    kWaveNotifyReleased = 2,   // button released: cursor at the release point, selection final
    kWaveNotifyPastRight = 4,  // dragging went past the right edge (owner scrolls right)
    kWaveNotifyBackRight = 5,  // ... came back from past the right edge
    kWaveNotifyPastLeft = 6,   // dragging went past the left edge (owner scrolls left)
    kWaveNotifyBackLeft = 7,   // ... came back from past the left edge
    kWaveNotifyMarkDrag = 8,   // the selection changed during a drag
};

// Columns to repaint, both ends included; empty when a > b.
struct LColumnSpan {
    int32_t a = 0;
    int32_t b = -1;
    bool Empty() const { return a > b; }
};

// What a new view asks of the window.
struct LViewChange {
    enum Kind { kNothing, kScroll, kAll } kind = kNothing;
    int32_t d = 0;     // kScroll: pixels the content moves (negative: left)
    int32_t from = 0;  // columns to recompute, [from, to)
    int32_t to = 0;
    // A scroll by the width or more: the old picture is of no use.
    bool bValidateAll = false;
    // The mark end that followed an edge drag (columns to repaint after the scroll).
    LColumnSpan mark;
};

// Colours of one column.
enum LColumnStyle : int32_t {
    kStyleNormal,    // window text on window
    kStyleSelected,  // highlight text on highlight
    kStylePastEnd,   // grey text on button face
    kStyleCursor,    // dark green wave on light green
    kStyleCursorSelected,  // the same, swapped
};

struct LColumnPaint {
    LColumnStyle style = kStyleNormal;
    bool bCursorLine = false;  // the cursor's own column: a full-height line
    int32_t h = 0;             // half-height of the wave in pixels
};

class LWaveView {
public:
    enum EdgeMode : int32_t { kEdgeNone = 0, kEdgeRight = 4, kEdgeLeft = 6 };

    LWaveView();

    // Client size in pixels: width = w - 2 clamped to 1..2048, height = h - 1.
    void Size(int32_t clientWidth, int32_t clientHeight);

    // -1 without a scale (view length below 1) or before the view; width
    // past it.
    int32_t SampleToColumn(int32_t sample) const;
    // The sample at column x (x may lie outside 0..width).
    int32_t ColumnToSample(int32_t x) const;

    // A new view (the scan worker's only entry): a scroll when the length
    // is unchanged, otherwise a zoom that recomputes every column.
    LViewChange SetView(int32_t start, int32_t length);
    // Moves the cached columns by d (after ScrollWindow); the exposed
    // columns are cleared until they are computed again.
    void ShiftColumns(int32_t d);

    // Each returns the columns to repaint.
    LColumnSpan SetCursor(int32_t sample, int32_t length, LColumnSpan* second);
    LColumnSpan SetLength(int32_t sample);
    LColumnSpan SetMarkStart(int32_t sample);
    LColumnSpan SetMarkEnd(int32_t sample);

    // Mouse at client x; notifications to post go to notes in order.
    void ButtonDown(int32_t x, std::vector<LColumnSpan>& repaint);
    void MouseMove(int32_t x, std::vector<int32_t>& notes, std::vector<LColumnSpan>& repaint);
    void ButtonUp(int32_t x, std::vector<int32_t>& notes, std::vector<LColumnSpan>& repaint);

    // Colours and wave height of column c.
    LColumnPaint PaintColumn(int32_t c) const;
    // The column of the cursor line, -1 when it is not in view.
    int32_t CursorColumn() const;

    // Peak height of a column from the peak of its samples.
    static uint8_t ColumnHeight(int32_t peak) { return peak > 261120 ? 255 : uint8_t(peak >> 10); }

    uint8_t columns[kWaveMaxColumns];
    int32_t nViewStart = 0;
    int32_t nViewLength = 0;
    // 64-bit: start x pixels per sample passes 2^31 deep in a long file at
    // high zoom, and a wrapped value would put every column elsewhere.
    int64_t nFirstPixel = 0;
    double dPixelsPerSample = 0.0;
    int32_t nCursor = 0;
    int32_t nCursorLength = 0;
    int32_t nLength = 0;
    int32_t nMarkStart = 0;
    int32_t nMarkEnd = -1;
    int32_t nAnchor = 0;
    int32_t nWidth = 1;
    int32_t nHeight = 0;
    int32_t nEdgeMode = kEdgeNone;
    bool bCaptured = false;

private:
    LColumnSpan Between(int32_t s1, int32_t s2) const;
    bool InRange(int32_t c, int32_t s0, int32_t s1) const {
        return c >= SampleToColumn(s0) && c < SampleToColumn(s1);
    }
};

}  // namespace sondrel
