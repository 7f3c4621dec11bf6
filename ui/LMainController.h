// The main window's behaviour without the window: what every command, key,
// control notification, timer and player report does to the open documents,
// the selection, the position, the view, the player and the enabled
// commands. The commands, their keys and what enables them are the records
// of the command table (LMainCommands.h); their handlers are here. The
// Win32 dialog (ui/win32/MainDialog) turns its messages into these calls and
// shows what the controller asks through LMainView; the dialogs and the
// parts of the program above this layer (effect and record dialogs, CD
// import, settings, mail, help) are reached through LMainServices, the sound
// player through LPlayer, whose reports come back here.
//
// The controller is the document list's host: the documents' questions go on
// to the host it is given, and their refresh requests are collected and
// applied once at the end of each call that can change a document
// (Refresh), which is also the one place where a document's change is told
// to whoever keeps a journal of it (SetChangeListener).
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/LSoundStream.h"
#include "devices/LPlayer.h"
#include "document/LDocuments.h"
#include "document/LSDLoadFile.h"
#include "effects/LEffectRunner.h"
#include "ui/LMainCommands.h"
#include "ui/LMainModel.h"
#include "ui/LRecentFiles.h"
#include "ui/LTransportModel.h"

namespace sondrel {

struct LEffectDesc;
struct LEffectValues;

// What the main window shows.
class LMainView {
public:
    virtual ~LMainView() = default;
    virtual void SetTitle(const std::string& text) = 0;
    // A command's menu item, toolbar button and control of the same id.
    virtual void EnableCommand(int id, bool enabled) = 0;
    // A menu item's mark (radio or check) and check button 124.
    virtual void CheckCommand(int id, bool checked) = 0;
    // The text of a command's menu items and of its toolbar button's tip (a
    // command whose text follows a label: "Undo Echo\tCtrl+Z").
    virtual void SetCommandText(int id, const std::string& text) = 0;
    virtual void SetStatusRate(const std::string& text) = 0;
    virtual void SetStatusMessage(const std::string& text) = 0;
    virtual void SetText(int control, const std::string& text) = 0;
    virtual void SetScrollPos(int32_t position) = 0;
    virtual void SetRecentMenu(const std::vector<LMenuEntry>& items) = 0;
    virtual void SetWindowMenu(const std::vector<LMenuEntry>& items, int checkedId) = 0;
    virtual void SetTimer(int id, int32_t ms) = 0;
    virtual void KillTimer(int id) = 0;

    // The two wave windows, in frames. ShowWaves starts the overview on the
    // whole of its source and the main view on its source; HideWaves greys both.
    virtual void ShowWaves(const LSoundSourcePtr& overview, const LSoundSourcePtr& main) = 0;
    virtual void HideWaves() = 0;
    // While a file loads (watch set; null when the load has ended): the
    // overview draws the file from watch as it arrives, over whatever it
    // showed. ShowWaves or HideWaves follows the end of the load.
    virtual void ShowLoading(const LLoadWatch* watch) = 0;
    // The cursor of both windows; the main view also shows a span after it.
    virtual void SetWaveCursor(int32_t frame, int32_t mainSpan) = 0;
    // The selection of both windows; end -1: none.
    virtual void SetWaveMarks(int32_t start, int32_t end) = 0;
    virtual void SetMainView(int32_t start, int32_t length) = 0;

    // Play, Scrub and Stop pictures and pressed states for a player state.
    virtual void ShowPlayerState(uint16_t state) = 0;
    // The meter; count 0 empties it.
    virtual void ShowLevels(const int8_t* levels, int32_t count) = 0;
    // The Rewind or Forward button shown held (keys and menu) or let go.
    virtual void ShowButtonHeld(int control, bool held) = 0;
    // The window closes (Exit after the documents agreed).
    virtual void Close() = 0;
};

// The dialogs and the parts of the program the commands open.
class LMainServices {
public:
    virtual ~LMainServices() = default;
    // The parameter dialog of an effect table record, starting from values,
    // for the current document (its preview plays a copy of its audio); true
    // when the user accepted (the values it stored are in values).
    virtual bool EffectDialog(const LEffectDesc& fx, LEffectValues& values, const LSDFile* doc) = 0;
    // The record dialog for a document of this format and name; 1 closed
    // after recording (recorded holds the take), 2 record the next file.
    virtual int RecordDialog(int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& recorded) = 0;
    virtual void LoadCDTracks(LDocuments& docs) = 0;
    virtual void Settings() = 0;
    virtual void Send(LDocuments& docs) = 0;
    virtual void Help() = 0;
    virtual void OpenManualPage(const char* page) = 0;
    virtual void About() = 0;
};

class LMainController : private LDocumentHost, private LEffectAsker, public LPlayerListener {
public:
    // dialogs: the questions of the documents (file dialogs, progress, boxes).
    LMainController(LDocumentHost& dialogs, LMainView& view, LMainServices& services, LPlayer& player);
    ~LMainController() override;

    LDocuments& Documents() { return docs; }
    const LDocuments& Documents() const { return docs; }
    LSDFile* Current() const { return docs.Current(); }

    // Seconds of the recent-file dates (the system clock by default).
    void SetClock(std::function<int64_t()> clock) { fnClock = std::move(clock); }
    // Told after every refresh in which the current document changed (its
    // audio, format, dirty flag or undo ring) or another became current.
    void SetChangeListener(std::function<void(const LSDFile*)> listener) { fnChanged = std::move(listener); }

    // The dialog's start: play speed, recent files, the status timer, then
    // the file named on the command line ("" for none).
    void Init(const std::string& path);
    // The window goes: playback stops.
    void Destroy();

    // Menu, toolbar and key commands; false for ids that are not commands.
    bool Command(int id);
    // Keys before the dialog's own handling; true when taken. Auto-repeated
    // key-downs are the caller's to drop.
    bool KeyDown(unsigned key, const LKeys& keys);
    bool KeyUp(unsigned key, const LKeys& keys);
    // Control notifications: the transport, zoom and vertical-zoom buttons
    // (kButtonClicked, and kButtonPressed / kButtonReleased for Rewind and
    // Forward).
    void ControlNotify(int control, int code);
    // A mouse button went down anywhere in the window: a scan started from
    // the menu ends, as if its button had been let go.
    void MouseDown();
    // The wave windows' notifications with their selection and cursor (frames).
    void WaveNotify(int control, int code, int32_t markStart, int32_t markEnd, int32_t cursor);
    void Scroll(int32_t code, int32_t thumb);
    void Wheel(int32_t notches, bool control);
    void Timer(int id);
    // A highlighted menu item (0: a popup or nothing), and the menu closing.
    void MenuSelect(int id);
    void MenuClosed();
    // A file handed over by a second instance or dropped on the window.
    // While a command or a long operation runs (its dialogs pump messages)
    // the file waits, and the files that waited open in order once it has
    // ended.
    bool Load(const std::string& path);
    // Exit, Cancel and the window's close: every document's changes are
    // asked about in turn; false when the user cancelled.
    bool CmCancel();

    // The player's reports (the controller is its listener while it exists).
    void PlayerState(uint16_t state) override;
    void PlayerPosition(int32_t ms) override;
    void PlayerLevels(const int8_t* levels, int32_t count) override;

    bool IsValidSelection() const { return docs.Current() && docs.Current()->HasValidSelection(); }
    // Whether a command is enabled now.
    bool CommandEnabled(int id) const;
    int32_t PlaySpeed() const { return nPlaySpeed; }
    bool VerticalZoom() const { return bVerticalZoom; }
    bool StopsAtSelectionEnd() const { return bStopAtSelEnd; }
    bool ExtendsSelection() const { return bExtendSel; }
    int32_t Anchor() const { return nAnchor; }
    bool BackScanning() const { return scans.Running(false); }
    bool ForwardScanning() const { return scans.Running(true); }
    int32_t FileLengthMs() const { return nFileLengthMs; }

    // Applies what changed since the last call: title, enabling, menus,
    // texts, and the wave sources when the audio changed. Each public call
    // that can change a document ends with it.
    void Refresh();

private:
    // LDocumentHost: the questions go on; the refreshes are collected.
    LProcessResult RunOperation(const char* title, const std::function<LProcessResult(LProgress*)>& op) override {
        Busy busy(*this);
        return rDialogs.RunOperation(title, op);
    }
    LProcessResult RunLoad(const char* title, const LLoadWatch& watch,
                           const std::function<LProcessResult(LProgress*)>& op) override;
    bool AskNewFileFormat() override { return rDialogs.AskNewFileFormat(); }
    bool AskVoxSampleRate() override { return rDialogs.AskVoxSampleRate(); }
    bool AskConvertSampleRate(int32_t& rate) override { return rDialogs.AskConvertSampleRate(rate); }
    Answer Ask(const std::string& text, bool questionIcon) override { return rDialogs.Ask(text, questionIcon); }
    bool AskOpenPath(std::string& path) override { return rDialogs.AskOpenPath(path); }
    bool AskSavePath(std::string& path) override { return rDialogs.AskSavePath(path); }
    void ShowError(const std::string& text) override { rDialogs.ShowError(text); }
    void ShowNotice(const std::string& text) override { rDialogs.ShowNotice(text); }
    void StopPlayback() override { StopPlayer(); }
    void DocumentChanged() override { bRefreshDue = true; }
    void AddRecentFile(const std::string& path) override;
    void PlayFrom(int32_t ms) override;
    // LEffectAsker: the open-file dialog and the effect's dialog.
    bool AskFile(std::string& path) override;
    bool AskValues(const LEffectDesc& fx, LEffectValues& values) override;

    // The command table (LMainCommands.cpp) holds the handlers below.
    static const LMainCommand kCommands[];
    friend std::span<const LMainCommand> MainCommands();
    friend std::span<const LMainCommand> EffectCommands();

    // Held while a command or an operation runs: hand-overs wait for the
    // outermost one to end.
    class Busy {
    public:
        explicit Busy(LMainController& c) : c(c) { ++c.nBusy; }
        ~Busy() { c.LeaveBusy(); }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        LMainController& c;
    };
    void LeaveBusy();
    bool LoadNow(const std::string& path);

    // A command: nothing without what it needs; the player stops first when
    // the record says so.
    void Run(const LMainCommand& command, int id);

    // The handlers of the command table (LMainCommands.cpp), each given the
    // id it runs for.
    void CmNew(int);
    void CmOpen(int);
    void CmLoadCD(int);
    void CmClose(int);
    void CmSave(int);
    void CmSaveAs(int);
    void CmConvertSampleRate(int);
    void CmChannels(int id);  // Mono, Stereo
    void CmSend(int);
    void CmSettings(int);
    void CmExit(int);
    void CmOpenRecent(int id);
    void CmUndo(int);
    void CmRedo(int);
    void CmCut(int);
    void CmCopy(int);
    void CmPaste(int);
    void CmDelete(int);
    void CmSelectAll(int);
    void CmTrim(int);
    void CmTrimStart(int);
    void CmTrimEnd(int);
    void CmSilence(int);
    void CmInsertFile(int id);  // at the start, the position, the end
    void CmCopyToNew(int);
    void CmRecord(int = 0);
    void CmPlay(int = 0);
    void CmPlaySpeed(int id);  // slow, normal, fast
    void CmScrub(int = 0);
    void CmStop(int = 0);
    void CmGoToStart(int = 0);
    void CmGoToEnd(int = 0);
    void CmRewind(int = 0);
    void CmForward(int = 0);
    void CmScanEnd(int = 0);  // Rewind or Forward let go
    void CmZoomIn(int = 0);
    void CmZoomOut(int = 0);
    void CmZoomSelection(int);
    void CmZoomFull(int);
    void CmVerticalZoom(int);
    void CmSelectWindow(int id);
    void CmCloseAll(int);
    void CmHelp(int);
    void CmManualPage(int id);
    void CmAbout(int);
    void RunEffect(int id);
    std::string UndoLabel() const;
    std::string RedoLabel() const;

    void FileApply();
    void WavApply();
    void EnableMenuOptions();
    void UpdateTime();
    // A move of the position: shown, and the view follows it.
    void SetPosition(int32_t ms);
    // The position shown where it is (clamped to the file).
    void ShowPosition(int32_t ms);
    void ApplyZoom();
    void SetView(LMsView v);
    // After a position change; fromPlayer: a playback report, which keeps a
    // valid selection instead of collapsing it.
    void TimeMove(bool fromPlayer = false);
    void StopPlayer();
    bool StartPlayer(LSoundSourcePtr source);
    LSoundSourcePtr DocumentSource(int32_t fromMs, int32_t untilMs);
    void StartScan(bool forward);
    // Ends a scan started from the menu (its button shown held until then);
    // resume: go back to what played before it, as a released button does.
    void EndMenuScan(bool resume);
    void SetPlaySpeed(int32_t speed);
    uint64_t Fingerprint() const;

    LDocumentHost& rDialogs;
    LMainView& rView;
    LMainServices& rServices;
    LPlayer& rPlayer;
    LDocuments docs;
    std::function<int64_t()> fnClock;
    std::function<void(const LSDFile*)> fnChanged;

    int32_t nFileLengthMs = 0;
    int32_t nPlaySpeed = 1;
    bool bStopAtSelEnd = false;
    bool bShift = false;
    bool bExtendSel = false;
    int32_t nAnchor = 0;
    LScans scans;
    int nMenuScan = 0;  // the button shown held for a scan started from the menu
    int nBusy = 0;      // commands and operations running (Busy)
    bool bWindowGoing = false;  // the user agreed to close: nothing opens as the command ends
    std::deque<std::string> qHandOvers;  // files handed over while busy
    bool bVerticalZoom = false;
    bool bClosed = false;  // the command running closed the window
    int32_t nPlayedLength = 0;  // frames of the source the player was started with
    int32_t nPlayedRate = 0;
    uint16_t nPlayerState = 0;
    int nStatusIndex = 0;

    bool bRefreshDue = false;
    bool bRewaveDue = false;  // a load drew over the overview: the next refresh shows the waves again
    bool bRefreshing = false;
    bool bEnablingKnown = false;
    uint8_t nEnablingKey = 0;
    const LSDFile* pShown = nullptr;
    uint64_t nShownPrint = 0;
    uint64_t nShownDocState = 0;
    bool bShownVerticalZoom = false;
    LMsView shownView{-1, -1};
};

}  // namespace sondrel
