// The range pump: reads the frames of [stStart, stEnd) (milliseconds at the
// source's rate) from a source and writes them to an optional sink.
#pragma once
#include "core/LProgress.h"
#include "core/LSoundStream.h"

namespace sondrel {

struct LEfSoundProcess {
    LSoundSourcePtr pSource;
    LSoundSinkPtr pSink;  // may be empty
    int32_t stStart = 0;
    int32_t stEnd = 0;
};

// Milliseconds to frames with truncating integer arithmetic.
inline int32_t MsToFrames(int32_t ms, int32_t rate) { return (ms / 1000) * rate + ((ms % 1000) * rate) / 1000; }

// Done, cancelled, or failed when the sink could not take a block. Writes
// exactly the range's frames (at least one).
LProcessResult Process(LProgress* progress, LEfSoundProcess& record);

}  // namespace sondrel
