// The real sondrel.exe as the user-level tests work it: started with its
// own settings, its main window found by its caption, the time fields read,
// menu commands posted, keys typed, the common file dialogs filled in, the
// save prompts answered, and a document's samples read back from the file
// Save As wrote. Every wait is bounded.
//
// The editor keeps its settings in the Wine prefix's registry under
// HKEY_LOCAL_MACHINE\Software\Ketterly\Sondrel, which every test of the
// editor in that prefix shares: a test sets what it needs before the start
// and clears the key when it ends.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/drive/LDrive.h"

namespace sondrel::drive {

constexpr DWORD kEditorStartMs = 60000;  // a first window under Wine, in a fresh prefix, can be slow
constexpr DWORD kEditorStepMs = 15000;
// A journal reaches the data folder only once it is flushed, and a flush on
// a disk busy with other writes (a build beside the tests) can take seconds.
constexpr DWORD kEditorDiskMs = 60000;

// The editor's settings: a value of a section, "<missing>" when there is none.
void ClearEditorSettings();
void SetEditorSetting(const std::string& section, const char* name, const std::string& value);
std::string EditorSetting(const std::string& section, const char* name);

// The samples of a 16-bit PCM WAV file (its data chunk) and its format;
// empty when the file is not one.
struct WavData {
    int32_t rate = 0;
    int32_t chans = 0;
    std::vector<uint8_t> bytes;  // little-endian 16-bit samples, interleaved
    std::vector<int16_t> Samples() const;
    int64_t Frames() const { return chans ? int64_t(bytes.size()) / (2 * chans) : 0; }
};
WavData ReadWav(const std::string& path);

// A full path of the driver's working folder, made absolute.
std::string Absolute(const std::string& path);

class Editor {
public:
    // Starts exe (the editor of this build when empty) with the arguments
    // and waits for its main window ("Sondrel" or "Sondrel [...]").
    bool Start(const std::string& args, const std::vector<std::pair<std::string, std::string>>& environment = {},
               const std::string& exe = "");
    // Finds the main window again (after a prompt the start showed first).
    bool FindMain(DWORD timeoutMs = kEditorStartMs);
    HWND Main() const { return main_; }
    Program& Process() { return program_; }
    DWORD Id() const { return program_.Id(); }

    std::string Title() const { return TextUtf8(main_); }
    bool WaitTitle(const std::string& title, DWORD timeoutMs = kEditorStepMs) const;
    // A control of the main window: its text, and a wait for a text.
    std::string Field(int id) const { return TextUtf8(GetDlgItem(main_, id)); }
    bool WaitField(int id, const std::string& text, DWORD timeoutMs = kEditorStepMs) const;
    // Waits until a document is shown with both wave views drawn.
    bool WaitDrawn() const;

    // A menu command, as a click on its item does.
    void Command(int id) const { drive::Command(main_, id); }
    // A key with modifiers, typed as real input into the main window.
    bool Press(WORD key, const std::vector<WORD>& modifiers = {}) const { return drive::Press(main_, key, modifiers); }
    // The position scroll bar dragged to thumb (0..200: thumb x 0.005 x length).
    void Thumb(int thumb) const;
    // Nothing of the last command left running: the main window takes
    // input and no progress window or dialog is up, in two polls running.
    bool Idle() const;
    // Whether the toolbar's Undo button is enabled (menus cannot be read
    // from another process under Wine).
    bool UndoEnabled() const;
    // Whether the toolbar's button of this command is enabled.
    bool ToolbarEnabled(int id) const;
    // A dialog of the editor (window class "#32770") with this caption.
    HWND WaitDialog(const std::string& caption, DWORD timeoutMs = kEditorStepMs) const;

    // A common file dialog with this caption: the name typed, then OK.
    bool FileDialog(const char* caption, const std::string& path) const;
    // File > Save As to a full Windows path; true once the title names it.
    bool SaveAs(const std::string& path) const;
    // File > Open.
    bool Open(const std::string& path) const;
    // A message box of the editor with this caption (not its main window,
    // which is titled "Sondrel" while no document is open).
    bool WaitMessageBox(const std::string& caption, MessageBoxShown& box, DWORD timeoutMs = kEditorStepMs) const {
        return WaitForMessageBox(program_.Id(), caption, box, timeoutMs, main_);
    }
    // A "Sondrel" message box (the save prompts): its text, then the button
    // pressed; "<no prompt>" when none came.
    std::string Answer(int button, DWORD timeoutMs = kEditorStepMs) const;
    // File > Exit, answering No to every save prompt; the prompts' texts.
    std::vector<std::string> ExitDiscarding();
    // The exit code once the editor has ended, STILL_ACTIVE otherwise.
    DWORD WaitExit(DWORD timeoutMs = kEditorStepMs) { return program_.WaitExit(timeoutMs); }
    void Kill() { program_.Kill(); }

private:
    Program program_;
    HWND main_ = nullptr;
};

}  // namespace sondrel::drive
