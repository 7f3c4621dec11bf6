// The install file, the installed editor and the uninstaller, worked from
// outside in a fresh Wine prefix.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "install/LInstallLayout.h"
#include "install/LInstallTable.h"
#include "support/LResourceIds.h"
#include "support/TestUtil.h"
#include "tests/drive/LDrive.h"

using namespace sondrel::drive;
namespace test = sondrel::test;

namespace {

const std::string kWork = "C:\\setup";

std::string ProgramFilesDir() { return Reg(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"); }
std::string MakerFolder() { return ProgramFilesDir() + "\\Ketterly"; }
std::string ProgramFolder() { return MakerFolder() + "\\Sondrel"; }
std::string In(const char* name) { return ProgramFolder() + "\\" + name; }
std::string ShellFolder(HKEY root, const char* name) {
    return Reg(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name);
}
// Where the editor keeps the running user's audio.
std::string UserMakerFolder() {
    char local[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
    return std::string(local) + "\\Ketterly";
}
std::string UserDataFolder() { return UserMakerFolder() + "\\Sondrel"; }

const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sondrel";
const char* kSettingsKey = "Software\\Ketterly\\Sondrel\\Settings";

std::vector<uint8_t> WithWord(std::vector<uint8_t> v, uint32_t w) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(w >> (8 * i)));
    return v;
}


// Nothing of an installation is on the computer.
void ExpectNothingInstalled(const char* what) {
    EXPECT_FALSE(Exists(MakerFolder())) << what;
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << what;
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, "Software\\Ketterly\\Sondrel\\Folders", "ProgramFiles"), "<missing>") << what;
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "RunEdit"), "<missing>") << what;
}

class Setup : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CreateDirectoryA(kWork.c_str(), nullptr);
        CopyFileA(WinePath(SETUP_EXE).c_str(), (kWork + "\\SondrelSetup.exe").c_str(), FALSE);
    }
    // Runs an install file up to its licence and answers it.
    void RunToLicence(Program& p, const std::string& exe, bool agree) {
        ASSERT_TRUE(p.Start(exe, ""));
        p.WaitIdle(10000);
        HWND licence = WaitForWindow(p.Id(), "Software Licence Terms", 30000);
        ASSERT_NE(licence, nullptr) << "no licence terms from " << exe;
        EXPECT_NE(Text(GetDlgItem(licence, IDC_LICENCE_TEXT)).find("SONDREL 1.00 SOFTWARE LICENCE TERMS"), std::string::npos);
        Command(licence, agree ? IDOK : IDCANCEL);
    }
    void ExpectCorruptMessage(const std::string& exe) {
        Program p;
        ASSERT_TRUE(p.Start(exe, ""));
        p.WaitIdle(10000);
        HWND box = WaitForWindow(p.Id(), "Install Error", 30000);
        ASSERT_NE(box, nullptr) << exe;
        EXPECT_TRUE(WaitStaticText(box, "Installation file corrupt.", 5000)) << StaticTexts(box);
        EXPECT_EQ(WaitForWindow(p.Id(), "Software Licence Terms", 0), nullptr);
        Command(box, IDOK);
        EXPECT_NE(p.WaitExit(15000), STILL_ACTIVE);
    }
    void Install() {
        if (Exists(In("sondrel.exe"))) return;
        Program p;
        RunToLicence(p, kWork + "\\SondrelSetup.exe", true);
        HWND editor = WaitForWindowOfImage("Sondrel", In("sondrel.exe"), 30000);
        ASSERT_NE(editor, nullptr) << "the installed editor did not start";
        EXPECT_NE(p.WaitExit(15000), STILL_ACTIVE);
        // The editor's process, not only its window, has ended before the
        // test looks at its folders: it releases its data folder last.
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, WindowProcess(editor));
        PostMessageA(editor, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitForWindowGone(editor, 10000));
        if (process) {
            EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
            CloseHandle(process);
        }
    }
};

TEST_F(Setup, DamagedInstallFilesShowTheCorruptMessageAndWriteNothing) {
    auto good = ReadBytes(kWork + "\\SondrelSetup.exe");
    ASSERT_GT(good.size(), 1000u);
    auto cut = good;
    cut.pop_back();
    ASSERT_TRUE(WriteBytes(kWork + "\\SondrelSetup-cut.exe", cut));
    ExpectCorruptMessage(kWork + "\\SondrelSetup-cut.exe");
    ExpectNothingInstalled("last byte cut off");

    // One payload byte changed: the magic is there, the checksum fails.
    {
        sondrel::LInstallTrailer t;
        size_t n = 0;
        sondrel::InstallFileTable(&n);
        ASSERT_TRUE(sondrel::DecodeInstallTrailer(good.data(), good.size(), n, t));
        auto changed = good;
        changed[t.sizes[0] + 100] ^= 0x01;  // inside the manual
        ASSERT_TRUE(WriteBytes(kWork + "\\SondrelSetup-changed.exe", changed));
    }
    ExpectCorruptMessage(kWork + "\\SondrelSetup-changed.exe");
    ExpectNothingInstalled("a payload byte changed");
}

TEST_F(Setup, CancellingTheLicenceInstallsNothing) {
    Program p;
    RunToLicence(p, kWork + "\\SondrelSetup.exe", false);
    EXPECT_NE(p.WaitExit(15000), STILL_ACTIVE);
    ExpectNothingInstalled("licence cancelled");
}

TEST_F(Setup, CancelDuringExtractionLeavesNoHalfWrittenProgram) {
    // The program's own payload with a large encoder, so that there is time
    // to press Cancel while it is copied.
    size_t n = 0;
    const sondrel::LInstallFile* table = sondrel::InstallFileTable(&n);
    std::vector<sondrel::LPackFile> files;
    std::vector<uint8_t> big(48u << 20);
    for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7 + (i >> 12));
    ASSERT_TRUE(WriteBytes(kWork + "\\big-lame.exe", big));
    for (size_t i = 0; i < n; ++i) {
        std::string name = table[i].szName;
        if (name == "sondrel.exe") files.push_back({WinePath(SONDREL_EXE), false});
        else if (name == "lame.exe") files.push_back({kWork + "\\big-lame.exe", false});
        else files.push_back({WinePath(std::string(MANUAL_DIR) + "/" + name), false});
    }
    std::string error;
    ASSERT_TRUE(sondrel::WriteInstallFile(kWork + "\\BigSetup.exe", files, error)) << error;

    Program p;
    RunToLicence(p, kWork + "\\BigSetup.exe", true);
    HWND progress = WaitForWindow(p.Id(), "Installing Sondrel v 1.00", 10000);
    ASSERT_NE(progress, nullptr);
    HWND line = GetDlgItem(progress, IDC_PROGRESS_TEXT2);
    ASSERT_TRUE(WaitUntil([&] { return Text(line) == "lame.exe"; }, 30000, 5)) << "the encoder's copy was not seen";
    PostMessageA(progress, WM_COMMAND, IDCANCEL, 0);
    EXPECT_NE(p.WaitExit(30000), STILL_ACTIVE);
    EXPECT_EQ(WaitForWindow(p.Id(), "Install Error", 0), nullptr);
    ExpectNothingInstalled("cancelled while copying");
    EXPECT_EQ(WaitForWindowOfImage("Sondrel", In("sondrel.exe"), 500), nullptr);
    DeleteFileA((kWork + "\\big-lame.exe").c_str());
    DeleteFileA((kWork + "\\BigSetup.exe").c_str());
}

TEST_F(Setup, InstallsFilesLinksKeysAndVerbsThenStartsTheEditor) {
    ASSERT_FALSE(Exists(In("sondrel.exe"))) << "installed before this test";
    // ".wav" already belongs to another file type; ".mp3" to none.
    ASSERT_TRUE(RegSet(HKEY_CLASSES_ROOT, ".wav", nullptr, "SondrelTest.Audio"));
    RegRemoveTree(HKEY_CLASSES_ROOT, ".mp3");
    Install();

    // The 64-bit program in the 64-bit "Program Files"; the 32-bit one in
    // the folder its registry view names: "Program Files" on 32-bit Windows,
    // "Program Files (x86)" on 64-bit Windows.
    if (sizeof(void*) == 8) {
        EXPECT_EQ(ProgramFolder(), "C:\\Program Files\\Ketterly\\Sondrel");
    }
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    if (wow64) {
        EXPECT_EQ(ProgramFolder(), "C:\\Program Files (x86)\\Ketterly\\Sondrel");
    }
    auto program = ReadBytes(WinePath(SONDREL_EXE));
    EXPECT_EQ(ReadBytes(In("sondrel.exe")), WithWord(program, 0));
    EXPECT_EQ(ReadBytes(In("uninst.exe")), WithWord(program, 0xF0F00F0F));
    size_t n = 0;
    const sondrel::LInstallFile* table = sondrel::InstallFileTable(&n);
    for (size_t i = 0; i < n; ++i) {
        std::string name = table[i].szName, kind = table[i].szKind;
        if (kind != "Manual") continue;
        EXPECT_EQ(ReadBytes(In("Manual") + "\\" + name), ReadBytes(WinePath(std::string(MANUAL_DIR) + "/" + name))) << name;
    }
    auto lame = ReadBytes(WinePath(std::string(SONDREL_EXE).substr(0, std::string(SONDREL_EXE).rfind('/')) + "/lame.exe"));
    EXPECT_EQ(ReadBytes(In("lame.exe")), lame) << "lame.exe is installed exactly when the build has it";
    std::vector<std::string> expected = {"Manual", "sondrel.exe", "uninst.exe"};
    if (!lame.empty()) expected.insert(expected.begin() + 1, "lame.exe");
    EXPECT_EQ(List(ProgramFolder()), expected);
    // No shared data folder: the editor, started by the installer, made this
    // user's own and left it empty.
    DWORD attributes = GetFileAttributesA(UserDataFolder().c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << UserDataFolder();
    EXPECT_EQ(List(UserDataFolder()), std::vector<std::string>{});

    std::string group = ShellFolder(HKEY_LOCAL_MACHINE, "Common Programs") + "\\Sondrel";
    EXPECT_EQ(LinkTarget(group + "\\Sondrel.lnk"), In("sondrel.exe"));
    EXPECT_EQ(LinkTarget(group + "\\Sondrel Help.lnk"), In("Manual") + "\\index.html");
    EXPECT_EQ(LinkTarget(ShellFolder(HKEY_LOCAL_MACHINE, "Common Desktop") + "\\Sondrel.lnk"), In("sondrel.exe"));

    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "Sondrel Uninstall");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "\"" + In("uninst.exe") + "\"");
    std::string quoted = "\"" + In("sondrel.exe") + "\"";
    EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, ".wav", nullptr), "SondrelTest.Audio");
    EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, ".mp3", nullptr), "mp3file");
    EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, "SondrelTest.Audio\\Shell\\Edit with Sondrel\\Command", nullptr), quoted + " \"%1\"");
    EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, "mp3file\\Shell\\Edit with Sondrel\\Command", nullptr), quoted + " \"%1\"");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "RunEdit"), quoted + " \"%s\"");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "Version"), "1.00");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, "Software\\Ketterly\\Sondrel\\Folders", "Current"), "<missing>");
}

TEST_F(Setup, EditVerbStartsTheInstalledEditorWithTheFile) {
    Install();
    std::string take = kWork + "\\take one.wav";
    ASSERT_TRUE(test::WriteSawtoothWav(take));
    HINSTANCE r = ShellExecuteA(nullptr, "Edit with Sondrel", take.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    ASSERT_GT(reinterpret_cast<INT_PTR>(r), 32);
    // The installed editor, with the file open.
    HWND editor = WaitForWindowOfImage("Sondrel [take one.wav]", In("sondrel.exe"), 30000);
    ASSERT_NE(editor, nullptr);
    std::string cmd = CommandLineOf(WindowProcess(editor));
    EXPECT_NE(cmd.find("\"" + take + "\""), std::string::npos) << cmd;
    PostMessageA(editor, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForWindowGone(editor, 10000));
}

TEST_F(Setup, UninstallerAsksThenRemovesWhatWasInstalledAndKeepsTheUsersFile) {
    Install();
    // A recording the user saved beside the program; the editor's own files
    // in the user's data folder and in the shared one an earlier
    // installation made.
    ASSERT_TRUE(test::WriteSawtoothWav(In("my recording.wav")));
    ASSERT_TRUE(WriteBytes(UserDataFolder() + "\\1.aud", {1, 2, 3}));
    ASSERT_TRUE(WriteBytes(UserDataFolder() + "\\equalizer.dat", {4, 5, 6}));
    CreateDirectoryA(In("Current").c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(In("Current") + "\\7.aud", {1, 2, 3}));
    auto before = List(ProgramFolder());

    for (bool yes : {false, true}) {
        Program p;
        ASSERT_TRUE(p.Start(In("uninst.exe"), ""));
        p.WaitIdle(10000);
        EXPECT_EQ(p.WaitExit(15000), 0u) << "the uninstaller waits for its copy";
        HWND ask = WaitForWindow(0, "Uninstall Sondrel", 30000);
        ASSERT_NE(ask, nullptr);
        EXPECT_TRUE(WaitStaticText(ask, "Are you sure you want to remove Sondrel from this computer?", 5000));
        DWORD pid = WindowProcess(ask);
        std::string image = ImageOf(pid);
        EXPECT_EQ(image.substr(image.rfind('\\') + 1), "uninst.exe");
        EXPECT_NE(image, In("uninst.exe")) << "the question comes from the temporary copy";
        EXPECT_NE(CommandLineOf(pid).find("/uninstall"), std::string::npos);
        HANDLE copy = OpenProcess(SYNCHRONIZE, FALSE, pid);
        Command(ask, yes ? IDYES : IDNO);
        if (!yes) {
            EXPECT_EQ(WaitForSingleObject(copy, 15000), WAIT_OBJECT_0);
            CloseHandle(copy);
            EXPECT_EQ(List(ProgramFolder()), before);
            EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
            continue;
        }
        ASSERT_TRUE(WaitForWindowGone(ask, 10000));
        HWND kept = WaitForWindow(pid, "Uninstall Sondrel", 30000);
        ASSERT_NE(kept, nullptr) << "no word about the folder that still holds the user's file";
        EXPECT_TRUE(WaitStaticText(kept, ProgramFolder(), 5000)) << StaticTexts(kept);
        Command(kept, IDOK);
        EXPECT_EQ(WaitForSingleObject(copy, 15000), WAIT_OBJECT_0);
        CloseHandle(copy);
    }
    EXPECT_EQ(List(ProgramFolder()), std::vector<std::string>{"my recording.wav"});
    EXPECT_FALSE(Exists(UserMakerFolder())) << "the user's emptied data folder stays";
    EXPECT_EQ(List(MakerFolder()), std::vector<std::string>{"Sondrel"});
    EXPECT_FALSE(Exists(ShellFolder(HKEY_LOCAL_MACHINE, "Common Programs") + "\\Sondrel"));
    EXPECT_FALSE(Exists(ShellFolder(HKEY_LOCAL_MACHINE, "Common Desktop") + "\\Sondrel.lnk"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "RunEdit"), "<missing>");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "Version"), "1.00");
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "SondrelTest.Audio\\Shell\\Edit with Sondrel"));
    EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, ".wav", nullptr), "SondrelTest.Audio");
    DeleteFileA(In("my recording.wav").c_str());
    RemoveDirectoryA(ProgramFolder().c_str());
    RemoveDirectoryA(MakerFolder().c_str());
}

}  // namespace
