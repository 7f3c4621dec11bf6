#include "win32/ControlHost.h"

namespace sondrel::wintest {

namespace {
const char kHostClass[] = "SondrelControlHost";
}

LRESULT CALLBACK ControlHost::Proc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ControlHost*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (msg == WM_COMMAND && self && lParam) self->notes.push_back({LOWORD(wParam), HIWORD(wParam)});
    return DefWindowProcA(w, msg, wParam, lParam);
}

ControlHost::ControlHost(int width, int height) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    if (!GetClassInfoA(inst, kHostClass, &wc)) {
        wc.lpfnWndProc = Proc;
        wc.hInstance = inst;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
        wc.lpszClassName = kHostClass;
        RegisterClassA(&wc);
    }
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, WS_POPUP, FALSE);
    hWnd = CreateWindowExA(WS_EX_TOPMOST, kHostClass, "Sondrel control test", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                           10, 10, r.right - r.left, r.bottom - r.top, nullptr, nullptr, inst, nullptr);
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Pump();
}

ControlHost::~ControlHost() {
    if (hWnd) DestroyWindow(hWnd);
    Pump();
}

HWND ControlHost::AddControl(const char* cls, int id, int x, int y, int w, int h, DWORD style) {
    HWND c = CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, hWnd,
                             reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleA(nullptr), nullptr);
    Pump();
    return c;
}

void ControlHost::Pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

std::vector<int> ControlHost::Codes(int id) const {
    std::vector<int> v;
    for (const Notification& n : notes)
        if (n.id == id) v.push_back(n.code);
    return v;
}

COLORREF PixelAt(HWND control, int x, int y) {
    UpdateWindow(control);
    HDC dc = GetDC(control);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(control, dc);
    return c;
}

}  // namespace sondrel::wintest
