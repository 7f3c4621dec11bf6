#include "formats/LSampleNarrow.h"

#include <algorithm>
#include <cmath>

namespace sondrel {

namespace {

// The usual layouts by channel count (WAVE's default and FLAC's defined
// orders): 3 L R C; 4 FL FR BL BR; 5 FL FR FC BL BR; 6 5.1; 7 6.1; 8 7.1.
const uint32_t kWaveLayouts[9][8] = {
    {},
    {kSpeakerFC},
    {kSpeakerFL, kSpeakerFR},
    {kSpeakerFL, kSpeakerFR, kSpeakerFC},
    {kSpeakerFL, kSpeakerFR, kSpeakerBL, kSpeakerBR},
    {kSpeakerFL, kSpeakerFR, kSpeakerFC, kSpeakerBL, kSpeakerBR},
    {kSpeakerFL, kSpeakerFR, kSpeakerFC, kSpeakerLFE, kSpeakerBL, kSpeakerBR},
    {kSpeakerFL, kSpeakerFR, kSpeakerFC, kSpeakerLFE, kSpeakerBC, kSpeakerSL, kSpeakerSR},
    {kSpeakerFL, kSpeakerFR, kSpeakerFC, kSpeakerLFE, kSpeakerBL, kSpeakerBR, kSpeakerSL, kSpeakerSR},
};

// The Vorbis I channel order, section 4.3.9 (Opus mapping family 1 uses it too).
const uint32_t kVorbisLayouts[9][8] = {
    {},
    {kSpeakerFC},
    {kSpeakerFL, kSpeakerFR},
    {kSpeakerFL, kSpeakerFC, kSpeakerFR},
    {kSpeakerFL, kSpeakerFR, kSpeakerBL, kSpeakerBR},
    {kSpeakerFL, kSpeakerFC, kSpeakerFR, kSpeakerBL, kSpeakerBR},
    {kSpeakerFL, kSpeakerFC, kSpeakerFR, kSpeakerBL, kSpeakerBR, kSpeakerLFE},
    {kSpeakerFL, kSpeakerFC, kSpeakerFR, kSpeakerSL, kSpeakerSR, kSpeakerBC, kSpeakerLFE},
    {kSpeakerFL, kSpeakerFC, kSpeakerFR, kSpeakerSL, kSpeakerSR, kSpeakerBL, kSpeakerBR, kSpeakerLFE},
};

// Downmix to two channels after ITU-R BS.775-3, Table 2 (3/2 to 2/0):
// Lo = L + 0.7071 C + 0.7071 Ls, Ro = R + 0.7071 C + 0.7071 Rs, the LFE
// channel left out. Positions the table does not name are placed the same
// way: a left one into Lo at -3 dB, a right one into Ro, a centre one (and a
// channel of unknown position) into both at -3 dB. Each output's weights are
// then scaled to sum to 1, so that the mix cannot pass full scale.
constexpr double kMinus3dB = 0.70710678118654752;
void Weights(uint32_t speaker, double& l, double& r) {
    const double g = kMinus3dB;
    switch (speaker) {
        case kSpeakerFL: case kSpeakerFLC: l = 1; r = 0; return;
        case kSpeakerFR: case kSpeakerFRC: l = 0; r = 1; return;
        case kSpeakerLFE: l = 0; r = 0; return;
        case kSpeakerBL: case kSpeakerSL: case kSpeakerTFL: case kSpeakerTBL: l = g; r = 0; return;
        case kSpeakerBR: case kSpeakerSR: case kSpeakerTFR: case kSpeakerTBR: l = 0; r = g; return;
        default: l = g; r = g; return;  // centres, and channels without a position
    }
}

// splitmix64's finaliser: a well-mixed 64-bit value for each index.
inline uint64_t Mix64(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

std::vector<uint32_t> WaveSpeakers(uint32_t chans, uint32_t mask) {
    std::vector<uint32_t> s;
    for (uint32_t bit = 1; bit && s.size() < chans; bit <<= 1)
        if (mask & bit) s.push_back(bit);
    if (s.empty() && chans <= 8) return std::vector<uint32_t>(kWaveLayouts[chans], kWaveLayouts[chans] + chans);
    s.resize(chans, 0);
    return s;
}

std::vector<uint32_t> VorbisSpeakers(uint32_t chans) {
    if (chans <= 8) return std::vector<uint32_t>(kVorbisLayouts[chans], kVorbisLayouts[chans] + chans);
    return std::vector<uint32_t>(chans, 0);
}

LSampleNarrow::LSampleNarrow(uint32_t chans, const std::vector<uint32_t>& speakers, uint32_t seed)
    : nIn(std::max<uint32_t>(chans, 1)), nOut(std::min<uint32_t>(nIn, 2)), nSeed(Mix64(seed + 0x5D0u)) {
    if (nIn <= 2) return;
    aMix.assign(size_t(nIn) * 2, 0.0);
    double sumL = 0, sumR = 0;
    for (uint32_t c = 0; c < nIn; ++c) {
        Weights(c < speakers.size() ? speakers[c] : 0, aMix[2 * c], aMix[2 * c + 1]);
        sumL += aMix[2 * c];
        sumR += aMix[2 * c + 1];
    }
    for (uint32_t c = 0; c < nIn; ++c) {
        if (sumL > 0) aMix[2 * c] /= sumL;
        if (sumR > 0) aMix[2 * c + 1] /= sumR;
    }
}

// Triangular noise over (-1, 1) LSB in units of 1/65536 LSB for each of
// the (at most two) output channels of a frame: the sum of two uniform
// 16-bit values of the frame's hash, centred.
uint64_t LSampleNarrow::FrameNoise(int64_t frame) const { return Mix64(nSeed ^ uint64_t(frame)); }

namespace {
inline int32_t Tpdf(uint64_t noise, uint32_t chan) {
    uint32_t h = uint32_t(noise >> (32 * (chan & 1)));
    return int32_t(h & 0xFFFF) + int32_t(h >> 16) - 65535;
}

// A value in 1/65536 of a 16-bit step to the engine's sample: a whole step
// is kept exactly (digital silence stays silent, 16-bit audio in a wider
// file exact); anything else is dithered and rounded; then held to 16 bits.
inline int32_t Narrow(int64_t x, int32_t dither) {
    int64_t y = (x & 0xFFFF) == 0 ? x >> 16 : (x + dither + 32768) >> 16;
    return int32_t(std::clamp<int64_t>(y, -32768, 32767)) * 16;
}
}  // namespace

int32_t LSampleNarrow::Round(double v, uint64_t noise, uint32_t chan) {
    // Infinities clip; NaN reads as silence.
    if (!(v >= -1e9 && v <= 1e9)) v = v > 0 ? 1e9 : v < 0 ? -1e9 : 0.0;
    if (v > 32768.0 || v < -32768.0) ++nClipped;  // past full scale in the file itself
    // To 1/65536 of a step; the mixing's rounding error below that is no
    // reason to dither a whole step.
    return Narrow(std::llrint(v * 65536.0), Tpdf(noise, chan));
}

void LSampleNarrow::FromInt(const int32_t* const* planes, size_t step, int32_t frames, uint32_t bits, int64_t frame,
                            int32_t* out) {
    if (bits < 1) bits = 1;
    if (bits > 32) bits = 32;
    if (nIn > 2) {
        // Mixed in floating point from the full precision, dithered once.
        std::vector<double> v(size_t(frames) * nIn);
        std::vector<const double*> p(nIn);
        double unit = std::ldexp(1.0, 16 - int(bits));  // one file step in 16-bit units
        for (uint32_t c = 0; c < nIn; ++c) {
            for (int32_t i = 0; i < frames; ++i) v[size_t(i) * nIn + c] = double(planes[c][size_t(i) * step]) * unit;
            p[c] = v.data() + c;
        }
        FromReal(p.data(), nIn, frames, frame, out, 1.0);
        return;
    }
    if (bits <= 16) {
        // Exact: a narrower sample is widened to 16 bits, a 16-bit one kept.
        uint32_t up = 16 - bits + 4;
        for (uint32_t c = 0; c < nOut; ++c) {
            const int32_t* in = planes[c];
            for (int32_t i = 0; i < frames; ++i)
                out[size_t(i) * nOut + c] = int32_t(uint32_t(in[size_t(i) * step]) << up);
        }
        return;
    }
    // x in units of 1/65536 of the 16-bit LSB; dither, round, clamp.
    const int64_t up = int64_t(1) << (32 - bits);
    for (int32_t i = 0; i < frames; ++i) {
        uint64_t noise = FrameNoise(frame + i);
        for (uint32_t c = 0; c < nOut; ++c)
            out[size_t(i) * nOut + c] = Narrow(int64_t(planes[c][size_t(i) * step]) * up, Tpdf(noise, c));
    }
}

template <class T>
void LSampleNarrow::FromReal(const T* const* planes, size_t step, int32_t frames, int64_t frame, int32_t* out,
                             double scale) {
    if (nIn <= 2) {
        for (int32_t i = 0; i < frames; ++i) {
            uint64_t noise = FrameNoise(frame + i);
            for (uint32_t c = 0; c < nOut; ++c)
                out[size_t(i) * nOut + c] = Round(double(planes[c][size_t(i) * step]) * scale, noise, c);
        }
        return;
    }
    for (int32_t i = 0; i < frames; ++i) {
        uint64_t noise = FrameNoise(frame + i);
        double l = 0, r = 0;
        for (uint32_t c = 0; c < nIn; ++c) {
            double v = double(planes[c][size_t(i) * step]) * scale;
            if (!(v >= -1e9 && v <= 1e9)) v = v > 0 ? 1e9 : v < 0 ? -1e9 : 0.0;  // infinities; NaN as silence
            l += v * aMix[2 * c];
            r += v * aMix[2 * c + 1];
        }
        out[size_t(i) * 2] = Round(l, noise, 0);
        out[size_t(i) * 2 + 1] = Round(r, noise, 1);
    }
}

void LSampleNarrow::FromFloat(const float* const* planes, size_t step, int32_t frames, int64_t frame, int32_t* out) {
    FromReal(planes, step, frames, frame, out, 32768.0);
}

void LSampleNarrow::FromDouble(const double* const* planes, size_t step, int32_t frames, int64_t frame,
                               int32_t* out) {
    FromReal(planes, step, frames, frame, out, 32768.0);
}

}  // namespace sondrel
