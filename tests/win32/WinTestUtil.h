// Helpers for tests that drive the editor as a separate Win32 process.
#pragma once
#include <windows.h>

#include <string>

namespace sondrel::wintest {

// A Unix path as Wine sees it (drive Z: is the Unix root); Windows paths pass through.
std::string WinePath(const std::string& path);

// Starts a program with arguments; fills pi. False when it cannot start.
bool StartProcess(const std::string& exe, const std::string& args, PROCESS_INFORMATION& pi);

// Polls for a top-level window with this exact caption, up to timeoutMs.
HWND WaitForWindow(const char* caption, DWORD timeoutMs);

// Saves what the screen shows of a window as a 24-bit BMP file.
bool SaveWindowBitmap(HWND hwnd, const std::string& path);

}  // namespace sondrel::wintest
