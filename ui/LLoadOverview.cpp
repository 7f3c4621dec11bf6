#include "ui/LLoadOverview.h"

#include <algorithm>

namespace sondrel {

int32_t LLoadOverview::Advance(const LGrowingSummary& summary, const LWaveView& map, LWaveScanHost& host) {
    if (map.nViewLength < 1) return nDone;
    const int32_t width = std::min(map.nWidth, kWaveMaxColumns);
    // Read before the blocks: a summary complete now has all its blocks.
    const bool complete = summary.IsComplete();
    while (nDone < width) {
        // As the scan worker does: a column runs from where the previous
        // one ended to the sample of the next column.
        const int32_t from = map.ColumnToSample(nDone), to = map.ColumnToSample(nDone + 1);
        LPeakRange r;
        if (to > from && !summary.ReadPeakRange(from, to, r)) {
            if (!complete) break;  // not there yet
            // Past the end of what the load gave (its length was an
            // estimate): what there is of the column.
            summary.ReadPeakRange(from, std::min<int64_t>(to, summary.Frames()), r);
        }
        host.StoreColumn(nDone, LWaveView::ColumnHeight(r.Peak()));
        ++nDone;
    }
    return nDone;
}

}  // namespace sondrel
