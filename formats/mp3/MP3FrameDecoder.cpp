#include "formats/mp3/MP3FrameDecoder.h"

#include <algorithm>
#include <cstring>

#include "formats/mp3/MP3Tables.h"

namespace sondrel {

namespace {

constexpr uint32_t kLink = 0x80000000u;
constexpr float kInvSqrt2 = 0.70710678118654752f;
// 4^-g for subblock_gain g.
constexpr float kSubblockGain[8] = {1.0f,       0.25f,       0.0625f,      0.015625f,
                                    0.00390625f, 0.0009765625f, 0.000244140625f, 0.00006103515625f};

// Most-significant-bit-first reader over the few bytes of side information.
class SideReader {
public:
    explicit SideReader(const uint8_t* p) : p_(p) {}
    int32_t Get(int32_t n) {
        int32_t v = 0;
        while (n-- > 0) {
            v = (v << 1) | ((p_[nPos >> 3] >> (7 - (nPos & 7))) & 1);
            ++nPos;
        }
        return v;
    }

private:
    const uint8_t* p_;
    int32_t nPos = 0;
};

}  // namespace

// ISO/IEC 11172-3 2.4.1.7 (syntax) and 2.4.2.7 (semantics) of side_info, with
// the single-granule layout of ISO/IEC 13818-3 for the lower sampling
// frequencies. bytes[0..SideInfoSize()) in, si out.
void ParseSideInfo(const MP3Header& h, const uint8_t* bytes, MP3SideInfo& si) {
    SideReader r(bytes);
    const int32_t nch = h.Channels();
    if (h.version == 0) {
        si.main_data_begin = r.Get(9);
        r.Get(nch == 1 ? 5 : 3);
        for (int32_t ch = 0; ch < nch; ++ch)
            for (int32_t g = 0; g < 4; ++g) si.scfsi[ch][g] = r.Get(1);
    } else {
        si.main_data_begin = r.Get(8);
        r.Get(nch == 1 ? 1 : 2);
    }
    for (int32_t gr = 0; gr < h.Granules(); ++gr) {
        for (int32_t ch = 0; ch < nch; ++ch) {
            MP3GranuleInfo& gi = si.gr[gr][ch];
            gi.part2_3_length = r.Get(12);
            gi.big_values = std::min(r.Get(9), 288);
            gi.global_gain = r.Get(8);
            gi.scalefac_compress = r.Get(h.version == 0 ? 4 : 9);
            gi.window_switching = r.Get(1);
            if (gi.window_switching) {
                gi.block_type = r.Get(2);
                gi.mixed_block = r.Get(1);
                gi.table_select[0] = r.Get(5);
                gi.table_select[1] = r.Get(5);
                gi.table_select[2] = 0;
                for (int32_t w = 0; w < 3; ++w) gi.subblock_gain[w] = r.Get(3);
                // Only short blocks can be mixed; block type 0 is not allowed
                // here and decodes as an ordinary long block.
                if (gi.block_type != 2) gi.mixed_block = 0;
                if (gi.block_type == 0) gi.window_switching = 0;
                gi.region0_count = (gi.block_type == 2 && !gi.mixed_block) ? 8 : 7;
                gi.region1_count = 36;
            } else {
                gi.block_type = 0;
                gi.mixed_block = 0;
                for (int32_t t = 0; t < 3; ++t) gi.table_select[t] = r.Get(5);
                for (int32_t w = 0; w < 3; ++w) gi.subblock_gain[w] = 0;
                gi.region0_count = r.Get(4);
                gi.region1_count = r.Get(3);
            }
            gi.preflag = h.version == 0 ? r.Get(1) : 0;
            gi.scalefac_scale = r.Get(1);
            gi.count1table_select = r.Get(1);
        }
    }
}

// The reordering of short-window lines (2.4.3.4) over the scalefactor bands
// of table B.8: maps[0..2][0..575] out, one map per mixed-block variant.
void ReorderMap(int32_t version, int32_t samplingFrequency, uint16_t maps[3][576]) {
    const int16_t* s = kMP3ShortBands[version * 3 + samplingFrequency];
    int32_t k = 0;
    for (int32_t b = 0; b < 13; ++b) {
        int32_t width = s[b + 1] - s[b];
        for (int32_t w = 0; w < 3; ++w)
            for (int32_t line = 0; line < width && k < 576; ++line, ++k) {
                maps[kReorderLong][k] = uint16_t(k);
                maps[kReorderShort][k] = uint16_t(3 * s[b] + 3 * line + w);
            }
    }
    for (; k < 576; ++k) maps[kReorderLong][k] = maps[kReorderShort][k] = uint16_t(k);
    const int32_t mixedLines = 3 * s[3];
    for (k = 0; k < 576; ++k) maps[kReorderMixed][k] = k < mixedLines ? uint16_t(k) : maps[kReorderShort][k];
}

MP3FrameDecoder::MP3FrameDecoder() : lt_(InitTables()), kernels_(&MP3DefaultKernels()) {
    std::memset(reservoir_, 0, sizeof reservoir_);
    std::memset(sfLong_, 0, sizeof sfLong_);
    std::memset(sfShort_, 0, sizeof sfShort_);
    std::memset(isIllegalLong_, 0, sizeof isIllegalLong_);
    std::memset(isIllegalShort_, 0, sizeof isIllegalShort_);
    std::memset(xr_, 0, sizeof xr_);
    std::memset(sub_, 0, sizeof sub_);
    std::memset(dct_, 0, sizeof dct_);
    MP3Header h;
    Setup(h);
    ResetState();
}

void MP3FrameDecoder::Setup(const MP3Header& reference) {
    int32_t table = reference.version * 3 + reference.sampling_frequency;
    longBands_ = kMP3LongBands[table];
    shortBands_ = kMP3ShortBands[table];
    nVersion = reference.version;
    nMixedLongBands = reference.version == 0 ? 8 : 6;
    nMixedLines = longBands_[nMixedLongBands];
    ReorderMap(reference.version, reference.sampling_frequency, maps_);
    for (int32_t m = 0; m < 3; ++m) {
        reach_[m][0] = 0;
        for (int32_t k = 0; k < 576; ++k) reach_[m][k + 1] = uint16_t(std::max<int32_t>(reach_[m][k], maps_[m][k] + 1));
    }
}

void MP3FrameDecoder::ResetState() {
    std::memset(overlap_, 0, sizeof overlap_);
    std::memset(synth_, 0, sizeof synth_);
    nSynthOffset = 1088;
}

uint32_t MP3FrameDecoder::Peek(int32_t n) const {
    int32_t byte = nBitPos >> 3;
    if (n <= 0 || byte >= nHeld || nBitPos < 0) return 0;
    const uint8_t* p = reservoir_ + byte;
    uint32_t w = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    return (w << (nBitPos & 7)) >> (32 - n);
}

MP3FrameDecoder::Result MP3FrameDecoder::Decode(const MP3Header& h, const uint8_t* body, int32_t* out,
                                                int32_t nChans) {
    MP3SideInfo si;
    ParseSideInfo(h, body, si);

    // The reservoir: keep the bytes this frame's main data starts with (all
    // of them when it reaches back further than we hold), then append.
    const int32_t mainSize = std::min(h.MainDataSize(), 2048);
    const bool complete = si.main_data_begin <= nHeld;
    int32_t keep = complete ? si.main_data_begin : nHeld;
    keep = std::min(keep, 2048 - mainSize);
    std::memmove(reservoir_, reservoir_ + nHeld - keep, size_t(keep));
    std::memcpy(reservoir_ + keep, body + h.SideInfoSize(), size_t(mainSize));
    nHeld = keep + mainSize;
    std::memset(reservoir_ + nHeld, 0, sizeof reservoir_ - size_t(nHeld));
    if (!complete || h.Channels() != nChans) return kSkipped;

    const int32_t nch = nChans;
    int32_t bit = 0;
    for (int32_t gr = 0; gr < h.Granules(); ++gr) {
        for (int32_t ch = 0; ch < nch; ++ch) {
            const MP3GranuleInfo& gi = si.gr[gr][ch];
            nBitPos = bit;
            nBitEnd = bit + gi.part2_3_length;
            ReadScaleFactors(h, gr, ch, si);
            int32_t k = DecodeHuffmanData(gi, ch, nBitEnd);
            int32_t kind = (gi.window_switching && gi.block_type == 2) ? (gi.mixed_block ? 2 : 1) : 0;
            nBound[ch] = reach_[kind][k];
            bit = nBitEnd;
        }
        if (nch == 2 && h.mode == 1 && h.mode_extension != 0) JointStereo(h, si.gr[gr][0], si.gr[gr][1]);
        for (int32_t ch = 0; ch < nch; ++ch) Hybrid(si.gr[gr][ch], ch);
        Synthesis(nch, out + size_t(gr) * 576 * nch);
    }
    return kDecoded;
}

// The scalefactors of one granule and channel (2.4.1.7 and 2.4.2.7, with
// scfsi re-use; ISO/IEC 13818-3 gives the lower-frequency partitions).
void MP3FrameDecoder::ReadScaleFactors(const MP3Header& h, int32_t gr, int32_t ch, const MP3SideInfo& si) {
    const MP3GranuleInfo& gi = si.gr[gr][ch];
    int32_t* sl = sfLong_[ch];
    int32_t(*ss)[3] = sfShort_[ch];
    const bool shortBlocks = gi.window_switching && gi.block_type == 2;

    if (h.version == 0) {
        preflag_[ch] = gi.preflag;
        const int32_t slen1 = kMP3Slen[0][gi.scalefac_compress];
        const int32_t slen2 = kMP3Slen[1][gi.scalefac_compress];
        if (shortBlocks) {
            int32_t first = 0;
            if (gi.mixed_block) {
                for (int32_t sfb = 0; sfb < 8; ++sfb) sl[sfb] = int32_t(GetBits(slen1));
                first = 3;
            }
            for (int32_t b = first; b < 12; ++b)
                for (int32_t w = 0; w < 3; ++w) ss[b][w] = int32_t(GetBits(b < 6 ? slen1 : slen2));
            for (int32_t w = 0; w < 3; ++w) ss[12][w] = 0;
        } else {
            static const int32_t kGroupStart[5] = {0, 6, 11, 16, 21};
            for (int32_t g = 0; g < 4; ++g) {
                if (gr != 0 && si.scfsi[ch][g]) continue;  // taken over from granule 0
                for (int32_t sfb = kGroupStart[g]; sfb < kGroupStart[g + 1]; ++sfb)
                    sl[sfb] = int32_t(GetBits(g < 2 ? slen1 : slen2));
            }
            sl[21] = 0;
        }
        return;
    }

    // Lower sampling frequencies: four groups of scale factors whose lengths
    // and sizes come from scalefac_compress; the right channel of an
    // intensity-stereo frame has a scheme of its own.
    const int32_t sfc = gi.scalefac_compress;
    const bool intensityRight = ch == 1 && h.mode == 1 && (h.mode_extension & 1);
    int32_t slen[4] = {0, 0, 0, 0};
    int32_t table = 0;
    preflag_[ch] = 0;
    if (!intensityRight) {
        if (sfc < 400) {
            slen[0] = (sfc >> 4) / 5;
            slen[1] = (sfc >> 4) % 5;
            slen[2] = (sfc & 15) >> 2;
            slen[3] = sfc & 3;
            table = 0;
        } else if (sfc < 500) {
            int32_t s = sfc - 400;
            slen[0] = (s >> 2) / 5;
            slen[1] = (s >> 2) % 5;
            slen[2] = s & 3;
            table = 1;
        } else {
            int32_t s = sfc - 500;
            slen[0] = s / 3;
            slen[1] = s % 3;
            table = 2;
            preflag_[ch] = 1;
        }
    } else {
        nIntensityScale = sfc & 1;
        int32_t isc = sfc >> 1;
        if (isc < 180) {
            slen[0] = isc / 36;
            slen[1] = (isc % 36) / 6;
            slen[2] = (isc % 36) % 6;
            table = 3;
        } else if (isc < 244) {
            int32_t s = isc - 180;
            slen[0] = (s & 63) >> 4;
            slen[1] = (s & 15) >> 2;
            slen[2] = s & 3;
            table = 4;
        } else {
            int32_t s = isc - 244;
            slen[0] = s / 3;
            slen[1] = s % 3;
            table = 5;
        }
    }
    const int32_t kind = shortBlocks ? (gi.mixed_block ? 2 : 1) : 0;
    const uint8_t* counts = kMP3LsfBandCounts[table][kind];
    std::memset(sl, 0, sizeof sfLong_[0]);
    std::memset(ss, 0, sizeof sfShort_[0]);
    if (intensityRight) {
        std::memset(isIllegalLong_, 0, sizeof isIllegalLong_);
        std::memset(isIllegalShort_, 0, sizeof isIllegalShort_);
    }
    int32_t n = 0;
    for (int32_t g = 0; g < 4; ++g) {
        const int32_t illegal = (1 << slen[g]) - 1;
        for (int32_t j = 0; j < counts[g]; ++j, ++n) {
            int32_t v = int32_t(GetBits(slen[g]));
            uint8_t* flag;
            if (kind == 0) {
                sl[n] = v;
                flag = &isIllegalLong_[n];
            } else if (kind == 2 && n < 6) {
                sl[n] = v;
                flag = &isIllegalLong_[n];
            } else {
                int32_t m = kind == 2 ? n - 6 : n;
                int32_t b = (kind == 2 ? 3 : 0) + m / 3;
                ss[b][m % 3] = v;
                flag = &isIllegalShort_[b][m % 3];
            }
            if (intensityRight) *flag = v == illegal;
        }
    }
}

// The requantization gains of 2.4.3.4 (global_gain, subblock_gain,
// scalefactors with scalefac_scale and preflag's pretab) as runs of lines
// sharing one gain; runs out, their count returned.
int32_t MP3FrameDecoder::BuildGainRuns(const MP3GranuleInfo& gi, int32_t ch, GainRun* runs) const {
    const float gg = lt_.globalGain[gi.global_gain];
    const int32_t shift = gi.scalefac_scale;
    const int32_t* sl = sfLong_[ch];
    auto sfGain = [&](int32_t sf) { return lt_.scaleGain[std::min(sf << shift, 64)]; };
    int32_t n = 0;
    if (!(gi.window_switching && gi.block_type == 2)) {
        for (int32_t sfb = 0; sfb < 22; ++sfb) {
            int32_t sf = sl[sfb] + (preflag_[ch] ? kMP3Pretab[sfb] : 0);
            runs[n++] = {longBands_[sfb + 1], gg * sfGain(sf)};
        }
        return n;
    }
    int32_t pos = 0, first = 0;
    if (gi.mixed_block) {
        for (int32_t sfb = 0; sfb < nMixedLongBands; ++sfb) {
            int32_t sf = sl[sfb] + (preflag_[ch] ? kMP3Pretab[sfb] : 0);
            runs[n++] = {longBands_[sfb + 1], gg * sfGain(sf)};
        }
        pos = nMixedLines;
        first = 3;
    }
    for (int32_t b = first; b < 13; ++b) {
        int32_t width = shortBands_[b + 1] - shortBands_[b];
        for (int32_t w = 0; w < 3; ++w) {
            pos += width;
            runs[n++] = {pos, gg * kSubblockGain[gi.subblock_gain[w]] * sfGain(sfShort_[ch][b][w])};
        }
    }
    return n;
}

namespace {

// Bit reader for the Huffman data: up to 63 bits in a register, refilled 8
// bytes at a time. Beyond `end` it delivers zeros; the buffer must be
// readable (and zero) for 8 bytes past `end`.
class BitCache {
public:
    BitCache(const uint8_t* data, int32_t bytes, int32_t bitPos) : end_(data + bytes), nPos(bitPos) {
        int32_t byte = std::clamp(bitPos >> 3, 0, bytes);
        p_ = data + byte;
        Refill();
        if (bitPos > 0 && (bitPos >> 3) < bytes) Drop(bitPos & 7);
    }
    void Refill() {
        uint64_t w = 0;
        for (int32_t i = 0; i < 8; ++i) w = (w << 8) | p_[i];
        cache_ |= w >> nCount;
        int32_t take = (63 - nCount) >> 3;
        p_ = std::min(p_ + take, end_);
        nCount += take * 8;
    }
    uint32_t Peek(int32_t n) const { return uint32_t(cache_ >> (64 - n)); }
    void Skip(int32_t n) {
        cache_ <<= n;
        nCount -= n;
        nPos += n;
    }
    uint32_t Get(int32_t n) {
        if (n == 0) return 0;
        uint32_t v = Peek(n);
        Skip(n);
        return v;
    }
    int32_t Position() const { return nPos; }

private:
    void Drop(int32_t n) {
        cache_ <<= n;
        nCount -= n;
    }
    const uint8_t* p_;
    const uint8_t* end_;
    uint64_t cache_ = 0;
    int32_t nCount = 0;  // valid bits at the top of cache_
    int32_t nPos;        // bit position in the main data
};

}  // namespace

// Huffman decoding of the big_values regions and the count1 region (2.4.3.4,
// code tables B.7) up to endBit; returns the number of lines decoded.
int32_t MP3FrameDecoder::DecodeHuffmanData(const MP3GranuleInfo& gi, int32_t ch, int32_t endBit) {
    float* xr = xr_[ch];
    std::memset(xr, 0, sizeof xr_[0]);
    const bool shortBlocks = gi.window_switching && gi.block_type == 2;
    const uint16_t* map = maps_[shortBlocks ? (gi.mixed_block ? kReorderMixed : kReorderShort) : kReorderLong];

    GainRun runs[48];
    int32_t nRuns = BuildGainRuns(gi, ch, runs);
    runs[nRuns - 1].end = 576;
    int32_t run = 0;

    // Region boundaries of the big-values part, in values.
    const int32_t limit = gi.big_values * 2;
    int32_t r1, r2;
    if (gi.window_switching) {
        r1 = shortBlocks && !gi.mixed_block ? 3 * shortBands_[3] : longBands_[8];
        r2 = 576;
    } else {
        r1 = longBands_[std::min(gi.region0_count + 1, 22)];
        r2 = longBands_[std::min(gi.region0_count + gi.region1_count + 2, 22)];
    }
    r1 = std::min(r1, limit);
    r2 = std::clamp(r2, r1, limit);
    const int32_t stops[3] = {r1, r2, limit};

    BitCache bits(reservoir_, nHeld, nBitPos);
    const uint32_t* nodes = lt_.huffNodes.data();
    // Codes are at most 19 bits: the cache must hold 19 bits when called.
    auto decode = [&](uint32_t idx, int32_t width) {
        uint32_t e = nodes[idx + bits.Peek(width)];
        while (e & kLink) {
            bits.Skip(int32_t((e >> 16) & 31));
            e = nodes[(e & 0xFFFF) + bits.Peek(int32_t((e >> 21) & 31))];
        }
        bits.Skip(int32_t((e >> 16) & 31));
        return e & 0xFFFF;
    };

    int32_t k = 0;
    for (int32_t region = 0; region < 3; ++region) {
        const int32_t stop = stops[region];
        const int32_t table = gi.table_select[region];
        if (kMP3HuffCodes[table].nSize == 0) {  // no code: the values are zero
            k = std::max(k, stop);
            continue;
        }
        const uint32_t root = lt_.huffRoot[table];
        const int32_t rootBits = lt_.huffRootBits[table];
        const int32_t linbits = kMP3Linbits[table];
        while (k < stop) {
            bits.Refill();
            uint32_t xy = decode(root, rootBits);
            while (k >= runs[run].end) ++run;
            const float gain = runs[run].gain;
            int32_t x = int32_t(xy >> 4), y = int32_t(xy & 15);
            // At most 19 + 13 + 1 bits since the refill, then 14 more.
            if (x) {
                if (x == 15) x += int32_t(bits.Get(linbits));
                float v = lt_.power[x] * gain;
                xr[map[k]] = bits.Get(1) ? -v : v;
            }
            if (y) {
                bits.Refill();
                if (y == 15) y += int32_t(bits.Get(linbits));
                float v = lt_.power[y] * gain;
                xr[map[k + 1]] = bits.Get(1) ? -v : v;
            }
            k += 2;
        }
    }

    // Count1 part: quadruples of -1, 0, +1 until part2_3 is used up.
    const uint32_t qroot = lt_.quadRoot[gi.count1table_select];
    const int32_t qbits = lt_.quadRootBits[gi.count1table_select];
    while (k <= 572 && bits.Position() < endBit) {
        bits.Refill();
        uint32_t q = decode(qroot, qbits);
        float v[4];
        for (int32_t i = 0; i < 4; ++i) {
            v[i] = 0.0f;
            if ((q >> (3 - i)) & 1) v[i] = bits.Get(1) ? -1.0f : 1.0f;
        }
        if (bits.Position() > endBit) break;  // ran past the end: not part of the data
        for (int32_t i = 0; i < 4; ++i) {
            if (v[i] == 0.0f) continue;
            while (k + i >= runs[run].end) ++run;
            xr[map[k + i]] = v[i] * runs[run].gain;
        }
        k += 4;
    }
    nBitPos = bits.Position();
    return k;
}

// Stereo processing of 2.4.3.4: MS stereo and intensity stereo (the
// ISO/IEC 13818-3 intensity positions for the lower sampling frequencies).
void MP3FrameDecoder::JointStereo(const MP3Header& h, const MP3GranuleInfo& gl, const MP3GranuleInfo& g) {
    (void)gl;
    float* left = xr_[0];
    float* right = xr_[1];
    const bool ms = (h.mode_extension & 2) != 0;
    const bool intensity = (h.mode_extension & 1) != 0;
    const int16_t* lb = longBands_;
    const int16_t* sb = shortBands_;

    auto midSide = [&](int32_t a, int32_t b, int32_t stride) {
        if (!ms) return;
        for (int32_t i = a; i < b; i += stride) {
            float m = left[i], s = right[i];
            left[i] = (m + s) * kInvSqrt2;
            right[i] = (m - s) * kInvSqrt2;
        }
    };
    auto intensityBand = [&](int32_t a, int32_t b, int32_t stride, int32_t pos, bool illegal) {
        float kl, kr;
        if (nVersion == 0) {
            if (pos >= 7) illegal = true;
            if (!illegal) {
                kl = lt_.isRatio1[pos][0];
                kr = lt_.isRatio1[pos][1];
            }
        } else if (!illegal) {
            pos = std::clamp(pos, 0, 31);
            kl = lt_.isRatio2[nIntensityScale][pos][0];
            kr = lt_.isRatio2[nIntensityScale][pos][1];
        }
        if (illegal) {
            midSide(a, b, stride);
            return;
        }
        for (int32_t i = a; i < b; i += stride) {
            float x = left[i];
            left[i] = x * kl;
            right[i] = x * kr;
        }
    };
    auto illegalLong = [&](int32_t sfb) { return nVersion != 0 && isIllegalLong_[sfb] != 0; };
    auto illegalShort = [&](int32_t b, int32_t w) { return nVersion != 0 && isIllegalShort_[b][w] != 0; };

    const int32_t bound = std::max(nBound[0], nBound[1]);
    if (!intensity) {
        midSide(0, bound, 1);
        nBound[0] = nBound[1] = bound;
        return;
    }

    // Intensity stereo covers the bands above the highest non-zero value of
    // the right channel; the bands below it are middle/side (or plain) stereo.
    auto lastNonZero = [&](int32_t from, int32_t to) {  // in [from, to), -1 if none
        for (int32_t i = to - 1; i >= from; --i)
            if (right[i] != 0.0f) return i;
        return -1;
    };
    const bool shortBlocks = g.window_switching && g.block_type == 2;
    if (!shortBlocks) {
        int32_t last = lastNonZero(0, nBound[1]);
        int32_t sfb = 0;
        while (sfb < 22 && lb[sfb] <= last) ++sfb;
        midSide(0, lb[sfb], 1);
        for (; sfb < 22; ++sfb) {
            int32_t src = sfb == 21 ? 20 : sfb;
            intensityBand(lb[sfb], lb[sfb + 1], 1, sfLong_[1][src], illegalLong(src));
        }
    } else {
        const int32_t first = g.mixed_block ? 3 : 0;
        bool shortNonZero = false;
        for (int32_t w = 0; w < 3; ++w) {
            int32_t top = first - 1;
            for (int32_t b = 12; b >= first && top < first; --b) {
                for (int32_t f = sb[b]; f < sb[b + 1]; ++f) {
                    if (right[3 * f + w] != 0.0f) {
                        top = b;
                        break;
                    }
                }
            }
            if (top >= first) shortNonZero = true;
            for (int32_t b = first; b <= top; ++b) midSide(3 * sb[b] + w, 3 * sb[b + 1], 3);
            for (int32_t b = top + 1; b < 13; ++b) {
                int32_t src = b == 12 ? 11 : b;
                intensityBand(3 * sb[b] + w, 3 * sb[b + 1], 3, sfShort_[1][src][w], illegalShort(src, w));
            }
        }
        if (g.mixed_block) {
            if (shortNonZero) {
                midSide(0, nMixedLines, 1);
            } else {
                int32_t last = lastNonZero(0, nMixedLines);
                int32_t sfb = 0;
                while (sfb < nMixedLongBands && lb[sfb] <= last) ++sfb;
                midSide(0, lb[sfb], 1);
                for (; sfb < nMixedLongBands; ++sfb)
                    intensityBand(lb[sfb], lb[sfb + 1], 1, sfLong_[1][sfb], illegalLong(sfb));
            }
        }
    }
    nBound[0] = nBound[1] = 576;
}

// The hybrid synthesis of 2.4.3.4: alias reduction (coefficients of table
// B.9), IMDCT with windowing and overlap-add, and frequency inversion.
void MP3FrameDecoder::Hybrid(const MP3GranuleInfo& gi, int32_t ch) {
    float* xr = xr_[ch];
    const bool shortBlocks = gi.window_switching && gi.block_type == 2;
    const int32_t longSubbands = shortBlocks ? (gi.mixed_block ? nMixedLines / 18 : 0) : 32;
    int32_t sbLimit = std::min((nBound[ch] + 17) / 18, 32);

    // Alias reduction between long-block subbands.
    const int32_t lastBoundary = std::min(longSubbands - 1, sbLimit);
    for (int32_t sb = 1; sb <= lastBoundary; ++sb) {
        float* lo = xr + 18 * sb - 1;
        float* hi = xr + 18 * sb;
        for (int32_t i = 0; i < 8; ++i) {
            float a = lo[-i], b = hi[i];
            lo[-i] = a * lt_.aliasCs[i] - b * lt_.aliasCa[i];
            hi[i] = b * lt_.aliasCs[i] + a * lt_.aliasCa[i];
        }
    }
    if (lastBoundary >= 1) sbLimit = std::max(sbLimit, lastBoundary + 1);

    for (int32_t sb = 0; sb < 32; ++sb) {
        float* ov = overlap_[ch][sb];
        float res[18];
        if (sb >= sbLimit) {
            for (int32_t i = 0; i < 18; ++i) {
                res[i] = ov[i];
                ov[i] = 0.0f;
            }
        } else {
            const float* in = xr + 18 * sb;
            const int32_t bt = sb < longSubbands ? (shortBlocks ? 0 : gi.block_type) : 2;
            if (bt != 2) {
                // Accumulated input by input so that the 18 (20) outputs
                // form whole vectors.
                float t[20];
                kernels_->ImdctLong(lt_.imdctLong, in, t);
                float x[36];
                for (int32_t m = 0; m < 9; ++m) {
                    x[m] = t[m];
                    x[9 + m] = -t[8 - m];
                    x[18 + m] = t[9 + m];
                    x[27 + m] = t[17 - m];
                }
                const float* win = lt_.blockWindow[bt];
                for (int32_t i = 0; i < 18; ++i) {
                    res[i] = x[i] * win[i] + ov[i];
                    ov[i] = x[18 + i] * win[18 + i];
                }
            } else {
                float o[36];
                std::memset(o, 0, sizeof o);
                for (int32_t w = 0; w < 3; ++w) {
                    float u[6];
                    for (int32_t j = 0; j < 6; ++j) {
                        float acc = 0.0f;
                        for (int32_t k = 0; k < 6; ++k) acc += in[3 * k + w] * lt_.imdctShort[j][k];
                        u[j] = acc;
                    }
                    float y[12];
                    for (int32_t m = 0; m < 3; ++m) {
                        y[m] = u[m];
                        y[3 + m] = -u[2 - m];
                        y[6 + m] = u[3 + m];
                        y[9 + m] = u[5 - m];
                    }
                    for (int32_t i = 0; i < 12; ++i) o[6 + 6 * w + i] += y[i] * lt_.shortWindow[i];
                }
                for (int32_t i = 0; i < 18; ++i) {
                    res[i] = o[i] + ov[i];
                    ov[i] = o[18 + i];
                }
            }
        }
        if (sb & 1)
            for (int32_t i = 1; i < 18; i += 2) res[i] = -res[i];
        for (int32_t t = 0; t < 18; ++t) sub_[ch][sb][t] = res[t];
    }
}

}  // namespace sondrel
