#include <gtest/gtest.h>

#include <random>

#include "core/LRangePump.h"
#include "effects/LEnvelope.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {
PointList MakeList(std::initializer_list<LCurvePoint> pts) {
    PointList l;
    l.Set(pts);
    return l;
}

// The in-place loop an envelope operation runs over a whole range.
std::vector<int32_t> ApplyInPlace(const PointList& list, std::vector<int32_t> in, uint32_t chans,
                                  std::vector<int32_t>* blocks = nullptr, int32_t* endGain = nullptr) {
    int32_t total = int32_t(in.size() / chans);
    LEnvelopeGain env(list, total);
    int32_t* p = in.data();
    for (int32_t n; (n = env.NextBlock()) > 0; p += size_t(n) * chans) {
        if (blocks) blocks->push_back(n);
        env.Apply(p, n, chans);
    }
    EXPECT_EQ(env.Done(), total);
    if (endGain) *endGain = env.Gain();
    return in;
}
}  // namespace

TEST(Normalize, GainPercentRules) {
    struct Case {
        int32_t peak, level, percent;
    };
    for (Case c : {Case{0, 100, 100},             // silence: the gain operation skips 100
                   Case{0x7FFF0, 100, 100},       // already at full scale
                   Case{0x7FFF0 / 2, 100, 200},
                   Case{0x7FFF0, 50, 50},
                   Case{1000, 100, 400},          // never more than 400 %
                   Case{0x7FFF0 / 4 - 1, 100, 400},
                   Case{0x200000, 100, 24},       // louder than full scale: reduced
                   Case{1, -100, -400}}) {        // a negative level cannot wrap the product
        EXPECT_EQ(NormalizeGainPercent(c.peak, c.level), c.percent) << c.peak << " " << c.level;
    }
}

TEST(Normalize, PeakScanOverARange) {
    // The first pass: the selection range-pumped into a peak sink.
    std::vector<int32_t> in(30000, 0);
    in[12000] = -300000;  // outside the selection
    in[20001] = 250000;   // right channel, frame 10000
    in[25000] = -260000;  // left channel, frame 12500
    auto peakOf = [&](int32_t startMs, int32_t endMs) {
        auto sink = MakeSink<LSNKPeak>(1000, 2);
        LEfSoundProcess rec{
            .pSource = MakeSource<VectorSource>(in, 1000, 2), .pSink = sink, .stStart = startMs, .stEnd = endMs};
        LNullProgress progress;
        EXPECT_EQ(Process(&progress, rec), kProcessDone);
        return static_cast<LSNKPeak*>(sink.Get())->iPeak;
    };
    EXPECT_EQ(peakOf(6500, 15000), 260000);
    EXPECT_EQ(peakOf(6500, 12000), 250000);
    EXPECT_EQ(peakOf(0, 5000), 0);
    EXPECT_EQ(NormalizeGainPercent(peakOf(0, 5000), 100), 100);  // silence changes nothing
}

TEST(Envelope, FadeInReachesTheLastPointAndSharesTheGainPerFrame) {
    // 20000 stereo frames of one constant value in both channels: any gain
    // that moved per sample instead of per frame would split the pair.
    const int32_t total = 20000;
    std::vector<int32_t> blocks;
    int32_t endGain = 0;
    auto out = ApplyInPlace(FadeInCurve(), std::vector<int32_t>(size_t(total) * 2, kMax16), 2, &blocks, &endGain);
    EXPECT_EQ(blocks, (std::vector<int32_t>{8192, 8192, 3616}));
    for (int32_t f = 0; f < total; ++f) ASSERT_EQ(out[size_t(2 * f)], out[size_t(2 * f + 1)]) << f;
    EXPECT_EQ(out[0], 0);
    for (int32_t f = 1; f < total; ++f) ASSERT_GE(out[size_t(2 * f)], out[size_t(2 * f - 2)]) << f;
    // The step is re-aimed at every block, so the ramp ends within one
    // truncated step per frame of the last block below unity.
    EXPECT_LE(endGain, kUnityGain);
    EXPECT_GT(endGain, kUnityGain - 3616);
    EXPECT_NEAR(out[size_t(2 * total - 2)], kMax16, kMax16 / 4000);

    int32_t fadeOutEnd = -1;
    auto down = ApplyInPlace(FadeOutCurve(), std::vector<int32_t>(size_t(total), kMax16), 1, nullptr, &fadeOutEnd);
    EXPECT_EQ(down[0], kMax16);
    EXPECT_GE(fadeOutEnd, 0);
    EXPECT_LT(fadeOutEnd, 3616);
    EXPECT_LE(down.back(), kMax16 / 4000);
}

TEST(Envelope, SegmentsAndHandComputedGains) {
    // With 255 frames, curve x is the frame offset. Input 4096 makes the
    // output the gain >> 12 exactly (4096 * g / 2^24).
    PointList l = MakeList({{0, 128}, {10, 0}, {100, 255}, {100, 0}, {255, 64}});
    std::vector<int32_t> blocks;
    auto out = ApplyInPlace(l, std::vector<int32_t>(255, 4096), 1, &blocks);
    // The zero-length segment at x 100 gets no block of its own.
    EXPECT_EQ(blocks, (std::vector<int32_t>{10, 90, 155}));
    // 0..9: from 2^24 towards 0 by (0 - 2^24) / 10 = -1677721 per frame.
    EXPECT_EQ(out[0], 4096);
    EXPECT_EQ(out[1], (16777216 - 1677721) >> 12);
    EXPECT_EQ(out[9], (16777216 - 9 * 1677721) >> 12);
    // 10..99 start from the gain left after ten steps (16777216 - 16777210 = 6)
    // towards 255 << 17 = 33423360: step (33423360 - 6) / 90 = 371370.
    EXPECT_EQ(out[10], 6 >> 12);
    EXPECT_EQ(out[11], (6 + 371370) >> 12);
    // 100..254: from 6 + 90 * 371370 = 33423306 towards 64 << 17 = 8388608,
    // step (8388608 - 33423306) / 155 = -161514 (truncated towards zero).
    EXPECT_EQ(out[100], 33423306 >> 12);
    EXPECT_EQ(out[254], (33423306 - 154 * 161514) >> 12);
}

TEST(Envelope, SourceMatchesTheInPlaceLoopForAnyReadsAndLeavesTheRestAlone) {
    std::mt19937 rng(Seed());
    const int32_t frames = 60000, start = 7000, total = 40000;
    std::vector<int32_t> in(size_t(frames) * 2);
    for (int32_t& v : in) v = int32_t(rng() % 1000001) - 500000;
    PointList l = MakeList({{0, 20}, {40, 250}, {40, 10}, {128, 128}, {200, 0}, {255, 90}});

    std::vector<int32_t> expect = in;
    std::vector<int32_t> range(in.begin() + size_t(start) * 2, in.begin() + size_t(start + total) * 2);
    range = ApplyInPlace(l, range, 2);
    std::copy(range.begin(), range.end(), expect.begin() + size_t(start) * 2);

    auto src = LSPEnvelope(l, start, total).OpenSource(MakeSource<VectorSource>(in, 44100, 2));
    EXPECT_FALSE(src->HasError());
    // Random read sizes with occasional seeks anywhere.
    std::vector<int32_t> buf(8192 * 2);
    for (int round = 0; round < 200; ++round) {
        int32_t pos = round % 7 == 0 ? int32_t(rng() % frames) - 100 : src->GetPosition();
        if (round % 7 == 0) src->Seek(pos);
        int32_t n = 1 + int32_t(rng() % 8192);
        src->Read(buf.data(), n);
        for (int32_t f = 0; f < n; ++f) {
            int32_t at = pos + f;
            for (int c = 0; c < 2; ++c) {
                int32_t want = at >= 0 && at < frames ? expect[size_t(at) * 2 + c] : 0;
                ASSERT_EQ(buf[size_t(f) * 2 + c], want) << "frame " << at << " round " << round;
            }
        }
    }
}

TEST(Envelope, CurveWithFewerThanTwoPointsIsRefused) {
    PointList one = MakeList({{0, 0}});
    EXPECT_FALSE(LEnvelopeGain::Usable(one));
    std::vector<int32_t> in{1, 2, 3, 4, 5};
    auto src = LSPEnvelope(one, 0, 5).OpenSource(MakeSource<VectorSource>(in, 8000, 1));
    EXPECT_TRUE(src->HasError());
    EXPECT_EQ(ReadAll(*src), in);
}
