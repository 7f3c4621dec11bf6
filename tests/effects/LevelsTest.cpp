// Block mean squares, block levels and the decibel tables.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "effects/LDynamics.h"
#include "support/TestUtil.h"

namespace sondrel {
namespace {

// The mean square as the 32-bit path computes it: high and low parts of
// each square summed apart. Valid while |s| < 0x200000 and the sums fit.
int64_t SplitMeanSquare(const std::vector<int32_t>& v) {
    uint32_t high = 0, low = 0;
    for (int32_t s : v) {
        uint32_t sq = uint32_t((s >> 5) * (s >> 5));
        high += sq >> 13;
        low += sq & 0x1FFF;
    }
    uint32_t total = high + (low >> 13);
    uint32_t count = uint32_t(v.size());
    return int64_t((total / count) * 8192u + ((total % count) * 8192u) / count);
}

TEST(BlockMeanSquare, MatchesSplitComputationOverSixteenBitRange) {
    std::mt19937 rng(test::Seed());
    std::uniform_int_distribution<int32_t> sample(-kMax16, kMax16);
    for (int32_t count : {1, 7, 882, 8192, 16384}) {
        std::vector<int32_t> v(static_cast<size_t>(count));
        for (auto& s : v) s = sample(rng);
        EXPECT_EQ(BlockMeanSquare(v.data(), count), SplitMeanSquare(v)) << "count " << count << " seed " << test::Seed();
    }
}

TEST(BlockMeanSquare, LoudSamplesDoNotWrap) {
    // (0x400000 >> 5)^2 = 2^34: a 32-bit square would read as 0.
    std::vector<int32_t> v(1024, 0x400000);
    for (size_t i = 1; i < v.size(); i += 2) v[i] = -0x400000;
    EXPECT_EQ(BlockMeanSquare(v.data(), int32_t(v.size())), int64_t(1) << 34);
    EXPECT_EQ(BlockLevelDB(BlockMeanSquare(v.data(), int32_t(v.size()))), 33);
    std::vector<int32_t> extreme(8192, INT32_MIN);
    EXPECT_EQ(BlockMeanSquare(extreme.data(), 8192), int64_t(1) << 52);
}

TEST(BlockMeanSquare, ChannelVariantTakesOneChannel) {
    // Left loud, right silent, a third channel at half amplitude.
    std::vector<int32_t> v;
    for (int i = 0; i < 100; ++i) {
        v.push_back(i % 2 ? 0x40000 : -0x40000);
        v.push_back(0);
        v.push_back(0x20000);
    }
    EXPECT_EQ(BlockMeanSquareChannel(v.data(), 100, 3, 0), int64_t(0x2000) * 0x2000);
    EXPECT_EQ(BlockMeanSquareChannel(v.data(), 100, 3, 1), 0);
    EXPECT_EQ(BlockMeanSquareChannel(v.data(), 100, 3, 2), int64_t(0x1000) * 0x1000);
    EXPECT_EQ(BlockMeanSquareChannel(v.data(), 100, 3, 3), 0);  // no such channel
    EXPECT_EQ(BlockMeanSquare(v.data(), 0), 0);
}

TEST(BlockLevel, DecibelsOfMeanSquares) {
    struct Case {
        int64_t m;
        int32_t dB;
    } cases[] = {
        {0, -127},            // silence
        {-5, -127},
        {1, -69},
        {2, -66},
        {8388625, 0},         // just under the 0 dB mean square still rounds to 0
        {8388626, 0},
        {83886260, 10},
        {134209536, 12},      // a full-scale 16-bit sine
        {1000000000000000LL, 81},
        {int64_t(1) << 62, 117},
    };
    for (const Case& c : cases) EXPECT_EQ(BlockLevelDB(c.m), c.dB) << c.m;
}

TEST(BlockLevel, SilentBlockIsMinus127) {
    std::vector<int32_t> v(882 * 2, 0);
    EXPECT_EQ(BlockLevelDB(BlockMeanSquare(v.data(), int32_t(v.size()))), -127);
    // Samples under 32 vanish in the >> 5 and count as silence too.
    std::fill(v.begin(), v.end(), 31);
    EXPECT_EQ(BlockLevelDB(BlockMeanSquare(v.data(), int32_t(v.size()))), -127);
}

TEST(DecibelTables, AmplitudeAndPowerEntries) {
    const LDBTablesClass& t = LDBTablesClass::Get();
    struct Case {
        int32_t dB, amplitude, power;
    } cases[] = {
        {-128, 0, 0},          {-127, 0, 0},
        {-126, 8, 0},          {-3, 11877359, 8408526},
        {0, 16777216, 16777216}, {20, 167772160, 1677721600},
        {21, 188243460, 2112126356},
        {22, 211212636, 0x7FFFFFFF},  // power capped
        {43, 0x7FFFFFFF, 0x7FFFFFFF}, {127, 0x7FFFFFFF, 0x7FFFFFFF},
        {-1000, 0, 0},         {1000, 0x7FFFFFFF, 0x7FFFFFFF},  // out of range: clamped
    };
    for (const Case& c : cases) {
        EXPECT_EQ(t.Amplitude(c.dB), c.amplitude) << c.dB;
        EXPECT_EQ(t.Power(c.dB), c.power) << c.dB;
    }
    EXPECT_EQ(&LDBTablesClass::Get(), &t);
}

}  // namespace
}  // namespace sondrel
