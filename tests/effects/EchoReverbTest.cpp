#include <gtest/gtest.h>

#include <map>
#include <random>

#include "effects/LEchoReverb.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {
std::vector<int32_t> Impulse(int32_t frames, int32_t value, uint32_t chans = 1, uint32_t chan = 0) {
    std::vector<int32_t> v(size_t(frames) * chans, 0);
    v[chan] = value;
    return v;
}

std::vector<int32_t> Through(LSoundProcessor& p, std::vector<int32_t> in, int32_t rate, uint32_t chans) {
    auto src = p.OpenSource(MakeSource<VectorSource>(std::move(in), rate, chans));
    return ReadAll(*src, 1000);
}

// Every sample index that is not listed must be zero.
void ExpectOnly(const std::vector<int32_t>& out, const std::map<size_t, int32_t>& nonzero) {
    for (size_t i = 0; i < out.size(); ++i) {
        auto it = nonzero.find(i);
        ASSERT_EQ(out[i], it == nonzero.end() ? 0 : it->second) << "sample " << i;
    }
}

std::vector<int32_t> Noise(size_t samples, int32_t amp, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<int32_t> v(samples);
    for (int32_t& s : v) s = int32_t(rng() % uint32_t(2 * amp + 1)) - amp;
    return v;
}
}  // namespace

TEST(Echo, ImpulseResponseByHand) {
    // 20 ms at 8000 Hz mono: a 160-sample line; 50 % is 128/256, so each
    // repeat is the previous one * 128 >> 8.
    LSPEcho half(20, 50);
    ExpectOnly(Through(half, Impulse(500, 524272), 8000, 1), {{0, 524272}, {160, 262136}, {320, 131068}, {480, 65534}});
    // 33 % is 84/256; shifts floor: -1000 * 84 >> 8 = -84000 / 256 = -328.1 -> -329,
    // then -329 * 84 >> 8 = -27636 / 256 = -107.95 -> -108.
    LSPEcho third(20, 33);
    ExpectOnly(Through(third, Impulse(400, -1000), 8000, 1), {{0, -1000}, {160, -329}, {320, -108}});
    // Stereo: the line holds samples, 2 * 160 of them; the repeat stays in its channel.
    ExpectOnly(Through(half, Impulse(400, 4096, 2, 1), 8000, 2), {{1, 4096}, {321, 2048}, {641, 1024}});
}

TEST(Echo, DelayLengthHasAFloorOf128Samples) {
    struct Case {
        int32_t ms, rate;
        uint32_t chans;
        int32_t samples;
    };
    for (Case c : {Case{10, 8000, 1, 128}, Case{10, 8000, 2, 160}, Case{800, 44100, 2, 70560},
                   Case{-50, 44100, 1, 128}, Case{1001, 44100, 1, 44144}}) {
        LSRCEcho e(MakeSource<VectorSource>(std::vector<int32_t>(4), c.rate, c.chans), c.ms, 50);
        EXPECT_EQ(e.DelayLength(), c.samples) << c.ms << " ms " << c.rate;
    }
    LSPEcho shortest(10, 50);
    ExpectOnly(Through(shortest, Impulse(200, 1000), 8000, 1), {{0, 1000}, {128, 500}});
}

TEST(Reverb, ImpulseResponseByHand) {
    // 16 ms at 8000 Hz mono: L = 128. Level 100: G = 512, g1 = trunc(204.8) = 204,
    // g2 = trunc(51.2) = 51, g3 = trunc(153.6) = 153, g4 = trunc(35.84) = 35,
    // g0 = trunc(66.56) = 66. Taps start at trunc(128 * .7413) = 94, 71, 48, 27,
    // so they hear the output 34, 57, 80 and 101 samples back, the feedback 128.
    LSRCReverb r(MakeSource<VectorSource>(Impulse(129, 1 << 20), 8000, 1), 100, 16);
    ASSERT_EQ(r.DelayLength(), 128u);
    EXPECT_EQ(std::vector<uint32_t>(r.Taps(), r.Taps() + 4), (std::vector<uint32_t>{94, 71, 48, 27}));
    EXPECT_EQ(std::vector<int32_t>(r.TapGains(), r.TapGains() + 4), (std::vector<int32_t>{204, 51, 153, 35}));
    EXPECT_EQ(r.FeedbackGain(), 66);
    // y[34] = 2^20 * 204 >> 9 = 417792; y[57] = 2^20 * 51 >> 9 = 104448;
    // y[68] = 417792 * 204 >> 9 = 166464; y[80] = 2^20 * 153 >> 9 = 313344;
    // y[91] = 104448 * 204 >> 9 + 417792 * 51 >> 9 = 41616 + 41616;
    // y[101] = 2^20 * 35 >> 9 = 71680; y[102] = 166464 * 204 >> 9 = 66325 (.3);
    // y[114] = 313344 * 204 >> 9 + 104448 * 51 >> 9 + 417792 * 153 >> 9
    //        = 124848 + 10404 + 124848; y[125] = 83232 * 204 >> 9 + 166464 * 51 >> 9 = 33162 + 16581;
    // y[128] = 2^20 * 66 >> 9 = 135168.
    ExpectOnly(ReadAll(r, 37), {{0, 1 << 20},
                                {34, 417792},
                                {57, 104448},
                                {68, 166464},
                                {80, 313344},
                                {91, 83232},
                                {101, 71680},
                                {102, 66325},
                                {114, 124848 + 10404 + 124848},
                                {125, 33162 + 16581},
                                {128, 135168}});
}

TEST(Reverb, NegativeSamplesShiftTowardsMinusInfinity) {
    // -1000 * 204 >> 9 = -398.4 -> -399; -1000 * 51 >> 9 = -99.6 -> -100.
    LSPReverb rv(100, 16);
    auto out = Through(rv, Impulse(60, -1000), 8000, 1);
    EXPECT_EQ(out[0], -1000);
    EXPECT_EQ(out[34], -399);
    EXPECT_EQ(out[57], -100);
}

TEST(EchoReverb, ZeroGainAndZeroLevelAreIdentities) {
    auto in = Noise(2 * 30000, 600000, Seed());
    LSPEcho echo0(300, 0);
    LSPReverb reverb0(0, 400);
    EXPECT_EQ(Through(echo0, in, 44100, 2), in);
    EXPECT_EQ(Through(reverb0, in, 44100, 2), in);
}

// The sources process in vectorisable stretches; this checks them against
// the one-sample-at-a-time recurrences over many turns of the delay line and
// reads of every size.
TEST(EchoReverb, StretchesMatchTheSampleRecurrence) {
    std::mt19937 rng(Seed());
    for (uint32_t chans : {1u, 2u}) {
        const int32_t frames = 50000;
        auto in = Noise(size_t(frames) * chans, 1 << 22, rng());
        for (int32_t ms : {16, 37, 250}) {
            SCOPED_TRACE(testing::Message() << chans << " channels, " << ms << " ms");
            // Echo: x += d[i] * g >> 8; d[i] = x.
            LSRCEcho echo(MakeSource<VectorSource>(in, 8000, chans), ms, 70);
            std::vector<int32_t> d(size_t(echo.DelayLength()), 0), want = in;
            size_t i = 0;
            for (int32_t& x : want) {
                x += (d[i] * echo.Gain()) >> 8;
                d[i] = x;
                i = (i + 1) % d.size();
            }
            std::vector<int32_t> got;
            std::vector<int32_t> buf(8192 * chans);
            while (echo.GetPosition() < frames) {
                int32_t n = std::min<int32_t>(1 + int32_t(rng() % 3000), frames - echo.GetPosition());
                echo.Read(buf.data(), n);
                got.insert(got.end(), buf.begin(), buf.begin() + n * chans);
            }
            EXPECT_EQ(got, want);

            // Reverb: four taps and the feedback, all indices moving together.
            LSRCReverb rev(MakeSource<VectorSource>(in, 8000, chans), 93, ms);
            uint32_t L = rev.DelayLength(), w = 0, p[4];
            std::copy(rev.Taps(), rev.Taps() + 4, p);
            const int32_t* g = rev.TapGains();
            std::vector<int32_t> line(L, 0), wantR = in;
            for (int32_t& x : wantR) {
                int32_t acc = x;
                for (int k = 0; k < 4; ++k) {
                    acc += (line[p[k]] * g[k]) >> 9;
                    p[k] = (p[k] + 1) % L;
                }
                acc += (line[w] * rev.FeedbackGain()) >> 9;
                line[w] = acc;
                w = (w + 1) % L;
                x = acc;
            }
            got.clear();
            while (rev.GetPosition() < frames) {
                int32_t n = std::min<int32_t>(1 + int32_t(rng() % 3000), frames - rev.GetPosition());
                rev.Read(buf.data(), n);
                got.insert(got.end(), buf.begin(), buf.begin() + n * chans);
            }
            EXPECT_EQ(got, wantR);
        }
    }
}
