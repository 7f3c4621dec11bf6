#include "effects/LEchoReverb.h"

#include <algorithm>
#include <cstring>

#include "effects/LEffectOperations.h"

namespace sondrel {

LSRCEcho::LSRCEcho(const LSoundSourcePtr& input, int32_t timeMs, int32_t gainPercent)
    : LSRCFilter(input),
      nDelay(DelaySamples(timeMs, nSampleRate, nChans, kMinDelaySamples, kMaxDelaySamples)),
      delay_(size_t(nDelay), 0),
      iGain((gainPercent * 256) / 100) {}

void LSRCEcho::Read(int32_t* buffer, int32_t n) {
    int32_t pos = pInput->GetPosition();
    pInput->Read(buffer, n);
    if (n <= 0) return;
    // Every slot of the delay line is at least 128 samples old when it is
    // read, so a stretch up to the end of the line has no dependency inside
    // it and the loop vectorises.
    int32_t left = n * nChans;
    int32_t* __restrict x = buffer;
    const int32_t g = iGain;
    while (left > 0) {
        int32_t run = std::min(left, nDelay - iIndex);
        int32_t* __restrict d = delay_.data() + iIndex;
        for (int32_t j = 0; j < run; ++j) {
            int32_t v = x[j] + ((d[j] * g) >> 8);
            d[j] = v;
            x[j] = v;
        }
        x += run;
        left -= run;
        iIndex += run;
        if (iIndex == nDelay) iIndex = 0;
    }
    ZeroOutside(buffer, n, nChans, pos, pInput->GetLength());
}

void LSRCEcho::Seek(int32_t position) {
    std::fill(delay_.begin(), delay_.end(), 0);
    pInput->Seek(position);
}

LSRCReverb::LSRCReverb(const LSoundSourcePtr& input, int32_t level, int32_t timeMs) : LSRCFilter(input) {
    nLength = uint32_t(DelaySamples(timeMs, nSampleRate, nChans, kMinDelaySamples, kMaxDelaySamples));
    d_.assign(nLength, 0);
    const double L = nLength;
    p_[0] = uint32_t(L * 0.7413);
    p_[1] = uint32_t(L * 0.5581);
    p_[2] = uint32_t(L * 0.3823);
    p_[3] = uint32_t(L * 0.211);
    const double G = (level * 512) / 100;
    g_[0] = int32_t(G * 0.4);
    g_[1] = int32_t(G * 0.1);
    g_[2] = int32_t(G * 0.3);
    g_[3] = int32_t(G * 0.07);
    g0_ = int32_t(G * 0.13);
    // A tap at p reads the slot written (w - p) mod L samples before; a tap
    // on the write slot itself reads it before the write, L samples old.
    nMinLag = nLength;
    for (uint32_t p : p_) {
        uint32_t lag = (nLength - p) % nLength;
        nMinLag = std::min(nMinLag, lag == 0 ? nLength : lag);
    }
}

void LSRCReverb::Read(int32_t* buffer, int32_t n) {
    int32_t pos = pInput->GetPosition();
    pInput->Read(buffer, n);
    if (n <= 0) return;
    // Stretches no longer than the shortest tap lag read only slots written
    // before the stretch, so each stretch is computed first and written to
    // the line afterwards (the sum order does not matter: it wraps).
    uint32_t left = uint32_t(n) * nChans;
    int32_t* x = buffer;
    const int32_t g1 = g_[0], g2 = g_[1], g3 = g_[2], g4 = g_[3], g0 = g0_;
    int32_t* d = d_.data();
    while (left > 0) {
        uint32_t run = std::min(left, nMinLag);
        run = std::min(run, nLength - w_);
        for (uint32_t p : p_) run = std::min(run, nLength - p);
        const int32_t* __restrict t1 = d + p_[0];
        const int32_t* __restrict t2 = d + p_[1];
        const int32_t* __restrict t3 = d + p_[2];
        const int32_t* __restrict t4 = d + p_[3];
        const int32_t* __restrict fb = d + w_;
        int32_t* __restrict out = x;
        for (uint32_t j = 0; j < run; ++j)
            out[j] += ((t1[j] * g1) >> 9) + ((t2[j] * g2) >> 9) + ((t3[j] * g3) >> 9) + ((t4[j] * g4) >> 9) +
                      ((fb[j] * g0) >> 9);
        std::memcpy(d + w_, x, run * sizeof(int32_t));
        w_ += run;
        if (w_ == nLength) w_ = 0;
        for (uint32_t& p : p_) {
            p += run;
            if (p == nLength) p = 0;
        }
        x += run;
        left -= run;
    }
    ZeroOutside(buffer, n, nChans, pos, pInput->GetLength());
}

void LSRCReverb::Seek(int32_t position) {
    std::fill(d_.begin(), d_.end(), 0);
    pInput->Seek(position);
}

void LSPEcho::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    result = MakeSource<LSRCEcho>(input, iEchoTime, iEchoGain);
}

void LSPReverb::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    result = MakeSource<LSRCReverb>(input, iReverbLevel, iReverbTime);
}

// ---------------------------------------------------------------- the commands

namespace {

constexpr LEffectParam kEchoParams[] = {
    {.stored = {"EchoTime", 800}, .nControl = IDC_ECHO_TIME, .szLabel = "Echo Time (ms) :"},
    {.stored = {"EchoGain", 50}, .nControl = IDC_ECHO_GAIN, .szLabel = "Echo Gain (%) :"},
};
const char* CheckEcho(const LEffectValues& v) {
    if (v[0] < 10 || v[0] >= 3000) return "Echo time must be between 10 and 3000ms. Please try again.";
    if (v[1] >= 100) return "Echo Gain must be less than 100%. Please try again.";
    return nullptr;
}
// The preview keeps to what it can play whatever the fields show.
LSoundSourcePtr PreviewEcho(const LEffectValues& v, const LSoundSourcePtr& inner) {
    return LSPEcho(std::clamp(v[0], 10, 3000), std::min(v[1], 99)).OpenSource(inner);
}
LProcessResult Echo(LProgress* p, LEffectJob& job) {
    LSPEcho echo(job.values[0], job.values[1]);
    return ReplaceSelection(p, job, echo, "Echo");
}

constexpr LEffectParam kReverbParams[] = {
    {.stored = {"ReverbLevel", 100}, .nControl = IDC_REVERB_LEVEL, .szLabel = "Reverb Level (0 - 100):"},
    {.stored = {"ReverbTime", 50}, .nControl = IDC_REVERB_TIME, .szLabel = "Reverb Time (50 - 1000 ms):"},
};
const char* CheckReverb(const LEffectValues& v) {
    if (v[0] > 100) return "Reverb level must be less than 100. Please try again.";
    if (v[1] < 50 || v[1] > 1000) return "Reverb time must be between 50 and 1000. Please try again.";
    return nullptr;
}
LSoundSourcePtr PreviewReverb(const LEffectValues& v, const LSoundSourcePtr& inner) {
    return LSPReverb(std::min(v[0], 100), std::clamp(v[1], 10, 1000)).OpenSource(inner);
}
LProcessResult Reverb(LProgress* p, LEffectJob& job) {
    LSPReverb reverb(job.values[0], job.values[1]);
    return ReplaceSelection(p, job, reverb, "Reverb");
}

}  // namespace

constinit const LEffectDesc kEchoEffect = {
    .id = LEffect::kEcho,
    .nCommand = IDM_ECHO,
    .szMenuText = "Echo...",
    .szHint = "Adds a repeating echo to the selected region.",
    .szUndoLabel = "Echo",
    .szTitle = "Echo",
    .nPreRollMs = 500,
    .params = kEchoParams,
    .pfnCheck = CheckEcho,
    .nTemplate = IDD_ECHO,
    .szCaption = "Echo",
    .nHelpContext = IDH_EFFECTS,
    .pfnPreview = PreviewEcho,
    .pfnRun = Echo,
    .szStep = "--echo",
    .szSyntax = "MS,PERCENT",
    .szWants = "MS,PERCENT",
    .szHelp = "echo time 10..2999, gain below 100",
};

constinit const LEffectDesc kReverbEffect = {
    .id = LEffect::kReverb,
    .nCommand = IDM_REVERB,
    .szMenuText = "Reverb...",
    .szHint = "Adds reverberation to the selected region.",
    .szUndoLabel = "Reverb",
    .szTitle = "Reverb",
    .nPreRollMs = 1000,
    .params = kReverbParams,
    .pfnCheck = CheckReverb,
    .nTemplate = IDD_REVERB,
    .szCaption = "Reverb ",
    .nHelpContext = IDH_EFFECTS,
    .pfnPreview = PreviewReverb,
    .pfnRun = Reverb,
    .szStep = "--reverb",
    .szSyntax = "LEVEL,MS",
    .szWants = "LEVEL,MS",
    .szHelp = "level at most 100, time 50..1000",
};

}  // namespace sondrel
