// The install file: the program's executable image, then the further payload
// files one after the other, then a table of their sizes, a checksum and a
// magic word, all little-endian unsigned 32-bit:
//
//   file 0 (the program) | file 1 | ... | file n-1 | size[0..n-1] | checksum | magic
//
// The checksum is the sum of every byte of files 0..n-1 modulo 2^32. The
// magic word 0x0F0FF0F0 marks an installer; the installed "uninst.exe" ends
// in 0xF0F00F0F and the installed program in four zero bytes. n is the
// number of entries of the program's install file table (at most 128); a
// file of size 0 is absent and skipped.
//
// This unit uses the standard library only: the build's packaging tool is
// compiled from it for the build machine.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sondrel {

constexpr uint32_t kInstallerMagic = 0x0F0FF0F0;
constexpr uint32_t kUninstallerMagic = 0xF0F00F0F;
constexpr uint32_t kInstalledMagic = 0;
constexpr size_t kMaxInstallFiles = 128;

uint32_t AddByteSum(uint32_t sum, const void* data, size_t bytes);

struct LInstallTrailer {
    std::vector<uint32_t> sizes;
    uint32_t checksum = 0;
    uint32_t magic = 0;

    uint64_t PayloadBytes() const;
    // Bytes of the table, checksum and magic: 4 n + 8.
    size_t Bytes() const { return sizes.size() * 4 + 8; }
};

std::vector<uint8_t> EncodeInstallTrailer(const LInstallTrailer& trailer);
// Decodes the trailer of n files from the last 4 n + 8 bytes of tail; false
// when tail is shorter than that.
bool DecodeInstallTrailer(const uint8_t* tail, size_t tailBytes, size_t n, LInstallTrailer& out);

// Why an install file cannot be installed.
enum class LLayoutCheck {
    kOk,
    kTooManyFiles,  // the table has more than 128 entries
    kNotInstaller,  // no installer magic at the end
    kWrongLength,   // the sizes do not account for the file (cut short or extended)
    kBadChecksum,   // a byte of the payload differs
};
// Checks a trailer against the length of the whole file (before the byte sum).
LLayoutCheck CheckInstallLength(const LInstallTrailer& trailer, uint64_t fileBytes);

// One input of a packaging run.
struct LPackFile {
    std::string szPath;
    bool bOptional;  // a missing optional file is packed with size 0
};
// Writes an install file from files (files[0] is the program, which must
// exist and not be empty). False with a message in error on failure; a
// partly written output is removed.
bool WriteInstallFile(const std::string& outPath, const std::vector<LPackFile>& files, std::string& error);

}  // namespace sondrel
