// The decoder's kernels for processors with AVX2: eight lanes where the
// SSE2 form has four. This file alone is compiled for AVX2, and runs only
// where MP3KernelsOf found the processor able to.
#include "formats/mp3/MP3KernelBody.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace sondrel {

namespace {

using F8 = __m256;
using F4 = __m128;

void Avx2Dct32Slots(const MP3LT& lt, const float* in, float* out) { Dct32SlotsBody<F8>(lt, in, out); }

void Avx2Window(const float* v, const float* d, int32_t* out, int32_t stride) {
    const F8 hi = _mm256_set1_ps(kMP3SampleLimit), lo = _mm256_set1_ps(-kMP3SampleLimit);
    alignas(32) int32_t r[32];
    for (int j = 0; j < 32; j += 8) {
        F8 s = _mm256_min_ps(_mm256_max_ps(WindowLanes<F8>(v, d, j), lo), hi);
        _mm256_store_si256(reinterpret_cast<__m256i*>(r + j), _mm256_cvtps_epi32(s));
    }
    for (int j = 0; j < 32; ++j) out[j * stride] = r[j];
}

void Avx2ImdctLong(const float (*c)[20], const float* in, float* t) {
    StoreLanes(t, ImdctLanes<F8>(c, in, 0));
    StoreLanes(t + 8, ImdctLanes<F8>(c, in, 8));
    StoreLanes(t + 16, ImdctLanes<F4>(c, in, 16));
}

}  // namespace

extern const MP3Kernels kMP3KernelsAVX2;
const MP3Kernels kMP3KernelsAVX2{"avx2", Avx2Dct32Slots, Avx2Window, Avx2ImdctLong};

}  // namespace sondrel
#endif
