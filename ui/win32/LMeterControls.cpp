#include "ui/win32/LMeterControls.h"

#include <algorithm>
#include <string>

#include "devices/LMixerRules.h"
#include "support/LResourceIds.h"
#include "ui/LMeterModel.h"
#include "ui/win32/LControlClass.h"
#include "ui/win32/LTransportBitmaps.h"

namespace sondrel {

const char kDBDisplayClass[] = "LDBDisplay";
const char kDBEditClass[] = "LDBEdit";

namespace {

// ------------------------------------------------------------ LDBDisplay

// Window bytes: the bar count and eight levels as words, then the pattern
// bitmaps and brushes, each in a pointer-sized slot (34 bytes in the 32-bit
// build, 50 in the 64-bit one).
constexpr int kPtr = int(sizeof(LONG_PTR));
constexpr int kMeterCount = 0, kMeterLevels = 2, kMeterGreenBitmap = 18, kMeterRedBitmap = kMeterGreenBitmap + kPtr,
              kMeterGreenBrush = kMeterRedBitmap + kPtr, kMeterRedBrush = kMeterGreenBrush + kPtr,
              kMeterBytes = kMeterRedBrush + kPtr;

LMeterModel ReadMeter(HWND w) {
    LMeterModel m;
    m.nBars = std::clamp<int32_t>(int16_t(GetWindowWord(w, kMeterCount)), 0, kMeterMaxBars);
    for (int i = 0; i < kMeterMaxBars; ++i) m.iLevels[i] = int8_t(GetWindowWord(w, kMeterLevels + 2 * i));
    return m;
}

void WriteMeter(HWND w, const LMeterModel& m) {
    SetWindowWord(w, kMeterCount, WORD(m.nBars));
    for (int i = 0; i < kMeterMaxBars; ++i) SetWindowWord(w, kMeterLevels + 2 * i, WORD(int16_t(m.iLevels[i])));
}

HANDLE MeterHandle(HWND w, int offset) { return reinterpret_cast<HANDLE>(GetWindowLongPtrA(w, offset)); }

// The width the levels scale to: less the white edge's column when it has one.
int32_t MeterWidth(HWND w, const RECT& rc) {
    int32_t width = rc.right - rc.left;
    if (GetWindowLongA(w, GWL_STYLE) & kDBDisplayWhiteEdge) --width;
    return width;
}

void ApplyRepaint(HWND w, const LMeterModel::Repaint& rp) {
    if (rp.bAll) {
        InvalidateRect(w, nullptr, FALSE);
        return;
    }
    for (int i = 0; i < rp.nStripes; ++i) {
        RECT r{rp.stripes[i].left, rp.stripes[i].top, rp.stripes[i].right, rp.stripes[i].bottom};
        InvalidateRect(w, &r, FALSE);
    }
}

void PaintMeter(HWND w) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    RECT rc;
    GetClientRect(w, &rc);
    LMeterModel m = ReadMeter(w);
    if (!IsWindowEnabled(w) || m.nBars == 0) {
        FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    } else {
        const int32_t width = MeterWidth(w, rc), height = rc.bottom;
        HBRUSH green = static_cast<HBRUSH>(MeterHandle(w, kMeterGreenBrush));
        HBRUSH red = static_cast<HBRUSH>(MeterHandle(w, kMeterRedBrush));
        if (!green) green = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        if (!red) red = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        for (int32_t i = 0; i < m.nBars; ++i) {
            const int32_t top = LMeterModel::BarTop(i, m.nBars, height), bottom = LMeterModel::BarTop(i + 1, m.nBars, height);
            LMeterModel::BarPaint p = LMeterModel::PaintBar(m.iLevels[i], width);
            // The patterns start at each bar's top, so every bar looks alike.
            SetBrushOrgEx(dc, 0, top, nullptr);
            RECT g{0, top, p.greenEnd, bottom}, r{p.greenEnd, top, p.redEnd, bottom}, k{p.redEnd, top, width, bottom};
            if (g.right > g.left) FillRect(dc, &g, green);
            if (r.right > r.left) FillRect(dc, &r, red);
            if (k.right > k.left) FillRect(dc, &k, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
    }
    if (GetWindowLongA(w, GWL_STYLE) & kDBDisplayWhiteEdge) {
        HGDIOBJ old = SelectObject(dc, GetStockObject(WHITE_PEN));
        MoveToEx(dc, 0, rc.bottom - 1, nullptr);
        LineTo(dc, rc.right - 1, rc.bottom - 1);
        LineTo(dc, rc.right - 1, -1);
        SelectObject(dc, old);
    }
    EndPaint(w, &ps);
}

LRESULT CALLBACK MeterProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE: {
            HINSTANCE inst = reinterpret_cast<LPCREATESTRUCTA>(lParam)->hInstance;
            HBITMAP green = LoadTransportBitmap(inst, kBitmapMeterGreen, w);
            HBITMAP red = LoadTransportBitmap(inst, kBitmapMeterRed, w);
            SetWindowLongPtrA(w, kMeterGreenBitmap, reinterpret_cast<LONG_PTR>(green));
            SetWindowLongPtrA(w, kMeterRedBitmap, reinterpret_cast<LONG_PTR>(red));
            SetWindowLongPtrA(w, kMeterGreenBrush, reinterpret_cast<LONG_PTR>(green ? CreatePatternBrush(green) : nullptr));
            SetWindowLongPtrA(w, kMeterRedBrush, reinterpret_cast<LONG_PTR>(red ? CreatePatternBrush(red) : nullptr));
            return 0;
        }
        case WM_DESTROY:
            for (int off : {kMeterGreenBrush, kMeterRedBrush, kMeterGreenBitmap, kMeterRedBitmap}) {
                if (HANDLE h = MeterHandle(w, off)) DeleteObject(h);
                SetWindowLongPtrA(w, off, 0);
            }
            return 0;
        case WM_ENABLE:
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_PAINT:
            PaintMeter(w);
            return 0;
        default:
            return DefWindowProcA(w, msg, wParam, lParam);
    }
}

// ---------------------------------------------------------------- LDBEdit

// Window bytes: value, maximum, minimum and track start as words, then the
// edit child's handle in a pointer-sized slot.
constexpr int kEditValue = 0, kEditMax = 2, kEditMin = 4, kEditTrack = 6, kEditChild = 8, kEditBytes = kEditChild + kPtr;
// Set while the control writes its own edit's text, so that the edit's
// EN_CHANGE is not taken for typing.
constexpr const char kEditSelfProp[] = "LDBEditSettingText";

LDBEditModel ReadEdit(HWND w) {
    LDBEditModel m;
    m.iValue = int8_t(GetWindowWord(w, kEditValue));
    m.iMax = int8_t(GetWindowWord(w, kEditMax));
    m.iMin = int8_t(GetWindowWord(w, kEditMin));
    m.nTrackStart = int16_t(GetWindowWord(w, kEditTrack));
    return m;
}

void WriteEdit(HWND w, const LDBEditModel& m) {
    SetWindowWord(w, kEditValue, WORD(int16_t(m.iValue)));
    SetWindowWord(w, kEditMax, WORD(int16_t(m.iMax)));
    SetWindowWord(w, kEditMin, WORD(int16_t(m.iMin)));
    SetWindowWord(w, kEditTrack, WORD(m.nTrackStart));
}

HWND EditChild(HWND w) { return reinterpret_cast<HWND>(GetWindowLongPtrA(w, kEditChild)); }

void ShowEditText(HWND w, int32_t value) {
    HWND child = EditChild(w);
    if (!child) return;
    SetPropA(w, kEditSelfProp, HANDLE(1));
    SetWindowTextA(child, LDBEditModel::Text(value).c_str());
    RemovePropA(w, kEditSelfProp);
}

void RepaintTrack(HWND w) {
    RECT rc;
    GetClientRect(w, &rc);
    rc.left = ReadEdit(w).nTrackStart;
    InvalidateRect(w, &rc, FALSE);
}

void NotifyParent(HWND w) {
    PostMessageA(GetParent(w), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(w), EN_CHANGE), reinterpret_cast<LPARAM>(w));
}

void EditMouse(HWND w, int32_t x) {
    RECT rc;
    GetClientRect(w, &rc);
    LDBEditModel m = ReadEdit(w);
    int32_t v;
    if (!m.ValueAt(x, rc.right, v) || !m.SetValue(v)) return;
    WriteEdit(w, m);
    ShowEditText(w, m.iValue);
    RepaintTrack(w);
    NotifyParent(w);
}

void FillSpan(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, COLORREF colour) {
    if (right <= left) return;
    RECT r{left, top, right, bottom};
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void PaintEdit(HWND w) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    RECT rc;
    GetClientRect(w, &rc);
    LDBEditModel m = ReadEdit(w);
    const int32_t start = m.nTrackStart, width = rc.right, h = rc.bottom;
    if (!IsWindowEnabled(w)) {
        FillSpan(dc, start, 0, width, h, RGB(128, 128, 128));
    } else {
        const int32_t xv = std::clamp(m.ValueX(m.iValue, width), start, width);
        const int32_t x0 = std::clamp(m.ValueX(0, width), start, width);
        if (m.iValue >= 0) {
            FillSpan(dc, start, 0, x0, h, RGB(0, 128, 0));
            FillSpan(dc, x0, 0, xv, h, RGB(192, 0, 0));
        } else {
            FillSpan(dc, start, 0, xv, h, RGB(0, 128, 0));
        }
        FillSpan(dc, xv, 0, width, h, RGB(0, 0, 0));
        // The thumb: three pixels of light grey with a raised edge.
        int32_t t = std::clamp(xv - 1, start, std::max(start, width - 3));
        FillSpan(dc, t, 0, t + 3, h, RGB(192, 192, 192));
        HGDIOBJ old = SelectObject(dc, GetStockObject(WHITE_PEN));
        MoveToEx(dc, t, h - 1, nullptr);
        LineTo(dc, t, 0);
        LineTo(dc, t + 3, 0);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        MoveToEx(dc, t + 2, 1, nullptr);
        LineTo(dc, t + 2, h - 1);
        LineTo(dc, t - 1, h - 1);
        SelectObject(dc, old);
    }
    EndPaint(w, &ps);
}

// The edit child on the left of the track, showing the starting value.
void CreateEditChild(HWND w, const CREATESTRUCTA& cs) {
    LDBEditModel m;
    WriteEdit(w, m);
    HWND child = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_RIGHT | ES_AUTOHSCROLL, 0, 0,
                                 LDBEditModel::kTrackStart, cs.cy, w, HMENU(IDC_DBEDIT_TEXT), cs.hInstance, nullptr);
    SetWindowLongPtrA(w, kEditChild, reinterpret_cast<LONG_PTR>(child));
    if (child) {
        SendMessageA(child, WM_SETFONT, WPARAM(GetStockObject(ANSI_VAR_FONT)), FALSE);
        ShowEditText(w, m.iValue);
        if (cs.style & WS_DISABLED) EnableWindow(child, FALSE);
    }
}

// The edit takes the font and is as wide as its widest text needs (never
// narrower than at 96 DPI); the track follows it.
void SetEditFont(HWND w, HFONT font, bool redraw) {
    HWND child = EditChild(w);
    if (!child) return;
    SendMessageA(child, WM_SETFONT, WPARAM(font), MAKELPARAM(redraw, 0));
    LDBEditModel m = ReadEdit(w);
    m.nTrackStart = int16_t(LDBEditModel::kTrackStart);
    if (HDC dc = GetDC(child)) {
        HGDIOBJ old = SelectObject(dc, font ? font : HFONT(GetStockObject(ANSI_VAR_FONT)));
        SIZE text{};
        if (GetTextExtentPoint32A(dc, "-99dB", 5, &text))
            m.nTrackStart = int16_t(std::clamp<LONG>(text.cx + 6, LDBEditModel::kTrackStart, 400));
        SelectObject(dc, old);
        ReleaseDC(child, dc);
    }
    WriteEdit(w, m);
    RECT rc;
    GetClientRect(w, &rc);
    MoveWindow(child, 0, 0, m.nTrackStart, rc.bottom, TRUE);
    if (redraw) InvalidateRect(w, nullptr, FALSE);
}

// A value typed into the edit child: the track follows and the parent hears it.
void EditTextTyped(HWND w) {
    char text[8] = {};
    GetWindowTextA(EditChild(w), text, sizeof text);  // up to 7 characters
    LDBEditModel m = ReadEdit(w);
    m.SetValue(TextToDB(text));
    WriteEdit(w, m);
    RepaintTrack(w);
    NotifyParent(w);
}

LRESULT CALLBACK EditProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            CreateEditChild(w, *reinterpret_cast<LPCREATESTRUCTA>(lParam));
            return 0;
        case WM_SETFONT:
            SetEditFont(w, HFONT(wParam), LOWORD(lParam) != 0);
            return 0;
        case WM_SIZE:
            if (HWND child = EditChild(w)) MoveWindow(child, 0, 0, ReadEdit(w).nTrackStart, HIWORD(lParam), TRUE);
            return 0;
        case kDBEditSetValue: {
            LDBEditModel m = ReadEdit(w);
            m.SetValue(int32_t(lParam));
            WriteEdit(w, m);
            InvalidateRect(w, nullptr, FALSE);
            ShowEditText(w, m.iValue);
            return 0;
        }
        case kDBEditGetValue:
            return ReadEdit(w).iValue;
        case kDBEditSetRange: {
            LDBEditModel m = ReadEdit(w);
            m.SetRange(int32_t(lParam), int32_t(wParam));
            WriteEdit(w, m);
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        }
        case WM_LBUTTONDOWN:
            if (HWND child = EditChild(w)) SetFocus(child);
            EditMouse(w, int16_t(LOWORD(lParam)));
            SetCapture(w);
            return 0;
        case WM_MOUSEMOVE:
            if (GetCapture() == w) EditMouse(w, int16_t(LOWORD(lParam)));
            return 0;
        case WM_LBUTTONUP:
            if (GetCapture() == w) ReleaseCapture();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_DBEDIT_TEXT && HIWORD(wParam) == EN_CHANGE && !GetPropA(w, kEditSelfProp))
                EditTextTyped(w);
            return 0;
        case WM_NCHITTEST:
            return HTCLIENT;
        case WM_SETFOCUS:
            if (HWND child = EditChild(w)) {
                SetFocus(child);
                SendMessageA(child, EM_SETSEL, 0, 8);
            }
            return 0;
        case WM_ENABLE:
            if (HWND child = EditChild(w)) EnableWindow(child, BOOL(wParam));
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_PAINT:
            PaintEdit(w);
            return 0;
        default:
            return DefWindowProcA(w, msg, wParam, lParam);
    }
}

}  // namespace

bool RegisterMeterClasses(HINSTANCE instance) {
    bool meter = RegisterControlClass(instance, kDBDisplayClass, MeterProc, kMeterBytes);
    bool edit = RegisterControlClass(instance, kDBEditClass, EditProc, kEditBytes);
    return meter && edit;
}

void DBDisplaySetLevel(HWND meter, int32_t dB) {
    RECT rc;
    GetClientRect(meter, &rc);
    LMeterModel m = ReadMeter(meter);
    LMeterModel::Repaint rp = m.SetLevel(dB, MeterWidth(meter, rc), rc.bottom);
    WriteMeter(meter, m);
    ApplyRepaint(meter, rp);
}

void DBDisplaySetLevels(HWND meter, const int8_t* levels, int32_t count) {
    RECT rc;
    GetClientRect(meter, &rc);
    LMeterModel m = ReadMeter(meter);
    LMeterModel::Repaint rp = m.SetLevels(levels, count, MeterWidth(meter, rc), rc.bottom);
    WriteMeter(meter, m);
    ApplyRepaint(meter, rp);
}

int32_t DBDisplayBars(HWND meter) { return ReadMeter(meter).nBars; }

int32_t DBDisplayLevel(HWND meter, int32_t bar) {
    return (bar >= 0 && bar < kMeterMaxBars) ? ReadMeter(meter).iLevels[bar] : 0;
}

}  // namespace sondrel
