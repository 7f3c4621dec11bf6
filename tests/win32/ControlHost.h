// A top-level test window that hosts custom controls and records the
// WM_COMMAND notifications they post, with helpers to pump messages and read
// back what the controls painted.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

namespace sondrel::wintest {

struct Notification {
    int id;
    int code;
};

class ControlHost {
public:
    ControlHost(int width, int height);
    ~ControlHost();
    HWND Window() const { return hWnd; }
    // A child of the given class at (x, y) of the client area.
    HWND AddControl(const char* cls, int id, int x, int y, int w, int h, DWORD style = 0);
    // Runs the thread's messages until none is left (and paints).
    static void Pump();
    // Pumps for up to ms, until done() is true.
    template <class F>
    static bool PumpUntil(DWORD ms, F done) {
        DWORD start = GetTickCount();
        for (;;) {
            Pump();
            if (done()) return true;
            if (GetTickCount() - start > ms) return false;
            Sleep(5);
        }
    }
    std::vector<Notification> notes;
    std::vector<int> Codes(int id) const;

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND hWnd = nullptr;
};

// The colour a control painted at client (x, y), read after repainting.
COLORREF PixelAt(HWND control, int x, int y);

}  // namespace sondrel::wintest
