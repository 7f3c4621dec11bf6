#include "effects/LSpeedPitch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/LPump.h"
#include "document/LCutListEdit.h"
#include "effects/LEffectOperations.h"
#include "effects/LSRCTimeStretch.h"

namespace sondrel {

namespace {

LSoundSourcePtr ConvertForFactor(const LSoundSourcePtr& input, double factor) {
    int32_t rate = LSRCResample::ConvertedRate(input->nSampleRate, factor);
    if (rate <= 0) return input;
    return LSPConvRate(rate).OpenSource(input);
}

}  // namespace

int32_t LSRCResample::ConvertedRate(int32_t rate, double factor) {
    if (!(factor > 0.0)) return 0;
    double r = std::trunc(double(rate) / factor);
    if (!(r >= 1.0) || r > 2147483647.0) return 0;
    return int32_t(r);
}

LSRCResample::LSRCResample(const LSoundSourcePtr& input, double factor) : LSRCFilter(ConvertForFactor(input, factor)) {
    SetSampleRate(input->nSampleRate);
    if (ConvertedRate(input->nSampleRate, factor) <= 0) SetError();
}

void LSRCResample::Read(int32_t* buffer, int32_t n) { pInput->Read(buffer, n); }

void LSPResample::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    result = MakeSource<LSRCResample>(input, dFactor);
}

void LSPPitchChange::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    LSoundSourcePtr resampled = MakeSource<LSRCResample>(input, dFactor);
    double inverse = dFactor != 0.0 ? 1.0 / dFactor : 0.0;
    result = MakeSource<LSRCTimeStretch>(resampled, inverse, 1.0, 0);
}

LSRCOutputClock::LSRCOutputClock(const LSoundSourcePtr& stretch)
    : LSRCFilter(stretch), pStretch(static_cast<LSRCTimeStretch*>(stretch.Get())) {
    const int32_t c = std::max<int32_t>(nChans, 1);
    nSegment = std::max(pStretch->SegmentSamples() / c, 1);
    dFactor = double(pStretch->Hop()) / pStretch->SegmentSamples();
    if (!(dFactor > 0.0)) dFactor = 1.0;
    CheckEnd(false);
}

void LSRCOutputClock::CheckEnd(bool atSegmentEnd) {
    if (bEnd) return;
    int32_t pos = pInput->GetPosition(), len = pInput->GetLength();
    // At a segment's end the position is that segment's start plus one
    // segment; the next segment would start one hop after its start.
    if (atSegmentEnd) pos += pStretch->Hop() / std::max<int32_t>(nChans, 1) - nSegment;
    if (pos >= len) {
        bEnd = true;
        nEnd = nOut;
    }
}

void LSRCOutputClock::Read(int32_t* buffer, int32_t n) {
    const int32_t chans = nChans;
    while (n > 0) {
        int32_t into = int32_t((int64_t(nOut) - nOrigin) % nSegment);
        if (into < 0) into += nSegment;
        int32_t m = std::min(n, nSegment - into);
        pInput->Read(buffer, m);
        buffer += size_t(m) * chans;
        n -= m;
        nOut += m;
        if (m == nSegment - into) CheckEnd(true);
    }
}

int32_t LSRCOutputClock::GetLength() {
    if (bEnd) return nEnd;
    double left = double(pInput->GetLength()) - double(pInput->GetPosition());
    double estimate = double(nOut) + std::max(1.0, std::ceil(left / dFactor));
    return int32_t(std::min(estimate, 2147483647.0));
}

void LSRCOutputClock::Seek(int32_t position) {
    pInput->Seek(int32_t(std::lround(double(position) * dFactor)));
    nOut = nOrigin = position;
    bEnd = false;
    CheckEnd(false);
}

double SpeedPitchFactor(int32_t percent) {
    double f = percent * 0.01;
    return f < 0.1 ? 0.1 : f;
}

LSoundSourcePtr OpenSpeedPitchChain(const LSoundSourcePtr& selection, int32_t percent, int32_t mode) {
    const double f = SpeedPitchFactor(percent);
    if (mode == kSpeedPitchConstantPitch)
        return MakeSource<LSRCOutputClock>(LSPTimeStretch(f, 1.0, 0).OpenSource(selection));
    if (mode == kSpeedPitchConstantSpeed) return MakeSource<LSRCOutputClock>(LSPPitchChange(f).OpenSource(selection));
    return LSPResample(f).OpenSource(selection);
}

int32_t SpeedPitchSelectionEnd(int32_t stStart, int32_t frames, int32_t rate) {
    if (rate <= 0) return stStart;
    return stStart + (frames / rate) * 1000 + int32_t((int64_t(frames % rate) * 1000) / rate);
}

LProcessResult RunSpeedPitch(LProgress* progress, const LSoundSourcePtr& selection, const LSoundSinkPtr& sink, int32_t percent,
                  int32_t mode) {
    LPRSourceToSink pump;
    pump.szCaption = "Process Audio";
    pump.pSource = OpenSpeedPitchChain(selection, percent, mode);
    pump.pSink = sink;
    return Process(progress, pump);
}

// ---------------------------------------------------------------- the commands

namespace {

const char* CheckSpeed(const LEffectValues& v) {
    return v[0] > 300 ? "Speed Change Percent must be less than 300." : nullptr;
}

LProcessResult ChangeSpeedPitch(LProgress* progress, LEffectJob& job) {
    if (job.stEnd < job.stStart) return kProcessDone;
    LCutListAudio& audio = job.audio;
    const int32_t percent = job.values[0], mode = job.nVariant;
    progress->SetText("Speed and Pitch Change", 0);
    progress->SetText("Please wait...", 1);
    const LFrameRange r = SelectionFrames(job);
    if (r.end <= r.start) return kProcessDone;

    // Cut lists count frames in 32 bits: a slow-down of a long selection
    // that could not be held is refused before anything is written.
    const double frames = double(r.end - r.start);
    const double grown = mode == kSpeedPitchConstantSpeed ? frames : frames / SpeedPitchFactor(percent);
    if (double(audio.GetLength()) - frames + grown + 65536.0 > double(INT32_MAX)) return kProcessFailed;

    int32_t length = 0;
    LProcessResult result = ReplaceFramesWith(
        audio, r.start, r.end,
        [&](const LSoundSinkPtr& sink) {
            return RunSpeedPitch(progress, RangeSource(audio, r), sink, percent, mode);
        },
        &length);
    if (result == kProcessDone)
        job.stEnd = SpeedPitchSelectionEnd(std::max(job.stStart, 0), length, audio.nSampleRate);
    return result;
}

// The three records differ in their name, key, label and mode.
constexpr LEffectParam SpeedParam(const char* key, const char* label) {
    return {.stored = {key, 100},
            .nControl = IDC_SPEED_PERCENT,
            .szLabel = label,
            .nLabelControl = IDC_SPEED_LABEL,
            .nActsAtLeast = 10};
}
constexpr LEffectParam kSimpleSpeedParams[] = {SpeedParam("SpSpeedPitch", "Speed/Pitch Adjust (%)")};
constexpr LEffectParam kConstantPitchParams[] = {SpeedParam("ConstPitchSpeed", "Speed Adjust (%)")};
// Like its two siblings it starts at 100 %: a first pitch change confirmed
// as shown must not drop the pitch to a tenth.
constexpr LEffectParam kConstantSpeedParams[] = {SpeedParam("ConstSpeedPitch", "Pitch Adjust (%)")};

// What the three share; fx names the record, its menu item and step.
constexpr LEffectDesc SpeedPitch(LEffectDesc fx) {
    fx.szUndoLabel = fx.szTitle = fx.szCaption;
    fx.bUndoBeforeDialog = true;
    fx.nPreRollMs = 500;
    fx.pfnCheck = CheckSpeed;
    fx.eRefusal = LRefusal::kError;
    fx.nTemplate = IDD_SPEED_CHANGE;
    fx.nHelpContext = IDH_EFFECTS;
    fx.pfnRun = ChangeSpeedPitch;
    fx.szSyntax = "PERCENT";
    fx.szWants = "a percentage";
    return fx;
}

}  // namespace

constinit const LEffectDesc kSimpleSpeedPitchEffect = SpeedPitch({
    .id = LEffect::kSimpleSpeedPitch,
    .nCommand = IDM_SIMPLE_SPEED_PITCH,
    .szMenuText = "Simple Speed and Pitch Change...",
    .szHint = "Changes the speed and the pitch of the selected region together.",
    .bMenuGroup = true,
    .nVariant = kSpeedPitchSimple,
    .params = kSimpleSpeedParams,
    .szCaption = "Simple Speed and Pitch Change",
    .szStep = "--speed-pitch",
    .szHelp = "speed and pitch together; at most 300, below 10 acts as 10;\nthe selection ends with the new audio",
});

constinit const LEffectDesc kConstantPitchSpeedEffect = SpeedPitch({
    .id = LEffect::kConstantPitchSpeed,
    .nCommand = IDM_CONSTANT_PITCH_SPEED,
    .szMenuText = "Constant Pitch and Speed Change...",
    .szHint = "Changes the speed of the selected region, keeping its pitch.",
    .nVariant = kSpeedPitchConstantPitch,
    .params = kConstantPitchParams,
    .szCaption = "Constant Pitch and Speed Change",
    .szStep = "--tempo",
    .szHelp = "speed at constant pitch; at most 300, below 10 acts as 10;\nthe selection ends with the new audio",
});

constinit const LEffectDesc kConstantSpeedPitchEffect = SpeedPitch({
    .id = LEffect::kConstantSpeedPitch,
    .nCommand = IDM_CONSTANT_SPEED_PITCH,
    .szMenuText = "Constant Speed and Pitch Change...",
    .szHint = "Changes the pitch of the selected region, keeping its speed.",
    .nVariant = kSpeedPitchConstantSpeed,
    .params = kConstantSpeedParams,
    .szCaption = "Constant Speed and Pitch Change",
    .szStep = "--pitch",
    .szHelp = "pitch at constant speed; at most 300, below 10 acts as 10;\nthe selection ends with the new audio",
});

}  // namespace sondrel
