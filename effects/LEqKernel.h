// The equaliser's inner loop: a 4096-term dot product of 16-bit taps with a
// sliding window of 16-bit samples, summed in wrapping 32-bit arithmetic.
// Every variant gives the same result bit for bit (the sum is exact modulo
// 2^32 whatever the order); they differ only in speed.
#pragma once
#include <cstdint>

namespace sondrel {

constexpr int32_t kFirTaps = 4096;  // 4095 used taps and one zero, a multiple of every vector width

enum class LFirKernel {
    kBest,      // the fastest available on this machine
    kPortable,  // plain C++
    kSSE2,      // x86 SSE2 (pmaddwd), x86-64 or a build with SSE2 enabled
    kAVX2,      // x86-64 with AVX2, chosen at run time
    kAVX512,    // x86-64 with AVX-512BW, chosen at run time
    kAVX512VNNI,  // the same with the fused multiply-add of AVX-512 VNNI
};

// acc[k] = sum over i < kFirTaps of taps[i] * x[k + i], for k < count.
// x holds count + kFirTaps - 1 samples; taps is 64-byte aligned and
// symmetric about index 2047 (taps[2047 - j] == taps[2047 + j]), with
// taps[4095] == 0, which the portable loop uses to halve its work.
using LFirFn = void (*)(const int16_t* x, const int16_t* taps, int32_t* acc, int32_t count);

// The kernel for a variant, or nullptr when this machine or build lacks it.
LFirFn FirKernel(LFirKernel which);
const char* FirKernelName(LFirKernel which);

}  // namespace sondrel
