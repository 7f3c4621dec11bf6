// Four-band noise gate: band splitter, thresholds and the gate's effect.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "DynTestUtil.h"
#include "effects/LSRCNoiseGates.h"
#include "support/TestUtil.h"

namespace sondrel {
namespace {

using test::Channel;
using test::Db;
using test::Rms;
using test::Sine;
using test::VectorSource;

constexpr int32_t kRate = 44100;
constexpr double kZeroDbSine = 131072.0;  // peak at which a 0 dB gate opens

double Amp(double dB) { return kZeroDbSine * std::pow(10.0, dB / 20.0); }

std::vector<int32_t> Gate(const std::vector<int32_t>& in, uint32_t chans, int32_t level, int32_t rate = kRate) {
    auto src = MakeSource<VectorSource>(in, rate, chans);
    LSoundSourcePtr g = LSPNoiseGates(level).OpenSource(src);
    return test::ReadAll(*g);
}

std::vector<int32_t> Noise(int32_t frames, double amplitude, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> d(-amplitude, amplitude);
    std::vector<int32_t> v(static_cast<size_t>(frames));
    for (auto& s : v) s = int32_t(d(rng));
    return v;
}

TEST(NoiseGateSplitter, CoefficientsFollowTheRate) {
    struct Case {
        int32_t rate;
        int32_t a[4];
    } cases[] = {
        {44100, {1, 14, 37, 79}}, {48000, {1, 13, 34, 73}}, {22050, {3, 27, 68, 133}},
        {8000, {9, 69, 148, 222}}, {0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        LNoiseGateSplitter s(c.rate, 1);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(s.a[i], c.a[i]) << "rate " << c.rate << " band " << i;
    }
}

TEST(NoiseGateSplitter, BandsSumToTheHighPassedInputAndSeparateTones) {
    // 200 Hz lands in band 1, 5 kHz in band 4.
    const int32_t n = 8820;
    auto low = Sine(n, 1, kRate, 200, 100000), high = Sine(n, 1, kRate, 5000, 100000);
    std::vector<int32_t> in(n);
    for (int i = 0; i < n; ++i) in[i] = low[i] + high[i];
    std::vector<int32_t> b[4];
    for (auto& v : b) v.assign(n, 0);
    LNoiseGateSplitter s(kRate, 1);
    s.Split(in.data(), n, b[0].data(), b[1].data(), b[2].data(), b[3].data());
    // Second half, past the settling.
    auto band = [&](int i) { return Rms(Channel(b[i], 1, 0, n / 2)); };
    double inRms = Rms(Channel(low, 1, 0, n / 2));
    EXPECT_GT(band(0), 0.7 * inRms);
    EXPECT_LT(band(0), 1.1 * inRms);
    EXPECT_GT(band(3), 0.5 * inRms);
    EXPECT_LT(band(1), band(0));
    EXPECT_LT(band(2), band(3));
}

TEST(NoiseGateTargets, OpensLinearlyBetweenOneAndFiveTimesTheThreshold) {
    // 0 dB: the threshold peak is 131072; the gate is shut below it, fully
    // open from five times it, and linear in between.
    const int32_t k = NoiseGateSensitivity(0);
    EXPECT_EQ(k, 65536);
    struct Case {
        int32_t e, target;
    } cases[] = {
        {-100000, 0}, {0, 0}, {131072, 0}, {131072 * 3, 1024 * 8192}, {131072 * 5, 16777216},
        {131072 * 100, 16777216},
    };
    for (const Case& c : cases) EXPECT_EQ(NoiseGateTarget(c.e, k), c.target) << c.e;
}

TEST(NoiseGateTargets, SilenceLevelMeansAlwaysOpenWithoutOverflow) {
    // A -127 dB band has amplitude 0: no division by zero, k saturates and
    // any real peak opens the gate; huge peaks do not wrap to "shut".
    const int32_t k = NoiseGateSensitivity(-127);
    EXPECT_EQ(k, 0x7FFFFFFF);
    for (int32_t e : {4096, 0x100000, 0x3FFFFF, 0x7FFFFFF}) EXPECT_EQ(NoiseGateTarget(e, k), 16777216) << e;
    EXPECT_EQ(NoiseGateTarget(-0x7FFFFFF, k), 0);
    // And at -90 dB, where k is just under 2^31.
    EXPECT_EQ(NoiseGateTarget(0x1000000, NoiseGateSensitivity(-90)), 16777216);
}

TEST(NoiseGateBands, LevelsAroundTheGateLevel) {
    struct Case {
        int32_t level;
        int8_t bands[4];
    } cases[] = {{-30, {-27, -30, -33, -30}}, {-126, {-123, -126, -127, -126}}, {-500, {-124, -127, -127, -127}},
                 {126, {127, 126, 123, 126}}};
    for (const Case& c : cases) {
        int8_t got[4];
        NoiseGateBandLevels(c.level, got);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(got[i], c.bands[i]) << c.level << " band " << i;
    }
}

TEST(NoiseGate, RemovesContentBelow50HzWhereTheGateIsOpen) {
    // A loud 1 kHz tone keeps the gate open; a DC offset and a 5 Hz hum of
    // the same size ride on it.
    const int32_t n = 3 * kRate;
    auto tone = Sine(n, 1, kRate, 1000, Amp(0));
    auto hum = Sine(n, 1, kRate, 5, 100000);
    std::vector<int32_t> dc(n), humIn(n);
    for (int i = 0; i < n; ++i) {
        dc[i] = tone[i] + 100000;
        humIn[i] = tone[i] + hum[i];
    }
    auto outDc = Gate(dc, 1, -30), outHum = Gate(humIn, 1, -30);
    ASSERT_EQ(outDc.size(), dc.size());
    // Judge the second second: DC settled out, the tone passed at full level.
    auto mid = [&](const std::vector<int32_t>& v) { return Channel(v, 1, 0, kRate, 2 * kRate); };
    double mean = 0;
    for (double d : mid(outDc)) mean += d;
    mean /= kRate;
    EXPECT_LT(std::abs(mean), 100.0) << "DC left: " << mean;
    EXPECT_NEAR(Db(Rms(mid(outDc)) / Rms(mid(tone))), 0.0, 0.5);
    // The 5 Hz hum: what is left of it is measured against the tone removed.
    std::vector<double> residue;
    auto o = mid(outHum), t = mid(tone);
    double toneGain = Rms(o) / Rms(t);
    for (size_t i = 0; i < o.size(); ++i) residue.push_back(o[i] - toneGain * t[i]);
    EXPECT_LT(Db(Rms(residue) / (100000 / std::sqrt(2.0))), -12.0);
}

TEST(NoiseGate, ShutsOnNoiseBelowTheLevelAndPassesLoudTones) {
    const int32_t n = 2 * kRate;
    struct Case {
        double noiseDb;  // noise peak relative to the 0 dB threshold peak
        int32_t level;
        double minGainDb, maxGainDb;
    } cases[] = {
        {-50, -30, -1000, -30},  // well under the threshold: gone (silence reads -300)
        {-10, -30, -1.5, 0.5},  // well over: passes
        {-50, -127, -1.5, 0.5}, // gate level of silence: always open
    };
    for (const Case& c : cases) {
        auto in = Noise(n, Amp(c.noiseDb), 7);
        auto out = Gate(in, 1, c.level);
        double gain = Rms(Channel(out, 1, 0, kRate / 2, n - kRate / 2)) / Rms(Channel(in, 1, 0, kRate / 2, n - kRate / 2));
        double dB = gain > 0 ? Db(gain) : -300;
        EXPECT_GE(dB, c.minGainDb) << c.noiseDb << " " << c.level;
        EXPECT_LE(dB, c.maxGainDb) << c.noiseDb << " " << c.level;
    }
}

TEST(NoiseGate, ChannelsAreGatedWithTheirOwnFilterStates) {
    // Left: loud tone; right: silence. Nothing of the left may leak right.
    const int32_t n = kRate;
    auto tone = Sine(n, 1, kRate, 700, Amp(0));
    std::vector<int32_t> in;
    for (int i = 0; i < n; ++i) in.insert(in.end(), {tone[i], 0});
    auto out = Gate(in, 2, -30);
    EXPECT_EQ(Rms(Channel(out, 2, 1)), 0.0);
    EXPECT_GT(Rms(Channel(out, 2, 0, n / 4)), 0.9 * Rms(Channel(in, 2, 0, n / 4)));
}

TEST(NoiseGate, FactoryLeavesAFailedInputAlone) {
    auto v = MakeSource<VectorSource>(Sine(1000, 1, kRate, 440, 1000), kRate, 1);
    v->SetError();
    LSoundSourcePtr g = LSPNoiseGates(-30).OpenSource(v);
    EXPECT_EQ(g.Get(), v.Get());
    auto ok = MakeSource<VectorSource>(Sine(1000, 1, kRate, 440, 1000), kRate, 1);
    LSoundSourcePtr g2 = LSPNoiseGates(-30).OpenSource(ok);
    EXPECT_NE(g2.Get(), ok.Get());
    EXPECT_EQ(g2->GetLength(), 1000);
    EXPECT_EQ(g2->GetPosition(), 0);
}

TEST(NoiseGate, TinyAndOddRatesDoNotBreak) {
    // Rates whose block clamps to 20 frames, including a rate of 1 where
    // every coefficient is 256.
    for (int32_t rate : {1, 100, 600, 8000}) {
        auto in = Noise(3000, 200000, 3);
        auto out = Gate(in, 1, -30, rate);
        ASSERT_EQ(out.size(), in.size()) << rate;
        for (int32_t s : out) ASSERT_LE(std::abs(int64_t(s)), 4 * 0x3FFFFF) << rate;
    }
}

}  // namespace
}  // namespace sondrel
