// The two hooks the editor's start-up and main window call, in the order
// they call them: a run edits and is "killed" (its data folder copied while
// it still has documents open), the next run is asked and gets the documents
// back, keeps their journals going and leaves none after a clean exit.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/DocumentFixture.h"
#include "ui/LCrashRecovery.h"

using namespace sondrel;
using namespace sondrel::test;
namespace fs = std::filesystem;

namespace {

class CrashRecoveryHooks : public DocumentFixture {
protected:
    size_t Journals(const std::string& folder) { return LFile::List(folder.c_str(), ".jnl").size(); }

    static std::vector<int32_t> Ramp(int32_t n, int32_t base) {
        std::vector<int32_t> v(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) v[size_t(i)] = base + i * 7;
        return v;
    }
};

}  // namespace

TEST_F(CrashRecoveryHooks, AKilledRunsEditComesBackAndACleanExitLeavesNoJournal) {
    const std::string run = JoinPath(dir, "run"), next = JoinPath(dir, "next");
    fs::create_directories(run);
    fs::create_directories(next);
    std::vector<int32_t> edited;
    int asked = 0;
    auto ask = [&](const LRecoveryPrompt& p) {
        ++asked;
        EXPECT_TRUE(p.bCanRecover);
        EXPECT_EQ(p.vRows.size(), 1u);
        return LRecoveryChoice::kRecover;
    };

    {  // The run that is killed.
        LRecoveredDocuments nothing = AskToRecover(run, ask);
        EXPECT_EQ(asked, 0) << "nothing was left: no question";
        EXPECT_TRUE(nothing.KeepSet().empty());
        LCutTankScope runTank(run);
        LCrashRecovery journals(run);
        ScriptedHost runHost;
        LDocuments runDocs(runHost);
        EXPECT_EQ(nothing.AddTo(runDocs, journals), 0);
        LSDFile& d = runDocs.AddUntitled(List(Ramp(4000, 1), 1, 8000));
        journals.DocumentChanged(runDocs);
        runDocs.StartModifyCurrentFile("Delete");
        d.audio.EfDelete(100, 1100);
        d.audio.EfAmplify(0, 500, 50);
        journals.DocumentChanged(runDocs);
        journals.Keeper().WaitIdle();
        edited = Samples(d.audio);
        for (const auto& e : fs::directory_iterator(run)) fs::copy_file(e.path(), fs::path(next) / e.path().filename());
        journals.Close();
        EXPECT_EQ(Journals(run), 0u) << "a clean exit leaves no journal";
    }

    // The next run starts over what the killed one left.
    LRecoveredDocuments recovered = AskToRecover(next, ask);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(recovered.Count(), 1);
    EXPECT_FALSE(recovered.KeepSet().empty());
    LCutTankScope nextTank(next);
    LCrashRecovery journals(next);
    ASSERT_EQ(recovered.AddTo(*docs, journals), 1);
    EXPECT_EQ(recovered.AddTo(*docs, journals), 0) << "added once";
    ASSERT_EQ(docs->GetNoFiles(), 1);
    EXPECT_EQ(Samples(docs->At(0)->audio), edited);
    EXPECT_EQ(docs->At(0)->bDirty, 1);

    // The command line's file opens after the recovery; both are journalled,
    // a document closed cleanly loses its journal, and the exit the rest.
    docs->AddUntitled(List(Ramp(300, -900), 1, 8000));
    journals.DocumentChanged(*docs);
    journals.Keeper().WaitIdle();
    EXPECT_EQ(Journals(next), 2u);
    host.answers.push_back(LDocumentHost::kNo);
    ASSERT_TRUE(docs->CmClose());
    journals.DocumentChanged(*docs);
    journals.Keeper().WaitIdle();
    EXPECT_EQ(Journals(next), 1u);
    journals.Close();
    EXPECT_EQ(Journals(next), 0u);
    docs.reset();
}

TEST_F(CrashRecoveryHooks, AnInstanceWithoutTheDataFolderNeitherAsksNorWrites) {
    const std::string other = JoinPath(dir, "tank");
    LCrashRecovery owner(other);
    docs->AddUntitled(List(Ramp(100, 0), 1, 8000));
    owner.DocumentChanged(*docs);
    owner.Keeper().WaitIdle();
    ASSERT_EQ(Journals(other), 1u);

    int asked = 0;
    LRecoveredDocuments none = AskToRecover("", [&](const LRecoveryPrompt&) {
        ++asked;
        return LRecoveryChoice::kRecover;
    });
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(none.Count(), 0);
    LCrashRecovery second("");
    second.DocumentChanged(*docs);
    second.Close();
    owner.Keeper().WaitIdle();
    EXPECT_EQ(Journals(other), 1u) << "the owner's journal is untouched";
    owner.Close();
    EXPECT_EQ(Journals(other), 0u);
}
