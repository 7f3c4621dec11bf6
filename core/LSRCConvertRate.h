// Sample rate conversion: a polyphase Kaiser-windowed sinc resampler with
// 63 taps, integer arithmetic in the inner loop and block floating point on
// its input buffer.
#pragma once
#include <cstdint>
#include <vector>

#include "core/LSoundStream.h"

namespace sondrel {

// The filter bank for one rate pair: nPhases rows of 63 coefficients, row p
// for the fractional input offset p / nPhases. Each output frame advances the
// input by nStep / nPhases frames.
struct LPolyphaseTable {
    static constexpr int kTaps = 63;
    static constexpr int kHalf = 31;  // the centre tap
    static constexpr int kMaxPhases = 255;

    int32_t nPhases = 1;
    int32_t nStep = 1;
    std::vector<int32_t> aCoefs;  // nPhases * kTaps, row by row
    // The same rows split as c = 256 * hi + lo with lo in 0..255, both 16-bit,
    // each row padded with a zero to kPaddedTaps: with 16-bit samples the
    // partial sums over either part stay far inside 32 bits.
    static constexpr int kPaddedTaps = 64;
    std::vector<int16_t> aCoefsHi, aCoefsLo;

    void Build(int32_t rateIn, int32_t rateOut);
    const int32_t* Row(int32_t phase) const { return aCoefs.data() + size_t(phase) * kTaps; }
};

class LSRCConvertRate : public LSRCFilter {
public:
    LSRCConvertRate(const LSoundSourcePtr& input, int32_t rate);

    // Converts 1 and 2 channels; for any other count the frames are consumed
    // and the buffer is left as it was.
    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override;
    int32_t GetLength() override;
    void Seek(int32_t position) override;

    const LPolyphaseTable& Table() const { return tFilter; }
    // Right shift applied to the samples now in the input buffer.
    uint8_t BlockShift() const { return nBlockShift; }

    static constexpr int32_t kBlock = 8192;                             // new frames per refill
    static constexpr int32_t kBufferFrames = kBlock + LPolyphaseTable::kTaps;  // 8255

private:
    void Refill();
    void SetOutputShift(int s);
    void Advance();
    template <int Ch>
    void ReadFrames(int32_t* buffer, int32_t n);

    LPolyphaseTable tFilter;
    int32_t nInputIndex = kBlock + 32;  // leftmost tap of the next output in aBuffer
    int32_t nPhase = 0;                 // 0 .. nPhases - 1
    int32_t nStepFrames = 0;            // nStep / nPhases
    int32_t nStepPhase = 0;             // nStep % nPhases
    std::vector<int32_t> aBuffer;       // kBufferFrames * nChans, interleaved
    // The scaled samples of each channel as 16-bit rows, one frame of zero
    // padding at the end, when they all fit.
    std::vector<int16_t> aPlanes;
    uint8_t nBlockShift = 0;
    int32_t nOutputShift = 15;          // 15 - block shift; negative means a left shift
    int32_t iOutputRound = 1 << 14;
    bool bPlanar = false;               // aPlanes holds this block
};

}  // namespace sondrel
