#include "support/win32/LUserFolders.h"

#include <windows.h>
#include <shlobj.h>

namespace sondrel {

namespace {

// The path in the program's 8-bit code page, or empty when a character of
// it has no form there (a '?' in its place would name another folder).
std::string Narrow(const wchar_t* path) {
    BOOL lost = FALSE;
    int n = WideCharToMultiByte(CP_ACP, 0, path, -1, nullptr, 0, nullptr, &lost);
    if (n <= 1 || lost) return std::string();
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, path, -1, &s[0], n, nullptr, nullptr);
    s.resize(size_t(n - 1));
    return s;
}

}  // namespace

std::string LocalAppDataFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::string();
    std::string narrow = Narrow(path);
    if (!narrow.empty()) return narrow;
    // A user name outside the code page: the folder's short name is plain.
    wchar_t shortPath[MAX_PATH] = {};
    DWORD n = GetShortPathNameW(path, shortPath, MAX_PATH);
    return n > 0 && n < MAX_PATH ? Narrow(shortPath) : std::string();
}

}  // namespace sondrel
