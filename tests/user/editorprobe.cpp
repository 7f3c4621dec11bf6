// Looks at a running editor from outside:
//   editorprobe shot FILE.png [TIMEOUT_MS]
//       waits until the editor shows a document with both wave views drawn,
//       then saves the screen as FILE.png
//   editorprobe time EXE FILE [RUNS]
//       starts EXE with FILE and prints, one line per run, the milliseconds
//       until the editor shows the document (its title names it: the file
//       is loaded) and until both wave views are drawn (each run in a fresh
//       editor, closed again after)
//   editorprobe close
//       closes the editor showing a document as a user would
//   editorprobe cdimport EXE ASPI_CONFIG DATA_FOLDER
//       starts EXE with the ASPI test double beside it serving the drive
//       of ASPI_CONFIG and DATA_FOLDER as its data folder, imports every
//       track of the first drive through Ctrl+L and the dialog's OK, and
//       prints the seconds from OK until the last track shows as a
//       document and the number of tracks; the editor is closed again
//       after, its documents unsaved, and the data folder setting put back
// Exit code 0 when the editor got there, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/LResourceIds.h"
#include "tests/drive/LDrive.h"

using namespace sondrel::drive;

namespace {

BOOL CALLBACK IsEditorWithDocument(HWND w, LPARAM p) {
    if (!IsWindowVisible(w) || TextUtf8(w).rfind("Sondrel [", 0) != 0) return TRUE;
    *reinterpret_cast<HWND*>(p) = w;
    return FALSE;
}

// The editor's main window with a document open, from any process.
HWND FindEditorWithDocument() {
    HWND found = nullptr;
    EnumWindows(IsEditorWithDocument, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool Drawn(HWND w) {
    static const UINT msg = RegisterWindowMessageA("Sondrel.WaveViewsDrawn");
    DWORD_PTR r = 0;
    return SendMessageTimeoutA(w, msg, 0, 0, SMTO_ABORTIFHUNG, 5000, &r) && r == 1;
}

HWND WaitDrawn(DWORD timeoutMs, DWORD stepMs) {
    HWND editor = nullptr;
    WaitUntil(
        [&] {
            editor = FindEditorWithDocument();
            return editor && Drawn(editor);
        },
        timeoutMs, stepMs);
    return editor && Drawn(editor) ? editor : nullptr;
}

// Imports every track of the first drive and prints how long it took.
bool TimeCDImport(const char* exe, const char* aspiConfig) {
    DllOverride aspi("sondrel.exe", "wnaspi32", "native,builtin");
    Program editor;
    if (!aspi.Ok() || !editor.Start(exe, "", {{"SONDREL_ASPI_DOUBLE", aspiConfig}})) return false;
    HWND main = WaitForWindow(editor.Id(), "Sondrel", 60000);
    if (!main || !SendCtrlKey(main, 'L')) return false;
    HWND dialog = WaitForWindow(editor.Id(), "Load Audio CD Track(s)", 60000, "#32770");
    HWND list = dialog ? GetDlgItem(dialog, IDC_CD_TRACKS) : nullptr;
    const int tracks = list ? ListCount(list) : 0;
    if (tracks <= 0) return false;
    std::vector<int> all;
    for (int i = 0; i < tracks; ++i) all.push_back(i);
    ListSelect(list, all);
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    Click(dialog, IDOK);
    const std::string last = "Sondrel [Untitled " + std::to_string(tracks) + "]";
    if (!WaitUntil([&] { return TextUtf8(main) == last; }, 3600000, 5)) return false;
    QueryPerformanceCounter(&t1);
    std::printf("%.2f %d\n", double(t1.QuadPart - t0.QuadPart) / double(f.QuadPart), tracks);
    std::fflush(stdout);
    // Exit, answering No to each document's question.
    Command(main, IDM_EXIT);
    return WaitUntil(
        [&] {
            MessageBoxShown box;
            if (WaitForMessageBox(editor.Id(), "Sondrel", box, 0, main)) Command(box.window, IDNO);
            return editor.WaitExit(0) != STILL_ACTIVE;
        },
        120000, 50);
}

}  // namespace

int main(int argc, char** argv) {
    std::string what = argc > 1 ? argv[1] : "";
    if (what == "shot" && argc >= 3) {
        DWORD timeout = argc >= 4 ? DWORD(std::atoi(argv[3])) : 60000;
        if (!WaitDrawn(timeout, 50)) {
            std::fprintf(stderr, "editorprobe: no editor showed a document within %lu ms\n", timeout);
            return 1;
        }
        Sleep(200);  // the window manager's own drawing
        if (!SaveScreenPng(argv[2])) {
            std::fprintf(stderr, "editorprobe: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (what == "time" && argc >= 4) {
        int runs = argc >= 5 ? std::atoi(argv[4]) : 1;
        for (int i = 0; i < runs; ++i) {
            LARGE_INTEGER f, t0, t1, t2;
            QueryPerformanceFrequency(&f);
            Program editor;
            QueryPerformanceCounter(&t0);
            if (!editor.Start(argv[2], std::string("\"") + argv[3] + "\"")) return 1;
            if (!WaitUntil([] { return FindEditorWithDocument() != nullptr; }, 600000, 5)) return 1;
            QueryPerformanceCounter(&t1);
            HWND w = WaitDrawn(600000, 5);
            QueryPerformanceCounter(&t2);
            if (!w) return 1;
            auto ms = [&](LARGE_INTEGER t) { return double(t.QuadPart - t0.QuadPart) * 1000.0 / double(f.QuadPart); };
            std::printf("%.0f %.0f\n", ms(t1), ms(t2));
            std::fflush(stdout);
            PostMessageA(w, WM_COMMAND, IDCANCEL, 0);  // an unchanged document closes without a question
            if (editor.WaitExit(60000) == STILL_ACTIVE) editor.Kill();
        }
        return 0;
    }
    if (what == "cdimport" && argc >= 5) {
        const std::string folders = "Software\\Ketterly\\Sondrel\\Folders";
        const std::string before = Reg(HKEY_LOCAL_MACHINE, folders, "Current");
        RegSet(HKEY_LOCAL_MACHINE, folders, "Current", argv[4]);
        const bool ok = TimeCDImport(argv[2], argv[3]);
        if (before == "<missing>") {
            HKEY k;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, folders.c_str(), 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
                RegDeleteValueA(k, "Current");
                RegCloseKey(k);
            }
        } else {
            RegSet(HKEY_LOCAL_MACHINE, folders, "Current", before);
        }
        return ok ? 0 : 1;
    }
    if (what == "close") {
        // As the user closes it (Escape): an unchanged document goes without
        // a question, and the editor ends cleanly, keeping no recovery data.
        HWND w = FindEditorWithDocument();
        if (!w) return 1;
        PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
        return WaitUntil([&] { return !IsWindow(w); }, 30000) ? 0 : 1;
    }
    std::fprintf(stderr,
                 "usage: editorprobe shot FILE.png [TIMEOUT_MS] | editorprobe time EXE FILE [RUNS] | editorprobe close |\n"
                 "       editorprobe cdimport EXE ASPI_CONFIG DATA_FOLDER\n");
    return 2;
}
