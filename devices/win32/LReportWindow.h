// The hidden window through which a device worker reports to the
// user-interface thread: the worker posts a message, the window procedure
// runs on the thread that made the window.
#pragma once
#include <windows.h>

namespace sondrel {

// Registers the class once per process (empty title, no parent, 4 bytes of
// window data) and makes a hidden window of it whose user data is owner.
// Null when the window cannot be made.
HWND CreateReportWindow(const char* className, WNDPROC proc, void* owner);

// The owner a report window was made for.
template <class T>
T* ReportWindowOwner(HWND hwnd) {
    return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

}  // namespace sondrel
