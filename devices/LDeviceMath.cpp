#include "devices/LDeviceMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "effects/LDynamics.h"

namespace sondrel {

namespace {

int32_t RoundClampLevel(double x, bool up) {
    x += up ? 0.5 : -0.5;
    if (x <= -127.0) return -127;
    if (x >= 127.0) return 127;
    return int32_t(x);
}

}  // namespace

int32_t DeviceBufferFrames(int32_t rate) { return std::clamp(rate / 10, 20, 8192); }

int32_t PlayerLevelFromMeanSquare(int64_t meanSquare) {
    if (meanSquare <= 0) return kLevelSilent;
    return RoundClampLevel(10.0 * std::log10(double(meanSquare) / 8388607.0), meanSquare >= 8388626);
}

int32_t PlayerChannelLevel(const int32_t* samples, int32_t frames, int32_t chans, int32_t channel) {
    if (frames <= 0) return kLevelSilent;
    // The same split sum the dynamics use, so it cannot overflow.
    return PlayerLevelFromMeanSquare(BlockMeanSquareChannel(samples, frames, chans, channel));
}

void PlayerLevels(const int32_t* samples, int32_t frames, int32_t chans, LChannelLevels& levels) {
    chans = std::clamp(chans, 0, 255);
    levels.nCount = uint8_t(chans);
    for (int32_t c = 0; c < chans; ++c) levels.iLevels[c] = int8_t(PlayerChannelLevel(samples, frames, chans, c));
}

int32_t RecorderLevelFromPeak(int32_t peak) {
    if (peak <= 0) return kLevelSilent;
    return RoundClampLevel(20.0 * std::log10(double(peak) / 131072.0), peak >= 131072);
}

void RecorderLevels(const int32_t* samples, int32_t frames, int32_t chans, LChannelLevels& levels) {
    chans = std::clamp(chans, 0, 255);
    levels.nCount = uint8_t(chans);
    for (int32_t c = 0; c < chans; ++c) {
        int32_t hi = 0, lo = 0;
        const int32_t* p = samples + c;
        for (int32_t i = 0; i < frames; ++i, p += chans) {
            hi = std::max(hi, *p);
            lo = std::min(lo, *p);
        }
        // -lo wraps for INT32_MIN; a peak that large is full scale anyway.
        int32_t peak = lo == INT32_MIN ? INT32_MAX : std::max(hi, -lo);
        levels.iLevels[c] = int8_t(RecorderLevelFromPeak(peak));
    }
}

int32_t DecisiveLevel(const LChannelLevels& levels) {
    if (levels.nCount == 0) return kLevelSilent;
    if (levels.nCount == 1) return levels.iLevels[0];
    return std::max(levels.iLevels[0], levels.iLevels[1]);
}

int32_t DCFilterCoefficient(int32_t rate) { return rate < 1 ? 1 : 192000 / rate + 1; }

void LDCFilter::Setup(int32_t rate, int32_t chans) {
    k_ = DCFilterCoefficient(rate);
    chans_ = std::clamp(chans, 1, 256);
    std::memset(acc_, 0, sizeof acc_);
}

void LDCFilter::Apply(int32_t* samples, int32_t frames) {
    for (int32_t c = 0; c < chans_; ++c) {
        int32_t acc = acc_[c];
        int32_t* p = samples + c;
        for (int32_t i = 0; i < frames; ++i, p += chans_) {
            int32_t y = *p - (acc >> 12);
            *p = y;
            acc += y * k_;
        }
        acc_[c] = acc;
    }
}

int32_t CueSnippetFrames(int32_t frames) { return (frames + 3) / 4; }

void FillCueBuffer(int16_t* data, int32_t frames, int32_t chans) {
    int32_t q = CueSnippetFrames(frames);
    // Quarters 2..4, each cut at the end of the buffer.
    for (int32_t at = q; at < frames; at += q) {
        int32_t n = std::min(q, frames - at);
        std::memcpy(data + size_t(at) * chans, data, size_t(n) * chans * sizeof(int16_t));
    }
}

}  // namespace sondrel
