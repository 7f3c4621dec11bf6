#include "ui/win32/MainDialog.h"

#include <commctrl.h>

#include "ui/win32/resource.h"

namespace sondrel {

MainDialog::~MainDialog() {
    if (hWnd) DestroyWindow(hWnd);
}

bool MainDialog::Create(const char*) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    hWnd = CreateDialogParamA(hInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, DialogProc,
                              reinterpret_cast<LPARAM>(this));
    if (!hWnd) return false;
    ShowWindow(hWnd, SW_SHOW);
    UpdateWindow(hWnd);
    return true;
}

int MainDialog::RunMessageLoop() {
    MSG msg;
    while (hWnd && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (hWnd && IsDialogMessageA(hWnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

bool MainDialog::CmCancel() { return true; }

INT_PTR CALLBACK MainDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, lParam);
        auto* self = reinterpret_cast<MainDialog*>(lParam);
        self->hWnd = hwnd;
        SetWindowTextA(hwnd, "Sondrel");
        return TRUE;
    }
    auto* self = reinterpret_cast<MainDialog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return FALSE;
    return self->HandleMessage(msg, wParam, lParam);
}

INT_PTR MainDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                if (CmCancel()) DestroyWindow(hWnd);
                return TRUE;
            }
            break;
        case WM_CLOSE:
            if (CmCancel()) DestroyWindow(hWnd);
            return TRUE;
        case WM_DESTROY:
            SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
            hWnd = nullptr;
            PostQuitMessage(0);
            return TRUE;
    }
    return FALSE;
}

}  // namespace sondrel
