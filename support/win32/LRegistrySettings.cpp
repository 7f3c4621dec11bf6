#include "support/win32/LRegistrySettings.h"

#include <windows.h>

namespace sondrel {

bool LRegistrySettings::Query(const char* section, const char* key, std::string& value) {
    std::string path = szRoot + "\\" + section;
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    char buf[kSettingsTextBytes] = {};
    DWORD size = sizeof buf;
    LONG r = RegQueryValueExA(h, key, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    if (r != ERROR_SUCCESS) return false;
    // The value's type is not checked; make sure the text is terminated.
    if (size >= sizeof buf) size = sizeof buf - 1;
    buf[size] = '\0';
    value = buf;
    return TextCharacters(value) + 1 <= size_t(kSettingsTextMax);
}

void LRegistrySettings::Set(const char* section, const char* key, const std::string& value) {
    std::string path = szRoot + "\\" + section;
    HKEY h;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &h, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(h, key, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
    RegCloseKey(h);
}

bool LRegistrySettings::Remove(const char* section, const char* key) {
    std::string path = szRoot + "\\" + section;
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS) return false;
    LONG r = RegDeleteValueA(h, key);
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

}  // namespace sondrel
