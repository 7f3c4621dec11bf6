// Four-band soft noise gate: the input is high-passed at 50 Hz and split into
// bands (50-400, 400-1100, 1100-2600, above 2600 Hz); each band has its own
// gain that opens linearly as the band's block peak rises from one to five
// times its threshold, looking one block ahead.
#pragma once
#include <vector>

#include "core/LSoundStream.h"
#include "effects/LEffectSource.h"
#include "effects/LEffectTable.h"

namespace sondrel {

// One-pole band splitter with per-channel states (s0..s3 scaled by 256).
class LNoiseGateSplitter {
public:
    explicit LNoiseGateSplitter(int32_t rate, int32_t chans);
    void Reset();
    // Splits frames of interleaved input into the four band signals.
    void Split(const int32_t* in, int32_t frames, int32_t* band1, int32_t* band2, int32_t* band3, int32_t* band4);

    int32_t a[4];  // coefficients for 50, 400, 1100 and 2600 Hz

private:
    int32_t nChans;
    std::vector<int64_t> s_;  // four states per channel
};

// Sensitivity k for a band level in dB: 2^16 / amplitude(level), i.e. the
// 8.24 factor that maps a peak of 131072 * amplitude to 512. Capped at
// 0x7FFFFFFF (a -127 dB level means no threshold at all).
int32_t NoiseGateSensitivity(int32_t levelDB);
// Gate target (8.24) for a corrected band peak e and sensitivity k.
int32_t NoiseGateTarget(int32_t e, int32_t k);
// The four targets for the band peaks of one block.
void NoiseGateTargets(const int32_t peaks[4], const int32_t k[4], int32_t targets[4]);

class LSRCNoiseGates : public LSRCBlockAhead {
public:
    // Band levels in dB (each clamped to -127..127).
    LSRCNoiseGates(const LSoundSourcePtr& input, const int8_t levels[4]);
    void Restart() override;

    const LNoiseGateSplitter& Splitter() const { return splitter_; }

private:
    void NextBlock() override;
    void Apply(int32_t* out, int32_t frames) override;
    void ReadAndSplit(std::vector<int32_t>* bands);
    void Targets(std::vector<int32_t>* bands, int32_t targets[4]);

    LNoiseGateSplitter splitter_;
    int32_t k_[4];
    int32_t nOpenDiv, nCloseDiv;  // N and 2N
    std::vector<int32_t> in_;
    std::vector<int32_t> current_[4], next_[4];
    int32_t g_[4] = {0, 0, 0, 0};
    int32_t step_[4] = {0, 0, 0, 0};
};

// Band levels for a gate level L: L + 3, L, L - 3, L (L and each band clamped
// to -127..127).
void NoiseGateBandLevels(int32_t gateLevel, int8_t levels[4]);

// Factory: returns the input itself when it carries the error flag.
class LSPNoiseGates : public LSoundProcessor {
public:
    explicit LSPNoiseGates(int32_t gateLevel);
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;

    int8_t iLevels[4];
};

// The Noise Reduction command: the gates at one level (dB, -40..0).
extern const LEffectDesc kNoiseReductionEffect;

}  // namespace sondrel
