#include "ui/LWaveScan.h"

#include <algorithm>

namespace sondrel {

LWaveScanner::LWaveScanner(const LSoundSourcePtr& source)
    : pSource(source), pPeaks(dynamic_cast<LPeakRangeSource*>(source.Get())) {
    vBuffer.resize(size_t(kMaxBlockFrames) * std::max<uint32_t>(pSource->nChans, 1));
}

LPeakRange LWaveScanner::ReadSamples(int32_t from, int32_t to) {
    LPeakRange r;
    if (!bSourceAt || pSource->GetPosition() != from) pSource->Seek(from);
    bSourceAt = true;
    const size_t chans = std::max<uint32_t>(pSource->nChans, 1);
    for (int64_t left = int64_t(to) - from; left > 0;) {
        int32_t k = int32_t(std::min<int64_t>(left, kMaxBlockFrames));
        pSource->Read(vBuffer.data(), k);
        AddSamples(r, vBuffer.data(), size_t(k) * chans);
        left -= k;
    }
    return r;
}

bool LWaveScanner::Compute(const LWaveView& map, int32_t from, int32_t to, LWaveScanHost& host) {
    from = std::max(from, 0);
    to = std::min({to, map.nWidth, kWaveMaxColumns});
    if (map.nViewLength < 1) {
        // No scale yet: nothing to show.
        for (int32_t c = from; c < to; ++c) {
            host.StoreColumn(c, 0);
            if (host.IsToStop()) return false;
        }
        return true;
    }
    int32_t pos = map.ColumnToSample(from);
    pSource->Seek(pos);
    bSourceAt = true;
    for (int32_t c = from; c < to; ++c) {
        int32_t end = map.ColumnToSample(c + 1);
        LPeakRange r;
        if (end > pos) {
            if (bSummaries && pPeaks && pPeaks->ReadPeakRange(pos, end, r)) {
                bSourceAt = false;
                ++nSummaryColumns;
            } else {
                r = ReadSamples(pos, end);
                ++nReadColumns;
            }
            pos = end;
        }
        host.StoreColumn(c, LWaveView::ColumnHeight(r.Peak()));
        if (host.IsToStop()) return false;
    }
    return true;
}

namespace {
class ViewHost : public LWaveScanHost {
public:
    explicit ViewHost(LWaveView& v) : view(v) {}
    void StoreColumn(int32_t c, uint8_t h) override { view.columns[c] = h; }
    LWaveView& view;
};
}  // namespace

void ScanView(LWaveView& view, LWaveScanner& scanner, int32_t start, int32_t length) {
    LViewChange ch = view.SetView(start, length);
    if (ch.kind == LViewChange::kNothing) return;
    if (ch.kind == LViewChange::kScroll) view.ShiftColumns(ch.d);
    ViewHost host(view);
    scanner.Compute(view, ch.from, ch.to, host);
}

}  // namespace sondrel
