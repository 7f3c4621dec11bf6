// The main window's Win32 edge in this process: the menus built from the
// menu tree with the recent files and open windows where they belong, the
// Undo item's text, the toolbar and status bar, the layout at small and
// large sizes, and the hand-over of a file by atom and by data.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "document/LAudioCutTank.h"
#include "support/LFile.h"
#include "support/LResourceIds.h"
#include "support/LSettings.h"
#include "support/TestUtil.h"
#include "ui/win32/MainDialog.h"

using namespace sondrel;

namespace {

class NoServices : public LMainServices {
public:
    bool EffectDialog(const LEffectDesc&, LEffectValues&, const LSDFile*) override { return false; }
    int RecordDialog(int32_t, uint8_t, const std::string&, LCutListAudio&) override { return 0; }
    void LoadCDTracks(LDocuments&) override {}
    void Settings() override {}
    void Send(LDocuments&) override {}
    void Help() override {}
    void OpenManualPage(const char*) override {}
    void About() override {}
};

// Handles the thread's messages until the condition holds (at most ms).
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        Sleep(5);
    }
    return true;
}

std::vector<int> Ids(HMENU menu) {
    std::vector<int> ids;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) ids.push_back(int(GetMenuItemID(menu, i)));  // separators: 0
    return ids;
}

std::string ItemText(HMENU menu, int id) {
    char text[300] = {};
    GetMenuStringA(menu, UINT(id), text, sizeof text, MF_BYCOMMAND);
    return text;
}

// A WAV file of frames frames of 16-bit mono at 8000 Hz.
void WriteWav(const std::string& path, int frames) {
    std::vector<uint8_t> f(44 + 2 * size_t(frames), 0);
    auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) f[at + i] = uint8_t(v >> (8 * i));
    };
    std::memcpy(&f[0], "RIFF", 4);
    put(4, uint32_t(f.size() - 8), 4);
    std::memcpy(&f[8], "WAVEfmt ", 8);
    put(16, 16, 4);
    put(20, 1, 2);
    put(22, 1, 2);
    put(24, 8000, 4);
    put(28, 16000, 4);
    put(32, 2, 2);
    put(34, 16, 2);
    std::memcpy(&f[36], "data", 4);
    put(40, uint32_t(2 * frames), 4);
    ASSERT_TRUE(LFile::WriteAll(path.c_str(), f.data(), f.size()));
}

class MainDialogWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::absolute(test::ScratchDir("MainDialogWin32")).string();
        std::filesystem::create_directories(JoinPath(dir, "tank"));
        tank = std::make_unique<LCutTankScope>(JoinPath(dir, "tank"));
        SetSettingsStore(&settings);
        WriteString("Settings", "WindowMaximized", "0");
        // No playback after edits: its position reports would move the selection.
        WriteString("Settings", "AutoPlaybackAfterEffects", "0");
        WriteString("Recent", "RecentFile 1", "C:\\takes\\one.wav");
        WriteString("Recent", "RecentFile 2", "C:\\takes\\Tom & Jerry.wav");
        main = std::make_unique<MainDialog>(GetModuleHandleA(nullptr), services);
        ASSERT_TRUE(main->Create(""));
        w = main->Window();
    }
    void TearDown() override {
        main.reset();
        tank.reset();
        SetSettingsStore(nullptr);
    }
    LSDFile& Open(int frames, const std::string& name) {
        std::string path = JoinPath(dir, name);
        WriteWav(path, frames);
        EXPECT_TRUE(main->Controller().Load(path));
        return *main->Controller().Current();
    }
    RECT ChildRect(int id) {
        RECT r{};
        HWND c = GetDlgItem(w, id);
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    std::string dir;
    LMemorySettings settings;
    std::unique_ptr<LCutTankScope> tank;
    NoServices services;
    std::unique_ptr<MainDialog> main;
    HWND w = nullptr;
};

TEST_F(MainDialogWin32, MenusHoldTheRecentFilesAndTheOpenWindows) {
    HMENU bar = GetMenu(w);
    ASSERT_EQ(GetMenuItemCount(bar), 7);
    HMENU file = GetSubMenu(bar, 0);
    std::vector<int> ids = Ids(file);
    ASSERT_EQ(ids.size(), 18u);
    // The recent files at position id - 1036, their separator before Exit.
    EXPECT_EQ(ids[13], 0);
    EXPECT_EQ(ids[14], IDM_RECENT_FIRST);
    EXPECT_EQ(ids[15], IDM_RECENT_FIRST + 1);
    EXPECT_EQ(ids[16], IDM_RECENT_SEPARATOR);
    EXPECT_EQ(ids[17], IDM_EXIT);
    EXPECT_EQ(ItemText(file, IDM_RECENT_FIRST + 1), "&2. C:\\takes\\Tom && Jerry.wav");

    Open(8000, "a.wav");
    Open(4000, "b.wav");
    HMENU window = GetSubMenu(bar, 5);
    EXPECT_EQ(Ids(window),
              (std::vector<int>{IDM_WINDOW_FIRST, IDM_WINDOW_FIRST + 1, IDM_WINDOW_SEPARATOR, IDM_CLOSE_ALL}));
    EXPECT_EQ(ItemText(window, IDM_WINDOW_FIRST), "&1. " + JoinPath(dir, "a.wav"));
    EXPECT_TRUE(GetMenuState(window, IDM_WINDOW_FIRST + 1, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(window, IDM_WINDOW_FIRST, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(bar, IDM_MONO, MF_BYCOMMAND) & MF_CHECKED);

    // Closing one lists it first among the recent files and takes it off the Window menu.
    main->Controller().Command(IDM_CLOSE);
    EXPECT_EQ(Ids(window), (std::vector<int>{IDM_WINDOW_FIRST, IDM_WINDOW_SEPARATOR, IDM_CLOSE_ALL}));
    EXPECT_EQ(ItemText(file, IDM_RECENT_FIRST + 2), "&3. " + JoinPath(dir, "b.wav"));
    main->Controller().Command(IDM_CLOSE_ALL);
    EXPECT_EQ(Ids(window), (std::vector<int>{IDM_CLOSE_ALL}));
    EXPECT_EQ(GetMenuState(bar, IDM_CUT, MF_BYCOMMAND) & MF_GRAYED, UINT(MF_GRAYED));
}

TEST_F(MainDialogWin32, UndoSaveAndSelectionCommandsFollowTheDocument) {
    HMENU bar = GetMenu(w);
    HWND toolbar = FindWindowExA(w, nullptr, TOOLBARCLASSNAMEA, nullptr);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_FALSE(SendMessageA(toolbar, TB_ISBUTTONENABLED, IDM_SAVE, 0));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, IDC_PLAY)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, IDC_RECORD)));  // a new document first

    LSDFile& d = Open(16000, "c.wav");
    char title[64] = {};
    GetWindowTextA(w, title, sizeof title);
    EXPECT_STREQ(title, "Sondrel [c.wav]");
    char status[64] = {};
    SendMessageA(GetDlgItem(w, IDC_STATUS), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(status));
    EXPECT_STREQ(status, "Sample Rate: 8000   Mono");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, IDC_PLAY)));
    EXPECT_EQ(GetMenuState(bar, IDM_CUT, MF_BYCOMMAND) & MF_GRAYED, UINT(MF_GRAYED));

    d.stSelStart.ms = 500;
    d.stSelEnd.ms = 1000;
    main->Controller().Refresh();
    EXPECT_EQ(GetMenuState(bar, IDM_CUT, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONENABLED, IDM_CUT, 0));
    main->Controller().Command(IDM_DELETE);
    EXPECT_EQ(ItemText(bar, IDM_UNDO), "Undo Delete\tCtrl+Z");
    EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONENABLED, IDM_SAVE, 0));
    EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONENABLED, IDM_UNDO, 0));
    char field[32] = {};
    GetDlgItemTextA(w, IDC_SELECTION_START, field, sizeof field);
    EXPECT_STREQ(field, "0:00:00.50");
}

TEST_F(MainDialogWin32, LayoutKeepsEveryControlInsideAndApart) {
    Open(8000, "d.wav");
    for (SIZE size : {SIZE{480, 360}, SIZE{800, 600}, SIZE{1600, 1100}}) {
        SetWindowPos(w, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOMOVE);
        RECT client;
        GetClientRect(w, &client);
        SCOPED_TRACE(std::to_string(client.right) + "x" + std::to_string(client.bottom));
        for (int id = IDC_METER; id <= IDC_VERTICAL_ZOOM; ++id) {
            RECT r = ChildRect(id);
            EXPECT_GE(r.left, 0) << id;
            EXPECT_GE(r.top, 0) << id;
            EXPECT_LE(r.right, client.right) << id;
            EXPECT_LE(r.bottom, client.bottom) << id;
        }
        RECT wave = ChildRect(IDC_WAVE), overview = ChildRect(IDC_OVERVIEW), scroll = ChildRect(IDC_POSITION);
        RECT time = ChildRect(IDC_CURRENT_TIME), play = ChildRect(IDC_PLAY), status = ChildRect(IDC_STATUS);
        EXPECT_GT(wave.bottom - wave.top, 0);
        EXPECT_LE(overview.bottom, wave.top);
        EXPECT_LE(wave.bottom, scroll.top);
        EXPECT_LE(scroll.bottom, time.top);
        EXPECT_LE(time.bottom, play.top);
        EXPECT_EQ(play.bottom, status.top);
        // The current time fits its field.
        HDC dc = GetDC(w);
        HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendDlgItemMessageA(w, IDC_CURRENT_TIME, WM_GETFONT, 0, 0)));
        SIZE text{};
        GetTextExtentPoint32A(dc, "0:00:00.00", 10, &text);
        SelectObject(dc, old);
        ReleaseDC(w, dc);
        EXPECT_LE(text.cx, time.right - time.left);
        EXPECT_LE(text.cy, time.bottom - time.top);
    }
}

TEST_F(MainDialogWin32, AFileHandedOverOpensByAtomAndByData) {
    EXPECT_EQ(FindRunningEditor(), w);
    std::string shortPath = JoinPath(dir, "e.wav");
    WriteWav(shortPath, 800);
    ASSERT_TRUE(HandOver(w, shortPath));
    ASSERT_TRUE(PumpUntil([&] { return main->Documents().GetNoFiles() == 1; }));
    EXPECT_EQ(main->Controller().Current()->szFilePath, shortPath);

    // More than an atom holds (255 characters) goes as data.
    std::string folder = dir;
    while (folder.size() < 200) folder = JoinPath(folder, "nested-folder-name");
    std::filesystem::create_directories(folder);
    std::string longPath = JoinPath(folder, std::string(256 - folder.size() - 5, 'x') + ".wav");
    ASSERT_EQ(longPath.size(), 256u);
    WriteWav(longPath, 800);
    ASSERT_TRUE(HandOver(w, longPath));
    ASSERT_TRUE(PumpUntil([&] { return main->Documents().GetNoFiles() == 2; }));
    EXPECT_EQ(main->Controller().Current()->szFilePath, longPath);
}

}  // namespace
