// The scan worker's computation without the thread: the peak height of
// each pixel column of a view, read from a source. A column covers the
// samples from where the previous one ended up to the sample of the next
// column; its height is 255 for peaks above 261120, else peak >> 10. Where
// the source can tell the peaks of a stretch from summaries
// (LPeakRangeSource) those are used, and only where it cannot are the
// samples read, in pieces of at most 8192 frames; the heights are the same
// either way.
#pragma once
#include <cstdint>
#include <vector>

#include "core/LPeakRange.h"
#include "core/LSoundStream.h"
#include "ui/LWaveView.h"

namespace sondrel {

class LWaveScanHost {
public:
    virtual ~LWaveScanHost() = default;
    // Stores the height of column c and repaints it.
    virtual void StoreColumn(int32_t c, uint8_t height) = 0;
    // Asked after every column; true ends the computation at once.
    virtual bool IsToStop() { return false; }
};

class LWaveScanner {
public:
    explicit LWaveScanner(const LSoundSourcePtr& source);

    // Columns [from, to) of the view whose mapping is given (a copy taken
    // after SetView). False when the host asked to stop.
    bool Compute(const LWaveView& mapping, int32_t from, int32_t to, LWaveScanHost& host);

    // Off: always read the samples (the plain scan, for comparisons).
    void UseSummaries(bool on) { bSummaries = on; }
    const LSoundSourcePtr& Source() const { return pSource; }
    // Columns whose peaks came from summaries, and those read sample by sample.
    int64_t SummaryColumns() const { return nSummaryColumns; }
    int64_t ReadColumns() const { return nReadColumns; }

private:
    LPeakRange ReadSamples(int32_t from, int32_t to);

    LSoundSourcePtr pSource;
    LPeakRangeSource* pPeaks;
    std::vector<int32_t> vBuffer;
    bool bSummaries = true;
    bool bSourceAt = false;  // the source stands where the next column begins
    int64_t nSummaryColumns = 0;
    int64_t nReadColumns = 0;
};

// Sets a view on the model and computes what it asks for, synchronously
// (what the worker does for one request).
void ScanView(LWaveView& view, LWaveScanner& scanner, int32_t start, int32_t length);

}  // namespace sondrel
