// Ogg Opus files (".opus") through opusfile and libopusenc. Opus audio is
// 48000 Hz: the reader delivers it so, and the writer takes 48000 Hz only
// (the save pump converts a document at another rate on the way).
#pragma once
#include <cstdint>

#include "core/LSoundStream.h"
#include "formats/LOpenReport.h"

namespace sondrel {

constexpr int32_t kOpusRate = 48000;
constexpr int32_t kOpusDefaultBitRate = 128;  // kbit/s
constexpr int32_t kOpusMinBitRate = 6, kOpusMaxBitRate = 510;

LSoundSourcePtr OpenOpusSource(const char* path);
// bitRateKbps: the encoder's target, 6 to 510 kbit/s.
LSoundSinkPtr OpenOpusSink(const char* path, uint32_t chans, int32_t bitRateKbps, const LAudioTags& tags);

}  // namespace sondrel
