#include "effects/LEqKernel.h"

#include <initializer_list>

#if defined(__SSE2__)
#include <emmintrin.h>
#define SONDREL_FIR_SSE2 1
#endif
// Wider vectors are chosen at run time and only on 64-bit Unix-like
// targets: 32-bit Windows cannot keep 32-byte stack slots aligned.
#if defined(__x86_64__) && !defined(_WIN32) && defined(__GNUC__)
#include <immintrin.h>
#define SONDREL_FIR_WIDE 1
#endif

namespace sondrel {

// Without vector instructions the symmetry halves the multiplications.
static void FirPortable(const int16_t* x, const int16_t* taps, int32_t* acc, int32_t count) {
    constexpr int32_t half = kFirTaps / 2 - 1;  // 2047: the centre index
    const int16_t* side = taps + half;          // side[j]: the tap pair at distance j
    for (int32_t k = 0; k < count; ++k) {
        const int16_t* centre = x + k + half;
        int32_t sum = int32_t(side[0]) * centre[0];
        for (int32_t j = 1; j <= half; ++j) sum += int32_t(side[j]) * (int32_t(centre[-j]) + centre[j]);
        acc[k] = sum;
    }
}

#ifdef SONDREL_FIR_SSE2
static inline int32_t HSum128(__m128i v) {
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0x4E));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0xB1));
    return _mm_cvtsi128_si32(v);
}

static void FirSSE2(const int16_t* x, const int16_t* taps, int32_t* acc, int32_t count) {
    int32_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const int16_t* w = x + k;
        __m128i a0 = _mm_setzero_si128(), a1 = a0, a2 = a0, a3 = a0;
        for (int32_t i = 0; i < kFirTaps; i += 8) {
            __m128i t = _mm_load_si128(reinterpret_cast<const __m128i*>(taps + i));
            a0 = _mm_add_epi32(a0, _mm_madd_epi16(t, _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + i))));
            a1 = _mm_add_epi32(a1, _mm_madd_epi16(t, _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + i + 1))));
            a2 = _mm_add_epi32(a2, _mm_madd_epi16(t, _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + i + 2))));
            a3 = _mm_add_epi32(a3, _mm_madd_epi16(t, _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + i + 3))));
        }
        acc[k] = HSum128(a0);
        acc[k + 1] = HSum128(a1);
        acc[k + 2] = HSum128(a2);
        acc[k + 3] = HSum128(a3);
    }
    for (; k < count; ++k) {
        const int16_t* w = x + k;
        __m128i a = _mm_setzero_si128();
        for (int32_t i = 0; i < kFirTaps; i += 8)
            a = _mm_add_epi32(a, _mm_madd_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(taps + i)),
                                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + i))));
        acc[k] = HSum128(a);
    }
}
#endif

#ifdef SONDREL_FIR_WIDE
// Sums of eight 8-lane vectors, in order.
__attribute__((target("avx2"))) static inline __m256i HSum8x8(__m256i a0, __m256i a1, __m256i a2, __m256i a3,
                                                              __m256i a4, __m256i a5, __m256i a6, __m256i a7) {
    __m256i h01 = _mm256_hadd_epi32(a0, a1), h23 = _mm256_hadd_epi32(a2, a3);
    __m256i h45 = _mm256_hadd_epi32(a4, a5), h67 = _mm256_hadd_epi32(a6, a7);
    __m256i h0123 = _mm256_hadd_epi32(h01, h23), h4567 = _mm256_hadd_epi32(h45, h67);
    return _mm256_add_epi32(_mm256_permute2x128_si256(h0123, h4567, 0x20),
                            _mm256_permute2x128_si256(h0123, h4567, 0x31));
}

#define LOADU256(p) _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))

__attribute__((target("avx2"))) static void FirAVX2(const int16_t* x, const int16_t* taps, int32_t* acc,
                                                    int32_t count) {
    int32_t k = 0;
    for (; k + 8 <= count; k += 8) {
        const int16_t* w = x + k;
        __m256i a0 = _mm256_setzero_si256(), a1 = a0, a2 = a0, a3 = a0, a4 = a0, a5 = a0, a6 = a0, a7 = a0;
        for (int32_t i = 0; i < kFirTaps; i += 16) {
            __m256i t = _mm256_load_si256(reinterpret_cast<const __m256i*>(taps + i));
            const int16_t* p = w + i;
            a0 = _mm256_add_epi32(a0, _mm256_madd_epi16(t, LOADU256(p)));
            a1 = _mm256_add_epi32(a1, _mm256_madd_epi16(t, LOADU256(p + 1)));
            a2 = _mm256_add_epi32(a2, _mm256_madd_epi16(t, LOADU256(p + 2)));
            a3 = _mm256_add_epi32(a3, _mm256_madd_epi16(t, LOADU256(p + 3)));
            a4 = _mm256_add_epi32(a4, _mm256_madd_epi16(t, LOADU256(p + 4)));
            a5 = _mm256_add_epi32(a5, _mm256_madd_epi16(t, LOADU256(p + 5)));
            a6 = _mm256_add_epi32(a6, _mm256_madd_epi16(t, LOADU256(p + 6)));
            a7 = _mm256_add_epi32(a7, _mm256_madd_epi16(t, LOADU256(p + 7)));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(acc + k), HSum8x8(a0, a1, a2, a3, a4, a5, a6, a7));
    }
    for (; k < count; ++k) {
        const int16_t* w = x + k;
        __m256i a = _mm256_setzero_si256();
        for (int32_t i = 0; i < kFirTaps; i += 16)
            a = _mm256_add_epi32(
                a, _mm256_madd_epi16(_mm256_load_si256(reinterpret_cast<const __m256i*>(taps + i)), LOADU256(w + i)));
        __m128i s = _mm_add_epi32(_mm256_castsi256_si128(a), _mm256_extracti128_si256(a, 1));
        s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4E));
        s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xB1));
        acc[k] = _mm_cvtsi128_si32(s);
    }
}

// GCC 12's AVX-512 extract intrinsics trip a false maybe-uninitialized warning.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#define LOADU512(p) _mm512_loadu_si512(reinterpret_cast<const void*>(p))

__attribute__((target("avx512f,avx512bw"))) static inline __m256i Fold512(__m512i v) {
    return _mm256_add_epi32(_mm512_castsi512_si256(v), _mm512_extracti64x4_epi64(v, 1));
}

// Eight outputs at a time; MAC(a, t, v) adds the products of one 32-tap slice.
#define SONDREL_FIR512(MAC)                                                                                 \
    int32_t k = 0;                                                                                          \
    for (; k + 8 <= count; k += 8) {                                                                        \
        const int16_t* w = x + k;                                                                           \
        __m512i a0 = _mm512_setzero_si512(), a1 = a0, a2 = a0, a3 = a0, a4 = a0, a5 = a0, a6 = a0, a7 = a0; \
        for (int32_t i = 0; i < kFirTaps; i += 32) {                                                        \
            __m512i t = _mm512_load_si512(reinterpret_cast<const void*>(taps + i));                        \
            const int16_t* p = w + i;                                                                       \
            a0 = MAC(a0, t, LOADU512(p));                                                                   \
            a1 = MAC(a1, t, LOADU512(p + 1));                                                               \
            a2 = MAC(a2, t, LOADU512(p + 2));                                                               \
            a3 = MAC(a3, t, LOADU512(p + 3));                                                               \
            a4 = MAC(a4, t, LOADU512(p + 4));                                                               \
            a5 = MAC(a5, t, LOADU512(p + 5));                                                               \
            a6 = MAC(a6, t, LOADU512(p + 6));                                                               \
            a7 = MAC(a7, t, LOADU512(p + 7));                                                               \
        }                                                                                                   \
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(acc + k),                                            \
                            HSum8x8(Fold512(a0), Fold512(a1), Fold512(a2), Fold512(a3), Fold512(a4),        \
                                    Fold512(a5), Fold512(a6), Fold512(a7)));                                \
    }                                                                                                       \
    if (k < count) FirAVX2(x + k, taps, acc + k, count - k);

#define SONDREL_MADD(a, t, v) _mm512_add_epi32(a, _mm512_madd_epi16(t, v))
#define SONDREL_DPWSSD(a, t, v) _mm512_dpwssd_epi32(a, t, v)

__attribute__((target("avx512f,avx512bw,avx2"))) static void FirAVX512(const int16_t* x, const int16_t* taps,
                                                                       int32_t* acc, int32_t count) {
    SONDREL_FIR512(SONDREL_MADD)
}

// The fused multiply-add of AVX-512 VNNI: the same wrapping sums, one
// instruction per slice.
__attribute__((target("avx512f,avx512bw,avx512vnni,avx2"))) static void FirAVX512VNNI(const int16_t* x,
                                                                                      const int16_t* taps,
                                                                                      int32_t* acc, int32_t count) {
    SONDREL_FIR512(SONDREL_DPWSSD)
}
#pragma GCC diagnostic pop
#endif

LFirFn FirKernel(LFirKernel which) {
    switch (which) {
        case LFirKernel::kPortable:
            return FirPortable;
        case LFirKernel::kSSE2:
#ifdef SONDREL_FIR_SSE2
            return FirSSE2;
#else
            return nullptr;
#endif
        case LFirKernel::kAVX2:
#ifdef SONDREL_FIR_WIDE
            if (__builtin_cpu_supports("avx2")) return FirAVX2;
#endif
            return nullptr;
        case LFirKernel::kAVX512:
#ifdef SONDREL_FIR_WIDE
            if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                __builtin_cpu_supports("avx2"))
                return FirAVX512;
#endif
            return nullptr;
        case LFirKernel::kAVX512VNNI:
#ifdef SONDREL_FIR_WIDE
            if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                __builtin_cpu_supports("avx512vnni") && __builtin_cpu_supports("avx2"))
                return FirAVX512VNNI;
#endif
            return nullptr;
        case LFirKernel::kBest:
            break;
    }
    static const LFirFn best = [] {
        for (LFirKernel k : {LFirKernel::kAVX512VNNI, LFirKernel::kAVX512, LFirKernel::kAVX2, LFirKernel::kSSE2})
            if (LFirFn f = FirKernel(k)) return f;
        return LFirFn(FirPortable);
    }();
    return best;
}

const char* FirKernelName(LFirKernel which) {
    switch (which) {
        case LFirKernel::kBest: return "best";
        case LFirKernel::kPortable: return "portable";
        case LFirKernel::kSSE2: return "sse2";
        case LFirKernel::kAVX2: return "avx2";
        case LFirKernel::kAVX512: return "avx512";
        case LFirKernel::kAVX512VNNI: return "avx512vnni";
    }
    return "?";
}

}  // namespace sondrel
