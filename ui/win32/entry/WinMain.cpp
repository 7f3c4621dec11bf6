// Program entry: decide the program's role from the end of its own file
// (installer, uninstaller or editor), then for the editor run from the
// program's own folder, build the main window, run its message loop and tear
// everything down in reverse order.
#include <windows.h>

#include <cstring>
#include <string>

#include "document/LAudioCutTank.h"
#include "formats/win32/LPlatformReaders.h"
#include "install/LInstallTable.h"
#include "install/LInstaller.h"
#include "install/win32/LWin32Installer.h"
#include "support/LFile.h"
#include "support/LHelp.h"
#include "support/LTempFiles.h"
#include "support/win32/LRegistrySettings.h"
#include "support/win32/LShellHelpOpener.h"
#include "ui/win32/MainDialog.h"

using namespace sondrel;

// Makes the program's folder the current one and returns it.
static std::string EnterProgramFolder(std::string& programPath) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
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

    InstallPlatformReaders();
    LShellHelpOpener help;
    SetManualFolder(JoinPath(programFolder, kManualFolderName));
    SetHelpOpener(&help);

    // The segment files live in the data folder. The installer makes it; a
    // copy of the program run from elsewhere makes it here, or every edit
    // would write its audio nowhere.
    std::string dataFolder = DataFolder(programFolder);
    CreateDirectoryA(dataFolder.c_str(), nullptr);
    // What a run that died left there goes first; only the instance that
    // holds the folder's lock may clear it (never a second one's audio).
    LFolderLock folderLock;
    if (folderLock.Acquire(dataFolder)) RemoveLeftovers(dataFolder, {});
    LCutTankScope tank(dataFolder);

    int result = 1;
    {
        MainDialog main(instance);
        if (main.Create(commandLine)) result = main.RunMessageLoop();
    }
    SetHelpOpener(nullptr);
    SetSettingsStore(nullptr);
    return result;  // the tank deletes its segment files as it goes
}
