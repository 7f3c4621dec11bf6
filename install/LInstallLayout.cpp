#include "install/LInstallLayout.h"

#include <cstdio>

namespace sondrel {

namespace {
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
uint32_t GetU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
}  // namespace

uint32_t AddByteSum(uint32_t sum, const void* data, size_t bytes) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < bytes; ++i) sum += p[i];
    return sum;
}

uint64_t LInstallTrailer::PayloadBytes() const {
    uint64_t total = 0;
    for (uint32_t s : sizes) total += s;
    return total;
}

std::vector<uint8_t> EncodeInstallTrailer(const LInstallTrailer& trailer) {
    std::vector<uint8_t> out;
    out.reserve(trailer.Bytes());
    for (uint32_t s : trailer.sizes) PutU32(out, s);
    PutU32(out, trailer.checksum);
    PutU32(out, trailer.magic);
    return out;
}

bool DecodeInstallTrailer(const uint8_t* tail, size_t tailBytes, size_t n, LInstallTrailer& out) {
    size_t need = n * 4 + 8;
    if (tailBytes < need) return false;
    const uint8_t* p = tail + (tailBytes - need);
    out.sizes.resize(n);
    for (size_t i = 0; i < n; ++i) out.sizes[i] = GetU32(p + 4 * i);
    out.checksum = GetU32(p + 4 * n);
    out.magic = GetU32(p + 4 * n + 4);
    return true;
}

LLayoutCheck CheckInstallLength(const LInstallTrailer& trailer, uint64_t fileBytes) {
    if (trailer.sizes.size() > kMaxInstallFiles) return LLayoutCheck::kTooManyFiles;
    if (trailer.magic != kInstallerMagic) return LLayoutCheck::kNotInstaller;
    if (trailer.PayloadBytes() + trailer.Bytes() != fileBytes) return LLayoutCheck::kWrongLength;
    return LLayoutCheck::kOk;
}

bool WriteInstallFile(const std::string& outPath, const std::vector<LPackFile>& files, std::string& error) {
    if (files.empty() || files.size() > kMaxInstallFiles) {
        error = "an install file holds 1 to 128 files, not " + std::to_string(files.size());
        return false;
    }
    std::FILE* out = std::fopen(outPath.c_str(), "wb");
    if (!out) {
        error = "cannot create " + outPath;
        return false;
    }
    LInstallTrailer trailer;
    trailer.magic = kInstallerMagic;
    bool ok = true;
    std::vector<uint8_t> block(65536);
    for (size_t i = 0; i < files.size() && ok; ++i) {
        const LPackFile& f = files[i];
        std::FILE* in = std::fopen(f.szPath.c_str(), "rb");
        if (!in) {
            if (f.bOptional && i > 0) {
                trailer.sizes.push_back(0);
                continue;
            }
            error = "cannot read " + f.szPath;
            ok = false;
            break;
        }
        uint64_t size = 0;
        size_t got;
        while ((got = std::fread(block.data(), 1, block.size(), in)) > 0) {
            trailer.checksum = AddByteSum(trailer.checksum, block.data(), got);
            size += got;
            if (std::fwrite(block.data(), 1, got, out) != got) {
                error = "cannot write " + outPath;
                ok = false;
                break;
            }
        }
        std::fclose(in);
        if (ok && (size > 0xFFFFFFFFu || (i == 0 && size == 0))) {
            error = f.szPath + (size == 0 ? " is empty" : " is larger than 4 GB");
            ok = false;
        }
        trailer.sizes.push_back(uint32_t(size));
    }
    if (ok) {
        std::vector<uint8_t> t = EncodeInstallTrailer(trailer);
        ok = std::fwrite(t.data(), 1, t.size(), out) == t.size();
        if (!ok) error = "cannot write " + outPath;
    }
    if (std::fclose(out) != 0 && ok) {
        error = "cannot write " + outPath;
        ok = false;
    }
    if (!ok) std::remove(outPath.c_str());
    return ok;
}

}  // namespace sondrel
