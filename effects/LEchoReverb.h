// Delay effects: a feedback echo and a four-tap reverb, both in 32-bit
// fixed point over one delay line of samples (not frames), and the Echo and
// Reverb commands that run them over the selection.
#pragma once
#include <cstdint>
#include <vector>

#include "core/LSoundStream.h"
#include "effects/LEffectSource.h"
#include "effects/LEffectTable.h"

namespace sondrel {

constexpr int32_t kMinDelaySamples = 128;
// 64 MB of delay line; far beyond any time the dialogs accept.
constexpr int32_t kMaxDelaySamples = 1 << 24;

// Each output sample is x + (d * gain >> 8), where d is the output of one
// delay length earlier; the repeats decay by gain/256 each time.
class LSRCEcho : public LSRCFilter {
public:
    LSRCEcho(const LSoundSourcePtr& input, int32_t timeMs, int32_t gainPercent);
    void Read(int32_t* buffer, int32_t n) override;
    // Clears the delay line (the write index stays where it is).
    void Seek(int32_t position) override;

    int32_t DelayLength() const { return nDelay; }
    int32_t Gain() const { return iGain; }

private:
    int32_t nDelay;  // samples: frames(time) * channels, 128..kMaxDelaySamples
    std::vector<int32_t> delay_;
    int32_t iIndex = 0;
    int32_t iGain;  // 1/256 units
};

// One delay line of length L with a feedback tap at the full length and
// four taps at 0.2587, 0.4419, 0.6177 and 0.789 of it, gains in 1/512 units.
class LSRCReverb : public LSRCFilter {
public:
    LSRCReverb(const LSoundSourcePtr& input, int32_t level, int32_t timeMs);
    void Read(int32_t* buffer, int32_t n) override;
    void Seek(int32_t position) override;

    uint32_t DelayLength() const { return nLength; }
    // Tap read positions p1..p4 and gains g1..g4, g0 (feedback) as built.
    const uint32_t* Taps() const { return p_; }
    const int32_t* TapGains() const { return g_; }
    int32_t FeedbackGain() const { return g0_; }

private:
    uint32_t nLength;
    uint32_t nMinLag;  // fewest samples between a slot's write and a tap's read of it
    std::vector<int32_t> d_;
    uint32_t w_ = 0;
    uint32_t p_[4];
    int32_t g_[4];
    int32_t g0_;
};

class LSPEcho : public LSoundProcessor {
public:
    LSPEcho(int32_t timeMs, int32_t gainPercent) : iEchoTime(timeMs), iEchoGain(gainPercent) {}
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;
    int32_t iEchoTime;  // ms
    int32_t iEchoGain;  // percent
};

class LSPReverb : public LSoundProcessor {
public:
    LSPReverb(int32_t level, int32_t timeMs) : iReverbLevel(level), iReverbTime(timeMs) {}
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;
    int32_t iReverbLevel;  // 0..100
    int32_t iReverbTime;   // ms
};

// The commands: echo time (ms, 10..2999) and gain (percent, below 100);
// reverb level (at most 100) and time (ms, 50..1000).
extern const LEffectDesc kEchoEffect;
extern const LEffectDesc kReverbEffect;

}  // namespace sondrel
