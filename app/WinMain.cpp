// Program entry: decide the program's role from the end of its own file
// (installer, uninstaller or editor), then for the editor run from the
// program's own folder, build the main window, run its message loop and tear
// everything down in reverse order.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cd/LSCSI.h"
#include "cd/win32/CDRipperDlg.h"
#include "document/LAudioCutTank.h"
#include "formats/win32/LPlatformReaders.h"
#include "install/LInstallTable.h"
#include "install/LInstaller.h"
#include "install/win32/LWin32Installer.h"
#include "support/LFile.h"
#include "support/LFilePath.h"
#include "support/LHelp.h"
#include "support/LTempFiles.h"
#include "support/win32/LRegistrySettings.h"
#include "support/win32/LShellHelpOpener.h"
#include "support/win32/LUserFolders.h"
#include "ui/LCrashRecovery.h"
#include "ui/win32/LMainServices.h"
#include "ui/win32/LRecoveryDialog.h"
#include "ui/win32/MainDialog.h"

using namespace sondrel;

// CD import's diagnostic texts go, one a line, to the file that the
// environment variable SONDREL_CD_TRACE names (none when it is not set).
static std::string gCDTracePath;
static void AppendCDTrace(const char* text) {
    if (FILE* f = std::fopen(gCDTracePath.c_str(), "ab")) {
        std::fprintf(f, "%s\n", text);
        std::fclose(f);
    }
}

// Makes the program's folder the current one and returns it. The path is
// read in UTF-16, so that a folder named in any script of up to MAX_PATH
// characters is found (the program's code page is UTF-8).
static std::string EnterProgramFolder(std::string& programPath) {
    wchar_t wide[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, wide, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    char path[MAX_PATH * 3];
    if (!WideCharToMultiByte(CP_ACP, 0, wide, -1, path, sizeof path, nullptr, nullptr)) return std::string();
    programPath = path;
    char* slash = std::strrchr(path, '\\');
    if (!slash) return std::string();
    *slash = '\0';
    SetCurrentDirectoryA(path);
    return path;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    std::string programPath;
    std::string programFolder = EnterProgramFolder(programPath);
    LRegistrySettings settings;
    SetSettingsStore(&settings);

    std::string fileName = programPath.substr(programPath.find_last_of('\\') + 1);
    LProgramRole role = DecideProgramRole(ReadLastWord(programPath.c_str()), fileName);
    if (role == LProgramRole::kCorruptInstaller) {
        MessageBoxA(nullptr, kCorruptInstallText, kInstallErrorCaption, MB_OK | MB_ICONEXCLAMATION);
        SetSettingsStore(nullptr);
        return 1;
    }
    if (role != LProgramRole::kEditor) {
        size_t count = 0;
        const LInstallFile* files = InstallFileTable(&count);
        int code = RunInstallerRole(role, programPath, commandLine, files, count);
        SetSettingsStore(nullptr);
        return code;
    }

    // One editor at a time: a second start hands its file to the first
    // (restored and brought to the front) and ends.
    if (HWND running = FindRunningEditor()) {
        HandOver(running, CommandLinePath(commandLine));
        SetSettingsStore(nullptr);
        return 0;
    }

    InstallPlatformReaders();
    if (const char* trace = std::getenv("SONDREL_CD_TRACE"); trace && *trace) {
        gCDTracePath = trace;
        SetCDTraceHook(AppendCDTrace);
    }
    LShellHelpOpener help;
    SetManualFolder(JoinPath(programFolder, kManualFolderName));
    SetHelpOpener(&help);

    // The segment files live in the data folder, by default the user's own
    // under their local application data. It is made here, at the first
    // start, with the folders above it and the user's own permissions (the
    // installer, run by someone else, makes none), or every edit would write
    // its audio nowhere.
    std::string dataFolder = DataFolder(LocalAppDataFolder(), programFolder);
    MakeFolderChain(dataFolder);

    // What a run that died left there goes first, and only in the instance
    // that holds the folder's lock (never a second one's audio): its
    // documents are offered before the tank exists, then everything else it
    // left is cleared, keeping the segments of the documents to recover.
    LFolderLock folderLock;
    const std::string heldFolder = folderLock.Acquire(dataFolder) ? dataFolder : std::string();
    LRecoveredDocuments recovered = AskToRecover(
        heldFolder, [](const LRecoveryPrompt& p) { return RunRecoveryDialog(nullptr, p); }, FormatLocalTimeWin32);
    RemoveLeftovers(heldFolder, recovered.KeepSet());
    LCutTankScope tank(dataFolder);
    LCrashRecovery journals(heldFolder);  // after the tank: it ends first

    int result = 1;
    {
        LWin32MainServices services;
        services.SetCDImport([](HWND owner, LDocuments& docs) { CmLoadCDTrack(owner, docs); });
        MainDialog main(instance, services);
        // The recovered documents go in before the command line's file
        // allocates anything; every change after is journalled.
        recovered.AddTo(main.Documents(), journals);
        main.Controller().SetChangeListener([&](const LSDFile*) { journals.DocumentChanged(main.Documents()); });
        if (main.Create(commandLine)) {
            services.SetOwner(main.Window());
            result = main.RunMessageLoop();
        }
        main.Controller().SetChangeListener(nullptr);
    }
    // A clean end: the window has closed its documents; no journal stays.
    journals.Close();
    SetHelpOpener(nullptr);
    SetSettingsStore(nullptr);
    return result;  // the tank deletes its segment files as it goes
}
