// The main window's menus, hints, tooltips and recent-file list as data: the
// command ids and texts the user sees and where the recent files go.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "support/LResourceIds.h"
#include "support/LSettings.h"
#include "ui/LMainCommands.h"
#include "ui/LMainMenu.h"
#include "ui/LMainModel.h"
#include "ui/LRecentFiles.h"

namespace sondrel::test {
namespace {


void Walk(const std::vector<LMenuNode>& items, const std::function<void(const LMenuNode&)>& f) {
    for (const LMenuNode& n : items) {
        f(n);
        Walk(n.items, f);
    }
}

std::map<int, std::string> Texts(const std::vector<LMenuNode>& bar) {
    std::map<int, std::string> texts;
    Walk(bar, [&](const LMenuNode& n) {
        if (n.nId) {
            EXPECT_EQ(texts.count(n.nId), 0u) << "twice: " << n.nId;
            texts[n.nId] = n.szText;
        }
    });
    return texts;
}

TEST(MainMenu, EveryCommandWithItsText) {
    std::map<int, std::string> texts = Texts(MainMenuBar());
    const std::map<int, std::string> want = {
        {1001, "&New...\tCtrl+N"},
        {1002, "&Open...\tCtrl+O"},
        {1011, "&Load Audio CD Track(s)...\tCtrl+L"},
        {1003, "Close"},
        {1004, "&Save \tCtrl+S"},
        {1005, "Save &As..."},
        {1006, "Convert Sample Rate"},
        {1007, "Mono"},
        {1008, "Stereo"},
        {1009, "Send..."},
        {1010, "Settings..."},
        {1048, "E&xit\tAlt+F4"},
        {2001, "Undo \tCtrl+Z"},
        {2002, "Cut \tCtrl+X"},
        {2003, "Copy \tCtrl+C"},
        {2004, "Paste \tCtrl+V"},
        {2005, "Paste Mix..."},
        {2006, "Delete\tDel"},
        {2007, "Select All\tCtrl+A"},
        {2008, "Mix File..."},
        {2009, "Repeat Loop..."},
        {2010, "Trim\tCtrl+T"},
        {2011, "Trim Start\tCtrl+R"},
        {2012, "Trim End\tCtrl+E"},
        {2013, "Auto Trim"},
        {2014, "Silence Select Region"},
        {2015, "Begin"},
        {2016, "Current"},
        {2017, "End"},
        {2018, "Begin"},
        {2019, "Current"},
        {2020, "End"},
        {2021, "Copy To New"},
        {2022, "Redo \tCtrl+Y"},
        {3001, "Record\tF5"},
        {3002, "Play\tF9"},
        {3003, "Play Slow Speed\tF11"},
        {3004, "Play Normal Speed\tF10"},
        {3005, "Play Fast Speed\tF12"},
        {3006, "Stop\tEsc"},
        {3007, "Go To Start\tHome"},
        {3008, "Rewind\tF7"},
        {3009, "Fast Forward\tF8"},
        {3010, "Go To End\tEnd"},
        {5001, "Zoom In\tCtrl+Plus"},
        {5002, "Zoom Out\tCtrl+Minus"},
        {5003, "Zoom To Selection\tCtrl+Shift+S"},
        {5004, "Zoom Full\tCtrl+Shift+F"},
        {5005, "Vertical Zoom\tCtrl+Shift+V"},
        {5040, "Close All"},
        {6000, "&Help Contents\tF1"},
        {6013, "&About Sondrel"},
    };
    for (const auto& [id, text] : want) EXPECT_EQ(texts[id], text) << id;
    for (int id = IDM_AMPLIFY; id <= IDM_CONSTANT_SPEED_PITCH; ++id) EXPECT_FALSE(texts[id].empty()) << id;
    for (int id = IDM_WEB_FIRST; id <= IDM_WEB_LAST; ++id) EXPECT_FALSE(texts[id].empty()) << id;
    EXPECT_EQ(texts.size(), want.size() + 16 + 12);
}

TEST(MainMenu, RecentFilesAndWindowsGoWhereTheirPositionsSay) {
    std::vector<LMenuNode> bar = MainMenuBar();
    ASSERT_EQ(bar.size(), 7u);
    const LMenuNode& file = bar[0];
    // The first recent file is inserted at position 1050 - 1036, just before
    // the separator and Exit.
    ASSERT_EQ(file.items.size(), size_t(IDM_RECENT_FIRST - kRecentPositionBase + 1));
    EXPECT_EQ(file.items.back().nId, IDM_EXIT);
    EXPECT_TRUE(file.items[file.items.size() - 2].IsSeparator());
    const LMenuNode& window = bar[5];
    ASSERT_EQ(window.items.size(), 1u);  // the open windows go before Close All
    EXPECT_EQ(window.items[0].nId, IDM_CLOSE_ALL);
    // The context menu holds the Edit menu's commands.
    EXPECT_EQ(Texts(EditPopupMenu().items), Texts({bar[1]}));
    EXPECT_EQ(InternetResourcesMenu().items.size(), 12u);
}

TEST(MainMenu, HintsAndTooltips) {
    EXPECT_EQ(CommandHint(IDM_NEW), "Creates a new audio file.");
    EXPECT_EQ(CommandHint(IDM_PASTE_MIX), "Mixes the clipboard contents over the current selected region.");
    EXPECT_EQ(CommandHint(IDM_INSERT_SILENCE_CURRENT), "Inserts silence at the current position.");
    EXPECT_EQ(CommandHint(IDM_RECENT_LAST), "Open the recent closed file.");
    EXPECT_EQ(CommandHint(IDM_WINDOW_LAST), "Activates the selected window.");
    EXPECT_EQ(CommandHint(IDM_DELETE), "");
    std::set<int> commands;
    Walk(MainMenuBar(), [&](const LMenuNode& n) {
        if (n.nId) commands.insert(n.nId);
    });
    for (int id : commands) {
        bool none = id == IDM_DELETE || (id >= IDM_PLAY_SLOW && id <= IDM_PLAY_FAST) ||
                    (id >= IDM_WEB_FIRST && id <= IDM_WEB_LAST);
        EXPECT_EQ(CommandHint(id).empty(), none) << id;
    }
    int tips = 0;
    for (int c = 100; c < 130; ++c) tips += ControlTooltip(c) != nullptr;
    EXPECT_EQ(tips, 21);
    EXPECT_STREQ(ControlTooltip(IDC_RECORD), "Record (F5)");
    EXPECT_STREQ(FindMainCommand(IDM_OPEN)->szTip, "Open (Ctrl+O)");
    EXPECT_STREQ(FindMainCommand(IDM_CUT)->szTip, "Cut  (Ctrl+X)");
    EXPECT_EQ(CommandText(*FindMainCommand(IDM_UNDO), "Echo"), "Undo Echo\tCtrl+Z");
    EXPECT_EQ(CommandText(*FindMainCommand(IDM_REDO), "Echo"), "Redo Echo\tCtrl+Y");
    // The toolbar: its eight buttons in order, each with its image.
    std::vector<std::pair<int, int>> toolbar;
    for (const LMainCommand& c : MainCommands())
        if (c.nToolbarImage >= 0) toolbar.push_back({c.nId, c.nToolbarImage});
    EXPECT_EQ(toolbar, (std::vector<std::pair<int, int>>{{IDM_NEW, 6}, {IDM_OPEN, 7}, {IDM_SAVE, 8}, {IDM_UNDO, 3},
                                                          {IDM_REDO, 9}, {IDM_CUT, 0}, {IDM_COPY, 1}, {IDM_PASTE, 2}}));
    for (const LManualLink& l : ManualLinks()) EXPECT_STREQ(ManualPageOf(l.nId), l.szPage);
}

class RecentFiles : public ::testing::Test {
protected:
    void SetUp() override { SetSettingsStore(&store); }
    void TearDown() override { SetSettingsStore(nullptr); }
    LMemorySettings store;
};

TEST_F(RecentFiles, ATwelfthFileReplacesTheOldestAndReAddingOnlyRefreshesTheDate) {
    // Eleven files with dates out of order; slot 7 is the oldest.
    const int64_t dates[kRecentSlots] = {50, 40, 90, 60, 70, 80, 10, 30, 20, 95, 99};
    for (int n = 1; n <= kRecentSlots; ++n)
        AddToRecentFileList("C:\\take" + std::to_string(n) + ".wav", dates[n - 1]);
    AddToRecentFileList("C:\\twelfth.wav", 100);
    EXPECT_EQ(RecentFile(7), "C:\\twelfth.wav");
    EXPECT_EQ(RecentFileDate(7), 100);
    AddToRecentFileList("C:\\thirteenth.wav", 101);
    EXPECT_EQ(RecentFile(9), "C:\\thirteenth.wav");

    AddToRecentFileList("c:\\TAKE3.WAV", 200);  // the same file in other letters
    EXPECT_EQ(RecentFile(3), "C:\\take3.wav");
    EXPECT_EQ(RecentFileDate(3), 200);
    for (int n = 1; n <= kRecentSlots; ++n)
        if (n != 3) {
            EXPECT_NE(RecentFile(n), "c:\\TAKE3.WAV");
        }
    // Dates beyond 2038 keep their order.
    AddToRecentFileList("C:\\take1.wav", 4102444800);
    EXPECT_EQ(RecentFileDate(1), 4102444800);
    AddToRecentFileList("C:\\late.wav", 4102444801);
    EXPECT_EQ(RecentFile(8), "C:\\late.wav");  // slot 8 (30) was the oldest, not slot 1
}

TEST_F(RecentFiles, MenuListsFilledSlotsAndNeverListsAPathTwice) {
    WriteString("Recent", "RecentFile 3", "D:\\Tom & Jerry.wav");
    WriteString("Recent", "RecentFileDate3", "5");
    AddToRecentFileList("D:\\new.wav", 6);  // the first empty slot
    EXPECT_EQ(RecentFile(1), "D:\\new.wav");
    AddToRecentFileList("D:\\Tom & Jerry.wav", 7);  // an empty slot 2 comes first, but it is listed
    EXPECT_EQ(RecentFile(2), "");
    std::vector<LMenuEntry> menu = RecentFileMenu();
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[0].nId, 1050);
    EXPECT_EQ(menu[0].szText, "&1. D:\\new.wav");
    EXPECT_EQ(menu[1].nId, 1052);
    EXPECT_EQ(menu[1].szText, "&3. D:\\Tom && Jerry.wav");
    AddToRecentFileList("", 8);
    EXPECT_EQ(RecentFile(2), "");
}

}  // namespace
}  // namespace sondrel::test
