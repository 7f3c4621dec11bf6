// WAVE files beyond 8- and 16-bit PCM in stereo or mono: 24- and 32-bit
// integer PCM, 32- and 64-bit floating point, and any of these (8- and
// 16-bit too) with more than two channels, read into the engine's format
// (dithered to 16 bits, floating-point overs clipped and counted, more than
// two channels mixed down to stereo by the file's speaker positions).
#pragma once
#include <cstdint>

#include "core/LSoundStream.h"
#include "support/LFile.h"

namespace sondrel {

struct LWaveWideFormat {
    int32_t nRate = 0;
    uint32_t nChans = 0;
    uint32_t nBytesPerSample = 0;  // the container: 1 to 4, or 8 for doubles
    uint32_t nValidBits = 0;       // bits that carry the sample
    bool bFloat = false;
    uint32_t nChannelMask = 0;     // WAVE speaker positions (0: the usual layout)
};

// True for the formats this reader takes rather than the 8- and 16-bit PCM
// readers or the compressed-WAV reader. tag is the format tag (the
// extensible header's subformat resolved), bits the container's width.
bool IsWideWave(uint16_t tag, uint32_t bits, uint32_t chans);

// file stands at the first data byte; dataBytes: the data the file holds.
// path names the file in the open report.
LSoundSourcePtr OpenWideWave(LFile&& file, const LWaveWideFormat& format, uint32_t dataBytes, const char* path);

}  // namespace sondrel
