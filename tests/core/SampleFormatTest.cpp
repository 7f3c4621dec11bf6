#include <gtest/gtest.h>

#include "core/LSample.h"

using namespace sondrel;

TEST(SampleFormat, Pcm16RoundTrip) {
    EXPECT_EQ(FromPCM16(-32768), -524288);
    EXPECT_EQ(ToPCM16(-524288), -32768);
    EXPECT_EQ(ToPCM16(0x7FFF0), 32767);
    EXPECT_EQ(ToPCM16(524280), -32768);  // not clamped: wraps unless limited first
    for (int s = -32768; s <= 32767; ++s) ASSERT_EQ(ToPCM16(FromPCM16(int16_t(s))), s);
}
