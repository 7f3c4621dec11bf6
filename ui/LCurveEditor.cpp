#include "ui/LCurveEditor.h"

#include <algorithm>

namespace sondrel {

void LCurveEditor::SetSize(int32_t clientWidth, int32_t clientHeight, bool bordered) {
    view.SetClientSize(clientWidth, clientHeight, bordered);
}

void LCurveEditor::SetCurve(const PointList& list) {
    edit.list = list;
    edit.list.Validate();
    edit.iSelected = -1;
    InvalidateAll();
}

void LCurveEditor::SetLabel(const std::string& text) {
    szLabel = text;
    if (pCanvas) pCanvas->Invalidate(LabelRect());
}

LCurveRect LCurveEditor::LabelRect() const { return {view.width - 300, 2, view.width, 15}; }

void LCurveEditor::LeftDown(int32_t X, int32_t Y) {
    if (pCanvas) pCanvas->Capture(true);
    SetHand(true);
    bChanged = edit.LeftDown(ClampCurve(view.ToCurveX(X)), ClampCurve(view.ToCurveY(Y)));
    if (bChanged) InvalidateAll();
}

void LCurveEditor::LeftUp() {
    if (pCanvas) pCanvas->Capture(false);
    if (bChanged && pCanvas) pCanvas->Changed();
    bChanged = false;
}

void LCurveEditor::RightDown(int32_t X, int32_t Y) {
    if (pCanvas) pCanvas->Capture(true);
    // Not clamped: a point on the border can be hit from just outside.
    if (!edit.RightDown(view.ToCurveX(X), view.ToCurveY(Y))) return;
    InvalidateAll();
    if (pCanvas) pCanvas->Changed();
}

void LCurveEditor::RightUp() {
    if (pCanvas) pCanvas->Capture(false);
}

void LCurveEditor::MouseMove(int32_t X, int32_t Y, bool leftButton) {
    const int32_t x = ClampCurve(view.ToCurveX(X)), y = ClampCurve(view.ToCurveY(Y));
    const int32_t i = edit.iSelected;
    if (leftButton && i >= 0 && i < edit.list.nPoints) {
        const LCurvePoint old = edit.list.points[i];
        LCurvePoint moved{};
        edit.Drag(x, y, moved);
        if (moved.x != old.x || moved.y != old.y) bChanged = true;
        if (pCanvas) pCanvas->NotifyParent(moved.x, moved.y);
        // Repaint the two segments that meet at the point, old and new.
        const LCurvePoint prev = i > 0 ? edit.list.points[i - 1] : moved;
        const LCurvePoint next = i + 1 < edit.list.nPoints ? edit.list.points[i + 1] : moved;
        const int32_t ys[] = {view.ToWindowY(old.y), view.ToWindowY(moved.y), view.ToWindowY(prev.y),
                              view.ToWindowY(next.y)};
        LCurveRect r;
        r.left = view.ToWindowX(prev.x) - 5;
        r.right = view.ToWindowX(next.x) + 5;
        r.top = *std::min_element(std::begin(ys), std::end(ys)) - 5;
        r.bottom = *std::max_element(std::begin(ys), std::end(ys)) + 5;
        if (pCanvas) pCanvas->Invalidate(r);
        return;
    }
    // No point being dragged: the label follows the pointer, and the hand
    // shows over a point.
    if (pCanvas) pCanvas->NotifyParent(x, y);
    SetHand(edit.HitTest(x, y) >= 0);
}

std::vector<LCurvePixel> LCurveEditor::Points() const {
    std::vector<LCurvePixel> pts;
    for (int32_t i = 0; i < edit.list.nPoints; ++i)
        pts.push_back({view.ToWindowX(edit.list.points[i].x), view.ToWindowY(edit.list.points[i].y)});
    return pts;
}

void LCurveEditor::SetHand(bool hand) {
    if (hand == bHand) return;
    bHand = hand;
    if (pCanvas) pCanvas->ShowHand(hand);
}

void LCurveEditor::InvalidateAll() {
    if (pCanvas) pCanvas->InvalidateAll();
}

}  // namespace sondrel
