#include "effects/LDynamicsCommands.h"

#include "effects/LDynamicsOperations.h"
#include "effects/LSRCCompressor.h"

namespace sondrel {

const LSpeedPitchCommand kSpeedPitchCommands[3] = {
    {"Simple Speed and Pitch Change", stored::SpSpeedPitch, "Speed/Pitch Adjust (%)"},
    {"Constant Pitch and Speed Change", stored::ConstPitchSpeed, "Speed Adjust (%)"},
    {"Constant Speed and Pitch Change", stored::ConstSpeedPitch, "Pitch Adjust (%)"},
};

namespace {

LSDFile* WithSelection(LDocuments& docs) {
    LSDFile* d = docs.CurrentForEdit();
    return d && d->HasValidSelection() ? d : nullptr;
}

const LSpeedPitchCommand& CommandOf(LSpeedPitchMode mode) {
    return kSpeedPitchCommands[mode >= 0 && mode < 3 ? mode : 0];
}

// Runs a selection effect record under the progress dialog; on success the
// cursor goes to the selection start with the given pre-roll.
template <typename Record>
bool RunSelectionEffect(LDocuments& docs, LSDFile& d, const char* title, Record& rec, int32_t preRollMs) {
    rec.pAudio = &d.audio;
    rec.stEnd = d.stSelEnd.ms;
    rec.stStart = d.stSelStart.ms;
    if (docs.RunOperation(title, [&](LProgress* p) { return Process(p, rec); }) != kProcessDone) {
        docs.Host().DocumentChanged();
        return false;
    }
    docs.EndModifyCurrentFile(preRollMs, d.stSelStart.ms);
    return true;
}

}  // namespace

bool CmCompressor(LDocuments& docs, int32_t thresholdDb, int32_t ratioIndex, int32_t limitDb) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    docs.Host().StopPlayback();
    const char* name = "Dynamic Range Compressor";
    docs.StartModifyCurrentFile(name);
    EfCompressor rec;
    rec.iThreshold = thresholdDb;
    rec.iLimit = limitDb;
    rec.dRatio = CompressorRatioFactor(ratioIndex);
    return RunSelectionEffect(docs, *d, name, rec, 500);
}

bool CmNoiseReduction(LDocuments& docs, int32_t gateLevelDb) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    docs.Host().StopPlayback();
    const char* name = "Noise Reduction";
    docs.StartModifyCurrentFile(name);
    EfNoiseReduction rec;
    rec.iNoiseGateLevel = gateLevelDb;
    return RunSelectionEffect(docs, *d, name, rec, 1000);
}

bool CmAutoGainControl(LDocuments& docs) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    docs.Host().StopPlayback();
    const char* name = "Auto Gain Control";
    docs.StartModifyCurrentFile(name);
    EfAutoGainControl rec;
    rec.pAudio = &d->audio;
    rec.stEnd = d->stSelEnd.ms;
    rec.stStart = d->stSelStart.ms;
    if (docs.RunOperation(name, [&](LProgress* p) { return Process(p, rec); }) != kProcessDone) {
        docs.Host().DocumentChanged();
        return false;
    }
    docs.EndModifyCurrentFile(0, 0);
    return true;
}

int32_t EffectiveSpeedPercent(int32_t percent) { return percent < 10 ? 10 : percent; }

bool BeginSpeedPitch(LDocuments& docs, LSpeedPitchMode mode) {
    if (!WithSelection(docs)) return false;
    docs.Host().StopPlayback();
    docs.StartModifyCurrentFile(CommandOf(mode).szName);
    return true;
}

bool RunSpeedPitchCommand(LDocuments& docs, LSpeedPitchMode mode, int32_t percent) {
    LSDFile* d = WithSelection(docs);
    if (!d || !CheckSpeedChangePercent(percent).bOk) return false;
    LEfChangeSpeedPitch rec;
    rec.pAudio = &d->audio;
    rec.stEnd = d->stSelEnd.ms;
    rec.stStart = d->stSelStart.ms;
    rec.nPercent = EffectiveSpeedPercent(percent);
    rec.nMode = mode;
    const char* name = CommandOf(mode).szName;
    if (docs.RunOperation(name, [&](LProgress* p) { return Process(p, rec); }) != kProcessDone) {
        docs.Host().DocumentChanged();
        return false;
    }
    d->stSelEnd.ms = rec.stEnd;
    docs.EndModifyCurrentFile(500, d->stSelStart.ms);
    return true;
}

bool CmSpeedPitch(LDocuments& docs, LSpeedPitchMode mode, int32_t percent) {
    if (!WithSelection(docs) || !CheckSpeedChangePercent(percent).bOk) return false;
    BeginSpeedPitch(docs, mode);
    return RunSpeedPitchCommand(docs, mode, percent);
}

namespace {
LParamCheck OutOfRange(const char* message) {
    LParamCheck c;
    c.bOk = false;
    c.szMessage = message;
    c.szCaption = "Error";
    c.bStopIcon = true;
    return c;
}
}  // namespace

LParamCheck CheckCompressorValues(int32_t thresholdDb, int32_t ratioIndex, int32_t limitDb) {
    if (thresholdDb < -40 || thresholdDb > 0) return OutOfRange("Compressor threshold must be between -40 and 0 dB.");
    if (ratioIndex < 0 || ratioIndex >= kCompressorRatios)
        return OutOfRange("Compressor ratio must be an index between 0 and 6.");
    if (limitDb < 0 || limitDb > 12) return OutOfRange("Compressor limit must be between 0 and 12 dB.");
    return {};
}

LParamCheck CheckNoiseGateLevel(int32_t gateLevelDb) {
    if (gateLevelDb < -40 || gateLevelDb > 0) return OutOfRange("Noise gate level must be between -40 and 0 dB.");
    return {};
}

}  // namespace sondrel
