#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "DocTestUtil.h"
#include "document/LAudioCutTank.h"
#include "document/LCutListAudio.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

class CutTank : public TankTest {};

bool Touch(const std::string& path) { return LFile::WriteAll(path.c_str(), "x", 1); }

TEST_F(CutTank, IndicesAreTheLowestFreeAndAreReusedAfterTheLastReferenceGoes) {
    LCutListAudio a = MakeSegment(Ramp(10, 1, 1));
    LCutListAudio b = MakeSegment(Ramp(10, 1, 100));
    ASSERT_EQ(a.lstCuts.GetHead()->data.nIndex, 0);
    ASSERT_EQ(b.lstCuts.GetHead()->data.nIndex, 1);
    EXPECT_EQ(Tank().GetRefCount(0), 1u);
    EXPECT_TRUE(SegmentFileExists(0));

    a.lstCuts.Clear();
    EXPECT_EQ(Tank().GetRefCount(0), 0u);
    EXPECT_FALSE(SegmentFileExists(0));

    LCutListAudio c = MakeSegment(Ramp(5, 1, 7));
    EXPECT_EQ(c.lstCuts.GetHead()->data.nIndex, 0);
    EXPECT_EQ(ReadList(c), Ramp(5, 1, 7));  // the reused file is written anew
    EXPECT_EQ(ReadList(b), Ramp(10, 1, 100));
}

TEST_F(CutTank, ListCopiesCountEveryCutAndKeepTheFileWhileAnyListHoldsIt) {
    LCutListAudio one = MakeSegment(Ramp(30, 1, 1));
    uint16_t idx = one.lstCuts.GetHead()->data.nIndex;
    one.EfDelete(10, 10);
    one.EfDelete(20, 20);  // three cuts over the same segment
    ASSERT_EQ(one.lstCuts.Count(), 3u);
    EXPECT_EQ(Tank().GetRefCount(idx), 3u);
    {
        LCutListAudio copy = one;
        EXPECT_EQ(Tank().GetRefCount(idx), 6u);
        copy.lstCuts.Clear();
        EXPECT_EQ(Tank().GetRefCount(idx), 3u);
        copy = one;
        copy = copy;  // self-assignment keeps the references
        EXPECT_EQ(Tank().GetRefCount(idx), 6u);
    }
    EXPECT_EQ(Tank().GetRefCount(idx), 3u);
    EXPECT_TRUE(SegmentFileExists(idx));
    EXPECT_EQ(ReadList(one), Ramp(30, 1, 1));
}

TEST_F(CutTank, SilentIndexIsNeverCountedAndNamesNoFile) {
    EXPECT_EQ(Tank().GetAudFilePath(kSilentIndex), "");
    Tank().IncRef(kSilentIndex);
    EXPECT_EQ(Tank().GetRefCount(kSilentIndex), 0u);
    Tank().DecRef(kSilentIndex);
    EXPECT_EQ(Tank().GetRefCount(kSilentIndex), 0u);
    EXPECT_EQ(AudFileCount(szDir), 0u);
}

TEST_F(CutTank, DecRefBelowTwoDeletesTheFileEvenWhenNotCounted) {
    // A leftover of an earlier run at index 5: count 0, file present.
    std::string leftover = Tank().GetAudFilePath(5);
    ASSERT_TRUE(Touch(leftover));
    Tank().DecRef(5);
    EXPECT_FALSE(LFile::Exists(leftover.c_str()));
    EXPECT_EQ(Tank().GetRefCount(5), 0u);

    ASSERT_TRUE(Touch(leftover));
    Tank().IncRef(5);
    Tank().IncRef(5);
    Tank().DecRef(5);
    EXPECT_TRUE(LFile::Exists(leftover.c_str()));
    Tank().DecRef(5);
    EXPECT_FALSE(LFile::Exists(leftover.c_str()));
}

TEST_F(CutTank, SegmentPathsJoinTheFolderAndIndex) {
    EXPECT_EQ(Tank().GetAudFilePath(12), JoinPath(szDir, "12.aud"));
    EXPECT_EQ(Tank().GetAudFilePath(65534), JoinPath(szDir, "65534.aud"));
    LAudioCutTank slash(std::string("segs/"));
    EXPECT_EQ(slash.GetAudFilePath(0), "segs/0.aud");
    LAudioCutTank backslash(std::string("C:\\Sondrel\\Current\\"));
    EXPECT_EQ(backslash.GetAudFilePath(3), "C:\\Sondrel\\Current\\3.aud");
    // A path beyond 259 characters is refused, never cut short: cut to
    // length, "10.aud" and "11.aud" would name the same file.
    LAudioCutTank deep(std::string(253, 'd') + "/");
    EXPECT_EQ(deep.GetAudFilePath(1), std::string(253, 'd') + "/1.aud");
    EXPECT_EQ(deep.GetAudFilePath(10), "");
    EXPECT_EQ(deep.GetAudFilePath(11), "");
    LAudioCutTank full(std::string(259, 'f'));
    EXPECT_EQ(full.GetAudFilePath(1), "");
}

TEST(CutTankFolder, TheDataFolderIsTheStoredOneOrTheUsersOwn) {
    LMemorySettings store;
    SetSettingsStore(&store);
    const std::string local = "C:\\Users\\ann\\AppData\\Local";
    struct Case {
        const char* stored;  // nullptr: no value at all
        std::string root;
        std::string want;
    };
    for (const Case& c : {
             Case{nullptr, local, JoinPath(JoinPath(local, "Ketterly"), "Sondrel")},
             Case{"", local, JoinPath(JoinPath(local, "Ketterly"), "Sondrel")},
             // What an earlier installer stored for every user is still used.
             Case{"C:\\Program Files\\Ketterly\\Sondrel\\Current", local,
                  "C:\\Program Files\\Ketterly\\Sondrel\\Current"},
             Case{"D:\\Audio\\Work", local, "D:\\Audio\\Work"},
             // A system that names no local application data.
             Case{nullptr, "", JoinPath("prog", "Current")},
         }) {
        if (c.stored) store.Set("Folders", "Current", c.stored);
        EXPECT_EQ(DataFolder(c.root, "prog"), c.want) << (c.stored ? c.stored : "(none)") << " " << c.root;
        store.Set("Folders", "Current", "");
    }
    EXPECT_EQ(UserMakerFolder(local), JoinPath(local, "Ketterly"));
    SetSettingsStore(nullptr);
}

// When every index is in use the allocation gives the silent index, never
// one in use; a writer given it keeps nothing and its cut reads as silence.
TEST_F(CutTank, FullTankHandsOutTheSilentIndexAndNeverAnIndexInUse) {
    LCutListAudio kept = MakeSegment(Ramp(16, 1, 1000));  // index 0, a real file
    for (int32_t i = 1; i < 65535; ++i) ASSERT_EQ(Tank().GetNewRefAndIncRef(), uint16_t(i));
    EXPECT_EQ(Tank().GetNewRefAndIncRef(), kSilentIndex);
    EXPECT_EQ(Tank().GetNewRefAndIncRef(), kSilentIndex);

    LCutListAudio target = MakeSegment(Ramp(8, 1, 5));  // written while the tank is full
    ASSERT_EQ(target.lstCuts.Count(), 1u);
    EXPECT_EQ(target.lstCuts.GetHead()->data.nIndex, kSilentIndex);
    EXPECT_EQ(target.GetLength(), 8);
    EXPECT_EQ(ReadList(target), std::vector<int32_t>(8, 0));
    EXPECT_EQ(ReadList(kept), Ramp(16, 1, 1000));  // index 0 was not overwritten
    {
        LCutListAudio lost;
        LSoundSinkPtr sink = CreateSink(lost, 8000, 1);
        EXPECT_TRUE(sink->HasError());
    }

    Tank().DecRef(300);
    Tank().DecRef(200);
    EXPECT_EQ(Tank().GetNewRefAndIncRef(), 200);
    EXPECT_EQ(Tank().GetNewRefAndIncRef(), 300);
    EXPECT_EQ(Tank().GetNewRefAndIncRef(), kSilentIndex);
    for (int32_t i = 1; i < 65535; ++i) Tank().DecRef(uint16_t(i));
    EXPECT_EQ(Tank().GetNewRefAndIncRef(), 1);
}

// More references to one segment than a 16-bit counter holds: the file must
// stay as long as any cut refers to it.
TEST_F(CutTank, CountsAbove65535KeepTheFileUntilTheLastCutGoes) {
    LCutListAudio list = MakeSegment(Ramp(4, 1, 40));
    uint16_t idx = list.lstCuts.GetHead()->data.nIndex;
    list.EfRepeatLoop(0, 4, 70000);
    EXPECT_EQ(Tank().GetRefCount(idx), 70001u);
    LCutListAudio keep;
    list.EfCopy(8, 12, keep);
    list.lstCuts.Clear();
    EXPECT_EQ(Tank().GetRefCount(idx), 1u);
    EXPECT_EQ(ReadList(keep), Ramp(4, 1, 40));
}

TEST_F(CutTank, ConcurrentCountingIsExact) {
    LCutListAudio list = MakeSegment(Ramp(4, 1, 1));
    uint16_t idx = list.lstCuts.GetHead()->data.nIndex;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) {
                LAudioCut a(idx, 4);
                LAudioCut b = a;
                uint16_t fresh = Tank().GetNewRefAndIncRef();
                Tank().DecRef(fresh);
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(Tank().GetRefCount(idx), 1u);
    EXPECT_EQ(ReadList(list), Ramp(4, 1, 1));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(Tank().GetRefCount(uint16_t(idx + 1 + i)), 0u);
}

TEST(CutTankLifetime, DestroyingTheTankDeletesEveryAudFileCountedOrNot) {
    std::string dir = ScratchDir("tank-end");
    std::string other = JoinPath(dir, "notes.txt");
    ASSERT_TRUE(Touch(other));
    {
        LCutTankScope scope(dir);
        LAudioCutTank& tank = scope.Tank();
        ASSERT_EQ(LAudioCutTank::Current(), &tank);
        LCutListAudio a = MakeSegment(Ramp(10, 1, 1));
        LCutListAudio b = MakeSegment(Ramp(10, 1, 2));
        uint16_t held = a.lstCuts.GetHead()->data.nIndex;
        tank.IncRef(held);  // a reference nobody will release
        ASSERT_TRUE(Touch(JoinPath(dir, "777.aud")));    // leftover of an earlier run
        ASSERT_TRUE(Touch(JoinPath(dir, "stray.aud")));  // any name ending in .aud
        a.lstCuts.Clear();
        b.lstCuts.Clear();
        EXPECT_EQ(AudFileCount(dir), 3u);
    }
    EXPECT_NE(LAudioCutTank::Current(), nullptr);
    EXPECT_EQ(AudFileCount(dir), 0u);
    EXPECT_TRUE(LFile::Exists(other.c_str()));
}

}  // namespace
