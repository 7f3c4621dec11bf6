#include "effects/LEffectParams.h"

#include "support/LSettings.h"

namespace sondrel {

LParamCheck Refusal(LRefusal style, const char* message) {
    if (style == LRefusal::kError) return {false, message, "Error", true};
    return {false, message, "Invalid value", false};
}

const int32_t kOfferedSampleRates[11] = {6000, 8000, 11025, 16000, 22050, 32000, 44100, 48000, 64000, 88200, 96000};

LParamCheck CheckSampleRate(int32_t rate) {
    if (rate < 6000 || rate > 96000)
        return Refusal(LRefusal::kError, "Sample rates must be between 6000 and 96000 samples per second.");
    return {};
}

int32_t ReadStored(const LStoredValue& v) { return ReadInt("StoredValues", v.szKey, v.nDefault); }
void WriteStored(const LStoredValue& v, int32_t value) { WriteInt("StoredValues", v.szKey, value); }

}  // namespace sondrel
