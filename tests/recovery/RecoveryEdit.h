// The edit both sides of the recovery test make: the host before it is
// killed, and the driver to know what the edit produced. A cut (no new
// audio, only cuts) and an echo (a new segment) on the current document.
#pragma once
#include "document/LDocuments.h"
#include "document/LEditCommands.h"
#include "effects/LEffectRunner.h"

namespace sondrel::test {

inline bool ApplyTheEdit(LDocuments& docs) {
    LSDFile* d = docs.Current();
    if (!d) return false;
    d->stSelStart.ms = 500;
    d->stSelEnd.ms = 900;
    if (!CmCut(docs)) return false;
    d->stSelStart.ms = 100;
    d->stSelEnd.ms = 700;
    const LEffectDesc& echo = EffectOf(LEffect::kEcho);
    LEffectValues values = ReadStoredValues(echo);
    values.v[0] = 150;  // ms
    values.v[1] = 40;   // percent
    return RunEffectCommand(docs, echo, values) == LCommandResult::kDone;
}

}  // namespace sondrel::test
