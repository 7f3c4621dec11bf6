#include "ui/win32/LBrainWaveWindow.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

namespace sondrel {

const char kBrainWaveWindowClass[] = "LBrainWaveWindow";

bool LBrainWaveWindow::RegisterClass(HINSTANCE instance) {
    WNDCLASSA wc{};
    if (GetClassInfoA(instance, kBrainWaveWindowClass, &wc)) return true;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = WndProc;
    wc.cbWndExtra = sizeof(LONG_PTR);  // the window's object
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kBrainWaveWindowClass;
    return ::RegisterClassA(&wc) != 0;
}

HFONT CreateCurveLabelFont() {
    return CreateFontA(13, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS | VARIABLE_PITCH, nullptr);
}

LBrainWaveWindow::~LBrainWaveWindow() {
    if (hWnd && IsWindow(hWnd)) SetWindowLongPtrA(hWnd, 0, 0);
    if (pEditor) pEditor->SetCanvas(nullptr);
}

void LBrainWaveWindow::Attach(HWND window, LCurveEditor& editor, HFONT font) {
    hWnd = window;
    pEditor = &editor;
    hFont = font;
    editor.SetCanvas(this);
    SetWindowLongPtrA(hWnd, 0, reinterpret_cast<LONG_PTR>(this));
    Measure();
    InvalidateAll();
}

void LBrainWaveWindow::Measure() {
    RECT rc{};
    GetClientRect(hWnd, &rc);
    const bool bordered = (GetWindowLongA(hWnd, GWL_STYLE) & kBrainWaveBorder) != 0;
    pEditor->SetSize(rc.right - rc.left, rc.bottom - rc.top, bordered);
}

void LBrainWaveWindow::Invalidate(const LCurveRect& r) {
    RECT rc{r.left, r.top, r.right, r.bottom};
    InvalidateRect(hWnd, &rc, FALSE);
}

void LBrainWaveWindow::InvalidateAll() { InvalidateRect(hWnd, nullptr, FALSE); }

void LBrainWaveWindow::NotifyParent(int32_t x, int32_t y) {
    SendMessageA(GetParent(hWnd), kCurveNotifyMessage, 0, LPARAM(uint32_t(x) | (uint32_t(y) << 16)));
}

HCURSOR LBrainWaveWindow::Cursor() const {
    if (!pEditor || !pEditor->HandShown()) return LoadCursor(nullptr, IDC_ARROW);
    HCURSOR hand = LoadCursor(nullptr, IDC_HAND);
    return hand ? hand : LoadCursor(nullptr, IDC_SIZENS);
}

void LBrainWaveWindow::ShowHand(bool) { SetCursor(Cursor()); }

void LBrainWaveWindow::Capture(bool capture) {
    if (capture)
        SetCapture(hWnd);
    else if (GetCapture() == hWnd)
        ReleaseCapture();
}

void LBrainWaveWindow::Changed() {
    SendMessageA(GetParent(hWnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hWnd), EN_CHANGE), LPARAM(hWnd));
}

void LBrainWaveWindow::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    const LCurveView& v = pEditor->View();
    RECT fill = ps.rcPaint;
    fill.left = std::max<LONG>(fill.left, 0);
    fill.right = std::min<LONG>(fill.right, v.width);
    const bool enabled = IsWindowEnabled(hWnd);
    FillRect(dc, &fill, HBRUSH(GetStockObject(enabled ? DKGRAY_BRUSH : GRAY_BRUSH)));
    if (enabled) {
        const std::string& label = pEditor->Label();
        if (!label.empty()) {
            HGDIOBJ oldFont = SelectObject(dc, hFont ? HGDIOBJ(hFont) : GetStockObject(ANSI_VAR_FONT));
            SetTextColor(dc, RGB(255, 255, 255));
            SetBkMode(dc, TRANSPARENT);
            SetTextAlign(dc, TA_RIGHT | TA_TOP);
            TextOutA(dc, v.width - 4, 2, label.c_str(), int(label.size()));
            SelectObject(dc, oldFont);
        }
        HPEN pen = CreatePen(PS_SOLID, 0, RGB(255, 255, 0));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        std::vector<POINT> pts;
        for (const LCurvePixel& p : pEditor->Points()) pts.push_back({p.x, p.y});
        if (pts.size() > 1) Polyline(dc, pts.data(), int(pts.size()));
        for (const POINT& p : pts) Rectangle(dc, p.x - 4, p.y - 4, p.x + 4, p.y + 4);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(pen);
    }
    if (GetWindowLongA(hWnd, GWL_STYLE) & kBrainWaveBorder) {
        // A sunken frame: white along the bottom and right, black along the
        // top and left, where the update reaches them.
        HGDIOBJ old = SelectObject(dc, GetStockObject(WHITE_PEN));
        MoveToEx(dc, ps.rcPaint.left, v.height, nullptr);
        LineTo(dc, std::min<LONG>(ps.rcPaint.right, v.width + 1), v.height);
        if (ps.rcPaint.right > v.width) {
            MoveToEx(dc, v.width, 0, nullptr);
            LineTo(dc, v.width, v.height + 1);
        }
        SelectObject(dc, GetStockObject(BLACK_PEN));
        MoveToEx(dc, ps.rcPaint.left, 0, nullptr);
        LineTo(dc, std::min<LONG>(ps.rcPaint.right, v.width), 0);
        if (ps.rcPaint.left <= 0) {
            MoveToEx(dc, 0, 0, nullptr);
            LineTo(dc, 0, v.height);
        }
        SelectObject(dc, old);
    }
    EndPaint(hWnd, &ps);
}

LRESULT CALLBACK LBrainWaveWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) {
        SetWindowLongPtrA(hwnd, 0, 0);
        return 0;
    }
    if (msg == WM_NCHITTEST) return HTCLIENT;
    if (msg == WM_DESTROY) {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        SetWindowLongPtrA(hwnd, 0, 0);
        return 0;
    }
    auto* self = reinterpret_cast<LBrainWaveWindow*>(GetWindowLongPtrA(hwnd, 0));
    if (!self || !self->pEditor) {
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            FillRect(dc, &ps.rcPaint, HBRUSH(GetStockObject(GRAY_BRUSH)));
            EndPaint(hwnd, &ps);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    LCurveEditor& ed = *self->pEditor;
    const int32_t x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (msg) {
        case WM_SIZE: self->Measure(); self->InvalidateAll(); return 0;
        case WM_PAINT: self->Paint(); return 0;
        case WM_ENABLE: self->InvalidateAll(); return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:  // the class takes double clicks: the second press is a press too
            ed.LeftDown(x, y);
            return 0;
        case WM_LBUTTONUP: ed.LeftUp(); return 0;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            ed.RightDown(x, y);
            return 0;
        case WM_RBUTTONUP: ed.RightUp(); return 0;
        case WM_MOUSEMOVE: ed.MouseMove(x, y, (wParam & MK_LBUTTON) != 0); return 0;
        case WM_SETCURSOR:
            // Keep the editor's cursor instead of the class's arrow.
            if (LOWORD(lParam) == HTCLIENT) {
                SetCursor(self->Cursor());
                return TRUE;
            }
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace sondrel
