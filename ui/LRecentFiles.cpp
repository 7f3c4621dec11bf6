#include "ui/LRecentFiles.h"

#include <cstdio>

#include "document/LSDFile.h"
#include "support/LResourceIds.h"
#include "support/LSettings.h"

namespace sondrel {

namespace {

constexpr const char* kSection = "Recent";

std::string PathKey(int n) { return "RecentFile " + std::to_string(n); }
std::string DateKey(int n) { return "RecentFileDate" + std::to_string(n); }

}  // namespace

std::string RecentFile(int n) { return ReadString(kSection, PathKey(n).c_str(), ""); }

int64_t RecentFileDate(int n) {
    // Stored as decimal text, 64 bits wide, so that dates past 2038 keep their order.
    std::string v = ReadString(kSection, DateKey(n).c_str(), "");
    int64_t t = 0;
    size_t i = 0;
    bool neg = i < v.size() && v[i] == '-';
    if (neg) ++i;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) t = t * 10 + (v[i] - '0');
    return neg ? -t : t;
}

void AddToRecentFileList(const std::string& path, int64_t now) {
    if (path.empty()) return;
    std::string slots[kRecentSlots + 1];
    for (int n = 1; n <= kRecentSlots; ++n) slots[n] = RecentFile(n);
    // The same path anywhere only refreshes its date, even with an empty
    // slot before it, so that a path is never listed twice.
    int target = 0;
    for (int n = 1; n <= kRecentSlots && !target; ++n)
        if (SameText(slots[n], path)) target = n;
    for (int n = 1; n <= kRecentSlots && !target; ++n)
        if (slots[n].empty()) target = n;
    if (!target) {
        target = 1;
        int64_t oldest = RecentFileDate(1);
        for (int n = 2; n <= kRecentSlots; ++n) {
            int64_t d = RecentFileDate(n);
            if (d < oldest) {
                oldest = d;
                target = n;
            }
        }
    }
    if (!SameText(slots[target], path)) WriteString(kSection, PathKey(target).c_str(), path.c_str());
    WriteString(kSection, DateKey(target).c_str(), std::to_string(now).c_str());
}

std::string MenuEscape(const std::string& text) {
    std::string r;
    for (char c : text) {
        r += c;
        if (c == '&') r += '&';
    }
    return r;
}

std::vector<LMenuEntry> RecentFileMenu() {
    std::vector<LMenuEntry> items;
    for (int n = 1; n <= kRecentSlots; ++n) {
        std::string p = RecentFile(n);
        if (p.empty()) continue;
        items.push_back({IDM_RECENT_BASE + n, "&" + std::to_string(n) + ". " + MenuEscape(p)});
    }
    return items;
}

}  // namespace sondrel
