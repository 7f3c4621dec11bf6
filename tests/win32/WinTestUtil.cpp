#include "win32/WinTestUtil.h"

#include <tlhelp32.h>

#include <cstdio>
#include <vector>

namespace sondrel::wintest {

std::string WinePath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string r = "Z:" + path;
    for (char& c : r)
        if (c == '/') c = '\\';
    return r;
}

bool StartProcess(const std::string& exe, const std::string& args, PROCESS_INFORMATION& pi) {
    std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    std::vector<char> buf(cmd.begin(), cmd.end());
    buf.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    return CreateProcessA(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
}

HWND WaitForWindow(const char* caption, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND h = FindWindowA(nullptr, caption);
        if (h && IsWindowVisible(h)) return h;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(50);
    }
}

bool SaveWindowBitmap(HWND hwnd, const std::string& path) {
    RECT r;
    if (!GetWindowRect(hwnd, &r)) return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        SelectObject(mem, old);
        GdiFlush();
        DWORD stride = ((DWORD(w) * 3 + 3) & ~3u);
        DWORD imageBytes = stride * DWORD(h);
        BITMAPFILEHEADER fh = {};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof(BITMAPINFOHEADER);
        fh.bfSize = fh.bfOffBits + imageBytes;
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 &&
                 std::fwrite(&bi.bmiHeader, sizeof(BITMAPINFOHEADER), 1, f) == 1 &&
                 std::fwrite(bits, imageBytes, 1, f) == 1;
            std::fclose(f);
        }
        DeleteObject(bmp);
    }
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

WindowWatcher::WindowWatcher(const char* caption, int buttonId, DWORD delayMs, std::function<void()> beforePress,
                             DWORD timeoutMs)
    : t_([this, caption, buttonId, delayMs, beforePress, timeoutMs] {
          DWORD start = GetTickCount();
          while (GetTickCount() - start < timeoutMs) {
              HWND h = FindWindowA(nullptr, caption);
              DWORD pid = 0;
              if (h) GetWindowThreadProcessId(h, &pid);
              if (h && pid == GetCurrentProcessId()) {
                  if (delayMs) Sleep(delayMs);
                  char text[1024] = {};
                  GetDlgItemTextA(h, 0xFFFF, text, sizeof text);
                  text_ = text;
                  if (beforePress) beforePress();
                  PostMessageA(h, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
                  pressed_ = true;
                  return;
              }
              Sleep(10);
          }
      }) {}

bool ProcessRunning(const char* exeName) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    bool found = false;
    for (BOOL more = Process32First(snap, &pe); more && !found; more = Process32Next(snap, &pe))
        found = _stricmp(pe.szExeFile, exeName) == 0;
    CloseHandle(snap);
    return found;
}

}  // namespace sondrel::wintest
