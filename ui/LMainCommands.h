// The main window's commands as data, the way the effect table holds the
// effects: one record per command (a menu item, a toolbar button, a
// transport or view button) with its id, menu text, keys, status-bar hint,
// tooltip, what it needs, whether it stops the player and its handler, a
// member function of LMainController. The controller dispatches commands,
// enables items, buttons and keys and answers keys from it; the menus
// (LMainMenu) keep only the order of the items and take their texts and
// hints from it; the window builds its toolbar and tooltips from it. The
// effect table's records join as commands of their own (FindMainCommand).
//
// Adding a command is one record in LMainCommands.cpp and its handler. A
// command may have more than one key; an item whose text follows a label
// ("Undo Echo") names the function that gives the label.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "document/LNeeds.h"

namespace sondrel {

class LMainController;

// Virtual-key codes the table and the controller know (those of the Windows
// keyboard); letters are their upper-case characters.
namespace vk {
constexpr unsigned kBack = 0x08, kShift = 0x10, kControl = 0x11, kMenu = 0x12, kEscape = 0x1B, kSpace = 0x20;
constexpr unsigned kEnd = 0x23, kHome = 0x24;
constexpr unsigned kLeft = 0x25, kRight = 0x27, kDelete = 0x2E, kAdd = 0x6B, kSubtract = 0x6D;
constexpr unsigned kF1 = 0x70, kF4 = 0x73, kF5 = 0x74, kF7 = 0x76, kF8 = 0x77, kF9 = 0x78, kF10 = 0x79, kF11 = 0x7A;
constexpr unsigned kF12 = 0x7B, kOemPlus = 0xBB, kOemMinus = 0xBD;
}  // namespace vk

// The modifiers held with a key.
struct LKeys {
    bool bControl = false;
    bool bShift = false;
    bool bAlt = false;
};

// One key of a command. A key with Ctrl also answers with Shift held when no
// command has that key with Ctrl+Shift; a key without Ctrl answers whatever
// Shift and Alt do. kSystemKey marks a key the system itself serves (Alt+F4
// closes the window): the menu shows it, the controller leaves it alone.
enum LKeyMods : uint8_t { kCtrl = 1, kShift = 2, kAlt = 4, kSystemKey = 8 };
struct LShortcut {
    unsigned nKey = 0;
    uint8_t mods = 0;
};

struct LMainCommand {
    int nId = 0;
    int nLastId = 0;  // a run of ids served alike (recent files, windows, manual pages); 0: nId alone
    // The item's text before the tab and its first key ("&Save "); null for
    // buttons and for items whose text is made when they are shown.
    const char* szMenuText = nullptr;
    LShortcut keys[2] = {};
    const char* szHint = nullptr;  // the status bar while the item is highlighted
    const char* szTip = nullptr;   // the tooltip of its toolbar button or button
    int nToolbarImage = -1;        // its toolbar button's image; -1: none
    uint8_t needs = kNeedsNothing;  // LNeeds: greyed and doing nothing without them
    bool bStopsPlayer = false;
    // Its keys act while its item is greyed, as the transport's keys do.
    bool bKeysWhenGreyed = false;
    // Its keys hold this button down until they are let go (pfnRelease).
    int nHeldButton = 0;
    // The item's text (and the tooltip) is szMenuText, this label, the tab
    // and the key: "Undo Echo\tCtrl+Z".
    std::string (LMainController::*pfnLabel)() const = nullptr;
    void (LMainController::*pfnRun)(int id) = nullptr;
    // A held button or key let go (Rewind and Forward end their scan).
    void (LMainController::*pfnRelease)(int id) = nullptr;

    bool Serves(int id) const { return id == nId || (nLastId && id > nId && id <= nLastId); }
};

// The table; the effect table's records as commands (each stops the player
// itself once it can run, LEffectRunner); and the record of an id, null for
// ids that are not commands.
std::span<const LMainCommand> MainCommands();
std::span<const LMainCommand> EffectCommands();
const LMainCommand* FindMainCommand(int id);

// "Ctrl+Shift+S", "F9", "Esc", "Ctrl+Plus".
std::string KeyText(const LShortcut& key);
// The item's text with this label (for items with pfnLabel) and its key.
std::string CommandText(const LMainCommand& command, const std::string& label = std::string());

// The command a key pressed with these modifiers runs; null: none.
const LMainCommand* CommandOfKey(unsigned key, const LKeys& keys);
// The command whose held key this is, let go; null: none.
const LMainCommand* CommandOfReleasedKey(unsigned key);

}  // namespace sondrel
