// CD import as a user meets it in the editor, under Wine: Ctrl+L in the
// real sondrel.exe opens "Load Audio CD Track(s)"; the ASPI test double
// (wnaspi32.dll beside the editor) serves disc images made from WAV files by
// make-test-discs.sh. The driver checks what the user would see and get:
// the dialog's drives and tracks, the messages, the documents opened (their
// names, changes, format and samples, saved through Save As), the data
// folder's temporary files, and the double's log of what was asked of the
// drive. SONDREL_CD_TRACE makes the editor write the diagnostic texts of CD
// import to a file, which says why a read ended.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <sstream>

#include "EditorDriver.h"
#include "cd/LCDRipper.h"
#include "support/LFile.h"
#include "support/LHelp.h"
#include "support/LResourceIds.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::drive;

namespace {

constexpr DWORD kStepMs = kEditorStepMs;

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream s(text);
    for (std::string line; std::getline(s, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

// A disc image: its .bin and the first sector of each track (the last entry
// the lead-out), read from its .cue sheet.
struct Image {
    std::string cue, bin;
    std::vector<uint32_t> starts;

    explicit Image(const std::string& name) {
        cue = JoinPath(WinePath(CD_IMAGES_DIR), name + ".cue");
        bin = JoinPath(WinePath(CD_IMAGES_DIR), name + ".bin");
        for (const std::string& line : SplitLines(ReadText(cue))) {
            int mm, ss, ff;
            if (std::sscanf(line.c_str(), " INDEX 01 %d:%d:%d", &mm, &ss, &ff) == 3)
                starts.push_back(uint32_t((mm * 60 + ss) * 75 + ff));
        }
        LFile f;
        if (f.Open(bin.c_str(), LFile::kRead)) starts.push_back(uint32_t(f.Size() / 2352));
    }
    // The bytes of track n (from 1) as the disc holds them.
    std::vector<uint8_t> Track(int n) const {
        std::vector<uint8_t> all;
        LFile::ReadAll(bin.c_str(), all);
        return std::vector<uint8_t>(all.begin() + long(starts[size_t(n - 1)]) * 2352,
                                    all.begin() + long(starts[size_t(n)]) * 2352);
    }
    uint32_t Sectors(int n) const { return starts[size_t(n)] - starts[size_t(n - 1)]; }
};

class CDImport : public ::testing::Test {
protected:
    void SetUp() override {
        work = Absolute(test::ScratchDir("cd"));
        data = JoinPath(work, "Current");
        CreateDirectoryA(data.c_str(), nullptr);
        ASSERT_TRUE(LFile::Exists(discA.bin.c_str())) << "disc images missing: " << discA.bin;
        ClearEditorSettings();
        SetEditorSetting("Folders", "Current", data);
        SetEditorSetting("Settings", "AutoPlaybackAfterEffects", "0");
    }
    void TearDown() override {
        editor.ExitDiscarding();
        if (editor.WaitExit() == STILL_ACTIVE) editor.Kill();
        aspi.reset();
        ClearEditorSettings();
    }

    // Writes the double's configuration; every test logs its requests.
    void Configure(const std::string& statements) {
        std::string text = "log " + JoinPath(work, "aspi.log") + "\n" + statements;
        LFile::WriteAll(JoinPath(work, "aspi.cfg").c_str(), text.data(), text.size());
    }
    std::string Drive(const Image& image, const std::string& switches = "") const {
        return "drive " + image.cue + (switches.empty() ? "" : " " + switches) + "\n";
    }

    // Starts the editor (exe: another copy of it) with no document; without
    // the double, Wine's own ASPI library is switched off so that the
    // library is absent as on a plain system.
    bool StartEditor(bool withDouble = true, const std::string& exe = "") {
        aspi.reset();  // before the next one: its removal would undo the new setting
        aspi = std::make_unique<DllOverride>("sondrel.exe", "wnaspi32", withDouble ? "native,builtin" : "");
        if (!aspi->Ok()) return false;
        return editor.Start("",
                            {{"SONDREL_ASPI_DOUBLE", JoinPath(work, "aspi.cfg")},
                             {"SONDREL_CD_TRACE", JoinPath(work, "trace.txt")}},
                            exe) &&
               editor.WaitTitle("Sondrel", kEditorStartMs);
    }
    // Starts the editor and opens the dialog with Ctrl+L.
    HWND OpenDialog(bool withDouble = true, const std::string& exe = "") {
        if (!StartEditor(withDouble, exe) || !editor.Press('L', {VK_CONTROL})) return nullptr;
        return WaitForDialog();
    }
    HWND WaitForDialog() { return editor.WaitDialog("Load Audio CD Track(s)"); }

    // Document n of the editor (Window menu), which must be "Untitled n"
    // with changes to save, in CD format: its samples, saved through Save As.
    std::vector<uint8_t> ImportedDocument(int n) {
        // Appended rather than added to a literal: the 32-bit compiler's
        // overlap check misreads the latter.
        std::string name = "Untitled ";
        name += std::to_string(n);
        editor.Command(IDM_WINDOW_FIRST + n - 1);
        EXPECT_TRUE(editor.WaitTitle("Sondrel [" + name + "]")) << editor.Title();
        EXPECT_EQ(Text(GetDlgItem(editor.Main(), IDC_STATUS)), "Sample Rate: 44100   Stereo");
        editor.Command(IDM_CLOSE);  // changes to save: Close asks, Cancel keeps it
        EXPECT_EQ(editor.Answer(IDCANCEL), "Save changes to \"" + name + "\"?");
        const std::string saved = JoinPath(work, "doc" + std::to_string(n) + ".wav");
        EXPECT_TRUE(editor.SaveAs(saved));
        WavData w = ReadWav(saved);
        EXPECT_EQ(w.rate, 44100);
        EXPECT_EQ(w.chans, 2);
        return w.bytes;
    }
    // How many documents are open: those the exit asks about (each import
    // has changes) once the editor is closed.
    std::vector<std::string> ExitAsking() {
        std::vector<std::string> asked = editor.ExitDiscarding();
        EXPECT_EQ(editor.WaitExit(), 0u);
        return asked;
    }

    // Imports one track whose read at sector hangAt never completes: Cancel
    // in the progress window ends it, or with cancel false nobody does and
    // the request's own time-out (5000 ms) does. Either way the request that
    // reads from abortAt is aborted, the trace says why, and the user is back
    // in the dialog with no track file left and nothing opened.
    void ImportWithAHangingRead(int track, uint32_t hangAt, uint32_t abortAt, bool cancel, const char* why) {
        Configure(Drive(discA, "hang-read=" + std::to_string(hangAt)));
        HWND dlg = OpenDialog();
        ASSERT_NE(dlg, nullptr);
        ListSelect(GetDlgItem(dlg, IDC_CD_TRACKS), {track - 1});
        Click(dlg, IDOK);
        HWND progress = WaitForProgress();
        ASSERT_NE(progress, nullptr);
        const DWORD start = GetTickCount();
        if (cancel) {
            ASSERT_TRUE(WaitUntil([&] { return Log().find("status=0") != std::string::npos; }, kStepMs)) << Log();
            Click(progress, IDCANCEL);
        }
        EXPECT_TRUE(WaitForWindowGone(progress, kEditorStartMs));
        if (!cancel) {
            EXPECT_GE(GetTickCount() - start, 5000u) << "READ CD waits 5000 ms";
        }
        const std::string abort = "abort drive=0 lba=" + std::to_string(abortAt) + " status=2";
        EXPECT_TRUE(WaitUntil([&] { return Log().find(abort) != std::string::npos; }, kStepMs)) << Log();
        EXPECT_NE(Trace().find(why), std::string::npos) << Trace();
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(dlg) && IsWindowVisible(dlg); }, kStepMs));
        EXPECT_TRUE(WavFiles().empty());
        Click(dlg, IDCANCEL);
        EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
        EXPECT_EQ(editor.Title(), "Sondrel");
        EXPECT_TRUE(ExitAsking().empty());
    }

    std::string Log() { return ReadText(JoinPath(work, "aspi.log")); }
    int TocReads() {
        int n = 0;
        for (const std::string& line : SplitLines(Log())) n += line.rfind("toc ", 0) == 0;
        return n;
    }
    std::string Trace() { return ReadText(JoinPath(work, "trace.txt")); }
    std::vector<std::string> WavFiles() { return LFile::List(data.c_str(), ".wav"); }

    // Rows of the dialog's track list: "Track n" and the duration.
    std::vector<std::string> Rows(HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_CD_TRACKS);
        std::vector<std::string> rows;
        for (int i = 0; i < ListCount(list); ++i) rows.push_back(ListText(list, i, 0) + "|" + ListText(list, i, 1));
        return rows;
    }
    std::vector<std::string> Drives(HWND dialog) {
        HWND combo = GetDlgItem(dialog, IDC_CD_DRIVE);
        std::vector<std::string> names;
        for (int i = 0; i < ComboCount(combo); ++i) names.push_back(ComboItem(combo, i));
        return names;
    }
    // A progress window "Import CD Track(s)" and its end.
    HWND WaitForProgress() { return editor.WaitDialog("Import CD Track(s)", kEditorStartMs); }

    Image discA{"discA"}, discB{"discB"};
    std::string work, data;
    Editor editor;
    std::unique_ptr<DllOverride> aspi;
};

}  // namespace

TEST_F(CDImport, CtrlLListsDrivesAndTracksAndRefreshKeepsOneEntryPerDrive) {
    Configure(Drive(discA) + Drive(discB));
    // A copy of the editor with no manual beside it (with the double beside
    // it): the help page asked for names itself in the editor's message.
    const std::string programs = JoinPath(work, "program");
    CreateDirectoryA(programs.c_str(), nullptr);
    const std::string exe = JoinPath(programs, "sondrel.exe");
    const std::string bin = WinePath(SONDREL_EXE).substr(0, WinePath(SONDREL_EXE).find_last_of('\\'));
    ASSERT_TRUE(CopyFileA(WinePath(SONDREL_EXE).c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(JoinPath(bin, "wnaspi32.dll").c_str(), JoinPath(programs, "wnaspi32.dll").c_str(), FALSE));
    HWND dlg = OpenDialog(true, exe);
    ASSERT_NE(dlg, nullptr) << "Ctrl+L did not open the dialog";
    EXPECT_EQ(Drives(dlg), (std::vector<std::string>{"CD-ROM 1", "CD-ROM 2"}));
    EXPECT_EQ(ComboSelection(GetDlgItem(dlg, IDC_CD_DRIVE)), 0);
    EXPECT_EQ(Rows(dlg), (std::vector<std::string>{"Track 1|0 :01", "Track 2|0 :01", "Track 3|0 :02",
                                                    "Track 4|0 :00"}));

    ComboSelect(dlg, IDC_CD_DRIVE, 1);
    EXPECT_TRUE(WaitUntil([&] { return ListCount(GetDlgItem(dlg, IDC_CD_TRACKS)) == 2; }, kStepMs));
    EXPECT_EQ(Rows(dlg), (std::vector<std::string>{"Track 1|1 :00", "Track 2|0 :01"}));

    for (int i = 1; i <= 2; ++i) {
        Click(dlg, IDC_CD_REFRESH);
        // Each refresh lists the drives again, reading both tables of
        // contents, and selects the first drive.
        EXPECT_TRUE(WaitUntil([&] { return TocReads() == 2 * (i + 1) && IsWindowEnabled(dlg); }, kStepMs)) << Log();
        EXPECT_TRUE(WaitUntil([&] { return ListCount(GetDlgItem(dlg, IDC_CD_TRACKS)) == 4; }, kStepMs));
    }
    EXPECT_EQ(Drives(dlg), (std::vector<std::string>{"CD-ROM 1", "CD-ROM 2"}));

    // Help, and F1 whichever control has the focus, ask for the CD tracks
    // page of the manual.
    for (bool byKey : {false, true}) {
        SCOPED_TRACE(byKey ? "F1" : "Help");
        if (byKey)
            PostMessageA(GetDlgItem(dlg, IDC_CD_TRACKS), WM_KEYDOWN, VK_F1, 1);
        else
            Click(dlg, IDHELP);
        MessageBoxShown box;
        ASSERT_TRUE(editor.WaitMessageBox("Sondrel Help", box, kStepMs));
        EXPECT_EQ(box.text, "The manual page \"" + JoinPath(JoinPath(programs, "Manual"), HelpPage(IDH_CD_TRACKS)) +
                                "\" is missing. Install Sondrel again to restore the manual.");
        Click(box.window, IDOK);
        ASSERT_TRUE(WaitForWindowGone(box.window, kStepMs));
        EXPECT_TRUE(IsWindowVisible(dlg));
    }

    // A double-click imports the track under the pointer, as OK does.
    ComboSelect(dlg, IDC_CD_DRIVE, 1);
    EXPECT_TRUE(WaitUntil([&] { return ListCount(GetDlgItem(dlg, IDC_CD_TRACKS)) == 2; }, kStepMs));
    ListDoubleClick(GetDlgItem(dlg, IDC_CD_TRACKS), 1);
    EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
    ASSERT_TRUE(editor.WaitTitle("Sondrel [Untitled 1]"));
    EXPECT_TRUE(ImportedDocument(1) == discB.Track(2)) << "samples differ from the disc's";
    EXPECT_TRUE(ExitAsking().empty());  // the one document, saved
}

TEST_F(CDImport, OKWithThreeTracksOpensThreeUntitledModifiedDocumentsWithTheDiscsAudio) {
    // The last track of the disc comes from a drive that refuses reads past
    // the lead-out; requests complete late, from the double's own thread.
    Configure(Drive(discA, "strict-leadout async=3"));
    HWND dlg = OpenDialog();
    ASSERT_NE(dlg, nullptr);
    HWND list = GetDlgItem(dlg, IDC_CD_TRACKS);
    ASSERT_EQ(ListCount(list), 4);
    ListSelect(list, {0, 1, 3});
    EXPECT_EQ(ListSelected(list), (std::vector<int>{0, 1, 3}));
    Click(dlg, IDOK);
    EXPECT_TRUE(WaitForWindowGone(dlg, 60000));

    // The last track opened is shown; each document holds its track.
    ASSERT_TRUE(editor.WaitTitle("Sondrel [Untitled 3]", 60000));
    EXPECT_TRUE(WavFiles().empty()) << "temporary WAV files left in the data folder";
    int tracks[] = {1, 2, 4};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(tracks[i]);
        const std::vector<uint8_t> got = ImportedDocument(i + 1);
        EXPECT_EQ(got.size(), size_t(discA.Sectors(tracks[i])) * 2352);
        EXPECT_TRUE(got == discA.Track(tracks[i])) << "samples differ from the disc's";
    }
    EXPECT_TRUE(ExitAsking().empty());  // three documents, all saved: no more

    // No read reached past the lead-out, and none failed.
    uint32_t leadOut = discA.starts.back();
    std::vector<std::string> reads;
    for (const std::string& line : SplitLines(Log())) {
        unsigned lba, count;
        int status;
        if (std::sscanf(line.c_str(), "read drive=0 lba=%u count=%u status=%d", &lba, &count, &status) != 3) continue;
        EXPECT_LE(lba + count, leadOut) << line;
        reads.push_back(line);
    }
    EXPECT_EQ(reads.size(), 5u + 4u + 3u) << Log();  // 100, 96 and 61 sectors in blocks of 24
    EXPECT_EQ(Log().find("bad "), std::string::npos) << Log();
}

TEST_F(CDImport, AReadErrorStopsTheImportDeletesThatTrackAndKeepsTheEarlierOnes) {
    Configure(Drive(discA, "read-error=" + std::to_string(discA.starts[2] + 30)));
    HWND dlg = OpenDialog();
    ASSERT_NE(dlg, nullptr);
    ListSelect(GetDlgItem(dlg, IDC_CD_TRACKS), {0, 1, 2});
    Click(dlg, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return Log().find("status=4") != std::string::npos; }, kStepMs)) << Log();
    // The dialog stays open, with the tracks read before the failed one.
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(dlg) && WavFiles().size() == 2; }, kStepMs));
    EXPECT_TRUE(IsWindowVisible(dlg));
    std::vector<std::string> files = WavFiles();
    EXPECT_EQ(files, (std::vector<std::string>{"Track 1.wav", "Track 2.wav"}));
    EXPECT_NE(Trace().find("ProcessSCSISendASPISRB FAILED (pSrb->SRB_Status != SS_COMP)"), std::string::npos)
        << Trace();

    // Giving up with Cancel still opens the tracks that were read.
    Click(dlg, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(dlg, kStepMs));
    ASSERT_TRUE(editor.WaitTitle("Sondrel [Untitled 2]"));
    EXPECT_TRUE(WavFiles().empty());
    EXPECT_TRUE(ImportedDocument(1) == discA.Track(1));
    EXPECT_TRUE(ImportedDocument(2) == discA.Track(2));
    EXPECT_TRUE(ExitAsking().empty());
}

TEST_F(CDImport, CancelDuringAReadAbortsTheRequestAndOpensNothing) {
    // The second block of track 2 never completes until aborted.
    ImportWithAHangingRead(2, discA.starts[1] + 30, discA.starts[1] + 24, true, "ProcessSCSISendASPISRB Stopped");
}

TEST_F(CDImport, ARequestThatNeverCompletesIsAbortedAfterItsTimeOut) {
    ImportWithAHangingRead(4, discA.starts[3], discA.starts[3], false, "ProcessSCSISendASPISRB TimeOut");
}

TEST_F(CDImport, NoDriveAndNoDiscShowTheirMessages) {
    struct Case {
        std::string config, caption, text;
        bool dialogStays;
    } cases[] = {
        {"device 0\n", "Error", kNoCDDrivesText, false},
        {"drive empty\n", "Insert CD", kNoCDTrackText, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        Configure(c.config);
        ASSERT_TRUE(StartEditor());
        ASSERT_TRUE(editor.Press('L', {VK_CONTROL}));
        MessageBoxShown box;
        ASSERT_TRUE(editor.WaitMessageBox(c.caption, box, kStepMs));
        EXPECT_EQ(box.text, c.text);
        Click(box.window, IDOK);
        ASSERT_TRUE(WaitForWindowGone(box.window, kStepMs));
        HWND dlg = editor.WaitDialog("Load Audio CD Track(s)", c.dialogStays ? kStepMs : 1000);
        EXPECT_EQ(dlg != nullptr, c.dialogStays);
        if (dlg) {
            EXPECT_EQ(Drives(dlg), std::vector<std::string>{"CD-ROM 1"});
            EXPECT_EQ(ListCount(GetDlgItem(dlg, IDC_CD_TRACKS)), 0);
            Click(dlg, IDOK);  // nothing to import: the dialog closes
            EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
        }
        EXPECT_EQ(editor.Title(), "Sondrel");  // no document
        EXPECT_TRUE(ExitAsking().empty());
    }
}

TEST_F(CDImport, OnlyTheFirstEightOfNineDrivesAreListed) {
    std::string config;
    for (int i = 0; i < 9; ++i) config += Drive(i == 8 ? discA : discB);
    Configure(config);
    HWND dlg = OpenDialog();
    ASSERT_NE(dlg, nullptr);
    std::vector<std::string> drives = Drives(dlg);
    ASSERT_EQ(drives.size(), 8u);
    EXPECT_EQ(drives.back(), "CD-ROM 8");
    Click(dlg, IDCANCEL);
    EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
    EXPECT_EQ(editor.Title(), "Sondrel");
}

TEST_F(CDImport, PassThroughIsUsedWhenTheASPILibraryIsAbsent) {
    // The test prefix has D: and E: as CD-ROM drives (tools/wine-env.sh).
    // Wine opens their devices but has no CD-ROM ioctls, so they list no tracks.
    ASSERT_EQ(GetDriveTypeA("D:\\"), UINT(DRIVE_CDROM)) << "the Wine prefix lacks its CD-ROM drive D:";
    ASSERT_EQ(GetDriveTypeA("E:\\"), UINT(DRIVE_CDROM)) << "the Wine prefix lacks its CD-ROM drive E:";
    Configure(Drive(discA));  // not loaded: the library is switched off
    ASSERT_TRUE(StartEditor(false));
    ASSERT_TRUE(editor.Press('L', {VK_CONTROL}));
    MessageBoxShown box;
    ASSERT_TRUE(editor.WaitMessageBox("Insert CD", box, kStepMs));
    Click(box.window, IDOK);
    HWND dlg = WaitForDialog();
    ASSERT_NE(dlg, nullptr);
    std::vector<std::string> drives = Drives(dlg);
    EXPECT_GE(drives.size(), 2u);
    EXPECT_EQ(drives[0], "CD-ROM 1");
    EXPECT_TRUE(Log().empty()) << "the double answered: " << Log();
    Click(dlg, IDCANCEL);
    EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
}
