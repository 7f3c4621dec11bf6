// Polyphase synthesis. The matrixing V[i] = sum S[k] cos((16 + i)(2k + 1) pi / 64),
// i = 0..63, is computed from one 32-point DCT-II Y of the subband samples:
// V[i] = Y[16 + i] (i < 16), V[16] = 0, V[i] = -Y[48 - i] (17 <= i <= 48) and
// V[i] = -Y[i - 48] (i > 48). The DCTs of a granule's 18 slots do not depend
// on the filter's state, so they are computed first, several slots at once
// (MP3Kernels); the passes then shift them into the window one by one.
#include <cstring>

#include "formats/mp3/MP3FrameDecoder.h"

namespace sondrel {

// The synthesis subband filter of ISO/IEC 11172-3 (the flow chart of annex
// A, window D[] of table B.3), 18 times per granule. out: 576 frames of
// nChans interleaved samples.
void MP3FrameDecoder::Synthesis(int32_t nChans, int32_t* out) {
    const float* d = lt_.synthWindow;
    for (int32_t ch = 0; ch < nChans; ++ch) {
        kernels_->Dct32Slots(lt_, sub_[ch][0], dct_);
        int32_t offset = nSynthOffset;
        for (int32_t t = 0; t < 18; ++t) {
            offset -= 64;
            if (offset < 0) {
                std::memcpy(synth_[ch] + 1024, synth_[ch], 1024 * sizeof(float));
                offset += 1024;
            }
            const float* y = dct_ + t;  // y[m * kMP3SlotStride]: output m of this slot
            float* v = synth_[ch] + offset;
            for (int32_t m = 0; m < 16; ++m) {
                v[m] = y[(16 + m) * kMP3SlotStride];
                v[17 + m] = -y[(31 - m) * kMP3SlotStride];
            }
            v[16] = 0.0f;
            for (int32_t m = 0; m < 15; ++m) {
                v[33 + m] = -y[(15 - m) * kMP3SlotStride];
                v[49 + m] = -y[(1 + m) * kMP3SlotStride];
            }
            v[48] = -y[0];
            kernels_->Window(v, d, out + size_t(t) * 32 * nChans + ch, nChans);
        }
        if (ch == nChans - 1) nSynthOffset = offset;
    }
}

}  // namespace sondrel
