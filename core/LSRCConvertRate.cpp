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

constexpr int kPadded = LPolyphaseTable::kPaddedTaps;

// Final step of every output sample: each half sum is halved with an
// arithmetic shift, the two are added with the rounding constant, and the
// result is shifted back to the input's scale. The half sums themselves are
// exact (up to 33 bits), so this is done in 64 bits and the result saturated;
// while the half sums fit 32 bits it equals the plain 32-bit computation.
inline int32_t Combine(int64_t h1, int64_t h2, int32_t round, int32_t shift) {
    int64_t sum = (h1 >> 1) + (h2 >> 1) + round;
    int64_t v = shift >= 0 ? sum >> shift : sum * (int64_t(1) << -shift);
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// One output sample from a row of 16-bit samples. With the coefficients split
// as 256 * hi + lo, each of the four partial sums is an exact 32-bit sum of
// 32-bit products of 16-bit values (which the compiler may pair up and
// vectorise freely), and only their combination is wider.
inline int32_t FilterPlanar(const int16_t* __restrict hi, const int16_t* __restrict lo,
                            const int16_t* __restrict x, int32_t round, int32_t shift) {
    int32_t aHi = 0, aLo = 0, bHi = 0, bLo = 0;
    for (int t = 0; t < kLowHalf; ++t) {
        aHi += int32_t(hi[t]) * int32_t(x[t]);
        aLo += int32_t(lo[t]) * int32_t(x[t]);
    }
    for (int t = kLowHalf; t < kPadded; ++t) {  // the padding coefficient is 0
        bHi += int32_t(hi[t]) * int32_t(x[t]);
        bLo += int32_t(lo[t]) * int32_t(x[t]);
    }
    return Combine(int64_t(aHi) * 256 + aLo, int64_t(bHi) * 256 + bLo, round, shift);
}

// The same from the interleaved 32-bit buffer, for the rare block holding a
// sample of exactly 32768 (a rounding carry), which 16 bits cannot hold.
inline int32_t FilterInterleaved(const int16_t* hi, const int16_t* lo, const int32_t* x, int ch, int32_t round,
                                 int32_t shift) {
    int32_t sum[4] = {0, 0, 0, 0};
    for (int t = 0; t < kTaps; ++t) {
        int half = t < kLowHalf ? 0 : 2;
        sum[half] += int32_t(hi[t]) * x[t * ch];
        sum[half + 1] += int32_t(lo[t]) * x[t * ch];
    }
    return Combine(int64_t(sum[0]) * 256 + sum[1], int64_t(sum[2]) * 256 + sum[3], round, shift);
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

    aCoefsHi.assign(size_t(nPhases) * kPaddedTaps, 0);
    aCoefsLo.assign(size_t(nPhases) * kPaddedTaps, 0);
    for (int32_t p = 0; p < nPhases; ++p) {
        for (int i = 0; i < kTaps; ++i) {
            int32_t c = aCoefs[size_t(p) * kTaps + i];  // |c| < 65536
            aCoefsHi[size_t(p) * kPaddedTaps + i] = int16_t(c >> 8);
            aCoefsLo[size_t(p) * kPaddedTaps + i] = int16_t(c & 255);
        }
    }
}

LSRCConvertRate::LSRCConvertRate(const LSoundSourcePtr& input, int32_t rate) : LSRCFilter(input) {
    SetSampleRate(rate);
    if (input->iPeakBound < 0x100001) iPeakBound = input->iPeakBound * 2;
    tFilter.Build(input->nSampleRate, nSampleRate);
    nStepFrames = tFilter.nStep / tFilter.nPhases;
    nStepPhase = tFilter.nStep % tFilter.nPhases;
    // All zero: the frames that become the history of the first block.
    aBuffer.assign(size_t(kBufferFrames) * nChans, 0);
    if (nChans <= 2) aPlanes.assign(size_t(kBufferFrames + 1) * nChans, 0);
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
    const int32_t half = (1 << s) >> 1;
    if (s > 0 && m < (1u << 30)) {
        for (size_t i = 0; i < total; ++i) buf[i] = (buf[i] + half) >> s;  // cannot overflow
    } else if (s > 0) {
        for (size_t i = 0; i < total; ++i) buf[i] = int32_t((int64_t(buf[i]) + half) >> s);
    }
    SetOutputShift(s);
    nInputIndex -= kBlock;

    // 16-bit rows for the filter, unless rounding carried a sample to 32768.
    bPlanar = !aPlanes.empty() && int64_t(m) < (int64_t(32768) << s) - half;
    if (!bPlanar) return;
    const int32_t stride = kBufferFrames + 1;
    for (size_t c = 0; c < ch; ++c) {
        int16_t* plane = aPlanes.data() + c * stride;
        const int32_t* src = buf + c;
        for (int32_t f = 0; f < kBufferFrames; ++f) plane[f] = int16_t(src[size_t(f) * ch]);
    }
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
    const int32_t stride = kBufferFrames + 1;
    for (int32_t k = 0; k < n; ++k) {
        // A ratio above 8192:1 needs more than one block per output frame.
        while (nInputIndex >= kBlock) Refill();
        const size_t row = size_t(nPhase) * LPolyphaseTable::kPaddedTaps;
        const int16_t* hi = tFilter.aCoefsHi.data() + row;
        const int16_t* lo = tFilter.aCoefsLo.data() + row;
        int32_t* out = buffer + size_t(k) * Ch;
        if (bPlanar) {
            const int16_t* x = aPlanes.data() + nInputIndex;
            for (int c = 0; c < Ch; ++c) out[c] = FilterPlanar(hi, lo, x + c * stride, iOutputRound, nOutputShift);
        } else {
            const int32_t* x = aBuffer.data() + size_t(nInputIndex) * Ch;
            for (int c = 0; c < Ch; ++c) out[c] = FilterInterleaved(hi, lo, x + c, Ch, iOutputRound, nOutputShift);
        }
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
