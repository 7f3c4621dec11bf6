#include "cd/LMMC.h"

#include <cstring>

namespace sondrel {

void BuildReadTOC(uint8_t cdb[kReadTOCCommandLength]) {
    std::memset(cdb, 0, kReadTOCCommandLength);
    cdb[0] = 0x43;  // READ TOC/PMA/ATIP
    cdb[1] = 0;     // LBA, not MSF
    cdb[2] = 0;     // format 0: the TOC
    cdb[6] = 1;     // from track 1
    cdb[7] = uint8_t(kTOCBufferBytes >> 8);
    cdb[8] = uint8_t(kTOCBufferBytes & 0xFF);
}

void BuildReadCD(uint8_t cdb[kReadCDCommandLength], uint32_t lba, uint8_t count) {
    std::memset(cdb, 0, kReadCDCommandLength);
    cdb[0] = 0xBE;  // READ CD
    cdb[1] = 0;     // any sector type
    cdb[2] = uint8_t(lba >> 24);
    cdb[3] = uint8_t(lba >> 16);
    cdb[4] = uint8_t(lba >> 8);
    cdb[5] = uint8_t(lba);
    cdb[8] = count;  // bytes 6 and 7 stay 0: at most 255 sectors
    cdb[9] = 0xF0;   // sync, all headers, user data: 2352 bytes of an audio sector
}

uint8_t ParseTOC(const uint8_t* answer, size_t size, uint32_t* starts) {
    if (size < 4) return 0;
    int32_t dataLength = (int32_t(answer[0]) << 8) | answer[1];
    int32_t count = (dataLength - 2) / 8 - 1;
    if (count < 0) count = 0;
    if (count > kMaxTOCTracks) count = kMaxTOCTracks;
    // A drive may claim more than it could have sent: never read a
    // descriptor from outside the answer.
    int32_t fit = int32_t((size - 4) / 8) - 1;
    if (fit < 0) return 0;
    if (count > fit) count = fit;
    for (int32_t i = 0; i <= count; ++i) {
        const uint8_t* d = answer + 4 + 8 * i;
        starts[i] = (uint32_t(d[4]) << 24) | (uint32_t(d[5]) << 16) | (uint32_t(d[6]) << 8) | d[7];
    }
    return uint8_t(count);
}

LAlignedBuffer::LAlignedBuffer(size_t bytes) : storage_(bytes + 15, 0), size_(bytes) {
    uintptr_t p = reinterpret_cast<uintptr_t>(storage_.data());
    data_ = storage_.data() + ((16 - (p & 15)) & 15);
}

}  // namespace sondrel
