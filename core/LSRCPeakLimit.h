// Look-ahead peak limiter: keeps every sample within the limit by moving an
// 8.24 gain linearly from block to block, looking three blocks ahead.
#pragma once
#include <vector>

#include "core/LSoundStream.h"

namespace sondrel {

class LSRCPeakLimit : public LSRCFilter {
public:
    LSRCPeakLimit(const LSoundSourcePtr& input, int32_t limit);
    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override;
    void Seek(int32_t position) override;
    void Restart();

    // Gain (8.24) that brings a block with peak p down to limit m.
    static int32_t BlockGain(int32_t peak, int32_t limit);

private:
    void ReadBlock(std::vector<int32_t>& block, int32_t& gain);
    void SetStep(int32_t d);

    int32_t iLimit;
    int32_t nBlock;  // N
    int32_t nPos;    // frames of the current block output
    std::vector<int32_t> b0_, b1_, b2_;
    int32_t gP_ = 0, g0_ = 0, g1_ = 0, g2_ = 0;
    int32_t g_ = 0, step_ = 0;
};

// Largest of (largest sample, -smallest sample) over count samples, both starting at 0.
int32_t BlockPeak(const int32_t* samples, int32_t count);

}  // namespace sondrel
