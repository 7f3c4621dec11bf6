#include "document/LCutListEdit.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/LRangePump.h"
#include "core/LSoundTime.h"

namespace sondrel {

namespace {

using Node = LCutList::Node;
// A list no longer than a stream can count: its readers' positions must not wrap.
constexpr int64_t kMaxFrames = kMaxStreamFrames;
constexpr int32_t kMaxGain = 0x7FFFFFFF;

// Drops the first d frames of a cut. Silence has no file offset.
void DropHead(LAudioCut& cut, int32_t d) {
    if (!cut.IsSilent()) cut.nStart += d;
    cut.nLength -= d;
}

// Splits the cut of node at offset: the node keeps the first offset frames,
// a copy over the same segment takes the rest and follows it. Returns the copy.
Node* SplitAt(LCutList& cuts, Node* node, int32_t offset) {
    LAudioCut tail(node->data);
    DropHead(tail, offset);
    node->data.nLength = offset;
    return cuts.AddAfter(node, std::move(tail));
}

// The list as the range [start, end): padded with silence where the range
// lies outside it. False when the range is reversed or too long to express.
bool CopyRange(const LCutListAudio& from, int32_t start, int32_t end, LCutListAudio& out) {
    if (start > end) {
        // "LCutListAudio::EfCopy sStart > sEnd"
        return false;
    }
    int64_t width = int64_t(end) - start;
    if (width > kMaxFrames || start == std::numeric_limits<int32_t>::min()) return false;
    LCutListAudio tmp(from.nSampleRate, from.nChans);
    tmp.lstCuts = from.lstCuts;
    if (start >= 1)
        tmp.EfDelete(0, start);
    else if (start < 0)
        tmp.EfInsertSilence(0, -start);
    int32_t len = tmp.GetLength();
    int32_t w = int32_t(width);
    if (len > w)
        tmp.EfDelete(w, len);
    else if (len < w)
        tmp.EfInsertSilence(len, w - len);
    out.nSampleRate = tmp.nSampleRate;
    out.nChans = tmp.nChans;
    out.lstCuts.Swap(tmp.lstCuts);
    return true;
}

}  // namespace

void LCutListAudio::EfDelete(int32_t start, int32_t end) {
    if (end < start || end < 0) {
        // "LCutListAudio::EfDelete sStart > sEnd"
        return;
    }
    if (start < 0) start = 0;
    Node* prev = nullptr;
    Node* node = lstCuts.GetHead();
    int32_t p = 0;  // list position of node's first frame
    while (node) {
        int32_t len = node->data.nLength;
        int32_t cutEnd = p + len;
        if (cutEnd <= start) {
            p = cutEnd;
            prev = node;
            node = node->pNext;
            continue;
        }
        if (end < cutEnd) break;
        // The cut loses everything from start on; end follows the shrinking list.
        if (start > p) {
            int32_t keep = start - p;
            end -= len - keep;
            node->data.nLength = keep;
            p = start;
            prev = node;
            node = node->pNext;
        } else {
            end -= len;
            node = lstCuts.RemoveAfter(prev);
        }
    }
    if (!node) return;  // the range reached the end of the list
    if (p >= start) {
        DropHead(node->data, end - p);
    } else {
        // The whole range lies inside this one cut.
        LAudioCut tail(node->data);
        DropHead(tail, end - p);
        node->data.nLength = start - p;
        lstCuts.AddAfter(node, std::move(tail));
    }
}

void LCutListAudio::EfInsertSilence(int32_t position, int32_t length) {
    if (length < 0) return;  // a negative stretch would make the list ill-formed
    if (position < 0) {
        if (-int64_t(position) > length) return;
        length += position;
        position = 0;
    }
    int32_t total = GetLength();
    if (std::max<int64_t>(total, position) + length > kMaxFrames) return;

    LAudioCut silence(kSilentIndex, length);
    Node* prev = nullptr;
    Node* node = lstCuts.GetHead();
    int32_t p = 0;
    while (node) {
        if (p == position) {
            lstCuts.AddAfter(prev, std::move(silence));
            return;
        }
        if (position < p + node->data.nLength) {
            SplitAt(lstCuts, node, position - p);
            lstCuts.AddAfter(node, std::move(silence));
            return;
        }
        p += node->data.nLength;
        prev = node;
        node = node->pNext;
    }
    // At or beyond the end: the gap and the new silence form one cut.
    silence.nLength += position - p;
    lstCuts.AddAfter(prev, std::move(silence));
}

void LCutListAudio::EfInsert(int32_t position, const LCutListAudio& other) {
    // Copies first: inserting a list into itself must see it unchanged.
    LCutList copies(other.lstCuts);
    int64_t otherLen = 0;
    for (auto it = copies.Begin(); it.IsValid(); it.Next()) otherLen += it->nLength;
    int32_t total = GetLength();
    // A negative position leaves a gap up to the old start; with no old
    // audio there is nothing for it to lead up to.
    int64_t gap = position < 0 ? (total > 0 ? -int64_t(position) : 0) : std::max<int64_t>(0, int64_t(position) - total);
    if (int64_t(total) + otherLen + gap > kMaxFrames) return;

    Node* prev = nullptr;
    Node* node = lstCuts.GetHead();
    int32_t p = 0;
    while (node) {
        if (position <= p) {
            // At a boundary (a negative position lands before the first cut):
            // the other audio, then the gap up to the old start, then the rest.
            Node* last = lstCuts.SpliceAfter(prev, std::move(copies));
            if (gap > 0) lstCuts.AddAfter(last, LAudioCut(kSilentIndex, int32_t(gap)));
            return;
        }
        if (position < p + node->data.nLength) {
            SplitAt(lstCuts, node, position - p);
            lstCuts.SpliceAfter(node, std::move(copies));
            return;
        }
        p += node->data.nLength;
        prev = node;
        node = node->pNext;
    }
    if (position > p) prev = lstCuts.AddAfter(prev, LAudioCut(kSilentIndex, position - p));
    lstCuts.SpliceAfter(prev, std::move(copies));
}

void LCutListAudio::EfCopy(int32_t start, int32_t end, LCutListAudio& destination) const {
    CopyRange(*this, start, end, destination);
}

void LCutListAudio::EfCut(int32_t start, int32_t end, LCutListAudio& destination) {
    LCutListAudio copy;
    if (!CopyRange(*this, start, end, copy)) return;
    EfDelete(start, end);
    destination.nSampleRate = copy.nSampleRate;
    destination.nChans = copy.nChans;
    destination.lstCuts.Swap(copy.lstCuts);
}

void LCutListAudio::EfPasteOver(int32_t start, int32_t end, const LCutListAudio& other) {
    if (&other == this) {
        LCutListAudio copy(*this);
        EfPasteOver(start, end, copy);
        return;
    }
    // The insert refuses a result longer than kMaxFrames; deleting first
    // would then lose the selection for nothing.
    int64_t total = GetLength();
    int64_t deleted = end < start || end < 0 ? 0 : std::max<int64_t>(0, std::min<int64_t>(end, total) - std::max(start, 0));
    int64_t left = total - deleted;
    int64_t gap = start < 0 ? (left > 0 ? -int64_t(start) : 0) : std::max<int64_t>(0, int64_t(start) - left);
    if (left + other.GetLength() + gap > kMaxFrames) return;
    EfDelete(start, end);
    EfInsert(start, other);
}

void LCutListAudio::EfSilence(int32_t start, int32_t end) {
    if (end < start) return;
    int64_t width = int64_t(end) - start;
    if (width > kMaxFrames) return;
    EfDelete(start, end);
    EfInsertSilence(start, int32_t(width));
}

void LCutListAudio::EfTrim(int32_t start, int32_t end) {
    if (end < start) return;  // a reversed range keeps everything rather than nothing
    int32_t s = 0;
    if (start >= 1) {
        EfDelete(0, start);
        s = start;
    }
    EfDelete(end - s, GetLength());
}

void LCutListAudio::EfTrimStart(int32_t position) {
    if (position > 0) EfDelete(0, position);
}

void LCutListAudio::EfTrimEnd(int32_t position) { EfDelete(position, GetLength()); }

void LCutListAudio::EfRepeatLoop(int32_t start, int32_t end, int32_t count) {
    if (count < 1) return;
    LCutListAudio loop;
    if (!CopyRange(*this, start, end, loop)) return;
    int64_t width = loop.GetLength();
    int64_t total = GetLength();
    if (start < 0) {
        // Every insert before the start adds the loop and the gap up to the old start.
        int64_t step = width + (total > 0 ? -int64_t(start) : 0);
        if (step == 0) count = 1;
        else count = int32_t(std::min<int64_t>(count, (kMaxFrames - total) / step));
        for (int32_t i = 0; i < count; ++i) EfInsert(start, loop);
        return;
    }
    // Inserting the loop count times at the same position gives the same
    // cuts as inserting count loops at once, with one walk of the list.
    // Repeats that would take the list past 2^31 frames are left out.
    if (width > 0) count = int32_t(std::min<int64_t>(count, (kMaxFrames - std::max<int64_t>(total, start)) / width));
    LCutList block;
    LCutList::Node* tail = nullptr;
    for (int32_t i = 0; i < count; ++i) {
        for (auto it = loop.lstCuts.Begin(); it.IsValid(); it.Next()) tail = block.AddAfter(tail, *it);
        if (width == 0) break;
    }
    loop.lstCuts.Swap(block);
    EfInsert(start, loop);
}

void LCutListAudio::EfAmplify(int32_t start, int32_t end, int32_t percent) {
    if (end < start || percent == 100) {
        // "LCutListAudio::EfAmplify sStart > sEnd"
        return;
    }
    // Only the audio inside the list is amplified: cutting a range that
    // reaches outside it would put the padding silence back in as new audio.
    int32_t len = GetLength();
    start = std::max(start, 0);
    end = std::min(end, len);
    if (end < start) return;
    LCutListAudio range;
    EfCut(start, end, range);
    range.EfAmplifyAll(percent);
    EfInsert(start, range);
}

void LCutListAudio::EfAmplifyAll(int32_t percent) {
    if (percent == 100) return;
    int64_t magnitude = percent < 0 ? -int64_t(percent) : percent;
    int64_t limit = magnitude >= 101 ? (kMaxGain / magnitude) * 100 : kMaxGain;
    for (auto it = lstCuts.Begin(); it.IsValid(); it.Next()) {
        int64_t g = it->nGain;
        int64_t gm = g < 0 ? -g : g;
        if (gm < limit) {
            it->nGain = int32_t((g / 100) * percent);  // divides first: 50 % of unity is 8388600
        } else {
            bool negative = (g < 0) != (percent < 0);
            it->nGain = negative ? -kMaxGain : kMaxGain;
        }
    }
}

// ------------------------------------------------------ long operations

LProcessResult Process(LProgress* progress, LCLAConvertRateChannels& record) {
    LCutListAudio& list = *record.pCutList;
    if (list.nSampleRate == record.nSampleRate && list.nChans == record.nChans) return kProcessDone;
    LSoundSourcePtr src = CreateSource(list);
    // Resample before widening, so that the resampler runs on fewer channels.
    if (list.nSampleRate != record.nSampleRate && record.nChans > list.nChans)
        src = LSPConvRate(record.nSampleRate).OpenSource(src);
    if (src->nChans != record.nChans) src = LSPConvChannels(record.nChans).OpenSource(src);
    if (src->nSampleRate != record.nSampleRate) src = LSPConvRate(record.nSampleRate).OpenSource(src);
    if (src->HasError()) return kProcessFailed;
    // The converters leave pairs they cannot convert as they are; loading
    // those would report a conversion that did not happen.
    if (src->nSampleRate != record.nSampleRate || src->nChans != record.nChans) return kProcessFailed;
    LCutListAudioLoadSource load{"Converting rate or channels...", &list, src, {}};
    return Process(progress, load);
}

namespace {

// other in the document's format: other itself, or a converted copy in
// converted. Null when the conversion did not finish.
const LCutListAudio* InDocumentFormat(LProgress* progress, const LCutListAudio& doc, const LCutListAudio& other,
                                      LCutListAudio& converted) {
    if (other.nSampleRate == doc.nSampleRate && other.nChans == doc.nChans) return &other;
    converted = other;
    LCLAConvertRateChannels conv{&converted, doc.nSampleRate, doc.nChans};
    return Process(progress, conv) == kProcessDone ? &converted : nullptr;
}

}  // namespace

LProcessResult Process(LProgress* progress, LEfPasteOver& record) {
    LCutListAudio& doc = *record.pAudio;
    int32_t start = LSoundTime(record.stStart).GetSamples(doc.nSampleRate);
    int32_t end = LSoundTime(record.stEnd).GetSamples(doc.nSampleRate);
    LCutListAudio converted;
    if (const LCutListAudio* other = InDocumentFormat(progress, doc, *record.pClipboard, converted))
        doc.EfPasteOver(start, end, *other);
    return kProcessDone;
}

LProcessResult Process(LProgress* progress, LEfInsert& record) {
    LCutListAudio& doc = *record.pAudio;
    int32_t position = LSoundTime(record.stPosition).GetSamples(doc.nSampleRate);
    LCutListAudio converted;
    if (const LCutListAudio* other = InDocumentFormat(progress, doc, *record.pOther, converted))
        doc.EfInsert(position, *other);
    return kProcessDone;
}

LProcessResult Process(LProgress* progress, LEfReplaceSelection& record) {
    if (record.stEnd < record.stStart) return kProcessDone;
    LCutListAudio& doc = *record.pAudio;
    // The pump reads from 0 when the start lies before it, and pumps one
    // frame for an empty range; neither may change the document's length.
    int32_t start = std::max(LSoundTime(record.stStart).GetSamples(doc.nSampleRate), 0);
    int32_t end = LSoundTime(record.stEnd).GetSamples(doc.nSampleRate);
    if (end <= start) return kProcessDone;
    if (!record.szCaption.empty()) progress->SetText(record.szCaption.c_str(), 0);
    return ReplaceFramesWith(doc, start, end, [&](const LSoundSinkPtr& sink) {
        LSoundSourcePtr src = CreateSource(doc);
        if (record.pProcessor) src = record.pProcessor->OpenSource(src);
        if (src->HasError()) return kProcessFailed;
        LEfSoundProcess pump{.pSource = src, .pSink = sink, .stStart = record.stStart, .stEnd = record.stEnd};
        return Process(progress, pump);
    });
}

LProcessResult ReplaceFramesWith(LCutListAudio& audio, int32_t start, int32_t end,
                                 const std::function<LProcessResult(const LSoundSinkPtr& sink)>& produce,
                                 int32_t* newFrames) {
    if (end <= start) return kProcessDone;
    LCutListAudio fresh;
    LProcessResult result = kProcessFailed;
    {
        LSoundSinkPtr sink = CreateSink(fresh, audio.nSampleRate, audio.nChans);
        if (!sink->HasError()) {
            result = produce(sink);
            // A segment that could not be written in full would paste silence.
            if (result == kProcessDone && sink->HasError()) result = kProcessFailed;
        }
    }  // the writer delivers the new segment into fresh here
    if (result != kProcessDone) return result;  // fresh goes, and its segment with it
    audio.EfPasteOver(start, end, fresh);
    if (newFrames) *newFrames = fresh.GetLength();
    return kProcessDone;
}

}  // namespace sondrel
