#include "document/LDocumentJournal.h"

#include <cstdio>
#include <cstring>
#include <map>

#include "document/LSDFile.h"

namespace sondrel {

namespace {

constexpr uint8_t kMagic[4] = {'S', 'N', 'D', 'J'};
constexpr uint32_t kVersion = 1;
constexpr size_t kCutBytes = 14;
constexpr size_t kPathMax = 32767;
// Magic to cut count with an empty path, and the checksum.
constexpr size_t kFixedBytes = 64 + 4 + 4;

void Put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void Put64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}
uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint64_t Get64(const uint8_t* p) { return uint64_t(Get32(p)) | (uint64_t(Get32(p + 4)) << 32); }

struct CrcTable {
    uint32_t t[256];
    CrcTable() {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
    }
};

// Everything but the cuts and the checksum; returns where the cuts go.
size_t PutHead(const LJournalRecord& h, int32_t rate, uint8_t chans, uint8_t dirty, uint32_t untitled,
               const int32_t times[5], const std::string& path, size_t cuts, std::vector<uint8_t>& out) {
    size_t pathBytes = std::min(path.size(), kPathMax);
    size_t total = kFixedBytes + pathBytes + cuts * kCutBytes;
    out.resize(total);
    uint8_t* p = out.data();
    std::memcpy(p, kMagic, 4);
    Put32(p + 4, kVersion);
    Put32(p + 8, uint32_t(total));
    Put32(p + 12, h.nOrder);
    Put64(p + 16, h.nSequence);
    Put64(p + 24, uint64_t(h.nChangedTime));
    for (int i = 0; i < 5; ++i) Put32(p + 32 + 4 * i, uint32_t(times[i]));
    Put32(p + 52, uint32_t(rate));
    p[56] = chans;
    p[57] = dirty;
    Put16(p + 58, uint16_t(pathBytes));
    Put32(p + 60, untitled);
    std::memcpy(p + 64, path.data(), pathBytes);
    Put32(p + 64 + pathBytes, uint32_t(cuts));
    return 68 + pathBytes;
}

void PutCut(uint8_t* p, uint16_t index, int32_t start, int32_t length, int32_t gain) {
    Put16(p, index);
    Put32(p + 2, uint32_t(start));
    Put32(p + 6, uint32_t(length));
    Put32(p + 10, uint32_t(gain));
}

void PutCrc(std::vector<uint8_t>& out) {
    size_t n = out.size() - 4;
    Put32(out.data() + n, Crc32(out.data(), n));
}

bool Refuse(std::string* why, const char* text) {
    if (why) *why = text;
    return false;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
    static const CrcTable table;
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table.t[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

int64_t LJournalRecord::LengthFrames() const {
    int64_t n = 0;
    for (const LJournalCut& c : vCuts) n += c.nLength;
    return n;
}

std::string LJournalRecord::DisplayName() const {
    if (!szFilePath.empty()) return FileNamePart(szFilePath);
    char b[32];
    std::snprintf(b, sizeof b, "Untitled %u", unsigned(nUntitledIdx));
    return b;
}

void EncodeJournal(const LJournalRecord& r, std::vector<uint8_t>& out) {
    const int32_t times[5] = {r.stPosition, r.stSelStart, r.stSelEnd, r.stViewStart, r.stViewEnd};
    size_t at = PutHead(r, r.nSampleRate, r.nChans, r.bDirty, r.nUntitledIdx, times, r.szFilePath, r.vCuts.size(), out);
    for (const LJournalCut& c : r.vCuts) {
        PutCut(out.data() + at, c.nIndex, c.nStart, c.nLength, c.nGain);
        at += kCutBytes;
    }
    PutCrc(out);
}

void EncodeJournal(const LJournalRecord& head, const LSDFile& d, std::vector<uint8_t>& out) {
    const int32_t times[5] = {d.stPosition.ms, d.stSelStart.ms, d.stSelEnd.ms, d.stViewStart.ms, d.stViewEnd.ms};
    size_t cuts = d.audio.lstCuts.Count();
    size_t at = PutHead(head, d.audio.nSampleRate, d.audio.nChans, d.bDirty, d.nUntitledIdx, times, d.szFilePath,
                        cuts, out);
    for (auto it = d.audio.lstCuts.Begin(); it.IsValid(); it.Next()) {
        PutCut(out.data() + at, it->nIndex, it->nStart, it->nLength, it->nGain);
        at += kCutBytes;
    }
    PutCrc(out);
}

bool DecodeJournal(const uint8_t* p, size_t size, LJournalRecord& r, std::string* why) {
    if (size < kFixedBytes) return Refuse(why, "shorter than any journal");
    if (std::memcmp(p, kMagic, 4) != 0) return Refuse(why, "no journal magic");
    if (size > kJournalMaxBytes) return Refuse(why, "larger than any journal");
    if (Get32(p + 8) != size) return Refuse(why, "size differs from the size written");
    if (Crc32(p, size - 4) != Get32(p + size - 4)) return Refuse(why, "checksum differs");
    if (Get32(p + 4) != kVersion) return Refuse(why, "unknown version");
    r.nOrder = Get32(p + 12);
    r.nSequence = Get64(p + 16);
    r.nChangedTime = int64_t(Get64(p + 24));
    int32_t* times[5] = {&r.stPosition, &r.stSelStart, &r.stSelEnd, &r.stViewStart, &r.stViewEnd};
    for (int i = 0; i < 5; ++i) *times[i] = int32_t(Get32(p + 32 + 4 * i));
    r.nSampleRate = int32_t(Get32(p + 52));
    r.nChans = p[56];
    r.bDirty = p[57];
    size_t pathBytes = Get16(p + 58);
    r.nUntitledIdx = Get32(p + 60);
    if (r.nSampleRate < 1) return Refuse(why, "sample rate below 1");
    if (r.nChans < 1) return Refuse(why, "no channels");
    if (r.bDirty > 1) return Refuse(why, "dirty flag neither 0 nor 1");
    if (pathBytes > kPathMax || kFixedBytes + pathBytes > size) return Refuse(why, "path longer than the file");
    r.szFilePath.assign(reinterpret_cast<const char*>(p + 64), pathBytes);
    const uint8_t* q = p + 64 + pathBytes;
    uint64_t count = Get32(q);
    q += 4;
    if (count * kCutBytes != size - kFixedBytes - pathBytes) return Refuse(why, "cut count differs from the size");
    r.vCuts.resize(size_t(count));
    int64_t total = 0;
    for (LJournalCut& c : r.vCuts) {
        c.nIndex = Get16(q);
        c.nStart = int32_t(Get32(q + 2));
        c.nLength = int32_t(Get32(q + 6));
        c.nGain = int32_t(Get32(q + 10));
        q += kCutBytes;
        if (c.nLength < 0) return Refuse(why, "cut of negative length");
        if (c.nIndex != kSilentIndex) {
            if (c.nStart < 0) return Refuse(why, "cut starts before its segment");
            if (int64_t(c.nStart) + c.nLength > INT32_MAX) return Refuse(why, "cut ends beyond the largest frame");
        }
        total += c.nLength;
        if (total > INT32_MAX) return Refuse(why, "document longer than the largest length");
    }
    return true;
}

std::string CheckJournalSegments(const LJournalRecord& r, const std::function<int64_t(uint16_t)>& segmentBytes) {
    // The frames each segment must hold: the furthest end of its cuts.
    std::map<uint16_t, int64_t> needed;
    for (const LJournalCut& c : r.vCuts) {
        if (c.nIndex == kSilentIndex || c.nLength == 0) continue;
        int64_t& end = needed[c.nIndex];
        end = std::max(end, int64_t(c.nStart) + c.nLength);
    }
    for (const auto& [index, frames] : needed) {
        int64_t bytes = segmentBytes(index);
        char b[96];
        if (bytes < 0) {
            std::snprintf(b, sizeof b, "its audio file %u.aud is missing", unsigned(index));
            return b;
        }
        if (bytes < frames * r.nChans * int64_t(sizeof(int32_t))) {
            std::snprintf(b, sizeof b, "its audio file %u.aud is incomplete", unsigned(index));
            return b;
        }
    }
    return std::string();
}

LCutListAudio JournalCutList(const LJournalRecord& r) {
    LCutListAudio list(r.nSampleRate, r.nChans);
    LCutList::Node* tail = nullptr;
    for (const LJournalCut& c : r.vCuts) tail = list.lstCuts.AddAfter(tail, LAudioCut(c.nIndex, c.nLength, c.nGain, c.nStart));
    return list;
}

std::string JournalPath(const std::string& folder, uint32_t slot) {
    char name[24];
    std::snprintf(name, sizeof name, "%u%s", unsigned(slot), kJournalSuffix);
    return JoinPath(folder, name);
}

int64_t JournalSlotOf(const std::string& name) {
    const size_t sl = sizeof kJournalSuffix - 1;
    if (name.size() <= sl || name.size() > sl + 9) return -1;
    size_t digits = name.size() - sl;
    for (size_t i = 0; i < sl; ++i)
        if ((name[digits + i] | 0x20) != kJournalSuffix[i]) return -1;
    if (name[0] == '0' && digits > 1) return -1;
    int64_t v = 0;
    for (size_t i = 0; i < digits; ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        v = v * 10 + (name[i] - '0');
    }
    return v;
}

}  // namespace sondrel
