// Crash recovery in the real editor under Wine, in phases that run.sh (mode
// "recovery") runs around ending every program of the test's own Wine
// prefix with `wineserver -k`, as a crash or a power cut would, with no
// chance to clear up:
//   PrepareInput      the editor's settings, in.wav and, with the engine in
//                     this process, expected.wav: what the edit produces;
//   Edit              the editor opens in.wav; Trim Start at 0.5 s (cuts
//                     only) and an echo over the rest (a new segment), made
//                     through the menus, keys and the Echo dialog; once the
//                     journal holds the echo the editor is left running;
//   (run.sh ends every program of the prefix)
//   RecoverAfterKill  the next start offers in.wav in "Recover Documents";
//                     Recover brings it back as a changed document whose
//                     journal and audio stay until it is saved, and Save As
//                     writes exactly expected.wav; a clean exit leaves
//                     nothing in the data folder;
//   Edit, the kill, then DiscardAfterKill: Discard, confirmed, removes the
//                     journal and its audio before the editor goes on with
//                     no document.
// SONDREL_RECOVERY_WORK names the work folder (a Unix path).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "EditorDriver.h"
#include "core/LSoundTime.h"
#include "document/LAudioCutTank.h"
#include "document/LEditCommands.h"
#include "effects/LEffectRunner.h"
#include "support/LFile.h"
#include "support/LResourceIds.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"
#include "ui/LRecoveryPrompt.h"

using namespace sondrel;
using namespace sondrel::drive;

namespace {

std::string Work() {
    const std::string work = Environment("SONDREL_RECOVERY_WORK");
    return work.empty() ? work : WinePath(work);
}
std::string Data() { return JoinPath(Work(), "data"); }
std::string In() { return JoinPath(Work(), "in.wav"); }

// The edit both sides make: Trim Start at 0.5 s, then an echo of 150 ms at
// 40 % over the whole rest.
constexpr int32_t kTrimAtMs = 500;
constexpr int kTrimThumb = 50;  // 0.5 s of the 2 s file on the scroll bar (thumb x 0.005 x length)
constexpr int32_t kEchoMs = 150, kEchoPercent = 40;

bool ApplyTheEdit(LDocuments& docs) {
    LSDFile* d = docs.Current();
    if (!d) return false;
    d->stPosition.ms = kTrimAtMs;
    d->stSelStart.ms = d->stSelEnd.ms = kTrimAtMs;
    if (!CmTrimStart(docs) || !CmSelectAll(docs)) return false;
    const LEffectDesc& echo = EffectOf(LEffect::kEcho);
    LEffectValues values = ReadStoredValues(echo);
    values.v[0] = kEchoMs;
    values.v[1] = kEchoPercent;
    return RunEffectCommand(docs, echo, values) == LCommandResult::kDone;
}

size_t Count(const std::vector<std::string>& names, const char* suffix) {
    size_t n = 0;
    std::string s = suffix;
    for (const std::string& name : names)
        if (name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0) ++n;
    return n;
}

// The data folder's files but the lock a running editor holds on it.
std::vector<std::string> DataFiles() {
    std::vector<std::string> names;
    for (const std::string& n : List(Data()))
        if (n != "sondrel.lock") names.push_back(n);
    return names;
}

std::string Journal() {
    for (const std::string& n : DataFiles())
        if (n.size() > 4 && n.compare(n.size() - 4, 4, ".jnl") == 0) return ReadText(JoinPath(Data(), n));
    return std::string();
}

class Recovery : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(Work().empty()) << "run by tests/user/run.sh recovery"; }

    // Starts the editor as after a crash, with no file, and waits for its prompt.
    HWND StartAndWaitForPrompt() {
        if (!editor.Process().Start(WinePath(SONDREL_EXE), "")) return nullptr;
        return editor.WaitDialog(kRecoverCaption, kEditorStartMs);
    }

    Editor editor;
};

}  // namespace

TEST_F(Recovery, PrepareInput) {
    ClearEditorSettings();
    CreateDirectoryA(Data().c_str(), nullptr);
    SetEditorSetting("Folders", "Current", Data());
    SetEditorSetting("Settings", "AutoPlaybackAfterEffects", "0");
    const std::string expected = JoinPath(Work(), "expected.wav");
    const std::string tankDir = JoinPath(Work(), "drivertank");
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
        d.szFilePath = In();
        ASSERT_TRUE(docs.SaveDocument(d));
    }
    LDocuments docs(scripted);
    ASSERT_TRUE(docs.LoadFile(In()));
    ASSERT_TRUE(ApplyTheEdit(docs));
    LSDFile& d = *docs.Current();
    d.szFilePath = expected;
    ASSERT_TRUE(docs.SaveDocument(d));
    // What the prompt must show for it.
    std::string length = FormatPosition(LSoundTime(d.LengthMs()));
    ASSERT_TRUE(LFile::WriteAll(JoinPath(Work(), "expected-length.txt").c_str(), length.data(), length.size()));
}

// The edit as a user makes it; the editor stays running for run.sh to end.
TEST_F(Recovery, Edit) {
    ASSERT_TRUE(editor.Start("\"" + In() + "\""));
    ASSERT_TRUE(editor.WaitTitle("Sondrel [in.wav]", kEditorStartMs));
    ASSERT_TRUE(WaitUntil([&] { return !Journal().empty(); }, kEditorDiskMs)) << "no journal for the open file";
    editor.Thumb(kTrimThumb);
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, FormatPosition(LSoundTime(kTrimAtMs))));
    ASSERT_TRUE(editor.Press('R', {VK_CONTROL}));  // Trim Start
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:00.00"));
    ASSERT_TRUE(editor.Press('A', {VK_CONTROL}));
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:01.500"));
    ASSERT_TRUE(editor.Idle());
    const std::string trimmed = Journal();
    editor.Command(IDM_ECHO);
    HWND dlg = editor.WaitDialog("Echo");
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(SetTextUtf8(GetDlgItem(dlg, IDC_ECHO_TIME), std::to_string(kEchoMs)));
    ASSERT_TRUE(SetTextUtf8(GetDlgItem(dlg, IDC_ECHO_GAIN), std::to_string(kEchoPercent)));
    Click(dlg, IDOK);
    ASSERT_TRUE(WaitForWindowGone(dlg, kEditorStepMs));
    ASSERT_TRUE(editor.Idle());
    // The journal is written after every change by a writer thread: it
    // holds the echo once it has changed and then stays as it is.
    std::string last;
    int same = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::string now = Journal();
            same = now == last && now != trimmed && !now.empty() ? same + 1 : 0;
            last = now;
            return same >= 10;
        },
        kEditorDiskMs, 50))
        << "the journal did not take the echo";
    ASSERT_GE(Count(DataFiles(), ".aud"), 1u);
    editor.Process().Detach();
}

TEST_F(Recovery, RecoverAfterKill) {
    ASSERT_EQ(Count(DataFiles(), ".jnl"), 1u) << "the killed editor left no journal";
    HWND prompt = StartAndWaitForPrompt();
    ASSERT_TRUE(prompt) << "no \"Recover Documents\" prompt";
    HWND list = GetDlgItem(prompt, IDC_RECOVER_LIST);
    ASSERT_EQ(ListCount(list), 1);
    EXPECT_EQ(ListText(list, 0, 0), "in.wav");
    EXPECT_EQ(ListText(list, 0, 1), ReadText(JoinPath(Work(), "expected-length.txt")));
    EXPECT_FALSE(ListText(list, 0, 2).empty());
    EXPECT_EQ(ListText(list, 0, 3), "Can be recovered");
    Click(prompt, IDOK);  // Recover
    ASSERT_TRUE(editor.FindMain());
    ASSERT_TRUE(editor.WaitTitle("Sondrel [in.wav]"));
    // Its journal and audio stay while it is open, not yet saved.
    const std::vector<std::string> left = DataFiles();
    EXPECT_EQ(Count(left, ".jnl"), 1u) << "the journal went before its document was saved";
    EXPECT_GE(Count(left, ".aud"), 1u);
    editor.Command(IDM_CLOSE);  // recovered as a changed document: Close asks, Cancel keeps it
    EXPECT_EQ(editor.Answer(IDCANCEL), "Save changes to \"in.wav\"?");

    const std::string saved = JoinPath(Work(), "saved.wav");
    ASSERT_TRUE(editor.SaveAs(saved));
    std::vector<uint8_t> want, got;
    ASSERT_TRUE(LFile::ReadAll(JoinPath(Work(), "expected.wav").c_str(), want));
    ASSERT_TRUE(LFile::ReadAll(saved.c_str(), got));
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want) << "the saved file differs from what the edit produced";
    EXPECT_TRUE(editor.ExitDiscarding().empty());
    ASSERT_EQ(editor.WaitExit(kEditorStartMs), 0u);
    // A clean end leaves neither journals nor audio behind.
    EXPECT_TRUE(List(Data()).empty());
}

TEST_F(Recovery, DiscardAfterKill) {
    ASSERT_EQ(Count(DataFiles(), ".jnl"), 1u) << "the killed editor left no journal";
    HWND prompt = StartAndWaitForPrompt();
    ASSERT_TRUE(prompt) << "no \"Recover Documents\" prompt";
    Click(prompt, IDC_RECOVER_DISCARD);
    MessageBoxShown box;
    ASSERT_TRUE(editor.WaitMessageBox("Sondrel", box, kEditorStartMs));
    EXPECT_EQ(box.text, kDiscardQuestion);
    Click(box.window, IDYES);
    ASSERT_TRUE(editor.FindMain());
    EXPECT_TRUE(editor.WaitTitle("Sondrel")) << "a discarded document came back";
    // Gone before the editor goes on: the journal and its audio.
    for (const std::string& name : DataFiles()) ADD_FAILURE() << name << " stayed after Discard";
    EXPECT_TRUE(editor.ExitDiscarding().empty());
    ASSERT_EQ(editor.WaitExit(kEditorStartMs), 0u);
    EXPECT_TRUE(List(Data()).empty());
}
