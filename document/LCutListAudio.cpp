#include "document/LCutListAudio.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/LPump.h"

namespace sondrel {

// Segment files hold the samples exactly as they are in memory.
static_assert(std::endian::native == std::endian::little, "segment files are little-endian int32 frames");

namespace {

void TankIncRef(uint16_t index) {
    if (index == kSilentIndex) return;
    if (LAudioCutTank* t = LAudioCutTank::Current()) t->IncRef(index);
}

void TankDecRef(uint16_t index) {
    if (index == kSilentIndex) return;
    if (LAudioCutTank* t = LAudioCutTank::Current()) t->DecRef(index);
}

std::string SegmentPath(uint16_t index) {
    LAudioCutTank* t = LAudioCutTank::Current();
    return t ? t->GetAudFilePath(index) : std::string();
}

void ZeroFrames(int32_t* buffer, int32_t frames, uint32_t chans) {
    if (frames > 0) std::memset(buffer, 0, size_t(frames) * chans * sizeof(int32_t));
}

}  // namespace

// ---------------------------------------------------------------- LAudioCut

LAudioCut::LAudioCut(uint16_t index, int32_t length, int32_t gain, int32_t start)
    : nIndex(index), nLength(length), nGain(gain), nStart(start) {
    TankIncRef(nIndex);
}

LAudioCut::LAudioCut(const LAudioCut& o) : nIndex(o.nIndex), nLength(o.nLength), nGain(o.nGain), nStart(o.nStart) {
    TankIncRef(nIndex);
}

LAudioCut::LAudioCut(LAudioCut&& o) noexcept : nIndex(o.nIndex), nLength(o.nLength), nGain(o.nGain), nStart(o.nStart) {
    o.nIndex = kSilentIndex;  // the reference moves with the cut
}

LAudioCut& LAudioCut::operator=(const LAudioCut& o) {
    TankIncRef(o.nIndex);
    TankDecRef(nIndex);
    nIndex = o.nIndex;
    nLength = o.nLength;
    nGain = o.nGain;
    nStart = o.nStart;
    return *this;
}

LAudioCut& LAudioCut::operator=(LAudioCut&& o) noexcept {
    if (this != &o) {
        TankDecRef(nIndex);
        nIndex = o.nIndex;
        nLength = o.nLength;
        nGain = o.nGain;
        nStart = o.nStart;
        o.nIndex = kSilentIndex;
    }
    return *this;
}

LAudioCut::~LAudioCut() { TankDecRef(nIndex); }

// ------------------------------------------------------------ LCutListAudio

int32_t LCutListAudio::GetLength() const {
    int32_t total = 0;
    for (auto it = lstCuts.Begin(); it.IsValid(); it.Next()) total += it->nLength;
    return total;
}

// ------------------------------------------------------------------- reader

LSRCCutListAudio::LSRCCutListAudio(const LCutListAudio& list)
    : LSoundSourceBase(list.nSampleRate, list.nChans, kPeakBoundCutList), lstAudio(list) {
    pCurrent = lstAudio.lstCuts.GetHead();
    nLength = lstAudio.GetLength();
}

LSRCCutListAudio::~LSRCCutListAudio() = default;

bool LSRCCutListAudio::ReadPeakRange(int32_t from, int32_t to, LPeakRange& r) {
    if (!pPeaks) pPeaks = std::make_unique<LCutListPeaks>(lstAudio);
    return pPeaks->Read(from, to, r);
}

void LSRCCutListAudio::OpenCut(const LAudioCut& cut, int32_t offset) {
    nRemaining = cut.nLength - offset;
    nGain = cut.nGain;
    if (cut.IsSilent()) return;
    // A file that cannot be opened reads as silence for this cut.
    if (!fFile.Open(SegmentPath(cut.nIndex).c_str(), LFile::kRead)) return;
    int64_t frame = int64_t(cut.nStart) + offset;
    if (frame > 0 && !fFile.Seek(frame * nChans * int64_t(sizeof(int32_t)))) fFile.Close();
}

void LSRCCutListAudio::Read(int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    const uint32_t chans = nChans;
    if (nPosition < 0) {
        int32_t k = int32_t(std::min<int64_t>(-int64_t(nPosition), n));
        ZeroFrames(buffer, k, chans);
        nPosition += k;
        buffer += size_t(k) * chans;
        n -= k;
    }
    nPosition += n;
    while (n > 0) {
        if (nRemaining > 0) {
            int32_t k = std::min(nRemaining, n);
            if (fFile.IsOpen()) {
                uint32_t bytes = uint32_t(k) * chans * uint32_t(sizeof(int32_t));
                uint32_t got = fFile.Read(buffer, bytes);
                // A segment shorter than its cut claims: the rest is silence.
                if (got < bytes) std::memset(reinterpret_cast<char*>(buffer) + got, 0, bytes - got);
                if (nGain != kUnityGain) {
                    for (size_t i = 0, e = size_t(k) * chans; i < e; ++i) buffer[i] = MulGain(buffer[i], nGain);
                }
            } else {
                ZeroFrames(buffer, k, chans);
            }
            nRemaining -= k;
            buffer += size_t(k) * chans;
            n -= k;
        } else {
            fFile.Close();
            if (!pCurrent) break;
            OpenCut(pCurrent->data, 0);
            pCurrent = pCurrent->pNext;
        }
    }
    ZeroFrames(buffer, n, chans);  // past the end of the list
}

void LSRCCutListAudio::Seek(int32_t position) {
    fFile.Close();
    nPosition = position;
    nRemaining = 0;
    pCurrent = lstAudio.lstCuts.GetHead();
    if (position < 1) return;
    int32_t p = position;
    while (pCurrent && p >= pCurrent->data.nLength) {
        p -= pCurrent->data.nLength;
        pCurrent = pCurrent->pNext;
    }
    if (!pCurrent) return;  // at or past the end: reads deliver silence
    OpenCut(pCurrent->data, p);
    pCurrent = pCurrent->pNext;
}

// ------------------------------------------------------------------- writer

LSNKCutListAudio::LSNKCutListAudio(LCutListAudio* target, int32_t rate, uint32_t chans)
    : LSoundSinkBase(rate, chans), pTarget(target), summary(nChans) {
    LAudioCutTank* tank = LAudioCutTank::Current();
    nIndex = tank ? tank->GetNewRefAndIncRef() : kSilentIndex;
    if (nIndex == kSilentIndex) {
        // Every index in use (or no tank): nothing can be kept.
        NoteFailure(LFailure::kIOError, tank ? tank->GetFolder() : std::string());
        SetError();
        return;
    }
    szPath = SegmentPath(nIndex);
    if (szPath.empty()) {
        // The folder leaves no room for the name: refused, never cut short.
        NoteFailure(LFailure::kPathTooLong, tank->GetFolder());
        SetError();
        return;
    }
    // A new file of our own, replacing any leftover of the same name (and its summary).
    DeleteSegmentSummary(szPath);
    if (!fFile.Open(szPath.c_str(), LFile::kTempExclusive)) Failed();
}

void LSNKCutListAudio::Failed() {
    if (!HasError()) NoteFailure(fFile.Error() == LFailure::kNone ? LFailure::kIOError : fFile.Error(), szPath);
    SetError();
    summary.Abandon();
}

bool LSNKCutListAudio::Finish() {
    // Segments are working files: closing them is enough, no flush to the
    // disk. The summary is made from the open file when the writer goes,
    // so the file stays open until then.
    return !HasError();
}

LSNKCutListAudio::~LSNKCutListAudio() {
    if (pTarget) {
        // The new cut takes its own reference before the old cuts release
        // theirs and before the writer releases its own.
        LCutList result;
        result.AddHead(LAudioCut(nIndex, std::max(nPosition, 0)));
        pTarget->lstCuts.Swap(result);
        pTarget->nSampleRate = nSampleRate;
        pTarget->nChans = nChans;
    }
    if (!szPath.empty()) summary.Finish(fFile, SummaryPath(szPath));
    fFile.Close();
    TankDecRef(nIndex);
}

void LSNKCutListAudio::Write(const int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    nPosition += n;
    if (!fFile.IsOpen() || HasError()) return;
    uint32_t bytes = uint32_t(n) * nChans * uint32_t(sizeof(int32_t));
    if (fFile.Write(buffer, bytes) != bytes)
        Failed();
    else
        summary.Add(buffer, n);
}

void LSNKCutListAudio::Seek(int32_t position) {
    nPosition = std::max(position, 0);
    summary.Seek(fFile, nPosition);
    if (fFile.IsOpen() && !fFile.Seek(int64_t(nPosition) * nChans * int64_t(sizeof(int32_t)))) Failed();
}

LSoundSourcePtr CreateSource(const LCutListAudio& list) { return MakeSource<LSRCCutListAudio>(list); }

LSoundSinkPtr CreateSink(LCutListAudio& target, int32_t rate, uint32_t chans) {
    return MakeSink<LSNKCutListAudio>(&target, rate, chans);
}

LProcessResult Process(LProgress* progress, LCutListAudioLoadSource& record) {
    // The segment is written into a list of its own and handed over only
    // when the pump could run, so a failure never empties the target.
    LCutListAudio fresh;
    LProcessResult result;
    bool writeFailed;
    {
        LSoundSourcePtr src = record.pSource;
        LSoundSinkPtr sink = CreateSink(fresh, src->nSampleRate, src->nChans);
        record.pOverview = static_cast<LSNKCutListAudio*>(sink.Get())->Overview();
        LPRSourceToSink pump{record.szCaption, src, sink};
        result = Process(progress, pump);
        writeFailed = !sink->Finish();
    }  // the writer delivers here
    if (writeFailed) result = kProcessFailed;  // what was written is incomplete
    if (result != kProcessFailed && record.pCutList) {
        record.pCutList->lstCuts.Swap(fresh.lstCuts);
        record.pCutList->nSampleRate = fresh.nSampleRate;
        record.pCutList->nChans = fresh.nChans;
    }
    return result;
}

}  // namespace sondrel
