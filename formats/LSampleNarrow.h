// Brings decoded samples of any width, integer or floating point, and any
// channel count into the engine's format: 16-bit precision in the 32-bit
// sample (a 16-bit s is s × 16), at most two channels. A value on a whole
// 16-bit step is kept exactly; where bits are dropped, it is dithered with
// triangular noise of ±1 LSB that is a function of the frame's index and
// the file's seed alone, so that two opens of a file, and a read after a
// seek, give the same samples. Floating-point values past
// full scale are clipped and counted; more than two channels are mixed down
// to stereo by speaker position.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sondrel {

// Speaker positions as the WAVE channel mask names them, one bit each.
enum : uint32_t {
    kSpeakerFL = 0x1, kSpeakerFR = 0x2, kSpeakerFC = 0x4, kSpeakerLFE = 0x8,
    kSpeakerBL = 0x10, kSpeakerBR = 0x20, kSpeakerFLC = 0x40, kSpeakerFRC = 0x80,
    kSpeakerBC = 0x100, kSpeakerSL = 0x200, kSpeakerSR = 0x400, kSpeakerTC = 0x800,
    kSpeakerTFL = 0x1000, kSpeakerTFC = 0x2000, kSpeakerTFR = 0x4000, kSpeakerTBL = 0x8000,
    kSpeakerTBC = 0x10000, kSpeakerTBR = 0x20000,
};

// The speakers of a file's channels in order: the set bits of a WAVE channel
// mask from the lowest, then (for a mask of too few bits, or none) the usual
// layout for the count (the one WAVE and FLAC files use: L R C LFE BL BR ...);
// channels beyond any layout have no position (0).
std::vector<uint32_t> WaveSpeakers(uint32_t chans, uint32_t mask);
// The speakers of Vorbis and Opus (mapping family 1) channels: L C R order.
std::vector<uint32_t> VorbisSpeakers(uint32_t chans);

// A file's dither seed: its size in bytes, so that every open of it dithers alike.
inline uint32_t DitherSeed(int64_t fileBytes) { return uint32_t(uint64_t(fileBytes) ^ (uint64_t(fileBytes) >> 32)); }

class LSampleNarrow {
public:
    // speakers: one position per decoded channel (used when there are more than two).
    LSampleNarrow(uint32_t chans, const std::vector<uint32_t>& speakers, uint32_t seed);

    uint32_t InChans() const { return nIn; }
    uint32_t OutChans() const { return nOut; }

    // Channel c of decoded frame i is planes[c][i * step]: planar buffers
    // have step 1, an interleaved one has planes[c] = base + c and step =
    // channels. frame: the index of the first frame in the file. out gets
    // frames × OutChans() samples.
    void FromInt(const int32_t* const* planes, size_t step, int32_t frames, uint32_t bits, int64_t frame,
                 int32_t* out);
    void FromFloat(const float* const* planes, size_t step, int32_t frames, int64_t frame, int32_t* out);
    void FromDouble(const double* const* planes, size_t step, int32_t frames, int64_t frame, int32_t* out);

    // Samples clipped at full scale so far.
    int64_t nClipped = 0;

private:
    template <class T>
    void FromReal(const T* const* planes, size_t step, int32_t frames, int64_t frame, int32_t* out, double scale);
    // One output sample from a value in 16-bit units (±32768 full scale).
    int32_t Round(double v, uint64_t noise, uint32_t chan);
    // The dither of a frame's output channels (see Tpdf).
    uint64_t FrameNoise(int64_t frame) const;

    uint32_t nIn, nOut;
    uint64_t nSeed;
    // Mixing matrix, nIn rows of (left, right), when mixing down.
    std::vector<double> aMix;
};

}  // namespace sondrel
