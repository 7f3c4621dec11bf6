// Polyphase synthesis. The matrixing V[i] = sum S[k] cos((16 + i)(2k + 1) pi / 64),
// i = 0..63, is computed from one 32-point DCT-II Y of the subband samples:
// V[i] = Y[16 + i] (i < 16), V[16] = 0, V[i] = -Y[48 - i] (17 <= i <= 48) and
// V[i] = -Y[i - 48] (i > 48). The DCT splits recursively into halves
// (even outputs: DCT of sums; odd outputs: sums of neighbouring outputs of
// the DCT of scaled differences).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "formats/mp3/MP3FrameDecoder.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sondrel {

namespace {

template <int N>
const float* DctFactors(const MP3LT& t) {
    if constexpr (N == 32) return t.dct32;
    if constexpr (N == 16) return t.dct16;
    if constexpr (N == 8) return t.dct8;
    if constexpr (N == 4) return t.dct4;
    return &t.dct2;
}

template <int N>
inline void Dct(const MP3LT& t, const float* x, float* y) {
    if constexpr (N == 2) {
        y[0] = x[0] + x[1];
        y[1] = (x[0] - x[1]) * t.dct2;
    } else {
        constexpr int H = N / 2;
        const float* c = DctFactors<N>(t);
        float a[H], b[H], ya[H], yb[H];
        for (int k = 0; k < H; ++k) {
            a[k] = x[k] + x[N - 1 - k];
            b[k] = (x[k] - x[N - 1 - k]) * c[k];
        }
        Dct<H>(t, a, ya);
        Dct<H>(t, b, yb);
        for (int m = 0; m < H - 1; ++m) {
            y[2 * m] = ya[m];
            y[2 * m + 1] = yb[m] + yb[m + 1];
        }
        y[N - 2] = ya[H - 1];
        y[N - 1] = yb[H - 1];
    }
}

// Samples are held within the declared peak bound of the source (four times
// full scale); only damaged streams come near it.
constexpr float kSampleLimit = 2097152.0f;

inline void StoreSamples(const float* s, int32_t* out, int32_t stride) {
#if defined(__SSE2__)
    const __m128 hi = _mm_set1_ps(kSampleLimit), lo = _mm_set1_ps(-kSampleLimit);
    alignas(16) int32_t r[32];
    for (int j = 0; j < 32; j += 4) {
        __m128 v = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(s + j), lo), hi);
        _mm_store_si128(reinterpret_cast<__m128i*>(r + j), _mm_cvtps_epi32(v));
    }
    for (int j = 0; j < 32; ++j) out[j * stride] = r[j];
#else
    for (int j = 0; j < 32; ++j) out[j * stride] = int32_t(std::lrint(std::clamp(s[j], -kSampleLimit, kSampleLimit)));
#endif
}

}  // namespace

void MP3Dct32(const MP3LT& lt, const float* in, float* out) { Dct<32>(lt, in, out); }

// The synthesis subband filter of ISO/IEC 11172-3 (the flow chart of annex
// A, window D[] of table B.3), 18 times per granule. out: 576 frames of
// nChans interleaved samples.
void MP3FrameDecoder::Synthesis(int32_t nChans, int32_t* out) {
    const float* d = lt_.synthWindow;
    for (int32_t t = 0; t < 18; ++t) {
        nSynthOffset -= 64;
        if (nSynthOffset < 0) {
            for (int32_t ch = 0; ch < nChans; ++ch) std::memcpy(synth_[ch] + 1024, synth_[ch], 1024 * sizeof(float));
            nSynthOffset += 1024;
        }
        for (int32_t ch = 0; ch < nChans; ++ch) {
            float y[32];
            Dct<32>(lt_, sub_[ch][t], y);
            float* v = synth_[ch] + nSynthOffset;
            for (int32_t m = 0; m < 16; ++m) {
                v[m] = y[16 + m];
                v[17 + m] = -y[31 - m];
            }
            v[16] = 0.0f;
            for (int32_t m = 0; m < 15; ++m) {
                v[33 + m] = -y[15 - m];
                v[49 + m] = -y[1 + m];
            }
            v[48] = -y[0];

            float s[32];
            for (int32_t j = 0; j < 32; ++j) s[j] = 0.0f;
            for (int32_t i = 0; i < 8; ++i) {
                const float* va = v + 128 * i;
                const float* vb = v + 128 * i + 96;
                const float* da = d + 64 * i;
                const float* db = d + 64 * i + 32;
                for (int32_t j = 0; j < 32; ++j) s[j] += va[j] * da[j] + vb[j] * db[j];
            }
            StoreSamples(s, out + size_t(t) * 32 * nChans + ch, nChans);
        }
    }
}

}  // namespace sondrel
