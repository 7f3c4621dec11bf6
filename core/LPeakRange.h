// Quick peaks for waveform displays. A source that can tell the extremes of
// what Read would deliver over a stretch of frames without delivering them
// (a cut-list reader over segments with summaries, a gain over such a
// reader) implements LPeakRangeSource; a display asks for it and reads the
// samples when the answer is no.
#pragma once
#include <algorithm>
#include <cstdint>

#include "core/LPeakScan.h"

namespace sondrel {

// The smallest and largest sample over all channels of a stretch, both
// counted from 0 (lo <= 0 <= hi), which is all a peak display needs.
struct LPeakRange {
    int32_t lo = 0;
    int32_t hi = 0;

    void Add(int32_t s) {
        lo = std::min(lo, s);
        hi = std::max(hi, s);
    }
    void Merge(const LPeakRange& o) {
        lo = std::min(lo, o.lo);
        hi = std::max(hi, o.hi);
    }
    // The larger of the maximum and the negated minimum, in the 32-bit
    // wrapping arithmetic of the sample loop that it stands for.
    int32_t Peak() const {
        int32_t neg = int32_t(0u - uint32_t(lo));
        return std::max(hi, neg);
    }
};

// Extremes of a run of interleaved samples merged into r.
inline void AddSamples(LPeakRange& r, const int32_t* s, size_t count) { ScanPeaks(s, count, r.lo, r.hi); }

class LPeakRangeSource {
public:
    virtual ~LPeakRangeSource() = default;
    // Merges into r the extremes of frames [from, to) exactly as Read would
    // deliver them (frames before 0 and past the end are zeros). False when
    // this source cannot tell them without reading the samples; r is then
    // unchanged. Does not move the read position.
    virtual bool ReadPeakRange(int32_t from, int32_t to, LPeakRange& r) = 0;
};

}  // namespace sondrel
