#include "core/LSRCConvertRate.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sondrel {

namespace {

using Real = long double;
constexpr Real kPi = 3.141592653589793238462643383279502884L;

// Zeroth-order modified Bessel function of the first kind, first seven terms
// of its power series. The truncation is part of the coefficients.
Real BesselI0(Real y) {
    Real y2 = y * y;
    Real term = y2 * 0.25L;
    Real sum = 1.0L + term;
    for (int k = 2; k <= 6; ++k) {
        term = term * y2 / Real(4 * k * k);
        sum += term;
    }
    return sum;
}

// Floor division and the matching non-negative remainder.
inline void FloorDivMod(int64_t a, int64_t b, int64_t& q, int64_t& r) {
    q = a / b;
    r = a % b;
    if (r < 0) {
        r += b;
        --q;
    }
}

// Keeps the phase arithmetic (phase + step) inside 32 bits.
constexpr Real kMaxStep = Real(0x7FFFFF00);
constexpr int kTaps = LPolyphaseTable::kTaps;
constexpr int kLowHalf = 32;  // taps 0..31 form the first half sum, 32..62 the second

// One output frame from 16-bit buffer samples. Each half sum is halved with
// an arithmetic shift, the two are added with the rounding constant and the
// result shifted back to the input's scale. Here every product and sum is a
// 32-bit wrapping operation (unsigned, so the compiler may vectorise and
// reorder freely); the caller only comes here when the block's peak makes
// wrapping impossible, so the sums are exact.
template <int Ch>
inline void FilterNarrow(const int32_t* row, const int32_t* x, int32_t* out, int32_t round, int32_t shift) {
    uint32_t lo[Ch] = {}, hi[Ch] = {};
    for (int t = 0; t < kLowHalf; ++t)
        for (int c = 0; c < Ch; ++c) lo[c] += uint32_t(row[t]) * uint32_t(x[t * Ch + c]);
    for (int t = kLowHalf; t < kTaps; ++t)
        for (int c = 0; c < Ch; ++c) hi[c] += uint32_t(row[t]) * uint32_t(x[t * Ch + c]);
    for (int c = 0; c < Ch; ++c) {
        uint32_t sum = uint32_t(int32_t(lo[c]) >> 1) + uint32_t(int32_t(hi[c]) >> 1) + uint32_t(round);
        out[c] = int32_t(sum) >> shift;
    }
}

// The same frame for loud blocks, whose half sums can reach 33 bits: with the
// coefficients split into 256 * hi + lo, both partial sums are exact in 32
// bits, and only their combination per output is done in 64.
template <int Ch>
inline void FilterWide(const int32_t* rowHi, const int32_t* rowLo, const int32_t* x, int32_t* out, int32_t round,
                       int32_t shift) {
    uint32_t loH[Ch] = {}, loL[Ch] = {}, hiH[Ch] = {}, hiL[Ch] = {};
    for (int t = 0; t < kLowHalf; ++t) {
        for (int c = 0; c < Ch; ++c) {
            loH[c] += uint32_t(rowHi[t]) * uint32_t(x[t * Ch + c]);
            loL[c] += uint32_t(rowLo[t]) * uint32_t(x[t * Ch + c]);
        }
    }
    for (int t = kLowHalf; t < kTaps; ++t) {
        for (int c = 0; c < Ch; ++c) {
            hiH[c] += uint32_t(rowHi[t]) * uint32_t(x[t * Ch + c]);
            hiL[c] += uint32_t(rowLo[t]) * uint32_t(x[t * Ch + c]);
        }
    }
    for (int c = 0; c < Ch; ++c) {
        int64_t h1 = int64_t(int32_t(loH[c])) * 256 + int32_t(loL[c]);
        int64_t h2 = int64_t(int32_t(hiH[c])) * 256 + int32_t(hiL[c]);
        int64_t sum = (h1 >> 1) + (h2 >> 1) + round;
        int64_t v = shift >= 0 ? sum >> shift : sum * (int64_t(1) << -shift);
        out[c] = int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    }
}

}  // namespace

void LPolyphaseTable::Build(int32_t rateIn, int32_t rateOut) {
    const Real r = Real(rateIn) / Real(rateOut);

    // Smallest denominator up to 255 that gets within 0.001 of the ratio,
    // otherwise the closest one found.
    Real best = r;
    int32_t phases = 1;
    for (int32_t d = 1; d <= kMaxPhases; ++d) {
        uint16_t num = uint16_t(uint64_t(r * Real(d) + 0.5L));
        Real err = std::fabs(r - Real(num) / Real(d));
        if (err < best) {
            phases = d;
            if (err < 0.001L) break;
            best = err;
        }
    }
    nPhases = phases;
    // At least one sub-frame per output (a ratio beyond 1:510 would round to
    // 0 and stall the stream), at most what the phase counter can hold.
    Real step = std::floor(Real(phases) * r + 0.5L);
    nStep = int32_t(std::clamp(step, Real(1), kMaxStep));

    Real fc, beta;
    if (rateIn < rateOut) {
        fc = 0.975L;
        beta = 2.12L;
    } else {
        fc = Real(rateOut) / Real(rateIn) - 0.046875L;
        beta = 4.538L;
    }
    const Real scale = fc * 65536.0L / BesselI0(beta);
    const Real w = kPi * fc;
    const Real window = Real((kHalf + 1) * (kHalf + 1));

    aCoefs.assign(size_t(nPhases) * kTaps, 0);
    for (int32_t p = 0; p < nPhases; ++p) {
        int32_t* row = aCoefs.data() + size_t(p) * kTaps;
        for (int i = 0; i < kTaps; ++i) {
            Real x = Real(i - kHalf) - Real(p) / Real(nPhases);
            if (x == 0.0L) {
                row[i] = int32_t(fc * 65536.0L + 0.5L);
                continue;
            }
            Real v = scale * std::sin(w * x) / (w * x) * BesselI0(beta * std::sqrt(1.0L - x * x / window));
            row[i] = int32_t(v >= 0 ? v + 0.5L : v - 0.5L);
        }
    }

    aCoefsHi.resize(aCoefs.size());
    aCoefsLo.resize(aCoefs.size());
    int64_t maxHalf = 0, maxRow = 0;
    for (int32_t p = 0; p < nPhases; ++p) {
        int64_t half[2] = {0, 0};
        for (int i = 0; i < kTaps; ++i) {
            size_t k = size_t(p) * kTaps + i;
            aCoefsHi[k] = aCoefs[k] >> 8;
            aCoefsLo[k] = aCoefs[k] & 255;
            half[i < kLowHalf ? 0 : 1] += std::abs(int64_t(aCoefs[k]));
        }
        maxHalf = std::max({maxHalf, half[0], half[1]});
        maxRow = std::max(maxRow, half[0] + half[1]);
    }
    // |half| <= peak * maxHalf < 2^31, and |(h1 >> 1) + (h2 >> 1) + round|
    // <= peak * maxRow / 2 + 1 + 2^14 < 2^31.
    int64_t safe = INT32_MAX;
    if (maxHalf > 0) safe = std::min(safe, int64_t(INT32_MAX) / maxHalf);
    if (maxRow > 0) safe = std::min(safe, ((int64_t(1) << 32) - (int64_t(1) << 15) - 4) / maxRow);
    iSafePeak = int32_t(safe);
}

LSRCConvertRate::LSRCConvertRate(const LSoundSourcePtr& input, int32_t rate) : LSRCFilter(input) {
    SetSampleRate(rate);
    if (input->iPeakBound < 0x100001) iPeakBound = input->iPeakBound * 2;
    tFilter.Build(input->nSampleRate, nSampleRate);
    nStepFrames = tFilter.nStep / tFilter.nPhases;
    nStepPhase = tFilter.nStep % tFilter.nPhases;
    // All zero: the frames that become the history of the first block.
    aBuffer.assign(size_t(kBufferFrames) * nChans, 0);
}

void LSRCConvertRate::SetOutputShift(int s) {
    nBlockShift = uint8_t(s);
    nOutputShift = 15 - s;
    iOutputRound = nOutputShift >= 0 ? (1 << nOutputShift) >> 1 : 0;
}

// Slides the last 63 frames to the front as history (back at the input's
// scale), reads the next 8192 frames behind them, and scales the whole buffer
// down just enough that every sample fits in 16 bits, so every product of a
// sample and a coefficient fits in 32.
void LSRCConvertRate::Refill() {
    const size_t ch = nChans;
    int32_t* buf = aBuffer.data();
    const size_t histCount = size_t(LPolyphaseTable::kTaps) * ch;
    std::memmove(buf, buf + size_t(kBlock) * ch, histCount * sizeof(int32_t));
    if (nBlockShift != 0) {
        for (size_t i = 0; i < histCount; ++i) buf[i] = int32_t(uint32_t(buf[i]) << nBlockShift);
    }
    pInput->Read(buf + histCount, kBlock);

    const size_t total = size_t(kBufferFrames) * ch;
    uint32_t m = 0;
    for (size_t i = 0; i < total; ++i) {
        int32_t x = buf[i];
        uint32_t a = x < 0 ? 0u - uint32_t(x) : uint32_t(x);
        m = std::max(m, a);
    }
    int s = 0;
    while ((m >> s) >= 32768u) ++s;
    const int64_t half = (int64_t(1) << s) >> 1;
    if (s > 0) {
        for (size_t i = 0; i < total; ++i) buf[i] = int32_t((int64_t(buf[i]) + half) >> s);
    }
    SetOutputShift(s);
    // No sample now exceeds this; below the table's safe peak the plain
    // 32-bit sums cannot wrap.
    int64_t peak = (int64_t(m) + half) >> s;
    bWideSums = peak > tFilter.iSafePeak || nOutputShift < 0;
    nInputIndex -= kBlock;
}

// Moves to the next output frame: nStep / nPhases input frames on.
inline void LSRCConvertRate::Advance() {
    nInputIndex += nStepFrames;
    nPhase += nStepPhase;
    if (nPhase >= tFilter.nPhases) {
        nPhase -= tFilter.nPhases;
        ++nInputIndex;
    }
}

template <int Ch>
void LSRCConvertRate::ReadFrames(int32_t* buffer, int32_t n) {
    for (int32_t k = 0; k < n; ++k) {
        // A ratio above 8192:1 needs more than one block per output frame.
        while (nInputIndex >= kBlock) Refill();
        const int32_t* x = aBuffer.data() + size_t(nInputIndex) * Ch;
        const size_t row = size_t(nPhase) * LPolyphaseTable::kTaps;
        int32_t* out = buffer + size_t(k) * Ch;
        if (!bWideSums)
            FilterNarrow<Ch>(tFilter.aCoefs.data() + row, x, out, iOutputRound, nOutputShift);
        else
            FilterWide<Ch>(tFilter.aCoefsHi.data() + row, tFilter.aCoefsLo.data() + row, x, out, iOutputRound,
                           nOutputShift);
        Advance();
    }
}

void LSRCConvertRate::Read(int32_t* buffer, int32_t n) {
    if (nChans == 1) {
        ReadFrames<1>(buffer, n);
    } else if (nChans == 2) {
        ReadFrames<2>(buffer, n);
    } else {
        // Other channel counts are not converted, but the stream still moves.
        for (int32_t k = 0; k < n; ++k) {
            while (nInputIndex >= kBlock) Refill();
            Advance();
        }
    }
}

// Output frame k is centred on input frame k * nStep / nPhases; the next one
// is recovered exactly from the centre input frame and the phase.
int32_t LSRCConvertRate::GetPosition() {
    int64_t centre = int64_t(pInput->GetPosition()) + nInputIndex - (kBlock + 32);
    int64_t sub = centre * tFilter.nPhases + nPhase;
    int64_t q, r;
    FloorDivMod(sub, tFilter.nStep, q, r);
    return int32_t(q);
}

int32_t LSRCConvertRate::GetLength() {
    int32_t len = pInput->GetLength();
    const int32_t step = tFilter.nStep;
    return (len / step) * tFilter.nPhases + int32_t((int64_t(len % step) * tFilter.nPhases) / step);
}

void LSRCConvertRate::Seek(int32_t position) {
    const int32_t phases = tFilter.nPhases;
    const int32_t step = tFilter.nStep;
    int64_t whole, frac;
    FloorDivMod(position, phases, whole, frac);
    int64_t sub = frac * step;  // below phases * step
    int64_t centre = whole * step + sub / phases;
    pInput->Seek(int32_t(centre - LPolyphaseTable::kHalf));
    nPhase = int32_t(sub % phases);
    nInputIndex = kBlock;
    nBlockShift = 0;
    // These become the history of the block the next Read fetches.
    pInput->Read(aBuffer.data() + size_t(kBlock) * nChans, LPolyphaseTable::kTaps);
}

void LSPConvRate::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    if (input->HasError() || input->nSampleRate == nSampleRate)
        result = input;
    else
        result = MakeSource<LSRCConvertRate>(input, nSampleRate);
}

}  // namespace sondrel
