#include "effects/LMix.h"

#include <algorithm>
#include <vector>

#include "core/LSample.h"
#include "core/LSoundTime.h"
#include "document/LCutListEdit.h"
#include "effects/LEffectOperations.h"

namespace sondrel {

namespace {
int32_t Frames(int32_t ms, int32_t rate) { return LSoundTime(ms).GetSamples(rate); }
}  // namespace

LProcessResult MixOver(LProgress* progress, LCutListAudio& audio, const LCutListAudio& other, int32_t startMs,
                       int32_t& endMs, int32_t volumePercent, LLongerMix longer, int32_t fadeOutMs) {
    if (endMs < startMs) return kProcessDone;
    LCutListAudio doc = audio;
    LCutListAudio mix = other;
    if (mix.nSampleRate != doc.nSampleRate || mix.nChans != doc.nChans) {
        LCLAConvertRateChannels conv{&mix, doc.nSampleRate, doc.nChans};
        if (Process(progress, conv) != kProcessDone) return kProcessFailed;
    }
    progress->SetText("Pasting Mix", 0);
    progress->SetText("Please wait...", 1);

    const int32_t rate = doc.nSampleRate;
    LSoundSourcePtr mixSrc = CreateSource(mix);
    int32_t mixMs = LSoundTime::FromSamples(mixSrc->GetLength(), mixSrc->nSampleRate).ms;
    int32_t excess = mixMs - (endMs - startMs);
    int32_t fadeMs = 0;
    if (excess > 0) {
        switch (longer) {
            case kLongerIncreaseSelection:
                doc.EfInsertSilence(Frames(endMs, rate), Frames(excess, rate));
                endMs += excess;
                break;
            case kLongerInsertSilence:
                endMs += excess;
                break;
            default:
                fadeMs = fadeOutMs;
                break;
        }
    } else {
        endMs = startMs + mixMs;
    }

    const int32_t start = Frames(startMs, rate);
    const int32_t end = Frames(endMs, rate);
    // An empty mix (or a range before the audio) would replace nothing by a frame.
    if (end <= std::max(start, 0)) return kProcessDone;
    LSoundSourcePtr docSrc = CreateSource(doc);
    if (start != 0) docSrc->Seek(start);
    const int32_t total = std::max(end - start, 1);
    const int32_t fadeStart = std::max(total - Frames(fadeMs, rate), 0);
    int32_t gain = int32_t((int64_t(volumePercent) << 24) / 100);
    const uint32_t chans = docSrc->nChans;

    const LProcessResult result = ReplaceFramesWith(doc, start, end, [&](const LSoundSinkPtr& sink) {
        if (docSrc->HasError() || mixSrc->HasError()) return kProcessFailed;
        std::vector<int32_t> a(size_t(chans) * kMaxBlockFrames), b(a.size());
        int32_t done = 0, segmentEnd = fadeStart;
        bool fading = false;
        for (;;) {
            if (progress->IsCancelled()) return kProcessCancelled;
            int32_t n = segmentEnd - done;
            if (n <= 0) {
                segmentEnd = total;
                n = total - done;
                if (n <= 0) return kProcessDone;
                fading = true;
            }
            n = std::min(n, kMaxBlockFrames);
            docSrc->Read(a.data(), n);
            mixSrc->Read(b.data(), n);
            const size_t count = size_t(n) * chans;
            if (!fading) {
                const int32_t g = gain >> 15;
                for (size_t i = 0; i < count; ++i) a[i] += (b[i] * g) >> 9;
            } else {
                const int32_t step = int32_t(gain / (int64_t(segmentEnd - done) * chans));
                for (size_t i = 0; i < count; ++i) {
                    a[i] += MulGain(b[i], gain);
                    gain -= step;
                }
            }
            sink->Write(a.data(), n);
            done += n;
            progress->SetProgress(double(done) / double(total));
        }
    });
    if (result == kProcessDone) audio = doc;
    return result;
}

// ---------------------------------------------------------------- the commands

namespace {

constexpr LEffectParam kMixParams[] = {
    {.stored = {"PasteMixVolume", 100}, .nControl = IDC_MIX_VOLUME, .szLabel = "Mix Volume (%)"},
    {.stored = {"LongerSelection", kLongerIncreaseSelection},
     .control = LParamControl::kRadios,
     .nControl = IDC_MIX_INCREASE_SELECTION,
     .szLabel = "If mix audio is longer than selection:",
     .nMin = kLongerIncreaseSelection,
     .nMax = kLongerFadeOut},
    {.stored = {"FadeOutTime", 250},
     .nControl = IDC_MIX_FADE_TIME,
     .szLabel = "Fade out time:",
     .nEnabledBy = 1,
     .nEnabledWhen = kLongerFadeOut},
};
const char* CheckMix(const LEffectValues& v) {
    return v[0] > 100 ? "Mix Volume must be less than 100%. Please try again." : nullptr;
}
// The mixed range's own end moves with the mix; the document's selection stays.
LProcessResult Mix(LProgress* p, LEffectJob& job, int32_t fadeOutMs) {
    int32_t end = job.stEnd;
    return MixOver(p, job.audio, *job.pOther, job.stStart, end, job.values[0], LLongerMix(job.values[1]), fadeOutMs);
}
LProcessResult PasteMix(LProgress* p, LEffectJob& job) { return Mix(p, job, job.values[2]); }
LProcessResult MixFile(LProgress* p, LEffectJob& job) { return Mix(p, job, 0); }

}  // namespace

constinit const LEffectDesc kPasteMixEffect = {
    .id = LEffect::kPasteMix,
    .nCommand = IDM_PASTE_MIX,
    .szMenuText = "Paste Mix...",
    .szHint = "Mixes the clipboard contents over the current selected region.",
    .eMenu = LEffectMenu::kEdit,
    .szUndoLabel = "Paste Mix",
    .szTitle = "Pasting Mix",
    .needs = kNeedsDocument | kNeedsSelection | kNeedsClipboard,
    .input = LEffectInput::kClipboard,
    .bUndoBeforeDialog = true,
    .nPreRollMs = 500,
    .params = kMixParams,
    .pfnCheck = CheckMix,
    .nTemplate = IDD_MIX,
    .szCaption = "Paste Mix",
    .nHelpContext = IDH_EDITS,
    .pfnRun = PasteMix,
    .szStep = "--paste-mix",
    .szSyntax = "VOLUME,MODE[,FADE_MS]",
    .szWants = "VOLUME,MODE[,FADE_MS] (MODE 0, 1 or 2)",
    .szHelp = "mix the clipboard over the selection; MODE when it is\n"
              "longer: 0 increase selection, 1 insert silence, 2 fade out mix\n"
              "(FADE_MS default 250)",
};

constinit const LEffectDesc kMixFileEffect = {
    .id = LEffect::kMixFile,
    .nCommand = IDM_MIX_FILE,
    .szMenuText = "Mix File...",
    .szHint = "Mixes the current file with another file",
    .eMenu = LEffectMenu::kEdit,
    .szUndoLabel = "Mix File",
    .szTitle = "Mixing File",
    .needs = kNeedsDocument,
    .input = LEffectInput::kFile,
    .nPreRollMs = 500,
    .params = kMixParams,
    .pfnCheck = CheckMix,
    .nTemplate = IDD_MIX,
    .szCaption = "Mix File",
    .nHelpContext = IDH_EDITS,
    .pfnRun = MixFile,
    .szStep = "--mix-file",
    .szSyntax = "FILE,VOLUME,MODE",
    .szWants = "FILE,VOLUME,MODE (MODE 0, 1 or 2)",
    .szHelp = "mix a file over the selection (MODE as for --paste-mix, no fade)",
};

}  // namespace sondrel
