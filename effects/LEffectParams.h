// How the parameter dialogs refuse a value when OK is pressed, and how a
// stored value is named. Each effect's own check stands beside its record
// (the effect table, LEffectTable.h); the dialogs and the command-line tool
// both go through the table, so both refuse exactly the same values.
#pragma once
#include <cstdint>

namespace sondrel {

struct LParamCheck {
    bool bOk = true;
    const char* szMessage = nullptr;  // shown when not ok
    const char* szCaption = nullptr;  // "Invalid value" (information icon) or "Error" (stop icon)
    bool bStopIcon = false;
};

// The two ways a dialog refuses: caption "Invalid value" with the
// information icon, or "Error" with the stop icon.
enum class LRefusal : uint8_t { kInvalidValue, kError };
LParamCheck Refusal(LRefusal style, const char* message);

// The sample-rate dialogs' check.
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
