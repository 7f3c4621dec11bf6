// Program entry: run from the program's own folder, build the main window,
// run its message loop, tear everything down in reverse order.
#include <windows.h>

#include <cstring>
#include <string>

#include "document/LAudioCutTank.h"
#include "formats/win32/LWaveFileCompressed.h"
#include "support/LTempFiles.h"
#include "support/win32/LRegistrySettings.h"
#include "ui/win32/MainDialog.h"

using namespace sondrel;

// Makes the program's folder the current one and returns it.
static std::string EnterProgramFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    char* slash = std::strrchr(path, '\\');
    if (!slash) return std::string();
    *slash = '\0';
    SetCurrentDirectoryA(path);
    return path;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    std::string programFolder = EnterProgramFolder();
    LRegistrySettings settings;
    SetSettingsStore(&settings);
    InstallCompressedWaveReader();

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
    SetSettingsStore(nullptr);
    return result;  // the tank deletes its segment files as it goes
}
