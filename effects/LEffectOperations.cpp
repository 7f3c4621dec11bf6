#include "effects/LEffectOperations.h"

#include <algorithm>

#include "document/LCutListEdit.h"

namespace sondrel {

LProcessResult ReplaceSelection(LProgress* progress, const LEffectJob& job, LSoundProcessor& processor,
                                const char* caption) {
    LEfReplaceSelection rec{.pAudio = &job.audio,
                            .stStart = job.stStart,
                            .stEnd = job.stEnd,
                            .pProcessor = &processor,
                            .szCaption = caption};
    return Process(progress, rec);
}

LFrameRange SelectionFrames(const LEffectJob& job) {
    return {std::max(job.Frames(job.stStart), 0), std::min(job.Frames(job.stEnd), job.audio.GetLength())};
}

LSoundSourcePtr RangeSource(const LCutListAudio& audio, const LFrameRange& range) {
    LCutListAudio copy;
    audio.EfCopy(range.start, range.end, copy);
    return CreateSource(copy);  // the reader keeps its own copy of the cuts
}

}  // namespace sondrel
