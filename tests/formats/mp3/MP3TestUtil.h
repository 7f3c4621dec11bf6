// Helpers of the MP3 tests: test signals, WAV and MP3 fixtures made with
// the peer tools, decoding by us and by mpg123, comparison figures, and a
// bit writer for hand-made frames.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/LSoundStream.h"
#include "support/TestUtil.h"

namespace sondrel::test {

enum class Signal { kTone, kSweep, kNoise, kTransients, kMix };

// 16-bit interleaved test signal; channels differ so that stereo coding has
// something to do.
std::vector<int16_t> MakeSignal(Signal kind, int32_t rate, int32_t chans, double seconds, uint32_t seed);
// Encodes wav into mp3 with lame and the given options.
bool LameEncode(const std::string& wav, const std::string& mp3, const std::string& options);
// mpg123's 16-bit decode (no gapless trimming).
std::vector<int16_t> Mpg123Decode(const std::string& mp3);

// Reads a source block by block as the pump does, up to its final length.
std::vector<int32_t> DecodeSource(LSoundSourceBase& src, int32_t block = 8192);
std::vector<int32_t> DecodeFile(const std::string& mp3, int32_t* chans = nullptr, int32_t* rate = nullptr);
// Internal samples to 16 bits, clipped as a 16-bit decoder clips.
std::vector<int16_t> Rounded16(const std::vector<int32_t>& v);

struct Agreement {
    int32_t maxDiff = 0;
    double snrDb = 0.0;
    size_t compared = 0;
};
// Compares ours (skipping `skip` samples) with the reference.
Agreement Compare(const std::vector<int16_t>& ours, const std::vector<int16_t>& ref, size_t skip = 0);

// Most-significant-bit-first writer for hand-made frames.
class BitWriter {
public:
    void Put(uint32_t value, int32_t bits);
    void PadTo(size_t bytes);
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    size_t BitCount() const { return nBits; }

private:
    std::vector<uint8_t> bytes_;
    size_t nBits = 0;
};

}  // namespace sondrel::test
