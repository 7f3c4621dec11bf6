#include "effects/LDynamics.h"

#include <cmath>

namespace sondrel {

namespace {

// Squares are split into a high part (>> 13) and a low part (& 0x1FFF)
// summed apart: total = high + (low >> 13) is the sum to 1/8192, and the
// mean is formed without ever multiplying the total up.
struct SquareSum {
    uint64_t high = 0, low = 0;
    void Add(int32_t s) {
        int64_t v = s >> 5;
        uint64_t sq = uint64_t(v * v);
        high += sq >> 13;
        low += sq & 0x1FFF;
    }
    int64_t Mean(int32_t count) const {
        if (count <= 0) return 0;
        uint64_t total = high + (low >> 13);
        uint64_t n = uint64_t(count);
        return int64_t((total / n) * 8192u + ((total % n) * 8192u) / n);
    }
};

}  // namespace

int64_t BlockMeanSquare(const int32_t* samples, int32_t count) {
    SquareSum sum;
    for (int32_t i = 0; i < count; ++i) sum.Add(samples[i]);
    return sum.Mean(count);
}

int64_t BlockMeanSquareChannel(const int32_t* samples, int32_t frames, int32_t chans, int32_t channel) {
    if (chans < 1 || channel < 0 || channel >= chans) return 0;
    SquareSum sum;
    const int32_t* p = samples + channel;
    for (int32_t i = 0; i < frames; ++i, p += chans) sum.Add(*p);
    return sum.Mean(frames);
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
