// The whole-source pump: copies a source into a sink block by block,
// adapting channels and rate to the sink and limiting peaks on the way.
#pragma once
#include <string>

#include "core/LProgress.h"
#include "core/LSoundStream.h"

namespace sondrel {

struct LPRSourceToSink {
    std::string szCaption;
    LSoundSourcePtr pSource;
    LSoundSinkPtr pSink;
};

// Failed for an unusable source or sink, a sink that failed to take a
// block (the pump stops there), or a stream too long to count. The caller
// finishes the sink (Finish) to learn whether its output is complete.
LProcessResult Process(LProgress* progress, LPRSourceToSink& record);

}  // namespace sondrel
