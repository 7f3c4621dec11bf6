#include "support/LFile.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
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

LFile& LFile::operator=(LFile&& o) noexcept {
    if (this != &o) {
        Close();
        h_ = o.h_;
        o.h_ = kInvalid;
    }
    return *this;
}

#ifdef _WIN32

static HANDLE H(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

bool LFile::Open(const char* path, Mode mode) {
    Close();
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
            access = GENERIC_READ | GENERIC_WRITE;
            share = 0;
            disp = CREATE_ALWAYS;
            break;
    }
    HANDLE h = CreateFileA(path, access, share, nullptr, disp, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    h_ = reinterpret_cast<intptr_t>(h);
    return true;
}

void LFile::Close() {
    if (h_ != kInvalid) CloseHandle(H(h_));
    h_ = kInvalid;
}

uint32_t LFile::Read(void* data, uint32_t bytes) {
    DWORD got = 0;
    if (h_ == kInvalid || !ReadFile(H(h_), data, bytes, &got, nullptr)) return 0;
    return got;
}

uint32_t LFile::Write(const void* data, uint32_t bytes) {
    DWORD put = 0;
    if (h_ == kInvalid || !WriteFile(H(h_), data, bytes, &put, nullptr)) return 0;
    return put;
}

bool LFile::Seek(int64_t offset) {
    LARGE_INTEGER li;
    li.QuadPart = offset;
    return h_ != kInvalid && SetFilePointerEx(H(h_), li, nullptr, FILE_BEGIN);
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

bool LFile::Truncate() { return h_ != kInvalid && SetEndOfFile(H(h_)); }

bool LFile::Delete(const char* path) { return DeleteFileA(path) != 0; }

bool LFile::Replace(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool LFile::Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool LFile::IsDirectory(const char* path) {
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> LFile::List(const char* folder, const char* suffix) {
    std::vector<std::string> names;
    std::string pattern = JoinPath(folder, std::string("*") + suffix);
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA(pattern.c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return names;
    size_t sl = std::strlen(suffix);
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string n = fd.cFileName;
        // FindFirstFile also matches short names and longer extensions; keep exact suffixes.
        if (n.size() >= sl && _stricmp(n.c_str() + n.size() - sl, suffix) == 0) names.push_back(n);
    } while (FindNextFileA(f, &fd));
    FindClose(f);
    return names;
}

std::string TempFolder() {
    char buf[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof buf, buf);
    if (n == 0 || n > MAX_PATH) return std::string();
    std::string s(buf, n);
    while (!s.empty() && (s.back() == '\\' || s.back() == '/')) s.pop_back();
    return s;
}

#else

bool LFile::Open(const char* path, Mode mode) {
    Close();
    int flags = O_RDONLY;
    switch (mode) {
        case kRead: flags = O_RDONLY; break;
        case kWriteOpen: flags = O_WRONLY | O_CREAT; break;
        case kCreate: flags = O_RDWR | O_CREAT | O_TRUNC; break;
        case kReadWrite: flags = O_RDWR; break;
        case kTempExclusive: flags = O_RDWR | O_CREAT | O_TRUNC; break;
    }
    int fd = ::open(path, flags | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    h_ = fd;
    return true;
}

void LFile::Close() {
    if (h_ != kInvalid) ::close(int(h_));
    h_ = kInvalid;
}

uint32_t LFile::Read(void* data, uint32_t bytes) {
    if (h_ == kInvalid) return 0;
    uint32_t total = 0;
    while (total < bytes) {
        ssize_t r = ::read(int(h_), static_cast<char*>(data) + total, bytes - total);
        if (r <= 0) break;
        total += uint32_t(r);
    }
    return total;
}

uint32_t LFile::Write(const void* data, uint32_t bytes) {
    if (h_ == kInvalid) return 0;
    uint32_t total = 0;
    while (total < bytes) {
        ssize_t r = ::write(int(h_), static_cast<const char*>(data) + total, bytes - total);
        if (r <= 0) break;
        total += uint32_t(r);
    }
    return total;
}

bool LFile::Seek(int64_t offset) {
    return h_ != kInvalid && offset >= 0 && ::lseek(int(h_), off_t(offset), SEEK_SET) >= 0;
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
    return pos >= 0 && ::ftruncate(int(h_), pos) == 0;
}

bool LFile::Delete(const char* path) { return ::unlink(path) == 0; }

bool LFile::Replace(const char* from, const char* to) { return ::rename(from, to) == 0; }

bool LFile::Exists(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0;
}

bool LFile::IsDirectory(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> LFile::List(const char* folder, const char* suffix) {
    std::vector<std::string> names;
    DIR* d = ::opendir(*folder ? folder : ".");
    if (!d) return names;
    size_t sl = std::strlen(suffix);
    while (struct dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n.size() < sl || strcasecmp(n.c_str() + n.size() - sl, suffix) != 0) continue;
        if (IsDirectory(JoinPath(folder, n).c_str())) continue;
        names.push_back(n);
    }
    ::closedir(d);
    return names;
}

std::string TempFolder() {
    const char* t = std::getenv("TMPDIR");
    std::string s = (t && *t) ? t : "/tmp";
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
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
    return bytes == 0 || f.Write(data, uint32_t(bytes)) == bytes;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.size() >= size_t(kMaxPath - 1)) return folder;
    std::string r = folder;
    if (!r.empty() && r.back() != '\\' && r.back() != '/') r += kSep;
    for (char c : name) {
        if (r.size() >= size_t(kMaxPath - 1)) break;
        r += c;
    }
    return r;
}

std::string MakeTempFile(const std::string& folder, const char* prefix) {
    static unsigned counter = 0;
#ifdef _WIN32
    unsigned seed = unsigned(GetCurrentProcessId()) * 7919u + unsigned(GetTickCount());
#else
    unsigned seed = unsigned(getpid()) * 7919u;
#endif
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%04X.tmp", prefix, (seed + counter++) & 0xFFFF);
        std::string path = JoinPath(folder, name);
        if (LFile::Exists(path.c_str())) continue;
#ifdef _WIN32
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;
        CloseHandle(h);
#else
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) continue;
        ::close(fd);
#endif
        return path;
    }
    return std::string();
}

}  // namespace sondrel
