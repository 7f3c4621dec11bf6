// Registers a custom control's window class once per process: style 35
// (own device context, redrawn on resizing), the given window bytes, arrow
// cursor, no background brush.
#pragma once
#include <windows.h>

namespace sondrel {

inline bool RegisterControlClass(HINSTANCE instance, const char* name, WNDPROC proc, int windowBytes) {
    WNDCLASSA wc{};
    if (GetClassInfoA(instance, name, &wc)) return true;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;  // 35
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = windowBytes;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

}  // namespace sondrel
