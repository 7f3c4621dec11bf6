#include "support/win32/LShellHelpOpener.h"

#include <windows.h>
#include <shellapi.h>

#include "support/LFile.h"

namespace sondrel {

bool LShellHelpOpener::OpenPage(const std::string& path) {
    HWND owner = GetActiveWindow();
    if (!LFile::Exists(path.c_str())) {
        std::string text = "The manual page \"" + path + "\" is missing. Install Sondrel again to restore the manual.";
        MessageBoxA(owner, text.c_str(), "Sondrel Help", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    HINSTANCE r = ShellExecuteA(owner, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(r) > 32) return true;
    std::string text = "No program on this computer can show the manual page \"" + path +
                       "\". Install a web browser to read the manual.";
    MessageBoxA(owner, text.c_str(), "Sondrel Help", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

}  // namespace sondrel
