#include "install/LInstaller.h"

#include <algorithm>
#include <cstring>

#include "document/LAudioCutTank.h"
#include "support/LFile.h"
#include "support/LHelp.h"
#include "support/LRegistry.h"
#include "support/LSettings.h"

namespace sondrel {

const char* const kCorruptInstallText =
    "Installation file corrupt.\n\nA checksum error was detected in your install file, please redownload file and "
    "install again.";
const char* const kInstallErrorCaption = "Install Error";
const char* const kInstallTitle = "Installing Sondrel v 1.00";
const char* const kUninstallQuestion = "Are you sure you want to remove Sondrel from this computer?";
const char* const kUninstallCaption = "Uninstall Sondrel";

const LFileTypeDefault kFileTypes[4] = {
    {".wav", "wavfile"}, {".mp3", "mp3file"}, {".gsm", "gsmfile"}, {".vox", "voxfile"}};

namespace {
constexpr const char* kWindowsKey = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr uint32_t kBlockBytes = 4096;
constexpr const char* kPartSuffix = ".part";  // a payload file until it is complete

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}
bool SameText(const char* a, const char* b) { return Upper(a) == Upper(b); }

std::string ParentFolder(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The editor's segment files are named "%d.aud".
bool IsSegmentFileName(const std::string& name) {
    size_t digits = name.size() - 4;
    if (name.size() <= 4 || name.compare(digits, 4, ".aud") != 0) return false;
    for (size_t i = 0; i < digits; ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

void PutWord(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
}  // namespace

LProgramRole DecideProgramRole(uint32_t lastWord, const std::string& fileName) {
    if (lastWord == kInstallerMagic) return LProgramRole::kInstaller;
    if (lastWord == kUninstallerMagic) return LProgramRole::kUninstaller;
    if (Upper(fileName).find("SETUP") != std::string::npos) return LProgramRole::kCorruptInstaller;
    return LProgramRole::kEditor;
}

uint32_t ReadLastWord(const char* path) {
    LFile f;
    if (!f.Open(path, LFile::kRead)) return 0;
    int64_t size = f.Size();
    uint8_t b[4] = {};
    if (size < 4 || !f.Seek(size - 4) || f.Read(b, 4) != 4) return 0;
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

std::string ProgramFilesDir(LRegistry& reg) {
    std::string dir;
    if (!reg.ReadString(LRegRoot::kLocalMachine, kWindowsKey, "ProgramFilesDir", dir)) return std::string();
    while (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
    return dir;
}

std::string InstallProgramFolder(LRegistry& reg) {
    std::string dir = ProgramFilesDir(reg);
    if (dir.empty()) return "C:\\Sondrel";
    return JoinPath(JoinPath(dir, "Ketterly"), "Sondrel");
}

std::string DestinationFolder(const std::string& programFolder, const char* kind) {
    if (!kind || !*kind || SameText(kind, "ProgramFiles") || SameText(kind, "DataFiles")) return programFolder;
    return JoinPath(programFolder, kind);
}

std::string StartMenuGroupFolder(LRegistry& reg) {
    std::string folder;
    if ((!reg.ReadString(LRegRoot::kLocalMachine, kShellFoldersKey, "Common Programs", folder) || folder.empty()) &&
        (!reg.ReadString(LRegRoot::kCurrentUser, kShellFoldersKey, "Programs", folder) || folder.empty()))
        return std::string();  // "InstallDialog::GetStartMenuGroupFolder FAILED!"
    return JoinPath(folder, "Sondrel");
}

std::string DesktopLinkPath(LRegistry& reg) {
    std::string folder;
    if ((!reg.ReadString(LRegRoot::kLocalMachine, kShellFoldersKey, "Common Desktop", folder) || folder.empty()) &&
        (!reg.ReadString(LRegRoot::kCurrentUser, kShellFoldersKey, "Desktop", folder) || folder.empty()))
        folder = "c:\\Windows\\Desktop";
    return JoinPath(folder, "Sondrel.lnk");
}

bool CopyWholeFile(const std::string& from, const std::string& to) {
    LFile in, out;
    if (!in.Open(from.c_str(), LFile::kRead) || !out.Open(to.c_str(), LFile::kCreate)) return false;
    std::vector<uint8_t> block(65536);
    bool ok = true;
    for (;;) {
        uint32_t got = in.Read(block.data(), uint32_t(block.size()));
        if (got == 0) break;
        if (out.Write(block.data(), got) != got) {
            ok = false;
            break;
        }
    }
    ok = ok && out.Size() == in.Size();
    out.Close();
    if (!ok) LFile::Delete(to.c_str());
    return ok;
}

bool AppendMagic(const std::string& path, uint32_t value) {
    LFile f;
    if (!f.Open(path.c_str(), LFile::kReadWrite)) return false;
    uint8_t b[4];
    PutWord(b, value);
    return f.Seek(f.Size()) && f.Write(b, 4) == 4;
}

LInstaller::LInstaller(LInstallShell& s, std::vector<LInstallFile> files, std::string selfPath)
    : shell(s), vFiles(std::move(files)), szSelfPath(std::move(selfPath)) {
    szProgramFolder = ReadString("Folders", "ProgramFiles", "");
    if (szProgramFolder.empty()) szProgramFolder = InstallProgramFolder(shell.Registry());
}

// The whole install file is checked before anything is written: its length
// must be what the size table says and the byte sum must match.
bool LInstaller::CheckInstallFile(LProgress* progress, LInstallTrailer& trailer) {
    if (vFiles.size() > kMaxInstallFiles) return false;  // "InstallDialog::MainFunction More Than 128 Files"
    LFile self;
    if (!self.Open(szSelfPath.c_str(), LFile::kRead)) return false;
    int64_t size = self.Size();
    size_t tailBytes = vFiles.size() * 4 + 8;
    if (size < int64_t(tailBytes)) return false;
    std::vector<uint8_t> tail(tailBytes);
    if (!self.Seek(size - int64_t(tailBytes)) || self.Read(tail.data(), uint32_t(tailBytes)) != tailBytes) return false;
    if (!DecodeInstallTrailer(tail.data(), tail.size(), vFiles.size(), trailer)) return false;
    if (CheckInstallLength(trailer, uint64_t(size)) != LLayoutCheck::kOk) return false;
    if (trailer.sizes.empty() || trailer.sizes[0] == 0) return false;  // no program image

    self.Seek(0);
    uint64_t total = trailer.PayloadBytes(), done = 0;
    uint32_t sum = 0;
    std::vector<uint8_t> block(65536);
    while (done < total) {
        uint32_t want = uint32_t(std::min<uint64_t>(block.size(), total - done));
        if (self.Read(block.data(), want) != want) return false;
        sum = AddByteSum(sum, block.data(), want);
        done += want;
        if (progress) progress->SetProgress(double(done) / double(total));
    }
    return sum == trailer.checksum;
}

bool LInstaller::MakeFolders() {
    // Program Files, the maker's folder, the program folder: made as needed.
    std::string dir = ProgramFilesDir(shell.Registry());
    std::vector<std::string> chain;
    if (!dir.empty() && szProgramFolder == JoinPath(JoinPath(dir, "Ketterly"), "Sondrel"))
        chain = {dir, JoinPath(dir, "Ketterly"), szProgramFolder};
    else
        chain = {szProgramFolder};
    for (const std::string& f : chain) {
        bool created = false;
        // No folder is opened to other users: anyone who could write the
        // program folder could replace the program. Each user's audio goes
        // to a data folder the editor makes for that user at its first start.
        if (!shell.MakeFolder(f, &created)) return false;  // "GetInstallProgramFilesPath CreateDirectory FAILED!"
        if (created) vCreatedFolders.push_back(f);
    }
    for (const LInstallFile& f : vFiles) {
        std::string dest = DestinationFolder(szProgramFolder, f.szKind);
        if (dest == szProgramFolder) continue;
        bool created = false;
        if (!shell.MakeFolder(dest, &created)) return false;
        if (created) vCreatedFolders.push_back(dest);
    }
    return true;
}

void LInstaller::RemoveCreatedFolders() {
    for (auto it = vCreatedFolders.rbegin(); it != vCreatedFolders.rend(); ++it) shell.RemoveFolder(*it);
    vCreatedFolders.clear();
}

LProcessResult LInstaller::Extract(LProgress* progress, const LInstallTrailer& trailer) {
    LFile self;
    if (!self.Open(szSelfPath.c_str(), LFile::kRead)) return kProcessFailed;
    uint64_t total = trailer.PayloadBytes(), copied = 0;
    uint32_t checksum = trailer.checksum;
    std::vector<std::string> parts, targets;
    auto discard = [&] {
        for (const std::string& p : parts) LFile::Delete(p.c_str());
    };
    std::vector<uint8_t> block(kBlockBytes);
    for (size_t i = 0; i < vFiles.size(); ++i) {
        uint32_t size = trailer.sizes[i];
        if (size == 0) continue;  // not in this payload
        const LInstallFile& f = vFiles[i];
        std::string target = JoinPath(DestinationFolder(szProgramFolder, f.szKind), f.szName);
        std::string part = target + kPartSuffix;
        progress->SetText(f.szName, 1);
        LFile out;
        if (!out.Open(part.c_str(), LFile::kCreate)) {
            discard();
            shell.Tell("Sondrel could not write \"" + target +
                           "\". Make sure you may write to that folder, then run the installer again.",
                       kInstallErrorCaption, true);
            return kProcessFailed;
        }
        parts.push_back(part);
        targets.push_back(target);
        for (uint32_t left = size; left > 0;) {
            uint32_t want = std::min(left, kBlockBytes);
            uint32_t got = self.Read(block.data(), want);
            checksum -= AddByteSum(0, block.data(), got);
            bool written = got == want && out.Write(block.data(), got) == got;
            if (!written) {
                out.Close();
                discard();
                shell.Tell("Sondrel could not write \"" + target + "\". Make sure the disk has room, then run the "
                           "installer again.",
                           kInstallErrorCaption, true);
                return kProcessFailed;
            }
            left -= got;
            copied += got;
            progress->SetProgress(double(copied) / double(total));
            if (progress->IsCancelled()) {
                out.Close();
                discard();
                return kProcessCancelled;
            }
        }
    }
    self.Close();
    if (checksum != 0) {  // the file changed while it was being installed
        discard();
        shell.Tell(kCorruptInstallText, kInstallErrorCaption, true);
        return kProcessFailed;
    }
    // Every file is complete: only now do they replace an earlier installation.
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!LFile::Replace(parts[i].c_str(), targets[i].c_str())) {
            for (size_t j = i; j < parts.size(); ++j) LFile::Delete(parts[j].c_str());
            shell.Tell("Sondrel could not replace \"" + targets[i] +
                           "\". Close every program that uses it, then run the installer again.",
                       kInstallErrorCaption, true);
            return kProcessFailed;
        }
    }
    return kProcessDone;
}

LProcessResult LInstaller::Install(LProgress* progress) {
    szProgramFolder = InstallProgramFolder(shell.Registry());
    progress->SetText("Installing Sondrel", 0);
    progress->SetText("Checking the install file", 1);
    LInstallTrailer trailer;
    if (!CheckInstallFile(progress, trailer)) {
        shell.Tell(kCorruptInstallText, kInstallErrorCaption, true);
        return kProcessFailed;
    }
    progress->SetProgress(0);
    progress->SetText("Software Licence Terms", 1);
    if (!shell.ShowLicence()) return kProcessCancelled;
    if (progress->IsCancelled()) return kProcessCancelled;

    vCreatedFolders.clear();
    if (!MakeFolders()) {
        RemoveCreatedFolders();
        shell.Tell("Sondrel could not create the folder \"" + szProgramFolder +
                       "\". Make sure you may write there, then run the installer again.",
                   kInstallErrorCaption, true);
        return kProcessFailed;
    }
    LProcessResult r = Extract(progress, trailer);
    if (r != kProcessDone) {
        RemoveCreatedFolders();
        return r;
    }
    // Recorded only for a complete installation: the uninstaller and the
    // editor find the folders here.
    WriteString("Folders", "ProgramFiles", szProgramFolder.c_str());
    WriteString("Folders", "DataFiles", szProgramFolder.c_str());
    progress->SetText("Finalizing", 1);
    Finalize();
    return kProcessDone;
}

void LInstaller::AddStartMenuItem(const std::string& target, const char* name) {
    std::string group = StartMenuGroupFolder(shell.Registry());
    if (group.empty()) return;
    shell.MakeFolder(ParentFolder(group), nullptr);
    shell.MakeFolder(group, nullptr);
    shell.CreateLink(JoinPath(group, std::string(name) + ".lnk"), target);
}

void LInstaller::Finalize() {
    LRegistry& reg = shell.Registry();
    std::string program = JoinPath(szProgramFolder, "sondrel.exe");
    AddStartMenuItem(program, "Sondrel");
    shell.CreateLink(DesktopLinkPath(reg), program);

    std::string uninstaller = JoinPath(szProgramFolder, "uninst.exe");
    CopyWholeFile(program, uninstaller);
    bool created = false;
    if (reg.CreateKey(LRegRoot::kLocalMachine, kUninstallKey, &created) && created) {
        reg.WriteString(LRegRoot::kLocalMachine, kUninstallKey, "DisplayName", "Sondrel Uninstall");
        reg.WriteString(LRegRoot::kLocalMachine, kUninstallKey, "UninstallString", "\"" + uninstaller + "\"");
    }
    AppendMagic(program, kInstalledMagic);
    AppendMagic(uninstaller, kUninstallerMagic);

    // The manual takes the place of the old help file.
    AddStartMenuItem(JoinPath(JoinPath(szProgramFolder, kManualFolderName), HelpPage(IDH_CONTENTS)), "Sondrel Help");

    for (const LFileTypeDefault& t : kFileTypes) {
        std::string type;
        if (!reg.ReadString(LRegRoot::kClassesRoot, t.szExtension, nullptr, type) || type.empty()) type = t.szType;
        WriteClassesString(reg, t.szExtension, nullptr, type);
        WriteClassesString(reg, type + "\\Shell\\" + kEditVerb + "\\Command", nullptr, VerbCommand(program, "%1"));
    }
    WriteString("Settings", "RunEdit", VerbCommand(program, "%s").c_str());
    WriteString("Settings", "Version", kVersionText);
    shell.StartProgram(program, "");
}

void LInstaller::RemoveVerbIfOurs(const std::string& type, const char* verb, const std::string& command) {
    LRegistry& reg = shell.Registry();
    std::string key = type + "\\Shell\\" + verb;
    std::string value;
    if (reg.ReadString(LRegRoot::kClassesRoot, key + "\\Command", nullptr, value) && value == command)
        DeleteClassesKey(reg, key);
}

void LInstaller::RemoveEverything() {
    LRegistry& reg = shell.Registry();
    LFile::Delete(DesktopLinkPath(reg).c_str());
    reg.DeleteKey(LRegRoot::kLocalMachine, kUninstallKey);
    std::string group = StartMenuGroupFolder(reg);
    if (!group.empty()) {
        LFile::Delete(JoinPath(group, "Sondrel.lnk").c_str());
        LFile::Delete(JoinPath(group, "Sondrel Help.lnk").c_str());
        shell.RemoveFolder(group);
    }

    // Only what the installation put there goes: a recording the user saved
    // in the program folder stays, and so does the folder that holds it.
    std::string program = JoinPath(szProgramFolder, "sondrel.exe");
    for (const LInstallFile& f : vFiles)
        LFile::Delete(JoinPath(DestinationFolder(szProgramFolder, f.szKind), f.szName).c_str());
    LFile::Delete(JoinPath(szProgramFolder, "uninst.exe").c_str());
    // The data folder of the user who uninstalls, and the shared "Current"
    // an earlier installation made in the program folder: what the editor
    // left there goes, and the folder when nothing else is in it. Other
    // users' folders are theirs to clear.
    std::vector<std::string> kept;
    const std::string userRoot = shell.UserDataRoot();
    std::vector<std::string> dataFolders = {DataFolder(userRoot, szProgramFolder)};
    const std::string shared = JoinPath(szProgramFolder, "Current");
    if (dataFolders[0] != shared && LFile::IsDirectory(shared.c_str())) dataFolders.push_back(shared);
    for (const std::string& current : dataFolders) {
        if (!LFile::IsDirectory(current.c_str())) continue;
        for (const std::string& name : LFile::List(current.c_str(), ".aud"))
            if (IsSegmentFileName(name)) LFile::Delete(JoinPath(current, name).c_str());
        LFile::Delete(JoinPath(current, "equalizer.dat").c_str());
        LFile::Delete(JoinPath(current, "envelope.dat").c_str());
        if (!shell.RemoveFolder(current) && LFile::IsDirectory(current.c_str())) kept.push_back(current);
    }
    if (!userRoot.empty()) shell.RemoveFolder(UserMakerFolder(userRoot));
    for (const LInstallFile& f : vFiles) {
        std::string dest = DestinationFolder(szProgramFolder, f.szKind);
        if (dest != szProgramFolder) shell.RemoveFolder(dest);
    }
    if (!shell.RemoveFolder(szProgramFolder) && LFile::IsDirectory(szProgramFolder.c_str()))
        kept.insert(kept.begin(), szProgramFolder);
    std::string dir = ProgramFilesDir(reg);
    if (!dir.empty()) shell.RemoveFolder(JoinPath(dir, "Ketterly"));
    RemoveSetting("Settings", "RunEdit");

    // Verbs that would start the removed program go too.
    for (const LFileTypeDefault& t : kFileTypes) {
        std::string type;
        if (!reg.ReadString(LRegRoot::kClassesRoot, t.szExtension, nullptr, type) || type.empty()) continue;
        RemoveVerbIfOurs(type, kEditVerb, VerbCommand(program, "%1"));
        RemoveVerbIfOurs(type, "Open", VerbCommand(program, "%L"));
    }

    if (!kept.empty()) {
        std::string text = "Sondrel has been removed from this computer.\n\nThese folders were left in place because "
                           "they still hold files that Sondrel did not install, such as recordings saved there:";
        for (const std::string& k : kept) text += "\n" + k;
        shell.Tell(text, kUninstallCaption, false);
    }
}

LProcessResult LInstaller::Uninstall(LProgress* progress, bool hasArguments) {
    if (!hasArguments) {
        // The copy does the work, so that the program folder can go.
        std::string copy = JoinPath(shell.TempFolder(), "uninst.exe");
        if (!CopyWholeFile(szSelfPath, copy) || !shell.StartProgram(copy, "/uninstall")) {
            shell.Tell("Sondrel could not start its uninstaller from the temporary folder \"" + shell.TempFolder() +
                           "\".",
                       kUninstallCaption, true);
            return kProcessFailed;
        }
        return kProcessDone;
    }
    if (progress->IsCancelled()) return kProcessCancelled;
    shell.Wait(250);
    if (!shell.AskYesNo(kUninstallQuestion, kUninstallCaption)) return kProcessCancelled;
    RemoveEverything();
    return kProcessDone;
}

}  // namespace sondrel
