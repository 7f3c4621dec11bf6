#include "ui/LDBGainSource.h"

#include <cstdlib>

#include "effects/LDynamics.h"

namespace sondrel {

LSRCDBGain::LSRCDBGain(const LSoundSourcePtr& input, int8_t dB)
    : LSRCFilter(input), iGain(LDBTablesClass::Get().Amplitude(dB) >> 15) {
    if (dB > 0) iPeakBound = kPeakBoundCutList;
}

void LSRCDBGain::Read(int32_t* buffer, int32_t n) {
    pInput->Read(buffer, n);
    const int32_t g = iGain;
    for (size_t i = 0, e = size_t(n) * nChans; i < e; ++i) buffer[i] = (g * buffer[i]) >> 9;
}

bool LSRCDBGain::ReadPeakRange(int32_t from, int32_t to, LPeakRange& r) {
    auto* inner = dynamic_cast<LPeakRangeSource*>(pInput.Get());
    LPeakRange in;
    if (!inner || !inner->ReadPeakRange(from, to, in)) return false;
    // (g * s) >> 9 is monotone in s while g * s stays inside 32 bits.
    const int64_t limit = 0x7FFFFFFF;
    if (int64_t(iGain) * -int64_t(in.lo) > limit || int64_t(iGain) * in.hi > limit) return false;
    LPeakRange out;
    out.lo = (iGain * in.lo) >> 9;
    out.hi = (iGain * in.hi) >> 9;
    r.Merge(out);
    return true;
}

void LSPDBGain::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    if (input->HasError()) {
        result = input;
        return;
    }
    result = MakeSource<LSRCDBGain>(input, iDB);
}

}  // namespace sondrel
