// A test host for the parameter dialogs: a plain window standing in for the
// main window. It opens the file named on its command line as a document
// and runs the Effects and Edit commands that need a dialog (posted as
// WM_COMMAND with the command id) the way the main window does: the
// command frame of effects/LEffectRunner.h around RunEffectDialog.
//
//   effecthost FILE START END     the document, with the selection START..END ms
//
// Commands besides the effect table's:
//   1001 New, 1006 Convert Sample Rate, 2003 Copy (the selection into the
//   clipboard), 9002 save the current document as $EFFECTHOST_SAVE,
//   9004 close everything and open FILE again with its selection.
// WM_APP + 1 (wParam START, lParam END, in ms) selects.
// Once the file is open the caption is "Effect Host 0"; after every command
// it becomes "Effect Host N", N counting the commands done, so that a
// driver knows when one has ended.
//
// Environment: EFFECTHOST_DATA the data folder (the cut tank's, where the
// curve files are); EFFECTHOST_SETTINGS the registry key (below
// HKEY_LOCAL_MACHINE) of the settings; EFFECTHOST_HELP a file that gets one
// line for every help page asked for.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "document/LAudioCutTank.h"
#include "document/LDocuments.h"
#include "document/LEditCommands.h"
#include "effects/LEffectRunner.h"
#include "effects/LEffectTable.h"
#include "support/LFile.h"
#include "support/LHelp.h"
#include "support/win32/LRegistrySettings.h"
#include "ui/win32/LEffectDialogs.h"
#include "ui/win32/LWin32DocumentHost.h"

using namespace sondrel;

namespace {

constexpr int kCmNew = 1001, kCmConvertRate = 1006, kCmCopy = 2003;
constexpr int kCmSave = 9002, kCmRevert = 9004;
constexpr UINT kSelect = WM_APP + 1;

std::string Env(const char* name) {
    char value[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

// Help pages go to a log instead of a browser.
class HelpLog : public LHelpOpener {
public:
    bool OpenPage(const std::string& path) override {
        if (FILE* f = std::fopen(Env("EFFECTHOST_HELP").c_str(), "ab")) {
            std::fprintf(f, "%s\n", path.c_str());
            std::fclose(f);
        }
        return true;
    }
};

struct Host {
    LWin32DocumentHost dialogs;
    LDocuments docs{dialogs};
    HWND hWnd = nullptr;
    std::string file;
    int32_t selStart = 0, selEnd = 0;
    int done = 0;

    void Open() {
        docs.ReleaseAll();
        if (!docs.LoadFile(file)) return;
        docs.Current()->stPosition.ms = 0;
        Select(selStart, selEnd);
    }
    void Select(int32_t start, int32_t end) {
        if (!docs.Current()) return;
        docs.Current()->stSelStart.ms = start;
        docs.Current()->stSelEnd.ms = end;
    }
    // What the main window does for a command of the effect table.
    void RunEffect(const LEffectDesc& fx) {
        if (!EffectApplicable(docs, fx)) return;
        LEffectStart start;
        if (fx.bUndoBeforeDialog) start.bUndoTaken = BeginEffectCommand(docs, fx);
        LEffectValues values = ReadStoredValues(fx);
        if (fx.input == LEffectInput::kFile && !dialogs.AskOpenPath(values.szPath)) return;
        if (fx.nTemplate && !RunEffectDialog(hWnd, fx, values, docs.Current())) return;
        RunEffectCommand(docs, fx, values, start);
    }
    void Command(int id) {
        if (const LEffectDesc* fx = EffectByCommand(id)) {
            RunEffect(*fx);
        } else if (id == kCmNew) {
            docs.CmNew();
        } else if (id == kCmConvertRate) {
            docs.CmConvertSampleRate();
        } else if (id == kCmCopy) {
            CmCopy(docs);
        } else if (id == kCmSave && docs.Current()) {
            docs.Current()->szFilePath = Env("EFFECTHOST_SAVE");
            docs.CmSave();
        } else if (id == kCmRevert) {
            Open();
        }
        ++done;
        SetWindowTextA(hWnd, ("Effect Host " + std::to_string(done)).c_str());
    }
};
Host* gHost = nullptr;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND: gHost->Command(LOWORD(wParam)); return 0;
        case kSelect: gHost->Select(int32_t(wParam), int32_t(lParam)); return 0;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    LRegistrySettings settings(Env("EFFECTHOST_SETTINGS").empty() ? "Software\\Ketterly\\Sondrel"
                                                                   : Env("EFFECTHOST_SETTINGS"));
    SetSettingsStore(&settings);
    HelpLog help;
    SetHelpOpener(&help);
    std::string data = Env("EFFECTHOST_DATA");
    if (data.empty()) data = JoinPath(TempFolder(), "effecthost");
    CreateDirectoryA(data.c_str(), nullptr);
    auto tank = std::make_unique<LCutTankScope>(data);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "SondrelEffectHost";
    RegisterClassA(&wc);
    {
        Host host;
        gHost = &host;
        if (__argc >= 4) {
            host.file = __argv[1];
            host.selStart = std::atoi(__argv[2]);
            host.selEnd = std::atoi(__argv[3]);
        }
        host.hWnd = CreateWindowA("SondrelEffectHost", "Effect Host", WS_OVERLAPPEDWINDOW, 40, 40, 400, 200,
                                  nullptr, nullptr, instance, nullptr);
        host.dialogs.SetOwner(host.hWnd);
        ShowWindow(host.hWnd, SW_SHOW);
        if (!host.file.empty()) host.Open();
        SetWindowTextA(host.hWnd, "Effect Host 0");  // ready for commands

        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        host.docs.ReleaseAll();
        gHost = nullptr;
    }
    tank.reset();
    SetHelpOpener(nullptr);
    SetSettingsStore(nullptr);
    return 0;
}
