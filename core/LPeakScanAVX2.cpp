// The peak scan for processors with AVX2. This file alone is compiled for
// AVX2, and runs only where PeakScanOf found the processor able to.
#include "core/LPeakScan.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace sondrel {

void ScanPeaksAVX2(const int32_t* s, size_t count, int32_t& lo, int32_t& hi) {
    size_t i = 0;
    int32_t l = lo, h = hi;
    if (count >= 16) {
        __m256i vl = _mm256_set1_epi32(l), vh = _mm256_set1_epi32(h);
        for (; i + 8 <= count; i += 8) {
            __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
            vl = _mm256_min_epi32(vl, v);
            vh = _mm256_max_epi32(vh, v);
        }
        alignas(32) int32_t ls[8], hs[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(ls), vl);
        _mm256_store_si256(reinterpret_cast<__m256i*>(hs), vh);
        for (int k = 0; k < 8; ++k) {
            l = ls[k] < l ? ls[k] : l;
            h = hs[k] > h ? hs[k] : h;
        }
    }
    for (; i < count; ++i) {
        l = s[i] < l ? s[i] : l;
        h = s[i] > h ? s[i] : h;
    }
    lo = l;
    hi = h;
}

}  // namespace sondrel
#endif
