// The start-up question after a run that ended abnormally: what it lists,
// when it is asked, and what each answer leaves in the data folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/LDocumentJournal.h"
#include "support/LFile.h"
#include "support/TestUtil.h"
#include "ui/LRecoveryPrompt.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

// A data folder as a killed run leaves it: "0.jnl" (a saved file, 1.5 s of
// stereo at 8000 Hz over segment 0), "1.jnl" (an untitled document whose
// segment 1 is missing) and "2.jnl" (cut short).
std::string LeftFolder() {
    std::string dir = ScratchDir("recovery-prompt");
    LJournalRecord song;
    song.nOrder = 1;
    song.nChangedTime = 1000000;
    song.nSampleRate = 8000;
    song.nChans = 2;
    song.szFilePath = "C:\\Music\\song.wav";
    song.vCuts = {{0, 0, 8000, kUnityGain}, {kSilentIndex, 0, 4000, kUnityGain}};
    LJournalRecord untitled;
    untitled.nOrder = 2;
    untitled.nChangedTime = 2000000;
    untitled.nUntitledIdx = 4;
    untitled.vCuts = {{1, 0, 10, kUnityGain}};
    std::vector<uint8_t> b;
    EncodeJournal(song, b);
    WriteBytes(JournalPath(dir, 0), b);
    WriteBytes(JoinPath(dir, "0.aud"), std::vector<uint8_t>(8000 * 2 * 4));
    EncodeJournal(untitled, b);
    WriteBytes(JournalPath(dir, 1), b);
    b.resize(b.size() / 2);
    WriteBytes(JournalPath(dir, 2), b);
    return dir;
}

std::string FakeTime(int64_t s) { return "t" + std::to_string(s); }

}  // namespace

TEST(RecoveryPrompt, ListsWhatCanAndCannotBeRecovered) {
    LSessionRecovery rec(LeftFolder());
    LRecoveryPrompt p = MakeRecoveryPrompt(rec, FakeTime);
    EXPECT_TRUE(p.bCanRecover);
    EXPECT_NE(p.szIntro.find("can be recovered"), std::string::npos);
    ASSERT_EQ(p.vRows.size(), 3u);
    struct Want {
        const char* name;
        const char* length;
        const char* changed;
        const char* state;
    } want[] = {
        {"song.wav", "0:00:01.50", "t1000000", "Can be recovered"},
        {"Untitled 4", "0:00:00.00", "t2000000", "Cannot be recovered: its audio file 1.aud is missing"},
        {"2.jnl", "", "", "Cannot be recovered: its saved state is damaged"},
    };
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(p.vRows[i].szName, want[i].name);
        EXPECT_EQ(p.vRows[i].szLength, want[i].length);
        EXPECT_EQ(p.vRows[i].szChanged, want[i].changed);
        EXPECT_EQ(p.vRows[i].szState, want[i].state);
        EXPECT_EQ(p.vRows[i].bUsable, i == 0);
    }
}

TEST(RecoveryPrompt, EachAnswerLeavesWhatItSays) {
    struct Case {
        const char* what;
        LRecoveryChoice choice;
        bool recovered;
        size_t journalsLeft;
    } cases[] = {
        {"recover", LRecoveryChoice::kRecover, true, 3},  // the journals stay until recovered
        {"discard", LRecoveryChoice::kDiscard, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string dir = LeftFolder();
        int asked = 0;
        auto rec = AskAboutLeftDocuments(
            dir,
            [&](const LRecoveryPrompt& p) {
                ++asked;
                EXPECT_EQ(p.vRows.size(), 3u);
                return c.choice;
            },
            FakeTime);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(rec != nullptr, c.recovered);
        EXPECT_EQ(LFile::List(dir.c_str(), ".jnl").size(), c.journalsLeft);
        EXPECT_EQ(LFile::Exists(JoinPath(dir, "0.aud").c_str()), c.recovered);
    }
}

TEST(RecoveryPrompt, NothingLeftAsksNothingAndNothingUsableOnlyReports) {
    std::string empty = ScratchDir("recovery-prompt");
    int asked = 0;
    auto count = [&](const LRecoveryPrompt&) {
        ++asked;
        return LRecoveryChoice::kRecover;
    };
    EXPECT_EQ(AskAboutLeftDocuments(empty, count, FakeTime), nullptr);
    EXPECT_EQ(asked, 0);

    std::string dir = LeftFolder();
    LFile::Delete(JoinPath(dir, "0.aud").c_str());
    LRecoveryPrompt shown;
    auto rec = AskAboutLeftDocuments(
        dir,
        [&](const LRecoveryPrompt& p) {
            shown = p;
            return LRecoveryChoice::kRecover;
        },
        FakeTime);
    EXPECT_FALSE(shown.bCanRecover);
    EXPECT_NE(shown.szIntro.find("cannot be recovered"), std::string::npos);
    EXPECT_EQ(rec, nullptr);
    EXPECT_TRUE(LFile::List(dir.c_str(), ".jnl").empty()) << "reported journals stay to be reported again";
}
