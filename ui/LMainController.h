// The main window's behaviour without the window: what every command, key,
// control notification, timer and player report does to the open documents,
// the selection, the position, the view, the player and the enabled
// commands. The Win32 dialog (ui/win32/MainDialog) turns its messages into
// these calls and shows what the controller asks through LMainView; the
// dialogs and the parts of the program above this layer (effect and record
// dialogs, CD import, settings, mail, help) are reached through
// LMainServices, the sound player through LMainPlayer.
//
// The controller is the document list's host: the documents' questions go on
// to the host it is given, and their refresh requests are collected and
// applied once at the end of each call that can change a document
// (Refresh), which is also the one place where a document's change is told
// to whoever keeps a journal of it (SetChangeListener).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/LSoundStream.h"
#include "document/LDocuments.h"
#include "ui/LMainModel.h"
#include "ui/LRecentFiles.h"
#include "ui/LTransportModel.h"

namespace sondrel {

struct LEffectDesc;
struct LEffectValues;

// What the main window needs of the sound player. Its reports come back as
// the controller's Player* calls, on the user-interface thread.
class LMainPlayer {
public:
    virtual ~LMainPlayer() = default;
    // Plays the source from its current position; false: nothing plays.
    virtual bool Start(const LSoundSourcePtr& source) = 0;
    virtual void Stop() = 0;
    virtual void Play() = 0;  // on from the cue snippet
    virtual void Cue() = 0;
    virtual void Seek(int32_t frame) = 0;
    virtual uint16_t State() = 0;  // kPlayerOpen, kPlayerCueing
};

// What the main window shows.
class LMainView {
public:
    virtual ~LMainView() = default;
    virtual void SetTitle(const std::string& text) = 0;
    // A command's menu item, toolbar button and control of the same id.
    virtual void EnableCommand(int id, bool enabled) = 0;
    // A menu item's mark (radio or check) and check button 124.
    virtual void CheckCommand(int id, bool checked) = 0;
    // The Undo item's text and the toolbar's Undo tip, from the label.
    virtual void SetUndoLabel(const std::string& label) = 0;
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

struct LKeys {
    bool bControl = false;
    bool bShift = false;
    bool bAlt = false;
};

// Virtual-key codes the controller knows (those of the Windows keyboard).
namespace vk {
constexpr unsigned kBack = 0x08, kShift = 0x10, kEscape = 0x1B, kSpace = 0x20, kEnd = 0x23, kHome = 0x24;
constexpr unsigned kLeft = 0x25, kRight = 0x27, kDelete = 0x2E, kAdd = 0x6B, kSubtract = 0x6D;
constexpr unsigned kF1 = 0x70, kF5 = 0x74, kF7 = 0x76, kF8 = 0x77, kF9 = 0x78, kF10 = 0x79, kF11 = 0x7A, kF12 = 0x7B;
constexpr unsigned kOemPlus = 0xBB, kOemMinus = 0xBD;
}  // namespace vk

class LMainController : private LDocumentHost {
public:
    // dialogs: the questions of the documents (file dialogs, progress, boxes).
    LMainController(LDocumentHost& dialogs, LMainView& view, LMainServices& services, LMainPlayer& player);
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
    // (code 0, and 16/17 for Rewind and Forward).
    void ControlNotify(int control, int code);
    // The wave windows' notifications with their selection and cursor (frames).
    void WaveNotify(int control, int code, int32_t markStart, int32_t markEnd, int32_t cursor);
    void Scroll(int32_t code, int32_t thumb);
    void Wheel(int32_t notches, bool control);
    void Timer(int id);
    // A highlighted menu item (0: a popup or nothing), and the menu closing.
    void MenuSelect(int id);
    void MenuClosed();
    // A file handed over by a second instance or dropped on the window.
    bool Load(const std::string& path);
    // Exit, Cancel and the window's close: every document's changes are
    // asked about in turn; false when the user cancelled.
    bool CmCancel();

    // The player's reports.
    void PlayerState(uint16_t state);
    void PlayerPosition(int32_t ms);
    void PlayerLevels(const int8_t* levels, int32_t count);

    // Commands with portable behaviour, public for the window and the tests.
    void CmPlay();
    void CmStop();
    void CmStart();
    void CmEnd();
    void CmScrub();
    void CmBack();
    void CmFwd();
    void CmBackFwdStop();
    void CmZoomIn();
    void CmZoomOut();
    void CmZoomToSelection();
    void CmZoomFull();
    void CmRecord();
    void SetPlaySpeed(int32_t speed);

    bool IsValidSelection() const { return docs.Current() && docs.Current()->HasValidSelection(); }
    // Whether a command is enabled now.
    bool CommandEnabled(int id) const;
    int32_t PlaySpeed() const { return nPlaySpeed; }
    bool VerticalZoom() const { return bVerticalZoom; }
    bool StopsAtSelectionEnd() const { return bStopAtSelEnd; }
    bool ExtendsSelection() const { return bExtendSel; }
    int32_t Anchor() const { return nAnchor; }
    bool BackScanning() const { return bBackScan; }
    bool ForwardScanning() const { return bFwdScan; }
    int32_t FileLengthMs() const { return nFileLengthMs; }

    // Applies what changed since the last call: title, enabling, menus,
    // texts, and the wave sources when the audio changed. Each public call
    // that can change a document ends with it.
    void Refresh();

private:
    // LDocumentHost: the questions go on; the refreshes are collected.
    LProcessResult RunOperation(const char* title, const std::function<LProcessResult(LProgress*)>& op) override {
        return rDialogs.RunOperation(title, op);
    }
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
    void RunEffect(int id);
    void InsertFile(int mode);
    void SelectWindow(int n);
    void PlayerReportedStop();
    bool HandleCtrlKey(unsigned key, const LKeys& keys);
    uint64_t Fingerprint() const;

    LDocumentHost& rDialogs;
    LMainView& rView;
    LMainServices& rServices;
    LMainPlayer& rPlayer;
    LDocuments docs;
    std::function<int64_t()> fnClock;
    std::function<void(const LSDFile*)> fnChanged;

    int32_t nFileLengthMs = 0;
    int32_t nPlaySpeed = 1;
    bool bStopAtSelEnd = false;
    bool bShift = false;
    bool bExtendSel = false;
    int32_t nAnchor = 0;
    bool bBackScan = false;
    bool bFwdScan = false;
    LTransportMode eScanRestore = kModeStopped;
    bool bVerticalZoom = false;
    int32_t nPlayedLength = 0;  // frames of the source the player was started with
    int32_t nPlayedRate = 0;
    uint16_t nPlayerState = 0;
    int nStatusIndex = 0;

    bool bRefreshDue = false;
    bool bRefreshing = false;
    bool bEnablingKnown = false;
    uint32_t nEnablingKey = 0;
    const LSDFile* pShown = nullptr;
    uint64_t nShownPrint = 0;
    uint64_t nShownDocState = 0;
    bool bShownVerticalZoom = false;
    LMsView shownView{-1, -1};
};

}  // namespace sondrel
