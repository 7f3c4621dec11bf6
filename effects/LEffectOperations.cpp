#include "effects/LEffectOperations.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "core/LRangePump.h"
#include "core/LSample.h"
#include "core/LSoundTime.h"
#include "effects/LDynamics.h"
#include "effects/LEchoReverb.h"
#include "effects/LEnvelope.h"
#include "effects/LEqualiser.h"
#include "effects/LHighPass.h"
#include "effects/LSRCCompressor.h"
#include "effects/LSRCNoiseGates.h"
#include "effects/LSpeedPitch.h"

namespace sondrel {

namespace {

int32_t Frames(int32_t ms, int32_t rate) { return LSoundTime(ms).GetSamples(rate); }

// The selection read through an effect source, the result pasted over it.
LProcessResult ThroughProcessor(LProgress* progress, const LEfSelection& sel, LSoundProcessor& processor,
                                const char* caption) {
    LEfReplaceSelection rec;
    static_cast<LEfSelection&>(rec) = sel;
    rec.pProcessor = &processor;
    rec.szCaption = caption;
    return Process(progress, rec);
}

struct FrameRange {
    int32_t start = 0, end = 0;
};

// The selection in frames, within the audio (a start before 0 counts as 0).
FrameRange SelectionFrames(const LEfSelection& sel) {
    const LCutListAudio& doc = *sel.pAudio;
    return {std::max(Frames(sel.stStart, doc.nSampleRate), 0), std::min(Frames(sel.stEnd, doc.nSampleRate), doc.GetLength())};
}

// The selection's frames as a list of their own, read through a source.
LSoundSourcePtr SelectionSource(const LCutListAudio& doc, const FrameRange& r) {
    LCutListAudio copy;
    doc.EfCopy(r.start, r.end, copy);
    return CreateSource(copy);  // the reader keeps its own copy of the cuts
}

}  // namespace

LProcessResult Process(LProgress* progress, EfNormalize& record) {
    if (record.stEnd <= record.stStart) return kProcessDone;
    LCutListAudio& doc = *record.pAudio;
    progress->SetText("Normalizing", 0);
    LSoundSourcePtr src = CreateSource(doc);
    auto peak = MakeSink<LSNKPeak>(src->nSampleRate, src->nChans);
    LEfSoundProcess pump{src, peak, record.stEnd, record.stStart};
    LProcessResult result = Process(progress, pump);
    if (result != kProcessDone) return result;
    int32_t iPeak = static_cast<LSNKPeak&>(*pump.pSink).iPeak;
    if (iPeak > 0) {
        int32_t gain = NormalizeGainPercent(iPeak, record.iPeakLevel);
        doc.EfAmplify(Frames(record.stStart, doc.nSampleRate), Frames(record.stEnd, doc.nSampleRate), gain);
    }
    return kProcessDone;
}

LProcessResult Process(LProgress* progress, LEfEnvelope& record) {
    if (record.stEnd < record.stStart) return kProcessDone;
    if (!record.pPointList || !LEnvelopeGain::Usable(*record.pPointList)) return kProcessFailed;
    LCutListAudio& doc = *record.pAudio;
    int32_t start = std::max(Frames(record.stStart, doc.nSampleRate), 0);
    int32_t total = std::max(Frames(record.stEnd, doc.nSampleRate) - start, 1);
    // The curve over exactly the frames the selection replacement rewrites.
    LSPEnvelope env(*record.pPointList, start, total);
    return ThroughProcessor(progress, record, env, "Envelope");
}

LProcessResult Process(LProgress* progress, EfEcho& record) {
    LSPEcho echo(record.iEchoGain, record.iEchoTime);
    return ThroughProcessor(progress, record, echo, "Echo");
}

LProcessResult Process(LProgress* progress, EfReverb& record) {
    LSPReverb reverb(record.iReverbLevel, record.iReverbTime);
    return ThroughProcessor(progress, record, reverb, "Reverb");
}

LProcessResult Process(LProgress* progress, EfLowCutFilter& record) {
    // Wraps like the 32-bit doubling it stands for.
    LSPHighPass filter(int32_t(uint32_t(record.iFrequency) * 2u));
    return ThroughProcessor(progress, record, filter, "Low Cut Filter");
}

LProcessResult Process(LProgress* progress, EfEqualiser& record) {
    if (record.stEnd < record.stStart) return kProcessDone;
    if (!record.pPointList) return kProcessFailed;
    LSPEqualiser eq(CreateEqFromPointList(*record.pPointList, record.pAudio->nSampleRate));
    return ThroughProcessor(progress, record, eq, "Equalizing");
}

LProcessResult Process(LProgress* progress, EfCompressor& record) {
    LSPCompressor compressor(record.iThreshold, record.dRatio, record.iLimit);
    return ThroughProcessor(progress, record, compressor, "Dynamic Range Compressor");
}

LProcessResult Process(LProgress* progress, EfNoiseReduction& record) {
    LSPNoiseGates gates(record.iNoiseGateLevel);
    return ThroughProcessor(progress, record, gates, "Noise Reduction");
}

LProcessResult Process(LProgress* progress, EfAutoGainControl& record) {
    if (record.stEnd < record.stStart) return kProcessDone;
    const FrameRange r = SelectionFrames(record);
    std::string folder = record.szTempFolder;
    if (folder.empty() && LAudioCutTank::Current()) folder = LAudioCutTank::Current()->GetFolder();
    if (folder.empty()) folder = TempFolder();
    return ReplaceFramesWith(*record.pAudio, r.start, r.end, [&](const LSoundSinkPtr& sink) {
        return RunAutoGain(progress, SelectionSource(*record.pAudio, r), sink, record.params, folder);
    });
}

LProcessResult Process(LProgress* progress, LEfChangeSpeedPitch& record) {
    if (record.stEnd < record.stStart) return kProcessDone;
    LCutListAudio& doc = *record.pAudio;
    progress->SetText("Speed and Pitch Change", 0);
    progress->SetText("Please wait...", 1);
    const FrameRange r = SelectionFrames(record);
    if (r.end <= r.start) return kProcessDone;

    // Cut lists count frames in 32 bits: a slow-down of a long selection
    // that could not be held is refused before anything is written.
    const double frames = double(r.end - r.start);
    const double grown = record.nMode == kSpeedPitchConstantSpeed ? frames : frames / SpeedPitchFactor(record.nPercent);
    if (double(doc.GetLength()) - frames + grown + 65536.0 > double(INT32_MAX)) return kProcessFailed;

    int32_t length = 0;
    LProcessResult result = ReplaceFramesWith(
        doc, r.start, r.end,
        [&](const LSoundSinkPtr& sink) {
            return RunSpeedPitch(progress, SelectionSource(doc, r), sink, record.nPercent, record.nMode);
        },
        &length);
    if (result == kProcessDone)
        record.stEnd = SpeedPitchSelectionEnd(std::max(record.stStart, 0), length, doc.nSampleRate);
    return result;
}

LProcessResult Process(LProgress* progress, EfMixPaste& record) {
    if (record.stEnd < record.stStart) return kProcessDone;
    LCutListAudio& target = *record.pAudio;
    // Everything happens on a copy of the document's list, which replaces
    // it only when the mix is complete: a cancel changes nothing, not even
    // the silence inserted for a longer mix.
    LCutListAudio doc = target;
    LCutListAudio mix = *record.pMix;
    if (mix.nSampleRate != doc.nSampleRate || mix.nChans != doc.nChans) {
        LCLAConvertRateChannels conv{&mix, doc.nSampleRate, doc.nChans};
        if (Process(progress, conv) != kProcessDone) return kProcessFailed;
    }
    progress->SetText("Pasting Mix", 0);
    progress->SetText("Please wait...", 1);

    const int32_t rate = doc.nSampleRate;
    LSoundSourcePtr mixSrc = CreateSource(mix);
    int32_t mixMs = LSoundTime::FromSamples(mixSrc->GetLength(), mixSrc->nSampleRate).ms;
    int32_t excess = mixMs - (record.stEnd - record.stStart);
    int32_t fadeMs = 0;
    if (excess > 0) {
        switch (record.iLongerMode) {
            case kLongerIncreaseSelection:
                doc.EfInsertSilence(Frames(record.stEnd, rate), Frames(excess, rate));
                record.stEnd += excess;
                break;
            case kLongerInsertSilence:
                record.stEnd += excess;
                break;
            default:
                fadeMs = record.stFadeOutTime;
                break;
        }
    } else {
        record.stEnd = record.stStart + mixMs;
    }

    const int32_t start = Frames(record.stStart, rate);
    const int32_t end = Frames(record.stEnd, rate);
    // An empty mix (or a range before the audio) would replace nothing by a frame.
    if (end <= std::max(start, 0)) return kProcessDone;
    LSoundSourcePtr docSrc = CreateSource(doc);
    if (start != 0) docSrc->Seek(start);
    const int32_t total = std::max(end - start, 1);
    const int32_t fadeStart = std::max(total - Frames(fadeMs, rate), 0);
    int32_t gain = int32_t((int64_t(record.iVolume) << 24) / 100);
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
    if (result == kProcessDone) target = doc;
    return result;
}

LProcessResult Process(LProgress* progress, EfAutotrim& record) {
    LCutListAudio& doc = *record.pAudio;
    progress->SetText("AutoTrim", 0);
    progress->SetText("Please wait...", 1);
    LSoundSourcePtr src = LSPHighPass(300).OpenSource(CreateSource(doc));
    if (src->HasError()) return kProcessFailed;
    const int32_t threshold = std::clamp(record.iThreshold, -127, 127);
    const int32_t rate = src->nSampleRate;
    const uint32_t chans = src->nChans;
    const int32_t length = src->GetLength();
    const int32_t block = std::clamp(rate / 40, 8, kMaxBlockFrames);
    const int64_t scanFrames = int64_t(rate) * 8;
    std::vector<int32_t> buf(size_t(block) * chans);
    // Reads the block at p (the source is positioned there) and gives its level.
    auto level = [&](int32_t p) {
        int32_t n = std::min(block, length - p);
        src->Read(buf.data(), n);
        return BlockLevelDB(BlockMeanSquare(buf.data(), n * int32_t(chans)));
    };

    const int32_t limit = int32_t(std::min<int64_t>(scanFrames, length));
    int32_t trimStart = 0;
    while (trimStart < limit) {
        if (progress->IsCancelled()) return kProcessCancelled;
        if (level(trimStart) > threshold && trimStart > 0) {
            trimStart = std::max(trimStart - block, 0);
            break;
        }
        trimStart += block;
        progress->SetProgress(double(trimStart) / double(std::max<int64_t>(2 * scanFrames, 1)));
    }

    const int32_t quiet = std::clamp(threshold - 9, -127, 127);
    const int32_t from = int32_t(std::max<int64_t>(int64_t(length) - scanFrames, trimStart));
    int64_t trimEnd = from;
    if (from < length) src->Seek(from);
    for (int32_t p = from; p < length; p += block) {
        if (progress->IsCancelled()) return kProcessCancelled;
        if (level(p) > quiet) trimEnd = int64_t(p) + 4 * int64_t(block);
        progress->SetProgress(0.5 + double(p - from) / double(std::max<int64_t>(2 * (length - from), 1)));
    }

    if (trimEnd < length) doc.EfDelete(int32_t(trimEnd), doc.GetLength());
    doc.EfDelete(0, trimStart);
    return kProcessDone;
}

}  // namespace sondrel
