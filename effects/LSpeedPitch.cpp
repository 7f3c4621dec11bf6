#include "effects/LSpeedPitch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/LPump.h"
#include "effects/LSRCTimeStretch.h"

namespace sondrel {

namespace {

LSoundSourcePtr ConvertForFactor(const LSoundSourcePtr& input, double factor) {
    int32_t rate = LSRCResample::ConvertedRate(input->nSampleRate, factor);
    if (rate <= 0) return input;
    return LSPConvRate(rate).OpenSource(input);
}

// Segment of the time stretch over a source, in frames.
int32_t SegmentFrames(const LSoundSourcePtr& s) { return std::clamp(s->nSampleRate / 90, 20, 2730); }

}  // namespace

int32_t LSRCResample::ConvertedRate(int32_t rate, double factor) {
    if (!(factor > 0.0)) return 0;
    double r = std::trunc(double(rate) / factor);
    if (!(r >= 1.0) || r > 2147483647.0) return 0;
    return int32_t(r);
}

LSRCResample::LSRCResample(const LSoundSourcePtr& input, double factor) : LSRCFilter(ConvertForFactor(input, factor)) {
    SetSampleRate(input->nSampleRate);
    if (ConvertedRate(input->nSampleRate, factor) <= 0) SetError();
}

void LSRCResample::Read(int32_t* buffer, int32_t n) { pInput->Read(buffer, n); }

void LSPResample::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    result = MakeSource<LSRCResample>(input, dFactor);
}

void LSPPitchChange::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    LSoundSourcePtr resampled = MakeSource<LSRCResample>(input, dFactor);
    double inverse = dFactor != 0.0 ? 1.0 / dFactor : 0.0;
    result = MakeSource<LSRCTimeStretch>(resampled, inverse, 1.0, 0);
}

LSRCOutputClock::LSRCOutputClock(const LSoundSourcePtr& input, double factor, int32_t granule)
    : LSRCFilter(input), dFactor(factor > 0.0 ? factor : 1.0), nGranule(std::clamp(granule, 1, kMaxBlockFrames)) {}

void LSRCOutputClock::CheckEnd() {
    if (!bEnd && pInput->GetPosition() >= pInput->GetLength()) {
        bEnd = true;
        nEnd = nOut;
    }
}

void LSRCOutputClock::Read(int32_t* buffer, int32_t n) {
    // Granules end where the stretch's segments end: there the incoming
    // stream's position is at its furthest, so the first moment it reaches
    // the input's end is seen exactly.
    const int32_t chans = nChans;
    while (n > 0) {
        CheckEnd();
        int32_t into = int32_t((int64_t(nOut) - nOrigin) % nGranule);
        if (into < 0) into += nGranule;
        int32_t m = std::min(n, nGranule - into);
        pInput->Read(buffer, m);
        buffer += size_t(m) * chans;
        n -= m;
        nOut += m;
    }
    CheckEnd();
}

int32_t LSRCOutputClock::GetLength() {
    if (bEnd) return nEnd;
    double left = double(pInput->GetLength()) - double(pInput->GetPosition());
    double estimate = double(nOut) + std::max(1.0, std::ceil(left / dFactor));
    return int32_t(std::min(estimate, 2147483647.0));
}

void LSRCOutputClock::Seek(int32_t position) {
    pInput->Seek(int32_t(std::lround(double(position) * dFactor)));
    nOut = nOrigin = position;
    bEnd = false;
    CheckEnd();
}

double SpeedPitchFactor(int32_t percent) {
    double f = percent * 0.01;
    return f < 0.1 ? 0.1 : f;
}

LSoundSourcePtr OpenSpeedPitchChain(const LSoundSourcePtr& selection, int32_t percent, int32_t mode) {
    const double f = SpeedPitchFactor(percent);
    if (mode == kSpeedPitchConstantPitch) {
        LSoundSourcePtr s = LSPTimeStretch(f, 1.0, 0).OpenSource(selection);
        return MakeSource<LSRCOutputClock>(s, f, SegmentFrames(s));
    }
    if (mode == kSpeedPitchConstantSpeed) {
        LSoundSourcePtr s = LSPPitchChange(f).OpenSource(selection);
        return MakeSource<LSRCOutputClock>(s, 1.0 / f, SegmentFrames(s));
    }
    return LSPResample(f).OpenSource(selection);
}

int32_t SpeedPitchSelectionEnd(int32_t stStart, int32_t frames, int32_t rate) {
    if (rate <= 0) return stStart;
    return stStart + (frames / rate) * 1000 + int32_t((int64_t(frames % rate) * 1000) / rate);
}

int RunSpeedPitch(LProgress* progress, const LSoundSourcePtr& selection, const LSoundSinkPtr& sink, int32_t percent,
                  int32_t mode) {
    LPRSourceToSink pump;
    pump.szCaption = "Process Audio";
    pump.pSource = OpenSpeedPitchChain(selection, percent, mode);
    pump.pSink = sink;
    return Process(progress, pump);
}

}  // namespace sondrel
