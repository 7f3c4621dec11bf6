// The real sondrel.exe worked from outside as a user works it: started with
// a file, then menus (posted commands), keys (real input), the scroll bar,
// the transport buttons, the effect dialog, the common file dialogs, the
// save prompts and the CD import. The cases run in order in one process and
// share the editor where they can: each leaves it as the next one expects.
//
// run-user-tests.sh makes the input files, gives the editor its own sound
// output file, runs this program and then checks with sox what the editor
// saved and played. MAINUI_DIR is the folder of the files (a Windows path).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/drive/LDrive.h"

namespace sondrel::test {
namespace {

using namespace drive;

constexpr char kSettingsKey[] = "Software\\Ketterly\\Sondrel";
constexpr DWORD kStartMs = 60000;  // a first window under Wine can be slow
constexpr DWORD kStepMs = 15000;

// Control and command numbers of the main window (ui/win32/resource.h).
enum : int {
    kSelStart = 106, kSelEnd = 107, kSelLength = 108, kTime = 109, kStatus = 110, kPosition = 105, kPlay = 111,
    kOpen = 1002, kClose = 1003, kSaveAs = 1005, kExit = 1048, kRecentFirst = 1050, kUndo = 2001, kCut = 2002,
    kAmplify = 4001, kWindowFirst = 5007,
    kCdDrive = 101, kCdTracks = 102,  // the CD import dialog
};

std::string Dir() { return Environment("MAINUI_DIR"); }
std::string In(const std::string& name) { return Dir() + "\\" + name; }

std::string RegValue(const std::string& section, const char* name) {
    HKEY key;
    std::string path = std::string(kSettingsKey) + "\\" + section;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
    char value[1024] = {};
    DWORD size = sizeof value - 1, type = 0;
    LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? std::string(value) : "<missing>";
}

void RegSet(const std::string& section, const char* name, const std::string& value) {
    HKEY key;
    std::string path = std::string(kSettingsKey) + "\\" + section;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
    RegCloseKey(key);
}

class MainUi : public ::testing::Test {
protected:
    // A fresh set of settings: the data folder in the work folder, no
    // playback after edits (the only sound played is the one a case plays),
    // and the volume at its top, where the mixer's level is full and the
    // played samples are the document's own (0 dB is 78 % of the mixer's
    // range, which Wine applies to the samples).
    static void SetUpTestSuite() {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
        RegSet("Folders", "Current", In("data"));
        CreateDirectoryA(In("data").c_str(), nullptr);
        RegSet("Settings", "AutoPlaybackAfterEffects", "0");
        RegSet("Settings", "WindowMaximized", "1");
        RegSet("Settings", "PlayVolume", "12");
    }
    // The next program to start the editor in this prefix gets its defaults.
    static void TearDownTestSuite() {
        editor.Kill();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
    }

    static bool Start(const std::string& args, const std::vector<std::pair<std::string, std::string>>& environment = {}) {
        if (!editor.Start(SONDREL_EXE, args, environment)) return false;
        WaitForInputIdle(editor.Handle(), kStartMs);
        return FindMain();
    }
    static bool FindMain() {
        main = nullptr;
        WaitUntil(
            [&] {
                for (HWND w : TopWindows(editor.Id())) {
                    std::string t = TextUtf8(w);
                    if (t == "Sondrel" || t.rfind("Sondrel [", 0) == 0) {
                        main = w;
                        return true;
                    }
                }
                return false;
            },
            kStartMs);
        return main != nullptr;
    }
    static bool WaitTitle(const std::string& title, DWORD ms = kStepMs) {
        return WaitUntil([&] { return TextUtf8(main) == title; }, ms);
    }
    static std::string Field(int id) { return TextUtf8(GetDlgItem(main, id)); }
    static bool WaitField(int id, const std::string& text) {
        return WaitUntil([&] { return Field(id) == text; }, kStepMs);
    }
    static bool WaitDrawn() {
        UINT msg = RegisterWindowMessageA("Sondrel.WaveViewsDrawn");
        return WaitUntil(
            [&] {
                DWORD_PTR r = 0;
                return SendMessageTimeoutA(main, msg, 0, 0, SMTO_ABORTIFHUNG, 2000, &r) && r == 1;
            },
            kStepMs);
    }
    // The position scroll bar dragged to thumb (0..200): thumb x 0.005 x length.
    static void Thumb(int thumb) {
        PostMessageA(main, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, thumb),
                     reinterpret_cast<LPARAM>(GetDlgItem(main, kPosition)));
    }
    // A common file dialog of the editor: the name typed, then OK.
    static bool FileDialog(const char* caption, const std::string& path) {
        HWND d = WaitForWindow(editor.Id(), caption, kStepMs, "#32770");
        if (!d || !SetTextUtf8(GetDlgItem(d, 1148), path)) return false;
        Click(d, IDOK);
        return WaitForWindowGone(d, kStepMs);
    }
    static bool SaveAs(const std::string& name) {
        Command(main, kSaveAs);
        return FileDialog("Locate Audio Files", In(name)) && WaitTitle("Sondrel [" + name + "]");
    }
    // The "Save changes to ...?" prompt: its text, then the button pressed.
    static std::string Prompt(int button) {
        MessageBoxShown box;
        if (!WaitForMessageBox(editor.Id(), "Sondrel", box, kStepMs)) return "<no prompt>";
        PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        WaitForWindowGone(box.window, kStepMs);
        return box.text;
    }

    static Program editor;
    static HWND main;
};

Program MainUi::editor;
HWND MainUi::main = nullptr;

TEST_F(MainUi, OpensTheFileNamedOnTheCommandLine) {
    ASSERT_TRUE(Start("\"" + In("tone.wav") + "\""));
    ASSERT_TRUE(WaitTitle("Sondrel [tone.wav]", kStartMs));
    EXPECT_EQ(Text(GetDlgItem(main, kStatus)), "Sample Rate: 44100   Stereo");
    EXPECT_EQ(Field(kTime), "0:00:00.00");
    ASSERT_TRUE(WaitDrawn());
    // For people to look at: the editor with the file open.
    EXPECT_TRUE(SaveScreenPng(WinePath(std::string(SONDREL_BUILD_DIR) + "/editor-with-file.png")));
}

TEST_F(MainUi, SelectCutPasteAndUndoThroughMenusAndKeys) {
    Thumb(40);  // 2 s into the 10 s file
    ASSERT_TRUE(WaitField(kTime, "0:00:02.00"));
    ASSERT_TRUE(Press(main, VK_END, {VK_SHIFT}));
    ASSERT_TRUE(WaitField(kSelLength, "0:00:08.000"));
    EXPECT_EQ(Field(kSelStart), "0:00:02.00");
    EXPECT_EQ(Field(kSelEnd), "0:00:10.00");

    Command(main, kCut);  // Edit > Cut: 2 s are left
    ASSERT_TRUE(WaitField(kSelLength, "0:00:00.000"));
    ASSERT_TRUE(Press(main, VK_END));
    ASSERT_TRUE(WaitField(kTime, "0:00:02.00"));
    ASSERT_TRUE(Press(main, VK_HOME));
    ASSERT_TRUE(WaitField(kTime, "0:00:00.00"));
    ASSERT_TRUE(Press(main, 'V', {VK_CONTROL}));  // the cut 8 s go in at the start
    ASSERT_TRUE(WaitField(kSelEnd, "0:00:08.00"));
    ASSERT_TRUE(SaveAs("rotated.wav"));

    ASSERT_TRUE(Press(main, 'Z', {VK_CONTROL}));  // undo the paste
    ASSERT_TRUE(WaitField(kSelEnd, "0:00:00.00"));
    Command(main, kUndo);  // Edit > Undo: the cut
    ASSERT_TRUE(WaitField(kSelLength, "0:00:08.000"));
    ASSERT_TRUE(SaveAs("undone.wav"));
}

TEST_F(MainUi, AppliesAnEffectThroughItsDialog) {
    Thumb(40);
    ASSERT_TRUE(WaitField(kTime, "0:00:02.00"));
    ASSERT_TRUE(Press(main, VK_HOME, {VK_SHIFT}));
    ASSERT_TRUE(WaitField(kSelLength, "0:00:02.000"));
    Command(main, kAmplify);
    HWND d = WaitForWindow(editor.Id(), "Amplify", kStepMs, "#32770");
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(SetTextUtf8(GetDlgItem(d, 101), "50"));
    Click(d, IDOK);
    ASSERT_TRUE(WaitForWindowGone(d, kStepMs));
    ASSERT_TRUE(SaveAs("amplified.wav"));
}

TEST_F(MainUi, PlaysASelectionAndReturnsToItsStart) {
    Thumb(140);  // 7 s
    ASSERT_TRUE(WaitField(kTime, "0:00:07.00"));
    ASSERT_TRUE(Press(main, VK_END, {VK_SHIFT}));
    ASSERT_TRUE(WaitField(kSelLength, "0:00:03.000"));
    EXPECT_EQ(Field(kTime), "0:00:10.00");  // Shift+End went to the end
    HWND play = GetDlgItem(main, kPlay);
    Click(main, kPlay);
    // It plays (the Play button is down), stops at the end of the selection
    // and goes back to its start; run-user-tests.sh compares what was played.
    ASSERT_TRUE(WaitUntil([&] { return SendMessageA(play, BM_GETCHECK, 0, 0) == BST_CHECKED; }, kStepMs));
    ASSERT_TRUE(WaitUntil(
        [&] { return Field(kTime) == "0:00:07.00" && SendMessageA(play, BM_GETCHECK, 0, 0) == BST_UNCHECKED; },
        30000));
    EXPECT_EQ(Field(kSelLength), "0:00:03.000");
    // Kept aside: the record dialog's capture later rewrites the sound file.
    EXPECT_TRUE(CopyFileA(In("play.raw").c_str(), In("played.raw").c_str(), FALSE));
}

TEST_F(MainUi, OpensAndSavesANonLatinNameThroughTheFileDialogs) {
    Command(main, kOpen);
    ASSERT_TRUE(FileDialog("Open Audio Files", In("Звук 東京.wav")));
    ASSERT_TRUE(WaitTitle("Sondrel [Звук 東京.wav]"));
    ASSERT_TRUE(Press(main, 'A', {VK_CONTROL}));
    ASSERT_TRUE(WaitField(kSelLength, "0:00:02.000"));
    ASSERT_TRUE(SaveAs("Копия 東京.wav"));
}

// Save As with an .mp3 name runs the encoder beside the editor (lame.exe);
// run-user-tests.sh decodes the result with mpg123.
TEST_F(MainUi, SavesAsMp3ThroughTheEncoder) {
    ASSERT_TRUE(SaveAs("copy.mp3"));
    EXPECT_EQ(Field(kSelLength), "0:00:02.000");
}

// Files of today's recorders and editors open through File > Open and show
// their waveform: a 24-bit WAV and a FLAC file. Save As Ogg Vorbis writes a
// file that run-user-tests.sh decodes with oggdec. Both documents are closed
// again, so the cases after this one find the editor as they expect.
TEST_F(MainUi, OpensA24BitWaveAndAFlacFileAndSavesOggVorbis) {
    for (const char* name : {"take24.wav", "take.flac"}) {
        SCOPED_TRACE(name);
        Command(main, kOpen);
        ASSERT_TRUE(FileDialog("Open Audio Files", In(name)));
        ASSERT_TRUE(WaitTitle(std::string("Sondrel [") + name + "]"));
        EXPECT_EQ(Text(GetDlgItem(main, kStatus)), "Sample Rate: 48000   Stereo");
        ASSERT_TRUE(Press(main, 'A', {VK_CONTROL}));
        ASSERT_TRUE(WaitField(kSelLength, "0:00:03.000"));
        ASSERT_TRUE(WaitDrawn());
    }
    // For people to look at: the FLAC file's waveform.
    EXPECT_TRUE(SaveScreenPng(WinePath(std::string(SONDREL_BUILD_DIR) + "/editor-with-flac.png")));
    ASSERT_TRUE(SaveAs("take-copy.ogg"));
    Command(main, kClose);  // saved: no question
    ASSERT_TRUE(WaitUntil([&] { return TextUtf8(main) != "Sondrel [take-copy.ogg]"; }, kStepMs));
    Command(main, kOpen);  // open already: it becomes the current one
    ASSERT_TRUE(FileDialog("Open Audio Files", In("take24.wav")));
    ASSERT_TRUE(WaitTitle("Sondrel [take24.wav]"));
    Command(main, kClose);
    ASSERT_TRUE(WaitUntil([&] { return TextUtf8(main) != "Sondrel [take24.wav]"; }, kStepMs));
}

TEST_F(MainUi, ASecondStartHandsItsFileToTheFirst) {
    Program second;
    ASSERT_TRUE(second.Start(SONDREL_EXE, "\"" + In("other.wav") + "\""));
    EXPECT_EQ(second.WaitExit(kStartMs), 0u);
    ASSERT_TRUE(WaitTitle("Sondrel [other.wav]"));
    EXPECT_EQ(TopWindows(second.Id()).size(), 0u);
}

TEST_F(MainUi, ClosingAsksToSaveChanges) {
    Program second;  // one more file, handed over as well
    ASSERT_TRUE(second.Start(SONDREL_EXE, "\"" + In("work.wav") + "\""));
    ASSERT_TRUE(WaitTitle("Sondrel [work.wav]"));
    ASSERT_TRUE(Press(main, 'A', {VK_CONTROL}));
    ASSERT_TRUE(WaitField(kSelLength, "0:00:10.000"));
    ASSERT_TRUE(Press(main, VK_DELETE));
    ASSERT_TRUE(WaitField(kSelLength, "0:00:00.000"));

    Command(main, kClose);
    EXPECT_EQ(Prompt(IDCANCEL), "Save changes to \"work.wav\"?");
    EXPECT_EQ(TextUtf8(main), "Sondrel [work.wav]");  // Cancel keeps it open
    Command(main, kClose);
    EXPECT_EQ(Prompt(IDNO), "Save changes to \"work.wav\"?");
    ASSERT_TRUE(WaitTitle("Sondrel [amplified.wav]"));  // the first one left

    Command(main, kWindowFirst);
    Thumb(100);  // 5 s: Trim End keeps what is before
    ASSERT_TRUE(WaitField(kTime, "0:00:05.00"));
    ASSERT_TRUE(Press(main, 'E', {VK_CONTROL}));
    ASSERT_TRUE(WaitField(kTime, "0:00:00.00"));
    Command(main, kExit);
    EXPECT_EQ(Prompt(IDYES), "Save changes to \"amplified.wav\"?");
    EXPECT_EQ(editor.WaitExit(kStepMs), 0u);  // the other documents had no changes
}

TEST_F(MainUi, RecentFilesAndPlacementSurviveARestart) {
    EXPECT_EQ(RegValue("Recent", "RecentFile 1"), In("work.wav"));
    EXPECT_EQ(RegValue("Settings", "WindowMaximized"), "1");
    // Started again with a saved file: it opens as it was saved.
    ASSERT_TRUE(Start("\"" + In("amplified.wav") + "\""));
    ASSERT_TRUE(WaitTitle("Sondrel [amplified.wav]", kStartMs));
    ASSERT_TRUE(SaveAs("reopened.wav"));
    Command(main, kRecentFirst);  // File > 1. work.wav
    ASSERT_TRUE(WaitTitle("Sondrel [work.wav]"));
    Command(main, kExit);
    EXPECT_EQ(editor.WaitExit(kStepMs), 0u);
}

// The journal files in the data folder, name and contents.
std::vector<std::pair<std::string, std::string>> Journals() {
    std::vector<std::pair<std::string, std::string>> found;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(In("data\\*.jnl").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return found;
    do {
        std::ifstream f(In("data\\" + std::string(fd.cFileName)), std::ios::binary);
        found.emplace_back(fd.cFileName, std::string(std::istreambuf_iterator<char>(f), {}));
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return found;
}

// An editor ended by force keeps its edits: the next start offers them and
// brings the document back as it was, still to be saved.
TEST_F(MainUi, AKilledEditorsChangesComeBackAtTheNextStart) {
    ASSERT_TRUE(Start("\"" + In("other.wav") + "\""));
    ASSERT_TRUE(WaitTitle("Sondrel [other.wav]", kStartMs));
    ASSERT_TRUE(WaitUntil([&] { return Journals().size() == 1; }, kStepMs));
    const auto loaded = Journals();
    Thumb(100);  // 1 s into the 2 s file
    ASSERT_TRUE(WaitField(kTime, "0:00:01.00"));
    ASSERT_TRUE(Press(main, VK_END, {VK_SHIFT}));
    ASSERT_TRUE(WaitField(kSelLength, "0:00:01.000"));
    ASSERT_TRUE(Press(main, VK_DELETE));
    ASSERT_TRUE(WaitUntil([&] { return Journals() != loaded && Journals().size() == 1; }, kStepMs));
    editor.Kill();

    ASSERT_TRUE(editor.Start(SONDREL_EXE, ""));
    HWND prompt = WaitForWindow(editor.Id(), "Recover Documents", kStartMs, "#32770");
    ASSERT_NE(prompt, nullptr);
    Click(prompt, IDOK);  // Recover
    ASSERT_TRUE(FindMain());
    ASSERT_TRUE(WaitTitle("Sondrel [other.wav]"));
    ASSERT_TRUE(Press(main, 'A', {VK_CONTROL}));
    ASSERT_TRUE(WaitField(kSelLength, "0:00:01.000"));
    Command(main, kExit);
    EXPECT_EQ(Prompt(IDNO), "Save changes to \"other.wav\"?");
    EXPECT_EQ(editor.WaitExit(kStepMs), 0u);
    EXPECT_TRUE(Journals().empty());  // a clean end keeps none
}

// F5 opens the record dialog over the current document, and its Close
// button comes back to the editor (what the capture device gave, if
// anything, goes in; the exit's question is answered No).
TEST_F(MainUi, RecordOpensTheRecordDialog) {
    ASSERT_TRUE(Start("\"" + In("other.wav") + "\""));
    ASSERT_TRUE(WaitTitle("Sondrel [other.wav]", kStartMs));
    ASSERT_TRUE(Press(main, VK_F5));
    HWND record = WaitForWindow(editor.Id(), "Record Control", kStepMs, "#32770");
    ASSERT_NE(record, nullptr);
    Click(record, IDOK);  // Close
    ASSERT_TRUE(WaitForWindowGone(record, kStepMs));
    Command(main, kExit);
    MessageBoxShown box;
    if (WaitUntil([&] { return editor.WaitExit(0) != STILL_ACTIVE || WaitForMessageBox(editor.Id(), "Sondrel", box, 0); },
                  kStepMs) &&
        box.window) {
        EXPECT_EQ(box.text, "Save changes to \"other.wav\"?");
        PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    }
    EXPECT_EQ(editor.WaitExit(kStepMs), 0u);
}

// Ctrl+L imports CD tracks into the editor itself: the ASPI test double
// beside sondrel.exe serves disc.cue (made by run-user-tests.sh: four
// tracks, the last one ending inside its last sector) from a drive that
// refuses reads past the lead-out. Three tracks, the last one among them,
// open as three untitled documents with changes; the last one is saved and
// run-user-tests.sh compares its samples with the disc's and reads the
// double's log.
TEST_F(MainUi, ImportsThreeCdTracksAsUntitledDocuments) {
    const std::string config = "log " + In("aspi.log") + "\ndrive " + In("disc.cue") + " strict-leadout\n";
    ASSERT_TRUE(WriteBytes(In("aspi.cfg"), std::vector<uint8_t>(config.begin(), config.end())));
    DllOverride aspi("sondrel.exe", "wnaspi32", "native,builtin");
    ASSERT_TRUE(aspi.Ok());
    ASSERT_TRUE(Start("", {{"SONDREL_ASPI_DOUBLE", In("aspi.cfg")}}));
    ASSERT_TRUE(WaitTitle("Sondrel", kStartMs));

    ASSERT_TRUE(Press(main, 'L', {VK_CONTROL}));
    HWND d = WaitForWindow(editor.Id(), "Load Audio CD Track(s)", kStepMs, "#32770");
    ASSERT_NE(d, nullptr) << "Ctrl+L did not open the CD dialog";
    HWND combo = GetDlgItem(d, kCdDrive), list = GetDlgItem(d, kCdTracks);
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
    ASSERT_TRUE(WaitTitle("Sondrel [Untitled 3]"));
    EXPECT_EQ(Text(GetDlgItem(main, kStatus)), "Sample Rate: 44100   Stereo");
    const char* lengths[] = {"0:00:01.333", "0:00:00.533", "0:00:00.800"};  // 100, 40 and 60 sectors
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        const std::string name = "Untitled " + std::to_string(n);
        Command(main, kWindowFirst + n - 1);
        ASSERT_TRUE(WaitTitle("Sondrel [" + name + "]"));
        ASSERT_TRUE(Press(main, 'A', {VK_CONTROL}));
        EXPECT_TRUE(WaitField(kSelLength, lengths[n - 1])) << Field(kSelLength);
        Command(main, kClose);
        EXPECT_EQ(Prompt(IDCANCEL), "Save changes to \"" + name + "\"?");
        EXPECT_EQ(TextUtf8(main), "Sondrel [" + name + "]");
    }
    for (const std::string& f : List(In("data"))) EXPECT_EQ(f.find(".wav"), std::string::npos) << "left: " << f;

    // The disc's last track saved (Untitled 3 is current).
    ASSERT_TRUE(SaveAs("cdtrack4.wav"));
    Command(main, kExit);
    std::vector<std::string> asked = {Prompt(IDNO), Prompt(IDNO)};
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::string>{"Save changes to \"Untitled 1\"?", "Save changes to \"Untitled 2\"?"}));
    EXPECT_EQ(editor.WaitExit(kStepMs), 0u);
}

}  // namespace
}  // namespace sondrel::test
