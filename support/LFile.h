// A small file layer over the platform: Win32 handles in the Windows build,
// POSIX descriptors natively. Sizes and offsets are 64-bit internally; the
// audio code works in 32-bit frame counts on top of it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sondrel {

constexpr int kMaxPath = 260;

class LFile {
public:
    enum Mode {
        kRead,           // existing file, shared for reading and writing, sequential
        kWriteOpen,      // write, create if missing, keep contents if present; shared for reading
        kCreate,         // read and write, always a new empty file
        kReadWrite,      // read and write an existing file
        kTempExclusive,  // read and write, new file, not shared (caller deletes it)
    };

    LFile() = default;
    ~LFile() { Close(); }
    LFile(const LFile&) = delete;
    LFile& operator=(const LFile&) = delete;
    LFile(LFile&& o) noexcept : h_(o.h_) { o.h_ = kInvalid; }
    LFile& operator=(LFile&& o) noexcept;

    bool Open(const char* path, Mode mode);
    void Close();
    bool IsOpen() const { return h_ != kInvalid; }

    // Bytes transferred; 0 at the end or on error.
    uint32_t Read(void* data, uint32_t bytes);
    uint32_t Write(const void* data, uint32_t bytes);
    bool Seek(int64_t offset);  // from the start
    int64_t Tell() const;
    int64_t Size() const;
    bool Truncate();  // at the current position

    static bool Delete(const char* path);
    // Moves from over to, replacing to when it exists.
    static bool Replace(const char* from, const char* to);
    static bool Exists(const char* path);
    static bool IsDirectory(const char* path);
    // File names (not paths) in folder that match "*" + suffix, e.g. ".aud".
    static std::vector<std::string> List(const char* folder, const char* suffix);
    // Whole-file helpers for tests and small files.
    static bool ReadAll(const char* path, std::vector<uint8_t>& out);
    static bool WriteAll(const char* path, const void* data, size_t bytes);

private:
    using Handle = intptr_t;
    static constexpr Handle kInvalid = -1;
    Handle h_ = kInvalid;
};

// Folder + name with "\" or "/" as separator; never longer than 259
// characters: the append stops there, and a folder of 259 or more is
// returned unchanged.
std::string JoinPath(const std::string& folder, const std::string& name);
// The platform's folder for temporary files (with no trailing separator).
std::string TempFolder();
// A new unique file name in folder with a prefix ("lca", "snd", ...); the
// file is created empty so that the name stays ours. Empty on failure.
std::string MakeTempFile(const std::string& folder, const char* prefix);

}  // namespace sondrel
