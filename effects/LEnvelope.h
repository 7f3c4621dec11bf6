// Loudness over time: the gain ramp of envelopes and fades along a point
// curve, and the gain that normalizes a selection to a peak level; with
// them the commands that change the gain of a selection: Amplify,
// Normalize, Fade In, Fade Out, Envelope and Fade Out and Trim.
#pragma once
#include <cstdint>

#include "core/LSoundStream.h"
#include "effects/LEffectTable.h"
#include "effects/PointList.h"

namespace sondrel {

// The 8.24 gain ramp a point curve describes over a range of total frames.
// The range is walked in blocks that end at every point and at most 8192
// frames apart; at the start of each block the per-frame step is set so the
// gain would reach the next point's value at that point, and the gain then
// moves by that step once per frame (all channels of a frame share it).
// An operation that applies the curve in place runs:
//   while ((n = env.NextBlock()) > 0) { read n frames; env.Apply(buffer, n, chans); write them; }
// The same gains come out however the range is read, so LSRCEnvelope can
// serve any read size and seek.
class LEnvelopeGain {
public:
    // The list needs at least two points (see Usable); total below 1 counts as 1.
    LEnvelopeGain(const PointList& list, int32_t total);

    static bool Usable(const PointList& list) { return list.nPoints >= 2; }
    // y = 128 is unity: y * 2^17.
    static int32_t PointGain(uint8_t y) { return int32_t(y) << 17; }
    // Frame offset of curve x within the range: x * total / 255 without overflow.
    int32_t FrameOffset(uint8_t x) const { return (nTotal / 255) * x + ((nTotal % 255) * x) / 255; }

    // Starts the next block and returns its length (1..8192), or 0 when the
    // range is done. Call only when the previous block has been used up.
    int32_t NextBlock();
    // Multiplies n frames (at most what is left of the block) by the gain.
    void Apply(int32_t* buffer, int32_t n, uint32_t chans);
    // Moves the gain on by n frames of the current block without applying it.
    void Skip(int32_t n);
    // Restarts the ramp and moves to offset frames into the range.
    void SeekTo(int32_t offset);
    void Restart();

    int32_t Done() const { return nDone; }
    int32_t Total() const { return nTotal; }
    int32_t BlockLeft() const { return nBlockEnd - nDone; }
    int32_t Gain() const { return iGain; }

private:
    PointList pts_;
    int32_t nTotal;
    int32_t nDone = 0;
    int32_t nBlockEnd = 0;
    int32_t nSegmentEnd = 0;
    int32_t iNext = 0;  // next point to aim at
    int32_t iGain = 0;
    int32_t iTarget = 0;
    int32_t iStep = 0;
};

// The curve applied to frames [nStart, nStart + nTotal) of the input; frames
// outside the range pass unchanged, so reading the whole input gives the
// audio as it is after the envelope operation. A curve with fewer than two
// points sets the error flag and changes nothing.
class LSRCEnvelope : public LSRCFilter {
public:
    LSRCEnvelope(const LSoundSourcePtr& input, const PointList& list, int32_t start, int32_t total);
    void Read(int32_t* buffer, int32_t n) override;

private:
    LEnvelopeGain env_;
    int32_t nStart;
    bool bUsable;
};

class LSPEnvelope : public LSoundProcessor {
public:
    LSPEnvelope(const PointList& list, int32_t start, int32_t total)
        : pointList(list), nStart(start), nTotal(total) {}
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;

    PointList pointList;
    int32_t nStart;
    int32_t nTotal;
};

// Percentage for the cut list's gain operation that brings a selection whose
// largest magnitude is peak to peakLevel percent of 16-bit full scale:
// peakLevel * 0x7FFF0 / peak, at most 400 (and at least -400). A silent
// selection (peak <= 0) gives 100, which the gain operation skips.
int32_t NormalizeGainPercent(int32_t peak, int32_t peakLevel);

// A sink that keeps only the largest magnitude written to it (the first pass
// of normalize: range-pump the selection into it).
class LSNKPeak : public LSoundSinkBase {
public:
    LSNKPeak(int32_t rate, uint32_t chans) : LSoundSinkBase(rate, chans) {}
    void Write(const int32_t* buffer, int32_t n) override;
    int32_t iPeak = 0;
};

// The commands. Amplify applies the cut list's gain (percent) to the
// selection at once. Normalize scans the selection for its largest
// magnitude, then applies the gain that brings it to the chosen percentage
// of 16-bit full scale (a silent or empty selection changes nothing). The
// fades and the envelope run the selection through their curve (a curve of
// fewer than two points fails); Fade Out and Trim then deletes everything
// after the selection.
extern const LEffectDesc kAmplifyEffect;
extern const LEffectDesc kNormalizeEffect;
extern const LEffectDesc kFadeInEffect;
extern const LEffectDesc kFadeOutEffect;
extern const LEffectDesc kEnvelopeEffect;
extern const LEffectDesc kFadeOutAndTrimEffect;

}  // namespace sondrel
