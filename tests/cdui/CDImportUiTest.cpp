// CD import as a user meets it, under Wine: a test host window stands in for
// the main window and runs its "Load Audio CD Track(s)..." command; the ASPI
// test double (wnaspi32.dll beside the host) serves disc images made from
// WAV files. The driver works the host from outside and checks what the
// user would see and get: the dialog's drives and tracks, the messages, the
// documents opened and their samples, the temporary files.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <sstream>

#include "cd/LCDRipper.h"
#include "support/LFile.h"
#include "support/LHelp.h"
#include "support/LResourceIds.h"
#include "support/TestUtil.h"
#include "tests/drive/LDrive.h"

using namespace sondrel;
using namespace sondrel::drive;

namespace {

constexpr DWORD kStartMs = 30000;  // a fresh Wine prefix can be slow to show the first window
constexpr DWORD kStepMs = 15000;

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
        cue = JoinPath(WinePath(CDUI_IMAGES_DIR), name + ".cue");
        bin = JoinPath(WinePath(CDUI_IMAGES_DIR), name + ".bin");
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

struct Document {
    std::string name, dirty, path, rate, chans, frames;
};

class CDImport : public ::testing::Test {
protected:
    void SetUp() override {
        work = test::ScratchDir("cdui");
        data = JoinPath(work, "Current");
        report = JoinPath(work, "report");
        CreateDirectoryA(data.c_str(), nullptr);
        CreateDirectoryA(report.c_str(), nullptr);
        ASSERT_TRUE(LFile::Exists(discA.bin.c_str())) << "disc images missing: " << discA.bin;
    }

    // Writes the double's configuration; every test logs its requests.
    void Configure(const std::string& statements) {
        std::string text = "log " + JoinPath(work, "aspi.log") + "\n" + statements;
        LFile::WriteAll(JoinPath(work, "aspi.cfg").c_str(), text.data(), text.size());
    }
    std::string Drive(const Image& image, const std::string& switches = "") const {
        return "drive " + image.cue + (switches.empty() ? "" : " " + switches) + "\n";
    }

    // Starts the host; without the double, Wine's own ASPI library is
    // switched off so the library is absent as on a plain system.
    bool StartHost(const std::string& args = "", bool withDouble = true) {
        aspi.reset();  // before the next one: its removal would undo the new setting
        aspi = std::make_unique<DllOverride>("cdhost.exe", "wnaspi32", withDouble ? "native,builtin" : "");
        if (!aspi->Ok()) return false;
        return host.Start(WinePath(CDUI_HOST_EXE), args,
                          {{"SONDREL_ASPI_DOUBLE", JoinPath(work, "aspi.cfg")},
                           {"CDHOST_DATA", data},
                           {"CDHOST_REPORT", report}});
    }
    // Starts the window and opens the dialog with Ctrl+L.
    HWND OpenDialog(bool withDouble = true) {
        if (!StartHost("", withDouble)) return nullptr;
        WaitForInputIdle(host.Handle(), kStartMs);
        window = WaitForWindow(host.Id(), "Sondrel CD Host", kStartMs);
        if (!window || !SendCtrlKey(window, 'L')) return nullptr;
        return WaitForDialog();
    }
    HWND WaitForDialog() { return WaitForWindow(host.Id(), "Load Audio CD Track(s)", kStepMs); }

    // The documents the host reported after its command.
    std::vector<Document> WaitForDocuments() {
        std::string path = JoinPath(report, "docs.txt");
        if (!WaitUntil([&] { return LFile::Exists(path.c_str()); }, kStepMs)) return {};
        std::vector<Document> docs;
        for (const std::string& line : SplitLines(ReadText(path))) {
            Document d;
            std::stringstream s(line);
            std::getline(s, d.name, '\t');
            std::getline(s, d.dirty, '\t');
            std::getline(s, d.path, '\t');
            std::getline(s, d.rate, '\t');
            std::getline(s, d.chans, '\t');
            std::getline(s, d.frames, '\t');
            docs.push_back(d);
        }
        return docs;
    }
    std::vector<uint8_t> DocumentBytes(int n) {
        std::vector<uint8_t> bytes;
        LFile::ReadAll(JoinPath(report, "doc" + std::to_string(n) + ".raw").c_str(), bytes);
        return bytes;
    }
    std::string Log() { return ReadText(JoinPath(work, "aspi.log")); }
    int TocReads() {
        int n = 0;
        for (const std::string& line : SplitLines(Log())) n += line.rfind("toc ", 0) == 0;
        return n;
    }
    std::string Trace() { return ReadText(JoinPath(report, "trace.txt")); }
    std::vector<std::string> WavFiles() { return LFile::List(data.c_str(), ".wav"); }

    // Closes the host window and requires a clean exit.
    void CloseHost() {
        if (window) PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(host.WaitExit(kStepMs), 0u);
    }

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

    Image discA{"discA"}, discB{"discB"};
    std::string work, data, report;
    Program host;
    std::unique_ptr<DllOverride> aspi;
    HWND window = nullptr;
};

}  // namespace

TEST_F(CDImport, CtrlLListsDrivesAndTracksAndRefreshKeepsOneEntryPerDrive) {
    Configure(Drive(discA) + Drive(discB));
    HWND dlg = OpenDialog();
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

    // Help opens the CD tracks page of the manual (the host records it).
    Click(dlg, IDHELP);
    const std::string page = std::string(HelpPage(IDH_CD_TRACKS)) + "\n";
    EXPECT_TRUE(WaitUntil([&] { return ReadText(JoinPath(report, "help.txt")) == page; }, kStepMs))
        << ReadText(JoinPath(report, "help.txt"));

    // A double-click imports the track under the pointer, as OK does.
    ComboSelect(dlg, IDC_CD_DRIVE, 1);
    EXPECT_TRUE(WaitUntil([&] { return ListCount(GetDlgItem(dlg, IDC_CD_TRACKS)) == 2; }, kStepMs));
    ListDoubleClick(GetDlgItem(dlg, IDC_CD_TRACKS), 1);
    EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
    std::vector<Document> docs = WaitForDocuments();
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(DocumentBytes(1), discB.Track(2));
    CloseHost();
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

    std::vector<Document> docs = WaitForDocuments();
    ASSERT_EQ(docs.size(), 3u);
    int tracks[] = {1, 2, 4};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(tracks[i]);
        EXPECT_EQ(docs[size_t(i)].name, "Untitled " + std::to_string(i + 1));
        EXPECT_EQ(docs[size_t(i)].dirty, "1");
        EXPECT_EQ(docs[size_t(i)].path, "");
        EXPECT_EQ(docs[size_t(i)].rate, "44100");
        EXPECT_EQ(docs[size_t(i)].chans, "2");
        EXPECT_EQ(docs[size_t(i)].frames, std::to_string(discA.Sectors(tracks[i]) * 588));
        EXPECT_TRUE(DocumentBytes(i + 1) == discA.Track(tracks[i])) << "samples differ from the disc's";
    }
    EXPECT_TRUE(WavFiles().empty()) << "temporary WAV files left in the data folder";

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
    CloseHost();
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
    EXPECT_NE(Trace().find("ProcessSCSISendASPISRB FAILED (pSrb->SRB_Status != SS_COMP)"), std::string::npos);

    // Giving up with Cancel still opens the tracks that were read.
    Click(dlg, IDCANCEL);
    std::vector<Document> docs = WaitForDocuments();
    ASSERT_EQ(docs.size(), 2u);
    EXPECT_TRUE(DocumentBytes(1) == discA.Track(1));
    EXPECT_TRUE(DocumentBytes(2) == discA.Track(2));
    EXPECT_TRUE(WavFiles().empty());
    CloseHost();
}

TEST_F(CDImport, CancelDuringAReadAbortsTheRequestAndEndsWithOne) {
    // The second block of track 2 never completes until aborted.
    Configure(Drive(discA, "hang-read=" + std::to_string(discA.starts[1] + 30)));
    std::string path = JoinPath(data, "Track 2.wav");
    ASSERT_TRUE(StartHost("--rip 0 1 \"" + path + "\""));
    HWND progress = WaitForWindow(host.Id(), "Import CD Track(s)", kStartMs);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Log().find("status=0") != std::string::npos; }, kStepMs)) << Log();
    Click(progress, IDCANCEL);
    EXPECT_EQ(host.WaitExit(kStepMs), 1u);
    EXPECT_NE(Log().find("abort drive=0 lba=" + std::to_string(discA.starts[1] + 24) + " status=2"),
              std::string::npos)
        << Log();
    EXPECT_NE(Trace().find("ProcessSCSISendASPISRB Stopped"), std::string::npos) << Trace();
    EXPECT_FALSE(LFile::Exists(path.c_str()));
}

TEST_F(CDImport, ARequestThatNeverCompletesIsAbortedAfterItsTimeOut) {
    Configure(Drive(discA, "hang-read=" + std::to_string(discA.starts[3])));
    std::string path = JoinPath(data, "Track 4.wav");
    ASSERT_TRUE(StartHost("--rip 0 3 \"" + path + "\""));
    DWORD start = GetTickCount();
    EXPECT_EQ(host.WaitExit(kStartMs + 10000), 2u);
    EXPECT_GE(GetTickCount() - start, 5000u) << "READ CD waits 5000 ms";
    EXPECT_NE(Log().find("abort drive=0 lba=" + std::to_string(discA.starts[3]) + " status=2"), std::string::npos)
        << Log();
    EXPECT_NE(Trace().find("ProcessSCSISendASPISRB TimeOut"), std::string::npos) << Trace();
    EXPECT_FALSE(LFile::Exists(path.c_str()));
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
        LFile::Delete(JoinPath(report, "docs.txt").c_str());
        ASSERT_TRUE(StartHost());
        window = WaitForWindow(host.Id(), "Sondrel CD Host", kStartMs);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(SendCtrlKey(window, 'L'));
        MessageBoxShown box;
        ASSERT_TRUE(WaitForMessageBox(host.Id(), c.caption, box, kStepMs));
        EXPECT_EQ(box.text, c.text);
        Click(box.window, IDOK);
        ASSERT_TRUE(WaitForWindowGone(box.window, kStepMs));
        HWND dlg = WaitForWindow(host.Id(), "Load Audio CD Track(s)", c.dialogStays ? kStepMs : 1000);
        EXPECT_EQ(dlg != nullptr, c.dialogStays);
        if (dlg) {
            EXPECT_EQ(Drives(dlg), std::vector<std::string>{"CD-ROM 1"});
            EXPECT_EQ(ListCount(GetDlgItem(dlg, IDC_CD_TRACKS)), 0);
            Click(dlg, IDOK);  // nothing to import: the dialog closes
            EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
        }
        EXPECT_TRUE(WaitForDocuments().empty());
        CloseHost();
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
    EXPECT_TRUE(WaitForDocuments().empty());
    CloseHost();
}

TEST_F(CDImport, PassThroughIsUsedWhenTheASPILibraryIsAbsent) {
    // The test prefix has D: and E: as CD-ROM drives (tools/wine-env.sh).
    // Wine opens their devices but has no CD-ROM ioctls, so they list no tracks.
    ASSERT_EQ(GetDriveTypeA("D:\\"), UINT(DRIVE_CDROM)) << "the Wine prefix lacks its CD-ROM drive D:";
    ASSERT_EQ(GetDriveTypeA("E:\\"), UINT(DRIVE_CDROM)) << "the Wine prefix lacks its CD-ROM drive E:";
    Configure(Drive(discA));  // not loaded: the library is switched off
    ASSERT_TRUE(StartHost("", false));
    window = WaitForWindow(host.Id(), "Sondrel CD Host", kStartMs);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(SendCtrlKey(window, 'L'));
    MessageBoxShown box;
    ASSERT_TRUE(WaitForMessageBox(host.Id(), "Insert CD", box, kStepMs));
    Click(box.window, IDOK);
    HWND dlg = WaitForDialog();
    ASSERT_NE(dlg, nullptr);
    std::vector<std::string> drives = Drives(dlg);
    EXPECT_GE(drives.size(), 2u);
    EXPECT_EQ(drives[0], "CD-ROM 1");
    EXPECT_TRUE(Log().empty()) << "the double answered: " << Log();
    Click(dlg, IDCANCEL);
    EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
    CloseHost();
}
