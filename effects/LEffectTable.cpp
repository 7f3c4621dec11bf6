#include "effects/LEffectTable.h"

#include "effects/LAutoTrim.h"
#include "effects/LDPAutoGain.h"
#include "effects/LEchoReverb.h"
#include "effects/LEdits.h"
#include "effects/LEnvelope.h"
#include "effects/LEqualiser.h"
#include "effects/LHighPass.h"
#include "effects/LMix.h"
#include "effects/LSRCCompressor.h"
#include "effects/LSRCNoiseGates.h"
#include "effects/LSpeedPitch.h"

namespace sondrel {

const LEffectDesc* const kEffectList[size_t(LEffect::kCount)] = {
    &kAmplifyEffect,
    &kNormalizeEffect,
    &kEqualizerEffect,
    &kEchoEffect,
    &kReverbEffect,
    &kFadeInEffect,
    &kFadeOutEffect,
    &kEnvelopeEffect,
    &kAutoGainControlEffect,
    &kNoiseReductionEffect,
    &kLowCutFilterEffect,
    &kCompressorEffect,
    &kFadeOutAndTrimEffect,
    &kSimpleSpeedPitchEffect,
    &kConstantPitchSpeedEffect,
    &kConstantSpeedPitchEffect,
    &kPasteMixEffect,
    &kMixFileEffect,
    &kRepeatLoopEffect,
    &kAutoTrimEffect,
    &kInsertSilenceBeginEffect,
    &kInsertSilenceCurrentEffect,
    &kInsertSilenceEndEffect,
};

const LEffectDesc* EffectByCommand(int command) {
    for (const LEffectDesc& fx : kEffects)
        if (fx.nCommand == command) return &fx;
    return nullptr;
}

LEffectValues ReadStoredValues(const LEffectDesc& fx) {
    LEffectValues v;
    for (size_t i = 0; i < fx.params.size(); ++i) v.v[i] = ReadStored(fx.params[i].stored);
    return v;
}

bool ParamEnabled(const LEffectDesc& fx, int param, const LEffectValues& values) {
    const LEffectParam& p = fx.params[size_t(param)];
    return p.nEnabledBy < 0 || values[p.nEnabledBy] == p.nEnabledWhen;
}

void WriteStoredValues(const LEffectDesc& fx, const LEffectValues& values) {
    for (size_t i = 0; i < fx.params.size(); ++i)
        if (ParamEnabled(fx, int(i), values)) WriteStored(fx.params[i].stored, values[int(i)]);
}

LParamCheck CheckEffectValues(const LEffectDesc& fx, const LEffectValues& values) {
    for (size_t i = 0; i < fx.params.size(); ++i) {
        const LEffectParam& p = fx.params[i];
        if (p.szRangeMessage && (values[int(i)] < p.nMin || values[int(i)] > p.nMax))
            return Refusal(LRefusal::kError, p.szRangeMessage);
    }
    if (const char* refusal = fx.pfnCheck ? fx.pfnCheck(values) : nullptr) return Refusal(fx.eRefusal, refusal);
    return {};
}

}  // namespace sondrel
