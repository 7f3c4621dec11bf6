#include "tests/drive/LDrive.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace sondrel::drive {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return toupper(x) == toupper(y); });
}

// Memory in another window's process, for messages that carry pointers.
class RemoteBlock {
public:
    RemoteBlock(HWND window, size_t bytes) : bytes_(bytes) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) address_ = VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBlock() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool Ok() const { return address_ != nullptr; }
    char* At(size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool Write(size_t offset, const void* data, size_t n) {
        return offset + n <= bytes_ && WriteProcessMemory(process_, At(offset), data, n, nullptr);
    }
    bool Read(size_t offset, void* data, size_t n) const {
        return offset + n <= bytes_ && ReadProcessMemory(process_, At(offset), data, n, nullptr);
    }

private:
    size_t bytes_;
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

LRESULT SendTimeout(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, DWORD timeoutMs = 5000) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs, &result)) return -1;
    return LRESULT(result);
}

std::string ClassName(HWND window) {
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

}  // namespace

std::string WinePath(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path;
    std::string r = "Z:" + path;
    std::replace(r.begin(), r.end(), '/', '\\');
    return r;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return condition();
        Sleep(stepMs);
    }
}

Program::~Program() {
    Kill();
    if (pi_.hThread) CloseHandle(pi_.hThread);
    if (pi_.hProcess) CloseHandle(pi_.hProcess);
}

bool Program::Start(const std::string& exe, const std::string& args,
                    const std::vector<std::pair<std::string, std::string>>& environment) {
    Kill();
    if (pi_.hThread) CloseHandle(pi_.hThread);
    if (pi_.hProcess) CloseHandle(pi_.hProcess);
    pi_ = {};
    // The driver's environment with the given entries replaced or added.
    std::vector<std::string> entries;
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* p = block; *p; p += std::strlen(p) + 1) entries.push_back(p);
        FreeEnvironmentStringsA(block);
    }
    for (const auto& [name, value] : environment) {
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const std::string& e) {
                                         size_t eq = e.find('=', 1);
                                         return eq != std::string::npos && SameName(e.substr(0, eq), name);
                                     }),
                      entries.end());
        entries.push_back(name + "=" + value);
    }
    std::string block;
    for (const std::string& e : entries) block += e + '\0';
    block += '\0';

    std::string commandLine = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, block.data(), nullptr, &si,
                          &pi_) != FALSE;
}

DWORD Program::WaitExit(DWORD timeoutMs) {
    if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

void Program::Kill() {
    if (pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(pi_.hProcess, 99);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
}

DllOverride::DllOverride(const std::string& exeName, const std::string& dll, const std::string& order)
    : key_("Software\\Wine\\AppDefaults\\" + exeName + "\\DllOverrides"), dll_(dll) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    ok_ = RegSetValueExA(key, dll.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(order.c_str()),
                         DWORD(order.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
}

DllOverride::~DllOverride() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, dll_.c_str());
    RegCloseKey(key);
}

std::string Environment(const char* name) {
    char value[4096];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

namespace {
struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<WindowSearch*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == s->pid && IsWindowVisible(w)) s->found.push_back(w);
    return TRUE;
}
}  // namespace

std::vector<HWND> TopWindows(DWORD pid) {
    WindowSearch search{pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD pid, const std::string& caption, DWORD timeoutMs, const char* windowClass) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : TopWindows(pid)) {
                if (windowClass && ClassName(w) != windowClass) continue;
                if (!caption.empty() && Text(w) != caption) continue;
                found = w;
                return true;
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::string Text(HWND window) {
    char text[1024] = {};
    LRESULT n = SendTimeout(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return n > 0 ? std::string(text, size_t(std::min<LRESULT>(n, sizeof text - 1))) : std::string();
}

void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void Command(HWND window, int id) { PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

bool SendCtrlKey(HWND window, WORD virtualKey) {
    SetForegroundWindow(window);
    if (!WaitUntil([&] { return GetForegroundWindow() == window; }, 3000)) return false;
    INPUT in[4] = {};
    WORD keys[4] = {VK_CONTROL, virtualKey, virtualKey, VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        in[i].type = INPUT_KEYBOARD;
        in[i].ki.wVk = keys[i];
        in[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    return SendInput(4, in, sizeof(INPUT)) == 4;
}

bool WaitForMessageBox(DWORD pid, const std::string& caption, MessageBoxShown& box, DWORD timeoutMs) {
    HWND w = WaitForWindow(pid, caption, timeoutMs, "#32770");
    if (!w) return false;
    box.window = w;
    box.caption = caption;
    box.text.clear();
    // The message is the dialog's static text control (id 0xFFFF); take the
    // longest static text should a system number it otherwise.
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!SameName(ClassName(c), "Static")) continue;
        std::string t = Text(c);
        if (GetDlgCtrlID(c) == 0xFFFF) {
            box.text = t;
            break;
        }
        if (t.size() > box.text.size()) box.text = t;
    }
    return true;
}

int ComboCount(HWND combo) { return int(SendTimeout(combo, CB_GETCOUNT, 0, 0)); }

std::string ComboItem(HWND combo, int index) {
    // Under Wine the ANSI message comes back in UTF-16 across processes:
    // ask in UTF-16 and convert.
    wchar_t text[512] = {};
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(combo, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             5000, &n) ||
        LRESULT(n) <= 0)
        return std::string();
    char out[1024] = {};
    int len = WideCharToMultiByte(CP_ACP, 0, text, int(std::min<DWORD_PTR>(n, 511)), out, sizeof out, nullptr, nullptr);
    return std::string(out, size_t(len > 0 ? len : 0));
}

int ComboSelection(HWND combo) { return int(SendTimeout(combo, CB_GETCURSEL, 0, 0)); }

void ComboSelect(HWND dialog, int id, int index) {
    HWND combo = GetDlgItem(dialog, id);
    SendTimeout(combo, CB_SETCURSEL, WPARAM(index), 0);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

int ListCount(HWND list) { return int(SendTimeout(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string ListText(HWND list, int item, int subItem) {
    constexpr size_t kTextBytes = 512;
    RemoteBlock block(list, sizeof(LVITEMA) + kTextBytes);
    if (!block.Ok()) return std::string();
    LVITEMA lv = {};
    lv.iSubItem = subItem;
    lv.cchTextMax = int(kTextBytes);
    lv.pszText = block.At(sizeof lv);
    block.Write(0, &lv, sizeof lv);
    LRESULT n = SendTimeout(list, LVM_GETITEMTEXTA, WPARAM(item), reinterpret_cast<LPARAM>(block.At(0)));
    char text[kTextBytes] = {};
    if (n <= 0 || !block.Read(sizeof lv, text, kTextBytes)) return std::string();
    return std::string(text, size_t(std::min<LRESULT>(n, kTextBytes - 1)));
}

std::vector<int> ListSelected(HWND list) {
    std::vector<int> items;
    for (int i = -1; (i = int(SendTimeout(list, LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED))) >= 0;) items.push_back(i);
    return items;
}

void ListSelect(HWND list, const std::vector<int>& items) {
    RemoteBlock block(list, sizeof(LVITEMA));
    if (!block.Ok()) return;
    LVITEMA lv = {};
    lv.stateMask = LVIS_SELECTED;
    lv.state = 0;
    block.Write(0, &lv, sizeof lv);
    SendTimeout(list, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(block.At(0)));
    lv.state = LVIS_SELECTED;
    block.Write(0, &lv, sizeof lv);
    for (int i : items) SendTimeout(list, LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(block.At(0)));
}

void ListDoubleClick(HWND list, int item) {
    RemoteBlock block(list, sizeof(RECT));
    RECT r = {};
    r.left = LVIR_LABEL;
    if (!block.Ok() || !block.Write(0, &r, sizeof r)) return;
    SendTimeout(list, LVM_GETITEMRECT, WPARAM(item), reinterpret_cast<LPARAM>(block.At(0)));
    block.Read(0, &r, sizeof r);
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
}

}  // namespace sondrel::drive
