// What an effect's operation works on (LEffectJob), and the steps the
// operations beside the records share: the selection read through a
// processor and pasted over itself, the selection in frames, and a copy of
// it as a source of its own. A cancelled or failed operation leaves the
// audio as it was: the new segment it was writing goes with it.
#pragma once
#include <cstdint>

#include "core/LProgress.h"
#include "core/LSoundStream.h"
#include "core/LSoundTime.h"
#include "document/LCutListAudio.h"

namespace sondrel {

struct LEffectValues;

// The current document's audio, the selection [stStart, stEnd) and the
// position in milliseconds at the audio's rate, the values, and the other
// audio of the records that mix one in. An operation that changes the
// selection's length leaves the new end in stEnd; the document's selection
// follows it.
struct LEffectJob {
    LCutListAudio& audio;
    int32_t stStart = 0;
    int32_t stEnd = 0;
    int32_t stPosition = 0;
    const LEffectValues& values;
    const LCutListAudio* pOther = nullptr;  // the clipboard or the loaded file
    int32_t nVariant = 0;                   // the record's mode

    int32_t Frames(int32_t ms) const { return LSoundTime(ms).GetSamples(audio.nSampleRate); }
    int32_t LengthMs() const { return LSoundTime::FromSamples(audio.GetLength(), audio.nSampleRate).ms; }
};

// The selection read through the processor's source from its start and
// pasted over itself (line 0 of the progress dialog says caption).
LProcessResult ReplaceSelection(LProgress* progress, const LEffectJob& job, LSoundProcessor& processor,
                                const char* caption);

// The selection in frames, within the audio (a start before 0 counts as 0).
struct LFrameRange {
    int32_t start = 0, end = 0;
};
LFrameRange SelectionFrames(const LEffectJob& job);

// The frames of a range as a list of their own, read through a source.
LSoundSourcePtr RangeSource(const LCutListAudio& audio, const LFrameRange& range);

}  // namespace sondrel
