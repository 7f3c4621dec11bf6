#include "ui/LMainMenu.h"

#include "effects/LEffectTable.h"
#include "support/LResourceIds.h"

namespace sondrel {


namespace {

struct LHint {
    int nId;
    const char* szHint;
};

// The hints of the commands that are not records of the effect table.
constexpr LHint kHints[] = {
    {IDM_NEW, "Creates a new audio file."},
    {IDM_OPEN, "Opens an existing file."},
    {IDM_LOAD_CD, "Load audio track(s) from CDs."},
    {IDM_CLOSE, "Closes the current file."},
    {IDM_SAVE, "Saves the current file."},
    {IDM_SAVE_AS, "Saves the current file with a new name or format."},
    {IDM_CONVERT_SAMPLE_RATE, "Converts the sample rate of the current file."},
    {IDM_MONO, "Converts current file to mono."},
    {IDM_STEREO, "Converts current file to stereo."},
    {IDM_SEND, "Sends the file by email."},
    {IDM_SETTINGS, "Sets Sondrel default settings."},
    {IDM_EXIT, "Quit"},
    {IDM_UNDO, "Reverses (undo) the last action."},
    {IDM_CUT, "Cuts the selection and keeps it on the Clipboard."},
    {IDM_COPY, "Copies the selection to the Clipboard."},
    {IDM_PASTE, "Inserts clipboard contents."},
    {IDM_SELECT_ALL, "Selects the entire file."},
    {IDM_TRIM, "The selected region becomes the entire file."},
    {IDM_TRIM_START, "Deletes everything before the current position."},
    {IDM_TRIM_END, "Deletes everything after the current position."},
    {IDM_SILENCE, "Silences the selected region."},
    {IDM_INSERT_FILE_BEGIN, "Inserts another file at the start."},
    {IDM_INSERT_FILE_CURRENT, "Inserts another file at the current position."},
    {IDM_INSERT_FILE_END, "Inserts another file at the end."},
    {IDM_COPY_TO_NEW, "Copies the selected region to a new file."},
    {IDM_RECORD, "Records at the current position (or over selection)."},
    {IDM_PLAY, "Plays the current file from the current position."},
    {IDM_STOP, "Stops playback."},
    {IDM_GO_TO_START, "Moves to the start of the file."},
    {IDM_REWIND, "Rewinds"},
    {IDM_FAST_FORWARD, "Fast-forwards"},
    {IDM_GO_TO_END, "Moves to the end of the current file."},
    {IDM_ZOOM_IN, "Zooms in."},
    {IDM_ZOOM_OUT, "Zooms out."},
    {IDM_ZOOM_SELECTION, "Zooms to the selected region."},
    {IDM_ZOOM_FULL, "Displays the entire wave length."},
    {IDM_VERTICAL_ZOOM, "Increase the amplitude of the display (to see softer sounds)."},
    {IDM_CLOSE_ALL, "Closes all windows."},
    {IDM_HELP_CONTENTS, "Displays the manual."},
    {IDM_ABOUT, "Displays program information including version number"},
};

LMenuNode Item(const char* text, int id) { return LMenuNode{text, id, {}}; }
LMenuNode Separator() { return LMenuNode{}; }
LMenuNode Popup(const char* text, std::vector<LMenuNode> items) { return LMenuNode{text, 0, std::move(items)}; }
LMenuNode Effect(LEffect id) {
    const LEffectDesc& fx = EffectOf(id);
    return Item(fx.szMenuText, fx.nCommand);
}

std::vector<LMenuNode> EditItems() {
    return {
        Item("Undo \tCtrl+Z", IDM_UNDO),
        Separator(),
        Item("Cut \tCtrl+X", IDM_CUT),
        Item("Copy \tCtrl+C", IDM_COPY),
        Item("Paste \tCtrl+V", IDM_PASTE),
        Effect(LEffect::kPasteMix),
        Item("Delete\tDel", IDM_DELETE),
        Separator(),
        Item("Select All\tCtrl+A", IDM_SELECT_ALL),
        Separator(),
        Effect(LEffect::kMixFile),
        Effect(LEffect::kRepeatLoop),
        Item("Trim\tCtrl+T", IDM_TRIM),
        Item("Trim Start\tCtrl+R", IDM_TRIM_START),
        Item("Trim End\tCtrl+E", IDM_TRIM_END),
        Effect(LEffect::kAutoTrim),
        Item("Silence Select Region", IDM_SILENCE),
        Popup("Insert Silence", {Effect(LEffect::kInsertSilenceBegin), Effect(LEffect::kInsertSilenceCurrent),
                                 Effect(LEffect::kInsertSilenceEnd)}),
        Popup("Insert File", {Item("Begin", IDM_INSERT_FILE_BEGIN), Item("Current", IDM_INSERT_FILE_CURRENT),
                              Item("End", IDM_INSERT_FILE_END)}),
        Separator(),
        Item("Copy To New", IDM_COPY_TO_NEW),
    };
}

// The Effects menu in command order, grouped as the user thinks of them.
std::vector<LMenuNode> EffectItems() {
    std::vector<LMenuNode> items;
    for (int id = IDM_AMPLIFY; id <= IDM_CONSTANT_SPEED_PITCH; ++id) {
        const LEffectDesc* fx = EffectByCommand(id);
        if (!fx) continue;
        if (id == 4006 || id == 4009 || id == 4014) items.push_back(Separator());
        items.push_back(Item(fx->szMenuText, id));
    }
    return items;
}

const std::vector<LManualLink> kManualLinks = {
    {6001, "Sondrel Manual", "index.html"},
    {6002, "Opening and Saving Files", "files.html"},
    {6003, "Editing", "editing.html"},
    {6004, "Effects", "effects.html"},
    {6005, "Playing and Scrubbing", "playback.html"},
    {6006, "Recording", "recording.html"},
    {6007, "Audio CD Tracks", "cd-tracks.html"},
    {6008, "Keyboard Shortcuts", "keys.html"},
    {6009, "New Files", "new-file.html"},
    {6010, "Sample Rates", "sample-rates.html"},
    {6011, "Settings", "settings-general.html"},
    {6012, "Installing and Uninstalling", "install.html"},
};

}  // namespace

const std::vector<LManualLink>& ManualLinks() { return kManualLinks; }

const char* ManualPageOf(int id) {
    for (const LManualLink& l : kManualLinks)
        if (l.nId == id) return l.szPage;
    return nullptr;
}

LMenuNode InternetResourcesMenu() {
    std::vector<LMenuNode> items;
    for (const LManualLink& l : kManualLinks) items.push_back(Item(l.szText, l.nId));
    return Popup("Internet Resources", std::move(items));
}

LMenuNode EditPopupMenu() { return Popup("Edit", EditItems()); }

std::vector<LMenuNode> MainMenuBar() {
    // Fourteen items come before the recent files: the first one goes at
    // position IDM_RECENT_FIRST - kRecentPositionBase.
    std::vector<LMenuNode> file = {
        Item("&New...\tCtrl+N", IDM_NEW),
        Item("&Open...\tCtrl+O", IDM_OPEN),
        Item("&Load Audio CD Track(s)...\tCtrl+L", IDM_LOAD_CD),
        Item("Close", IDM_CLOSE),
        Item("&Save \tCtrl+S", IDM_SAVE),
        Item("Save &As...", IDM_SAVE_AS),
        Separator(),
        Item("Convert Sample Rate", IDM_CONVERT_SAMPLE_RATE),
        Item("Mono", IDM_MONO),
        Item("Stereo", IDM_STEREO),
        Separator(),
        Item("Send...", IDM_SEND),
        Item("Settings...", IDM_SETTINGS),
        Separator(),
        Item("E&xit\tAlt+F4", IDM_EXIT),
    };
    std::vector<LMenuNode> play = {
        Item("Record\tF5", IDM_RECORD),
        Separator(),
        Item("Play\tF9", IDM_PLAY),
        Item("Play Slow Speed\tF11", IDM_PLAY_SLOW),
        Item("Play Normal Speed\tF10", IDM_PLAY_NORMAL),
        Item("Play Fast Speed\tF12", IDM_PLAY_FAST),
        Item("Stop\tEsc", IDM_STOP),
        Separator(),
        Item("Go To Start\tHome", IDM_GO_TO_START),
        Item("Rewind\tF7", IDM_REWIND),
        Item("Fast Forward\tF8", IDM_FAST_FORWARD),
        Item("Go To End\tEnd", IDM_GO_TO_END),
    };
    std::vector<LMenuNode> view = {
        Item("Zoom In\tCtrl+Plus", IDM_ZOOM_IN),
        Item("Zoom Out\tCtrl+Minus", IDM_ZOOM_OUT),
        Item("Zoom To Selection\tCtrl+Shift+S", IDM_ZOOM_SELECTION),
        Item("Zoom Full\tCtrl+Shift+F", IDM_ZOOM_FULL),
        Separator(),
        Item("Vertical Zoom\tCtrl+Shift+V", IDM_VERTICAL_ZOOM),
    };
    std::vector<LMenuNode> help = {
        Item("&Help Contents\tF1", IDM_HELP_CONTENTS),
        InternetResourcesMenu(),
        Separator(),
        Item("&About Sondrel", IDM_ABOUT),
    };
    return {
        Popup("&File", std::move(file)),
        Popup("&Edit", EditItems()),
        Popup("&Play", std::move(play)),
        Popup("E&ffects", EffectItems()),
        Popup("&View", std::move(view)),
        Popup("&Window", {Item("Close All", IDM_CLOSE_ALL)}),
        Popup("&Help", std::move(help)),
    };
}

std::string CommandHint(int id) {
    if (id >= IDM_RECENT_FIRST && id <= IDM_RECENT_LAST) return "Open the recent closed file.";
    if (id >= IDM_WINDOW_FIRST && id <= IDM_WINDOW_LAST) return "Activates the selected window.";
    for (const LHint& h : kHints)
        if (h.nId == id) return h.szHint;
    if (const LEffectDesc* fx = EffectByCommand(id)) return fx->szHint ? fx->szHint : "";
    return std::string();
}

}  // namespace sondrel
