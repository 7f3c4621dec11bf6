// A test host for the record dialog: a plain window standing in for the
// main window. F5 (or the command 3001) runs the Record command over its
// own documents (the New command first when none is open: with the
// settings' "PromptSampleAndChannels" off, an untitled document of the
// default format); Ctrl+Z (or 2001) undoes. After each command it reports the
// documents so the driver can check them.
//
// Environment: RECHOST_DATA is the data folder (the cut tank's);
// RECHOST_SETTINGS the registry key under HKEY_LOCAL_MACHINE that holds the
// settings (default: the program's own); RECHOST_REPORT a folder for:
//   docs.txt   one line a document: name, dirty flag, rate, channels,
//              frames, undo label, selection start and end in ms
//              (tab-separated), written after every command
//   docN.s32   document N's samples as 32-bit little-endian values
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "document/LAudioCutTank.h"
#include "document/LDocuments.h"
#include "support/LFile.h"
#include "support/win32/LRegistrySettings.h"
#include "ui/LRecordCommand.h"
#include "ui/win32/LRecordDialog.h"
#include "ui/win32/LWin32DocumentHost.h"

using namespace sondrel;

namespace {

constexpr int kCmRecord = 3001;
constexpr int kCmUndo = 2001;
const char kHostClass[] = "SondrelRecordHost";

std::string gReport;
LDocuments* gDocuments = nullptr;

std::string Env(const char* name) {
    char value[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

// Writes docs.txt last (through a temporary name), so that its appearing
// means the whole report is there.
void WriteReport() {
    if (gReport.empty()) return;
    std::string lines;
    for (int i = 0; i < gDocuments->GetNoFiles(); ++i) {
        LSDFile* doc = gDocuments->At(i);
        LSoundSourcePtr src = CreateSource(doc->audio);
        std::vector<int32_t> samples;
        std::vector<int32_t> block(size_t(8192) * doc->audio.nChans);
        for (int32_t left = src->GetLength(); left > 0;) {
            int32_t n = left < 8192 ? left : 8192;
            src->Read(block.data(), n);
            samples.insert(samples.end(), block.begin(), block.begin() + size_t(n) * doc->audio.nChans);
            left -= n;
        }
        // Through a temporary name too: the report is written again right
        // after a command, while the test may be reading the last one.
        std::string raw = JoinPath(gReport, "doc" + std::to_string(i + 1) + ".s32");
        std::string rawTemp = raw + ".tmp";
        LFile::WriteAll(rawTemp.c_str(), samples.data(), samples.size() * 4);
        LFile::Replace(rawTemp.c_str(), raw.c_str());
        char line[512];
        std::snprintf(line, sizeof line, "%s\t%d\t%d\t%d\t%d\t%s\t%d\t%d\n", doc->DisplayName().c_str(),
                      int(doc->bDirty), int(doc->audio.nSampleRate), int(doc->audio.nChans), int(src->GetLength()),
                      doc->UndoLabel().c_str(), int(doc->stSelStart.ms), int(doc->stSelEnd.ms));
        lines += line;
    }
    std::string temp = JoinPath(gReport, "docs.tmp");
    LFile::WriteAll(temp.c_str(), lines.data(), lines.size());
    LFile::Replace(temp.c_str(), JoinPath(gReport, "docs.txt").c_str());
}

// The Record command as the main window runs it; this window plays
// nothing and shows its documents only through the report.
class HostWindow : public LRecordCommandHost {
public:
    explicit HostWindow(HWND hwnd) : hwnd_(hwnd) {}
    void StopPlayer() override {}
    int RecordDialog(int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& take) override {
        return RunRecordDialog(hwnd_, rate, chans, name, take);
    }
    void Refresh() override { WriteReport(); }

private:
    HWND hwnd_;
};

void CmRecord(HWND hwnd) {
    HostWindow window(hwnd);
    RunRecordCommand(*gDocuments, window);
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kCmRecord) {
                CmRecord(hwnd);
                WriteReport();
                return 0;
            }
            if (LOWORD(wParam) == kCmUndo) {
                gDocuments->CmUndo();
                WriteReport();
                return 0;
            }
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    gReport = Env("RECHOST_REPORT");
    std::string root = Env("RECHOST_SETTINGS");
    LRegistrySettings settings(root.empty() ? "Software\\Ketterly\\Sondrel" : root);
    SetSettingsStore(&settings);

    std::string folder = Env("RECHOST_DATA");
    if (folder.empty()) {
        char exe[MAX_PATH];
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string self = exe;
        folder = JoinPath(self.substr(0, self.find_last_of('\\')), "Current");
    }
    CreateDirectoryA(folder.c_str(), nullptr);
    LCutTankScope tank(folder);

    LWin32DocumentHost host(nullptr);
    LDocuments documents(host);
    gDocuments = &documents;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kHostClass;
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowA(kHostClass, "Sondrel Record Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 480, 320,
                              nullptr, nullptr, instance, nullptr);
    int result = 3;
    if (hwnd) {
        host.SetOwner(hwnd);
        ACCEL keys[] = {{FVIRTKEY, VK_F5, kCmRecord}, {FVIRTKEY | FCONTROL, 'Z', kCmUndo}};
        HACCEL accelerators = CreateAcceleratorTableA(keys, 2);
        MSG m;
        while (GetMessageA(&m, nullptr, 0, 0) > 0) {
            if (TranslateAcceleratorA(hwnd, accelerators, &m)) continue;
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        DestroyAcceleratorTable(accelerators);
        result = 0;
    }
    documents.ReleaseAll();
    SetSettingsStore(nullptr);
    return result;
}
