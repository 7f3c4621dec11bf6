#include "tests/drive/LDrive.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <winternl.h>

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
    if (path.empty() || path[0] != '/') return path;
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
    if (!detached_) Kill();
    if (pi_.hThread) CloseHandle(pi_.hThread);
    if (pi_.hProcess) CloseHandle(pi_.hProcess);
}

bool Program::Start(const std::string& exe, const std::string& args,
                    const std::vector<std::pair<std::string, std::string>>& environment) {
    Kill();
    if (pi_.hThread) CloseHandle(pi_.hThread);
    if (pi_.hProcess) CloseHandle(pi_.hProcess);
    pi_ = {};
    detached_ = false;
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

void Program::WaitIdle(DWORD timeoutMs) {
    if (pi_.hProcess) WaitForInputIdle(pi_.hProcess, timeoutMs);
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
    if ((s->pid == 0 || owner == s->pid) && IsWindowVisible(w)) s->found.push_back(w);
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
    LRESULT length = SendTimeout(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return std::string();
    std::vector<char> text(size_t(length) + 1);
    LRESULT n = SendTimeout(window, WM_GETTEXT, WPARAM(text.size()), reinterpret_cast<LPARAM>(text.data()));
    return n > 0 ? std::string(text.data(), size_t(std::min(n, length))) : std::string();
}

void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void Command(HWND window, int id) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

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

bool SendKeys(HWND window, const std::vector<KeyStroke>& keys) {
    SetForegroundWindow(window);
    if (!WaitUntil([&] { return GetForegroundWindow() == window; }, 3000)) return false;
    std::vector<INPUT> in(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        in[i].type = INPUT_KEYBOARD;
        in[i].ki.wVk = keys[i].vk;
        in[i].ki.dwFlags = keys[i].up ? KEYEVENTF_KEYUP : 0;
        if (keys[i].vk == VK_HOME || keys[i].vk == VK_END || keys[i].vk == VK_LEFT || keys[i].vk == VK_RIGHT ||
            keys[i].vk == VK_DELETE)
            in[i].ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    }
    return SendInput(UINT(in.size()), in.data(), sizeof(INPUT)) == in.size();
}

bool Press(HWND window, WORD virtualKey, const std::vector<WORD>& modifiers) {
    std::vector<KeyStroke> keys;
    for (WORD m : modifiers) keys.push_back({m, false});
    keys.push_back({virtualKey, false});
    keys.push_back({virtualKey, true});
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) keys.push_back({*m, true});
    return SendKeys(window, keys);
}

bool ClickMouse(HWND control) {
    HWND top = GetAncestor(control, GA_ROOT);
    SetForegroundWindow(top);
    if (!WaitUntil([&] { return GetForegroundWindow() == top; }, 3000)) return false;
    RECT r;
    if (!GetWindowRect(control, &r)) return false;
    if (!SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2)) return false;
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, in, sizeof(INPUT)) == 2;
}

std::string TextUtf8(HWND window) {
    wchar_t text[1024] = {};
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &n))
        return std::string();
    char out[4096] = {};
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, int(std::min<DWORD_PTR>(n, 1023)), out, sizeof out - 1, nullptr,
                                    nullptr);
    return std::string(out, size_t(std::max(bytes, 0)));
}

bool SetTextUtf8(HWND window, const std::string& text) {
    wchar_t w[1024] = {};
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, w, 1023);
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w), SMTO_ABORTIFHUNG, 5000, &r) &&
           r == TRUE;
}

namespace {
uint32_t Crc32(const uint8_t* p, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}
void Put32Be(std::vector<uint8_t>& f, uint32_t v) {
    for (int i = 3; i >= 0; --i) f.push_back(uint8_t(v >> (8 * i)));
}
void Chunk(std::vector<uint8_t>& f, const char* type, const std::vector<uint8_t>& data) {
    Put32Be(f, uint32_t(data.size()));
    size_t start = f.size();
    f.insert(f.end(), type, type + 4);
    f.insert(f.end(), data.begin(), data.end());
    Put32Be(f, Crc32(&f[start], f.size() - start));
}
}  // namespace

bool SaveScreenPng(const std::string& path) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = dib && bits;
    if (ok) {
        HGDIOBJ old = SelectObject(mem, dib);
        ok = BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY) != FALSE;
        SelectObject(mem, old);
    }
    std::vector<uint8_t> raw;  // filter byte 0, then RGB per pixel, per row
    if (ok) {
        GdiFlush();
        const uint8_t* px = static_cast<const uint8_t*>(bits);
        raw.reserve(size_t(h) * (1 + 3 * size_t(w)));
        for (int y = 0; y < h; ++y) {
            raw.push_back(0);
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = px + (size_t(y) * w + x) * 4;
                raw.push_back(p[2]);
                raw.push_back(p[1]);
                raw.push_back(p[0]);
            }
        }
    }
    if (dib) DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    if (!ok) return false;
    // zlib stream of stored blocks.
    std::vector<uint8_t> z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (size_t at = 0; at < raw.size() || at == 0;) {
        size_t n = std::min<size_t>(65535, raw.size() - at);
        bool last = at + n >= raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(uint8_t(n));
        z.push_back(uint8_t(n >> 8));
        z.push_back(uint8_t(~n));
        z.push_back(uint8_t(~n >> 8));
        z.insert(z.end(), raw.begin() + long(at), raw.begin() + long(at + n));
        for (size_t i = at; i < at + n; ++i) {
            a = (a + raw[i]) % 65521;
            b = (b + a) % 65521;
        }
        at += n;
        if (last) break;
    }
    Put32Be(z, (b << 16) | a);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    Put32Be(ihdr, uint32_t(w));
    Put32Be(ihdr, uint32_t(h));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    ok = WriteFile(f, png.data(), DWORD(png.size()), &written, nullptr) && written == png.size();
    CloseHandle(f);
    return ok;
}

bool WaitForMessageBox(DWORD pid, const std::string& caption, MessageBoxShown& box, DWORD timeoutMs, HWND except) {
    HWND w = nullptr;
    WaitUntil(
        [&] {
            for (HWND t : TopWindows(pid))
                if (t != except && ClassName(t) == "#32770" && Text(t) == caption) {
                    w = t;
                    return true;
                }
            return false;
        },
        timeoutMs);
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

namespace {
BOOL CALLBACK CollectStatic(HWND w, LPARAM p) {
    if (SameName(ClassName(w), "Static")) {
        std::string t = Text(w);
        if (!t.empty()) *reinterpret_cast<std::string*>(p) += t + "\n";
    }
    return TRUE;
}
}  // namespace

std::string StaticTexts(HWND dialog) {
    std::string all;
    EnumChildWindows(dialog, CollectStatic, reinterpret_cast<LPARAM>(&all));
    return all;
}

bool WaitStaticText(HWND dialog, const std::string& text, DWORD timeoutMs) {
    return WaitUntil([&] { return IsWindow(dialog) && StaticTexts(dialog).find(text) != std::string::npos; },
                     timeoutMs);
}

DWORD WindowProcess(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

bool WaitForProcessExit(DWORD pid, DWORD timeoutMs) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h) return true;
    const bool gone = WaitForSingleObject(h, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(h);
    return gone;
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
    if (!h) return std::string();
    std::string result;
    PROCESS_BASIC_INFORMATION info = {};
    if (query && query(h, 0, &info, sizeof info, nullptr) == 0) {
        // The process parameters' pointer in the PEB and the command line (a
        // counted wide string) in them, at the offsets of this build's
        // pointer size (the driver and the program it reads are built alike):
        // PEB + 0x10 and + 0x40 in 32-bit processes, + 0x20 and + 0x70 in
        // 64-bit ones.
        constexpr size_t kPtr = sizeof(void*);
        const size_t paramsAt = kPtr == 8 ? 0x20 : 0x10, lineAt = kPtr == 8 ? 0x70 : 0x40;
        uintptr_t params = 0;
        struct {
            uint16_t length, maximum;
            uintptr_t buffer;  // after padding to a pointer's alignment
        } line = {};
        SIZE_T got = 0;
        if (ReadProcessMemory(h, static_cast<char*>(static_cast<void*>(info.PebBaseAddress)) + paramsAt, &params,
                              sizeof params, &got) &&
            ReadProcessMemory(h, reinterpret_cast<void*>(params + lineAt), &line, sizeof line, &got)) {
            std::vector<wchar_t> w(line.length / 2 + 1);
            if (ReadProcessMemory(h, reinterpret_cast<void*>(line.buffer), w.data(), line.length, &got)) {
                char text[2048] = {};
                WideCharToMultiByte(CP_ACP, 0, w.data(), int(line.length / 2), text, sizeof text - 1, nullptr, nullptr);
                result = text;
            }
        }
    }
    CloseHandle(h);
    return result;
}

HWND WaitForWindowOfImage(const std::string& caption, const std::string& exePath, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : TopWindows(0)) {
                if (Text(w) != caption || !SameName(ImageOf(WindowProcess(w)), exePath)) continue;
                found = w;
                return true;
            }
            return false;
        },
        timeoutMs, 50);
    return found;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    // Shared for deleting too: a program that replaces the file (renames a
    // new one over it) while the driver reads it must not fail.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    DWORD size = GetFileSize(h, nullptr), got = 0;
    bytes.resize(size);
    if (!ReadFile(h, bytes.data(), size, &got, nullptr) || got != size) bytes.clear();
    CloseHandle(h);
    return bytes;
}

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    BOOL ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr) && put == bytes.size();
    CloseHandle(h);
    return ok;
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
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    LONG r = RegQueryValueExA(h, name && *name ? name : nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(h);
    return r == ERROR_SUCCESS ? std::string(value) : std::string("<missing>");
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

}  // namespace sondrel::drive
