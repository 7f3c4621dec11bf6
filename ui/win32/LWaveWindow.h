// The waveform control: a child window of class "LWaveWindow" that dialog
// templates place like any other control (CONTROL "", id, "LWaveWindow",
// WS_CHILD | WS_VISIBLE, x, y, w, h). It shows one byte of peak height per
// pixel column, a cursor (with a green range for the scrub snippet), the
// end of the audio (columns past it greyed) and the selection in the
// highlight colours, and lets the user drag out a selection.
//
// How an owner uses it:
//   1. LWaveWindow::RegisterClass(instance) once before the template is
//      created; then Attach(GetDlgItem(dialog, id)) on an LWaveWindow that
//      lives as long as the control. The window is grey (disabled) until
//      a scan worker (LWaveScanThread) starts for it.
//   2. SetLength, SetMarkStart / SetMarkEnd (-1: no selection) and
//      SetCursor(sample, length) set what is drawn; the worker's
//      RequestView(start, length) chooses what is in view.
//   3. The control posts WM_COMMAND to its parent: low word of wParam = the
//      control id, high word = the code of LWaveNotify (2 released, 4/5 past
//      the right edge and back, 6/7 the left edge, 8 selection dragged),
//      lParam = the control. Read the selection with MarkStart/MarkEnd and
//      the clicked sample with Cursor.
#pragma once
#include <windows.h>

#include <cstdint>

#include "ui/LWaveScanTarget.h"
#include "ui/LWaveView.h"

namespace sondrel {

extern const char kWaveWindowClass[];  // "LWaveWindow"

class LWaveWindow : public LWaveScanTarget {
public:
    // Registers the class once per process (style 35: own DC, redraw on
    // resizing; 4 bytes of window data; arrow cursor; no background).
    static bool RegisterClass(HINSTANCE instance);

    LWaveWindow();
    ~LWaveWindow() override;
    LWaveWindow(const LWaveWindow&) = delete;
    LWaveWindow& operator=(const LWaveWindow&) = delete;

    void Attach(HWND window);
    HWND Window() const { return hWnd; }

    void SetCursor(int32_t sample, int32_t length);
    void SetLength(int32_t sample);
    void SetMarkStart(int32_t sample);
    void SetMarkEnd(int32_t sample);

    int32_t Cursor() { return Field(&LWaveView::nCursor); }
    int32_t MarkStart() { return Field(&LWaveView::nMarkStart); }
    int32_t MarkEnd() { return Field(&LWaveView::nMarkEnd); }
    int32_t Length() { return Field(&LWaveView::nLength); }
    // A copy of the whole state (columns, view, marks), taken under the lock.
    LWaveView Snapshot();

    // LWaveScanTarget: called by the scan worker (and by Start/Stop).
    LViewChange ScanSetView(int32_t start, int32_t length, LWaveView& mapping) override;
    void ScanStoreColumn(int32_t c, uint8_t height) override;
    void ScanStarted() override;
    void ScanStopped() override;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    int32_t Field(int32_t LWaveView::*field);  // read under the lock
    void Measure();
    void InvalidateColumns(const LColumnSpan& s);
    void Paint();
    void Mouse(UINT msg, int32_t x);

    HWND hWnd = nullptr;
    LWaveView view;
    CRITICAL_SECTION cs;
    enum {
        kPenWave,
        kPenBack,
        kPenWaveSelected,
        kPenBackSelected,
        kPenWavePastEnd,
        kPenBackPastEnd,
        kPenGreenDark,
        kPenGreenLight,
        kPenCursor,
        kPenCount
    };
    HPEN hPens[kPenCount];
};

}  // namespace sondrel
