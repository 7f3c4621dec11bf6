#include "formats/gsm/LGSMFrame.h"

#include <cstring>

namespace sondrel {

const uint8_t kGSMFieldBits[kGSMFields] = {
    4,                                                    // signature 0xD
    6, 6, 5, 5, 4, 4, 3, 3,                               // LARc[1..8]
    7, 2, 2, 6, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,    // Nc bc Mc xmaxc xMc[13]
    7, 2, 2, 6, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
    7, 2, 2, 6, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
    7, 2, 2, 6, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
};

// The 33-byte frame, fields most significant bit first: fields[0..kGSMFields)
// in, frame[0..32] out.
void PackGSMFrame(const int16_t* fields, uint8_t* frame) {
    uint32_t acc = 0;
    int bits = 0;
    int out = 0;
    for (int i = 0; i < kGSMFields; ++i) {
        const int w = kGSMFieldBits[i];
        acc = (acc << w) | (uint32_t(fields[i]) & ((1u << w) - 1));
        bits += w;
        while (bits >= 8) {
            bits -= 8;
            frame[out++] = uint8_t(acc >> bits);
        }
    }
}

// frame[0..32] in, fields[0..kGSMFields) out.
void UnpackGSMFrame(const uint8_t* frame, int16_t* fields) {
    uint32_t acc = 0;
    int bits = 0;
    int in = 0;
    for (int i = 0; i < kGSMFields; ++i) {
        const int w = kGSMFieldBits[i];
        while (bits < w) {
            acc = (acc << 8) | frame[in++];
            bits += 8;
        }
        bits -= w;
        fields[i] = int16_t((acc >> bits) & ((1u << w) - 1));
    }
}

namespace {

// The saturating 16-bit operations the standard's procedures are written in.
inline int16_t Sat(int32_t a) { return int16_t(a > 32767 ? 32767 : a < -32768 ? -32768 : a); }
inline int16_t Add(int32_t a, int32_t b) { return Sat(a + b); }
inline int16_t Sub(int32_t a, int32_t b) { return Sat(a - b); }
// The products leave 16 bits only for -32768 x -32768 (32768), which the
// standard's operators give as 32767: saturating gives that without a test.
inline int16_t Mult(int16_t a, int16_t b) { return Sat((int32_t(a) * b) >> 15); }
inline int16_t MultR(int16_t a, int16_t b) { return Sat((int32_t(a) * b + 16384) >> 15); }
inline int16_t Abs(int16_t a) { return a >= 0 ? a : a == -32768 ? int16_t(32767) : int16_t(-a); }
// Left shifts that bring a positive 32-bit value's top bit to bit 30.
inline int Norm(int32_t a) { return __builtin_clz(uint32_t(a)) - 1; }

// num / denum as a 15-bit fraction, 0 <= num <= denum.
int16_t Div(int16_t num, int16_t denum) {
    if (num == 0) return 0;
    int32_t rest = num;
    int32_t q = 0;
    for (int k = 0; k < 15; ++k) {
        q <<= 1;
        rest <<= 1;
        if (rest >= denum) {
            rest -= denum;
            ++q;
        }
    }
    return int16_t(q);
}

// Tables 4.1 (the LAR quantiser: A, B, smallest and largest code) and 4.2 (1/A).
const int16_t kA[8] = {20480, 20480, 20480, 20480, 13964, 15360, 8534, 9036};
const int16_t kB[8] = {0, 0, 2048, -2560, 94, -1792, -341, -1144};
const int16_t kMIC[8] = {-32, -32, -16, -16, -8, -8, -4, -4};
const int16_t kMAC[8] = {31, 31, 15, 15, 7, 7, 3, 3};
const int16_t kINVA[8] = {13107, 13107, 13107, 13107, 19223, 17476, 31454, 29708};
// Tables 4.3a and 4.3b: LTP gain decision levels and quantised gains.
const int16_t kDLB[4] = {6554, 16384, 26214, 32767};
const int16_t kQLB[4] = {3277, 11469, 21299, 32767};
// Table 4.4: the weighting filter's impulse response.
const int16_t kH[11] = {-134, -374, 0, 2054, 5741, 8192, 5741, 2054, 0, -374, -134};
// Tables 4.5 and 4.6: normalised inverse mantissa and mantissa of xmax.
const int16_t kNRFAC[8] = {29128, 26215, 23832, 21846, 20165, 18725, 17476, 16384};
const int16_t kFAC[8] = {18431, 20479, 22527, 24575, 26623, 28671, 30719, 32767};

// The four interpolation segments of a frame.
const int kSegStart[5] = {0, 13, 27, 40, 160};

// 4.2.5 Computation of the reflection coefficients: r[0..7] (out) from the
// autocorrelation acf[0..8] (in), by the Schur recursion on the normalised lags.
void ReflectionCoefficients(const int32_t* acf, int16_t* r) {
    if (acf[0] <= 0) {
        std::memset(r, 0, 8 * sizeof(int16_t));
        return;
    }
    const int shift = Norm(acf[0]);
    int16_t P[9], K[9];
    for (int i = 0; i < 9; ++i) {
        const int64_t a = (int64_t(acf[i]) << shift) >> 16;  // lags may exceed lag 0 by rounding
        P[i] = int16_t(a < -32768 ? -32768 : a > 32767 ? 32767 : a);
    }
    for (int i = 1; i <= 7; ++i) K[9 - i] = P[i];
    for (int n = 1; n <= 8; ++n) {
        if (P[0] < Abs(P[1])) {
            for (int i = n; i <= 8; ++i) r[i - 1] = 0;
            return;
        }
        int16_t rn = Div(Abs(P[1]), P[0]);
        if (P[1] > 0) rn = int16_t(-rn);
        r[n - 1] = rn;
        if (n == 8) return;
        P[0] = Add(P[0], MultR(P[1], rn));
        for (int m = 1; m <= 8 - n; ++m) {
            P[m] = Add(P[m + 1], MultR(K[9 - m], rn));
            K[9 - m] = Add(K[9 - m], MultR(P[m + 1], rn));
        }
    }
}

// 4.2.6 Transformation of reflection coefficients to log-area ratios: a
// piecewise-linear approximation of each. r[0..7] in, LAR[0..7] out.
void TransformationToLogAreaRatios(const int16_t* r, int16_t* LAR) {
    for (int i = 0; i < 8; ++i) {
        int16_t t = Abs(r[i]);
        if (t < 22118)
            t = int16_t(t >> 1);
        else if (t < 31130)
            t = int16_t(t - 11059);
        else
            t = int16_t((t - 26112) << 2);
        LAR[i] = r[i] < 0 ? int16_t(-t) : t;
    }
}

// 4.2.7 Quantization and coding of the log-area ratios (table 4.1).
// LAR[0..7] in, LARc[0..7] out (codes from kMIC to kMAC, offset to 0).
void QuantizationAndCoding(const int16_t* LAR, int16_t* LARc) {
    for (int i = 0; i < 8; ++i) {
        int16_t c = Add(Add(Mult(kA[i], LAR[i]), kB[i]), 256);
        c = int16_t(c >> 9);
        if (c > kMAC[i]) c = kMAC[i];
        if (c < kMIC[i]) c = kMIC[i];
        LARc[i] = int16_t(c - kMIC[i]);
    }
}

// 4.2.8 Decoding of the coded log-area ratios (table 4.2), shared with the
// decoder. LARc[0..7] in, LARpp[0..7] out.
void DecodingOfCodedLogAreaRatios(const int16_t* LARc, int16_t* LARpp) {
    for (int i = 0; i < 8; ++i) {
        int16_t t = int16_t(Add(LARc[i], kMIC[i]) << 10);
        t = Sub(t, kB[i] * 2);
        t = MultR(kINVA[i], t);
        LARpp[i] = Add(t, t);
    }
}

// 4.2.9.1 Interpolation of the LARpp: LARp of segment seg (samples 0..12,
// 13..26, 27..39, 40..159), the previous and current frame's LARpp weighted
// 3:1, 1:1, 1:3, 0:1. prev[0..7] and cur[0..7] in, LARp[0..7] out.
void InterpolatedLARp(int seg, const int16_t* prev, const int16_t* cur, int16_t* LARp) {
    for (int i = 0; i < 8; ++i) {
        switch (seg) {
            case 0: LARp[i] = Add(Add(prev[i] >> 2, cur[i] >> 2), prev[i] >> 1); break;
            case 1: LARp[i] = Add(prev[i] >> 1, cur[i] >> 1); break;
            case 2: LARp[i] = Add(Add(prev[i] >> 2, cur[i] >> 2), cur[i] >> 1); break;
            default: LARp[i] = cur[i]; break;
        }
    }
}

// 4.2.9.2 Computation of the reflection coefficients rp from the LARp.
// LARp[0..7] in, rp[0..7] out.
void LARpToRp(const int16_t* LARp, int16_t* rp) {
    for (int i = 0; i < 8; ++i) {
        int16_t t = Abs(LARp[i]);
        if (t < 11059)
            t = int16_t(t << 1);
        else if (t < 20070)
            t = Add(t, 11059);
        else
            t = Add(t >> 2, 26112);
        rp[i] = LARp[i] < 0 ? int16_t(-t) : t;
    }
}

// 4.2.9 for one segment: prev[0..7] and cur[0..7] in, rp[0..7] out.
void SegmentRp(int seg, const int16_t* prev, const int16_t* cur, int16_t* rp) {
    int16_t LARp[8];
    InterpolatedLARp(seg, prev, cur, LARp);
    LARpToRp(LARp, rp);
}

// 4.2.10 Short term analysis filtering: the lattice filter over s[0..n), in
// place (s in, the residual d out). u[0..7] is the filter memory (in and out),
// rp[0..7] in.
void ShortTermAnalysisFiltering(int16_t* u, const int16_t* rp, int n, int16_t* s) {
    for (int k = 0; k < n; ++k) {
        int16_t di = s[k], sav = di;
        for (int i = 0; i < 8; ++i) {
            const int16_t ui = Add(u[i], MultR(rp[i], di));
            di = Add(di, MultR(rp[i], u[i]));
            u[i] = sav;
            sav = ui;
        }
        s[k] = di;
    }
}

// 4.2.11 Calculation of the LTP parameters: the lag Nc (40..120) by the
// largest cross-correlation of the scaled sub-frame residual with the
// reconstructed history, and the coded gain bc (0..3, table 4.3a). d[0..39]
// in; hist[0..119] in, hist[120 + k] being dp[k] for k = -120..-1.
void CalculationOfLTPParameters(const int16_t* d, const int16_t* hist, int& bc, int& Nc) {
    int16_t dmax = 0;
    for (int k = 0; k < 40; ++k) {
        const int16_t a = Abs(d[k]);
        if (a > dmax) dmax = a;
    }
    const int t = dmax == 0 ? 0 : Norm(int32_t(dmax) << 16);
    const int scal = t > 6 ? 0 : 6 - t;
    int16_t wt[40];
    for (int k = 0; k < 40; ++k) wt[k] = int16_t(d[k] >> scal);
    int32_t Lmax = 0;
    Nc = 40;
    for (int lambda = 40; lambda <= 120; ++lambda) {
        const int16_t* h = hist + 120 - lambda;
        int32_t sum = 0;
        for (int k = 0; k < 40; ++k) sum += int32_t(wt[k]) * h[k];
        sum *= 2;
        if (sum > Lmax) {
            Nc = lambda;
            Lmax = sum;
        }
    }
    Lmax >>= 6 - scal;
    const int16_t* past = hist + 120 - Nc;
    int32_t Lpower = 0;
    for (int k = 0; k < 40; ++k) {
        const int32_t w = past[k] >> 3;
        Lpower += w * w * 2;
    }
    if (Lmax <= 0) {
        bc = 0;
        return;
    }
    if (Lmax >= Lpower) {
        bc = 3;
        return;
    }
    const int n = Norm(Lpower);
    const int16_t R = int16_t((Lmax << n) >> 16);
    const int16_t S = int16_t((Lpower << n) >> 16);
    for (bc = 0; bc < 3; ++bc)
        if (R <= Mult(S, kDLB[bc])) return;
}

// 4.2.12 Long term analysis filtering: the prediction dpp[0..39] (out) from
// hist[0..119] (in) with the quantised gain (table 4.3b), and the residual
// e[0..39] (out) = d[0..39] (in) - dpp.
void LongTermAnalysisFiltering(int bc, int Nc, const int16_t* hist, const int16_t* d, int16_t* dpp, int16_t* e) {
    const int16_t* past = hist + 120 - Nc;
    for (int k = 0; k < 40; ++k) {
        dpp[k] = MultR(kQLB[bc], past[k]);
        e[k] = Sub(d[k], dpp[k]);
    }
}

// 4.2.13 Weighting filter (table 4.4): e[-5..44] in (five zeros on either
// side of the sub-frame), x[0..39] out.
void WeightingFilter(const int16_t* e, int16_t* x) {
    for (int k = 0; k < 40; ++k) {
        int32_t acc = 4096;
        for (int i = 0; i < 11; ++i) acc += int32_t(e[k + i - 5]) * kH[i];
        acc >>= 13;
        x[k] = int16_t(acc > 32767 ? 32767 : acc < -32767 ? -32767 : acc);
    }
}

// 4.2.14 RPE grid selection: the one of the four decimated sequences
// x[m + 3i] with the most energy. x[0..39] in, xM[0..12] and Mc (0..3) out.
void RPEGridSelection(const int16_t* x, int16_t* xM, int& Mc) {
    Mc = 0;
    int32_t EM = 0;
    for (int m = 0; m < 4; ++m) {
        int32_t sum = 0;
        for (int i = 0; i < 13; ++i) {
            const int32_t a = x[m + 3 * i] >> 2;
            sum += a * a * 2;
        }
        if (sum > EM) {
            Mc = m;
            EM = sum;
        }
    }
    for (int i = 0; i < 13; ++i) xM[i] = x[Mc + 3 * i];
}

// 4.2.15 (part): xmaxc's exponent (-4..6) and mantissa (0..7), out.
void APCMQuantizationXmaxcToExpMant(int16_t xmaxc, int& exp, int& mant) {
    exp = xmaxc > 15 ? (xmaxc >> 3) - 1 : 0;
    mant = xmaxc - (exp << 3);
    if (mant == 0) {
        exp = -4;
        mant = 7;
        return;
    }
    for (int i = 0; i < 3 && mant <= 7; ++i) {
        mant = (mant << 1) | 1;
        --exp;
    }
    mant -= 8;
}

// 4.2.15 APCM quantization of the selected RPE sequence: xmax on a
// logarithmic scale (xmaxc, 0..63), the samples in 3 bits each (table 4.5).
// xM[0..12] in; xMc[0..12] (0..7), mant, exp and xmaxc out.
void APCMQuantization(const int16_t* xM, int16_t* xMc, int& mant, int& exp, int16_t& xmaxc) {
    int16_t xmax = 0;
    for (int i = 0; i < 13; ++i) {
        const int16_t a = Abs(xM[i]);
        if (a > xmax) xmax = a;
    }
    exp = 0;
    int32_t t = xmax >> 9;
    bool stop = false;
    for (int i = 0; i < 6; ++i) {
        if (t <= 0) stop = true;
        t >>= 1;
        if (!stop) ++exp;
    }
    xmaxc = Add(xmax >> (exp + 5), exp << 3);
    APCMQuantizationXmaxcToExpMant(xmaxc, exp, mant);
    const int norm = 6 - exp;
    for (int i = 0; i < 13; ++i) {
        const int16_t scaled = int16_t(xM[i] << norm);
        xMc[i] = Add(Mult(scaled, kNRFAC[mant]) >> 12, 4);
    }
}

// 4.2.16 APCM inverse quantization (table 4.6), shared with the decoder.
// xMc[0..12] (0..7) in, xMp[0..12] out.
void APCMInverseQuantization(const int16_t* xMc, int mant, int exp, int16_t* xMp) {
    const int16_t fac = kFAC[mant];
    const int shift = 6 - exp;
    const int16_t round = int16_t(shift > 0 ? 1 << (shift - 1) : 0);
    for (int i = 0; i < 13; ++i) {
        int16_t t = int16_t(((xMc[i] << 1) - 7) << 12);
        t = Add(MultR(fac, t), round);
        xMp[i] = int16_t(t >> shift);
    }
}

// 4.2.17 RPE grid positioning: xMp[0..12] in at every third sample from Mc,
// ep[0..39] out (zeros elsewhere).
void RPEGridPositioning(int Mc, const int16_t* xMp, int16_t* ep) {
    std::memset(ep, 0, 40 * sizeof(int16_t));
    for (int i = 0; i < 13; ++i) ep[Mc + 3 * i] = xMp[i];
}

// 4.3.1 RPE decoding: one sub-frame's RPE parameters (xmaxc, Mc, xMc[0..12]
// in) to ep[0..39] (out), through 4.2.15's exponent, 4.2.16 and 4.2.17.
void RPEDecoding(int16_t xmaxc, int Mc, const int16_t* xMc, int16_t* ep) {
    int exp, mant;
    APCMQuantizationXmaxcToExpMant(xmaxc, exp, mant);
    int16_t xMp[13];
    APCMInverseQuantization(xMc, mant, exp, xMp);
    RPEGridPositioning(Mc, xMp, ep);
}

// The reconstructed residual's history of 4.2.11 and 4.3.2: hist[0..119]
// (in and out) shifts by one sub-frame, sub[0..39] (in) is appended.
void PushHistory(int16_t* hist, const int16_t* sub) {
    std::memmove(hist, hist + 40, 80 * sizeof(int16_t));
    std::memcpy(hist + 80, sub, 40 * sizeof(int16_t));
}

// 4.3.2 Long term synthesis filtering: one sub-frame of the short-term
// residual out[0..39] (out) from erp[0..39] (in) and the LTP parameters; a
// lag outside 40..120 keeps the previous one (nrp, in and out). drp[0..119]
// is the history (in).
void LongTermSynthesisFiltering(int16_t& nrp, int16_t* drp, int16_t Ncr, int16_t bcr, const int16_t* erp, int16_t* out) {
    const int16_t Nr = (Ncr < 40 || Ncr > 120) ? nrp : Ncr;
    nrp = Nr;
    const int16_t brp = kQLB[bcr & 3];
    const int16_t* past = drp + 120 - Nr;
    for (int k = 0; k < 40; ++k) out[k] = Add(erp[k], MultR(brp, past[k]));
    PushHistory(drp, out);
}

// 4.3.4 Short term synthesis filtering: the inverse lattice over wt[0..n)
// (in) into sr[0..n) (out) with rrp[0..7] (in); v[0..8] is the filter
// memory (in and out).
void ShortTermSynthesisFiltering(int16_t* v, const int16_t* rrp, int n, const int16_t* wt, int16_t* sr) {
    for (int k = 0; k < n; ++k) {
        int16_t sri = wt[k];
        for (int i = 7; i >= 0; --i) {
            sri = Sub(sri, MultR(rrp[i], v[i]));
            v[i + 1] = Add(v[i], MultR(rrp[i], sri));
        }
        sr[k] = sri;
        v[0] = sri;
    }
}

}  // namespace

void LGSMFrame::Reset() {
    std::memset(dp0, 0, sizeof dp0);
    std::memset(LARppEnc, 0, sizeof LARppEnc);
    std::memset(u, 0, sizeof u);
    iPrevIn = iOffsetAcc = iPrevOut = 0;
    std::memset(drp, 0, sizeof drp);
    std::memset(LARppDec, 0, sizeof LARppDec);
    std::memset(v, 0, sizeof v);
    nrp = 40;
    msr = 0;
}

// 4.2.1 .. 4.2.3 Preprocessing, on the program's scale: the downscaling of
// 4.2.1 becomes the rounded division by 32 at the end, 4.2.2 is the offset
// compensation and 4.2.3 the pre-emphasis. samples[0..159] in (internal
// scale), s[0..159] out (16-bit words).
void LGSMFrame::Preprocess(const int32_t* samples, int16_t* s) {
    int32_t prevIn = iPrevIn, acc = iOffsetAcc, prevOut = iPrevOut;
    for (int k = 0; k < kGSMFrameSamples; ++k) {
        // Beyond 16-bit full scale the codec has nothing to offer, and the
        // front end's 32-bit sums stay exact only within it.
        int32_t x = samples[k];
        if (x > 524287) x = 524287;
        if (x < -524288) x = -524288;
        // Offset compensation: a DC-blocking high-pass with pole 1023/1024.
        acc += (x - prevIn) * 1024;
        prevIn = x;
        const int32_t out = (acc + 512) >> 10;
        acc -= out;
        // Pre-emphasis by 880/1024 and the rounded division by 32 that
        // brings the internal scale down to the codec's 16-bit words.
        const int32_t e = (out + 16 - ((prevOut * 880 + 512) >> 10)) >> 5;
        prevOut = out;
        s[k] = Sat(e);
    }
    iPrevIn = prevIn;
    iOffsetAcc = acc;
    iPrevOut = prevOut;
}

// 4.2.4 Autocorrelation: s[0..159] in, acf[0..8] out.
void LGSMFrame::AutoCorrelation(const int16_t* s, int32_t* acf) {
    // Products start shifted right by 2; whenever a sum comes near the 32-bit
    // limit, the shift grows and everything summed so far is halved.
    // No partial sum of any lag exceeds the energy (Cauchy-Schwarz), and the
    // shifted products add at most one unit each, so for frames of moderate
    // energy the shift can never grow and a plain sum gives the same result.
    int64_t energy = 0;
    for (int i = 0; i < kGSMFrameSamples; ++i) energy += int32_t(s[i]) * s[i];
    if ((energy >> 2) + kGSMFrameSamples + 1 < 0x3FFFFFFF) {
        for (int k = 0; k <= 8; ++k) {
            int32_t sum = 0;
            for (int i = k; i < kGSMFrameSamples; ++i) sum += (int32_t(s[i]) * s[i - k]) >> 2;
            acf[k] = sum;
        }
        return;
    }
    int shift = 2;
    for (int k = 0; k <= 8; ++k) {
        int32_t sum = 0;
        int i = k;
        while (i < kGSMFrameSamples) {
            const int end = i + 4 < kGSMFrameSamples ? i + 4 : kGSMFrameSamples;
            for (; i < end; ++i) sum += (int32_t(s[i]) * s[i - k]) >> shift;
            while (sum >= 0x3FFFFFFF || sum <= -0x3FFFFFFF) {
                ++shift;
                sum >>= 1;
                for (int j = 0; j < k; ++j) acf[j] >>= 1;
            }
        }
        acf[k] = sum;
    }
}

// 4.2.5 .. 4.2.10 for the frame, then 4.2.11 .. 4.2.17 for each of the four
// sub-frames, and the packing of the 76 parameters. s[0..159] in (the
// residual d on return), acf[0..8] in, frame[0..32] out.
void LGSMFrame::EncodeAnalysed(int16_t* s, const int32_t* acf, uint8_t* frame) {
    int16_t f[kGSMFields];
    f[0] = 0xD;
    int16_t* LARc = f + kGSMFieldLARc;

    int16_t r[8], LAR[8], LARpp[8];
    ReflectionCoefficients(acf, r);
    TransformationToLogAreaRatios(r, LAR);
    QuantizationAndCoding(LAR, LARc);
    DecodingOfCodedLogAreaRatios(LARc, LARpp);
    for (int seg = 0; seg < 4; ++seg) {
        int16_t rp[8];
        SegmentRp(seg, LARppEnc, LARpp, rp);
        ShortTermAnalysisFiltering(u, rp, kSegStart[seg + 1] - kSegStart[seg], s + kSegStart[seg]);
    }
    std::memcpy(LARppEnc, LARpp, sizeof LARpp);

    for (int j = 0; j < 4; ++j) {
        const int16_t* d = s + 40 * j;
        int16_t* sub = f + kGSMFieldSub + kGSMSubFrameFields * j;
        int bc, Nc, Mc, mant, exp;
        int16_t dpp[40], e[50], x[40], xM[13], xMp[13], ep[40], xmaxc;
        CalculationOfLTPParameters(d, dp0, bc, Nc);
        std::memset(e, 0, sizeof e);
        LongTermAnalysisFiltering(bc, Nc, dp0, d, dpp, e + 5);
        WeightingFilter(e + 5, x);
        RPEGridSelection(x, xM, Mc);
        APCMQuantization(xM, sub + kGSMSubxMc, mant, exp, xmaxc);
        // Reconstruct the sub-frame's residual as the decoder will.
        APCMInverseQuantization(sub + kGSMSubxMc, mant, exp, xMp);
        RPEGridPositioning(Mc, xMp, ep);
        for (int k = 0; k < 40; ++k) ep[k] = Add(ep[k], dpp[k]);
        PushHistory(dp0, ep);

        sub[kGSMSubNc] = int16_t(Nc);
        sub[kGSMSubbc] = int16_t(bc);
        sub[kGSMSubMc] = int16_t(Mc);
        sub[kGSMSubxmaxc] = xmaxc;
    }
    PackGSMFrame(f, frame);
}

void LGSMFrame::EncodeNormal(const int32_t* samples, uint8_t* frame) {
    int16_t s[kGSMFrameSamples];
    int32_t acf[9];
    Preprocess(samples, s);
    AutoCorrelation(s, acf);
    EncodeAnalysed(s, acf, frame);
}

// 4.3.1 and 4.3.2 for each sub-frame, then 4.3.3 (the LARs decoded and
// interpolated as in 4.2.8 and 4.2.9) and 4.3.4 for the frame.
// frame[0..32] in, sr[0..159] out.
void LGSMFrame::DecodeSpeech(const uint8_t* frame, int16_t* sr) {
    int16_t f[kGSMFields];
    UnpackGSMFrame(frame, f);

    int16_t wt[kGSMFrameSamples];
    for (int j = 0; j < 4; ++j) {
        const int16_t* sub = f + kGSMFieldSub + kGSMSubFrameFields * j;
        int16_t erp[40];
        RPEDecoding(sub[kGSMSubxmaxc], sub[kGSMSubMc], sub + kGSMSubxMc, erp);
        LongTermSynthesisFiltering(nrp, drp, sub[kGSMSubNc], sub[kGSMSubbc], erp, wt + 40 * j);
    }

    int16_t LARpp[8];
    DecodingOfCodedLogAreaRatios(f + kGSMFieldLARc, LARpp);
    for (int seg = 0; seg < 4; ++seg) {
        int16_t rrp[8];
        SegmentRp(seg, LARppDec, LARpp, rrp);
        const int at = kSegStart[seg];
        ShortTermSynthesisFiltering(v, rrp, kSegStart[seg + 1] - at, wt + at, sr + at);
    }
    std::memcpy(LARppDec, LARpp, sizeof LARpp);
}

// 4.3.5 De-emphasis filtering and 4.3.6 upscaling, without the truncation
// of 4.3.7 (the program keeps the low bits). sr[0..159] in, samples[0..159]
// out (internal scale).
void LGSMFrame::Deemphasis(const int16_t* sr, int32_t* samples) {
    // out = 32 sr + 880/1024 of the previous output: 32 times the standard's
    // de-emphasis memory, whose double is the 16-bit sample. The memory is
    // held within +-32767 x 32 as the standard saturates its 16-bit word; that
    // also keeps the product below 2^31.
    constexpr int32_t kLimit = 32767 * 32;
    int32_t prev = msr;
    for (int k = 0; k < kGSMFrameSamples; ++k) {
        int32_t o = sr[k] * 32 + ((prev * 880 + 512) >> 10);
        if (o > kLimit) o = kLimit;
        if (o < -kLimit) o = -kLimit;
        samples[k] = o;
        prev = o;
    }
    msr = prev;
}

void LGSMFrame::DecodeNormal(const uint8_t* frame, int32_t* samples) {
    int16_t sr[kGSMFrameSamples];
    DecodeSpeech(frame, sr);
    Deemphasis(sr, samples);
}

}  // namespace sondrel
