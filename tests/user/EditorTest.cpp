// The real sondrel.exe worked from outside as a user works it: started with
// a file, then menus (posted commands), keys (real input), the scroll bar,
// the transport buttons, the effect dialog, the common file dialogs, the
// save prompts, a second start handing its file over, a killed run's edits
// coming back, the record dialog and the CD import. The cases run in order
// in one process and share the editor where they can: each leaves it as the
// next one expects.
//
// run.sh (mode "editor") makes the input files, gives the editor its own
// sound output file, runs these cases and then checks with sox what the
// editor saved and played. USER_DIR is the folder of the files (a Windows
// path).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "EditorDriver.h"
#include "support/LResourceIds.h"

namespace sondrel::test {
namespace {

using namespace drive;

std::string Dir() { return Environment("USER_DIR"); }
std::string In(const std::string& name) { return Dir() + "\\" + name; }

class MainWindow : public ::testing::Test {
protected:
    // A fresh set of settings: the data folder in the work folder, no
    // playback after edits (the only sound played is the one a case plays),
    // and the volume at its top, where the mixer's level is full and the
    // played samples are the document's own (0 dB is 78 % of the mixer's
    // range, which Wine applies to the samples).
    static void SetUpTestSuite() {
        ClearEditorSettings();
        SetEditorSetting("Folders", "Current", In("data"));
        CreateDirectoryA(In("data").c_str(), nullptr);
        SetEditorSetting("Settings", "AutoPlaybackAfterEffects", "0");
        SetEditorSetting("Settings", "WindowMaximized", "1");
        SetEditorSetting("Settings", "PlayVolume", "12");
    }
    // The next program to start the editor in this prefix gets its defaults.
    static void TearDownTestSuite() {
        editor.Kill();
        ClearEditorSettings();
    }

    // A case that failed may leave the editor in any state, or killed with
    // its journals in the data folder: the cases that start an editor of
    // their own then start from a clean folder, not at a recovery prompt.
    void TearDown() override {
        if (!HasFailure()) return;
        editor.Kill();
        for (const std::string& name : List(In("data")))
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jnl") == 0) DeleteFileA(In("data\\" + name).c_str());
    }

    static bool SaveAs(const std::string& name) { return editor.SaveAs(In(name)); }

    static Editor editor;
};

Editor MainWindow::editor;

TEST_F(MainWindow, OpensTheFileNamedOnTheCommandLine) {
    ASSERT_TRUE(editor.Start("\"" + In("tone.wav") + "\""));
    ASSERT_TRUE(editor.WaitTitle("Sondrel [tone.wav]", kEditorStartMs));
    EXPECT_EQ(Text(GetDlgItem(editor.Main(), IDC_STATUS)), "Sample Rate: 44100   Stereo");
    EXPECT_EQ(editor.Field(IDC_CURRENT_TIME), "0:00:00.00");
    ASSERT_TRUE(editor.WaitDrawn());
    // For people to look at: the editor with the file open.
    EXPECT_TRUE(SaveScreenPng(WinePath(std::string(SONDREL_BUILD_DIR) + "/editor-with-file.png")));
}

TEST_F(MainWindow, SelectCutPasteAndUndoThroughMenusAndKeys) {
    editor.Thumb(40);  // 2 s into the 10 s file
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:02.00"));
    ASSERT_TRUE(editor.Press(VK_END, {VK_SHIFT}));
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:08.000"));
    EXPECT_EQ(editor.Field(IDC_SELECTION_START), "0:00:02.00");
    EXPECT_EQ(editor.Field(IDC_SELECTION_END), "0:00:10.00");

    editor.Command(IDM_CUT);  // Edit > Cut: 2 s are left
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:00.000"));
    ASSERT_TRUE(editor.Press(VK_END));
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:02.00"));
    ASSERT_TRUE(editor.Press(VK_HOME));
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:00.00"));
    ASSERT_TRUE(editor.Press('V', {VK_CONTROL}));  // the cut 8 s go in at the start
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_END, "0:00:08.00"));
    ASSERT_TRUE(SaveAs("rotated.wav"));

    ASSERT_TRUE(editor.Press('Z', {VK_CONTROL}));  // undo the paste
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_END, "0:00:00.00"));
    editor.Command(IDM_UNDO);  // Edit > Undo: the cut
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:08.000"));
    ASSERT_TRUE(SaveAs("undone.wav"));
}

TEST_F(MainWindow, AppliesAnEffectThroughItsDialog) {
    editor.Thumb(40);
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:02.00"));
    ASSERT_TRUE(editor.Press(VK_HOME, {VK_SHIFT}));
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:02.000"));
    editor.Command(IDM_AMPLIFY);
    HWND d = editor.WaitDialog("Amplify");
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(SetTextUtf8(GetDlgItem(d, IDC_AMPLIFY_GAIN), "50"));
    Click(d, IDOK);
    ASSERT_TRUE(WaitForWindowGone(d, kEditorStepMs));
    ASSERT_TRUE(SaveAs("amplified.wav"));
}

TEST_F(MainWindow, PlaysASelectionAndReturnsToItsStart) {
    editor.Thumb(140);  // 7 s
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:07.00"));
    ASSERT_TRUE(editor.Press(VK_END, {VK_SHIFT}));
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:03.000"));
    EXPECT_EQ(editor.Field(IDC_CURRENT_TIME), "0:00:10.00");  // Shift+End went to the end
    HWND play = GetDlgItem(editor.Main(), IDC_PLAY);
    Click(editor.Main(), IDC_PLAY);
    // It plays (the Play button is down), stops at the end of the selection
    // and goes back to its start; run.sh compares what was played.
    ASSERT_TRUE(WaitUntil([&] { return SendMessageA(play, BM_GETCHECK, 0, 0) == BST_CHECKED; }, kEditorStepMs));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return editor.Field(IDC_CURRENT_TIME) == "0:00:07.00" &&
                   SendMessageA(play, BM_GETCHECK, 0, 0) == BST_UNCHECKED;
        },
        30000));
    EXPECT_EQ(editor.Field(IDC_SELECTION_LENGTH), "0:00:03.000");
    // Kept aside: the record dialog's capture later rewrites the sound file.
    EXPECT_TRUE(CopyFileA(In("play.raw").c_str(), In("played.raw").c_str(), FALSE));
}

TEST_F(MainWindow, OpensAndSavesANonLatinNameThroughTheFileDialogs) {
    ASSERT_TRUE(editor.Open(In("Звук 東京.wav")));
    ASSERT_TRUE(editor.Press('A', {VK_CONTROL}));
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:02.000"));
    ASSERT_TRUE(SaveAs("Копия 東京.wav"));
}

// Save As with an .mp3 name runs the encoder beside the editor (lame.exe);
// run.sh decodes the result with mpg123.
TEST_F(MainWindow, SavesAsMp3ThroughTheEncoder) {
    ASSERT_TRUE(SaveAs("copy.mp3"));
    EXPECT_EQ(editor.Field(IDC_SELECTION_LENGTH), "0:00:02.000");
}

TEST_F(MainWindow, ASecondStartHandsItsFileToTheFirst) {
    Program second;
    ASSERT_TRUE(second.Start(WinePath(SONDREL_EXE), "\"" + In("other.wav") + "\""));
    EXPECT_EQ(second.WaitExit(kEditorStartMs), 0u);
    ASSERT_TRUE(editor.WaitTitle("Sondrel [other.wav]"));
    EXPECT_EQ(TopWindows(second.Id()).size(), 0u);
}

TEST_F(MainWindow, ClosingAsksToSaveChanges) {
    Program second;  // one more file, handed over as well
    ASSERT_TRUE(second.Start(WinePath(SONDREL_EXE), "\"" + In("work.wav") + "\""));
    ASSERT_TRUE(editor.WaitTitle("Sondrel [work.wav]"));
    ASSERT_TRUE(editor.Press('A', {VK_CONTROL}));
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:10.000"));
    ASSERT_TRUE(editor.Press(VK_DELETE));
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:00.000"));

    editor.Command(IDM_CLOSE);
    EXPECT_EQ(editor.Answer(IDCANCEL), "Save changes to \"work.wav\"?");
    EXPECT_EQ(editor.Title(), "Sondrel [work.wav]");  // Cancel keeps it open
    editor.Command(IDM_CLOSE);
    EXPECT_EQ(editor.Answer(IDNO), "Save changes to \"work.wav\"?");
    ASSERT_TRUE(editor.WaitTitle("Sondrel [amplified.wav]"));  // the first one left

    editor.Command(IDM_WINDOW_FIRST);
    editor.Thumb(100);  // 5 s: Trim End keeps what is before
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:05.00"));
    ASSERT_TRUE(editor.Press('E', {VK_CONTROL}));
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:00.00"));
    editor.Command(IDM_EXIT);
    EXPECT_EQ(editor.Answer(IDYES), "Save changes to \"amplified.wav\"?");
    EXPECT_EQ(editor.WaitExit(), 0u);  // the other documents had no changes
}

TEST_F(MainWindow, RecentFilesAndPlacementSurviveARestart) {
    EXPECT_EQ(EditorSetting("Recent", "RecentFile 1"), In("work.wav"));
    EXPECT_EQ(EditorSetting("Settings", "WindowMaximized"), "1");
    // Started again with a saved file: it opens as it was saved.
    ASSERT_TRUE(editor.Start("\"" + In("amplified.wav") + "\""));
    ASSERT_TRUE(editor.WaitTitle("Sondrel [amplified.wav]", kEditorStartMs));
    ASSERT_TRUE(SaveAs("reopened.wav"));
    editor.Command(IDM_RECENT_FIRST);  // File > 1. work.wav
    ASSERT_TRUE(editor.WaitTitle("Sondrel [work.wav]"));
    editor.Command(IDM_EXIT);
    EXPECT_EQ(editor.WaitExit(), 0u);
}

// Files of today's recorders and editors open through File > Open and show
// their waveform: a 24-bit WAV and a FLAC file. Save As Ogg Vorbis writes a
// file that run.sh decodes with oggdec. An editor of its own, ended before
// the next case: the files it opens and saves go to the recent list, which
// the cases before it check.
TEST_F(MainWindow, OpensA24BitWaveAndAFlacFileAndSavesOggVorbis) {
    ASSERT_TRUE(editor.Start(""));
    ASSERT_TRUE(editor.WaitTitle("Sondrel", kEditorStartMs));
    for (const char* name : {"take24.wav", "take.flac"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(editor.Open(In(name)));
        EXPECT_EQ(Text(GetDlgItem(editor.Main(), IDC_STATUS)), "Sample Rate: 48000   Stereo");
        ASSERT_TRUE(editor.Press('A', {VK_CONTROL}));
        ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:03.000"));
        ASSERT_TRUE(editor.WaitDrawn());
    }
    // For people to look at: the FLAC file's waveform.
    EXPECT_TRUE(SaveScreenPng(WinePath(std::string(SONDREL_BUILD_DIR) + "/editor-with-flac.png")));
    ASSERT_TRUE(SaveAs("take-copy.ogg"));
    EXPECT_EQ(editor.ExitDiscarding(), std::vector<std::string>{});  // nothing changed, nothing asked
    EXPECT_EQ(editor.WaitExit(), 0u);
}

// Cut, paste and amplify, then three undos and three redos through the menu
// and every key: the file saved afterwards is the one saved before the
// undos, and the one saved in between is the file as it was opened. An
// editor of its own, ended before the next case.
TEST_F(MainWindow, UndoAndRedoThreeStepsThroughMenusAndKeys) {
    ASSERT_TRUE(CopyFileA(In("tone.wav").c_str(), In("redo.wav").c_str(), FALSE));
    ASSERT_TRUE(editor.Start("\"" + In("redo.wav") + "\""));
    ASSERT_TRUE(editor.WaitTitle("Sondrel [redo.wav]", kEditorStartMs));
    auto redoable = [&](bool want) {
        return WaitUntil([&] { return editor.ToolbarEnabled(IDM_REDO) == want; }, kEditorStepMs);
    };
    editor.Thumb(40);  // 2 s into the 10 s file
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:02.00"));
    ASSERT_TRUE(editor.Press(VK_END, {VK_SHIFT}));
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:08.000"));
    editor.Command(IDM_CUT);
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:00.000"));
    ASSERT_TRUE(editor.Press(VK_HOME));
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:00.00"));
    ASSERT_TRUE(editor.Press('V', {VK_CONTROL}));
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_END, "0:00:08.00"));
    editor.Command(IDM_AMPLIFY);  // the pasted 8 s at half
    HWND d = editor.WaitDialog("Amplify");
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(SetTextUtf8(GetDlgItem(d, IDC_AMPLIFY_GAIN), "50"));
    Click(d, IDOK);
    ASSERT_TRUE(WaitForWindowGone(d, kEditorStepMs));
    ASSERT_TRUE(editor.Idle());
    EXPECT_FALSE(editor.ToolbarEnabled(IDM_REDO));
    ASSERT_TRUE(SaveAs("before-undo.wav"));

    editor.Command(IDM_UNDO);  // Edit > Undo Amplify
    ASSERT_TRUE(redoable(true));
    ASSERT_TRUE(editor.Press('Z', {VK_CONTROL}));  // the paste
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_END, "0:00:00.00"));
    editor.Command(IDM_UNDO);  // the cut
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:08.000"));
    ASSERT_TRUE(SaveAs("three-undone.wav"));

    editor.Command(IDM_REDO);  // Edit > Redo Cut
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:00.000"));
    ASSERT_TRUE(editor.Press('Y', {VK_CONTROL}));  // the paste
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_END, "0:00:08.00"));
    ASSERT_TRUE(editor.Press('Z', {VK_CONTROL, VK_SHIFT}));  // the amplify
    ASSERT_TRUE(redoable(false));
    EXPECT_TRUE(editor.UndoEnabled());
    ASSERT_TRUE(SaveAs("redone.wav"));

    const WavData before = ReadWav(In("before-undo.wav")), undone = ReadWav(In("three-undone.wav")),
                  redone = ReadWav(In("redone.wav")), tone = ReadWav(In("tone.wav"));
    ASSERT_GT(before.Frames(), 0);
    EXPECT_EQ(redone.Samples(), before.Samples());
    EXPECT_EQ(undone.Samples(), tone.Samples());
    EXPECT_NE(before.Samples(), tone.Samples());
    EXPECT_EQ(editor.ExitDiscarding(), std::vector<std::string>{});  // saved, nothing asked
    EXPECT_EQ(editor.WaitExit(), 0u);
}

// The journal files in the data folder, name and contents.
std::vector<std::pair<std::string, std::string>> Journals() {
    std::vector<std::pair<std::string, std::string>> found;
    for (const std::string& name : List(In("data")))
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jnl") == 0)
            found.emplace_back(name, ReadText(In("data\\" + name)));
    return found;
}

// An editor ended by force keeps its edits: the next start offers them and
// brings the document back as it was, still to be saved.
TEST_F(MainWindow, AKilledEditorsChangesComeBackAtTheNextStart) {
    ASSERT_TRUE(editor.Start("\"" + In("other.wav") + "\""));
    ASSERT_TRUE(editor.WaitTitle("Sondrel [other.wav]", kEditorStartMs));
    ASSERT_TRUE(WaitUntil([&] { return Journals().size() == 1; }, kEditorDiskMs));
    const auto loaded = Journals();
    editor.Thumb(100);  // 1 s into the 2 s file
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:01.00"));
    ASSERT_TRUE(editor.Press(VK_END, {VK_SHIFT}));
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:01.000"));
    ASSERT_TRUE(editor.Press(VK_DELETE));
    ASSERT_TRUE(WaitUntil([&] { return Journals() != loaded && Journals().size() == 1; }, kEditorDiskMs));
    editor.Kill();

    ASSERT_TRUE(editor.Process().Start(WinePath(SONDREL_EXE), ""));
    HWND prompt = editor.WaitDialog("Recover Documents", kEditorStartMs);
    ASSERT_NE(prompt, nullptr);
    Click(prompt, IDOK);  // Recover
    ASSERT_TRUE(editor.FindMain());
    ASSERT_TRUE(editor.WaitTitle("Sondrel [other.wav]"));
    ASSERT_TRUE(editor.Press('A', {VK_CONTROL}));
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:01.000"));
    EXPECT_EQ(editor.ExitDiscarding(), std::vector<std::string>{"Save changes to \"other.wav\"?"});
    EXPECT_EQ(editor.WaitExit(), 0u);
    EXPECT_TRUE(Journals().empty());  // a clean end keeps none
}

// F5 opens the record dialog over the current document, and its Close
// button comes back to the editor (what the capture device gave, if
// anything, goes in; the exit's question is answered No).
TEST_F(MainWindow, RecordOpensTheRecordDialog) {
    ASSERT_TRUE(editor.Start("\"" + In("other.wav") + "\""));
    ASSERT_TRUE(editor.WaitTitle("Sondrel [other.wav]", kEditorStartMs));
    ASSERT_TRUE(editor.Press(VK_F5));
    HWND record = editor.WaitDialog("Record Control");
    ASSERT_NE(record, nullptr);
    Click(record, IDOK);  // Close
    ASSERT_TRUE(WaitForWindowGone(record, kEditorStepMs));
    for (const std::string& asked : editor.ExitDiscarding()) EXPECT_EQ(asked, "Save changes to \"other.wav\"?");
    EXPECT_EQ(editor.WaitExit(), 0u);
}

// Ctrl+L imports CD tracks into the editor itself: the ASPI test double
// beside sondrel.exe serves disc.cue (made by run.sh: four tracks, the last
// one ending inside its last sector) from a drive that refuses reads past
// the lead-out. Three tracks, the last one among them, open as three
// untitled documents with changes; the last one is saved and run.sh
// compares its samples with the disc's and reads the double's log.
TEST_F(MainWindow, ImportsThreeCdTracksAsUntitledDocuments) {
    const std::string config = "log " + In("aspi.log") + "\ndrive " + In("disc.cue") + " strict-leadout\n";
    ASSERT_TRUE(WriteBytes(In("aspi.cfg"), std::vector<uint8_t>(config.begin(), config.end())));
    DllOverride aspi("sondrel.exe", "wnaspi32", "native,builtin");
    ASSERT_TRUE(aspi.Ok());
    ASSERT_TRUE(editor.Start("", {{"SONDREL_ASPI_DOUBLE", In("aspi.cfg")}}));
    ASSERT_TRUE(editor.WaitTitle("Sondrel", kEditorStartMs));

    ASSERT_TRUE(editor.Press('L', {VK_CONTROL}));
    HWND d = editor.WaitDialog("Load Audio CD Track(s)");
    ASSERT_NE(d, nullptr) << "Ctrl+L did not open the CD dialog";
    HWND combo = GetDlgItem(d, IDC_CD_DRIVE), list = GetDlgItem(d, IDC_CD_TRACKS);
    ASSERT_EQ(ComboCount(combo), 1);
    EXPECT_EQ(ComboItem(combo, 0), "CD-ROM 1");
    ASSERT_EQ(ListCount(list), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ListText(list, i, 0), "Track " + std::to_string(i + 1));
    EXPECT_EQ(ListText(list, 0, 1), "0 :02");  // 150 sectors
    ListSelect(list, {1, 2, 3});
    ASSERT_EQ(ListSelected(list), (std::vector<int>{1, 2, 3}));
    Click(d, IDOK);
    ASSERT_TRUE(WaitForWindowGone(d, 60000));

    // The last track opened is shown; the Window menu brings up the others,
    // in the order of their tracks. Each has changes to save: Close asks
    // (Cancel keeps it). The data folder keeps no track file.
    ASSERT_TRUE(editor.WaitTitle("Sondrel [Untitled 3]"));
    EXPECT_EQ(Text(GetDlgItem(editor.Main(), IDC_STATUS)), "Sample Rate: 44100   Stereo");
    const char* lengths[] = {"0:00:01.333", "0:00:00.533", "0:00:00.800"};  // 100, 40 and 60 sectors
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        const std::string name = "Untitled " + std::to_string(n);
        editor.Command(IDM_WINDOW_FIRST + n - 1);
        ASSERT_TRUE(editor.WaitTitle("Sondrel [" + name + "]"));
        ASSERT_TRUE(editor.Press('A', {VK_CONTROL}));
        EXPECT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, lengths[n - 1])) << editor.Field(IDC_SELECTION_LENGTH);
        editor.Command(IDM_CLOSE);
        EXPECT_EQ(editor.Answer(IDCANCEL), "Save changes to \"" + name + "\"?");
        EXPECT_EQ(editor.Title(), "Sondrel [" + name + "]");
    }
    for (const std::string& f : List(In("data"))) EXPECT_EQ(f.find(".wav"), std::string::npos) << "left: " << f;

    // The disc's last track saved (Untitled 3 is current).
    ASSERT_TRUE(SaveAs("cdtrack4.wav"));
    std::vector<std::string> asked = editor.ExitDiscarding();
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::string>{"Save changes to \"Untitled 1\"?", "Save changes to \"Untitled 2\"?"}));
    EXPECT_EQ(editor.WaitExit(), 0u);
}

// What a user is told when something fails, and what a save that did not
// happen leaves: a text file named .wav does not open and says why; a save
// into a folder that has gone says why and keeps the document modified; Exit with an untitled document whose Save As is
// cancelled leaves the editor running with the edit; Fast Forward from the
// menu shows its button held, and a click ends it.
TEST_F(MainWindow, FailuresAreToldAndAnUnsavedEditStays) {
    ASSERT_TRUE(editor.Start("\"" + In("tone.wav") + "\""));
    ASSERT_TRUE(editor.WaitTitle("Sondrel [tone.wav]", kEditorStartMs));
    auto answerBox = [&](const std::string& why) {
        MessageBoxShown box;
        if (!editor.WaitMessageBox("Sondrel", box)) return "<no message> " + why;
        EXPECT_EQ(GetWindow(box.window, GW_OWNER), editor.Main()) << "not owned by the main window: " << box.text;
        PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(WaitForWindowGone(box.window, kEditorStepMs));
        return box.text;
    };

    const std::string text = "Only words in here, no sound at all.";
    ASSERT_TRUE(WriteBytes(In("notes.wav"), std::vector<uint8_t>(text.begin(), text.end())));
    editor.Command(IDM_OPEN);
    ASSERT_TRUE(editor.FileDialog("Open Audio Files", In("notes.wav")));
    const std::string notAudio = answerBox("after opening notes.wav");
    EXPECT_EQ(notAudio.rfind("Cannot open \"", 0), 0u) << notAudio;
    EXPECT_NE(notAudio.find("notes.wav\": it is not a readable WAV file."), std::string::npos) << notAudio;
    EXPECT_EQ(editor.Title(), "Sondrel [tone.wav]");

    // Saved into a folder that then goes away, an edit, and Save: the
    // message names the file and why, and the document stays modified.
    // (A read-only folder does not stop a test run as root under Wine.)
    const std::string gone = In("gone"), kept = In("gone\\kept.wav");
    ASSERT_TRUE(CreateDirectoryA(gone.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(editor.SaveAs(kept));
    ASSERT_TRUE(DeleteFileA(kept.c_str()) && RemoveDirectoryA(gone.c_str()));
    editor.Thumb(100);  // 5 s: Trim End keeps what is before
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:05.00"));
    ASSERT_TRUE(editor.Press('E', {VK_CONTROL}));
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:00.00"));
    ASSERT_TRUE(editor.Press('S', {VK_CONTROL}));
    const std::string why = answerBox("after Save with its folder gone");
    EXPECT_EQ(why, "Cannot save \"" + kept + "\": no such file or folder.");
    EXPECT_EQ(editor.Title(), "Sondrel [kept.wav]");
    EXPECT_TRUE(editor.UndoEnabled());

    // An untitled copy of it; Exit: No for kept.wav, Yes for the copy, and
    // Cancel in its Save As: nothing closes.
    ASSERT_TRUE(editor.Press('A', {VK_CONTROL}));
    ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:05.000"));
    editor.Command(IDM_COPY_TO_NEW);
    ASSERT_TRUE(editor.WaitTitle("Sondrel [Untitled 1]"));
    editor.Command(IDM_EXIT);
    EXPECT_EQ(editor.Answer(IDNO), "Save changes to \"kept.wav\"?");
    EXPECT_EQ(editor.Answer(IDYES), "Save changes to \"Untitled 1\"?");
    HWND saveAs = editor.WaitDialog("Locate Audio Files");
    ASSERT_NE(saveAs, nullptr) << "Yes showed no Save As dialog";
    Click(saveAs, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(saveAs, kEditorStepMs));
    EXPECT_EQ(editor.WaitExit(2000), DWORD(STILL_ACTIVE)) << "the editor ended with an unsaved edit";
    EXPECT_EQ(editor.Title(), "Sondrel [Untitled 1]");
    editor.Command(IDM_WINDOW_FIRST);
    ASSERT_TRUE(editor.WaitTitle("Sondrel [kept.wav]"));
    EXPECT_TRUE(editor.UndoEnabled());  // the trim is still there

    // Fast Forward from the menu: the button shows held and the position
    // runs; a click in the wave ends it there.
    ASSERT_TRUE(editor.Press(VK_HOME));
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:00.00"));
    editor.Command(IDM_FAST_FORWARD);
    HWND forward = GetDlgItem(editor.Main(), IDC_FORWARD);
    EXPECT_TRUE(WaitUntil([&] { return editor.Field(IDC_CURRENT_TIME) != "0:00:00.00"; }, kEditorStepMs))
        << "the position did not move: " << editor.Field(IDC_CURRENT_TIME);
    EXPECT_TRUE(SendMessageA(forward, BM_GETSTATE, 0, 0) & BST_PUSHED) << "Fast Forward not shown held";
    ASSERT_TRUE(ClickMouse(GetDlgItem(editor.Main(), IDC_WAVE)));
    EXPECT_TRUE(WaitUntil([&] { return !(SendMessageA(forward, BM_GETSTATE, 0, 0) & BST_PUSHED); }, kEditorStepMs))
        << "Fast Forward still shown held after the click";
    Sleep(300);
    const std::string stopped = editor.Field(IDC_CURRENT_TIME);
    Sleep(1000);
    EXPECT_EQ(editor.Field(IDC_CURRENT_TIME), stopped) << "the position still advances after the click";

    // The end of the session asks as Exit does; Cancel keeps the session,
    // the editor and the edits.
    DWORD_PTR mayEnd = 1;
    std::thread ending([&] {
        if (!SendMessageTimeoutA(editor.Main(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 60000, &mayEnd))
            mayEnd = 2;  // no answer in time
    });
    EXPECT_EQ(editor.Answer(IDCANCEL), "Save changes to \"kept.wav\"?");
    ending.join();
    EXPECT_EQ(mayEnd, 0u) << "the session was let end over an unsaved edit (2: no answer)";
    EXPECT_EQ(editor.WaitExit(500), DWORD(STILL_ACTIVE));
    EXPECT_EQ(editor.Title(), "Sondrel [kept.wav]");
    EXPECT_TRUE(editor.UndoEnabled());

    std::vector<std::string> asked = editor.ExitDiscarding();
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(editor.WaitExit(), 0u);
}

}  // namespace
}  // namespace sondrel::test
