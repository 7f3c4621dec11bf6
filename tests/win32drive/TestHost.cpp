// Stands in for the editor's main window in tests: opens the audio file
// named on its command line as a document and runs the commands that the
// settings pages, mail and help serve when a test posts their command ids
// (IDM_SEND, IDM_SETTINGS, IDM_HELP_CONTENTS), plus 9001,
// which changes the document as an edit would. Its caption is
// "Sondrel Test Host" or "Sondrel Test Host [file name]".
//
// Environment: SONDREL_TEST_ARGS_LOG names a file that gets one line with
// the command line of every start (so a test can see what a file
// association or the shell's browser was started with); SONDREL_TEST_MANUAL
// is the manual folder. With --log-args the host only logs and ends; with
// --command N it runs command N once its window shows (to look at a dialog).
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "document/LAudioCutTank.h"
#include "document/LDocuments.h"
#include "support/LFile.h"
#include "support/LHelp.h"
#include "support/LResourceIds.h"
#include "support/win32/LRegistrySettings.h"
#include "support/win32/LShellHelpOpener.h"
#include "ui/LSendCommand.h"
#include "ui/win32/LSettingsSheet.h"
#include "ui/win32/LWin32DocumentHost.h"

using namespace sondrel;

namespace {

constexpr int kCmModify = 9001;

std::string Env(const char* name) {
    char buf[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA(name, buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? buf : "";
}

void LogArguments(const char* commandLine) {
    std::string log = Env("SONDREL_TEST_ARGS_LOG");
    if (log.empty()) return;
    HANDLE h = CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    std::string line = std::string(commandLine) + "\r\n";
    DWORD n;
    WriteFile(h, line.data(), DWORD(line.size()), &n, nullptr);
    CloseHandle(h);
}

struct Host {
    LWin32DocumentHost documentHost;
    LDocuments docs{documentHost};
    HWND hWnd = nullptr;

    void ShowTitle() {
        std::string t = "Sondrel Test Host";
        if (docs.Current()) t += " [" + docs.Current()->DisplayName() + "]";
        SetWindowTextA(hWnd, t.c_str());
    }
};
Host* gHost = nullptr;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDM_SEND: CmSend(hwnd, gHost->docs); break;
                case IDM_SETTINGS: CmSettings(hwnd); break;
                case IDM_HELP_CONTENTS: CmHelp(); break;
                case kCmModify:
                    if (gHost->docs.Current()) {
                        gHost->docs.StartModifyCurrentFile("Trim");
                        LCutListAudio& a = gHost->docs.Current()->audio;
                        a.EfTrim(0, a.GetLength() / 2);
                    }
                    break;
            }
            gHost->ShowTitle();
            return 0;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    LogArguments(commandLine);
    if (std::string(commandLine).rfind("--log-args", 0) == 0) return 0;

    LRegistrySettings settings;
    SetSettingsStore(&settings);
    LShellHelpOpener help;
    SetManualFolder(Env("SONDREL_TEST_MANUAL"));
    SetHelpOpener(&help);
    std::string tankFolder = JoinPath(TempFolder(), "sondrel-test-host");
    CreateDirectoryA(tankFolder.c_str(), nullptr);
    auto tank = std::make_unique<LCutTankScope>(tankFolder);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "SondrelTestHost";
    RegisterClassA(&wc);
    Host host;
    gHost = &host;
    host.hWnd = CreateWindowA("SondrelTestHost", "Sondrel Test Host", WS_OVERLAPPEDWINDOW, 40, 40, 400, 200, nullptr,
                              nullptr, instance, nullptr);
    host.documentHost.SetOwner(host.hWnd);
    ShowWindow(host.hWnd, SW_SHOW);

    // The file named on the command line, with or without quotes.
    std::string file = commandLine;
    if (file.rfind("--command ", 0) == 0) {
        PostMessageA(host.hWnd, WM_COMMAND, WPARAM(std::atoi(file.c_str() + 10)), 0);
        file.clear();
    }
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"') file = file.substr(1, file.size() - 2);
    if (!file.empty()) host.docs.LoadFile(file);
    host.ShowTitle();

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    host.docs.ReleaseAll();
    SetHelpOpener(nullptr);
    SetSettingsStore(nullptr);
    return 0;
}
