#include <gtest/gtest.h>

#include <cmath>

#include "effects/LHighPass.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

TEST(HighPass, Coefficient) {
    struct Case {
        int32_t f, rate, a;
    };
    // (1 - exp(-2 pi f / rate)) * 256, truncated:
    // 500/44100: 1 - e^-0.07124 = 0.06876 -> 17.6 -> 17 (the default 250 Hz, doubled)
    // 2000/8000: 1 - e^-1.5708 = 0.7921 -> 202.8 -> 202
    // 100/44100: 1 - e^-0.014248 = 0.014147 -> 3.6 -> 3
    for (Case c : {Case{500, 44100, 17}, Case{2000, 8000, 202}, Case{100, 44100, 3}, Case{0, 44100, 0}}) {
        EXPECT_EQ(LSRCHighPass::Coefficient(c.f, c.rate), c.a) << c.f << "/" << c.rate;
    }
    LSPHighPass lowCut(2 * 250);
    auto src = lowCut.OpenSource(MakeSource<VectorSource>(std::vector<int32_t>(10), 44100, 1));
    EXPECT_EQ(static_cast<LSRCHighPass*>(src.Get())->CoefficientA(), 17);
}

TEST(HighPass, StepResponseByHandPerChannel) {
    // a = 17. Left: a step of 1000; right: a step of -1000.
    // y0 = 1000, s = 17000; y1 = 1000 - (17000 >> 8 = 66) = 934, s = 17000 + 934 * 17 = 32878;
    // y2 = 1000 - 128 = 872.  Right: s >> 8 floors, -17000 >> 8 = -67, so y1 = -933,
    // s = -17000 - 933 * 17 = -32861, -32861 >> 8 = -129, y2 = -871.
    std::vector<int32_t> in;
    for (int i = 0; i < 3; ++i) in.insert(in.end(), {1000, -1000});
    LSRCHighPass hp(MakeSource<VectorSource>(in, 44100, 2), 500);
    auto out = ReadAll(hp);
    EXPECT_EQ(out, (std::vector<int32_t>{1000, -1000, 934, -933, 872, -871}));

    // Mono, same recurrence, read one frame at a time.
    LSRCHighPass mono(MakeSource<VectorSource>(std::vector<int32_t>(3, 1000), 44100, 1), 500);
    EXPECT_EQ(ReadAll(mono, 1), (std::vector<int32_t>{1000, 934, 872}));
}

TEST(HighPass, RemovesDcAndPassesHighs) {
    // A DC offset under a 5 kHz tone: after a second only the tone remains.
    auto in = Sine(44100, 1, 44100, 5000.0, 100000.0);
    for (int32_t& v : in) v += 200000;
    LSRCHighPass hp(MakeSource<VectorSource>(in, 44100, 1), 500);
    auto out = ReadAll(hp);
    double mean = 0, peak = 0;
    for (size_t i = 22050; i < out.size(); ++i) {
        mean += out[i];
        peak = std::max(peak, std::fabs(double(out[i])));
    }
    mean /= double(out.size() - 22050);
    EXPECT_LT(std::fabs(mean), 1000.0);
    EXPECT_NEAR(peak, 100000.0, 5000.0);

    // Coefficient 0: nothing changes.
    LSRCHighPass none(MakeSource<VectorSource>(in, 44100, 1), 0);
    EXPECT_EQ(ReadAll(none), in);
}

TEST(HighPass, PeakBoundDoublesUpTo2To20) {
    struct Case {
        int32_t in, out;
    };
    for (Case c : {Case{kMax16, 2 * kMax16}, Case{1 << 20, 1 << 21}, Case{0x200000, 0x200000}}) {
        LSRCHighPass hp(MakeSource<VectorSource>(std::vector<int32_t>(1), 8000, 1, c.in), 100);
        EXPECT_EQ(hp.iPeakBound, c.out);
    }
}
