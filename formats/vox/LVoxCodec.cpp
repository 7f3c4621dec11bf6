#include "formats/vox/LVoxCodec.h"

namespace sondrel {

const int16_t kVoxStep[kVoxSteps] = {
    16,  17,  19,  21,  23,  25,  28,  31,  34,  37,  41,  45,   50,   55,   60,   66,   73,
    80,  88,  97,  107, 118, 130, 143, 157, 173, 190, 209, 230,  253,  279,  307,  337,  371,
    408, 449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552,
};

// Steps are in 12-bit sample units and a code of magnitude m stands for
// (2m + 1)/8 of a step; the internal scale is 256 times the 12-bit scale,
// hence 32 x (2m + 1).
const int32_t kVoxMultiplier[16] = {
    32,  96,  160,  224,  288,  352,  416,  480,
    -32, -96, -160, -224, -288, -352, -416, -480,
};

const int8_t kVoxIndexAdjust[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

namespace {
inline int32_t ClampIndex(int32_t i) { return i < 0 ? 0 : i >= kVoxSteps ? kVoxSteps - 1 : i; }
}

int32_t LVoxCodec::Decode(uint32_t code) {
    code &= 15;
    iStepIndex = ClampIndex(iStepIndex);
    iPredictor = iPredictor + kVoxStep[iStepIndex] * kVoxMultiplier[code] - (iPredictor >> 6);
    iStepIndex += kVoxIndexAdjust[code];
    return iPredictor;
}

uint32_t LVoxCodec::Encode(int32_t sample) {
    // The encoder follows the sample that a plain Dialogic decoder rebuilds
    // (12-bit integer steps of (2m + 1) x step / 8 truncated, no leak, held
    // within 12 bits), because every other player of these files decodes
    // that way: without a leak, any difference between the encoder's picture
    // and theirs adds up into a wandering offset. Our own leaky decoder
    // follows such a stream just as well.
    iStepIndex = ClampIndex(iStepIndex);
    const int32_t step = kVoxStep[iStepIndex];
    // Far beyond full scale every sample codes as the largest step anyway;
    // the bound keeps the difference from wrapping.
    if (sample > (1 << 24)) sample = 1 << 24;
    if (sample < -(1 << 24)) sample = -(1 << 24);
    // In internal units a full step is 256 x step; the decision levels for
    // the magnitude bits 4, 2 and 1 are 1, 1/2 and 1/4 of it, raised by ~3 %.
    int32_t q = (sample - iPredictor) / step;
    uint32_t code = 0;
    if (q < 0) {
        code = 8;
        q = -q;
    }
    if (q >= 264) {
        code |= 4;
        q -= 264;
    }
    if (q >= 132) {
        code |= 2;
        q -= 132;
    }
    if (q >= 66) code |= 1;
    const int32_t diff = ((2 * int32_t(code & 7) + 1) * step) >> 3;  // 12-bit units
    int32_t p = (iPredictor >> 8) + (code & 8 ? -diff : diff);
    if (p > 2047) p = 2047;
    if (p < -2048) p = -2048;
    iPredictor = p * 256;
    iStepIndex += kVoxIndexAdjust[code];
    return code;
}

}  // namespace sondrel
