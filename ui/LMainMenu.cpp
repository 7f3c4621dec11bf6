#include "ui/LMainMenu.h"

#include "effects/LEffectTable.h"
#include "ui/LMainIds.h"

namespace sondrel {

using namespace mainid;

namespace {

struct LHint {
    int nId;
    const char* szHint;
};

// The hints of the commands that are not records of the effect table.
constexpr LHint kHints[] = {
    {kNew, "Creates a new audio file."},
    {kOpen, "Opens an existing file."},
    {kLoadCD, "Load audio track(s) from CDs."},
    {kClose, "Closes the current file."},
    {kSave, "Saves the current file."},
    {kSaveAs, "Saves the current file with a new name or format."},
    {kConvertSampleRate, "Converts the sample rate of the current file."},
    {kMono, "Converts current file to mono."},
    {kStereo, "Converts current file to stereo."},
    {kSend, "Sends the file by email."},
    {kSettings, "Sets Sondrel default settings."},
    {kExit, "Quit"},
    {kUndo, "Reverses (undo) the last action."},
    {kCut, "Cuts the selection and keeps it on the Clipboard."},
    {kCopy, "Copies the selection to the Clipboard."},
    {kPaste, "Inserts clipboard contents."},
    {kSelectAll, "Selects the entire file."},
    {kTrim, "The selected region becomes the entire file."},
    {kTrimStart, "Deletes everything before the current position."},
    {kTrimEnd, "Deletes everything after the current position."},
    {kSilence, "Silences the selected region."},
    {kInsertFileBegin, "Inserts another file at the start."},
    {kInsertFileCurrent, "Inserts another file at the current position."},
    {kInsertFileEnd, "Inserts another file at the end."},
    {kCopyToNew, "Copies the selected region to a new file."},
    {kRecord, "Records at the current position (or over selection)."},
    {kPlay, "Plays the current file from the current position."},
    {kStop, "Stops playback."},
    {kGoToStart, "Moves to the start of the file."},
    {kRewind, "Rewinds"},
    {kFastForward, "Fast-forwards"},
    {kGoToEnd, "Moves to the end of the current file."},
    {kZoomIn, "Zooms in."},
    {kZoomOut, "Zooms out."},
    {kZoomSelection, "Zooms to the selected region."},
    {kZoomFull, "Displays the entire wave length."},
    {kVerticalZoom, "Increase the amplitude of the display (to see softer sounds)."},
    {kCloseAll, "Closes all windows."},
    {kHelpContents, "Displays the manual."},
    {kAbout, "Displays program information including version number"},
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
        Item("Undo \tCtrl+Z", kUndo),
        Separator(),
        Item("Cut \tCtrl+X", kCut),
        Item("Copy \tCtrl+C", kCopy),
        Item("Paste \tCtrl+V", kPaste),
        Effect(LEffect::kPasteMix),
        Item("Delete\tDel", kDelete),
        Separator(),
        Item("Select All\tCtrl+A", kSelectAll),
        Separator(),
        Effect(LEffect::kMixFile),
        Effect(LEffect::kRepeatLoop),
        Item("Trim\tCtrl+T", kTrim),
        Item("Trim Start\tCtrl+R", kTrimStart),
        Item("Trim End\tCtrl+E", kTrimEnd),
        Effect(LEffect::kAutoTrim),
        Item("Silence Select Region", kSilence),
        Popup("Insert Silence", {Effect(LEffect::kInsertSilenceBegin), Effect(LEffect::kInsertSilenceCurrent),
                                 Effect(LEffect::kInsertSilenceEnd)}),
        Popup("Insert File", {Item("Begin", kInsertFileBegin), Item("Current", kInsertFileCurrent),
                              Item("End", kInsertFileEnd)}),
        Separator(),
        Item("Copy To New", kCopyToNew),
    };
}

// The Effects menu in command order, grouped as the user thinks of them.
std::vector<LMenuNode> EffectItems() {
    std::vector<LMenuNode> items;
    for (int id = kEffectFirst; id <= kEffectLast; ++id) {
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
    // position kRecentFirst - kRecentPositionBase.
    std::vector<LMenuNode> file = {
        Item("&New...\tCtrl+N", kNew),
        Item("&Open...\tCtrl+O", kOpen),
        Item("&Load Audio CD Track(s)...\tCtrl+L", kLoadCD),
        Item("Close", kClose),
        Item("&Save \tCtrl+S", kSave),
        Item("Save &As...", kSaveAs),
        Separator(),
        Item("Convert Sample Rate", kConvertSampleRate),
        Item("Mono", kMono),
        Item("Stereo", kStereo),
        Separator(),
        Item("Send...", kSend),
        Item("Settings...", kSettings),
        Separator(),
        Item("E&xit\tAlt+F4", kExit),
    };
    std::vector<LMenuNode> play = {
        Item("Record\tF5", kRecord),
        Separator(),
        Item("Play\tF9", kPlay),
        Item("Play Slow Speed\tF11", kPlaySlow),
        Item("Play Normal Speed\tF10", kPlayNormal),
        Item("Play Fast Speed\tF12", kPlayFast),
        Item("Stop\tEsc", kStop),
        Separator(),
        Item("Go To Start\tHome", kGoToStart),
        Item("Rewind\tF7", kRewind),
        Item("Fast Forward\tF8", kFastForward),
        Item("Go To End\tEnd", kGoToEnd),
    };
    std::vector<LMenuNode> view = {
        Item("Zoom In\tCtrl+Plus", kZoomIn),
        Item("Zoom Out\tCtrl+Minus", kZoomOut),
        Item("Zoom To Selection\tCtrl+Shift+S", kZoomSelection),
        Item("Zoom Full\tCtrl+Shift+F", kZoomFull),
        Separator(),
        Item("Vertical Zoom\tCtrl+Shift+V", kVerticalZoom),
    };
    std::vector<LMenuNode> help = {
        Item("&Help Contents\tF1", kHelpContents),
        InternetResourcesMenu(),
        Separator(),
        Item("&About Sondrel", kAbout),
    };
    return {
        Popup("&File", std::move(file)),
        Popup("&Edit", EditItems()),
        Popup("&Play", std::move(play)),
        Popup("E&ffects", EffectItems()),
        Popup("&View", std::move(view)),
        Popup("&Window", {Item("Close All", kCloseAll)}),
        Popup("&Help", std::move(help)),
    };
}

std::string CommandHint(int id) {
    if (id >= kRecentFirst && id <= kRecentLast) return "Open the recent closed file.";
    if (id >= kWindowFirst && id <= kWindowLast) return "Activates the selected window.";
    for (const LHint& h : kHints)
        if (h.nId == id) return h.szHint;
    if (const LEffectDesc* fx = EffectByCommand(id)) return fx->szHint ? fx->szHint : "";
    return std::string();
}

}  // namespace sondrel
