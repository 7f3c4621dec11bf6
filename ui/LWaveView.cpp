#include "ui/LWaveView.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace sondrel {

namespace {

int64_t RoundNearest(double v) { return int64_t(std::floor(v + 0.5)); }

int32_t ClampToInt32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

LWaveView::LWaveView() { std::memset(columns, 0, sizeof columns); }

void LWaveView::Size(int32_t clientWidth, int32_t clientHeight) {
    nWidth = std::clamp(clientWidth - 2, 1, kWaveMaxColumns);
    nHeight = clientHeight - 1;
}

int32_t LWaveView::SampleToColumn(int32_t sample) const {
    if (nViewLength < 1) return -1;
    int64_t x = RoundNearest(double(sample) * dPixelsPerSample) - nFirstPixel;
    if (x < 0) return -1;
    if (x > nWidth) return nWidth;
    return int32_t(x);
}

int32_t LWaveView::ColumnToSample(int32_t x) const {
    if (nViewLength < 1 || dPixelsPerSample <= 0.0) return nViewStart;
    return ClampToInt32(RoundNearest(double(int64_t(x) + nFirstPixel) / dPixelsPerSample));
}

LViewChange LWaveView::SetView(int32_t start, int32_t length) {
    LViewChange ch;
    if (length == nViewLength) {
        // A scroll: the mapping keeps its scale.
        int32_t oldStart = nViewStart;
        int32_t p = SampleToColumn(start);
        nViewStart = start;
        if (length > 0) nFirstPixel = RoundNearest(double(start) * dPixelsPerSample);
        if (nEdgeMode == kEdgeLeft) {
            ch.mark = SetMarkStart(ColumnToSample(0));
        } else if (nEdgeMode == kEdgeRight) {
            ch.mark = SetMarkEnd(ColumnToSample(nWidth));
        }
        int32_t d = p > 0 ? -p : SampleToColumn(oldStart);
        if (length < 1) d = 0;  // no scale: nothing to move
        if (d == 0) return ch;
        ch.d = d;
        if (std::abs(d) < nWidth) {
            ch.kind = LViewChange::kScroll;
            if (d > 0) {
                ch.from = 0;
                ch.to = std::min(d + 1, nWidth);
            } else {
                ch.from = std::max(nWidth + d - 1, 0);
                ch.to = nWidth;
            }
        } else {
            ch.kind = LViewChange::kAll;
            ch.from = 0;
            ch.to = nWidth;
            ch.bValidateAll = true;
        }
        return ch;
    }
    // A zoom.
    nViewStart = start;
    nViewLength = length;
    if (length > 0) {
        dPixelsPerSample = double(std::max(nWidth, 8)) / double(length);
        nFirstPixel = RoundNearest(double(start) * dPixelsPerSample);
    }
    ch.kind = LViewChange::kAll;
    ch.from = 0;
    ch.to = nWidth;
    return ch;
}

void LWaveView::ShiftColumns(int32_t d) {
    const int32_t w = std::min(nWidth, kWaveMaxColumns);
    if (d > 0 && d < w) {
        std::memmove(columns + d, columns, size_t(w - d));
        std::memset(columns, 0, size_t(d));
    } else if (d < 0 && -d < w) {
        std::memmove(columns, columns - d, size_t(w + d));
        std::memset(columns + w + d, 0, size_t(-d));
    } else if (d != 0) {
        std::memset(columns, 0, size_t(w));
    }
}

LColumnSpan LWaveView::Between(int32_t s1, int32_t s2) const {
    LColumnSpan s;
    int32_t c1 = SampleToColumn(s1), c2 = SampleToColumn(s2);
    s.a = std::max(std::min(c1, c2), 0);
    s.b = std::min(std::max(c1, c2), nWidth);
    if (s.a == nWidth) s.a = nWidth - 1;  // a cursor past the view is drawn in the last column
    return s;
}

LColumnSpan LWaveView::SetCursor(int32_t sample, int32_t length, LColumnSpan* second) {
    LColumnSpan old = Between(nCursor, nCursor + std::max(nCursorLength, 0));
    nCursor = sample;
    nCursorLength = length;
    LColumnSpan now = Between(nCursor, nCursor + std::max(nCursorLength, 0));
    if (second) *second = now;
    return old;
}

LColumnSpan LWaveView::SetLength(int32_t sample) {
    LColumnSpan s = Between(nLength, sample);
    nLength = sample;
    return s;
}

LColumnSpan LWaveView::SetMarkStart(int32_t sample) {
    LColumnSpan s = Between(nMarkStart, sample);
    nMarkStart = sample;
    return s;
}

LColumnSpan LWaveView::SetMarkEnd(int32_t sample) {
    LColumnSpan s = Between(nMarkEnd, sample);
    nMarkEnd = sample;
    return s;
}

void LWaveView::ButtonDown(int32_t x, std::vector<LColumnSpan>& repaint) {
    nAnchor = ColumnToSample(x);
    repaint.push_back(SetMarkStart(nAnchor));
    repaint.push_back(SetMarkEnd(nAnchor));
    bCaptured = true;
}

void LWaveView::MouseMove(int32_t x, std::vector<int32_t>& notes, std::vector<LColumnSpan>& repaint) {
    if (!bCaptured) return;
    if (x >= nWidth && nEdgeMode == kEdgeNone) {
        notes.push_back(kWaveNotifyPastRight);
        nEdgeMode = kEdgeRight;
    } else if (x < 1 && nEdgeMode == kEdgeNone) {
        notes.push_back(kWaveNotifyPastLeft);
        nEdgeMode = kEdgeLeft;
    } else if (x >= 1 && x < nWidth && nEdgeMode != kEdgeNone) {
        notes.push_back(nEdgeMode == kEdgeRight ? kWaveNotifyBackRight : kWaveNotifyBackLeft);
        nEdgeMode = kEdgeNone;
    }
    int32_t s = ColumnToSample(x);
    repaint.push_back(s <= nAnchor ? SetMarkStart(s) : SetMarkEnd(s));
    notes.push_back(kWaveNotifyMarkDrag);
}

void LWaveView::ButtonUp(int32_t x, std::vector<int32_t>& notes, std::vector<LColumnSpan>& repaint) {
    if (!bCaptured) return;  // "LWaveWindow::EvLButtonUp Called when not captured"
    bCaptured = false;
    if (nEdgeMode != kEdgeNone) {
        notes.push_back(nEdgeMode == kEdgeRight ? kWaveNotifyBackRight : kWaveNotifyBackLeft);
        nEdgeMode = kEdgeNone;
    }
    int32_t s = ColumnToSample(x);
    repaint.push_back(SetMarkStart(std::min(s, nAnchor)));
    repaint.push_back(SetMarkEnd(std::max(s, nAnchor)));
    LColumnSpan now;
    repaint.push_back(SetCursor(s, 0, &now));
    repaint.push_back(now);
    notes.push_back(kWaveNotifyReleased);
}

int32_t LWaveView::CursorColumn() const {
    int32_t c = SampleToColumn(nCursor);
    if (c == nWidth) c = nWidth - 1;
    return c;
}

LColumnPaint LWaveView::PaintColumn(int32_t c) const {
    LColumnPaint p;
    bool marked = InRange(c, nMarkStart, nMarkEnd);
    if (c < SampleToColumn(0) || c >= SampleToColumn(nLength)) {
        p.style = kStylePastEnd;
    } else if (nCursorLength > 0 && InRange(c, nCursor, nCursor + nCursorLength)) {
        p.style = marked ? kStyleCursorSelected : kStyleCursor;
    } else if (marked) {
        p.style = kStyleSelected;
    }
    int32_t col = (c >= 0 && c < kWaveMaxColumns) ? columns[c] : 0;
    p.h = (col * nHeight) >> 9;
    p.bCursorLine = c >= 0 && c == CursorColumn();
    return p;
}

}  // namespace sondrel
