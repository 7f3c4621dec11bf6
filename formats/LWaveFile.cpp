#include "formats/LWaveFile.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "formats/wav/LWaveWide.h"
#include "support/LFailure.h"

namespace sondrel {

// Samples travel between file and buffers as little-endian 16-bit words.
static_assert(std::endian::native == std::endian::little, "the PCM reader and writer assume a little-endian host");

namespace {

thread_local const char* tDiagnostic = "";

constexpr uint16_t kTagFloat = 3, kTagExtensible = 0xFFFE;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}
bool IsId(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// Moves the file pointer forward by bytes; a pointer beyond the end makes
// the next read come up short, which ends the chunk walk.
bool Skip(LFile& f, int64_t bytes) {
    int64_t at = f.Tell();
    return at >= 0 && f.Seek(at + bytes);
}

// Every failure of the chunk walk: the file is not one we can read.
thread_local const char* tPath = "";
LSoundSourcePtr Fail(const char* text) {
    tDiagnostic = text;
    NoteFailure(LFailure::kNotAudio, tPath);
    return LSoundSourcePtr();
}

// PCM, 2 channels, 44100 Hz, 88200 bytes per second, block align 2, 16 bits,
// no extra bytes, both sizes unfinished.
const uint8_t kHeaderTemplate[LWaveFile::kHeaderBytes] = {
    'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E',  //
    'f', 'm', 't', ' ', 18, 0, 0, 0,                                   //
    1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 0x01, 0, 2, 0, 16, 0, 0, 0,
    'd', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0xFF,
};

}  // namespace

const char* LWaveFile::LastDiagnostic() { return tDiagnostic; }

LSoundSourcePtr LWaveFile::OpenSource(const char* path) {
    tDiagnostic = "";
    tPath = path ? path : "";
    LFile f;
    if (!path || !f.Open(path, LFile::kRead)) {
        tDiagnostic = "LWaveFile::OpenSource Unable to Open File:";
        NoteFailure(f.Error(), tPath);
        return LSoundSourcePtr();
    }

    // The RIFF WAVE chunk, skipping any other top-level chunk before it.
    uint8_t h[12];
    for (;;) {
        if (f.Read(h, 12) != 12) return Fail("LWaveFile::OpenSource No RIFF WAVE chunk found");
        if (IsId(h, "RIFF") && IsId(h + 8, "WAVE")) break;
        int32_t size = int32_t((U32(h + 4) + 1) & ~1u);
        if (size < 5) return Fail("LWaveFile::OpenSource chunk too short!");
        if (!Skip(f, size - 4)) return Fail("LWaveFile::OpenSource No RIFF WAVE chunk found");
    }

    // "fmt ": any subchunk before it is skipped with its pad byte.
    uint8_t format[kMaxFormatBytes] = {};
    uint32_t formatBytes = 0;
    for (;;) {
        if (f.Read(h, 8) != 8) return Fail("LWaveFile::OpenSource fmt subchunk not found!");
        uint32_t size = U32(h + 4);
        if (IsId(h, "fmt ")) {
            if (size < 14 || size > kMaxFormatBytes) return Fail("LWaveFile::OpenSource fmt to short or too long!");
            if (f.Read(format, size) != size) return Fail("LWaveFile::OpenSource fmt error!");
            if ((size & 1) && !Skip(f, 1)) return Fail("LWaveFile::OpenSource fmt error!");
            formatBytes = size;
            break;
        }
        int32_t skip = int32_t((size + 1) & ~1u);
        if (skip < 0) return Fail("LWaveFile::OpenSource subchunk too short (< 0)!");
        if (!Skip(f, skip)) return Fail("LWaveFile::OpenSource fmt subchunk not found!");
    }
    // A 14- or 16-byte block has no extra-bytes field: the zeroed buffer reads it as 0.

    // "data", from right after the format chunk.
    uint32_t dataBytes = 0;
    for (;;) {
        if (f.Read(h, 8) != 8) return Fail("LWaveFile::OpenSource data subchunk not found!");
        uint32_t size = U32(h + 4);
        if (IsId(h, "data")) {
            dataBytes = size;
            break;
        }
        int32_t skip = int32_t((size + 1) & ~1u);
        if (skip < 0) return Fail("LWaveFile::OpenSource subchunk too short!");
        if (!Skip(f, skip)) return Fail("LWaveFile::OpenSource data subchunk not found!");
    }

    uint16_t tag = U16(format);
    uint32_t chans = U16(format + 2);
    uint32_t rate = U32(format + 4);
    uint16_t bits = U16(format + 14);
    uint32_t validBits = bits, channelMask = 0;
    if (tag == kTagExtensible && formatBytes >= 40 && U16(format + 16) >= 22) {
        // WAVE_FORMAT_EXTENSIBLE: the bits that carry the sample, the
        // speakers, and the real format tag as the first two bytes of the
        // subformat GUID.
        validBits = U16(format + 18);
        channelMask = U32(format + 20);
        tag = U16(format + 24);
        if (validBits == 0 || validBits > bits) validBits = bits;
    }
    if (chans < 1 || chans > 255) return Fail("LWaveFile::OpenSource Channels out of range!");
    if (rate < 1 || rate > uint32_t(kMaxSampleRate)) return Fail("LWaveFile::OpenSource SampleRate out of range!");

    // The data ends where the file does, whatever the chunk declares: a
    // header is no reason to make up audio (or to fill a disk with it).
    int64_t held = f.Size() - f.Tell();
    if (held < 0) held = 0;
    if (dataBytes == kUnfinishedSize || int64_t(dataBytes) > held) dataBytes = uint32_t(std::min<int64_t>(held, 0xFFFFFFFE));

    if (IsWideWave(tag, bits, chans)) {
        LWaveWideFormat wide{int32_t(rate), chans, (bits + 7u) / 8u, validBits, tag == kTagFloat, channelMask};
        if (dataBytes / (wide.nBytesPerSample * chans) > uint32_t(kMaxStreamFrames)) {
            tDiagnostic = "LWaveFile::OpenSource data longer than a stream can count";
            NoteFailure(LFailure::kTooLong, tPath);
            return LSoundSourcePtr();
        }
        return OpenWideWave(std::move(f), wide, dataBytes, tPath);
    }
    if (tag == 1 && bits <= 16) {
        uint32_t frameBytes = chans * (bits <= 8 ? 1 : 2);
        if (dataBytes / frameBytes > uint32_t(kMaxStreamFrames)) {
            tDiagnostic = "LWaveFile::OpenSource data longer than a stream can count";
            NoteFailure(LFailure::kTooLong, tPath);
            return LSoundSourcePtr();
        }
    }
    if (tag == 1 && bits <= 8) return MakeSource<LSRCPCM8File>(std::move(f), int32_t(rate), dataBytes, chans);
    if (tag == 1 && bits <= 16) return MakeSource<LSRCPCM16File>(std::move(f), int32_t(rate), dataBytes, chans);
    LSoundSourcePtr r = OpenCompressedWave(std::move(f), format, formatBytes, dataBytes);
    if (r->HasError()) {
        if (!*tDiagnostic) tDiagnostic = "LWaveFile::OpenSource compressed format not readable";
        NoteFailure(LFailure::kNotAudio, tPath);
    }
    return r;
}

LOpenCompressedWave pOpenCompressedWave = nullptr;

LSoundSourcePtr OpenCompressedWave(LFile&& file, const uint8_t* format, uint32_t formatBytes, uint32_t dataBytes) {
    if (pOpenCompressedWave) return pOpenCompressedWave(std::move(file), format, formatBytes, dataBytes);
    file.Close();
    tDiagnostic = "OpenCompressedWave no decoder for this format";
    return LSoundSourcePtr();
}

LSoundSinkPtr LWaveFile::OpenSinkPCM(const char* path, int32_t sampleRate, int32_t startFrame, int32_t bitsPerSample,
                                     uint32_t chans) {
    tDiagnostic = "";
    LSoundSinkPtr r;
    if (bitsPerSample >= 1 && bitsPerSample <= 8)
        r = MakeSink<LSNKPCM8File>(path, sampleRate, startFrame, chans);
    else if (bitsPerSample >= 9 && bitsPerSample <= 16)
        r = MakeSink<LSNKPCM16File>(path, sampleRate, startFrame, chans);
    else if (bitsPerSample > 16)
        tDiagnostic = "LWaveFile::OpenSinkPCM BitsPerSample too large - use BUILD_SUPPORT_32BITSAMPLEFORMATS";
    else
        tDiagnostic = "LWaveFile::OpenSinkPCM BitsPerSample out of range";
    if (r && r->HasError()) tDiagnostic = "LSNKPCMFileBase::LSNKPCMFileBase Unable to create file";
    return r;
}

// ---------------------------------------------------------------- reader

LSRCPCMFileBase::LSRCPCMFileBase(LFile&& file, int32_t rate, uint32_t dataBytes, uint32_t bytesPerSample,
                                 int32_t peakBound, uint32_t chans)
    : LSoundSourceBase(rate, chans, peakBound), hFile(std::move(file)), nBytesPerSample(bytesPerSample) {
    nFrameBytes = uint32_t(nChans) * nBytesPerSample;
    if (nFrameBytes == 0) nFrameBytes = 2;
    if (!hFile.IsOpen()) {
        SetError();
        return;
    }
    int64_t start = hFile.Tell();
    nDataStart = start > 0 ? start : 0;
    nFileAt = nDataStart;
    // A writer that never finished leaves the samples running to the end of
    // the file; any other size counts only as far as the file holds data.
    int64_t held = std::max<int64_t>(hFile.Size() - nDataStart, 0);
    int64_t bytes = dataBytes == LWaveFile::kUnfinishedSize ? held : std::min<int64_t>(dataBytes, held);
    nLength = int32_t(std::min<int64_t>(bytes / nFrameBytes, kMaxStreamFrames));
    // No bigger than the data (a short file needs no megabyte), never below one frame.
    int64_t block = std::min<int64_t>(kReadAheadBytes / nFrameBytes, std::max(nLength, 1)) * nFrameBytes;
    vBlock.resize(size_t(std::max<int64_t>(block, nFrameBytes)));
}

bool LSRCPCMFileBase::Fill(int32_t first) {
    nBlockFrame = first;
    nBlockBytes = 0;
    int64_t at = nDataStart + int64_t(first) * nFrameBytes;
    if (nFileAt != at) {
        if (!hFile.Seek(at)) {
            nFileAt = -1;
            return false;
        }
        nFileAt = at;
    }
    // Never past the data: a chunk after it is not read for nothing.
    uint32_t frames = uint32_t(vBlock.size() / nFrameBytes);
    frames = uint32_t(std::min<int64_t>(frames, int64_t(nLength) - first));
    uint32_t got = hFile.Read(vBlock.data(), frames * nFrameBytes);
    nFileAt += got;
    nBlockBytes = got;
    return got > 0;
}

void LSRCPCMFileBase::ReadFrames(int32_t* out, int32_t first, int32_t frames) {
    while (frames > 0) {
        int64_t offset = (int64_t(first) - nBlockFrame) * nFrameBytes;
        if (offset < 0 || offset >= int64_t(nBlockBytes)) {
            if (!Fill(first)) break;
            offset = 0;
        }
        // The samples held for these frames (a block cut short by the end
        // of the file may end inside a frame).
        uint32_t avail = uint32_t(nBlockBytes - offset);
        int32_t k = int32_t(std::min<int64_t>(frames, (int64_t(avail) + nFrameBytes - 1) / nFrameBytes));
        int32_t samples = int32_t(std::min<uint32_t>(uint32_t(k) * nChans, avail / nBytesPerSample));
        Convert(vBlock.data() + offset, out, samples);
        int32_t total = k * nChans;
        std::fill(out + samples, out + total, 0);
        out += total;
        first += k;
        frames -= k;
        if (uint32_t(k) * nFrameBytes > avail) break;  // the file ended inside that frame
    }
    std::fill(out, out + size_t(std::max(frames, 0)) * nChans, 0);
}

void LSRCPCMFileBase::Read(int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    nPosition += n;
    int32_t p = nPosition;
    size_t chans = nChans;
    if (p <= 0) {
        std::fill(buffer, buffer + size_t(n) * chans, 0);
        return;
    }
    int32_t lead = 0;
    if (n > p) {
        lead = n - p;
        std::fill(buffer, buffer + size_t(lead) * chans, 0);
    }
    int32_t remaining = n - lead;
    int32_t frames = remaining;
    if (p > nLength) frames -= p - nLength;
    if (frames < 0) frames = 0;
    int32_t* out = buffer + size_t(lead) * chans;
    if (frames > 0 && !HasError()) ReadFrames(out, p - remaining, frames);
    else frames = 0;
    std::fill(out + size_t(frames) * chans, out + size_t(remaining) * chans, 0);
}

void LSRCPCMFileBase::Seek(int32_t p) {
    if (HasError()) return;
    // The next read finds its frames in the block held or reads from there.
    nPosition = p;
}

void LSRCPCM8File::Convert(const uint8_t* in, int32_t* out, int32_t count) { ConvertFromPCM8(in, out, count); }

void LSRCPCM16File::Convert(const uint8_t* in, int32_t* out, int32_t count) {
    // The block holds whole 16-bit words at even offsets of an aligned buffer.
    ConvertFromPCM16(reinterpret_cast<const int16_t*>(in), out, count);
}

// ---------------------------------------------------------------- writer

LSNKPCMFileBase::LSNKPCMFileBase(const char* path, int32_t rate, int32_t startFrame, uint32_t bytesPerSample,
                                 uint32_t chans)
    : LSoundSinkBase(rate, chans), nBytesPerSample(bytesPerSample), szPath(path ? path : "") {
    nFrameBytes = uint32_t(nChans) * nBytesPerSample;
    nPosition = startFrame > 0 ? startFrame : 0;
    // A format no reader accepts is not written at all.
    if (rate < 1) SetError();
    if (HasError() || !path || !hFile.Open(path, LFile::kWriteOpen)) {
        if (!HasError()) NoteFailure(hFile.Error(), szPath);
        SetError();
        return;
    }
    int64_t previous = hFile.Size();
    if (!WriteHeader(false)) return;
    if (nPosition > 0) {
        int64_t target = int64_t(LWaveFile::kHeaderBytes) + int64_t(nPosition) * nFrameBytes;
        if (target > previous) {
            // Continue after the last whole frame the file holds, and count from there.
            int64_t have = previous > int64_t(LWaveFile::kHeaderBytes)
                               ? (previous - LWaveFile::kHeaderBytes) / nFrameBytes
                               : 0;
            nPosition = int32_t(have);
            target = int64_t(LWaveFile::kHeaderBytes) + have * nFrameBytes;
        }
        hFile.Seek(target);
    }
    if (!hFile.Truncate()) FileFailed();
    nWriteBackFrom = int64_t(nPosition) * nFrameBytes;
    pBuffer.assign((size_t(kMaxBlockFrames) * nFrameBytes + 1) / 2, 0);
}

LSNKPCMFileBase::~LSNKPCMFileBase() { Finish(); }

void LSNKPCMFileBase::FileFailed() {
    if (!HasError()) NoteFailure(hFile.Error() == LFailure::kNone ? LFailure::kIOError : hFile.Error(), szPath);
    SetError();
}

bool LSNKPCMFileBase::Finish() {
    if (hFile.IsOpen()) {
        // The sizes go in even after a failure: what reached the file stays readable.
        bool ok = WriteHeader(true) && hFile.Flush();
        if (!hFile.Close() || !ok) FileFailed();
    }
    return !HasError();
}

bool LSNKPCMFileBase::WriteHeader(bool finished) {
    uint8_t h[LWaveFile::kHeaderBytes];
    std::memcpy(h, kHeaderTemplate, sizeof h);
    uint32_t align = nFrameBytes;
    Put16(h + 22, nChans);
    Put32(h + 24, uint32_t(nSampleRate));
    Put32(h + 28, align * uint32_t(nSampleRate));
    Put16(h + 32, align);
    Put16(h + 34, nBytesPerSample * 8);
    if (finished) {
        // The sizes say what the file holds (a write that failed leaves less
        // than the position counts); sizes that do not fit 32 bits stay
        // unfinished, which readers resolve from the file size.
        int64_t data = int64_t(nPosition) * nFrameBytes;
        int64_t held = hFile.Size() - int64_t(LWaveFile::kHeaderBytes);
        if (held < 0) held = 0;
        if (data > held) data = held - held % nFrameBytes;
        if (data + 38 < int64_t(LWaveFile::kUnfinishedSize)) {
            Put32(h + 4, uint32_t(data + 38));
            Put32(h + 42, uint32_t(data));
        }
    }
    if (!hFile.Seek(0) || hFile.Write(h, sizeof h) != sizeof h) {
        FileFailed();
        return false;
    }
    return true;
}

void LSNKPCMFileBase::Write(const int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    nPosition += n;
    if (HasError() || !hFile.IsOpen()) return;
    while (n > 0) {
        int32_t k = std::min(n, kMaxBlockFrames);
        Convert(buffer, k * nChans);
        uint32_t bytes = uint32_t(k) * nFrameBytes;
        if (hFile.Write(pBuffer.data(), bytes) != bytes) {
            // Disk full or similar: discard from here on; the header written
            // at the end reports only what reached the file.
            FileFailed();
            return;
        }
        buffer += size_t(k) * nChans;
        n -= k;
    }
    // The file is flushed when it is finished: its disk writes start while
    // it grows, so that the flush waits only for the last of them.
    int64_t written = int64_t(nPosition) * nFrameBytes;
    if (written - nWriteBackFrom >= kWriteBackBytes) {
        hFile.StartWriteBack(int64_t(LWaveFile::kHeaderBytes) + nWriteBackFrom, written - nWriteBackFrom);
        nWriteBackFrom = written;
    }
}

void LSNKPCMFileBase::Seek(int32_t p) {
    if (!hFile.IsOpen() || p > nPosition) return;
    nPosition = p > 0 ? p : 0;
    hFile.Seek(int64_t(LWaveFile::kHeaderBytes) + int64_t(nPosition) * nFrameBytes);
    hFile.Truncate();
    nWriteBackFrom = std::min<int64_t>(nWriteBackFrom, int64_t(nPosition) * nFrameBytes);
}

void LSNKPCM8File::Convert(const int32_t* in, int32_t count) {
    ConvertToPCM8(in, reinterpret_cast<uint8_t*>(pBuffer.data()), count);
}

void LSNKPCM16File::Convert(const int32_t* in, int32_t count) { ConvertToPCM16(in, pBuffer.data(), count); }

}  // namespace sondrel
