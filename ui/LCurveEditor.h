// The curve editor window's behaviour without the window: the envelope and
// equaliser dialogs' control (window class "LBrainWaveWindow") turns its
// mouse messages into these calls, and paints what Points() and Label()
// give. Coordinates here are window pixels; the editing rules themselves
// (hit test, insert, drag limits, removal) are LCurveEdit's, in curve units.
//
// What the window must do in return goes through LCurveCanvas: repaint a
// rectangle or everything, tell the parent dialog where the pointer is (the
// notification WM_USER + 20 with x | y << 16, in curve units), show the hand
// or the arrow cursor, take or release the mouse capture, and tell the
// parent that an edit of the curve is complete (WM_COMMAND with the control
// id and EN_CHANGE, so that a running preview follows the curve).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "effects/PointList.h"

namespace sondrel {

// The notification a curve editor sends its parent: message number, wParam 0,
// lParam x | (y << 16).
constexpr unsigned kCurveNotifyMessage = 0x400 + 20;

struct LCurveRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const LCurveRect&) const = default;
};

struct LCurvePixel {
    int32_t x = 0, y = 0;
    bool operator==(const LCurvePixel&) const = default;
};

class LCurveCanvas {
public:
    virtual ~LCurveCanvas() = default;
    virtual void Invalidate(const LCurveRect& r) = 0;
    virtual void InvalidateAll() = 0;
    virtual void NotifyParent(int32_t x, int32_t y) = 0;
    virtual void ShowHand(bool hand) = 0;
    virtual void Capture(bool capture) = 0;
    // An edit of the curve is complete: a point was added or dragged and the
    // left button went up, or a point was removed.
    virtual void Changed() = 0;
};

class LCurveEditor {
public:
    void SetCanvas(LCurveCanvas* canvas) { pCanvas = canvas; }

    // The client size; with the border style the last row and column hold
    // the frame and are not drawn on.
    void SetSize(int32_t clientWidth, int32_t clientHeight, bool bordered);
    const LCurveView& View() const { return view; }

    // The curve being edited; setting it repaints everything.
    void SetCurve(const PointList& list);
    const PointList& Curve() const { return edit.list; }
    int32_t Selected() const { return edit.iSelected; }

    // The text at the top right; repaints its strip.
    void SetLabel(const std::string& text);
    const std::string& Label() const { return szLabel; }
    // The label's strip: (width - 300, 2) to (width, 15).
    LCurveRect LabelRect() const;

    // Mouse messages, in window pixels.
    void LeftDown(int32_t X, int32_t Y);
    void LeftUp();
    void RightDown(int32_t X, int32_t Y);
    void RightUp();
    void MouseMove(int32_t X, int32_t Y, bool leftButton);

    bool HandShown() const { return bHand; }

    // The points in window pixels, for the polyline and the 8 x 8 squares.
    std::vector<LCurvePixel> Points() const;

private:
    void SetHand(bool hand);
    void InvalidateAll();

    LCurveEdit edit;
    LCurveView view;
    bool bHand = false;
    bool bChanged = false;  // since the left button went down
    std::string szLabel;
    LCurveCanvas* pCanvas = nullptr;
};

}  // namespace sondrel
