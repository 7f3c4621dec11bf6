// A fixed gain in whole decibels for what a wave window shows (the main
// window's vertical zoom): gain = A[dB] >> 15 from the decibel table, so
// unity is 512, and every sample becomes (gain * s) >> 9 in 32-bit
// arithmetic. Peaks pass through it: when the inner source can tell the
// extremes of a stretch, the gain maps them (it keeps their order wherever
// no product wraps).
#pragma once
#include <cstdint>

#include "core/LPeakRange.h"
#include "core/LSoundStream.h"

namespace sondrel {

class LSRCDBGain : public LSRCFilter, public LPeakRangeSource {
public:
    LSRCDBGain(const LSoundSourcePtr& input, int8_t dB);
    void Read(int32_t* buffer, int32_t n) override;
    bool ReadPeakRange(int32_t from, int32_t to, LPeakRange& r) override;
    int32_t Gain() const { return iGain; }

private:
    int32_t iGain;
};

class LSPDBGain : public LSoundProcessor {
public:
    explicit LSPDBGain(int8_t dB) : iDB(dB) {}
    using LSoundProcessor::OpenSource;
    // The input itself when it is in error.
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;
    int8_t iDB;
};

}  // namespace sondrel
