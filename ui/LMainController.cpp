#include "ui/LMainController.h"

#include <algorithm>
#include <ctime>
#include <utility>

#include "document/LCutListEdit.h"
#include "document/LEditCommands.h"
#include "effects/LEffectRunner.h"
#include "effects/LEffectTable.h"
#include "effects/LSRCTimeStretch.h"
#include "support/LResourceIds.h"
#include "support/LSettings.h"
#include "ui/LDBGainSource.h"
#include "ui/LDialogModel.h"
#include "ui/LMainCommands.h"
#include "ui/LMainMenu.h"
#include "ui/LRecordCommand.h"
#include "ui/LWaveView.h"

namespace sondrel {

namespace {

// Vertical zoom shows the main view 18 dB louder.
constexpr int8_t kVerticalZoomDb = 18;
// The scrub snippet the main view shows after the cursor.
constexpr int32_t kCueSpanMs = 25;
// Play from near the end starts again from the beginning.
constexpr int32_t kRestartNearEndMs = 100;
// A back scan from playing or stopped starts this much earlier.
constexpr int32_t kBackScanStepMs = 150;
// Play speeds 0, 1 and 2.
constexpr int kSpeedCommands[3] = {IDM_PLAY_SLOW, IDM_PLAY_NORMAL, IDM_PLAY_FAST};

uint64_t Mix(uint64_t h, uint64_t v) {
    // FNV-1a over the 8 bytes of v.
    for (int i = 0; i < 8; ++i) {
        h ^= (v >> (8 * i)) & 0xFF;
        h *= 0x100000001B3ull;
    }
    return h;
}

}  // namespace

LMainController::LMainController(LDocumentHost& dialogs, LMainView& view, LMainServices& services,
                                 LPlayer& player)
    : rDialogs(dialogs),
      rView(view),
      rServices(services),
      rPlayer(player),
      docs(*this),
      fnClock([] { return int64_t(std::time(nullptr)); }) {
    rPlayer.SetListener(this);
}

LMainController::~LMainController() { rPlayer.SetListener(nullptr); }

// ------------------------------------------------------------------ start and end

void LMainController::Init(const std::string& path) {
    nPlaySpeed = std::clamp(ReadInt("Settings", "PlaySpeed", 1), 0, 2);
    for (int s = 0; s <= 2; ++s) rView.CheckCommand(kSpeedCommands[s], s == nPlaySpeed);
    rView.CheckCommand(IDM_VERTICAL_ZOOM, bVerticalZoom);
    rView.CheckCommand(IDC_VERTICAL_ZOOM, bVerticalZoom);
    rView.ShowPlayerState(nPlayerState);
    rView.SetRecentMenu(RecentFileMenu());
    rView.SetTimer(IDT_STATUS_MESSAGES, kStatusFirstMs);
    // The window is whole (commands enabled as they are with no document)
    // while the file named at the start loads under it.
    bRefreshDue = true;
    Refresh();
    if (!path.empty()) docs.LoadFile(path);
    bRefreshDue = true;
    Refresh();
}

void LMainController::Destroy() {
    scans.End();
    StopPlayer();
}

LProcessResult LMainController::RunLoad(const char* title, const LLoadWatch& watch,
                                       const std::function<LProcessResult(LProgress*)>& op) {
    rView.ShowLoading(&watch);
    LProcessResult r = rDialogs.RunLoad(title, watch, op);
    rView.ShowLoading(nullptr);
    bRewaveDue = true;
    bRefreshDue = true;
    return r;
}

bool LMainController::Load(const std::string& path) {
    if (nBusy > 0) {
        qHandOvers.push_back(path);
        return true;
    }
    Busy busy(*this);
    return LoadNow(path);
}

bool LMainController::LoadNow(const std::string& path) {
    StopPlayer();
    bool ok = docs.LoadFile(path);
    Refresh();
    return ok;
}

void LMainController::LeaveBusy() {
    if (--nBusy > 0) return;
    // Nothing opens into a window the user agreed to close; should it stay
    // after all (a session end cancelled elsewhere), the files wait on.
    if (std::exchange(bWindowGoing, false)) return;
    // What was handed over meanwhile, in order; a file handed over while
    // one of them loads joins the end of the queue.
    while (!qHandOvers.empty()) {
        const std::string path = std::move(qHandOvers.front());
        qHandOvers.pop_front();
        ++nBusy;
        LoadNow(path);
        --nBusy;
    }
}

bool LMainController::CmCancel() {
    Busy busy(*this);
    StopPlayer();
    bool agreed = true;
    for (int n = 0; n < docs.GetNoFiles() && agreed; ++n) {
        LSDFile* d = docs.At(n);
        if (!docs.SaveChanges(*d)) {
            agreed = false;
        } else if (!d->szFilePath.empty()) {
            AddRecentFile(d->szFilePath);
        }
    }
    bRefreshDue = true;
    Refresh();
    bWindowGoing = agreed;
    return agreed;
}

void LMainController::AddRecentFile(const std::string& path) {
    AddToRecentFileList(path, fnClock());
    rView.SetRecentMenu(RecentFileMenu());
}

// ------------------------------------------------------------------ refreshing

uint64_t LMainController::Fingerprint() const {
    const LSDFile* d = docs.Current();
    uint64_t h = 0xCBF29CE484222325ull;
    if (!d) return h;
    h = Mix(h, uint64_t(uintptr_t(d)));
    h = Mix(h, uint64_t(uint32_t(d->audio.nSampleRate)) << 8 | d->audio.nChans);
    for (auto it = d->audio.lstCuts.Begin(); it.IsValid(); it.Next()) {
        h = Mix(h, uint64_t(it->nIndex) << 32 | uint32_t(it->nStart));
        h = Mix(h, uint64_t(uint32_t(it->nLength)) << 32 | uint32_t(it->nGain));
    }
    return h;
}

void LMainController::Refresh() {
    if (bRefreshing) return;
    bRefreshing = true;
    bRefreshDue = false;
    const LSDFile* d = docs.Current();
    uint64_t print = Fingerprint();
    bool audioChanged = d != pShown || print != nShownPrint;
    bool rewave = audioChanged || bVerticalZoom != bShownVerticalZoom || bRewaveDue;
    bRewaveDue = false;
    uint64_t state =
        d ? Mix(Mix(print, d->bDirty), uint64_t(d->history.UndoCount()) << 32 | d->history.RedoCount()) : print;
    if (d) {
        for (char c : d->UndoLabel()) state = Mix(state, uint8_t(c));
        state = Mix(state, 0x100);
        for (char c : d->RedoLabel()) state = Mix(state, uint8_t(c));
        for (char c : d->szFilePath) state = Mix(state, uint8_t(c));
    }
    bool stateChanged = d != pShown || state != nShownDocState;
    pShown = d;
    nShownPrint = print;
    nShownDocState = state;
    bShownVerticalZoom = bVerticalZoom;

    FileApply();
    if (rewave) {
        WavApply();
    } else if (d) {
        UpdateTime();
        ApplyZoom();
        ShowPosition(d->stPosition.ms);
    }
    bRefreshing = false;
    if (stateChanged && fnChanged) fnChanged(d);
}

void LMainController::FileApply() {
    const LSDFile* d = docs.Current();
    rView.SetTitle(docs.TitleText());
    rView.SetStatusRate(docs.StatusText());
    rView.CheckCommand(IDM_MONO, d && d->audio.nChans == 1);
    rView.CheckCommand(IDM_STEREO, d && d->audio.nChans == 2);
    for (const LMainCommand& c : MainCommands())
        if (c.pfnLabel) rView.SetCommandText(c.nId, CommandText(c, (this->*c.pfnLabel)()));
    int checked = 0;
    std::vector<LMenuEntry> windows = WindowMenu(docs, checked);
    rView.SetWindowMenu(windows, checked);
    EnableMenuOptions();
}

void LMainController::WavApply() {
    LSDFile* d = docs.Current();
    shownView = {-1, -1};
    if (!d) {
        nFileLengthMs = 0;
        rView.HideWaves();
        for (int c : {IDC_SELECTION_START, IDC_SELECTION_END, IDC_CURRENT_TIME})
            rView.SetText(c, FormatPosition(LSoundTime(0)));
        rView.SetText(IDC_SELECTION_LENGTH, FormatLength(LSoundTime(0)));
        rView.SetScrollPos(0);
        return;
    }
    LSoundSourcePtr main = CreateSource(d->audio);
    if (bVerticalZoom) main = LSPDBGain(kVerticalZoomDb).OpenSource(main);
    rView.ShowWaves(CreateSource(d->audio), main);
    nFileLengthMs = d->LengthMs();
    d->stViewEnd.ms = std::min(d->stViewEnd.ms, nFileLengthMs);
    d->stViewStart.ms = std::max(d->stViewStart.ms, 0);
    UpdateTime();
    ApplyZoom();
    ShowPosition(d->stPosition.ms);
}

bool LMainController::CommandEnabled(int id) const {
    const LMainCommand* c = FindMainCommand(id);
    return !c || Meets(NeedsMet(docs), c->needs);
}

void LMainController::EnableMenuOptions() {
    const uint8_t met = NeedsMet(docs);
    if (bEnablingKnown && met == nEnablingKey) return;
    bEnablingKnown = true;
    nEnablingKey = met;
    for (const LMainCommand& c : MainCommands())
        if (c.needs != kNeedsNothing) rView.EnableCommand(c.nId, Meets(met, c.needs));
    for (const LEffectDesc& fx : kEffects) rView.EnableCommand(fx.nCommand, Meets(met, fx.needs));
}

// ------------------------------------------------------------------ time, position and view

void LMainController::UpdateTime() {
    LSDFile* d = docs.Current();
    if (!d) return;
    rView.SetText(IDC_SELECTION_START, FormatPosition(d->stSelStart));
    rView.SetText(IDC_SELECTION_END, FormatPosition(d->stSelEnd));
    rView.SetText(IDC_SELECTION_LENGTH, FormatLength(LSoundTime(std::max(d->stSelEnd.ms - d->stSelStart.ms, 0))));
    rView.SetText(IDC_CURRENT_TIME, FormatPosition(d->stPosition));
    if (d->HasValidSelection())
        rView.SetWaveMarks(d->MsToFrames(d->stSelStart.ms), d->MsToFrames(d->stSelEnd.ms));
    else
        rView.SetWaveMarks(d->MsToFrames(d->stSelStart.ms), -1);
    EnableMenuOptions();
}

void LMainController::SetPosition(int32_t ms) {
    LSDFile* d = docs.Current();
    if (!d) return;
    ShowPosition(ms);
    LMsView v{d->stViewStart.ms, d->stViewEnd.ms};
    LMsView followed = FollowPosition(v, d->stPosition.ms);
    if (!(followed == v)) SetView(followed);
}

void LMainController::ShowPosition(int32_t ms) {
    LSDFile* d = docs.Current();
    if (!d) return;
    ms = std::clamp(ms, 0, nFileLengthMs);
    d->stPosition.ms = ms;
    rView.SetText(IDC_CURRENT_TIME, FormatPosition(d->stPosition));
    rView.SetScrollPos(ScrollPosition(ms, nFileLengthMs));
    bool cueing = (rPlayer.State() & kPlayerCueing) != 0;
    rView.SetWaveCursor(d->MsToFrames(ms), cueing ? d->MsToFrames(kCueSpanMs) : 0);
}

void LMainController::SetView(LMsView v) {
    LSDFile* d = docs.Current();
    if (!d) return;
    d->stViewStart.ms = v.start;
    d->stViewEnd.ms = v.end;
    ApplyZoom();
}

void LMainController::ApplyZoom() {
    LSDFile* d = docs.Current();
    if (!d) return;
    // An empty document shows a second; a view of nothing shows the file.
    if (nFileLengthMs == 0) {
        d->stViewStart.ms = 0;
        d->stViewEnd.ms = 1000;
    } else if (d->stViewEnd.ms <= d->stViewStart.ms) {
        d->stViewStart.ms = 0;
        d->stViewEnd.ms = nFileLengthMs;
    }
    LMsView v{d->stViewStart.ms, d->stViewEnd.ms};
    if (v == shownView) return;
    shownView = v;
    int32_t a = d->MsToFrames(v.start);
    rView.SetMainView(a, d->MsToFrames(v.end) - a);
}

void LMainController::TimeMove(bool fromPlayer) {
    LSDFile* d = docs.Current();
    if (!d) return;
    int32_t pos = d->stPosition.ms;
    if (bStopAtSelEnd) {
        // Playing a selection: it stays selected, and playback ends at its end.
        if (pos > d->stSelEnd.ms) {
            StopPlayer();
            SetPosition(d->stSelStart.ms);
        }
    } else if (bExtendSel) {
        d->stSelStart.ms = std::min(nAnchor, pos);
        d->stSelEnd.ms = std::max(nAnchor, pos);
    } else if (!(fromPlayer && d->HasValidSelection())) {
        d->stSelStart.ms = pos;
        d->stSelEnd.ms = pos;
    }
    UpdateTime();
}

void LMainController::CmZoomIn(int) {
    LSDFile* d = docs.Current();
    if (!d) return;
    SetView(ZoomIn({d->stViewStart.ms, d->stViewEnd.ms}, d->stPosition.ms, d->audio.nSampleRate));
}

void LMainController::CmZoomOut(int) {
    LSDFile* d = docs.Current();
    if (!d) return;
    SetView(ZoomOut({d->stViewStart.ms, d->stViewEnd.ms}, nFileLengthMs));
}

void LMainController::CmZoomSelection(int) {
    LSDFile* d = docs.Current();
    if (!d || !d->HasValidSelection()) return;
    SetView({d->stSelStart.ms, d->stSelEnd.ms});
}

void LMainController::CmZoomFull(int) {
    if (!docs.Current()) return;
    SetView({0, nFileLengthMs});
}

void LMainController::CmVerticalZoom(int) {
    if (!docs.Current()) return;
    bVerticalZoom = !bVerticalZoom;
    rView.CheckCommand(IDM_VERTICAL_ZOOM, bVerticalZoom);
    rView.CheckCommand(IDC_VERTICAL_ZOOM, bVerticalZoom);
}

void LMainController::Scroll(int32_t code, int32_t thumb) {
    LSDFile* d = docs.Current();
    int32_t target = 0;
    if (!d || !ScrollTarget(code, thumb, d->stPosition.ms, nFileLengthMs, target)) return;
    target = std::clamp(target, 0, nFileLengthMs);
    if (rPlayer.State() & kPlayerOpen) {
        rPlayer.Seek(d->MsToFrames(target));
    } else {
        SetPosition(target);
        TimeMove();
    }
}

void LMainController::Wheel(int32_t notches, bool control) {
    LSDFile* d = docs.Current();
    if (!d || notches == 0) return;
    if (control) {
        if (notches > 0)
            CmZoomIn();
        else
            CmZoomOut();
        return;
    }
    // The wheel turned away from the user (positive) goes back in time, as
    // it goes up in a document.
    SetView(WheelScroll({d->stViewStart.ms, d->stViewEnd.ms}, -notches, nFileLengthMs));
}

// ------------------------------------------------------------------ playing

void LMainController::StopPlayer() {
    bStopAtSelEnd = false;
    rPlayer.Stop();
}

bool LMainController::StartPlayer(LSoundSourcePtr source) {
    nPlayedLength = source->GetLength();
    nPlayedRate = source->nSampleRate;
    return rPlayer.Start(source);
}

LSoundSourcePtr LMainController::DocumentSource(int32_t fromMs, int32_t untilMs) {
    LSDFile* d = docs.Current();
    LSoundSourcePtr src;
    if (untilMs < nFileLengthMs) {
        // Exactly up to the end of the selection: the source ends there.
        LCutListAudio part = d->audio;
        part.EfTrimEnd(d->MsToFrames(untilMs));
        src = CreateSource(part);
    } else {
        src = CreateSource(d->audio);
    }
    src->Seek(d->MsToFrames(fromMs));
    if (nPlaySpeed != 1) {
        double factor = (nPlaySpeed + 1) * 0.5;
        src = MakeSource<LSRCTimeStretch>(src, factor, factor, 0);
    }
    return src;
}

void LMainController::CmPlay(int) {
    LSDFile* d = docs.Current();
    if (!d) return;
    if (nMenuScan) {
        // Play ends a scan started from the menu and plays from where it got to.
        EndMenuScan(false);
        StopPlayer();
    }
    if (rPlayer.State() & kPlayerCueing) {
        rPlayer.Play();
        return;
    }
    StopPlayer();
    int32_t from = d->stPosition.ms;
    if (from > nFileLengthMs - kRestartNearEndMs) from = 0;
    int32_t until = nFileLengthMs;
    bool selection = d->HasValidSelection();
    if (selection) {
        from = d->stSelStart.ms;
        until = d->stSelEnd.ms;
    }
    SetPosition(from);
    LSoundSourcePtr src = DocumentSource(from, until);
    bStopAtSelEnd = selection;
    if (!StartPlayer(src)) bStopAtSelEnd = false;
}

void LMainController::PlayFrom(int32_t ms) {
    // The edit's refresh first: the length and the view are the new ones.
    Refresh();
    if (!docs.Current()) return;
    StopPlayer();
    SetPosition(ms);
    StartPlayer(DocumentSource(docs.Current()->stPosition.ms, nFileLengthMs));
}

void LMainController::CmStop(int) {
    EndMenuScan(false);
    scans.End();
    StopPlayer();
}

void LMainController::CmGoToStart(int) {
    if (!docs.Current()) return;
    if (rPlayer.State() & kPlayerOpen) {
        rPlayer.Seek(0);
    } else {
        SetPosition(0);
        TimeMove();
    }
}

void LMainController::CmGoToEnd(int) {
    if (!docs.Current()) return;
    uint16_t st = rPlayer.State();
    if (st & kPlayerOpen) {
        int32_t back = (st & kPlayerCueing) ? 0 : nPlayedRate;
        rPlayer.Seek(std::max(nPlayedLength - back, 0));
    } else {
        SetPosition(nFileLengthMs);
        TimeMove();
    }
}

void LMainController::CmScrub(int) {
    if (!docs.Current()) return;
    if (!(rPlayer.State() & kPlayerOpen)) CmPlay();
    rPlayer.Cue();
}

void LMainController::StartScan(bool forward) {
    LSDFile* d = docs.Current();
    if (!d) return;
    if (scans.Running(forward) && (rPlayer.State() & kPlayerOpen)) return;
    if (scans.Running(!forward)) CmScanEnd();
    const LScanSpeed speed = scans.Begin(forward, rPlayer.State());
    StopPlayer();
    if (bShift) bExtendSel = true;
    if (!forward && scans.Before() != kModeScrubbing) SetPosition(std::max(d->stPosition.ms - kBackScanStepMs, 0));
    LSoundSourcePtr src = CreateSource(d->audio);
    src->Seek(d->MsToFrames(d->stPosition.ms));
    StartPlayer(ScanSource(src, speed));
    scans.Started(forward);
}

void LMainController::CmRewind(int) { StartScan(false); }
void LMainController::CmForward(int) { StartScan(true); }

void LMainController::EndMenuScan(bool resume) {
    if (!nMenuScan) return;
    rView.ShowButtonHeld(std::exchange(nMenuScan, 0), false);
    if (resume)
        CmScanEnd();
    else
        scans.End();
}

void LMainController::MouseDown() {
    if (!nMenuScan) return;
    EndMenuScan(true);
    Refresh();
}

void LMainController::CmScanEnd(int) {
    if (!scans.Any()) return;
    const LTransportMode resume = scans.End();
    StopPlayer();
    if (resume == kModeScrubbing)
        CmScrub();
    else if (resume == kModePlaying)
        CmPlay();
}

void LMainController::SetPlaySpeed(int32_t speed) {
    nPlaySpeed = std::clamp(speed, 0, 2);
    WriteInt("Settings", "PlaySpeed", nPlaySpeed);
    for (int s = 0; s <= 2; ++s) rView.CheckCommand(kSpeedCommands[s], s == nPlaySpeed);
    CmPlay();
}

void LMainController::CmPlaySpeed(int id) {
    for (int s = 0; s <= 2; ++s)
        if (kSpeedCommands[s] == id) SetPlaySpeed(s);
}

void LMainController::PlayerState(uint16_t state) {
    nPlayerState = state;
    rView.ShowPlayerState(state);
    if (state & kPlayerOpen) return;
    // A scan from the menu that reached the end of the file is over.
    if (nMenuScan && !(rPlayer.State() & kPlayerOpen)) EndMenuScan(false);
    rView.ShowLevels(nullptr, 0);
    LSDFile* d = docs.Current();
    if (!d) return;
    if (bStopAtSelEnd) {
        // The selection has played to its end: back to its start.
        bStopAtSelEnd = false;
        SetPosition(d->stSelStart.ms);
        UpdateTime();
    } else {
        ShowPosition(d->stPosition.ms);
    }
}

void LMainController::PlayerPosition(int32_t ms) {
    if (!docs.Current()) return;
    SetPosition(ms);
    TimeMove(true);
}

void LMainController::PlayerLevels(const int8_t* levels, int32_t count) {
    if (rPlayer.State() & kPlayerOpen) rView.ShowLevels(levels, count);
}

// ------------------------------------------------------------------ commands

void LMainController::RunEffect(int id) {
    if (const LEffectDesc* fx = EffectByCommand(id)) RunEffectCommand(docs, *fx, *this);
}

bool LMainController::AskFile(std::string& path) { return rDialogs.AskOpenPath(path); }

bool LMainController::AskValues(const LEffectDesc& fx, LEffectValues& values) {
    return rServices.EffectDialog(fx, values, docs.Current());
}

void LMainController::CmRecord(int) {
    // The Record command's own loop (ui/LRecordCommand): a new document when
    // there is none, then takes into the current document, and with "record
    // the next file" into new ones, each shown as it goes in.
    class Host : public LRecordCommandHost {
    public:
        explicit Host(LMainController& c) : c(c) {}
        void StopPlayer() override { c.StopPlayer(); }
        int RecordDialog(int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& take) override {
            return c.rServices.RecordDialog(rate, chans, name, take);
        }
        void Refresh() override {
            c.bRefreshDue = true;
            c.Refresh();
        }

    private:
        LMainController& c;
    } host(*this);
    RunRecordCommand(docs, host);
    bRefreshDue = true;
}

void LMainController::Run(const LMainCommand& command, int id) {
    if (!Meets(NeedsMet(docs), command.needs)) return;
    if (command.bStopsPlayer) StopPlayer();
    (this->*command.pfnRun)(id);
}

bool LMainController::Command(int id) {
    const LMainCommand* c = FindMainCommand(id);
    if (!c) return false;
    // Rewind and Fast Forward from the menu: no button is let go to end
    // the scan, so it shows its button held and ends on the next click,
    // key, Stop or Play.
    const bool menuScan = c->pfnRelease && c->nHeldButton;
    if (menuScan) EndMenuScan(false);
    Busy busy(*this);
    Run(*c, id);
    if (menuScan && scans.Any()) {
        nMenuScan = c->nHeldButton;
        rView.ShowButtonHeld(nMenuScan, true);
    }
    // A command that closed the window has nothing left to show.
    if (!std::exchange(bClosed, false)) Refresh();
    return true;
}

void LMainController::ControlNotify(int control, int code) {
    const LMainCommand* c = FindMainCommand(control);
    if (!c) return;
    if (c->pfnRelease) {
        // A press-and-hold button: held, a scan runs; let go, it ends.
        if (code == kButtonPressed)
            (this->*c->pfnRun)(control);
        else if (code == kButtonReleased)
            (this->*c->pfnRelease)(control);
        return;
    }
    if (code == kButtonClicked) Command(control);
}

// ------------------------------------------------------------------ the command table's handlers

void LMainController::CmNew(int) { docs.CmNew(); }
void LMainController::CmOpen(int) { docs.CmOpen(); }
void LMainController::CmLoadCD(int) { rServices.LoadCDTracks(docs); }
void LMainController::CmClose(int) { docs.CmClose(); }
void LMainController::CmSave(int) { docs.CmSave(); }
void LMainController::CmSaveAs(int) { docs.CmSaveAs(); }
void LMainController::CmConvertSampleRate(int) { docs.CmConvertSampleRate(); }
void LMainController::CmChannels(int id) { docs.CmConvertChannel(id == IDM_MONO ? 1 : 2); }
void LMainController::CmSend(int) { rServices.Send(docs); }
void LMainController::CmSettings(int) {
    rServices.Settings();
    docs.SetHistoryLimits(ReadHistoryLimits());  // the pages may have changed them
    Refresh();
}

void LMainController::CmExit(int) {
    if (!CmCancel()) return;
    bClosed = true;
    rView.Close();
}

void LMainController::CmOpenRecent(int id) {
    std::string path = RecentFile(id - IDM_RECENT_BASE);
    if (!path.empty()) docs.LoadFile(path);
}

void LMainController::CmUndo(int) { docs.CmUndo(); }
void LMainController::CmRedo(int) { docs.CmRedo(); }
std::string LMainController::RedoLabel() const { return docs.Current() ? docs.Current()->RedoLabel() : std::string(); }
std::string LMainController::UndoLabel() const { return docs.Current() ? docs.Current()->UndoLabel() : std::string(); }
void LMainController::CmCut(int) { sondrel::CmCut(docs); }
void LMainController::CmCopy(int) { sondrel::CmCopy(docs); }
void LMainController::CmPaste(int) { sondrel::CmPaste(docs); }
void LMainController::CmDelete(int) { sondrel::CmClear(docs); }
void LMainController::CmSelectAll(int) { sondrel::CmSelectAll(docs); }
void LMainController::CmTrim(int) { sondrel::CmTrim(docs); }
void LMainController::CmTrimStart(int) { sondrel::CmTrimStart(docs); }
void LMainController::CmTrimEnd(int) { sondrel::CmTrimEnd(docs); }
void LMainController::CmSilence(int) { sondrel::CmEditSilence(docs); }

void LMainController::CmInsertFile(int id) {
    std::string path;
    if (!rDialogs.AskOpenPath(path)) return;
    const LInsertMode mode = id == IDM_INSERT_FILE_BEGIN ? kInsertAtBegin
                             : id == IDM_INSERT_FILE_END ? kInsertAtEnd
                                                         : kInsertAtCurrent;
    sondrel::CmInsertFile(docs, mode, path);
}

void LMainController::CmCopyToNew(int) { sondrel::CmCopyToNew(docs); }

void LMainController::CmSelectWindow(int id) {
    LSDFile* d = docs.At(id - IDM_WINDOW_FIRST);
    if (!d) return;
    StopPlayer();
    docs.MakeCurrent(d);
}

void LMainController::CmCloseAll(int) { docs.CmCloseAll(); }
void LMainController::CmHelp(int) { rServices.Help(); }

void LMainController::CmManualPage(int id) {
    if (const char* page = ManualPageOf(id)) rServices.OpenManualPage(page);
}

void LMainController::CmAbout(int) { rServices.About(); }

// ------------------------------------------------------------------ the wave windows, timers and menus

void LMainController::WaveNotify(int control, int code, int32_t markStart, int32_t markEnd, int32_t cursor) {
    LSDFile* d = docs.Current();
    if (!d || (control != IDC_OVERVIEW && control != IDC_WAVE)) return;
    auto takeSelection = [&] {
        d->stSelStart.ms = d->FramesToMs(std::max(markStart, 0));
        d->stSelEnd.ms = markEnd < 0 ? d->stSelStart.ms : d->FramesToMs(markEnd);
    };
    switch (code) {
        case kWaveNotifyReleased:  // the selection is final and the cursor is where it ended
            takeSelection();
            bStopAtSelEnd = false;
            UpdateTime();
            if (rPlayer.State() & kPlayerOpen)
                rPlayer.Seek(cursor);
            else
                SetPosition(d->FramesToMs(cursor));
            break;
        case kWaveNotifyMarkDrag:
            takeSelection();
            rView.SetTimer(IDT_TIME_FIELDS, 50);
            break;
        case kWaveNotifyPastRight:  // scan on, selecting
        case kWaveNotifyPastLeft:   // ... backwards
            if (control != IDC_WAVE) break;
            takeSelection();
            // The end the drag started from stays put.
            nAnchor = code == kWaveNotifyPastRight ? d->stSelStart.ms : d->stSelEnd.ms;
            bExtendSel = true;
            StartScan(code == kWaveNotifyPastRight);
            break;
        case kWaveNotifyBackRight:
        case kWaveNotifyBackLeft:
            if (control != IDC_WAVE) break;
            CmScanEnd();
            bExtendSel = false;
            break;
    }
}

void LMainController::Timer(int id) {
    if (id == IDT_STATUS_MESSAGES) {
        rView.SetStatusMessage(StatusMessage(nStatusIndex));
        nStatusIndex = (nStatusIndex + 1) % kStatusMessageCount;
        rView.SetTimer(IDT_STATUS_MESSAGES, kStatusCycleMs);
    } else if (id == IDT_TIME_FIELDS) {
        rView.KillTimer(IDT_TIME_FIELDS);
        UpdateTime();
    }
}

void LMainController::MenuSelect(int id) {
    if (id != 0) rView.SetStatusMessage(CommandHint(id));
    rView.SetTimer(IDT_STATUS_MESSAGES, kStatusHintMs);
}

void LMainController::MenuClosed() { rView.SetTimer(IDT_STATUS_MESSAGES, kStatusMenuClosedMs); }

// ------------------------------------------------------------------ keys

bool LMainController::KeyDown(unsigned key, const LKeys& keys) {
    Busy busy(*this);
    // Any key but a modifier ends a scan started from the menu, then does
    // its own work.
    if (nMenuScan && key != vk::kShift && key != vk::kControl && key != vk::kMenu) EndMenuScan(true);
    // The keys that are not commands of their own.
    if (key == vk::kShift) {
        bShift = true;
        if (docs.Current()) nAnchor = docs.Current()->stPosition.ms;
        return true;
    }
    if (!keys.bControl) {
        if (key == vk::kSpace || (key == vk::kF9 && keys.bAlt)) {
            if (key == vk::kF9) {  // Alt+F9: play, then go to the end
                CmPlay();
                CmGoToEnd();
            } else if (rPlayer.State() & kPlayerCueing) {
                CmPlay();
            } else {
                CmScrub();
            }
            Refresh();
            return true;
        }
        // Home and End with Shift down extend the selection.
        if ((key == vk::kHome || key == vk::kEnd) && bShift) bExtendSel = true;
    }
    const LMainCommand* c = CommandOfKey(key, keys);
    if (!c) return false;
    // A key does what its menu item would, and nothing while that is
    // greyed; the transport's keys act at any time, as its buttons do.
    if (c->nHeldButton) rView.ShowButtonHeld(c->nHeldButton, true);
    if (c->bKeysWhenGreyed) {
        if (c->bStopsPlayer) StopPlayer();
        (this->*c->pfnRun)(c->nId);
        Refresh();
    } else if (CommandEnabled(c->nId)) {
        Command(c->nId);
    }
    return true;
}

bool LMainController::KeyUp(unsigned key, const LKeys&) {
    if (key == vk::kShift) {
        bShift = false;
        bExtendSel = false;
        return true;
    }
    if (key == vk::kHome || key == vk::kEnd) {
        bExtendSel = false;
        return true;
    }
    const LMainCommand* c = CommandOfReleasedKey(key);
    if (!c) return false;
    if (c->nHeldButton) rView.ShowButtonHeld(c->nHeldButton, false);
    (this->*c->pfnRelease)(c->nId);
    Refresh();
    return true;
}

}  // namespace sondrel
