#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "effects/LEqualiser.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {
PointList MakeList(std::initializer_list<LCurvePoint> pts) {
    PointList l;
    l.Set(pts);
    return l;
}

LEqTable Table(uint8_t v) {
    LEqTable t;
    t.fill(v);
    return t;
}

std::vector<int32_t> RunEq(const LEqTable& table, const std::vector<int32_t>& in, int32_t rate, uint32_t chans,
                           LFirKernel kernel = LFirKernel::kBest, bool reference = false) {
    LSRCEq eq(MakeSource<VectorSource>(in, rate, chans), table, kernel, reference);
    return ReadAll(eq);
}

double Rms(const std::vector<int32_t>& v, size_t from, size_t to) {
    double s = 0;
    for (size_t i = from; i < to; ++i) s += double(v[i]) * v[i];
    return std::sqrt(s / double(to - from));
}

std::vector<LFirKernel> AvailableKernels() {
    std::vector<LFirKernel> ks;
    for (LFirKernel k : {LFirKernel::kPortable, LFirKernel::kSSE2, LFirKernel::kAVX2, LFirKernel::kAVX512,
                          LFirKernel::kAVX512VNNI})
        if (FirKernel(k)) ks.push_back(k);
    return ks;
}
}  // namespace

TEST(EqTable, FromPointList) {
    // At 320000 Hz the scale is 1: curve x is the table index.
    LEqTable t = CreateEqFromPointList(MakeList({{0, 128}, {100, 0}, {255, 255}}), 320000);
    // 0..99: 128 + trunc(i * -128 / 100); 100..254: trunc((i - 100) * 255 / 155); then 255.
    EXPECT_EQ(t[0], 128);
    EXPECT_EQ(t[50], 64);
    EXPECT_EQ(t[99], 128 - 126);  // -126.72 truncates towards zero
    EXPECT_EQ(t[100], 0);
    EXPECT_EQ(t[131], 51);  // 31 * 1.64516 = 51.0
    EXPECT_EQ(t[254], 253);  // 154 * 1.64516 = 253.35
    EXPECT_EQ(t[255], 255);
    EXPECT_EQ(t[2047], 255);

    // 44100 Hz: x 255 reaches index trunc(255 * 320000 / 44100) = 1850.
    LEqTable r = CreateEqFromPointList(MakeList({{0, 0}, {255, 200}}), 44100);
    EXPECT_EQ(r[1849], int(1849 * (200.0 / 1850)));
    EXPECT_EQ(r[1850], 200);
    EXPECT_EQ(r, CreateEqFromPointList(MakeList({{0, 0}, {255, 200}}), 0));  // no rate: 44100
    // 8000 Hz: the curve would run past the table, which simply ends.
    LEqTable low = CreateEqFromPointList(MakeList({{0, 0}, {255, 255}}), 8000);
    EXPECT_EQ(low[2047], int(2047 * (255.0 / 10200)));
    // Points on one x add no entries; flat and empty lists give 128 everywhere.
    LEqTable step = CreateEqFromPointList(MakeList({{0, 10}, {50, 10}, {50, 250}, {255, 250}}), 320000);
    EXPECT_EQ(step[49], 10);
    EXPECT_EQ(step[50], 250);
    EXPECT_EQ(CreateEqFromPointList(FlatCurve(), 44100), Table(128));
    EXPECT_EQ(CreateEqFromPointList(PointList{}, 44100), Table(128));
}

TEST(EqDesign, FlatIsTheUnitImpulseAndZeroIsNothing) {
    int32_t c[kEqBands];
    DesignEqCoefficients(Table(128), c);
    EXPECT_EQ(c[0], 32768);
    for (int j = 1; j < kEqBands; ++j) ASSERT_EQ(c[j], 0) << j;
    DesignEqCoefficients(Table(0), c);
    for (int j = 0; j < kEqBands; ++j) ASSERT_EQ(c[j], 0) << j;
    // Twice unity everywhere: 65536 centre.
    DesignEqCoefficients(Table(255), c);
    EXPECT_EQ(c[0], 65280);
}

TEST(Equaliser, FlatIsTheIdentityUpToTheBlockScaling) {
    std::mt19937 rng(Seed());
    // 16-bit material (multiples of 16 up to 0x7FFF0, so shifts up to 4)
    // comes through unchanged; quiet material (under 2^15) too.
    std::vector<int32_t> pcm(size_t(30000) * 2), quiet(20000);
    for (int32_t& v : pcm) v = FromPCM16(int16_t(int32_t(rng() % 65535) - 32767));
    for (int32_t& v : quiet) v = int32_t(rng() % 65535) - 32767;
    EXPECT_EQ(RunEq(Table(128), pcm, 44100, 2), pcm);
    EXPECT_EQ(RunEq(Table(128), quiet, 44100, 1), quiet);
    EXPECT_EQ(RunEq(Table(128), quiet, 44100, 4), quiet);  // any channel count is filtered
    // Louder than 16 bits: each block loses the bits its shift drops.
    std::vector<int32_t> loud(20000);
    for (int32_t& v : loud) v = int32_t(rng() % 4000001) - 2000000;  // shift 6 in every block
    auto out = RunEq(Table(128), loud, 44100, 1);
    ASSERT_EQ(out.size(), loud.size());
    for (size_t i = 0; i < loud.size(); ++i) ASSERT_EQ(out[i], (loud[i] >> 6) << 6) << i;
    // An all-zero curve is silence.
    auto silent = RunEq(Table(0), pcm, 44100, 2);
    EXPECT_EQ(silent, std::vector<int32_t>(pcm.size(), 0));
}

TEST(Equaliser, CutBandAttenuatesATone) {
    // x 64..68 is 64 * 78.125 = 5000 Hz to 5312 Hz; a 5156 Hz tone sits in
    // the middle of the cut, a 1000 Hz tone far from it.
    PointList cut = MakeList({{0, 128}, {60, 128}, {64, 0}, {68, 0}, {72, 128}, {255, 128}});
    LEqTable t = CreateEqFromPointList(cut, 44100);
    const int32_t n = 44100;
    for (double hz : {5156.0, 1000.0}) {
        auto in = Sine(n, 2, 44100, hz, 400000);
        auto out = RunEq(t, in, 44100, 2);
        // Away from the start and end, where the filter sees silence.
        double db = 20 * std::log10(Rms(out, 2 * 4096, 2 * size_t(n - 4096)) / Rms(in, 2 * 4096, 2 * size_t(n - 4096)));
        std::printf("equaliser, band 5000..5312 Hz cut to 0: %.0f Hz tone changes by %.2f dB\n", hz, db);
        if (hz > 2000)
            EXPECT_LT(db, -40.0);
        else
            EXPECT_NEAR(db, 0.0, 0.05);
        // Both channels alike.
        for (size_t i = 0; i < out.size(); i += 2) ASSERT_EQ(out[i], out[i + 1]);
    }
}

TEST(Equaliser, LinearPhaseWithoutDelay) {
    // An impulse through a non-flat curve comes out centred on its own frame.
    std::vector<int32_t> in(30000, 0);
    in[9000] = 30000;
    auto out = RunEq(CreateEqFromPointList(MakeList({{0, 255}, {80, 20}, {255, 60}}), 44100), in, 44100, 1);
    auto peak = std::max_element(out.begin(), out.end(), [](int32_t a, int32_t b) { return std::abs(a) < std::abs(b); });
    EXPECT_EQ(peak - out.begin(), 9000);
    for (int d = 1; d < 2047; ++d) ASSERT_EQ(out[size_t(9000 - d)], out[size_t(9000 + d)]) << d;
    for (size_t i = 0; i < 9000 - 2047; ++i) ASSERT_EQ(out[i], 0);
}

TEST(Equaliser, PositionAndSeekReadHistory) {
    std::mt19937 rng(Seed());
    // Quiet input keeps the shift at 0, so reading on and seeking agree exactly.
    std::vector<int32_t> in(40000);
    for (int32_t& v : in) v = int32_t(rng() % 60001) - 30000;
    LEqTable t = CreateEqFromPointList(MakeList({{0, 200}, {30, 128}, {90, 40}, {255, 160}}), 22050);
    auto whole = RunEq(t, in, 22050, 1);

    LSRCEq eq(MakeSource<VectorSource>(in, 22050, 1), t);
    EXPECT_EQ(eq.GetPosition(), 0);
    std::vector<int32_t> buf(8192);
    eq.Read(buf.data(), 5000);
    EXPECT_EQ(eq.GetPosition(), 5000);
    eq.Read(buf.data(), 8000);  // crosses a block
    EXPECT_EQ(eq.GetPosition(), 13000);
    for (int32_t p : {25000, 3, 0, 30000}) {
        eq.Seek(p);
        EXPECT_EQ(eq.GetPosition(), p);
        eq.Read(buf.data(), 8192);
        EXPECT_EQ(eq.GetPosition(), p + 8192);
        for (int32_t i = 0; i < 8192 && p + i < int32_t(in.size()); ++i) ASSERT_EQ(buf[size_t(i)], whole[size_t(p + i)]) << p + i;
    }
}

TEST(EqKernel, EveryVariantMatchesThePlainSum) {
    std::mt19937 rng(Seed());
    const int32_t count = 203;
    std::vector<int16_t> x(count + kFirTaps - 1);
    alignas(64) static int16_t taps[kFirTaps];
    for (int round = 0; round < 3; ++round) {
        // Full 16-bit range, extremes included, so wrapping sums are exercised.
        for (int16_t& v : x) v = round == 0 ? int16_t(rng()) : int16_t(-32768);
        for (int j = 0; j <= kEqHalf; ++j)
            taps[kEqHalf - j] = taps[kEqHalf + j] = round == 2 ? int16_t(-32768) : int16_t(rng());
        taps[kFirTaps - 1] = 0;
        std::vector<int32_t> want(count);
        for (int32_t k = 0; k < count; ++k) {
            uint32_t s = 0;
            for (int32_t i = 0; i < kFirTaps; ++i) s += uint32_t(int32_t(taps[i]) * x[size_t(k + i)]);
            want[size_t(k)] = int32_t(s);
        }
        for (LFirKernel kind : AvailableKernels()) {
            std::vector<int32_t> got(count, 0x5A5A5A5A);
            FirKernel(kind)(x.data(), taps, got.data(), count);
            EXPECT_EQ(got, want) << FirKernelName(kind) << " round " << round;
        }
    }
}

TEST(Equaliser, FastPathEqualsReferenceBitForBit) {
    std::mt19937 rng(Seed());
    for (uint32_t chans : {1u, 2u}) {
        SCOPED_TRACE(testing::Message() << chans << " channels");
        // A random curve, and input whose level changes every few thousand
        // samples (shifts 0 to 17, the extremes included).
        PointList l{};
        l.nPoints = uint8_t(2 + rng() % 20);
        for (int i = 0; i < l.nPoints; ++i) l.points[i] = {uint8_t(rng()), uint8_t(rng())};
        l.points[0].x = 0;
        l.points[l.nPoints - 1].x = 255;
        l.Validate();
        LEqTable t = CreateEqFromPointList(l, 44100);
        const int32_t frames = 40000;
        std::vector<int32_t> in(size_t(frames) * chans);
        for (size_t i = 0; i < in.size(); ++i) {
            int bits = int((i / 5000) % 32);
            in[i] = bits >= 31 ? int32_t(rng()) : int32_t(rng() & ((1u << bits) - 1)) - (1 << bits) / 2;
        }
        in[100] = INT32_MIN;
        in[101] = INT32_MAX;
        // Reads of random sizes with a few seeks, replayed on every variant.
        struct Step {
            int32_t seek, frames;
        };
        std::vector<Step> steps;
        for (int round = 0; round < 16; ++round)
            steps.push_back({round % 5 == 4 ? int32_t(rng() % frames) : -1, 1 + int32_t(rng() % 8192)});
        auto play = [&](LSRCEq& eq) {
            std::vector<int32_t> out, buf(8192 * chans);
            for (Step s : steps) {
                if (s.seek >= 0) eq.Seek(s.seek);
                eq.Read(buf.data(), s.frames);
                out.insert(out.end(), buf.begin(), buf.begin() + s.frames * chans);
                out.push_back(eq.ScalingShift());
            }
            return out;
        };
        LSRCEq ref(MakeSource<VectorSource>(in, 44100, chans), t, LFirKernel::kPortable, true);
        auto want = play(ref);
        for (LFirKernel kind : AvailableKernels()) {
            LSRCEq fast(MakeSource<VectorSource>(in, 44100, chans), t, kind);
            EXPECT_EQ(play(fast), want) << FirKernelName(kind);
        }
    }
}
