#include "core/LSoundStream.h"

namespace sondrel {

// Placeholder until the resampler lands: passes the input through.
void LSPConvRate::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) { result = input; }

}  // namespace sondrel
