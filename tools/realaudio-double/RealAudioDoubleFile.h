// The small file format the RealAudio test double plays, and the double's
// switches. A file is a 20-byte header, then PCM bytes to the end:
//   0  "SRAD"
//   4  u16 channels         6  u16 bits per sample
//   8  u32 sample rate     12  u32 flags (kRadBeginFails, kRadSlow)
//  16  u32 bytes per block (0: a tenth of a second)
// The double delivers the PCM to the audio device in blocks of that size,
// each stamped with its start time in milliseconds. A file that is missing
// or has another magic makes OpenURL fail.
// Switches of the engine, read from the environment variable
// SONDREL_RA_DOUBLE when the engine is created: "no-engine" (CreateEngine
// gives none), "no-player" (CreatePlayer gives none), "no-manager" (the
// engine has no audio device manager).
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

namespace sondrel::radouble {

constexpr uint32_t kRadHeaderBytes = 20;
constexpr uint32_t kRadBeginFails = 1;  // Begin answers E_FAIL
constexpr uint32_t kRadSlow = 2;        // one block every 50 ms instead of as fast as possible

inline std::vector<uint8_t> MakeRadFile(uint16_t channels, uint16_t bits, uint32_t rate, uint32_t flags,
                                        uint32_t blockBytes, const std::vector<uint8_t>& pcm) {
    std::vector<uint8_t> f(kRadHeaderBytes + pcm.size());
    std::memcpy(f.data(), "SRAD", 4);
    auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) f[at + i] = uint8_t(v >> (8 * i));
    };
    put(4, channels, 2);
    put(6, bits, 2);
    put(8, rate, 4);
    put(12, flags, 4);
    put(16, blockBytes, 4);
    if (!pcm.empty()) std::memcpy(f.data() + kRadHeaderBytes, pcm.data(), pcm.size());
    return f;
}

}  // namespace sondrel::radouble
