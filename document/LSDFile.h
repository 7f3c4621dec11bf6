// An open file: its path, its audio as a cut list, cursor, selection and
// view in milliseconds, a dirty flag and its undo and redo steps.
#pragma once
#include <cstdint>
#include <string>

#include "core/LSoundTime.h"
#include "document/LCutListAudio.h"
#include "document/LUndoHistory.h"
#include "formats/LOpenReport.h"

namespace sondrel {

class LSDFile {
public:
    LSDFile() = default;
    explicit LSDFile(std::string path) : szFilePath(std::move(path)) {}

    // Takes the undo step before an edit: the format, cuts, dirty flag,
    // times and the edit's name; the document becomes dirty and nothing is
    // left to redo. Beyond levels steps the oldest goes.
    void StartModify(const char* description, uint32_t levels = kDefaultUndoLevels);
    // Restores the newest undo step; the state it leaves becomes the step
    // to redo. False (and nothing changes) when there is none.
    bool Undo();
    // Restores the state the newest undo left; it becomes undoable again.
    bool Redo();
    // Takes back the newest step as Undo does, leaving nothing to redo (an
    // edit that was cancelled halfway).
    bool Revert();
    // Name of the edit Undo would reverse, and of the one Redo would bring
    // back; empty when none.
    const std::string& UndoLabel() const { return history.UndoLabel(); }
    const std::string& RedoLabel() const { return history.RedoLabel(); }
    // After a save: the document is clean and every other kept state
    // differs from the file.
    void MarkSaved() {
        bDirty = 0;
        history.MarkAllDirty();
    }

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

private:
    bool Turn(bool (LUndoHistory::*take)(LSDUndoRecord&), void (LUndoHistory::*keep)(LSDUndoRecord&&));

public:
    std::string szFilePath;
    uint8_t bDirty = 0;
    uint32_t nUntitledIdx = 0;
    LCutListAudio audio;
    LSoundTime stPosition, stSelStart, stSelEnd, stViewStart, stViewEnd;
    LUndoHistory history;
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
