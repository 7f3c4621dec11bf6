#include "document/LSDFile.h"

#include <algorithm>
#include <cstdio>

namespace sondrel {

namespace {

// The document's state as a step; its cuts are moved, not copied, where
// the document takes another list right after.
LSDUndoRecord Snapshot(LSDFile& d, LCutList&& cuts, const std::string& description, uint64_t serial) {
    LSDUndoRecord r;
    r.nSampleRate = d.audio.nSampleRate;
    r.nChans = d.audio.nChans;
    r.lstCuts = std::move(cuts);
    r.bDirty = d.bDirty;
    r.stPosition = d.stPosition.ms;
    r.stSelStart = d.stSelStart.ms;
    r.stSelEnd = d.stSelEnd.ms;
    r.stViewStart = d.stViewStart.ms;
    r.stViewEnd = d.stViewEnd.ms;
    r.szDescription = description;
    r.nSerial = serial;
    NoteSegments(r);
    return r;
}

void Restore(LSDFile& d, LSDUndoRecord& r) {
    d.bDirty = r.bDirty;
    d.audio.nSampleRate = r.nSampleRate;
    d.audio.nChans = r.nChans;
    d.audio.lstCuts = std::move(r.lstCuts);
    d.stPosition.ms = r.stPosition;
    d.stSelStart.ms = r.stSelStart;
    d.stSelEnd.ms = r.stSelEnd;
    d.stViewStart.ms = r.stViewStart;
    d.stViewEnd.ms = r.stViewEnd;
}

}  // namespace

void LSDFile::StartModify(const char* description, uint32_t levels) {
    LCutList copy(audio.lstCuts);
    history.Push(Snapshot(*this, std::move(copy), description ? description : "", NextUndoSerial()), levels);
    bDirty = 1;
}

// Undo and Redo: the step taken restores the document, and the state it
// leaves goes the other way under the same name and age.
bool LSDFile::Turn(bool (LUndoHistory::*take)(LSDUndoRecord&), void (LUndoHistory::*keep)(LSDUndoRecord&&)) {
    LSDUndoRecord r;
    if (!(history.*take)(r)) return false;  // "LSDFile::Undo() Undo called when not available"
    LSDUndoRecord now = Snapshot(*this, std::move(audio.lstCuts), r.szDescription, r.nSerial);
    Restore(*this, r);
    (history.*keep)(std::move(now));
    return true;
}

bool LSDFile::Undo() { return Turn(&LUndoHistory::PopUndo, &LUndoHistory::PushRedo); }
bool LSDFile::Redo() { return Turn(&LUndoHistory::PopRedo, &LUndoHistory::PushUndoKeepRedo); }

bool LSDFile::Revert() {
    LSDUndoRecord r;
    if (!history.PopUndo(r)) return false;
    Restore(*this, r);
    return true;
}

std::string LSDFile::DisplayName() const {
    if (!szFilePath.empty()) return FileNamePart(szFilePath);
    char b[32];
    std::snprintf(b, sizeof b, "Untitled %u", unsigned(nUntitledIdx));
    return b;
}

std::string LSDFile::MenuName() const { return szFilePath.empty() ? DisplayName() : szFilePath; }

int32_t LSDFile::LengthMs() const { return FramesToMs(audio.GetLength()); }

void LSDFile::ClampToAudio() {
    const int32_t len = LengthMs();
    for (LSoundTime* t : {&stPosition, &stSelStart, &stSelEnd}) t->ms = std::clamp(t->ms, int32_t(0), len);
}

std::string FileNamePart(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FileExtension(const std::string& path) {
    std::string name = FileNamePart(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace sondrel
