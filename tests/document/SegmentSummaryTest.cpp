#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "DocTestUtil.h"
#include "core/LSample.h"
#include "document/LCutListAudio.h"
#include "document/LSegmentSummary.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

// The extremes a reader delivers over [from, to) of a list, sample by sample.
LPeakRange ReadExtremes(const LCutListAudio& list, int32_t from, int32_t to) {
    LSoundSourcePtr src = CreateSource(list);
    src->Seek(from);
    LPeakRange r;
    std::vector<int32_t> buf(size_t(kMaxBlockFrames) * list.nChans);
    for (int32_t left = to - from; left > 0;) {
        int32_t k = std::min(left, kMaxBlockFrames);
        src->Read(buf.data(), k);
        AddSamples(r, buf.data(), size_t(k) * list.nChans);
        left -= k;
    }
    return r;
}

bool PeaksOf(const LCutListAudio& list, int32_t from, int32_t to, LPeakRange& r) {
    LSoundSourcePtr src = CreateSource(list);
    auto* peaks = dynamic_cast<LPeakRangeSource*>(src.Get());
    return peaks && peaks->ReadPeakRange(from, to, r);
}

std::vector<int32_t> Noise(int32_t frames, uint32_t chans, std::mt19937& rng, int32_t amplitude = 600000) {
    std::uniform_int_distribution<int32_t> d(-amplitude, amplitude);
    std::vector<int32_t> v(size_t(frames) * chans);
    for (auto& s : v) s = d(rng);
    return v;
}

uint16_t IndexOf(const LCutListAudio& l) { return l.lstCuts.GetHead()->data.nIndex; }

// Every stretch of a list (random ones plus every edge near a block
// boundary) must give the reader's own extremes.
void ExpectPeaksMatchReader(const LCutListAudio& list, std::mt19937& rng, int rounds) {
    int32_t len = list.GetLength();
    std::uniform_int_distribution<int32_t> pos(-300, len + 300);
    for (int i = 0; i < rounds; ++i) {
        int32_t a = pos(rng), b = pos(rng);
        if (a > b) std::swap(a, b);
        LPeakRange fast;
        ASSERT_TRUE(PeaksOf(list, a, b, fast)) << a << ".." << b;
        LPeakRange slow = ReadExtremes(list, a, b);
        ASSERT_EQ(fast.lo, slow.lo) << a << ".." << b;
        ASSERT_EQ(fast.hi, slow.hi) << a << ".." << b;
    }
}

class SegmentSummary : public TankTest {};

}  // namespace

// The writer's summary holds exactly what the segment holds, however the
// writes were cut up and wherever the writer moved.
TEST_F(SegmentSummary, WriterSummaryMatchesTheSegment) {
    uint32_t seed = Seed();
    std::printf("seed %u\n", seed);
    std::mt19937 rng(seed);
    struct Case {
        const char* name;
        int32_t frames;
        uint32_t chans;
        int32_t piece;       // frames per Write
        int32_t seekTo;      // -1: none; else Seek there after writing everything
        int32_t rewrite;     // frames written after the seek
    } cases[] = {
        {"empty", 0, 1, 1, -1, 0},
        {"one frame", 1, 2, 1, -1, 0},
        {"block minus one", 255, 1, 100, -1, 0},
        {"exactly one block", 256, 2, 256, -1, 0},
        {"block plus one", 257, 1, 7, -1, 0},
        {"odd pieces stereo", 5000, 2, 333, -1, 0},
        {"seek back and rewrite", 3000, 1, 500, 1100, 700},
        {"seek back, keep the tail", 3000, 2, 8192, 650, 0},
        {"seek to a block edge", 2048, 1, 1000, 512, 300},
        {"seek past the end", 700, 1, 700, 2000, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int32_t> first = Noise(c.frames, c.chans, rng);
        std::vector<int32_t> second = Noise(c.rewrite, c.chans, rng, 2000000);
        LCutListAudio list;
        {
            LSoundSinkPtr sink = CreateSink(list, 44100, c.chans);
            for (int32_t done = 0; done < c.frames;) {
                int32_t n = std::min(c.piece, c.frames - done);
                sink->Write(first.data() + size_t(done) * c.chans, n);
                done += n;
            }
            if (c.seekTo >= 0) {
                sink->Seek(c.seekTo);
                if (c.rewrite) sink->Write(second.data(), c.rewrite);
            }
        }
        // The cut covers what the writer's position says; the file may be
        // longer (a seek back keeps the tail). Look at the whole file too.
        LCutListAudio whole = list;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(LFile::ReadAll(Tank().GetAudFilePath(IndexOf(list)).c_str(), bytes));
        whole.lstCuts.GetHead()->data.nLength = int32_t(bytes.size() / (4 * c.chans));
        ASSERT_TRUE(LFile::Exists(SummaryPath(Tank().GetAudFilePath(IndexOf(list))).c_str()));
        ExpectPeaksMatchReader(list, rng, 40);
        ExpectPeaksMatchReader(whole, rng, 40);
    }
}

// Cuts with gains: amplified, attenuated, silenced, silent cuts and cuts
// that start inside blocks, on a list of many cuts.
TEST_F(SegmentSummary, CutListPeaksWithGainsMatchTheReader) {
    uint32_t seed = Seed();
    std::printf("seed %u\n", seed);
    std::mt19937 rng(seed);
    LCutListAudio a = MakeSegment(Noise(20000, 2, rng), 2);
    LCutListAudio b = MakeSegment(Noise(3000, 2, rng, 100000), 2);
    const int32_t gains[] = {kUnityGain, kUnityGain, kUnityGain / 2, kUnityGain * 3, 0, 33554400, 1};
    LCutListAudio list(44100, 2);
    std::uniform_int_distribution<int32_t> pick(0, 6);
    for (int i = 0; i < 60; ++i) {
        const LCutListAudio& src = (i % 3) ? a : b;
        int32_t segLen = src.GetLength();
        int32_t start = std::uniform_int_distribution<int32_t>(0, segLen - 1)(rng);
        int32_t len = std::uniform_int_distribution<int32_t>(0, std::min(segLen - start, 2500))(rng);
        if (i % 11 == 5) {
            list.lstCuts.AddTail(LAudioCut(kSilentIndex, len));
        } else {
            list.lstCuts.AddTail(LAudioCut(IndexOf(src), len, gains[pick(rng)], start));
        }
    }
    ExpectPeaksMatchReader(list, rng, 300);
}

// A summary is used only while it describes its segment as the file is now.
TEST_F(SegmentSummary, MismatchedSummaryIsNotUsedAndCanBeBuiltAgain) {
    std::mt19937 rng(7);
    LCutListAudio list = MakeSegment(Noise(1000, 2, rng), 2);
    std::string seg = Tank().GetAudFilePath(IndexOf(list));
    LPeakRange r;
    ASSERT_TRUE(PeaksOf(list, 0, 1000, r));

    // The segment changed behind the summary's back (damaged folder).
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(LFile::ReadAll(seg.c_str(), bytes));
    bytes.resize(bytes.size() - 8 * 300);
    ASSERT_TRUE(LFile::WriteAll(seg.c_str(), bytes.data(), bytes.size()));
    LPeakRange none{-5, 5};
    EXPECT_FALSE(PeaksOf(list, 0, 1000, none));
    EXPECT_EQ(none.lo, -5);  // untouched when refused
    EXPECT_EQ(none.hi, 5);

    // The same file read as mono does not match a stereo summary either.
    LCutListAudio mono = list;
    mono.nChans = 1;
    ASSERT_TRUE(BuildSegmentSummary(seg, 2));
    EXPECT_FALSE(PeaksOf(mono, 0, 100, none));

    // Built again from the segment alone, it serves the reader exactly.
    ExpectPeaksMatchReader(list, rng, 50);

    // No summary at all: refused, and rebuilding brings it back.
    DeleteSegmentSummary(seg);
    EXPECT_FALSE(PeaksOf(list, 0, 10, none));
    ASSERT_TRUE(BuildSegmentSummary(seg, 2));
    EXPECT_TRUE(PeaksOf(list, 0, 10, none));
}

// Summaries live and die with their segments.
TEST_F(SegmentSummary, TankDeletesTheSummaryWithItsSegment) {
    std::mt19937 rng(3);
    uint16_t index;
    std::string summary;
    {
        LCutListAudio list = MakeSegment(Noise(600, 1, rng));
        index = IndexOf(list);
        summary = SummaryPath(Tank().GetAudFilePath(index));
        EXPECT_TRUE(LFile::Exists(summary.c_str()));
    }
    EXPECT_FALSE(LFile::Exists(summary.c_str()));

    // A leftover summary of an earlier run does not survive a new segment
    // of the same index, even when the new one cannot be summarized.
    std::vector<uint8_t> junk(16 + 8 * 3, 0);
    ASSERT_TRUE(LFile::WriteAll(summary.c_str(), junk.data(), junk.size()));
    LCutListAudio again = MakeSegment(Noise(10, 1, rng));
    ASSERT_EQ(IndexOf(again), index);
    ExpectPeaksMatchReader(again, rng, 10);

    // And the tank's end removes every summary in its folder.
    ASSERT_TRUE(LFile::WriteAll((szDir + "/77.pks").c_str(), junk.data(), junk.size()));
    pScope.reset();
    EXPECT_TRUE(LFile::List(szDir.c_str(), ".pks").empty());
}

TEST(SegmentSummaryPath, ReplacesTheExtensionOfTheFileOnly) {
    EXPECT_EQ(SummaryPath("C:\\data\\Current\\12.aud"), "C:\\data\\Current\\12.pks");
    EXPECT_EQ(SummaryPath("/tmp/a.b/3.aud"), "/tmp/a.b/3.pks");
    EXPECT_EQ(SummaryPath("/tmp/a.b/3"), "/tmp/a.b/3.pks");
}

// The order-keeping test that lets summaries pass through a cut gain: when
// it says yes, the products of the extremes bound every product.
TEST(SegmentSummaryGain, GainKeepsOrderOnlyWhereMulGainIsMonotone) {
    uint32_t seed = Seed();
    std::printf("seed %u\n", seed);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    std::uniform_int_distribution<int32_t> gainPick(0, 0x7FFFFFFF);
    int accepted = 0;
    for (int i = 0; i < 20000; ++i) {
        int32_t g = (i & 1) ? gainPick(rng) >> std::uniform_int_distribution<int>(0, 12)(rng) : gainPick(rng);
        int32_t shift = std::uniform_int_distribution<int>(0, 12)(rng);
        int32_t lo = std::min(0, any(rng) >> shift), hi = std::max(0, any(rng) >> shift);
        if (!GainKeepsOrder(lo, hi, g)) continue;
        ++accepted;
        int32_t s = std::uniform_int_distribution<int32_t>(lo, hi)(rng);
        ASSERT_LE(MulGain(lo, g), MulGain(s, g)) << lo << " " << s << " " << g;
        ASSERT_LE(MulGain(s, g), MulGain(hi, g)) << s << " " << hi << " " << g;
        ASSERT_LE(MulGain(s, g), MulGain(s + (s < hi), g));
    }
    EXPECT_GT(accepted, 1000);
    EXPECT_FALSE(GainKeepsOrder(-1, 1, -kUnityGain));
    EXPECT_FALSE(GainKeepsOrder(INT32_MIN, 0, 0x7FFFFFFF));
    EXPECT_TRUE(GainKeepsOrder(-kPeakBoundCutList, kPeakBoundCutList, 33554400));
}
