// The installer and uninstaller roles of the program on Windows: the system
// side of the install operations (registry, folders with their access,
// shell links, processes, the licence and message boxes) and the runs under
// the progress dialog.
#pragma once
#include <windows.h>

#include <string>

#include "install/LInstaller.h"

namespace sondrel {

// Closes a running editor (a top-level dialog titled "Sondrel" or
// "Sondrel [...]") with Cancel and waits up to waitMs for it to end.
void CloseRunningEditor(DWORD waitMs);

// Runs the installer or uninstaller role; selfPath is the program's own file,
// arguments its command line after the program name, files the program's
// install file table. Returns the exit code.
int RunInstallerRole(LProgramRole role, const std::string& selfPath, const char* arguments, const LInstallFile* files,
                     size_t count);

}  // namespace sondrel
