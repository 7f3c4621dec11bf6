// Time stretch by splicing: the output is made of segments of S samples
// (about 11 ms); each plays the outgoing stream alone for its first half and
// crossfades to the incoming stream, which starts one hop further on in the
// input, over its second half with a raised-cosine curve. A hop of S * f
// input samples per S output samples plays f times faster at the same
// pitch; a negative hop plays the input backwards, segment by segment.
#pragma once
#include <vector>

#include "core/LSoundStream.h"

namespace sondrel {

class LSRCTimeStretch : public LSRCFilter {
public:
    // factor: speed; the hop moves from factor to targetFactor over rampMs
    // of input (0: no ramp).
    LSRCTimeStretch(const LSoundSourcePtr& input, double factor, double targetFactor = 1.0, int32_t rampMs = 0);
    void Read(int32_t* buffer, int32_t n) override;
    // Input frame of the incoming stream.
    int32_t GetPosition() override;
    // The input's length going forwards; going backwards, twice the
    // position, so that a pump stops when the start is reached.
    int32_t GetLength() override;
    void Seek(int32_t position) override;
    void Restart();

    int32_t SegmentSamples() const { return S_; }
    int32_t Hop() const { return hop_; }
    const std::vector<int32_t>& Window() const { return w_; }

private:
    void Splice();
    void Reposition(int32_t index);          // inner source to the frame of buffer index
    void FillBuffer(int32_t from, int32_t count);  // count samples from the inner source

    int32_t c_;            // channels
    int32_t S_;            // segment, samples
    int32_t S2_;           // 2S
    int32_t B_;            // buffer size, 8S
    int32_t k_ = 0;        // position within the segment
    int32_t old_ = 0, new_ = 0;
    int32_t inpos_ = 0;    // buffer index where the next segment starts
    int32_t hop_ = 0, targetHop_ = 0;
    int32_t ramp_ = 0;     // samples left to move the hop to the target
    int32_t fill_ = 0;     // buffer index the inner source's next sample belongs at
    bool primed_ = false;  // the buffer holds one contiguous stretch of input
    std::vector<int32_t> buf_;
    std::vector<int32_t> w_;
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
