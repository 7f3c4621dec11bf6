// The two MMC commands CD import sends (READ TOC/PMA/ATIP and READ CD), how
// their answers are read, and the 16-byte aligned buffers both transports
// want for their transfers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sondrel {

constexpr uint32_t kCDSectorBytes = 2352;      // one audio sector: 588 stereo 16-bit frames
constexpr uint32_t kTOCBufferBytes = 2048;     // READ TOC allocation length
constexpr uint32_t kTOCTimeoutMs = 20000;
constexpr uint32_t kReadCDTimeoutMs = 5000;
constexpr uint8_t kReadTOCCommandLength = 10;
constexpr uint8_t kReadCDCommandLength = 12;
constexpr int kMaxTOCTracks = 255;

// READ TOC, format 0 (the TOC), addresses as LBA, from track 1.
void BuildReadTOC(uint8_t cdb[kReadTOCCommandLength]);

// READ CD of count sectors (1..255) from lba: any sector type, the whole
// 2352 bytes of each sector, no sub-channel.
void BuildReadCD(uint8_t cdb[kReadCDCommandLength], uint32_t lba, uint8_t count);

// Bytes a READ CD of count sectors transfers.
constexpr uint32_t ReadCDDataLength(uint32_t count) { return count * kCDSectorBytes; }

// Reads a READ TOC answer of size bytes: returns the track count and stores
// count + 1 start addresses (the last one the lead-out's) in starts, which
// holds kMaxTOCTracks + 1 entries. The count comes from the answer's data
// length, limited to 0..255 and to the descriptors that lie inside the
// answer buffer.
uint8_t ParseTOC(const uint8_t* answer, size_t size, uint32_t* starts);

// A zeroed buffer whose data start on a 16-byte boundary.
class LAlignedBuffer {
public:
    explicit LAlignedBuffer(size_t bytes);
    uint8_t* Data() { return data_; }
    size_t Size() const { return size_; }

private:
    std::vector<uint8_t> storage_;
    uint8_t* data_;
    size_t size_;
};

}  // namespace sondrel
