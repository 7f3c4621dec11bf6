#include "effects/LEffectTable.h"

#include <algorithm>

#include "document/LEditCommands.h"
#include "document/LSDFile.h"
#include "effects/LEchoReverb.h"
#include "effects/LEffectOperations.h"
#include "effects/LEqualiser.h"
#include "effects/LHighPass.h"
#include "effects/LSRCCompressor.h"
#include "effects/LSpeedPitch.h"
#include "support/LFailure.h"
#include "support/LHelp.h"
#include "support/LSettings.h"

namespace sondrel {

namespace {

LEfSelection Selection(const LEffectJob& job) { return {&job.doc.audio, job.stEnd, job.stStart}; }

// Records without a progress dialog act on the cut list at once.
int32_t StartFrame(const LEffectJob& job) { return job.doc.MsToFrames(job.stStart); }
int32_t EndFrame(const LEffectJob& job) { return job.doc.MsToFrames(job.stEnd); }

// ---------------------------------------------------------------- amplify

constexpr LEffectParam kAmplifyParams[] = {
    {.stored = {"AmplifyGain", 100}, .nControl = 101, .szLabel = "Amplify Gain (%):"},
};
LParamCheck CheckAmplify(const LEffectValues& v) { return CheckAmplifyGain(v[0]); }
LProcessResult RunAmplify(LProgress*, LEffectJob& job) {
    job.doc.audio.EfAmplify(StartFrame(job), EndFrame(job), job.values[0]);
    return kProcessDone;
}

// ---------------------------------------------------------------- normalize

constexpr LEffectParam kNormalizeParams[] = {
    {.stored = {"NormalizePeakLevel", 100}, .nControl = 102, .szLabel = "Normalize Peak Level (%):"},
};
LParamCheck CheckNormalize(const LEffectValues& v) { return CheckNormalizePeakLevel(v[0]); }
LProcessResult RunNormalize(LProgress* p, LEffectJob& job) {
    EfNormalize rec{Selection(job), job.values[0]};
    return Process(p, rec);
}

// ---------------------------------------------------------------- fades and envelope

LProcessResult Envelope(LProgress* p, LEffectJob& job, const PointList& curve) {
    LEfEnvelope rec{Selection(job), &curve};
    return Process(p, rec);
}
LProcessResult RunFadeIn(LProgress* p, LEffectJob& job) { return Envelope(p, job, FadeInCurve()); }
LProcessResult RunFadeOut(LProgress* p, LEffectJob& job) { return Envelope(p, job, FadeOutCurve()); }
LProcessResult RunFadeOutAndTrim(LProgress* p, LEffectJob& job) {
    LProcessResult r = Envelope(p, job, FadeOutCurve());
    if (r == kProcessDone) job.doc.audio.EfTrimEnd(EndFrame(job));
    return r;
}
LProcessResult RunEnvelope(LProgress* p, LEffectJob& job) { return Envelope(p, job, job.values.curve); }

// ---------------------------------------------------------------- echo and reverb

constexpr LEffectParam kEchoParams[] = {
    {.stored = {"EchoTime", 800}, .nControl = 101, .szLabel = "Echo Time (ms) :"},
    {.stored = {"EchoGain", 50}, .nControl = 102, .szLabel = "Echo Gain (%) :"},
};
LParamCheck CheckEchoValues(const LEffectValues& v) { return CheckEcho(v[0], v[1]); }
LSoundSourcePtr PreviewEcho(const LEffectValues& v, const LSoundSourcePtr& inner) {
    return LSPEcho(std::min(v[1], 99), std::clamp(v[0], 10, 3000)).OpenSource(inner);
}
LProcessResult RunEcho(LProgress* p, LEffectJob& job) {
    EfEcho rec{Selection(job), job.values[1], job.values[0]};
    return Process(p, rec);
}

constexpr LEffectParam kReverbParams[] = {
    {.stored = {"ReverbLevel", 100}, .nControl = 101, .szLabel = "Reverb Level (0 - 100):"},
    {.stored = {"ReverbTime", 50}, .nControl = 102, .szLabel = "Reverb Time (50 - 1000 ms):"},
};
LParamCheck CheckReverbValues(const LEffectValues& v) { return CheckReverb(v[0], v[1]); }
LSoundSourcePtr PreviewReverb(const LEffectValues& v, const LSoundSourcePtr& inner) {
    return LSPReverb(std::min(v[0], 100), std::clamp(v[1], 10, 1000)).OpenSource(inner);
}
LProcessResult RunReverb(LProgress* p, LEffectJob& job) {
    EfReverb rec{Selection(job), job.values[0], job.values[1]};
    return Process(p, rec);
}

// ---------------------------------------------------------------- filters

constexpr LEffectParam kLowCutParams[] = {
    {.stored = {"LowCutFreq", 250}, .nControl = 101, .szLabel = "Frequency (Hz) :"},
};
LSoundSourcePtr PreviewLowCut(const LEffectValues& v, const LSoundSourcePtr& inner) {
    return LSPHighPass(int32_t(uint32_t(v[0]) * 2u)).OpenSource(inner);  // twice the entered value, as the operation
}
LProcessResult RunLowCut(LProgress* p, LEffectJob& job) {
    EfLowCutFilter rec{Selection(job), job.values[0]};
    return Process(p, rec);
}

LSoundSourcePtr PreviewEqualizer(const LEffectValues& v, const LSoundSourcePtr& inner) {
    return LSPEqualiser(CreateEqFromPointList(v.curve, inner->nSampleRate)).OpenSource(inner);
}
LProcessResult RunEqualizer(LProgress* p, LEffectJob& job) {
    EfEqualiser rec{Selection(job), &job.values.curve};
    return Process(p, rec);
}

// ---------------------------------------------------------------- dynamics

constexpr LEffectParam kNoiseReductionParams[] = {
    {.stored = {"NoiseGateLevel", -30},
     .control = LParamControl::kDBEdit,
     .nControl = 101,
     .szLabel = "Noise Gate Level:",
     .nMin = -40,
     .nMax = 0,
     .szRangeMessage = "Noise gate level must be between -40 and 0 dB."},
};
LProcessResult RunNoiseReduction(LProgress* p, LEffectJob& job) {
    EfNoiseReduction rec{Selection(job), job.values[0]};
    return Process(p, rec);
}

const char* CompressorRatioText(int32_t index) { return kCompressorRatioTable[index].szText; }
constexpr LEffectParam kCompressorParams[] = {
    {.stored = {"CompressorThreshold", 0},
     .control = LParamControl::kDBEdit,
     .nControl = 101,
     .szLabel = "Threshold:",
     .nMin = -40,
     .nMax = 0,
     .szRangeMessage = "Compressor threshold must be between -40 and 0 dB."},
    {.stored = {"CompressorRatio", 0},
     .control = LParamControl::kCombo,
     .nControl = 102,
     .szLabel = "Ratio:",
     .nMin = 0,
     .nMax = kCompressorRatios - 1,
     .szRangeMessage = "Compressor ratio must be an index between 0 and 6.",
     .pfnChoice = CompressorRatioText},
    {.stored = {"CompressorLimit", 0},
     .control = LParamControl::kDBEdit,
     .nControl = 103,
     .szLabel = "Limit:",
     .nMin = 0,
     .nMax = 12,
     .szRangeMessage = "Compressor limit must be between 0 and 12 dB."},
};
LSoundSourcePtr PreviewCompressor(const LEffectValues& v, const LSoundSourcePtr& inner) {
    return LSPCompressor(v[0], CompressorRatioFactor(v[1]), v[2]).OpenSource(inner);
}
LProcessResult RunCompressor(LProgress* p, LEffectJob& job) {
    EfCompressor rec{Selection(job), job.values[0], job.values[2], CompressorRatioFactor(job.values[1])};
    return Process(p, rec);
}

LProcessResult RunAutoGainControl(LProgress* p, LEffectJob& job) {
    EfAutoGainControl rec;
    static_cast<LEfSelection&>(rec) = Selection(job);
    return Process(p, rec);
}

// ---------------------------------------------------------------- speed and pitch

// The three commands differ in their key, label and mode (nVariant).
constexpr LEffectParam SpeedParam(const char* key, int32_t def, const char* label) {
    return {.stored = {key, def}, .nControl = 101, .szLabel = label, .nLabelControl = 102, .nActsAtLeast = 10};
}
constexpr LEffectParam kSimpleSpeedParams[] = {SpeedParam("SpSpeedPitch", 100, "Speed/Pitch Adjust (%)")};
constexpr LEffectParam kConstantPitchParams[] = {SpeedParam("ConstPitchSpeed", 100, "Speed Adjust (%)")};
// Like its two siblings it starts at 100 %: a first pitch change confirmed
// as shown must not drop the pitch to a tenth.
constexpr LEffectParam kConstantSpeedParams[] = {SpeedParam("ConstSpeedPitch", 100, "Pitch Adjust (%)")};
LParamCheck CheckSpeed(const LEffectValues& v) { return CheckSpeedChangePercent(v[0]); }
LProcessResult RunSpeedPitch(LProgress* p, LEffectJob& job) {
    LEfChangeSpeedPitch rec{Selection(job), job.values[0], job.nVariant};
    LProcessResult r = Process(p, rec);
    job.stEnd = rec.stEnd;
    return r;
}

// ---------------------------------------------------------------- mixing

constexpr LEffectParam kMixParams[] = {
    {.stored = {"PasteMixVolume", 100}, .nControl = 101, .szLabel = "Mix Volume (%)"},
    {.stored = {"LongerSelection", kLongerIncreaseSelection},
     .control = LParamControl::kRadios,
     .nControl = 102,
     .szLabel = "If mix audio is longer than selection:",
     .nMin = kLongerIncreaseSelection,
     .nMax = kLongerFadeOut},
    {.stored = {"FadeOutTime", 250}, .nControl = 105, .szLabel = "Fade out time:", .nEnabledBy = 1,
     .nEnabledWhen = kLongerFadeOut},
};
LParamCheck CheckMix(const LEffectValues& v) { return CheckMixVolume(v[0]); }
LProcessResult Mix(LProgress* p, LEffectJob& job, int32_t fadeOutMs) {
    // The record's own selection end moves with the mix; the document's stays.
    EfMixPaste rec{job.stEnd, job.stStart, job.pOther, &job.doc.audio, job.values[0], job.values[1], fadeOutMs};
    return Process(p, rec);
}
LProcessResult RunPasteMix(LProgress* p, LEffectJob& job) { return Mix(p, job, job.values[2]); }
LProcessResult RunMixFile(LProgress* p, LEffectJob& job) { return Mix(p, job, 0); }  // never a fade

// ---------------------------------------------------------------- edits

constexpr LEffectParam kRepeatParams[] = {
    {.stored = {"RepeatNumTimes", 1}, .nControl = 101, .szLabel = "Repeat number of times:"},
};
LProcessResult RunRepeatLoop(LProgress*, LEffectJob& job) {
    job.doc.audio.EfRepeatLoop(StartFrame(job), EndFrame(job), job.values[0]);
    return kProcessDone;
}

constexpr int32_t kDefaultAutoTrimThreshold = -24;
LProcessResult RunAutoTrim(LProgress* p, LEffectJob& job) {
    EfAutotrim rec{&job.doc.audio,
                   std::clamp(ReadInt("Settings", "AutoTrimThreshold", kDefaultAutoTrimThreshold), -127, 127)};
    return Process(p, rec);
}

constexpr LEffectParam kSilenceParams[] = {
    {.stored = {"SilenceTimes", 0}, .nControl = 101, .szLabel = "Silence Time (ms):"},
};
bool SilenceHasWork(const LEffectValues& v) { return v[0] > 0; }
LProcessResult RunInsertSilence(LProgress*, LEffectJob& job) {
    const int32_t at = InsertPositionMs(job.doc, LInsertMode(job.nVariant));
    const int32_t frames = job.doc.MsToFrames(job.values[0]);
    if (int64_t(job.doc.audio.GetLength()) + frames > kMaxStreamFrames) {
        // Refused with its reason: the cut list would only drop it unsaid.
        NoteFailure(LFailure::kTooLong, std::string());
        return kProcessFailed;
    }
    job.doc.audio.EfInsertSilence(job.doc.MsToFrames(at), frames);
    return kProcessDone;
}

// The three Insert Silence commands differ in where the silence goes.
constexpr LEffectDesc InsertSilence(LEffect id, int command, LInsertMode mode, const char* menu, const char* hint,
                                    const char* word) {
    return {.id = id,
            .nCommand = command,
            .szMenuText = menu,
            .szHint = hint,
            .szUndoLabel = "Insert Silence",
            .needs = LEffectNeeds::kDocument,
            .nPreRollMs = 1000,
            .nVariant = mode,
            .params = kSilenceParams,
            .pfnHasWork = SilenceHasWork,
            .nTemplate = 9,
            .szCaption = "Insert Silence",
            .nHelpContext = IDH_EDITS,
            .pfnRun = RunInsertSilence,
            .szStep = "--insert-silence",
            .szSyntax = "MS[,begin|current|end]",
            .szWants = "milliseconds",
            .szHelp = "(default current)",
            .szVariantWord = word,
            .bDefaultVariant = mode == kInsertAtCurrent};
}

// The three speed commands differ in their name, key, label and mode.
constexpr LEffectDesc SpeedPitch(LEffect id, int command, LSpeedPitchMode mode, const char* name, const char* menu,
                                 const char* hint, std::span<const LEffectParam> params, const char* step,
                                 const char* help) {
    return {.id = id,
            .nCommand = command,
            .szMenuText = menu,
            .szHint = hint,
            .szUndoLabel = name,
            .szTitle = name,
            .needs = LEffectNeeds::kSelection,
            .bUndoBeforeDialog = true,
            .nPreRollMs = 500,
            .nVariant = mode,
            .params = params,
            .pfnCheck = CheckSpeed,
            .nTemplate = 21,
            .szCaption = name,
            .nHelpContext = IDH_EFFECTS,
            .pfnRun = RunSpeedPitch,
            .szStep = step,
            .szSyntax = "PERCENT",
            .szWants = "a percentage",
            .szHelp = help};
}

}  // namespace

const LEffectDesc kEffects[size_t(LEffect::kCount)] = {
    {.id = LEffect::kAmplify,
     .nCommand = 4001,
     .szMenuText = "Amplify...",
     .szHint = "Changes the volume of the selected region.",
     .szUndoLabel = "Amplify",
     .nPreRollMs = 1000,
     .params = kAmplifyParams,
     .pfnCheck = CheckAmplify,
     .nTemplate = 10,
     .szCaption = "Amplify",
     .nHelpContext = IDH_EFFECTS,
     .pfnRun = RunAmplify,
     .szStep = "--amplify",
     .szSyntax = "PERCENT",
     .szWants = "a percentage",
     .szHelp = "at most 100"},
    {.id = LEffect::kNormalize,
     .nCommand = 4002,
     .szMenuText = "Normalize...",
     .szHint = "Brings the loudest peak of the selected region to a chosen level.",
     .szUndoLabel = "Normalize",
     .szTitle = "Normalize",
     .nPreRollMs = 500,
     .params = kNormalizeParams,
     .pfnCheck = CheckNormalize,
     .nTemplate = 6,
     .szCaption = "Normalize",
     .nHelpContext = IDH_EFFECTS,
     .pfnRun = RunNormalize,
     .szStep = "--normalize",
     .szSyntax = "PERCENT",
     .szWants = "a percentage",
     .szHelp = "peak level, at most 100"},
    {.id = LEffect::kEqualizer,
     .nCommand = 4003,
     .szMenuText = "Equalizer...",
     .szHint = "Shapes the frequencies of the selected region with a drawn curve.",
     .szUndoLabel = "Equalizer",
     .szTitle = "Equalizer",
     .nPreRollMs = 1000,
     .szCurveFile = kEqualizerFile,
     .nTemplate = 3,
     .szCaption = "Equalizer",
     .nHelpContext = IDH_EFFECTS,
     .pfnPreview = PreviewEqualizer,
     .pfnRun = RunEqualizer,
     .szStep = "--equalizer",
     .szSyntax = "CURVEFILE",
     .szWants = "a curve file",
     .szHelp = "equaliser curve (129-byte point list, as equalizer.dat)"},
    {.id = LEffect::kEcho,
     .nCommand = 4004,
     .szMenuText = "Echo...",
     .szHint = "Adds a repeating echo to the selected region.",
     .szUndoLabel = "Echo",
     .szTitle = "Echo",
     .nPreRollMs = 500,
     .params = kEchoParams,
     .pfnCheck = CheckEchoValues,
     .nTemplate = 5,
     .szCaption = "Echo",
     .nHelpContext = IDH_EFFECTS,
     .pfnPreview = PreviewEcho,
     .pfnRun = RunEcho,
     .szStep = "--echo",
     .szSyntax = "MS,PERCENT",
     .szWants = "MS,PERCENT",
     .szHelp = "echo time 10..2999, gain below 100"},
    {.id = LEffect::kReverb,
     .nCommand = 4005,
     .szMenuText = "Reverb...",
     .szHint = "Adds reverberation to the selected region.",
     .szUndoLabel = "Reverb",
     .szTitle = "Reverb",
     .nPreRollMs = 1000,
     .params = kReverbParams,
     .pfnCheck = CheckReverbValues,
     .nTemplate = 7,
     .szCaption = "Reverb ",
     .nHelpContext = IDH_EFFECTS,
     .pfnPreview = PreviewReverb,
     .pfnRun = RunReverb,
     .szStep = "--reverb",
     .szSyntax = "LEVEL,MS",
     .szWants = "LEVEL,MS",
     .szHelp = "level at most 100, time 50..1000"},
    {.id = LEffect::kFadeIn,
     .nCommand = 4006,
     .szMenuText = "Fade In",
     .szHint = "Fades the selected region in from silence.",
     .szUndoLabel = "Fade In",
     .szTitle = "Fade In",
     .nPreRollMs = 1000,
     .pfnRun = RunFadeIn,
     .szStep = "--fade-in",
     .szSyntax = "",
     .szHelp = "linear fade in over the selection"},
    {.id = LEffect::kFadeOut,
     .nCommand = 4007,
     .szMenuText = "Fade Out",
     .szHint = "Fades the selected region out to silence.",
     .szUndoLabel = "Fade Out",
     .szTitle = "Fade Out",
     .nPreRollMs = 500,
     .pfnRun = RunFadeOut,
     .szStep = "--fade-out",
     .szSyntax = "",
     .szHelp = "linear fade out over the selection"},
    {.id = LEffect::kEnvelope,
     .nCommand = 4008,
     .szMenuText = "Envelope...",
     .szHint = "Shapes the volume of the selected region with a drawn curve.",
     .szUndoLabel = "Envelope",
     .szTitle = "Envelope",
     .nPreRollMs = 500,
     .szCurveFile = kEnvelopeFile,
     .nTemplate = 11,
     .szCaption = "Envelope",
     .nHelpContext = IDH_EFFECTS,
     .pfnRun = RunEnvelope,
     .szStep = "--envelope",
     .szSyntax = "CURVEFILE",
     .szWants = "a curve file",
     .szHelp = "gain curve (129-byte point list, as envelope.dat)"},
    {.id = LEffect::kAutoGainControl,
     .nCommand = 4009,
     .szMenuText = "Automatic Gain Control",
     .szHint = "Evens out the loudness of the selected region.",
     .szUndoLabel = "Auto Gain Control",
     .szTitle = "Auto Gain Control",
     .after = LEffectAfter::kFileStart,
     .pfnRun = RunAutoGainControl,
     .szStep = "--auto-gain",
     .szSyntax = "",
     .szHelp = "automatic gain control (the position goes to 0)"},
    {.id = LEffect::kNoiseReduction,
     .nCommand = 4010,
     .szMenuText = "Noise Reduction...",
     .szHint = "Quietens the background noise between sounds in the selected region.",
     .szUndoLabel = "Noise Reduction",
     .szTitle = "Noise Reduction",
     .nPreRollMs = 1000,
     .params = kNoiseReductionParams,
     .nTemplate = 13,
     .szCaption = "Noise Reduction",
     .nHelpContext = IDH_EFFECTS,
     .pfnRun = RunNoiseReduction,
     .szStep = "--noise-reduction",
     .szSyntax = "DB",
     .szWants = "a level in dB",
     .szHelp = "gate level -40..0"},
    {.id = LEffect::kLowCutFilter,
     .nCommand = 4011,
     .szMenuText = "High-Pass Filter...",
     .szHint = "Removes low frequencies (rumble, hum) from the selected region.",
     .szUndoLabel = "High-Pass Filter",
     .szTitle = "High-Pass Filter",
     .nPreRollMs = 500,
     .params = kLowCutParams,
     .nTemplate = 18,
     .szCaption = "Low Cut Filter",
     .nHelpContext = IDH_EFFECTS,
     .pfnPreview = PreviewLowCut,
     .pfnRun = RunLowCut,
     .szStep = "--low-cut",
     .szSyntax = "HZ",
     .szWants = "a frequency",
     .szHelp = "high-pass at the dialog's frequency"},
    {.id = LEffect::kCompressor,
     .nCommand = 4012,
     .szMenuText = "Dynamic Range Compressor...",
     .szHint = "Narrows the difference between the loud and the soft passages of the selected region.",
     .szUndoLabel = "Dynamic Range Compressor",
     .szTitle = "Dynamic Range Compressor",
     .nPreRollMs = 500,
     .params = kCompressorParams,
     .nTemplate = 19,
     .szCaption = "Dynamic Range Compressor",
     .nHelpContext = IDH_EFFECTS,
     .pfnPreview = PreviewCompressor,
     .pfnRun = RunCompressor,
     .szStep = "--compressor",
     .szSyntax = "THRESHOLD_DB,RATIO_INDEX,LIMIT_DB",
     .szWants = "THRESHOLD_DB,RATIO_INDEX,LIMIT_DB",
     .szHelp = "threshold -40..0, ratio 0..6\n(1:1 3:2 2:1 3:1 4:1 5:1 Limit), limit 0..12"},
    {.id = LEffect::kFadeOutAndTrim,
     .nCommand = 4013,
     .szMenuText = "Fade Out and Trim",
     .szHint = "Fades the selected region out and deletes everything after it.",
     .szUndoLabel = "Fade Out and Trim",
     .szTitle = "Fade Out and Trim",
     .nPreRollMs = 500,
     .pfnRun = RunFadeOutAndTrim,
     .szStep = "--fade-out-trim",
     .szSyntax = "",
     .szHelp = "fade out, then delete everything after the selection"},
    SpeedPitch(LEffect::kSimpleSpeedPitch, 4014, kSpeedPitchSimple, "Simple Speed and Pitch Change",
               "Simple Speed and Pitch Change...", "Changes the speed and the pitch of the selected region together.",
               kSimpleSpeedParams, "--speed-pitch",
               "speed and pitch together; at most 300, below 10 acts as 10;\nthe selection ends with the new audio"),
    SpeedPitch(LEffect::kConstantPitchSpeed, 4015, kSpeedPitchConstantPitch, "Constant Pitch and Speed Change",
               "Constant Pitch and Speed Change...", "Changes the speed of the selected region, keeping its pitch.",
               kConstantPitchParams, "--tempo",
               "speed at constant pitch; at most 300, below 10 acts as 10;\nthe selection ends with the new audio"),
    SpeedPitch(LEffect::kConstantSpeedPitch, 4016, kSpeedPitchConstantSpeed, "Constant Speed and Pitch Change",
               "Constant Speed and Pitch Change...", "Changes the pitch of the selected region, keeping its speed.",
               kConstantSpeedParams, "--pitch",
               "pitch at constant speed; at most 300, below 10 acts as 10;\nthe selection ends with the new audio"),
    {.id = LEffect::kPasteMix,
     .nCommand = 2005,
     .szMenuText = "Paste Mix...",
     .szHint = "Mixes the clipboard contents over the current selected region.",
     .szUndoLabel = "Paste Mix",
     .szTitle = "Pasting Mix",
     .needs = LEffectNeeds::kSelectionAndClipboard,
     .input = LEffectInput::kClipboard,
     .bUndoBeforeDialog = true,
     .nPreRollMs = 500,
     .params = kMixParams,
     .pfnCheck = CheckMix,
     .nTemplate = 4,
     .szCaption = "Paste Mix",
     .nHelpContext = IDH_EDITS,
     .pfnRun = RunPasteMix,
     .szStep = "--paste-mix",
     .szSyntax = "VOLUME,MODE[,FADE_MS]",
     .szWants = "VOLUME,MODE[,FADE_MS] (MODE 0, 1 or 2)",
     .szHelp = "mix the clipboard over the selection; MODE when it is\nlonger: 0 increase selection, 1 insert silence, 2 fade out mix\n"
               "(FADE_MS default 250)"},
    {.id = LEffect::kMixFile,
     .nCommand = 2008,
     .szMenuText = "Mix File...",
     .szHint = "Mixes the current file with another file",
     .szUndoLabel = "Mix File",
     .szTitle = "Mixing File",
     .needs = LEffectNeeds::kDocument,
     .input = LEffectInput::kFile,
     .nPreRollMs = 500,
     .params = kMixParams,
     .pfnCheck = CheckMix,
     .nTemplate = 4,
     .szCaption = "Mix File",
     .nHelpContext = IDH_EDITS,
     .pfnRun = RunMixFile,
     .szStep = "--mix-file",
     .szSyntax = "FILE,VOLUME,MODE",
     .szWants = "FILE,VOLUME,MODE (MODE 0, 1 or 2)",
     .szHelp = "mix a file over the selection (MODE as for --paste-mix, no fade)"},
    {.id = LEffect::kRepeatLoop,
     .nCommand = 2009,
     .szMenuText = "Repeat Loop...",
     .szHint = "Repeats the selected region.",
     .szUndoLabel = "Repeat Loop",
     .nPreRollMs = 500,
     .params = kRepeatParams,
     .nTemplate = 8,
     .szCaption = "Repeat Loop",
     .nHelpContext = IDH_EDITS,
     .pfnRun = RunRepeatLoop,
     .szStep = "--repeat",
     .szSyntax = "N",
     .szWants = "a count",
     .szHelp = "the selection plays N more times"},
    {.id = LEffect::kAutoTrim,
     .nCommand = 2013,
     .szMenuText = "Auto Trim",
     .szHint = "Deletes silence from the start and end.",
     .szUndoLabel = "Auto Trim",
     .szTitle = "Auto Trim",
     .needs = LEffectNeeds::kDocument,
     .after = LEffectAfter::kWholeFile,
     .pfnRun = RunAutoTrim,
     .szStep = "--auto-trim",
     .szSyntax = "",
     .szHelp = "delete the quiet start and end (threshold -24 dB)"},
    InsertSilence(LEffect::kInsertSilenceBegin, 2015, kInsertAtBegin, "Begin", "Inserts silence at the start.", "begin"),
    InsertSilence(LEffect::kInsertSilenceCurrent, 2016, kInsertAtCurrent, "Current",
                  "Inserts silence at the current position.", "current"),
    InsertSilence(LEffect::kInsertSilenceEnd, 2017, kInsertAtEnd, "End", "Inserts silence at the end.", "end"),
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
            return {false, p.szRangeMessage, "Error", true};
    }
    return fx.pfnCheck ? fx.pfnCheck(values) : LParamCheck{};
}

}  // namespace sondrel
