// The selection effects as long operations on a document's audio: each
// record names the audio, the selection [stStart, stEnd) in milliseconds at
// the audio's rate, and the effect's parameters. Every Process returns 0 done,
// 1 cancelled, 2 failed; a cancelled or failed effect leaves the audio as it
// was (the new segment it was writing goes with it).
#pragma once
#include <cstdint>

#include "core/LProgress.h"
#include "document/LCutListAudio.h"
#include "effects/PointList.h"

namespace sondrel {

// Scans the selection for its largest magnitude, then applies the cut list's
// gain so that it reaches iPeakLevel percent of 16-bit full scale (at most
// 400 %). A silent selection and an empty one (stEnd <= stStart) change nothing.
struct EfNormalize {
    LCutListAudio* pAudio = nullptr;
    int32_t stEnd = 0;
    int32_t stStart = 0;
    int32_t iPeakLevel = 100;  // percent
};
LProcessResult Process(LProgress* progress, EfNormalize& record);

// The point curve as a gain ramp over the selection (fade in, fade out and
// envelope). A curve of fewer than two points is refused with 2.
struct LEfEnvelope {
    LCutListAudio* pAudio = nullptr;
    int32_t stEnd = 0;
    int32_t stStart = 0;
    const PointList* pPointList = nullptr;
};
LProcessResult Process(LProgress* progress, LEfEnvelope& record);

struct EfEcho {
    LCutListAudio* pAudio = nullptr;
    int32_t stEnd = 0;
    int32_t stStart = 0;
    int32_t iEchoGain = 50;   // percent
    int32_t iEchoTime = 800;  // ms
};
LProcessResult Process(LProgress* progress, EfEcho& record);

struct EfReverb {
    LCutListAudio* pAudio = nullptr;
    int32_t stEnd = 0;
    int32_t stStart = 0;
    int32_t iReverbLevel = 100;  // 0..100
    int32_t iReverbTime = 50;    // ms
};
LProcessResult Process(LProgress* progress, EfReverb& record);

// iFrequency is the entered "LowCutFreq"; the filter is built with twice it.
struct EfLowCutFilter {
    LCutListAudio* pAudio = nullptr;
    int32_t stEnd = 0;
    int32_t stStart = 0;
    int32_t iFrequency = 250;  // Hz as entered
};
LProcessResult Process(LProgress* progress, EfLowCutFilter& record);

// The gain table is built from the curve at the audio's rate.
struct EfEqualiser {
    LCutListAudio* pAudio = nullptr;
    int32_t stEnd = 0;
    int32_t stStart = 0;
    const PointList* pPointList = nullptr;
};
LProcessResult Process(LProgress* progress, EfEqualiser& record);

// What happens when the mix is longer than the selection.
enum LLongerMix : int32_t {
    kLongerIncreaseSelection = 0,  // silence is inserted after the selection for the rest of the mix
    kLongerInsertSilence = 1,      // the rest of the mix goes over the audio after the selection
    kLongerFadeOut = 2,            // the mix is cut at the selection end, fading over stFadeOutTime
};

// Mixes pMix (converted to the audio's format when needed) over the
// selection at iVolume percent. A mix shorter than the selection covers only
// its own length; stEnd is left at the end of the mixed range.
struct EfMixPaste {
    int32_t stEnd = 0;
    int32_t stStart = 0;
    const LCutListAudio* pMix = nullptr;
    LCutListAudio* pAudio = nullptr;
    int32_t iVolume = 100;  // percent
    int32_t iLongerMode = kLongerIncreaseSelection;
    int32_t stFadeOutTime = 0;  // ms, used in kLongerFadeOut only
};
LProcessResult Process(LProgress* progress, EfMixPaste& record);

// Deletes the quiet start (within the first 8 seconds, down to one block
// before the first block louder than iThreshold dB after the first block)
// and the quiet end (within the last 8 seconds, keeping four blocks after
// the last block louder than iThreshold - 9 dB). Blocks are 25 ms, levels
// are measured through a 300 Hz high-pass.
struct EfAutotrim {
    LCutListAudio* pAudio = nullptr;
    int32_t iThreshold = -24;  // dB, -127..127
};
LProcessResult Process(LProgress* progress, EfAutotrim& record);

}  // namespace sondrel
