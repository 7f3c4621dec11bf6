// The parameterised edits of the Edit menu that run as effect records over
// the cut list's own edits: Repeat Loop and the three Insert Silence
// commands (at the start, the position or the end).
#pragma once
#include "effects/LEffectTable.h"

namespace sondrel {

// Repeat Loop: the selection plays the chosen number of times more.
extern const LEffectDesc kRepeatLoopEffect;
// Insert Silence: milliseconds of silence (none for 0 or less: no undo
// record); refused with its reason when the document would grow past what
// a cut list holds.
extern const LEffectDesc kInsertSilenceBeginEffect;
extern const LEffectDesc kInsertSilenceCurrentEffect;
extern const LEffectDesc kInsertSilenceEndEffect;

}  // namespace sondrel
