// Program entry: run from the program's own folder, build the main window,
// run its message loop, tear everything down in reverse order.
#include <windows.h>

#include <cstring>

#include "formats/win32/LWaveFileCompressed.h"
#include "ui/win32/MainDialog.h"

using sondrel::MainDialog;

static void EnterProgramFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    char* slash = std::strrchr(path, '\\');
    if (!slash) return;
    *slash = '\0';
    SetCurrentDirectoryA(path);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    EnterProgramFolder();
    sondrel::InstallCompressedWaveReader();
    int result = 1;
    {
        MainDialog main(instance);
        if (main.Create(commandLine)) result = main.RunMessageLoop();
    }
    return result;
}
