// Small helpers for tests that work Sondrel's programs from outside, as a
// user would: start a program, find its windows, press buttons, read texts,
// and look at the files and registry entries it leaves.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace drive {

// A Unix path as Wine sees it (drive Z: is the Unix root); others unchanged.
std::string WinePath(const std::string& path);

// A started program; the handles are closed with the object.
struct Process {
    PROCESS_INFORMATION pi = {};
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();
    bool Start(const std::string& exe, const std::string& args);
    DWORD Id() const { return pi.dwProcessId; }
    // Waits for the end; false on a time-out (the program is then killed).
    bool WaitExit(DWORD timeoutMs);
    DWORD ExitCode() const;
};

// A visible top-level window with this caption (and of this process, when
// pid is not 0), polled up to timeoutMs; null when none came.
HWND WaitWindow(const char* caption, DWORD pid, DWORD timeoutMs);
// A top-level window with this caption belonging to a process whose image
// is exe (compared without case); null when none came.
HWND WaitWindowOfImage(const char* caption, const std::string& exe, DWORD timeoutMs);
bool WaitGone(HWND hwnd, DWORD timeoutMs);
// A control's text (WM_GETTEXT across processes).
std::string Text(HWND hwnd);
// Every static text of a dialog, joined by newlines (a message box's text).
std::string StaticTexts(HWND dlg);
// Polls until the dialog's static texts hold this text (a message box's
// text can be set just after it shows).
bool WaitStaticText(HWND dlg, const std::string& text, DWORD timeoutMs);
// Presses a dialog's button by its id.
void Press(HWND dlg, int id);
// Polls until a control's text is this text.
bool WaitText(HWND ctl, const std::string& text, DWORD timeoutMs);

// The image path and the command line of another process.
std::string ImageOf(DWORD pid);
std::string CommandLineOf(DWORD pid);
DWORD WindowProcess(HWND hwnd);

bool Exists(const std::string& path);
std::vector<uint8_t> ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadText(const std::string& path);
// Names in a folder (no "." and ".."), sorted; empty when it is missing.
std::vector<std::string> List(const std::string& folder);

// Writes a one-second 16-bit mono WAV file at 8000 Hz (a sawtooth).
bool WriteWav(const std::string& path);

// A string value ("" for the default) or "<missing>".
std::string Reg(HKEY root, const std::string& key, const char* name);
bool RegKeyExists(HKEY root, const std::string& key);
bool RegSet(HKEY root, const std::string& key, const char* name, const std::string& value);
void RegRemoveTree(HKEY root, const std::string& key);

// The target of a shell link.
std::string LinkTarget(const std::string& linkPath);

}  // namespace drive
