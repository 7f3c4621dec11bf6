#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "DocTestUtil.h"
#include "core/LPump.h"
#include "document/LCutListAudio.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

class CutListReader : public TankTest {
protected:
    // Two segments: A mono 200 frames of Ramp(…, 1), B mono 30 frames of Ramp(…, 5000).
    void SetUp() override {
        TankTest::SetUp();
        segA = MakeSegment(Ramp(200, 1, 1));
        segB = MakeSegment(Ramp(30, 1, 5000));
        a = segA.lstCuts.GetHead()->data.nIndex;
        b = segB.lstCuts.GetHead()->data.nIndex;
    }
    // [A: start 100, length 50], [silence 20], [A: start 0, length 10], [B: start 5, length 15, gain g]
    LCutListAudio Layout(int32_t gainB = kUnityGain) {
        LCutListAudio l;
        l.lstCuts.AddTail(LAudioCut(a, 50, kUnityGain, 100));
        l.lstCuts.AddTail(LAudioCut(kSilentIndex, 20));
        l.lstCuts.AddTail(LAudioCut(a, 10, kUnityGain, 0));
        l.lstCuts.AddTail(LAudioCut(b, 15, gainB, 5));
        return l;
    }
    std::vector<int32_t> Expected(int32_t gainB = kUnityGain) {
        std::vector<int32_t> v;
        for (int32_t i = 100; i < 150; ++i) v.push_back(1 + i);
        v.insert(v.end(), 20, 0);
        for (int32_t i = 0; i < 10; ++i) v.push_back(1 + i);
        for (int32_t i = 5; i < 20; ++i) v.push_back(MulGain(5000 + i, gainB));
        return v;
    }
    LCutListAudio segA, segB;
    uint16_t a = 0, b = 0;
};

TEST_F(CutListReader, ReadsEachCutFromItsSegmentInAnyBlockSize) {
    LCutListAudio l = Layout();
    EXPECT_EQ(l.GetLength(), 95);
    EXPECT_EQ(GetLength(l), 95);
    for (int32_t block : {1, 7, 20, 50, 95, 8192}) {
        SCOPED_TRACE(block);
        EXPECT_EQ(ReadList(l, block), Expected());
    }
    LSoundSourcePtr src = CreateSource(l);
    EXPECT_EQ(src->iPeakBound, 0x200000);
    EXPECT_EQ(src->nSampleRate, 44100);
    EXPECT_FALSE(src->HasError());
}

TEST_F(CutListReader, GainOfACutAppliesOnlyToThatCut) {
    for (int32_t g : {0x800000, 0x2000000, 0, -0x1000000, 0x7FFFFFFF}) {
        SCOPED_TRACE(g);
        EXPECT_EQ(ReadList(Layout(g)), Expected(g));
    }
    std::vector<int32_t> half = ReadList(Layout(0x800000));
    EXPECT_EQ(half[80], (5000 + 5) / 2);  // MulGain halves: 5005 -> 2502
}

TEST_F(CutListReader, SeekLandsOnTheRightFrameEverywhere) {
    LCutListAudio l = Layout();
    std::vector<int32_t> all = Expected();
    const int32_t len = int32_t(all.size());
    auto expectedFrom = [&](int32_t pos, int32_t n) {
        std::vector<int32_t> v;
        for (int32_t i = pos; i < pos + n; ++i) v.push_back(i >= 0 && i < len ? all[size_t(i)] : 0);
        return v;
    };
    LSoundSourcePtr src = CreateSource(l);
    // Before 0, every cut edge, inside each cut, the end and beyond.
    for (int32_t pos : {-10, -1, 0, 1, 49, 50, 55, 69, 70, 71, 79, 80, 81, 94, 95, 96, 500}) {
        for (int32_t n : {1, 15, 40, 120}) {
            SCOPED_TRACE(testing::Message() << "seek " << pos << " read " << n);
            src->Seek(pos);
            std::vector<int32_t> got(size_t(n), -1);
            src->Read(got.data(), n);
            EXPECT_EQ(got, expectedFrom(pos, n));
            EXPECT_EQ(src->GetPosition(), pos + n);
            // Reading on continues seamlessly.
            std::vector<int32_t> more(7, -1);
            src->Read(more.data(), 7);
            EXPECT_EQ(more, expectedFrom(pos + n, 7));
        }
    }
    src->Seek(-10);
    std::vector<int32_t> got(15, -1);
    src->Read(got.data(), 15);
    EXPECT_EQ(src->GetPosition(), 5);
    EXPECT_EQ(got, expectedFrom(-10, 15));
}

TEST_F(CutListReader, StereoCutsStartAtTheirFrameOffset) {
    LCutListAudio st = MakeSegment(Ramp(100, 2, 1), 2, 22050);
    ASSERT_EQ(st.nChans, 2);
    ASSERT_EQ(st.nSampleRate, 22050);
    st.EfDelete(10, 60);
    std::vector<int32_t> want = Ramp(10, 2, 1);
    std::vector<int32_t> rest = Ramp(40, 2, 121);  // frame 60 onwards
    want.insert(want.end(), rest.begin(), rest.end());
    EXPECT_EQ(ReadList(st, 3), want);
    LSoundSourcePtr src = CreateSource(st);
    src->Seek(12);
    int32_t f[2];
    src->Read(f, 1);
    EXPECT_EQ(f[0], 1 + 62 * 2);
    EXPECT_EQ(f[1], 2 + 62 * 2);
}

TEST_F(CutListReader, AReaderKeepsItsOwnCopyOfTheList) {
    LCutListAudio l = Layout();
    LSoundSourcePtr r1 = CreateSource(l);
    LSoundSourcePtr r2 = CreateSource(l);
    std::vector<int32_t> first(30);
    r1->Read(first.data(), 30);
    l.EfDelete(0, 60);
    l.EfInsertSilence(3, 9);
    segA.lstCuts.Clear();
    l.lstCuts.Clear();  // every list reference to A is gone; the readers still hold theirs
    EXPECT_TRUE(SegmentFileExists(a));
    std::vector<int32_t> all = Expected();
    EXPECT_EQ(first, std::vector<int32_t>(all.begin(), all.begin() + 30));
    EXPECT_EQ(ReadAll(*r1), std::vector<int32_t>(all.begin() + 30, all.end()));
    EXPECT_EQ(ReadAll(*r2), all);
    r1.SetNull();
    EXPECT_TRUE(SegmentFileExists(a));
    r2.SetNull();
    EXPECT_FALSE(SegmentFileExists(a));
}

TEST_F(CutListReader, MissingOrShortSegmentsReadAsSilence) {
    LCutListAudio l = Layout();
    // Damage the folder: B loses its tail, A disappears.
    std::string pathB = Tank().GetAudFilePath(b);
    ASSERT_TRUE(LFile::WriteAll(pathB.c_str(), Ramp(12, 1, 5000).data(), 12 * 4));
    ASSERT_TRUE(LFile::Delete(Tank().GetAudFilePath(a).c_str()));
    std::vector<int32_t> want(80, 0);
    for (int32_t i = 5; i < 12; ++i) want.push_back(5000 + i);
    want.resize(95, 0);
    for (int32_t block : {4, 95}) {
        SCOPED_TRACE(block);
        LSoundSourcePtr src = CreateSource(l);
        std::vector<int32_t> got(95, -1);  // no stale values may survive
        for (int32_t done = 0; done < 95; done += block) src->Read(got.data() + done, std::min(block, 95 - done));
        EXPECT_EQ(got, want);
    }
}

class CutListWriter : public TankTest {};

TEST_F(CutListWriter, ReleasingTheWriterMakesTheTargetOneCut) {
    LCutListAudio target = MakeSegment(Ramp(10, 1, 9));
    uint16_t old = target.lstCuts.GetHead()->data.nIndex;
    LSoundSinkPtr sink = CreateSink(target, 8000, 2);
    EXPECT_FALSE(sink->HasError());
    std::vector<int32_t> data = Ramp(1000, 2, -500);
    sink->Write(data.data(), 600);
    sink->Write(data.data() + 1200, 400);
    EXPECT_EQ(sink->nPosition, 1000);
    EXPECT_EQ(target.GetLength(), 10);  // nothing delivered before the release
    EXPECT_EQ(target.nChans, 1);
    sink.Reset();
    ASSERT_EQ(target.lstCuts.Count(), 1u);
    const LAudioCut& cut = target.lstCuts.GetHead()->data;
    EXPECT_EQ(cut.nLength, 1000);
    EXPECT_EQ(cut.nStart, 0);
    EXPECT_EQ(cut.nGain, kUnityGain);
    EXPECT_EQ(target.nSampleRate, 8000);
    EXPECT_EQ(target.nChans, 2);
    EXPECT_EQ(ReadList(target), data);
    EXPECT_FALSE(SegmentFileExists(old));  // the replaced cut released the old segment
    EXPECT_EQ(Tank().GetRefCount(cut.nIndex), 1u);
}

// Seek moves the write position; the length is the position at release.
TEST_F(CutListWriter, SeekDecidesTheLengthAndWhereWritesLand) {
    struct Case {
        const char* name;
        int32_t seekTo;    // after writing 1000 frames of the ramp
        int32_t rewrite;   // frames of 7s written after the seek
        int32_t length;
    };
    for (const Case& c : {Case{"back", 400, 0, 400}, Case{"back and overwrite", 400, 100, 500},
                          Case{"forward leaves a hole", 1200, 10, 1210}, Case{"forward only", 1100, 0, 1100},
                          Case{"before zero", -50, 0, 0}}) {
        SCOPED_TRACE(c.name);
        LCutListAudio target;
        std::vector<int32_t> data = Ramp(1000, 1, 1);
        {
            LSoundSinkPtr sink = CreateSink(target, 44100, 1);
            sink->Write(data.data(), 1000);
            sink->Seek(c.seekTo);
            std::vector<int32_t> sevens(size_t(c.rewrite), 7);
            if (c.rewrite) sink->Write(sevens.data(), c.rewrite);
        }
        EXPECT_EQ(target.GetLength(), c.length);
        std::vector<int32_t> want(size_t(c.length), 0);
        int32_t at = std::max(c.seekTo, 0);
        for (int32_t i = 0; i < c.length; ++i) {
            if (i >= at && i < at + c.rewrite)
                want[size_t(i)] = 7;
            else if (i < 1000)
                want[size_t(i)] = data[size_t(i)];
        }
        EXPECT_EQ(ReadList(target), want);
    }
}

TEST_F(CutListWriter, AWriterWhoseFileCannotBeCreatedCarriesTheErrorAndReadsAsSilence) {
    LCutTankScope nowhere(JoinPath(szDir, "missing-folder"));
    LCutListAudio target;
    {
        LSoundSinkPtr sink = CreateSink(target, 44100, 1);
        EXPECT_TRUE(sink->HasError());
        std::vector<int32_t> data = Ramp(50, 1, 1);
        sink->Write(data.data(), 50);
    }
    EXPECT_EQ(target.GetLength(), 50);
    EXPECT_EQ(ReadList(target), std::vector<int32_t>(50, 0));
}

class LoadSource : public TankTest {};

TEST_F(LoadSource, LoadsTheWholeSourceAtItsOwnFormat) {
    std::vector<int32_t> data = Ramp(20000, 2, -20000);
    LCutListAudio target = MakeSegment(Ramp(5, 1, 1));
    LNullProgress progress;
    LCutListAudioLoadSource rec{"Loading", &target, MakeSource<VectorSource>(data, 32000, 2), {}};
    EXPECT_EQ(Process(&progress, rec), kProcessDone);
    EXPECT_EQ(target.nSampleRate, 32000);
    EXPECT_EQ(target.nChans, 2);
    EXPECT_EQ(target.lstCuts.Count(), 1u);
    EXPECT_EQ(ReadList(target), data);
    rec.pSource.SetNull();
    EXPECT_EQ(AudFileCount(szDir), 1u);
}

// What a display drawing the load sees: whole blocks as they are written,
// nothing of what has not arrived, and at the end every block, exactly as
// the segment's own summary has them.
TEST_F(LoadSource, TheOverviewFillsWhileTheCopyRuns) {
    const int32_t frames = 5 * 8192 + 300;
    std::vector<int32_t> data(size_t(frames) * 2);
    for (size_t i = 0; i < data.size(); ++i) data[i] = (i % 2 ? -1 : 1) * int32_t(i / 2);  // |peak| grows with the frame
    LCutListAudio target;
    LCutListAudioLoadSource rec{"Loading", &target, MakeSource<VectorSource>(data, 44100, 2), {}};
    struct Watch : LProgress {
        LCutListAudioLoadSource* rec;
        std::vector<int64_t> seen;
        bool IsCancelled() override {
            EXPECT_TRUE(rec->pOverview);
            if (!rec->pOverview) return false;
            const LGrowingSummary& o = *rec->pOverview;
            int64_t have = o.Frames();
            EXPECT_EQ(have % kSummaryBlockFrames, 0);
            EXPECT_FALSE(o.IsComplete());
            LPeakRange r;
            if (have > 0) {
                EXPECT_TRUE(o.ReadPeakRange(have - 10, have, r));
                EXPECT_EQ(r.hi, int32_t(have - 1));
                EXPECT_EQ(r.lo, -int32_t(have - 1));
            }
            EXPECT_FALSE(o.ReadPeakRange(have, have + 1, r));  // not there yet
            seen.push_back(have);
            return false;
        }
        void SetText(const char*, int) override {}
        void SetProgress(double) override {}
    } watch;
    watch.rec = &rec;
    ASSERT_EQ(Process(&watch, rec), kProcessDone);
    ASSERT_GE(watch.seen.size(), 5u);
    EXPECT_TRUE(std::is_sorted(watch.seen.begin(), watch.seen.end()));
    EXPECT_GT(watch.seen.back(), 0);
    const LGrowingSummary& o = *rec.pOverview;
    EXPECT_TRUE(o.IsComplete());
    LPeakRange all;
    ASSERT_TRUE(o.ReadPeakRange(0, frames, all));
    EXPECT_EQ(all.hi, frames - 1);
    LPeakRange mid;
    ASSERT_TRUE(o.ReadPeakRange(1000, 1001, mid));  // the whole block that holds frame 1000
    EXPECT_EQ(mid.hi, 1023);
    EXPECT_EQ(mid.lo, -1023);
}

TEST_F(LoadSource, CancelKeepsWhatWasWrittenAndFailureKeepsTheTarget) {
    std::vector<int32_t> data = Ramp(30000, 1, 1);
    LCutListAudio target = MakeSegment(Ramp(5, 1, 77));
    CancelAfter cancel(2);  // two blocks pumped, then cancelled
    LCutListAudioLoadSource rec{"Loading", &target, MakeSource<VectorSource>(data, 44100, 1), {}};
    EXPECT_EQ(Process(&cancel, rec), kProcessCancelled);
    EXPECT_EQ(cancel.szText[0], "Loading");
    EXPECT_EQ(ReadList(target), std::vector<int32_t>(data.begin(), data.begin() + 2 * 8192));

    // An unusable source (error flag) or an unwritable folder: result 2, target untouched.
    LCutListAudio kept = MakeSegment(Ramp(5, 1, 77));
    LNullProgress progress;
    LCutListAudioLoadSource bad{"Loading", &kept, LSoundSourcePtr(), {}};
    EXPECT_EQ(Process(&progress, bad), kProcessFailed);
    EXPECT_EQ(ReadList(kept), Ramp(5, 1, 77));
    {
        LCutTankScope nowhere(JoinPath(szDir, "missing-folder"));
        LCutListAudioLoadSource rec2{"Loading", &kept, MakeSource<VectorSource>(data, 44100, 1), {}};
        EXPECT_EQ(Process(&progress, rec2), kProcessFailed);
    }
    EXPECT_EQ(ReadList(kept), Ramp(5, 1, 77));
}

}  // namespace
