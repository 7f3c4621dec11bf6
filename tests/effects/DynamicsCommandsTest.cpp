#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>

#include "document/LAudioCutTank.h"
#include "document/LDocuments.h"
#include "effects/EffectTestUtil.h"
#include "effects/LDPAutoGain.h"
#include "effects/LEffectOperations.h"
#include "effects/LSRCCompressor.h"
#include "effects/LSpeedPitch.h"
#include "support/DocumentFixture.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

using test::ScriptedHost;

class DynOps : public DocumentFixture {
protected:
    // A new current document holding exactly these samples, all selected.
    LSDFile& MakeDoc(const std::vector<int32_t>& samples, uint32_t chans, int32_t rate = 44100) {
        LSDFile& d = docs->AddUntitled(List(samples, chans, rate));
        d.stSelStart.ms = 0;
        d.stSelEnd.ms = d.LengthMs();
        return d;
    }
    static int32_t Frames(int32_t ms, int32_t rate = 44100) { return LSoundTime(ms).GetSamples(rate); }
};

std::vector<int32_t> Slice(const std::vector<int32_t>& v, size_t from, size_t to) {
    return std::vector<int32_t>(v.begin() + long(from), v.begin() + long(to));
}

std::vector<int32_t> Concat(std::vector<int32_t> a, const std::vector<int32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A loud second (about 0 dB) followed by a quiet one (about -30 dB).
std::vector<int32_t> LoudThenQuiet(uint32_t chans) {
    std::vector<int32_t> s = Sine(44100, chans, 44100, 440, 131072);
    std::vector<int32_t> q = Sine(44100, chans, 44100, 440, 4145);
    return Concat(s, q);
}

}  // namespace

TEST_F(DynOps, CompressorCommandMatchesTheCompressorSourceOverTheSelection) {
    struct Case {
        uint32_t chans;
        int32_t threshold, ratio;
    };
    for (const Case& c : {Case{1, -20, 2}, Case{2, -10, 6}}) {
        SCOPED_TRACE(c.chans);
        std::vector<int32_t> in = LoudThenQuiet(c.chans);
        LSDFile& d = MakeDoc(in, c.chans);
        d.stSelStart.ms = 800, d.stSelEnd.ms = 1700;
        const size_t start = size_t(Frames(800)) * c.chans, end = size_t(Frames(1700)) * c.chans;

        LSRCCompressor ref(MakeSource<VectorSource>(in, 44100, c.chans), 127, 45, CompressorRatioFactor(c.ratio),
                           c.threshold);
        ref.Seek(Frames(800));
        std::vector<int32_t> part(end - start);
        for (size_t done = 0; done < part.size();) {
            int32_t n = int32_t(std::min<size_t>(8192, (part.size() - done) / c.chans));
            ref.Read(part.data() + done, n);
            done += size_t(n) * c.chans;
        }
        ASSERT_NE(part, Slice(in, start, end));  // the quiet part is raised

        ASSERT_TRUE(Fx(*docs, LEffect::kCompressor, {c.threshold, c.ratio, 6}));
        EXPECT_EQ(Samples(d.audio), Concat(Concat(Slice(in, 0, start), part), Slice(in, end, in.size())));
        EXPECT_EQ(d.UndoLabel(), "Dynamic Range Compressor");
        EXPECT_EQ(host.titles.back(), "Dynamic Range Compressor");
        EXPECT_EQ(host.played, 300);
        EXPECT_EQ(d.stSelEnd.ms, 1700);
        docs->ReleaseAll();
    }
}

TEST_F(DynOps, NoiseReductionRemovesAnOffsetInTheSelectionOnly) {
    // A 1 kHz tone loud enough to keep the gate open, over a constant offset.
    std::vector<int32_t> in = Sine(44100 * 2, 1, 44100, 1000, 200000);
    for (int32_t& s : in) s += 60000;
    LSDFile& d = MakeDoc(in, 1);
    d.stSelStart.ms = 500, d.stSelEnd.ms = 1500;
    ASSERT_TRUE(Fx(*docs, LEffect::kNoiseReduction, {-30}));
    std::vector<int32_t> out = Samples(d.audio);
    ASSERT_EQ(out.size(), in.size());
    const size_t a = size_t(Frames(500)), b = size_t(Frames(1500));
    EXPECT_EQ(Slice(out, 0, a), Slice(in, 0, a));
    EXPECT_EQ(Slice(out, b, out.size()), Slice(in, b, in.size()));
    // Past the first 100 ms the offset is gone and the tone is still there.
    double sum = 0, sq = 0;
    const size_t from = a + 4410;
    for (size_t i = from; i < b; ++i) sum += out[i], sq += double(out[i]) * out[i];
    const double n = double(b - from);
    EXPECT_LT(std::fabs(sum / n), 2000.0);
    EXPECT_GT(std::sqrt(sq / n), 0.5 * 200000 / std::sqrt(2.0));
    EXPECT_EQ(d.UndoLabel(), "Noise Reduction");
    EXPECT_EQ(host.played, 0);  // 500 ms less 1000 ms pre-roll
}

TEST_F(DynOps, AutoGainOnLessThanABlockGivesOneFadedBlock) {
    std::vector<int32_t> in = Sine(44100, 1, 44100, 330, 150000);
    LSDFile& d = MakeDoc(in, 1);
    d.stSelStart.ms = 100, d.stSelEnd.ms = 110;  // 441 frames; a block is 882
    d.stPosition.ms = 700;
    ASSERT_TRUE(Fx(*docs, LEffect::kAutoGainControl));
    std::vector<int32_t> out = Samples(d.audio);
    const size_t a = size_t(Frames(100)), b = size_t(Frames(110)), block = 882;
    ASSERT_EQ(out.size(), in.size() - (b - a) + block);
    EXPECT_EQ(Slice(out, 0, a), Slice(in, 0, a));
    EXPECT_EQ(Slice(out, a + block, out.size()), Slice(in, b, in.size()));
    // The gain falls linearly to 0 over the block: beyond the selection's
    // frames only silence, and the gain late in the selection is lower.
    for (size_t i = a + (b - a); i < a + block; ++i) ASSERT_EQ(out[i], 0) << i;
    auto gain = [&](size_t from, size_t to) {
        int32_t po = 0, pi = 0;
        for (size_t i = from; i < to; ++i) po = std::max(po, std::abs(out[a + i])), pi = std::max(pi, std::abs(in[a + i]));
        return double(po) / pi;
    };
    const double early = gain(40, 173), late = gain(300, 433);
    EXPECT_GT(early, 0.0);
    EXPECT_LT(late, 0.8 * early);
    EXPECT_EQ(d.UndoLabel(), "Auto Gain Control");
    EXPECT_EQ(d.stPosition.ms, 0);
    EXPECT_EQ(host.played, 0);
}

TEST_F(DynOps, AutoGainCancelledOrWithoutAFolderLeavesTheAudioAndNoFiles) {
    std::vector<int32_t> in = Sine(44100 * 2, 2, 44100, 330, 150000);
    LSDFile& d = MakeDoc(in, 2);
    std::string work = JoinPath(dir, "work");
    std::filesystem::create_directories(work);
    const LEffectValues none;
    const LEffectJob job{.audio = d.audio, .stStart = 200, .stEnd = 1800, .values = none};
    struct Cancel : LProgress {
        int left = 20;
        bool IsCancelled() override { return left-- <= 0; }
        void SetText(const char*, int) override {}
        void SetProgress(double) override {}
    } cancel;
    EXPECT_EQ(AutoGainSelection(&cancel, job, work), kProcessCancelled);
    EXPECT_EQ(Samples(d.audio), in);
    EXPECT_TRUE(LFile::List(work.c_str(), ".tmp").empty());

    LNullProgress progress;
    EXPECT_EQ(AutoGainSelection(&progress, job, JoinPath(dir, "no-such-folder")), kProcessFailed);
    EXPECT_EQ(Samples(d.audio), in);
}

TEST_F(DynOps, CancelKeepsTheAudioAndTheUndoRecordAndUndoRestores) {
    struct Case {
        const char* label;
        std::function<bool(LDocuments&)> run;
    };
    const Case cases[] = {
        {"Dynamic Range Compressor", [](LDocuments& d) { return Fx(d, LEffect::kCompressor, {-20, 3, 0}); }},
        {"Noise Reduction", [](LDocuments& d) { return Fx(d, LEffect::kNoiseReduction, {-20}); }},
        {"Auto Gain Control", [](LDocuments& d) { return Fx(d, LEffect::kAutoGainControl); }},
        {"Simple Speed and Pitch Change", [](LDocuments& d) { return Fx(d, LEffect::kSimpleSpeedPitch, {150}); }},
        {"Constant Pitch and Speed Change",
         [](LDocuments& d) { return Fx(d, LEffect::kConstantPitchSpeed, {70}); }},
        {"Constant Speed and Pitch Change",
         [](LDocuments& d) { return Fx(d, LEffect::kConstantSpeedPitch, {120}); }},
    };
    const std::vector<int32_t> in = LoudThenQuiet(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        LSDFile& d = MakeDoc(in, 2);
        d.stSelStart.ms = 250, d.stSelEnd.ms = 1900;
        const int stops = host.stops;
        host.cancelAfterBlocks = 2;
        EXPECT_FALSE(c.run(*docs));
        EXPECT_EQ(Samples(d.audio), in);
        EXPECT_EQ(d.UndoLabel(), c.label);
        EXPECT_EQ(host.titles.back(), c.label);
        EXPECT_GT(host.stops, stops);
        EXPECT_EQ(d.stSelEnd.ms, 1900);

        ASSERT_TRUE(c.run(*docs));
        EXPECT_NE(Samples(d.audio), in);
        ASSERT_TRUE(docs->CmUndo());
        EXPECT_EQ(Samples(d.audio), in);
        EXPECT_EQ(d.stSelEnd.ms, 1900);
        docs->ReleaseAll();
    }
}

TEST_F(DynOps, CommandsNeedASelection) {
    const std::function<bool(LDocuments&)> commands[] = {
        [](LDocuments& d) { return Fx(d, LEffect::kCompressor, {-20, 3, 0}); },
        [](LDocuments& d) { return Fx(d, LEffect::kNoiseReduction, {-20}); },
        [](LDocuments& d) { return Fx(d, LEffect::kAutoGainControl); },
        [](LDocuments& d) { return Fx(d, LEffect::kSimpleSpeedPitch, {150}); },
        // The dialog's command: nothing is asked and no undo record is pushed.
        [](LDocuments& d) {
            ScriptedAsker cancel;
            cancel.accept = false;
            return RunEffectCommand(d, EffectOf(LEffect::kConstantSpeedPitch), cancel) !=
                       LCommandResult::kNothingToDo ||
                   cancel.dialogs != 0;
        },
    };
    for (const auto& run : commands) EXPECT_FALSE(run(*docs));  // no document
    std::vector<int32_t> in = Sine(4410, 1, 44100, 330, 150000);
    LSDFile& d = MakeDoc(in, 1);
    d.stSelStart.ms = 60, d.stSelEnd.ms = 40;
    for (const auto& run : commands) {
        EXPECT_FALSE(run(*docs));
        EXPECT_EQ(d.UndoLabel(), "");
    }
    EXPECT_EQ(Samples(d.audio), in);
    EXPECT_TRUE(host.titles.empty());
}

TEST_F(DynOps, SpeedAndPitchChangeTheSelectionLength) {
    struct Case {
        LSpeedPitchMode mode;
        int32_t percent;
        double ratio;      // new selection length / old
        int32_t slack;     // frames
    };
    const Case cases[] = {
        {kSpeedPitchSimple, 200, 0.5, 4},          {kSpeedPitchSimple, 50, 2.0, 4},
        {kSpeedPitchConstantPitch, 200, 0.5, 490}, {kSpeedPitchConstantPitch, 50, 2.0, 490},
        {kSpeedPitchConstantSpeed, 200, 1.0, 490}, {kSpeedPitchConstantSpeed, 50, 1.0, 490},
        {kSpeedPitchSimple, 0, 10.0, 20},  // below 10 % acts as 10 %
    };
    const std::vector<int32_t> in = Sine(44100 * 3, 2, 44100, 440, 150000);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.mode << " " << c.percent);
        LSDFile& d = MakeDoc(in, 2);
        d.stSelStart.ms = 1000, d.stSelEnd.ms = 1500;
        const size_t a = size_t(Frames(1000)) * 2, b = size_t(Frames(1500)) * 2;
        ASSERT_TRUE(Fx(*docs, SpeedEffect(c.mode), {c.percent}));
        std::vector<int32_t> out = Samples(d.audio);
        const int32_t newFrames = int32_t(out.size() - in.size() + (b - a)) / 2;
        EXPECT_NEAR(newFrames, (b - a) / 2 * c.ratio, c.slack);
        EXPECT_EQ(d.stSelEnd.ms, 1000 + int32_t(int64_t(newFrames) * 1000 / 44100));
        EXPECT_EQ(d.stSelStart.ms, 1000);
        EXPECT_EQ(Slice(out, 0, a), Slice(in, 0, a));
        EXPECT_EQ(Slice(out, out.size() - (in.size() - b), out.size()), Slice(in, b, in.size()));
        EXPECT_EQ(host.played, 500);
        EXPECT_EQ(d.UndoLabel(), EffectOf(SpeedEffect(c.mode)).szUndoLabel);
        docs->ReleaseAll();
    }
}

TEST_F(DynOps, SpeedPercentagesBelowTenActAsTenAndAboveThreeHundredAreRefused) {
    const std::vector<int32_t> in = Sine(4410, 1, 44100, 440, 150000);
    LSDFile& ten = MakeDoc(in, 1);
    ASSERT_TRUE(Fx(*docs, LEffect::kConstantPitchSpeed, {10}));
    const std::vector<int32_t> expected = Samples(ten.audio);
    for (int32_t percent : {9, 0, -50, INT32_MIN}) {
        SCOPED_TRACE(percent);
        LSDFile& d = MakeDoc(in, 1);
        ASSERT_TRUE(Fx(*docs, LEffect::kConstantPitchSpeed, {percent}));
        EXPECT_EQ(Samples(d.audio), expected);
        EXPECT_EQ(d.stSelEnd.ms, ten.stSelEnd.ms);
    }
    LSDFile& d = MakeDoc(in, 1);
    EXPECT_FALSE(Fx(*docs, LEffect::kSimpleSpeedPitch, {301}));
    EXPECT_EQ(d.UndoLabel(), "");
    EXPECT_EQ(Samples(d.audio), in);
}

TEST_F(DynOps, SpeedDialogCancelledAfterTheUndoRecordLeavesIt) {
    const std::vector<int32_t> in = Sine(4410, 1, 44100, 440, 150000);
    LSDFile& d = MakeDoc(in, 1);
    ScriptedAsker cancel;
    cancel.accept = false;
    ASSERT_EQ(RunEffectCommand(*docs, EffectOf(LEffect::kConstantSpeedPitch), cancel), LCommandResult::kCancelled);
    EXPECT_EQ(cancel.dialogs, 1);
    EXPECT_EQ(d.UndoLabel(), "Constant Speed and Pitch Change");
    EXPECT_EQ(Samples(d.audio), in);
    EXPECT_TRUE(host.titles.empty());
}

TEST_F(DynOps, SlowingDownBeyondWhatACutListHoldsIsRefused) {
    LCutListAudio silence;
    silence.EfInsertSilence(0, 2000000000);
    ASSERT_EQ(silence.GetLength(), 2000000000);
    LSDFile& d = docs->AddUntitled(silence);
    d.stSelStart.ms = 1000, d.stSelEnd.ms = 1000000;  // about 44 million frames, ten times slower
    EXPECT_FALSE(Fx(*docs, LEffect::kSimpleSpeedPitch, {10}));
    EXPECT_EQ(d.audio.GetLength(), 2000000000);
    EXPECT_EQ(d.stSelEnd.ms, 1000000);
    EXPECT_EQ(d.UndoLabel(), "Simple Speed and Pitch Change");
}
