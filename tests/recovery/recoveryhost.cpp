// Stands in for the editor in the crash recovery test until the main window
// is built on the same pieces: it starts as the editor starts, through the
// same two hooks (the journals a killed run left are offered in the "Recover
// Documents" prompt before the cut tank exists; every change is told to the
// journals), and then
//   recoveryhost edit DATA IN.wav     opens IN.wav, makes the test's edit,
//                                     writes DATA\..\ready once the journal
//                                     is on the disk, and waits to be killed;
//   recoveryhost startup DATA OUT.wav saves the recovered document (if any)
//                                     as OUT.wav, writes DATA\..\report.txt
//                                     (the files in DATA right after the
//                                     prompt, then "name|dirty|frames" per
//                                     document) and ends cleanly.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>
#include <memory>
#include <string>

#include "RecoveryEdit.h"
#include "document/LAudioCutTank.h"
#include "formats/win32/LPlatformReaders.h"
#include "support/LFile.h"
#include "ui/LCrashRecovery.h"
#include "ui/win32/LRecoveryDialog.h"
#include "ui/win32/LWin32DocumentHost.h"

using namespace sondrel;

namespace {

std::string Parent(const std::string& folder) { return folder.substr(0, folder.find_last_of("\\/")); }

bool WriteText(const std::string& path, const std::string& text) {
    return LFile::WriteAll(path.c_str(), text.data(), text.size());
}

int Run(int argc, char** argv) {
    if (argc < 4) return 2;
    const std::string mode = argv[1], data = argv[2], file = argv[3];
    CreateDirectoryA(data.c_str(), nullptr);
    InstallPlatformReaders();

    // The editor's start-up order: ask about what was left, then the tank.
    LRecoveredDocuments recovered = AskToRecover(
        data, [](const LRecoveryPrompt& p) { return RunRecoveryDialog(nullptr, p); }, FormatLocalTimeWin32);
    std::vector<std::string> left = LFile::List(data.c_str(), "");
    std::sort(left.begin(), left.end());
    LCutTankScope tank(data);
    LCrashRecovery journals(data);
    LWin32DocumentHost dialogs;
    LDocuments docs(dialogs);
    recovered.AddTo(docs, journals);

    if (mode == "edit") {
        if (!docs.LoadFile(file)) return 3;
        journals.DocumentChanged(docs);
        if (!test::ApplyTheEdit(docs)) return 4;
        journals.DocumentChanged(docs);
        journals.Keeper().WaitIdle();
        HWND w = CreateWindowA("STATIC", "Recovery Test Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 100,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!w || !WriteText(Parent(data) + "\\ready", "ready")) return 5;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);  // until killed
        return 6;
    }
    if (mode == "startup") {
        std::string report = "left:";
        for (const std::string& name : left) report += " " + name;
        report += "\n";
        for (int i = 0; i < docs.GetNoFiles(); ++i) {
            const LSDFile& d = *docs.At(i);
            char line[512];
            std::snprintf(line, sizeof line, "%s|%d|%d\n", d.DisplayName().c_str(), int(d.bDirty),
                          int(d.audio.GetLength()));
            report += line;
        }
        if (LSDFile* d = docs.Current()) {
            d->szFilePath = file;
            if (!docs.SaveDocument(*d)) return 7;
            journals.DocumentChanged(docs);
        }
        if (!WriteText(Parent(data) + "\\report.txt", report)) return 8;
        journals.Close();  // a clean end: no journal stays; the tank deletes the segments
        return 0;
    }
    return 2;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return Run(__argc, __argv); }
