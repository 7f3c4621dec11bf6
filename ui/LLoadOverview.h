// The overview of a file while it loads: each column's height from the
// load's growing summary, stored once every frame of the column has arrived,
// so the strip fills from the left as the file is read. The heights are
// those of whole summary blocks (a column may come out a little taller than
// its own samples); the scan worker draws the finished document exactly
// when the load ends.
#pragma once
#include <cstdint>

#include "document/LSegmentSummary.h"
#include "ui/LWaveScan.h"
#include "ui/LWaveView.h"

namespace sondrel {

class LLoadOverview {
public:
    // A new view: every column is to be stored again.
    void Restart() { nDone = 0; }
    // Stores through host the columns of map, after those stored already,
    // whose frames have all arrived (every column once the summary is
    // complete; a column past what a complete load gave is empty). Returns
    // the number of columns stored so far.
    int32_t Advance(const LGrowingSummary& summary, const LWaveView& map, LWaveScanHost& host);

private:
    int32_t nDone = 0;
};

}  // namespace sondrel
