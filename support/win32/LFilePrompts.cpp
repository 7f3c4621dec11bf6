#include "support/win32/LFilePrompts.h"

#include <commdlg.h>

namespace sondrel {

namespace {

constexpr DWORD kPathBytes = MAX_PATH * 3;

bool Ask(bool save, HWND owner, const LFilePrompt& prompt, const std::string& folder, std::string& path) {
    char file[kPathBytes] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = prompt.szFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = kPathBytes;
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = prompt.szTitle;
    ofn.lpstrDefExt = prompt.szDefExt;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!save) ofn.Flags |= OFN_FILEMUSTEXIST;
    if (!(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn))) return false;
    path = file;
    return true;
}

}  // namespace

bool AskOpenFile(HWND owner, const LFilePrompt& prompt, const std::string& folder, std::string& path) {
    return Ask(false, owner, prompt, folder, path);
}

bool AskSaveFile(HWND owner, const LFilePrompt& prompt, const std::string& folder, std::string& path) {
    return Ask(true, owner, prompt, folder, path);
}

}  // namespace sondrel
