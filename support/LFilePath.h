// Path and folder helpers the dialogs and the document share: extensions,
// folder and file parts, joining, free space and deleting a folder.
// Paths are 8-bit texts of at most 259 characters plus the terminator
// (buffers of kMaxPath); both '\' and '/' separate folders. The helpers
// that write a buffer return false, with an empty result, when the result
// would not fit.
#pragma once
#include <cstdint>
#include <string>

#include "support/LFile.h"  // kMaxPath

namespace sondrel {

constexpr int32_t kMaxPathChars = kMaxPath - 1;  // 259
// Separator the helpers put between folder and name.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// Replaces everything from the last '.' after the last separator by ext
// (which carries its own dot), or appends ext when the name has no dot.
bool ApplyNewFileExtension(char* out, const char* path, const char* ext);
// The text before the last separator; empty when there is none.
bool GetFolderFromPath(char* out, const char* path);
// The text after the last separator (the whole path when there is none).
bool GetFileFromPath(char* out, const char* path);
// From the last '.' after the last separator, dot included; empty when none.
bool GetFileExtension(char* out, const char* path);
// The file name without its extension.
bool GetFileNameWithoutExtension(char* out, const char* path);
// Appends a separator to folder unless it is empty or ends in one, then name
// (and ext), in place; never past 259 characters: false when cut short.
bool FilePathCat(char* folder, const char* name);
bool FilePathCat(char* folder, const char* name, const char* ext);

// The drive root of a path: up to and including its first separator, or
// the whole path (up to 259 characters) when it has none.
void GetDriveRoot(char* out, const char* path);
// Free space at the path's drive root available to the caller, in KiB.
// 16777216 (16 GiB) when it cannot be read; counts beyond 32 bits read as
// 0xFFFFFFFF, never as a small number.
constexpr uint32_t kUnknownFreeSpaceKB = 0x1000000;
uint32_t GetDriveFreeSpaceKB(const char* path);
// Free bytes to KiB as the helper reports them.
uint32_t FreeBytesToKB(uint64_t bytes);

// Deletes every file of the folder, then the folder itself; false when
// something stays. DeleteFolderTree first does the same to each subfolder,
// depth first.
bool DeleteFolderAndFiles(const char* folder);
bool DeleteFolderTree(const char* folder);

// Makes folder and every missing folder above it, each as LFile::MakeFolder
// makes one (the running user's own, never through a link it did not find
// there); true when folder is a folder afterwards.
bool MakeFolderChain(const std::string& folder);

}  // namespace sondrel
