#include <gtest/gtest.h>
#include <windows.h>

#include "win32/WinTestUtil.h"

using namespace sondrel::wintest;

// Starts the editor, finds its main window, keeps a screenshot in the build
// folder, closes the window and requires a clean exit.
TEST(EditorShell, StartsShowsMainWindowAndClosesCleanly) {
    ASSERT_EQ(FindWindowA(nullptr, "Sondrel"), nullptr) << "another editor is already running";
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartProcess(WinePath(SONDREL_EXE), "", pi));
    WaitForInputIdle(pi.hProcess, 10000);

    HWND main = WaitForWindow("Sondrel", 20000);
    ASSERT_NE(main, nullptr) << "no top-level window titled \"Sondrel\"";
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    EXPECT_EQ(pid, pi.dwProcessId);

    Sleep(300);  // let it paint before the picture is taken
    EXPECT_TRUE(SaveWindowBitmap(main, WinePath(SONDREL_BUILD_DIR "/editor-shell.bmp")));

    PostMessageA(main, WM_CLOSE, 0, 0);
    DWORD wait = WaitForSingleObject(pi.hProcess, 15000);
    if (wait != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
    ASSERT_EQ(wait, (DWORD)WAIT_OBJECT_0) << "the editor did not exit after WM_CLOSE";
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(FindWindowA(nullptr, "Sondrel"), nullptr);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}
