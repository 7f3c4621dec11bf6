#include "core/LSRCPeakLimit.h"

#include <algorithm>
#include <cstring>

#include "core/LPeakScan.h"

namespace sondrel {

int32_t BlockPeak(const int32_t* samples, int32_t count) {
    int32_t hi = 0, lo = 0;
    if (count > 0) ScanPeaks(samples, size_t(count), lo, hi);
    return std::max(hi, -lo);
}

int32_t LSRCPeakLimit::BlockGain(int32_t peak, int32_t limit) {
    if (peak <= limit) return kUnityGain;
    return ((limit * 512) / ((peak + 64) >> 6)) * 512;
}

LSRCPeakLimit::LSRCPeakLimit(const LSoundSourcePtr& input, int32_t limit) : LSRCFilter(input), iLimit(limit) {
    iPeakBound = limit >= 0x400000 ? 0x3FFFFF : limit;
    nBlock = std::clamp(nSampleRate / 35, 20, kMaxBlockFrames);
    nPos = 3 * nBlock;
    size_t sz = size_t(nBlock) * nChans;
    b0_.assign(sz, 0);
    b1_.assign(sz, 0);
    b2_.assign(sz, 0);
}

void LSRCPeakLimit::ReadBlock(std::vector<int32_t>& block, int32_t& gain) {
    pInput->Read(block.data(), nBlock);
    gain = BlockGain(BlockPeak(block.data(), nBlock * nChans), iLimit);
}

void LSRCPeakLimit::SetStep(int32_t d) {
    step_ = d / nBlock;
    g_ += d % nBlock;
    nPos = 0;
}

void LSRCPeakLimit::Restart() {
    ReadBlock(b0_, g0_);
    ReadBlock(b1_, g1_);
    ReadBlock(b2_, g2_);
    gP_ = g0_;
    g_ = g0_;
    int32_t avg = ((gP_ + g0_ + g1_ + g2_) >> 2) - g_;
    SetStep(std::min(avg, std::min(g0_, g1_) - g_));
}

void LSRCPeakLimit::Read(int32_t* buffer, int32_t n) {
    const int32_t chans = nChans;
    while (n > 0) {
        if (nPos >= 3 * nBlock) {
            Restart();
        } else if (nPos >= nBlock) {
            std::swap(b0_, b1_);  // b0 <- b1, b1 <- old b0
            std::swap(b1_, b2_);  // b1 <- b2, b2 <- old b0
            gP_ = g0_;
            g0_ = g1_;
            g1_ = g2_;
            ReadBlock(b2_, g2_);
            int32_t d = std::min(g0_, g1_) - g_;
            int32_t avg = ((gP_ + g0_ + g1_ + g2_) >> 2) - g_;
            SetStep(std::min(d, avg));
        }
        int32_t take = std::min(n, nBlock - nPos);
        const int32_t* src = b0_.data() + size_t(nPos) * chans;
        if (g_ >= kUnityGain && step_ == 0) {
            std::memcpy(buffer, src, size_t(take) * chans * sizeof(int32_t));
        } else {
            for (int32_t i = 0; i < take; ++i) {
                for (int32_t c = 0; c < chans; ++c) {
                    buffer[i * chans + c] = MulGain(src[i * chans + c], g_);
                }
                g_ += step_;
            }
        }
        nPos += take;
        buffer += size_t(take) * chans;
        n -= take;
    }
}

int32_t LSRCPeakLimit::GetPosition() { return pInput->GetPosition() - (3 * nBlock - nPos); }

void LSPPeakLimit::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    if (input->iPeakBound <= iLevel)
        result = input;
    else
        result = MakeSource<LSRCPeakLimit>(input, iLevel);
}

void LSRCPeakLimit::Seek(int32_t position) {
    pInput->Seek(position);
    Restart();
}

}  // namespace sondrel
