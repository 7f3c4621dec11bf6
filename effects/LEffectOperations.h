// The effects as long operations on a document's audio. Each record begins
// with the audio and the selection [stStart, stEnd) in milliseconds at the
// audio's rate (LEfSelection), followed by the effect's parameters. A
// cancelled or failed operation leaves the audio as it was: the new segment
// it was writing goes with it.
#pragma once
#include <cstdint>
#include <string>

#include "core/LProgress.h"
#include "document/LCutListAudio.h"
#include "document/LCutListEdit.h"
#include "effects/LDPAutoGain.h"
#include "effects/PointList.h"
#include "support/LFile.h"

namespace sondrel {

// Scans the selection for its largest magnitude, then applies the cut list's
// gain so that it reaches iPeakLevel percent of 16-bit full scale (at most
// 400 %). A silent selection and an empty one (stEnd <= stStart) change nothing.
struct EfNormalize : LEfSelection {
    int32_t iPeakLevel = 100;  // percent
};
LProcessResult Process(LProgress* progress, EfNormalize& record);

// The point curve as a gain ramp over the selection (fade in, fade out and
// envelope). A curve of fewer than two points fails.
struct LEfEnvelope : LEfSelection {
    const PointList* pPointList = nullptr;
};
LProcessResult Process(LProgress* progress, LEfEnvelope& record);

// The effect sources run over the selection (LEfReplaceSelection).
struct EfEcho : LEfSelection {
    int32_t iEchoGain = 50;   // percent
    int32_t iEchoTime = 800;  // ms
};
LProcessResult Process(LProgress* progress, EfEcho& record);

struct EfReverb : LEfSelection {
    int32_t iReverbLevel = 100;  // 0..100
    int32_t iReverbTime = 50;    // ms
};
LProcessResult Process(LProgress* progress, EfReverb& record);

// iFrequency is the entered "LowCutFreq"; the filter is built with twice it.
struct EfLowCutFilter : LEfSelection {
    int32_t iFrequency = 250;  // Hz as entered
};
LProcessResult Process(LProgress* progress, EfLowCutFilter& record);

// The gain table is built from the curve at the audio's rate.
struct EfEqualiser : LEfSelection {
    const PointList* pPointList = nullptr;
};
LProcessResult Process(LProgress* progress, EfEqualiser& record);

struct EfCompressor : LEfSelection {
    int32_t iThreshold = 0;  // dB
    int32_t iLimit = 0;      // dB; carried, does not change the output
    double dRatio = 1.0;     // gain factor per dB above the threshold
};
LProcessResult Process(LProgress* progress, EfCompressor& record);

struct EfNoiseReduction : LEfSelection {
    int32_t iNoiseGateLevel = -30;  // dB
};
LProcessResult Process(LProgress* progress, EfNoiseReduction& record);

// Analyses a copy of the selection in two passes. The result is a whole
// number of analysis blocks long, its last block faded to silence, so the
// selection's length changes to that. The two working files go to
// szTempFolder (empty: the cut tank's folder, where a run that dies leaves
// them for the next start to remove) and are deleted when the operation
// ends, also when it is cancelled. A processor that cannot produce its
// output (no working folder) fails and leaves the selection alone.
struct EfAutoGainControl : LEfSelection {
    std::string szTempFolder;
    LAutoGainParams params;
};
LProcessResult Process(LProgress* progress, EfAutoGainControl& record);

// Pumps a copy of the selection through the speed chain. Mode 0: speed and
// pitch together; 1: speed at constant pitch; 2: pitch at constant speed.
// Percentages below 10 act as 10. On success stEnd is the end of the new audio.
struct LEfChangeSpeedPitch : LEfSelection {
    int32_t nPercent = 100;
    int32_t nMode = 0;
};
LProcessResult Process(LProgress* progress, LEfChangeSpeedPitch& record);

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
