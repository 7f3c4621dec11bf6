#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <random>

#include "core/LSample.h"
#include "document/LDocuments.h"
#include "effects/EffectTestUtil.h"
#include "effects/LEffectOperations.h"
#include "effects/LEffectParams.h"
#include "effects/LHighPass.h"
#include "effects/LMix.h"
#include "formats/LWaveFile.h"
#include "support/DocumentFixture.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

class EffectOps : public DocumentFixture {
protected:
    void SetUp() override {
        DocumentFixture::SetUp();
        WriteBool("Settings", "AutoPlaybackAfterEffects", false);
    }
    // A document over these samples with the selection [selStart, selEnd) ms.
    LSDFile& Doc(const std::vector<int32_t>& samples, uint32_t chans, int32_t rate, int32_t selStart,
                 int32_t selEnd) {
        LSDFile& d = docs->AddUntitled(List(samples, chans, rate));
        d.stSelStart.ms = selStart;
        d.stSelEnd.ms = selEnd;
        return d;
    }
    static std::vector<int32_t> Noise(size_t count, int32_t amplitude) {
        std::mt19937 rng(Seed());
        std::uniform_int_distribution<int32_t> dist(-amplitude, amplitude);
        std::vector<int32_t> v(count);
        for (auto& s : v) s = dist(rng);
        return v;
    }
    static std::vector<int32_t> Slice(const std::vector<int32_t>& v, size_t from, size_t to) {
        return std::vector<int32_t>(v.begin() + long(from), v.begin() + long(to));
    }
};

// ------------------------------------------------------------- normalize

TEST_F(EffectOps, NormalizeGain) {
    struct Case {
        const char* name;
        int32_t peak;   // largest magnitude in the selection (a negative sample)
        int32_t level;  // percent
        int32_t gain;   // percent applied, 100 = nothing
    };
    const Case cases[] = {
        {"silence changes nothing", 0, 100, 100},
        {"full scale at 100 % is left alone", kMax16, 100, 100},
        {"quiet audio is raised at most 400 %", 1000, 100, 400},
        {"half of full scale to 50 % truncates to 99", 0x40000, 50, 99},
        {"a quarter to 100 %", kMax16 / 4, 100, 400},
        {"a third to 100 %", kMax16 / 3, 100, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // 1000 Hz mono: one frame per millisecond. The selection is [10, 30).
        std::vector<int32_t> in(40);
        for (int i = 0; i < 40; ++i) in[i] = c.peak ? (i % 3 == 0 ? -1 : 1) * (c.peak / 2) + (i & 1) : 0;
        in[20] = -c.peak;
        in[5] = 0x50000;  // outside: louder than the selection, and left as it is
        LSDFile& d = Doc(in, 1, 1000, 10, 30);
        ASSERT_TRUE(Fx(*docs, LEffect::kNormalize, {c.level}));
        EXPECT_EQ(d.UndoLabel(), "Normalize");
        std::vector<int32_t> out = Samples(d.audio);
        ASSERT_EQ(out.size(), in.size());
        const int32_t g = (kUnityGain / 100) * c.gain;
        for (size_t i = 0; i < in.size(); ++i) {
            int32_t want = (i >= 10 && i < 30 && c.gain != 100) ? MulGain(in[i], g) : in[i];
            ASSERT_EQ(out[i], want) << i;
        }
        docs->ReleaseAll();
    }
}

TEST_F(EffectOps, NormalizeOfAnEmptySelectionDoesNothing) {
    LCutListAudio a = List({100, 200, 300}, 1, 1000);
    EXPECT_EQ(RunOperation(LEffect::kNormalize, a, 2, 2, Values({100})), kProcessDone);
    EXPECT_EQ(Samples(a), (std::vector<int32_t>{100, 200, 300}));
}

// ------------------------------------------------------------- envelope and fades

TEST_F(EffectOps, FadesReachTheLastPointAtTheSelectionEndOnBothChannels) {
    const int32_t rate = 8000, frames = 8000;  // one second of stereo, both channels alike
    std::vector<int32_t> in(size_t(frames) * 2, 0x40000);
    struct Case {
        const char* name;
        LEffect fade;
        bool fadeIn;
    };
    const Case cases[] = {{"fade in", LEffect::kFadeIn, true}, {"fade out", LEffect::kFadeOut, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LSDFile& d = Doc(in, 2, rate, 250, 750);  // frames [2000, 6000)
        ASSERT_TRUE(Fx(*docs, c.fade));
        EXPECT_EQ(d.UndoLabel(), c.fadeIn ? "Fade In" : "Fade Out");
        std::vector<int32_t> out = Samples(d.audio);
        ASSERT_EQ(out.size(), in.size());
        for (int32_t f = 0; f < frames; ++f) {
            ASSERT_EQ(out[2 * f], out[2 * f + 1]) << "frame " << f;
            if (f < 2000 || f >= 6000) {
                ASSERT_EQ(out[2 * f], in[2 * f]) << "outside, frame " << f;
            }
        }
        int32_t first = out[2 * 2000], last = out[2 * 5999];
        if (c.fadeIn) {
            EXPECT_EQ(first, 0);
            EXPECT_NEAR(last, 0x40000, 0x40000 / 1000);  // one step short of unity
        } else {
            EXPECT_EQ(first, 0x40000);
            EXPECT_NEAR(last, 0, 0x40000 / 1000);
        }
        for (int32_t f = 2001; f < 6000; ++f) {
            if (c.fadeIn) {
                ASSERT_GE(out[2 * f], out[2 * f - 2]) << f;
            } else {
                ASSERT_LE(out[2 * f], out[2 * f - 2]) << f;
            }
        }
        docs->ReleaseAll();
    }
}

TEST_F(EffectOps, EnvelopeWithCoincidentPointsAndFadeOutAndTrim) {
    const int32_t rate = 1000;
    std::vector<int32_t> in(1000, 0x10000);
    // Full level to the middle (frame 501); the point at the same x is
    // skipped, so the gain ramps from there down to the last point's half.
    PointList curve;
    curve.Set({{0, 128}, {128, 128}, {128, 64}, {255, 64}});
    LSDFile& d = Doc(in, 1, rate, 0, 1000);
    ASSERT_TRUE(FxCurve(*docs, LEffect::kEnvelope, curve));
    std::vector<int32_t> out = Samples(d.audio);
    ASSERT_EQ(out.size(), in.size());
    for (int i = 0; i <= 501; ++i) ASSERT_EQ(out[i], 0x10000) << i;
    EXPECT_NEAR(out[750], 0xC000, 0x10000 / 200);
    EXPECT_NEAR(out[999], 0x8000, 0x10000 / 200);
    for (int i = 502; i < 1000; ++i) ASSERT_LT(out[i], out[i - 1]) << i;

    d.stSelStart.ms = 200, d.stSelEnd.ms = 400;
    ASSERT_TRUE(Fx(*docs, LEffect::kFadeOutAndTrim));
    EXPECT_EQ(d.UndoLabel(), "Fade Out and Trim");
    out = Samples(d.audio);
    ASSERT_EQ(out.size(), 400u);
    EXPECT_EQ(out[199], 0x10000);
    EXPECT_EQ(out[200], 0x10000);
    EXPECT_LT(out[399], 0x10000 / 100);
}

TEST_F(EffectOps, AnEnvelopeOfOnePointIsRefused) {
    std::vector<int32_t> in(100, 5000);
    LSDFile& d = Doc(in, 1, 1000, 10, 50);
    PointList one;
    one.Set({{0, 0}});
    LEffectValues curve;
    curve.curve = one;
    EXPECT_EQ(RunOperation(LEffect::kEnvelope, d.audio, 10, 50, curve), kProcessFailed);
    EXPECT_FALSE(FxCurve(*docs, LEffect::kEnvelope, one));
    EXPECT_EQ(Samples(d.audio), in);
}

// ------------------------------------------------------------- effect sources over a selection

TEST_F(EffectOps, IdentityParametersLeaveTheDocumentAsItWas) {
    const std::vector<int32_t> in = Noise(2 * 4000, 0x60000);
    struct Case {
        const char* name;
        std::function<bool(LDocuments&)> run;
    };
    const Case cases[] = {
        {"echo gain 0", [](LDocuments& ds) { return Fx(ds, LEffect::kEcho, {100, 0}); }},
        {"reverb level 0", [](LDocuments& ds) { return Fx(ds, LEffect::kReverb, {0, 200}); }},
        {"low cut at 0 Hz", [](LDocuments& ds) { return Fx(ds, LEffect::kLowCutFilter, {0}); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LSDFile& d = Doc(in, 2, 8000, 100, 400);
        ASSERT_TRUE(c.run(*docs));
        EXPECT_EQ(Samples(d.audio), in);
        docs->ReleaseAll();
    }
}

TEST_F(EffectOps, EffectsChangeOnlyTheSelection) {
    const int32_t rate = 8000;
    const std::vector<int32_t> in = Noise(2 * 4000, 0x60000);
    PointList silent;
    silent.Set({{0, 0}, {255, 0}});
    struct Case {
        const char* name;
        std::function<bool(LDocuments&)> run;
    };
    const Case cases[] = {
        {"echo", [](LDocuments& ds) { return Fx(ds, LEffect::kEcho, {20, 50}); }},
        {"reverb", [](LDocuments& ds) { return Fx(ds, LEffect::kReverb, {80, 60}); }},
        {"low cut", [](LDocuments& ds) { return Fx(ds, LEffect::kLowCutFilter, {250}); }},
        {"equalizer", [&](LDocuments& ds) { return FxCurve(ds, LEffect::kEqualizer, silent); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LSDFile& d = Doc(in, 2, rate, 100, 300);  // frames [800, 2400)
        ASSERT_TRUE(c.run(*docs));
        std::vector<int32_t> out = Samples(d.audio);
        ASSERT_EQ(out.size(), in.size());
        EXPECT_EQ(Slice(out, 0, 1600), Slice(in, 0, 1600));
        EXPECT_EQ(Slice(out, 4800, out.size()), Slice(in, 4800, in.size()));
        EXPECT_NE(Slice(out, 1600, 4800), Slice(in, 1600, 4800));
        if (std::string(c.name) == "equalizer") {
            EXPECT_EQ(Slice(out, 1600, 4800), std::vector<int32_t>(3200, 0));
        }
        EXPECT_EQ(d.stPosition.ms, 100);
        docs->ReleaseAll();
    }
}

TEST_F(EffectOps, EchoStartsFromSilenceAtTheSelectionStart) {
    // 8000 Hz mono, echo 10 ms: 80 samples, raised to the 128-sample minimum.
    const std::vector<int32_t> in = Noise(1000, 0x40000);
    for (int32_t selStart : {0, 50}) {
        SCOPED_TRACE(selStart);
        LSDFile& d = Doc(in, 1, 8000, selStart, 125);
        ASSERT_TRUE(Fx(*docs, LEffect::kEcho, {10, 50}));  // gain 128/256
        std::vector<int32_t> out = Samples(d.audio);
        const int32_t s = selStart * 8;
        for (int32_t k = 0; k < 128; ++k) ASSERT_EQ(out[s + k], in[s + k]) << k;
        for (int32_t k = 128; k < 256; ++k) ASSERT_EQ(out[s + k], in[s + k] + ((in[s + k - 128] * 128) >> 8)) << k;
        docs->ReleaseAll();
    }
}

TEST_F(EffectOps, LowCutRunsAtTwiceTheEnteredFrequency) {
    const std::vector<int32_t> in = Noise(4410, 0x40000);
    LCutListAudio a = List(in, 1, 44100);
    ASSERT_EQ(RunOperation(LEffect::kLowCutFilter, a, 0, 100, Values({250})), kProcessDone);
    LSoundSourcePtr direct = LSPHighPass(500).OpenSource(MakeSource<VectorSource>(in, 44100, 1));
    EXPECT_EQ(static_cast<LSRCHighPass&>(*direct).CoefficientA(), 17);
    EXPECT_EQ(Samples(a), ReadAll(*direct));
}

// ------------------------------------------------------------- undo and cancel

TEST_F(EffectOps, CancelledEffectsLeaveTheAudioAndTheirUndoRecord) {
    // Noise with 2000 quiet frames at each end, so that auto trim has work.
    std::vector<int32_t> in = Noise(2 * 30000, 0x30000);
    std::fill(in.begin(), in.begin() + 4000, 0);
    std::fill(in.end() - 4000, in.end(), 0);
    PointList curve;
    curve.Set({{0, 200}, {255, 30}});
    struct Case {
        const char* label;
        std::function<bool(LDocuments&)> run;
    };
    const Case cases[] = {
        {"Normalize", [](LDocuments& ds) { return Fx(ds, LEffect::kNormalize, {100}); }},
        {"Fade In", [](LDocuments& ds) { return Fx(ds, LEffect::kFadeIn); }},
        {"Fade Out and Trim", [](LDocuments& ds) { return Fx(ds, LEffect::kFadeOutAndTrim); }},
        {"Envelope", [&](LDocuments& ds) { return FxCurve(ds, LEffect::kEnvelope, curve); }},
        {"Echo", [](LDocuments& ds) { return Fx(ds, LEffect::kEcho, {100, 60}); }},
        {"Reverb", [](LDocuments& ds) { return Fx(ds, LEffect::kReverb, {100, 300}); }},
        {"High-Pass Filter", [](LDocuments& ds) { return Fx(ds, LEffect::kLowCutFilter, {250}); }},
        {"Paste Mix", [](LDocuments& ds) { return Fx(ds, LEffect::kPasteMix, {100, kLongerIncreaseSelection, 0}); }},
        {"Auto Trim", [](LDocuments& ds) { return Fx(ds, LEffect::kAutoTrim); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        LSDFile& d = Doc(in, 2, 8000, 100, 3000);
        docs->clipboard = List(Noise(2 * 30000, 0x30000), 2, 8000);
        host.cancelAfterBlocks = 1;
        EXPECT_FALSE(c.run(*docs));
        EXPECT_EQ(d.UndoLabel(), c.label);
        EXPECT_EQ(Samples(d.audio), in);

        ASSERT_TRUE(c.run(*docs));
        EXPECT_NE(Samples(d.audio), in);
        ASSERT_TRUE(docs->CmUndo());
        EXPECT_EQ(Samples(d.audio), in);
        docs->ReleaseAll();
    }
}

TEST_F(EffectOps, CommandsNeedASelection) {
    LSDFile& d = Doc(std::vector<int32_t>(100, 1000), 1, 1000, 50, 50);
    docs->clipboard = List({1, 2, 3}, 1, 1000);
    PointList flat = FlatCurve();
    EXPECT_FALSE(Fx(*docs, LEffect::kNormalize, {100}));
    EXPECT_FALSE(Fx(*docs, LEffect::kFadeIn));
    EXPECT_FALSE(FxCurve(*docs, LEffect::kEnvelope, flat));
    EXPECT_FALSE(Fx(*docs, LEffect::kEcho, {100, 50}));
    EXPECT_FALSE(FxCurve(*docs, LEffect::kEqualizer, flat));
    EXPECT_FALSE(Fx(*docs, LEffect::kPasteMix, {100, 0, 0}));
    EXPECT_EQ(d.UndoLabel(), "");
    EXPECT_TRUE(host.titles.empty());
}

// ------------------------------------------------------------- paste mix and mix file

TEST_F(EffectOps, PasteMixLengthsAndSamples) {
    // 1000 Hz mono: milliseconds are frames. Document d[i] = 1000 + i, 20
    // frames, selection [5, 10); mix m[k] = 100 * (k + 1).
    std::vector<int32_t> doc(20);
    for (int i = 0; i < 20; ++i) doc[i] = 1000 + i;
    auto mix = [](int n) {
        std::vector<int32_t> m(n);
        for (int k = 0; k < n; ++k) m[k] = 100 * (k + 1);
        return m;
    };
    auto mixed = [&](std::vector<int32_t> base, size_t at, const std::vector<int32_t>& m, size_t count) {
        for (size_t k = 0; k < count; ++k) base[at + k] += m[k];
        return base;
    };
    std::vector<int32_t> withGap = doc;
    withGap.insert(withGap.begin() + 10, 3, 0);

    struct Case {
        const char* name;
        int mixLen, mode, fadeMs, selStart, selEnd;
        std::vector<int32_t> want;
        int32_t wantSelEnd;
    };
    const Case cases[] = {
        {"shorter, mode 0", 3, 0, 0, 5, 10, mixed(doc, 5, mix(3), 3), 8},
        {"shorter, mode 2", 3, 2, 250, 5, 10, mixed(doc, 5, mix(3), 3), 8},
        {"longer, increase selection", 8, 0, 0, 5, 10, mixed(withGap, 5, mix(8), 8), 13},
        {"longer, over what follows", 8, 1, 0, 5, 10, mixed(doc, 5, mix(8), 8), 13},
        {"longer, cut at the selection end", 8, 2, 0, 5, 10, mixed(doc, 5, mix(8), 5), 10},
        {"longer, past the end of the audio", 8, 1, 0, 15, 20,
         [&] {
             std::vector<int32_t> v = doc;
             v.resize(23, 0);
             return mixed(v, 15, mix(8), 8);
         }(),
         23},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LCutListAudio a = List(doc, 1, 1000), m = List(mix(c.mixLen), 1, 1000);
        int32_t end = c.selEnd;
        LNullProgress p;
        ASSERT_EQ(MixOver(&p, a, m, c.selStart, end, 100, LLongerMix(c.mode), c.fadeMs), kProcessDone);
        EXPECT_EQ(Samples(a), c.want);
        EXPECT_EQ(end, c.wantSelEnd);
    }
}

TEST_F(EffectOps, PasteMixVolumeAndFade) {
    std::vector<int32_t> doc(20, 0), m(30, 0x10000);
    const std::vector<int32_t> busy(20, 777);
    LCutListAudio mixList = List(m, 1, 1000);
    LNullProgress p;
    {
        // Half volume: (0x10000 * 256) >> 9.
        LCutListAudio a = List(doc, 1, 1000);
        int32_t end = 10;
        ASSERT_EQ(MixOver(&p, a, mixList, 0, end, 50, kLongerFadeOut, 0), kProcessDone);
        std::vector<int32_t> want(20, 0);
        for (int i = 0; i < 10; ++i) want[i] = 0x8000;
        EXPECT_EQ(Samples(a), want);
    }
    {
        LCutListAudio a = List(busy, 1, 1000);
        int32_t end = 10;
        ASSERT_EQ(MixOver(&p, a, mixList, 0, end, 0, kLongerFadeOut, 0), kProcessDone);
        EXPECT_EQ(Samples(a), busy);
    }
    {
        // Fade over the last 4 ms of a 10 ms selection: the gain falls by a
        // quarter of unity per frame, from unity, and reaches zero at the end.
        LCutListAudio a = List(doc, 1, 1000);
        int32_t end = 10;
        ASSERT_EQ(MixOver(&p, a, mixList, 0, end, 100, kLongerFadeOut, 4), kProcessDone);
        std::vector<int32_t> out = Samples(a);
        ASSERT_EQ(out.size(), 20u);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], 0x10000) << i;
        EXPECT_EQ(out[6], 0x10000);
        EXPECT_EQ(out[7], 0xC000);
        EXPECT_EQ(out[8], 0x8000);
        EXPECT_EQ(out[9], 0x4000);
        for (int i = 10; i < 20; ++i) EXPECT_EQ(out[i], 0) << i;
    }
}

TEST_F(EffectOps, MixFileLoadsConvertsAndNeverFades) {
    const std::string path = JoinPath(dir, "mix.wav");
    {
        // Stereo at 1000 Hz: converted to the mono document, which keeps the left channel.
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), 1000, 0, 16, 2);
        std::vector<int32_t> s(2 * 30);
        for (int i = 0; i < 30; ++i) s[2 * i] = 0x1000, s[2 * i + 1] = 0x3000;
        sink->Write(s.data(), 30);
    }
    WriteStored({"FadeOutTime", 250}, 5);
    LSDFile& d = Doc(std::vector<int32_t>(20, 0), 1, 1000, 0, 10);
    EXPECT_EQ(RunFx(*docs, LEffect::kMixFile, [&] {
                  LEffectValues v = Values({100, 2});
                  v.szPath = JoinPath(dir, "missing.wav");
                  return v;
              }()),
              LCommandResult::kNotLoaded);
    EXPECT_EQ(d.UndoLabel(), "");

    ASSERT_TRUE(FxFile(*docs, LEffect::kMixFile, path, {100, 2}));
    EXPECT_EQ(d.UndoLabel(), "Mix File");
    std::vector<int32_t> out = Samples(d.audio);
    ASSERT_EQ(out.size(), 20u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(out[i], 0x1000) << i;
    for (int i = 10; i < 20; ++i) EXPECT_EQ(out[i], 0) << i;
    EXPECT_EQ(host.titles.back(), "Mixing File");
}

// ------------------------------------------------------------- auto trim

TEST_F(EffectOps, AutoTrim) {
    // Loud: alternating +-0x8000 (about -9 dB, passes the 300 Hz measuring
    // filter); quiet: silence. The threshold is the default -24 dB.
    auto build = [](int32_t frames, std::initializer_list<std::pair<int32_t, int32_t>> loud) {
        std::vector<int32_t> v(frames, 0);
        for (auto [from, to] : loud)
            for (int32_t i = from; i < to; ++i) v[i] = (i & 1) ? -0x8000 : 0x8000;
        return v;
    };
    struct Case {
        const char* name;
        int32_t rate;
        std::vector<int32_t> in;
        int32_t keepFrom, keepTo;
    };
    const Case cases[] = {
        // 8000 Hz: blocks of 200 frames. One block is kept before the first
        // loud block and four (100 ms) after the last.
        {"quiet start and end", 8000, build(6000, {{1000, 3000}}), 800, 3600},
        {"a loud first block is passed over", 8000, build(6000, {{0, 200}, {1000, 3000}}), 800, 3600},
        {"loud to the end keeps the end", 8000, build(3000, {{400, 3000}}), 200, 3000},
        // 1000 Hz: blocks of 25 frames. Nothing loud in the first 8 seconds.
        {"eight quiet seconds go", 1000, build(10000, {{9000, 10000}}), 8000, 10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LSDFile& d = Doc(c.in, 1, c.rate, 0, 0);
        ASSERT_TRUE(Fx(*docs, LEffect::kAutoTrim));
        EXPECT_EQ(d.UndoLabel(), "Auto Trim");
        EXPECT_EQ(Samples(d.audio), Slice(c.in, size_t(c.keepFrom), size_t(c.keepTo)));
        EXPECT_EQ(d.stPosition.ms, 0);
        docs->ReleaseAll();
    }
}

TEST_F(EffectOps, AutoTrimReadsItsThresholdFromTheSettings) {
    // A -17 dB stretch between silences is kept at -24 dB and removed at -10 dB.
    std::vector<int32_t> in(4000, 0);
    for (int32_t i = 1000; i < 2000; ++i) in[i] = (i & 1) ? -0x3000 : 0x3000;
    LSDFile& d = Doc(in, 1, 8000, 0, 0);
    WriteInt("Settings", "AutoTrimThreshold", -10);
    ASSERT_TRUE(Fx(*docs, LEffect::kAutoTrim));
    EXPECT_EQ(Samples(d.audio).size(), 0u);
    docs->CmUndo();
    WriteInt("Settings", "AutoTrimThreshold", -24);
    ASSERT_TRUE(Fx(*docs, LEffect::kAutoTrim));
    EXPECT_EQ(Samples(d.audio), Slice(in, 800, 2600));
}

}  // namespace
