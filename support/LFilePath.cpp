#include "support/LFilePath.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

#include <string>
#include <vector>

namespace sondrel {

namespace {

// Length of a path, or -1 when it is longer than a path may be.
int32_t PathLength(const char* path) {
    if (!path) return -1;
    size_t n = strnlen(path, size_t(kMaxPathChars) + 1);
    return n > size_t(kMaxPathChars) ? -1 : int32_t(n);
}

// Index of the last separator, -1 when none.
int32_t LastSeparator(const char* path, int32_t len) {
    for (int32_t i = len - 1; i >= 0; --i)
        if (IsPathSeparator(path[i])) return i;
    return -1;
}

// Index of the extension's dot (the last '.' after the last separator), -1 when none.
int32_t ExtensionDot(const char* path, int32_t len) {
    int32_t sep = LastSeparator(path, len);
    for (int32_t i = len - 1; i > sep; --i)
        if (path[i] == '.') return i;
    return -1;
}

bool Fail(char* out) {
    out[0] = '\0';
    return false;
}

// out = the first n characters of path (out may be path itself).
bool CopyPart(char* out, const char* path, int32_t n) {
    std::memmove(out, path, size_t(n));
    out[n] = '\0';
    return true;
}

}  // namespace

bool ApplyNewFileExtension(char* out, const char* path, const char* ext) {
    int32_t len = PathLength(path);
    if (len < 0 || !ext) return Fail(out);
    int32_t dot = ExtensionDot(path, len);
    int32_t keep = dot < 0 ? len : dot;
    size_t extLen = std::strlen(ext);
    if (size_t(keep) + extLen > size_t(kMaxPathChars)) return Fail(out);
    std::memmove(out, path, size_t(keep));
    std::memcpy(out + keep, ext, extLen + 1);
    return true;
}

bool GetFolderFromPath(char* out, const char* path) {
    int32_t len = PathLength(path);
    if (len < 0) return Fail(out);
    int32_t sep = LastSeparator(path, len);
    return CopyPart(out, path, sep < 0 ? 0 : sep);
}

bool GetFileFromPath(char* out, const char* path) {
    int32_t len = PathLength(path);
    if (len < 0) return Fail(out);
    int32_t sep = LastSeparator(path, len);
    return CopyPart(out, path + sep + 1, len - sep - 1);
}

bool GetFileExtension(char* out, const char* path) {
    int32_t len = PathLength(path);
    if (len < 0) return Fail(out);
    int32_t dot = ExtensionDot(path, len);
    if (dot < 0) return CopyPart(out, path, 0);
    return CopyPart(out, path + dot, len - dot);
}

bool GetFileNameWithoutExtension(char* out, const char* path) {
    if (!GetFileFromPath(out, path)) return false;
    int32_t len = int32_t(std::strlen(out));
    int32_t dot = ExtensionDot(out, len);
    if (dot >= 0) out[dot] = '\0';
    return true;
}

bool FilePathCat(char* folder, const char* name) { return FilePathCat(folder, name, ""); }

bool FilePathCat(char* folder, const char* name, const char* ext) {
    size_t len = strnlen(folder, size_t(kMaxPathChars) + 1);
    if (len > size_t(kMaxPathChars)) {
        folder[kMaxPathChars] = '\0';
        return false;
    }
    bool whole = true;
    auto append = [&](char c) {
        if (len >= size_t(kMaxPathChars)) {
            whole = false;
            return;
        }
        folder[len++] = c;
    };
    if (len > 0 && !IsPathSeparator(folder[len - 1])) append(kPathSeparator);
    for (const char* p = name ? name : ""; *p; ++p) append(*p);
    for (const char* p = ext ? ext : ""; *p; ++p) append(*p);
    folder[len] = '\0';
    return whole;
}

void GetDriveRoot(char* out, const char* path) {
    size_t n = path ? strnlen(path, size_t(kMaxPathChars)) : 0;
    for (size_t i = 0; i < n; ++i) {
        if (IsPathSeparator(path[i])) {
            n = i + 1;
            break;
        }
    }
    CopyPart(out, path ? path : "", int32_t(n));
}

uint32_t FreeBytesToKB(uint64_t bytes) {
    uint64_t kb = bytes / 1024;
    return kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(kb);
}

#ifdef _WIN32

uint32_t GetDriveFreeSpaceKB(const char* path) {
    char root[kMaxPath];
    GetDriveRoot(root, path);
    // Looked up at run time: not every system has the Ex form.
    using Fn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    HMODULE k = GetModuleHandleA("kernel32.dll");
    auto fn = k ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(k, "GetDiskFreeSpaceExA"))) : nullptr;
    ULARGE_INTEGER avail, total, free;
    if (!fn || !fn(root, &avail, &total, &free)) return kUnknownFreeSpaceKB;
    return FreeBytesToKB(avail.QuadPart);
}

bool DeleteFolderAndFiles(const char* folder) {
    std::string pattern = JoinPath(folder, "*");
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA(pattern.c_str(), &fd);
    bool ok = true;
    if (f != INVALID_HANDLE_VALUE) {
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            if (!DeleteFileA(JoinPath(folder, fd.cFileName).c_str())) ok = false;
        } while (FindNextFileA(f, &fd));
        FindClose(f);
    }
    return RemoveDirectoryA(folder) && ok;
}

static std::vector<std::string> Subfolders(const char* folder) {
    std::vector<std::string> dirs;
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA(JoinPath(folder, "*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return dirs;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (!std::strcmp(fd.cFileName, ".") || !std::strcmp(fd.cFileName, "..")) continue;
        dirs.push_back(JoinPath(folder, fd.cFileName));
    } while (FindNextFileA(f, &fd));
    FindClose(f);
    return dirs;
}

#else

uint32_t GetDriveFreeSpaceKB(const char* path) {
    char root[kMaxPath];
    GetDriveRoot(root, path);
    struct statvfs st;
    if (statvfs(root, &st) != 0) return kUnknownFreeSpaceKB;
    return FreeBytesToKB(uint64_t(st.f_bavail) * uint64_t(st.f_frsize));
}

static std::vector<std::string> Entries(const char* folder, bool wantDirs) {
    std::vector<std::string> out;
    DIR* d = ::opendir(folder);
    if (!d) return out;
    while (struct dirent* e = ::readdir(d)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
        std::string p = JoinPath(folder, e->d_name);
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode) == wantDirs) out.push_back(p);
    }
    ::closedir(d);
    return out;
}

bool DeleteFolderAndFiles(const char* folder) {
    bool ok = true;
    for (const std::string& f : Entries(folder, false))
        if (::unlink(f.c_str()) != 0) ok = false;
    return ::rmdir(folder) == 0 && ok;
}

static std::vector<std::string> Subfolders(const char* folder) { return Entries(folder, true); }

#endif

bool DeleteFolderTree(const char* folder) {
    bool ok = true;
    for (const std::string& sub : Subfolders(folder))
        if (!DeleteFolderTree(sub.c_str())) ok = false;
    return DeleteFolderAndFiles(folder) && ok;
}

bool MakeFolderChain(const std::string& folder) {
    if (folder.empty()) return false;
    // Each prefix that ends before a separator names a folder above this
    // one; a drive ("C:") or a bare root is left as it is.
    for (size_t i = 1; i < folder.size(); ++i) {
        if (!IsPathSeparator(folder[i]) || IsPathSeparator(folder[i - 1]) || folder[i - 1] == ':') continue;
        std::string above = folder.substr(0, i);
        if (!LFile::IsDirectory(above.c_str())) LFile::MakeFolder(above.c_str());
    }
    if (!LFile::IsDirectory(folder.c_str())) LFile::MakeFolder(folder.c_str());
    return LFile::IsDirectory(folder.c_str());
}

}  // namespace sondrel
