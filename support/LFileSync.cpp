#include "support/LFileSync.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#endif

namespace sondrel {

#ifdef _WIN32

bool SyncFile(const std::string& path) {
    // Shared both ways: a reader or the wave window may have it open.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BOOL ok = FlushFileBuffers(h);
    CloseHandle(h);
    return ok != 0;
}

bool ReplaceDurably(const std::string& from, const std::string& to) {
    // Write-through: the call returns once the new names are on the disk.
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool DeleteDurably(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

#else

namespace {

// The folder part of a path ("." when there is none).
std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A rename or deletion is an entry of the folder: it is on the disk only
// when the folder is.
bool SyncFolderOf(const std::string& path) {
    int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

bool SyncFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool ReplaceDurably(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) return false;
    SyncFolderOf(to);  // the new name is in place either way; this only hastens it to the disk
    return true;
}

bool DeleteDurably(const std::string& path) {
    if (::unlink(path.c_str()) != 0) return false;
    SyncFolderOf(path);
    return true;
}

#endif

}  // namespace sondrel
