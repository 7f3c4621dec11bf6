#include "ui/win32/LWaveWindow.h"

#include <algorithm>
#include <vector>

#include "support/win32/LCriticalSectionLock.h"
#include "ui/win32/LControlClass.h"

namespace sondrel {

const char kWaveWindowClass[] = "LWaveWindow";

bool LWaveWindow::RegisterClass(HINSTANCE instance) {
    // One pointer to the window's object (8 bytes in the 64-bit build).
    return RegisterControlClass(instance, kWaveWindowClass, WndProc, sizeof(LONG_PTR));
}

LWaveWindow::LWaveWindow() {
    InitializeCriticalSection(&cs);
    const COLORREF colours[kPenCount] = {
        GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW),     GetSysColor(COLOR_HIGHLIGHTTEXT),
        GetSysColor(COLOR_HIGHLIGHT),  GetSysColor(COLOR_GRAYTEXT),   GetSysColor(COLOR_BTNFACE),
        RGB(0, 128, 0),                RGB(170, 255, 170),            RGB(0, 255, 0)};
    for (int i = 0; i < kPenCount; ++i) hPens[i] = CreatePen(PS_SOLID, 0, colours[i]);
}

LWaveWindow::~LWaveWindow() {
    if (hWnd && IsWindow(hWnd)) SetWindowLongPtrA(hWnd, 0, 0);
    for (HPEN p : hPens) DeleteObject(p);
    DeleteCriticalSection(&cs);
}

void LWaveWindow::Attach(HWND window) {
    hWnd = window;
    SetWindowLongPtrA(hWnd, 0, reinterpret_cast<LONG_PTR>(this));
    Measure();
    // Grey until a scan worker starts for it.
    EnableWindow(hWnd, FALSE);
}

void LWaveWindow::Measure() {
    RECT rc{};
    GetClientRect(hWnd, &rc);
    LCriticalSectionLock lock(cs);
    view.Size(rc.right - rc.left, rc.bottom - rc.top);
}

void LWaveWindow::InvalidateColumns(const LColumnSpan& s) {
    if (!hWnd || s.Empty()) return;
    RECT rc{s.a + 1, 1, s.b + 2, view.nHeight};
    InvalidateRect(hWnd, &rc, FALSE);
}

void LWaveWindow::SetCursor(int32_t sample, int32_t length) {
    LCriticalSectionLock lock(cs);
    LColumnSpan now;
    InvalidateColumns(view.SetCursor(sample, length, &now));
    InvalidateColumns(now);
}

void LWaveWindow::SetLength(int32_t sample) {
    LCriticalSectionLock lock(cs);
    InvalidateColumns(view.SetLength(sample));
}

void LWaveWindow::SetMarkStart(int32_t sample) {
    LCriticalSectionLock lock(cs);
    InvalidateColumns(view.SetMarkStart(sample));
}

void LWaveWindow::SetMarkEnd(int32_t sample) {
    LCriticalSectionLock lock(cs);
    InvalidateColumns(view.SetMarkEnd(sample));
}

int32_t LWaveWindow::Field(int32_t LWaveView::*field) {
    LCriticalSectionLock lock(cs);
    return view.*field;
}

LWaveView LWaveWindow::Snapshot() {
    LCriticalSectionLock lock(cs);
    return view;
}

LViewChange LWaveWindow::ScanSetView(int32_t start, int32_t length, LWaveView& mapping) {
    LCriticalSectionLock lock(cs);
    LViewChange ch = view.SetView(start, length);
    if (hWnd && ch.kind == LViewChange::kScroll) {
        RECT area{1, 1, view.nWidth + 1, view.nHeight};
        // Columns waiting to be painted move with the picture: the pixels
        // they will replace have moved. (The window's thread may not have
        // painted them yet; the scroll comes from the worker.)
        HRGN pending = CreateRectRgn(0, 0, 0, 0);
        int had = GetUpdateRgn(hWnd, pending, FALSE);
        ScrollWindow(hWnd, ch.d, 0, &area, &area);
        if (had != NULLREGION && had != ERROR) {
            OffsetRgn(pending, ch.d, 0);
            InvalidateRgn(hWnd, pending, FALSE);
        }
        DeleteObject(pending);
        view.ShiftColumns(ch.d);
        // The worker repaints each exposed column as it computes it.
        RECT stripe{ch.from + 1, 1, ch.to + 1, view.nHeight};
        ValidateRect(hWnd, &stripe);
    } else if (hWnd && ch.bValidateAll) {
        ValidateRect(hWnd, nullptr);
    }
    InvalidateColumns(ch.mark);
    mapping = view;
    return ch;
}

void LWaveWindow::ScanStoreColumn(int32_t c, uint8_t height) {
    LCriticalSectionLock lock(cs);
    if (c < 0 || c >= kWaveMaxColumns) return;
    view.columns[c] = height;
    InvalidateColumns(LColumnSpan{c, c});
}

void LWaveWindow::ScanStarted() {
    if (!hWnd) return;
    // Directly, not through EnableWindow: the first view repaints every
    // column anyway. The frame still shows the grey of the disabled state,
    // so the whole window is repainted once.
    SetWindowLongA(hWnd, GWL_STYLE, GetWindowLongA(hWnd, GWL_STYLE) & ~WS_DISABLED);
    LCriticalSectionLock lock(cs);
    view.nViewLength = 0;
    InvalidateRect(hWnd, nullptr, FALSE);
}

void LWaveWindow::ScanStopped() {
    if (hWnd) EnableWindow(hWnd, FALSE);
}

void LWaveWindow::Paint() {
    // The lock first: the worker must not scroll between BeginPaint taking
    // the update region and the drawing of it.
    LCriticalSectionLock lock(cs);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    const RECT& r = ps.rcPaint;
    if (!IsWindowEnabled(hWnd)) {
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        EndPaint(hWnd, &ps);
        return;
    }
    const int32_t height = view.nHeight, mid = height / 2;
    const int32_t first = std::max<int32_t>(r.left - 1, 0);
    const int32_t last = std::min<int32_t>(r.right - 1, view.nWidth);
    HGDIOBJ oldPen = SelectObject(dc, hPens[kPenWave]);
    for (int32_t c = first; c < last; ++c) {
        LColumnPaint p = view.PaintColumn(c);
        const int32_t x = c + 1;
        if (p.bCursorLine) {
            SelectObject(dc, hPens[kPenCursor]);
            MoveToEx(dc, x, 1, nullptr);
            LineTo(dc, x, height);
            continue;
        }
        HPEN wave, back;
        switch (p.style) {
            case kStyleSelected: wave = hPens[kPenWaveSelected], back = hPens[kPenBackSelected]; break;
            case kStylePastEnd: wave = hPens[kPenWavePastEnd], back = hPens[kPenBackPastEnd]; break;
            case kStyleCursor: wave = hPens[kPenGreenDark], back = hPens[kPenGreenLight]; break;
            case kStyleCursorSelected: wave = hPens[kPenGreenLight], back = hPens[kPenGreenDark]; break;
            default: wave = hPens[kPenWave], back = hPens[kPenBack]; break;
        }
        SelectObject(dc, back);
        MoveToEx(dc, x, 1, nullptr);
        LineTo(dc, x, mid - p.h);
        SelectObject(dc, wave);
        LineTo(dc, x, mid + p.h + 1);
        SelectObject(dc, back);
        LineTo(dc, x, height);
    }
    // The frame: sunken, black above and left, white below and right.
    const int32_t right = view.nWidth + 1;
    SelectObject(dc, GetStockObject(WHITE_PEN));
    if (r.bottom > height) {
        MoveToEx(dc, 0, height, nullptr);
        LineTo(dc, right + 1, height);
    }
    if (r.right > right) {
        MoveToEx(dc, right, 0, nullptr);
        LineTo(dc, right, height + 1);
    }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    if (r.top < 1) {
        MoveToEx(dc, 0, 0, nullptr);
        LineTo(dc, right, 0);
    }
    if (r.left < 1) {
        MoveToEx(dc, 0, 0, nullptr);
        LineTo(dc, 0, height);
    }
    SelectObject(dc, oldPen);
    EndPaint(hWnd, &ps);
}

void LWaveWindow::Mouse(UINT msg, int32_t x) {
    std::vector<int32_t> notes;
    {
        std::vector<LColumnSpan> spans;
        LCriticalSectionLock lock(cs);
        // Captured means the system's capture, which another window may take.
        view.bCaptured = GetCapture() == hWnd;
        if (msg == WM_LBUTTONDOWN) {
            view.ButtonDown(x, spans);
            SetCapture(hWnd);
        } else if (msg == WM_MOUSEMOVE) {
            view.MouseMove(x, notes, spans);
        } else if (view.bCaptured) {
            ReleaseCapture();
            view.bCaptured = true;  // the release above does not undo the drag
            view.ButtonUp(x, notes, spans);
        }
        for (const LColumnSpan& s : spans) InvalidateColumns(s);
    }
    HWND parent = GetParent(hWnd);
    const WORD id = WORD(GetDlgCtrlID(hWnd));
    for (int32_t code : notes) {
        PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(hWnd));
    }
}

LRESULT CALLBACK LWaveWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<LWaveWindow*>(GetWindowLongPtrA(hwnd, 0));
    switch (msg) {
        case WM_CREATE:
            SetWindowLongPtrA(hwnd, 0, 0);
            break;
        case WM_SIZE:
            if (self) self->Measure();
            break;
        case WM_ENABLE:
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_PAINT:
            if (!self) break;
            self->Paint();
            return 0;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            if (self) self->Mouse(msg, int16_t(LOWORD(lParam)));
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace sondrel
