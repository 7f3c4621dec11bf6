#include "document/LSDFile.h"

#include <algorithm>
#include <cstdio>

namespace sondrel {

void LSDFile::StartModify(const char* description) {
    nUndoIdx = (nUndoIdx + 1) % kUndoSlots;
    LSDUndoRecord& r = undo[nUndoIdx];
    r.nSampleRate = audio.nSampleRate;
    r.nChans = audio.nChans;
    r.bDirty = bDirty;
    r.stPosition = stPosition.ms;
    r.stSelStart = stSelStart.ms;
    r.stSelEnd = stSelEnd.ms;
    r.stViewStart = stViewStart.ms;
    r.stViewEnd = stViewEnd.ms;
    r.lstCuts.Clear();  // the old snapshot's references go first
    r.lstCuts = audio.lstCuts;
    r.szDescription = description ? description : "";
    bDirty = 1;
}

bool LSDFile::Undo() {
    LSDUndoRecord& r = undo[nUndoIdx];
    if (r.szDescription.empty()) return false;  // "LSDFile::Undo() Undo called when not available"
    bDirty = r.bDirty;
    audio.nSampleRate = r.nSampleRate;
    audio.nChans = r.nChans;
    audio.lstCuts.Clear();
    audio.lstCuts = r.lstCuts;
    stPosition.ms = r.stPosition;
    stSelStart.ms = r.stSelStart;
    stSelEnd.ms = r.stSelEnd;
    stViewStart.ms = r.stViewStart;
    stViewEnd.ms = r.stViewEnd;
    r.lstCuts.Clear();
    r.szDescription.clear();
    nUndoIdx = (nUndoIdx + kUndoSlots - 1) % kUndoSlots;
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
