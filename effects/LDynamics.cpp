#include "effects/LDynamics.h"

#include <cmath>

namespace sondrel {

namespace {

int64_t MeanOfSquares(uint64_t sum, int32_t count) {
    if (count <= 0) return 0;
    uint64_t total = sum >> 13;
    return int64_t((total * 8192u) / uint64_t(count));
}

inline uint64_t Square(int32_t s) {
    int64_t v = s >> 5;
    return uint64_t(v * v);
}

}  // namespace

int64_t BlockMeanSquare(const int32_t* samples, int32_t count) {
    uint64_t sum = 0;
    for (int32_t i = 0; i < count; ++i) sum += Square(samples[i]);
    return MeanOfSquares(sum, count);
}

int64_t BlockMeanSquareChannel(const int32_t* samples, int32_t frames, int32_t chans, int32_t channel) {
    if (chans < 1 || channel < 0 || channel >= chans) return 0;
    uint64_t sum = 0;
    const int32_t* p = samples + channel;
    for (int32_t i = 0; i < frames; ++i, p += chans) sum += Square(*p);
    return MeanOfSquares(sum, frames);
}

int32_t BlockLevelDB(int64_t meanSquare) {
    if (meanSquare <= 0) return kLevelSilence;
    double x = 10.0 * std::log10(double(meanSquare) * 1.1920903375594525e-7);
    x += meanSquare < kMeanSquareZeroDB ? -0.5 : 0.5;
    if (x <= -127.0) return -127;
    if (x >= 127.0) return 127;
    return int32_t(x);
}

int32_t CapGain(double x) {
    if (!(x > 0.0)) return 0;
    if (x >= 2147483647.0) return 0x7FFFFFFF;
    return int32_t(x);
}

LDBTablesClass::LDBTablesClass() {
    iAmplitude[0] = iAmplitude[1] = 0;  // -128 and -127 dB
    iPower[0] = iPower[1] = 0;
    for (int32_t dB = -126; dB <= 127; ++dB) {
        iAmplitude[dB + 128] = CapGain(std::pow(10.0, dB * 0.05) * 16777216.0 + 0.5);
        iPower[dB + 128] = CapGain(std::pow(10.0, dB * 0.1) * 16777216.0 + 0.5);
    }
}

const LDBTablesClass& LDBTablesClass::Get() {
    // Function-local static: initialised exactly once, even when the player's
    // worker and the user-interface thread ask for it at the same time.
    static const LDBTablesClass tables;
    return tables;
}

}  // namespace sondrel
