// Internal sample format: signed 32-bit samples, interleaved frames,
// 16-bit PCM s maps to s << 4 (full scale +-524288).
#pragma once
#include <cstddef>
#include <cstdint>

namespace sondrel {

constexpr int32_t kFullScale = 524288;          // 2^19
constexpr int32_t kMax16 = 0x7FFF0;             // 32767 << 4
constexpr int32_t kPeakBoundCutList = 0x200000; // four times full scale
constexpr int32_t kMaxBlockFrames = 8192;       // every stream call moves at most this
constexpr int32_t kUnityGain = 0x1000000;       // 8.24 fixed point
// The longest stream the engine takes: a reader's position runs up to one
// block past the length, and that must still be a 32-bit frame count.
constexpr int32_t kMaxStreamFrames = 0x7FFFFFFF - kMaxBlockFrames;

inline int32_t FromPCM16(int16_t s) { return int32_t(s) * 16; }
inline int32_t FromPCM8(uint8_t u) { return (int32_t(u) - 128) * 4096; }
// No clamping: out-of-range values must have been limited before.
inline int16_t ToPCM16(int32_t s) { return int16_t(uint16_t(uint32_t((s + 8) >> 4))); }
inline uint8_t ToPCM8(int32_t s) { return uint8_t(uint32_t(((s + 2048) >> 12) + 128)); }

// 8.24 gain multiply without 64-bit arithmetic; its truncation is part of
// the output of every module that applies a gain.
inline int32_t MulGain(int32_t s, int32_t g) {
    return (s >> 12) * (g >> 12) + (((s & 0xFFF) * (g >> 12)) >> 12) +
           (((s >> 12) * (g & 0xFFF)) >> 12);
}

// Bulk conversions (unrolled by the compiler; the loops are trivially vectorisable).
void ConvertFromPCM16(const int16_t* in, int32_t* out, int32_t count);
void ConvertFromPCM8(const uint8_t* in, int32_t* out, int32_t count);
void ConvertToPCM16(const int32_t* in, int16_t* out, int32_t count);
void ConvertToPCM8(const int32_t* in, uint8_t* out, int32_t count);

}  // namespace sondrel
