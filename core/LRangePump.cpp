#include "core/LRangePump.h"

#include <algorithm>
#include <vector>

namespace sondrel {

LProcessResult Process(LProgress* progress, LEfSoundProcess& record) {
    if (record.stEnd < record.stStart) return kProcessDone;
    progress->SetText("Please wait...", 1);
    LSoundSourceBase& src = *record.pSource;
    int32_t start = MsToFrames(record.stStart, src.nSampleRate);
    if (start > 0)
        src.Seek(start);
    else
        start = 0;
    int32_t total = MsToFrames(record.stEnd, src.nSampleRate) - start;
    if (total <= 0) total = 1;

    LSoundSinkBase* sink = record.pSink.Get();
    // Room for the wider of the two, so a sink with more channels cannot overrun it.
    size_t chans = std::max<size_t>(src.nChans, sink ? sink->nChans : 0);
    std::vector<int32_t> buffer(chans * size_t(kMaxBlockFrames));
    int32_t done = 0;
    for (;;) {
        if (progress->IsCancelled()) return kProcessCancelled;
        int32_t remaining = total - done;
        if (remaining <= 0) return kProcessDone;
        int32_t n = std::min(remaining, kMaxBlockFrames);
        src.Read(buffer.data(), n);
        if (sink) {
            sink->Write(buffer.data(), n);
            if (sink->HasError()) return kProcessFailed;  // the block is lost: stop at once
        }
        done += n;
        progress->SetProgress(double(done) / double(total));
    }
}

}  // namespace sondrel
