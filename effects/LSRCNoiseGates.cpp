#include "effects/LSRCNoiseGates.h"

#include <algorithm>
#include <cmath>

#include "effects/LDynamics.h"
#include "effects/LEffectOperations.h"

namespace sondrel {

namespace {

// The splitter's states hold 256 times band signals that can reach several
// times the input, so they are kept in 64 bits; the input is limited to
// eight times 16-bit full scale so that every band fits 32 bits again.
constexpr int32_t kSplitterMax = 0x3FFFFF;

constexpr double kBandOmega[4] = {314.15926535, 2513.2741228, 6911.5038377, 16336.2817982};

}  // namespace

LNoiseGateSplitter::LNoiseGateSplitter(int32_t rate, int32_t chans) : nChans(std::max(chans, 1)) {
    for (int i = 0; i < 4; ++i) a[i] = rate < 1 ? 0 : int32_t((1.0 - std::exp(-kBandOmega[i] / rate)) * 256.0);
    s_.assign(size_t(nChans) * 4, 0);
}

void LNoiseGateSplitter::Reset() { std::fill(s_.begin(), s_.end(), 0); }

void LNoiseGateSplitter::Split(const int32_t* in, int32_t frames, int32_t* band1, int32_t* band2, int32_t* band3,
                               int32_t* band4) {
    const int64_t a0 = a[0], a1 = a[1], a2 = a[2], a3 = a[3];
    for (int32_t c = 0; c < nChans; ++c) {
        int64_t s0 = s_[c * 4], s1 = s_[c * 4 + 1], s2 = s_[c * 4 + 2], s3 = s_[c * 4 + 3];
        for (int32_t i = 0; i < frames; ++i) {
            size_t j = size_t(i) * nChans + c;
            int64_t x = std::clamp(in[j], -kSplitterMax, kSplitterMax);
            x -= s0 >> 8;  // high-pass at 50 Hz: what lies below is discarded
            s1 += (x - (s1 >> 8)) * a1;
            s0 += x * a0;
            int64_t b1 = s1 >> 8;
            x -= b1;
            s2 += (x - (s2 >> 8)) * a2;
            int64_t b2 = s2 >> 8;
            x -= b2;
            s3 += (x - (s3 >> 8)) * a3;
            int64_t b3 = s3 >> 8;
            x -= b3;
            band1[j] = int32_t(b1);
            band2[j] = int32_t(b2);
            band3[j] = int32_t(b3);
            band4[j] = int32_t(x);
        }
        s_[c * 4] = s0;
        s_[c * 4 + 1] = s1;
        s_[c * 4 + 2] = s2;
        s_[c * 4 + 3] = s3;
    }
}

int32_t NoiseGateSensitivity(int32_t levelDB) {
    int32_t amp = LDBTablesClass::Get().Amplitude(std::clamp(levelDB, -127, 127));
    if (amp <= 0) return 0x7FFFFFFF;
    return CapGain(8589934592.0 / (double(amp) / 16777216.0 * 131072.0));
}

int32_t NoiseGateTarget(int32_t e, int32_t k) {
    // With a very low threshold k is large and e * k / 2^24 no longer fits
    // 32 bits; so far out the gate is plainly open or shut.
    int64_t wide = (int64_t(e) * k) >> 24;
    if (wide > 0x10000) return kUnityGain;
    if (wide < -0x10000) return 0;
    int32_t v = MulGain(e, k) - 512;
    if (v < 0) return 0;
    if (v > 2048) return kUnityGain;
    return v * 8192;
}

void NoiseGateTargets(const int32_t peaks[4], const int32_t k[4], int32_t targets[4]) {
    const int32_t p1 = peaks[0], p2 = peaks[1], p3 = peaks[2], p4 = peaks[3];
    const int32_t e[4] = {
        p1 - (p2 >> 2),
        p2 - ((p3 >> 2) + (p1 >> 4)),
        p3 - ((p2 >> 3) + (p4 >> 4)),
        p4 - (p3 >> 3),
    };
    for (int i = 0; i < 4; ++i) targets[i] = NoiseGateTarget(e[i], k[i]);
}

void NoiseGateBandLevels(int32_t gateLevel, int8_t levels[4]) {
    int32_t l = std::clamp(gateLevel, -127, 127);
    const int32_t offsets[4] = {3, 0, -3, 0};
    for (int i = 0; i < 4; ++i) levels[i] = int8_t(std::clamp(l + offsets[i], -127, 127));
}

LSRCNoiseGates::LSRCNoiseGates(const LSoundSourcePtr& input, const int8_t levels[4])
    : LSRCBlockAhead(input), splitter_(input->nSampleRate, input->nChans) {
    for (int i = 0; i < 4; ++i) k_[i] = NoiseGateSensitivity(levels[i]);
    nBlock = std::clamp(nSampleRate / 30, 20, kMaxBlockFrames);
    nOpenDiv = nBlock;
    nCloseDiv = 2 * nBlock;
    size_t sz = size_t(nBlock) * nChans;
    in_.assign(sz, 0);
    for (int i = 0; i < 4; ++i) {
        current_[i].assign(sz, 0);
        next_[i].assign(sz, 0);
    }
    Restart();
}

void LSRCNoiseGates::ReadAndSplit(std::vector<int32_t>* bands) {
    pInput->Read(in_.data(), nBlock);
    splitter_.Split(in_.data(), nBlock, bands[0].data(), bands[1].data(), bands[2].data(), bands[3].data());
}

void LSRCNoiseGates::Targets(std::vector<int32_t>* bands, int32_t targets[4]) {
    int32_t peaks[4];
    for (int i = 0; i < 4; ++i) peaks[i] = BlockPeak(bands[i].data(), nBlock * nChans);
    NoiseGateTargets(peaks, k_, targets);
}

void LSRCNoiseGates::Restart() {
    if (HasError()) return;
    splitter_.Reset();
    ReadAndSplit(current_);
    ReadAndSplit(next_);
    Targets(next_, g_);
    for (int i = 0; i < 4; ++i) step_[i] = 0;
    nPos = 0;
}

void LSRCNoiseGates::NextBlock() {
    for (int i = 0; i < 4; ++i) std::swap(current_[i], next_[i]);
    ReadAndSplit(next_);
    int32_t targets[4];
    Targets(next_, targets);
    for (int i = 0; i < 4; ++i) {
        int32_t d = targets[i] - g_[i];
        if (targets[i] > g_[i])
            step_[i] = d / nOpenDiv;
        else
            step_[i] = d / (i == 0 ? 2 * nCloseDiv : nCloseDiv);
    }
}

void LSRCNoiseGates::Apply(int32_t* out, int32_t frames) {
    const int32_t chans = nChans;
    const size_t off = size_t(nPos) * chans;
    const int32_t* b1 = current_[0].data() + off;
    const int32_t* b2 = current_[1].data() + off;
    const int32_t* b3 = current_[2].data() + off;
    const int32_t* b4 = current_[3].data() + off;
    for (int32_t i = 0; i < frames; ++i) {
        for (int32_t c = 0; c < chans; ++c)
            out[c] = MulGain(b1[c], g_[0]) + MulGain(b2[c], g_[1]) + MulGain(b3[c], g_[2]) + MulGain(b4[c], g_[3]);
        for (int b = 0; b < 4; ++b) g_[b] += step_[b];
        b1 += chans;
        b2 += chans;
        b3 += chans;
        b4 += chans;
        out += chans;
    }
}

LSPNoiseGates::LSPNoiseGates(int32_t gateLevel) { NoiseGateBandLevels(gateLevel, iLevels); }

void LSPNoiseGates::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    if (input->HasError())
        result = input;
    else
        result = MakeSource<LSRCNoiseGates>(input, iLevels);
}

// ---------------------------------------------------------------- the command

namespace {

constexpr LEffectParam kNoiseReductionParams[] = {
    {.stored = {"NoiseGateLevel", -30},
     .control = LParamControl::kDBEdit,
     .nControl = IDC_NOISE_GATE_LEVEL,
     .szLabel = "Noise Gate Level:",
     .nMin = -40,
     .nMax = 0,
     .szRangeMessage = "Noise gate level must be between -40 and 0 dB."},
};
LProcessResult ReduceNoise(LProgress* p, LEffectJob& job) {
    LSPNoiseGates gates(job.values[0]);
    return ReplaceSelection(p, job, gates, "Noise Reduction");
}

}  // namespace

constinit const LEffectDesc kNoiseReductionEffect = {
    .id = LEffect::kNoiseReduction,
    .nCommand = IDM_NOISE_REDUCTION,
    .szMenuText = "Noise Reduction...",
    .szHint = "Quietens the background noise between sounds in the selected region.",
    .szUndoLabel = "Noise Reduction",
    .szTitle = "Noise Reduction",
    .nPreRollMs = 1000,
    .params = kNoiseReductionParams,
    .nTemplate = IDD_NOISE_REDUCTION,
    .szCaption = "Noise Reduction",
    .nHelpContext = IDH_EFFECTS,
    .pfnRun = ReduceNoise,
    .szStep = "--noise-reduction",
    .szSyntax = "DB",
    .szWants = "a level in dB",
    .szHelp = "gate level -40..0",
};

}  // namespace sondrel
