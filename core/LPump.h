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

// 0 done, 1 cancelled, 2 unusable source or sink.
int Process(LProgress* progress, LPRSourceToSink& record);

}  // namespace sondrel
