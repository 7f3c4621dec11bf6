#include "effects/LSRCCompressor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "effects/LDynamics.h"
#include "core/LRangePump.h"  // MsToFrames

namespace sondrel {

const LCompressorRatio kCompressorRatioTable[kCompressorRatios] = {
    {"1:1", 1.0},
    {"3:2", 0.9623506263981255},
    {"2:1", 0.9440608762859234},
    {"3:1", 0.9261187281287935},
    {"4:1", 0.9172759353897796},
    {"5:1", 0.9120108393559098},
    {"Limit", 0.8912509382363546},
};

double CompressorRatioFactor(int32_t index) {
    if (index < 0 || index >= kCompressorRatios) return 1.0;
    return kCompressorRatioTable[index].dFactor;
}

void BuildCompressorGainTable(int32_t table[256], int32_t threshold, double factor, int32_t limitLevel) {
    threshold = std::clamp(threshold, -127, 127);
    limitLevel = std::clamp(limitLevel, threshold, 127);
    double g = 16777216.0;
    if (threshold < 0) g /= std::pow(factor, double(-threshold));
    int32_t e = 0;
    for (; e <= threshold + 127; ++e) table[e] = CapGain(g);
    for (; e < limitLevel + 128 && e < 255; ++e) {
        table[e] = CapGain(g);
        g *= factor;
    }
    for (; e < 256; ++e) {
        table[e] = CapGain(g);
        g *= 0.8912509381337456;  // -1 dB per dB
    }
}

LSRCCompressor::LSRCCompressor(const LSoundSourcePtr& input, int32_t limitLevel, int32_t blockMs, double factor,
                               int32_t threshold)
    : LSRCFilter(input) {
    iPeakBound = 0x3FFFFF;
    BuildCompressorGainTable(iGainTable, threshold, factor, limitLevel);
    nBlock = std::clamp(MsToFrames(blockMs, nSampleRate), 128, kMaxBlockFrames);
    current_.assign(size_t(nBlock) * nChans, 0);
    next_.assign(size_t(nBlock) * nChans, 0);
    Restart();
}

int32_t LSRCCompressor::ReadBlockTarget(std::vector<int32_t>& block) {
    pInput->Read(block.data(), nBlock);
    int32_t level = BlockLevelDB(BlockMeanSquare(block.data(), nBlock * nChans));
    return iGainTable[level + 128];
}

void LSRCCompressor::SetStep() {
    if (gTarget_ < g_) {
        step_ = (gTarget_ - g_) / (nBlock + nBlock / 4);  // attack
    } else {
        // Release halfway towards the mean of the last two targets; the sum
        // of two large gains does not fit in 32 bits.
        int32_t mid = int32_t((int64_t(gTarget_) + gPrevTarget_) >> 1);
        step_ = (mid - g_) / (2 * nBlock);
    }
}

void LSRCCompressor::Restart() {
    if (HasError()) return;
    g_ = gPrevTarget_ = ReadBlockTarget(current_);
    gTarget_ = ReadBlockTarget(next_);
    SetStep();
    nPos = 0;
}

void LSRCCompressor::Read(int32_t* buffer, int32_t n) {
    const int32_t chans = nChans;
    if (HasError()) {
        if (n > 0) std::memset(buffer, 0, size_t(n) * chans * sizeof(int32_t));
        return;
    }
    while (n > 0) {
        if (nPos >= nBlock) {
            std::swap(current_, next_);
            gPrevTarget_ = gTarget_;
            gTarget_ = ReadBlockTarget(next_);
            SetStep();
            nPos = 0;
        }
        int32_t take = std::min(n, nBlock - nPos);
        const int32_t* src = current_.data() + size_t(nPos) * chans;
        for (int32_t i = 0; i < take; ++i) {
            for (int32_t c = 0; c < chans; ++c) buffer[c] = MulGain(src[c], g_);
            g_ += step_;
            src += chans;
            buffer += chans;
        }
        nPos += take;
        n -= take;
    }
}

int32_t LSRCCompressor::GetPosition() { return pInput->GetPosition() - (2 * nBlock - nPos); }

void LSRCCompressor::Seek(int32_t position) {
    pInput->Seek(position);
    Restart();
}

LSPCompressor::LSPCompressor(int32_t threshold, double factor, int32_t limit)
    : iThreshold(int8_t(std::clamp(threshold, -127, 127))), dFactor(factor), iLimit(int8_t(std::clamp(limit, -127, 127))) {}

void LSPCompressor::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    result = MakeSource<LSRCCompressor>(input, 127, iBlockTime, dFactor, iThreshold);
}

}  // namespace sondrel
