// Mixing other audio over the selection: Paste Mix (the clipboard) and Mix
// File (a file the user picks), with the dialog that sets the volume and
// what happens when the mix is longer than the selection.
#pragma once
#include <cstdint>

#include "core/LProgress.h"
#include "document/LCutListAudio.h"
#include "effects/LEffectTable.h"

namespace sondrel {

// What happens when the mix is longer than the selection.
enum LLongerMix : int32_t {
    kLongerIncreaseSelection = 0,  // silence is inserted after the selection for the rest of the mix
    kLongerInsertSilence = 1,      // the rest of the mix goes over the audio after the selection
    kLongerFadeOut = 2,            // the mix is cut at the selection end, fading over fadeOutMs
};

// Mixes mix (converted to the audio's format when needed) over the
// selection [startMs, endMs) at volume percent. A mix shorter than the
// selection covers only its own length; endMs is left at the end of the
// mixed range. Everything happens on a copy of the audio, which replaces it
// only when the mix is complete: a cancel changes nothing, not even the
// silence inserted for a longer mix.
LProcessResult MixOver(LProgress* progress, LCutListAudio& audio, const LCutListAudio& mix, int32_t startMs,
                       int32_t& endMs, int32_t volumePercent, LLongerMix longer, int32_t fadeOutMs);

// The commands: volume (percent, at most 100), the longer-mix choice and,
// for Paste Mix, the fade time (ms). The document's selection stays as it
// was; Mix File never fades.
extern const LEffectDesc kPasteMixEffect;
extern const LEffectDesc kMixFileEffect;

}  // namespace sondrel
