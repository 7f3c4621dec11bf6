// The journal keeper: one journal per open document that follows every
// change of its audio, format, path or dirty flag, disappears with the
// document, and never names a segment that could be gone or rewritten.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "DocTestUtil.h"
#include "document/LDocumentJournal.h"
#include "document/LJournalKeeper.h"
#include "support/DocumentFixture.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

class JournalKeeperTest : public DocumentFixture {
protected:
    void SetUp() override {
        DocumentFixture::SetUp();
        folder = JoinPath(dir, "tank");
        keeper = std::make_unique<LJournalKeeper>(folder);
        keeper->SetClock([this] { return clock; });
        keeper->SetListener([this](const LJournalEvent& e) {
            std::lock_guard<std::mutex> lock(mtx);
            events.push_back(e);
        });
    }
    void TearDown() override {
        keeper.reset();
        DocumentFixture::TearDown();
    }

    void Sync() {
        keeper->Update(*docs);
        keeper->WaitIdle();
    }
    bool ReadJournal(uint32_t slot, LJournalRecord& r) {
        std::vector<uint8_t> b = ReadBytes(JournalPath(folder, slot));
        return !b.empty() && DecodeJournal(b.data(), b.size(), r);
    }
    std::vector<std::string> Journals() {
        std::vector<std::string> names = LFile::List(folder.c_str(), ".jnl");
        for (const std::string& n : LFile::List(folder.c_str(), ".new")) names.push_back(n);
        std::sort(names.begin(), names.end());
        return names;
    }
    size_t EventCount() {
        std::lock_guard<std::mutex> lock(mtx);
        return events.size();
    }
    // A document over one new segment of n frames.
    LSDFile& NewDoc(int32_t frames, int32_t base) {
        LSDFile& d = docs->AddUntitled(List(Ramp(frames, 1, base), 1, 8000));
        return d;
    }
    static std::vector<LJournalCut> CutsOf(const LSDFile& d) {
        std::vector<LJournalCut> v;
        for (auto it = d.audio.lstCuts.Begin(); it.IsValid(); it.Next())
            v.push_back({it->nIndex, it->nStart, it->nLength, it->nGain});
        return v;
    }

    std::string folder;
    int64_t clock = 1000;
    std::unique_ptr<LJournalKeeper> keeper;
    std::mutex mtx;
    std::vector<LJournalEvent> events;
};

}  // namespace

TEST_F(JournalKeeperTest, JournalFollowsEveryChangeOfTheDocument) {
    LSDFile& d = NewDoc(8000, 1);
    Sync();
    LJournalRecord r;
    ASSERT_TRUE(ReadJournal(0, r));
    EXPECT_EQ(r.nSequence, 1u);
    EXPECT_EQ(r.nOrder, 1u);
    EXPECT_EQ(r.nChangedTime, 1000);
    EXPECT_EQ(r.vCuts, CutsOf(d));
    EXPECT_EQ(r.nUntitledIdx, 1u);
    EXPECT_EQ(r.bDirty, 0);

    // An edit: the new cuts, the dirty flag and the time of the change.
    clock = 2000;
    docs->StartModifyCurrentFile("Delete");
    d.audio.EfDelete(1000, 3000);
    d.stPosition.ms = 125;
    Sync();
    ASSERT_TRUE(ReadJournal(0, r));
    EXPECT_EQ(r.nSequence, 2u);
    EXPECT_EQ(r.nChangedTime, 2000);
    EXPECT_EQ(r.vCuts, CutsOf(d));
    EXPECT_EQ(r.bDirty, 1);
    EXPECT_EQ(r.stPosition, 125);

    // Cursor, selection and view alone do not make a write...
    size_t before = EventCount();
    d.stPosition.ms = 500;
    d.stSelStart.ms = 100;
    d.stSelEnd.ms = 200;
    Sync();
    EXPECT_EQ(EventCount(), before);
    ASSERT_TRUE(ReadJournal(0, r));
    EXPECT_EQ(r.nSequence, 2u);

    // ...they go with the next change: here an undo.
    ASSERT_TRUE(docs->CmUndo());
    d.stPosition.ms = 700;
    Sync();
    ASSERT_TRUE(ReadJournal(0, r));
    EXPECT_EQ(r.nSequence, 3u);
    EXPECT_EQ(r.vCuts, CutsOf(d));
    EXPECT_EQ(r.bDirty, 0);
    EXPECT_EQ(r.stPosition, 700);

    // A saved document's path and its dirty flag.
    d.szFilePath = JoinPath(dir, "saved.wav");
    d.bDirty = 0;
    d.nUntitledIdx = 0;
    Sync();
    ASSERT_TRUE(ReadJournal(0, r));
    EXPECT_EQ(r.szFilePath, d.szFilePath);
    EXPECT_EQ(r.nUntitledIdx, 0u);
    EXPECT_EQ(Journals(), std::vector<std::string>{"0.jnl"});
}

TEST_F(JournalKeeperTest, ClosingADocumentRemovesItsJournalAndACleanEndLeavesNone) {
    NewDoc(100, 1);
    LSDFile& second = NewDoc(200, 1000);
    NewDoc(300, 2000);
    Sync();
    EXPECT_EQ(Journals(), (std::vector<std::string>{"0.jnl", "1.jnl", "2.jnl"}));

    docs->MakeCurrent(&second);
    docs->StartModifyCurrentFile("Silence");
    second.audio.EfSilence(0, 50);
    host.answers.push_back(LDocumentHost::kNo);  // "Save changes?" No
    ASSERT_TRUE(docs->CmClose());
    Sync();
    EXPECT_EQ(Journals(), (std::vector<std::string>{"0.jnl", "2.jnl"}));

    // A new document takes the free slot; its order comes after the others.
    NewDoc(50, 5000);
    Sync();
    LJournalRecord r;
    ASSERT_TRUE(ReadJournal(1, r));
    EXPECT_EQ(r.nOrder, 4u);
    EXPECT_EQ(r.LengthFrames(), 50);

    keeper->Close();
    EXPECT_TRUE(Journals().empty());
    // Nothing is written after a clean end.
    NewDoc(10, 1);
    keeper->Update(*docs);
    EXPECT_TRUE(Journals().empty());
}

TEST_F(JournalKeeperTest, SegmentsOfTheJournalOnDiskStayUntilItIsReplaced) {
    LSDFile& d = NewDoc(4000, 1);
    const uint16_t old = d.audio.lstCuts.GetHead()->data.nIndex;
    const std::string oldPath = tank->Tank().GetAudFilePath(old);
    Sync();

    // The writer stops after it flushed the new segments, before it writes
    // the new journal: the moment a crash would leave the old journal.
    std::mutex m;
    std::condition_variable cv;
    bool reached = false, go = false;
    keeper->SetStageHook([&](LJournalStage s) {
        if (s != LJournalStage::kSegmentsSynced) return;
        std::unique_lock<std::mutex> lock(m);
        reached = true;
        cv.notify_all();
        cv.wait(lock, [&] { return go; });
    });
    // The document drops its only segment (no undo snapshot holds it).
    d.audio = List(Ramp(10, 1, 50000), 1, 8000);
    keeper->Update(*docs);
    {
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [&] { return reached; });
    }
    LJournalRecord r;
    ASSERT_TRUE(ReadJournal(0, r));
    EXPECT_EQ(r.vCuts.at(0).nIndex, old);
    EXPECT_TRUE(LFile::Exists(oldPath.c_str())) << "a segment the journal on the disk names was deleted";
    // New audio cannot take its index either.
    LCutListAudio fresh = List(Ramp(10, 1, 7), 1, 8000);
    EXPECT_NE(fresh.lstCuts.GetHead()->data.nIndex, old);
    EXPECT_EQ(ReadList(JournalCutList(r)), Ramp(4000, 1, 1));
    {
        std::lock_guard<std::mutex> lock(m);
        go = true;
    }
    cv.notify_all();
    keeper->WaitIdle();
    ASSERT_TRUE(ReadJournal(0, r));
    EXPECT_EQ(r.vCuts, CutsOf(d));
    EXPECT_FALSE(LFile::Exists(oldPath.c_str())) << "the segment outlived the last journal that named it";
}

TEST_F(JournalKeeperTest, AFailedWriteKeepsTheOldJournalAndIsDoneAgain) {
    LSDFile& d = NewDoc(1000, 1);
    Sync();
    // The temporary name is taken by a folder: the new journal cannot be written.
    std::filesystem::create_directory(JoinPath(folder, "0.jnl.new"));
    docs->StartModifyCurrentFile("Delete");
    d.audio.EfDelete(0, 500);
    Sync();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().eKind, LJournalEvent::kFailed);
    LJournalRecord r;
    ASSERT_TRUE(ReadJournal(0, r));
    EXPECT_EQ(r.LengthFrames(), 1000);
    EXPECT_EQ(ReadList(JournalCutList(r)), Ramp(1000, 1, 1)) << "the old journal lost its segment";

    // Once the way is free the next update writes it, changed or not.
    std::filesystem::remove(JoinPath(folder, "0.jnl.new"));
    Sync();
    ASSERT_TRUE(ReadJournal(0, r));
    EXPECT_EQ(r.LengthFrames(), 500);
    EXPECT_EQ(events.back().eKind, LJournalEvent::kWritten);
}

TEST_F(JournalKeeperTest, QuickChangesCoalesceIntoTheLatest) {
    LSDFile& d = NewDoc(1000, 1);
    Sync();
    std::mutex m;
    std::condition_variable cv;
    bool go = false;
    keeper->SetStageHook([&](LJournalStage s) {
        if (s != LJournalStage::kSegmentsSynced) return;
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [&] { return go; });
    });
    // While the writer is held, ten edits are handed over.
    for (int i = 0; i < 10; ++i) {
        docs->StartModifyCurrentFile("Delete");
        d.audio.EfDelete(0, 10);
        keeper->Update(*docs);
    }
    {
        std::lock_guard<std::mutex> lock(m);
        go = true;
    }
    cv.notify_all();
    keeper->WaitIdle();
    LJournalRecord r;
    ASSERT_TRUE(ReadJournal(0, r));
    EXPECT_EQ(r.nSequence, 11u);
    EXPECT_EQ(r.LengthFrames(), 900);
    // The first was being written when the others came; of those only the last was.
    EXPECT_GE(EventCount(), 2u);
    EXPECT_LE(EventCount(), 3u);
}
