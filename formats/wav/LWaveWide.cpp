#include "formats/wav/LWaveWide.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/LOpenReport.h"
#include "formats/LSampleNarrow.h"

namespace sondrel {

namespace {

constexpr uint16_t kTagPCM = 1, kTagFloat = 3;

class LSRCWaveWide : public LSoundSourceBase {
public:
    LSRCWaveWide(LFile&& f, const LWaveWideFormat& fmt, uint32_t dataBytes)
        : LSoundSourceBase(fmt.nRate, std::min<uint32_t>(fmt.nChans, 2), kMax16),
          file(std::move(f)),
          format(fmt),
          narrow(fmt.nChans, WaveSpeakers(fmt.nChans, fmt.nChannelMask), DitherSeed(file.Size())) {
        nFrameBytes = fmt.nChans * fmt.nBytesPerSample;
        int64_t start = file.Tell();
        nDataStart = start > 0 ? start : 0;
        nLength = int32_t(std::min<int64_t>(dataBytes / nFrameBytes, kMaxStreamFrames));
        aBytes.resize(size_t(kMaxBlockFrames) * nFrameBytes);
    }

    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override { return nPosition; }
    int32_t GetLength() override { return nLength; }
    void Seek(int32_t p) override {
        nPosition = p;
        int64_t frame = std::clamp<int64_t>(p, 0, nLength);
        file.Seek(nDataStart + frame * nFrameBytes);
    }

private:
    // Converts frames read from file frame 'frame' on into the engine's format.
    void Convert(int32_t frames, int64_t frame, int32_t* out);

    LFile file;
    LWaveWideFormat format;
    LSampleNarrow narrow;
    int64_t nDataStart = 0;
    int32_t nPosition = 0;
    int32_t nLength = 0;
    uint32_t nFrameBytes;
    int64_t nClippedReported = 0;
    std::vector<uint8_t> aBytes;
    std::vector<int32_t> aInts;
    std::vector<float> aFloats;
    std::vector<double> aDoubles;
};

void LSRCWaveWide::Convert(int32_t frames, int64_t frame, int32_t* out) {
    const uint32_t chans = format.nChans;
    const size_t count = size_t(frames) * chans;
    const uint8_t* b = aBytes.data();
    if (format.bFloat) {
        if (format.nBytesPerSample == 4) {
            aFloats.resize(count);
            std::memcpy(aFloats.data(), b, count * 4);
            std::vector<const float*> planes(chans);
            for (uint32_t c = 0; c < chans; ++c) planes[c] = aFloats.data() + c;
            narrow.FromFloat(planes.data(), chans, frames, frame, out);
        } else {
            aDoubles.resize(count);
            std::memcpy(aDoubles.data(), b, count * 8);
            std::vector<const double*> planes(chans);
            for (uint32_t c = 0; c < chans; ++c) planes[c] = aDoubles.data() + c;
            narrow.FromDouble(planes.data(), chans, frames, frame, out);
        }
        return;
    }
    aInts.resize(count);
    int32_t* v = aInts.data();
    switch (format.nBytesPerSample) {
        case 1:
            for (size_t i = 0; i < count; ++i) v[i] = int32_t(b[i]) - 128;
            break;
        case 2:
            for (size_t i = 0; i < count; ++i) v[i] = int16_t(uint16_t(b[2 * i] | (b[2 * i + 1] << 8)));
            break;
        case 3:
            for (size_t i = 0; i < count; ++i)
                v[i] = int32_t(uint32_t(b[3 * i]) << 8 | uint32_t(b[3 * i + 1]) << 16 | uint32_t(b[3 * i + 2]) << 24) >> 8;
            break;
        default:
            std::memcpy(v, b, count * 4);
            break;
    }
    std::vector<const int32_t*> planes(chans);
    for (uint32_t c = 0; c < chans; ++c) planes[c] = v + c;
    narrow.FromInt(planes.data(), chans, frames, format.nBytesPerSample * 8, frame, out);
}

void LSRCWaveWide::Read(int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    nPosition += n;
    const size_t chans = nChans;
    int32_t p = nPosition;
    if (p <= 0) {
        std::fill(buffer, buffer + size_t(n) * chans, 0);
        return;
    }
    int32_t lead = n > p ? n - p : 0;
    std::fill(buffer, buffer + size_t(lead) * chans, 0);
    int32_t remaining = n - lead;
    int32_t frames = std::max(0, remaining - std::max(0, p - nLength));
    int32_t* out = buffer + size_t(lead) * chans;
    int64_t first = int64_t(p) - remaining;  // the file frame of out[0]
    int32_t done = 0;
    if (frames > 0) {
        uint32_t want = uint32_t(frames) * nFrameBytes;
        uint32_t got = file.Read(aBytes.data(), want);
        done = int32_t(got / nFrameBytes);
        Convert(done, first, out);
    }
    std::fill(out + size_t(done) * chans, out + size_t(remaining) * chans, 0);
    if (narrow.nClipped != nClippedReported) {
        OpenReport().nClipped += narrow.nClipped - nClippedReported;
        nClippedReported = narrow.nClipped;
    }
}

}  // namespace

bool IsWideWave(uint16_t tag, uint32_t bits, uint32_t chans) {
    if (tag == kTagFloat) return bits == 32 || bits == 64;
    if (tag != kTagPCM) return false;
    return (bits > 16 && bits <= 32) || (bits >= 1 && bits <= 16 && chans > 2);
}

LSoundSourcePtr OpenWideWave(LFile&& file, const LWaveWideFormat& format, uint32_t dataBytes, const char* path) {
    LOpenReport& report = OpenReport();
    if (path && report.szPath == path) {
        report.format = LStoredFormat{format.nValidBits, format.bFloat, format.nChans};
        if (format.nChans > 2) report.nMixedFrom = format.nChans;
    }
    return MakeSource<LSRCWaveWide>(std::move(file), format, dataBytes);
}

}  // namespace sondrel
