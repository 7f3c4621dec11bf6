#include "document/LUndoHistory.h"

#include <algorithm>

#include "support/LSettings.h"

namespace sondrel {

namespace {
const std::string kNoLabel;
uint64_t gSerial = 0;
}  // namespace

uint64_t NextUndoSerial() { return ++gSerial; }

LHistoryLimits ReadHistoryLimits() {
    LHistoryLimits l;
    const int32_t levels = ReadInt("Settings", "UndoLevels", int32_t(kDefaultUndoLevels));
    l.nLevels = uint32_t(std::clamp(levels, int32_t(kMinUndoLevels), int32_t(kMaxUndoLevels)));
    const int32_t mb = ReadInt("Settings", "UndoDiskMB", 0);
    l.nDiskBytes = uint64_t(std::clamp(mb, int32_t(0), int32_t(kMaxUndoDiskMB))) << 20;
    return l;
}

void WriteHistoryLimits(const LHistoryLimits& limits) {
    WriteInt("Settings", "UndoLevels", int32_t(limits.nLevels));
    WriteInt("Settings", "UndoDiskMB", int32_t(std::min<uint64_t>(limits.nDiskBytes >> 20, kMaxUndoDiskMB)));
}

uint64_t HistoryDiskBudget(const LHistoryLimits& limits, uint64_t freeBytes, uint64_t heldBytes) {
    if (limits.nDiskBytes) return limits.nDiskBytes;
    return (freeBytes + heldBytes) / kAutoDiskShare;
}

void NoteSegments(LSDUndoRecord& step) {
    step.vSegments.clear();
    for (auto c = step.lstCuts.Begin(); c.IsValid(); c.Next())
        if (!c->IsSilent()) step.vSegments.push_back(c->nIndex);
    std::sort(step.vSegments.begin(), step.vSegments.end());
    step.vSegments.erase(std::unique(step.vSegments.begin(), step.vSegments.end()), step.vSegments.end());
}

void LUndoHistory::Push(LSDUndoRecord&& step, uint32_t levels) {
    vRedo.clear();
    dqUndo.push_back(std::move(step));
    Trim(levels);
}

bool LUndoHistory::PopUndo(LSDUndoRecord& step) {
    if (dqUndo.empty()) return false;
    step = std::move(dqUndo.back());
    dqUndo.pop_back();
    return true;
}

bool LUndoHistory::PopRedo(LSDUndoRecord& step) {
    if (vRedo.empty()) return false;
    step = std::move(vRedo.back());
    vRedo.pop_back();
    return true;
}

const std::string& LUndoHistory::UndoLabel() const { return dqUndo.empty() ? kNoLabel : dqUndo.back().szDescription; }
const std::string& LUndoHistory::RedoLabel() const { return vRedo.empty() ? kNoLabel : vRedo.back().szDescription; }

void LUndoHistory::Trim(uint32_t levels) {
    const size_t keep = std::max(levels, kMinUndoLevels);
    while (dqUndo.size() + vRedo.size() > keep && DropOldest()) {
    }
}

bool LUndoHistory::DropOldest() {
    if (!dqUndo.empty()) {
        dqUndo.pop_front();
        return true;
    }
    if (vRedo.empty()) return false;
    vRedo.erase(vRedo.begin());  // the farthest step: the others do not build on it
    return true;
}

void LUndoHistory::Clear() {
    dqUndo.clear();
    vRedo.clear();
}

void LUndoHistory::MarkAllDirty() {
    for (LSDUndoRecord& r : dqUndo) r.bDirty = 1;
    for (LSDUndoRecord& r : vRedo) r.bDirty = 1;
}

}  // namespace sondrel
