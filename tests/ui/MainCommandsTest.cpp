// The main window's command table: every id served by one record with a
// handler, every key by one command, the rules that pick a command for a
// key and the texts the menus show for keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "effects/LEffectTable.h"
#include "support/LResourceIds.h"
#include "ui/LMainCommands.h"

namespace sondrel::test {
namespace {

TEST(MainCommands, EveryIdHasOneRecordWithAHandler) {
    std::set<int> ids;
    auto take = [&](const LMainCommand& c) {
        EXPECT_NE(c.pfnRun, nullptr) << c.nId;
        for (int id = c.nId; id <= std::max(c.nId, c.nLastId); ++id) {
            EXPECT_TRUE(ids.insert(id).second) << "served twice: " << id;
            EXPECT_EQ(FindMainCommand(id), &c) << id;
        }
        // A held button or key ends what it started when it is let go.
        if (c.nHeldButton) {
            EXPECT_NE(c.pfnRelease, nullptr) << c.nId;
        }
    };
    for (const LMainCommand& c : MainCommands()) take(c);
    for (const LMainCommand& c : EffectCommands()) take(c);
    EXPECT_EQ(EffectCommands().size(), size_t(LEffect::kCount));
    EXPECT_EQ(FindMainCommand(IDM_RECENT_LAST + 1), nullptr);  // the recent files' separator
    EXPECT_EQ(FindMainCommand(9999), nullptr);
}

TEST(MainCommands, NoTwoCommandsShareAKey) {
    std::map<std::pair<unsigned, int>, int> owner;
    for (const LMainCommand& c : MainCommands())
        for (const LShortcut& k : c.keys)
            if (k.nKey) {
                auto [it, fresh] = owner.insert({{k.nKey, k.mods}, c.nId});
                EXPECT_TRUE(fresh) << KeyText(k) << ": " << it->second << " and " << c.nId;
            }
}

TEST(MainCommands, AKeyPicksItsCommand) {
    struct Case {
        unsigned key;
        LKeys keys;
        int command;  // 0: none
    };
    const LKeys ctrl{true, false, false}, ctrlShift{true, true, false};
    const LKeys shift{false, true, false}, alt{false, false, true};
    const Case cases[] = {
        {'X', ctrl, IDM_CUT},
        {'X', ctrlShift, IDM_CUT},  // no Ctrl+Shift+X: Shift is let pass
        {'X', {}, 0},
        {'S', ctrl, IDM_SAVE},
        {'S', ctrlShift, IDM_ZOOM_SELECTION},
        {'F', ctrl, 0},  // only Ctrl+Shift+F is a key
        {'F', ctrlShift, IDM_ZOOM_FULL},
        {vk::kAdd, ctrl, IDM_ZOOM_IN},  // two keys of one command
        {vk::kOemPlus, ctrl, IDM_ZOOM_IN},
        {vk::kF7, {}, IDM_REWIND},
        {vk::kLeft, alt, IDM_REWIND},
        {vk::kDelete, shift, IDM_DELETE},  // keys without Ctrl let Shift and Alt pass
        {vk::kDelete, ctrl, 0},
        {vk::kF5, {}, IDM_RECORD},
        {vk::kF5, ctrl, 0},
        {vk::kF4, alt, 0},  // Alt+F4 is the system's: shown, not taken
        {vk::kF4, {}, 0},
    };
    for (const Case& c : cases) {
        const LMainCommand* found = CommandOfKey(c.key, c.keys);
        EXPECT_EQ(found ? found->nId : 0, c.command)
            << c.key << (c.keys.bControl ? " ctrl" : "") << (c.keys.bShift ? " shift" : "")
            << (c.keys.bAlt ? " alt" : "");
    }
    // Letting go: only the keys of held commands answer, whatever is held with them.
    ASSERT_NE(CommandOfReleasedKey(vk::kRight), nullptr);
    EXPECT_EQ(CommandOfReleasedKey(vk::kRight)->nId, IDM_FAST_FORWARD);
    EXPECT_EQ(CommandOfReleasedKey(vk::kF9), nullptr);
}

TEST(MainCommands, KeyTextsAndLabelledTexts) {
    EXPECT_EQ(KeyText({'S', kCtrl | kShift}), "Ctrl+Shift+S");
    EXPECT_EQ(KeyText({vk::kOemMinus, kCtrl}), "Ctrl+Minus");
    EXPECT_EQ(KeyText({vk::kF12, 0}), "F12");
    EXPECT_EQ(KeyText({vk::kF4, kAlt | kSystemKey}), "Alt+F4");
    EXPECT_EQ(KeyText({vk::kEscape, 0}), "Esc");
    EXPECT_EQ(CommandText(*FindMainCommand(IDM_UNDO)), "Undo \tCtrl+Z");
    EXPECT_EQ(CommandText(*FindMainCommand(IDM_UNDO), "Amplify"), "Undo Amplify\tCtrl+Z");
    EXPECT_EQ(CommandText(*FindMainCommand(IDM_ECHO)), "Echo...");
}

}  // namespace
}  // namespace sondrel::test
