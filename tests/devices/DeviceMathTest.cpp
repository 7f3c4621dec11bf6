// Device arithmetic: buffer sizes, levels as the player and the recorder
// measure them, the DC filter and the cue buffer layout.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/LSample.h"
#include "devices/LDeviceMath.h"
#include "support/TestUtil.h"

namespace sondrel {
namespace {

TEST(DeviceMath, BufferFramesAreTenthsOfASecondClamped) {
    const struct {
        int32_t rate, frames;
    } cases[] = {{8000, 800}, {44100, 4410}, {11025, 1102}, {96000, 8192}, {81920, 8192},
                 {81929, 8192}, {100, 20}, {0, 20}, {-5, 20}, {209, 20}, {210, 21}};
    for (auto c : cases) EXPECT_EQ(DeviceBufferFrames(c.rate), c.frames) << c.rate;
}

TEST(DeviceMath, MillisecondsAndFrames) {
    const struct {
        int32_t frames, rate, ms;
    } cases[] = {{44100, 44100, 1000}, {44099, 44100, 999}, {22050, 44100, 500}, {800, 8000, 100},
                 {1, 8000, 0}, {0, 11025, 0}, {2000000000, 44100, 45351473}};
    for (auto c : cases) EXPECT_EQ(FramesToMs(c.frames, c.rate), c.ms) << c.frames << " at " << c.rate;
    EXPECT_EQ(MsToFrames(450, 8000), 3600);
    EXPECT_EQ(MsToFrames(1050, 44100), 46305);
    EXPECT_EQ(MsToFrames(45351473, 44100), 1999999959);  // no 32-bit overflow on the way
    EXPECT_EQ(FramesToMs(5, 0), 5000);                    // a rate below 1 counts as 1
}

// A full-scale square (+-0x7FFF0) and a half-scale one, per channel.
std::vector<int32_t> Square(int32_t frames, int32_t chans, int32_t amplitude) {
    std::vector<int32_t> v(size_t(frames) * chans);
    for (int32_t i = 0; i < frames; ++i)
        for (int32_t c = 0; c < chans; ++c) v[size_t(i) * chans + c] = (i / 10) % 2 ? amplitude : -amplitude;
    return v;
}

TEST(DeviceMath, PlayerLevels) {
    LChannelLevels lv;
    std::vector<int32_t> square = Square(4410, 2, kMax16);
    PlayerLevels(square.data(), 4410, 2, lv);
    EXPECT_EQ(lv.nCount, 2);
    EXPECT_EQ(lv.iLevels[0], 15);
    EXPECT_EQ(lv.iLevels[1], 15);

    std::vector<int32_t> silence(4410 * 3, 0);
    PlayerLevels(silence.data(), 4410, 3, lv);
    EXPECT_EQ(lv.nCount, 3);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(lv.iLevels[c], kLevelSilent);

    // Channels apart: left full, right at a quarter (12 dB less).
    std::vector<int32_t> mixed = Square(800, 2, kMax16);
    for (size_t i = 1; i < mixed.size(); i += 2) mixed[i] /= 4;
    PlayerLevels(mixed.data(), 800, 2, lv);
    EXPECT_EQ(lv.iLevels[0], 15);
    EXPECT_EQ(lv.iLevels[1], 3);

    // Mean squares around the rounding pivot, and the clamp.
    const struct {
        int64_t mean;
        int32_t level;
    } cases[] = {{0, -127},       {1, -69},       {8388607, 0},  {8388626, 0},   {8388606, 0},
                 {4194304, -3},   {83886070, 10}, {16777214, 3}, {int64_t(1) << 62, 117}};
    for (auto c : cases) EXPECT_EQ(PlayerLevelFromMeanSquare(c.mean), c.level) << c.mean;
    // A source beyond full scale (limited before it reaches the device,
    // but the sum must not wrap meanwhile).
    std::vector<int32_t> huge = Square(8192, 1, 0x3FFFFFF);
    EXPECT_EQ(PlayerChannelLevel(huge.data(), 8192, 1, 0), 57);
}

TEST(DeviceMath, RecorderLevels) {
    LChannelLevels lv;
    std::vector<int32_t> sine = test::Sine(4410, 1, 44100, 1000.0, kMax16);
    RecorderLevels(sine.data(), 4410, 1, lv);
    EXPECT_EQ(lv.nCount, 1);
    EXPECT_EQ(lv.iLevels[0], 12);
    EXPECT_EQ(DecisiveLevel(lv), 12);

    const struct {
        int32_t peak, level;
    } cases[] = {{0, -127}, {1, -102}, {131072, 0}, {131071, 0}, {65536, -6}, {262144, 6}, {524288, 12},
                 {0x7FFFFFFF, 84}};
    for (auto c : cases) EXPECT_EQ(RecorderLevelFromPeak(c.peak), c.level) << c.peak;

    // The negative peak counts as much as the positive one.
    std::vector<int32_t> dip(100, 0);
    dip[50] = -262144;
    RecorderLevels(dip.data(), 100, 1, lv);
    EXPECT_EQ(lv.iLevels[0], 6);

    // Decisive level: channel 0 alone, the louder of 0 and 1, never channel 2.
    std::vector<int32_t> three = {131072, 262144, 524288, 0, 0, 0};
    RecorderLevels(three.data(), 2, 3, lv);
    EXPECT_EQ(lv.iLevels[0], 0);
    EXPECT_EQ(lv.iLevels[1], 6);
    EXPECT_EQ(lv.iLevels[2], 12);
    EXPECT_EQ(DecisiveLevel(lv), 6);
    lv.nCount = 1;
    EXPECT_EQ(DecisiveLevel(lv), 0);
    lv.nCount = 0;
    EXPECT_EQ(DecisiveLevel(lv), kLevelSilent);
}

TEST(DeviceMath, DCFilter) {
    const struct {
        int32_t rate, k;
    } cases[] = {{44100, 5}, {8000, 25}, {48000, 5}, {22050, 9}, {192000, 2}, {1, 192001}, {0, 1}, {-1, 1}};
    for (auto c : cases) EXPECT_EQ(DCFilterCoefficient(c.rate), c.k) << c.rate;

    // By hand at k = 5: y = x - (acc >> 12); acc += 5y.
    LDCFilter f;
    f.Setup(44100, 1);
    std::vector<int32_t> x = {4096, 4096, 4096, -8192};
    f.Apply(x.data(), 4);
    EXPECT_EQ(x, (std::vector<int32_t>{4096, 4091, 4087, -8206}));

    // A steady offset is removed; the channels are filtered apart; the
    // accumulators carry over between calls.
    std::vector<int32_t> in(2 * 44100);
    for (size_t i = 0; i < in.size(); ++i) in[i] = (i % 2 ? -100000 : 200000) + int32_t(i % 7) * 16;
    std::vector<int32_t> once = in, split = in;
    LDCFilter a, b;
    a.Setup(44100, 2);
    b.Setup(44100, 2);
    a.Apply(once.data(), 44100);
    b.Apply(split.data(), 1000);
    b.Apply(split.data() + 2000, 44100 - 1000);
    EXPECT_EQ(once, split);
    for (size_t i = once.size() - 200; i < once.size(); ++i) EXPECT_LT(std::abs(once[i]), 200) << i;
}

TEST(DeviceMath, CueBufferHoldsTheSnippetFourTimes) {
    for (int32_t frames : {20, 21, 22, 23, 800, 4410, 8192}) {
        const int32_t chans = 2;
        int32_t q = CueSnippetFrames(frames);
        EXPECT_EQ(q, (frames + 3) / 4);
        std::vector<int16_t> buf(size_t(frames) * chans, -1);
        for (int32_t i = 0; i < q * chans; ++i) buf[i] = int16_t(i + 1);
        FillCueBuffer(buf.data(), frames, chans);
        for (int32_t i = 0; i < frames * chans; ++i)
            ASSERT_EQ(buf[i], int16_t(i % (q * chans) + 1)) << frames << " frames, sample " << i;
    }
}

}  // namespace
}  // namespace sondrel
