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

LSRCOutputClock::LSRCOutputClock(const LSoundSourcePtr& stretch)
    : LSRCFilter(stretch), pStretch(static_cast<LSRCTimeStretch*>(stretch.Get())) {
    const int32_t c = std::max<int32_t>(nChans, 1);
    nSegment = std::max(pStretch->SegmentSamples() / c, 1);
    dFactor = double(pStretch->Hop()) / pStretch->SegmentSamples();
    if (!(dFactor > 0.0)) dFactor = 1.0;
    CheckEnd(false);
}

void LSRCOutputClock::CheckEnd(bool atSegmentEnd) {
    if (bEnd) return;
    int32_t pos = pInput->GetPosition(), len = pInput->GetLength();
    // At a segment's end the position is that segment's start plus one
    // segment; the next segment would start one hop after its start.
    if (atSegmentEnd) pos += pStretch->Hop() / std::max<int32_t>(nChans, 1) - nSegment;
    if (pos >= len) {
        bEnd = true;
        nEnd = nOut;
    }
}

void LSRCOutputClock::Read(int32_t* buffer, int32_t n) {
    const int32_t chans = nChans;
    while (n > 0) {
        int32_t into = int32_t((int64_t(nOut) - nOrigin) % nSegment);
        if (into < 0) into += nSegment;
        int32_t m = std::min(n, nSegment - into);
        pInput->Read(buffer, m);
        buffer += size_t(m) * chans;
        n -= m;
        nOut += m;
        if (m == nSegment - into) CheckEnd(true);
    }
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
    CheckEnd(false);
}

double SpeedPitchFactor(int32_t percent) {
    double f = percent * 0.01;
    return f < 0.1 ? 0.1 : f;
}

LSoundSourcePtr OpenSpeedPitchChain(const LSoundSourcePtr& selection, int32_t percent, int32_t mode) {
    const double f = SpeedPitchFactor(percent);
    if (mode == kSpeedPitchConstantPitch)
        return MakeSource<LSRCOutputClock>(LSPTimeStretch(f, 1.0, 0).OpenSource(selection));
    if (mode == kSpeedPitchConstantSpeed) return MakeSource<LSRCOutputClock>(LSPPitchChange(f).OpenSource(selection));
    return LSPResample(f).OpenSource(selection);
}

int32_t SpeedPitchSelectionEnd(int32_t stStart, int32_t frames, int32_t rate) {
    if (rate <= 0) return stStart;
    return stStart + (frames / rate) * 1000 + int32_t((int64_t(frames % rate) * 1000) / rate);
}

LProcessResult RunSpeedPitch(LProgress* progress, const LSoundSourcePtr& selection, const LSoundSinkPtr& sink, int32_t percent,
                  int32_t mode) {
    LPRSourceToSink pump;
    pump.szCaption = "Process Audio";
    pump.pSource = OpenSpeedPitchChain(selection, percent, mode);
    pump.pSink = sink;
    return Process(progress, pump);
}

}  // namespace sondrel
