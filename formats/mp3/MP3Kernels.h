// The inner loops of Layer III decoding that take most of its time, in
// three forms: plain C++, SSE2 and AVX2. Every form computes the float
// operations of the plain one in the same order, lane by lane (no fused
// multiply-add), so all three give the same samples bit for bit. SSE2 is
// the base of every build; AVX2 is chosen at run time where the processor
// has it.
#pragma once
#include <cstdint>

#include "formats/mp3/MP3LT.h"

namespace sondrel {

// Time slots of a granule's hybrid output, padded for whole vectors of 8.
constexpr int32_t kMP3Slots = 18;
constexpr int32_t kMP3SlotStride = 24;

struct MP3Kernels {
    const char* szName;
    // Matrixing of the synthesis (ISO/IEC 11172-3 annex A, as the 32-point
    // DCT-II of the subband samples) for the 18 slots of one channel:
    // in[k * kMP3SlotStride + t] (subband k, slot t) to
    // out[m * kMP3SlotStride + t] (output m, slot t).
    void (*Dct32Slots)(const MP3LT& lt, const float* in, float* out);
    // Windowing of one synthesis pass (annex A, window D[] of table B.3):
    // the 32 samples sum over i < 8 of v[128i + j] D[64i + j] +
    // v[128i + 96 + j] D[64i + 32 + j], rounded to integers within the
    // source's peak bound and stored at out[j * stride].
    void (*Window)(const float* v, const float* d, int32_t* out, int32_t stride);
    // The 36-point IMDCT's distinct outputs (2.4.3.4.10.2): t[j] = sum over
    // k < 18 of in[k] c[k][j], j < 20 (18 used).
    void (*ImdctLong)(const float (*c)[20], const float* in, float* t);
};

enum class MP3KernelLevel { kPlain, kSSE2, kAVX2 };

// The kernels of one level; null where this build or processor lacks it.
const MP3Kernels* MP3KernelsOf(MP3KernelLevel level);
// The widest the processor runs, chosen once.
const MP3Kernels& MP3BestKernels();
// What a new decoder uses: the best, or those set here (null: the best
// again), for comparisons of the forms.
const MP3Kernels& MP3DefaultKernels();
void MP3SetDefaultKernels(const MP3Kernels* kernels);

}  // namespace sondrel
