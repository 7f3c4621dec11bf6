#include "document/LSegmentSummary.h"

#include <algorithm>
#include <cstring>

#include "core/LSample.h"
#include "document/LCutListAudio.h"

namespace sondrel {

namespace {

constexpr uint32_t kSummaryMagic = 0x314B5053;  // "SPK1"

struct SummaryHeader {
    uint32_t nMagic;
    uint32_t nBlockFrames;
    uint32_t nChans;
    uint32_t nFrames;  // frames of the segment file described
};
static_assert(sizeof(SummaryHeader) == 16);

int64_t FileFrames(const LFile& f, uint32_t chans) { return f.Size() / (int64_t(chans) * 4); }

}  // namespace

std::string SummaryPath(const std::string& segmentPath) {
    std::string p = segmentPath;
    size_t dot = p.find_last_of('.');
    size_t sep = p.find_last_of("\\/");
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) p.erase(dot);
    return p + ".pks";
}

void DeleteSegmentSummary(const std::string& segmentPath) {
    if (!segmentPath.empty()) LFile::Delete(SummaryPath(segmentPath).c_str());
}

bool BuildSegmentSummary(const std::string& segmentPath, uint32_t chans) {
    LFile seg;
    if (!seg.Open(segmentPath.c_str(), LFile::kRead)) return false;
    LSegmentSummaryBuilder b(chans);
    return b.Finish(seg, SummaryPath(segmentPath));
}

// ------------------------------------------------------------------ builder

int64_t LGrowingSummary::Frames() const {
    std::lock_guard<std::mutex> lock(mtx);
    return int64_t(vBlocks.size()) * kSummaryBlockFrames;
}

bool LGrowingSummary::IsComplete() const {
    std::lock_guard<std::mutex> lock(mtx);
    return bComplete;
}

bool LGrowingSummary::ReadPeakRange(int64_t from, int64_t to, LPeakRange& r) const {
    from = std::max<int64_t>(from, 0);
    if (to <= from) return true;
    std::lock_guard<std::mutex> lock(mtx);
    int64_t b1 = (to + kSummaryBlockFrames - 1) / kSummaryBlockFrames;
    if (b1 > int64_t(vBlocks.size())) return false;
    for (int64_t b = from / kSummaryBlockFrames; b < b1; ++b) r.Merge(vBlocks[size_t(b)]);
    return true;
}

void LSegmentSummaryBuilder::CloseBlock() {
    vNew.push_back(rPartial);
    rPartial = LPeakRange();
}

void LSegmentSummaryBuilder::HandOver() {
    if (vNew.empty()) return;
    std::lock_guard<std::mutex> lock(pBlocks->mtx);
    vBlocks.insert(vBlocks.end(), vNew.begin(), vNew.end());
    vNew.clear();
}

void LSegmentSummaryBuilder::Add(const int32_t* s, int32_t frames) {
    while (frames > 0) {
        int32_t inBlock = int32_t(nFrames % kSummaryBlockFrames);
        int32_t k = std::min(frames, kSummaryBlockFrames - inBlock);
        AddSamples(rPartial, s, size_t(k) * nChans);
        s += size_t(k) * nChans;
        frames -= k;
        nFrames += k;
        if (inBlock + k == kSummaryBlockFrames) CloseBlock();
    }
    HandOver();
}

void LSegmentSummaryBuilder::AddZeros(int64_t frames) {
    // Zeros never widen a range counted from 0: only block ends matter.
    while (frames > 0) {
        int64_t inBlock = nFrames % kSummaryBlockFrames;
        int64_t k = std::min<int64_t>(frames, kSummaryBlockFrames - inBlock);
        frames -= k;
        nFrames += k;
        if (inBlock + k == kSummaryBlockFrames) CloseBlock();
    }
    HandOver();
}

void LSegmentSummaryBuilder::Reread(LFile& file, int64_t from, int64_t to) {
    if (to <= from) return;
    int64_t have = std::min(to, FileFrames(file, nChans));
    std::vector<int32_t> buf(size_t(kSummaryBlockFrames) * nChans);
    if (from < have && !file.Seek(from * nChans * 4)) {
        bValid = false;
        return;
    }
    while (from < have) {
        int32_t k = int32_t(std::min<int64_t>(have - from, kSummaryBlockFrames));
        uint32_t bytes = uint32_t(k) * nChans * 4;
        uint32_t got = file.Read(buf.data(), bytes);
        if (got < bytes) std::memset(reinterpret_cast<char*>(buf.data()) + got, 0, bytes - got);
        Add(buf.data(), k);
        from += k;
    }
    AddZeros(to - nFrames);  // past the file's end the reader delivers zeros
}

void LSegmentSummaryBuilder::Seek(LFile& file, int32_t position) {
    if (!bValid) return;
    if (!file.IsOpen()) {
        bValid = false;
        return;
    }
    int64_t p = std::max(position, 0);
    int64_t keepBlocks = std::min(p, nFrames) / kSummaryBlockFrames;
    {
        std::lock_guard<std::mutex> lock(pBlocks->mtx);
        vBlocks.resize(size_t(keepBlocks));
    }
    rPartial = LPeakRange();
    nFrames = keepBlocks * kSummaryBlockFrames;
    Reread(file, nFrames, p);
}

bool LSegmentSummaryBuilder::Finish(LFile& segment, const std::string& path) {
    if (path.empty()) return false;
    bool ok = bValid && segment.IsOpen();
    int64_t frames = ok ? FileFrames(segment, nChans) : 0;
    if (ok && frames > 0xFFFFFFFFll) ok = false;
    if (ok) {
        // Frames the file holds beyond what was added (a seek back without
        // rewriting) are read back; frames added past the file's end were
        // never written and read as zeros, which change no block.
        if (nFrames < frames) Reread(segment, nFrames, frames);
        ok = bValid;
    }
    if (ok) {
        if (nFrames % kSummaryBlockFrames) CloseBlock();
        HandOver();
        {
            std::lock_guard<std::mutex> lock(pBlocks->mtx);
            vBlocks.resize(size_t((frames + kSummaryBlockFrames - 1) / kSummaryBlockFrames));
        }
        SummaryHeader h{kSummaryMagic, uint32_t(kSummaryBlockFrames), nChans, uint32_t(frames)};
        LFile out;
        ok = out.Open(path.c_str(), LFile::kCreate) && out.Write(&h, sizeof h) == sizeof h;
        size_t bytes = vBlocks.size() * sizeof(LPeakRange);
        static_assert(sizeof(LPeakRange) == 8);
        // Written in pieces: the LFile layer moves 32-bit byte counts.
        for (size_t off = 0; ok && off < bytes;) {
            uint32_t k = uint32_t(std::min<size_t>(bytes - off, size_t(1) << 24));
            ok = out.Write(reinterpret_cast<const char*>(vBlocks.data()) + off, k) == k;
            off += k;
        }
    }
    if (!ok) LFile::Delete(path.c_str());
    std::lock_guard<std::mutex> lock(pBlocks->mtx);
    pBlocks->bComplete = true;
    return ok;
}

// -------------------------------------------------------------- peak reader

bool GainKeepsOrder(int32_t lo, int32_t hi, int32_t gain) {
    if (gain < 0) return false;
    int64_t a = std::max(std::abs(int64_t(lo >> 12)), std::abs(int64_t(hi >> 12)));
    int64_t g = gain >> 12, r = gain & 0xFFF;
    // Every partial product and the sum stay inside 32 bits for every s
    // between lo and hi; MulGain is then floor-monotone in s.
    return a * g + g + a + 1 <= 0x7FFFFFFFll && a * r <= 0x7FFFFFFFll;
}

LSegmentPeaks::LSegmentPeaks(const std::string& segmentPath, uint32_t chans) : nChans(chans ? chans : 1) {
    if (segmentPath.empty() || !fSegment.Open(segmentPath.c_str(), LFile::kRead)) return;
    if (!fSummary.Open(SummaryPath(segmentPath).c_str(), LFile::kRead)) return;
    SummaryHeader h{};
    if (fSummary.Read(&h, sizeof h) != sizeof h) return;
    nFrames = FileFrames(fSegment, nChans);
    int64_t blocks = (nFrames + kSummaryBlockFrames - 1) / kSummaryBlockFrames;
    bUsable = h.nMagic == kSummaryMagic && h.nBlockFrames == uint32_t(kSummaryBlockFrames) && h.nChans == nChans &&
              int64_t(h.nFrames) == nFrames && fSummary.Size() == int64_t(sizeof h) + blocks * 8;
    vBuffer.resize(size_t(kSummaryBlockFrames) * nChans);
}

bool LSegmentPeaks::ReadRaw(int64_t from, int64_t to, int32_t gain, LPeakRange& r) {
    to = std::min(to, nFrames);  // the reader fills what the file lacks with zeros
    if (from >= to) return true;
    if (!fSegment.Seek(from * nChans * 4)) return false;
    while (from < to) {
        int32_t k = int32_t(std::min<int64_t>(to - from, kSummaryBlockFrames));
        uint32_t bytes = uint32_t(k) * nChans * 4;
        uint32_t got = fSegment.Read(vBuffer.data(), bytes);
        if (got < bytes) std::memset(reinterpret_cast<char*>(vBuffer.data()) + got, 0, bytes - got);
        size_t n = size_t(k) * nChans;
        if (gain != kUnityGain) {
            for (size_t i = 0; i < n; ++i) vBuffer[i] = MulGain(vBuffer[i], gain);
        }
        AddSamples(r, vBuffer.data(), n);
        from += k;
    }
    return true;
}

bool LSegmentPeaks::Read(int64_t from, int64_t to, int32_t gain, LPeakRange& out) {
    if (!bUsable) return false;
    from = std::max<int64_t>(from, 0);
    to = std::min(to, nFrames);
    if (from >= to || gain == 0) return true;  // zeros
    if (gain < 0) return false;
    LPeakRange r;
    int64_t b0 = (from + kSummaryBlockFrames - 1) / kSummaryBlockFrames;
    int64_t b1 = to / kSummaryBlockFrames;
    if (b0 >= b1) {
        if (!ReadRaw(from, to, gain, r)) return false;
    } else {
        LPeakRange whole;
        if (!fSummary.Seek(int64_t(sizeof(SummaryHeader)) + b0 * 8)) return false;
        LPeakRange chunk[512];
        for (int64_t b = b0; b < b1;) {
            int32_t k = int32_t(std::min<int64_t>(b1 - b, 512));
            uint32_t bytes = uint32_t(k) * 8;
            if (fSummary.Read(chunk, bytes) != bytes) return false;
            for (int32_t i = 0; i < k; ++i) whole.Merge(chunk[i]);
            b += k;
        }
        if (gain != kUnityGain) {
            if (!GainKeepsOrder(whole.lo, whole.hi, gain)) return false;
            whole.lo = MulGain(whole.lo, gain);
            whole.hi = MulGain(whole.hi, gain);
        }
        r = whole;
        if (!ReadRaw(from, b0 * kSummaryBlockFrames, gain, r)) return false;
        if (!ReadRaw(b1 * kSummaryBlockFrames, to, gain, r)) return false;
    }
    out.Merge(r);
    return true;
}

// ---------------------------------------------------------- cut-list peaks

LCutListPeaks::LCutListPeaks(const LCutListAudio& list) : rList(list), nLength(list.GetLength()) {}

LCutListPeaks::~LCutListPeaks() = default;

LSegmentPeaks* LCutListPeaks::Segment(uint16_t index) {
    auto it = mSegments.find(index);
    if (it == mSegments.end()) {
        LAudioCutTank* tank = LAudioCutTank::Current();
        std::string path = tank ? tank->GetAudFilePath(index) : std::string();
        it = mSegments.emplace(index, std::make_unique<LSegmentPeaks>(path, rList.nChans)).first;
    }
    return it->second.get();
}

bool LCutListPeaks::Read(int32_t from, int32_t to, LPeakRange& out) {
    from = std::max(from, 0);
    to = std::min(to, nLength);
    if (from >= to) return true;  // zeros before 0 and past the end
    // Columns come left to right: go on from the cut where the last one began.
    using Node = LCutList::Node;
    const Node* node = static_cast<const Node*>(pCursor);
    int32_t start = nCursorStart;
    if (!node || from < start) {
        node = rList.lstCuts.GetHead();
        start = 0;
    }
    while (node && start + node->data.nLength <= from) {
        start += node->data.nLength;
        node = node->pNext;
    }
    pCursor = node;
    nCursorStart = start;
    LPeakRange r;
    for (; node && start < to; start += node->data.nLength, node = node->pNext) {
        const LAudioCut& cut = node->data;
        if (cut.IsSilent() || cut.nLength <= 0) continue;
        int64_t a = std::max(from, start) - int64_t(start);
        int64_t b = std::min<int64_t>(to, int64_t(start) + cut.nLength) - start;
        LSegmentPeaks* seg = Segment(cut.nIndex);
        if (!seg->Read(cut.nStart + a, cut.nStart + b, cut.nGain, r)) return false;
    }
    out.Merge(r);
    return true;
}

}  // namespace sondrel
