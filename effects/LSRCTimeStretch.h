// Time stretch by splicing: the output is made of segments of S samples
// (about 11 ms); each plays the outgoing stream alone for its first half and
// crossfades to the incoming stream, which starts one hop further on in the
// input, over its second half with a raised-cosine curve. A hop of S * f
// input samples per S output samples plays f times faster at the same
// pitch; a negative hop plays the input backwards, segment by segment.
//
// A splice made wherever the hop lands jumps in phase, and a steady tone
// then comes out off pitch and warbling. So each incoming stream starts
// where, within a segment and a half either side of its nominal place, its
// first segment looks most like the outgoing stream's (the highest
// normalised cross-correlation of the mono mix: a coarse search over a
// decimated signal, refined at the full rate around its best peaks and at
// the outgoing stream's own continuation, which when in reach splices
// seamlessly). Only the stream's start moves: the nominal place advances by
// exactly one hop per segment, so positions and lengths are those of the
// plain splice. Where nothing correlates (silence) it stays at the nominal
// place.
#pragma once
#include <vector>

#include "core/LSoundStream.h"
#include "effects/LCorrelate.h"

namespace sondrel {

class LSRCTimeStretch : public LSRCFilter {
public:
    // factor: speed; the hop moves from factor to targetFactor over rampMs
    // of input (0: no ramp).
    LSRCTimeStretch(const LSoundSourcePtr& input, double factor, double targetFactor = 1.0, int32_t rampMs = 0);
    void Read(int32_t* buffer, int32_t n) override;
    // Input frame of the incoming stream at its nominal place.
    int32_t GetPosition() override;
    // The input's length going forwards; going backwards, twice the
    // position, so that a pump stops when the start is reached.
    int32_t GetLength() override;
    void Seek(int32_t position) override;
    void Restart();

    int32_t SegmentSamples() const { return S_; }
    int32_t Hop() const { return hop_; }
    const std::vector<int32_t>& Window() const { return w_; }
    // How far, in frames, the current incoming stream starts from its
    // nominal place.
    int32_t Offset() const { return shift_ / c_; }
    // The most Offset can be either way, in frames.
    int32_t SearchRange() const { return range_; }

private:
    void Splice();
    void Reposition(int32_t index);          // inner source to the frame of buffer index
    void FillBuffer(int32_t from, int32_t count);  // count samples from the inner source
    int32_t Align();       // the incoming stream's offset from its nominal place, samples

    int32_t c_;            // channels
    int32_t S_;            // segment, samples
    int32_t S2_;           // 2S
    int32_t B_;            // buffer size, 8S
    int32_t k_ = 0;        // position within the segment
    int32_t old_ = 0, new_ = 0;
    int32_t inpos_ = 0;    // buffer index where the next segment starts, nominally
    int32_t shift_ = 0;    // new_ - inpos_ at the segment's start: the alignment, samples
    int32_t hop_ = 0, targetHop_ = 0;
    int32_t ramp_ = 0;     // samples left to move the hop to the target
    int32_t fill_ = 0;     // buffer index the inner source's next sample belongs at
    bool primed_ = false;  // the buffer holds one contiguous stretch of input
    std::vector<int32_t> buf_;
    std::vector<int32_t> w_;

    // The search: offsets of up to range_ frames either way; the match
    // compares match_ frames from the segment's start, first decimated by
    // q_ (summed), then at the full rate around the best coarse offset.
    int32_t range_ = 0, match_ = 0, q_ = 1;
    std::vector<int32_t> target_, cand_;  // mono mixes at the full rate
    std::vector<int32_t> targetSum_, candSum_;  // their coarse sums
    std::vector<int16_t> targetQ_, candQ_;      // the same scaled for the kernel
    std::vector<int32_t> dots_;
    std::vector<double> scores_;
    LCorrelateFn correlate_ = nullptr;
};

class LSPTimeStretch : public LSoundProcessor {
public:
    explicit LSPTimeStretch(double factor, double targetFactor = 1.0, int32_t rampMs = 0)
        : dFactor(factor), dTargetFactor(targetFactor), iRampTime(rampMs) {}
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;

    double dFactor;
    double dTargetFactor;
    int32_t iRampTime;
};

}  // namespace sondrel
