#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <random>

#include "core/LPump.h"
#include "core/LSRCConvertRate.h"
#include "support/TestUtil.h"
#include "support/ToneMeasure.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Uniform integers in [-amp, amp], rounded down to multiples of `unit`.
std::vector<int32_t> Noise(int32_t frames, uint32_t chans, int32_t amp, uint32_t seed, int32_t unit = 1) {
    std::mt19937 rng(seed);
    std::vector<int32_t> v(size_t(frames) * chans);
    for (auto& s : v) s = (int32_t(rng() % uint32_t(2 * (amp / unit) + 1)) - amp / unit) * unit;
    return v;
}

// Reads n frames in blocks of at most `block`.
std::vector<int32_t> ReadFrames(LSoundSourceBase& src, int32_t n, int32_t block = 8192) {
    std::vector<int32_t> out(size_t(n) * src.nChans);
    for (int32_t done = 0; done < n;) {
        int32_t k = std::min(block, n - done);
        src.Read(out.data() + size_t(done) * src.nChans, k);
        done += k;
    }
    return out;
}

LSoundSourcePtr Converter(const std::vector<int32_t>& in, uint32_t chans, int32_t rateIn, int32_t rateOut) {
    return MakeSource<LSRCConvertRate>(MakeSource<VectorSource>(in, rateIn, chans), rateOut);
}

// Silence of any claimed length, without storing it.
class LongSilence : public LSoundSourceBase {
public:
    LongSilence(int32_t length, int32_t rate) : LSoundSourceBase(rate, 1, kMax16), len_(length) {}
    void Read(int32_t* buffer, int32_t n) override {
        std::fill(buffer, buffer + n, 0);
        pos_ += n;
    }
    int32_t GetPosition() override { return pos_; }
    int32_t GetLength() override { return len_; }
    void Seek(int32_t p) override { pos_ = p; }

private:
    int32_t len_;
    int32_t pos_ = 0;
};

// The filter bank applied straight to the whole input with 64-bit sums, the
// samples scaled as the converter scales its buffer. Exact for inputs whose
// every block gets the same shift. Reports whether any half sum would not
// have fitted 32 bits.
std::vector<int32_t> DirectFilter(const LPolyphaseTable& t, const std::vector<int32_t>& in, uint32_t chans,
                                  int shift, int32_t frames, bool* wide = nullptr) {
    const int64_t len = int64_t(in.size() / chans);
    const int64_t half = (int64_t(1) << shift) >> 1;
    const int outShift = 15 - shift;
    const int64_t round = outShift > 0 ? (int64_t(1) << outShift) >> 1 : 0;
    std::vector<int32_t> out(size_t(frames) * chans);
    for (int64_t k = 0; k < frames; ++k) {
        int64_t centre = k * t.nStep / t.nPhases;
        const int32_t* row = t.Row(int32_t(k * t.nStep % t.nPhases));
        for (uint32_t c = 0; c < chans; ++c) {
            int64_t sums[2] = {0, 0};
            for (int i = 0; i < LPolyphaseTable::kTaps; ++i) {
                int64_t f = centre - LPolyphaseTable::kHalf + i;
                int64_t x = (f >= 0 && f < len) ? ((in[size_t(f) * chans + c] + half) >> shift) : 0;
                sums[i < 32 ? 0 : 1] += row[i] * x;
            }
            if (wide && (std::abs(sums[0]) > INT32_MAX || std::abs(sums[1]) > INT32_MAX)) *wide = true;
            int64_t v = (sums[0] >> 1) + (sums[1] >> 1) + round;
            v = outShift >= 0 ? v >> outShift : v * (int64_t(1) << -outShift);
            out[size_t(k) * chans + c] = int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
        }
    }
    return out;
}

}  // namespace

TEST(RateTable, PhasesAndStepByRationalApproximation) {
    // unity: the phases are low-passes with unity gain at DC (16 fractional
    // bits). Not so at 16:1 down, where the cut-off leaves the main lobe of
    // the sinc wider than the 63 taps.
    struct Case { int32_t in, out, phases, step; bool unity; };
    for (Case c : {Case{44100, 22050, 1, 2, true}, Case{22050, 44100, 2, 1, true}, Case{11025, 44100, 4, 1, true},
                   Case{44100, 48000, 37, 34, true}, Case{48000, 44100, 34, 37, true},
                   Case{44100, 32000, 37, 51, true}, Case{8000, 44100, 11, 2, true}, Case{96000, 6000, 1, 16, false},
                   Case{6000, 96000, 16, 1, true}}) {
        LPolyphaseTable t;
        t.Build(c.in, c.out);
        EXPECT_EQ(t.nPhases, c.phases) << c.in << "->" << c.out;
        EXPECT_EQ(t.nStep, c.step) << c.in << "->" << c.out;
        ASSERT_EQ(t.aCoefs.size(), size_t(c.phases) * LPolyphaseTable::kTaps);
        for (int32_t p = 0; p < t.nPhases && c.unity; ++p) {
            int64_t sum = 0;
            for (int i = 0; i < LPolyphaseTable::kTaps; ++i) sum += t.Row(p)[i];
            EXPECT_NEAR(double(sum), 65536.0, 65536 * 0.005) << c.in << "->" << c.out << " phase " << p;
        }
    }
    // Ratios beyond what 255 phases can express still advance the stream.
    LPolyphaseTable up;
    up.Build(1, 1000);
    EXPECT_GE(up.nStep, 1);
    LPolyphaseTable down;
    down.Build(20000, 2);
    EXPECT_EQ(down.nPhases, 1);
    EXPECT_EQ(down.nStep, 10000);
}

TEST(ConvertRate, LengthFollowsTheRatio) {
    struct Case { int32_t in, out, length, want; };
    for (Case c : {Case{44100, 22050, 44100, 22050}, Case{22050, 44100, 1000, 2000}, Case{44100, 48000, 44100, 47991},
                   Case{48000, 44100, 48000, 44108}, Case{8000, 44100, 8000, 44000}, Case{44100, 48000, 0, 0},
                   Case{44100, 48000, 1, 1},
                   // L * P does not fit 32 bits.
                   Case{48000, 44100, 2000000000, 1837837837}}) {
        auto conv = MakeSource<LSRCConvertRate>(MakeSource<LongSilence>(c.length, c.in), c.out);
        EXPECT_EQ(conv->GetLength(), c.want) << c.in << "->" << c.out << " " << c.length;
        EXPECT_EQ(conv->GetPosition(), 0);
    }
}

TEST(ConvertRate, FormatPeakBoundAndProcessor) {
    struct Case { int32_t bound, want; };
    for (Case c : {Case{kMax16, 2 * kMax16}, Case{0x100000, 0x200000}, Case{0x100001, 0x100001},
                   Case{kPeakBoundCutList, kPeakBoundCutList}}) {
        auto in = MakeSource<VectorSource>(std::vector<int32_t>(20), 22050, 2, c.bound);
        LSRCConvertRate conv(in, 44100);
        EXPECT_EQ(conv.iPeakBound, c.want) << c.bound;
        EXPECT_EQ(conv.nSampleRate, 44100);
        EXPECT_EQ(conv.nChans, 2);
        EXPECT_FALSE(conv.HasError());
    }
    auto in = MakeSource<VectorSource>(std::vector<int32_t>(20), 22050, 1);
    LSRCConvertRate zero(in, 0);
    EXPECT_TRUE(zero.HasError());
    EXPECT_EQ(zero.nSampleRate, 44100);
    EXPECT_EQ(zero.Table().nPhases, 2);  // converts to the fallback rate

    // The processor wraps only when there is a rate to change and no error.
    EXPECT_EQ(LSPConvRate(22050).OpenSource(in).Get(), in.Get());
    LSoundSourcePtr failed;  // the silent default source carries the error flag
    EXPECT_EQ(LSPConvRate(44100).OpenSource(failed).Get(), failed.Get());
    auto wrapped = LSPConvRate(48000).OpenSource(in);
    ASSERT_NE(wrapped.Get(), in.Get());
    EXPECT_EQ(wrapped->nSampleRate, 48000);
    EXPECT_EQ(wrapped->nChans, 1);
}

TEST(ConvertRate, SilenceGivesExactZeros) {
    for (uint32_t chans : {1u, 2u}) {
        for (auto [in, out] : {std::pair{44100, 48000}, {48000, 44100}, {44100, 22050}, {8000, 44100}}) {
            auto conv = Converter(std::vector<int32_t>(size_t(20000) * chans, 0), chans, in, out);
            std::vector<int32_t> got = ReadFrames(*conv, conv->GetLength() + 100, 1000);
            EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](int32_t s) { return s == 0; }))
                << chans << " " << in << "->" << out;
        }
    }
}

TEST(ConvertRate, BlockShiftIsTheSmallestThatFits16Bits) {
    struct Case { int32_t peak; int shift; };
    for (Case c : {Case{0, 0}, Case{32767, 0}, Case{-32768, 1}, Case{32768, 1}, Case{65535, 1}, Case{65536, 2},
                   Case{kMax16, 4}, Case{kFullScale, 5}, Case{-kFullScale, 5}, Case{kPeakBoundCutList, 7}}) {
        std::vector<int32_t> in(10000, 3);
        in[5000] = c.peak;
        auto src = MakeSource<VectorSource>(in, 44100, 1);
        LSRCConvertRate conv(src, 48000);
        int32_t frame;
        conv.Read(&frame, 1);  // the first read fetches the first block
        EXPECT_EQ(conv.BlockShift(), c.shift) << c.peak;
    }
}

TEST(ConvertRate, FullScaleIsScaledInTheBufferAndRestored) {
    // 441 Hz at 44100 Hz: every 100th sample is exactly +-524288.
    std::vector<int32_t> full = Sine(30000, 1, 44100, 441, kFullScale);
    std::vector<int32_t> quiet = Sine(30000, 1, 44100, 441, kFullScale / 32);
    ASSERT_EQ(*std::max_element(full.begin(), full.end()), kFullScale);
    ASSERT_EQ(*std::min_element(full.begin(), full.end()), -kFullScale);

    auto loud = Converter(full, 1, 44100, 48000);
    auto soft = Converter(quiet, 1, 44100, 48000);
    std::vector<int32_t> a = ReadFrames(*loud, 30000);
    std::vector<int32_t> b = ReadFrames(*soft, 30000);
    EXPECT_EQ(static_cast<LSRCConvertRate&>(*loud).BlockShift(), 5);
    EXPECT_EQ(static_cast<LSRCConvertRate&>(*soft).BlockShift(), 0);

    int32_t peak = 0;
    for (size_t i = 1000; i < 29000; ++i) {
        peak = std::max(peak, std::abs(a[i]));
        // The loud path loses nothing beyond rounding against 32 times the soft one.
        ASSERT_LE(std::abs(a[i] - 32 * b[i]), 100) << i;
    }
    EXPECT_NEAR(20 * std::log10(double(peak) / kFullScale), 0.0, 0.05) << peak;
}

TEST(ConvertRate, MatchesTheFilterAppliedDirectly) {
    // Inputs that keep one block shift throughout, so the direct 64-bit
    // filter is the exact expectation. Small noise and mid-level 16-bit noise
    // keep every half sum within 32 bits; full-level noise (unscaled or
    // 16-bit) and a full-scale square wave do not. Noise up to 65535 rounds
    // some samples to 32768 in the buffer; samples near 2^31 need a left
    // shift at the output, and saturate.
    enum Signal { kSmall, kFull, kLoud16, kMid16, kSquare, kCarry, kHuge };
    enum Wide { kNever, kSome, kMaybe };
    struct Case { int32_t in, out; uint32_t chans; Signal signal; int shift; Wide wide; int32_t frames; };
    const Case cases[] = {
        {44100, 48000, 2, kSmall, 0, kNever, 30000},  {48000, 44100, 1, kSmall, 0, kNever, 30000},
        {44100, 48000, 2, kFull, 0, kMaybe, 30000},   {44100, 22050, 2, kLoud16, 4, kMaybe, 30000},
        {22050, 44100, 1, kLoud16, 4, kMaybe, 30000}, {44100, 48000, 2, kMid16, 4, kNever, 30000},
        {44100, 48000, 2, kSquare, 4, kSome, 30000},  {48000, 44100, 1, kSquare, 4, kSome, 30000},
        {8000, 44100, 2, kSquare, 4, kSome, 30000},   {44100, 48000, 2, kCarry, 1, kMaybe, 30000},
        {48000, 44100, 1, kCarry, 1, kMaybe, 30000},  {44100, 48000, 2, kHuge, 16, kMaybe, 30000},
        // More than one block of input per output frame.
        {20000, 2, 1, kSmall, 0, kNever, 100000},
    };
    uint32_t seed = Seed();
    for (const Case& c : cases) {
        std::vector<int32_t> in;
        switch (c.signal) {
            case kSmall: in = Noise(c.frames, c.chans, 20000, seed++); break;
            case kFull: in = Noise(c.frames, c.chans, 32767, seed++); break;
            case kLoud16: in = Noise(c.frames, c.chans, kMax16, seed++, 16); break;
            case kMid16: in = Noise(c.frames, c.chans, 20000 * 16, seed++, 16); break;
            case kSquare:
                in.resize(size_t(c.frames) * c.chans);
                for (size_t i = 0; i < in.size(); ++i) in[i] = (i / c.chans) % 20 < 10 ? kMax16 : -kMax16;
                break;
            case kCarry:
                // Not in the last 63 frames of a block: restored as history,
                // 32768 << 1 would raise the next block's shift.
                in = Noise(c.frames, c.chans, 65534, seed++);
                for (size_t i = 0; i < in.size(); i += 1001) {
                    if ((i / c.chans) % 8192 < 8000) in[i] = 65535;
                }
                break;
            case kHuge: in = Noise(c.frames, c.chans, 1500000000, seed++); break;
        }
        auto conv = Converter(in, c.chans, c.in, c.out);
        auto& rc = static_cast<LSRCConvertRate&>(*conv);
        const int32_t n = conv->GetLength();
        bool wide = false;
        std::vector<int32_t> want = DirectFilter(rc.Table(), in, c.chans, c.shift, n, &wide);
        if (c.wide != kMaybe) {
            EXPECT_EQ(wide, c.wide == kSome) << c.in << "->" << c.out << " signal " << c.signal;
        }
        std::vector<int32_t> got = ReadFrames(*conv, n, 997);  // blocks that straddle refills
        EXPECT_EQ(rc.BlockShift(), c.shift);
        ASSERT_EQ(got.size(), want.size());
        size_t bad = 0;
        for (size_t i = 0; i < got.size() && bad < 5; ++i) {
            if (got[i] != want[i]) {
                ++bad;
                ADD_FAILURE() << c.in << "->" << c.out << " ch " << c.chans << " signal " << c.signal << " sample " << i
                              << ": " << got[i] << " want " << want[i];
            }
        }
        EXPECT_EQ(conv->GetPosition(), n);
    }
}

TEST(ConvertRate, SeekThenReadEqualsReadingFromTheStart) {
    uint32_t seed = Seed();
    for (auto [rin, rout] : {std::pair{44100, 48000}, {48000, 44100}, {44100, 22050}, {11025, 44100}, {8000, 44100}}) {
        for (uint32_t chans : {1u, 2u}) {
            // Samples within 16 bits are never rescaled, so the output does not
            // depend on where the blocks start.
            std::vector<int32_t> in = Noise(40000, chans, 32767, seed++);
            auto ref = Converter(in, chans, rin, rout);
            const int32_t len = ref->GetLength();
            std::vector<int32_t> all = ReadFrames(*ref, len);
            for (int32_t p : {0, 1, 2, 33, 36, 37, 38, 8191, 8192, 8193, 12345, len - 5}) {
                auto conv = Converter(in, chans, rin, rout);
                conv->Seek(p);
                EXPECT_EQ(conv->GetPosition(), p);
                const int32_t m = std::min(9000, len - p);
                std::vector<int32_t> got = ReadFrames(*conv, m, 3000);
                EXPECT_EQ(conv->GetPosition(), p + m);
                ASSERT_TRUE(std::equal(got.begin(), got.end(), all.begin() + size_t(p) * chans))
                    << rin << "->" << rout << " chans " << chans << " seek " << p;
            }
            // Before the start: the frames from 0 on are the same as from the
            // start, and the ones before agree with a seek further back.
            auto conv = Converter(in, chans, rin, rout);
            conv->Seek(-100);
            EXPECT_EQ(conv->GetPosition(), -100);
            std::vector<int32_t> got = ReadFrames(*conv, 300);
            EXPECT_TRUE(std::equal(got.begin() + 100 * chans, got.end(), all.begin()))
                << rin << "->" << rout << " chans " << chans;
            auto earlier = Converter(in, chans, rin, rout);
            earlier->Seek(-137);
            std::vector<int32_t> more = ReadFrames(*earlier, 337);
            EXPECT_TRUE(std::equal(got.begin(), got.end(), more.begin() + 37 * chans))
                << rin << "->" << rout << " chans " << chans;
        }
    }
}

TEST(ConvertRate, SeekDoesNotDependOnWhatWasReadBefore) {
    // Loud material with arbitrary low bits: the block scaling rounds, so
    // output after a seek may differ from a straight read by rounding, but
    // a used converter must give exactly what a fresh one gives.
    // Loudness changes every 20000 frames, so the block shift depends on
    // where the blocks start.
    std::vector<int32_t> in = Noise(60000, 2, 1500000, Seed());
    for (size_t i = 0; i < in.size(); ++i) {
        if ((i / 2 / 20000) % 2) in[i] /= 40;
    }
    auto straight = Converter(in, 2, 44100, 48000);
    std::vector<int32_t> all = ReadFrames(*straight, straight->GetLength());
    auto used = Converter(in, 2, 44100, 48000);
    ReadFrames(*used, 20000, 4000);
    for (int32_t p : {12345, 100, 40000, 0}) {
        auto fresh = Converter(in, 2, 44100, 48000);
        fresh->Seek(p);
        used->Seek(p);
        std::vector<int32_t> a = ReadFrames(*fresh, 25000);
        std::vector<int32_t> b = ReadFrames(*used, 25000);
        ASSERT_EQ(a, b) << p;
        int32_t maxDiff = 0;
        for (size_t i = 0; i < a.size(); ++i) maxDiff = std::max(maxDiff, std::abs(a[i] - all[size_t(p) * 2 + i]));
        // Scaling by 2^6 instead of 2^1 moves a sample by at most 33; the
        // taps' absolute sum is below 3 (16 fractional bits).
        EXPECT_LE(maxDiff, 100) << p;
    }
}

TEST(ConvertRate, PastTheEndGivesZerosAndThePositionGrows) {
    for (auto [rin, rout] : {std::pair{44100, 48000}, {48000, 44100}, {22050, 44100}}) {
        const int32_t len = 20000;
        std::vector<int32_t> in = Noise(len, 2, kMax16, Seed(), 16);
        auto conv = Converter(in, 2, rin, rout);
        auto& rc = static_cast<LSRCConvertRate&>(*conv);
        const int32_t outLen = conv->GetLength();
        std::vector<int32_t> got = ReadFrames(*conv, outLen + 20000, 5000);
        EXPECT_EQ(conv->GetPosition(), outLen + 20000);
        // Output frames whose leftmost tap is past the input's end.
        int64_t firstSilent = (int64_t(len) + LPolyphaseTable::kHalf + 1) * rc.Table().nPhases / rc.Table().nStep + 1;
        ASSERT_LT(firstSilent, outLen + 100);
        for (size_t i = size_t(firstSilent) * 2; i < got.size(); ++i) ASSERT_EQ(got[i], 0) << i;
        // The material itself reaches the last frame of the length.
        EXPECT_NE(got[size_t(outLen - 40) * 2], 0);
    }
}

TEST(ConvertRate, PumpWritesExactlyTheConvertedLength) {
    for (int32_t frames : {1, 100, 8192, 20000}) {
        for (auto [rin, rout] : {std::pair{44100, 48000}, {48000, 44100}, {22050, 44100}}) {
            std::vector<int32_t> in = Noise(frames, 2, 30000, Seed());
            std::vector<int32_t> out;
            LPRSourceToSink rec{"Converting", MakeSource<VectorSource>(in, rin, 2), MakeSink<VectorSink>(&out, rout, 2)};
            LNullProgress np;
            ASSERT_EQ(Process(&np, rec), kProcessDone);
            auto conv = Converter(in, 2, rin, rout);
            std::vector<int32_t> want = ReadFrames(*conv, conv->GetLength());
            EXPECT_EQ(out, want) << frames << " " << rin << "->" << rout;
        }
    }
}

TEST(ConvertRate, OtherChannelCountsLeaveTheBufferButMoveOn) {
    auto conv = Converter(std::vector<int32_t>(size_t(10000) * 3, 4000), 3, 44100, 48000);
    EXPECT_EQ(conv->nChans, 3);
    std::vector<int32_t> buf(size_t(3) * 5000, -7);
    conv->Read(buf.data(), 5000);
    EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](int32_t s) { return s == -7; }));
    EXPECT_EQ(conv->GetPosition(), 5000);

    // The pump still comes to an end.
    std::vector<int32_t> out;
    LPRSourceToSink rec{"x", MakeSource<VectorSource>(std::vector<int32_t>(size_t(10000) * 3, 4000), 44100, 3),
                        MakeSink<VectorSink>(&out, 48000, 3)};
    LNullProgress np;
    EXPECT_EQ(Process(&np, rec), kProcessDone);
    EXPECT_EQ(out.size(), size_t(3) * conv->GetLength());
}

namespace {

struct ToneFigures {
    double levelDb;     // tone level out against in
    double spurDb;      // largest other component against the tone
    double spurHz;      // where it is, at the output rate
    double residualDb;  // everything but the tone, as a power ratio
};

// Converts a 1 kHz tone and measures what comes out: the tone is fitted by
// least squares at its exact output frequency (the converter runs at
// rateIn * nPhases / nStep), removed, and the remainder's spectrum is scanned
// through a 4-term Blackman-Harris window.
ToneFigures MeasureTone(int32_t rateIn, int32_t rateOut) {
    const double amp = 16384.0 * 16;  // -6 dBFS, on the 16-bit grid
    const int32_t inFrames = rateIn * 3;
    std::vector<int32_t> in(inFrames);
    for (int32_t i = 0; i < inFrames; ++i) in[i] = int32_t(std::lround(16384.0 * std::sin(2 * kPi * 1000.0 * i / rateIn))) * 16;
    auto conv = Converter(in, 1, rateIn, rateOut);
    const LPolyphaseTable& t = static_cast<LSRCConvertRate&>(*conv).Table();
    std::vector<int32_t> out = ReadFrames(*conv, conv->GetLength());

    const size_t n = 65536, start = 8192;
    EXPECT_GE(out.size(), start + n + 1000);
    const double w = 2 * kPi * 1000.0 * t.nStep / (double(t.nPhases) * rateIn);
    // Normal equations for y = a sin + b cos + d.
    double m[3][4] = {};
    for (size_t i = 0; i < n; ++i) {
        double k = double(start + i);
        double f[3] = {std::sin(w * k), std::cos(w * k), 1.0};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) m[r][c] += f[r] * f[c];
            m[r][3] += f[r] * out[start + i];
        }
    }
    for (int p = 0; p < 3; ++p) {
        for (int r = p + 1; r < 3; ++r) {
            double q = m[r][p] / m[p][p];
            for (int c = p; c < 4; ++c) m[r][c] -= q * m[p][c];
        }
    }
    double coef[3];
    for (int r = 2; r >= 0; --r) {
        double s = m[r][3];
        for (int c = r + 1; c < 3; ++c) s -= m[r][c] * coef[c];
        coef[r] = s / m[r][r];
    }
    const double tone = std::hypot(coef[0], coef[1]);

    std::vector<std::complex<double>> spectrum(n);
    double wsum = 0, resPower = 0;
    for (size_t i = 0; i < n; ++i) {
        double k = double(start + i);
        double res = out[start + i] - (coef[0] * std::sin(w * k) + coef[1] * std::cos(w * k) + coef[2]);
        double x = 2 * kPi * double(i) / double(n);
        double win = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        wsum += win;
        resPower += res * res;
        spectrum[i] = res * win;
    }
    Fft(spectrum);
    double spur = 0;
    size_t at = 0;
    for (size_t k = 1; k < n / 2; ++k) {
        double a = 2 * std::abs(spectrum[k]) / wsum;  // amplitude of a sinusoid in bin k
        if (a > spur) {
            spur = a;
            at = k;
        }
    }
    ToneFigures fig;
    fig.levelDb = 20 * std::log10(tone / amp);
    fig.spurDb = 20 * std::log10(spur / tone);
    fig.spurHz = double(at) * rateOut / double(n);
    fig.residualDb = 10 * std::log10((resPower / double(n)) / (tone * tone / 2));
    return fig;
}

}  // namespace

TEST(ConvertRate, ToneKeepsItsLevelAndAliasesStayLow) {
    struct Case { int32_t in, out; double maxSpurDb; };
    for (Case c : {Case{44100, 48000, -58.0}, Case{48000, 44100, -76.0}}) {
        ToneFigures f = MeasureTone(c.in, c.out);
        std::printf("[ figures  ] 1 kHz at -6 dBFS, %d -> %d: level %+.4f dB, largest other component %.1f dB "
                    "below the tone (at %.0f Hz), all residue %.1f dB below the tone\n",
                    c.in, c.out, f.levelDb, -f.spurDb, f.spurHz, -f.residualDb);
        EXPECT_LT(std::abs(f.levelDb), 0.1) << c.in << "->" << c.out;
        EXPECT_LT(f.spurDb, c.maxSpurDb) << c.in << "->" << c.out;
    }
}
