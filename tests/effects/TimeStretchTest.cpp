// The splicing time stretch against a model that computes every output
// sample straight from the input, and its behaviour going backwards.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "DynTestUtil.h"
#include "core/LPump.h"
#include "effects/LCorrelate.h"
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
    int32_t position;  // input frame of the incoming stream's nominal place after the output
};

// Segment j plays, for its first half, the continuation of segment j - 1's
// incoming stream, and crossfades over its second half to the stream that
// starts offsets[j] frames from its nominal place, one hop after segment
// j - 1's nominal place. in0 is the first segment's start (sample index
// into the input; outside it the input is silent).
Model StretchModel(const std::vector<int32_t>& x, int c, int64_t in0, double factor, double target, int32_t rampFrames,
                   int32_t outFrames, const std::vector<int32_t>& offsets, int32_t segFrames = kSegFrames) {
    const int32_t S = segFrames * c;
    const auto w = ModelWindow(S);
    auto X = [&](int64_t i) { return i >= 0 && i < int64_t(x.size()) ? x[size_t(i)] : 0; };
    int32_t hop = int32_t(S * factor), targetHop = int32_t(S * target), ramp = rampFrames * c;
    int64_t oldStart = in0, newStart = in0, inpos = in0;
    Model m;
    int64_t k = 0;
    size_t seg = 0;
    for (int64_t t = 0; t < int64_t(outFrames) * c; ++t) {
        if (k == S) {
            ++seg;
            oldStart = newStart + S;
            // Whole frames: an odd hop of a stereo stream loses its half frame.
            inpos += (hop >= 0 ? hop / c : -((c - 1 - hop) / c)) * c;
            newStart = inpos + int64_t(seg < offsets.size() ? offsets[seg] : 0) * c;
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
    m.position = int32_t((inpos + k) / c);
    return m;
}

// The offset of each segment's incoming stream, read one segment at a time.
std::vector<int32_t> SegmentOffsets(LSRCTimeStretch& ts, int32_t frames) {
    const int32_t seg = ts.SegmentSamples() / ts.nChans;
    std::vector<int32_t> offsets, buf(size_t(ts.SegmentSamples()));
    for (int32_t done = 0; done < frames; done += seg) {
        ts.Read(buf.data(), seg);
        offsets.push_back(ts.Offset());
    }
    return offsets;
}

TEST(TimeStretch, CorrelationKernelsGiveTheExactSums) {
    // Samples at the search's limits (+-2048 after scaling) and stretches up
    // to 256: every kernel must give the exact sum, so both builds choose
    // the same splices.
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> d(-2048, 2047);
    struct Case {
        int32_t len, count;
        bool extreme;  // every sample at -2048
    } cases[] = {{8, 1, false},     {8, 3, false},      {16, 4, false},    {128, 369, false},
                 {256, 7, false},   {256, 1000, false}, {256, 5, true},    {24, 245, false}};
    for (const Case& c : cases) {
        std::vector<int16_t> a(size_t(c.len)), x(size_t(c.count + c.len - 1));
        for (auto& v : a) v = int16_t(c.extreme ? -2048 : d(rng));
        for (auto& v : x) v = int16_t(c.extreme ? -2048 : d(rng));
        std::vector<int32_t> want(size_t(c.count));
        for (int32_t j = 0; j < c.count; ++j) {
            int64_t sum = 0;
            for (int32_t i = 0; i < c.len; ++i) sum += int64_t(a[size_t(i)]) * x[size_t(j + i)];
            ASSERT_EQ(sum, int64_t(int32_t(sum)));
            want[size_t(j)] = int32_t(sum);
        }
        for (LCorrelateKernel k : {LCorrelateKernel::kPortable, LCorrelateKernel::kSSE2, LCorrelateKernel::kBest}) {
            LCorrelateFn fn = CorrelateKernel(k);
            if (!fn) continue;
            std::vector<int32_t> got(size_t(c.count), 12345);
            fn(a.data(), x.data(), c.len, c.count, got.data());
            EXPECT_EQ(got, want) << "kernel " << int(k) << " len " << c.len << " count " << c.count;
        }
    }
#if defined(__SSE2__)
    EXPECT_NE(CorrelateKernel(LCorrelateKernel::kSSE2), nullptr);
#endif
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
    // The offsets the search chose are read off one source; a second one,
    // read in irregular sizes, must give exactly the splices of the model
    // with those offsets: every window move, refill and jump keeps the
    // buffer's indexes on the input they refer to.
    struct Case {
        int chans;
        double factor, target;
        int32_t rampMs;
        int32_t start;   // frame sought before reading
        int32_t frames;  // output frames compared
        int32_t rate = kRate;
    } cases[] = {
        {1, 1.0, 1.0, 0, 0, 30000},     {1, 2.0, 1.0, 0, 0, 40000},      {1, 0.5, 1.0, 0, 1234, 30000},
        {1, 3.7, 1.0, 0, 0, 30000},     {1, 10.0, 1.0, 0, 0, 15000},     // a hop the window cannot span
        {1, 4.8, 1.0, 0, 0, 20000},     // spans it or not, as the offsets fall
        {1, 0.0, 1.0, 0, 5000, 5000},   // no hop: one segment again and again
        {1, -1.0, 1.0, 0, 100000, 40000}, {1, -2.5, 1.0, 0, 150000, 40000},
        {1, -0.4, 1.0, 0, 100000, 30000},  // backwards, slowly
        {1, -10.0, 1.0, 0, 150000, 20000},  // backwards, past the start into silence
        {2, 2.0, 1.0, 0, 0, 30000},     {2, 0.5, 1.0, 0, 777, 30000},    {2, -1.0, 1.0, 0, 90000, 30000},
        {2, 3.7, 1.0, 0, 10, 30000},    {2, 10.0, 1.0, 0, 0, 15000},
        {1, -4.0, 1.0, 500, 150000, 60000},  // reverse scan ramping to normal play
        {1, 1.0, 3.0, 300, 0, 40000},        // speeding up
        {1, -10.0, 1.0, 300, 150000, 40000}, // from jumps the window cannot span to normal play
        {2, 7.0, 1.0, 400, 0, 40000},        // fast scan ramping to normal play
        // Other rates: the search at the full rate (8000), the shortest
        // segment (1000), three channels, the longest segment (400000).
        {1, 1.5, 1.0, 0, 100, 20000, 8000},  {1, 2.0, 1.0, 0, 0, 2000, 1000},
        {3, 0.7, 1.0, 0, 50, 20000, 22050},  {2, 1.3, 1.0, 0, 0, 30000, 400000},
        {2, -1.0, 1.0, 0, 150000, 30000, 400000},
    };
    const int32_t inFrames = 200000;
    for (const Case& c : cases) {
        auto x = NoiseInput(inFrames, c.chans, 11 + c.chans);
        LSRCTimeStretch probe(MakeSource<VectorSource>(x, c.rate, c.chans), c.factor, c.target, c.rampMs);
        if (c.start) probe.Seek(c.start);
        const auto offsets = SegmentOffsets(probe, c.frames);
        int32_t moved = 0;
        for (int32_t o : offsets) {
            ASSERT_LE(std::abs(o), probe.SearchRange()) << c.factor;
            moved += o != 0;
        }
        if (c.factor != 1.0 && c.target == 1.0) {
            EXPECT_GT(moved, 0) << "factor " << c.factor << ": no splice moved";
        }

        auto src = MakeSource<VectorSource>(x, c.rate, c.chans);
        LSRCTimeStretch ts(src, c.factor, c.target, c.rampMs);
        if (c.start) ts.Seek(c.start);
        const int32_t S = ts.SegmentSamples();
        int64_t in0 = int64_t(c.start) * c.chans - (int32_t(S * c.factor) < 0 ? S : 0);
        Model m = StretchModel(x, c.chans, in0, c.factor, c.target, c.rampMs * c.rate / 1000, c.frames, offsets,
                               S / c.chans);
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
        EXPECT_EQ(bad, got.size()) << c.rate << " Hz, chans " << c.chans << " factor " << c.factor << " ramp " << c.rampMs
                                   << ": first difference at output sample " << bad;
        if (int32_t(S * c.factor) >= 0 && c.rampMs == 0) {
            EXPECT_EQ(ts.GetPosition(), m.position) << "factor " << c.factor;
        }
    }
}

// A voice-like signal: harmonics of a fundamental that glides between 110
// and 190 Hz, under a syllable-rate swell, over a little noise; or a chord
// of unrelated partials, one of them high.
std::vector<int32_t> VoiceLike(int32_t frames, int c, uint32_t seed, bool chord = false) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> noise(-2000, 2000);
    std::vector<int32_t> v(size_t(frames) * c);
    double phase = 0;
    for (int32_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double f0 = 150 + 40 * std::sin(2 * 3.14159265358979323846 * 1.3 * t);
        phase += 2 * 3.14159265358979323846 * f0 / kRate;
        double s = 0;
        if (chord) {
            for (double hz : {220.0, 277.2, 329.6, 2093.0}) s += std::sin(2 * 3.14159265358979323846 * hz * t) / 2;
        } else {
            for (int h = 1; h <= 12; ++h) s += std::sin(h * phase + h) / h;
        }
        s *= 60000 * (1.2 + std::sin(2 * 3.14159265358979323846 * 4 * t));
        for (int ch = 0; ch < c; ++ch) v[size_t(i) * c + ch] = int32_t(s * (ch ? -0.5 : 1.0)) + noise(rng);
    }
    return v;
}

TEST(TimeStretch, EachSpliceStartsWhereTheStreamsMatchBest) {
    // The decimated search and its refinement against every offset in the
    // range at the full rate: the offset chosen must correlate (normalised,
    // mono mix) within 0.02 of the best one there is.
    struct Case {
        int chans;
        double factor;
        bool chord;  // else a voice
    } cases[] = {{1, 1.5, false}, {2, 0.5, false}, {1, 2.0, true}, {2, 0.75, true}, {1, -1.0, false}};
    for (const Case& c : cases) {
        const int32_t inFrames = 60000;
        const std::vector<int32_t> x = VoiceLike(inFrames, c.chans, 7, c.chord);
        LSRCTimeStretch ts(MakeSource<VectorSource>(x, kRate, c.chans), c.factor);
        const int32_t start = c.factor < 0 ? inFrames - 1000 : 0;
        ts.Seek(start);
        const int32_t S = kSegFrames, R = ts.SearchRange();
        // The mono mix with a segment and a half of silence either side.
        std::vector<double> mono(size_t(inFrames + 4 * S), 0.0);
        for (int32_t i = 0; i < inFrames; ++i) {
            double sum = 0;
            for (int ch = 0; ch < c.chans; ++ch) sum += x[size_t(i) * c.chans + ch];
            mono[size_t(i + 2 * S)] = sum / c.chans;
        }
        auto ncc = [&](int64_t a, int64_t b) {
            const double* pa = mono.data() + a + 2 * S;
            const double* pb = mono.data() + b + 2 * S;
            double dot = 0, ea = 0, eb = 0;
            for (int32_t i = 0; i < S; ++i) {
                dot += pa[i] * pb[i];
                ea += pa[i] * pa[i];
                eb += pb[i] * pb[i];
            }
            return ea > 0 && eb > 0 ? dot / std::sqrt(ea * eb) : 0.0;
        };
        const int32_t hop = int32_t(S * c.chans * c.factor) / c.chans;
        int64_t nominal = start - (hop < 0 ? S : 0), newStart = nominal;
        std::vector<int32_t> buf(size_t(S) * c.chans);
        double worstGap = 0;
        for (int j = 0; j < 40; ++j) {
            ts.Read(buf.data(), S);
            if (j > 0) {
                const int64_t old = newStart + S;
                nominal += hop;
                double best = -2;
                for (int32_t d = -R; d <= R; ++d) best = std::max(best, ncc(old, nominal + d));
                newStart = nominal + ts.Offset();
                worstGap = std::max(worstGap, best - ncc(old, newStart));
            }
        }
        EXPECT_LT(worstGap, 0.02) << c.chans << " channels, factor " << c.factor << (c.chord ? " chord" : " voice");
    }
}

TEST(TimeStretch, SilenceStaysAtTheNominalPlace) {
    // Nothing to correlate: no offset, within the input and past its ends.
    const std::vector<int32_t> x(size_t(kRate) * 2 * 2, 0);
    for (double f : {0.5, 2.0, -1.0, 7.0}) {
        LSRCTimeStretch ts(MakeSource<VectorSource>(x, kRate, 2), f);
        ts.Seek(kRate);
        for (int32_t o : SegmentOffsets(ts, kRate / 2)) ASSERT_EQ(o, 0) << f;
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
    // up by one, and the nominal places must fall by one segment at a time.
    // Segment j >= 1 begins with the continuation of segment j - 1's
    // incoming stream, which started at its nominal place plus its offset;
    // the first incoming stream starts one segment before the position.
    const int32_t n = 20000, p = 18000;
    std::vector<int32_t> x(n);
    for (int32_t i = 0; i < n; ++i) x[i] = i;
    auto src = MakeSource<VectorSource>(x, kRate, 1);
    LSRCTimeStretch ts(src, -1.0);
    ts.Seek(p);
    EXPECT_EQ(ts.GetPosition(), p - kSegFrames);
    EXPECT_EQ(ts.GetLength(), 2 * ts.GetPosition());
    std::vector<int32_t> seg(kSegFrames);
    int32_t prevOffset = 0;
    for (int32_t j = 0; j < 30; ++j) {
        ts.Read(seg.data(), kSegFrames);
        const int32_t start = j == 0 ? p - kSegFrames : p - (j - 1) * kSegFrames + prevOffset;
        ASSERT_EQ(seg[0], start) << "segment " << j;
        for (int32_t k = 1; k < kSegFrames / 2; ++k) ASSERT_EQ(seg[k], seg[0] + k) << "segment " << j;
        EXPECT_EQ(ts.GetPosition(), p - j * kSegFrames) << "segment " << j;
        prevOffset = ts.Offset();
        ASSERT_LE(std::abs(prevOffset), ts.SearchRange());
    }
}

TEST(TimeStretch, ScanRampsReachTheirTargetAndPositionsStepByTheHop) {
    // The transport's scans: the hop moves towards the target at every
    // splice and holds it once the ramp time of input has been spliced; the
    // reported position steps by exactly the hop whatever the offsets.
    struct Case {
        int chans;
        double factor, target;
        int32_t rampMs;
    } cases[] = {{1, -4.0, 1.0, 500}, {2, 1.0, 3.0, 300}, {1, -10.0, 1.0, 300}, {2, 7.0, 1.0, 400}, {2, -7.0, -1.0, 200}};
    for (const Case& c : cases) {
        auto x = NoiseInput(6 * kRate, c.chans, 3);
        LSRCTimeStretch ts(MakeSource<VectorSource>(x, kRate, c.chans), c.factor, c.target, c.rampMs);
        ts.Seek(3 * kRate);
        const int32_t S = kSegFrames * c.chans, target = int32_t(S * c.target);
        const int32_t rampSegments = (c.rampMs * kRate / 1000 * c.chans + S - 1) / S;
        std::vector<int32_t> buf(static_cast<size_t>(S));
        int32_t hop = ts.Hop(), pos = ts.GetPosition();
        for (int32_t j = 0; j <= rampSegments + 3; ++j) {
            ts.Read(buf.data(), kSegFrames);
            if (j > 0) {
                // This segment's incoming stream is one hop (as it stood at
                // the splice) after the last one's, in whole frames (an odd
                // hop of a stereo stream rounds either way).
                const int32_t step = ts.GetPosition() - pos;
                EXPECT_LT(std::abs(step * c.chans - hop), c.chans) << c.factor << " segment " << j;
                EXPECT_LE(std::abs(target - ts.Hop()), std::abs(target - hop)) << c.factor << " segment " << j;
            }
            pos = ts.GetPosition();
            hop = ts.Hop();
        }
        EXPECT_EQ(ts.Hop(), target) << c.factor << " to " << c.target;
    }
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
