#include "effects/LEffectCommands.h"

#include <algorithm>

#include "document/LEditCommands.h"
#include "effects/LEffectOperations.h"
#include "support/LSettings.h"

namespace sondrel {

namespace {

LSDFile* WithSelection(LDocuments& docs) {
    LSDFile* d = docs.CurrentForEdit();
    return d && d->HasValidSelection() ? d : nullptr;
}

// Runs a selection effect whose record starts with audio, stEnd, stStart:
// undo record first, then the operation under its title, then (when it
// completed) the position goes to the selection start.
template <class Record>
bool RunSelectionEffect(LDocuments& docs, LSDFile& d, const char* label, const char* title, Record& rec,
                        int32_t preRollMs) {
    docs.Host().StopPlayback();
    docs.StartModifyCurrentFile(label);
    rec.pAudio = &d.audio;
    rec.stEnd = d.stSelEnd.ms;
    rec.stStart = d.stSelStart.ms;
    if (docs.RunOperation(title, [&](LProgress* p) { return Process(p, rec); }) != kProcessDone)
        return false;
    docs.EndModifyCurrentFile(preRollMs, d.stSelStart.ms);
    return true;
}

bool Envelope(LDocuments& docs, const PointList& curve, const char* label, int32_t preRollMs) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    LEfEnvelope rec;
    rec.pPointList = &curve;
    return RunSelectionEffect(docs, *d, label, label, rec, preRollMs);
}

bool Mix(LDocuments& docs, LSDFile& d, const LCutListAudio& mix, const char* label, const char* title,
         int32_t volume, int32_t longerMode, int32_t fadeOutMs) {
    docs.Host().StopPlayback();
    docs.StartModifyCurrentFile(label);
    EfMixPaste rec;
    rec.stEnd = d.stSelEnd.ms;
    rec.stStart = d.stSelStart.ms;
    rec.pMix = &mix;
    rec.pAudio = &d.audio;
    rec.iVolume = volume;
    rec.iLongerMode = longerMode;
    rec.stFadeOutTime = fadeOutMs;
    if (docs.RunOperation(title, [&](LProgress* p) { return Process(p, rec); }) != kProcessDone)
        return false;
    docs.EndModifyCurrentFile(500, d.stSelStart.ms);
    return true;
}

}  // namespace

bool CmNormalize(LDocuments& docs, int32_t peakLevelPercent) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    EfNormalize rec;
    rec.iPeakLevel = peakLevelPercent;
    return RunSelectionEffect(docs, *d, "Normalize", "Normalize", rec, 500);
}

bool CmFadeIn(LDocuments& docs) { return Envelope(docs, FadeInCurve(), "Fade In", 1000); }

bool CmFadeOut(LDocuments& docs) { return Envelope(docs, FadeOutCurve(), "Fade Out", 500); }

bool CmFadeOutAndTrim(LDocuments& docs) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    const PointList curve = FadeOutCurve();
    LEfEnvelope rec;
    rec.pPointList = &curve;
    docs.Host().StopPlayback();
    docs.StartModifyCurrentFile("Fade Out and Trim");
    rec.pAudio = &d->audio;
    rec.stEnd = d->stSelEnd.ms;
    rec.stStart = d->stSelStart.ms;
    if (docs.RunOperation("Fade Out and Trim", [&](LProgress* p) { return Process(p, rec); }) !=
        kProcessDone)
        return false;
    d->audio.EfTrimEnd(d->MsToFrames(d->stSelEnd.ms));
    docs.EndModifyCurrentFile(500, d->stSelStart.ms);
    return true;
}

bool CmEnvelope(LDocuments& docs, const PointList& curve) { return Envelope(docs, curve, "Envelope", 500); }

bool CmEcho(LDocuments& docs, int32_t gainPercent, int32_t timeMs) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    EfEcho rec;
    rec.iEchoGain = gainPercent;
    rec.iEchoTime = timeMs;
    return RunSelectionEffect(docs, *d, "Echo", "Echo", rec, 500);
}

bool CmReverb(LDocuments& docs, int32_t level, int32_t timeMs) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    EfReverb rec;
    rec.iReverbLevel = level;
    rec.iReverbTime = timeMs;
    return RunSelectionEffect(docs, *d, "Reverb", "Reverb", rec, 1000);
}

bool CmLowCutFilter(LDocuments& docs, int32_t frequency) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    EfLowCutFilter rec;
    rec.iFrequency = frequency;
    return RunSelectionEffect(docs, *d, "High-Pass Filter", "High-Pass Filter", rec, 500);
}

bool CmEqualizer(LDocuments& docs, const PointList& curve) {
    LSDFile* d = WithSelection(docs);
    if (!d) return false;
    EfEqualiser rec;
    rec.pPointList = &curve;
    return RunSelectionEffect(docs, *d, "Equalizer", "Equalizer", rec, 1000);
}

bool CmPasteMix(LDocuments& docs, int32_t volume, int32_t longerMode, int32_t fadeOutMs) {
    LSDFile* d = WithSelection(docs);
    if (!d || docs.clipboard.GetLength() <= 0) return false;
    return Mix(docs, *d, docs.clipboard, "Paste Mix", "Pasting Mix", volume, longerMode, fadeOutMs);
}

bool CmMixFile(LDocuments& docs, const std::string& path, int32_t volume, int32_t longerMode) {
    LSDFile* d = docs.CurrentForEdit();
    if (!d) return false;
    docs.Host().StopPlayback();
    LCutListAudio other;
    if (!LoadIntoCutList(docs, path, other)) return false;
    return Mix(docs, *d, other, "Mix File", "Mixing File", volume, longerMode, 0);
}

bool CmAutoTrim(LDocuments& docs) {
    LSDFile* d = docs.CurrentForEdit();
    if (!d) return false;
    docs.Host().StopPlayback();
    docs.StartModifyCurrentFile("Auto Trim");
    EfAutotrim rec;
    rec.pAudio = &d->audio;
    rec.iThreshold = std::clamp(ReadInt("Settings", "AutoTrimThreshold", kDefaultAutoTrimThreshold), -127, 127);
    if (docs.RunOperation("Auto Trim", [&](LProgress* p) { return Process(p, rec); }) != kProcessDone)
        return false;
    d->stPosition.ms = 0;
    d->stSelStart.ms = 0;
    d->stSelEnd.ms = 0;
    d->stViewStart.ms = 0;
    d->stViewEnd.ms = d->LengthMs();
    docs.EndModifyCurrentFile(0, 0);
    return true;
}

}  // namespace sondrel
