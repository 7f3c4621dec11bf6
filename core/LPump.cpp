#include "core/LPump.h"

#include <vector>

namespace sondrel {

LProcessResult Process(LProgress* progress, LPRSourceToSink& record) {
    progress->SetText(record.szCaption.c_str(), 0);
    progress->SetText("Please wait...", 1);
    progress->SetProgress(0.0);

    if (record.pSource->HasError()) return kProcessFailed;
    LSoundSinkBase* sink = record.pSink.Get();
    if (!sink || sink->HasError()) return kProcessFailed;

    LSoundSourcePtr src = record.pSource;
    src = LSPConvChannels(sink->nChans).OpenSource(src);
    src = LSPConvRate(sink->nSampleRate).OpenSource(src);
    src = LSPPeakLimit(kMax16).OpenSource(src);

    double total = double(src->GetLength());
    if (total == 0.0) total = 1.0;

    // Sized for the wider of the two formats: a channel pair the converters
    // cannot adapt (3 channels into mono, say) must not overrun the block.
    size_t chans = src->nChans > sink->nChans ? src->nChans : sink->nChans;
    std::vector<int32_t> buffer(size_t(kMaxBlockFrames) * chans);
    for (;;) {
        if (progress->IsCancelled()) return kProcessCancelled;
        src->Read(buffer.data(), kMaxBlockFrames);
        int32_t pos = src->GetPosition();
        int32_t len = src->GetLength();
        if (pos >= len) {
            int32_t n = kMaxBlockFrames - (pos - len);
            if (n > 0 && n <= kMaxBlockFrames) sink->Write(buffer.data(), n);
            return kProcessDone;
        }
        sink->Write(buffer.data(), kMaxBlockFrames);
        progress->SetProgress(double(pos) / total);
    }
}

}  // namespace sondrel
