// A document's undo and redo steps. Each step is a snapshot of the
// document (format, cut list, dirty flag, cursor, selection and view) with
// the name of the edit, so its memory follows the number of cuts, not the
// length of the audio; the audio it keeps on disk is what its cuts name.
// How many steps are kept and how much disk the history alone may hold are
// settings; when either is passed the oldest steps go first.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "document/LCutListAudio.h"

namespace sondrel {

constexpr uint32_t kMinUndoLevels = 8;
constexpr uint32_t kDefaultUndoLevels = 100;
constexpr uint32_t kMaxUndoLevels = 9999;
// "UndoDiskMB" 0: the budget is this share (1/n) of the space the data
// folder's disk would have free without the history.
constexpr uint32_t kAutoDiskShare = 4;
constexpr uint32_t kMaxUndoDiskMB = 0x3FFFFFFF;

struct LSDUndoRecord {
    int32_t nSampleRate = 44100;
    uint8_t nChans = 1;
    LCutList lstCuts;
    uint8_t bDirty = 0;
    int32_t stPosition = 0, stSelStart = 0, stSelEnd = 0, stViewStart = 0, stViewEnd = 0;
    std::string szDescription;
    // When the edit was made, across all documents: the oldest steps of the
    // whole program go first when the disk budget is passed.
    uint64_t nSerial = 0;
    // The segments its cuts name, each once (NoteSegments): the disk
    // accounting after every change reads these, not every cut of every step.
    std::vector<uint16_t> vSegments;
};
// Fills step.vSegments from its cuts.
void NoteSegments(LSDUndoRecord& step);

// The two limits, kept in section "Settings" as "UndoLevels" (held to
// kMinUndoLevels..kMaxUndoLevels) and "UndoDiskMB" (0: automatic).
struct LHistoryLimits {
    uint32_t nLevels = kDefaultUndoLevels;
    uint64_t nDiskBytes = 0;  // 0: automatic
};
LHistoryLimits ReadHistoryLimits();
void WriteHistoryLimits(const LHistoryLimits& limits);
// The bytes the history alone may hold: nDiskBytes, or for 0 the automatic
// share of freeBytes + heldBytes (the free space without the history).
uint64_t HistoryDiskBudget(const LHistoryLimits& limits, uint64_t freeBytes, uint64_t heldBytes);

class LUndoHistory {
public:
    // A new step before an edit: what can be redone goes, and beyond
    // levels the oldest steps go.
    void Push(LSDUndoRecord&& step, uint32_t levels);
    // The newest step to undo, taken out; false when none.
    bool PopUndo(LSDUndoRecord& step);
    bool PopRedo(LSDUndoRecord& step);
    // After an undo: the state it left, to redo (no limit applies, the
    // count of steps does not change).
    void PushRedo(LSDUndoRecord&& step) { vRedo.push_back(std::move(step)); }
    // After a redo: the state it left, to undo again; what is left to
    // redo stays.
    void PushUndoKeepRedo(LSDUndoRecord&& step) { dqUndo.push_back(std::move(step)); }

    const std::string& UndoLabel() const;
    const std::string& RedoLabel() const;
    size_t UndoCount() const { return dqUndo.size(); }
    size_t RedoCount() const { return vRedo.size(); }
    // Oldest first, then what can be redone with the farthest last.
    void Trim(uint32_t levels);
    // The serial of the oldest undo step; 0 when none.
    uint64_t OldestSerial() const { return dqUndo.empty() ? 0 : dqUndo.front().nSerial; }
    // Drops the oldest undo step, or when there is none the farthest step
    // to redo; false when the history is empty.
    bool DropOldest();
    void Clear();
    // After a save: every kept state differs from the file now.
    void MarkAllDirty();

    // Every step, for the disk accounting.
    template <class F>
    void ForEachStep(F f) const {
        for (const LSDUndoRecord& r : dqUndo) f(r);
        for (const LSDUndoRecord& r : vRedo) f(r);
    }

private:
    std::deque<LSDUndoRecord> dqUndo;  // oldest first
    std::vector<LSDUndoRecord> vRedo;  // the next to redo last
};

// A new serial for a step (user-interface thread only).
uint64_t NextUndoSerial();

}  // namespace sondrel
