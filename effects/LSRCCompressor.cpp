#include "effects/LSRCCompressor.h"

#include <algorithm>
#include <cmath>

#include "core/LRangePump.h"  // MsToFrames
#include "effects/LDynamics.h"
#include "effects/LEffectOperations.h"

namespace sondrel {

const LCompressorRatio kCompressorRatioTable[kCompressorRatios] = {
    {"1:1", 1.0},
    {"3:2", 0.9623506263981255},
    {"2:1", 0.9440608762859234},
    {"3:1", 0.9261187281287935},
    {"4:1", 0.9172759353897796},
    {"5:1", 0.9120108393559098},
    {"Limit", 0.8912509382363546},
};

double CompressorRatioFactor(int32_t index) {
    if (index < 0 || index >= kCompressorRatios) return 1.0;
    return kCompressorRatioTable[index].dFactor;
}

void BuildCompressorGainTable(int32_t table[256], int32_t threshold, double factor, int32_t limitLevel) {
    threshold = std::clamp(threshold, -127, 127);
    limitLevel = std::clamp(limitLevel, threshold, 127);
    double g = 16777216.0;
    if (threshold < 0) g /= std::pow(factor, double(-threshold));
    int32_t e = 0;
    for (; e <= threshold + 127; ++e) table[e] = CapGain(g);
    for (; e < limitLevel + 128 && e < 255; ++e) {
        table[e] = CapGain(g);
        g *= factor;
    }
    for (; e < 256; ++e) {
        table[e] = CapGain(g);
        g *= 0.8912509381337456;  // -1 dB per dB
    }
}

LSRCCompressor::LSRCCompressor(const LSoundSourcePtr& input, int32_t limitLevel, int32_t blockMs, double factor,
                               int32_t threshold)
    : LSRCBlockAhead(input) {
    iPeakBound = 0x3FFFFF;
    BuildCompressorGainTable(iGainTable, threshold, factor, limitLevel);
    nBlock = std::clamp(MsToFrames(blockMs, nSampleRate), 128, kMaxBlockFrames);
    current_.assign(size_t(nBlock) * nChans, 0);
    next_.assign(size_t(nBlock) * nChans, 0);
    Restart();
}

int32_t LSRCCompressor::ReadBlockTarget(std::vector<int32_t>& block) {
    pInput->Read(block.data(), nBlock);
    int32_t level = BlockLevelDB(BlockMeanSquare(block.data(), nBlock * nChans));
    return iGainTable[level + 128];
}

void LSRCCompressor::SetStep() {
    if (gTarget_ < g_) {
        step_ = (gTarget_ - g_) / (nBlock + nBlock / 4);  // attack
    } else {
        // Release halfway towards the mean of the last two targets; the sum
        // of two large gains does not fit in 32 bits.
        int32_t mid = int32_t((int64_t(gTarget_) + gPrevTarget_) >> 1);
        step_ = (mid - g_) / (2 * nBlock);
    }
}

void LSRCCompressor::Restart() {
    if (HasError()) return;
    g_ = gPrevTarget_ = ReadBlockTarget(current_);
    gTarget_ = ReadBlockTarget(next_);
    SetStep();
    nPos = 0;
}

void LSRCCompressor::NextBlock() {
    std::swap(current_, next_);
    gPrevTarget_ = gTarget_;
    gTarget_ = ReadBlockTarget(next_);
    SetStep();
}

void LSRCCompressor::Apply(int32_t* out, int32_t frames) {
    const int32_t chans = nChans;
    const int32_t* src = current_.data() + size_t(nPos) * chans;
    for (int32_t i = 0; i < frames; ++i) {
        for (int32_t c = 0; c < chans; ++c) out[c] = MulGain(src[c], g_);
        g_ += step_;
        src += chans;
        out += chans;
    }
}

LSPCompressor::LSPCompressor(int32_t threshold, double factor, int32_t limit)
    : iThreshold(int8_t(std::clamp(threshold, -127, 127))), dFactor(factor), iLimit(int8_t(std::clamp(limit, -127, 127))) {}

void LSPCompressor::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    result = MakeSource<LSRCCompressor>(input, 127, iBlockTime, dFactor, iThreshold);
}

// ---------------------------------------------------------------- the command

namespace {

const char* CompressorRatioText(int32_t index) { return kCompressorRatioTable[index].szText; }
constexpr LEffectParam kCompressorParams[] = {
    {.stored = {"CompressorThreshold", 0},
     .control = LParamControl::kDBEdit,
     .nControl = IDC_COMPRESSOR_THRESHOLD,
     .szLabel = "Threshold:",
     .nMin = -40,
     .nMax = 0,
     .szRangeMessage = "Compressor threshold must be between -40 and 0 dB."},
    {.stored = {"CompressorRatio", 0},
     .control = LParamControl::kCombo,
     .nControl = IDC_COMPRESSOR_RATIO,
     .szLabel = "Ratio:",
     .nMin = 0,
     .nMax = kCompressorRatios - 1,
     .szRangeMessage = "Compressor ratio must be an index between 0 and 6.",
     .pfnChoice = CompressorRatioText},
    {.stored = {"CompressorLimit", 0},
     .control = LParamControl::kDBEdit,
     .nControl = IDC_COMPRESSOR_LIMIT,
     .szLabel = "Limit:",
     .nMin = 0,
     .nMax = 12,
     .szRangeMessage = "Compressor limit must be between 0 and 12 dB."},
};
LSPCompressor Compressor(const LEffectValues& v) { return LSPCompressor(v[0], CompressorRatioFactor(v[1]), v[2]); }
LSoundSourcePtr PreviewCompressor(const LEffectValues& v, const LSoundSourcePtr& inner) {
    return Compressor(v).OpenSource(inner);
}
LProcessResult Compress(LProgress* p, LEffectJob& job) {
    LSPCompressor compressor = Compressor(job.values);
    return ReplaceSelection(p, job, compressor, "Dynamic Range Compressor");
}

}  // namespace

constinit const LEffectDesc kCompressorEffect = {
    .id = LEffect::kCompressor,
    .nCommand = IDM_COMPRESSOR,
    .szMenuText = "Dynamic Range Compressor...",
    .szHint = "Narrows the difference between the loud and the soft passages of the selected region.",
    .szUndoLabel = "Dynamic Range Compressor",
    .szTitle = "Dynamic Range Compressor",
    .nPreRollMs = 500,
    .params = kCompressorParams,
    .nTemplate = IDD_COMPRESSOR,
    .szCaption = "Dynamic Range Compressor",
    .nHelpContext = IDH_EFFECTS,
    .pfnPreview = PreviewCompressor,
    .pfnRun = Compress,
    .szStep = "--compressor",
    .szSyntax = "THRESHOLD_DB,RATIO_INDEX,LIMIT_DB",
    .szWants = "THRESHOLD_DB,RATIO_INDEX,LIMIT_DB",
    .szHelp = "threshold -40..0, ratio 0..6\n(1:1 3:2 2:1 3:1 4:1 5:1 Limit), limit 0..12",
};

}  // namespace sondrel
