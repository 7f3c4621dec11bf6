#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/LPeakScan.h"
#include "core/LSample.h"

using namespace sondrel;

TEST(SampleFormat, Pcm16RoundTrip) {
    EXPECT_EQ(FromPCM16(-32768), -524288);
    EXPECT_EQ(ToPCM16(-524288), -32768);
    EXPECT_EQ(ToPCM16(0x7FFF0), 32767);
    EXPECT_EQ(ToPCM16(524280), -32768);  // not clamped: wraps unless limited first
    for (int s = -32768; s <= 32767; ++s) ASSERT_EQ(ToPCM16(FromPCM16(int16_t(s))), s);
}

// Every form of the peak scan agrees with the plain one, at every length
// around the vector widths and with the extremes of the 32-bit range.
TEST(PeakScan, EveryFormFindsThePlainExtremes) {
    std::vector<LPeakScanFn> forms;
    for (LPeakScanLevel l : {LPeakScanLevel::kSSE2, LPeakScanLevel::kAVX2})
        if (LPeakScanFn f = PeakScanOf(l)) forms.push_back(f);
#if defined(__SSE2__)
    ASSERT_FALSE(forms.empty()) << "SSE2 is the base of every x86 build";
#endif
    LPeakScanFn plain = PeakScanOf(LPeakScanLevel::kPlain);
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    std::vector<int32_t> s(80);
    for (size_t n = 0; n <= s.size(); ++n) {
        for (int trial = 0; trial < 4; ++trial) {
            for (int32_t& v : s) v = int32_t(next()) >> (trial * 6);
            if (n > 0 && trial == 3) {
                s[next() % n] = INT32_MIN;
                s[next() % n] = INT32_MAX;
            }
            for (int32_t start : {0, -5, 7}) {
                int32_t wantLo = start, wantHi = start;
                plain(s.data(), n, wantLo, wantHi);
                EXPECT_EQ(wantLo, std::min(start, n ? *std::min_element(s.begin(), s.begin() + long(n)) : start));
                EXPECT_EQ(wantHi, std::max(start, n ? *std::max_element(s.begin(), s.begin() + long(n)) : start));
                for (LPeakScanFn f : forms) {
                    int32_t lo = start, hi = start;
                    f(s.data(), n, lo, hi);
                    EXPECT_EQ(lo, wantLo) << "length " << n;
                    EXPECT_EQ(hi, wantHi) << "length " << n;
                }
            }
        }
    }
}
