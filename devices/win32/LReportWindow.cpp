#include "devices/win32/LReportWindow.h"

namespace sondrel {

HWND CreateReportWindow(const char* className, WNDPROC proc, void* owner) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc;
    if (!GetClassInfoA(inst, className, &wc)) {
        ZeroMemory(&wc, sizeof wc);
        wc.lpfnWndProc = proc;
        wc.cbWndExtra = 4;
        wc.hInstance = inst;
        wc.lpszClassName = className;
        RegisterClassA(&wc);
    }
    HWND h = CreateWindowA(className, "", 0, 0, 0, 0, 0, nullptr, nullptr, inst, nullptr);
    if (h) SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return h;
}

}  // namespace sondrel
