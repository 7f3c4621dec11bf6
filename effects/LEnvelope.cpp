#include "effects/LEnvelope.h"

#include <algorithm>
#include <cstdint>

#include "core/LRangePump.h"
#include "core/LSRCPeakLimit.h"
#include "core/LSample.h"
#include "effects/LEffectOperations.h"

namespace sondrel {

LEnvelopeGain::LEnvelopeGain(const PointList& list, int32_t total) : pts_(list), nTotal(std::max(total, 1)) {
    if (pts_.nPoints > POINTLISTMAX) pts_.nPoints = POINTLISTMAX;
    Restart();
}

void LEnvelopeGain::Restart() {
    nDone = 0;
    nBlockEnd = 0;
    iStep = 0;
    if (pts_.nPoints < 2) {
        // Not usable: a flat unity ramp over the range keeps the object safe.
        iGain = iTarget = kUnityGain;
        nSegmentEnd = nTotal;
        iNext = pts_.nPoints;
        return;
    }
    iGain = PointGain(pts_.points[0].y);
    iTarget = PointGain(pts_.points[1].y);
    nSegmentEnd = FrameOffset(pts_.points[1].x);
    iNext = 2;
}

int32_t LEnvelopeGain::NextBlock() {
    int32_t n = nSegmentEnd - nDone;
    while (n <= 0) {
        if (iNext >= pts_.nPoints) {
            nSegmentEnd = nTotal;
            n = nTotal - nDone;
            break;
        }
        iTarget = PointGain(pts_.points[iNext].y);
        nSegmentEnd = FrameOffset(pts_.points[iNext].x);
        ++iNext;
        n = nSegmentEnd - nDone;
    }
    if (n <= 0) return 0;
    n = std::min(n, kMaxBlockFrames);
    iStep = (iTarget - iGain) / (nSegmentEnd - nDone);
    nBlockEnd = nDone + n;
    return n;
}

void LEnvelopeGain::Apply(int32_t* buffer, int32_t n, uint32_t chans) {
    int32_t g = iGain;
    const int32_t step = iStep;
    if (chans == 2) {
        for (int32_t i = 0; i < n; ++i, buffer += 2, g += step) {
            buffer[0] = MulGain(buffer[0], g);
            buffer[1] = MulGain(buffer[1], g);
        }
    } else {
        for (int32_t i = 0; i < n; ++i, g += step)
            for (uint32_t c = 0; c < chans; ++c, ++buffer) *buffer = MulGain(*buffer, g);
    }
    iGain = g;
    nDone += n;
}

void LEnvelopeGain::Skip(int32_t n) {
    iGain += iStep * n;  // wraps exactly as n single steps would
    nDone += n;
}

void LEnvelopeGain::SeekTo(int32_t offset) {
    Restart();
    while (nDone < offset) {
        if (nDone == nBlockEnd && NextBlock() == 0) break;
        Skip(std::min(nBlockEnd - nDone, offset - nDone));
    }
}

LSRCEnvelope::LSRCEnvelope(const LSoundSourcePtr& input, const PointList& list, int32_t start, int32_t total)
    : LSRCFilter(input), env_(list, total), nStart(start), bUsable(LEnvelopeGain::Usable(list)) {
    if (!bUsable) SetError();
}

void LSRCEnvelope::Read(int32_t* buffer, int32_t n) {
    int32_t pos = pInput->GetPosition();
    pInput->Read(buffer, n);
    if (!bUsable || n <= 0) return;
    // The part of [pos, pos + n) inside [nStart, nStart + total), as offsets
    // into the range, in 64 bits so positions near the ends cannot wrap.
    int64_t from = std::max<int64_t>(pos, nStart) - nStart;
    int64_t to = std::min<int64_t>(int64_t(pos) + n, int64_t(nStart) + env_.Total()) - nStart;
    if (from >= to) return;
    if (from != env_.Done()) env_.SeekTo(int32_t(from));
    int32_t* p = buffer + (int64_t(nStart) + from - pos) * nChans;
    int32_t left = int32_t(to - from);
    while (left > 0) {
        if (env_.BlockLeft() == 0 && env_.NextBlock() == 0) break;
        int32_t m = std::min(left, env_.BlockLeft());
        env_.Apply(p, m, nChans);
        p += size_t(m) * nChans;
        left -= m;
    }
}

void LSPEnvelope::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    result = MakeSource<LSRCEnvelope>(input, pointList, nStart, nTotal);
}

int32_t NormalizeGainPercent(int32_t peak, int32_t peakLevel) {
    if (peak <= 0) return 100;
    int64_t gain = int64_t(peakLevel) * kMax16 / peak;
    return int32_t(std::clamp<int64_t>(gain, -400, 400));
}

void LSNKPeak::Write(const int32_t* buffer, int32_t n) {
    if (n > 0) iPeak = std::max(iPeak, BlockPeak(buffer, n * nChans));
    nPosition += n;
}

// ---------------------------------------------------------------- the commands

namespace {

const char* CheckAmplify(const LEffectValues& v) {
    return v[0] > 100 ? "Amplify Gain must be less than 100%. Please try again." : nullptr;
}
LProcessResult Amplify(LProgress*, LEffectJob& job) {
    job.audio.EfAmplify(job.Frames(job.stStart), job.Frames(job.stEnd), job.values[0]);
    return kProcessDone;
}
constexpr LEffectParam kAmplifyParams[] = {
    {.stored = {"AmplifyGain", 100}, .nControl = IDC_AMPLIFY_GAIN, .szLabel = "Amplify Gain (%):"},
};

const char* CheckNormalize(const LEffectValues& v) {
    return v[0] > 100 ? "Normailze Peak Level must be less than 100%. Please try again." : nullptr;
}
LProcessResult Normalize(LProgress* progress, LEffectJob& job) {
    if (job.stEnd <= job.stStart) return kProcessDone;
    progress->SetText("Normalizing", 0);
    auto peak = MakeSink<LSNKPeak>(job.audio.nSampleRate, job.audio.nChans);
    LEfSoundProcess pump{.pSource = CreateSource(job.audio), .pSink = peak, .stStart = job.stStart, .stEnd = job.stEnd};
    LProcessResult result = Process(progress, pump);
    if (result != kProcessDone) return result;
    const int32_t iPeak = static_cast<LSNKPeak&>(*peak).iPeak;
    if (iPeak > 0)
        job.audio.EfAmplify(job.Frames(job.stStart), job.Frames(job.stEnd), NormalizeGainPercent(iPeak, job.values[0]));
    return kProcessDone;
}
constexpr LEffectParam kNormalizeParams[] = {
    {.stored = {"NormalizePeakLevel", 100}, .nControl = IDC_NORMALIZE_LEVEL, .szLabel = "Normalize Peak Level (%):"},
};

// The curve as a gain ramp over exactly the frames the selection
// replacement rewrites.
LProcessResult ThroughCurve(LProgress* progress, LEffectJob& job, const PointList& curve) {
    if (job.stEnd < job.stStart) return kProcessDone;
    if (!LEnvelopeGain::Usable(curve)) return kProcessFailed;
    const int32_t start = std::max(job.Frames(job.stStart), 0);
    const int32_t total = std::max(job.Frames(job.stEnd) - start, 1);
    LSPEnvelope env(curve, start, total);
    return ReplaceSelection(progress, job, env, "Envelope");
}
LProcessResult FadeIn(LProgress* p, LEffectJob& job) { return ThroughCurve(p, job, FadeInCurve()); }
LProcessResult FadeOut(LProgress* p, LEffectJob& job) { return ThroughCurve(p, job, FadeOutCurve()); }
LProcessResult Envelope(LProgress* p, LEffectJob& job) { return ThroughCurve(p, job, job.values.curve); }
LProcessResult FadeOutAndTrim(LProgress* p, LEffectJob& job) {
    LProcessResult r = ThroughCurve(p, job, FadeOutCurve());
    if (r == kProcessDone) job.audio.EfTrimEnd(job.Frames(job.stEnd));
    return r;
}

}  // namespace

constinit const LEffectDesc kAmplifyEffect = {
    .id = LEffect::kAmplify,
    .nCommand = IDM_AMPLIFY,
    .szMenuText = "Amplify...",
    .szHint = "Changes the volume of the selected region.",
    .szUndoLabel = "Amplify",
    .nPreRollMs = 1000,
    .params = kAmplifyParams,
    .pfnCheck = CheckAmplify,
    .nTemplate = IDD_AMPLIFY,
    .szCaption = "Amplify",
    .nHelpContext = IDH_EFFECTS,
    .pfnRun = Amplify,
    .szStep = "--amplify",
    .szSyntax = "PERCENT",
    .szWants = "a percentage",
    .szHelp = "at most 100",
};

constinit const LEffectDesc kNormalizeEffect = {
    .id = LEffect::kNormalize,
    .nCommand = IDM_NORMALIZE,
    .szMenuText = "Normalize...",
    .szHint = "Brings the loudest peak of the selected region to a chosen level.",
    .szUndoLabel = "Normalize",
    .szTitle = "Normalize",
    .nPreRollMs = 500,
    .params = kNormalizeParams,
    .pfnCheck = CheckNormalize,
    .nTemplate = IDD_NORMALIZE,
    .szCaption = "Normalize",
    .nHelpContext = IDH_EFFECTS,
    .pfnRun = Normalize,
    .szStep = "--normalize",
    .szSyntax = "PERCENT",
    .szWants = "a percentage",
    .szHelp = "peak level, at most 100",
};

constinit const LEffectDesc kFadeInEffect = {
    .id = LEffect::kFadeIn,
    .nCommand = IDM_FADE_IN,
    .szMenuText = "Fade In",
    .szHint = "Fades the selected region in from silence.",
    .bMenuGroup = true,
    .szUndoLabel = "Fade In",
    .szTitle = "Fade In",
    .nPreRollMs = 1000,
    .pfnRun = FadeIn,
    .szStep = "--fade-in",
    .szSyntax = "",
    .szHelp = "linear fade in over the selection",
};

constinit const LEffectDesc kFadeOutEffect = {
    .id = LEffect::kFadeOut,
    .nCommand = IDM_FADE_OUT,
    .szMenuText = "Fade Out",
    .szHint = "Fades the selected region out to silence.",
    .szUndoLabel = "Fade Out",
    .szTitle = "Fade Out",
    .nPreRollMs = 500,
    .pfnRun = FadeOut,
    .szStep = "--fade-out",
    .szSyntax = "",
    .szHelp = "linear fade out over the selection",
};

constinit const LEffectDesc kEnvelopeEffect = {
    .id = LEffect::kEnvelope,
    .nCommand = IDM_ENVELOPE,
    .szMenuText = "Envelope...",
    .szHint = "Shapes the volume of the selected region with a drawn curve.",
    .szUndoLabel = "Envelope",
    .szTitle = "Envelope",
    .nPreRollMs = 500,
    .szCurveFile = kEnvelopeFile,
    .nTemplate = IDD_ENVELOPE,
    .szCaption = "Envelope",
    .nHelpContext = IDH_EFFECTS,
    .pfnRun = Envelope,
    .szStep = "--envelope",
    .szSyntax = "CURVEFILE",
    .szWants = "a curve file",
    .szHelp = "gain curve (129-byte point list, as envelope.dat)",
};

constinit const LEffectDesc kFadeOutAndTrimEffect = {
    .id = LEffect::kFadeOutAndTrim,
    .nCommand = IDM_FADE_OUT_AND_TRIM,
    .szMenuText = "Fade Out and Trim",
    .szHint = "Fades the selected region out and deletes everything after it.",
    .szUndoLabel = "Fade Out and Trim",
    .szTitle = "Fade Out and Trim",
    .nPreRollMs = 500,
    .pfnRun = FadeOutAndTrim,
    .szStep = "--fade-out-trim",
    .szSyntax = "",
    .szHelp = "fade out, then delete everything after the selection",
};

}  // namespace sondrel
