// The dynamics and speed operations on a document's selection: compressor
// and noise reduction read the document through their effect source and
// paste the result over the selection; auto gain control analyses a copy of
// the selection in two passes; the speed and pitch changes pump a copy of
// the selection through their chain, and the selection's length changes.
// Each returns 0 done, 1 cancelled, 2 failed; cancelled or failed leaves the
// document's audio as it was.
#pragma once
#include <cstdint>
#include <string>

#include "core/LProgress.h"
#include "document/LCutListAudio.h"
#include "effects/LDPAutoGain.h"
#include "support/LFile.h"

namespace sondrel {

// Selection [stStart, stEnd) in milliseconds at the document's rate.
struct EfCompressor {
    LCutListAudio* pAudio = nullptr;
    int32_t stEnd = 0;
    int32_t stStart = 0;
    int32_t iThreshold = 0;  // dB
    int32_t iLimit = 0;      // dB; carried, does not change the output
    double dRatio = 1.0;     // gain factor per dB above the threshold
};
int Process(LProgress* progress, EfCompressor& record);

struct EfNoiseReduction {
    LCutListAudio* pAudio = nullptr;
    int32_t stEnd = 0;
    int32_t stStart = 0;
    int32_t iNoiseGateLevel = -30;  // dB
};
int Process(LProgress* progress, EfNoiseReduction& record);

// The result is a whole number of analysis blocks long, its last block faded
// to silence, so the selection's length changes to that. The two working
// files go to szTempFolder (empty: the cut tank's folder, where a run that
// dies leaves them for the next start to remove) and are deleted when the
// operation ends, also when it is cancelled. A processor that cannot
// produce its output (no working folder) fails and leaves the selection alone.
struct EfAutoGainControl {
    LCutListAudio* pAudio = nullptr;
    int32_t stEnd = 0;
    int32_t stStart = 0;
    std::string szTempFolder;
    LAutoGainParams params;
};
int Process(LProgress* progress, EfAutoGainControl& record);

// Mode 0: speed and pitch together; 1: speed at constant pitch; 2: pitch at
// constant speed. Percentages below 10 act as 10. On success stEnd is the
// end of the new audio.
struct LEfChangeSpeedPitch {
    LCutListAudio* pAudio = nullptr;
    int32_t stEnd = 0;
    int32_t stStart = 0;
    int32_t nPercent = 100;
    int32_t nMode = 0;
};
int Process(LProgress* progress, LEfChangeSpeedPitch& record);

}  // namespace sondrel
