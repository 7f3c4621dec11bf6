// The checks the parameter dialogs make when OK is pressed, with the texts
// they show, and the stored values' keys and defaults. The dialogs and the
// command-line tool share them, so both refuse exactly the same values.
#pragma once
#include <cstdint>

namespace sondrel {

struct LParamCheck {
    bool bOk = true;
    const char* szMessage = nullptr;  // shown when not ok
    const char* szCaption = nullptr;  // "Invalid value" (information icon) or "Error" (stop icon)
    bool bStopIcon = false;
};

LParamCheck CheckAmplifyGain(int32_t percent);
LParamCheck CheckNormalizePeakLevel(int32_t percent);
LParamCheck CheckEcho(int32_t timeMs, int32_t gainPercent);     // time first, then gain
LParamCheck CheckReverb(int32_t level, int32_t timeMs);         // level first, then time
LParamCheck CheckSpeedChangePercent(int32_t percent);
LParamCheck CheckMixVolume(int32_t percent);
LParamCheck CheckSampleRate(int32_t rate);

// Rates offered by the sample-rate dialogs' combo boxes.
extern const int32_t kOfferedSampleRates[11];

// Keys of section "StoredValues" with their defaults.
struct LStoredValue {
    const char* szKey;
    int32_t nDefault;
};
namespace stored {
constexpr LStoredValue EchoTime{"EchoTime", 800};
constexpr LStoredValue EchoGain{"EchoGain", 50};
constexpr LStoredValue ReverbLevel{"ReverbLevel", 100};
constexpr LStoredValue ReverbTime{"ReverbTime", 50};
constexpr LStoredValue NormalizePeakLevel{"NormalizePeakLevel", 100};
constexpr LStoredValue AmplifyGain{"AmplifyGain", 100};
constexpr LStoredValue LowCutFreq{"LowCutFreq", 250};
constexpr LStoredValue SpSpeedPitch{"SpSpeedPitch", 100};
constexpr LStoredValue ConstPitchSpeed{"ConstPitchSpeed", 100};
constexpr LStoredValue ConstSpeedPitch{"ConstSpeedPitch", 0};
constexpr LStoredValue NoiseGateLevel{"NoiseGateLevel", -30};
constexpr LStoredValue CompressorRatio{"CompressorRatio", 0};
constexpr LStoredValue CompressorThreshold{"CompressorThreshold", 0};
constexpr LStoredValue CompressorLimit{"CompressorLimit", 0};
constexpr LStoredValue PasteMixVolume{"PasteMixVolume", 100};
constexpr LStoredValue LongerSelection{"LongerSelection", 0};
constexpr LStoredValue FadeOutTime{"FadeOutTime", 250};
constexpr LStoredValue SilenceTimes{"SilenceTimes", 0};
constexpr LStoredValue RepeatNumTimes{"RepeatNumTimes", 1};
}  // namespace stored

// Reads and writes a stored value in section "StoredValues".
int32_t ReadStored(const LStoredValue& v);
void WriteStored(const LStoredValue& v, int32_t value);

}  // namespace sondrel
