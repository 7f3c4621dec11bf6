#include "support/win32/LFilePrompts.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "support/LFilePath.h"

namespace sondrel {

namespace {

bool Prompt(bool save, char* path, const char* title, char* folder, const char* defExt, const char* filter) {
    if (path[0]) GetFolderFromPath(folder, path);
    char chosen[kMaxPath];
    std::strncpy(chosen, path, kMaxPathChars);
    chosen[kMaxPathChars] = '\0';

    OPENFILENAMEA ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = chosen;
    ofn.nMaxFile = kMaxPathChars;
    ofn.lpstrInitialDir = folder[0] ? folder : nullptr;
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = defExt;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!save) ofn.Flags |= OFN_FILEMUSTEXIST;
    BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!ok) return false;
    std::strcpy(path, chosen);
    GetFolderFromPath(folder, path);
    return true;
}

}  // namespace

bool FileOpenPrompt(char* path, const char* title, char* folder, const char* defExt, const char* filter) {
    return Prompt(false, path, title, folder, defExt, filter);
}

bool FileSavePrompt(char* path, const char* title, char* folder, const char* defExt, const char* filter) {
    return Prompt(true, path, title, folder, defExt, filter);
}

}  // namespace sondrel
