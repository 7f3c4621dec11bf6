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
    nLastPump = 0;
    nBarPosition = -1;
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

// An operation asks once per block: tens of thousands of times for an hour
// of audio, and under Wine each look at the queue is a round trip to its
// server, which cost more than the reading. The queue is looked at once per
// 10 ms at most; the window stays live and Cancel is still taken at once.
bool LProgressDialog::IsCancelled() {
    constexpr ULONGLONG kPumpMs = 10;
    const ULONGLONG now = GetTickCount64();
    if (hWindow && nLastPump != 0 && now - nLastPump < kPumpMs) return false;
    nLastPump = now;
    return PumpMessages();
}

bool LProgressDialog::PumpMessages() {
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
    // Told only when what it shows changes: each call is a message to the bar.
    const int position = int(fraction * 100.0);
    if (position == nBarPosition) return;
    nBarPosition = position;
    SendDlgItemMessageA(hWindow, IDC_PROGRESS_BAR, PBM_SETPOS, WPARAM(position), 0);
}

void LProgressDialog::ShowError(const char* text) {
    MessageBoxA(hParent ? hParent : hWindow, text, "Sondrel", MB_OK | MB_ICONERROR);
}

bool LProgressDialog::WaitTime(uint32_t milliseconds) {
    if (PumpMessages()) return false;
    if (milliseconds == 0) return true;
    DWORD left = milliseconds;
    while (left > 0) {
        DWORD slice = left < 200 ? left : 200;
        Sleep(slice);
        left -= slice;
        if (PumpMessages()) return false;
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
        if (r == WAIT_OBJECT_0 + 1 && PumpMessages()) return true;  // woken by a message: take it now
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
