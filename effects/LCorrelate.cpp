#include "effects/LCorrelate.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define SONDREL_CORR_SSE2 1
#endif

namespace sondrel {

static void CorrelatePortable(const int16_t* a, const int16_t* x, int32_t len, int32_t count, int32_t* out) {
    for (int32_t j = 0; j < count; ++j) {
        const int16_t* w = x + j;
        int32_t sum = 0;
        for (int32_t i = 0; i < len; ++i) sum += int32_t(a[i]) * w[i];
        out[j] = sum;
    }
}

#ifdef SONDREL_CORR_SSE2
static inline int32_t HSum(__m128i v) {
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0x4E));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0xB1));
    return _mm_cvtsi128_si32(v);
}

#define LOADU(p) _mm_loadu_si128(reinterpret_cast<const __m128i*>(p))

// Four shifts at a time share each load of the short stretch.
static void CorrelateSSE2(const int16_t* a, const int16_t* x, int32_t len, int32_t count, int32_t* out) {
    int32_t j = 0;
    for (; j + 4 <= count; j += 4) {
        const int16_t* w = x + j;
        __m128i s0 = _mm_setzero_si128(), s1 = s0, s2 = s0, s3 = s0;
        for (int32_t i = 0; i < len; i += 8) {
            const __m128i t = LOADU(a + i);
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(t, LOADU(w + i)));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(t, LOADU(w + i + 1)));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(t, LOADU(w + i + 2)));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(t, LOADU(w + i + 3)));
        }
        out[j] = HSum(s0);
        out[j + 1] = HSum(s1);
        out[j + 2] = HSum(s2);
        out[j + 3] = HSum(s3);
    }
    for (; j < count; ++j) {
        const int16_t* w = x + j;
        __m128i s = _mm_setzero_si128();
        for (int32_t i = 0; i < len; i += 8) s = _mm_add_epi32(s, _mm_madd_epi16(LOADU(a + i), LOADU(w + i)));
        out[j] = HSum(s);
    }
}
#undef LOADU
#endif

LCorrelateFn CorrelateKernel(LCorrelateKernel which) {
    switch (which) {
        case LCorrelateKernel::kPortable:
            return CorrelatePortable;
        case LCorrelateKernel::kSSE2:
#ifdef SONDREL_CORR_SSE2
            return CorrelateSSE2;
#else
            return nullptr;
#endif
        case LCorrelateKernel::kBest:
            break;
    }
#ifdef SONDREL_CORR_SSE2
    return CorrelateSSE2;
#else
    return CorrelatePortable;
#endif
}

}  // namespace sondrel
