#include "ui/win32/LKeyDialogBox.h"

namespace sondrel {

LKeyDialogBox::LKeyDialogBox(HINSTANCE instance, LPCSTR templateName) : hInstance(instance), szTemplate(templateName) {}

LKeyDialogBox::~LKeyDialogBox() {
    if (hWnd && IsWindow(hWnd)) {
        SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        DestroyWindow(hWnd);
    }
}

bool LKeyDialogBox::Open(HWND parent) {
    if (hWnd && IsWindow(hWnd)) return false;  // "LKeyDialogBox::Open already open"
    hWnd = CreateDialogParamA(hInstance, szTemplate, parent, DialogProc, reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;                    // "LKeyDialogBox::Open CreateDialog Failed"
}

void LKeyDialogBox::Close() {
    if (!hWnd || !IsWindow(hWnd)) return;  // "LKeyDialogBox::Close() called when already destroyed"
    DestroyWindow(hWnd);
}

bool LKeyDialogBox::FilterMessage(const MSG& m) {
    if (!hWnd || (m.hwnd != hWnd && !IsChild(hWnd, m.hwnd))) return false;
    if (m.message == WM_LBUTTONDOWN || m.message == WM_RBUTTONDOWN || m.message == WM_MBUTTONDOWN ||
        m.message == WM_NCLBUTTONDOWN) {
        MouseDown();
        return false;
    }
    const bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
    const bool up = m.message == WM_KEYUP || m.message == WM_SYSKEYUP;
    if (!down && !up) return false;
    if (down && (m.lParam & (1 << 30))) return false;  // auto-repeat of a held key
    LKeyState keys;
    keys.bControl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    keys.bShift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    keys.bAlt = (GetKeyState(VK_MENU) & 0x8000) != 0 || (m.lParam & (1 << 29)) != 0;
    UINT vk = UINT(m.wParam);
    return down ? KeyDown(vk, keys) : KeyUp(vk, keys);
}

void LKeyDialogBox::RunLoop() {
    MSG m;
    while (hWnd && IsWindow(hWnd)) {
        BOOL got = GetMessageA(&m, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(int(m.wParam));
            return;
        }
        if (got < 0) return;
        Dispatch(m);
    }
}

void LKeyDialogBox::Dispatch(MSG& m) {
    if (FilterMessage(m)) return;
    if (hWnd && IsWindow(hWnd) && IsDialogMessageA(hWnd, &m)) return;
    TranslateMessage(&m);
    DispatchMessageA(&m);
}

bool LKeyDialogBox::KeyDown(UINT, const LKeyState&) { return false; }
bool LKeyDialogBox::KeyUp(UINT, const LKeyState&) { return false; }
INT_PTR LKeyDialogBox::DialogMessage(UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

INT_PTR CALLBACK LKeyDialogBox::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        reinterpret_cast<LKeyDialogBox*>(lParam)->hWnd = hwnd;
    }
    auto* self = reinterpret_cast<LKeyDialogBox*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return FALSE;
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) && HIWORD(wParam) == BN_CLICKED) {
        bool agree = LOWORD(wParam) == IDOK ? self->CanCloseOk() : self->CanCloseCancel();
        if (agree) DestroyWindow(hwnd);
        return TRUE;
    }
    INT_PTR r = self->DialogMessage(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hWnd = nullptr;
    }
    return r;
}

}  // namespace sondrel
