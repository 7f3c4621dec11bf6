#include "core/LPump.h"

#include <vector>

#include "support/LFailure.h"

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

    // A pair the converters cannot adapt (3 channels into mono, say) would
    // be written as a different stream than it is.
    if (src->nChans != sink->nChans) return kProcessFailed;

    double total = double(src->GetLength());
    if (total == 0.0) total = 1.0;

    std::vector<int32_t> buffer(size_t(kMaxBlockFrames) * src->nChans);
    for (;;) {
        if (progress->IsCancelled()) return kProcessCancelled;
        // A stream that runs past the 32-bit positions would wrap and never end.
        if (src->GetPosition() > kMaxStreamFrames) {
            NoteFailure(LFailure::kTooLong, std::string());
            return kProcessFailed;
        }
        src->Read(buffer.data(), kMaxBlockFrames);
        int32_t pos = src->GetPosition();
        int32_t len = src->GetLength();
        if (pos >= len) {
            int32_t n = kMaxBlockFrames - (pos - len);
            if (n > 0 && n <= kMaxBlockFrames) sink->Write(buffer.data(), n);
            return sink->HasError() ? kProcessFailed : kProcessDone;
        }
        sink->Write(buffer.data(), kMaxBlockFrames);
        // A sink that could not take a block has lost it: stop at once.
        if (sink->HasError()) return kProcessFailed;
        progress->SetProgress(double(pos) / total);
    }
}

}  // namespace sondrel
