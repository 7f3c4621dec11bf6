// The recent-file list: eleven slots in section "Recent" of the settings,
// "RecentFile %d" holding a path and "RecentFileDate%d" the time it was last
// used (whole seconds). A path is added when its document is closed; the
// File menu lists the filled slots.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sondrel {

constexpr int kRecentSlots = 11;

struct LMenuEntry {
    int nId;
    std::string szText;
};

// The path in slot n (1..11); "" when the slot is empty.
std::string RecentFile(int n);
// The last-use time of slot n; 0 when none is stored.
int64_t RecentFileDate(int n);

// Adds a path at time now (seconds): a slot that holds the same path (letter
// case aside) only gets the new time; otherwise the first empty slot takes
// it, and when there is none the slot with the oldest time is replaced.
void AddToRecentFileList(const std::string& path, int64_t now);

// The File menu's items for the filled slots: "&%d. %s" with id 1049 + n
// (an "&" in a path is doubled, so that it shows as itself).
std::vector<LMenuEntry> RecentFileMenu();

// A menu item's text that shows text as it is.
std::string MenuEscape(const std::string& text);

}  // namespace sondrel
