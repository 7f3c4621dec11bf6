#include "core/LConvChannels.h"

namespace sondrel {

LSRCStereoToMono::LSRCStereoToMono(const LSoundSourcePtr& input)
    : LSRCFilter(input), buf_(size_t(kMaxBlockFrames) * 2) {
    SetChannels(1);
}

void LSRCStereoToMono::Read(int32_t* buffer, int32_t n) {
    pInput->Read(buf_.data(), n);
    for (int32_t i = 0; i < n; ++i) buffer[i] = buf_[size_t(i) * 2];
}

LSRCMonoToStereo::LSRCMonoToStereo(const LSoundSourcePtr& input) : LSRCFilter(input) { SetChannels(2); }

void LSRCMonoToStereo::Read(int32_t* buffer, int32_t n) {
    // Read the mono block into the front half, then spread it from the back
    // so that no sample is overwritten before it is copied.
    pInput->Read(buffer, n);
    for (int32_t i = n - 1; i >= 0; --i) {
        int32_t s = buffer[i];
        buffer[size_t(i) * 2] = s;
        buffer[size_t(i) * 2 + 1] = s;
    }
}

void LSPConvChannels::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    uint32_t from = input->nChans;
    if (input->HasError() || from == 0 || nChans == 0 || from == nChans) {
        result = input;
    } else if (from == 2 && nChans == 1) {
        result = MakeSource<LSRCStereoToMono>(input);
    } else if (from == 1 && nChans == 2) {
        result = MakeSource<LSRCMonoToStereo>(input);
    } else {
        // "LSPConvChannels::OpenSource Multichannels (or 0) used when BUILD_SUPPORT_MULTICHANS is not set"
        result = input;
    }
}

}  // namespace sondrel
