// Layer III frame decoding: from a frame's side information and main data
// to interleaved 32-bit samples. Holds everything that carries over from
// frame to frame: the main-data reservoir, the IMDCT overlap and the
// synthesis filter state.
#pragma once
#include <cstdint>

#include "formats/mp3/MP3Header.h"
#include "formats/mp3/MP3Kernels.h"
#include "formats/mp3/MP3LT.h"

namespace sondrel {

struct MP3GranuleInfo {
    int32_t part2_3_length = 0;
    int32_t big_values = 0;
    int32_t global_gain = 0;
    int32_t scalefac_compress = 0;
    int32_t window_switching = 0;
    int32_t block_type = 0;
    int32_t mixed_block = 0;
    int32_t table_select[3] = {0, 0, 0};
    int32_t subblock_gain[3] = {0, 0, 0};
    int32_t region0_count = 0;
    int32_t region1_count = 0;
    int32_t preflag = 0;
    int32_t scalefac_scale = 0;
    int32_t count1table_select = 0;
};

struct MP3SideInfo {
    int32_t main_data_begin = 0;
    int32_t scfsi[2][4] = {};
    MP3GranuleInfo gr[2][2];
};

// The 32-point DCT-II of the synthesis: out[m] = sum in[k] cos(m (2k+1) pi / 64).
void MP3Dct32(const MP3LT& lt, const float* in, float* out);

// Reads the side information that follows the header (and CRC).
void ParseSideInfo(const MP3Header& h, const uint8_t* bytes, MP3SideInfo& si);

enum MP3ReorderKind { kReorderLong = 0, kReorderShort = 1, kReorderMixed = 2 };

// Fills the three maps from bitstream order to spectral order for a
// version and sampling_frequency: identity, short blocks, mixed blocks.
void ReorderMap(int32_t version, int32_t samplingFrequency, uint16_t maps[3][576]);

class MP3FrameDecoder {
public:
    enum Result { kDecoded, kSkipped };

    MP3FrameDecoder();
    // Band tables and reorder maps for the stream's version and rate.
    void Setup(const MP3Header& reference);
    // Clears the IMDCT overlap and the synthesis filter (not the reservoir).
    void ResetState();
    void ClearReservoir() { nHeld = 0; }
    int32_t ReservoirBytes() const { return nHeld; }

    // Decodes one frame. body holds the side information and main data
    // (h.SideInfoSize() + h.MainDataSize() bytes). Writes
    // h.SamplesPerFrame() frames of nChans interleaved samples to out unless
    // the frame's main data reaches back further than the reservoir holds.
    Result Decode(const MP3Header& h, const uint8_t* body, int32_t* out, int32_t nChans);

    const uint16_t* Map(int32_t kind) const { return maps_[kind]; }
    // The inner loops used (the widest the processor runs, unless set).
    void UseKernels(const MP3Kernels& kernels) { kernels_ = &kernels; }

private:
    struct GainRun {
        int32_t end;
        float gain;
    };

    void ReadScaleFactors(const MP3Header& h, int32_t gr, int32_t ch, const MP3SideInfo& si);
    int32_t DecodeHuffmanData(const MP3GranuleInfo& gi, int32_t ch, int32_t endBit);
    int32_t BuildGainRuns(const MP3GranuleInfo& gi, int32_t ch, GainRun* runs) const;
    void JointStereo(const MP3Header& h, const MP3GranuleInfo& gl, const MP3GranuleInfo& gr);
    void Hybrid(const MP3GranuleInfo& gi, int32_t ch);
    void Synthesis(int32_t nChans, int32_t* out);

    // Main-data bit reader over the reservoir.
    uint32_t Peek(int32_t n) const;
    uint32_t GetBits(int32_t n) {
        uint32_t v = Peek(n);
        nBitPos += n;
        return v;
    }

    const MP3LT& lt_;
    const MP3Kernels* kernels_;
    const int16_t* longBands_ = nullptr;   // 23 boundaries
    const int16_t* shortBands_ = nullptr;  // 14 boundaries
    int32_t nVersion = 0;
    int32_t nMixedLongBands = 8;  // long bands in the long part of a mixed block
    int32_t nMixedLines = 36;     // spectral lines in that long part
    uint16_t maps_[3][576];
    uint16_t reach_[3][577];  // 1 + largest spectral index among the first k values

    // Main-data reservoir; the tail after nHeld is kept at zero so that the
    // readers may look up to 16 bytes ahead.
    uint8_t reservoir_[2048 + 16];
    int32_t nHeld = 0;
    int32_t nBitPos = 0;
    int32_t nBitEnd = 0;

    // Scale factors per channel (kept between the granules of a frame for
    // the MPEG-1 selection information) and the intensity-stereo positions
    // that are marked illegal.
    int32_t sfLong_[2][22];
    int32_t sfShort_[2][13][3];
    uint8_t isIllegalLong_[22];
    uint8_t isIllegalShort_[13][3];
    int32_t preflag_[2] = {0, 0};
    int32_t nIntensityScale = 0;

    // Spectrum of the granule per channel and the bound below which it may
    // be non-zero.
    alignas(16) float xr_[2][576];
    int32_t nBound[2] = {0, 0};

    // Hybrid filter output, subband by time slot (the slots past 18 stay
    // zero), and the IMDCT overlap.
    alignas(32) float sub_[2][32][kMP3SlotStride];
    float overlap_[2][32][18];
    // The synthesis matrixing of one channel's granule, output by slot.
    alignas(32) float dct_[32 * kMP3SlotStride];

    // Polyphase synthesis: per channel 16 blocks of 64 matrixed values in a
    // sliding window (newest block at nSynthOffset).
    alignas(16) float synth_[2][2048];
    int32_t nSynthOffset = 1088;
};

}  // namespace sondrel
