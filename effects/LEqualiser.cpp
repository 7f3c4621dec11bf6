#include "effects/LEqualiser.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "effects/LEffectOperations.h"
#include "effects/LEffectSource.h"

namespace sondrel {

namespace {
constexpr int32_t kBlock = kMaxBlockFrames;           // 8192 output frames per block
constexpr int32_t kKeep = kEqFrames - kBlock;         // 4095 frames carried to the next block
constexpr int32_t kHistoryEnd = kEqHalf;              // frames 0..2046: history
constexpr int32_t kAheadStart = kEqHalf + kEqBands;   // 4095: start of the block read

inline int32_t ScaleOut(int32_t acc, int32_t shift) {
    return shift <= 15 ? acc >> (15 - shift) : acc << (shift - 15);
}
}  // namespace

LEqTable CreateEqFromPointList(const PointList& points, int32_t rate) {
    LEqTable table;
    int32_t n = std::min<int32_t>(points.nPoints, POINTLISTMAX);
    if (n == 0) {
        table.fill(128);
        return table;
    }
    if (rate <= 0) rate = 44100;
    const double scale = 320000.0 / rate;
    uint32_t b = 0;
    for (int32_t k = 0; k + 1 < n; ++k) {
        const LCurvePoint& p0 = points.points[k];
        const LCurvePoint& p1 = points.points[k + 1];
        uint32_t e = uint32_t(p1.x * scale);
        double slope = b < e ? double(int32_t(p1.y) - int32_t(p0.y)) / double(e - b) : 0.0;
        uint32_t end = std::min<uint32_t>(e, kEqBands);
        for (uint32_t i = b; i < end; ++i) table[i] = uint8_t(int32_t((i - b) * slope) + p0.y);
        if (end > b) b = end;
    }
    for (uint32_t i = b; i < uint32_t(kEqBands); ++i) table[i] = points.points[n - 1].y;
    return table;
}

void DesignEqCoefficients(const LEqTable& table, int32_t* c) {
    // The response is sampled at k * pi / 2048 for k = 0..2048; the two end
    // samples (0 Hz and half the rate, the latter taken from the last band)
    // count half, as in a cosine series over the half period. With this a
    // flat table is exactly the identity.
    static const std::vector<double> cosines = [] {
        std::vector<double> t(2 * kEqBands);
        for (int32_t m = 0; m < 2 * kEqBands; ++m) t[size_t(m)] = std::cos(m * 0.0015339807878856412);
        return t;
    }();
    const double first = 0.5 * table[0];
    const double last = 0.5 * table[kEqBands - 1];
    for (int32_t n = 0; n < kEqBands; ++n) {
        double h = first;
        uint32_t phase = 0;
        for (int32_t k = 1; k < kEqBands; ++k) {
            phase = (phase + uint32_t(n)) & (2 * kEqBands - 1);  // k * n mod 4096
            h += cosines[phase] * table[size_t(k)];
        }
        h += (n & 1) ? -last : last;
        c[n] = (int32_t(h) + 4) >> 3;
    }
}

LSRCEq::LSRCEq(const LSoundSourcePtr& input, const LEqTable& table, LFirKernel kernel, bool reference)
    : LSRCFilter(input) {
    DesignEqCoefficients(table, c_);
    buf_.assign(size_t(nChans) * kEqFrames, 0);

    bool fits = true;
    for (int32_t j = 1; j < kEqBands; ++j) fits = fits && c_[j] >= -32768 && c_[j] <= 32767;
    if (!reference && fits) {
        fir_ = FirKernel(kernel);
        if (!fir_) fir_ = FirKernel(LFirKernel::kBest);
        tapStore_.assign(kFirTaps + 32, 0);
        taps_ = tapStore_.data();
        while (reinterpret_cast<uintptr_t>(taps_) % 64) ++taps_;
        for (int32_t i = 0; i < kFirTaps; ++i) {
            int32_t d = i - kEqHalf;
            taps_[i] = (d == 0 || d > kEqHalf) ? 0 : int16_t(c_[d < 0 ? -d : d]);
        }
        nPlaneStride = (kEqFrames + 63) & ~size_t(31);
        planes_.assign(nPlaneStride * nChans, 0);
        acc_.assign(kBlock, 0);
    }

    // History is silence; then the first 2048 frames and the first block ahead.
    Fill(kHistoryEnd, kEqBands);
    Fill(kAheadStart, kBlock);
    nBlockPos = 0;
    ApplyInBufferScaling();
}

void LSRCEq::Fill(int32_t firstFrame, int32_t frames) {
    pInput->Read(buf_.data() + size_t(firstFrame) * nChans, frames);
}

void LSRCEq::ApplyInBufferScaling() {
    uint32_t peak = 0;
    for (int32_t v : buf_) peak = std::max(peak, v < 0 ? 0u - uint32_t(v) : uint32_t(v));
    int32_t s = 0;
    while ((peak >> s) >= 32768u) ++s;
    if (s > 0)
        for (int32_t& v : buf_) v >>= s;
    iShift = s;
    if (fir_) {
        for (uint32_t ch = 0; ch < nChans; ++ch) {
            int16_t* plane = planes_.data() + ch * nPlaneStride;
            const int32_t* src = buf_.data() + ch;
            for (int32_t i = 0; i < kEqFrames; ++i) plane[i] = int16_t(src[size_t(i) * nChans]);
        }
    }
}

void LSRCEq::Read(int32_t* buffer, int32_t n) {
    int32_t pos = GetPosition();
    int32_t* out = buffer;
    int32_t left = n;
    while (left > 0) {
        if (nBlockPos == kBlock) {
            // Carry the last 4095 frames to the front at full scale again.
            int32_t* b = buf_.data();
            std::memmove(b, b + size_t(kBlock) * nChans, size_t(kKeep) * nChans * sizeof(int32_t));
            if (iShift > 0)
                for (size_t i = 0; i < size_t(kKeep) * nChans; ++i) b[i] <<= iShift;
            Fill(kAheadStart, kBlock);
            nBlockPos = 0;
            ApplyInBufferScaling();
        }
        int32_t m = std::min(kBlock - nBlockPos, left);
        if (fir_)
            FilterFast(out, m);
        else
            FilterReference(out, m);
        nBlockPos += m;
        out += size_t(m) * nChans;
        left -= m;
    }
    if (n > 0) ZeroOutside(buffer, n, nChans, pos, pInput->GetLength());
}

// acc = c[0] * B[q] + sum over j of c[j] * (B[q - j] + B[q + j]), one
// multiplication per symmetric pair.
void LSRCEq::FilterReference(int32_t* out, int32_t m) {
    const uint32_t ch = nChans;
    for (int32_t f = 0; f < m; ++f) {
        int32_t q = nBlockPos + f + kEqHalf;
        for (uint32_t c = 0; c < ch; ++c) {
            const int32_t* B = buf_.data() + c;
            int32_t acc = c_[0] * B[size_t(q) * ch];
            for (int32_t j = 1; j <= kEqHalf; ++j)
                acc += c_[j] * (B[size_t(q - j) * ch] + B[size_t(q + j) * ch]);
            out[size_t(f) * ch + c] = ScaleOut(acc, iShift);
        }
    }
}

// The same sum as a dot product of the mirrored taps with the 16-bit plane
// (the centre tap, which may exceed 16 bits, is added separately).
void LSRCEq::FilterFast(int32_t* out, int32_t m) {
    const uint32_t ch = nChans;
    for (uint32_t c = 0; c < ch; ++c) {
        const int16_t* plane = planes_.data() + c * nPlaneStride;
        fir_(plane + nBlockPos, taps_, acc_.data(), m);
        const int16_t* centre = plane + nBlockPos + kEqHalf;
        for (int32_t f = 0; f < m; ++f)
            out[size_t(f) * ch + c] = ScaleOut(acc_[size_t(f)] + c_[0] * centre[f], iShift);
    }
}

void LSRCEq::Seek(int32_t position) {
    pInput->Seek(position - kEqHalf);
    Fill(0, kHistoryEnd);
    Fill(kHistoryEnd, kEqBands);
    Fill(kAheadStart, kBlock);
    nBlockPos = 0;
    ApplyInBufferScaling();
}

int32_t LSRCEq::GetPosition() { return pInput->GetPosition() - kEqAhead + nBlockPos; }

void LSPEqualiser::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    result = MakeSource<LSRCEq>(input, gainTable);
}

// ---------------------------------------------------------------- the command

namespace {

LSoundSourcePtr PreviewEqualizer(const LEffectValues& v, const LSoundSourcePtr& inner) {
    return LSPEqualiser(CreateEqFromPointList(v.curve, inner->nSampleRate)).OpenSource(inner);
}
LProcessResult Equalize(LProgress* p, LEffectJob& job) {
    if (job.stEnd < job.stStart) return kProcessDone;
    LSPEqualiser eq(CreateEqFromPointList(job.values.curve, job.audio.nSampleRate));
    return ReplaceSelection(p, job, eq, "Equalizing");
}

}  // namespace

constinit const LEffectDesc kEqualizerEffect = {
    .id = LEffect::kEqualizer,
    .nCommand = IDM_EQUALIZER,
    .szMenuText = "Equalizer...",
    .szHint = "Shapes the frequencies of the selected region with a drawn curve.",
    .szUndoLabel = "Equalizer",
    .szTitle = "Equalizer",
    .nPreRollMs = 1000,
    .szCurveFile = kEqualizerFile,
    .nTemplate = IDD_EQUALIZER,
    .szCaption = "Equalizer",
    .nHelpContext = IDH_EFFECTS,
    .pfnPreview = PreviewEqualizer,
    .pfnRun = Equalize,
    .szStep = "--equalizer",
    .szSyntax = "CURVEFILE",
    .szWants = "a curve file",
    .szHelp = "equaliser curve (129-byte point list, as equalizer.dat)",
};

}  // namespace sondrel
