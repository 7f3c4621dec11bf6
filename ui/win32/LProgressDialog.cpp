#include "ui/win32/LProgressDialog.h"

#include <commctrl.h>

#include <cstdint>

#include "support/LResourceIds.h"

namespace sondrel {

LProgressDialog::LProgressDialog(const char* title) : szTitle(title) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
}

LProgressDialog::~LProgressDialog() {
    if (hWindow) {
        SetWindowLongPtrA(hWindow, GWLP_USERDATA, 0);
        DestroyWindow(hWindow);
    }
}

INT_PTR LProgressDialog::MessageHook(UINT, WPARAM, LPARAM) { return 0; }

bool LProgressDialog::Run(HWND parent) {
    if (hWindow) return false;
    HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), IDD_PROGRESS, parent, DialogProc,
                                  reinterpret_cast<LPARAM>(this));
    if (!dlg) return false;
    hParent = parent;
    ShowWindow(dlg, SW_SHOW);
    if (parent) EnableWindow(parent, FALSE);
    bool result = Process();
    if (parent) {
        EnableWindow(parent, TRUE);
        SetActiveWindow(parent);
        SetFocus(parent);
    }
    if (hWindow && IsWindow(hWindow)) {
        SetWindowLongPtrA(hWindow, GWLP_USERDATA, 0);
        DestroyWindow(hWindow);
    }
    hWindow = nullptr;
    return result;
}

bool LProgressDialog::IsCancelled() {
    MSG msg;
    while (hWindow && IsWindow(hWindow)) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
        if (msg.message == WM_QUIT) {
            // Leave the quit request for the main loop and stop this operation.
            PostQuitMessage(int(msg.wParam));
            return true;
        }
        if (hWindow && IsDialogMessageA(hWindow, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

void LProgressDialog::SetText(const char* text, int line) {
    if (!hWindow || line < 0 || line > 1) return;
    SetDlgItemTextA(hWindow, IDC_PROGRESS_TEXT + line, text);
}

void LProgressDialog::SetProgress(double fraction) {
    if (!hWindow) return;
    SendDlgItemMessageA(hWindow, IDC_PROGRESS_BAR, PBM_SETPOS, WPARAM(int(fraction * 100.0)), 0);
}

void LProgressDialog::ShowError(const char* text) {
    MessageBoxA(hParent ? hParent : hWindow, text, "Sondrel", MB_OK | MB_ICONERROR);
}

bool LProgressDialog::WaitTime(uint32_t milliseconds) {
    if (IsCancelled()) return false;
    if (milliseconds == 0) return true;
    DWORD left = milliseconds;
    while (left > 0) {
        DWORD slice = left < 200 ? left : 200;
        Sleep(slice);
        left -= slice;
        if (IsCancelled()) return false;
    }
    return true;
}

bool LProgressDialog::WaitForObject(HANDLE handle, DWORD timeoutMs) {
    DWORD deadline = GetTickCount() + timeoutMs;
    for (;;) {
        DWORD now = GetTickCount();
        DWORD remaining = int32_t(deadline - now) > 0 ? deadline - now : 0;
        DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, remaining, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED_0) return true;
        if (r == WAIT_TIMEOUT) return false;
        if (r == WAIT_OBJECT_0 + 1 && IsCancelled()) return true;
        if (r == WAIT_FAILED) return false;
        if (int32_t(deadline - GetTickCount()) <= 0) return false;
    }
}

void LProgressDialog::RunModalLoop() {
    MSG msg;
    while (hWindow && IsWindow(hWindow) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (hWindow && IsDialogMessageA(hWindow, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

INT_PTR CALLBACK LProgressDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<LProgressDialog*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, lParam);
        self->hWindow = hwnd;
        SetWindowTextA(hwnd, self->szTitle ? self->szTitle : "");
        SendDlgItemMessageA(hwnd, IDC_PROGRESS_BAR, PBM_SETPOS, 0, 0);
        return TRUE;
    }
    auto* self = reinterpret_cast<LProgressDialog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        if (self && self->hWindow == hwnd) self->hWindow = nullptr;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
        return TRUE;
    }
    if (self) return self->MessageHook(msg, wParam, lParam);
    return 0;
}

}  // namespace sondrel
