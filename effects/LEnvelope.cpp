#include "effects/LEnvelope.h"

#include <algorithm>
#include <cstdint>

#include "core/LSRCPeakLimit.h"
#include "core/LSample.h"

namespace sondrel {

LEnvelopeGain::LEnvelopeGain(const PointList& list, int32_t total) : pts_(list), nTotal(std::max(total, 1)) {
    if (pts_.nPoints > POINTLISTMAX) pts_.nPoints = POINTLISTMAX;
    Restart();
}

void LEnvelopeGain::Restart() {
    nDone = 0;
    nBlockEnd = 0;
    iStep = 0;
    if (pts_.nPoints < 2) {
        // Not usable: a flat unity ramp over the range keeps the object safe.
        iGain = iTarget = kUnityGain;
        nSegmentEnd = nTotal;
        iNext = pts_.nPoints;
        return;
    }
    iGain = PointGain(pts_.points[0].y);
    iTarget = PointGain(pts_.points[1].y);
    nSegmentEnd = FrameOffset(pts_.points[1].x);
    iNext = 2;
}

int32_t LEnvelopeGain::NextBlock() {
    int32_t n = nSegmentEnd - nDone;
    while (n <= 0) {
        if (iNext >= pts_.nPoints) {
            nSegmentEnd = nTotal;
            n = nTotal - nDone;
            break;
        }
        iTarget = PointGain(pts_.points[iNext].y);
        nSegmentEnd = FrameOffset(pts_.points[iNext].x);
        ++iNext;
        n = nSegmentEnd - nDone;
    }
    if (n <= 0) return 0;
    n = std::min(n, kMaxBlockFrames);
    iStep = (iTarget - iGain) / (nSegmentEnd - nDone);
    nBlockEnd = nDone + n;
    return n;
}

void LEnvelopeGain::Apply(int32_t* buffer, int32_t n, uint32_t chans) {
    int32_t g = iGain;
    const int32_t step = iStep;
    if (chans == 2) {
        for (int32_t i = 0; i < n; ++i, buffer += 2, g += step) {
            buffer[0] = MulGain(buffer[0], g);
            buffer[1] = MulGain(buffer[1], g);
        }
    } else {
        for (int32_t i = 0; i < n; ++i, g += step)
            for (uint32_t c = 0; c < chans; ++c, ++buffer) *buffer = MulGain(*buffer, g);
    }
    iGain = g;
    nDone += n;
}

void LEnvelopeGain::Skip(int32_t n) {
    iGain += iStep * n;  // wraps exactly as n single steps would
    nDone += n;
}

void LEnvelopeGain::SeekTo(int32_t offset) {
    Restart();
    while (nDone < offset) {
        if (nDone == nBlockEnd && NextBlock() == 0) break;
        Skip(std::min(nBlockEnd - nDone, offset - nDone));
    }
}

LSRCEnvelope::LSRCEnvelope(const LSoundSourcePtr& input, const PointList& list, int32_t start, int32_t total)
    : LSRCFilter(input), env_(list, total), nStart(start), bUsable(LEnvelopeGain::Usable(list)) {
    if (!bUsable) SetError();
}

void LSRCEnvelope::Read(int32_t* buffer, int32_t n) {
    int32_t pos = pInput->GetPosition();
    pInput->Read(buffer, n);
    if (!bUsable || n <= 0) return;
    // The part of [pos, pos + n) inside [nStart, nStart + total), as offsets
    // into the range, in 64 bits so positions near the ends cannot wrap.
    int64_t from = std::max<int64_t>(pos, nStart) - nStart;
    int64_t to = std::min<int64_t>(int64_t(pos) + n, int64_t(nStart) + env_.Total()) - nStart;
    if (from >= to) return;
    if (from != env_.Done()) env_.SeekTo(int32_t(from));
    int32_t* p = buffer + (int64_t(nStart) + from - pos) * nChans;
    int32_t left = int32_t(to - from);
    while (left > 0) {
        if (env_.BlockLeft() == 0 && env_.NextBlock() == 0) break;
        int32_t m = std::min(left, env_.BlockLeft());
        env_.Apply(p, m, nChans);
        p += size_t(m) * nChans;
        left -= m;
    }
}

void LSPEnvelope::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    result = MakeSource<LSRCEnvelope>(input, pointList, nStart, nTotal);
}

int32_t NormalizeGainPercent(int32_t peak, int32_t peakLevel) {
    if (peak <= 0) return 100;
    int64_t gain = int64_t(peakLevel) * kMax16 / peak;
    return int32_t(std::clamp<int64_t>(gain, -400, 400));
}

void LSNKPeak::Write(const int32_t* buffer, int32_t n) {
    if (n > 0) iPeak = std::max(iPeak, BlockPeak(buffer, n * nChans));
    nPosition += n;
}

}  // namespace sondrel
