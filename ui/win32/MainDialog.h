// The editor's single top-level window: a modeless dialog from template 1.
#pragma once
#include <windows.h>

namespace sondrel {

class MainDialog {
public:
    explicit MainDialog(HINSTANCE instance) : hInstance(instance) {}
    ~MainDialog();

    // Creates the window; false when the template cannot be loaded.
    bool Create(const char* commandLine);
    // Runs the thread's message loop until the window is destroyed.
    int RunMessageLoop();
    HWND Window() const { return hWnd; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool CmCancel();

    HINSTANCE hInstance;
    HWND hWnd = nullptr;
};

}  // namespace sondrel
