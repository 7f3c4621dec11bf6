#include "core/LPeakScan.h"

#include <initializer_list>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sondrel {

#if defined(__x86_64__) || defined(__i386__)
void ScanPeaksAVX2(const int32_t* s, size_t count, int32_t& lo, int32_t& hi);  // LPeakScanAVX2.cpp
#endif

namespace {

void ScanPeaksPlain(const int32_t* s, size_t count, int32_t& lo, int32_t& hi) {
    int32_t l = lo, h = hi;
    for (size_t i = 0; i < count; ++i) {
        l = s[i] < l ? s[i] : l;
        h = s[i] > h ? s[i] : h;
    }
    lo = l;
    hi = h;
}

#if defined(__SSE2__)
// SSE2 has no signed 32-bit minimum or maximum: a comparison picks.
inline __m128i Pick(__m128i take, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(take, a), _mm_andnot_si128(take, b));
}

void ScanPeaksSSE2(const int32_t* s, size_t count, int32_t& lo, int32_t& hi) {
    size_t i = 0;
    if (count >= 8) {
        __m128i l = _mm_set1_epi32(lo), h = _mm_set1_epi32(hi);
        for (; i + 4 <= count; i += 4) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            l = Pick(_mm_cmplt_epi32(v, l), v, l);
            h = Pick(_mm_cmpgt_epi32(v, h), v, h);
        }
        alignas(16) int32_t ls[4], hs[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(ls), l);
        _mm_store_si128(reinterpret_cast<__m128i*>(hs), h);
        ScanPeaksPlain(ls, 4, lo, hi);
        ScanPeaksPlain(hs, 4, lo, hi);
    }
    ScanPeaksPlain(s + i, count - i, lo, hi);
}
#endif

LPeakScanFn Best() {
    for (LPeakScanLevel l : {LPeakScanLevel::kAVX2, LPeakScanLevel::kSSE2})
        if (LPeakScanFn f = PeakScanOf(l)) return f;
    return ScanPeaksPlain;
}

}  // namespace

LPeakScanFn PeakScanOf(LPeakScanLevel level) {
    switch (level) {
        case LPeakScanLevel::kPlain:
            return ScanPeaksPlain;
        case LPeakScanLevel::kSSE2:
#if defined(__SSE2__)
            return ScanPeaksSSE2;
#else
            return nullptr;
#endif
        case LPeakScanLevel::kAVX2:
#if defined(__x86_64__) || defined(__i386__)
            __builtin_cpu_init();
            if (__builtin_cpu_supports("avx2")) return ScanPeaksAVX2;
#endif
            return nullptr;
    }
    return nullptr;
}

void ScanPeaks(const int32_t* s, size_t count, int32_t& lo, int32_t& hi) {
    static const LPeakScanFn best = Best();
    best(s, count, lo, hi);
}

}  // namespace sondrel
