// Temporary files and folders that are this process's own. Names carry the
// maker's process id and a random part, so nobody can prepare a file or a
// link under a name we are about to use, and a later run can tell the
// leftovers of a run that died (its process is gone) from the files of a run
// that is still going.
//   temporary file:  "~snd<tag>-<pid hex>-<random hex>.tmp"
//   run folder:      "<prefix>-<pid hex>-<random hex>"
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sondrel {

// The platform's folder for temporary files (with no trailing separator).
std::string TempFolder();

// A new empty file in folder named as above, created exclusively (never
// through a link); the caller deletes it. "" on failure (LFile::LastError
// says why; kPathTooLong when the name would not fit).
std::string MakeTempFile(const std::string& folder, const char* tag);

// True for a name MakeTempFile makes (any tag); pid receives its maker.
bool IsTempFileName(const std::string& name, uint32_t* pid = nullptr);

// Deletes the temporary files in folder whose maker is no longer running
// (left by a run that was killed); returns how many went.
int RemoveStaleTempFiles(const std::string& folder);

// A new private folder in parent named as above, created exclusively: an
// existing folder or link of that name is never used. "" on failure.
std::string MakeRunFolder(const std::string& parent, const char* prefix);

// The run folders in parent (named by MakeRunFolder with prefix) whose
// maker is no longer running: real folders only (no links), and natively
// only those of this user.
std::vector<std::string> DeadRunFolders(const std::string& parent, const char* prefix);

// The current process's id, and whether a process of that id is running.
uint32_t CurrentProcessId();
bool IsProcessRunning(uint32_t pid);

// Random bits from the system's cryptographic source.
uint64_t RandomBits();

// Held while a program works in a data folder: only the first instance
// gets it, so one instance never clears another's files. Released by the
// destructor (natively, the lock file stays).
class LFolderLock {
public:
    LFolderLock() = default;
    ~LFolderLock();
    LFolderLock(const LFolderLock&) = delete;
    LFolderLock& operator=(const LFolderLock&) = delete;
    // False when another process holds it or it cannot be made.
    bool Acquire(const std::string& folder);
    bool Held() const { return h_ != -1; }

private:
    intptr_t h_ = -1;
};

}  // namespace sondrel
