// Compressor gain table and the compressor source's levels.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "DynTestUtil.h"
#include "effects/LSRCCompressor.h"
#include "support/TestUtil.h"

namespace sondrel {
namespace {

using test::Channel;
using test::Db;
using test::Rms;
using test::Sine;
using test::VectorSource;

constexpr int32_t kRate = 44100;
// A sine of this amplitude has a block level of 0 dB.
constexpr double kZeroDbSine = 131072.0;

double Amp(double dB) { return kZeroDbSine * std::pow(10.0, dB / 20.0); }

std::vector<int32_t> Compress(const std::vector<int32_t>& in, uint32_t chans, int32_t threshold, int ratio) {
    auto src = MakeSource<VectorSource>(in, kRate, chans);
    LSoundSourcePtr c = LSPCompressor(threshold, CompressorRatioFactor(ratio)).OpenSource(src);
    return test::ReadAll(*c);
}

TEST(CompressorGainTable, ShapeForThresholdAndRatio) {
    struct Case {
        int32_t threshold;
        int ratio;
        int32_t level;
        double gainDb;
    } cases[] = {
        {0, 0, -127, 0},   {0, 0, 0, 0},     {0, 0, 127, 0},     // 1:1 is flat
        {-20, 2, -127, 10}, {-20, 2, -21, 10}, {-20, 2, -20, 10},  // make-up below the threshold
        {-20, 2, -10, 5},  {-20, 2, 0, 0},   {-20, 2, 10, -5},   // half a dB per dB above
        {-40, 6, -60, 40}, {-40, 6, -1, 1},  {0, 6, 12, -12},   // "Limit": 1 dB per dB
        {0, 4, 20, -15},                                          // 4:1
    };
    for (const Case& c : cases) {
        int32_t table[256];
        BuildCompressorGainTable(table, c.threshold, CompressorRatioFactor(c.ratio));
        double got = Db(table[c.level + 128] / 16777216.0);
        EXPECT_NEAR(got, c.gainDb, 1e-5) << "threshold " << c.threshold << " ratio " << c.ratio << " level " << c.level;
    }
}

TEST(CompressorGainTable, ExtremeThresholdsStayPositiveAndFalling) {
    // -127 dB with "Limit" asks for +127 dB of make-up: far beyond 8.24.
    for (int32_t threshold : {-127, -40, 0, 60, 127}) {
        for (int ratio = 0; ratio < kCompressorRatios; ++ratio) {
            int32_t table[256];
            BuildCompressorGainTable(table, threshold, CompressorRatioFactor(ratio));
            for (int i = 0; i < 256; ++i) {
                ASSERT_GT(table[i], 0) << threshold << " " << ratio << " " << i;
                if (i > 0) {
                    ASSERT_LE(table[i], table[i - 1]) << threshold << " " << ratio << " " << i;
                }
            }
        }
    }
    int32_t table[256];
    BuildCompressorGainTable(table, -127, CompressorRatioFactor(6));
    EXPECT_EQ(table[0], 0x7FFFFFFF);
}

TEST(Compressor, OneToOneLeavesEverySampleAlone) {
    // Loud, quiet and silent stretches, stereo with different channels.
    std::vector<int32_t> in;
    auto loud = Sine(20000, 1, kRate, 440, Amp(6));
    auto quiet = Sine(20000, 1, kRate, 1000, Amp(-45));
    for (int i = 0; i < 20000; ++i) in.insert(in.end(), {loud[i], quiet[i]});
    in.resize(in.size() + 10000 * 2, 0);
    for (int i = 0; i < 20000; ++i) in.insert(in.end(), {quiet[i], loud[i]});
    for (int32_t threshold : {0, -20, -40}) EXPECT_EQ(Compress(in, 2, threshold, 0), in) << threshold;
}

TEST(Compressor, TwoToOneBelowMinus20RaisesQuietAndKeepsZeroDb) {
    struct Case {
        double levelDb, gainDb;
    } cases[] = {{-40, 10}, {-20, 10}, {-10, 5}, {0, 0}, {10, -5}};
    for (const Case& c : cases) {
        auto in = Sine(kRate, 1, kRate, 440, Amp(c.levelDb));
        auto out = Compress(in, 1, -20, 2);
        ASSERT_EQ(out.size(), in.size());
        // Steady state: leave out the first blocks and the last (which sees the end).
        double gain = Rms(Channel(out, 1, 0, 8000, 40000)) / Rms(Channel(in, 1, 0, 8000, 40000));
        EXPECT_NEAR(Db(gain), c.gainDb, 0.05) << "level " << c.levelDb;
    }
}

TEST(Compressor, GainFollowsTheLevelWithoutOvershoot) {
    // Quiet, then 0 dB, then quiet: the gain falls before the loud part
    // arrives (look-ahead) and never goes beyond the two table values.
    std::vector<int32_t> in = Sine(3 * kRate, 1, kRate, 440, Amp(-40));
    for (int i = kRate; i < 2 * kRate; ++i) in[i] *= 100;
    auto out = Compress(in, 1, -20, 2);
    const double quietGain = std::pow(10.0, 0.5), loudGain = 1.0;
    double lo = 1e9, hi = 0;
    for (int i = 0; i < 3 * kRate; ++i) {
        if (std::abs(in[i]) < 1000 * (i >= kRate && i < 2 * kRate ? 100 : 1)) continue;  // near zero crossings
        double g = double(out[i]) / in[i];
        lo = std::min(lo, g);
        hi = std::max(hi, g);
    }
    EXPECT_GT(lo, loudGain * 0.999);
    EXPECT_LT(hi, quietGain * 1.001);
    // Blocks are 45 ms (1984 frames); the loud part starts inside block 22.
    // Block 20 still looks ahead at quiet block 21 and keeps the quiet gain;
    // during block 21 the gain is already falling towards block 22's.
    const int32_t n = 1984;
    int32_t f20 = 20 * n + 500, f21end = 22 * n - 8;
    EXPECT_NEAR(double(out[f20]) / in[f20], quietGain, 0.01);
    EXPECT_LT(double(out[f21end]) / in[f21end], 0.6 * quietGain);
}

TEST(Compressor, FailedInputGivesSilence) {
    auto v = MakeSource<VectorSource>(Sine(5000, 2, kRate, 440, Amp(0)), kRate, 2);
    v->SetError();
    LSoundSourcePtr c = LSPCompressor(-20, CompressorRatioFactor(2)).OpenSource(v);
    EXPECT_TRUE(c->HasError());
    std::vector<int32_t> buf(2000 * 2, 12345);
    c->Read(buf.data(), 2000);
    EXPECT_EQ(buf, std::vector<int32_t>(2000 * 2, 0));
}

TEST(Compressor, PositionCountsFramesOutput) {
    auto v = MakeSource<VectorSource>(Sine(50000, 2, kRate, 440, Amp(0)), kRate, 2);
    LSoundSourcePtr c = LSPCompressor(-20, CompressorRatioFactor(2)).OpenSource(v);
    EXPECT_EQ(c->iPeakBound, 0x3FFFFF);
    EXPECT_EQ(c->GetPosition(), 0);
    std::vector<int32_t> buf(8192 * 2);
    c->Read(buf.data(), 5000);
    EXPECT_EQ(c->GetPosition(), 5000);
    c->Read(buf.data(), 8192);
    EXPECT_EQ(c->GetPosition(), 13192);
    EXPECT_EQ(c->GetLength(), 50000);
    c->Seek(777);
    EXPECT_EQ(c->GetPosition(), 777);
}

}  // namespace
}  // namespace sondrel
