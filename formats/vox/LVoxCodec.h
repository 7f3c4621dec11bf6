// Dialogic (OKI) 4-bit ADPCM. The decoder's predictor leaks (it decays by
// 1/64 each sample), so decoding settles after a seek or a damaged stretch.
// The encoder keeps the plain decoder's 12-bit picture of the signal, which
// is what other players rebuild, and its decision levels sit about 3 % above
// the usual ones.
#pragma once
#include <cstdint>

namespace sondrel {

constexpr int kVoxSteps = 49;
extern const int16_t kVoxStep[kVoxSteps];
extern const int32_t kVoxMultiplier[16];
extern const int8_t kVoxIndexAdjust[16];

struct LVoxCodec {
    int32_t iStepIndex = 0;
    // The last sample, internal scale: decoding, not limited; encoding, the
    // plain decoder's 12-bit sample times 256.
    int32_t iPredictor = 0;

    void Reset() { iStepIndex = iPredictor = 0; }
    // One 4-bit code (bit 3 the sign) to one internal sample.
    int32_t Decode(uint32_t code);
    // One internal sample to a 4-bit code.
    uint32_t Encode(int32_t sample);
};

}  // namespace sondrel
