// MPEG audio frame headers: the buffered input they are read from, the
// header fields, the header search and the figures derived from a header.
#pragma once
#include <cstdint>
#include <vector>

#include "support/LFile.h"

namespace sondrel {

// Buffered read-only view of a file with an explicit position.
class MP3InputFile {
public:
    bool Open(const char* path);
    bool IsOpen() const { return file_.IsOpen(); }
    int64_t Size() const { return nSize; }
    int64_t Tell() const { return nBufStart + nBufPos; }
    void Seek(int64_t position);
    // Bytes copied; fewer than asked at the end of the file.
    uint32_t Read(void* data, uint32_t bytes);
    // Next byte, or -1 at the end of the file.
    int32_t ReadByte() {
        if (nBufPos < nBufLen) return buffer_[nBufPos++];
        return Refill() ? buffer_[nBufPos++] : -1;
    }

private:
    bool Refill();

    LFile file_;
    std::vector<uint8_t> buffer_;
    int64_t nSize = 0;
    int64_t nBufStart = 0;  // file offset of buffer_[0]
    uint32_t nBufLen = 0;
    uint32_t nBufPos = 0;
};

struct MP3Header {
    int32_t version = 0;  // 0 MPEG-1, 1 MPEG-2, 2 MPEG-2.5
    int32_t protection = 1;
    int32_t bitrate = 0;  // bits per second
    int32_t sampling_frequency = 0;
    int32_t padding = 0;
    int32_t mode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    int32_t mode_extension = 0;

    // Bytes examined after the first four before the search gives up.
    static constexpr int32_t kSearchLimit = 16384;

    // Fills the fields from four header bytes when they qualify as a
    // Layer III header (sync, version, layer, bit rate, sampling rate).
    bool Parse(const uint8_t bytes[4]);
    // Searches from the current position of the file for a qualifying
    // header and skips the CRC after it. File offset of the header in
    // *where when given.
    bool ReadHeader(MP3InputFile& file, int64_t* where = nullptr);

    int32_t SampleRate() const;
    int32_t SamplesPerFrame() const { return version == 0 ? 1152 : 576; }
    int32_t Granules() const { return version == 0 ? 2 : 1; }
    bool IsStereo() const { return mode != 3; }
    int32_t Channels() const { return mode == 3 ? 1 : 2; }
    // Whole frame in bytes, header and padding included.
    int32_t FrameLength() const;
    int32_t SideInfoSize() const;
    // Bytes of main data carried by this frame.
    int32_t MainDataSize() const;
};

}  // namespace sondrel
