#include "EditorDriver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "support/LResourceIds.h"

namespace sondrel::drive {

namespace {

constexpr char kEditorKey[] = "Software\\Ketterly\\Sondrel";

bool IsMainTitle(const std::string& t) { return t == "Sondrel" || t.rfind("Sondrel [", 0) == 0; }

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, &b[at], 4);
    return v;
}
uint16_t Get16(const std::vector<uint8_t>& b, size_t at) {
    uint16_t v;
    std::memcpy(&v, &b[at], 2);
    return v;
}

}  // namespace

void ClearEditorSettings() { RegRemoveTree(HKEY_LOCAL_MACHINE, kEditorKey); }

void SetEditorSetting(const std::string& section, const char* name, const std::string& value) {
    RegSet(HKEY_LOCAL_MACHINE, std::string(kEditorKey) + "\\" + section, name, value);
}

std::string EditorSetting(const std::string& section, const char* name) {
    return Reg(HKEY_LOCAL_MACHINE, std::string(kEditorKey) + "\\" + section, name);
}

std::vector<int16_t> WavData::Samples() const {
    std::vector<int16_t> s(bytes.size() / 2);
    if (!s.empty()) std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

WavData ReadWav(const std::string& path) {
    WavData w;
    const std::vector<uint8_t> b = ReadBytes(path);
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0) return w;
    bool pcm16 = false;
    for (size_t at = 12; at + 8 <= b.size();) {
        const uint32_t size = Get32(b, at + 4);
        const size_t body = at + 8, end = body + size_t(size);
        if (std::memcmp(&b[at], "fmt ", 4) == 0 && size >= 16 && end <= b.size()) {
            pcm16 = Get16(b, body) == 1 && Get16(b, body + 14) == 16;
            w.chans = Get16(b, body + 2);
            w.rate = int32_t(Get32(b, body + 4));
        } else if (std::memcmp(&b[at], "data", 4) == 0 && pcm16) {
            w.bytes.assign(b.begin() + long(body), b.begin() + long(std::min(end, b.size())));
            return w;
        }
        at = end + (size & 1);
    }
    return WavData{};
}

std::string Absolute(const std::string& path) {
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return n && n < MAX_PATH ? full : path;
}

bool Editor::Start(const std::string& args, const std::vector<std::pair<std::string, std::string>>& environment,
                   const std::string& exe) {
    main_ = nullptr;
    if (!program_.Start(exe.empty() ? WinePath(SONDREL_EXE) : exe, args, environment)) return false;
    program_.WaitIdle(kEditorStartMs);
    return FindMain();
}

bool Editor::FindMain(DWORD timeoutMs) {
    main_ = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : TopWindows(program_.Id()))
                if (IsMainTitle(TextUtf8(w))) {
                    main_ = w;
                    return true;
                }
            return false;
        },
        timeoutMs);
    return main_ != nullptr;
}

bool Editor::WaitTitle(const std::string& title, DWORD timeoutMs) const {
    return WaitUntil([&] { return Title() == title; }, timeoutMs);
}

bool Editor::WaitField(int id, const std::string& text, DWORD timeoutMs) const {
    return WaitUntil([&] { return Field(id) == text; }, timeoutMs);
}

bool Editor::WaitDrawn() const {
    const UINT msg = RegisterWindowMessageA("Sondrel.WaveViewsDrawn");
    return WaitUntil(
        [&] {
            DWORD_PTR r = 0;
            return SendMessageTimeoutA(main_, msg, 0, 0, SMTO_ABORTIFHUNG, 2000, &r) && r == 1;
        },
        kEditorStepMs);
}

void Editor::Thumb(int thumb) const {
    PostMessageA(main_, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, thumb),
                 reinterpret_cast<LPARAM>(GetDlgItem(main_, IDC_POSITION)));
}

bool Editor::Idle() const {
    int quiet = 0;
    return WaitUntil(
        [&] {
            bool idle = IsWindowEnabled(main_);
            for (HWND w : TopWindows(program_.Id()))
                if (w != main_ && IsWindowVisible(w)) idle = false;
            quiet = idle ? quiet + 1 : 0;
            return quiet >= 2;
        },
        kEditorStepMs);
}

bool Editor::UndoEnabled() const { return ToolbarEnabled(IDM_UNDO); }

bool Editor::ToolbarEnabled(int id) const {
    HWND bar = FindWindowExA(main_, nullptr, "ToolbarWindow32", nullptr);
    DWORD_PTR r = 0;
    return bar && SendMessageTimeoutA(bar, TB_ISBUTTONENABLED, WPARAM(id), 0, SMTO_ABORTIFHUNG, 5000, &r) && r;
}

HWND Editor::WaitDialog(const std::string& caption, DWORD timeoutMs) const {
    return WaitForWindow(program_.Id(), caption, timeoutMs, "#32770");
}

bool Editor::FileDialog(const char* caption, const std::string& path) const {
    HWND d = WaitDialog(caption);
    // Wine's explorer-style dialog: the name field is control 1148.
    if (!d || !SetTextUtf8(GetDlgItem(d, 1148), path)) return false;
    Click(d, IDOK);
    return WaitForWindowGone(d, kEditorStepMs);
}

bool Editor::SaveAs(const std::string& path) const {
    Command(IDM_SAVE_AS);
    return FileDialog("Locate Audio Files", path) &&
           WaitTitle("Sondrel [" + path.substr(path.find_last_of('\\') + 1) + "]");
}

bool Editor::Open(const std::string& path) const {
    Command(IDM_OPEN);
    return FileDialog("Open Audio Files", path) &&
           WaitTitle("Sondrel [" + path.substr(path.find_last_of('\\') + 1) + "]");
}

std::string Editor::Answer(int button, DWORD timeoutMs) const {
    MessageBoxShown box;
    if (!WaitMessageBox("Sondrel", box, timeoutMs)) return "<no prompt>";
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    WaitForWindowGone(box.window, kEditorStepMs);
    return box.text;
}

std::vector<std::string> Editor::ExitDiscarding() {
    std::vector<std::string> asked;
    if (program_.WaitExit(0) != STILL_ACTIVE) return asked;
    Command(IDM_EXIT);
    // Each changed document asks in turn until the editor has gone.
    while (program_.WaitExit(0) == STILL_ACTIVE) {
        MessageBoxShown box;
        if (!WaitUntil([&] { return program_.WaitExit(0) != STILL_ACTIVE || WaitMessageBox("Sondrel", box, 0); },
                       kEditorStepMs) ||
            !box.window)
            break;
        asked.push_back(box.text);
        PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
        WaitForWindowGone(box.window, kEditorStepMs);
    }
    return asked;
}

}  // namespace sondrel::drive
