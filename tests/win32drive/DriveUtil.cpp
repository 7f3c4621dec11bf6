#include "DriveUtil.h"

#include <objbase.h>
#include <shlobj.h>
#include <winternl.h>

#include <algorithm>

namespace drive {

std::string WinePath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string r = "Z:" + path;
    std::replace(r.begin(), r.end(), '/', '\\');
    return r;
}

Process::~Process() {
    if (pi.hProcess) {
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
        CloseHandle(pi.hProcess);
    }
    if (pi.hThread) CloseHandle(pi.hThread);
}

bool Process::Start(const std::string& exe, const std::string& args) {
    std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    std::vector<char> buf(cmd.begin(), cmd.end());
    buf.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (!CreateProcessA(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    WaitForInputIdle(pi.hProcess, 10000);
    return true;
}

bool Process::WaitExit(DWORD timeoutMs) {
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) return true;
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, 5000);
    return false;
}

DWORD Process::ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
}

namespace {
struct Search {
    const char* caption;
    DWORD pid;
    std::string image;
    HWND found = nullptr;
};
BOOL CALLBACK Visit(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    if (!IsWindowVisible(hwnd)) return TRUE;
    char title[512] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    if (std::string(title) != s->caption) return TRUE;
    DWORD pid = WindowProcess(hwnd);
    if (s->pid && pid != s->pid) return TRUE;
    if (!s->image.empty() && lstrcmpiA(ImageOf(pid).c_str(), s->image.c_str()) != 0) return TRUE;
    s->found = hwnd;
    return FALSE;
}
HWND Poll(Search& s, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        s.found = nullptr;
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
        if (s.found || GetTickCount() - start > timeoutMs) return s.found;
        Sleep(50);
    }
}
}  // namespace

HWND WaitWindow(const char* caption, DWORD pid, DWORD timeoutMs) {
    Search s{caption, pid, ""};
    return Poll(s, timeoutMs);
}

HWND WaitWindowOfImage(const char* caption, const std::string& exe, DWORD timeoutMs) {
    Search s{caption, 0, exe};
    return Poll(s, timeoutMs);
}

bool WaitGone(HWND hwnd, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (IsWindow(hwnd)) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

std::string Text(HWND hwnd) {
    char buf[4096] = {};
    DWORD_PTR r = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &r);
    return buf;
}

namespace {
BOOL CALLBACK CollectStatic(HWND hwnd, LPARAM lp) {
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0) {
        std::string t = Text(hwnd);
        if (!t.empty()) *reinterpret_cast<std::string*>(lp) += t + "\n";
    }
    return TRUE;
}
}  // namespace

std::string StaticTexts(HWND dlg) {
    std::string all;
    EnumChildWindows(dlg, CollectStatic, reinterpret_cast<LPARAM>(&all));
    return all;
}

bool WaitStaticText(HWND dlg, const std::string& text, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (StaticTexts(dlg).find(text) == std::string::npos) {
        if (!IsWindow(dlg) || GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

void Press(HWND dlg, int id) {
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

bool WaitText(HWND ctl, const std::string& text, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (Text(ctl) != text) {
        if (!IsWindow(ctl) || GetTickCount() - start > timeoutMs) return false;
        Sleep(5);
    }
    return true;
}

DWORD WindowProcess(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

std::string ImageOf(DWORD pid) {
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!h) return std::string();
    char path[MAX_PATH] = {};
    DWORD n = MAX_PATH;
    BOOL ok = QueryFullProcessImageNameA(h, 0, path, &n);
    CloseHandle(h);
    return ok ? std::string(path, n) : std::string();
}

std::string CommandLineOf(DWORD pid) {
    using QueryFn = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!h || !query) return std::string();
    std::string result;
    PROCESS_BASIC_INFORMATION info = {};
    if (query(h, 0, &info, sizeof info, nullptr) == 0) {
        // 32-bit layouts: PEB + 0x10 is the process parameters, whose
        // command line (a counted wide string) is at + 0x40.
        uint32_t params = 0;
        struct {
            uint16_t length, maximum;
            uint32_t buffer;
        } line = {};
        SIZE_T got = 0;
        if (ReadProcessMemory(h, static_cast<char*>(static_cast<void*>(info.PebBaseAddress)) + 0x10, &params, 4, &got) &&
            ReadProcessMemory(h, reinterpret_cast<void*>(uintptr_t(params) + 0x40), &line, sizeof line, &got)) {
            std::vector<wchar_t> w(line.length / 2 + 1);
            if (ReadProcessMemory(h, reinterpret_cast<void*>(uintptr_t(line.buffer)), w.data(), line.length, &got)) {
                char buf[2048] = {};
                WideCharToMultiByte(CP_ACP, 0, w.data(), int(line.length / 2), buf, sizeof buf - 1, nullptr, nullptr);
                result = buf;
            }
        }
    }
    CloseHandle(h);
    return result;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> v;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return v;
    DWORD size = GetFileSize(h, nullptr), got = 0;
    v.resize(size);
    if (!ReadFile(h, v.data(), size, &got, nullptr) || got != size) v.clear();
    CloseHandle(h);
    return v;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    BOOL ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr) && put == bytes.size();
    CloseHandle(h);
    return ok;
}

bool WriteWav(const std::string& path) {
    std::vector<uint8_t> w = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                              1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
    uint32_t data = 16000;
    for (uint32_t i = 0; i < data / 2; ++i) {
        int16_t s = int16_t((i % 40) * 800 - 16000);
        w.push_back(uint8_t(s));
        w.push_back(uint8_t(s >> 8));
    }
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) w[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    put(4, uint32_t(w.size() - 8));
    put(40, data);
    return WriteBytes(path, w);
}

std::string ReadText(const std::string& path) {
    auto b = ReadBytes(path);
    return std::string(b.begin(), b.end());
}

std::vector<std::string> List(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = fd.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Reg(HKEY root, const std::string& key, const char* name) {
    HKEY h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return "<missing>";
    char buf[1024] = {};
    DWORD size = sizeof buf - 1;
    LONG r = RegQueryValueExA(h, name && *name ? name : nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    return r == ERROR_SUCCESS ? std::string(buf) : std::string("<missing>");
}

bool RegKeyExists(HKEY root, const std::string& key) {
    HKEY h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

bool RegSet(HKEY root, const std::string& key, const char* name, const std::string& value) {
    HKEY h;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExA(h, name && *name ? name : nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            DWORD(value.size() + 1));
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

void RegRemoveTree(HKEY root, const std::string& key) {
    HKEY h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS) return;
    char sub[256];
    for (;;) {
        DWORD n = sizeof sub;
        if (RegEnumKeyExA(h, 0, sub, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        RegRemoveTree(h, sub);
    }
    RegCloseKey(h);
    RegDeleteKeyA(root, key.c_str());
}

std::string LinkTarget(const std::string& linkPath) {
    std::string target;
    HRESULT init = CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            std::vector<wchar_t> wide(linkPath.size() + 1);
            MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide.data(), int(wide.size()));
            if (SUCCEEDED(file->Load(wide.data(), STGM_READ))) {
                char path[MAX_PATH] = {};
                if (SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) target = path;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return target;
}

}  // namespace drive
