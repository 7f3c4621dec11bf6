// The install file layout, the role decision, the places an installation
// uses, and the install and uninstall operations over a test shell that
// keeps the registry in memory and the files in a scratch folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "document/LAudioCutTank.h"
#include "install/LInstaller.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/TestUtil.h"

using namespace sondrel;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Bytes(size_t n, uint32_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t((i * 131u + seed * 7u + (i >> 8)) & 0xFF);
    return v;
}
std::vector<uint8_t> ReadFile(const std::string& path) {
    std::vector<uint8_t> v;
    LFile::ReadAll(path.c_str(), v);
    return v;
}
void WriteFile(const std::string& path, const std::vector<uint8_t>& v) {
    ASSERT_TRUE(LFile::WriteAll(path.c_str(), v.data(), v.size())) << path;
}
std::vector<uint8_t> WithWord(std::vector<uint8_t> v, uint32_t w) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(w >> (8 * i)));
    return v;
}

TEST(InstallLayout, WriterPacksFilesSizesChecksumAndMagic) {
    std::string dir = test::ScratchDir("layout");
    auto prog = Bytes(10000, 1), page = Bytes(333, 2);
    WriteFile(JoinPath(dir, "prog.exe"), prog);
    WriteFile(JoinPath(dir, "page.html"), page);
    std::string out = JoinPath(dir, "Setup.exe"), error;
    // The optional encoder is missing: it is packed as size 0.
    ASSERT_TRUE(WriteInstallFile(out, {{JoinPath(dir, "prog.exe"), false}, {JoinPath(dir, "page.html"), false},
                                       {JoinPath(dir, "lame.exe"), true}},
                                 error))
        << error;
    auto file = ReadFile(out);
    ASSERT_EQ(file.size(), prog.size() + page.size() + 3 * 4 + 8);
    EXPECT_TRUE(std::equal(prog.begin(), prog.end(), file.begin()));
    EXPECT_TRUE(std::equal(page.begin(), page.end(), file.begin() + ptrdiff_t(prog.size())));

    LInstallTrailer t;
    ASSERT_TRUE(DecodeInstallTrailer(file.data(), file.size(), 3, t));
    EXPECT_EQ(t.sizes, (std::vector<uint32_t>{10000, 333, 0}));
    EXPECT_EQ(t.checksum, AddByteSum(AddByteSum(0, prog.data(), prog.size()), page.data(), page.size()));
    EXPECT_EQ(t.magic, kInstallerMagic);
    EXPECT_EQ(CheckInstallLength(t, file.size()), LLayoutCheck::kOk);
    EXPECT_EQ(EncodeInstallTrailer(t), std::vector<uint8_t>(file.end() - 20, file.end()));
    // Little-endian words: the magic's bytes as they stand in the file.
    EXPECT_EQ(std::vector<uint8_t>(file.end() - 4, file.end()), (std::vector<uint8_t>{0xF0, 0xF0, 0x0F, 0x0F}));
}

TEST(InstallLayout, WriterRefusesWhatCannotBeInstalled) {
    std::string dir = test::ScratchDir("layout-refuse");
    WriteFile(JoinPath(dir, "prog.exe"), Bytes(100, 3));
    WriteFile(JoinPath(dir, "empty.exe"), {});
    std::string out = JoinPath(dir, "Setup.exe"), error;

    std::vector<LPackFile> many(129, LPackFile{JoinPath(dir, "prog.exe"), false});
    EXPECT_FALSE(WriteInstallFile(out, many, error));
    many.resize(128);
    EXPECT_TRUE(WriteInstallFile(out, many, error)) << error;  // 128 is the limit, not beyond

    struct Case {
        const char* what;
        std::vector<LPackFile> files;
    };
    for (const Case& c : {Case{"a required file is missing", {{JoinPath(dir, "prog.exe"), false}, {JoinPath(dir, "no.html"), false}}},
                          Case{"the program is missing", {{JoinPath(dir, "none.exe"), true}}},
                          Case{"the program is empty", {{JoinPath(dir, "empty.exe"), false}}}}) {
        error.clear();
        EXPECT_FALSE(WriteInstallFile(out, c.files, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_FALSE(LFile::Exists(out.c_str())) << c.what << ": a partial output is left";
    }
}

TEST(InstallLayout, LengthCheckCatchesCutAndExtendedFiles) {
    LInstallTrailer t;
    t.sizes = {1000, 0, 24};
    t.magic = kInstallerMagic;
    uint64_t exact = 1024 + t.Bytes();
    EXPECT_EQ(CheckInstallLength(t, exact), LLayoutCheck::kOk);
    EXPECT_EQ(CheckInstallLength(t, exact - 1), LLayoutCheck::kWrongLength);
    EXPECT_EQ(CheckInstallLength(t, exact + 1), LLayoutCheck::kWrongLength);
    t.magic = kUninstallerMagic;
    EXPECT_EQ(CheckInstallLength(t, exact), LLayoutCheck::kNotInstaller);
    t.magic = kInstallerMagic;
    t.sizes.assign(129, 0);
    EXPECT_EQ(CheckInstallLength(t, t.Bytes()), LLayoutCheck::kTooManyFiles);
    EXPECT_FALSE(DecodeInstallTrailer(nullptr, 19, 3, t));  // shorter than 3 sizes, checksum and magic
}

TEST(InstallLayout, RoleFromTheLastWordAndTheFileName) {
    struct Case {
        uint32_t word;
        const char* name;
        LProgramRole role;
    };
    for (Case c : {Case{kInstallerMagic, "SondrelSetup.exe", LProgramRole::kInstaller},
                   Case{kInstallerMagic, "anything.exe", LProgramRole::kInstaller},
                   Case{kUninstallerMagic, "uninst.exe", LProgramRole::kUninstaller},
                   Case{0, "sondrel.exe", LProgramRole::kEditor},
                   Case{0x12345678, "sondrel.exe", LProgramRole::kEditor},
                   Case{0x12345678, "SondrelSetup.exe", LProgramRole::kCorruptInstaller},
                   Case{0, "mysetup.EXE", LProgramRole::kCorruptInstaller},
                   Case{kUninstallerMagic, "SETUP.exe", LProgramRole::kUninstaller},
                   Case{0x0F0FF0F1, "sEtUp", LProgramRole::kCorruptInstaller}}) {
        EXPECT_EQ(DecideProgramRole(c.word, c.name), c.role) << c.name << " " << std::hex << c.word;
    }
    std::string dir = test::ScratchDir("lastword");
    WriteFile(JoinPath(dir, "a"), WithWord(Bytes(9, 4), kUninstallerMagic));
    WriteFile(JoinPath(dir, "short"), {1, 2, 3});
    EXPECT_EQ(ReadLastWord(JoinPath(dir, "a").c_str()), kUninstallerMagic);
    EXPECT_EQ(ReadLastWord(JoinPath(dir, "short").c_str()), 0u);
    EXPECT_EQ(ReadLastWord(JoinPath(dir, "missing").c_str()), 0u);
}

TEST(InstallPlaces, FoldersLinksAndDestinations) {
    const char* kWin = "Software\\Microsoft\\Windows\\CurrentVersion";
    const char* kShell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    LMemoryRegistry reg;
    EXPECT_EQ(InstallProgramFolder(reg), "C:\\Sondrel");
    EXPECT_EQ(StartMenuGroupFolder(reg), "");
    EXPECT_EQ(DesktopLinkPath(reg), JoinPath("c:\\Windows\\Desktop", "Sondrel.lnk"));

    reg.WriteString(LRegRoot::kLocalMachine, kWin, "ProgramFilesDir", "C:\\Program Files");
    reg.WriteString(LRegRoot::kCurrentUser, kShell, "Programs", "U\\Programs");
    reg.WriteString(LRegRoot::kCurrentUser, kShell, "Desktop", "U\\Desktop");
    EXPECT_EQ(InstallProgramFolder(reg), JoinPath(JoinPath("C:\\Program Files", "Ketterly"), "Sondrel"));
    EXPECT_EQ(StartMenuGroupFolder(reg), JoinPath("U\\Programs", "Sondrel"));
    EXPECT_EQ(DesktopLinkPath(reg), JoinPath("U\\Desktop", "Sondrel.lnk"));
    // The machine-wide folders win over the user's.
    reg.WriteString(LRegRoot::kLocalMachine, kShell, "Common Programs", "M\\Programs");
    reg.WriteString(LRegRoot::kLocalMachine, kShell, "Common Desktop", "M\\Desktop");
    EXPECT_EQ(StartMenuGroupFolder(reg), JoinPath("M\\Programs", "Sondrel"));
    EXPECT_EQ(DesktopLinkPath(reg), JoinPath("M\\Desktop", "Sondrel.lnk"));

    struct Case {
        const char* kind;
        std::string folder;
    };
    for (const Case& c : {Case{"", "P"}, Case{nullptr, "P"}, Case{"ProgramFiles", "P"}, Case{"DataFiles", "P"},
                          Case{"programfiles", "P"}, Case{"Manual", JoinPath("P", "Manual")}}) {
        EXPECT_EQ(DestinationFolder("P", c.kind), c.folder) << (c.kind ? c.kind : "(null)");
    }
}

// The system as the installer sees it: the registry in memory, folders and
// links in a scratch folder, the user's answers scripted.
class TestShell : public LInstallShell {
public:
    LMemoryRegistry reg;
    std::string temp, userRoot;
    bool licenceOk = true, answerYes = true;
    int licenceShown = 0;
    std::vector<std::string> told, asked, started;
    std::map<std::string, std::string> links;

    LRegistry& Registry() override { return reg; }
    bool MakeFolder(const std::string& path, bool* created) override {
        std::error_code ec;
        bool made = fs::create_directory(path, ec);
        if (ec) return false;
        if (created) *created = made;
        return true;
    }
    bool RemoveFolder(const std::string& path) override {
        std::error_code ec;
        return fs::is_directory(path) && fs::is_empty(path) && fs::remove(path, ec);
    }
    bool CreateLink(const std::string& linkPath, const std::string& target) override {
        links[linkPath] = target;
        return LFile::WriteAll(linkPath.c_str(), target.data(), target.size());
    }
    bool StartProgram(const std::string& path, const std::string& arguments) override {
        started.push_back(arguments.empty() ? path : path + " " + arguments);
        return true;
    }
    bool ShowLicence() override {
        ++licenceShown;
        return licenceOk;
    }
    bool AskYesNo(const std::string& text, const char*) override {
        asked.push_back(text);
        return answerYes;
    }
    void Tell(const std::string& text, const char*, bool) override { told.push_back(text); }
    void Wait(uint32_t) override {}
    std::string TempFolder() override { return temp; }
    std::string UserDataRoot() override { return userRoot; }
};

// Cancels at the n-th poll (never when n < 0).
struct CancelAt : LProgress {
    int left;
    explicit CancelAt(int n) : left(n) {}
    bool IsCancelled() override { return left >= 0 && left-- == 0; }
    void SetText(const char*, int) override {}
    void SetProgress(double) override {}
};

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        SetSettingsStore(&settings);
        dir = test::ScratchDir("installer");
        pf = JoinPath(dir, "Program Files");
        fs::create_directories(pf);
        shell.temp = JoinPath(dir, "temp");
        fs::create_directories(shell.temp);
        shell.userRoot = JoinPath(dir, "Local");
        fs::create_directories(shell.userRoot);
        menu = JoinPath(dir, "Programs");
        desk = JoinPath(dir, "Desktop");
        fs::create_directories(desk);
        shell.reg.WriteString(LRegRoot::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", pf);
        const char* shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
        shell.reg.WriteString(LRegRoot::kLocalMachine, shellFolders, "Common Programs", menu);
        shell.reg.WriteString(LRegRoot::kLocalMachine, shellFolders, "Common Desktop", desk);
        // ".wav" already belongs to another file type; ".mp3" to none.
        shell.reg.WriteString(LRegRoot::kClassesRoot, ".wav", nullptr, "SoundRecording");

        prog = Bytes(20000, 5);
        page = Bytes(5000, 6);
        lame = Bytes(9000, 7);
        WriteFile(JoinPath(dir, "prog.exe"), prog);
        WriteFile(JoinPath(dir, "index.html"), page);
        WriteFile(JoinPath(dir, "lame.exe"), lame);
        setup = JoinPath(dir, "SondrelSetup.exe");
        Pack(setup, true);
        program = JoinPath(JoinPath(JoinPath(pf, "Ketterly"), "Sondrel"), "");
        program.pop_back();
    }
    void TearDown() override { SetSettingsStore(nullptr); }

    void Pack(const std::string& out, bool withLame) {
        std::string error;
        ASSERT_TRUE(WriteInstallFile(out, {{JoinPath(dir, "prog.exe"), false}, {JoinPath(dir, "index.html"), false},
                                           {JoinPath(dir, withLame ? "lame.exe" : "no-lame.exe"), true}},
                                     error))
            << error;
    }
    LInstaller Make(const std::string& self) { return LInstaller(shell, table, self); }
    std::string In(const char* name) const { return JoinPath(program, name); }
    std::vector<std::string> Entries(const std::string& folder) const {
        std::vector<std::string> v;
        if (!fs::is_directory(folder)) return v;
        for (auto& e : fs::directory_iterator(folder)) v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    }
    LProcessResult Install(const std::string& self, int cancelAt = -1) {
        CancelAt p(cancelAt);
        LInstaller inst = Make(self);
        return inst.Install(&p);
    }

    LMemorySettings settings;
    TestShell shell;
    std::vector<LInstallFile> table{{"", "sondrel.exe"}, {"Manual", "index.html"}, {"", "lame.exe"}};
    std::string dir, pf, menu, desk, setup, program;
    std::vector<uint8_t> prog, page, lame;
};

TEST_F(Installer, InstallsFilesLinksKeysAndVerbsThenStartsTheProgram) {
    ASSERT_EQ(Install(setup), kProcessDone);
    EXPECT_EQ(shell.licenceShown, 1);
    EXPECT_TRUE(shell.told.empty()) << shell.told[0];

    EXPECT_EQ(Entries(program), (std::vector<std::string>{"Manual", "lame.exe", "sondrel.exe", "uninst.exe"}));
    EXPECT_EQ(ReadFile(In("sondrel.exe")), WithWord(prog, kInstalledMagic));
    EXPECT_EQ(ReadFile(In("uninst.exe")), WithWord(prog, kUninstallerMagic));
    EXPECT_EQ(ReadFile(JoinPath(In("Manual"), "index.html")), page);
    EXPECT_EQ(ReadFile(In("lame.exe")), lame);
    // No data folder shared by every user: each user's editor makes its own.
    EXPECT_TRUE(Entries(shell.userRoot).empty());

    EXPECT_EQ(ReadString("Folders", "ProgramFiles", ""), program);
    EXPECT_EQ(ReadString("Folders", "DataFiles", ""), program);
    EXPECT_EQ(ReadString("Folders", "Current", "none"), "none");
    std::string quoted = "\"" + In("sondrel.exe") + "\"";
    EXPECT_EQ(ReadString("Settings", "RunEdit", ""), quoted + " \"%s\"");
    EXPECT_EQ(ReadString("Settings", "Version", ""), "1.00");

    std::string group = JoinPath(menu, "Sondrel");
    EXPECT_EQ(shell.links[JoinPath(group, "Sondrel.lnk")], In("sondrel.exe"));
    EXPECT_EQ(shell.links[JoinPath(group, "Sondrel Help.lnk")], JoinPath(In("Manual"), "index.html"));
    EXPECT_EQ(shell.links[JoinPath(desk, "Sondrel.lnk")], In("sondrel.exe"));

    std::string v;
    ASSERT_TRUE(shell.reg.ReadString(LRegRoot::kLocalMachine, kUninstallKey, "DisplayName", v));
    EXPECT_EQ(v, "Sondrel Uninstall");
    ASSERT_TRUE(shell.reg.ReadString(LRegRoot::kLocalMachine, kUninstallKey, "UninstallString", v));
    EXPECT_EQ(v, "\"" + In("uninst.exe") + "\"");

    struct Case {
        const char* ext;
        const char* type;
    };
    for (Case c : {Case{".wav", "SoundRecording"}, Case{".mp3", "mp3file"}, Case{".gsm", "gsmfile"},
                   Case{".vox", "voxfile"}}) {
        ASSERT_TRUE(shell.reg.ReadString(LRegRoot::kClassesRoot, c.ext, nullptr, v)) << c.ext;
        EXPECT_EQ(v, c.type);
        ASSERT_TRUE(shell.reg.ReadString(LRegRoot::kClassesRoot,
                                         std::string(c.type) + "\\Shell\\Edit with Sondrel\\Command", nullptr, v));
        EXPECT_EQ(v, quoted + " \"%1\"");
    }
    EXPECT_EQ(shell.started, std::vector<std::string>{In("sondrel.exe")});
}

TEST_F(Installer, FilesOfSizeZeroAreSkipped) {
    Pack(setup, false);
    ASSERT_EQ(Install(setup), kProcessDone);
    EXPECT_FALSE(LFile::Exists(In("lame.exe").c_str()));
    EXPECT_TRUE(LFile::Exists(In("sondrel.exe").c_str()));
}

TEST_F(Installer, ADamagedInstallFileWritesNothing) {
    auto good = ReadFile(setup);
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
    };
    auto flipped = good;
    flipped[prog.size() + 100] ^= 0x40;  // one byte of the manual page
    auto cut = good;
    cut.erase(cut.begin() + 30000);  // a byte missing inside the payload
    auto extended = good;
    extended.insert(extended.end() - 20, 0);
    auto noMagic = good;
    noMagic.back() = 0;
    for (const Case& c : {Case{"a changed payload byte", flipped}, Case{"a payload byte cut out", cut},
                          Case{"a byte added", extended}, Case{"no magic", noMagic}, Case{"nothing", {}}}) {
        std::string bad = JoinPath(dir, "bad-setup.exe");
        WriteFile(bad, c.file);
        size_t keys = shell.reg.KeyCount();
        shell.told.clear();
        EXPECT_EQ(Install(bad), kProcessFailed) << c.what;
        ASSERT_EQ(shell.told.size(), 1u) << c.what;
        EXPECT_EQ(shell.told[0], kCorruptInstallText);
        EXPECT_EQ(shell.licenceShown, 0) << c.what;
        EXPECT_EQ(Entries(pf), std::vector<std::string>{}) << c.what;
        EXPECT_EQ(shell.reg.KeyCount(), keys) << c.what;
        EXPECT_FALSE(settings.HasSection("Folders")) << c.what;
        EXPECT_TRUE(shell.started.empty());
    }
}

TEST_F(Installer, RefusingTheLicenceInstallsNothing) {
    shell.licenceOk = false;
    EXPECT_EQ(Install(setup), kProcessCancelled);
    EXPECT_EQ(Entries(pf), std::vector<std::string>{});
    EXPECT_FALSE(settings.HasSection("Folders"));
}

TEST_F(Installer, CancelDuringExtractionLeavesNoHalfWrittenProgram) {
    // 20000 + 5000 + 9000 bytes in 4096-byte blocks: the first poll after the
    // licence, then one per block. Cancel in the program, the page, the encoder.
    for (int at : {1, 3, 6, 8, 10}) {
        EXPECT_EQ(Install(setup, at), kProcessCancelled) << at;
        EXPECT_EQ(Entries(pf), std::vector<std::string>{}) << "cancelled at poll " << at;
        EXPECT_FALSE(settings.HasSection("Folders"));
        EXPECT_TRUE(shell.told.empty());
        EXPECT_TRUE(shell.started.empty());
    }
}

TEST_F(Installer, CancelOrAFailureKeepsAnEarlierInstallationWhole) {
    ASSERT_EQ(Install(setup), kProcessDone);
    auto installed = ReadFile(In("sondrel.exe"));
    prog = Bytes(21000, 9);  // a newer program
    WriteFile(JoinPath(dir, "prog.exe"), prog);
    std::string newer = JoinPath(dir, "NewerSetup.exe");
    Pack(newer, true);

    EXPECT_EQ(Install(newer, 7), kProcessCancelled);  // during the encoder, after the program
    EXPECT_EQ(ReadFile(In("sondrel.exe")), installed);
    EXPECT_EQ(Entries(program), (std::vector<std::string>{"Manual", "lame.exe", "sondrel.exe", "uninst.exe"}));

    // The encoder's file cannot be created: the user is told, nothing is replaced.
    fs::create_directory(In("lame.exe.part"));
    EXPECT_EQ(Install(newer), kProcessFailed);
    ASSERT_EQ(shell.told.size(), 1u);
    EXPECT_NE(shell.told[0].find(In("lame.exe")), std::string::npos) << shell.told[0];
    EXPECT_EQ(ReadFile(In("sondrel.exe")), installed);
    EXPECT_FALSE(LFile::Exists(In("sondrel.exe.part").c_str()));
    fs::remove(In("lame.exe.part"));

    ASSERT_EQ(Install(newer), kProcessDone);
    EXPECT_EQ(ReadFile(In("sondrel.exe")), WithWord(prog, kInstalledMagic));
}

TEST_F(Installer, UninstallerStartsItsTemporaryCopy) {
    ASSERT_EQ(Install(setup), kProcessDone);
    shell.started.clear();
    LInstaller u = Make(In("uninst.exe"));
    CancelAt p(-1);
    EXPECT_EQ(u.Uninstall(&p, false), kProcessDone);
    std::string copy = JoinPath(shell.temp, "uninst.exe");
    EXPECT_EQ(ReadFile(copy), WithWord(prog, kUninstallerMagic));
    EXPECT_EQ(shell.started, std::vector<std::string>{copy + " /uninstall"});
    EXPECT_TRUE(shell.asked.empty());  // the copy asks, not the original
    EXPECT_TRUE(LFile::Exists(In("sondrel.exe").c_str()));
}

TEST_F(Installer, UninstallRemovesWhatTheInstallationMadeAndKeepsTheUsersFiles) {
    ASSERT_EQ(Install(setup), kProcessDone);
    std::string copy = JoinPath(shell.temp, "uninst.exe");
    ASSERT_TRUE(CopyWholeFile(In("uninst.exe"), copy));
    // What the editor leaves in the user's data folder; the shared folder an
    // earlier installation made, with a file of the user's beside the
    // editor's; and a recording the user saved in the program folder.
    std::string userData = DataFolder(shell.userRoot, program);
    ASSERT_EQ(userData, JoinPath(JoinPath(shell.userRoot, "Ketterly"), "Sondrel"));
    fs::create_directories(userData);
    WriteFile(JoinPath(userData, "3.aud"), Bytes(10, 1));
    WriteFile(JoinPath(userData, "equalizer.dat"), Bytes(10, 2));
    WriteFile(JoinPath(userData, "envelope.dat"), Bytes(10, 3));
    fs::create_directories(In("Current"));
    WriteFile(JoinPath(In("Current"), "12.aud"), Bytes(10, 6));
    WriteFile(JoinPath(In("Current"), "notes.aud"), Bytes(10, 5));  // not one of the editor's
    WriteFile(In("my take.wav"), Bytes(44, 4));
    auto before = Entries(program);
    size_t keys = shell.reg.KeyCount();

    CancelAt p(-1);
    shell.answerYes = false;
    EXPECT_EQ(Make(copy).Uninstall(&p, true), kProcessCancelled);
    ASSERT_EQ(shell.asked, std::vector<std::string>{kUninstallQuestion});
    EXPECT_EQ(Entries(program), before);
    EXPECT_EQ(shell.reg.KeyCount(), keys);
    EXPECT_EQ(ReadString("Settings", "RunEdit", ""), "\"" + In("sondrel.exe") + "\" \"%s\"");

    shell.answerYes = true;
    EXPECT_EQ(Make(copy).Uninstall(&p, true), kProcessDone);
    EXPECT_EQ(Entries(program), (std::vector<std::string>{"Current", "my take.wav"}));
    EXPECT_EQ(Entries(In("Current")), std::vector<std::string>{"notes.aud"});
    EXPECT_TRUE(Entries(shell.userRoot).empty()) << "the user's emptied data folder and its maker's folder stay";
    ASSERT_EQ(shell.told.size(), 1u);
    EXPECT_NE(shell.told[0].find(program), std::string::npos) << shell.told[0];
    EXPECT_NE(shell.told[0].find(In("Current")), std::string::npos) << shell.told[0];
    EXPECT_EQ(Entries(JoinPath(pf, "Ketterly")), std::vector<std::string>{"Sondrel"});
    EXPECT_FALSE(fs::exists(JoinPath(menu, "Sondrel")));
    EXPECT_FALSE(fs::exists(JoinPath(desk, "Sondrel.lnk")));
    EXPECT_FALSE(shell.reg.KeyExists(LRegRoot::kLocalMachine, kUninstallKey));
    EXPECT_EQ(ReadString("Settings", "RunEdit", "gone"), "gone");
    EXPECT_EQ(ReadString("Settings", "Version", ""), "1.00");  // other settings stay
    // Verbs that would start the removed program go; the file types stay.
    EXPECT_FALSE(shell.reg.KeyExists(LRegRoot::kClassesRoot, "SoundRecording\\Shell\\Edit with Sondrel"));
    std::string v;
    EXPECT_TRUE(shell.reg.ReadString(LRegRoot::kClassesRoot, ".wav", nullptr, v));
    EXPECT_EQ(v, "SoundRecording");
}

TEST_F(Installer, UninstallOfAnUntouchedInstallationRemovesEveryFolder) {
    ASSERT_EQ(Install(setup), kProcessDone);
    // Another program's verb on the same type stays.
    shell.reg.WriteString(LRegRoot::kClassesRoot, "mp3file\\Shell\\Play\\Command", nullptr, "player \"%1\"");
    std::string copy = JoinPath(shell.temp, "uninst.exe");
    ASSERT_TRUE(CopyWholeFile(In("uninst.exe"), copy));
    CancelAt p(-1);
    EXPECT_EQ(Make(copy).Uninstall(&p, true), kProcessDone);
    EXPECT_TRUE(shell.told.empty());
    EXPECT_EQ(Entries(pf), std::vector<std::string>{});
    EXPECT_TRUE(shell.reg.KeyExists(LRegRoot::kClassesRoot, "mp3file\\Shell\\Play\\Command"));
    EXPECT_FALSE(shell.reg.KeyExists(LRegRoot::kClassesRoot, "mp3file\\Shell\\Edit with Sondrel"));
}

}  // namespace
