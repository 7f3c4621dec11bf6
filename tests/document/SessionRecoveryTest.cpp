// Start-up after a run that ended abnormally: the documents its journals
// describe come back exactly, as modified documents, their segments keep
// their indices, and journals that cannot be trusted are reported and
// skipped. The "crash" is a copy of the data folder taken while a run with
// open documents is going, which is what a killed run leaves on the disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "DocTestUtil.h"
#include "document/LDocumentJournal.h"
#include "document/LJournalKeeper.h"
#include "document/LSessionRecovery.h"
#include "support/DocumentFixture.h"

using namespace sondrel;
using namespace sondrel::test;
namespace fs = std::filesystem;

namespace {

struct Expected {
    std::string path;
    uint32_t untitled;
    int32_t rate;
    uint8_t chans;
    std::vector<int32_t> audio;
    int32_t position, selStart, selEnd, viewStart, viewEnd;
};

class SessionRecoveryTest : public DocumentFixture {
protected:
    void SetUp() override {
        DocumentFixture::SetUp();
        folder = JoinPath(dir, "tank");
        run = JoinPath(dir, "run");
        fs::create_directories(run);
    }

    // A run with two documents, one saved and edited (stereo, several cuts,
    // gains, silence), one untitled; its data folder is copied into the
    // tank's folder while the run still has them open.
    void CrashedRun(bool cleanEnd = false) {
        LCutTankScope runTank(run);
        ScriptedHost runHost;
        LDocuments runDocs(runHost);
        LJournalKeeper keeper(run);
        keeper.SetClock([] { return int64_t(1765400000); });

        LSDFile& song = runDocs.AddUntitled(List(Ramp(6000, 2, 1), 2, 11025));
        song.szFilePath = "X:\\music\\song.wav";
        song.nUntitledIdx = 0;
        runDocs.StartModifyCurrentFile("Cut");
        song.audio.EfDelete(1000, 2000);
        song.audio.EfInsertSilence(500, 300);
        song.audio.EfAmplify(2000, 4000, 50);
        song.audio.EfInsert(0, List(Ramp(200, 2, -5000), 2, 11025));
        song.stPosition.ms = 100;
        song.stSelStart.ms = 50;
        song.stSelEnd.ms = 150;
        song.stViewStart.ms = 10;
        song.stViewEnd.ms = 400;
        runDocs.AddUntitled(List(Ramp(10, 1, 0), 1, 8000));
        LSDFile& untitled = runDocs.AddUntitled(List(Ramp(3000, 1, 40000), 1, 8000));
        runDocs.MakeCurrent(runDocs.At(1));
        runHost.answers.push_back(LDocumentHost::kNo);
        ASSERT_TRUE(runDocs.CmClose());  // "Untitled 1" goes; "Untitled 2" stays
        untitled.stViewEnd.ms = 375;
        keeper.Update(runDocs);
        keeper.WaitIdle();

        for (const LSDFile* d : {&song, &untitled})
            expected.push_back({d->szFilePath, d->nUntitledIdx, d->audio.nSampleRate, d->audio.nChans,
                                ReadList(d->audio), d->stPosition.ms, d->stSelStart.ms, d->stSelEnd.ms,
                                d->stViewStart.ms, d->stViewEnd.ms});
        if (cleanEnd) keeper.Close();
        for (const auto& e : fs::directory_iterator(run)) fs::copy_file(e.path(), fs::path(folder) / e.path().filename());
    }  // the run ends; its own folder is cleared, the copy stays

    size_t Count(const char* suffix) { return LFile::List(folder.c_str(), suffix).size(); }

    std::string folder, run;
    std::vector<Expected> expected;
};

}  // namespace

TEST_F(SessionRecoveryTest, EveryDocumentComesBackAsItWasAndModified) {
    CrashedRun();
    LSessionRecovery rec(folder);
    ASSERT_TRUE(rec.Found());
    ASSERT_EQ(rec.UsableCount(), 2);
    EXPECT_EQ(rec.Items()[0].DisplayName(), "song.wav");
    EXPECT_EQ(rec.Items()[0].LengthMs(), LSoundTime::FromSamples(int32_t(expected[0].audio.size() / 2), 11025).ms);
    EXPECT_EQ(rec.Items()[0].record.nChangedTime, 1765400000);
    EXPECT_EQ(rec.Items()[1].DisplayName(), "Untitled 2");

    LJournalKeeper keeper(folder);
    EXPECT_EQ(rec.Recover(*docs, keeper), 2);
    ASSERT_EQ(docs->GetNoFiles(), 2);
    for (int i = 0; i < 2; ++i) {
        const LSDFile& d = *docs->At(i);
        const Expected& e = expected[size_t(i)];
        SCOPED_TRACE(d.DisplayName());
        EXPECT_EQ(d.szFilePath, e.path);
        EXPECT_EQ(d.nUntitledIdx, e.untitled);
        EXPECT_EQ(d.bDirty, 1);
        EXPECT_EQ(d.audio.nSampleRate, e.rate);
        EXPECT_EQ(d.audio.nChans, e.chans);
        EXPECT_EQ(ReadList(d.audio), e.audio);
        EXPECT_EQ((std::vector<int32_t>{d.stPosition.ms, d.stSelStart.ms, d.stSelEnd.ms, d.stViewStart.ms,
                                        d.stViewEnd.ms}),
                  (std::vector<int32_t>{e.position, e.selStart, e.selEnd, e.viewStart, e.viewEnd}));
        EXPECT_FALSE(d.UndoLabel().size()) << "undo starts empty after a recovery";
    }

    // The journals go on in the files they came from, now saying "modified";
    // a second crash right now recovers the same.
    keeper.WaitIdle();
    EXPECT_EQ(Count(".jnl"), 2u);
    LSessionRecovery again(folder);
    ASSERT_EQ(again.UsableCount(), 2);
    for (const LRecoveryItem& item : again.Items()) EXPECT_EQ(item.record.bDirty, 1);
    keeper.Close();
    EXPECT_EQ(Count(".jnl"), 0u);
}

TEST_F(SessionRecoveryTest, NewAudioNeverTakesTheIndexOfARecoveredSegment) {
    CrashedRun();
    LSessionRecovery rec(folder);
    const std::set<uint16_t> keep = rec.KeepSet();
    ASSERT_FALSE(keep.empty());
    LJournalKeeper keeper(folder);
    rec.Recover(*docs, keeper);
    for (uint16_t i : keep) EXPECT_GE(tank->Tank().GetRefCount(i), 1u) << "segment " << i;

    std::vector<LCutListAudio> fresh;
    for (int i = 0; i < int(keep.size()) + 3; ++i) {
        fresh.push_back(List(Ramp(64, 1, 900000 + i), 1, 8000));
        EXPECT_EQ(keep.count(fresh.back().lstCuts.GetHead()->data.nIndex), 0u);
    }
    EXPECT_EQ(ReadList(docs->At(0)->audio), expected[0].audio);
    EXPECT_EQ(ReadList(docs->At(1)->audio), expected[1].audio);
}

TEST_F(SessionRecoveryTest, JournalsThatCannotBeTrustedAreReportedAndSkipped) {
    struct Case {
        const char* what;
        void (*damage)(const std::string& folder, const LJournalRecord& song);
        const char* problem;
    } cases[] = {
        {"journal cut short",
         [](const std::string& f, const LJournalRecord&) {
             std::vector<uint8_t> b = ReadBytes(JoinPath(f, "0.jnl"));
             b.resize(b.size() - 5);
             WriteBytes(JoinPath(f, "0.jnl"), b);
         },
         "its saved state is damaged"},
        {"a flipped byte",
         [](const std::string& f, const LJournalRecord&) {
             std::vector<uint8_t> b = ReadBytes(JoinPath(f, "0.jnl"));
             b[70] ^= 0x10;
             WriteBytes(JoinPath(f, "0.jnl"), b);
         },
         "its saved state is damaged"},
        {"an empty journal", [](const std::string& f, const LJournalRecord&) { WriteBytes(JoinPath(f, "0.jnl"), {}); },
         "its saved state is damaged"},
        {"a segment missing",
         [](const std::string& f, const LJournalRecord& r) {
             LFile::Delete(JoinPath(f, std::to_string(r.vCuts.back().nIndex) + ".aud").c_str());
         },
         nullptr},
        {"a segment cut short",
         [](const std::string& f, const LJournalRecord& r) {
             std::string p = JoinPath(f, std::to_string(r.vCuts.back().nIndex) + ".aud");
             std::vector<uint8_t> b = ReadBytes(p);
             b.resize(b.size() - 1);
             WriteBytes(p, b);
         },
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& e : fs::directory_iterator(folder)) fs::remove(e.path());
        expected.clear();
        CrashedRun();
        LJournalRecord song;
        {
            std::vector<uint8_t> b = ReadBytes(JoinPath(folder, "0.jnl"));
            ASSERT_TRUE(DecodeJournal(b.data(), b.size(), song));
            ASSERT_EQ(song.szFilePath, "X:\\music\\song.wav");
        }
        WriteBytes(JoinPath(folder, "7.jnl.new"), {1, 2, 3});  // a write that never completed
        c.damage(folder, song);

        LSessionRecovery rec(folder);
        ASSERT_EQ(rec.Items().size(), 2u);
        EXPECT_EQ(rec.UsableCount(), 1);
        const LRecoveryItem& bad = rec.Items()[1];
        EXPECT_FALSE(bad.bUsable);
        if (c.problem) {
            EXPECT_EQ(bad.szProblem, c.problem);
        } else {
            char text[64];
            std::snprintf(text, sizeof text, "its audio file %u.aud is %s", unsigned(song.vCuts.back().nIndex),
                          std::string(c.what).find("missing") != std::string::npos ? "missing" : "incomplete");
            EXPECT_EQ(bad.szProblem, text);
        }
        for (uint16_t i : rec.KeepSet()) EXPECT_NE(i, song.vCuts.back().nIndex);

        LJournalKeeper keeper(folder);
        EXPECT_EQ(rec.Recover(*docs, keeper), 1);
        keeper.WaitIdle();
        ASSERT_EQ(docs->GetNoFiles(), 1);
        EXPECT_EQ(ReadList(docs->At(0)->audio), expected[1].audio);
        EXPECT_FALSE(LFile::Exists(bad.szJournal.c_str())) << "the damaged journal stays to be reported again";
        EXPECT_EQ(Count(".new"), 0u);
        keeper.Close();
        docs->ReleaseAll();
    }
}

TEST_F(SessionRecoveryTest, DiscardDeletesTheJournalsAndTheAudioTheyName) {
    CrashedRun();
    WriteBytes(JoinPath(folder, "notes.txt"), {'h', 'i'});
    LSessionRecovery rec(folder);
    ASSERT_EQ(rec.UsableCount(), 2);
    const std::set<uint16_t> named = rec.KeepSet();
    rec.Discard();
    EXPECT_EQ(Count(".jnl"), 0u);
    for (uint16_t i : named) {
        EXPECT_FALSE(LFile::Exists(JoinPath(folder, std::to_string(i) + ".aud").c_str())) << i;
        EXPECT_FALSE(LFile::Exists(JoinPath(folder, std::to_string(i) + ".pks").c_str())) << i;
    }
    EXPECT_TRUE(LFile::Exists(JoinPath(folder, "notes.txt").c_str()));
    EXPECT_FALSE(LSessionRecovery(folder).Found());
}

TEST_F(SessionRecoveryTest, ACleanEndLeavesNothingToRecover) {
    CrashedRun(true);
    EXPECT_EQ(Count(".jnl"), 0u);
    EXPECT_FALSE(LSessionRecovery(folder).Found());
    // Segment files alone are leftovers, not documents.
    WriteBytes(JoinPath(folder, "3.aud"), std::vector<uint8_t>(64));
    EXPECT_FALSE(LSessionRecovery(folder).Found());
}

TEST_F(SessionRecoveryTest, SummariesThatDoNotMatchTheirSegmentsAreMadeAgain) {
    CrashedRun();
    LSessionRecovery rec(folder);
    ASSERT_EQ(rec.UsableCount(), 2);
    const LJournalRecord& song = rec.Items()[0].record;
    const uint16_t index = song.vCuts.back().nIndex;
    const std::string seg = JoinPath(folder, std::to_string(index) + ".aud");
    std::vector<uint8_t> pks = ReadBytes(SummaryPath(seg));
    ASSERT_GT(pks.size(), 8u);
    pks.resize(pks.size() / 2);  // torn by the power cut
    WriteBytes(SummaryPath(seg), pks);
    ASSERT_FALSE(LSegmentPeaks(seg, song.nChans).IsUsable());

    LJournalKeeper keeper(folder);
    rec.Recover(*docs, keeper);
    EXPECT_TRUE(LSegmentPeaks(seg, song.nChans).IsUsable());
}
