#include "formats/win32/LSRCACMWave.h"

#include <algorithm>
#include <cstring>

namespace sondrel {

namespace {
const uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                   0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
}  // namespace

std::vector<uint8_t> LSRCACMWave::CodecFormat(const uint8_t* format, uint32_t formatBytes) {
    // Always hand the codec a block at least as large as WAVEFORMATEX plus its extra bytes.
    std::vector<uint8_t> f(std::max<uint32_t>(formatBytes, sizeof(WAVEFORMATEX)), 0);
    std::memcpy(f.data(), format, formatBytes);
    if (formatBytes < 18) {
        f[16] = f[17] = 0;  // no extra-bytes field: none
    } else if (uint32_t(U16(format + 16)) + 18 > formatBytes) {
        // An extra-bytes count that runs past the chunk is cut to what is there.
        uint16_t cb = uint16_t(formatBytes - 18);
        f[16] = uint8_t(cb);
        f[17] = uint8_t(cb >> 8);
    }
    if (U16(format) == WAVE_FORMAT_EXTENSIBLE && formatBytes >= 40 && std::memcmp(format + 24, kPcmSubFormat, 16) == 0) {
        f.resize(sizeof(WAVEFORMATEX));
        f[0] = 1;  // WAVE_FORMAT_PCM
        f[1] = 0;
        f[16] = f[17] = 0;
    }
    return f;
}

LSRCACMWave::LSRCACMWave(LFile&& file, const uint8_t* format, uint32_t formatBytes, uint32_t dataBytes)
    : LSoundSourceBase(int32_t(U32(format + 4)), U16(format + 2), kMax16), file_(std::move(file)) {
    if (!file_.IsOpen() || formatBytes < 14) {
        // "LSRCACMWave::LSRCACMWave hFile == INVALID_HANDLE_VALUE ERROR"
        SetError();
        return;
    }
    nDataStart = file_.Tell();
    nDataBytes = dataBytes;
    if (dataBytes == 0xFFFFFFFFu) {
        int64_t rest = file_.Size() - nDataStart;
        nDataBytes = rest > 0 ? uint32_t(std::min<int64_t>(rest, 0xFFFFFFFEll)) : 0;
    }
    nFileRate = int32_t(U32(format + 4));
    nBytesPerSec = int32_t(U32(format + 8));
    if (nBytesPerSec == 0) nBytesPerSec = nFileRate;
    nBlockAlign = U16(format + 12);
    // Block codecs state their frames per block; with it a seek finds the
    // exact block and frame instead of estimating from the rounded byte rate.
    uint16_t tag = U16(format);
    if ((tag == 0x0002 || tag == 0x0011 || tag == 0x0031) && formatBytes >= 20 && U16(format + 16) >= 2 &&
        nBlockAlign != 0)
        nSamplesPerBlock = U16(format + 18);

    std::vector<uint8_t> fmt = CodecFormat(format, formatBytes);
    WAVEFORMATEX target = {};
    target.wFormatTag = WAVE_FORMAT_PCM;
    target.nChannels = nChans;
    target.nSamplesPerSec = DWORD(nSampleRate);
    target.wBitsPerSample = 16;
    target.nBlockAlign = WORD(nChans * 2);
    target.nAvgBytesPerSec = DWORD(nSampleRate) * target.nBlockAlign;
    target.cbSize = 0;
    auto* source = reinterpret_cast<WAVEFORMATEX*>(fmt.data());
    if (acmStreamOpen(&hStream, nullptr, source, &target, nullptr, 0, 0, 0) != 0 &&
        acmStreamOpen(&hStream, nullptr, source, &target, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != 0) {
        // "LSRCACMWave::LSRCACMWave acmStreamOpen handle invalid ERROR"
        hStream = nullptr;
        SetError();
        return;
    }
    DWORD dstSize = DWORD(target.nBlockAlign) * kMaxBlockFrames;
    DWORD srcSize = 0;
    if (acmStreamSize(hStream, dstSize, &srcSize, ACM_STREAMSIZEF_DESTINATION) != 0 || srcSize == 0) {
        // "LSRCACMWave::LSRCACMWave acmStreamSize ERROR"
        SetError();
        return;
    }
    // Room for at least one whole block of the file's format.
    srcSize = std::max<DWORD>(srcSize, nBlockAlign ? nBlockAlign : 1);
    src_.assign(srcSize, 0);
    // Codecs may produce a little more than asked for one source buffer.
    DWORD needed = 0;
    if (acmStreamSize(hStream, srcSize, &needed, ACM_STREAMSIZEF_SOURCE) != 0 || needed < dstSize) needed = dstSize;
    dst_.assign(needed, 0);
    header_.cbStruct = sizeof header_;
    header_.pbSrc = src_.data();
    header_.cbSrcLength = DWORD(src_.size());
    header_.pbDst = dst_.data();
    header_.cbDstLength = DWORD(dst_.size());
    if (acmStreamPrepareHeader(hStream, &header_, 0) != 0) {
        SetError();
        return;
    }
    bPrepared = true;
}

LSRCACMWave::~LSRCACMWave() {
    if (bPrepared) {
        header_.cbSrcLength = DWORD(src_.size());
        header_.cbDstLength = DWORD(dst_.size());
        acmStreamUnprepareHeader(hStream, &header_, 0);
    }
    if (hStream) acmStreamClose(hStream, 0);
}

int32_t LSRCACMWave::FramesFromBytes(uint32_t bytes) const {
    if (nBytesPerSec <= 0) return 0;
    int64_t f = int64_t(bytes) * nFileRate / nBytesPerSec;
    return int32_t(std::min<int64_t>(f, 0x7FFFFFFF));
}

void LSRCACMWave::Convert(DWORD flags, bool& failed) {
    header_.cbSrcLength = nSrcFill;
    header_.cbDstLength = DWORD(dst_.size());
    header_.cbSrcLengthUsed = 0;
    header_.cbDstLengthUsed = 0;
    failed = acmStreamConvert(hStream, &header_, flags) != 0;
    if (failed) {
        // "LSRCACMWave::Read acmStreamConvert FAILED"
        nDstFill = 0;
        nDstUsed = 0;
        return;
    }
    nDstFill = header_.cbDstLengthUsed;
    nDstUsed = 0;
    uint32_t used = std::min<uint32_t>(header_.cbSrcLengthUsed, nSrcFill);
    std::memmove(src_.data(), src_.data() + used, nSrcFill - used);
    nSrcFill -= used;
}

void LSRCACMWave::Read(int32_t* buffer, int32_t n) {
    nPosition += n;
    const int32_t chans = nChans;
    if (HasError() || !bPrepared) {
        std::memset(buffer, 0, size_t(n) * chans * sizeof(int32_t));
        return;
    }
    int32_t p = nPosition;
    if (p <= 0) {
        std::memset(buffer, 0, size_t(n) * chans * sizeof(int32_t));
        return;
    }
    if (n > p) {
        std::memset(buffer, 0, size_t(n - p) * chans * sizeof(int32_t));
        buffer += size_t(n - p) * chans;
        n = p;
    }
    const uint32_t frameBytes = uint32_t(chans) * 2;
    int32_t wanted = n;
    while (wanted > 0) {
        uint32_t ready = (nDstFill - nDstUsed) / frameBytes;
        uint32_t take = std::min<uint32_t>(ready, uint32_t(wanted));
        const uint8_t* d = dst_.data() + nDstUsed;
        for (uint32_t i = 0; i < take * chans; ++i) buffer[i] = int32_t(int16_t(U16(d + 2 * i))) * 16;
        buffer += size_t(take) * chans;
        nDstUsed += take * frameBytes;
        wanted -= int32_t(take);
        if (wanted == 0) break;
        // What is left in the destination is less than a frame: drop it.
        nDstFill = nDstUsed = 0;
        if (nEndFrame >= 0) break;

        uint32_t room = uint32_t(src_.size()) - nSrcFill;
        uint32_t left = nDataBytes > nConsumed ? nDataBytes - nConsumed : 0;
        uint32_t got = file_.Read(src_.data() + nSrcFill, std::min(room, left));
        nConsumed += got;
        nSrcFill += got;
        bool failed = false;
        Convert(ACM_STREAMCONVERTF_BLOCKALIGN, failed);
        if (failed) {
            nEndFrame = std::max(nPosition - wanted, 0);
            break;
        }
        if (nDstFill == 0 && nSrcFill < src_.size()) {
            Convert(ACM_STREAMCONVERTF_END, failed);
            if (failed || nDstFill == 0) {
                // "LSRCACMWave::Read End Reached"
                nEndFrame = std::max(nPosition - wanted, 0);
                break;
            }
        }
    }
    if (wanted > 0) std::memset(buffer, 0, size_t(wanted) * chans * sizeof(int32_t));
}

int32_t LSRCACMWave::GetLength() {
    if (nEndFrame >= 0) return nEndFrame;
    uint32_t waiting = nDstFill > nDstUsed ? (nDstFill - nDstUsed) / (uint32_t(nChans) * 2) : 0;
    uint32_t unread = nDataBytes - std::min(nDataBytes, nConsumed - std::min(nConsumed, nSrcFill));
    int64_t len = int64_t(waiting) + std::max(nPosition, 0) + FramesFromBytes(unread);
    return int32_t(std::min<int64_t>(len, 0x7FFFFFFF));
}

void LSRCACMWave::Seek(int32_t p) {
    if (HasError() || !bPrepared) return;
    nSrcFill = 0;
    bool failed = false;
    Convert(ACM_STREAMCONVERTF_START, failed);
    nSrcFill = 0;
    nDstFill = nDstUsed = 0;
    nConsumed = 0;
    nEndFrame = -1;
    if (p <= 0) {
        file_.Seek(nDataStart);
        nPosition = p;
        return;
    }
    int64_t b;
    if (nSamplesPerBlock)
        b = int64_t(p / nSamplesPerBlock) * nBlockAlign;
    else
        b = nFileRate == 0 ? p
                           : int64_t(p / nFileRate) * nBytesPerSec + int64_t(p % nFileRate) * nBytesPerSec / nFileRate;
    if (b < int64_t(nDataBytes)) {
        if (nBlockAlign) b -= b % nBlockAlign;
        file_.Seek(nDataStart + b);
        // Bytes before the block count as consumed, so reading still stops
        // at the end of the data chunk.
        nConsumed = uint32_t(b);
        int64_t f;
        if (nSamplesPerBlock)
            f = (b / nBlockAlign) * nSamplesPerBlock;
        else
            f = nBytesPerSec ? (b / nBytesPerSec) * nFileRate + ((b % nBytesPerSec) * nFileRate) / nBytesPerSec : b;
        // Decode from the block's first frame and drop what lies before p.
        nPosition = int32_t(f);
        int32_t skip = int32_t(p - f);
        if (skip > 0 && skip <= kMaxBlockFrames) {
            std::vector<int32_t> scratch(size_t(skip) * nChans);
            Read(scratch.data(), skip);
        }
    } else {
        file_.Seek(nDataStart + nDataBytes);
        nConsumed = nDataBytes;
        nEndFrame = FramesFromBytes(nDataBytes);
    }
    nPosition = p;
}

}  // namespace sondrel
