#include "support/win32/LWin32Registry.h"

#include <windows.h>

namespace sondrel {

namespace {
HKEY RootKey(LRegRoot root) {
    switch (root) {
        case LRegRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
        case LRegRoot::kCurrentUser: return HKEY_CURRENT_USER;
        case LRegRoot::kLocalMachine: break;
    }
    return HKEY_LOCAL_MACHINE;
}

// Deletes a key's subkeys depth first, then the key (RegDeleteKey removes
// only keys without subkeys on every Windows version).
bool DeleteTree(HKEY parent, const char* name) {
    HKEY h;
    if (RegOpenKeyExA(parent, name, 0, KEY_READ | KEY_WRITE, &h) != ERROR_SUCCESS) return false;
    char sub[256];
    for (;;) {
        DWORD n = sizeof sub;
        if (RegEnumKeyExA(h, 0, sub, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (!DeleteTree(h, sub)) break;
    }
    RegCloseKey(h);
    return RegDeleteKeyA(parent, name) == ERROR_SUCCESS;
}
}  // namespace

bool LWin32Registry::ReadString(LRegRoot root, const std::string& key, const char* name, std::string& value) {
    HKEY h;
    if (RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    char buf[260] = {};
    DWORD size = sizeof buf;
    DWORD type = 0;
    LONG r = RegQueryValueExA(h, name && *name ? name : nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    if (size >= sizeof buf) size = sizeof buf - 1;
    buf[size] = '\0';
    value = buf;
    return true;
}

bool LWin32Registry::CreateKey(LRegRoot root, const std::string& key, bool* created) {
    HKEY h;
    DWORD disposition = 0;
    if (RegCreateKeyExA(RootKey(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &h,
                        &disposition) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    if (created) *created = disposition == REG_CREATED_NEW_KEY;
    return true;
}

bool LWin32Registry::WriteString(LRegRoot root, const std::string& key, const char* name, const std::string& value) {
    HKEY h;
    if (RegCreateKeyExA(RootKey(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &h,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExA(h, name && *name ? name : nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            DWORD(value.size() + 1));
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

bool LWin32Registry::KeyExists(LRegRoot root, const std::string& key) {
    HKEY h;
    if (RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

bool LWin32Registry::DeleteKey(LRegRoot root, const std::string& key) {
    return !key.empty() && DeleteTree(RootKey(root), key.c_str());
}

bool LWin32Registry::DeleteValue(LRegRoot root, const std::string& key, const char* name) {
    HKEY h;
    if (RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS) return false;
    LONG r = RegDeleteValueA(h, name && *name ? name : nullptr);
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

}  // namespace sondrel
