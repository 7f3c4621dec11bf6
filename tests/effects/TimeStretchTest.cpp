// The splicing time stretch against a model that computes every output
// sample straight from the input, and its behaviour going backwards.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "DynTestUtil.h"
#include "core/LPump.h"
#include "effects/LSRCTimeStretch.h"
#include "support/TestUtil.h"

namespace sondrel {
namespace {

using test::VectorSink;
using test::VectorSource;

constexpr int32_t kRate = 44100;
constexpr int32_t kSegFrames = 490;  // 44100 / 90

std::vector<int32_t> NoiseInput(int32_t frames, int chans, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> d(-0x7FFF0, 0x7FFF0);
    std::vector<int32_t> v(size_t(frames) * chans);
    for (auto& s : v) s = d(rng);
    return v;
}

// Raised-cosine crossfade window of S samples, unity over the first half.
std::vector<int32_t> ModelWindow(int32_t S) {
    std::vector<int32_t> w(size_t(S), 16777216);
    int32_t h = S / 2, n = S - h;
    for (int32_t i = 0; i < n; ++i) w[h + i] = int32_t(std::floor((std::cos(i * 3.14159265358979323846 / n) * 0.5 + 0.5) * 16777216.0 + 0.5));
    return w;
}

struct Model {
    std::vector<int32_t> out;
    int32_t position;  // input frame of the incoming stream after the output
};

// Segment j plays, for its first half, the continuation of segment j - 1's
// incoming stream, and crossfades over its second half to the stream that
// starts one hop after segment j - 1's. in0 is the first segment's start
// (sample index into the input; outside it the input is silent).
Model StretchModel(const std::vector<int32_t>& x, int c, int64_t in0, double factor, double target, int32_t rampFrames,
                   int32_t outFrames) {
    const int32_t S = kSegFrames * c;
    const auto w = ModelWindow(S);
    auto X = [&](int64_t i) { return i >= 0 && i < int64_t(x.size()) ? x[size_t(i)] : 0; };
    int32_t hop = int32_t(S * factor), targetHop = int32_t(S * target), ramp = rampFrames * c;
    int64_t oldStart = in0, newStart = in0, inpos = in0;
    Model m;
    int64_t k = 0;
    for (int64_t t = 0; t < int64_t(outFrames) * c; ++t) {
        if (k == S) {
            oldStart = newStart + S;
            inpos += hop;
            newStart = inpos;
            if (ramp > 0) {
                hop += int32_t((int64_t(targetHop - hop) * S) / ramp);
                ramp -= S;
                if (ramp < 1) hop = targetHop;
            }
            k = 0;
        }
        m.out.push_back(MulGain(X(oldStart + k), w[k]) + MulGain(X(newStart + k), 16777216 - w[k]));
        ++k;
    }
    m.position = int32_t((newStart + k) / c);
    return m;
}

TEST(TimeStretch, WindowIsFlatThenRaisedCosineDown) {
    auto src = MakeSource<VectorSource>(std::vector<int32_t>(100, 0), kRate, 1);
    LSRCTimeStretch ts(src, 1.0);
    EXPECT_EQ(ts.SegmentSamples(), kSegFrames);
    EXPECT_EQ(ts.Window(), ModelWindow(kSegFrames));
    EXPECT_EQ(ts.Window()[kSegFrames / 2], 16777216);
    EXPECT_LT(ts.Window()[kSegFrames - 1], 16777216 / 1000);
    // Segments for other rates and channel counts.
    struct Case {
        int32_t rate;
        uint32_t chans;
        int32_t samples;
    } cases[] = {{8000, 1, 88}, {1000, 1, 20}, {48000, 2, 1066}, {400000, 2, 2730 * 2}, {22050, 6, 245 * 6}};
    for (const Case& c : cases) {
        auto s = MakeSource<VectorSource>(std::vector<int32_t>(c.chans, 0), c.rate, c.chans);
        EXPECT_EQ(LSRCTimeStretch(s, 1.0).SegmentSamples(), c.samples) << c.rate;
    }
}

TEST(TimeStretch, MatchesTheSpliceModel) {
    struct Case {
        int chans;
        double factor, target;
        int32_t rampMs;
        int32_t start;   // frame sought before reading
        int32_t frames;  // output frames compared
    } cases[] = {
        {1, 1.0, 1.0, 0, 0, 30000},     {1, 2.0, 1.0, 0, 0, 40000},      {1, 0.5, 1.0, 0, 1234, 30000},
        {1, 3.7, 1.0, 0, 0, 30000},     {1, 10.0, 1.0, 0, 0, 15000},     // a hop the window cannot span
        {1, 0.0, 1.0, 0, 5000, 5000},   // no hop: one segment again and again
        {1, -1.0, 1.0, 0, 100000, 40000}, {1, -2.5, 1.0, 0, 150000, 40000},
        {1, -10.0, 1.0, 0, 150000, 20000},  // backwards, past the start into silence
        {2, 2.0, 1.0, 0, 0, 30000},     {2, 0.5, 1.0, 0, 777, 30000},    {2, -1.0, 1.0, 0, 90000, 30000},
        {2, 3.7, 1.0, 0, 10, 30000},    {2, 10.0, 1.0, 0, 0, 15000},
        {1, -4.0, 1.0, 500, 150000, 60000},  // reverse scan ramping to normal play
        {1, 1.0, 3.0, 300, 0, 40000},        // speeding up
        {1, -10.0, 1.0, 300, 150000, 40000}, // from jumps the window cannot span to normal play
    };
    const int32_t inFrames = 200000;
    for (const Case& c : cases) {
        auto x = NoiseInput(inFrames, c.chans, 11 + c.chans);
        auto src = MakeSource<VectorSource>(x, kRate, c.chans);
        LSRCTimeStretch ts(src, c.factor, c.target, c.rampMs);
        if (c.start) ts.Seek(c.start);
        const int32_t S = kSegFrames * c.chans;
        int64_t in0 = int64_t(c.start) * c.chans - (int32_t(S * c.factor) < 0 ? S : 0);
        Model m = StretchModel(x, c.chans, in0, c.factor, c.target, c.rampMs * kRate / 1000, c.frames);
        // Irregular read sizes, to cross segment and splice boundaries anywhere.
        std::vector<int32_t> got;
        const int32_t sizes[] = {1000, 37, 8192, 1, 4999};
        std::vector<int32_t> buf(8192 * size_t(c.chans));
        for (int i = 0; int32_t(got.size()) < c.frames * c.chans; ++i) {
            int32_t n = std::min(sizes[i % 5], c.frames - int32_t(got.size()) / c.chans);
            ts.Read(buf.data(), n);
            got.insert(got.end(), buf.begin(), buf.begin() + size_t(n) * c.chans);
        }
        ASSERT_EQ(got.size(), m.out.size());
        size_t bad = 0;
        while (bad < got.size() && got[bad] == m.out[bad]) ++bad;
        EXPECT_EQ(bad, got.size()) << "chans " << c.chans << " factor " << c.factor << " ramp " << c.rampMs
                                   << ": first difference at output sample " << bad;
        if (int32_t(S * c.factor) >= 0 && c.rampMs == 0) {
            EXPECT_EQ(ts.GetPosition(), m.position) << "factor " << c.factor;
        }
    }
}

TEST(TimeStretch, UnitFactorIsSeamless) {
    // A hop of one segment: every splice continues exactly where the last
    // one left off; only the crossfade's two truncating multiplies can
    // differ, by less than a quarter of a 16-bit step.
    auto x = NoiseInput(50000, 2, 5);
    auto src = MakeSource<VectorSource>(x, kRate, 2);
    LSRCTimeStretch ts(src, 1.0);
    auto out = test::ReadAll(ts);
    ASSERT_EQ(out.size(), x.size());
    for (size_t i = 0; i < x.size(); ++i) ASSERT_LE(std::abs(out[i] - x[i]), 4) << i;
}

TEST(TimeStretch, NegativeFactorPlaysBackwardsSegmentBySegment) {
    // Input sample = its frame number: each segment's first half must count
    // up by one, and segment starts must fall by one segment at a time.
    // Segment j >= 1 begins with the continuation of segment j - 1's incoming
    // stream, so the second segment starts at the position itself.
    const int32_t n = 20000, p = 18000;
    std::vector<int32_t> x(n);
    for (int32_t i = 0; i < n; ++i) x[i] = i;
    auto src = MakeSource<VectorSource>(x, kRate, 1);
    LSRCTimeStretch ts(src, -1.0);
    ts.Seek(p);
    EXPECT_EQ(ts.GetPosition(), p - kSegFrames);
    EXPECT_EQ(ts.GetLength(), 2 * ts.GetPosition());
    std::vector<int32_t> out(8192 * 2);
    ts.Read(out.data(), 8192);
    ts.Read(out.data() + 8192, 8192);
    std::vector<int32_t> starts;
    for (int32_t seg = 0; seg + kSegFrames <= 16384; seg += kSegFrames) {
        starts.push_back(out[seg]);
        for (int32_t k = 1; k < kSegFrames / 2; ++k) ASSERT_EQ(out[seg + k], out[seg] + k) << seg;
    }
    EXPECT_EQ(starts[0], p - kSegFrames);  // the segment just before the position
    EXPECT_EQ(starts[1], p);
    for (size_t j = 2; j < starts.size(); ++j) EXPECT_EQ(starts[j], starts[j - 1] - kSegFrames) << j;
}

TEST(TimeStretch, BackwardsPumpStopsAtTheStart) {
    // The length reported going backwards is twice the position, so the
    // whole-source pump ends when the start of the input is reached.
    const int32_t n = 3 * kRate;
    auto src = MakeSource<VectorSource>(NoiseInput(n, 2, 3), kRate, 2);
    auto ts = MakeSource<LSRCTimeStretch>(src, -1.0);
    ts->Seek(n);
    std::vector<int32_t> out;
    LPRSourceToSink pump{"Process Audio", ts, MakeSink<VectorSink>(&out, kRate, 2)};
    LNullProgress progress;
    ASSERT_EQ(Process(&progress, pump), 0);
    EXPECT_NEAR(double(out.size() / 2), double(n - kSegFrames), kSegFrames);
    EXPECT_LE(ts->GetPosition(), 0);
}

TEST(TimeStretch, ForwardLengthIsTheInputsAndOutputShrinksWithTheFactor) {
    const int32_t n = 2 * kRate;
    for (double f : {2.0, 0.5, 1.5}) {
        auto src = MakeSource<VectorSource>(NoiseInput(n, 1, 4), kRate, 1);
        LSRCTimeStretch ts(src, f);
        EXPECT_EQ(ts.GetLength(), n);
        int32_t frames = 0;
        std::vector<int32_t> buf(kSegFrames);
        while (ts.GetPosition() < n) {
            ts.Read(buf.data(), kSegFrames);
            frames += kSegFrames;
        }
        EXPECT_NEAR(frames, n / f, 2 * kSegFrames) << f;
    }
}

}  // namespace
}  // namespace sondrel
