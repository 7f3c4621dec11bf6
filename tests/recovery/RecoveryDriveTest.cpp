// Crash recovery through a program under Wine, in three phases that
// run-recovery-test.sh runs around killing the program with `wineserver -k`:
//   PrepareInput      makes in.wav and, with the engine in this process,
//                     expected.wav: what the test's edit produces;
//   (the host opens in.wav, edits it, and is killed without warning)
//   RecoverAfterKill  starts the host again: the prompt offers in.wav, Recover
//                     brings it back, and the file it is saved to is identical
//                     to expected.wav; nothing stays in the data folder;
//   DiscardAfterKill  after a second killed run: Discard, confirmed, removes
//                     the journal and its audio before the program goes on.
// SONDREL_RECOVERY_WORK names the work folder (a Unix path).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "RecoveryEdit.h"
#include "core/LSoundTime.h"
#include "document/LAudioCutTank.h"
#include "support/LFile.h"
#include "support/LResourceIds.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"
#include "tests/drive/LDrive.h"
#include "ui/LRecoveryPrompt.h"

using namespace sondrel;
using namespace sondrel::drive;

namespace {

constexpr DWORD kStartMs = 60000;  // a fresh Wine prefix can be slow to show the first window

std::string Work() { return WinePath(Environment("SONDREL_RECOVERY_WORK")); }
std::string Data() { return JoinPath(Work(), "data"); }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// The files of the data folder the host found right after its prompt.
std::vector<std::string> LeftAfterPrompt(const std::vector<std::string>& report) {
    std::vector<std::string> names;
    if (report.empty() || report[0].rfind("left:", 0) != 0) return {"(no report)"};
    std::string rest = report[0].substr(5);
    for (size_t at = 0; at < rest.size();) {
        size_t end = rest.find(' ', at + 1);
        if (end == std::string::npos) end = rest.size();
        std::string n = rest.substr(at, end - at);
        if (n.size() > 1) names.push_back(n.substr(n[0] == ' ' ? 1 : 0));
        at = end;
    }
    return names;
}

size_t Count(const std::vector<std::string>& names, const char* suffix) {
    size_t n = 0;
    std::string s = suffix;
    for (const std::string& name : names)
        if (name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0) ++n;
    return n;
}

class RecoveryDrive : public ::testing::Test {
protected:
    // Starts the host as the editor starts and waits for its prompt.
    HWND StartAndWaitForPrompt(const std::string& saveTo) {
        LFile::Delete(JoinPath(Work(), "report.txt").c_str());
        if (!host.Start(WinePath(RECOVERY_HOST_EXE), "startup \"" + Data() + "\" \"" + saveTo + "\"")) return nullptr;
        return WaitForWindow(host.Id(), kRecoverCaption, kStartMs);
    }
    Program host;
};

}  // namespace

TEST_F(RecoveryDrive, PrepareInput) {
    std::string in = JoinPath(Work(), "in.wav"), expected = JoinPath(Work(), "expected.wav");
    std::string tankDir = JoinPath(Work(), "drivertank");
    CreateDirectoryA(tankDir.c_str(), nullptr);
    LCutTankScope tank(tankDir);
    test::ScriptedHost scripted;
    {
        LDocuments docs(scripted);
        // Two seconds of stereo: a tone on the left, a slow ramp on the right.
        std::vector<int32_t> tone = test::Sine(44100, 2, 22050, 440.0, 0x40000);
        for (size_t f = 0; f < tone.size() / 2; ++f) tone[f * 2 + 1] = int32_t(f * 16) - 0x50000;
        LCutListAudio audio(22050, 2);
        {
            LSoundSinkPtr sink = CreateSink(audio, 22050, 2);
            sink->Write(tone.data(), 44100);
        }
        LSDFile& d = docs.AddUntitled(audio);
        d.szFilePath = in;
        ASSERT_TRUE(docs.SaveDocument(d));
    }
    LDocuments docs(scripted);
    ASSERT_TRUE(docs.LoadFile(in));
    ASSERT_TRUE(test::ApplyTheEdit(docs));
    LSDFile& d = *docs.Current();
    d.szFilePath = expected;
    ASSERT_TRUE(docs.SaveDocument(d));
    // What the prompt must show for it.
    std::string length = FormatPosition(LSoundTime(d.LengthMs()));
    ASSERT_TRUE(LFile::WriteAll(JoinPath(Work(), "expected-length.txt").c_str(), length.data(), length.size()));
}

TEST_F(RecoveryDrive, RecoverAfterKill) {
    ASSERT_FALSE(LFile::List(Data().c_str(), ".jnl").empty()) << "the killed host left no journal";
    const std::string saved = JoinPath(Work(), "saved.wav");
    HWND prompt = StartAndWaitForPrompt(saved);
    ASSERT_TRUE(prompt) << "no \"Recover Documents\" prompt";
    HWND list = GetDlgItem(prompt, IDC_RECOVER_LIST);
    ASSERT_EQ(ListCount(list), 1);
    EXPECT_EQ(ListText(list, 0, 0), "in.wav");
    EXPECT_EQ(ListText(list, 0, 1), ReadText(JoinPath(Work(), "expected-length.txt")));
    EXPECT_FALSE(ListText(list, 0, 2).empty());
    EXPECT_EQ(ListText(list, 0, 3), "Can be recovered");
    Click(prompt, IDOK);
    ASSERT_EQ(host.WaitExit(kStartMs), 0u);

    std::vector<std::string> report = Lines(ReadText(JoinPath(Work(), "report.txt")));
    ASSERT_GE(report.size(), 2u);
    std::vector<std::string> left = LeftAfterPrompt(report);
    EXPECT_EQ(Count(left, ".jnl"), 1u) << "the journal went before its document was recovered";
    EXPECT_GE(Count(left, ".aud"), 1u);
    EXPECT_EQ(report[1].substr(0, 9), "in.wav|1|") << "recovered, and as a modified document";

    std::vector<uint8_t> want, got;
    ASSERT_TRUE(LFile::ReadAll(JoinPath(Work(), "expected.wav").c_str(), want));
    ASSERT_TRUE(LFile::ReadAll(saved.c_str(), got));
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want) << "the saved file differs from what the edit produced";
    // A clean end leaves neither journals nor audio behind.
    EXPECT_TRUE(LFile::List(Data().c_str(), ".jnl").empty());
    EXPECT_TRUE(LFile::List(Data().c_str(), ".aud").empty());
}

TEST_F(RecoveryDrive, DiscardAfterKill) {
    ASSERT_FALSE(LFile::List(Data().c_str(), ".jnl").empty()) << "the killed host left no journal";
    const std::string saved = JoinPath(Work(), "discarded.wav");
    HWND prompt = StartAndWaitForPrompt(saved);
    ASSERT_TRUE(prompt) << "no \"Recover Documents\" prompt";
    Click(prompt, IDC_RECOVER_DISCARD);
    MessageBoxShown box;
    ASSERT_TRUE(WaitForMessageBox(host.Id(), "Sondrel", box, kStartMs));
    EXPECT_EQ(box.text, kDiscardQuestion);
    Click(box.window, IDYES);
    ASSERT_EQ(host.WaitExit(kStartMs), 0u);

    std::vector<std::string> report = Lines(ReadText(JoinPath(Work(), "report.txt")));
    ASSERT_GE(report.size(), 1u);
    std::vector<std::string> left = LeftAfterPrompt(report);
    EXPECT_EQ(Count(left, ".jnl"), 0u);
    EXPECT_EQ(Count(left, ".jnl.new"), 0u);
    for (const std::string& name : left) ADD_FAILURE() << name << " stayed after Discard";
    EXPECT_EQ(report.size(), 1u) << "a discarded document came back";
    EXPECT_FALSE(LFile::Exists(saved.c_str()));
}
