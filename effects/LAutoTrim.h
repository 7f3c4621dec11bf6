// Auto Trim: deletes the quiet start and end of a document.
#pragma once
#include <cstdint>

#include "core/LProgress.h"
#include "document/LCutListAudio.h"
#include "effects/LEffectTable.h"

namespace sondrel {

// Deletes the quiet start (within the first 8 seconds, down to one block
// before the first block louder than thresholdDb after the first block) and
// the quiet end (within the last 8 seconds, keeping four blocks after the
// last block louder than thresholdDb - 9). Blocks are 25 ms; levels are
// measured through a 300 Hz high-pass; the threshold is held to -127..127.
LProcessResult AutoTrim(LProgress* progress, LCutListAudio& audio, int32_t thresholdDb);

// The command, at the threshold of the settings' "AutoTrimThreshold"
// (default -24 dB); afterwards the whole file is in view.
extern const LEffectDesc kAutoTrimEffect;

}  // namespace sondrel
