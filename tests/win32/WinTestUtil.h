// Helpers for tests that drive the editor as a separate Win32 process.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <thread>

namespace sondrel::wintest {

// A Unix path as Wine sees it (drive Z: is the Unix root); Windows paths pass through.
std::string WinePath(const std::string& path);

// Starts a program with arguments; fills pi. False when it cannot start.
bool StartProcess(const std::string& exe, const std::string& args, PROCESS_INFORMATION& pi);

// Polls for a top-level window with this exact caption, up to timeoutMs.
HWND WaitForWindow(const char* caption, DWORD timeoutMs);

// Saves what the screen shows of a window as a 24-bit BMP file.
bool SaveWindowBitmap(HWND hwnd, const std::string& path);

// Watches, from a thread of its own, for a top-level window of this
// process titled caption; once it is there (and delayMs later) it reads the
// window's message text (a message box's, control 0xFFFF) and presses the
// button buttonId, calling beforePress (on its own thread) just before.
// Join (or the destructor) waits for it.
class WindowWatcher {
public:
    WindowWatcher(const char* caption, int buttonId, DWORD delayMs = 0, std::function<void()> beforePress = {},
                  DWORD timeoutMs = 60000);
    ~WindowWatcher() { Join(); }
    void Join() {
        if (t_.joinable()) t_.join();
    }
    bool Pressed() const { return pressed_; }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
    bool pressed_ = false;
    std::thread t_;
};

// Whether a process with this executable name (e.g. "lame.exe") is running.
bool ProcessRunning(const char* exeName);

}  // namespace sondrel::wintest
