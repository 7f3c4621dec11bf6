// Speed and pitch changes: the resampling source (speed and pitch together),
// the factories of the three commands and what the operation computes around
// them. The time stretch itself is in LSRCTimeStretch.
#pragma once
#include "core/LProgress.h"
#include "core/LSoundStream.h"
#include "effects/LEffectTable.h"
#include "effects/LSRCTimeStretch.h"

namespace sondrel {

// Plays the input f times faster and f times higher: the input is converted
// to the rate trunc(rate / f) and the result presented under the input's own
// rate. Position, length and seek are those of the converted stream. A
// factor that gives no usable rate marks the source as failed.
class LSRCResample : public LSRCFilter {
public:
    LSRCResample(const LSoundSourcePtr& input, double factor);
    void Read(int32_t* buffer, int32_t n) override;

    // The rate the input is converted to (0 when unusable).
    static int32_t ConvertedRate(int32_t rate, double factor);
};

class LSPResample : public LSoundProcessor {
public:
    explicit LSPResample(double factor) : dFactor(factor) {}
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;
    double dFactor;
};

// Pitch times f at the same speed: time stretch by 1/f over resampling by f.
class LSPPitchChange : public LSoundProcessor {
public:
    explicit LSPPitchChange(double factor) : dFactor(factor) {}
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;
    double dFactor;
};

// A stretched stream's position counts input frames (and steps back at each
// splice when slowing down), so a pump that ends the last block by position
// - length cuts or pads up to a block of output. This wrapper counts output
// frames instead. It reads up to the stretch's segment ends and stops after
// the segment from which the next one would start at or past the input's
// end: the output is then the input's length divided by the factor, to less
// than one segment. Until then its length is an estimate that stays ahead
// of the position.
class LSRCOutputClock : public LSRCFilter {
public:
    explicit LSRCOutputClock(const LSoundSourcePtr& stretch);
    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override { return nOut; }
    int32_t GetLength() override;
    void Seek(int32_t position) override;

private:
    void CheckEnd(bool atSegmentEnd);

    LSRCTimeStretch* pStretch;  // the input, kept alive by it
    double dFactor;             // input frames per output frame
    int32_t nSegment;           // frames
    int32_t nOut = 0;
    int32_t nOrigin = 0;  // output frame where a segment starts
    int32_t nEnd = 0;
    bool bEnd = false;
};

enum LSpeedPitchMode : int32_t { kSpeedPitchSimple = 0, kSpeedPitchConstantPitch = 1, kSpeedPitchConstantSpeed = 2 };

// percent * 0.01, at least 0.1.
double SpeedPitchFactor(int32_t percent);

// The chain the operation pumps: mode 0 resampling by f, mode 1 time stretch
// by f, mode 2 resampling by f under time stretch by 1/f (other modes act as
// mode 0). Stretched chains end where their input is used up.
LSoundSourcePtr OpenSpeedPitchChain(const LSoundSourcePtr& selection, int32_t percent, int32_t mode);

// Selection end after the operation: start + the new audio's length in
// milliseconds at its rate (0 ms for an unusable rate).
int32_t SpeedPitchSelectionEnd(int32_t stStart, int32_t frames, int32_t rate);

// Pumps the chain over a copy of the selection into the sink with the
// caption "Process Audio".
LProcessResult RunSpeedPitch(LProgress* progress, const LSoundSourcePtr& selection, const LSoundSinkPtr& sink, int32_t percent,
                  int32_t mode);

// The three commands: Simple Speed and Pitch Change, Constant Pitch and
// Speed Change, Constant Speed and Pitch Change (mode 0, 1, 2). A copy of
// the selection is pumped through the chain; percentages below 10 act as 10,
// above 300 are refused. On success the selection ends with the new audio.
extern const LEffectDesc kSimpleSpeedPitchEffect;
extern const LEffectDesc kConstantPitchSpeedEffect;
extern const LEffectDesc kConstantSpeedPitchEffect;

}  // namespace sondrel
