// Small pieces shared by the effect sources.
#pragma once
#include <cstdint>

#include "core/LSoundStream.h"

namespace sondrel {

// Delay-line length in samples: frames(ms) * chans, frames as the range pump
// converts milliseconds (truncating), kept within [minimum, maximum] (a
// negative or overflowing time gives the minimum or the maximum, never a
// wrapped length).
int32_t DelaySamples(int32_t ms, int32_t rate, uint32_t chans, int32_t minimum, int32_t maximum);

// Zeroes the frames of a block read at position pos that lie before 0 or at
// or past length: effects that ring on (echo tails, filter responses) keep
// silence outside their material.
void ZeroOutside(int32_t* buffer, int32_t n, uint32_t chans, int32_t pos, int32_t length);

// The frame of a filter that reads its input two blocks ahead of what it
// gives out (the compressor and the noise gates): the output runs through
// the current block while the next one is read already, so that gains ramp
// over the current block towards what the next one asks. A subclass reads
// the first two blocks (Restart, also after a seek), moves on a block
// (NextBlock) and gives out frames of the current block (Apply). A filter
// over a failed input gives out silence.
class LSRCBlockAhead : public LSRCFilter {
public:
    using LSRCFilter::LSRCFilter;
    void Read(int32_t* buffer, int32_t n) final;
    int32_t GetPosition() final { return pInput->GetPosition() - (2 * nBlock - nPos); }
    void Seek(int32_t position) final;
    virtual void Restart() = 0;

    int32_t BlockFrames() const { return nBlock; }

protected:
    // The next block becomes the current one, and the one after is read.
    virtual void NextBlock() = 0;
    // frames of the current block from frame nPos on, into out.
    virtual void Apply(int32_t* out, int32_t frames) = 0;

    int32_t nBlock = 0;  // frames of a block
    int32_t nPos = 0;    // frames of the current block already given out
};

}  // namespace sondrel
