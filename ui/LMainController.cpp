#include "ui/LMainController.h"

#include <algorithm>
#include <ctime>

#include "document/LCutListEdit.h"
#include "document/LEditCommands.h"
#include "effects/LEffectRunner.h"
#include "effects/LEffectTable.h"
#include "effects/LSRCTimeStretch.h"
#include "support/LResourceIds.h"
#include "support/LSettings.h"
#include "ui/LDBGainSource.h"
#include "ui/LMainMenu.h"
#include "ui/LRecordCommand.h"

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

// The commands whose enabled state follows the document, the selection,
// the undo ring and the clipboard. The others are always enabled.
bool Managed(int id) {
    return (id >= IDM_CLOSE && id <= IDM_SEND) || (id >= IDM_UNDO && id <= IDM_COPY_TO_NEW) || (id >= IDM_RECORD && id <= IDM_GO_TO_END) ||
           (id >= IDM_AMPLIFY && id <= IDM_CONSTANT_SPEED_PITCH) || (id >= IDM_ZOOM_IN && id <= IDM_VERTICAL_ZOOM) || id == IDM_CLOSE_ALL ||
           (id >= IDC_PLAY && id <= IDC_GO_TO_END) || (id >= IDC_ZOOM_OUT && id <= IDC_VERTICAL_ZOOM);
}

std::vector<int> ManagedIds() {
    std::vector<int> ids;
    for (int id = 1000; id <= 6100; ++id)
        if (Managed(id)) ids.push_back(id);
    for (int id = 100; id < 130; ++id)
        if (Managed(id)) ids.push_back(id);
    return ids;
}

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
                                 LMainPlayer& player)
    : rDialogs(dialogs),
      rView(view),
      rServices(services),
      rPlayer(player),
      docs(*this),
      fnClock([] { return int64_t(std::time(nullptr)); }) {}

LMainController::~LMainController() = default;

// ------------------------------------------------------------------ start and end

void LMainController::Init(const std::string& path) {
    nPlaySpeed = std::clamp(ReadInt("Settings", "PlaySpeed", 1), 0, 2);
    for (int s = 0; s <= 2; ++s) rView.CheckCommand(IDM_PLAY_SLOW + s, s == nPlaySpeed);
    rView.CheckCommand(IDM_VERTICAL_ZOOM, bVerticalZoom);
    rView.CheckCommand(IDC_VERTICAL_ZOOM, bVerticalZoom);
    rView.ShowPlayerState(nPlayerState);
    rView.SetRecentMenu(RecentFileMenu());
    rView.SetTimer(IDT_STATUS_MESSAGES, kStatusFirstMs);
    if (!path.empty()) docs.LoadFile(path);
    bRefreshDue = true;
    Refresh();
}

void LMainController::Destroy() {
    bBackScan = bFwdScan = false;
    StopPlayer();
}

bool LMainController::Load(const std::string& path) {
    StopPlayer();
    bool ok = docs.LoadFile(path);
    Refresh();
    return ok;
}

bool LMainController::CmCancel() {
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
    bool rewave = audioChanged || bVerticalZoom != bShownVerticalZoom;
    uint64_t state = d ? Mix(Mix(print, d->bDirty), uint64_t(d->nUndoIdx) << 32 | d->UndoLabel().size()) : print;
    if (d) {
        for (char c : d->UndoLabel()) state = Mix(state, uint8_t(c));
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
    rView.SetUndoLabel(d ? d->UndoLabel() : std::string());
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
        for (int c : {IDC_SELECTION_START, IDC_SELECTION_END, IDC_CURRENT_TIME}) rView.SetText(c, FormatPosition(LSoundTime(0)));
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
    if (!Managed(id)) return true;
    const LSDFile* d = docs.Current();
    if (!d) return false;
    bool selection = d->HasValidSelection();
    switch (id) {
        case IDM_SAVE:
            return d->bDirty != 0;
        case IDM_UNDO:
            return !d->UndoLabel().empty();
        case IDM_CUT:
        case IDM_COPY:
        case IDM_DELETE:
        case IDM_TRIM:
        case IDM_SILENCE:
        case IDM_COPY_TO_NEW:
        case IDM_ZOOM_SELECTION:
        case IDC_ZOOM_SELECTION:
            return selection;
        case IDM_PASTE:
            return docs.clipboard.GetLength() > 0;
    }
    if (const LEffectDesc* fx = EffectByCommand(id)) return EffectApplicable(docs, *fx);
    return true;
}

void LMainController::EnableMenuOptions() {
    const LSDFile* d = docs.Current();
    uint32_t key = 1;
    if (d) {
        key |= 2u | (d->HasValidSelection() ? 4u : 0u) | (d->UndoLabel().empty() ? 0u : 8u) |
               (docs.clipboard.GetLength() > 0 ? 16u : 0u) | (d->bDirty ? 32u : 0u);
    }
    if (bEnablingKnown && key == nEnablingKey) return;
    bEnablingKnown = true;
    nEnablingKey = key;
    static const std::vector<int> ids = ManagedIds();
    for (int id : ids) rView.EnableCommand(id, CommandEnabled(id));
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

void LMainController::CmZoomIn() {
    LSDFile* d = docs.Current();
    if (!d) return;
    SetView(ZoomIn({d->stViewStart.ms, d->stViewEnd.ms}, d->stPosition.ms, d->audio.nSampleRate));
}

void LMainController::CmZoomOut() {
    LSDFile* d = docs.Current();
    if (!d) return;
    SetView(ZoomOut({d->stViewStart.ms, d->stViewEnd.ms}, nFileLengthMs));
}

void LMainController::CmZoomToSelection() {
    LSDFile* d = docs.Current();
    if (!d || !d->HasValidSelection()) return;
    SetView({d->stSelStart.ms, d->stSelEnd.ms});
}

void LMainController::CmZoomFull() {
    if (!docs.Current()) return;
    SetView({0, nFileLengthMs});
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

void LMainController::CmPlay() {
    LSDFile* d = docs.Current();
    if (!d) return;
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

void LMainController::CmStop() {
    bBackScan = bFwdScan = false;
    eScanRestore = kModeStopped;
    StopPlayer();
}

void LMainController::CmStart() {
    if (!docs.Current()) return;
    if (rPlayer.State() & kPlayerOpen) {
        rPlayer.Seek(0);
    } else {
        SetPosition(0);
        TimeMove();
    }
}

void LMainController::CmEnd() {
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

void LMainController::CmScrub() {
    if (!docs.Current()) return;
    if (!(rPlayer.State() & kPlayerOpen)) CmPlay();
    rPlayer.Cue();
}

void LMainController::StartScan(bool forward) {
    LSDFile* d = docs.Current();
    if (!d) return;
    bool& mine = forward ? bFwdScan : bBackScan;
    bool& other = forward ? bBackScan : bFwdScan;
    if (mine && (rPlayer.State() & kPlayerOpen)) return;
    if (other) CmBackFwdStop();
    eScanRestore = ModeOf(rPlayer.State());
    StopPlayer();
    if (bShift) bExtendSel = true;
    if (!forward && eScanRestore != kModeScrubbing) SetPosition(std::max(d->stPosition.ms - kBackScanStepMs, 0));
    LScanSpeed speed = ScanSpeed(forward, eScanRestore);
    LSoundSourcePtr src = CreateSource(d->audio);
    src->Seek(d->MsToFrames(d->stPosition.ms));
    StartPlayer(MakeSource<LSRCTimeStretch>(src, speed.dFactor, speed.dTarget, kScanRampMs));
    mine = true;
}

void LMainController::CmBack() { StartScan(false); }
void LMainController::CmFwd() { StartScan(true); }

void LMainController::CmBackFwdStop() {
    if (!bBackScan && !bFwdScan) return;
    bBackScan = bFwdScan = false;
    LTransportMode restore = eScanRestore;
    eScanRestore = kModeStopped;
    StopPlayer();
    if (restore == kModeScrubbing)
        CmScrub();
    else if (restore == kModePlaying)
        CmPlay();
}

void LMainController::SetPlaySpeed(int32_t speed) {
    nPlaySpeed = std::clamp(speed, 0, 2);
    WriteInt("Settings", "PlaySpeed", nPlaySpeed);
    for (int s = 0; s <= 2; ++s) rView.CheckCommand(IDM_PLAY_SLOW + s, s == nPlaySpeed);
    CmPlay();
}

void LMainController::PlayerState(uint16_t state) {
    nPlayerState = state;
    rView.ShowPlayerState(state);
    if (state & kPlayerOpen) return;
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
    const LEffectDesc* fx = EffectByCommand(id);
    if (!fx || !EffectApplicable(docs, *fx)) return;
    StopPlayer();
    LEffectStart start;
    if (fx->bUndoBeforeDialog) start.bUndoTaken = BeginEffectCommand(docs, *fx);
    LEffectValues values = ReadStoredValues(*fx);
    if (fx->input == LEffectInput::kFile && !rDialogs.AskOpenPath(values.szPath)) return;
    if (fx->nTemplate && !rServices.EffectDialog(*fx, values, docs.Current())) return;
    RunEffectCommand(docs, *fx, values, start);
}

void LMainController::InsertFile(int mode) {
    if (!docs.Current()) return;
    StopPlayer();
    std::string path;
    if (!rDialogs.AskOpenPath(path)) return;
    CmInsertFile(docs, LInsertMode(mode), path);
}

void LMainController::SelectWindow(int n) {
    LSDFile* d = docs.At(n);
    if (!d) return;
    StopPlayer();
    docs.MakeCurrent(d);
}

void LMainController::CmRecord() {
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

bool LMainController::Command(int id) {
    switch (id) {
        case IDM_NEW:
            docs.CmNew();
            break;
        case IDM_OPEN:
            docs.CmOpen();
            break;
        case IDM_LOAD_CD:
            StopPlayer();
            rServices.LoadCDTracks(docs);
            break;
        case IDM_CLOSE:
            docs.CmClose();
            break;
        case IDM_SAVE:
            docs.CmSave();
            break;
        case IDM_SAVE_AS:
            docs.CmSaveAs();
            break;
        case IDM_CONVERT_SAMPLE_RATE:
            docs.CmConvertSampleRate();
            break;
        case IDM_MONO:
            StopPlayer();
            docs.CmConvertChannel(1);
            break;
        case IDM_STEREO:
            StopPlayer();
            docs.CmConvertChannel(2);
            break;
        case IDM_SEND:
            StopPlayer();
            rServices.Send(docs);
            break;
        case IDM_SETTINGS:
            rServices.Settings();
            break;
        case IDM_EXIT:
            if (CmCancel()) rView.Close();
            return true;
        case IDM_UNDO:
            docs.CmUndo();
            break;
        case IDM_CUT:
            StopPlayer();
            sondrel::CmCut(docs);
            break;
        case IDM_COPY:
            sondrel::CmCopy(docs);
            break;
        case IDM_PASTE:
            if (docs.clipboard.GetLength() <= 0) break;
            StopPlayer();
            sondrel::CmPaste(docs);
            break;
        case IDM_DELETE:
            StopPlayer();
            sondrel::CmClear(docs);
            break;
        case IDM_SELECT_ALL:
            sondrel::CmSelectAll(docs);
            break;
        case IDM_TRIM:
            StopPlayer();
            sondrel::CmTrim(docs);
            break;
        case IDM_TRIM_START:
            StopPlayer();
            sondrel::CmTrimStart(docs);
            break;
        case IDM_TRIM_END:
            StopPlayer();
            sondrel::CmTrimEnd(docs);
            break;
        case IDM_SILENCE:
            StopPlayer();
            sondrel::CmEditSilence(docs);
            break;
        case IDM_INSERT_FILE_BEGIN:
        case IDM_INSERT_FILE_CURRENT:
        case IDM_INSERT_FILE_END:
            InsertFile(id - IDM_INSERT_FILE_BEGIN);
            break;
        case IDM_COPY_TO_NEW:
            sondrel::CmCopyToNew(docs);
            break;
        case IDM_RECORD:
            CmRecord();
            break;
        case IDM_PLAY:
            CmPlay();
            break;
        case IDM_PLAY_SLOW:
        case IDM_PLAY_NORMAL:
        case IDM_PLAY_FAST:
            SetPlaySpeed(id - IDM_PLAY_SLOW);
            break;
        case IDM_STOP:
            CmStop();
            break;
        case IDM_GO_TO_START:
            CmStart();
            break;
        case IDM_REWIND:
            CmBack();
            break;
        case IDM_FAST_FORWARD:
            CmFwd();
            break;
        case IDM_GO_TO_END:
            CmEnd();
            break;
        case IDM_ZOOM_IN:
            CmZoomIn();
            break;
        case IDM_ZOOM_OUT:
            CmZoomOut();
            break;
        case IDM_ZOOM_SELECTION:
            CmZoomToSelection();
            break;
        case IDM_ZOOM_FULL:
            CmZoomFull();
            break;
        case IDM_VERTICAL_ZOOM:
            if (!docs.Current()) break;
            bVerticalZoom = !bVerticalZoom;
            rView.CheckCommand(IDM_VERTICAL_ZOOM, bVerticalZoom);
            rView.CheckCommand(IDC_VERTICAL_ZOOM, bVerticalZoom);
            break;
        case IDM_CLOSE_ALL:
            docs.CmCloseAll();
            break;
        case IDM_HELP_CONTENTS:
            rServices.Help();
            break;
        case IDM_ABOUT:
            rServices.About();
            break;
        default:
            if (id >= IDM_RECENT_FIRST && id <= IDM_RECENT_LAST) {
                StopPlayer();
                std::string path = RecentFile(id - IDM_RECENT_BASE);
                if (!path.empty()) docs.LoadFile(path);
            } else if (id >= IDM_WINDOW_FIRST && id <= IDM_WINDOW_LAST) {
                SelectWindow(id - IDM_WINDOW_FIRST);
            } else if (const char* page = ManualPageOf(id)) {
                rServices.OpenManualPage(page);
            } else if (EffectByCommand(id)) {
                RunEffect(id);
            } else {
                return false;
            }
    }
    Refresh();
    return true;
}

void LMainController::ControlNotify(int control, int code) {
    if (control == IDC_REWIND || control == IDC_FORWARD) {
        if (code == 16) {
            if (control == IDC_REWIND)
                CmBack();
            else
                CmFwd();
        } else if (code == 17) {
            CmBackFwdStop();
        }
        return;
    }
    if (code != 0) return;
    switch (control) {
        case IDC_PLAY: CmPlay(); break;
        case IDC_SCRUB: CmScrub(); break;
        case IDC_STOP: CmStop(); break;
        case IDC_GO_TO_START: CmStart(); break;
        case IDC_GO_TO_END: CmEnd(); break;
        case IDC_RECORD: CmRecord(); break;
        case IDC_ZOOM_OUT: CmZoomOut(); break;
        case IDC_ZOOM_IN: CmZoomIn(); break;
        case IDC_ZOOM_SELECTION: CmZoomToSelection(); break;
        case IDC_ZOOM_FULL: CmZoomFull(); break;
        case IDC_VERTICAL_ZOOM: Command(IDM_VERTICAL_ZOOM); return;
        default: return;
    }
    Refresh();
}

void LMainController::WaveNotify(int control, int code, int32_t markStart, int32_t markEnd, int32_t cursor) {
    LSDFile* d = docs.Current();
    if (!d || (control != IDC_OVERVIEW && control != IDC_WAVE)) return;
    auto takeSelection = [&] {
        d->stSelStart.ms = d->FramesToMs(std::max(markStart, 0));
        d->stSelEnd.ms = markEnd < 0 ? d->stSelStart.ms : d->FramesToMs(markEnd);
    };
    switch (code) {
        case 2:  // released: the selection is final and the cursor is where it ended
            takeSelection();
            bStopAtSelEnd = false;
            UpdateTime();
            if (rPlayer.State() & kPlayerOpen)
                rPlayer.Seek(cursor);
            else
                SetPosition(d->FramesToMs(cursor));
            break;
        case 8:  // dragging
            takeSelection();
            rView.SetTimer(IDT_TIME_FIELDS, 50);
            break;
        case 4:  // dragged past the right edge: scan on, selecting
        case 6:  // ... the left edge, backwards
            if (control != IDC_WAVE) break;
            takeSelection();
            // The end the drag started from stays put.
            nAnchor = code == 4 ? d->stSelStart.ms : d->stSelEnd.ms;
            bExtendSel = true;
            if (code == 4)
                CmFwd();
            else
                CmBack();
            break;
        case 5:
        case 7:
            if (control != IDC_WAVE) break;
            CmBackFwdStop();
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

bool LMainController::HandleCtrlKey(unsigned key, const LKeys& keys) {
    int id = 0;
    switch (key) {
        case 'A': id = IDM_SELECT_ALL; break;
        case 'C': id = IDM_COPY; break;
        case 'E': id = IDM_TRIM_END; break;
        case 'L': id = IDM_LOAD_CD; break;
        case 'N': id = IDM_NEW; break;
        case 'O': id = IDM_OPEN; break;
        case 'R': id = IDM_TRIM_START; break;
        case 'T': id = IDM_TRIM; break;
        case 'X': id = IDM_CUT; break;
        case 'Z': id = IDM_UNDO; break;
        case 'S': id = keys.bShift ? IDM_ZOOM_SELECTION : IDM_SAVE; break;
        case 'V': id = keys.bShift ? IDM_VERTICAL_ZOOM : IDM_PASTE; break;
        case 'F': id = keys.bShift ? IDM_ZOOM_FULL : 0; break;
        case vk::kAdd:
        case vk::kOemPlus: id = IDM_ZOOM_IN; break;
        case vk::kSubtract:
        case vk::kOemMinus: id = IDM_ZOOM_OUT; break;
    }
    if (!id) return false;
    // A key does what its menu item would, and nothing while that is disabled.
    if (CommandEnabled(id)) Command(id);
    return true;
}

bool LMainController::KeyDown(unsigned key, const LKeys& keys) {
    if (keys.bControl && key != vk::kShift) return HandleCtrlKey(key, keys);
    switch (key) {
        case vk::kDelete:
            if (CommandEnabled(IDM_DELETE)) Command(IDM_DELETE);
            return true;
        case vk::kEscape:
            CmStop();
            break;
        case vk::kSpace:
            if (rPlayer.State() & kPlayerCueing)
                CmPlay();
            else
                CmScrub();
            break;
        case vk::kHome:
        case vk::kEnd:
            if (bShift) bExtendSel = true;
            if (key == vk::kHome)
                CmStart();
            else
                CmEnd();
            break;
        case vk::kLeft:
        case vk::kF7:
            rView.ShowButtonHeld(IDC_REWIND, true);
            CmBack();
            break;
        case vk::kRight:
        case vk::kF8:
            rView.ShowButtonHeld(IDC_FORWARD, true);
            CmFwd();
            break;
        case vk::kShift:
            bShift = true;
            if (docs.Current()) nAnchor = docs.Current()->stPosition.ms;
            return true;
        case vk::kF1:
            rServices.Help();
            return true;
        case vk::kF5:
            CmRecord();
            break;
        case vk::kF9:
            CmPlay();
            if (keys.bAlt) CmEnd();
            break;
        case vk::kF10:
            SetPlaySpeed(1);
            break;
        case vk::kF11:
            SetPlaySpeed(0);
            break;
        case vk::kF12:
            SetPlaySpeed(2);
            break;
        default:
            return false;
    }
    Refresh();
    return true;
}

bool LMainController::KeyUp(unsigned key, const LKeys&) {
    switch (key) {
        case vk::kShift:
            bShift = false;
            bExtendSel = false;
            return true;
        case vk::kHome:
        case vk::kEnd:
            bExtendSel = false;
            return true;
        case vk::kLeft:
        case vk::kF7:
            rView.ShowButtonHeld(IDC_REWIND, false);
            CmBackFwdStop();
            break;
        case vk::kRight:
        case vk::kF8:
            rView.ShowButtonHeld(IDC_FORWARD, false);
            CmBackFwdStop();
            break;
        default:
            return false;
    }
    Refresh();
    return true;
}

}  // namespace sondrel
