// The time stretch's search for the best splice: the inner products of one
// short stretch of 16-bit samples with every shifted window of another.
// The sums are exact 32-bit integers as long as the caller keeps the samples
// within +-2047 and the stretch at most 256 long, so every variant gives the
// same result bit for bit; they differ only in speed.
#pragma once
#include <cstdint>

namespace sondrel {

enum class LCorrelateKernel {
    kBest,      // the fastest available in this build
    kPortable,  // plain C++
    kSSE2,      // x86 SSE2 (pmaddwd), x86-64 or a build with SSE2 enabled
};

// out[j] = sum over i < len of a[i] * x[j + i], for j < count.
// len is a multiple of 8; x holds count + len - 1 samples.
using LCorrelateFn = void (*)(const int16_t* a, const int16_t* x, int32_t len, int32_t count, int32_t* out);

// The kernel for a variant, or nullptr when this build lacks it.
LCorrelateFn CorrelateKernel(LCorrelateKernel which);

}  // namespace sondrel
