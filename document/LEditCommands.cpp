#include "document/LEditCommands.h"

#include <algorithm>

#include "document/LCutListEdit.h"
#include "document/LSDLoadFile.h"
#include "support/LFailure.h"
#include "support/LSettings.h"

namespace sondrel {

namespace {

LSDFile* WithSelection(LDocuments& docs) {
    LSDFile* d = docs.CurrentForEdit();
    return d && d->HasValidSelection() ? d : nullptr;
}

// Frames of list once converted to rate (what a paste or insert adds).
int64_t FramesAtRate(const LCutListAudio& list, int32_t rate) {
    int64_t n = list.GetLength();
    if (list.nSampleRate == rate || list.nSampleRate <= 0) return n;
    return n * rate / list.nSampleRate + 1;
}

// An edit that would make the audio longer than a stream can count is
// refused with a message; the cut-list operations would only drop it.
bool Fits(LDocuments& docs, const char* title, int64_t frames) {
    if (frames <= kMaxStreamFrames) return true;
    docs.Host().ShowError(std::string("Cannot complete \"") + title +
                          "\": the audio would be longer than Sondrel can hold (2^31 frames).");
    return false;
}

void CollapseAtStart(LSDFile& d) { d.stSelEnd = d.stSelStart; }

void ZoomFull(LSDFile& d) {
    d.stViewStart.ms = 0;
    d.stViewEnd.ms = d.LengthMs();
}

void ToStartAndZoomFull(LDocuments& docs, LSDFile& d) {
    d.stPosition.ms = 0;
    d.stSelStart.ms = 0;
    d.stSelEnd.ms = 0;
    ZoomFull(d);
    docs.EndModifyCurrentFile(0, 0);
}

}  // namespace

bool CmCut(LDocuments& docs) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    docs.StartModifyCurrentFile("Cut");
    d->audio.EfCut(d->MsToFrames(d->stSelStart.ms), d->MsToFrames(d->stSelEnd.ms), docs.clipboard);
    CollapseAtStart(*d);
    docs.EndModifyCurrentFile(1000, d->stSelStart.ms);
    return true;
}

bool CmCopy(LDocuments& docs) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    d->audio.EfCopy(d->MsToFrames(d->stSelStart.ms), d->MsToFrames(d->stSelEnd.ms), docs.clipboard);
    docs.TrimHistory();  // the old clipboard's audio may be the history's alone now
    return true;
}

bool CmPaste(LDocuments& docs) {
    LSDFile* d = docs.CurrentForEdit();
    // An empty clipboard pastes nothing, and must not delete the selection either.
    if (!d || docs.clipboard.GetLength() == 0) return false;
    int32_t selFrames = d->HasValidSelection() ? d->MsToFrames(d->stSelEnd.ms) - d->MsToFrames(d->stSelStart.ms) : 0;
    if (!Fits(docs, "Pasting",
              int64_t(d->audio.GetLength()) - selFrames + FramesAtRate(docs.clipboard, d->audio.nSampleRate)))
        return false;
    docs.StartModifyCurrentFile("Paste");
    LEfPasteOver rec;
    rec.pAudio = &d->audio;
    rec.stStart = d->stSelStart.ms;
    rec.stEnd = std::max(d->stSelEnd.ms, d->stSelStart.ms);
    rec.pClipboard = &docs.clipboard;
    if (docs.RunOperation("Pasting", [&](LProgress* p) { return Process(p, rec); }) != kProcessDone) {
        // Cancelled or failed (the failure was shown): the document goes
        // back to what it was.
        docs.RevertCurrentFile();
        return false;
    }
    int32_t clipMs = LSoundTime::FromSamples(docs.clipboard.GetLength(), docs.clipboard.nSampleRate).ms;
    d->stSelEnd.ms = d->stSelStart.ms + clipMs;
    docs.EndModifyCurrentFile(500, d->stSelStart.ms);
    return true;
}

bool CmClear(LDocuments& docs) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    docs.StartModifyCurrentFile("Delete");
    d->audio.EfDelete(d->MsToFrames(d->stSelStart.ms), d->MsToFrames(d->stSelEnd.ms));
    CollapseAtStart(*d);
    docs.EndModifyCurrentFile(1000, d->stSelStart.ms);
    return true;
}

bool CmSelectAll(LDocuments& docs) {
    LSDFile* d = docs.CurrentForEdit();
    if (!d) return false;
    d->stSelStart.ms = 0;
    d->stSelEnd.ms = d->LengthMs();
    ZoomFull(*d);
    docs.Changed();
    return true;
}

bool CmTrim(LDocuments& docs) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    docs.StartModifyCurrentFile("Trim");
    d->audio.EfTrim(d->MsToFrames(d->stSelStart.ms), d->MsToFrames(d->stSelEnd.ms));
    ToStartAndZoomFull(docs, *d);
    return true;
}

bool CmTrimStart(LDocuments& docs) {
    LSDFile* d = docs.CurrentForEdit();
    if (!d) return false;
    docs.StartModifyCurrentFile("Trim Start");
    d->audio.EfTrimStart(d->MsToFrames(d->stPosition.ms));
    ToStartAndZoomFull(docs, *d);
    return true;
}

bool CmTrimEnd(LDocuments& docs) {
    LSDFile* d = docs.CurrentForEdit();
    if (!d) return false;
    docs.StartModifyCurrentFile("Trim End");
    d->audio.EfTrimEnd(d->MsToFrames(d->stPosition.ms));
    ToStartAndZoomFull(docs, *d);
    return true;
}

bool CmEditSilence(LDocuments& docs) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    docs.StartModifyCurrentFile("Edit Silence");
    d->audio.EfSilence(d->MsToFrames(d->stSelStart.ms), d->MsToFrames(d->stSelEnd.ms));
    docs.EndModifyCurrentFile(500, d->stSelStart.ms);
    return true;
}

int32_t InsertPositionMs(const LSDFile& d, LInsertMode mode) {
    return mode == kInsertAtBegin ? 0 : mode == kInsertAtCurrent ? d.stPosition.ms : d.LengthMs();
}

bool LoadIntoCutList(LDocuments& docs, const std::string& path, LCutListAudio& into) {
    SDLoadFile rec;
    rec.szPath = path;
    rec.bVoxPrompt = ReadBool("Settings", "VoxPromptSampleRate", true);
    rec.nVoxDefaultRate = ReadInt("Settings", "VoxDefaultSampleRate", 8000);
    rec.pAudio = &into;
    rec.pHost = &docs.Host();
    ClearFailure();
    LProcessResult r = docs.Host().RunOperation("Loading Audio File Source", [&](LProgress* p) { return Process(p, rec); });
    if (r == kProcessFailed) docs.ReportFailure("Cannot open", path);
    return r == kProcessDone;
}

bool CmInsertFile(LDocuments& docs, LInsertMode mode, const std::string& path) {
    LSDFile* d = docs.CurrentForEdit();
    if (!d) return false;
    LCutListAudio other;
    if (!LoadIntoCutList(docs, path, other)) return false;
    if (!Fits(docs, "Insert File", int64_t(d->audio.GetLength()) + FramesAtRate(other, d->audio.nSampleRate)))
        return false;
    static const char* const kLabels[] = {"Insert File At Beginning", "Insert File At Current Position",
                                          "Insert File At The End"};
    docs.StartModifyCurrentFile(kLabels[mode]);
    LEfInsert rec;
    rec.pAudio = &d->audio;
    rec.stPosition = InsertPositionMs(*d, mode);
    rec.pOther = &other;
    if (docs.RunOperation("Insert File", [&](LProgress* p) { return Process(p, rec); }) != kProcessDone) {
        docs.RevertCurrentFile();
        return false;
    }
    docs.EndModifyCurrentFile(1000, d->stSelStart.ms);
    return true;
}

bool CmCopyToNew(LDocuments& docs) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    LCutListAudio copy = d->audio;
    copy.EfTrimEnd(d->MsToFrames(d->stSelEnd.ms));
    copy.EfTrimStart(d->MsToFrames(d->stSelStart.ms));
    LSDFile& n = docs.AddUntitled(copy);
    ZoomFull(n);
    n.bDirty = 1;
    docs.Changed();
    return true;
}

}  // namespace sondrel
