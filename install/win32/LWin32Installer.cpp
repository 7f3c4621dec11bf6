#include "install/win32/LWin32Installer.h"

#include <objbase.h>
#include <shlobj.h>

#include <vector>

#include "support/LFile.h"
#include "support/LResourceIds.h"
#include "support/win32/LUserFolders.h"
#include "support/win32/LWin32Registry.h"
#include "ui/win32/LProgressDialog.h"

namespace sondrel {

namespace {

std::string LicenceText() {
    HRSRC r = FindResourceA(nullptr, IDR_LICENCE_TEXT, RT_RCDATA);
    HGLOBAL g = r ? LoadResource(nullptr, r) : nullptr;
    const char* p = g ? static_cast<const char*>(LockResource(g)) : nullptr;
    if (!p) return std::string();
    std::string raw(p, SizeofResource(nullptr, r));
    std::string text;
    for (char c : raw) {
        if (c == '\0') break;
        if (c == '\n') text += '\r';
        text += c;
    }
    return text;
}

INT_PTR CALLBACK LicenceProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            SetDlgItemTextA(dlg, IDC_LICENCE_TEXT, LicenceText().c_str());
            SetFocus(GetDlgItem(dlg, IDOK));
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dlg, LOWORD(wParam));
                return TRUE;
            }
            break;
    }
    return FALSE;
}

class LWin32InstallShell : public LInstallShell {
public:
    LProgressDialog* pDialog = nullptr;

    LRegistry& Registry() override { return registry; }
    bool MakeFolder(const std::string& path, bool* created) override {
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            if (created) *created = true;
            return true;
        }
        if (created) *created = false;
        return LFile::IsDirectory(path.c_str());
    }
    bool RemoveFolder(const std::string& path) override { return RemoveDirectoryA(path.c_str()) != 0; }
    bool CreateLink(const std::string& linkPath, const std::string& target) override {
        bool ok = false;
        HRESULT init = CoInitialize(nullptr);
        IShellLinkA* link = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                       reinterpret_cast<void**>(&link)))) {
            link->SetPath(target.c_str());
            size_t slash = target.find_last_of('\\');
            if (slash != std::string::npos) link->SetWorkingDirectory(target.substr(0, slash).c_str());
            IPersistFile* file = nullptr;
            if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
                std::vector<wchar_t> wide(linkPath.size() + 1);
                MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide.data(), int(wide.size()));
                ok = SUCCEEDED(file->Save(wide.data(), TRUE));
                file->Release();
            }
            link->Release();
        }
        if (SUCCEEDED(init)) CoUninitialize();
        return ok;
    }
    bool StartProgram(const std::string& path, const std::string& arguments) override {
        std::string cmd = "\"" + path + "\"" + (arguments.empty() ? "" : " " + arguments);
        std::vector<char> buf(cmd.begin(), cmd.end());
        buf.push_back('\0');
        size_t slash = path.find_last_of('\\');
        std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(path.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.empty() ? nullptr : folder.c_str(), &si, &pi))
            return false;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return true;
    }
    bool ShowLicence() override {
        return DialogBoxParamA(GetModuleHandleA(nullptr), IDD_LICENCE, Owner(), LicenceProc, 0) == IDOK;
    }
    bool AskYesNo(const std::string& text, const char* caption) override {
        return MessageBoxA(Owner(), text.c_str(), caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
    }
    void Tell(const std::string& text, const char* caption, bool warning) override {
        MessageBoxA(Owner(), text.c_str(), caption, MB_OK | (warning ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
    }
    void Wait(uint32_t ms) override {
        if (pDialog)
            pDialog->WaitTime(ms);
        else
            Sleep(ms);
    }
    std::string TempFolder() override { return sondrel::TempFolder(); }
    std::string UserDataRoot() override { return LocalAppDataFolder(); }

private:
    HWND Owner() const { return pDialog ? pDialog->Window() : nullptr; }
    LWin32Registry registry;
};

class InstallRun : public LProgressDialog {
public:
    InstallRun(LInstaller& i, LProgramRole r, bool args)
        : LProgressDialog(kInstallTitle), installer(i), role(r), hasArguments(args) {}
    bool Process() override {
        nResult = role == LProgramRole::kInstaller ? installer.Install(this) : installer.Uninstall(this, hasArguments);
        return nResult == kProcessDone;
    }
    LProcessResult nResult = kProcessFailed;

private:
    LInstaller& installer;
    LProgramRole role;
    bool hasArguments;
};

struct FindEditor {
    HWND found = nullptr;
    static BOOL CALLBACK Visit(HWND hwnd, LPARAM lp) {
        char cls[16] = {}, title[260] = {};
        GetClassNameA(hwnd, cls, sizeof cls);
        if (std::string(cls) != "#32770") return TRUE;
        GetWindowTextA(hwnd, title, sizeof title);
        std::string t = title;
        size_t cut = t.find(" [");
        if (cut != std::string::npos) t.resize(cut);
        if (t != "Sondrel") return TRUE;
        reinterpret_cast<FindEditor*>(lp)->found = hwnd;
        return FALSE;
    }
};

}  // namespace

void CloseRunningEditor(DWORD waitMs) {
    FindEditor f;
    EnumWindows(FindEditor::Visit, reinterpret_cast<LPARAM>(&f));
    if (!f.found) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(f.found, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageA(f.found, WM_COMMAND, IDCANCEL, 0);
    if (process) {
        WaitForSingleObject(process, waitMs);
        CloseHandle(process);
    } else {
        Sleep(waitMs);
    }
}

int RunInstallerRole(LProgramRole role, const std::string& selfPath, const char* arguments, const LInstallFile* files,
                     size_t count) {
    CloseRunningEditor(role == LProgramRole::kInstaller ? 2000 : 1500);
    LWin32InstallShell shell;
    LInstaller installer(shell, std::vector<LInstallFile>(files, files + count), selfPath);
    bool hasArguments = arguments && *arguments;
    InstallRun run(installer, role, hasArguments);
    shell.pDialog = &run;
    run.Run(nullptr);
    shell.pDialog = nullptr;
    return run.nResult == kProcessDone ? 0 : 1;
}

}  // namespace sondrel
