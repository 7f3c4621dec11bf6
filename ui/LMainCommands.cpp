#include "ui/LMainCommands.h"

#include <vector>

#include "effects/LEffectTable.h"
#include "support/LResourceIds.h"
#include "ui/LMainController.h"

namespace sondrel {

namespace {

using C = LMainController;

constexpr uint8_t kDoc = kNeedsDocument;
constexpr uint8_t kSel = kNeedsDocument | kNeedsSelection;

constexpr LShortcut Ctrl(unsigned key) { return {key, kCtrl}; }
constexpr LShortcut CtrlShift(unsigned key) { return {key, kCtrl | kShift}; }
constexpr LShortcut Key(unsigned key) { return {key, 0}; }

}  // namespace

// The table is the controller's, so that it names the controller's handlers.
constinit const LMainCommand LMainController::kCommands[] = {
    // ------------------------------------------------------------ File
    {.nId = IDM_NEW,
     .szMenuText = "&New...",
     .keys = {Ctrl('N')},
     .szHint = "Creates a new audio file.",
     .szTip = "New (Ctrl+N)",
     .nToolbarImage = 6,
     .pfnRun = &C::CmNew},
    {.nId = IDM_OPEN,
     .szMenuText = "&Open...",
     .keys = {Ctrl('O')},
     .szHint = "Opens an existing file.",
     .szTip = "Open (Ctrl+O)",
     .nToolbarImage = 7,
     .pfnRun = &C::CmOpen},
    {.nId = IDM_LOAD_CD,
     .szMenuText = "&Load Audio CD Track(s)...",
     .keys = {Ctrl('L')},
     .szHint = "Load audio track(s) from CDs.",
     .bStopsPlayer = true,
     .pfnRun = &C::CmLoadCD},
    {.nId = IDM_CLOSE,
     .szMenuText = "Close",
     .szHint = "Closes the current file.",
     .needs = kDoc,
     .pfnRun = &C::CmClose},
    {.nId = IDM_SAVE,
     .szMenuText = "&Save ",
     .keys = {Ctrl('S')},
     .szHint = "Saves the current file.",
     .szTip = "Save (Ctrl+S)",
     .nToolbarImage = 8,
     .needs = kNeedsDocument | kNeedsModified,
     .pfnRun = &C::CmSave},
    {.nId = IDM_SAVE_AS,
     .szMenuText = "Save &As...",
     .szHint = "Saves the current file with a new name or format.",
     .needs = kDoc,
     .pfnRun = &C::CmSaveAs},
    {.nId = IDM_CONVERT_SAMPLE_RATE,
     .szMenuText = "Convert Sample Rate",
     .szHint = "Converts the sample rate of the current file.",
     .needs = kDoc,
     .pfnRun = &C::CmConvertSampleRate},
    {.nId = IDM_MONO,
     .szMenuText = "Mono",
     .szHint = "Converts current file to mono.",
     .needs = kDoc,
     .bStopsPlayer = true,
     .pfnRun = &C::CmChannels},
    {.nId = IDM_STEREO,
     .szMenuText = "Stereo",
     .szHint = "Converts current file to stereo.",
     .needs = kDoc,
     .bStopsPlayer = true,
     .pfnRun = &C::CmChannels},
    {.nId = IDM_SEND,
     .szMenuText = "Send...",
     .szHint = "Sends the file by email.",
     .needs = kDoc,
     .bStopsPlayer = true,
     .pfnRun = &C::CmSend},
    {.nId = IDM_SETTINGS,
     .szMenuText = "Settings...",
     .szHint = "Sets Sondrel default settings.",
     .pfnRun = &C::CmSettings},
    {.nId = IDM_RECENT_FIRST,
     .nLastId = IDM_RECENT_LAST,
     .szHint = "Open the recent closed file.",
     .bStopsPlayer = true,
     .pfnRun = &C::CmOpenRecent},
    {.nId = IDM_EXIT,
     .szMenuText = "E&xit",
     .keys = {{vk::kF4, kAlt | kSystemKey}},
     .szHint = "Quit",
     .pfnRun = &C::CmExit},

    // ------------------------------------------------------------ Edit
    // (Paste Mix, Mix File, Repeat Loop, Auto Trim and Insert Silence are
    // records of the effect table.)
    {.nId = IDM_UNDO,
     .szMenuText = "Undo ",
     .keys = {Ctrl('Z')},
     .szHint = "Reverses (undo) the last action.",
     .nToolbarImage = 3,
     .needs = kNeedsDocument | kNeedsUndo,
     .pfnLabel = &C::UndoLabel,
     .pfnRun = &C::CmUndo},
    {.nId = IDM_REDO,
     .szMenuText = "Redo ",
     .keys = {Ctrl('Y'), CtrlShift('Z')},
     .szHint = "Brings back the last action that was undone.",
     .nToolbarImage = 9,
     .needs = kNeedsDocument | kNeedsRedo,
     .pfnLabel = &C::RedoLabel,
     .pfnRun = &C::CmRedo},
    {.nId = IDM_CUT,
     .szMenuText = "Cut ",
     .keys = {Ctrl('X')},
     .szHint = "Cuts the selection and keeps it on the Clipboard.",
     .szTip = "Cut  (Ctrl+X)",
     .nToolbarImage = 0,
     .needs = kSel,
     .bStopsPlayer = true,
     .pfnRun = &C::CmCut},
    {.nId = IDM_COPY,
     .szMenuText = "Copy ",
     .keys = {Ctrl('C')},
     .szHint = "Copies the selection to the Clipboard.",
     .szTip = "Copy (Ctrl+C)",
     .nToolbarImage = 1,
     .needs = kSel,
     .pfnRun = &C::CmCopy},
    {.nId = IDM_PASTE,
     .szMenuText = "Paste ",
     .keys = {Ctrl('V')},
     .szHint = "Inserts clipboard contents.",
     .szTip = "Paste  (Ctrl+V)",
     .nToolbarImage = 2,
     .needs = kNeedsDocument | kNeedsClipboard,
     .bStopsPlayer = true,
     .pfnRun = &C::CmPaste},
    {.nId = IDM_DELETE,
     .szMenuText = "Delete",
     .keys = {Key(vk::kDelete)},
     .needs = kSel,
     .bStopsPlayer = true,
     .pfnRun = &C::CmDelete},
    {.nId = IDM_SELECT_ALL,
     .szMenuText = "Select All",
     .keys = {Ctrl('A')},
     .szHint = "Selects the entire file.",
     .needs = kDoc,
     .pfnRun = &C::CmSelectAll},
    {.nId = IDM_TRIM,
     .szMenuText = "Trim",
     .keys = {Ctrl('T')},
     .szHint = "The selected region becomes the entire file.",
     .needs = kSel,
     .bStopsPlayer = true,
     .pfnRun = &C::CmTrim},
    {.nId = IDM_TRIM_START,
     .szMenuText = "Trim Start",
     .keys = {Ctrl('R')},
     .szHint = "Deletes everything before the current position.",
     .needs = kDoc,
     .bStopsPlayer = true,
     .pfnRun = &C::CmTrimStart},
    {.nId = IDM_TRIM_END,
     .szMenuText = "Trim End",
     .keys = {Ctrl('E')},
     .szHint = "Deletes everything after the current position.",
     .needs = kDoc,
     .bStopsPlayer = true,
     .pfnRun = &C::CmTrimEnd},
    {.nId = IDM_SILENCE,
     .szMenuText = "Silence Select Region",
     .szHint = "Silences the selected region.",
     .needs = kSel,
     .bStopsPlayer = true,
     .pfnRun = &C::CmSilence},
    {.nId = IDM_INSERT_FILE_BEGIN,
     .szMenuText = "Begin",
     .szHint = "Inserts another file at the start.",
     .needs = kDoc,
     .bStopsPlayer = true,
     .pfnRun = &C::CmInsertFile},
    {.nId = IDM_INSERT_FILE_CURRENT,
     .szMenuText = "Current",
     .szHint = "Inserts another file at the current position.",
     .needs = kDoc,
     .bStopsPlayer = true,
     .pfnRun = &C::CmInsertFile},
    {.nId = IDM_INSERT_FILE_END,
     .szMenuText = "End",
     .szHint = "Inserts another file at the end.",
     .needs = kDoc,
     .bStopsPlayer = true,
     .pfnRun = &C::CmInsertFile},
    {.nId = IDM_COPY_TO_NEW,
     .szMenuText = "Copy To New",
     .szHint = "Copies the selected region to a new file.",
     .needs = kSel,
     .pfnRun = &C::CmCopyToNew},

    // ------------------------------------------------------------ Play
    {.nId = IDM_RECORD,
     .szMenuText = "Record",
     .keys = {Key(vk::kF5)},
     .szHint = "Records at the current position (or over selection).",
     .needs = kDoc,
     .bKeysWhenGreyed = true,
     .pfnRun = &C::CmRecord},
    {.nId = IDM_PLAY,
     .szMenuText = "Play",
     .keys = {Key(vk::kF9)},
     .szHint = "Plays the current file from the current position.",
     .needs = kDoc,
     .bKeysWhenGreyed = true,
     .pfnRun = &C::CmPlay},
    {.nId = IDM_PLAY_SLOW,
     .szMenuText = "Play Slow Speed",
     .keys = {Key(vk::kF11)},
     .needs = kDoc,
     .bKeysWhenGreyed = true,
     .pfnRun = &C::CmPlaySpeed},
    {.nId = IDM_PLAY_NORMAL,
     .szMenuText = "Play Normal Speed",
     .keys = {Key(vk::kF10)},
     .needs = kDoc,
     .bKeysWhenGreyed = true,
     .pfnRun = &C::CmPlaySpeed},
    {.nId = IDM_PLAY_FAST,
     .szMenuText = "Play Fast Speed",
     .keys = {Key(vk::kF12)},
     .needs = kDoc,
     .bKeysWhenGreyed = true,
     .pfnRun = &C::CmPlaySpeed},
    {.nId = IDM_STOP,
     .szMenuText = "Stop",
     .keys = {Key(vk::kEscape)},
     .szHint = "Stops playback.",
     .needs = kDoc,
     .bKeysWhenGreyed = true,
     .pfnRun = &C::CmStop},
    {.nId = IDM_GO_TO_START,
     .szMenuText = "Go To Start",
     .keys = {Key(vk::kHome)},
     .szHint = "Moves to the start of the file.",
     .needs = kDoc,
     .bKeysWhenGreyed = true,
     .pfnRun = &C::CmGoToStart},
    {.nId = IDM_REWIND,
     .szMenuText = "Rewind",
     .keys = {Key(vk::kF7), Key(vk::kLeft)},
     .szHint = "Rewinds",
     .needs = kDoc,
     .bKeysWhenGreyed = true,
     .nHeldButton = IDC_REWIND,
     .pfnRun = &C::CmRewind,
     .pfnRelease = &C::CmScanEnd},
    {.nId = IDM_FAST_FORWARD,
     .szMenuText = "Fast Forward",
     .keys = {Key(vk::kF8), Key(vk::kRight)},
     .szHint = "Fast-forwards",
     .needs = kDoc,
     .bKeysWhenGreyed = true,
     .nHeldButton = IDC_FORWARD,
     .pfnRun = &C::CmForward,
     .pfnRelease = &C::CmScanEnd},
    {.nId = IDM_GO_TO_END,
     .szMenuText = "Go To End",
     .keys = {Key(vk::kEnd)},
     .szHint = "Moves to the end of the current file.",
     .needs = kDoc,
     .bKeysWhenGreyed = true,
     .pfnRun = &C::CmGoToEnd},

    // ------------------------------------------------------------ View and Window
    {.nId = IDM_ZOOM_IN,
     .szMenuText = "Zoom In",
     .keys = {Ctrl(vk::kAdd), Ctrl(vk::kOemPlus)},
     .szHint = "Zooms in.",
     .needs = kDoc,
     .pfnRun = &C::CmZoomIn},
    {.nId = IDM_ZOOM_OUT,
     .szMenuText = "Zoom Out",
     .keys = {Ctrl(vk::kSubtract), Ctrl(vk::kOemMinus)},
     .szHint = "Zooms out.",
     .needs = kDoc,
     .pfnRun = &C::CmZoomOut},
    {.nId = IDM_ZOOM_SELECTION,
     .szMenuText = "Zoom To Selection",
     .keys = {CtrlShift('S')},
     .szHint = "Zooms to the selected region.",
     .needs = kSel,
     .pfnRun = &C::CmZoomSelection},
    {.nId = IDM_ZOOM_FULL,
     .szMenuText = "Zoom Full",
     .keys = {CtrlShift('F')},
     .szHint = "Displays the entire wave length.",
     .needs = kDoc,
     .pfnRun = &C::CmZoomFull},
    {.nId = IDM_VERTICAL_ZOOM,
     .szMenuText = "Vertical Zoom",
     .keys = {CtrlShift('V')},
     .szHint = "Increase the amplitude of the display (to see softer sounds).",
     .needs = kDoc,
     .pfnRun = &C::CmVerticalZoom},
    {.nId = IDM_WINDOW_FIRST,
     .nLastId = IDM_WINDOW_LAST,
     .szHint = "Activates the selected window.",
     .pfnRun = &C::CmSelectWindow},
    {.nId = IDM_CLOSE_ALL,
     .szMenuText = "Close All",
     .szHint = "Closes all windows.",
     .needs = kDoc,
     .pfnRun = &C::CmCloseAll},

    // ------------------------------------------------------------ Help
    {.nId = IDM_HELP_CONTENTS,
     .szMenuText = "&Help Contents",
     .keys = {Key(vk::kF1)},
     .szHint = "Displays the manual.",
     .pfnRun = &C::CmHelp},
    {.nId = IDM_WEB_FIRST, .nLastId = IDM_WEB_LAST, .pfnRun = &C::CmManualPage},
    {.nId = IDM_ABOUT,
     .szMenuText = "&About Sondrel",
     .szHint = "Displays program information including version number",
     .pfnRun = &C::CmAbout},

    // ------------------------------------------------------------ the buttons below the waves
    {.nId = IDC_PLAY, .szTip = "Play (F9)", .needs = kDoc, .pfnRun = &C::CmPlay},
    {.nId = IDC_SCRUB, .szTip = "Scrub (Space)", .needs = kDoc, .pfnRun = &C::CmScrub},
    {.nId = IDC_STOP, .szTip = "Stop (Esc)", .needs = kDoc, .pfnRun = &C::CmStop},
    {.nId = IDC_GO_TO_START, .szTip = "Go to Start (Home)", .needs = kDoc, .pfnRun = &C::CmGoToStart},
    {.nId = IDC_REWIND, .szTip = "Rewind (<-)", .needs = kDoc, .pfnRun = &C::CmRewind, .pfnRelease = &C::CmScanEnd},
    {.nId = IDC_FORWARD, .szTip = "Forward (->)", .needs = kDoc, .pfnRun = &C::CmForward, .pfnRelease = &C::CmScanEnd},
    {.nId = IDC_GO_TO_END, .szTip = "Go to End (End)", .needs = kDoc, .pfnRun = &C::CmGoToEnd},
    // F5 records in the main window (F8 is Fast Forward here); the
    // button records a new document when there is none.
    {.nId = IDC_RECORD, .szTip = "Record (F5)", .pfnRun = &C::CmRecord},
    {.nId = IDC_ZOOM_OUT, .szTip = "Zoom Out", .needs = kDoc, .pfnRun = &C::CmZoomOut},
    {.nId = IDC_ZOOM_IN, .szTip = "Zoom In", .needs = kDoc, .pfnRun = &C::CmZoomIn},
    {.nId = IDC_ZOOM_SELECTION, .szTip = "Zoom Selection", .needs = kSel, .pfnRun = &C::CmZoomSelection},
    {.nId = IDC_ZOOM_FULL, .szTip = "Zoom Full", .needs = kDoc, .pfnRun = &C::CmZoomFull},
    {.nId = IDC_VERTICAL_ZOOM, .szTip = "Vertical Zoom", .needs = kDoc, .pfnRun = &C::CmVerticalZoom},
};

std::span<const LMainCommand> MainCommands() { return LMainController::kCommands; }

std::span<const LMainCommand> EffectCommands() {
    static const std::vector<LMainCommand> commands = [] {
        std::vector<LMainCommand> v;
        for (const LEffectDesc& fx : kEffects)
            v.push_back({.nId = fx.nCommand,
                         .szMenuText = fx.szMenuText,
                         .szHint = fx.szHint,
                         .needs = fx.needs,
                         .pfnRun = &C::RunEffect});
        return v;
    }();
    return commands;
}

namespace {

bool Ctrlled(const LShortcut& k) { return (k.mods & kCtrl) != 0; }

}  // namespace

const LMainCommand* FindMainCommand(int id) {
    for (const LMainCommand& c : MainCommands())
        if (c.Serves(id)) return &c;
    for (const LMainCommand& c : EffectCommands())
        if (c.nId == id) return &c;
    return nullptr;
}

std::string KeyText(const LShortcut& key) {
    std::string text;
    if (key.mods & kCtrl) text += "Ctrl+";
    if (key.mods & kShift) text += "Shift+";
    if (key.mods & kAlt) text += "Alt+";
    const unsigned k = key.nKey;
    if (k >= vk::kF1 && k <= vk::kF12) return text + "F" + std::to_string(k - vk::kF1 + 1);
    switch (k) {
        case vk::kEscape: return text + "Esc";
        case vk::kHome: return text + "Home";
        case vk::kEnd: return text + "End";
        case vk::kDelete: return text + "Del";
        case vk::kAdd:
        case vk::kOemPlus: return text + "Plus";
        case vk::kSubtract:
        case vk::kOemMinus: return text + "Minus";
        default: return text + char(k);
    }
}

std::string CommandText(const LMainCommand& command, const std::string& label) {
    std::string text = command.szMenuText ? command.szMenuText : "";
    if (command.pfnLabel) text += label;
    if (command.keys[0].nKey) text += "\t" + KeyText(command.keys[0]);
    return text;
}

const LMainCommand* CommandOfKey(unsigned key, const LKeys& keys) {
    const LMainCommand* loose = nullptr;  // a Ctrl key held with a Shift it does not name
    for (const LMainCommand& c : MainCommands()) {
        for (const LShortcut& k : c.keys) {
            if (!k.nKey || k.nKey != key || (k.mods & kSystemKey) || Ctrlled(k) != keys.bControl) continue;
            if (!keys.bControl || ((k.mods & kShift) != 0) == keys.bShift) return &c;
            if (keys.bShift && !loose) loose = &c;
        }
    }
    return loose;
}

const LMainCommand* CommandOfReleasedKey(unsigned key) {
    for (const LMainCommand& c : MainCommands())
        if (c.pfnRelease)
            for (const LShortcut& k : c.keys)
                if (k.nKey && k.nKey == key && !(k.mods & kSystemKey)) return &c;
    return nullptr;
}

}  // namespace sondrel
