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

// Failed for an unusable source or sink.
LProcessResult Process(LProgress* progress, LPRSourceToSink& record);

}  // namespace sondrel
