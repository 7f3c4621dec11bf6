// A test host for CD import: a plain window standing in for the main
// window. Ctrl+L (or the command IDM_LOAD_CD) runs the main window's
// "Load Audio CD Track(s)..." command over its own documents; after each
// command it reports the documents so the driver can check them.
//
//   cdhost                      the window
//   cdhost --rip D T PATH       reads track T of drive D (from 0) into PATH
//                               under the progress dialog; the exit code is
//                               the operation's result (0, 1 or 2)
//   cdhost --bench REPORT       reads every track of drive 0, then opens
//                               each as a document, and writes the times
//
// Environment: CDHOST_DATA is the data folder (the cut tank's, where the
// temporary WAV files go; default: "Current" beside the program);
// CDHOST_REPORT a folder for the reports:
//   docs.txt   one line a document: name, dirty flag, path, rate, channels,
//              frames (tab-separated), written after every command
//   docN.raw   document N's samples as 16-bit little-endian values
//   trace.txt  the diagnostic texts of CD import, one a line
//   help.txt   the manual pages help was asked for, one a line
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cd/LCDROM.h"
#include "cd/LCDRipper.h"
#include "cd/LSCSI.h"
#include "cd/win32/CDRipperDlg.h"
#include "cd/win32/LSCSIWin32.h"
#include "document/LAudioCutTank.h"
#include "document/LDocuments.h"
#include "support/LFile.h"
#include "support/LHelp.h"
#include "support/LResourceIds.h"
#include "ui/win32/LWin32DocumentHost.h"

using namespace sondrel;

namespace {

const char kHostClass[] = "SondrelCDHost";

std::string gReport;
LDocuments* gDocuments = nullptr;

std::string Env(const char* name) {
    char value[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

void Append(const char* file, const char* line) {
    if (gReport.empty()) return;
    if (FILE* f = std::fopen(JoinPath(gReport, file).c_str(), "ab")) {
        std::fprintf(f, "%s\n", line);
        std::fclose(f);
    }
}

void TraceToReport(const char* text) { Append("trace.txt", text); }

// Writes docs.txt last (through a temporary name), so that its appearing
// means the whole report is there.
void WriteReport() {
    if (gReport.empty()) return;
    std::string lines;
    for (int i = 0; i < gDocuments->GetNoFiles(); ++i) {
        LSDFile* doc = gDocuments->At(i);
        LSoundSourcePtr src = CreateSource(doc->audio);
        std::vector<int16_t> samples;
        std::vector<int32_t> block(size_t(8192) * doc->audio.nChans);
        for (int32_t left = src->GetLength(); left > 0;) {
            int32_t n = left < 8192 ? left : 8192;
            src->Read(block.data(), n);
            for (size_t k = 0; k < size_t(n) * doc->audio.nChans; ++k) samples.push_back(int16_t(block[k] >> 4));
            left -= n;
        }
        std::string raw = JoinPath(gReport, "doc" + std::to_string(i + 1) + ".raw");
        LFile::WriteAll(raw.c_str(), samples.data(), samples.size() * 2);
        char line[512];
        std::snprintf(line, sizeof line, "%s\t%d\t%s\t%d\t%d\t%d\n", doc->DisplayName().c_str(), int(doc->bDirty),
                      doc->szFilePath.c_str(), int(doc->audio.nSampleRate), int(doc->audio.nChans),
                      int(src->GetLength()));
        lines += line;
    }
    std::string temp = JoinPath(gReport, "docs.tmp");
    LFile::WriteAll(temp.c_str(), lines.data(), lines.size());
    LFile::Replace(temp.c_str(), JoinPath(gReport, "docs.txt").c_str());
}

// Records the page instead of starting a browser.
class ReportHelpOpener : public LHelpOpener {
public:
    bool OpenPage(const std::string& path) override {
        Append("help.txt", path.c_str());
        return true;
    }
};

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDM_LOAD_CD) {
                CmLoadCDTrack(hwnd, *gDocuments);
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

int RunWindow(HINSTANCE instance, LWin32DocumentHost& host) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kHostClass;
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowA(kHostClass, "Sondrel CD Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 480, 320,
                              nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 3;
    host.SetOwner(hwnd);
    ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'L', IDM_LOAD_CD}};
    HACCEL accelerators = CreateAcceleratorTableA(keys, 1);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(hwnd, accelerators, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    DestroyAcceleratorTable(accelerators);
    return 0;
}

int Rip(int drive, int track, const std::string& path) {
    LCDROMRipper ripper;
    ripper.Data.nDrive = uint8_t(drive);
    ripper.Data.nTrack = uint8_t(track);
    ripper.Data.szPath = path;
    LWin32DocumentHost host(nullptr);
    return host.RunOperation("Import CD Track(s)", [&](LProgress* p) { return Process(p, ripper); });
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(to.QuadPart - from.QuadPart) / double(f.QuadPart);
}

int Bench(const std::string& folder, const std::string& reportPath, LDocuments& documents) {
    LWin32DocumentHost host(nullptr);
    LCDROMInfo info;
    host.RunOperation("Load CD Drives", [&](LProgress* p) { return Process(p, info); });
    if (info.nDrives == 0 || info.nTracks[0] == 0) return 2;
    double audioSeconds = 0;
    std::vector<std::string> files;
    LARGE_INTEGER t0, t1, t2;
    QueryPerformanceCounter(&t0);
    for (int t = 0; t < info.nTracks[0]; ++t) {
        std::string path = JoinPath(folder, "Track " + std::to_string(t + 1) + ".wav");
        if (Rip(0, t, path) != kProcessDone) return 2;
        LFile f;
        if (f.Open(path.c_str(), LFile::kRead)) audioSeconds += double(f.Size() - kCDWaveHeaderBytes) / 176400.0;
        files.push_back(path);
    }
    QueryPerformanceCounter(&t1);
    int opened = OpenImportedTracks(documents, files);
    QueryPerformanceCounter(&t2);
    double rip = Seconds(t0, t1), load = Seconds(t1, t2);
    char text[512];
    std::snprintf(text, sizeof text,
                  "tracks %d\naudio_seconds %.1f\nread_seconds %.2f\nread_x_realtime %.1f\nopen_seconds %.2f\n"
                  "import_x_realtime %.1f\n",
                  opened, audioSeconds, rip, audioSeconds / rip, load, audioSeconds / (rip + load));
    LFile::WriteAll(reportPath.c_str(), text, std::strlen(text));
    return opened == info.nTracks[0] ? 0 : 2;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    UseWin32SCSIPlatformIfNone();
    gReport = Env("CDHOST_REPORT");
    if (!gReport.empty()) SetCDTraceHook(TraceToReport);
    ReportHelpOpener help;
    SetHelpOpener(&help);

    std::string folder = Env("CDHOST_DATA");
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

    int argc = __argc;
    char** argv = __argv;
    int result;
    if (argc >= 5 && std::string(argv[1]) == "--rip")
        result = Rip(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
    else if (argc >= 3 && std::string(argv[1]) == "--bench")
        result = Bench(folder, argv[2], documents);
    else
        result = RunWindow(instance, host);
    documents.ReleaseAll();
    SetHelpOpener(nullptr);
    return result;
}
