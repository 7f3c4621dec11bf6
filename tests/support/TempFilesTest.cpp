// Temporary files and folders that are the process's own: fresh random
// names, exclusive creation that never goes through a link, leftovers of
// runs that died told apart from those of running ones, one holder per data
// folder, and path limits counted in characters.
#include <gtest/gtest.h>

#include <algorithm>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "support/LFile.h"
#include "support/LTempFiles.h"
#include "support/TestUtil.h"

using namespace sondrel;

namespace {

// A process id no system hands out (above Linux's largest, not a multiple of 4).
const char kDeadPid[] = "3ffffff1";

std::string FileName(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

void Touch(const std::string& path) { ASSERT_TRUE(LFile::WriteAll(path.c_str(), "x", 1)) << path; }

TEST(TempFiles, NamesAreFreshAndTellTheirMaker) {
    std::string dir = test::ScratchDir("tempnames");
    std::string a = MakeTempFile(dir, "save"), b = MakeTempFile(dir, "save");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
    EXPECT_TRUE(LFile::Exists(a.c_str()));
    uint32_t pid = 0;
    EXPECT_TRUE(IsTempFileName(FileName(a), &pid));
    EXPECT_EQ(pid, CurrentProcessId());
    struct Case {
        const char* name;
        bool ours;
    };
    for (const Case& c : {Case{"~sndsave-1a2b-00ff00ff00ff.tmp", true}, Case{"~sndlca-3ffffff1-0123.tmp", true},
                          Case{"~sndx.tmp", false}, Case{"report.tmp", false}, Case{"~snd-zz-1.tmp", false},
                          Case{"~sndsave-1a2b-00ff.wav", false}, Case{"~sndsave-123456789-00ff.tmp", false}}) {
        EXPECT_EQ(IsTempFileName(c.name), c.ours) << c.name;
    }
}

TEST(TempFiles, OnlyTheLeftoversOfRunsThatDiedAreRemoved) {
    std::string dir = test::ScratchDir("stale");
    std::string dead = JoinPath(dir, std::string("~sndsave-") + kDeadPid + "-00ff00ff00ff.tmp");
    Touch(dead);
    std::string mine = MakeTempFile(dir, "save");
    Touch(JoinPath(dir, "notes.tmp"));
    EXPECT_EQ(RemoveStaleTempFiles(dir), 1);
    EXPECT_FALSE(LFile::Exists(dead.c_str()));
    EXPECT_TRUE(LFile::Exists(mine.c_str()));
    EXPECT_TRUE(LFile::Exists(JoinPath(dir, "notes.tmp").c_str()));
}

TEST(RunFolders, AreFreshAndPrivateAndDeadOnesAreFoundButNeverThroughALink) {
    std::string parent = test::ScratchDir("runs");
    std::string a = MakeRunFolder(parent, "sondrel-cli"), b = MakeRunFolder(parent, "sondrel-cli");
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_TRUE(LFile::IsDirectory(a.c_str()));
#ifndef _WIN32
    struct stat st;
    ASSERT_EQ(::stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif
    std::string dead = JoinPath(parent, std::string("sondrel-cli-") + kDeadPid + "-0123456789ab");
    ASSERT_TRUE(LFile::MakeFolder(dead.c_str()));
    EXPECT_FALSE(LFile::MakeFolder(dead.c_str()));  // exclusive: an existing name is never used again
    EXPECT_EQ(LFile::LastError(), LFailure::kExists);
    Touch(JoinPath(parent, std::string("sondrel-cli-") + kDeadPid + "-0000"));  // a file, not a folder
#ifndef _WIN32
    // A link planted under a run folder's name, pointing at someone's files.
    std::string victim = test::ScratchDir("victim");
    ASSERT_EQ(::symlink(victim.c_str(), JoinPath(parent, std::string("sondrel-cli-") + kDeadPid + "-1111").c_str()), 0);
#endif
    EXPECT_EQ(DeadRunFolders(parent, "sondrel-cli"), std::vector<std::string>{dead});
}

TEST(FolderLock, HasOneHolderAtATime) {
    std::string dir = test::ScratchDir("lock");
    auto first = std::make_unique<LFolderLock>();
    LFolderLock second;
    EXPECT_TRUE(first->Acquire(dir));
    EXPECT_FALSE(second.Acquire(dir));
    EXPECT_FALSE(second.Held());
    first.reset();
    EXPECT_TRUE(second.Acquire(dir));
}

TEST(Paths, LimitsCountCharactersNotBytes) {
    const std::string e = "\xC3\xA9";  // é: one character, two bytes
    std::string folder;
    for (int i = 0; i < 250; ++i) folder += e;
    EXPECT_EQ(PathLength("Gr\xC3\xBC\xC3\x9F" "e \xE6\x9D\xB1\xE4\xBA\xAC"), 8u);  // "Grüße 東京"
    EXPECT_EQ(PathLength(folder), 250u);
    // 250 + 1 + 5 = 256 characters (506 bytes) fit; 250 + 1 + 9 = 260 do not.
    EXPECT_EQ(JoinPathChecked(folder, "1.aud").size(), folder.size() + 6);
    EXPECT_EQ(JoinPathChecked(folder, "12345.aud"), "");
    EXPECT_EQ(LFile::LastError(), LFailure::kPathTooLong);
    // JoinPath stops at 259 characters and never splits one.
    std::string cut = JoinPath(folder, e + e + e + e + e + e + e + e + e + e + e);
    EXPECT_EQ(PathLength(cut), 259u);
    EXPECT_EQ(cut.size(), folder.size() + 1 + 16);
}

TEST(Files, ASimulatedFullDiskStoresWhatFitsAndSaysWhy) {
    std::string dir = test::ScratchDir("simfull"), other = test::ScratchDir("simroom");
    LFile::SimulateDiskFull(dir, 60);
    std::vector<uint8_t> data(100, 7);
    LFile f, g;
    ASSERT_TRUE(f.Open(JoinPath(dir, "a").c_str(), LFile::kCreate));
    ASSERT_TRUE(g.Open(JoinPath(other, "b").c_str(), LFile::kCreate));
    EXPECT_EQ(f.Write(data.data(), 100), 60u);
    EXPECT_EQ(f.Error(), LFailure::kDiskFull);
    EXPECT_EQ(g.Write(data.data(), 100), 100u);
    EXPECT_EQ(g.Error(), LFailure::kNone);
    LFile::SimulateDiskFull("", 0);
    EXPECT_EQ(f.Size(), 60);
}

#ifndef _WIN32
TEST(Files, APrivateNewFileNeverGoesThroughALink) {
    std::string dir = test::ScratchDir("nolink");
    std::string victim = JoinPath(dir, "victim"), link = JoinPath(dir, "3.aud");
    Touch(victim);
    ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
    LFile f;
    ASSERT_TRUE(f.Open(link.c_str(), LFile::kTempExclusive));
    EXPECT_EQ(f.Write("segment", 7), 7u);
    f.Close();
    std::vector<uint8_t> v;
    ASSERT_TRUE(LFile::ReadAll(victim.c_str(), v));
    EXPECT_EQ(v, std::vector<uint8_t>{'x'});
    struct stat st;
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    // A file that must be new is refused where a link (or anything) is.
    ASSERT_EQ(::symlink(victim.c_str(), JoinPath(dir, "new").c_str()), 0);
    EXPECT_FALSE(f.Open(JoinPath(dir, "new").c_str(), LFile::kCreateNew));
}
#endif

}  // namespace
