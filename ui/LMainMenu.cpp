#include "ui/LMainMenu.h"

#include <iterator>

#include "effects/LEffectTable.h"
#include "support/LResourceIds.h"
#include "ui/LMainCommands.h"

namespace sondrel {

namespace {

LMenuNode Item(const std::string& text, int id) { return LMenuNode{text, id, {}}; }
// A command of the table, with its text and key.
LMenuNode Item(int id) { return Item(CommandText(*FindMainCommand(id)), id); }
LMenuNode Separator() { return LMenuNode{}; }
LMenuNode Popup(const char* text, std::vector<LMenuNode> items) { return LMenuNode{text, 0, std::move(items)}; }
LMenuNode Effect(LEffect id) { return Item(EffectOf(id).nCommand); }

std::vector<LMenuNode> EditItems() {
    return {
        Item(IDM_UNDO),
        Item(IDM_REDO),
        Separator(),
        Item(IDM_CUT),
        Item(IDM_COPY),
        Item(IDM_PASTE),
        Effect(LEffect::kPasteMix),
        Item(IDM_DELETE),
        Separator(),
        Item(IDM_SELECT_ALL),
        Separator(),
        Effect(LEffect::kMixFile),
        Effect(LEffect::kRepeatLoop),
        Item(IDM_TRIM),
        Item(IDM_TRIM_START),
        Item(IDM_TRIM_END),
        Effect(LEffect::kAutoTrim),
        Item(IDM_SILENCE),
        Popup("Insert Silence", {Effect(LEffect::kInsertSilenceBegin), Effect(LEffect::kInsertSilenceCurrent),
                                 Effect(LEffect::kInsertSilenceEnd)}),
        Popup("Insert File", {Item(IDM_INSERT_FILE_BEGIN), Item(IDM_INSERT_FILE_CURRENT), Item(IDM_INSERT_FILE_END)}),
        Separator(),
        Item(IDM_COPY_TO_NEW),
    };
}

// The Effects menu: the records of the Effects menu in the table's order,
// grouped as the user thinks of them.
std::vector<LMenuNode> EffectItems() {
    std::vector<LMenuNode> items;
    for (const LEffectDesc& fx : kEffects) {
        if (fx.eMenu != LEffectMenu::kEffects) continue;
        if (fx.bMenuGroup) items.push_back(Separator());
        items.push_back(Item(fx.nCommand));
    }
    return items;
}

// The Internet Resources entries, IDM_WEB_FIRST on in this order.
const struct {
    const char* szText;
    const char* szPage;
} kManualPages[] = {
    {"Sondrel Manual", "index.html"},
    {"Opening and Saving Files", "files.html"},
    {"Editing", "editing.html"},
    {"Effects", "effects.html"},
    {"Playing and Scrubbing", "playback.html"},
    {"Recording", "recording.html"},
    {"Audio CD Tracks", "cd-tracks.html"},
    {"Keyboard Shortcuts", "keys.html"},
    {"New Files", "new-file.html"},
    {"Sample Rates", "sample-rates.html"},
    {"Settings", "settings-general.html"},
    {"Installing and Uninstalling", "install.html"},
};
static_assert(std::size(kManualPages) == IDM_WEB_LAST - IDM_WEB_FIRST + 1);

}  // namespace

const std::vector<LManualLink>& ManualLinks() {
    static const std::vector<LManualLink> links = [] {
        std::vector<LManualLink> v;
        int id = IDM_WEB_FIRST;
        for (const auto& p : kManualPages) v.push_back({id++, p.szText, p.szPage});
        return v;
    }();
    return links;
}

const char* ManualPageOf(int id) {
    for (const LManualLink& l : ManualLinks())
        if (l.nId == id) return l.szPage;
    return nullptr;
}

LMenuNode InternetResourcesMenu() {
    std::vector<LMenuNode> items;
    for (const LManualLink& l : ManualLinks()) items.push_back(Item(l.szText, l.nId));
    return Popup("Internet Resources", std::move(items));
}

LMenuNode EditPopupMenu() { return Popup("Edit", EditItems()); }

std::vector<LMenuNode> MainMenuBar() {
    // Fourteen items come before the recent files: the first one goes at
    // position IDM_RECENT_FIRST - kRecentPositionBase.
    std::vector<LMenuNode> file = {
        Item(IDM_NEW),
        Item(IDM_OPEN),
        Item(IDM_LOAD_CD),
        Item(IDM_CLOSE),
        Item(IDM_SAVE),
        Item(IDM_SAVE_AS),
        Separator(),
        Item(IDM_CONVERT_SAMPLE_RATE),
        Item(IDM_MONO),
        Item(IDM_STEREO),
        Separator(),
        Item(IDM_SEND),
        Item(IDM_SETTINGS),
        Separator(),
        Item(IDM_EXIT),
    };
    std::vector<LMenuNode> play = {
        Item(IDM_RECORD),
        Separator(),
        Item(IDM_PLAY),
        Item(IDM_PLAY_SLOW),
        Item(IDM_PLAY_NORMAL),
        Item(IDM_PLAY_FAST),
        Item(IDM_STOP),
        Separator(),
        Item(IDM_GO_TO_START),
        Item(IDM_REWIND),
        Item(IDM_FAST_FORWARD),
        Item(IDM_GO_TO_END),
    };
    std::vector<LMenuNode> view = {
        Item(IDM_ZOOM_IN),
        Item(IDM_ZOOM_OUT),
        Item(IDM_ZOOM_SELECTION),
        Item(IDM_ZOOM_FULL),
        Separator(),
        Item(IDM_VERTICAL_ZOOM),
    };
    std::vector<LMenuNode> help = {
        Item(IDM_HELP_CONTENTS),
        InternetResourcesMenu(),
        Separator(),
        Item(IDM_ABOUT),
    };
    return {
        Popup("&File", std::move(file)),
        Popup("&Edit", EditItems()),
        Popup("&Play", std::move(play)),
        Popup("E&ffects", EffectItems()),
        Popup("&View", std::move(view)),
        Popup("&Window", {Item(IDM_CLOSE_ALL)}),
        Popup("&Help", std::move(help)),
    };
}

std::string CommandHint(int id) {
    const LMainCommand* c = FindMainCommand(id);
    return c && c->szHint ? c->szHint : "";
}

}  // namespace sondrel
