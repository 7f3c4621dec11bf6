// An open file: its path, its audio as a cut list, cursor, selection and
// view in milliseconds, a dirty flag and a ring of eight undo snapshots.
#pragma once
#include <cstdint>
#include <string>

#include "core/LSoundTime.h"
#include "document/LCutListAudio.h"
#include "formats/LOpenReport.h"

namespace sondrel {

constexpr int kUndoSlots = 8;

struct LSDUndoRecord {
    int32_t nSampleRate = 44100;
    uint8_t nChans = 1;
    LCutList lstCuts;
    uint8_t bDirty = 0;
    int32_t stPosition = 0, stSelStart = 0, stSelEnd = 0, stViewStart = 0, stViewEnd = 0;
    // Empty: the record is not available.
    std::string szDescription;
};

class LSDFile {
public:
    LSDFile() = default;
    explicit LSDFile(std::string path) : szFilePath(std::move(path)) {}

    // Takes the undo snapshot before an edit: the next slot of the ring gets
    // the format, cuts, dirty flag, times and the edit's name; the document
    // becomes dirty. A ninth snapshot replaces the oldest.
    void StartModify(const char* description);
    // Restores the most recent snapshot and steps back; false (and nothing
    // changes) when there is none.
    bool Undo();
    // Name of the edit Undo would reverse; empty when none.
    const std::string& UndoLabel() const { return undo[nUndoIdx].szDescription; }

    // Not both 0, and end after start.
    bool HasValidSelection() const {
        return !(stSelStart.ms == 0 && stSelEnd.ms == 0) && stSelEnd.ms > stSelStart.ms;
    }
    // The file name part of the path, or "Untitled %d".
    std::string DisplayName() const;
    // The full path, or "Untitled %d" (the Window menu).
    std::string MenuName() const;
    int32_t LengthMs() const;
    // Holds the position and both ends of the selection to 0..LengthMs().
    void ClampToAudio();
    int32_t MsToFrames(int32_t ms) const { return LSoundTime(ms).GetSamples(audio.nSampleRate); }
    int32_t FramesToMs(int32_t frames) const { return LSoundTime::FromSamples(frames, audio.nSampleRate).ms; }

    std::string szFilePath;
    uint8_t bDirty = 0;
    uint32_t nUntitledIdx = 0;
    LCutListAudio audio;
    LSoundTime stPosition, stSelStart, stSelEnd, stViewStart, stViewEnd;
    LSDUndoRecord undo[kUndoSlots];
    uint32_t nUndoIdx = 0;
    // The file the document was opened from, and how that file stores its
    // audio: saving over it asks first when it held more than the document.
    std::string szStoredPath;
    LStoredFormat fmtStored;
    // Tags read from the file, written back by the formats that carry them.
    LAudioTags tags;
};

// The text from the last "." after the last "\" or "/", or "" when none.
std::string FileExtension(const std::string& path);
// The part after the last "\" or "/".
std::string FileNamePart(const std::string& path);
// ASCII case-insensitive comparison.
bool SameText(const std::string& a, const std::string& b);

}  // namespace sondrel
