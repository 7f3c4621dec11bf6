#include "formats/mp3/MP3Kernels.h"

#include <atomic>
#include <initializer_list>

#include "formats/mp3/MP3FrameDecoder.h"
#include "formats/mp3/MP3KernelBody.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sondrel {

#if defined(__x86_64__) || defined(__i386__)
extern const MP3Kernels kMP3KernelsAVX2;  // MP3KernelsAVX2.cpp, compiled for AVX2
#endif

namespace {

// Rounded as the vector forms round (to nearest, ties to even) after the
// same clamping, whose order of comparisons also decides where a value
// that is not a number goes (to the lower limit).
inline int32_t StoreSample(float s) {
    float c = s > -kMP3SampleLimit ? s : -kMP3SampleLimit;
    c = c < kMP3SampleLimit ? c : kMP3SampleLimit;
    return int32_t(__builtin_lrintf(c));
}

void PlainDct32Slots(const MP3LT& lt, const float* in, float* out) {
    for (int t = 0; t < kMP3Slots; ++t) {
        float x[32], y[32];
        for (int k = 0; k < 32; ++k) x[k] = in[k * kMP3SlotStride + t];
        DctLanes<32>(lt, x, y);
        for (int m = 0; m < 32; ++m) out[m * kMP3SlotStride + t] = y[m];
    }
}

void PlainWindow(const float* v, const float* d, int32_t* out, int32_t stride) {
    for (int j = 0; j < 32; ++j) out[j * stride] = StoreSample(WindowLanes<float>(v, d, j));
}

void PlainImdctLong(const float (*c)[20], const float* in, float* t) {
    for (int j = 0; j < 20; ++j) t[j] = ImdctLanes<float>(c, in, j);
}

const MP3Kernels kPlain{"plain", PlainDct32Slots, PlainWindow, PlainImdctLong};

#if defined(__SSE2__)
using F4 = __m128;

void Sse2Dct32Slots(const MP3LT& lt, const float* in, float* out) { Dct32SlotsBody<F4>(lt, in, out); }

void Sse2Window(const float* v, const float* d, int32_t* out, int32_t stride) {
    const F4 hi = _mm_set1_ps(kMP3SampleLimit), lo = _mm_set1_ps(-kMP3SampleLimit);
    alignas(16) int32_t r[32];
    for (int j = 0; j < 32; j += 4) {
        F4 s = _mm_min_ps(_mm_max_ps(WindowLanes<F4>(v, d, j), lo), hi);
        _mm_store_si128(reinterpret_cast<__m128i*>(r + j), _mm_cvtps_epi32(s));
    }
    for (int j = 0; j < 32; ++j) out[j * stride] = r[j];
}

void Sse2ImdctLong(const float (*c)[20], const float* in, float* t) {
    for (int j = 0; j < 20; j += 4) StoreLanes(t + j, ImdctLanes<F4>(c, in, j));
}

const MP3Kernels kSSE2{"sse2", Sse2Dct32Slots, Sse2Window, Sse2ImdctLong};
#endif

}  // namespace

void MP3Dct32(const MP3LT& lt, const float* in, float* out) { DctLanes<32>(lt, in, out); }

const MP3Kernels* MP3KernelsOf(MP3KernelLevel level) {
    switch (level) {
        case MP3KernelLevel::kPlain:
            return &kPlain;
        case MP3KernelLevel::kSSE2:
#if defined(__SSE2__)
            return &kSSE2;
#else
            return nullptr;
#endif
        case MP3KernelLevel::kAVX2:
#if defined(__x86_64__) || defined(__i386__)
            __builtin_cpu_init();
            // Also says whether the system saves the wide registers.
            if (__builtin_cpu_supports("avx2")) return &kMP3KernelsAVX2;
#endif
            return nullptr;
    }
    return nullptr;
}

const MP3Kernels& MP3BestKernels() {
    static const MP3Kernels* best = [] {
        for (MP3KernelLevel l : {MP3KernelLevel::kAVX2, MP3KernelLevel::kSSE2})
            if (const MP3Kernels* k = MP3KernelsOf(l)) return k;
        return &kPlain;
    }();
    return *best;
}

namespace {
std::atomic<const MP3Kernels*> gDefault{nullptr};
}

const MP3Kernels& MP3DefaultKernels() {
    const MP3Kernels* k = gDefault.load();
    return k ? *k : MP3BestKernels();
}

void MP3SetDefaultKernels(const MP3Kernels* kernels) { gDefault = kernels; }

}  // namespace sondrel
