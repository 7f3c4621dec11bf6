// The checks the parameter dialogs make when OK is pressed, with the texts
// they show, and how a stored value is named. The effect table ties each
// check and key to its effect; the dialogs and the command-line tool both go
// through it, so both refuse exactly the same values.
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

// A key of section "StoredValues" with its default.
struct LStoredValue {
    const char* szKey;
    int32_t nDefault;
};

// Reads and writes a stored value in section "StoredValues".
int32_t ReadStored(const LStoredValue& v);
void WriteStored(const LStoredValue& v, int32_t value);

}  // namespace sondrel
