#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "document/LAudioCutTank.h"
#include "document/LCutListAudio.h"
#include "support/TestUtil.h"
#include "ui/LDBGainSource.h"
#include "ui/LWaveScan.h"

using namespace sondrel;

namespace {

class WaveScan : public ::testing::Test {
protected:
    void SetUp() override { pScope = std::make_unique<LCutTankScope>(test::ScratchDir("wavescan")); }
    void TearDown() override { pScope.reset(); }
    std::unique_ptr<LCutTankScope> pScope;
};

LCutListAudio Segment(const std::vector<int32_t>& samples, uint32_t chans) {
    LCutListAudio list;
    {
        LSoundSinkPtr sink = CreateSink(list, 44100, chans);
        int32_t frames = int32_t(samples.size() / chans);
        for (int32_t done = 0; done < frames;) {
            int32_t n = std::min(frames - done, 5000);
            sink->Write(samples.data() + size_t(done) * chans, n);
            done += n;
        }
    }
    return list;
}

std::vector<uint8_t> Columns(const LWaveView& v) { return std::vector<uint8_t>(v.columns, v.columns + v.nWidth); }

// Counts what the scanner asked of its source.
class CountingHost : public LWaveScanHost {
public:
    explicit CountingHost(LWaveView& v, int32_t stopAfter = -1) : view(v), nStopAfter(stopAfter) {}
    void StoreColumn(int32_t c, uint8_t h) override {
        view.columns[c] = h;
        order.push_back(c);
    }
    bool IsToStop() override { return nStopAfter >= 0 && int32_t(order.size()) >= nStopAfter; }
    LWaveView& view;
    int32_t nStopAfter;
    std::vector<int32_t> order;
};

}  // namespace

// A known waveform: ten columns of ten samples each, with one loud sample
// per column, give the heights of the Part's rule.
TEST(WaveScanPlain, ColumnHeightsFollowThePeakRule) {
    const int32_t peaks[] = {0, 1023, 1024, 5000, -5000, 261120, 261121, -261121, 0x7FFF0, -0x80000};
    const uint8_t heights[] = {0, 0, 1, 4, 4, 255, 255, 255, 255, 255};
    std::vector<int32_t> s(200, 0);  // stereo, 100 frames
    for (int c = 0; c < 10; ++c) s[size_t(c * 10 + 3) * 2 + (c & 1)] = peaks[c];
    LWaveScanner scanner(MakeSource<test::VectorSource>(s, 44100, 2));
    LWaveView v;
    v.Size(12, 20);  // 10 columns
    ScanView(v, scanner, 0, 100);
    EXPECT_EQ(Columns(v), std::vector<uint8_t>(heights, heights + 10));
    EXPECT_EQ(LWaveView::ColumnHeight(261119), 254);
}

TEST(WaveScanPlain, StopsAtOnceAndWithoutScaleShowsNothing) {
    std::vector<int32_t> s(1000, 300000);
    LWaveScanner scanner(MakeSource<test::VectorSource>(s, 44100, 1));
    LWaveView v;
    v.Size(102, 20);
    LViewChange ch = v.SetView(0, 1000);
    CountingHost stopper(v, 7);
    EXPECT_FALSE(scanner.Compute(v, ch.from, ch.to, stopper));
    EXPECT_EQ(stopper.order.size(), 7u);
    EXPECT_EQ(v.columns[6], 255);
    EXPECT_EQ(v.columns[7], 0);

    v.SetView(0, 0);
    CountingHost all(v);
    EXPECT_TRUE(scanner.Compute(v, 0, 100, all));
    EXPECT_EQ(Columns(v), std::vector<uint8_t>(100, 0));
}

// The heart of the instant waveforms: on random cut lists (many cuts,
// stretches that start and end inside summary blocks, silent cuts, cut
// gains, with and without the +18 dB display gain) the columns computed
// from summaries equal the plain scan's, for overviews, zooms and scrolls.
TEST_F(WaveScan, SummariesGiveThePlainScansColumns) {
    uint32_t seed = test::Seed();
    std::printf("seed %u\n", seed);
    std::mt19937 rng(seed);
    const uint32_t chans = 2;
    std::vector<LCutListAudio> segs;
    for (int i = 0; i < 4; ++i) {
        int32_t frames = std::uniform_int_distribution<int32_t>(3000, 40000)(rng);
        int32_t amp = (i == 3) ? 2000000 : std::uniform_int_distribution<int32_t>(1000, 700000)(rng);
        std::uniform_int_distribution<int32_t> d(-amp, amp);
        std::vector<int32_t> s(size_t(frames) * chans);
        // Quiet (height 0) with sparse spikes, so that a column's height
        // hangs on single samples, also those at the edges of blocks.
        std::uniform_int_distribution<int32_t> quiet(-1000, 1000);
        std::uniform_int_distribution<int32_t> spike(0, 299);
        for (size_t k = 0; k < s.size(); ++k) s[k] = spike(rng) == 0 ? d(rng) : quiet(rng);
        segs.push_back(Segment(s, chans));
    }
    const int32_t gains[] = {kUnityGain, kUnityGain, kUnityGain / 3, 3 * kUnityGain, 0, 0x7FFFFFFF, -kUnityGain};
    int64_t fromSummaries = 0, read = 0;
    for (int round = 0; round < 6; ++round) {
        LCutListAudio list(44100, chans);
        int cuts = std::uniform_int_distribution<int>(1, 120)(rng);
        for (int i = 0; i < cuts; ++i) {
            const LCutListAudio& src = segs[std::uniform_int_distribution<size_t>(0, segs.size() - 1)(rng)];
            const LAudioCut& whole = src.lstCuts.GetHead()->data;
            int32_t start = std::uniform_int_distribution<int32_t>(0, whole.nLength - 1)(rng);
            int32_t len = std::uniform_int_distribution<int32_t>(0, whole.nLength - start)(rng);
            if (i % 9 == 4) {
                list.lstCuts.AddTail(LAudioCut(kSilentIndex, len));
            } else {
                int32_t g = gains[std::uniform_int_distribution<int>(0, 6)(rng)];
                list.lstCuts.AddTail(LAudioCut(whole.nIndex, len, g, start));
            }
        }
        int32_t length = list.GetLength();
        for (int8_t dB : {int8_t(0), int8_t(18)}) {
            SCOPED_TRACE(testing::Message() << "round " << round << ", " << cuts << " cuts, " << int(dB) << " dB");
            LSoundSourcePtr fastSrc = CreateSource(list), plainSrc = CreateSource(list);
            if (dB) {
                fastSrc = LSPDBGain(dB).OpenSource(fastSrc);
                plainSrc = LSPDBGain(dB).OpenSource(plainSrc);
            }
            LWaveScanner fast(fastSrc), plain(plainSrc);
            plain.UseSummaries(false);
            int32_t clientW = std::uniform_int_distribution<int32_t>(3, 1400)(rng);
            LWaveView vf, vp;
            vf.Size(clientW, 60);
            vp.Size(clientW, 60);
            // Overview, then random zooms and scrolls of the same length.
            int32_t viewLen = std::max(length, 1);
            int32_t start = 0;
            for (int step = 0; step < 8; ++step) {
                if (step > 0 && step % 3 == 0) {
                    viewLen = std::uniform_int_distribution<int32_t>(1, std::max(length, 1) * 2)(rng);
                    start = std::uniform_int_distribution<int32_t>(0, std::max(length, 1))(rng);
                } else if (step > 0) {
                    start = std::max(0, start + std::uniform_int_distribution<int32_t>(-viewLen / 2, viewLen / 2)(rng));
                }
                ScanView(vf, fast, start, viewLen);
                ScanView(vp, plain, start, viewLen);
                ASSERT_EQ(Columns(vf), Columns(vp)) << "view " << start << "+" << viewLen;
            }
            fromSummaries += fast.SummaryColumns();
            read += fast.ReadColumns();
            EXPECT_EQ(plain.SummaryColumns(), 0);
        }
    }
    // Both paths were taken (gains that wrap or invert read the samples).
    std::printf("columns from summaries %lld, read %lld\n", (long long)fromSummaries, (long long)read);
    EXPECT_GT(fromSummaries, read);
    EXPECT_GT(read, 0);
}

// After scrolls, the columns kept and those recomputed equal a fresh
// computation of the same view.
TEST_F(WaveScan, ScrolledColumnsEqualAFreshView) {
    uint32_t seed = test::Seed();
    std::printf("seed %u\n", seed);
    std::mt19937 rng(seed);
    std::vector<int32_t> s(200000);
    for (size_t k = 0; k < s.size(); ++k) s[k] = int32_t((k * 7919) % 600000) - ((k / 3000) % 2 ? 0 : 300000);
    LSoundSourcePtr src = MakeSource<test::VectorSource>(s, 44100, 1);
    LWaveScanner scroller(src), fresh(src);
    LWaveView v;
    v.Size(302, 40);
    int32_t start = 50000;
    ScanView(v, scroller, start, 30000);
    for (int i = 0; i < 30; ++i) {
        int32_t step = std::uniform_int_distribution<int32_t>(-40000, 40000)(rng);
        if (i % 4 == 0) step = std::uniform_int_distribution<int32_t>(-200, 200)(rng);  // less than a column or two
        start = std::clamp(start + step, 0, 170000);
        ScanView(v, scroller, start, 30000);
        LWaveView w;
        w.Size(302, 40);
        ScanView(w, fresh, start, 30000);
        ASSERT_EQ(Columns(v), Columns(w)) << "start " << start;
    }
}

// A gain that would wrap the samples passes no summary: the display reads
// the samples and shows what the plain scan shows.
TEST_F(WaveScan, DisplayGainRefusesWhereItWouldWrap) {
    std::vector<int32_t> s(4000, 0);
    s[1000] = 1900000;  // amplified by 18 dB this wraps in 32 bits
    s[3000] = 1000;
    LCutListAudio list = Segment(s, 1);
    LSoundSourcePtr src = LSPDBGain(18).OpenSource(CreateSource(list));
    auto* gain = dynamic_cast<LSRCDBGain*>(src.Get());
    ASSERT_NE(gain, nullptr);
    EXPECT_EQ(gain->Gain(), 4066);
    EXPECT_EQ(src->iPeakBound, kPeakBoundCutList);
    LPeakRange r;
    EXPECT_FALSE(gain->ReadPeakRange(0, 4000, r));
    EXPECT_TRUE(gain->ReadPeakRange(2000, 4000, r));
    EXPECT_EQ(r.hi, (4066 * 1000) >> 9);

    // Read applies the same 32-bit arithmetic.
    std::vector<int32_t> out(4000);
    src->Seek(0);
    for (int32_t p = 0; p < 4000; p += 1000) src->Read(out.data() + p, 1000);
    EXPECT_EQ(out[3000], (4066 * 1000) >> 9);
    EXPECT_EQ(out[1000], int32_t(uint32_t(4066) * uint32_t(1900000)) >> 9);

    // And 0 dB is unity.
    LSRCDBGain unity(CreateSource(list), 0);
    EXPECT_EQ(unity.Gain(), 512);
}
