// Dynamic range compressor: a gain per block looked up by the block's level
// in a decibel-indexed table, moved linearly frame by frame towards the gain
// of the block ahead.
#pragma once
#include <vector>

#include "core/LSoundStream.h"
#include "effects/LEffectSource.h"
#include "effects/LEffectTable.h"

namespace sondrel {

// The ratio choices of the compressor dialog: text and gain factor per dB
// above the threshold, 10^(-(1 - 1/r) / 20).
struct LCompressorRatio {
    const char* szText;
    double dFactor;
};
constexpr int kCompressorRatios = 7;
extern const LCompressorRatio kCompressorRatioTable[kCompressorRatios];
// Factor for a stored ratio index; out-of-range indexes give 1:1.
double CompressorRatioFactor(int32_t index);

// Gain table: entry L + 128 = 8.24 gain for a block level of L dB. Levels up
// to the threshold get 2^24 * f^threshold (for a negative threshold, the
// make-up gain), each dB above it multiplies by f, and from limitLevel on
// each dB multiplies by 10^(-1/20). Entries are capped at 0x7FFFFFFF.
void BuildCompressorGainTable(int32_t table[256], int32_t threshold, double factor, int32_t limitLevel = 127);

class LSRCCompressor : public LSRCBlockAhead {
public:
    LSRCCompressor(const LSoundSourcePtr& input, int32_t limitLevel, int32_t blockMs, double factor, int32_t threshold);
    void Restart() override;

    const int32_t* GainTable() const { return iGainTable; }

private:
    void NextBlock() override;
    void Apply(int32_t* out, int32_t frames) override;
    int32_t ReadBlockTarget(std::vector<int32_t>& block);
    void SetStep();

    int32_t iGainTable[256];
    std::vector<int32_t> current_, next_;
    int32_t gPrevTarget_ = 0, gTarget_ = 0;
    int32_t g_ = 0, step_ = 0;
};

// Factory: threshold and limit in dB (clamped to -127..127), ratio factor,
// block time. The limit is carried for the dialog but does not reach the
// source: the table's -1 dB/dB segment always starts at 127 dB.
class LSPCompressor : public LSoundProcessor {
public:
    LSPCompressor(int32_t threshold, double factor, int32_t limit = 0);
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;

    int8_t iThreshold;
    double dFactor;
    int32_t iBlockTime = 45;
    int8_t iLimit;
};

// The Dynamic Range Compressor command: threshold (dB, -40..0), the index of
// a ratio of the table above and the limit (dB, 0..12).
extern const LEffectDesc kCompressorEffect;

}  // namespace sondrel
