// The extremes of a run of samples: the inner loop of the waveform
// summaries, the displays' peaks and the peak limiter. A plain, an SSE2 and
// an AVX2 form (the widest the processor runs, chosen once) give the same
// result, integers having no rounding.
#pragma once
#include <cstddef>
#include <cstdint>

namespace sondrel {

using LPeakScanFn = void (*)(const int32_t* s, size_t count, int32_t& lo, int32_t& hi);

// Merges the smallest and largest of s[0..count) into lo and hi.
void ScanPeaks(const int32_t* s, size_t count, int32_t& lo, int32_t& hi);

enum class LPeakScanLevel { kPlain, kSSE2, kAVX2 };
// The form of one level; null where this build or processor lacks it.
LPeakScanFn PeakScanOf(LPeakScanLevel level);

}  // namespace sondrel
