// The curve editor control of the envelope and equaliser dialogs: a child
// window of class "LBrainWaveWindow" that the dialog templates place
// (CONTROL "", 101, "LBrainWaveWindow", WS_CHILD | WS_VISIBLE [| 0x1000 for a
// sunken frame], x, y, w, h). Its behaviour is LCurveEditor's; this is the
// window around it: mouse messages in, painting and cursor out.
//
// How a dialog uses it:
//   1. RegisterClass(instance) once before the template is created.
//   2. On initialisation, Attach(GetDlgItem(dialog, 101), editor, font) on an
//      LBrainWaveWindow that lives as long as the control; the window's
//      window data (offset 0) then points to it.
//   3. The control sends its parent kCurveNotifyMessage (WM_USER + 20,
//      wParam 0, lParam x | y << 16) on every mouse move and drag step, and
//      WM_COMMAND (id, EN_CHANGE) when an edit of the curve is complete.
//
// Painting: dark grey with the curve as a yellow polyline and an 8 x 8
// square on each point, the label right-aligned at the top in white; grey
// only while disabled; a sunken frame with the border style.
#pragma once
#include <windows.h>

#include "ui/LCurveEditor.h"

namespace sondrel {

extern const char kBrainWaveWindowClass[];  // "LBrainWaveWindow"
constexpr LONG kBrainWaveBorder = 0x1000;   // window style bit: the sunken frame

class LBrainWaveWindow : public LCurveCanvas {
public:
    // Horizontal and vertical redraw, double clicks, 4 bytes of window data,
    // arrow cursor, no background.
    static bool RegisterClass(HINSTANCE instance);

    LBrainWaveWindow() = default;
    ~LBrainWaveWindow() override;
    LBrainWaveWindow(const LBrainWaveWindow&) = delete;
    LBrainWaveWindow& operator=(const LBrainWaveWindow&) = delete;

    // font: the label's (borrowed; the dialog's owner deletes it after the dialog).
    void Attach(HWND window, LCurveEditor& editor, HFONT font);
    HWND Window() const { return hWnd; }

    // LCurveCanvas
    void Invalidate(const LCurveRect& r) override;
    void InvalidateAll() override;
    void NotifyParent(int32_t x, int32_t y) override;
    void ShowHand(bool hand) override;
    void Capture(bool capture) override;
    void Changed() override;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Measure();
    void Paint();
    HCURSOR Cursor() const;

    HWND hWnd = nullptr;
    LCurveEditor* pEditor = nullptr;
    HFONT hFont = nullptr;
};

// The label font of the curve dialogs: 13 pixels high, bold, Swiss family.
HFONT CreateCurveLabelFont();

}  // namespace sondrel
