// Two-pass automatic gain control: reference level, gain curve, level
// tracker, the processor's output and its temporary files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "DynTestUtil.h"
#include "effects/LDPAutoGain.h"
#include "effects/LDynamics.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

namespace sondrel {
namespace {

using test::Channel;
using test::Db;
using test::Rms;
using test::Sine;
using test::VectorSink;
using test::VectorSource;

constexpr int32_t kRate = 44100;
constexpr int32_t kBlock = 882;  // 20 ms at 44100
constexpr double kZeroDbSine = 131072.0;

double Amp(double dB) { return kZeroDbSine * std::pow(10.0, dB / 20.0); }

struct AgcRun {
    int result = -1;
    std::vector<int32_t> out;
};

AgcRun AutoGain(const std::vector<int32_t>& in, uint32_t chans, uint32_t sinkChans = 0, const std::string& folder = "") {
    AgcRun r;
    auto src = MakeSource<VectorSource>(in, kRate, chans);
    auto sink = MakeSink<VectorSink>(&r.out, kRate, sinkChans ? sinkChans : chans);
    LNullProgress progress;
    r.result = RunAutoGain(&progress, src, sink, LAutoGainParams(), folder.empty() ? test::ScratchDir("agc") : folder);
    return r;
}

TEST(AutoGainReference, MedianNearTheLoudestEighth) {
    struct Bin {
        int32_t level;
        uint32_t count;
    };
    struct Case {
        const char* name;
        std::vector<Bin> bins;
        int32_t reference;
    } cases[] = {
        {"empty", {}, -127},
        {"one level", {{-20, 100}}, -20},
        {"ten levels", {{-40, 10}, {-39, 10}, {-38, 10}, {-37, 10}, {-36, 10},
                        {-35, 10}, {-34, 10}, {-33, 10}, {-32, 10}, {-31, 10}}, -36},
        // Quiet blocks more than 15 dB under the loud ones do not count.
        {"quiet majority far below", {{-60, 80}, {-20, 20}}, -20},
        {"quiet majority near", {{-30, 70}, {-20, 30}}, -30},
        // Sound in fewer than an eighth of the blocks does not set the level.
        {"silence and a little sound", {{-127, 90}, {-50, 10}}, -127},
        {"silence and an eighth of sound", {{-127, 80}, {-50, 20}}, -50},
        {"top of the range", {{127, 5}}, 127},
    };
    for (const Case& c : cases) {
        uint32_t hist[kLevelBins] = {};
        for (const Bin& b : c.bins) hist[b.level + 127] += b.count;
        EXPECT_EQ(AutoGainReferenceLevel(hist), c.reference) << c.name;
    }
}

TEST(AutoGainCurve, BoostBelowCompressionBetweenAndOneToOneAbove) {
    int8_t curve[256];
    BuildAutoGainCurve(curve, LAutoGainParams());
    struct Case {
        int32_t d;
        int8_t gain;
    } cases[] = {{-128, 5}, {-10, 5}, {-9, 5}, {-8, 4}, {-7, 4}, {-4, 2}, {-1, 1},
                 {0, 0},    {1, -1},  {2, -1}, {3, -2}, {10, -9}, {127, -126}};
    for (const Case& c : cases) EXPECT_EQ(curve[c.d + 128], c.gain) << c.d;
}

TEST(AutoGainTracker, QuantileIsTheThirteenthHighest) {
    struct Case {
        int high, highLevel, lowLevel, quantile;
    } cases[] = {{13, 10, -10, 10}, {12, 10, -10, -10}, {50, 3, 3, 3}, {0, 0, -127, -127}};
    for (const Case& c : cases) {
        LAutoGainTracker t;
        for (int i = 0; i < 50; ++i) t.Push(i < c.high ? c.highLevel : c.lowLevel);
        EXPECT_EQ(t.Quantile(), c.quantile) << c.high << " at " << c.highLevel;
    }
}

TEST(AutoGainTracker, SmoothedLevelRisesFastFallsSlowlyWithinLimits) {
    struct Case {
        int32_t level;
        int pushes;
        int32_t smoothed;
    } cases[] = {
        {20, 400, 8},    // rises no further than 8
        {6, 400, 5},     // approaches 6 from below
        {-20, 400, -2},  // falls no further than -2
        {0, 400, 0},
    };
    for (const Case& c : cases) {
        LAutoGainTracker t;
        for (int i = 0; i < c.pushes; ++i) t.Push(c.level);
        EXPECT_EQ(t.Smoothed(), c.smoothed) << c.level;
    }
    // Rising takes about a second, falling several: after 50 + 12 records
    // of +6 the level is most of the way up; after 50 + 12 of -20 (from 0)
    // it has not yet moved a whole dB.
    LAutoGainTracker up, down;
    for (int i = 0; i < 50 + 12; ++i) {
        up.Push(6);
        down.Push(-20);
    }
    EXPECT_GT(up.SmoothedExact(), 3.0);
    EXPECT_GT(down.SmoothedExact(), -2.0 - 18.0 * 12 / 50.0);
    EXPECT_LT(down.SmoothedExact(), -2.0);
}

TEST(AutoGain, InputShorterThanOneBlockGivesOneBlockFadedToSilence) {
    for (int32_t frames : {0, 1, 500, kBlock - 1}) {
        auto in = Sine(frames, 1, kRate, 1000, Amp(-20));
        AgcRun r = AutoGain(in, 1);
        ASSERT_EQ(r.result, 0);
        ASSERT_EQ(r.out.size(), size_t(kBlock)) << frames;
        if (frames < 500) {
            for (int32_t s : r.out) ASSERT_EQ(s, 0);
            continue;
        }
        // The gain falls linearly from its first value to zero over the block.
        auto gainAt = [&](int32_t i) {
            // Average |out| / |in| over a few frames near a peak of the tone.
            double num = 0, den = 0;
            for (int32_t j = i; j < i + 44; ++j) {
                num += std::abs(double(r.out[j]));
                den += std::abs(double(in[j]));
            }
            return num / den;
        };
        double g0 = gainAt(0);
        EXPECT_GT(g0, 0.5);
        for (int32_t i : {100, 300, 450, frames - 45}) EXPECT_NEAR(gainAt(i) / g0, (kBlock - i - 22) / double(kBlock - 22), 0.02) << i;
    }
}

TEST(AutoGain, OutputIsWholeBlocks) {
    struct Case {
        int32_t frames, blocks;
    } cases[] = {{kBlock, 1}, {kBlock + 1, 2}, {5 * kBlock / 2, 3}, {100 * kBlock, 100}};
    for (const Case& c : cases) {
        AgcRun r = AutoGain(Sine(c.frames, 2, kRate, 300, Amp(-10)), 2);
        ASSERT_EQ(r.result, 0);
        EXPECT_EQ(r.out.size(), size_t(c.blocks) * kBlock * 2) << c.frames;
    }
}

TEST(AutoGain, LevelsQuietAndLoudInputsAlike) {
    const int32_t n = 8 * kRate;
    double levels[2];
    int i = 0;
    for (double dB : {-30.0, -4.0}) {
        auto in = Sine(n, 1, kRate, 1000, Amp(dB));
        AgcRun r = AutoGain(in, 1);
        ASSERT_EQ(r.result, 0);
        levels[i++] = Db(Rms(Channel(r.out, 1, 0, 2 * kRate, 6 * kRate)) / kZeroDbSine * std::sqrt(2.0));
    }
    EXPECT_NEAR(levels[0], levels[1], 1.0);
    EXPECT_NEAR(levels[0], 0.0, 3.0);  // about 0 dB, give or take the measuring filter
}

TEST(AutoGain, RaisesQuietPassagesAgainstLoudOnes) {
    // 4 s at -10 dB, then 4 s at -30 dB: 20 dB apart going in.
    const int32_t n = 4 * kRate;
    auto loud = Sine(n, 1, kRate, 1000, Amp(-10)), quiet = Sine(n, 1, kRate, 1000, Amp(-30));
    std::vector<int32_t> in = loud;
    in.insert(in.end(), quiet.begin(), quiet.end());
    AgcRun r = AutoGain(in, 1);
    ASSERT_EQ(r.result, 0);
    double a = Rms(Channel(r.out, 1, 0, kRate, 3 * kRate)), b = Rms(Channel(r.out, 1, 0, 6 * kRate, 7 * kRate));
    double spread = Db(a / b);
    EXPECT_GT(spread, 3.0);
    EXPECT_LT(spread, 15.0);
}

TEST(AutoGain, SilentChannelStaysSilentAndLoudOneIsLimited) {
    // Right channel silent (reference -127: the largest gain there is);
    // the left is loud enough that the peak limiter has to act.
    const int32_t n = 3 * kRate;
    auto tone = Sine(n, 1, kRate, 500, 0x7FFF0);
    std::vector<int32_t> in;
    for (int32_t i = 0; i < n; ++i) in.insert(in.end(), {tone[i], 0});
    AgcRun r = AutoGain(in, 2);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(Rms(Channel(r.out, 2, 1)), 0.0);
    for (size_t i = 0; i < r.out.size(); i += 2) ASSERT_LE(std::abs(r.out[i]), 0x7FFF0) << i;
    EXPECT_GT(Rms(Channel(r.out, 2, 0)), 0.0);
}

TEST(AutoGain, StereoIntoMonoSinkAnalysesTheConvertedStream) {
    auto in = Sine(10 * kBlock, 2, kRate, 440, Amp(-10));
    AgcRun r = AutoGain(in, 2, 1);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.out.size(), size_t(10 * kBlock));
}

TEST(AutoGain, TemporaryFilesLiveOnlyAsLongAsTheProcessor) {
    std::string folder = test::ScratchDir("agc-files");
    auto tmpFiles = [&] { return LFile::List(folder.c_str(), ".tmp"); };
    {
        std::vector<int32_t> out;
        auto src = MakeSource<VectorSource>(Sine(kRate, 2, kRate, 440, Amp(-10)), kRate, 2);
        auto sink = MakeSink<VectorSink>(&out, kRate, 2);
        LDPAutoGain agc(src, sink, LAutoGainParams(), folder);
        ASSERT_EQ(agc.State(), LDPAutoGain::kAnalysing);
        for (int i = 0; i < 10; ++i) ASSERT_FALSE(agc.Step());
        auto files = tmpFiles();
        ASSERT_EQ(files.size(), 2u);
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files[0].substr(0, 7), "~sndlca");
        EXPECT_EQ(files[1].substr(0, 7), "~sndlcp");
        // The audio copy holds the raw frames, the level file a byte per channel and block.
        std::vector<uint8_t> audio, levels;
#ifdef _WIN32
        // Held open unshared: nobody else can read them meanwhile.
        EXPECT_FALSE(LFile::ReadAll(agc.AudioPath().c_str(), audio));
        EXPECT_FALSE(LFile::ReadAll(agc.LevelPath().c_str(), levels));
#else
        ASSERT_TRUE(LFile::ReadAll(agc.AudioPath().c_str(), audio));
        ASSERT_TRUE(LFile::ReadAll(agc.LevelPath().c_str(), levels));
        EXPECT_EQ(audio.size(), size_t(10) * kBlock * 2 * 4);
        EXPECT_EQ(levels.size(), size_t(10) * 2);
        // A -10 dB 440 Hz tone through the measuring filter (-2.7 dB at the
        // 450 Hz high-pass, +0.6 dB from the shelf): about -12 dB.
        EXPECT_NEAR(int8_t(levels[5 * 2]), -12, 1);
        EXPECT_EQ(levels[5 * 2], levels[5 * 2 + 1]);
#endif
    }
    EXPECT_TRUE(tmpFiles().empty()) << "destroyed mid-way";

    // Cancelled by the user during the analysis: result 1, files gone, nothing written.
    std::vector<int32_t> out;
    {
        auto src = MakeSource<VectorSource>(Sine(kRate, 2, kRate, 440, Amp(-10)), kRate, 2);
        auto sink = MakeSink<VectorSink>(&out, kRate, 2);
        test::CancelAfter progress(5);
        EXPECT_EQ(RunAutoGain(&progress, src, sink, LAutoGainParams(), folder), 1);
    }
    EXPECT_TRUE(tmpFiles().empty()) << "cancelled";
    EXPECT_TRUE(out.empty());

    // Run to the end: files gone too.
    AgcRun r = AutoGain(Sine(kRate, 1, kRate, 440, Amp(-10)), 1, 0, folder);
    EXPECT_EQ(r.result, 0);
    EXPECT_TRUE(tmpFiles().empty()) << "completed";
}

TEST(AutoGain, UnusableSetupFailsWithoutOutput) {
    struct Case {
        const char* name;
        bool sourceError, sinkError;
        std::string folder;
    } cases[] = {
        {"no temporary folder", false, false, "-"},
        {"missing folder", false, false, "/nonexistent-sondrel-folder/x"},
        {"failed source", true, false, ""},
        {"failed sink", false, true, ""},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> out;
        auto src = MakeSource<VectorSource>(Sine(kRate, 1, kRate, 440, Amp(-10)), kRate, 1);
        if (c.sourceError) src->SetError();
        auto sink = MakeSink<VectorSink>(&out, kRate, 1);
        if (c.sinkError) sink->SetError();
        std::string folder = c.folder == "-" ? "" : c.folder.empty() ? test::ScratchDir("agc-fail") : c.folder;
        LDPAutoGain agc(src, sink, LAutoGainParams(), folder);
        EXPECT_EQ(agc.State(), LDPAutoGain::kFinished) << c.name;
        EXPECT_TRUE(agc.Failed()) << c.name;
        EXPECT_TRUE(agc.Step()) << c.name;
        LNullProgress progress;
        EXPECT_EQ(RunAutoGain(&progress, src, sink, LAutoGainParams(), folder), 2) << c.name;
        EXPECT_TRUE(out.empty()) << c.name;
    }
}

}  // namespace
}  // namespace sondrel
