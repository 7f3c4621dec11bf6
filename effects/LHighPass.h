// The low cut filter: a one-pole high-pass in 8-bit fixed point.
#pragma once
#include <cstdint>
#include <vector>

#include "core/LSoundStream.h"
#include "effects/LEffectTable.h"

namespace sondrel {

// Each channel keeps s, a running low-pass estimate times 256; the output is
// x - (s >> 8) and s then grows by that output times a.
class LSRCHighPass : public LSRCFilter {
public:
    LSRCHighPass(const LSoundSourcePtr& input, int32_t frequency);
    void Read(int32_t* buffer, int32_t n) override;
    void Seek(int32_t position) override;

    // trunc((1 - exp(-2 pi f / rate)) * 256).
    static int32_t Coefficient(int32_t frequency, int32_t rate);
    int32_t CoefficientA() const { return iA; }

private:
    int32_t iA;
    std::vector<int32_t> state_;
};

// Holds the filter frequency. The low cut command and its preview pass twice
// the entered "LowCutFreq".
class LSPHighPass : public LSoundProcessor {
public:
    explicit LSPHighPass(int32_t frequency) : iFrequency(frequency) {}
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;
    int32_t iFrequency;
};

// The High-Pass Filter command: the filter built at twice the entered
// frequency ("LowCutFreq"), the doubling wrapping in 32 bits.
extern const LEffectDesc kLowCutFilterEffect;

}  // namespace sondrel
