// The bodies of the decoder's kernels, written once over a lane type: a
// plain float, or a vector of 4 or 8 floats (GCC's vector extensions give
// the same operators). Each lane performs the plain form's operations in
// its order. Internal to each kernel file (internal linkage), so that a
// body compiled for AVX2 is never taken for another file's.
#pragma once
#include <cstdint>

#include "formats/mp3/MP3Kernels.h"

namespace sondrel {
namespace {

template <int N>
inline const float* DctFactors(const MP3LT& t) {
    if constexpr (N == 32) return t.dct32;
    if constexpr (N == 16) return t.dct16;
    if constexpr (N == 8) return t.dct8;
    if constexpr (N == 4) return t.dct4;
    return &t.dct2;
}

// The DCT-II of N points split into halves: even outputs are the DCT of
// the sums, odd outputs sums of neighbouring outputs of the DCT of the
// scaled differences.
template <int N, class V>
[[gnu::always_inline]] inline void DctLanes(const MP3LT& t, const V* x, V* y) {
    if constexpr (N == 2) {
        y[0] = x[0] + x[1];
        y[1] = (x[0] - x[1]) * t.dct2;
    } else {
        constexpr int H = N / 2;
        const float* c = DctFactors<N>(t);
        V a[H], b[H], ya[H], yb[H];
        for (int k = 0; k < H; ++k) {
            a[k] = x[k] + x[N - 1 - k];
            b[k] = (x[k] - x[N - 1 - k]) * c[k];
        }
        DctLanes<H>(t, a, ya);
        DctLanes<H>(t, b, yb);
        for (int m = 0; m < H - 1; ++m) {
            y[2 * m] = ya[m];
            y[2 * m + 1] = yb[m] + yb[m + 1];
        }
        y[N - 2] = ya[H - 1];
        y[N - 1] = yb[H - 1];
    }
}

// Lanes of W floats at p (any alignment).
template <class V>
[[gnu::always_inline]] inline V LoadLanes(const float* p) {
    V v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}
template <class V>
[[gnu::always_inline]] inline void StoreLanes(float* p, V v) {
    __builtin_memcpy(p, &v, sizeof v);
}

// Slots t0 .. t0 + W - 1 at once, W = sizeof(V) / sizeof(float).
template <class V>
[[gnu::always_inline]] inline void Dct32SlotsBody(const MP3LT& lt, const float* in, float* out) {
    constexpr int W = int(sizeof(V) / sizeof(float));
    for (int t0 = 0; t0 < kMP3Slots; t0 += W) {
        V x[32], y[32];
        for (int k = 0; k < 32; ++k) x[k] = LoadLanes<V>(in + k * kMP3SlotStride + t0);
        DctLanes<32>(lt, x, y);
        for (int m = 0; m < 32; ++m) StoreLanes(out + m * kMP3SlotStride + t0, y[m]);
    }
}

// Outputs j0 .. j0 + W - 1 of the windowing.
template <class V>
[[gnu::always_inline]] inline V WindowLanes(const float* v, const float* d, int j0) {
    V s = V{} ;
    for (int i = 0; i < 8; ++i) {
        const float* va = v + 128 * i + j0;
        const float* vb = v + 128 * i + 96 + j0;
        const float* da = d + 64 * i + j0;
        const float* db = d + 64 * i + 32 + j0;
        s += LoadLanes<V>(va) * LoadLanes<V>(da) + LoadLanes<V>(vb) * LoadLanes<V>(db);
    }
    return s;
}

// Outputs j0 .. j0 + W - 1 of the long IMDCT.
template <class V>
[[gnu::always_inline]] inline V ImdctLanes(const float (*c)[20], const float* in, int j0) {
    V t = V{};
    for (int k = 0; k < 18; ++k) t += in[k] * LoadLanes<V>(c[k] + j0);
    return t;
}

// Samples are held within the declared peak bound of the source (four
// times full scale); only damaged streams come near it.
constexpr float kMP3SampleLimit = 2097152.0f;

}  // namespace
}  // namespace sondrel
