// Level arithmetic shared by the dynamics processors and the level meter:
// exact block mean squares, block levels in decibels and the process-wide
// decibel tables (amplitude and power as 8.24 factors).
#pragma once
#include <cstdint>

#include "core/LSRCPeakLimit.h"  // BlockPeak

namespace sondrel {

constexpr int32_t kLevelSilence = -127;     // dB of a silent block
constexpr int64_t kMeanSquareZeroDB = 8388626;  // mean square that reads as 0 dB

// Mean over count samples of (s >> 5)^2: the sum of squares is taken to
// 1/8192 and the mean truncated, (floor(sum / 8192) * 8192) / count. Kept in
// 64 bits so that loud blocks (|s| >= 0x200000) cannot wrap.
int64_t BlockMeanSquare(const int32_t* samples, int32_t count);
// The same over one channel of an interleaved block of frames.
int64_t BlockMeanSquareChannel(const int32_t* samples, int32_t frames, int32_t chans, int32_t channel);
// 10*log10(m / 8388626) rounded half away from zero, clamped to -127..127;
// m <= 0 gives -127.
int32_t BlockLevelDB(int64_t meanSquare);

// Amplitude and power factors (8.24) for whole decibels. Built once per
// process on first use (thread-safe); entries below -126 dB are 0 and
// entries are capped at 0x7FFFFFFF.
class LDBTablesClass {
public:
    static const LDBTablesClass& Get();

    // dB is clamped to -128..127.
    int32_t Amplitude(int32_t dB) const { return iAmplitude[Index(dB)]; }
    int32_t Power(int32_t dB) const { return iPower[Index(dB)]; }

    int32_t iAmplitude[256];  // index dB + 128
    int32_t iPower[256];

private:
    LDBTablesClass();
    static int32_t Index(int32_t dB) { return (dB < -128 ? -128 : dB > 127 ? 127 : dB) + 128; }
};

// trunc(x) for a non-negative double, capped at 0x7FFFFFFF (gain tables).
int32_t CapGain(double x);

}  // namespace sondrel
