#include "effects/LHighPass.h"

#include <algorithm>
#include <cmath>

#include "effects/LEffectOperations.h"
#include "effects/LEffectSource.h"

namespace sondrel {

int32_t LSRCHighPass::Coefficient(int32_t frequency, int32_t rate) {
    return int32_t((1.0 - std::exp(-6.283185307 * frequency / rate)) * 256.0);
}

LSRCHighPass::LSRCHighPass(const LSoundSourcePtr& input, int32_t frequency)
    : LSRCFilter(input), iA(Coefficient(frequency, nSampleRate)), state_(nChans, 0) {
    // The difference can overshoot the input by up to a factor of two.
    if (iPeakBound <= (1 << 20)) iPeakBound *= 2;
}

void LSRCHighPass::Read(int32_t* buffer, int32_t n) {
    int32_t pos = pInput->GetPosition();
    pInput->Read(buffer, n);
    if (n <= 0) return;
    const int32_t a = iA;
    if (nChans == 2) {
        // Two independent chains side by side.
        int32_t s0 = state_[0], s1 = state_[1];
        for (int32_t i = 0; i < n; ++i) {
            int32_t x0 = buffer[2 * i] - (s0 >> 8);
            int32_t x1 = buffer[2 * i + 1] - (s1 >> 8);
            buffer[2 * i] = x0;
            buffer[2 * i + 1] = x1;
            s0 += x0 * a;
            s1 += x1 * a;
        }
        state_[0] = s0;
        state_[1] = s1;
    } else {
        for (uint32_t c = 0; c < nChans; ++c) {
            int32_t s = state_[c];
            for (int32_t i = 0; i < n; ++i) {
                int32_t& v = buffer[size_t(i) * nChans + c];
                int32_t x = v - (s >> 8);
                v = x;
                s += x * a;
            }
            state_[c] = s;
        }
    }
    ZeroOutside(buffer, n, nChans, pos, pInput->GetLength());
}

void LSRCHighPass::Seek(int32_t position) {
    pInput->Seek(position);
    std::fill(state_.begin(), state_.end(), 0);
}

void LSPHighPass::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    result = MakeSource<LSRCHighPass>(input, iFrequency);
}

// ---------------------------------------------------------------- the command

namespace {

constexpr LEffectParam kLowCutParams[] = {
    {.stored = {"LowCutFreq", 250}, .nControl = IDC_LOW_CUT_FREQUENCY, .szLabel = "Frequency (Hz) :"},
};
int32_t FilterFrequency(int32_t entered) { return int32_t(uint32_t(entered) * 2u); }
LSoundSourcePtr PreviewLowCut(const LEffectValues& v, const LSoundSourcePtr& inner) {
    return LSPHighPass(FilterFrequency(v[0])).OpenSource(inner);
}
LProcessResult LowCut(LProgress* p, LEffectJob& job) {
    LSPHighPass filter(FilterFrequency(job.values[0]));
    return ReplaceSelection(p, job, filter, "Low Cut Filter");
}

}  // namespace

constinit const LEffectDesc kLowCutFilterEffect = {
    .id = LEffect::kLowCutFilter,
    .nCommand = IDM_HIGH_PASS_FILTER,
    .szMenuText = "High-Pass Filter...",
    .szHint = "Removes low frequencies (rumble, hum) from the selected region.",
    .szUndoLabel = "High-Pass Filter",
    .szTitle = "High-Pass Filter",
    .nPreRollMs = 500,
    .params = kLowCutParams,
    .nTemplate = IDD_LOW_CUT,
    .szCaption = "Low Cut Filter",
    .nHelpContext = IDH_EFFECTS,
    .pfnPreview = PreviewLowCut,
    .pfnRun = LowCut,
    .szStep = "--low-cut",
    .szSyntax = "HZ",
    .szWants = "a frequency",
    .szHelp = "high-pass at the dialog's frequency",
};

}  // namespace sondrel
