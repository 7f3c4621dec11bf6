#include "support/LFile.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sondrel {

#ifdef _WIN32
static const char kSep = '\\';
#else
static const char kSep = '/';
#endif

namespace {

thread_local LFailure tLastError = LFailure::kNone;

// The simulated full disk: one folder and the room left under it.
std::mutex gDiskMutex;
std::string gDiskFolder;
std::atomic<int64_t> gDiskRoom{0};

bool UnderSimulatedDisk(const char* path) {
    std::lock_guard<std::mutex> lock(gDiskMutex);
    if (gDiskFolder.empty()) return false;
    size_t n = gDiskFolder.size();
    return std::strncmp(path, gDiskFolder.c_str(), n) == 0 && (path[n] == '/' || path[n] == '\\');
}

// Takes up to want bytes of the simulated room; returns what was granted.
uint32_t TakeRoom(uint32_t want) {
    int64_t room = gDiskRoom.load();
    for (;;) {
        int64_t take = room < int64_t(want) ? (room > 0 ? room : 0) : int64_t(want);
        if (gDiskRoom.compare_exchange_weak(room, room - take)) return uint32_t(take);
    }
}

#ifdef _WIN32
LFailure FromSystem(DWORD e) {
    switch (e) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return LFailure::kDiskFull;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_NETWORK_ACCESS_DENIED: return LFailure::kAccessDenied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return LFailure::kInUse;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_INVALID_NAME: return LFailure::kNotFound;
        case ERROR_FILENAME_EXCED_RANGE: return LFailure::kPathTooLong;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return LFailure::kExists;
        case ERROR_FILE_TOO_LARGE: return LFailure::kFileTooLarge;
        default: return LFailure::kIOError;
    }
}
LFailure SystemError() { return FromSystem(GetLastError()); }
#else
LFailure FromSystem(int e) {
    switch (e) {
        case ENOSPC:
        case EDQUOT: return LFailure::kDiskFull;
        case EACCES:
        case EPERM:
        case EROFS: return LFailure::kAccessDenied;
        case EBUSY:
        case ETXTBSY: return LFailure::kInUse;
        case ENOENT:
        case ENOTDIR: return LFailure::kNotFound;
        case ENAMETOOLONG: return LFailure::kPathTooLong;
        case EEXIST: return LFailure::kExists;
        case EFBIG: return LFailure::kFileTooLarge;
        case ELOOP: return LFailure::kAccessDenied;  // a link where none may be
        default: return LFailure::kIOError;
    }
}
LFailure SystemError() { return FromSystem(errno); }
#endif

// Records a failure of a static call or an Open; returns false for chaining.
bool Failed(LFailure why) {
    tLastError = why;
    return false;
}

}  // namespace

LFailure LFile::LastError() { return tLastError; }

void LFile::Fail(LFailure why) {
    eError = why;
    tLastError = why;
}

void LFile::SimulateDiskFull(const std::string& folder, int64_t bytes) {
    std::lock_guard<std::mutex> lock(gDiskMutex);
    gDiskFolder = folder;
    while (!gDiskFolder.empty() && (gDiskFolder.back() == '/' || gDiskFolder.back() == '\\')) gDiskFolder.pop_back();
    gDiskRoom = bytes;
}

LFile& LFile::operator=(LFile&& o) noexcept {
    if (this != &o) {
        Close();
        h_ = o.h_;
        eError = o.eError;
        bLimited = o.bLimited;
        o.h_ = kInvalid;
    }
    return *this;
}

#ifdef _WIN32

static HANDLE H(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

std::wstring WidePath(const char* path) {
    if (!path || !*path) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, &w[0], n);
    w.resize(size_t(n - 1));
    // Folders are limited to 248 units without the long form.
    if (w.size() < 248 || w.compare(0, 4, L"\\\\?\\") == 0) return w;
    DWORD m = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (m == 0) return w;
    std::wstring full(m, L'\0');
    m = GetFullPathNameW(w.c_str(), m, &full[0], nullptr);
    full.resize(m);
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::string NarrowPath(const wchar_t* path) {
    int n = WideCharToMultiByte(CP_ACP, 0, path, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, path, -1, &s[0], n, nullptr, nullptr);
    s.resize(size_t(n - 1));
    return s;
}

bool LFile::Open(const char* path, Mode mode) {
    Close();
    eError = LFailure::kNone;
    if (!path) {
        Fail(LFailure::kNotFound);
        return false;
    }
    std::wstring w = WidePath(path);
    DWORD access = GENERIC_READ, share = FILE_SHARE_READ, disp = OPEN_EXISTING;
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    switch (mode) {
        case kRead:
            share = FILE_SHARE_READ | FILE_SHARE_WRITE;
            flags |= FILE_FLAG_SEQUENTIAL_SCAN;
            break;
        case kWriteOpen:
            access = GENERIC_WRITE;
            disp = OPEN_ALWAYS;
            break;
        case kCreate:
            access = GENERIC_READ | GENERIC_WRITE;
            disp = CREATE_ALWAYS;
            break;
        case kReadWrite:
            access = GENERIC_READ | GENERIC_WRITE;
            break;
        case kTempExclusive:
            // Deleting a link removes the link, not what it points to; the
            // new file is then made only where nothing is.
            DeleteFileW(w.c_str());
            access = GENERIC_READ | GENERIC_WRITE;
            share = 0;
            disp = CREATE_NEW;
            break;
        case kCreateNew:
            access = GENERIC_READ | GENERIC_WRITE;
            disp = CREATE_NEW;
            break;
    }
    HANDLE h = CreateFileW(w.c_str(), access, share, nullptr, disp, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        Fail(SystemError());
        return false;
    }
    h_ = reinterpret_cast<intptr_t>(h);
    bLimited = mode != kRead && UnderSimulatedDisk(path);
    return true;
}

bool LFile::Close() {
    bool ok = true;
    if (h_ != kInvalid && !CloseHandle(H(h_))) {
        Fail(SystemError());
        ok = false;
    }
    h_ = kInvalid;
    return ok;
}

uint32_t LFile::Read(void* data, uint32_t bytes) {
    DWORD got = 0;
    if (h_ == kInvalid) return 0;
    if (!ReadFile(H(h_), data, bytes, &got, nullptr)) {
        Fail(SystemError());
        return 0;
    }
    return got;
}

uint32_t LFile::Write(const void* data, uint32_t bytes) {
    if (h_ == kInvalid) return 0;
    uint32_t want = bLimited ? TakeRoom(bytes) : bytes;
    DWORD put = 0;
    if (want > 0 && !WriteFile(H(h_), data, want, &put, nullptr)) {
        Fail(SystemError());
        return put;
    }
    if (put < bytes) Fail(LFailure::kDiskFull);
    return put;
}

bool LFile::Seek(int64_t offset) {
    LARGE_INTEGER li;
    li.QuadPart = offset;
    if (h_ == kInvalid || offset < 0) return false;
    if (!SetFilePointerEx(H(h_), li, nullptr, FILE_BEGIN)) {
        Fail(SystemError());
        return false;
    }
    return true;
}

int64_t LFile::Tell() const {
    LARGE_INTEGER zero, pos;
    zero.QuadPart = 0;
    if (h_ == kInvalid || !SetFilePointerEx(H(h_), zero, &pos, FILE_CURRENT)) return -1;
    return pos.QuadPart;
}

int64_t LFile::Size() const {
    LARGE_INTEGER sz;
    if (h_ == kInvalid || !GetFileSizeEx(H(h_), &sz)) return -1;
    return sz.QuadPart;
}

bool LFile::Truncate() {
    if (h_ == kInvalid) return false;
    if (!SetEndOfFile(H(h_))) {
        Fail(SystemError());
        return false;
    }
    return true;
}

bool LFile::Flush() {
    if (h_ == kInvalid) return false;
    if (!FlushFileBuffers(H(h_))) {
        Fail(SystemError());
        return false;
    }
    return true;
}

bool LFile::StartWriteBack(int64_t, int64_t) { return h_ != kInvalid; }  // the system has no call for it

bool LFile::Delete(const char* path) {
    return DeleteFileW(WidePath(path).c_str()) != 0 || Failed(SystemError());
}

bool LFile::Replace(const char* from, const char* to) {
    return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != 0 ||
           Failed(SystemError());
}

void LFile::CopyPermissions(const char*, const char*) {}

bool LFile::Exists(const char* path) { return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool LFile::IsDirectory(const char* path) {
    DWORD a = GetFileAttributesW(WidePath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool LFile::MakeFolder(const char* path) {
    return CreateDirectoryW(WidePath(path).c_str(), nullptr) != 0 || Failed(SystemError());
}

bool LFile::RemoveFolder(const char* path) {
    return RemoveDirectoryW(WidePath(path).c_str()) != 0 || Failed(SystemError());
}

std::vector<std::string> LFile::List(const char* folder, const char* suffix) {
    std::vector<std::string> names;
    std::wstring pattern = WidePath(AppendPath(folder, "*").c_str());
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW(pattern.c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return names;
    size_t sl = std::strlen(suffix);
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string n = NarrowPath(fd.cFileName);
        if (n.size() >= sl && _stricmp(n.c_str() + n.size() - sl, suffix) == 0) names.push_back(n);
    } while (FindNextFileW(f, &fd));
    FindClose(f);
    return names;
}

size_t PathLength(const std::string& path) {
    if (path.empty()) return 0;
    int n = MultiByteToWideChar(CP_ACP, 0, path.data(), int(path.size()), nullptr, 0);
    return n > 0 ? size_t(n) : path.size();
}

#else

bool LFile::Open(const char* path, Mode mode) {
    Close();
    eError = LFailure::kNone;
    if (!path) {
        Fail(LFailure::kNotFound);
        return false;
    }
    int flags = O_RDONLY;
    switch (mode) {
        case kRead: flags = O_RDONLY; break;
        case kWriteOpen: flags = O_WRONLY | O_CREAT; break;
        case kCreate: flags = O_RDWR | O_CREAT | O_TRUNC; break;
        case kReadWrite: flags = O_RDWR; break;
        case kTempExclusive:
            // Unlinking a link removes the link, not what it points to; the
            // new file is then made only where nothing is.
            ::unlink(path);
            flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
            break;
        case kCreateNew: flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW; break;
    }
    // Working files are private; files that become the user's get the usual rights.
    int fd = ::open(path, flags | O_CLOEXEC, mode == kTempExclusive ? 0600 : 0666);
    if (fd < 0) {
        Fail(SystemError());
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        Fail(LFailure::kAccessDenied);
        return false;
    }
    h_ = fd;
    bLimited = mode != kRead && UnderSimulatedDisk(path);
    return true;
}

bool LFile::Close() {
    bool ok = true;
    if (h_ != kInvalid && ::close(int(h_)) != 0 && errno != EINTR) {
        Fail(SystemError());
        ok = false;
    }
    h_ = kInvalid;
    return ok;
}

uint32_t LFile::Read(void* data, uint32_t bytes) {
    if (h_ == kInvalid) return 0;
    uint32_t total = 0;
    while (total < bytes) {
        ssize_t r = ::read(int(h_), static_cast<char*>(data) + total, bytes - total);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) Fail(SystemError());
        if (r <= 0) break;
        total += uint32_t(r);
    }
    return total;
}

uint32_t LFile::Write(const void* data, uint32_t bytes) {
    if (h_ == kInvalid) return 0;
    uint32_t want = bLimited ? TakeRoom(bytes) : bytes;
    uint32_t total = 0;
    while (total < want) {
        ssize_t r = ::write(int(h_), static_cast<const char*>(data) + total, want - total);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            Fail(r < 0 ? SystemError() : LFailure::kDiskFull);
            return total;
        }
        total += uint32_t(r);
    }
    if (total < bytes) Fail(LFailure::kDiskFull);
    return total;
}

bool LFile::Seek(int64_t offset) {
    if (h_ == kInvalid || offset < 0) return false;
    if (::lseek(int(h_), off_t(offset), SEEK_SET) < 0) {
        Fail(SystemError());
        return false;
    }
    return true;
}

int64_t LFile::Tell() const { return h_ == kInvalid ? -1 : int64_t(::lseek(int(h_), 0, SEEK_CUR)); }

int64_t LFile::Size() const {
    struct stat st;
    if (h_ == kInvalid || fstat(int(h_), &st) != 0) return -1;
    return int64_t(st.st_size);
}

bool LFile::Truncate() {
    if (h_ == kInvalid) return false;
    off_t pos = ::lseek(int(h_), 0, SEEK_CUR);
    if (pos < 0 || ::ftruncate(int(h_), pos) != 0) {
        Fail(SystemError());
        return false;
    }
    return true;
}

bool LFile::Flush() {
    if (h_ == kInvalid) return false;
    if (::fsync(int(h_)) != 0 && errno != EINVAL) {
        Fail(SystemError());
        return false;
    }
    return true;
}

bool LFile::StartWriteBack(int64_t offset, int64_t bytes) {
    if (h_ == kInvalid) return false;
#ifdef SYNC_FILE_RANGE_WRITE
    // Only starts the disk's work; a failure of it is the later Flush's to report.
    return ::sync_file_range(int(h_), offset, bytes, SYNC_FILE_RANGE_WRITE) == 0;
#else
    (void)offset;
    (void)bytes;
    return true;
#endif
}

bool LFile::Delete(const char* path) { return ::unlink(path) == 0 || Failed(SystemError()); }

bool LFile::Replace(const char* from, const char* to) { return ::rename(from, to) == 0 || Failed(SystemError()); }

void LFile::CopyPermissions(const char* from, const char* to) {
    struct stat st;
    if (::stat(from, &st) == 0) ::chmod(to, st.st_mode & 07777);
}

bool LFile::Exists(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0;
}

bool LFile::IsDirectory(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool LFile::MakeFolder(const char* path) { return ::mkdir(path, 0700) == 0 || Failed(SystemError()); }

bool LFile::RemoveFolder(const char* path) { return ::rmdir(path) == 0 || Failed(SystemError()); }

std::vector<std::string> LFile::List(const char* folder, const char* suffix) {
    std::vector<std::string> names;
    DIR* d = ::opendir(*folder ? folder : ".");
    if (!d) return names;
    size_t sl = std::strlen(suffix);
    while (struct dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n.size() < sl || strcasecmp(n.c_str() + n.size() - sl, suffix) != 0) continue;
        struct stat st;
        // Links are listed (so that they can be removed) but never followed.
        if (::lstat(AppendPath(folder, n).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        names.push_back(n);
    }
    ::closedir(d);
    return names;
}

size_t PathLength(const std::string& path) {
    size_t n = 0;
    for (unsigned char c : path) n += (c & 0xC0) != 0x80;  // continuation bytes are part of a character
    return n;
}

#endif

bool LFile::ReadAll(const char* path, std::vector<uint8_t>& out) {
    LFile f;
    if (!f.Open(path, kRead)) return false;
    int64_t sz = f.Size();
    if (sz < 0 || sz > 0x7FFFFFFF) return false;
    out.resize(size_t(sz));
    return sz == 0 || f.Read(out.data(), uint32_t(sz)) == uint32_t(sz);
}

bool LFile::WriteAll(const char* path, const void* data, size_t bytes) {
    LFile f;
    if (!f.Open(path, kCreate)) return false;
    bool ok = bytes == 0 || f.Write(data, uint32_t(bytes)) == bytes;
    return f.Close() && ok;
}

namespace {

// Appends the first characters of name to r while the whole stays within
// limit characters; false when not all of name fitted. Never splits a
// character.
bool AppendWithin(std::string& r, size_t used, const std::string& name, size_t limit) {
    size_t i = 0;
    while (i < name.size()) {
        size_t j = i + 1;
        while (j < name.size() && (static_cast<unsigned char>(name[j]) & 0xC0) == 0x80) ++j;
        size_t add = PathLength(name.substr(i, j - i));
        if (used + add > limit) return false;
        r.append(name, i, j - i);
        used += add;
        i = j;
    }
    return true;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    const size_t limit = size_t(kMaxPath - 1);
    size_t used = PathLength(folder);
    if (used >= limit) return folder;
    std::string r = folder;
    if (!r.empty() && r.back() != '\\' && r.back() != '/') {
        r += kSep;
        ++used;
    }
    AppendWithin(r, used, name, limit);
    return r;
}

std::string AppendPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    char last = folder.back();
    return last == '/' || last == '\\' ? folder + name : folder + kSep + name;
}

std::string JoinPathChecked(const std::string& folder, const std::string& name) {
    std::string r = AppendPath(folder, name);
    if (PathLength(r) > size_t(kMaxPath - 1)) {
        tLastError = LFailure::kPathTooLong;
        return std::string();
    }
    return r;
}

}  // namespace sondrel
