#include <gtest/gtest.h>

#include <random>

#include "core/LSRCPeakLimit.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

TEST(PeakLimit, BlockGainAndInsertionRule) {
    EXPECT_EQ(LSRCPeakLimit::BlockGain(100, 0x7FFF0), kUnityGain);
    EXPECT_EQ(LSRCPeakLimit::BlockGain(0x7FFF0, 0x7FFF0), kUnityGain);
    // Twice the limit: about half gain.
    int32_t g = LSRCPeakLimit::BlockGain(2 * 0x7FFF0, 0x7FFF0);
    EXPECT_NEAR(g, kUnityGain / 2, kUnityGain / 1000);

    auto quiet = MakeSource<VectorSource>(std::vector<int32_t>(100), 44100, 1, kMax16);
    EXPECT_EQ(LSPPeakLimit(kMax16).OpenSource(quiet).Get(), quiet.Get());
    auto loud = MakeSource<VectorSource>(std::vector<int32_t>(100), 44100, 1, 0x200000);
    auto lim = LSPPeakLimit(kMax16).OpenSource(loud);
    EXPECT_NE(lim.Get(), loud.Get());
    EXPECT_EQ(lim->iPeakBound, kMax16);
    EXPECT_EQ(LSPPeakLimit(0x400000).OpenSource(MakeSource<VectorSource>(std::vector<int32_t>(1), 8000, 1, 0x7FFFFFFF))
                  ->iPeakBound, 0x3FFFFF);
}

TEST(PeakLimit, NeverWrapsWhenNarrowedTo16Bits) {
    // Random loud material, bursts and steps: after limiting to 0x7FFF0 every
    // sample must still convert to 16 bits without wrapping.
    std::mt19937 rng(Seed());
    for (uint32_t chans : {1u, 2u}) {
        std::vector<int32_t> in(size_t(44100 * 3) * chans);
        for (size_t i = 0; i < in.size(); ++i) {
            int32_t amp = (i / 3000) % 3 == 0 ? 2000000 : ((i / 3000) % 3 == 1 ? 300000 : 600000);
            in[i] = int32_t(rng() % uint32_t(2 * amp + 1)) - amp;
        }
        auto src = MakeSource<LSRCPeakLimit>(MakeSource<VectorSource>(in, 44100, chans, 0x200000), kMax16);
        auto out = ReadAll(*src, 1000);
        ASSERT_EQ(out.size(), in.size());
        for (size_t i = 0; i < out.size(); ++i) {
            int32_t s = out[i];
            ASSERT_EQ(int32_t(ToPCM16(s)) * 16, ((s + 8) >> 4) * 16) << "wrapped at " << i << ": " << s;
            ASSERT_LE(std::abs(s), kMax16 + 7);
        }
    }
}

TEST(PeakLimit, QuietMaterialPassesUnchangedAndPositionsMatch) {
    std::vector<int32_t> in = Sine(5000, 2, 44100, 1000, 200000);
    auto src = MakeSource<LSRCPeakLimit>(MakeSource<VectorSource>(in, 44100, 2, 0x200000), kMax16);
    EXPECT_EQ(src->GetPosition(), 0);
    EXPECT_EQ(src->GetLength(), 5000);
    std::vector<int32_t> part(200 * 2);
    src->Read(part.data(), 200);
    EXPECT_EQ(src->GetPosition(), 200);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), in.begin()));
    // The stream contract: after Seek(p), reading gives the frames a fresh Seek(p) gives.
    for (int32_t p : {0, 1234, 4999, 6000, -50}) {
        src->Seek(p);
        EXPECT_EQ(src->GetPosition(), p);
        std::vector<int32_t> a(300 * 2), b(300 * 2);
        src->Read(a.data(), 300);
        auto fresh = MakeSource<LSRCPeakLimit>(MakeSource<VectorSource>(in, 44100, 2, 0x200000), kMax16);
        fresh->Seek(p);
        fresh->Read(b.data(), 300);
        EXPECT_EQ(a, b) << p;
        for (int i = 0; i < 300; ++i) {
            int32_t f = p + i;
            int32_t want = (f >= 0 && f < 5000) ? in[size_t(f) * 2] : 0;
            ASSERT_EQ(a[size_t(i) * 2], want) << "frame " << f;
        }
    }
}
