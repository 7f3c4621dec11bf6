#include "effects/LDynamicsOperations.h"

#include <algorithm>
#include <climits>

#include "core/LSoundTime.h"
#include "document/LCutListEdit.h"
#include "effects/LSRCCompressor.h"
#include "effects/LSRCNoiseGates.h"
#include "effects/LSpeedPitch.h"

namespace sondrel {

namespace {

struct FrameRange {
    int32_t start = 0, end = 0;
    bool Empty() const { return end <= start; }
};

// The selection in frames; a start before 0 counts as 0.
FrameRange SelectionFrames(const LCutListAudio& doc, int32_t stStart, int32_t stEnd) {
    FrameRange r;
    r.start = std::max(LSoundTime(stStart).GetSamples(doc.nSampleRate), 0);
    r.end = std::min(LSoundTime(stEnd).GetSamples(doc.nSampleRate), doc.GetLength());
    return r;
}

// The selection's frames as a list of their own, read through a source.
LSoundSourcePtr SelectionSource(const LCutListAudio& doc, const FrameRange& r) {
    LCutListAudio copy;
    doc.EfCopy(r.start, r.end, copy);
    return CreateSource(copy);  // the reader keeps its own copy of the cuts
}

}  // namespace

int Process(LProgress* progress, EfCompressor& record) {
    LSPCompressor processor(record.iThreshold, record.dRatio, record.iLimit);
    LEfReplaceSelection frame;
    frame.pAudio = record.pAudio;
    frame.stEnd = record.stEnd;
    frame.stStart = record.stStart;
    frame.pProcessor = &processor;
    frame.szCaption = "Dynamic Range Compressor";
    return Process(progress, frame);
}

int Process(LProgress* progress, EfNoiseReduction& record) {
    LSPNoiseGates processor(record.iNoiseGateLevel);
    LEfReplaceSelection frame;
    frame.pAudio = record.pAudio;
    frame.stEnd = record.stEnd;
    frame.stStart = record.stStart;
    frame.pProcessor = &processor;
    frame.szCaption = "Noise Reduction";
    return Process(progress, frame);
}

int Process(LProgress* progress, EfAutoGainControl& record) {
    if (record.stEnd < record.stStart) return kProcessDone;
    LCutListAudio& doc = *record.pAudio;
    const FrameRange r = SelectionFrames(doc, record.stStart, record.stEnd);
    if (r.Empty()) return kProcessDone;
    LCutListAudio fresh;
    int result;
    {
        LSoundSinkPtr sink = CreateSink(fresh, doc.nSampleRate, doc.nChans);
        std::string folder = record.szTempFolder;
        if (folder.empty() && LAudioCutTank::Current()) folder = LAudioCutTank::Current()->GetFolder();
        if (folder.empty()) folder = TempFolder();
        result = RunAutoGain(progress, SelectionSource(doc, r), sink, record.params, folder);
        if (result == kProcessDone && sink->HasError()) result = kProcessFailed;
    }  // the writer delivers the new segment into fresh here
    if (result != kProcessDone) return result;
    doc.EfPasteOver(r.start, r.end, fresh);
    return kProcessDone;
}

int Process(LProgress* progress, LEfChangeSpeedPitch& record) {
    if (record.stEnd < record.stStart) return kProcessDone;
    LCutListAudio& doc = *record.pAudio;
    progress->SetText("Speed and Pitch Change", 0);
    progress->SetText("Please wait...", 1);
    const FrameRange r = SelectionFrames(doc, record.stStart, record.stEnd);
    if (r.Empty()) return kProcessDone;

    // Cut lists count frames in 32 bits: a slow-down of a long selection
    // that could not be held is refused before anything is written.
    const double frames = double(r.end - r.start);
    const double grown = record.nMode == kSpeedPitchConstantSpeed ? frames : frames / SpeedPitchFactor(record.nPercent);
    if (double(doc.GetLength()) - frames + grown + 65536.0 > double(INT32_MAX)) return kProcessFailed;

    LCutListAudio fresh;
    int result;
    {
        LSoundSinkPtr sink = CreateSink(fresh, doc.nSampleRate, doc.nChans);
        result = RunSpeedPitch(progress, SelectionSource(doc, r), sink, record.nPercent, record.nMode);
        if (result == kProcessDone && sink->HasError()) result = kProcessFailed;
    }
    if (result != kProcessDone) return result;
    doc.EfPasteOver(r.start, r.end, fresh);
    record.stEnd = SpeedPitchSelectionEnd(std::max(record.stStart, 0), fresh.GetLength(), doc.nSampleRate);
    return kProcessDone;
}

}  // namespace sondrel
