// A small file layer over the platform: Win32 handles in the Windows build,
// POSIX descriptors natively. Sizes and offsets are 64-bit internally; the
// audio code works in 32-bit frame counts on top of it. Every failing call
// records why (LFailure), so that messages can name the cause.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/LFailure.h"
#include "support/LTempFiles.h"

namespace sondrel {

// Paths are texts of at most 259 characters (plus the terminating zero).
constexpr int kMaxPath = 260;

class LFile {
public:
    enum Mode {
        kRead,           // existing file, shared for reading and writing, sequential
        kWriteOpen,      // write, create if missing, keep contents if present; shared for reading
        kCreate,         // read and write, always a new empty file
        kReadWrite,      // read and write an existing file
        kTempExclusive,  // read and write, not shared: any file or link of that name is removed
                         // first and the new file is created exclusively, never through a link
        kCreateNew,      // read and write, shared for reading: a new file only where nothing of
                         // that name is (fails with kExists otherwise), never through a link
    };

    LFile() = default;
    ~LFile() { Close(); }
    LFile(const LFile&) = delete;
    LFile& operator=(const LFile&) = delete;
    LFile(LFile&& o) noexcept : h_(o.h_), eError(o.eError), bLimited(o.bLimited) { o.h_ = kInvalid; }
    LFile& operator=(LFile&& o) noexcept;

    bool Open(const char* path, Mode mode);
    // False when the system reports that written data did not reach the file.
    bool Close();
    bool IsOpen() const { return h_ != kInvalid; }

    // Bytes transferred; fewer than asked at the end of the file or on error
    // (then Error() says why).
    uint32_t Read(void* data, uint32_t bytes);
    uint32_t Write(const void* data, uint32_t bytes);
    bool Seek(int64_t offset);  // from the start
    int64_t Tell() const;
    int64_t Size() const;
    bool Truncate();  // at the current position
    // Writes the system's buffers of this file to the disk.
    bool Flush();
    // Asks the system to start writing this stretch of the file to the disk
    // without waiting for it, so that a Flush at the end finds little left
    // to wait for (where the system offers that; elsewhere it does nothing).
    bool StartWriteBack(int64_t offset, int64_t bytes);

    // Why the last failing call on this file failed.
    LFailure Error() const { return eError; }
    // Why the last failing Open or static call on this thread failed.
    static LFailure LastError();

    static bool Delete(const char* path);
    // Moves from over to, replacing to when it exists.
    static bool Replace(const char* from, const char* to);
    // Gives to the access permissions of from, when from exists (natively;
    // nothing to do in the Windows build, where a new file inherits them).
    static void CopyPermissions(const char* from, const char* to);
    static bool Exists(const char* path);
    static bool IsDirectory(const char* path);
    // A new folder of this process's user alone; false when anything of
    // that name (also a link) is already there.
    static bool MakeFolder(const char* path);
    // Removes an empty folder.
    static bool RemoveFolder(const char* path);
    // File names (not paths) in folder that match "*" + suffix, e.g. ".aud".
    static std::vector<std::string> List(const char* folder, const char* suffix);
    // Whole-file helpers for tests and small files.
    static bool ReadAll(const char* path, std::vector<uint8_t>& out);
    static bool WriteAll(const char* path, const void* data, size_t bytes);

    // For tests: the files opened under folder from now on share `bytes` of
    // space, as on a disk that has that much room left; a write beyond it
    // stores what still fits and fails with kDiskFull. An empty folder ends
    // the simulation.
    static void SimulateDiskFull(const std::string& folder, int64_t bytes);

private:
    void Fail(LFailure why);

    using Handle = intptr_t;
    static constexpr Handle kInvalid = -1;
    Handle h_ = kInvalid;
    LFailure eError = LFailure::kNone;
    bool bLimited = false;  // under the simulated full disk
};

// Folder + name with "\" or "/" as separator; never longer than 259
// characters: the append stops there, and a folder of 259 or more is
// returned unchanged.
std::string JoinPath(const std::string& folder, const std::string& name);
// Folder + name with no limit of its own (the system refuses what it
// cannot take, with kPathTooLong): for files that are not the cut tank's.
std::string AppendPath(const std::string& folder, const std::string& name);
// Folder + name as JoinPath, or "" when the whole path would not fit in
// 259 characters: a path is refused, never cut short.
std::string JoinPathChecked(const std::string& folder, const std::string& name);
// Characters of a path as the system counts them (UTF-16 units of its
// conversion from the program's code page in the Windows build, UTF-8
// characters natively); bytes would refuse non-ASCII names too early.
size_t PathLength(const std::string& path);

#ifdef _WIN32
// A path in the program's code page as the system's wide path; a long one
// gets the "\\?\" form, so that the older calls' limit of 260 units does
// not apply to it. And a wide name back in the program's code page.
std::wstring WidePath(const char* path);
std::string NarrowPath(const wchar_t* path);
#endif

}  // namespace sondrel
