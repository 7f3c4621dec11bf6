#include "effects/LEffectSource.h"

#include <algorithm>
#include <cstring>

namespace sondrel {

int32_t DelaySamples(int32_t ms, int32_t rate, uint32_t chans, int32_t minimum, int32_t maximum) {
    int64_t frames = int64_t(ms / 1000) * rate + (int64_t(ms % 1000) * rate) / 1000;
    return int32_t(std::clamp<int64_t>(frames * chans, minimum, maximum));
}

void LSRCBlockAhead::Read(int32_t* buffer, int32_t n) {
    if (HasError()) {
        if (n > 0) std::memset(buffer, 0, size_t(n) * nChans * sizeof(int32_t));
        return;
    }
    while (n > 0) {
        if (nPos >= nBlock) {
            NextBlock();
            nPos = 0;
        }
        const int32_t take = std::min(n, nBlock - nPos);
        Apply(buffer, take);
        buffer += size_t(take) * nChans;
        nPos += take;
        n -= take;
    }
}

void LSRCBlockAhead::Seek(int32_t position) {
    pInput->Seek(position);
    Restart();
}

void ZeroOutside(int32_t* buffer, int32_t n, uint32_t chans, int32_t pos, int32_t length) {
    int64_t begin = int64_t(pos);
    int64_t lo = std::clamp<int64_t>(0 - begin, 0, n);                     // frames before 0
    int64_t hi = std::clamp<int64_t>(int64_t(length) - begin, lo, n);      // first frame past the end
    if (lo > 0) std::memset(buffer, 0, size_t(lo) * chans * sizeof(int32_t));
    if (hi < n) std::memset(buffer + size_t(hi) * chans, 0, size_t(n - hi) * chans * sizeof(int32_t));
}

}  // namespace sondrel
