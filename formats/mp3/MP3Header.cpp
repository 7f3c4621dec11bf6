#include "formats/mp3/MP3Header.h"

#include <algorithm>
#include <cstring>

#include "formats/mp3/MP3Tables.h"

namespace sondrel {

namespace {
constexpr uint32_t kInputBuffer = 32768;
}

bool MP3InputFile::Open(const char* path) {
    if (!file_.Open(path, LFile::kRead)) return false;
    nSize = file_.Size();
    if (nSize < 0) nSize = 0;
    buffer_.assign(kInputBuffer, 0);
    nBufStart = 0;
    nBufLen = 0;
    nBufPos = 0;
    return true;
}

void MP3InputFile::Seek(int64_t position) {
    if (position < 0) position = 0;
    if (position >= nBufStart && position <= nBufStart + nBufLen) {
        nBufPos = uint32_t(position - nBufStart);
        return;
    }
    nBufStart = position;
    nBufLen = 0;
    nBufPos = 0;
}

bool MP3InputFile::Refill() {
    if (!file_.IsOpen()) return false;
    nBufStart += nBufLen;
    nBufLen = 0;
    nBufPos = 0;
    if (nBufStart >= nSize || !file_.Seek(nBufStart)) return false;
    nBufLen = file_.Read(buffer_.data(), kInputBuffer);
    return nBufLen > 0;
}

uint32_t MP3InputFile::Read(void* data, uint32_t bytes) {
    uint8_t* out = static_cast<uint8_t*>(data);
    uint32_t done = 0;
    while (done < bytes) {
        if (nBufPos >= nBufLen && !Refill()) break;
        uint32_t take = std::min(bytes - done, nBufLen - nBufPos);
        std::memcpy(out + done, buffer_.data() + nBufPos, take);
        nBufPos += take;
        done += take;
    }
    return done;
}

// The frame header of ISO/IEC 11172-3 2.4.1.3 (syntax) and 2.4.2.3
// (semantics), with the ID bit and the lower sampling frequencies of
// ISO/IEC 13818-3 and the unofficial MPEG 2.5. b[0..3] in.
bool MP3Header::Parse(const uint8_t b[4]) {
    if (b[0] != 0xFF || b[1] < 0xE0) return false;
    // ID 3 -> MPEG-1, 2 -> MPEG-2, 0 -> MPEG-2.5, 1 -> reserved.
    static const int32_t kVersionOfId[4] = {2, 3, 1, 0};
    int32_t v = kVersionOfId[(b[1] >> 3) & 3];
    if (v >= 3) return false;
    if (((b[1] >> 1) & 3) != 1) return false;  // not Layer III
    int32_t rate = kMP3Bitrates[v == 0 ? 0 : 1][b[2] >> 4];
    if (rate == 0) return false;  // free format or forbidden
    int32_t sf = (b[2] >> 2) & 3;
    if (sf >= 3) return false;
    version = v;
    protection = b[1] & 1;
    bitrate = rate * 1000;
    sampling_frequency = sf;
    padding = (b[2] >> 1) & 1;
    mode = b[3] >> 6;
    mode_extension = (b[3] >> 4) & 3;
    return true;
}

bool MP3Header::ReadHeader(MP3InputFile& file, int64_t* where) {
    uint8_t b[4];
    if (file.Read(b, 4) < 4) return false;
    int32_t left = kSearchLimit;
    while (!Parse(b)) {
        if (left-- <= 0) return false;
        int32_t next = file.ReadByte();
        if (next < 0) return false;
        b[0] = b[1];
        b[1] = b[2];
        b[2] = b[3];
        b[3] = uint8_t(next);
    }
    if (where) *where = file.Tell() - 4;
    if (protection == 0) {
        uint8_t crc[2];
        if (file.Read(crc, 2) < 2) return false;
    }
    return true;
}

int32_t MP3Header::SampleRate() const { return kMP3SampleRates[sampling_frequency] >> version; }

int32_t MP3Header::FrameLength() const {
    return (version == 0 ? 144 : 72) * bitrate / SampleRate() + padding;
}

int32_t MP3Header::SideInfoSize() const {
    if (version == 0) return mode == 3 ? 17 : 32;
    return mode == 3 ? 9 : 17;
}

int32_t MP3Header::MainDataSize() const {
    int32_t n = FrameLength() - 4 - (protection == 0 ? 2 : 0) - SideInfoSize();
    return n < 0 ? 0 : n;
}

}  // namespace sondrel
