// Driving a Win32 program from a second process, as a user would: start it
// with its own environment, find its windows and message boxes by caption,
// read what they show, press buttons, type keys, and work combo boxes and
// list views. Written for Wine (see shared/WINE-TESTING.md), where it is
// measured; every call also works on Windows.
//
// What crosses the process boundary and how:
// - texts of windows and controls: WM_GETTEXT, CB_GETLBTEXT (the system
//   copies these between processes; Wine answers CB_GETLBTEXT in UTF-16
//   even when asked in ANSI, so it is asked in UTF-16); GetWindowTextA does
//   not work across processes under Wine;
// - list views take pointers the system does not copy: their item texts,
//   states and rectangles go through memory allocated in the target process
//   (VirtualAllocEx, WriteProcessMemory, ReadProcessMemory);
// - buttons and commands are posted (BM_CLICK, WM_COMMAND), so the driver
//   never blocks on a modal loop the click starts;
// - a process's image and command line are read from the process itself
//   (QueryFullProcessImageName, its parameters block);
// - accelerators with Ctrl need real input: the window is brought to the
//   front and the keys go through SendInput.
//
// Every wait polls with a time-out; nothing sleeps a fixed time. Besides the
// windows, what a program leaves behind is read here too: files, registry
// values and shell links.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace sondrel::drive {

// A Unix path (from "/") as Wine sees it: drive Z: is the Unix root. Any
// other path passes through.
std::string WinePath(const std::string& path);

// Polls until condition holds or timeoutMs pass; returns its last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs = 20);

// A program started for a test. The destructor ends it if it still runs.
class Program {
public:
    Program() = default;
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts exe with arguments; environment entries ("NAME", "value")
    // replace or extend the driver's own environment. False when it
    // cannot start.
    bool Start(const std::string& exe, const std::string& args,
               const std::vector<std::pair<std::string, std::string>>& environment = {});
    // The exit code once it has ended within timeoutMs; STILL_ACTIVE otherwise.
    DWORD WaitExit(DWORD timeoutMs);
    // Waits until the program waits for input (its first window is up).
    void WaitIdle(DWORD timeoutMs);
    void Kill();
    // Leaves the program running: the destructor no longer ends it (for a
    // program that something else is to end, as a crash would).
    void Detach() { detached_ = true; }
    DWORD Id() const { return pi_.dwProcessId; }
    HANDLE Handle() const { return pi_.hProcess; }

private:
    PROCESS_INFORMATION pi_ = {};
    bool detached_ = false;
};

// Wine's load order for one DLL of one program, set in the registry for the
// scope of the object (the per-program AppDefaults key of HKEY_CURRENT_USER)
// and removed again after. A WINEDLLOVERRIDES entry given to the started
// program does not work: Wine puts the driver's own value back. order is
// Wine's: "native,builtin" lets a test double beside the program win over
// Wine's builtin library; "" switches the DLL off, as if it were absent.
class DllOverride {
public:
    DllOverride(const std::string& exeName, const std::string& dll, const std::string& order);
    ~DllOverride();
    DllOverride(const DllOverride&) = delete;
    DllOverride& operator=(const DllOverride&) = delete;
    bool Ok() const { return ok_; }

private:
    std::string key_, dll_;
    bool ok_ = false;
};

// The value of an environment variable of the driver itself ("" when unset).
std::string Environment(const char* name);

// Visible top-level windows of process pid (of every process for 0), in z-order.
std::vector<HWND> TopWindows(DWORD pid);
// A visible top-level window of pid (any process for 0) with exactly this
// caption, or with this window class when caption is empty; polls up to
// timeoutMs; null if none.
HWND WaitForWindow(DWORD pid, const std::string& caption, DWORD timeoutMs, const char* windowClass = nullptr);
// Polls until the window no longer exists or is hidden.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);

// The text of a window or control (WM_GETTEXT).
std::string Text(HWND window);
// Posts BM_CLICK to the dialog's control id.
void Click(HWND dialog, int id);
// Posts WM_COMMAND with id to window as its control of that id would
// (BN_CLICKED, the control's handle): menu commands, and a dialog's buttons
// when the dialog rather than the button should act (message boxes, a
// property sheet's OK).
void Command(HWND window, int id);
// Brings window to the front and types key with Ctrl held (SendInput).
bool SendCtrlKey(HWND window, WORD virtualKey);
// One key going down or up.
struct KeyStroke {
    WORD vk;
    bool up;
};
// Brings window to the front and types these key events in order (SendInput).
bool SendKeys(HWND window, const std::vector<KeyStroke>& keys);
// A key pressed and released with the given modifiers held (VK_SHIFT,
// VK_CONTROL, VK_MENU), for instance Press(w, VK_END, {VK_SHIFT}).
bool Press(HWND window, WORD virtualKey, const std::vector<WORD>& modifiers = {});

// Brings the top-level window of control to the front and clicks the left
// mouse button at the control's centre (SendInput).
bool ClickMouse(HWND control);

// The text of a window or control in UTF-8 whatever the driver's code page
// (WM_GETTEXT in UTF-16), and a text set the same way (WM_SETTEXT).
std::string TextUtf8(HWND window);
bool SetTextUtf8(HWND window, const std::string& text);

// The screen as a PNG file (24-bit, uncompressed deflate blocks).
bool SaveScreenPng(const std::string& path);

// A standard message box: its window, caption and message text.
struct MessageBoxShown {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};
// Waits for a message box of pid with this caption; false when none comes.
// A dialog of the same caption that is not a message box (a program's main
// window) can be passed over as except.
bool WaitForMessageBox(DWORD pid, const std::string& caption, MessageBoxShown& box, DWORD timeoutMs,
                       HWND except = nullptr);

// Combo boxes.
int ComboCount(HWND combo);
std::string ComboItem(HWND combo, int index);
int ComboSelection(HWND combo);
// Selects an entry as the user would: the selection changes and the parent
// dialog gets CBN_SELCHANGE.
void ComboSelect(HWND dialog, int id, int index);

// List views of another process.
int ListCount(HWND list);
std::string ListText(HWND list, int item, int subItem);
std::vector<int> ListSelected(HWND list);
// Selects exactly these items.
void ListSelect(HWND list, const std::vector<int>& items);
// Double-clicks an item with the left button (posted mouse messages).
void ListDoubleClick(HWND list, int item);

// Every non-empty static text of a dialog, each followed by a newline (a
// message box's text and labels).
std::string StaticTexts(HWND dialog);
// Polls until the dialog's static texts hold text (a message box's text can
// be set just after it shows); false when the dialog goes first.
bool WaitStaticText(HWND dialog, const std::string& text, DWORD timeoutMs);

// Processes: the one a window belongs to, the full path of a process's
// program and its command line ("" when they cannot be read).
DWORD WindowProcess(HWND window);
// Waits until process pid has ended (true at once when it cannot be opened:
// it has gone already).
bool WaitForProcessExit(DWORD pid, DWORD timeoutMs);
std::string ImageOf(DWORD pid);
std::string CommandLineOf(DWORD pid);
// A visible top-level window with this caption whose process runs the
// program at exePath (compared without case); polls up to timeoutMs.
HWND WaitForWindowOfImage(const std::string& caption, const std::string& exePath, DWORD timeoutMs);

// Files (Windows paths): whether one exists, its bytes or text (empty when it
// cannot be read), a file written from bytes, and the names in a folder
// (no "." and ".."), sorted; empty when the folder is missing.
bool Exists(const std::string& path);
std::vector<uint8_t> ReadBytes(const std::string& path);
std::string ReadText(const std::string& path);
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<std::string> List(const std::string& folder);

// Registry: a string value (name "" or null for the key's default value),
// or "<missing>" when the key or value is not there; whether a key exists;
// a string value written (the key made as needed); a key removed with all
// below it.
std::string Reg(HKEY root, const std::string& key, const char* name);
bool RegKeyExists(HKEY root, const std::string& key);
bool RegSet(HKEY root, const std::string& key, const char* name, const std::string& value);
void RegRemoveTree(HKEY root, const std::string& key);

// The target path of a shell link (.lnk); "" when it cannot be read.
std::string LinkTarget(const std::string& linkPath);

}  // namespace sondrel::drive
