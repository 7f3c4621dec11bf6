#include "support/LTempFiles.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#endif

#include "support/LFile.h"

namespace sondrel {

namespace {

const char kTempStart[] = "~snd";
const char kTempEnd[] = ".tmp";

bool IsHex(const std::string& s) {
    if (s.empty() || s.size() > 16) return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// "<pid hex>-<random hex>" at the end of a name; pid receives the first.
bool ParseOwner(const std::string& tail, uint32_t* pid) {
    size_t dash = tail.find('-');
    if (dash == std::string::npos) return false;
    std::string p = tail.substr(0, dash), r = tail.substr(dash + 1);
    if (!IsHex(p) || p.size() > 8 || !IsHex(r)) return false;
    if (pid) *pid = uint32_t(std::strtoul(p.c_str(), nullptr, 16));
    return true;
}

std::string OwnerPart() {
    char b[48];
    uint64_t r = RandomBits();
    std::snprintf(b, sizeof b, "%x-%08x%04x", unsigned(CurrentProcessId()), unsigned(r), unsigned(r >> 32) & 0xFFFF);
    return b;
}

}  // namespace

#ifdef _WIN32

std::string TempFolder() {
    wchar_t buf[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    if (n == 0 || n > MAX_PATH) return std::string();
    std::string s = NarrowPath(buf);
    while (!s.empty() && (s.back() == '\\' || s.back() == '/')) s.pop_back();
    return s;
}

uint32_t CurrentProcessId() { return uint32_t(GetCurrentProcessId()); }

bool IsProcessRunning(uint32_t pid) {
    if (pid == CurrentProcessId()) return true;
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h) return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to open
    bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
}

uint64_t RandomBits() {
    // The system's generator (RtlGenRandom), exported by advapi32 under this name.
    using Gen = BOOLEAN(WINAPI*)(PVOID, ULONG);
    static Gen gen = reinterpret_cast<Gen>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("advapi32.dll"), "SystemFunction036")));
    uint64_t r = 0;
    if (gen && gen(&r, sizeof r)) return r;
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return uint64_t(t.QuadPart) * 0x9E3779B97F4A7C15ull ^ (uint64_t(GetCurrentProcessId()) << 32);
}

std::vector<std::string> DeadRunFolders(const std::string& parent, const char* prefix) {
    std::vector<std::string> found;
    std::string start = std::string(prefix) + "-";
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW(WidePath(AppendPath(parent, start + "*").c_str()).c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return found;
    do {
        // A junction or link is never taken for one of our folders.
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        std::string n = NarrowPath(fd.cFileName);
        uint32_t pid = 0;
        if (n.compare(0, start.size(), start) != 0 || !ParseOwner(n.substr(start.size()), &pid)) continue;
        if (!IsProcessRunning(pid)) found.push_back(AppendPath(parent, n));
    } while (FindNextFileW(f, &fd));
    FindClose(f);
    return found;
}

LFolderLock::~LFolderLock() {
    if (h_ != -1) CloseHandle(reinterpret_cast<HANDLE>(h_));
}

bool LFolderLock::Acquire(const std::string& folder) {
    if (h_ != -1) return true;
    std::string path = AppendPath(folder, "sondrel.lock");
    // Not shared: a second instance cannot open it while the first holds it.
    HANDLE h = CreateFileW(WidePath(path.c_str()).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    h_ = reinterpret_cast<intptr_t>(h);
    return true;
}

#else

std::string TempFolder() {
    const char* t = std::getenv("TMPDIR");
    std::string s = (t && *t) ? t : "/tmp";
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

uint32_t CurrentProcessId() { return uint32_t(getpid()); }

bool IsProcessRunning(uint32_t pid) {
    if (pid == 0 || pid > 0x7FFFFFFFu) return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

uint64_t RandomBits() {
    uint64_t r = 0;
    if (getrandom(&r, sizeof r, 0) == ssize_t(sizeof r)) return r;
    int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ssize_t got = ::read(fd, &r, sizeof r);
        ::close(fd);
        if (got == ssize_t(sizeof r)) return r;
    }
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint64_t(ts.tv_nsec) * 0x9E3779B97F4A7C15ull) ^ (uint64_t(getpid()) << 32) ^ uint64_t(ts.tv_sec);
}

std::vector<std::string> DeadRunFolders(const std::string& parent, const char* prefix) {
    std::vector<std::string> found;
    std::string start = std::string(prefix) + "-";
    DIR* d = ::opendir(parent.empty() ? "." : parent.c_str());
    if (!d) return found;
    while (struct dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        uint32_t pid = 0;
        if (n.compare(0, start.size(), start) != 0 || !ParseOwner(n.substr(start.size()), &pid)) continue;
        std::string path = AppendPath(parent, n);
        struct stat st;
        // Never a link, never another user's folder.
        if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) continue;
        if (!IsProcessRunning(pid)) found.push_back(path);
    }
    ::closedir(d);
    return found;
}

LFolderLock::~LFolderLock() {
    if (h_ != -1) ::close(int(h_));
}

bool LFolderLock::Acquire(const std::string& folder) {
    if (h_ != -1) return true;
    std::string path = AppendPath(folder, "sondrel.lock");
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    h_ = fd;
    return true;
}

#endif

std::string MakeTempFile(const std::string& folder, const char* tag) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = AppendPath(folder, kTempStart + std::string(tag ? tag : "") + "-" + OwnerPart() + kTempEnd);
        LFile f;
        // Exclusive: an existing name (never expected with a random part) is not reused.
        if (f.Open(path.c_str(), LFile::kCreateNew)) {
            f.Close();
            return path;
        }
        if (LFile::LastError() != LFailure::kExists) return std::string();
    }
    return std::string();
}

bool IsTempFileName(const std::string& name, uint32_t* pid) {
    const size_t a = sizeof kTempStart - 1, b = sizeof kTempEnd - 1;
    if (name.size() < a + b || name.compare(0, a, kTempStart) != 0 || name.compare(name.size() - b, b, kTempEnd) != 0)
        return false;
    std::string middle = name.substr(a, name.size() - a - b);  // "<tag>-<pid>-<random>"
    size_t dash = middle.find('-');
    return dash != std::string::npos && ParseOwner(middle.substr(dash + 1), pid);
}

int RemoveStaleTempFiles(const std::string& folder) {
    int removed = 0;
    for (const std::string& name : LFile::List(folder.c_str(), kTempEnd)) {
        uint32_t pid = 0;
        if (IsTempFileName(name, &pid) && !IsProcessRunning(pid) && LFile::Delete(AppendPath(folder, name).c_str()))
            ++removed;
    }
    return removed;
}

std::string MakeRunFolder(const std::string& parent, const char* prefix) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = AppendPath(parent, std::string(prefix) + "-" + OwnerPart());
        if (LFile::MakeFolder(path.c_str())) return path;
        if (LFile::LastError() != LFailure::kExists) return std::string();
    }
    return std::string();
}

}  // namespace sondrel
