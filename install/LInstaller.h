// The installer and uninstaller that the program's own file carries: the
// role decision at start-up, the program folder and the other places an
// installation uses, and the install and uninstall operations. Everything the
// operations need from the system besides files goes through LInstallShell,
// which the Windows edge implements and tests replace.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/LProgress.h"
#include "install/LInstallLayout.h"
#include "support/LRegistry.h"

namespace sondrel {

// One entry of the install file table: where a payload file goes and its
// name. Kind "", "ProgramFiles" or "DataFiles" is the program folder; any
// other kind is a subfolder of that name in the program folder.
struct LInstallFile {
    const char* szKind;
    const char* szName;
};

enum class LProgramRole { kEditor, kInstaller, kUninstaller, kCorruptInstaller };

// By the last four bytes of the program's own file (little-endian) and its
// file name: an installer, an uninstaller, or the editor. A file whose name
// holds "setup" (any letter case) without the installer's word is a damaged
// installer.
LProgramRole DecideProgramRole(uint32_t lastWord, const std::string& fileName);
// The last four bytes of a file as a little-endian word; 0 when it is shorter
// or cannot be read.
uint32_t ReadLastWord(const char* path);

// Texts the user sees.
extern const char* const kCorruptInstallText;
extern const char* const kInstallErrorCaption;
extern const char* const kInstallTitle;    // "Installing Sondrel v 1.00"
extern const char* const kUninstallQuestion;
extern const char* const kUninstallCaption;
constexpr const char* kVersionText = "1.00";
constexpr const char* kEditVerb = "Edit with Sondrel";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sondrel";

class LInstallShell {
public:
    virtual ~LInstallShell() = default;
    virtual LRegistry& Registry() = 0;
    // Creates a folder unless it exists (true when it exists afterwards;
    // created tells whether this call made it), with the access its parent
    // passes on: the installer opens no folder to other users.
    virtual bool MakeFolder(const std::string& path, bool* created) = 0;
    // Removes a folder when it is empty; false otherwise.
    virtual bool RemoveFolder(const std::string& path) = 0;
    virtual bool CreateLink(const std::string& linkPath, const std::string& target) = 0;
    // Starts a program shown normally, with arguments after its quoted path.
    virtual bool StartProgram(const std::string& path, const std::string& arguments) = 0;
    // The licence terms; true when the user accepts them.
    virtual bool ShowLicence() = 0;
    virtual bool AskYesNo(const std::string& text, const char* caption) = 0;
    virtual void Tell(const std::string& text, const char* caption, bool warning) = 0;
    virtual void Wait(uint32_t milliseconds) = 0;
    virtual std::string TempFolder() = 0;
    // The running user's local application data, where the editor keeps that
    // user's data folder; empty when the system names none.
    virtual std::string UserDataRoot() = 0;
};

// Places of an installation.
// "ProgramFilesDir" of HKLM\Software\Microsoft\Windows\CurrentVersion, or
// empty when it cannot be read.
std::string ProgramFilesDir(LRegistry& reg);
// ProgramFilesDir + "\Ketterly\Sondrel", or "C:\Sondrel" without it.
std::string InstallProgramFolder(LRegistry& reg);
// Where files of a table kind go.
std::string DestinationFolder(const std::string& programFolder, const char* kind);
// "Common Programs" (HKLM) or else "Programs" (HKCU) + "\Sondrel"; empty when
// neither is set.
std::string StartMenuGroupFolder(LRegistry& reg);
// "Common Desktop" (HKLM), else "Desktop" (HKCU), else "c:\Windows\Desktop",
// + "\Sondrel.lnk".
std::string DesktopLinkPath(LRegistry& reg);

// The file types the installer and the settings page register.
struct LFileTypeDefault {
    const char* szExtension;
    const char* szType;  // the type given to an extension that has none
};
extern const LFileTypeDefault kFileTypes[4];

class LInstaller {
public:
    // selfPath: the running program's file; files: the install file table.
    // The uninstaller works on the program folder recorded in the settings.
    LInstaller(LInstallShell& shell, std::vector<LInstallFile> files, std::string selfPath);

    // The install operation into the folder InstallProgramFolder names:
    // checks the whole install file first and writes nothing when it is
    // damaged; shows the licence; extracts every payload file beside its
    // destination and moves them into place only when all are complete
    // (Cancel or a failure leaves what was there before); then finalizes and
    // starts the program.
    LProcessResult Install(LProgress* progress);
    // The uninstall operation. Without arguments: copies the program to the
    // temporary folder and starts the copy with "/uninstall". With them: asks,
    // then removes the files, links and keys the installation made, and the
    // folders only when nothing else is left in them.
    LProcessResult Uninstall(LProgress* progress, bool hasArguments);

    const std::string& ProgramFolder() const { return szProgramFolder; }

private:
    bool CheckInstallFile(LProgress* progress, LInstallTrailer& trailer);
    LProcessResult Extract(LProgress* progress, const LInstallTrailer& trailer);
    bool MakeFolders();
    void RemoveCreatedFolders();
    void Finalize();
    void AddStartMenuItem(const std::string& target, const char* name);
    void RemoveEverything();
    void RemoveVerbIfOurs(const std::string& type, const char* verb, const std::string& command);

    LInstallShell& shell;
    std::vector<LInstallFile> vFiles;
    std::string szSelfPath;
    std::string szProgramFolder;
    std::vector<std::string> vCreatedFolders;  // by this run, in creation order
};

// Copies a file whole through LFile; false on any error (a partial copy is removed).
bool CopyWholeFile(const std::string& from, const std::string& to);
// Appends a little-endian word to an existing file.
bool AppendMagic(const std::string& path, uint32_t value);

}  // namespace sondrel
