#include "effects/LEffectParams.h"

#include "support/LSettings.h"

namespace sondrel {

namespace {
LParamCheck Invalid(const char* text) { return {false, text, "Invalid value", false}; }
LParamCheck Error(const char* text) { return {false, text, "Error", true}; }
}  // namespace

const int32_t kOfferedSampleRates[11] = {6000, 8000, 11025, 16000, 22050, 32000, 44100, 48000, 64000, 88200, 96000};

LParamCheck CheckAmplifyGain(int32_t percent) {
    if (percent > 100) return Invalid("Amplify Gain must be less than 100%. Please try again.");
    return {};
}

LParamCheck CheckNormalizePeakLevel(int32_t percent) {
    if (percent > 100) return Invalid("Normailze Peak Level must be less than 100%. Please try again.");
    return {};
}

LParamCheck CheckEcho(int32_t timeMs, int32_t gainPercent) {
    if (timeMs < 10 || timeMs >= 3000) return Invalid("Echo time must be between 10 and 3000ms. Please try again.");
    if (gainPercent >= 100) return Invalid("Echo Gain must be less than 100%. Please try again.");
    return {};
}

LParamCheck CheckReverb(int32_t level, int32_t timeMs) {
    if (level > 100) return Invalid("Reverb level must be less than 100. Please try again.");
    if (timeMs < 50 || timeMs > 1000) return Invalid("Reverb time must be between 50 and 1000. Please try again.");
    return {};
}

LParamCheck CheckSpeedChangePercent(int32_t percent) {
    if (percent > 300) return Error("Speed Change Percent must be less than 300.");
    return {};
}

LParamCheck CheckMixVolume(int32_t percent) {
    if (percent > 100) return Invalid("Mix Volume must be less than 100%. Please try again.");
    return {};
}

LParamCheck CheckSampleRate(int32_t rate) {
    if (rate < 6000 || rate > 96000) return Error("Sample rates must be between 6000 and 96000 samples per second.");
    return {};
}

int32_t ReadStored(const LStoredValue& v) { return ReadInt("StoredValues", v.szKey, v.nDefault); }
void WriteStored(const LStoredValue& v, int32_t value) { WriteInt("StoredValues", v.szKey, value); }

}  // namespace sondrel
