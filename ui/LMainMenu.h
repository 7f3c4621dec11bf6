// The main window's menus as data: the menu bar, the Internet Resources
// popup of the status bar and the wave window's edit popup. The trees hold
// the order of the items; each item's text, key and hint are those of its
// command's record (the command table, LMainCommands.h, and the effect
// table for the Effects menu and the parameterised edits). The Win32 window
// builds its menus from these trees and the portable tests check them.
#pragma once
#include <string>
#include <vector>

namespace sondrel {

struct LMenuNode {
    std::string szText;  // empty with id 0: a separator
    int nId = 0;         // the command; 0 for separators and popups
    std::vector<LMenuNode> items;  // not empty: a popup
    bool IsSeparator() const { return nId == 0 && szText.empty() && items.empty(); }
    bool IsPopup() const { return !items.empty(); }
};

// "&File", "&Edit", "&Play", "E&ffects", "&View", "&Window", "&Help".
std::vector<LMenuNode> MainMenuBar();
// Menu 2: the Internet Resources entries (6001..6012).
LMenuNode InternetResourcesMenu();
// Menu 3: the edit commands, shown at the cursor over the main wave view.
LMenuNode EditPopupMenu();

// The status-bar text for a highlighted item: its command's hint, "" for
// items without one.
std::string CommandHint(int id);

// Where the first recent file goes in the File menu: the recent items are
// inserted at position id - kRecentPositionBase.
constexpr int kRecentPositionBase = 1036;

// The Internet Resources entries open pages of the manual.
struct LManualLink {
    int nId;
    const char* szText;
    const char* szPage;  // file in the manual folder
};
const std::vector<LManualLink>& ManualLinks();
const char* ManualPageOf(int id);  // null for ids that are not an entry

}  // namespace sondrel
